// The read transformation (CR LF to LF, 0x1A ends the data) and the preparation pass (which
// blocks go, how their ends are found, what stays; the fused pass giving the same); the
// plain-text translation (line-break forms, white space, tags, references, mapping); RTF
// (sizes, header, tag forms, text rules, groups, the body buffer, progress) and tables (cell
// count, row geometry, cells, row ends, in-table snippets).
#include <climits>
#include <random>

#include "engine_test_util.h"
#include "translation/prepare_text.h"
#include "translation/read_transform.h"
#include "translation/rtf_tables.h"

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

TEST(PrepareTextTest, ReadTransformBlocksAndPathologicalInputs) {
  std::vector<Case> reads = {{"A\r\nB\rC\x1A" "more\r\n", "A\nB\rC"}, {"\r\r\n", "\r\n"},
                             {"\r\n\n\r", "\n\n\r"}, {"x\r", "x\r"},  // a CR at the end stays
                             {"\x1A" "abc", ""}, {"ab\r\x1A\n", "ab\r"},  // 0x1A between CR, LF
                             {std::string("a\0b\r\n", 5), std::string("a\0b\n", 4)}};
  for (size_t k = 0; k < 40; ++k) {  // CR LF and 0x1A at every offset of a scan chunk
    const std::string run(k, 'a');
    reads.push_back({run + "\r\n" + run + "\r\r\n", run + "\n" + run + "\r\n"});
    reads.push_back({run + "\x1A" "b", run});
  }
  for (const Case& c : reads) {
    std::string bytes = c.html;
    bytes.resize(ApplyReadTransform(bytes.data(), bytes.size()));
    EXPECT_EQ(bytes, c.expected) << "raw: " << c.html;
  }
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
      {"<option>x</option\r\n>y<%\x1A%>z", ""}, {"x\r\n<scr\x1Aipt>", "x\n<scr"}};
  for (const Case& c : cases) EXPECT_EQ(Prepare(c.html), c.expected) << "raw: " << c.html;
  // Many openings with one far end, and many candidates for an end that never comes.
  std::string percents = "<%", scripts, manyLt(1 << 20, '<');
  for (int i = 0; i < 200000; ++i) percents += "%<x>", scripts += "<script>a</scrip";
  for (const auto& [raw, prepared] : {std::pair{percents, std::string()},
                                      {scripts + "</script>!", "!"}, {manyLt, manyLt}})
    EXPECT_TRUE(Prepare(raw) == prepared) << raw.size();
}

// A removed block's end looked for over a text cut anywhere, and then, where it was not
// found, from kLongestBlockEnd before the cut over the whole: found where it is over the
// whole. A block whose end is not found stops a part at its start.
TEST(PrepareTextTest, BlockEndsFoundOverTextsReadAsTheyGo) {
  for (const std::string open : {"<title>", "<script>", "<STYLE>", "<option>", "<% "}) {
    const std::string page = "x" + open + "words </titl </scrip </style </option %\r\n>" +
                             "</Script\r\nx</script> </style> </title> </option> %>" + "y";
    const RemovedBlock kind = RemovedBlockAt(page.data(), page.size(), 1);
    ASSERT_NE(kind, RemovedBlock::None) << open;
    const size_t start = BlockEndSearchStart(kind, 1);
    const BlockEnd whole = FindBlockEnd(kind, page.data(), page.size(), start);
    ASSERT_TRUE(whole.found && whole.after < page.size()) << open;
    for (size_t cut = start; cut < page.size(); ++cut) {
      const BlockEnd part = FindBlockEnd(kind, page.data(), cut, start);
      if (part.found) {
        EXPECT_EQ(part.at, whole.at) << open << " cut at " << cut;
        continue;
      }
      const size_t from = std::max(start, cut > kLongestBlockEnd ? cut - kLongestBlockEnd : 0);
      const BlockEnd more = FindBlockEnd(kind, page.data(), page.size(), from);
      EXPECT_TRUE(more.found && more.at == whole.at && more.after == whole.after)
          << open << " cut at " << cut;
    }
    // The whole pass stops at a block without its end, and gives the text before it.
    std::vector<char> out(page.size());
    const PreparedPart unclosed = PrepareRawTextPart(page.data(), whole.at, 0, whole.at, out.data());
    EXPECT_TRUE(unclosed.openBlock && unclosed.stop == 1 && unclosed.written == 1) << open;
  }
}

