// A text translated in two halves gives what one translation gives: the same body, the same
// open groups and the same progress shown, in every mode and character set, wherever the
// second half starts (in a tag, a list, a table, a reference, a UTF-8 character) and
// whether or not the halves' states ever agree.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "fast/byte_buffer.h"
#include "engine_test_files.h"
#include "translation/output_stream.h"
#include "fast/progress_ticks.h"
#include "translation/rtf_templates.h"
#include "translation/rtf_writer.h"
#include "translation/text_writer.h"

namespace vellumine {
namespace {

struct Translated {
  std::string body;
  int openGroups = 0;
  std::vector<std::string> progress;
};

// mode 0 text, 1 RTF, 2 RTF with tables; with streamPiece the body goes to a stream as it is
// written, and the body is what went there and what was left.
Translated Translate(const std::string& html, int mode, EncodingChoice encoding, size_t splitFrom,
                     size_t streamPiece = 0) {
  testing::RecordedSteps steps;
  ProgressTicks ticks;
  ticks = ProgressTicks(html.size(), steps.Report());
  ByteBuffer body;
  EXPECT_TRUE(body.Allocate(4 * html.size() + 1000));
  MemoryOutputStream stream;
  TranslationInput input{html.data(), html.size(), encoding, ticks, splitFrom};
  if (streamPiece > 0) {
    input.stream = &stream;
    input.streamPiece = streamPiece;
  }
  Translated result;
  if (mode == 0) {
    TranslateToText(input, body);
  } else {
    RtfTemplates templates;
    FormatRtfTemplates(templates, 12, mode == 2);
    result.openGroups = mode == 1 ? TranslateToRtf(input, templates, body)
                                  : TranslateToRtfWithTables(input, templates, body);
  }
  result.body = stream.str() + std::string(body.data(), body.size());
  result.progress = steps.calls;
  return result;
}

void ExpectSameInHalves(const std::string& html, const std::string& what) {
  const EncodingChoice encodings[] = {
      {MapIdentity, false, false}, {MapKoi8r, true, false}, {MapIdentity, false, true}};
  for (int mode = 0; mode < 3; ++mode) {
    for (const EncodingChoice& encoding : encodings) {
      const Translated whole = Translate(html, mode, encoding, SIZE_MAX);
      const std::string where = what + ", mode " + std::to_string(mode) +
                                (encoding.utf8 ? ", UTF-8" : encoding.cyrillic ? ", KOI8-R" : "");
      // In halves, and streamed a few bytes of text at a time, whole and in halves.
      const Translated ways[] = {Translate(html, mode, encoding, 2),
                                 Translate(html, mode, encoding, SIZE_MAX, 5),
                                 Translate(html, mode, encoding, 2, 3)};
      for (const Translated& way : ways) {
        ASSERT_EQ(way.body, whole.body) << where << ", way " << (&way - ways);
        EXPECT_EQ(way.openGroups, whole.openGroups) << where;
        EXPECT_EQ(way.progress, whole.progress) << where;
      }
    }
  }
}

// Pieces that change the state a step depends on: text and tags, blanks, breaks, references,
// lists, groups, centring, tables, preformatted blocks, bytes from 0x80 up.
const char* const kPieces[] = {
    "word", "x", " ", "  ", "\n", "\t", "<p>", "</p>", "<br>", "<li>", "<b>", "</b>",
    "<strong>", "</strong>", "<ul>", "</ul>", "<ol>", "</ol>", "<h2>", "</h2>", "<center>",
    "</center>", "<table>", "</table>", "<tr>", "</tr>", "<td>", "</td>", "<th>", "<pre>",
    "</pre>", "<a href=\"x\">", "</a>", "<", ">", "&amp;", "&nbsp;", "&eacute;", "&#8212;",
    "&zz;", "&", ";", "{", "\\", "\xE9", "\xD0\x96\xD0\x96", "\xE6\x97\xA5", "\xF0\x9F\x98\x80",
    "\xC3", "<sub>", "</sub>", "<sup>", "<i>",
};

std::string RandomPage(std::mt19937& random, size_t pieces) {
  std::string html;
  for (size_t i = 0; i < pieces; ++i) html += kPieces[random() % std::size(kPieces)];
  return html;
}

TEST(TranslationInHalves, ShortRandomPages) {
  std::mt19937 random(77);
  // Few rounds of long pages: each round starts threads, which are slow under emulation.
  for (int round = 0; round < 200; ++round) {
    const std::string html = RandomPage(random, 1 + random() % 400);
    ExpectSameInHalves(html, ::testing::PrintToString(html));
  }
}

// The first half reaches the end inside a preformatted block, where the second half, which
// took the block's text as text, ends a step past the end: no step may start there.
TEST(TranslationInHalves, StepsThatEndPastTheText) {
  ExpectSameInHalves(
      "<tr></h2></pre>&</td><b><ul><sup>  <strong><i><table></h2>&eacute;</table>{\xD0\x96"
      "\xD0\x96&<pre></tr>x \t\t&#8212;<a href=\"x\"></b><strong></table>&#8212;&<h2><p>"
      "</ul>\xD0\x96\xD0\x96</b></strong> <table>\n</p></td></strong>&nbsp;</td></a></h2><"
      "</a><th>&zz;</strong></strong><b>&></td>\\",
      "a preformatted block to the end");
}

// Pages longer than the distance between the states the second half leaves for the first
// to compare with: an open list, bold group or table row at the middle makes the halves
// agree only later, or never.
TEST(TranslationInHalves, LongPagesWhereTheHalvesAgreeLateOrNever) {
  std::mt19937 random(78);
  const std::string openings[] = {"<ol><li>", "<b>", "<table><tr><td>", "<center>", "<h1>",
                                  "<pre>", "x &amp", "<a href=\"", ""};
  // Pages that end inside a tag or a reference, where the last step ends past the text.
  const std::string endings[] = {"<td x", "<b x", "&amp", "<p x", "<", "&#82", "<br"};
  for (size_t i = 0; i < std::size(openings); ++i) {
    const std::string& opening = openings[i];
    std::string html = RandomPage(random, 4000);
    html += opening + std::string(200000, 'a') + " <p>" + RandomPage(random, 20000) +
            endings[i % std::size(endings)];
    ExpectSameInHalves(html, "a long page with \"" + opening + "\" before the middle");
  }
}

}  // namespace
}  // namespace vellumine
