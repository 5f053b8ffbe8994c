// Whole RTF documents through the in-memory conversion: skeleton, empty reads, group balance.
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

const std::string kLatinHeader10 =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033\\deflangfe1033\\fs20{\\fonttbl{\\f0\\fswiss"
    "\\fprq2\\fcharset0 Arial;}{\\f1\\fswiss\\fprq2\\fcharset0{\\*\\fname Arial;}Arial CE;}\n"
    "{\\f23\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Arial;}}\n\\pard\\plain "
    "\\sb120\\qj\\fs20\\lang1033\n";
const std::string kTrailer = "\\par}}}}}}}}";

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

// Where the document group closes: the first byte at which the depth of unescaped braces
// comes back to 0, or npos when it never does.
size_t DocumentGroupEnd(const std::string& rtf) {
  long depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    char c = rtf[i];
    if (c == '\\') {
      ++i;  // "\{", "\}" and "\\" are text; any other control word starts with a letter
    } else if (c == '{') {
      ++depth;
    } else if (c == '}' && --depth == 0) {
      return i;
    }
  }
  return std::string::npos;
}

// The document group holds the whole body: it closes in the trailer, and only surplus
// closing braces follow it.
void ExpectOneDocument(const std::string& rtf, const std::string& what) {
  SCOPED_TRACE(what);
  ASSERT_EQ(rtf.rfind("{\\rtf1", 0), 0u);
  size_t end = DocumentGroupEnd(rtf);
  ASSERT_NE(end, std::string::npos) << "the document is never closed";
  size_t trailer = rtf.rfind("\\par}");
  ASSERT_NE(trailer, std::string::npos);
  EXPECT_GT(end, trailer) << "closed early, at " << end << ": "
                          << rtf.substr(end > 40 ? end - 40 : 0, 80);
  EXPECT_EQ(rtf.find_first_not_of('}', end), std::string::npos);
}

TEST(RtfDocumentTest, SkeletonAroundTheBody) {
  EXPECT_EQ(Convert("<p>Hi", ConversionMode::Rtf),
            kLatinHeader10 + "\n\\par\\pard\\plain \\sb120\\qj\\fs20\\lang1033 Hi" + kTrailer);
  EXPECT_EQ(Convert("<tr><td>Hi", ConversionMode::RtfTables),
            kLatinHeader10 + "\n\\trowd \\trgaph70 \n\\cellx9500\n\\pard \\intbl Hi\n\\cell"
                             "\\pard \\intbl \\row \\pard\n" + kTrailer);
  // Prepared text: the title block is gone before the pass runs.
  EXPECT_EQ(Convert("<title>T</title><b>x</b>", ConversionMode::Rtf),
            kLatinHeader10 + "{\\b x}" + kTrailer);
}

// A read that yields no bytes still gives a valid empty document in the RTF modes.
TEST(RtfDocumentTest, EmptyReadGivesAnEmptyDocument) {
  EXPECT_EQ(Convert("\x1A<p>not read", ConversionMode::Rtf), kLatinHeader10 + kTrailer);
  EXPECT_EQ(Convert("\x1A", ConversionMode::RtfTables), kLatinHeader10 + kTrailer);
  EXPECT_EQ(Convert("\x1A<p>x", ConversionMode::Text), "");
}

TEST(RtfDocumentTest, CyrillicDocument) {
  std::string rtf = Convert(
      "<head><meta charset=windows-1251></head><p>\xCF\xF0\xE8&eacute;", ConversionMode::Rtf);
  EXPECT_EQ(rtf.rfind("{\\rtf1\\ansi\\ansicpg1251\\deffn", 0), 0u);
  EXPECT_NE(rtf.find("\\lang1033 \xCF\xF0\xE8\\f99\\'e9\\par}"), std::string::npos);
}

// Unclosed groups are all closed; stray closers close nothing of the document.
TEST(RtfDocumentTest, GroupsStayBalanced) {
  std::string bolds = "<p>";
  for (int i = 0; i < 20; ++i) bolds += "<b>w" + std::to_string(i) + " ";
  std::string rtf = Convert(bolds, ConversionMode::Rtf);
  EXPECT_EQ(rtf.substr(rtf.size() - 25), "\\par" + std::string(21, '}'));

  const std::string pages[] = {
      bolds,
      "<p>a</sub>b</sup>c</h3>d</b>e</strong>f</h1>g",
      "<h1>a<sub>b<sup>c</h1></h1></h1></h1>d",
      "<p>&x}b; &{{{; &\\par; &#}}}; &#x}}; e",
      "<table><tr><td>a<table><tr><td>b</table>c</td></tr>",
      "<pre>}}}}</pre><p>x",
  };
  for (const std::string& page : pages) {
    ExpectOneDocument(Convert(page, ConversionMode::Rtf), page);
    ExpectOneDocument(Convert(page, ConversionMode::RtfTables), page);
    ExpectOneDocument(Convert(page, ConversionMode::Rtf, "(KOI8-R) Cyrillic"), page);
  }
}

std::vector<std::filesystem::path> ExamplePages() {
  std::vector<std::filesystem::path> pages;
  std::error_code error;
  for (const auto& entry :
       std::filesystem::directory_iterator(VELLUMINE_SOURCE_DIR "/examples", error)) {
    std::string ext = entry.path().extension().string();
    if (ext == ".htm" || ext == ".html" || ext == ".asp") pages.push_back(entry.path());
  }
  return pages;
}

TEST(RtfDocumentTest, ExamplePagesAreOneDocument) {
  std::vector<std::filesystem::path> pages = ExamplePages();
  if (pages.empty()) GTEST_SKIP() << "no example pages";
  for (const auto& path : pages) {
    std::ifstream in(path, std::ios::binary);
    std::string page{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ExpectOneDocument(Convert(page, ConversionMode::Rtf), path.filename().string() + " (RTF)");
    ExpectOneDocument(Convert(page, ConversionMode::RtfTables),
                      path.filename().string() + " (RTF with tables)");
  }
}

}  // namespace
}  // namespace vellumine
