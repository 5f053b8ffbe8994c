// RTF: sizes, header, tag forms, text rules, groups, the body buffer, progress, and tables
// (cell count, row geometry, cells, row ends, in-table snippets).
#include <climits>

#include "engine_test_util.h"
#include "translation/rtf_tables.h"

namespace vellumine::testing {

// Subscripts move by half the size, rounded toward zero; sizes are held to what readers take.
TEST(RtfTemplatesTest, SizesAndShifts) {
  // The heading's size is 2S, the shift S/2.
  const struct { int given, size; const char *fs, *shift; } cases[] = {
      {9, 9, "18", "4"}, {-7, -7, "-14", "-3"}, {-99999, -1638, "-3276", "-819"},
      {INT_MAX, 1638, "3276", "819"}, {1639, 1638, "3276", "819"}, {-1637, -1637, "-3274", "-818"}};
  for (const auto& c : cases) {
    RtfTemplates t;
    FormatRtfTemplates(t, c.given, false);
    EXPECT_EQ(t.fontSize, c.size) << c.given;
    EXPECT_EQ(std::string(t.subscriptOpen.view()) + std::string(t.superscriptOpen.view()) +
                  std::string(t.headingOpen.view()),
              std::string("{\\dn") + c.shift + " {\\up" + c.shift + " \n{\\par\\b\\fs" + c.fs +
                  " ");
  }
}

// The example pages' outputs pin the header's bytes; here what the font and the character
// set change in it.
TEST(RtfHeaderTest, FontAndCharacterSet) {
  auto header = [](const char* font, bool cyrillic) {
    RtfTemplates t;
    FormatRtfTemplates(t, 12, false);
    MemoryOutputStream out;
    WriteRtfHeader(out, font, t, cyrillic);
    return out.str();
  };
  const std::string latin = header("Georgia", false), cyrillic = header("Georgia", true);
  for (const char* part : {"\\ansicpg1252", "\\fcharset0 Georgia;", "}Georgia CE;", "\\fs24"})
    EXPECT_NE(latin.find(part), std::string::npos) << part;
  for (const char* part : {"\\ansicpg1251", "\\fcharset204 Georgia;", " Cyr;}", "\\fs24"})
    EXPECT_NE(cyrillic.find(part), std::string::npos) << part;
  for (auto [text, part] : {std::pair{latin, "1251"}, {latin, "Cyr;"}, {cyrillic, "1252"}})
    EXPECT_EQ(text.find(part), std::string::npos) << part;
  // A font name cannot close the font table or start a control word: those bytes are left
  // out, wherever they stand, and the rest of the name is kept.
  for (auto [font, kept] : {std::pair{"Arial;}}}}{\\par injected", "Arialpar injected"},
                            {"}", ""}, {"\tTimes\r\n New\x1F Roman\\", "Times New Roman"},
                            {"Caf\xE9 Sans", "Caf\xE9 Sans"}}) {
    EXPECT_EQ(header(font, true), header(kept, true)) << font;
    EXPECT_EQ(header(font, false), header(kept, false)) << font;
  }
}

// Each form with its neighbours: prefixes told apart by the byte after the name, open forms
// with attributes, letter case, look-alikes dropped as unknown tags; conditions that skip a
// form (the byte falls through to later rows and the text rules, which drop it); the text
// rules.
TEST(RtfWriterTest, TagFormsAndTextRules) {
  ExpectBodies({
      {"<P class=x>a", kBreak + "a"}, {"<p\tclass=x>a", "a"}, {"<pre >a", "a"}, {"<param>a", "a"},
      {"</p>a", kBreak + "a"}, {"</p >a", "a"}, {"<Br>a", kBreak + "a"}, {"<br />a", kBreak + "a"},
      {"<br/>a", "a"}, {"<B class=k>x</B>", "{\\b x}"}, {"<blockquote>x", "x"}, {"<body>x", "x"},
      {"<StRoNg>x</sTrOnG>", "{\\b x}"}, {"<strong class=k>x</strong>", "x"},
      {"<H9 align=center>T</H2>", kHeading + "T\\par}"}, {"<hr>T", "T"}, {"<h1x>T", "T"},
      {"<SUB class=k>2</SUB>", "{\\dn6 2}"}, {"<sup>2</sup>", "{\\up6 2}"},
      {"<DIV>a</div>b", kBreak + "a" + kBreak + "b"}, {"<dd>a<dt>b", kBreak + "a" + kBreak + "b"},
      {"<CENTER align=x>T", "\\qc T"}, {"<centre>T", "T"}, {"<UL type=disc>a</ul>b", "ab"},
      {"<ol>a</ol>b", "ab"},
      // Tags that end the text, and tags cut off by its end.
      {"<i>a<li>", "a" + kBreak + kBullet}, {"<i>a<p", "a"}, {"<i>a<", "a"}, {"<i>a</h", "a"},
      {"<i>a<p ", "a" + kBreak},
      // Conditions that skip a form.
      {"<p>one<p><p>two", kBreak + "one" + kBreak + "two"},
      {"<p>a</p>\n <br><div></div><dd><dt><p>b", kBreak + "a" + kBreak + "b"},
      {"<h1>T</h1><p>x", kHeading + "T\\par}x"}, {"<i>x</strong>y", "xy"},
      {"<strong>x</strong></strong>y", "{\\b x}y"}, {"<i>x</b>y", "xy"},
      {"<center>Title</center>", "\\qc Title"},
      {"<center>&amp; </center>", "\\qc & \\qj "},  // references and blanks are no text
      {"<center>a</center><center></center>", "\\qc a\\qc \\qj "},
      // Text before the first tag is not written; a reference ends the pending break.
      {"abc<p>x", kBreak + "x"}, {"&amp;<p>x", kBreak + "x"}, {"<p> a", kBreak + "a"},
      {"<p>&amp;<p>x", kBreak + "&" + kBreak + "x"}, {"<b> a", "{\\b a"},
      {"<p>x < y</p>z", kBreak + "x " + kBreak + "z"}, {"<i><!-- a > b -->", " b -->"},
      {"<p>a\r\nb", kBreak + "a\r b"}, {"<p>&x<b>y z", kBreak + "x<b>yz"},  // a blank ends it
      {"<i>{", "\\{"},                                 // a brace resumes text after ">"
      {"<p>a<p class=x b c", kBreak + "a" + kBreak},  // a tag without ">" takes the rest
      // Lists: bullets inside a numbered list, the numbering going on after them; "</ol>"
      // ends numbering but only the next "<ol" starts it again at 1.
      {"<ol><li>a<ul><li>b</ul><li>c</ol><li>d<ol start=5><li>e",
       kBreak + kNumbered + "1. a" + kBreak + kBullet + "b" + kBreak + kNumbered + "2. c" +
           kBreak + kBullet + "d" + kBreak + kNumbered + "1. e"},
      // Preformatted blocks: white space, tags and high bytes copied; references replaced only
      // while text is on; the pending break left as it was.
      {"<pre>a  b\n<b>{x}\\\xE9</PRE>c", "a  b\\par\n<b>\\{x\\}\\\\\xE9" "c"},
      {"<pre>x</pre >y", "x</pre >y"}, {"<pre>&amp;</pre>", "&amp;"},
      {"<p>t<pre>&amp;</pre>", kBreak + "t&"}, {"<p><pre>x</pre><p>y", kBreak + "xy"},
  });
  std::string html = "<ol>";
  for (int i = 1; i <= 12; ++i) html += "<li>x";
  EXPECT_TRUE(Body(html).ends_with(kNumbered + "12. x"));
  EXPECT_EQ(Translate("<p>caf\xE9 &eacute;", {.encoding = kCp1251}).text,
            kBreak + "caf\xE9 \\f99\\'e9");
  // High bytes go through the mapper, in runs and alone (KOI8-R a, be, yo; YO).
  EXPECT_EQ(Translate("<p>\xC1\xC2\xA3<b>\xB3", {.encoding = kKoi8}).text,
            kBreak + "\xE0\xE1\xB8{\\b \xA8");
}

// Closing braces are written only for groups the body opened.
TEST(RtfWriterTest, GroupBalance) {
  const struct { std::string html, expected; int open; } cases[] = {
      {"</sub>a</sup>b", "ab", 0}, {"</h3>a", "\\par a", 0}, {"<b><b>x</b></b>", "{\\b {\\b x}", 1},
      {"<b>x</sub></b>y", "{\\b x}y", 0}, {"<strong>x</b></strong>", "{\\b x}", 0},
      {"<sub><sup>x</sup></sub></sub>y", "{\\dn6 {\\up6 x}}y", 0},
      {"<h2>a<b>b<sub>c", kHeading + "a{\\b b{\\dn6 c", 3}};
  for (const auto& c : cases) {
    Translated body = Translate(c.html);
    EXPECT_EQ(body.text, c.expected) << c.html;
    EXPECT_EQ(body.openGroups, c.open) << c.html;
  }
}

// The body is the same whatever room the buffer starts with.
TEST(RtfWriterTest, BodyOutgrowsTheJobBuffer) {
  std::string paragraphs, cells = "<table><tr>";
  for (int i = 0; i < 5000; ++i) paragraphs += "<p>x", cells += "<td>";
  for (auto [html, mode] : {std::pair{paragraphs, ConversionMode::Rtf},
                            std::pair{cells, ConversionMode::RtfTables}}) {
    std::string expected = Translate(html, {.mode = mode, .capacity = 100 * html.size()}).text;
    EXPECT_GT(expected.size(), 4 * html.size() + 1000);
    for (size_t capacity : {0, 1})  // 0: as the job sizes it
      EXPECT_EQ(Translate(html, {.mode = mode, .capacity = capacity}).text, expected);
  }
}

// Every step reports its tick, also steps inside runs of text, white space, dropped bytes
// and the bytes of a character; a tick that a tag jumps over stops the reports for good.
TEST(RtfWriterTest, ProgressTicks) {
  std::string words = "<p>";
  while (words.size() < 6000)
    words += "word  \n\t<i>more</i> {x}> caf\xE9 \xD0\x96\xE6\x97\xA5\xF0\x9F\x98\x80\xE6\x97\xA5 ";
  for (ConversionMode mode : kModes) {
    for (EncodingChoice encoding : {EncodingChoice{}, kUtf8}) {
      auto shown = [&](const std::string& html) {
        return Translate(html, {mode, encoding}).ticksPassed;
      };
      EXPECT_EQ(shown(words), 50);
      if (mode == ConversionMode::Text) continue;
      EXPECT_EQ(shown(std::string(6000, 'a')), 50);                // nothing written yet
      EXPECT_EQ(shown("<i" + std::string(6000, ' ') + ">"), 50);  // unknown tag
      EXPECT_EQ(shown("<p" + std::string(6000, ' ') + ">"), 0);   // jumped over
    }
  }
}

const std::string kRow = "\n\\trowd \\trgaph70 ";
const std::string kOne = kRow + "\n\\cellx9500";  // a row of one cell
const std::string kCell = "\n\\pard \\intbl ";
const std::string kRowEnd = "\\pard \\intbl \\row \\pard\n";

TEST(RtfTablesTest, CountRowCells) {
  // The text from the row start tag's ">"; "</table>", comments and blocks do not stop the
  // count.
  const struct { std::string html; size_t cells; } cases[] = {
      {"><td>a<td>b</tr><td>", 2}, {"><TD>a<Th class=h>b<tH>", 3}, {"><td>a<TR class=x><td>", 1},
      {"><td>a<TABLE border=1><td>", 1}, {"><td>a</table><td>", 2}, {"><td>a<trx><tablex><td>", 2},
      {"><td\n>a<td\t>b<thead><tbody><td", 0}, {"><!-- <td> --><pre><td></pre>", 2}, {">", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(CountRowCells(c.html.data(), c.html.size(), 0), c.cells) << c.html;
}

// Boundaries at 9500 k / n twips, rounded down; the last is always 9500.
TEST(RtfTablesTest, RowGeometry) {
  std::string seven = "<tr>", wide = "<tr>";
  for (int i = 0; i < 7; ++i) seven += "<td>";
  for (int i = 0; i < 997; ++i) wide += "<td>";
  EXPECT_EQ(Body(seven, ConversionMode::RtfTables).substr(0, kRow.size() + 77),
            kRow + "\n\\cellx1357\n\\cellx2714\n\\cellx4071\n\\cellx5428\n\\cellx6785\n\\cellx8142"
                   "\n\\cellx9500");
  std::string body = Body(wide, ConversionMode::RtfTables);
  EXPECT_NE(body.find("\n\\cellx9\n\\cellx19\n\\cellx28\n"), std::string::npos);
  EXPECT_NE(body.find("\n\\cellx9490\n\\cellx9500\n\\pard"), std::string::npos);
}

TEST(RtfTablesTest, RowsCellsAndTheirText) {
  ExpectBodies({
      {"<tr></tr>", kRow + kRowEnd},
      {"<tr><td colspan=2>a</td></tr>", kOne + kCell + "a\\cell" + kRowEnd},
      {"<tr><th>Head</th><td></td></tr>",
       kRow + "\n\\cellx4750\n\\cellx9500" + kCell + "Head\\cell" + kCell + "\\cell" + kRowEnd},
      {"<tr>x<td>", kOne + " x" + kCell + "\n\\cell" + kRowEnd},
      {"<tr><td>a<tr><td>b</tr>",
       kOne + kCell + "a\n\\cell" + kRowEnd + kOne + kCell + "b\n\\cell" + kRowEnd},
      {"<td>a</td>b</tr>", kCell + "ab"},
      // Surplus cell ends: no filler, more "\cell" marks than boundaries.
      {"<tr><td\n>a</td><td>b</td></tr>", kOne + " a\\cell" + kCell + "b\\cell" + kRowEnd},
      // Forms that are no table tags.
      {"<tr><td>a</td ><thead><tbody><tfoot><caption>c<col></tr>",
       kOne + kCell + "ac" + "\n\\cell" + kRowEnd},
      {"<table>\n<tr>\n<td>a</td>\n</tr>\n</table>",
       "\n\\par " + kOne + " " + kCell + "a\\cell " + kRowEnd + " "},
      // "\n\par", "\cell" and a boundary end without a delimiter: text that starts with a
      // letter, a digit or "-" right after one of them is kept apart by a blank, or a reader
      // would take it as part of the control word. Nothing else gets a blank.
      {"<table>Caption<tr>", "\n\\par Caption" + kRow + kRowEnd},
      {"<p><table>\nCaption", kBreak + "\n\\par Caption"},  // the line feed wrote nothing
      {"<tr>123<td>", kOne + " 123" + kCell + "\n\\cell" + kRowEnd},
      {"<tr><td>a</td>-5</tr>", kOne + kCell + "a\\cell -5" + kRowEnd},
      {"<tr><td>a</td><i>Z</i>", kOne + kCell + "a\\cell Z" + kRowEnd},   // text resumed
      {"<tr><td>a</td>&Copy;", kOne + kCell + "a\\cell Copy" + kRowEnd},  // a run written back
      {"<tr><td>a</td><pre>9</pre>", kOne + kCell + "a\\cell 9" + kRowEnd},
      {"<tr><td>a</td>.b{c", kOne + kCell + "a\\cell.b\\{c" + kRowEnd},
      {"<tr><td>a</td>&amp;&eacute;", kOne + kCell + "a\\cell&\\'e9" + kRowEnd},
      {"<tr><td>a</td><b>x", kOne + kCell + "a\\cell{\\b x" + kRowEnd},
      {"<table><tr></tr>x", "\n\\par" + kRow + kRowEnd + "x"},
      // A row still open at "</table>" or at the end of the text is closed as "</tr>" closes it.
      {"<table><tr><td>a<td>b</table>x", "\n\\par" + kRow + "\n\\cellx4750\n\\cellx9500" + kCell +
                                             "a" + kCell + "b\n\\cell\n\\cell" + kRowEnd + "x"},
      {"<tr><td>a</td>", kOne + kCell + "a\\cell" + kRowEnd},
      {"<tr><td>a<pre>b", kOne + kCell + "ab\n\\cell" + kRowEnd},
      {"</table><td>a</td>", kCell + "a"},
      // Paragraph breaks and list items inside a row use the in-table snippets; everything
      // else is written as outside.
      {"<tr><td><p>text</p></tr><p>text</p>",
       kOne + kCell + kTableBreak + "text" + kTableBreak + "\n\\cell" + kRowEnd + "text" + kBreak},
      {"<p>a</p><tr><td><p>b", kBreak + "a" + kBreak + kOne + kCell + "b\n\\cell" + kRowEnd},
      {"<ul><tr><td><li>x", kOne + kCell + kTableBreak + kTableBullet + "x\n\\cell" + kRowEnd},
      {"<ol><tr><td><li>x<li>y", kOne + kCell + kTableBreak + kTableNumbered + "1. x" +
                                     kTableBreak + kTableNumbered + "2. y\n\\cell" + kRowEnd},
      {"<tr><td><h2>T</h2><center>c<b>b</b>&eacute;</td></tr>",
       kOne + kCell + kHeading + "T\\par}\\qc c{\\b b}\\'e9\\cell" + kRowEnd},
      {"<td>x<p>y", kCell + "x" + kBreak + "y"},
      {"<tr>a<div>b", kRow + "a" + kTableBreak + "b" + kRowEnd},
      // An inner table ends the outer row; after it the outer cells are written as outside a
      // row until the next row start.
      {"<table><tr><td>a<table><tr><td>b</td></tr></table>c</td><p>d</tr><tr><td>e</td></tr>"
       "</table>",
       "\n\\par" + kOne + kCell + "a\n\\cell\n\\pard \\intbl \\row \\pard\n\\par" + kOne + kCell +
           "b\\cell" + kRowEnd + "c" + kBreak + "d" + kOne + kCell + "e\\cell" + kRowEnd},
  }, {ConversionMode::RtfTables});
  EXPECT_EQ(Translate("<tr><td>a</td>b", {ConversionMode::RtfTables, kKoi8}).text,
            kOne + kCell + "a\\cell b" + kRowEnd);
  EXPECT_EQ(Body("<table><tr><td>a</td><td>b</td></tr></table><p>x"), "ab" + kBreak + "x");
}

}  // namespace vellumine::testing