TEST(WritersTest, PlainTextRulesRtfSizesAndHeader) {
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
      {"<a title=&gt;x>y", "y"}, {"&amp;<x>y", "y"}}, {ConversionMode::Text});
  EXPECT_EQ(Text("<x>\xC1\xC2 &amp;<p>\xA3", kKoi8), "\xE0\xE1 &\n\xB8");
  EXPECT_EQ(Text("<x>\xB0\xF1", {MapIso88595, true}), "\xC0\xB8");
  std::string ampersands(1 << 20, '&'), unclosed, breaks;
  for (int i = 0; i < 100000; ++i) unclosed += "<b", breaks += "<br>";
  // Each "<br>" ends its step on the next one's "<", which turns text off: every second one
  // is a line break.
  const Case pathological[] = {{">" + ampersands, ampersands}, {unclosed + ">x", "x"},
                               {breaks, std::string(50000, '\n')}};
  for (const Case& c : pathological) EXPECT_TRUE(Text(c.html) == c.expected) << c.html.substr(0, 8);
  // Subscripts move by half the size, rounded toward zero; sizes are held to what readers take.
  // The heading's size is 2S, the shift S/2.
  const struct { int given, size; const char *fs, *shift; } cases[] = {
      {9, 9, "18", "4"}, {-7, -7, "-14", "-3"}, {-99999, -1638, "-3276", "-819"},
      {INT_MAX, 1638, "3276", "819"}, {1639, 1638, "3276", "819"}, {-1637, -1637, "-3274", "-818"}};
  for (const auto& c : cases) {
    RtfTemplates t;
    FormatRtfTemplates(t, c.given, false);
    EXPECT_EQ(std::to_string(t.fontSize) + " " + std::string(t.subscriptOpen.view()) +
                  std::string(t.superscriptOpen.view()) + std::string(t.headingOpen.view()),
              std::to_string(c.size) + " {\\dn" + c.shift + " {\\up" + c.shift +
                  " \n{\\par\\b\\fs" + c.fs + " ");
  }
  // The example pages' outputs pin the header's bytes; here what the font and the character
  // set change in it.
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
                            {"Caf\xE9 Sans", "Caf\xE9 Sans"}})
    EXPECT_EQ(header(font, true) + header(font, false), header(kept, true) + header(kept, false));
}

// Each form with its neighbours: prefixes told apart by the byte after the name, open forms
// with attributes, letter case, look-alikes dropped as unknown tags; conditions that skip a
// form (the byte falls through to later rows and the text rules, which drop it); the text
// rules.
TEST(RtfWriterTest, TagFormsTextRulesAndGroups) {
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
      {"<p>t<pre>&amp;</pre>", kBreak + "t&"}, {"<p><pre>x</pre><p>y", kBreak + "xy"}});
  std::string html = "<ol>";
  for (int i = 1; i <= 12; ++i) html += "<li>x";
  EXPECT_TRUE(Body(html).ends_with(kNumbered + "12. x"));
  EXPECT_EQ(Translate("<p>caf\xE9 &eacute;", {.encoding = kCp1251}).text,
            kBreak + "caf\xE9 \\f99\\'e9");
  // High bytes go through the mapper, in runs and alone (KOI8-R a, be, yo; YO).
  EXPECT_EQ(Translate("<p>\xC1\xC2\xA3<b>\xB3", {.encoding = kKoi8}).text,
            kBreak + "\xE0\xE1\xB8{\\b \xA8");
  // Closing braces are written only for groups the body opened.
  const struct { std::string html, expected; int open; } cases[] = {
      {"</sub>a</sup>b", "ab", 0}, {"</h3>a", "\\par a", 0}, {"<b><b>x</b></b>", "{\\b {\\b x}", 1},
      {"<b>x</sub></b>y", "{\\b x}y", 0}, {"<strong>x</b></strong>", "{\\b x}", 0},
      {"<sub><sup>x</sup></sub></sub>y", "{\\dn6 {\\up6 x}}y", 0},
      {"<h2>a<b>b<sub>c", kHeading + "a{\\b b{\\dn6 c", 3}};
  for (const auto& c : cases)
    EXPECT_EQ(Translate(c.html).text + "|" + std::to_string(Translate(c.html).openGroups),
              c.expected + "|" + std::to_string(c.open)) << c.html;
}

