// The encoding step (each encoding asked for, Auto-Select's byte order mark, head scan and
// UTF-8 check), UTF-8 sequences, the Cyrillic mappers against the published code charts, and
// UTF-8 in plain text (UTF-8 pages in RTF: the utf8- pages of data/translation).

#include "engine_test_util.h"
#include "translation/encoding.h"
#include "translation/utf8.h"
#include "translation/windows_code_pages.h"

namespace vellumine::testing {

const EncodingChoice kLatin = {}, kIso5 = {MapIso88595, true};
constexpr vellumine_encoding kAuto = VELLUMINE_ENCODING_AUTO;

// "XX YY" lines, as iconv converts the charts to Windows-1251 (scripts/gen-mapper-fixtures):
// input byte, Windows-1251 byte.
std::map<int, int> ReadChart(const std::string& name) {
  std::map<int, int> chart;
  std::istringstream in(ReadBytes(FixturePath(name)));
  for (std::string from, to; in >> from >> to;)
    chart[std::stoi(from, nullptr, 16)] = std::stoi(to, nullptr, 16);
  return chart;
}

// An encoding asked for ignores the page. (Choices are compared whole: Latin-1 and UTF-8
// differ only in the flag.)
TEST(ChooseEncodingTest, AskedForIgnoresThePage) {
  const std::map<std::string, EncodingChoice> choices = {
      {"windows-1251", kCp1251}, {"koi8-r", kKoi8}, {"iso-8859-1", kLatin}, {"iso-8859-5", kIso5},
      {"utf-8", kUtf8}};
  for (const Row& r : Rows("asked-encodings.tsv", 2)) {
    const vellumine_encoding asked = vellumine_encoding(EncodingNamed(r.fields[0]));
    EXPECT_EQ(ChooseEncoding(asked, r.fields[1].data(), r.fields[1].size()),
              choices.at(r.fields[0])) << r.where;
  }
}

// Auto-Select on the pages of data/encoding, each named <case>.<encoding>.html by the encoding
// it must choose: a byte order mark; the head's declarations, the last found winning; no
// declaration outside the head or in a head tag with attributes; UTF-8 for undeclared pages
// of well-formed UTF-8 beyond ASCII (the UTF-8 check's own tests: FastPathModel).
TEST(ChooseEncodingTest, AutoSelectOfThePages) {
  int pages = 0;
  for (const auto& entry : std::filesystem::directory_iterator(FixturePath("encoding"))) {
    if (entry.path().extension() != ".html") continue;
    const std::string name = entry.path().stem().string(), page = ReadBytes(entry.path().string());
    const int expected = EncodingNamed(name.substr(name.find('.') + 1));
    ASSERT_GE(expected, 0) << name;
    EXPECT_EQ(ChooseEncoding(kAuto, page.data(), page.size()),
              ChooseEncoding(vellumine_encoding(expected), "", 0)) << name;
    ++pages;
  }
  EXPECT_GT(pages, 20);
}

// A declaration cut off by n matches only what fits; bytes past n are never read.
TEST(ChooseEncodingTest, BytesPastTheLengthNeverRead) {
  const std::string text = "<head><meta charset=koi8-r>";
  EXPECT_EQ(ChooseEncoding(kAuto, text.data(), text.size() - 4), kLatin);
  EXPECT_EQ(ChooseEncoding(kAuto, text.data(), text.size() - 3), kKoi8);
}

TEST(Utf8Test, SequencesDecodedAndEncoded) {
  for (const Row& r : Rows("utf8-sequences.tsv", 3)) {
    uint32_t cp = 0;
    const std::string& bytes = r.fields[0];
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t length = std::stoul(r.fields[1]);
    EXPECT_EQ(DecodeUtf8Sequence(s, bytes.size(), cp), length) << r.where;
    if (length == 0) continue;
    char back[4];
    EXPECT_EQ(cp, std::stoul(r.fields[2], nullptr, 16)) << r.where;
    EXPECT_EQ(std::string(back, EncodeUtf8(cp, back)), bytes) << r.where;
  }
}

TEST(CodeChartsTest, CyrillicSetsFollowTheirCharts) {
  std::map<int, int> koi8 = ReadChart("koi8r-to-cp1251.txt"),
                     iso5 = ReadChart("iso88595-to-cp1251.txt");
  ASSERT_EQ(koi8.size() * 1000 + iso5.size(), 198224u) << "fixture missing or damaged";
  // KOI8-R letters (and ASCII) follow the chart; of the other high bytes, five look-alikes
  // are recoded and the rest pass unchanged. ISO-8859-5 follows it from 0xA1.
  const std::map<int, int> recoded = {{0x80, 0x97}, {0x81, 0xA6}, {0x98, 0xBA}, {0x99, 0xAA},
                                      {0xBF, 0xB9}};
  for (int b = 0; b < 256; ++b) {
    const bool letter = b < 0x80 || b >= 0xC0 || b == 0xA3 || b == 0xB3;
    auto it = recoded.find(b);
    EXPECT_EQ(MapKoi8r(static_cast<unsigned char>(b)),
              letter ? koi8.at(b) : it == recoded.end() ? b : it->second) << std::hex << b;
    EXPECT_EQ(MapIso88595(static_cast<unsigned char>(b)), b < 0xA1 ? b : iso5.at(b))
        << std::hex << b;
  }
  // windows-1251's high half follows its chart; 0x98, which it leaves out, is no character.
  const std::map<int, int> cp1251 = ReadChart("cp1251-to-unicode.txt");
  ASSERT_EQ(cp1251.size(), 127u) << "fixture missing or damaged";
  for (int b = 0x80; b < 256; ++b) {
    auto it = cp1251.find(b);
    EXPECT_EQ(Windows1251CodePoint(static_cast<unsigned char>(b)),
              it == cp1251.end() ? 0u : static_cast<uint32_t>(it->second)) << std::hex << b;
  }
}

// A long run of stray bytes (each a character of up to three bytes) fits the plain-text body,
// and is valid UTF-8 there.
TEST(Utf8Test, StrayBytesFitThePlainTextBody) {
  const std::string text = Text("<x>" + std::string(5000, '\x80'), kUtf8);
  EXPECT_EQ(text.size(), 15000u);
  EXPECT_TRUE(IsWellFormedUtf8(text.data(), text.size()));
}

// The text after the first 0x1A is not read, so it cannot spoil the UTF-8 check.
TEST(Utf8Test, TextAfter0x1ANeverRead) {
  const vellumine_options classic = OptionsFor(ConversionMode::Text, VELLUMINE_READING_CLASSIC);
  EXPECT_EQ(ConvertInMemory("<p>\xD0\x96\x1A\xFF", classic).out, "\r\n\xD0\x96");
  EXPECT_EQ(ConvertInMemory("<p>\xD0\x96\x1A\xFF", OptionsFor(ConversionMode::Text)).out,
            "\xD0\x96\r\n");
}

}  // namespace vellumine::testing
