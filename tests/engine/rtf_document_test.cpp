// Whole RTF documents through the in-memory conversion: the document group holds the body.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "convert_file.h"
#include "output_stream.h"

namespace vellumine {
namespace {

std::string Convert(const std::string& input, ConversionMode mode,
                    const char* encoding = "Auto-Select") {
  ConvertOptions options;
  options.mode = mode;
  options.encodingLabel = encoding;
  NullProgressSink sink;
  MemoryOutputStream out;
  EXPECT_EQ(ConvertMemory(input.data(), input.size(), options, sink, out), ConvertResult::Ok);
  return out.str();
}

// The document group holds the whole body: the first byte at which the depth of unescaped
// braces comes back to 0 is in the trailer, and only surplus closing braces follow it.
void ExpectOneDocument(const std::string& rtf, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  size_t end = std::string::npos;
  long depth = 0;
  for (size_t i = 0; i < rtf.size() && end == std::string::npos; ++i) {
    if (rtf[i] == '\\') ++i;  // "\{", "\}" and "\\" are text; control words start with a letter
    else if (rtf[i] == '{') ++depth;
    else if (rtf[i] == '}' && --depth == 0) end = i;
  }
  ASSERT_NE(end, std::string::npos) << "the document is never closed";
  EXPECT_GT(end, rtf.rfind("\\par}")) << "closed early: " << rtf.substr(end > 40 ? end - 40 : 0, 80);
  EXPECT_EQ(rtf.find_first_not_of('}', end), std::string::npos);
}

// Unclosed groups are all closed; stray closers close nothing of the document.
TEST(RtfDocumentTest, GroupsStayBalanced) {
  std::string bolds = "<p>";
  for (int i = 0; i < 20; ++i) bolds += "<b>w" + std::to_string(i) + " ";
  std::string rtf = Convert(bolds, ConversionMode::Rtf);
  EXPECT_EQ(rtf.substr(rtf.size() - 25), "\\par" + std::string(21, '}'));

  std::vector<std::pair<std::string, std::string>> pages = {
      {"bolds", bolds},
      {"closers", "<p>a</sub>b</sup>c</h3>d</b>e</strong>f</h1>g"},
      {"headings", "<h1>a<sub>b<sup>c</h1></h1></h1></h1>d"},
      {"runs", "<p>&x}b; &{{{; &\\par; &#}}}; &#x}}; e"},
      {"tables", "<table><tr><td>a<table><tr><td>b</table>c</td></tr>"},
      {"pre", "<pre>}}}}</pre><p>x"},
  };
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(VELLUMINE_SOURCE_DIR "/examples", error)) {
    std::string ext = entry.path().extension().string();
    if (ext != ".htm" && ext != ".html" && ext != ".asp") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    pages.emplace_back(entry.path().filename().string(),
                       std::string{std::istreambuf_iterator<char>(in), {}});
  }
  for (const auto& [name, page] : pages) {
    ExpectOneDocument(Convert(page, ConversionMode::Rtf), name + " (RTF)");
    ExpectOneDocument(Convert(page, ConversionMode::RtfTables), name + " (RTF with tables)");
    ExpectOneDocument(Convert(page, ConversionMode::Rtf, "(KOI8-R) Cyrillic"), name + " (KOI8-R)");
  }
}

}  // namespace
}  // namespace vellumine
