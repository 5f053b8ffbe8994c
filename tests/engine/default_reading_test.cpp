// The default reading: what pages of today's HTML become in plain text and RTF (the pages of
// data/reading and the outputs beside them), the tokens it reads them as, and the fast runs
// against their plain models.

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>

#include "fast/reading_runs.h"
#include "fast/text_measure.h"
#include "reading/html_tokenizer.h"
#include "reading/block_tokenizer.h"
#include "reading/page_layout.h"
#include "reading/read_page.h"
#include "reading/rtf_page_writer.h"
#include "reading/text_page_writer.h"
#include "job/temporary_file_store.h"
#include "engine_test_util.h"

namespace vellumine::testing {
namespace {

// The output of a conversion in memory, line feeds for line ends.
std::string Convert(std::string_view html, const vellumine_options& options) {
  MemoryOutputStream out;
  EXPECT_EQ(ConvertMemory(html.data(), html.size(), options, out), VELLUMINE_OK);
  return out.str();
}
std::string Convert(std::string_view html, ConversionMode mode,
                    vellumine_encoding encoding = VELLUMINE_ENCODING_AUTO) {
  vellumine_options options = OptionsFor(mode);
  options.encoding = encoding;
  return Convert(html, options);
}

// The plain text of a page read as UTF-8, without its last line feed.
std::string Text(std::string_view html) {
  std::string text = Convert(html, ConversionMode::Text, VELLUMINE_ENCODING_UTF_8);
  if (!text.empty() && text.back() == '\n') text.pop_back();
  return text;
}

// Whether the braces of an RTF text (escapes aside) close where they open, none early.
bool BracesBalance(std::string_view rtf) {
  long depth = 0;
  for (size_t i = 0; i < rtf.size(); ++i) {
    if (rtf[i] == '\\') ++i;
    else if (rtf[i] == '{') ++depth;
    else if (rtf[i] == '}' && --depth < 0) return false;
  }
  return depth == 0;
}

// The pages of data/reading, read as UTF-8 unless a case names another encoding: the whole
// plain text, and the RTF after its header, whose last line declares the list overrides (the
// example pages' outputs pin the header).
std::string ReadingOutput(const std::string& page, const CaseOptions& o) {
  vellumine_options options = OptionsFor(o.mode);
  options.encoding = o.encoding == VELLUMINE_ENCODING_AUTO ? VELLUMINE_ENCODING_UTF_8 : o.encoding;
  options.links = o.links;
  options.wrap = o.wrap;
  std::string out = Convert(page, options);
  if (o.mode != ConversionMode::Text)
    out.erase(0, out.find('\n', out.find("{\\*\\listoverridetable")) + 1);
  return out;
}

TEST(DefaultReading, PlainTextAndRtfOfThePages) {
  for (const char* format : {".txt", ".rtf"})
    ExpectTheOutputsBesideThePages("reading", format, ReadingOutput);
}

TEST(DefaultReading, LargeTablesGoOutUnaligned) {
  // Past the rows held back, the rows already held are written aligned and the rest with
  // two blanks between cells; no cell is lost or glued.
  std::string html = "<table>";
  for (int r = 0; r < 1500; ++r)
    html += "<tr><td>r" + std::to_string(r) + "</td><td>" + std::string(r % 7, 'x') + "y</td>";
  html += "</table>end";
  const std::string text = Text(html);
  EXPECT_NE(text.find("\nr10   xxxy\n"), std::string::npos);      // held: aligned
  EXPECT_NE(text.find("\nr1499  xy\n\nend"), std::string::npos);  // beyond: two blanks
  EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1500 + 1);
}

TEST(DefaultReading, DeepNestingStaysAtTheDeepestIndent) {
  std::string html;
  for (int i = 0; i < 5000; ++i) html += "<ol><li><blockquote><dl><dd>Q";
  for (ConversionMode mode : kModes) {
    const std::string out = Convert(html, mode);
    EXPECT_EQ(std::count(out.begin(), out.end(), 'Q'), 5000);
  }
  const std::string text = Text(html);
  EXPECT_EQ(text.substr(0, text.find('\n')), std::string(9, ' ') + "1. Q");
  EXPECT_EQ(text.substr(text.rfind('\n') + 1), std::string(46, ' ') + "\u2022 Q");
}

// An RTF row is held until it ends, its definition then written before its cells; a row
// longer than the writer holds is written with the cells it has by then, and its later cells
// join the last of them: the row's cells and boundaries agree and no text is lost. So among
// a table's first rows (held while its columns are measured) and after them.
TEST(DefaultReading, RtfRowLongerThanHeldKeepsItsText) {
  const size_t cellBytes = PageOutput::kLongestHeld / 4 + 1000;
  for (int rowsBefore : {1, RtfPageWriter<true>::kMeasuredRows}) {
    std::string html = "<table>";
    for (int r = 0; r < rowsBefore; ++r) html += "<tr><td>first";
    html += "<tr>";
    for (char c = 'a'; c <= 'h'; ++c) html += "<td>" + std::string(1, c) + std::string(cellBytes, 'x');
    html += "<tr><td>last</table>";
    const std::string body = Convert(html, ConversionMode::RtfTables);
    EXPECT_TRUE(BracesBalance(body));
    std::vector<size_t> definitions;  // where each \trowd is
    for (size_t p = 0; (p = body.find("\\trowd", p)) != std::string::npos; ++p) definitions.push_back(p);
    ASSERT_EQ(definitions.size(), size_t(rowsBefore) + 2);
    const size_t longRow = definitions[size_t(rowsBefore)], lastRow = definitions.back();
    auto count = [&](const std::string& word, size_t from, size_t to) {
      size_t k = 0;
      for (size_t p = from; (p = body.find(word, p)) < to; p += word.size())
        k += body.compare(p, 6, "\\cellx") != 0 || word == "\\cellx";
      return k;
    };
    // Three cells and a part of the fourth fill what is held: four boundaries, four cells,
    // the definition before them.
    EXPECT_EQ(count("\\cellx", longRow, lastRow), 4u) << rowsBefore;
    EXPECT_EQ(count("\\cell", longRow, lastRow), 4u) << rowsBefore;
    EXPECT_LT(longRow, body.find("a" + std::string(cellBytes, 'x'))) << rowsBefore;
    for (char c = 'a'; c <= 'h'; ++c)
      EXPECT_NE(body.find(std::string(1, c) + std::string(cellBytes, 'x')), std::string::npos) << c;
    EXPECT_NE(body.find("last\\cell"), std::string::npos) << rowsBefore;
  }
}

TEST(DefaultReading, Tokens) {
  const std::string page = "a<P Class=\"x>y\">b&amp;<br/></p ><u>c<!--d-->&#1;<blockquote";
  const std::string padded = page + std::string(kScanChunk, '>');  // read, never taken
  HtmlTokenizer tokens(padded.data(), page.size());
  std::string seen;
  for (HtmlToken t = tokens.Next(); t.kind != HtmlToken::Kind::End; t = tokens.Next()) {
    if (t.kind == HtmlToken::Kind::Text) seen += "[" + page.substr(t.begin, t.end - t.begin) + "]";
    else if (t.kind == HtmlToken::Kind::Character) seen += "#" + std::to_string(t.cps[0]);
    else seen += (t.kind == HtmlToken::Kind::EndTag ? "</" : "<") + std::to_string(int(t.tag)) +
                 (t.selfClosing ? "/>" : ">");
  }
  const std::string p = std::to_string(int(Tag::P)), br = std::to_string(int(Tag::Br)),
                    u = std::to_string(int(Tag::U));
  EXPECT_EQ(seen, "[a]<" + p + ">[b]#38<" + br + "/></" + p + "><" + u + ">[c]#1");
}

TEST(DefaultReading, AttributesFoundByName) {
  size_t vb = 0, ve = 0;
  const std::string attributes = " class=\"a b\" START = '7' reversed value=x>y";
  ASSERT_TRUE(FindAttribute(attributes.data(), 0, attributes.size(), "start", vb, ve));
  EXPECT_EQ(attributes.substr(vb, ve - vb), "7");
  ASSERT_TRUE(FindAttribute(attributes.data(), 0, attributes.size(), "value", vb, ve));
  EXPECT_EQ(attributes.substr(vb, ve - vb), "x>y");
  EXPECT_FALSE(FindAttribute(attributes.data(), 0, attributes.size(), "b", vb, ve));
}

// Markup passed over whose end lies past the text read so far goes on from where its search
// stopped: cut anywhere, the tokens after it are those of the whole text.
TEST(DefaultReading, PassingOverGoesOnWhereItStopped) {
  auto rest = [](HtmlTokenizer& tokens) {  // the tokens from the position on
    std::string seen;
    for (HtmlToken t = tokens.Next(); t.kind != HtmlToken::Kind::End; t = tokens.Next()) {
      const bool tag = t.kind == HtmlToken::Kind::StartTag || t.kind == HtmlToken::Kind::EndTag;
      seen += std::to_string(int(t.kind)) + ":" + std::to_string(t.begin) + "-" +
              std::to_string(t.end) + ":" + (tag ? std::to_string(int(t.tag)) : "") + " ";
    }
    return seen;
  };
  for (const Row& r : Rows("passed-over-openings.tsv", 1)) {
    const std::string& open = r.fields[0];
    const std::string page = "<p>a" + open + "some words, then -- -!> %> ]] </scrip </script " +
                             "x</scriptx </style </titl --!> ]]> %> > </script\t</style >" +
                             "</title></template></svg></svg x=\">\"> <-->z<p>";
    const std::string padded = page + std::string(kScanChunk, '\0');
    const size_t start = 4 + open.size();  // where the search begins
    HtmlTokenizer whole(padded.data(), page.size(), 4);
    const std::string after = rest(whole);
    ASSERT_NE(after, "") << open;
    int goneOn = 0;
    for (size_t cut = start; cut < page.size(); ++cut) {
      HtmlTokenizer part(padded.data(), cut, 4);
      const std::string partial = rest(part);
      const PassingOver over = part.passingOver();
      // Only where the first markup was cut (its end not read, no token after it).
      if (over.kind == PassingOver::Kind::None || !partial.empty()) continue;
      ++goneOn;
      EXPECT_LE(over.from, cut);
      HtmlTokenizer more(padded.data(), page.size(), over.from);
      more.GoOn(over);
      EXPECT_EQ(rest(more), after) << open << " cut at " << cut;
    }
    EXPECT_GT(goneOn, 0) << open;
  }
}

// The chunked scans against byte-at-a-time models, on pages made of the bytes they stop at.
TEST(DefaultReading, FastRunsMatchTheirModels) {
  std::mt19937 random(20);
  const unsigned char alphabet[] = {'a', 'Z', '0', ' ', '\t', '\n', '<', '&', '{', '}', '\\', 'o', 'L',
                                    0x7F, 0x01, 0x80, 0xE9, 0xFF, '~', '!', '"'};
  for (int round = 0; round < 3000; ++round) {
    std::string bytes(random() % 80, '\0');
    for (char& c : bytes) c = static_cast<char>(alphabet[random() % sizeof alphabet]);
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t from = bytes.empty() ? 0 : random() % bytes.size();
    size_t model = from;
    while (model < bytes.size() && s[model] != '<' && s[model] != '&') ++model;
    ASSERT_EQ(FindMarkupOrReference(s, from, bytes.size()), model) << round;
    // (It reads past its end: the string's terminator and what the padding holds.)
    const std::string ampersands = bytes + std::string(kScanChunk, '&');
    const size_t end = bytes.size() - (bytes.empty() ? 0 : random() % (bytes.size() - from + 1));
    size_t highModel = std::min(from, end);
    while (highModel < end && s[highModel] < 0x80 && s[highModel] != '&') ++highModel;
    ASSERT_EQ(FindReferenceOrHighByte(reinterpret_cast<const unsigned char*>(ampersands.data()),
                                      std::min(from, end), end), highModel) << round;
    size_t pairsModel = from;  // "ol" or "zl"
    while (pairsModel + 1 < bytes.size() && !(((s[pairsModel] | 0x20) == 'o' || (s[pairsModel] | 0x20) == 'z') &&
                                              (s[pairsModel + 1] | 0x20) == 'l')) ++pairsModel;
    if (pairsModel + 1 >= bytes.size()) pairsModel = bytes.size();
    const std::string pairsPast = bytes + std::string(kScanChunk, round % 2 ? 'l' : 'o');
    ASSERT_EQ(FindLetterPairsReadingPast(reinterpret_cast<const unsigned char*>(pairsPast.data()),
                                         from, bytes.size(), 'o', 'l', 'z', 'l'), pairsModel) << round;
    // A cell's measure: blanks end words; on a UTF-8 page a continuing byte takes no column.
    for (bool utf8 : {false, true}) {
      TextMeasure fast, plain;
      fast.word = plain.word = static_cast<uint32_t>(round % 3);  // (a word going on)
      MeasureText(reinterpret_cast<const unsigned char*>(ampersands.data()) + from, bytes.size() - from,
                  utf8, fast);
      for (size_t k = from; k < bytes.size(); ++k) {
        if (s[k] <= 0x20) plain.longestWord = std::max(plain.longestWord, plain.word), plain.word = 0;
        else ++plain.word;
        plain.line += !(utf8 && s[k] >= 0x80 && s[k] < 0xC0);
      }
      fast.Break();
      plain.Break();
      ASSERT_EQ(fast.longestWord, plain.longestWord) << round;
      ASSERT_EQ(fast.longestLine, plain.longestLine) << round;
    }
    // (Reading past the end, what lies there is plain or not.)
    const std::string plainPast = bytes + std::string(kScanChunk, round % 2 ? 'x' : '"');
    const auto* past = reinterpret_cast<const unsigned char*>(plainPast.data());
    auto copies = [&](auto plain) {  // plain: a PlainBytes constant
      char out[96 + kScanChunk], outPast[96 + kScanChunk];
      const size_t copied = CopyPlainRun<plain()>(s, bytes.size(), out);
      const size_t copiedPast = CopyPlainRunReadingPast<plain()>(past, bytes.size(), outPast);
      size_t expected = 0;
      while (expected < bytes.size() && IsPlainByte(plain(), s[expected])) ++expected;
      ASSERT_EQ(copied, expected) << round;
      ASSERT_EQ(std::string(out, copied), bytes.substr(0, copied)) << round;
      ASSERT_EQ(copiedPast, expected) << round;
      ASSERT_EQ(std::string(outPast, copiedPast), bytes.substr(0, copiedPast)) << round;
    };
    copies(std::integral_constant<PlainBytes, PlainBytes::PrintableAscii>{});
    copies(std::integral_constant<PlainBytes, PlainBytes::PrintableOrHigh>{});
    copies(std::integral_constant<PlainBytes, PlainBytes::RtfText>{});
    copies(std::integral_constant<PlainBytes, PlainBytes::RtfName>{});
    // With blanks, reading past the end (whatever lies there), collapsing or not.
    std::string padded = bytes + std::string(kScanChunk, ' ');
    const auto* p = reinterpret_cast<const unsigned char*>(padded.data());
    for (bool afterBlank : {false, true}) {
      char out[96 + kScanChunk];
      const size_t kept =
          CopyPlainRunWithBlanks<PlainBytes::RtfText, false>(p, bytes.size(), out, afterBlank);
      const size_t collapsed =
          CopyPlainRunWithBlanks<PlainBytes::RtfText, true>(p, bytes.size(), out, afterBlank);
      size_t keptModel = 0;
      while (keptModel < bytes.size() &&
             (p[keptModel] == ' ' || IsPlainByte(PlainBytes::RtfText, p[keptModel]))) ++keptModel;
      size_t collapsedModel = 0;
      for (bool blankBefore = afterBlank; collapsedModel < bytes.size(); ++collapsedModel) {
        const unsigned char c = p[collapsedModel];
        if (c == ' ' ? blankBefore : !IsPlainByte(PlainBytes::RtfText, c)) break;
        blankBefore = c == ' ';
      }
      ASSERT_EQ(kept, keptModel) << round;
      ASSERT_EQ(collapsed, collapsedModel) << round;
      ASSERT_EQ(std::string(out, collapsed), bytes.substr(0, collapsed)) << round;
    }
  }
}

// The output of a page laid out from an HtmlTokenizer that gives text runs of at most
// longestText bytes, in a mode.
std::string LaidOut(const std::string& page, ConversionMode mode, size_t longestText,
                    vellumine_links links = VELLUMINE_LINKS_NONE, int wrap = 0) {
  const std::string padded = page + std::string(kReadPastPage + kScanChunk, '\0');
  const EncodingChoice encoding = ChooseEncoding(VELLUMINE_ENCODING_AUTO, page.data(), page.size());
  MemoryOutputStream out;
  PageOutput output(out);
  HtmlTokenizer tokens(padded.data(), page.size(), 0, longestText);
  auto lay = [&](auto& writer) {
    PageLayout<std::remove_reference_t<decltype(writer)>> layout(writer, encoding);
    for (HtmlToken token = tokens.Next(); token.kind != HtmlToken::Kind::End; token = tokens.Next())
      layout.Take(padded.data(), token);
    layout.Finish();
    writer.Finish();
  };
  if (mode == ConversionMode::Text) {
    TextTable table;
    EXPECT_TRUE(table.Allocate());
    TextPageWriter writer(output, table, encoding, false, links, wrap);
    lay(writer);
  } else if (mode == ConversionMode::Rtf) {
    RtfPageWriter<false> writer(output, encoding, "Arial", 10);
    lay(writer);
  } else {
    EXPECT_TRUE(output.AllowHolding());
    RtfPageWriter<true> writer(output, encoding, "Arial", 10);
    lay(writer);
  }
  output.Flush();
  return out.str();
}

// Long text runs are given as several tokens, cut where the cut changes nothing: the output
// of runs cut as often as they can be (every byte on) is the output of runs never cut, in
// every mode, wrapped or not, on the example pages and on runs of every kind of byte: words,
// blanks and controls, NUL bytes, CR LF pairs, preformatted lines, UTF-8 and Latin-1
// letters, in cells and lists.
TEST(DefaultReading, LongTextRunsCutChangeNothing) {
  std::vector<std::string> pages;
  for (const auto& [name, page] : ExamplePages()) pages.push_back(page);
  std::mt19937 random(7);
  const std::vector<Row> pieces = Rows("cut-run-pieces.tsv", 1);
  for (int n = 0; n < 40; ++n) {
    std::string page = n % 2 ? "<meta charset=utf-8>" : "";
    if (n % 4 == 1) page += "<table><tr>";
    while (page.size() < 3000) page += pieces[random() % pieces.size()].fields[0];
    pages.push_back(page);
  }
  pages.push_back("<p>" + std::string(5000, '\0') + "x" + std::string(5000, ' ') + "y");
  for (const std::string& page : pages) {
    for (ConversionMode mode : kModes) {
      const std::string whole = LaidOut(page, mode, SIZE_MAX);
      for (size_t longest : {1, 2, 3, 17}) {
        EXPECT_TRUE(LaidOut(page, mode, longest) == whole)
            << static_cast<int>(mode) << ", runs of " << longest << " bytes";
      }
    }
    const std::string wrapped = LaidOut(page, ConversionMode::Text, SIZE_MAX, VELLUMINE_LINKS_LIST, 12);
    EXPECT_TRUE(LaidOut(page, ConversionMode::Text, 1, VELLUMINE_LINKS_LIST, 12) == wrapped);
  }
  // A cut is made: the tokens of a long run are short, and give the run back.
  const std::string run = "a b" + std::string(100, 'c') + "<p>";
  const std::string padded = run + std::string(kScanChunk, '\0');
  HtmlTokenizer tokens(padded.data(), run.size(), 0, 10);
  std::string again;
  for (HtmlToken t = tokens.Next(); t.kind == HtmlToken::Kind::Text; t = tokens.Next()) {
    EXPECT_LE(t.end - t.begin, 11u);
    again += run.substr(t.begin, t.end - t.begin);
  }
  EXPECT_EQ(again, run.substr(0, run.size() - 3));
}

// An overflow store in memory that takes the first `takes` pieces and refuses the rest, and
// that may fail to give them back.
struct MemoryStore final : OverflowStore {
  int takes = 1 << 30;
  bool givesBack = true;
  std::string stored;
  int pieces = 0;
  bool Append(const char* data, size_t n) override {
    if (pieces == takes) return false;
    ++pieces;
    stored.append(data, n);
    return true;
  }
  bool ReadBack(const std::function<void(const char*, size_t)>& take) override {
    if (!givesBack && !stored.empty()) return false;
    for (size_t at = 0; at < stored.size(); at += 1000)
      take(stored.data() + at, std::min<size_t>(1000, stored.size() - at));
    return true;
  }
};

// A page with more listed addresses than are held in memory: the store takes them while it
// can, and the list comes out whole and in order, as from memory alone; a store that cannot
// give them back fails the conversion. So does the temporary file that is the real store,
// which leaves nothing behind.
TEST(DefaultReading, ListedAddressesSetAside) {
  std::string page;
  for (int i = 0; page.size() < (TextPageWriter::kHeldAddresses * 3); ++i)
    page += "<p>Link <a href=\"https://example.org/a/long/path/to/page-" + std::to_string(i) +
            ".html#section\">" + std::to_string(i) + "</a>\n";
  const std::string padded = page + std::string(kReadPastPage, '\0');
  const EncodingChoice encoding = ChooseEncoding(VELLUMINE_ENCODING_AUTO, page.data(), page.size());
  vellumine_options options = OptionsFor(ConversionMode::Text);
  options.links = VELLUMINE_LINKS_LIST;
  auto read = [&](OverflowStore* store, std::string& text) {
    MemoryOutputStream out;
    ProgressTicks ticks;
    vellumine_result result =
        ReadPage(padded.data(), page.size(), encoding, options, ticks, out, store);
    text = out.str();
    return result;
  };
  std::string alone;
  ASSERT_EQ(read(nullptr, alone), VELLUMINE_OK);
  ASSERT_TRUE(alone.ends_with("page-" + std::to_string(std::count(page.begin(), page.end(), '\n') - 1) +
                              ".html#section\n"));
  for (int takes : {0, 1, 1 << 30}) {
    MemoryStore store;
    store.takes = takes;
    std::string text;
    EXPECT_EQ(read(&store, text), VELLUMINE_OK);
    EXPECT_TRUE(text == alone) << takes;
    EXPECT_EQ(store.pieces, std::min(takes, 2)) << takes;
    if (takes != 0) { EXPECT_GE(store.stored.size(), TextPageWriter::kHeldAddresses) << takes; }
    store.givesBack = false;
    EXPECT_EQ(read(&store, text), takes == 0 ? VELLUMINE_OK : VELLUMINE_CANNOT_WRITE_OUTPUT);
  }
  TempDirectory spool;
#ifndef _WIN32
  setenv("TMPDIR", spool.path().c_str(), 1);
#endif
  {
    TemporaryFileStore file;
    std::string text;
    EXPECT_EQ(read(&file, text), VELLUMINE_OK);
    EXPECT_TRUE(text == alone);
#ifndef _WIN32
    EXPECT_FALSE(std::filesystem::is_empty(spool.path()));
#endif
  }
#ifndef _WIN32
  EXPECT_TRUE(std::filesystem::is_empty(spool.path()));
  unsetenv("TMPDIR");
#endif
}

// A token as the layout sees it: where it is on the page and what it holds.
struct SeenToken {
  size_t at = 0;  // the page's position of its first byte (text) or of its attributes (tags)
  HtmlToken::Kind kind = HtmlToken::Kind::End;
  Tag tag = Tag::Unknown;
  bool selfClosing = false;
  uint32_t cps[2] = {};
  std::string bytes;  // text[begin, end)
  std::string attributes;  // the values of those read, in order
  size_t after = 0;  // the page's position after it
  bool operator==(const SeenToken&) const = default;
};

SeenToken Seen(size_t offset, const char* text, const HtmlToken& token, size_t position) {
  const bool tag = token.kind == HtmlToken::Kind::StartTag || token.kind == HtmlToken::Kind::EndTag;
  SeenToken seen{offset + token.begin, token.kind, tag ? token.tag : Tag::Unknown,
                 tag && token.selfClosing, {}, {}, {}, offset + position};
  if (token.kind == HtmlToken::Kind::Character) {
    seen.at = 0;  // (a reference's token holds no position)
    std::copy(std::begin(token.cps), std::begin(token.cps) + token.count, seen.cps);
    return seen;
  }
  seen.bytes.assign(text + token.begin, token.end - token.begin);
  if (token.kind == HtmlToken::Kind::StartTag) {
    TagAttributes attributes;
    ReadUsedAttributes(text, token, AttributeUse{true, true}, attributes);
    for (int k = 0; k < TagAttributes::kCount; ++k)
      if (attributes.has[k])
        seen.attributes += std::to_string(k) + "=" +
                           std::string(text + attributes.begin[k], attributes.end[k] - attributes.begin[k]) + ";";
  }
  return seen;
}

// A token in a failure's message: its kind, where it starts, its length and where the next
// starts.
std::string Shown(const SeenToken& t) {
  return std::to_string(static_cast<int>(t.kind)) + "@" + std::to_string(t.at) + "+" +
         std::to_string(t.bytes.size()) + ">" + std::to_string(t.after);
}

// The tokens of page given a block of `block` bytes at a time.
std::vector<SeenToken> TokensInBlocks(const std::string& page, size_t block) {
  // Two buffers taken in turn (the last block's holds its bytes until the next is given).
  std::vector<char> buffers[2];
  for (std::vector<char>& buffer : buffers) buffer.assign(BlockTokenizer::BufferSize(block), '\x55');
  BlockTokenizer blocks;
  std::vector<SeenToken> tokens;
  for (size_t at = 0, k = 0;; ++k) {
    const size_t n = std::min(block, page.size() - at);
    char* bytes = buffers[k % 2].data() + BlockTokenizer::kCarry;
    std::memcpy(bytes, page.data() + at, n);
    at += n;
    const size_t offset = blocks.offset();
    blocks.Commit(bytes, n, at == page.size(), [&](const char* text, const HtmlToken& token, size_t position) {
      tokens.push_back(Seen(offset, text, token, position));
    });
    if (at == page.size()) return tokens;
  }
}

std::vector<SeenToken> TokensOfTheWhole(const std::string& page) {
  const std::string padded = page + std::string(BlockTokenizer::kReadPast, '\0');
  std::vector<SeenToken> tokens;
  BlockTokenizer::TokenizeWhole(padded.data(), page.size(),
                                [&](const char* text, const HtmlToken& token, size_t position) {
                                  tokens.push_back(Seen(0, text, token, position));
                                });
  return tokens;
}

// Pages given a block at a time give the tokens of the page whole, at the same positions,
// whatever the blocks' size: random pages weighted toward markup cut anywhere (tags with
// quoted ">", references, comments, passed-over content and its end tags, a "<" or "&" at a
// block's end) and long runs that are cut into several tokens.
TEST(BlockTokenizer, GivesTheTokensOfThePageWhole) {
  std::mt19937 random(11);
  std::vector<std::string> pieces;
  for (const Row& r : Rows("block-pieces.tsv", 1)) pieces.push_back(r.fields[0]);
  pieces.insert(pieces.end(), {std::string(300, 'z'), std::string(70000, 'w')});
  for (int round = 0; round < 61; ++round) {
    std::string page;
    const size_t size = round % 10 == 0 ? 200000 : 3000;
    if (round == 60) {  // long runs of one kind of byte each, cut at many places
      using namespace std::string_literals;
      for (const std::string& run : {"word "s, "\t"s, " \0 "s, "\0"s, "\xc3\xa9"s, "x"s})
        for (const size_t end = page.size() + (100 << 10); page.size() < end;) page += run;
    }
    while (page.size() < size) {
      const size_t k = random() % pieces.size();
      if (k + 1 == pieces.size() && round % 10 != 0) continue;  // the long run on long pages
      page += pieces[k];
    }
    const std::vector<SeenToken> whole = TokensOfTheWhole(page);
    for (size_t block : {size_t{1}, size_t{2}, size_t{63}, size_t{64}, size_t{65}, size_t{1000},
                         size_t{4096}, size_t{1} + random() % 20000}) {
      if (page.size() > 10000 && block < 64) continue;  // (slow, and no more to see)
      const std::vector<SeenToken> blocks = TokensInBlocks(page, block);
      auto all = [](const std::vector<SeenToken>& ts) {
        std::string shown;
        for (const SeenToken& t : ts) shown += Shown(t) + " ";
        return shown;
      };
      ASSERT_EQ(blocks.size(), whole.size()) << "round " << round << ", blocks of " << block
                                             << "\n" << all(blocks) << "\n" << all(whole);
      for (size_t k = 0; k < whole.size(); ++k)
        ASSERT_TRUE(blocks[k] == whole[k]) << "round " << round << ", blocks of " << block
            << ", token " << k << ": " << Shown(blocks[k]) << " against " << Shown(whole[k]);
    }
  }
}

// A tag too long to carry from one block to the next is passed over to the first ">" after
// where it was cut; the reading goes on from there, in bounded memory and linear time.
TEST(BlockTokenizer, PassesOverATagTooLongToCarry) {
  const std::string longValue(3 * BlockTokenizer::kCarry, 'x');
  const std::string page = "<p>a <span title=\"" + longValue + "\">b</span> c<b>d</b>";
  std::vector<SeenToken> tokens = TokensInBlocks(page, 4096);
  std::string text;
  for (const SeenToken& token : tokens)
    if (token.kind == HtmlToken::Kind::Text) text += token.bytes;
  EXPECT_EQ(text, "a b cd");
  ASSERT_FALSE(tokens.empty());
  EXPECT_EQ(tokens.back().kind, HtmlToken::Kind::EndTag);
  EXPECT_EQ(tokens.back().tag, Tag::B);
}

TEST(DefaultReading, AKeptBufferHoldsNothingOfTheLastPage) {
  // One thread's jobs share their text buffer: a short page after a long one reads only
  // its own bytes (the long page's are still in the buffer past the short one's end).
  const std::string longPage = "<p>" + std::string(100000, 'x') + " <pre>tail</pre> &amp;";
  const std::string shortPages[] = {"<p>a", "<p>a &am", "<pre>b", "<p>c <"};
  for (ConversionMode mode : kModes) {
    for (const std::string& shortPage : shortPages) {
      std::string fresh;
      std::thread([&] { fresh = Convert(shortPage, mode); }).join();
      Convert(longPage, mode);
      EXPECT_EQ(Convert(shortPage, mode), fresh) << shortPage;
    }
  }
}

TEST(DefaultReading, NoAddressBreaksTheDocument) {
  // Quotes, backslashes, braces and RTF of the page's own, in addresses and names.
  const char* hostile[] = {"a\"}}{\\rtf1 x", "\\\\server\\share", "x}{\\field", "\"\"\"",
                           "{\\*\\fldinst HYPERLINK \"evil\"}", "#}{\\b", "http://h/\\'41"};
  for (const char* address : hostile) {
    for (ConversionMode mode : {ConversionMode::Rtf, ConversionMode::RtfTables}) {
      std::string quoted;
      for (const char* p = address; *p; ++p) quoted += *p == '"' ? "&quot;" : std::string(1, *p);
      const std::string html = "<table><tr><td><a href=\"" + quoted + "\" id=\"" + quoted +
                               "\">text</a> after</table>";
      const std::string rtf = Convert(html, mode);
      EXPECT_TRUE(BracesBalance(rtf)) << address << "\n" << rtf;
      EXPECT_EQ(rtf.find("\\rtf1", 5), std::string::npos) << address;
      EXPECT_EQ(rtf.rfind('}'), rtf.size() - 1) << address;
      // The instruction's quoted address holds no quote of the page's.
      const size_t instruction = rtf.find("HYPERLINK");
      ASSERT_NE(instruction, std::string::npos) << address;
      const size_t open = rtf.find('"', instruction);
      const size_t close = rtf.find('"', open + 1);
      EXPECT_EQ(rtf.compare(close, 3, "\"}{"), 0) << address << "\n" << rtf;
    }
  }
}

}  // namespace
}  // namespace vellumine::testing
