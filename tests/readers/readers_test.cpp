// Every example page and a few pathological ones, converted in both RTF modes and read back
// by LibreOffice: the reader must show every word of the page, in order.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "convert_file.h"
#include "encoding.h"
#include "output_stream.h"
#include "prepare_text.h"

namespace vellumine {
namespace {

namespace fs = std::filesystem;

struct Page {
  std::string name;  // file stem of the converted documents
  std::string html;
  fs::path file;     // the page on disk (examples), converted through ConvertFile
};

// Pages that broke documents in readers: stray closers, unclosed groups and rows, and
// references to characters beyond Latin-1.
std::vector<Page> PathologicalPages() {
  std::string bolds = "<html><body><p>";
  for (int i = 1; i <= 20; ++i) bolds += "<b>bold" + std::to_string(i) + " ";
  bolds += "<p>tail after twenty bolds</body></html>";
  return {
      {"stray-closers",
       "<html><body><p>alpha</sub> bravo</sup> charlie</h3> delta</b> echo</strong> foxtrot"
       "</h1>golf</sub>hotel</center> india</td> juliet</tr> kilo</table> lima</p>mike"
       "</body></html>", {}},
      {"twenty-bolds", bolds, {}},
      {"unclosed-row",
       "<html><body><table><tr><td>alpha<td>bravo</table><p>charlie after the table"
       "<table><tr><td>delta<td>echo", {}},
      {"unclosed-groups",
       "<html><body><h2>heading<sub>low<sup>high<p>paragraph words<b>bold words"
       "<strong>strong words</body></html>", {}},
      {"cyrillic-references",
       "<html><body><p>&#1055;&#1088;&#1080;&#1074;&#1077;&#1090; world &#x43C;&#x438;&#x440;"
       "</body></html>", {}},
      {"emoji-reference", "<html><body><p>smile &#x1F600; done &#128512; end</body></html>", {}},
  };
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<Page> ExamplePages() {
  std::vector<Page> pages;
  std::error_code error;
  for (const auto& entry : fs::directory_iterator(VELLUMINE_SOURCE_DIR "/examples", error)) {
    std::string ext = entry.path().extension().string();
    if (ext != ".htm" && ext != ".html" && ext != ".asp") continue;
    pages.push_back({entry.path().stem().string(), ReadFile(entry.path()), entry.path()});
  }
  return pages;
}

bool IsWordByte(unsigned char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

// The ASCII words a browser would show: blocks without text removed, tags and comments
// dropped, references and every other byte taken as separators. Text before the first tag
// is not part of the document.
std::vector<std::string> VisibleWords(const std::string& html) {
  std::string text(html.size(), '\0');
  text.resize(PrepareText(html.data(), html.size(), text.data()));
  std::vector<std::string> words;
  size_t p = text.find('>');
  p = p == std::string::npos ? text.size() : p + 1;
  while (p < text.size()) {
    if (text.compare(p, 4, "<!--") == 0) {
      size_t end = text.find("-->", p);
      p = end == std::string::npos ? text.size() : end + 3;
    } else if (text[p] == '<') {
      size_t end = text.find('>', p);
      p = end == std::string::npos ? text.size() : end + 1;
    } else if (text[p] == '&') {
      size_t end = text.find_first_of("; ", p);
      p = (end != std::string::npos && end - p <= 10) ? end + 1 : p + 1;
    } else if (IsWordByte(static_cast<unsigned char>(text[p]))) {
      size_t end = p;
      while (end < text.size() && IsWordByte(static_cast<unsigned char>(text[end]))) ++end;
      words.push_back(text.substr(p, end - p));
      p = end;
    } else {
      ++p;
    }
  }
  return words;
}

// Each word is found after the one before it; returns the first word that is not, or "".
std::string FirstMissingWord(const std::vector<std::string>& words, const std::string& read) {
  size_t at = 0;
  for (const std::string& word : words) {
    size_t found = read.find(word, at);
    if (found == std::string::npos) return word + " (after offset " + std::to_string(at) + ")";
    at = found + word.size();
  }
  return "";
}

class ReadersTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (std::system("command -v soffice > /dev/null 2>&1") != 0) return;
    std::random_device random;
    dir_ = fs::temp_directory_path() / ("vellumine-readers-" + std::to_string(random()));
    fs::create_directories(dir_ / "out");
    pages_ = ExamplePages();
    for (Page& page : PathologicalPages()) pages_.push_back(page);

    std::string files;
    for (const Page& page : pages_) {
      for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
        fs::path rtf = dir_ / (page.name + (mode == ConversionMode::Rtf ? ".m1" : ".m2") + ".rtf");
        if (!Convert(page, mode, rtf)) continue;
        files += " '" + rtf.string() + "'";
      }
    }
    std::string command = "cd '" + dir_.string() + "' && soffice -env:UserInstallation=file://" +
                          (dir_ / "profile").string() +
                          " --headless --convert-to txt:Text --outdir '" + (dir_ / "out").string() +
                          "'" + files + " > soffice.log 2>&1";
    ranReader_ = std::system(command.c_str()) == 0;
  }

  static void TearDownTestSuite() {
    std::error_code error;
    if (!dir_.empty()) fs::remove_all(dir_, error);
  }

