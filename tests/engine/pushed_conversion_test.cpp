// The converter given its page a piece at a time: the output of the whole page, byte for
// byte, however the page is cut, written as the page goes.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "engine_test_util.h"
#include "fast/allocation_limit.h"
#include "vellumine.h"

namespace vellumine::testing {
namespace {

// The page pushed in pieces of the sizes `cut` gives (the last piece is what is left).
template <typename Cut>
Converted Pushed(const std::string& page, const vellumine_options& options, Cut cut) {
  Converted run{VELLUMINE_OK, "", {}};
  vellumine_converter* converter = nullptr;
  run.result = vellumine_converter_start(&options, AppendTo, &run.out, &converter);
  if (run.result != VELLUMINE_OK) return run;
  for (size_t at = 0, n = 0; at < page.size() && run.result == VELLUMINE_OK; at += n) {
    n = std::min(cut(), page.size() - at);
    run.result = vellumine_converter_push(converter, page.data() + at, n);
  }
  if (run.result == VELLUMINE_OK) run.result = vellumine_converter_finish(converter);
  vellumine_converter_free(converter);
  return run;
}

// Every page of the examples and of the reading cases, and one large page of them all.
std::vector<std::pair<std::string, std::string>> Pages() {
  std::vector<std::pair<std::string, std::string>> pages;
  for (const auto& [name, page] : ExamplePages()) pages.emplace_back(name, page);
  for (const auto& entry : std::filesystem::directory_iterator(FixturePath("reading")))
    if (entry.path().extension() == ".html")
      pages.emplace_back(entry.path().filename().string(), ReadBytes(entry.path().string()));
  std::string large;
  while (large.size() < (size_t{3} << 20)) large += AllExamplePages();
  pages.emplace_back("all examples, 3 MB", large);
  return pages;
}

TEST(PushedConversion, GivesTheOutputOfTheWholePageHoweverItIsCut) {
  std::mt19937 random(7);
  struct Cutting {
    const char* name;
    std::function<size_t()> cut;
    size_t upTo;  // pages up to this size only
  };
  const Cutting cuttings[] = {
      {"one piece", [] { return SIZE_MAX; }, SIZE_MAX},
      {"a byte at a time", [] { return size_t{1}; }, size_t{64} << 10},
      {"pieces of 1 to 5000 bytes", [&] { return size_t{1} + random() % 5000; }, SIZE_MAX},
      {"the tokenizer's blocks and a byte", [] { return (size_t{512} << 10) + 1; }, SIZE_MAX},
  };
  for (const auto& [name, page] : Pages()) {
    for (vellumine_reading reading : {VELLUMINE_READING_DEFAULT, VELLUMINE_READING_CLASSIC}) {
      for (ConversionMode mode : kModes) {
        const vellumine_options options = OptionsFor(mode, reading);
        const Converted whole = ThroughLibrary(page, &options);
        for (const Cutting& cutting : cuttings) {
          if (page.size() > cutting.upTo) continue;
          const Converted pushed = Pushed(page, options, cutting.cut);
          SCOPED_TRACE(name + ", " + cutting.name + ", mode " + std::to_string(int(mode)) +
                       (reading == VELLUMINE_READING_CLASSIC ? ", classic" : ""));
          EXPECT_EQ(pushed.result, whole.result);
          EXPECT_TRUE(pushed.out == whole.out);
        }
      }
    }
  }
}

// Pages whose character set Auto chooses from different places, pushed in small pieces.
TEST(PushedConversion, ChoosesTheCharacterSetAsForTheWholePage) {
  const std::string body(300 << 10, 'a');
  const std::pair<std::string, std::string> cases[] = {
      {"byte order mark", "\xEF\xBB\xBF<p>caf\xC3\xA9</p>" + body},
      {"declared in the head", "<head><meta charset=koi8-r></head><p>\xF0\xD2\xC9</p>" + body},
      {"declared after a long head",
       "<head><title>" + body + "</title><meta charset=utf-8></head><p>caf\xC3\xA9</p>"},
      {"no head, UTF-8 at the end", "<p>" + body + "caf\xC3\xA9</p>"},
      {"head without a declaration, Latin-1 late", "<head></head><p>" + body + "caf\xE9</p>"},
      {"head without a declaration, Latin-1 early", "<head></head><p>caf\xE9</p>" + body},
      {"a 0x1A before anything settles", "<p>caf\xC3\xA9\x1A\xE9</p>" + body},
      {"a 0x1A first", "\x1A<p>not read</p>" + body},
  };
  for (const auto& [name, page] : cases) {
    for (ConversionMode mode : kModes) {
      const vellumine_options options = OptionsFor(mode, VELLUMINE_READING_DEFAULT);
      SCOPED_TRACE(name + ", mode " + std::to_string(int(mode)));
      EXPECT_TRUE(Pushed(page, options, [] { return size_t{1000}; }).out ==
                  ThroughLibrary(page, &options).out);
    }
  }
}

// A page whose opening settles nothing is held no further than the choice's window: there
// it is read as that opening chooses.
TEST(PushedConversion, ChoosesFromTheWindowWhenItSettlesNothing) {
  const std::string ascii(VELLUMINE_PUSH_CHOICE_WINDOW + 1000, 'a');
  const std::string page = "<p>" + ascii + " caf\xC3\xA9</p>";
  vellumine_options options = OptionsFor(ConversionMode::Text, VELLUMINE_READING_DEFAULT);
  options.text_utf8 = 1;
  const Converted pushed = Pushed(page, options, [] { return size_t{1} << 20; });
  options.encoding = VELLUMINE_ENCODING_ISO_8859_1;  // the window's choice: ASCII alone
  EXPECT_TRUE(pushed.out == ThroughLibrary(page, &options).out);
}

// How much output has been handed over after the page's first `pushed` bytes.
size_t WrittenAfter(const std::string& page, size_t pushed, vellumine_encoding encoding) {
  vellumine_options options = OptionsFor(ConversionMode::Text, VELLUMINE_READING_DEFAULT);
  options.encoding = encoding;
  std::string out;
  vellumine_converter* converter = nullptr;
  EXPECT_EQ(vellumine_converter_start(&options, AppendTo, &out, &converter), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_push(converter, page.data(), pushed), VELLUMINE_OK);
  vellumine_converter_free(converter);
  return out.size();
}

TEST(PushedConversion, HandsTheOutputOnAsThePageGoes) {
  std::string paragraphs;
  while (paragraphs.size() < (size_t{4} << 20)) paragraphs += "<p>one more line of the page</p>\n";
  const std::string declared = "<head><meta charset=utf-8></head>" + paragraphs;
  const std::string undeclared = "<head></head>" + paragraphs;
  const size_t mebibyte = size_t{1} << 20;
  EXPECT_GT(WrittenAfter(declared, 2 * mebibyte, VELLUMINE_ENCODING_AUTO), mebibyte / 2);
  EXPECT_GT(WrittenAfter(undeclared, 2 * mebibyte, VELLUMINE_ENCODING_UTF_8), mebibyte / 2);
  // Whether it is UTF-8 is not settled by the page's first 4 MB of ASCII.
  EXPECT_EQ(WrittenAfter(undeclared, 4 * mebibyte, VELLUMINE_ENCODING_AUTO), 0u);
}

int Refuse(void*, const char*, size_t) { return 1; }

TEST(PushedConversion, SaysWhatWentWrong) {
  vellumine_options options = OptionsFor(ConversionMode::Rtf, VELLUMINE_READING_DEFAULT);
  vellumine_converter* converter = nullptr;
  std::string out;
  EXPECT_EQ(vellumine_converter_start(&options, nullptr, &out, &converter),
            VELLUMINE_INVALID_ARGUMENT);
  EXPECT_EQ(converter, nullptr);
  EXPECT_EQ(vellumine_converter_start(nullptr, AppendTo, &out, &converter),
            VELLUMINE_INVALID_ARGUMENT);
  EXPECT_EQ(vellumine_converter_push(nullptr, "a", 1), VELLUMINE_INVALID_ARGUMENT);
  EXPECT_EQ(vellumine_converter_finish(nullptr), VELLUMINE_INVALID_ARGUMENT);
  vellumine_converter_free(nullptr);

  // Nothing pushed (an empty piece is nothing).
  ASSERT_EQ(vellumine_converter_start(&options, AppendTo, &out, &converter), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_push(converter, nullptr, 0), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_finish(converter), VELLUMINE_EMPTY_INPUT);
  EXPECT_EQ(out, "");
  vellumine_converter_free(converter);

  // Finished: no more of the page, and no second end.
  ASSERT_EQ(vellumine_converter_start(&options, AppendTo, &out, &converter), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_push(converter, "<p>a</p>", 8), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_finish(converter), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_push(converter, "b", 1), VELLUMINE_INVALID_ARGUMENT);
  EXPECT_EQ(vellumine_converter_finish(converter), VELLUMINE_INVALID_ARGUMENT);
  vellumine_converter_free(converter);

  // A caller that refuses the output: the failure, and the same again after it.
  std::string page;
  while (page.size() < (size_t{3} << 20)) page += "<p>one more line of the page</p>\n";
  options.encoding = VELLUMINE_ENCODING_UTF_8;  // read at once, not held for the choice
  ASSERT_EQ(vellumine_converter_start(&options, Refuse, nullptr, &converter), VELLUMINE_OK);
  vellumine_result pushed = VELLUMINE_OK;
  for (size_t at = 0; at < page.size() && pushed == VELLUMINE_OK; at += 4096)
    pushed = vellumine_converter_push(converter, page.data() + at, std::min<size_t>(4096, page.size() - at));
  EXPECT_EQ(pushed, VELLUMINE_CANNOT_WRITE_OUTPUT);
  EXPECT_EQ(vellumine_converter_finish(converter), VELLUMINE_CANNOT_WRITE_OUTPUT);
  vellumine_converter_free(converter);

  // No memory for the reading's buffers: said at the start when the character set is named
  // (the reading starts there), else by the push that starts the reading.
  LimitBlockAllocations(0);
  EXPECT_EQ(vellumine_converter_start(&options, AppendTo, &out, &converter),
            VELLUMINE_OUT_OF_MEMORY);
  EXPECT_EQ(converter, nullptr);
  options.encoding = VELLUMINE_ENCODING_AUTO;
  EXPECT_EQ(vellumine_converter_start(&options, AppendTo, &out, &converter), VELLUMINE_OK);
  EXPECT_EQ(vellumine_converter_push(converter, "\x1A", 1), VELLUMINE_OUT_OF_MEMORY);
  LimitBlockAllocations(-1);  // (not left to a failed assertion's early return)
  vellumine_converter_free(converter);
}

// The caller's strings are the converter's own once it has started.
TEST(PushedConversion, KeepsItsOwnCopyOfTheOptionsStrings) {
  const std::string page = "<p>a</p>";
  vellumine_options options = OptionsFor(ConversionMode::Rtf, VELLUMINE_READING_DEFAULT);
  std::string font = "Georgia";
  options.font_name = font.c_str();
  const Converted whole = ThroughLibrary(page, &options);
  // The name changes once the converter has started, before the page comes.
  const Converted pushed = Pushed(page, options, [&] {
    font.assign("XXXXXXX");
    return SIZE_MAX;
  });
  EXPECT_EQ(pushed.out, whole.out);
}

}  // namespace
}  // namespace vellumine::testing
