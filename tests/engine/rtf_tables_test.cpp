// RTF with tables: the cell count, row geometry, cells, row ends and in-table snippets.
#include "rtf_tables.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "rtf_test_util.h"

namespace vellumine {
namespace {

using namespace vellumine::testing;

const std::string kRow = "\n\\trowd \\trgaph70 ";
const std::string kCell = "\n\\pard \\intbl ";
const std::string kRowEnd = "\\pard \\intbl \\row \\pard\n";
const std::string kRowEndBeforeTable = "\n\\pard \\intbl \\row \\pard";

struct BodyCase {
  std::string html;
  std::string expected;
};

void ExpectTableBodies(const std::vector<BodyCase>& cases) {
  for (const BodyCase& c : cases) EXPECT_EQ(Body(c.html, true), c.expected) << "html: " << c.html;
}

size_t Count(const std::string& html) {
  // Counting starts at the row start tag's ">", the first byte here.
  return CountRowCells(html.data(), html.size(), 0);
}

TEST(CountRowCellsTest, CellStartTagsOfOneRow) {
  const struct {
    std::string html;
    size_t cells;
  } cases[] = {
      {"><td>a<td>b</tr><td>", 2},
      {"><TD>a<Th class=h>b<tH>", 3},
      {"><td>a<tr><td>", 1},
      {"><td>a<TR class=x><td>", 1},
      {"><td>a<table><td>", 1},
      {"><td>a<TABLE border=1><td>", 1},
      {"><td>a</table><td>", 2},         // "</table>" does not stop the count
      {"><td>a<trx><td>", 2},            // neither does an unknown tag
      {"><td>a<tablex><td>", 2},
      {"><td\n>a<td\t>b<thead><tbody><td", 0},
      {"><!-- <td> --><pre><td></pre>", 2},  // comments and blocks are not skipped
      {"", 0},
      {">", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(Count(c.html), c.cells) << c.html;
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
  const struct {
    int cells;
    std::string boundaries;
  } cases[] = {
      {1, "\n\\cellx9500"},
      {2, "\n\\cellx4750\n\\cellx9500"},
      {3, "\n\\cellx3166\n\\cellx6333\n\\cellx9500"},
      {7, "\n\\cellx1357\n\\cellx2714\n\\cellx4071\n\\cellx5428\n\\cellx6785\n\\cellx8142"
          "\n\\cellx9500"},
  };
  for (const auto& c : cases) {
    std::string html = "<tr>";
    std::string cells;
    std::string fillers;  // no cell has an end tag
    for (int i = 0; i < c.cells; ++i) {
      html += "<td>";
      cells += kCell;
      fillers += "\n\\cell";
    }
    EXPECT_EQ(Body(html + "</tr>", true), kRow + c.boundaries + cells + fillers + kRowEnd)
        << c.cells;
  }
  // A wide row: exact integer boundaries, the last one 9500.
  std::string html = "<tr>";
  for (int i = 0; i < 997; ++i) html += "<td>";
  std::string body = Body(html, true);
  EXPECT_NE(body.find("\n\\cellx9\n\\cellx19\n\\cellx28\n"), std::string::npos);
  EXPECT_NE(body.find("\n\\cellx9490\n\\cellx9500\n\\pard"), std::string::npos);
}

TEST(RtfTablesTest, RowsAndCells) {
  ExpectTableBodies({
      {"<tr></tr>", kRow + kRowEnd},
      {"<tr><td>only</td></tr>", kRow + "\n\\cellx9500" + kCell + "only\\cell" + kRowEnd},
      {"<tr><td colspan=2>a</td></tr>", kRow + "\n\\cellx9500" + kCell + "a\\cell" + kRowEnd},
      {"<tr><th>Head</th></tr>", kRow + "\n\\cellx9500" + kCell + "Head\\cell" + kRowEnd},
      {"<tr><td></td></tr>", kRow + "\n\\cellx9500" + kCell + "\\cell" + kRowEnd},
      {"<tr>x<td>", kRow + "\n\\cellx9500x" + kCell + "\n\\cell" + kRowEnd},
      {"<tr><td>a<tr><td>b</tr>",
       kRow + "\n\\cellx9500" + kCell + "a\n\\cell" + kRowEnd + kRow + "\n\\cellx9500" + kCell +
           "b\n\\cell" + kRowEnd},
      {"<td>a</td>b</tr>", kCell + "ab"},
      // Surplus cell ends: no filler, more "\cell" marks than boundaries.
      {"<tr><td\n>a</td><td>b</td></tr>",
       kRow + "\n\\cellx9500a\\cell" + kCell + "b\\cell" + kRowEnd},
      // Forms that are no table tags.
      {"<tr><td>a</td ><thead><tbody><tfoot><caption>c<col></tr>",
       kRow + "\n\\cellx9500" + kCell + "ac" + "\n\\cell" + kRowEnd},
      {"<TABLE><Tr align=left><TD>a</TH></table>",
       "\n\\par" + kRow + "\n\\cellx9500" + kCell + "a\\cell" + kRowEnd},
      {"<table>\n<tr>\n<td>a</td>\n</tr>\n</table>",
       "\n\\par " + kRow + "\n\\cellx9500 " + kCell + "a\\cell " + kRowEnd + " "},
      {"<table>Caption<tr>", "\n\\parCaption" + kRow + kRowEnd},
  });
}

// A row still open at "</table>" or at the end of the text is closed as "</tr>" closes it.
TEST(RtfTablesTest, OpenRowsAreClosed) {
  ExpectTableBodies({
      {"<table><tr><td>a<td>b</table>x",
       "\n\\par" + kRow + "\n\\cellx4750\n\\cellx9500" + kCell + "a" + kCell + "b\n\\cell\n\\cell" +
           kRowEnd + "x"},
      {"<tr><td>a</td><td>b", kRow + "\n\\cellx4750\n\\cellx9500" + kCell + "a\\cell" + kCell +
                                 "b\n\\cell" + kRowEnd},
      {"<tr><td>a</td>", kRow + "\n\\cellx9500" + kCell + "a\\cell" + kRowEnd},
      {"<tr><td>a<pre>b", kRow + "\n\\cellx9500" + kCell + "ab\n\\cell" + kRowEnd},
      {"</table><td>a</td>", kCell + "a"},
  });
}

// Paragraph breaks and list items inside a row use the in-table snippets; everything else is
// written as outside.
TEST(RtfTablesTest, SnippetsInsideARow) {
  const std::string one = kRow + "\n\\cellx9500";
  ExpectTableBodies({
      {"<tr><td><p>text</p></tr><p>text</p>",
       one + kCell + kTableBreak + "text" + kTableBreak + "\n\\cell" + kRowEnd + "text" + kBreak},
      {"<p>a</p><tr><td><p>text</p></tr><p>text</p>",
       kBreak + "a" + kBreak + one + kCell + "text" + kTableBreak + "\n\\cell" + kRowEnd + "text" +
           kBreak},
      {"<ul><tr><td><li>x", one + kCell + kTableBreak + kTableBullet + "x\n\\cell" + kRowEnd},
      {"<ol><tr><td><li>x<li>y", one + kCell + kTableBreak + kTableNumbered + "1. x" +
                                     kTableBreak + kTableNumbered + "2. y\n\\cell" + kRowEnd},
      {"<tr><td><h2>T</h2><center>c<b>b</b>&eacute;</td></tr>",
       one + kCell + kHeading + "T\\par}\\qc c{\\b b}\\'e9\\cell" + kRowEnd},
      {"<tr><td>a</td><td><p>b", kRow + "\n\\cellx4750\n\\cellx9500" + kCell + "a\\cell" + kCell +
                                    kTableBreak + "b\n\\cell" + kRowEnd},
      {"<td>x<p>y", kCell + "x" + kBreak + "y"},
      {"<tr>a<div>b", kRow + "a" + kTableBreak + "b" + kRowEnd},
  });
}

// An inner table ends the outer row; after the inner table the outer cells are written as
// outside a row until the next row start.
TEST(RtfTablesTest, TablesInsideTables) {
  const std::string one = "\n\\cellx9500";
  EXPECT_EQ(Body("<table><tr><td>a<table><tr><td>b</td></tr></table>c</td><p>d</tr><tr><td>e"
                 "</td></tr></table>",
                 true),
            "\n\\par" + kRow + one + kCell + "a\n\\cell" + kRowEndBeforeTable + "\n\\par" + kRow +
                one + kCell + "b\\cell" + kRowEnd + "c" + kBreak + "d" + kRow + one + kCell +
                "e\\cell" + kRowEnd);
}

// RTF without tables drops table tags like any unknown tag.
TEST(RtfTablesTest, ModeOneIgnoresTables) {
  EXPECT_EQ(Body("<table><tr><td>a</td><td>b</td></tr></table>", false), "ab");
  EXPECT_EQ(Body("<tr><td><p>x", false), kBreak + "x");
}

// Table markup grows the body much faster than the text; the buffer grows with it.
TEST(RtfTablesTest, BodyOutgrowsTheJobBuffer) {
  std::string html = "<table><tr>";
  for (int i = 0; i < 20000; ++i) html += "<td>";
  RtfRunOptions job;
  job.tables = true;
  RtfRunOptions roomy = job;
  roomy.capacity = 100 * html.size();
  std::string body = TranslateRtf(html, job).text;
  EXPECT_GT(body.size(), 4 * html.size() + 1000);
  EXPECT_EQ(body, TranslateRtf(html, roomy).text);
  EXPECT_EQ(body.substr(body.size() - kRowEnd.size()), kRowEnd);
}

}  // namespace
}  // namespace vellumine
