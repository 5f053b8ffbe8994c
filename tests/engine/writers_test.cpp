// The read transformation (CR LF to LF, 0x1A ends the data) and the preparation pass (which
// blocks go, how their ends are found, what stays; the fused pass giving the same); the
// classic translation of the pages of data/translation in plain text, RTF and RTF tables (its
// README); RTF sizes, header, groups, the body buffer and progress, a row's cell count.
#include <random>

#include "engine_test_util.h"
#include "translation/encoding.h"
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

TEST(PrepareTextTest, ReadTransform) {
  std::vector<Case> reads;
  for (const Row& r : Rows("read-transform.tsv", 2)) reads.push_back({r.fields[0], r.fields[1]});
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
}

// What the preparation leaves of each page of data/preparation (its README).
TEST(PrepareTextTest, RemovedBlocksAndWhatStays) {
  ExpectTheOutputsBesideThePages("preparation", ".prepared",
      [](const std::string& page, const CaseOptions&) { return Prepare(page); });
}

TEST(PrepareTextTest, PathologicalPages) {
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
    ASSERT_TRUE(whole.found) << open;
    ASSERT_LT(whole.after, page.size()) << open;
    for (size_t cut = start; cut < page.size(); ++cut) {
      const BlockEnd part = FindBlockEnd(kind, page.data(), cut, start);
      if (part.found) {
        EXPECT_EQ(part.at, whole.at) << open << " cut at " << cut;
        continue;
      }
      const size_t from = std::max(start, cut > kLongestBlockEnd ? cut - kLongestBlockEnd : 0);
      const BlockEnd more = FindBlockEnd(kind, page.data(), page.size(), from);
      EXPECT_EQ(std::tuple(more.found, more.at, more.after),
                std::tuple(true, whole.at, whole.after)) << open << " cut at " << cut;
    }
    // The whole pass stops at a block without its end, and gives the text before it.
    std::vector<char> out(page.size());
    const PreparedPart unclosed = PrepareRawTextPart(page.data(), whole.at, 0, whole.at, out.data());
    EXPECT_EQ(std::tuple(unclosed.openBlock, unclosed.stop, unclosed.written),
              std::tuple(true, size_t{1}, size_t{1})) << open;
  }
}

// The classic translation's body, with the snippets at 12 points, of each page of
// data/translation: a Latin page unless the case names its encoding.
std::string TranslationOutput(const std::string& page, const CaseOptions& o) {
  const EncodingChoice encoding =
      o.encoding == VELLUMINE_ENCODING_AUTO ? EncodingChoice{} : ChooseEncoding(o.encoding, "", 0);
  return Translate(page, {o.mode, encoding}).text;
}

TEST(TranslationTest, PlainTextAndRtfOfThePages) {
  for (const char* format : {".txt", ".rtf"})
    ExpectTheOutputsBesideThePages("translation", format, TranslationOutput);
}

TEST(WritersTest, PathologicalPlainText) {
  std::string ampersands(1 << 20, '&'), unclosed, breaks;
  for (int i = 0; i < 100000; ++i) unclosed += "<b", breaks += "<br>";
  // Each "<br>" ends its step on the next one's "<", which turns text off: every second one
  // is a line break.
  const Case pathological[] = {{">" + ampersands, ampersands}, {unclosed + ">x", "x"},
                               {breaks, std::string(50000, '\n')}};
  for (const Case& c : pathological) EXPECT_TRUE(Text(c.html) == c.expected) << c.html.substr(0, 8);
}

// Subscripts move by half the size, rounded toward zero; sizes are held to what readers take.
// The heading's size is 2S, the shift S/2.
TEST(RtfWriterTest, SizesHeldToWhatReadersTake) {
  for (const Row& r : Rows("rtf-sizes.tsv", 4)) {
    RtfTemplates t;
    FormatRtfTemplates(t, std::stoi(r.fields[0]), false);
    EXPECT_EQ(std::to_string(t.fontSize) + " " + std::string(t.subscriptOpen.view()) +
                  std::string(t.superscriptOpen.view()) + std::string(t.headingOpen.view()),
              r.fields[1] + " {\\dn" + r.fields[3] + " {\\up" + r.fields[3] +
                  " \n{\\par\\b\\fs" + r.fields[2] + " ") << r.where;
  }
}

