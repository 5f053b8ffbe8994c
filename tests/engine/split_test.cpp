// Texts read, prepared and translated in two halves give what one pass over the whole text
// gives. Read and prepared: wherever a block, a CR LF pair or the 0x1A end lies, across the
// middle or in either half, and when the file shrinks or fails while it is read. Translated:
// the same body, open groups and progress shown, in every mode and character set, wherever
// the second half starts (in a tag, a list, a table, a reference, a UTF-8 character) and
// whether or not the halves' states ever agree. The helper thread starts off the caller's core.
#include <future>
#include <random>
#include <thread>
#include <tuple>

#if defined(__linux__)
#include <pthread.h>
#include <sched.h>
#endif

#include "engine_test_util.h"
#include "fast/helper_thread.h"
#include "fast/split_preparation.h"
#include "translation/prepare_text.h"

namespace vellumine::testing {

// What a read gives: whether it succeeded, the text as read, the prepared text, and the
// length read before 0x1A; with `whole`, the pass over `raw` on one thread.
using Prepared = std::tuple<bool, std::string, std::string, size_t>;

Prepared ReadInHalves(RawTextSource& source, size_t size, size_t splitFrom) {
  ByteBuffer text, prepared;
  EXPECT_TRUE(text.Allocate(size + 16));
  EXPECT_TRUE(prepared.Allocate(size + 16));
  size_t readLength = 0;
  if (!ReadAndPrepare(source, size, text, prepared, readLength, splitFrom)) return {};
  return {true, std::string(text.view()), std::string(prepared.view()), readLength};
}

Prepared Whole(const std::string& raw) {
  std::string prepared(raw.size() + 16, '\0');
  size_t readLength = 0;
  prepared.resize(PrepareRawText(raw.data(), raw.size(), prepared.data(), &readLength));
  return {true, raw, prepared, readLength};
}

void ExpectSameInHalves(const std::string& html, const std::string& what) {
  for (ConversionMode mode : kModes) {
    for (const EncodingChoice& encoding : {EncodingChoice{}, kKoi8, kUtf8}) {
      for (bool asUtf8 : {false, true}) {  // plain text asked for in UTF-8
        if (asUtf8 && mode != ConversionMode::Text) continue;
        const Translated whole = Translate(html, {mode, encoding, asUtf8});
        const std::string where = what + ", mode " + std::to_string(int(mode)) +
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


std::string RandomPage(std::mt19937& random, size_t pieces) {
  static const std::vector<Row> kPieces = Rows("split-pieces.tsv", 1);
  std::string html;
  for (size_t i = 0; i < pieces; ++i) html += kPieces[random() % kPieces.size()].fields[0];
  return html;
}

// A file whose end moves while it is read: reads beyond `end` find nothing, and a read
// that starts at `failAt` fails.
struct ChangingSource final : RawTextSource {
  ChangingSource(const std::string& text, size_t readable, size_t failing)
      : bytes(text), end(readable), failAt(failing) {}
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override {
    got = 0;
    return offset != failAt && MemoryTextSource(bytes.data(), end).ReadAt(offset, into, n, got);
  }
  const std::string& bytes;
  size_t end, failAt;
};

TEST(SplitTest, ReadAndPreparedInHalves) {
  // Each piece is placed so that it starts at every offset around the middle of the text.
  for (const Row& r : Rows("split-placed-pieces.tsv", 1)) {
    const std::string& piece = r.fields[0];
    for (size_t before = 44; before < 76; ++before) {
      const std::string raw = std::string(before, 'a') + piece + std::string(60, 'b') +
                              "<title>T</title>z\r\n";
      MemoryTextSource source(raw.data(), raw.size());
      EXPECT_EQ(ReadInHalves(source, raw.size(), 2), Whole(raw)) << before << ": " << piece;
    }
  }
  const std::vector<Row> rawPieces = Rows("split-raw-pieces.tsv", 1);
  std::mt19937 random(12);
  for (int i = 0; i < 400; ++i) {  // each round starts threads, which are slow under emulation
    std::string raw;
    for (size_t k = random() % 300; k > 0; --k)
      raw += rawPieces[random() % rawPieces.size()].fields[0];
    MemoryTextSource source(raw.data(), raw.size());
    // In halves, and whole below the threshold.
    for (size_t splitFrom : {size_t{2}, raw.size() + 1})
      EXPECT_EQ(ReadInHalves(source, raw.size(), splitFrom), Whole(raw)) << raw;
  }
  const std::string raw = "<title>t</title>one\r\ntwo<script>x</script>three\r\nfour five six";
  const size_t half = raw.size() / 2, kNever = size_t(-1);
  // The text is what the reads found, prepared as a whole.
  for (size_t end : {size_t{0}, size_t{5}, half - 1, half, half + 3, raw.size() - 1}) {
    ChangingSource source(raw, end, kNever);
    EXPECT_EQ(ReadInHalves(source, raw.size(), 2), Whole(raw.substr(0, end))) << end;
  }
  for (size_t failAt : {size_t{0}, half}) {
    ChangingSource source(raw, raw.size(), failAt);
    EXPECT_FALSE(std::get<0>(ReadInHalves(source, raw.size(), 2))) << "failing at " << failAt;
    // Read whole, only the read from the start is made.
    EXPECT_EQ(std::get<0>(ReadInHalves(source, raw.size(), raw.size() + 1)), failAt != 0) << failAt;
  }
}

TEST(SplitTest, TranslatedInHalves) {
  std::mt19937 random(77);
  // Few rounds of long pages: each round starts threads, which are slow under emulation.
  for (int round = 0; round < 200; ++round) {
    const std::string html = RandomPage(random, 1 + random() % 400);
    ExpectSameInHalves(html, ::testing::PrintToString(html));
  }
  // The first half reaches the end inside a preformatted block, where the second half, which
  // took the block's text as text, ends a step past the end: no step may start there.
  ExpectSameInHalves(
      "<tr></h2></pre>&</td><b><ul><sup>  <strong><i><table></h2>&eacute;</table>{\xD0\x96"
      "\xD0\x96&<pre></tr>x \t\t&#8212;<a href=\"x\"></b><strong></table>&#8212;&<h2><p>"
      "</ul>\xD0\x96\xD0\x96</b></strong> <table>\n</p></td></strong>&nbsp;</td></a></h2><"
      "</a><th>&zz;</strong></strong><b>&></td>\\", "a preformatted block to the end");
  // Pages longer than the distance between the states the second half leaves for the first
  // to compare with: an open list, bold group or table row at the middle makes the halves
  // agree only later, or never.
  random = std::mt19937(78);
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

// A helper thread starts off its creator's core where there is another to go to, and keeps
// every core it may use where there is not; its work runs either way.
TEST(SplitTest, HelperThreadStartsOffTheCallersCore) {
#if defined(__linux__)
  cpu_set_t original;
  ASSERT_EQ(sched_getaffinity(0, sizeof original, &original), 0);
  std::vector<int> cores;
  for (int core = 0; core < CPU_SETSIZE; ++core)
    if (CPU_ISSET(core, &original)) cores.push_back(core);
  auto helperCores = [](const cpu_set_t& callerMay) {
    EXPECT_EQ(sched_setaffinity(0, sizeof callerMay, &callerMay), 0);
    cpu_set_t helperMay;
    CPU_ZERO(&helperMay);
    bool ran = false;
    // The helper may run before its cores are chosen: they are read from outside once
    // StartHelperThread has returned, while the helper waits.
    std::promise<void> asked;
    std::thread helper;
    EXPECT_TRUE(StartHelperThread(helper, [&, done = asked.get_future()] {
      done.wait();
      ran = true;
    }));
    EXPECT_EQ(pthread_getaffinity_np(helper.native_handle(), sizeof helperMay, &helperMay), 0);
    asked.set_value();
    helper.join();
    EXPECT_TRUE(ran);
    return helperMay;
  };
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(cores[0], &one);
  const cpu_set_t helperOnOne = helperCores(one);
  EXPECT_TRUE(CPU_EQUAL(&one, &helperOnOne)) << "the caller's only core";
  if (cores.size() >= 2) {
    cpu_set_t two = one;
    CPU_SET(cores[1], &two);
    const cpu_set_t helperMay = helperCores(two);
    // The caller's core left out, whichever of the two it was on: one of the two.
    cpu_set_t ofTheTwo;
    CPU_AND(&ofTheTwo, &helperMay, &two);
    EXPECT_EQ(CPU_COUNT(&helperMay), 1);
    EXPECT_EQ(CPU_COUNT(&ofTheTwo), 1);
  }
  ASSERT_EQ(sched_setaffinity(0, sizeof original, &original), 0);
#else
  GTEST_SKIP() << "a helper's cores are chosen on Linux only";
#endif
}

}  // namespace vellumine::testing
