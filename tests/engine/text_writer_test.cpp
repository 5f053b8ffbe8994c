// The plain-text translation: line-break forms, white space, tags, references, mapping.
#include "engine_test_util.h"

namespace vellumine::testing {
namespace {

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

}  // namespace
}  // namespace vellumine::testing
