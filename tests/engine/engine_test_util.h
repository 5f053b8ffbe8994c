// What the engine tests share: a translation run on a string (with the RTF snippets at 12
// points), the progress it shows, conversions in memory, and the fixture files.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <sstream>
#include <string_view>
#include <vector>

#include "fast/byte_buffer.h"
#include "job/convert_file.h"
#include "temp_directory.h"
#include "translation/char_mappers.h"
#include "translation/output_stream.h"
#include "translation/rtf_templates.h"
#include "translation/rtf_writer.h"
#include "translation/text_writer.h"

namespace vellumine::testing {

using Calls = std::vector<std::string>;
constexpr ConversionMode kModes[] = {ConversionMode::Text, ConversionMode::Rtf,
                                     ConversionMode::RtfTables};
const EncodingChoice kUtf8{MapIdentity, false, true}, kCp1251{MapIdentity, true, false},
    kKoi8{MapKoi8r, true, false};

// Records every step shown as one line: "0/50", "1/50", ...
struct RecordedSteps {
  Calls calls;
  static void Record(void* self, int step, int total) {
    static_cast<RecordedSteps*>(self)->calls.push_back(std::to_string(step) + "/" +
                                                       std::to_string(total));
  }
  vellumine_options Attach(vellumine_options options) {
    options.progress = &Record;
    options.progress_context = this;
    return options;
  }
};

struct RunOptions {
  ConversionMode mode = ConversionMode::Rtf;
  EncodingChoice encoding = {};
  bool textAsUtf8 = false;
  size_t capacity = 0;          // the body buffer's first size; 0: as the job sizes it
  size_t splitFrom = SIZE_MAX;  // texts this long are translated in halves
  size_t streamPiece = 0;       // not 0: the body goes to a stream, this much text at a time
  size_t longestStep = kLongestStep;  // RTF: the most one step of a run takes
};

struct Translated {
  std::string text;  // the body: what went to the stream, then what was left
  int openGroups = 0;
  int ticksPassed = 0;
  Calls steps;  // the progress shown
};

inline Translated Translate(std::string_view html, const RunOptions& o = {}) {
  RecordedSteps steps;
  ProgressTicks ticks(html.size(), {&RecordedSteps::Record, &steps});
  ByteBuffer body;
  EXPECT_TRUE(body.Allocate(o.capacity != 0 ? o.capacity : 4 * html.size() + 1000));
  MemoryOutputStream stream;
  TranslationInput input{html.data(), html.size(), o.encoding, ticks, o.splitFrom};
  input.textAsUtf8 = o.textAsUtf8;
  input.longestStep = o.longestStep;
  if (o.streamPiece != 0) input.stream = &stream, input.streamPiece = o.streamPiece;
  Translated result;
  if (o.mode == ConversionMode::Text) {
    TranslateToText(input, body);
  } else {
    RtfTemplates templates;
    FormatRtfTemplates(templates, 12, o.mode == ConversionMode::RtfTables);
    auto translate = o.mode == ConversionMode::Rtf ? TranslateToRtf : TranslateToRtfWithTables;
    result.openGroups = translate(input, templates, body);
  }
  EXPECT_FALSE(body.failed());
  result.text = stream.str() + std::string(body.view());
  result.ticksPassed = ticks.passed();
  result.steps = steps.calls;
  return result;
}

inline std::string Text(std::string_view html, EncodingChoice encoding = {}) {
  return Translate(html, {ConversionMode::Text, encoding}).text;
}

struct Case { std::string html, expected; };

// Options of a mode in a reading.
inline vellumine_options OptionsFor(ConversionMode mode, vellumine_reading reading) {
  vellumine_options options = OptionsFor(mode);
  options.reading = reading;
  return options;
}

// A page converted in memory as a file holds it (CR LF line ends), with the steps shown.
struct Converted { vellumine_result result; std::string out; Calls steps; };
inline Converted ConvertInMemory(std::string_view page, vellumine_options options) {
  RecordedSteps steps;
  MemoryOutputStream out(true);
  vellumine_result result = ConvertMemory(page.data(), page.size(), steps.Attach(options), out);
  return {result, out.str(), steps.calls};
}

// A write function that collects the output.
inline int AppendTo(void* out, const char* bytes, size_t n) {
  static_cast<std::string*>(out)->append(bytes, n);
  return 0;
}

// A page converted in memory through the library's interface: the result and the output.
inline Converted ThroughLibrary(const std::string& page, const vellumine_options* options) {
  Converted run{VELLUMINE_OK, "", {}};
  run.result = vellumine_convert_memory(page.data(), page.size(), options, AppendTo, &run.out);
  return run;
}

inline std::string FixturePath(const std::string& name) {
  return VELLUMINE_SOURCE_DIR "/tests/engine/data/" + name;
}

// The rows of a table of data/cases: tab-separated fields with the escapes \n, \r, \t, \\ and
// \xNN, "#" lines for comments; each row named "<file>:<line>", one of another width a failure,
// and so is a missing file.
struct Row { std::string where; std::vector<std::string> fields; };
inline std::vector<Row> Rows(const std::string& name, size_t width) {
  std::vector<Row> rows;
  const std::string bytes = ReadBytes(FixturePath("cases/" + name));
  EXPECT_NE(bytes, "<missing>") << name;
  std::istringstream in(bytes);
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    if (line.empty() || line[0] == '#') continue;
    Row row{name + ":" + std::to_string(number), {""}};
    for (size_t i = 0; i < line.size(); ++i) {
      char c = line[i];
      if (c == '\t') { row.fields.emplace_back(); continue; }
      if (c == '\\') {
        c = line[++i];
        if (c == 'x') c = char(std::stoi(line.substr(i + 1, 2), nullptr, 16)), i += 2;
        else c = c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c;
      }
      row.fields.back() += c;
    }
    if (row.fields.size() == width) rows.push_back(row);
    else ADD_FAILURE() << row.where << ": " << row.fields.size() << " fields, not " << width;
  }
  return rows;
}

