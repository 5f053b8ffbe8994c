// The read transformation (CR LF to LF, 0x1A ends the data) and the preparation pass: which
// blocks go, how their ends are found, and what stays; and the two fused in one pass.
#include "prepare_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "read_transform.h"

namespace vellumine {
namespace {

std::string Prepare(const std::string& raw) {
  std::vector<char> out(raw.size() + 1, '\x7f');
  size_t n = PrepareText(raw.data(), raw.size(), out.data());
  EXPECT_LE(n, raw.size());
  return std::string(out.data(), n);
}

TEST(ApplyReadTransformTest, Cases) {
  struct Case {
    std::string raw;
    std::string read;
  };
  std::string longRaw, longRead;  // many lines, some runs longer than a scan chunk
  for (int i = 0; i < 10000; ++i) {
    std::string line(static_cast<size_t>(i % 97), static_cast<char>('a' + i % 26));
    longRaw += line + (i % 3 == 0 ? "\r" : "") + "\r\n";
    longRead += line + (i % 3 == 0 ? "\r" : "") + "\n";
  }
  const Case cases[] = {
      {"A\r\nB\rC\x1A" "more\r\n", "A\nB\rC"},
      {"\r\r\n", "\r\n"},
      {"\r\n\n\r", "\n\n\r"},
      {"x\r", "x\r"},  // a CR at the very end stays
      {"\x1A" "abc", ""},
      {"ab\r\x1A\n", "ab\r"},  // 0x1A ends the data between CR and LF
      {std::string("a\0b\r\n", 5), std::string("a\0b\n", 4)},
      {longRaw, longRead},
  };
  for (const Case& c : cases) {
    std::string bytes = c.raw;
    bytes.resize(ApplyReadTransform(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, c.read) << "raw: " << c.raw.substr(0, 40);
  }
}

TEST(PrepareTextTest, Blocks) {
  struct Case {
    const char* raw;
    const char* prepared;
  };
  const Case cases[] = {
      {"a<TITLE>T</Title>b", "ab"},
      {"<title lang=en>T</title>X", "<title lang=en>T</title>X"},
      {"<title>T</title >X", ""},  // the end needs ">" right after the name
      {"<title>a</title>b</title>c", "b</title>c"},
      {"<titl>", "<titl>"},
      {"<SCRIPT>x</script>Y", "Y"},
      {"<scripts>x</script>Y", "Y"},  // nothing is required after the name
      {"<ScRiPt>x</ScRiPt>Y", "<ScRiPt>x</ScRiPt>Y"},
      {"<script>a</ScRiPt>b</script>Y", "Y"},
      // The byte after the closing name goes with the block, whatever it is.
      {"<script>x</script >Y", ">Y"},
      {"<script>x</scriptZY", "Y"},
      {"a<script>unclosed <b>bold</b>", "a"},
      {"<option selected>o</option>X", "X"},
      {"<options>", "<options>"},
      {"<option\tvalue=1>o</option>X", "<option\tvalue=1>o</option>X"},  // a tab is no blank
      {"<option>o</option >X", ""},
      {"<select><option>a<option>b</option></select>", "<select></select>"},
      {"<option", "<option"},
      {"<STYLE type=text/css>p{}</Style>X", "X"},
      {"<sTyle>p{}</style>X", "<sTyle>p{}</style>X"},
      {"<style>p{}</sTyle>X", ""},
      {"<style>p{}</style X", ""},  // the closing ">" is required
      {"<stylesheet>X", ""},
      {"a<%= v %>b<%>c", "abc"},
      {"a<% x >y", "a"},
      {"<% %%>x", "x"},
      {"a%>b", "a%>b"},
      // Everything else is copied; comments are not special.
      {"<", "<"},
      {"<!-- <title> -->", "<!-- "},
      {"x < y > z", "x < y > z"},
      {"<<title>t</title>>", "<>"},
      {"<title>t</title><style>s</style><script>j</script>!<%x%>Y", "!Y"},
  };
  for (const Case& c : cases) EXPECT_EQ(Prepare(c.raw), c.prepared) << "raw: " << c.raw;
}

TEST(PrepareTextTest, PathologicalInputsStayLinear) {
  // Many openings with one far end, and many candidates for an end that never comes.
  std::string manyPercents, manyScripts;
  for (int i = 0; i < 200000; ++i) {
    manyPercents += "%<x>";
    manyScripts += "<script>a</scrip";
  }
  EXPECT_EQ(Prepare("<%" + manyPercents), "");
  EXPECT_EQ(Prepare(manyScripts + "</script>!"), "!");
  std::string manyLt(1 << 20, '<');
  EXPECT_EQ(Prepare(manyLt), manyLt);
}

// The fused pass over raw bytes gives what the read transformation then the preparation do.
TEST(PrepareRawTextTest, SameAsTheReadTransformationThenPreparation) {
  const std::vector<std::string> pieces = {
      "\r\n", "\r", "\n", "x", "text ", "<b>", "<", ">", "%", "%>", "<%", "<title>",
      "</title>", "<TITLE>", "<script", "</script", "</Script>", "<style>", "</style>",
      "<option", "<option>", "<option ", "</option>", "<t", "<s", "<o", "</", "\r\n\r\n",
      "a long run of text between the tags, longer than a chunk", "\x1A"};
  std::mt19937 random(7);
  for (int round = 0; round < 20000; ++round) {
    std::string raw;
    for (size_t i = 0, count = random() % 40; i < count; ++i) {
      const std::string& piece = pieces[random() % pieces.size()];
      if (piece != "\x1A" || random() % 4 == 0) raw += piece;  // an end now and then
    }
    std::string read = raw;
    read.resize(ApplyReadTransform(read.data(), read.size()));
    std::vector<char> fused(raw.size() + 1);
    size_t readLength = 0;
    size_t n = PrepareRawText(raw.data(), raw.size(), fused.data(), &readLength);
    ASSERT_EQ(readLength, std::min(raw.find('\x1A'), raw.size())) << "raw: " << raw;
    ASSERT_EQ(std::string(fused.data(), n), Prepare(read)) << "raw: " << raw;
  }
  // The byte after a script's closing name is a whole CR LF pair.
  std::vector<char> out(64);
  std::string raw = "<script>x</script\r\nY\r\nZ";
  EXPECT_EQ(std::string(out.data(), PrepareRawText(raw.data(), raw.size(), out.data())),
            "Y\nZ");
}

}  // namespace
}  // namespace vellumine
