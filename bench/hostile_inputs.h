// Pages built to hurt a converter: runs of unclosed tags, cells, ampersands and control
// bytes, an unterminated script, random bytes. Shared by the fault tests (which check that
// each converts in linear time) and the benchmark (which prints their cost per megabyte).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "translation/output_stream.h"

namespace vellumine::bench {

// Counts what a conversion writes and keeps none of it: the timings are the engine's, not
// those of a string growing to the output's size.
class CountingOutputStream final : public OutputStream {
 public:
  using OutputStream::Write;
  void Write(const char*, size_t n) override { bytes += n; }
  size_t bytes = 0;
};

struct HostileInput {
  const char* name;
  std::string (*make)(size_t bytes);  // a page of about that many bytes
};

// text repeated after head up to about n bytes.
inline std::string Repeat(const std::string& head, const std::string& text, size_t n) {
  std::string page = head;
  page.reserve(n + text.size());
  while (page.size() < n) page += text;
  return page;
}

inline std::string RandomBytes(size_t n) {
  std::string page(n, '\0');
  uint64_t state = 0x2545F4914F6CDD1Dull;
  for (char& c : page) {
    state ^= state << 13, state ^= state >> 7, state ^= state << 17;
    c = static_cast<char>(state >> 56);
    if (c == 0x1A) c = 0x1B;  // the end-of-text byte would cut the page short
  }
  return page;
}

inline const HostileInput kHostileInputs[] = {
    {"unclosed <b>", [](size_t n) { return Repeat("<p>", "<b>x", n); }},
    {"<td> runs", [](size_t n) { return Repeat("<table><tr>", "<td>", n); }},
    {"<tr><td> runs", [](size_t n) { return Repeat("<table>", "<tr><td>x", n); }},
    {"& without ;", [](size_t n) { return Repeat("<p>", "&&amp&#x41&abcdefghij", n); }},
    {"unterminated <script", [](size_t n) { return Repeat("<p>a<script>", "x<scrip", n); }},
    {"unclosed attributes", [](size_t n) { return Repeat("<p>a<p ", "title=x ", n); }},
    {"NUL bytes", [](size_t n) { return Repeat("<p>", std::string(1, '\0'), n); }},
    {"0x1A early", [](size_t n) { return Repeat("<p>a\x1A", "<b>&amp;", n); }},
    {"<pre> and references",
     [](size_t n) { return Repeat("<p><pre>", "&#x1F600;\xF0\x9F\x98\x80&mdash;{}\\", n); }},
    {"random bytes", [](size_t n) { return RandomBytes(n); }},
};

}  // namespace vellumine::bench