// The example pages (examples/*.htm, *.html, *.asp) by file name, and all of them in a row
// (without the 0x1A of the one that has it, which would end the text there).
inline std::map<std::string, std::string> ExamplePages() {
  std::map<std::string, std::string> pages;
  for (const auto& entry : std::filesystem::directory_iterator(VELLUMINE_SOURCE_DIR "/examples")) {
    const std::string ext = entry.path().extension().string();
    if (ext == ".htm" || ext == ".html" || ext == ".asp")
      pages[entry.path().filename().string()] = ReadBytes(entry.path().string());
  }
  return pages;
}
inline std::string AllExamplePages() {
  std::string all;
  for (const auto& [name, page] : ExamplePages()) all += page;
  std::erase(all, '\x1A');
  return all;
}

// The encoding of the library's name for it ("koi8-r"); -1 for no encoding.
inline int EncodingNamed(const std::string& name) {
  const vellumine_option_info* encodings = vellumine_find_option("encoding");
  for (int k = 0; k < encodings->choice_count; ++k)
    if (name == encodings->choices[k].name) return encodings->choices[k].value;
  return -1;
}

// The options of a case of data/reading or data/translation (their READMEs): a page,
// <case>.html, with expected outputs beside it named <case>[.<option>...]<format>. Options:
// "tables", "links-inline", "links-list", "wrap-<columns>" and the library's encoding names.
struct CaseOptions {
  ConversionMode mode = ConversionMode::Text;
  vellumine_encoding encoding = VELLUMINE_ENCODING_AUTO;  // none named
  vellumine_links links = VELLUMINE_LINKS_NONE;
  int wrap = 0;
};

// Each expected output in a folder of data/ whose name ends in `format` (".txt" or ".rtf")
// against output(page, options); a difference names the file.
template <typename Output>
void ExpectTheOutputsBesideThePages(const std::string& folder, const std::string& format,
                                    Output output) {
  int compared = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FixturePath(folder))) {
    const std::string name = entry.path().filename().string();
    if (!name.ends_with(format)) continue;
    CaseOptions options{format == ".txt" ? ConversionMode::Text : ConversionMode::Rtf};
    const size_t stem = name.find('.');
    for (size_t at = stem + 1, dot; at < name.size() - format.size(); at = dot + 1) {
      dot = name.find('.', at);
      const std::string option = name.substr(at, dot - at);
      if (option == "tables") options.mode = ConversionMode::RtfTables;
      else if (option == "links-inline") options.links = VELLUMINE_LINKS_INLINE;
      else if (option == "links-list") options.links = VELLUMINE_LINKS_LIST;
      else if (option.starts_with("wrap-")) options.wrap = std::stoi(option.substr(5));
      else if (const int encoding = EncodingNamed(option); encoding >= 0)
        options.encoding = vellumine_encoding(encoding);
      else ADD_FAILURE() << name << ": no option " << option;
    }
    const std::string page = ReadBytes(FixturePath(folder + "/" + name.substr(0, stem) + ".html"));
    ASSERT_NE(page, "<missing>") << name << " has no page";
    EXPECT_EQ(output(page, options), ReadBytes(entry.path().string())) << name;
    ++compared;
  }
  EXPECT_GT(compared, 10) << folder;
}

// The line break snippet at 12 points.
inline const std::string kBreak = "\n\\par\\pard\\plain \\sb120\\qj\\fs24\\lang1033 ";

}  // namespace vellumine::testing
