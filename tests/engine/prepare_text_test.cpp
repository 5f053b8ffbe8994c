// The read transformation (CR LF to LF, 0x1A ends the data) and the preparation pass: which
// blocks go, how their ends are found, and what stays; the fused pass must give the same.
#include <gtest/gtest.h>

#include "translation/prepare_text.h"
#include "translation/read_transform.h"

namespace vellumine {
namespace {

// Read transformation then preparation, checked against the fused pass over the raw bytes.
std::string Prepare(const std::string& raw) {
  std::string read = raw;
  read.resize(ApplyReadTransform(read.data(), read.size()));
  std::vector<char> out(raw.size() + 1, '\x7f'), fused(raw.size() + 1);
  size_t n = PrepareText(read.data(), read.size(), out.data()), readLength = 0;
  EXPECT_LE(n, read.size());
  std::string prepared(out.data(), n);
  n = PrepareRawText(raw.data(), raw.size(), fused.data(), &readLength);
  EXPECT_EQ(readLength, std::min(raw.find('\x1A'), raw.size())) << raw;
  EXPECT_EQ(std::string(fused.data(), n), prepared) << "fused, raw: " << raw;
  return prepared;
}

TEST(ApplyReadTransformTest, Cases) {
  struct Case { std::string raw, read; };
  std::vector<Case> cases = {{"A\r\nB\rC\x1A" "more\r\n", "A\nB\rC"}, {"\r\r\n", "\r\n"},
                             {"\r\n\n\r", "\n\n\r"}, {"x\r", "x\r"},  // a CR at the end stays
                             {"\x1A" "abc", ""}, {"ab\r\x1A\n", "ab\r"},  // 0x1A between CR, LF
                             {std::string("a\0b\r\n", 5), std::string("a\0b\n", 4)}};
  for (size_t k = 0; k < 40; ++k) {  // CR LF and 0x1A at every offset of a scan chunk
    const std::string run(k, 'a');
    cases.push_back({run + "\r\n" + run + "\r\r\n", run + "\n" + run + "\r\n"});
    cases.push_back({run + "\x1A" "b", run});
  }
  for (const Case& c : cases) {
    std::string bytes = c.raw;
    bytes.resize(ApplyReadTransform(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, c.read) << "raw: " << c.raw;
  }
}

TEST(PrepareTextTest, Blocks) {
  struct Case { const char *raw, *prepared; };
  const Case cases[] = {
      {"a<TITLE>T</Title>b", "ab"}, {"<title lang=en>T</title>X", "<title lang=en>T</title>X"},
      {"<title>T</title >X", ""},  // the end needs ">" right after the name
      {"<title>a</title>b</title>c", "b</title>c"},
      {"<SCRIPT>x</script>Y", "Y"}, {"<scripts>x</script>Y", "Y"},  // nothing needed after the name
      {"<ScRiPt>x</ScRiPt>Y", "<ScRiPt>x</ScRiPt>Y"},
      // The byte after the closing name goes with the block, whatever it is.
      {"<script>x</script >Y", ">Y"}, {"<script>x</scriptZY", "Y"},
      {"a<script>unclosed <b>bold</b>", "a"}, {"<option selected>o</option>X", "X"},
      {"<option\tvalue=1>o</option>X", "<option\tvalue=1>o</option>X"},  // a tab is no blank
      {"<select><option>a<option>b</option></select>", "<select></select>"},
      {"<STYLE type=text/css>p{}</Style>X", "X"}, {"<sTyle>p{}</style>X", "<sTyle>p{}</style>X"},
      {"<style>p{}</style X", ""},  // the closing ">" is required
      {"a<%= v %>b<%>c", "abc"}, {"a<% x >y", "a"}, {"a%>b", "a%>b"},
      // Everything else is copied; comments are not special.
      {"<!-- <title> -->", "<!-- "}, {"x < y > z", "x < y > z"}, {"<<title>t</title>>", "<>"},
      {"<title>t</title><style>s</style><script>j</script>!<%x%>Y", "!Y"},
      // Raw bytes: the byte after a script's closing name is a whole CR LF pair; ends
      // split by CR LF or cut by 0x1A.
      {"<script>x</script\r\nY\r\nZ", "Y\nZ"}, {"a<title>\r\n</title>\r\nb<%\r%\r\n>c", "a\nb"},
      {"<option>x</option\r\n>y<%\x1A%>z", ""}, {"x\r\n<scr\x1Aipt>", "x\n<scr"},
  };
  for (const Case& c : cases) EXPECT_EQ(Prepare(c.raw), c.prepared) << "raw: " << c.raw;
}

TEST(PrepareTextTest, PathologicalInputsStayLinear) {
  // Many openings with one far end, and many candidates for an end that never comes.
  std::string percents = "<%", scripts, manyLt(1 << 20, '<');
  for (int i = 0; i < 200000; ++i) percents += "%<x>", scripts += "<script>a</scrip";
  const std::pair<std::string, std::string> cases[] = {
      {percents, ""}, {scripts + "</script>!", "!"}, {manyLt, manyLt}};
  for (const auto& [raw, prepared] : cases) EXPECT_TRUE(Prepare(raw) == prepared) << raw.size();
}

}  // namespace
}  // namespace vellumine
