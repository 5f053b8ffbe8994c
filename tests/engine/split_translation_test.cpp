// A text translated in two halves gives what one translation gives: the same body, the same
// open groups and the same progress shown, in every mode and character set, wherever the
// second half starts (in a tag, a list, a table, a reference, a UTF-8 character) and
// whether or not the halves' states ever agree.
#include <random>

#include "engine_test_util.h"

namespace vellumine::testing {
namespace {

void ExpectSameInHalves(const std::string& html, const std::string& what) {
  for (ConversionMode mode : kModes) {
    for (const EncodingChoice& encoding : {EncodingChoice{}, kKoi8, kUtf8}) {
      for (bool asUtf8 : {false, true}) {  // plain text asked for in UTF-8
        if (asUtf8 && mode != ConversionMode::Text) continue;
        const Translated whole = Translate(html, {mode, encoding, asUtf8});
        const std::string where =
            what + ", mode " + std::to_string(static_cast<int>(mode)) +
            (encoding.utf8 ? ", UTF-8" : encoding.cyrillic ? ", KOI8-R" : "") + (asUtf8 ? "*" : "");
        // In halves, and streamed a few bytes of text at a time, whole and in halves.
        const Translated ways[] = {Translate(html, {mode, encoding, asUtf8, 0, 2}),
                                   Translate(html, {mode, encoding, asUtf8, 0, SIZE_MAX, 5}),
                                   Translate(html, {mode, encoding, asUtf8, 0, 2, 3})};
        for (const Translated& way : ways) {
          ASSERT_EQ(way.text, whole.text) << where << ", way " << (&way - ways);
          EXPECT_EQ(way.openGroups, whole.openGroups) << where;
          EXPECT_EQ(way.steps, whole.steps) << where;
        }
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
}  // namespace vellumine::testing
