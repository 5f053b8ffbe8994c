#include "prepare_text.h"

#include <cstring>

#include "ascii.h"

namespace vellumine {
namespace {

constexpr size_t kNotFound = static_cast<size_t>(-1);

// The three spellings of script and style that open or close a block.
template <size_t L>
bool MatchSpellings(const char* text, size_t n, size_t p, const char (&lower)[L],
                    const char (&capital)[L], const char (&upper)[L]) {
  return MatchExact(text, n, p, lower) || MatchExact(text, n, p, capital) ||
         MatchExact(text, n, p, upper);
}

// First position from p where `matches` holds at a "<", or kNotFound.
template <typename Matches>
size_t FindTag(const char* text, size_t n, size_t p, Matches matches) {
  while (p < n) {
    const void* lt = std::memchr(text + p, '<', n - p);
    if (!lt) return kNotFound;
    p = static_cast<size_t>(static_cast<const char*>(lt) - text);
    if (matches(p)) return p;
    ++p;
  }
  return kNotFound;
}

// The byte after the end of the block that starts at i, or n when the block has no end.
// False when no block starts at i.
bool SkipBlock(const char* text, size_t n, size_t i, size_t& resume) {
  size_t end;
  size_t endLength;
  if (MatchNoCase(text, n, i, "<title>")) {
    end = FindTag(text, n, i, [&](size_t p) { return MatchNoCase(text, n, p, "</title>"); });
    endLength = 8;
  } else if (MatchSpellings(text, n, i, "<script", "<Script", "<SCRIPT")) {
    end = FindTag(text, n, i, [&](size_t p) {
      return MatchSpellings(text, n, p, "</script", "</Script", "</SCRIPT");
    });
    endLength = 9;  // the byte after the name (normally ">") goes too
  } else if (MatchNoCase(text, n, i, "<option") && i + 7 < n &&
             (text[i + 7] == '>' || text[i + 7] == ' ')) {
    end = FindTag(text, n, i, [&](size_t p) { return MatchNoCase(text, n, p, "</option>"); });
    endLength = 9;
  } else if (MatchSpellings(text, n, i, "<style", "<Style", "<STYLE")) {
    end = FindTag(text, n, i, [&](size_t p) {
      return MatchSpellings(text, n, p, "</style>", "</Style>", "</STYLE>");
    });
    endLength = 8;
  } else if (i + 1 < n && text[i + 1] == '%') {
    // Ends at the first ">" directly after a "%"; the opening's own "%" counts ("<%>").
    end = kNotFound;
    for (size_t p = i + 2; p < n;) {
      const void* gt = std::memchr(text + p, '>', n - p);
      if (!gt) break;
      p = static_cast<size_t>(static_cast<const char*>(gt) - text);
      if (text[p - 1] == '%') {
        end = p;
        break;
      }
      ++p;
    }
    endLength = 1;
  } else {
    return false;
  }
  resume = (end == kNotFound || n - end <= endLength) ? n : end + endLength;
  return true;
}

}  // namespace

size_t PrepareText(const char* raw, size_t n, char* prepared) {
  size_t in = 0;
  size_t out = 0;
  while (in < n) {
    const void* lt = std::memchr(raw + in, '<', n - in);
    size_t run = (lt ? static_cast<size_t>(static_cast<const char*>(lt) - raw) : n) - in;
    std::memcpy(prepared + out, raw + in, run);
    out += run;
    in += run;
    if (in == n) break;
    size_t resume;
    if (SkipBlock(raw, n, in, resume)) {
      in = resume;
    } else {
      prepared[out++] = '<';
      ++in;
    }
  }
  return out;
}

}  // namespace vellumine
