// The read transformation (CR LF to LF, 0x1A ends the data) and the preparation pass: which
// blocks go, how their ends are found, and what stays, the fused pass giving the same; the
// plain-text translation: line-break forms, white space, tags, references, mapping.
#include "engine_test_util.h"
#include "translation/prepare_text.h"
#include "translation/read_transform.h"

namespace vellumine::testing {

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
    std::string bytes = c.html;
    bytes.resize(ApplyReadTransform(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, c.expected) << "raw: " << c.html;
  }
}

TEST(PrepareTextTest, Blocks) {
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
  for (const Case& c : cases) EXPECT_EQ(Prepare(c.html), c.expected) << "raw: " << c.html;
}

TEST(PrepareTextTest, PathologicalInputsStayLinear) {
  // Many openings with one far end, and many candidates for an end that never comes.
  std::string percents = "<%", scripts, manyLt(1 << 20, '<');
  for (int i = 0; i < 200000; ++i) percents += "%<x>", scripts += "<script>a</scrip";
  const std::pair<std::string, std::string> cases[] = {
      {percents, ""}, {scripts + "</script>!", "!"}, {manyLt, manyLt}};
  for (const auto& [raw, prepared] : cases) EXPECT_TRUE(Prepare(raw) == prepared) << raw.size();
}

TEST(TranslateToTextTest, FormsBlanksTagsAndReferences) {
  ExpectBodies({
      {"<p>one</p><p>two</p>", "\none\n\ntwo\n"}, {"<x>a</H6>b</hr>c</h>>d</h1 >e", "a\nb\nc\nde"},
      {"<x>a<BR>b<Li>c</p>d<P CLASS=a>e<br/>f<br />g<li value=3>h", "a\nb\nc\ndefgh"},
      // Forms follow one another only in the order they are tested within one step.
      {"<x>a</p><p></h2><br><li>b", "a\n\n\n\n\nb"}, {"<x>a<p></p>b", "a\nb"}, {"</h1", ""},
      // "<br>" swallows line feeds and blanks after it, but not tabs.
      {"<x>a<br>\n \n  b<br>\t c<br>  ", "a\nb\nc\n"}, {"<b><br>\nText", "\n"},
      {"ab<p>cd", "\ncd"},  // forms are written even before any text is on
      {"<x> a", " a"}, {"<x>a <p>b", "a \nb"}, {"<x>a<p> <i> b", "a\nb"},
      {"<x>a\r\nb", "a\r b"},  // a carriage return in text is an ordinary byte
      {"plain text without tags", ""}, {"<x>1 > 0", "1 > 0"}, {"<x>a<>b<<y>c", "abc"},
      {"<a href=\"x>y\">link</a>", "y\">link"},
      {"<x>&lt;b&gt; &quot;q&quot; &apos;a&apos;", "<b> \"q\" 'a'"},
      {"<x>&#65;&#x42;&#X43;&#0068;&#x00045;", "ABCDE"},
      {"<x>&#32;&#126;&#127;&#31;", " ~"},  // the visible range only
      // A numeric blank is a visible byte; nbsp is white space.
      {"<x>a&#32; b a&nbsp;b a&#160;b a&#xA0;b a&#xa0;b", "a  b a b a b a b a b"},
      {"<x>a<p>&nbsp;b", "a\nb"}, {"<x>&<b>;c", "c"},  // nothing inside a reference is a tag
      // Everything else within reach of a ";" is removed.
      {"<x>a&AMp;b &Amp;c &nbsp d", "ab c &nbsp d"}, {"<x>&#;&#x;&#1a;&#xg;&#-1;&#x41 ;x", "x"},
      {"<x>&#8364;&#9999999;&copy;y", "\x80\xA9y"},
      // No ";" among the nine bytes after "&": an ordinary byte.
      {"<x>R&D is fun", "R&D is fun"}, {"<x>a&bcdefghi;j", "aj"},
      {"<x>a&bcdefghij;k", "a&bcdefghij;k"},
      // Nothing is written while text is off, but the reference is still consumed.
      {"<a title=&gt;x>y", "y"}, {"&amp;<x>y", "y"},
  }, {ConversionMode::Text});
  EXPECT_EQ(Text("<x>\xC1\xC2 &amp;<p>\xA3", kKoi8), "\xE0\xE1 &\n\xB8");
  EXPECT_EQ(Text("<x>\xB0\xF1", {MapIso88595, true}), "\xC0\xB8");
}

TEST(TranslateToTextTest, PathologicalInputsStayLinear) {
  std::string ampersands(1 << 20, '&'), unclosed, breaks;
  for (int i = 0; i < 100000; ++i) unclosed += "<b", breaks += "<br>";
  // Each "<br>" ends its step on the next one's "<", which turns text off: every second one
  // is a line break.
  const Case cases[] = {{">" + ampersands, ampersands}, {unclosed + ">x", "x"},
                        {breaks, std::string(50000, '\n')}};
  for (const Case& c : cases) EXPECT_TRUE(Text(c.html) == c.expected) << c.html.substr(0, 8);
}

}  // namespace vellumine::testing
