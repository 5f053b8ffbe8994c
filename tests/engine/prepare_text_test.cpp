// The preparation pass: which blocks go, how their ends are found, and what stays.
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
      {"x<title>", "x"},
      {"<titl>", "<titl>"},
      {"<SCRIPT>x</script>Y", "Y"},
      {"<Script src=a.js></Script>Y", "Y"},
      {"<scripts>x</script>Y", "Y"},  // nothing is required after the name
      {"<ScRiPt>x</ScRiPt>Y", "<ScRiPt>x</ScRiPt>Y"},
      {"<script>a</ScRiPt>b</script>Y", "Y"},
      // The byte after the closing name goes with the block, whatever it is.
      {"<script>x</script >Y", ">Y"},
      {"<script>x</scriptZY", "Y"},
      {"<script>x</script", ""},
      {"<script>if (a < b) document.write('<p>')</script>Z", "Z"},
      {"a<script>unclosed <b>bold</b>", "a"},
      {"<option selected>o</option>X", "X"},
      {"<OPTION>o</Option>X", "X"},
      {"<options>", "<options>"},
      {"<option\tvalue=1>o</option>X", "<option\tvalue=1>o</option>X"},  // a tab is no blank
      {"<option>o</option >X", ""},
      {"<select><option>a<option>b</option></select>", "<select></select>"},
      {"<option", "<option"},
      {"<STYLE type=text/css>p{}</Style>X", "X"},
      {"<Style>p{}</STYLE>X", "X"},
      {"<sTyle>p{}</style>X", "<sTyle>p{}</style>X"},
      {"<style>p{}</sTyle>X", ""},
      {"<style>p{}</style X", ""},  // the closing ">" is required
      {"<stylesheet>X", ""},
      {"a<%= v %>b<%>c", "abc"},
      {"a<% if (x > 1) %>b", "ab"},
      {"a<% x >y", "a"},
      {"<% %%>x", "x"},
      {"a%>b", "a%>b"},
      // Everything else is copied; comments are not special.
      {"", ""},
      {"<", "<"},
      {"<!-- <title> -->", "<!-- "},
      {"x < y > z", "x < y > z"},
      {"<<title>t</title>>", "<>"},
      {"<title>t</title><style>s</style><script>j</script>!<%x%>Y", "!Y"},
      {"1<title>t</title>2<option>o</option>3", "123"},
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
