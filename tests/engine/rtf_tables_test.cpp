// RTF with tables: the cell count, row geometry, cells, row ends and in-table snippets.
#include "translation/rtf_tables.h"

#include <gtest/gtest.h>

#include <string>

#include "rtf_test_util.h"

namespace vellumine {
namespace {

using namespace vellumine::testing;

const std::string kRow = "\n\\trowd \\trgaph70 ";
const std::string kOne = kRow + "\n\\cellx9500";  // a row of one cell
const std::string kCell = "\n\\pard \\intbl ";
const std::string kRowEnd = "\\pard \\intbl \\row \\pard\n";

void ExpectTableBodies(const std::vector<BodyCase>& cases) { ExpectBodies(cases, true); }

TEST(CountRowCellsTest, CellStartTagsOfOneRow) {
  // The text from the row start tag's ">"; "</table>", comments and blocks do not stop the
  // count.
  const struct { std::string html; size_t cells; } cases[] = {
      {"><td>a<td>b</tr><td>", 2},  {"><TD>a<Th class=h>b<tH>", 3}, {"><td>a<TR class=x><td>", 1},
      {"><td>a<TABLE border=1><td>", 1}, {"><td>a</table><td>", 2},  {"><td>a<trx><tablex><td>", 2},
      {"><td\n>a<td\t>b<thead><tbody><td", 0}, {"><!-- <td> --><pre><td></pre>", 2}, {">", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(CountRowCells(c.html.data(), c.html.size(), 0), c.cells) << c.html;
}

TEST(RtfTablesTest, WorkedExample) {
  EXPECT_EQ(Body("<table border=1><tr><td>A</td><td>B</td><td>C</td></tr><tr><th>x<th>y</tr>"
                 "</table>",
                 true),
            "\n\\par\n\\trowd \\trgaph70 \n\\cellx3166\n\\cellx6333\n\\cellx9500\n\\pard \\intbl "
            "A\\cell\n\\pard \\intbl B\\cell\n\\pard \\intbl C\\cell\\pard \\intbl \\row \\pard\n"
            "\n\\trowd \\trgaph70 \n\\cellx4750\n\\cellx9500\n\\pard \\intbl x\n\\pard \\intbl "
            "y\n\\cell\n\\cell\\pard \\intbl \\row \\pard\n");
}

// Boundaries at 9500 k / n twips, rounded down; the last is always 9500.
TEST(RtfTablesTest, RowGeometry) {
  std::string seven = "<tr>";
  for (int i = 0; i < 7; ++i) seven += "<td>";
  EXPECT_EQ(Body(seven, true).substr(0, kRow.size() + 77),
            kRow + "\n\\cellx1357\n\\cellx2714\n\\cellx4071\n\\cellx5428\n\\cellx6785\n\\cellx8142"
                   "\n\\cellx9500");
  std::string wide = "<tr>";
  for (int i = 0; i < 997; ++i) wide += "<td>";
  std::string body = Body(wide, true);
  EXPECT_NE(body.find("\n\\cellx9\n\\cellx19\n\\cellx28\n"), std::string::npos);
  EXPECT_NE(body.find("\n\\cellx9490\n\\cellx9500\n\\pard"), std::string::npos);
}

TEST(RtfTablesTest, RowsAndCells) {
  ExpectTableBodies({
      {"<tr></tr>", kRow + kRowEnd},
      {"<tr><td colspan=2>a</td></tr>", kOne + kCell + "a\\cell" + kRowEnd},
      {"<tr><th>Head</th><td></td></tr>",
       kRow + "\n\\cellx4750\n\\cellx9500" + kCell + "Head\\cell" + kCell + "\\cell" + kRowEnd},
      {"<tr>x<td>", kOne + " x" + kCell + "\n\\cell" + kRowEnd},
      {"<tr><td>a<tr><td>b</tr>", kOne + kCell + "a\n\\cell" + kRowEnd + kOne + kCell + "b\n\\cell" + kRowEnd},
      {"<td>a</td>b</tr>", kCell + "ab"},
      // Surplus cell ends: no filler, more "\cell" marks than boundaries.
      {"<tr><td\n>a</td><td>b</td></tr>", kOne + " a\\cell" + kCell + "b\\cell" + kRowEnd},
      // Forms that are no table tags.
      {"<tr><td>a</td ><thead><tbody><tfoot><caption>c<col></tr>",
       kOne + kCell + "ac" + "\n\\cell" + kRowEnd},
      {"<table>\n<tr>\n<td>a</td>\n</tr>\n</table>",
       "\n\\par " + kOne + " " + kCell + "a\\cell " + kRowEnd + " "},
  });
}

// "\n\par", "\cell" and a boundary end without a delimiter: text that starts with a letter,
// a digit or "-" right after one of them is kept apart by a blank, or a reader would take it
// as part of the control word. Nothing else gets a blank.
TEST(RtfTablesTest, TextAfterAnUndelimitedControlWord) {
  EXPECT_EQ(TranslateRtf("<tr><td>a</td>b", {.tables = true, .cyrillic = true, .mapper = MapKoi8r})
                .text,
            kOne + kCell + "a\\cell b" + kRowEnd);
  ExpectTableBodies({
      {"<table>Caption<tr>", "\n\\par Caption" + kRow + kRowEnd},
      {"<p><table>\nCaption", kBreak + "\n\\par Caption"},  // the line feed wrote nothing
      {"<tr>123<td>", kOne + " 123" + kCell + "\n\\cell" + kRowEnd},
      {"<tr><td>a</td>-5</tr>", kOne + kCell + "a\\cell -5" + kRowEnd},
      {"<tr><td>a</td><i>Z</i>", kOne + kCell + "a\\cell Z" + kRowEnd},  // text resumed
      {"<tr><td>a</td>&Copy;", kOne + kCell + "a\\cell Copy" + kRowEnd},  // a run written back
      {"<tr><td>a</td><pre>9</pre>", kOne + kCell + "a\\cell 9" + kRowEnd},
      // Bytes that cannot extend a control word, and snippets, follow as they are.
      {"<tr><td>a</td>.b{c", kOne + kCell + "a\\cell.b\\{c" + kRowEnd},
      {"<tr><td>a</td>&amp;&eacute;", kOne + kCell + "a\\cell&\\'e9" + kRowEnd},
      {"<tr><td>a</td><b>x", kOne + kCell + "a\\cell{\\b x" + kRowEnd},
      {"<table><tr></tr>x", "\n\\par" + kRow + kRowEnd + "x"},
  });
}

// A row still open at "</table>" or at the end of the text is closed as "</tr>" closes it.
TEST(RtfTablesTest, OpenRowsAreClosed) {
  ExpectTableBodies({
      {"<table><tr><td>a<td>b</table>x", "\n\\par" + kRow + "\n\\cellx4750\n\\cellx9500" + kCell +
                                             "a" + kCell + "b\n\\cell\n\\cell" + kRowEnd + "x"},
      {"<tr><td>a</td>", kOne + kCell + "a\\cell" + kRowEnd},
      {"<tr><td>a<pre>b", kOne + kCell + "ab\n\\cell" + kRowEnd},
      {"</table><td>a</td>", kCell + "a"},
  });
}

// Paragraph breaks and list items inside a row use the in-table snippets; everything else is
// written as outside.
TEST(RtfTablesTest, SnippetsInsideARow) {
  ExpectTableBodies({
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
  });
  EXPECT_EQ(Body("<table><tr><td>a</td><td>b</td></tr></table><p>x", false), "ab" + kBreak + "x");
}

// An inner table ends the outer row; after the inner table the outer cells are written as
// outside a row until the next row start.
TEST(RtfTablesTest, TablesInsideTables) {
  EXPECT_EQ(Body("<table><tr><td>a<table><tr><td>b</td></tr></table>c</td><p>d</tr><tr><td>e"
                 "</td></tr></table>",
                 true),
            "\n\\par" + kOne + kCell + "a\n\\cell\n\\pard \\intbl \\row \\pard\n\\par" + kOne +
                kCell + "b\\cell" + kRowEnd + "c" + kBreak + "d" + kOne + kCell + "e\\cell" +
                kRowEnd);
}

}  // namespace
}  // namespace vellumine
