// RTF without tables: snippets, header and trailer, tag forms, text rules, groups, progress.
#include "translation/rtf_writer.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "translation/output_stream.h"
#include "rtf_test_util.h"

namespace vellumine {
namespace {

using namespace vellumine::testing;

// Subscripts move by half the size, rounded toward zero; sizes are held to what readers take.
TEST(RtfTemplatesTest, SizesAndShifts) {
  // The heading's size is 2S, the shift S/2.
  const struct { int given, size; const char *fs, *shift; } cases[] = {
      {9, 9, "18", "4"}, {-7, -7, "-14", "-3"}, {0, 0, "0", "0"},
      {-99999, -1638, "-3276", "-819"}, {INT_MAX, 1638, "3276", "819"},
      {1638, 1638, "3276", "819"}, {1639, 1638, "3276", "819"}, {-1637, -1637, "-3274", "-818"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.given);
    RtfTemplates t;
    FormatRtfTemplates(t, c.given, false);
    EXPECT_EQ(t.fontSize, c.size);
    EXPECT_EQ(t.subscriptOpen.view(), std::string("{\\dn") + c.shift + " ");
    EXPECT_EQ(t.superscriptOpen.view(), std::string("{\\up") + c.shift + " ");
    EXPECT_EQ(t.headingOpen.view(), std::string("\n{\\par\\b\\fs") + c.fs + " ");
  }
}

TEST(RtfHeaderTest, LatinAndCyrillic) {
  auto header = [](const char* font, int size, bool cyrillic) {
    RtfTemplates t;
    FormatRtfTemplates(t, size, false);
    MemoryOutputStream out;
    WriteRtfHeader(out, font, t, cyrillic);
    return out.str();
  };
  EXPECT_EQ(header("Arial", 12, false),
            "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033\\deflangfe1033\\fs24{\\fonttbl{\\f0"
            "\\fswiss\\fprq2\\fcharset0 Arial;}{\\f1\\fswiss\\fprq2\\fcharset0{\\*\\fname Arial;}"
            "Arial CE;}\n{\\f23\\froman\\fcharset0\\fprq2{\\*\\panose 02020603050405020304}Arial;"
            "}}\n\\pard\\plain \\sb120\\qj\\fs24\\lang1033\n");
  EXPECT_EQ(header("Times New Roman", 10, true),
            "{\\rtf1\\ansi\\ansicpg1251\\deffn\\deflang1033\\fs20{\\fonttbl{\\f0\\fnil\\fprq2"
            "\\fcharset204 Times New Roman;}{\\f1\\fnil\\fcharset204{\\*\\fname Times New Roman;}"
            "Times New Roman Cyr;}\n{\\f23\\froman\\fcharset0\\fprq2{\\*\\panose "
            "02020603050405020304}Times New Roman;}}\n\\pard\\plain \\sb120\\qj\\fs20\\lang1033\n");
  // A font name cannot close the font table or start a control word: those bytes are left
  // out, wherever they stand, and the rest of the name is kept.
  for (auto [font, kept] : {std::pair{"Arial;}}}}{\\par injected", "Arialpar injected"},
                            {"}", ""}, {"\tTimes\r\n New\x1F Roman\\", "Times New Roman"},
                            {"Caf\xE9 Sans", "Caf\xE9 Sans"}}) {
    EXPECT_EQ(header(font, 12, true), header(kept, 12, true)) << font;
    EXPECT_EQ(header(font, 12, false), header(kept, 12, false)) << font;
  }
}

// Eight braces at least; one more than the groups the body left open beyond that.
TEST(RtfTrailerTest, ClosesEveryOpenGroup) {
  const struct { int open; size_t braces; } cases[] = {{0, 8}, {7, 8}, {8, 9}, {100, 101}};
  for (const auto& c : cases) {
    MemoryOutputStream out;
    WriteRtfTrailer(out, c.open);
    EXPECT_EQ(out.str(), "\\par" + std::string(c.braces, '}')) << c.open;
  }
}

TEST(RtfWriterTest, WorkedExample) {
  EXPECT_EQ(Body("<html><body><h1>Title</h1>\n<p>Hello &amp; welcome</p>\n"
                 "<ul><li>One<li>Two</ul></body></html>"),
            "\n{\\par\\b\\fs24 Title\\par}Hello & welcome" + kBreak + kBullet + "One" + kBreak +
                kBullet + "Two");
}

// Each form with its neighbours: prefixes told apart by the byte after the name, open forms
// with attributes, letter case, and look-alikes that are dropped as unknown tags.
TEST(RtfWriterTest, TagForms) {
  ExpectBodies({
      {"<P class=x>a", kBreak + "a"},   {"<p\tclass=x>a", "a"},  {"<pre >a", "a"},
      {"<param>a", "a"},                {"</p>a", kBreak + "a"}, {"</p >a", "a"},
      {"<Br>a", kBreak + "a"},          {"<br />a", kBreak + "a"}, {"<br/>a", "a"},
      {"<B class=k>x</B>", "{\\b x}"},  {"<blockquote>x", "x"},  {"<body>x", "x"},
      {"<StRoNg>x</sTrOnG>", "{\\b x}"}, {"<strong class=k>x</strong>", "x"},
      {"<H9 align=center>T</H2>", kHeading + "T\\par}"},
      {"<hr>T", "T"},                   {"<h1x>T", "T"},
      {"<SUB class=k>2</SUB>", "{\\dn6 2}"}, {"<sup>2</sup>", "{\\up6 2}"},
      {"<DIV>a</div>b", kBreak + "a" + kBreak + "b"}, {"<dd>a<dt>b", kBreak + "a" + kBreak + "b"},
      {"<CENTER align=x>T", "\\qc T"},  {"<centre>T", "T"},
      {"<UL type=disc>a</ul>b", "ab"},  {"<ol>a</ol>b", "ab"},
      // Tags that end the text, and tags cut off by its end.
      {"<i>a<li>", "a" + kBreak + kBullet}, {"<i>a<p", "a"}, {"<i>a<", "a"},
      {"<i>a</h", "a"},                 {"<i>a<p ", "a" + kBreak},
  });
}

// A form whose condition fails is not tried; the byte falls through to later rows and the
// text rules, which drop it.
TEST(RtfWriterTest, ConditionsThatSkipAForm) {
  ExpectBodies({
      {"<p>one<p><p>two", kBreak + "one" + kBreak + "two"},
      {"<p>a</p>\n <br><div></div><dd><dt><p>b", kBreak + "a" + kBreak + "b"},
      {"<h1>T</h1><p>x", kHeading + "T\\par}x"},     {"<i>x</strong>y", "xy"},
      {"<strong>x</strong></strong>y", "{\\b x}y"},  {"<i>x</b>y", "xy"},
      {"<center>Title</center>", "\\qc Title"},
      {"<center>&amp; </center>", "\\qc & \\qj "},  // references and blanks are no text
      {"<center>a</center><center></center>", "\\qc a\\qc \\qj "},
  });
}

TEST(RtfWriterTest, TextRules) {
  ExpectBodies({
      // Text before the first tag is not written; a reference ends the pending break.
      {"abc<p>x", kBreak + "x"}, {"&amp;<p>x", kBreak + "x"}, {"<p> a", kBreak + "a"},
      {"<p>&amp;<p>x", kBreak + "&" + kBreak + "x"}, {"<b> a", "{\\b a"},
      {"<p>x < y</p>z", kBreak + "x " + kBreak + "z"},
      {"<i><!-- a > b -->", " b -->"},           {"<p>a\r\nb", kBreak + "a\r b"},
      {"<p>&x<b>y z", kBreak + "x<b>yz"},  // the blank ends the reference
      {"<i>{", "\\{"},  // a brace resumes text after ">"
      {"<p>a<p class=x b c", kBreak + "a" + kBreak},  // a tag without ">" takes the rest
      // Lists: bullets inside a numbered list, the numbering going on after them; "</ol>"
      // ends numbering but only the next "<ol" starts it again at 1.
      {"<ol><li>a<ul><li>b</ul><li>c</ol><li>d<ol start=5><li>e",
       kBreak + kNumbered + "1. a" + kBreak + kBullet + "b" + kBreak + kNumbered + "2. c" +
           kBreak + kBullet + "d" + kBreak + kNumbered + "1. e"},
      // Preformatted blocks: white space, tags and high bytes copied; references replaced only
      // while text is on; the pending break left as it was.
      {"<pre>a  b\n<b>{x}\\\xE9</PRE>c", "a  b\\par\n<b>\\{x\\}\\\\\xE9" "c"},
      {"<pre>x</pre >y", "x</pre >y"},  {"<pre>&amp;</pre>", "&amp;"},
      {"<p>t<pre>&amp;</pre>", kBreak + "t&"},   {"<p><pre>x</pre><p>y", kBreak + "xy"},
  });
  std::string html = "<ol>";
  for (int i = 1; i <= 12; ++i) html += "<li>x";
  EXPECT_TRUE(Body(html).ends_with(kNumbered + "12. x"));
}

// Text is copied in chunks: a special byte is found at every offset of a chunk.
TEST(RtfWriterTest, SpecialBytesAtEveryOffset) {
  const BodyCase specials[] = {{" \t\n", " "}, {"{", "\\{"}, {"\\", "\\\\"}, {"\xA0", "\\'a0"},
                               {"<b>", "{\\b "}, {"&amp;", "&"}, {"\r", "\r"}, {"\x9F", "\x9F"}};
  for (size_t k = 0; k < 40; ++k) {
    const std::string run(k, 'a'), other(k + 1, 'b');
    for (const BodyCase& s : specials)
      EXPECT_EQ(Body("<i>" + run + s.html + other), run + s.expected + other) << k << s.html;
  }
}

TEST(RtfWriterTest, CyrillicAndMappedBytes) {
  EXPECT_EQ(TranslateRtf("<p>caf\xE9 &eacute;", {.cyrillic = true}).text,
            kBreak + "caf\xE9 \\f99\\'e9");
  // High bytes go through the mapper, in runs and alone (KOI8-R a, be, yo; YO).
  EXPECT_EQ(TranslateRtf("<p>\xC1\xC2\xA3<b>\xB3", {.cyrillic = true, .mapper = MapKoi8r}).text,
            kBreak + "\xE0\xE1\xB8{\\b \xA8");
}

// Closing braces are written only for groups the body opened.
TEST(RtfWriterTest, GroupBalance) {
  const struct { std::string html, expected; int open; } cases[] = {
      {"</sub>a</sup>b", "ab", 0},
      {"</h3>a", "\\par a", 0},
      {"<b><b>x</b></b>", "{\\b {\\b x}", 1},
      {"<b>x</sub></b>y", "{\\b x}y", 0},
      {"<strong>x</b></strong>", "{\\b x}", 0},
      {"<sub><sup>x</sup></sub></sub>y", "{\\dn6 {\\up6 x}}y", 0},
      {"<h2>a<b>b<sub>c", kHeading + "a{\\b b{\\dn6 c", 3},
  };
  for (const auto& c : cases) {
    RtfBody body = TranslateRtf(c.html);
    EXPECT_EQ(body.text, c.expected) << c.html;
    EXPECT_EQ(body.openGroups, c.open) << c.html;
  }
}

// The body is the same whatever room the buffer starts with.
TEST(RtfWriterTest, BodyOutgrowsTheJobBuffer) {
  std::string paragraphs, cells = "<table><tr>";
  for (int i = 0; i < 5000; ++i) paragraphs += "<p>x";
  for (int i = 0; i < 5000; ++i) cells += "<td>";
  for (auto [html, tables] : {std::pair{paragraphs, false}, std::pair{cells, true}}) {
    std::string expected = TranslateRtf(html, {.tables = tables, .capacity = 100 * html.size()}).text;
    EXPECT_GT(expected.size(), 4 * html.size() + 1000);
    for (size_t capacity : {0, 1})  // 0: as the job sizes it
      EXPECT_EQ(TranslateRtf(html, {.tables = tables, .capacity = capacity}).text, expected);
  }
}

// Every step reports its tick, also steps inside runs of text, white space and dropped
// bytes; a tick that a tag jumps over stops the reports for good.
TEST(RtfWriterTest, ProgressTicks) {
  std::string words = "<p>";
  while (words.size() < 6000) words += "word  \n\t<i>more</i> {x}> caf\xE9 ";
  for (bool tables : {false, true}) {
    auto shown = [tables](const std::string& html) {
      return TranslateRtf(html, {.tables = tables, .ticks = true}).ticksShown;
    };
    EXPECT_EQ(shown(std::string(6000, 'a')), 50);  // nothing written yet
    EXPECT_EQ(shown("<i" + std::string(6000, ' ') + ">"), 50);  // unknown tag
    EXPECT_EQ(shown(words), 50);
    EXPECT_EQ(shown("<p" + std::string(6000, ' ') + ">"), 0);  // jumped over
  }
}

}  // namespace
}  // namespace vellumine