std::string Header(const char* font, bool cyrillic) {
  RtfTemplates t;
  FormatRtfTemplates(t, 12, false);
  MemoryOutputStream out;
  WriteRtfHeader(out, font, t, cyrillic);
  return out.str();
}

// The example pages' outputs pin the header's bytes; here what the font and the character set
// change in it.
TEST(RtfWriterTest, HeaderOfEachFontAndCharacterSet) {
  const std::string latin = Header("Georgia", false), cyrillic = Header("Georgia", true);
  for (const char* part : {"\\ansicpg1252", "\\fcharset0 Georgia;", "}Georgia CE;", "\\fs24"})
    EXPECT_NE(latin.find(part), std::string::npos) << part;
  for (const char* part : {"\\ansicpg1251", "\\fcharset204 Georgia;", " Cyr;}", "\\fs24"})
    EXPECT_NE(cyrillic.find(part), std::string::npos) << part;
  for (auto [text, part] : {std::pair{latin, "1251"}, {latin, "Cyr;"}, {cyrillic, "1252"}})
    EXPECT_EQ(text.find(part), std::string::npos) << part;
}

// A font name cannot close the font table or start a control word: those bytes are left out,
// wherever they stand, and the rest of the name is kept.
TEST(RtfWriterTest, FontNameBytesThatWouldEndTheTableLeftOut) {
  for (auto [font, kept] : {std::pair{"Arial;}}}}{\\par injected", "Arialpar injected"},
                            {"}", ""}, {"\tTimes\r\n New\x1F Roman\\", "Times New Roman"},
                            {"Caf\xE9 Sans", "Caf\xE9 Sans"}})
    EXPECT_EQ(Header(font, true) + Header(font, false), Header(kept, true) + Header(kept, false));
}

// Closing braces are written only for groups the body opened.
TEST(RtfWriterTest, GroupsClosedOnlyWhereOpened) {
  for (const Row& r : Rows("rtf-groups.tsv", 3)) {
    const Translated body = Translate(r.fields[0]);
    EXPECT_EQ(body.text + "|" + std::to_string(body.openGroups), r.fields[1] + "|" + r.fields[2])
        << r.where;
  }
}

// The body is the same whatever room the buffer starts with.
TEST(RtfWriterTest, BodyTheSameWhateverTheBuffersFirstRoom) {
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

// Every step reports its tick, also steps inside runs of text, white space, dropped bytes and
// the bytes of a character; a tick that a tag jumps over stops the reports for good.
TEST(RtfWriterTest, EveryStepReportsItsTick) {
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

// A row's cells, counted from the text after the row start tag's ">"; "</table>", comments and
// blocks do not stop the count.
TEST(RtfTablesTest, CellsOfARowCounted) {
  for (const Row& r : Rows("row-cells.tsv", 2)) {
    const std::string& html = r.fields[0];
    EXPECT_EQ(CountRowCells(html.data(), html.size(), 0), std::stoul(r.fields[1])) << r.where;
  }
}

// Runs of text, blanks, skipped bytes and characters, and preformatted blocks, are taken a
// step of at most so many bytes at a time; cut as often as they can be (every byte on),
// they give the body, the groups left open and the progress of runs taken whole: in every
// RTF mode and character set, in halves and not.
TEST(RtfWriterTest, LongRunsTakenInStepsChangeNothing) {
  std::mt19937 random(11);
  const std::vector<Row> pieces = Rows("step-pieces.tsv", 1);
  std::vector<std::string> pages = {
      "<p>" + std::string(3000, 'a'), "<pre>" + std::string(3000, 'a') + "\n&amp;</pre>b",
      "<pre>unclosed\n" + std::string(3000, 'a'), "<p>a" + std::string(3000, ' ') + "b",
      "<zz " + std::string(3000, 'q') + ">text", "text<" + std::string(3000, 'q')};
  for (int n = 0; n < 30; ++n) {
    std::string page = n % 3 == 0 ? "<table><tr><td>" : "<p>";
    while (page.size() < 4000) page += pieces[random() % pieces.size()].fields[0];
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
            SCOPED_TRACE(::testing::Message() << "steps of " << longest << ", mode " << int(mode)
                         << ", split from " << splitFrom << ": " << page.substr(0, 40));
            EXPECT_EQ(cut.text, whole.text);
            EXPECT_EQ(cut.openGroups, whole.openGroups);
            EXPECT_EQ(cut.steps, whole.steps);
          }
        }
      }
    }
  }
}

}  // namespace vellumine::testing