  void SetUp() override {
    if (dir_.empty()) GTEST_SKIP() << "soffice is not installed (apt-get install libreoffice-writer-nogui)";
    ASSERT_TRUE(ranReader_) << ReadFile(dir_ / "soffice.log");
  }

  // Pages on disk go through ConvertFile, the others through ConvertMemory.
  static bool Convert(const Page& page, ConversionMode mode, const fs::path& rtf) {
    ConvertOptions options;
    options.mode = mode;
    NullProgressSink sink;
    if (!page.file.empty()) {
      fs::path dir = dir_ / (mode == ConversionMode::Rtf ? "m1" : "m2");
      fs::create_directories(dir);
      if (ConvertFile(page.file.string().c_str(), dir.string().c_str(), options, sink) !=
          ConvertResult::Ok)
        return false;
      fs::rename(dir / (page.file.stem().string() + ".rtf"), rtf);
      return true;
    }
    MemoryOutputStream out(true);
    if (ConvertMemory(page.html.data(), page.html.size(), options, sink, out) != ConvertResult::Ok)
      return false;
    std::ofstream(rtf, std::ios::binary) << out.str();
    return true;
  }

  // What the reader shows of one converted page ("" when it wrote nothing).
  static std::string ReadBack(const std::string& name, ConversionMode mode) {
    std::string text =
        ReadFile(dir_ / "out" / (name + (mode == ConversionMode::Rtf ? ".m1" : ".m2") + ".txt"));
    if (text.rfind("\xEF\xBB\xBF", 0) == 0) text.erase(0, 3);
    return text;
  }

  static const Page* Find(const std::string& name) {
    for (const Page& page : pages_)
      if (page.name == name) return &page;
    return nullptr;
  }

  static fs::path dir_;
  static bool ranReader_;
  static std::vector<Page> pages_;
};

fs::path ReadersTest::dir_;
bool ReadersTest::ranReader_ = false;
std::vector<Page> ReadersTest::pages_;

constexpr ConversionMode kModes[] = {ConversionMode::Rtf, ConversionMode::RtfTables};

TEST_F(ReadersTest, EveryWordOfEveryPageInOrder) {
  for (const Page& page : pages_) {
    std::vector<std::string> words = VisibleWords(page.html);
    for (ConversionMode mode : kModes) {
      SCOPED_TRACE(page.name + (mode == ConversionMode::Rtf ? " (RTF)" : " (RTF with tables)"));
      std::string read = ReadBack(page.name, mode);
      ASSERT_FALSE(read.empty()) << "the reader wrote nothing";
      EXPECT_EQ(FirstMissingWord(words, read), "") << read;
    }
  }
}

TEST_F(ReadersTest, NothingAfterAStrayCloserIsLost) {
  for (ConversionMode mode : kModes) {
    std::string read = ReadBack("stray-closers", mode);
    EXPECT_EQ(FirstMissingWord({"alpha", "bravo", "charlie", "delta", "echo", "foxtrot", "golf",
                                "hotel", "india", "juliet", "kilo", "lima", "mike"},
                               read),
              "")
        << read;
    EXPECT_NE(ReadBack("twenty-bolds", mode).find("tail after twenty bolds"), std::string::npos);
    EXPECT_NE(ReadBack("unclosed-groups", mode).find("strong words"), std::string::npos);
  }
}

TEST_F(ReadersTest, UnclosedRowsAreRead) {
  for (ConversionMode mode : kModes) {
    std::string read = ReadBack("unclosed-row", mode);
    EXPECT_EQ(FirstMissingWord({"alpha", "bravo", "charlie", "after", "table", "delta", "echo"},
                               read),
              "")
        << read;
  }
}

// References above 255 read as the characters themselves, with nothing added between them.
TEST_F(ReadersTest, ReferencesBeyondLatin1) {
  for (ConversionMode mode : kModes) {
    std::string cyrillic = ReadBack("cyrillic-references", mode);
    EXPECT_NE(cyrillic.find("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82 world "
                            "\xD0\xBC\xD0\xB8\xD1\x80"),  // "Привет world мир"
              std::string::npos)
        << cyrillic;
    std::string emoji = ReadBack("emoji-reference", mode);
    EXPECT_NE(emoji.find("smile \xF0\x9F\x98\x80 done \xF0\x9F\x98\x80 end"), std::string::npos)
        << emoji;
  }
}

// Pages in a Cyrillic encoding read as Cyrillic letters; Latin-1 pages keep their accents.
TEST_F(ReadersTest, EncodedPagesReadAsTheirLetters) {
  for (const Page& page : pages_) {
    if (page.file.empty()) continue;
    EncodingChoice encoding = ChooseEncoding("Auto-Select", page.html.data(), page.html.size());
    bool hasHighBytes = false;
    for (unsigned char c : page.html) hasHighBytes |= c >= 0xC0;
    if (!hasHighBytes) continue;
    for (ConversionMode mode : kModes) {
      SCOPED_TRACE(page.name);
      std::string read = ReadBack(page.name, mode);
      // UTF-8 lead bytes: 0xD0 and 0xD1 start Cyrillic letters, 0xC3 Latin-1 letters.
      size_t letters = 0;
      for (unsigned char c : read) letters += encoding.cyrillic ? (c == 0xD0 || c == 0xD1) : c == 0xC3;
      EXPECT_GE(letters, 10u) << read;
    }
  }
}

}  // namespace
}  // namespace vellumine
