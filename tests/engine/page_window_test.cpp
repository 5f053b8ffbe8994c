// A page read as it goes: the window's bytes against the source's (ends, failures, passes and
// rewinds), and the default reading over it against the same reading of the page in memory,
// in every mode, with blocks small enough that every rule's look-ahead crosses them.
#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <thread>

#include "engine_test_util.h"
#include "fast/allocation_limit.h"
#include "fast/read_ahead.h"
#include "job/conversion_job.h"
#include "job/page_window.h"
#include "reading/read_page.h"
#include "translation/encoding.h"

namespace vellumine::testing {
namespace {

// A source that holds `bytes`, claims `claimed` of them (more when it shrank after it was
// opened), and fails every read from failFrom on.
struct TestSource final : RawTextSource {
  TestSource(std::string text, size_t from = SIZE_MAX) : bytes(std::move(text)), failFrom(from) {}
  bool ReadAt(uint64_t offset, char* into, size_t n, size_t& got) override {
    return offset + n <= failFrom &&
           MemoryTextSource(bytes.data(), bytes.size()).ReadAt(offset, into, n, got);
  }
  std::string bytes;
  size_t failFrom;
};

constexpr size_t kSmallBlock = 2 * PageWindow::kPageSize;
constexpr size_t kSmallWindow = 3 * kSettledSteps;

TEST(PageWindow, HoldsTheSourcesBytesUpToTheTextsEnd) {
  std::mt19937 random(7);
  std::string bytes(5 * kSmallBlock + 123, '\0');
  for (char& c : bytes) c = static_cast<char>('a' + random() % 26);
  // Where a 0x1A is put (SIZE_MAX: none), the size the window is opened with, where reads
  // fail from, where the text ends, whether the window fails.
  struct Case { const char* what; size_t stop, claimed, failFrom, end; bool failed = false; };
  const size_t n = bytes.size(), b = kSmallBlock;
  const Case cases[] = {
      {"whole", SIZE_MAX, n, SIZE_MAX, n}, {"0x1A first", 0, n, SIZE_MAX, 0},
      {"0x1A in the block's read-past bytes", b - 10, n, SIZE_MAX, b - 10},
      {"0x1A first in a block", 2 * b, n, SIZE_MAX, 2 * b},
      {"0x1A last", n - 1, n, SIZE_MAX, n - 1}, {"shrank", SIZE_MAX, n + 3 * b, SIZE_MAX, n},
      {"exactly blocks", SIZE_MAX, 4 * b, SIZE_MAX, 4 * b},
      {"a read fails", SIZE_MAX, n, 3 * b, 3 * b, true},
  };
  for (const Case& c : cases) {
    std::string source = bytes;
    if (c.stop != SIZE_MAX) source[c.stop] = '\x1A';
    TestSource from(source, c.failFrom);
    for (int pass = 0; pass < 3; ++pass) {
      PageWindow page;
      ASSERT_TRUE(page.Open(from, c.claimed, b));
      // Reached in random steps, passed behind, rewound once along the way.
      size_t reached = 0, passed = 0;
      bool rewound = pass == 0;
      while (!page.Ended()) {
        const size_t limit = page.Reach(reached + 1 + random() % (2 * b));
        ASSERT_GE(limit, std::min(reached + 1, c.end)) << c.what;
        ASSERT_LE(limit, c.end) << c.what;
        ASSERT_EQ(std::memcmp(page.text() + passed, source.data() + passed, limit - passed), 0)
            << c.what << " at " << passed;
        reached = limit;
        if (random() % 2) page.Pass(passed = reached - std::min<size_t>(reached, random() % b));
        if (!rewound && reached > 2 * b) {
          page.Rewind();
          rewound = true;
          reached = passed = 0;
        }
      }
      EXPECT_EQ(page.Reach(SIZE_MAX), c.end) << c.what;
      EXPECT_EQ(page.failed(), c.failed) << c.what;
      const std::string past(page.text() + c.end, GrowingText::kReadPast);
      EXPECT_EQ(past, std::string(GrowingText::kReadPast, '\0')) << c.what;
    }
  }
}

// Pages whose rules look far ahead: a table row's cells, ordered lists counted before the
// document, the head's declaration, UTF-8 found over the whole page, long tags, references,
// comments, text runs and blocks passed over, and the text's end inside each of them.
std::vector<std::string> FarReachingPages() {
  const std::string examples = AllExamplePages() + "<table border=1><tr><td>a<td>" +
                               std::string(3000, 'b') + "<td><a href=x>c</a></table>";
  const std::string filler(3 * kSmallBlock, 'w');
  std::string words, crlf;
  while (words.size() < 4 * kSmallBlock) words += "ab  ";
  while (crlf.size() < 3 * kSmallBlock) crlf += "word &amp; word\r\n";
  std::string cells = "<table><tr>";
  for (int i = 0; i < 3000; ++i) cells += "<td>" + std::to_string(i) + (i % 7 ? "" : "</tr><tr>");
  // Rows counted ahead over markup passed over in steps, and over many batches of tokens.
  std::string commented = "<table>";
  for (int r = 0; r < 6; ++r) {
    commented += "<tr>";
    for (int c = 0; c <= r; ++c)
      commented += "<td>" + std::to_string(c) + (c == r / 2 ? "<!--" + filler + "-->" : "");
  }
  std::string wide = "<table><tr>";
  for (int i = 0; i < 5000; ++i) wide += "<td>" + std::to_string(i);
  std::string lists, reversed = "<ol reversed>";  // (its items counted as far ahead as they are)
  for (int i = 0; i < 1200; ++i) lists += "<ol start=" + std::to_string(i) + "><li>x</ol>";
  for (int i = 0; reversed.size() < 3 * kSmallBlock; ++i) reversed += "<li>item " + std::to_string(i);
  std::vector<std::string> pages = {
      examples, cells + "</table><p>after",
      commented + "</table><p>after", wide + "</tr><tr><td>last</table>",
      lists + "<ol\n" + std::string(kSmallBlock, ' ') + "start=5><li>far</ol>", reversed + "</ol>",
      "<html><head>" + filler + "<meta charset=utf-8></head><p>\xc3\xa9" + filler,
      "<p>" + filler + "\xd0\xb6" + filler + "\xe2\x82\xac</p>",
      "<p>" + filler + "\xd0" + filler,  // not UTF-8 far in
      "<p title=\"" + filler + ">\">x &amp" + filler + "&#" + std::string(kSmallBlock, '0') + "65;",
      "<p>a<!--" + filler + "--> b <script>" + filler + "</script> c <pre>\r\n" + filler + "</pre>",
      "<p>x\x1A" + filler, "<p>unclosed <!--" + filler,
      "<table><tr><td>cell" + filler, "<p>a tag the text ends in <a href=\"" + filler,
      // What the classic reading passes over or looks far ahead for.
      "<head><title> A &amp; <b>title</title><p>" + crlf, "<title>" + filler + "</title><style>" + filler + "</style><p>a<option>" + filler +
          "</option><% " + filler + " %>b<SCRIPT>" + filler + "</SCRIPT\r\n>c",
      "<p>lines" + crlf + "<br>" + std::string(kSmallBlock, ' ') + "x<b " + filler + ">bold</b>",
      "<table><tr>" + words + "<td>a<td>b</tr><tr><td>c", "<p>x<script>" + filler,
      "<p>x<% " + filler,
  };
  // Markup the default reading passes over, going on a step at a time past what its tokens
  // have read (longer than a step), closed and not, the end's candidates across the steps;
  // long runs of text that it gives as several tokens.
  std::string markup(600 << 10, 'f');
  for (size_t at = 4; at < markup.size(); at += 997) markup.replace(at, 3, "-- ");
  const std::string farEnds = markup + "</scrip </script</scriptx ]]-- %->";
  for (const Row& r : Rows("passed-over-openings.tsv", 1)) {
    pages.push_back("<pre>a " + r.fields[0] + farEnds +
                    "--></script></style></title></template></svg>]]>%>\nb</pre><p>c");
    pages.push_back("<p>a " + r.fields[0] + farEnds);
  }
  std::string runs = "<p>";
  using namespace std::string_literals;
  for (const std::string& run : {"word "s, "\t"s, " \0 "s, "\0"s, "\xc3\xa9"s, "x"s}) {
    for (const size_t end = runs.size() + (100 << 10); runs.size() < end;) runs += run;
  }
  pages.push_back(runs + "end");
  return pages;
}

TEST(ReadAsItGoes, GivesTheOutputOfTheWholePage) {
  for (const std::string& page : FarReachingPages()) {
    for (ConversionMode mode : kModes) {
      for (int k = 0; k < 4; ++k) {  // each encoding in each reading
        const auto encoding = k % 2 ? VELLUMINE_ENCODING_KOI8_R : VELLUMINE_ENCODING_AUTO;
        const auto reading = k < 2 ? VELLUMINE_READING_DEFAULT : VELLUMINE_READING_CLASSIC;
        vellumine_options options = OptionsFor(mode, reading);
        options.encoding = encoding;
        options.text_utf8 = encoding == VELLUMINE_ENCODING_KOI8_R;
        if (mode == ConversionMode::Text && reading == VELLUMINE_READING_DEFAULT)
          options.links = VELLUMINE_LINKS_LIST;
        const Converted whole = ConvertInMemory(page, options);
        ASSERT_EQ(whole.result, VELLUMINE_OK);
        // The default reading takes blocks of any size: blocks of 7 and 64 bytes too, on the
        // pages where so many blocks take little time.
        for (size_t block : {size_t{7}, size_t{64}, PageWindow::kPageSize, kSmallBlock}) {
          if (block < PageWindow::kPageSize &&
              (reading == VELLUMINE_READING_CLASSIC || page.size() > (20 << 10))) continue;
          TestSource source(page);
          RecordedSteps steps;
          MemoryOutputStream out(true);
          ASSERT_EQ(RunConversionAsItGoes(source, page.size(), steps.Attach(options), out,
                                          {block, kSmallWindow}), VELLUMINE_OK);
          const std::string got = out.str();
          const size_t differ = std::ranges::mismatch(got, whole.out).in1 - got.begin();
          ASSERT_TRUE(got == whole.out)
              << page.substr(0, 60) << " mode " << int(mode) << " encoding " << encoding
              << " reading " << reading << " blocks of " << block << ": from byte " << differ
              << ", " << got.substr(differ, 40) << " against " << whole.out.substr(differ, 40);
          // The steps rise to the end.
          ASSERT_FALSE(steps.calls.empty());
          EXPECT_EQ(steps.calls.back(), "50/50");
          EXPECT_TRUE(
              std::ranges::is_sorted(steps.calls, {}, [](auto& s) { return std::stoi(s); }));
        }
      }
    }
  }
}

// Blocks read ahead on a thread of their own (or on the caller's) come in order with the
// source's bytes, end where the source or the size asked for ends or where a read fails, and
// the block given before the last keeps its bytes until the next is asked for, however the
// two threads take turns.
TEST(ReadAhead, GivesTheSourcesBlocksInOrderAndKeepsTheLastOne) {
  std::mt19937 random(3);
  std::string bytes(10 * 1000 + 123, '\0');
  for (char& c : bytes) c = static_cast<char>(random());
  struct Case { const char* what; uint64_t size; size_t failFrom, end; bool failed; };
  const size_t n = bytes.size();
  const Case cases[] = {
      {"whole", n, SIZE_MAX, n, false}, {"a part", 4500, SIZE_MAX, 4500, false},
      {"a whole number of blocks", 5000, SIZE_MAX, 5000, false},
      {"the source ends first", n + 100, SIZE_MAX, n, false},
      {"a read fails", n, 3500, 3000, true},
  };
  for (const Case& c : cases) {
    for (const bool ahead : {false, true}) {
      TestSource source(bytes, c.failFrom);
      ReadAhead reading(source, c.size, 1000, 16, 8);
      ASSERT_TRUE(reading.Start(ahead));
      std::string got, before;
      const char* beforeBytes = nullptr;
      for (int k = 0;; ++k) {
        const ReadAhead::Block block = reading.Next();
        // (Time for the reading thread to read as far ahead as it may.)
        if (k % 2 == 1) std::this_thread::sleep_for(std::chrono::microseconds(300));
        if (beforeBytes) {
          ASSERT_EQ(std::string(beforeBytes, before.size()), before) << c.what << " " << k;
        }
        // The room before and after the block is the caller's.
        std::memset(block.bytes - 16, 'b', 16);
        std::memset(block.bytes + block.n, 'a', 8);
        got.append(block.bytes, block.n);
        before.assign(block.bytes, block.n);
        beforeBytes = block.bytes;
        if (block.last) {
          EXPECT_EQ(block.failed, c.failed) << c.what;
          break;
        }
        ASSERT_EQ(block.n, 1000u) << c.what;
      }
      EXPECT_TRUE(got == bytes.substr(0, c.end)) << c.what << (ahead ? " ahead" : "");
    }
  }
}

// A long page read as it goes holds a few MiB of itself at most: real pages over and over, a
// page without a head (whose charset scan reads all of it), one whose head never ends, one
// long run of words, of blanks, of NUL bytes, of a reference's name, a comment, a script, a
// server block, an option, a title or a preformatted block without its end; in the default
// reading other markup it passes over without its end, in the classic reading a tag without
// its ">".
TEST(ReadAsItGoes, HoldsAFewMiBOfAnyPage) {
  constexpr size_t kSize = size_t{12} << 20;
  constexpr size_t kMostHeld = size_t{4} << 20;
  const std::string examples = AllExamplePages();
  auto repeated = [&](std::string head, const std::string& unit) {
    while (head.size() < kSize) head += unit;
    return head;
  };
  // The page, and whether the default and the classic reading hold little of it.
  struct Page { std::string bytes; bool defaultReading = true, classicReading = true; };
  std::vector<Page> pages = {{repeated("", examples)}, {"<p>" + std::string(kSize, '\0') + "b"}};
  for (const Row& r : Rows("pages-held-in-little.tsv", 4)) {  // a start, and what repeats
    const std::string& head = r.fields[0];
    pages.push_back({repeated(head, r.fields[1]), r.fields[2] == "yes", r.fields[3] == "yes"});
  }
  for (const Page& page : pages) {
    for (vellumine_reading reading : {VELLUMINE_READING_DEFAULT, VELLUMINE_READING_CLASSIC}) {
      if (!(reading == VELLUMINE_READING_DEFAULT ? page.defaultReading : page.classicReading))
        continue;
      for (ConversionMode mode : kModes) {
        const vellumine_options options = OptionsFor(mode, reading);
        TestSource source(page.bytes);
        PageWindow window;
        ASSERT_TRUE(window.Open(source, page.bytes.size()));
        MemoryOutputStream out;
        ForgetLargestBlock();
        // Windows of 64 KiB: a window's RTF (which may be ten times as long) stays small.
        const AsItGoes tuning{PageWindow::kBlock, 64 << 10};
        if (reading == VELLUMINE_READING_CLASSIC) {
          ASSERT_EQ(RunClassicReadingAsItGoes(window, options, out, tuning), VELLUMINE_OK);
        } else {
          // The page is read a block at a time into one buffer; the window only chooses the
          // character set.
          ASSERT_EQ(RunConversionAsItGoes(source, page.bytes.size(), options, out, tuning),
                    VELLUMINE_OK);
          ChooseEncoding(VELLUMINE_ENCODING_AUTO, window);
        }
        // The page, and the largest buffer (of prepared text or output) it came to need.
        SCOPED_TRACE(::testing::Message() << page.bytes.substr(0, 40) << int(mode) << reading);
        EXPECT_LE(window.mostHeld(), kMostHeld);
        EXPECT_LE(LargestBlockGranted(), kMostHeld);
      }
    }
  }
}

TEST(ReadAsItGoes, AFailedReadFailsTheConversion) {
  const std::string page = "<p>" + std::string(8 * kSmallBlock, 'x');
  for (auto [mode, reading] : {std::pair{ConversionMode::Text, VELLUMINE_READING_DEFAULT},
                               {ConversionMode::Rtf, VELLUMINE_READING_DEFAULT},
                               {ConversionMode::Text, VELLUMINE_READING_CLASSIC},
                               {ConversionMode::RtfTables, VELLUMINE_READING_CLASSIC}}) {
    const vellumine_options options = OptionsFor(mode, reading);
    for (size_t failFrom : {size_t{0}, 5 * kSmallBlock}) {
      TestSource source(page, failFrom);
      MemoryOutputStream out(true);
      EXPECT_EQ(RunConversionAsItGoes(source, page.size(), options, out,
                                      {kSmallBlock, kSmallWindow}), VELLUMINE_CANNOT_OPEN_INPUT);
    }
  }
}

}  // namespace
}  // namespace vellumine::testing