const std::string kRow = "\n\\trowd \\trgaph70 ";
const std::string kOne = kRow + "\n\\cellx9500";  // a row of one cell
const std::string kCell = "\n\\pard \\intbl ";
const std::string kRowEnd = "\\pard \\intbl \\row \\pard\n";

// The body is the same whatever room the buffer starts with.
TEST(RtfWriterTest, BodyBufferProgressAndTables) {
  std::string paragraphs, cells = "<table><tr>";
  for (int i = 0; i < 5000; ++i) paragraphs += "<p>x", cells += "<td>";
  for (auto [html, mode] : {std::pair{paragraphs, ConversionMode::Rtf},
                            std::pair{cells, ConversionMode::RtfTables}}) {
    std::string expected = Translate(html, {.mode = mode, .capacity = 100 * html.size()}).text;
    EXPECT_GT(expected.size(), 4 * html.size() + 1000);
    for (size_t capacity : {0, 1})  // 0: as the job sizes it
      EXPECT_EQ(Translate(html, {.mode = mode, .capacity = capacity}).text, expected);
  }
  // Every step reports its tick, also steps inside runs of text, white space, dropped bytes
  // and the bytes of a character; a tick that a tag jumps over stops the reports for good.
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
  // The text from the row start tag's ">"; "</table>", comments and blocks do not stop the
  // count.
  const struct { std::string html; size_t cells; } cases[] = {
      {"><td>a<td>b</tr><td>", 2}, {"><TD>a<Th class=h>b<tH>", 3}, {"><td>a<TR class=x><td>", 1},
      {"><td>a<TABLE border=1><td>", 1}, {"><td>a</table><td>", 2}, {"><td>a<trx><tablex><td>", 2},
      {"><td\n>a<td\t>b<thead><tbody><td", 0}, {"><!-- <td> --><pre><td></pre>", 2}, {">", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(CountRowCells(c.html.data(), c.html.size(), 0), c.cells) << c.html;
  // (The boundaries, 9500 k / n twips rounded down: the example pages' table outputs.)
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

// Runs of text, blanks, skipped bytes and characters, and preformatted blocks, are taken a
// step of at most so many bytes at a time; cut as often as they can be (every byte on),
// they give the body, the groups left open and the progress of runs taken whole: in every
// RTF mode and character set, in halves and not.
TEST(RtfWriterTest, LongRunsTakenInStepsChangeNothing) {
  std::mt19937 random(11);
  const std::string pieces[] = {"word", "x", " ", "   ", "\t\n", std::string(1, '\0'), "\x01",
                                "caf\xC3\xA9", "\xE9\xE8", "\xD0\x96\xF0\x9F\x98\x80", "{}\\",
                                "<b>", "</b>", "<i x>", "<p", ">", "<!-- c -->", "&amp;", "&x",
                                "<td>", "<tr>", "<br>", "-1", "<pre>", "</pre>", "\n"};
  std::vector<std::string> pages = {"<p>" + std::string(3000, 'a'),
                                    "<pre>" + std::string(3000, 'a') + "\n&amp;</pre>b",
                                    "<pre>unclosed\n" + std::string(3000, 'a'),
                                    "<p>a" + std::string(3000, ' ') + "b",
                                    "<zz " + std::string(3000, 'q') + ">text",
                                    "text<" + std::string(3000, 'q')};
  for (int n = 0; n < 30; ++n) {
    std::string page = n % 3 == 0 ? "<table><tr><td>" : "<p>";
    while (page.size() < 4000) page += pieces[random() % std::size(pieces)];
    pages.push_back(page);
  }
  for (const std::string& page : pages) {
    for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
      for (EncodingChoice encoding : {EncodingChoice{}, kUtf8, EncodingChoice{MapKoi8r, true}}) {
        for (size_t splitFrom : {SIZE_MAX, size_t{1000}}) {
          RunOptions options{mode, encoding};
          options.splitFrom = splitFrom;
          options.longestStep = SIZE_MAX;
          const Translated whole = Translate(page, options);
          for (size_t longest : {1, 2, 3, 17}) {
            options.longestStep = longest;
            const Translated cut = Translate(page, options);
            EXPECT_TRUE(cut.text == whole.text && cut.openGroups == whole.openGroups &&
                        cut.steps == whole.steps)
                << "steps of " << longest << ", mode " << static_cast<int>(mode)
                << ", split from " << splitFrom << ": " << page.substr(0, 40);
          }
        }
      }
    }
  }
}

}  // namespace vellumine::testing
