// ConvertFile end to end: the example pages' outputs in both readings, what a file holds
// against what memory holds, whole documents, result codes and their order, the files left
// behind, the input protected from being its own output; the file stream, the job's buffers,
// output names and progress; the C interface's options from callers of earlier and later
// versions.
#include <cstring>
#include <optional>
#include <random>

#include <gmock/gmock.h>

#include "engine_test_util.h"
#include "fast/split_preparation.h"
#include "fast/split_translation.h"
#include "job/conversion_job.h"
#include "job/file_output_stream.h"
#include "reading/page_output.h"
#include "output_path.h"

namespace vellumine::testing {

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::StartsWith;

// The classic reading: the tests that compare output bytes compare that reading's, which
// never changes.
vellumine_options ClassicOptionsFor(ConversionMode mode) {
  return OptionsFor(mode, VELLUMINE_READING_CLASSIC);
}

// A file converted (no output in the result: it is in the file), with the steps shown.
Converted Convert(const std::string& input, const std::string& directory,
                  ConversionMode mode = ConversionMode::Text, PathStyle style = kNativePathStyle,
                  vellumine_reading reading = VELLUMINE_READING_DEFAULT) {
  RecordedSteps steps;
  return {ConvertFile(input.c_str(), directory.c_str(), steps.Attach(OptionsFor(mode, reading)),
                      style), "", steps.calls};
}

constexpr vellumine_reading kReadings[] = {VELLUMINE_READING_CLASSIC, VELLUMINE_READING_DEFAULT};

// A page whose text ends at a 0x1A, with CR LF pairs and a CR alone before it.
const std::string kEndsAt0x1A = "<html>\r\n<p>one\r\ntwo</p>\r<br>x\x1A<p>lost";

// The example pages convert, in every mode and in both readings, to exactly the outputs
// checked in beside the tests (scripts/gen-example-outputs writes them: classic/ the output
// of version 1.2, default/ today's): no engine change moves an output byte unseen.
TEST(ConvertFileTest, ExamplePagesGiveTheOutputsCheckedIn) {
  const char* suffixes[] = {".txt", ".rtf", ".tables.rtf"};
  const auto pages = ExamplePages();
  EXPECT_GE(pages.size(), 9u);
  for (const auto& [file, html] : pages) {
    for (vellumine_reading reading : kReadings) {
      for (int m = 0; m < 3; ++m) {
        const std::string name = (reading == VELLUMINE_READING_CLASSIC ? "classic/" : "default/") +
                                 file.substr(0, file.rfind('.')) + suffixes[m];
        Converted out = ConvertInMemory(html, OptionsFor(kModes[m], reading));
        ASSERT_EQ(out.result, VELLUMINE_OK);
        EXPECT_TRUE(out.out == ReadBytes(FixturePath("examples/" + name))) << name << " differs";
      }
    }
  }
}

// Each mode writes to its file what the same job writes to memory, and hands to a function
// what it writes to the file, with the same steps shown; pages large enough to be read,
// prepared and translated in halves too.
TEST(ConvertFileTest, FilesHoldWhatMemoryHolds) {
  static_assert(kSplitPreparationFrom <= kSplitTranslationFrom);
  TempDirectory dir;
  const std::string unit =
      "<p>one\r\ntwo <b>bold</b> &amp; x</p>\r\n<script>s</script><ol><li>item";
  std::string large;
  while (large.size() < kSplitTranslationFrom + 4096) large += unit;
  // Whole units, a cut one at the end, and a script block from before the middle to after
  // it (the first half stops past the middle, and the rest is prepared again from there).
  const size_t half = large.size() / 2;
  const std::string across = large.substr(0, half - 300) + "<script>" + std::string(600, 'q') +
                             "</script>" + large.substr(half + 300);
  for (const std::string& html : {kEndsAt0x1A, std::string("\x1A<p>never read"),
                                  "<p>" + std::string(20000, 'x'), large,
                                  large.substr(0, large.size() - 17), across}) {
    dir.Write("page.html", html);
    for (vellumine_reading reading : kReadings) {
      for (ConversionMode mode : kModes) {
        SCOPED_TRACE(::testing::Message() << html.size() << "B " << int(mode) << " " << reading);
        Converted run =
            Convert(dir.path() + "page.html", dir.path(), mode, kNativePathStyle, reading);
        ASSERT_EQ(run.result, VELLUMINE_OK);
        const std::string file = dir.Read(mode == ConversionMode::Text ? "page.txt" : "page.rtf");
        Converted memory = ConvertInMemory(html, OptionsFor(mode, reading));
        EXPECT_TRUE(file == memory.out);
        EXPECT_EQ(run.steps, memory.steps);
        std::string handed;
        RecordedSteps handedSteps;
        const vellumine_options options = handedSteps.Attach(OptionsFor(mode, reading));
        ASSERT_EQ(vellumine_convert_file_to((dir.path() + "page.html").c_str(), &options,
                                            AppendTo, &handed), VELLUMINE_OK);
        EXPECT_TRUE(handed == file);
        EXPECT_EQ(handedSteps.calls, run.steps);
      }
    }
  }
}

// The classic reading's text: the line feed after "<html>" is the first blank, "\r" before
// "<br>" an ordinary text byte, nothing after 0x1A is read; and the steps it shows.
TEST(ConvertFileTest, ClassicTextEndsAtTheFirst0x1A) {
  const struct { std::string html, text; Calls steps; } cases[] = {
      {kEndsAt0x1A, " \r\none two\r\n\r\r\nx", {"0/50", "1/50", "50/50"}},
      {"\x1A<p>never read", "", {"0/50", "50/50"}},
      {"<p>" + std::string(20000, 'x'), "\r\n" + std::string(20000, 'x'), {}}};
  for (const auto& c : cases) {
    const Converted run = ConvertInMemory(c.html, ClassicOptionsFor(ConversionMode::Text));
    EXPECT_EQ(run.out, c.text);
    if (!c.steps.empty()) { EXPECT_EQ(run.steps, c.steps); }
  }
}

// An empty read still gives a whole document; the trailer closes every group the body left
// open, eight braces at least (the classic reading's documents).
TEST(ConvertFileTest, RtfDocumentsAreWhole) {
  Converted empty = ConvertInMemory("\x1A<p>x", ClassicOptionsFor(ConversionMode::Rtf));
  EXPECT_THAT(empty.out, StartsWith("{\\rtf1\\ansi"));
  EXPECT_THAT(empty.out, EndsWith("\\lang1033\r\n\\par}}}}}}}}"));
  for (int bolds : {0, 7, 8, 20}) {
    std::string html = "<p>";
    for (int i = 0; i < bolds; ++i) html += "<b>w ";
    const std::string out = ConvertInMemory(html, ClassicOptionsFor(ConversionMode::Rtf)).out;
    EXPECT_THAT(out, EndsWith(" \\par" + std::string(std::max(8, bolds + 1), '}')));
  }
}

// The order of the results; a directory is no input. (What an empty input, an output name
// taken by a directory and a previous output leave: the fault suite.)
TEST(ConvertFileTest, ResultsInTheirOrder) {
  TempDirectory dir;
  const std::string missingDir = dir.path() + "missing/";
  dir.Make({{"empty.htm", ""}, {"folder.htm/", ""}, {"out/", ""}});
  // 4 before 3: a missing input with a missing output directory; 3 before 5.
  EXPECT_EQ(Convert(dir.path() + "nothing.htm", missingDir).result, VELLUMINE_CANNOT_OPEN_INPUT);
  EXPECT_EQ(Convert(dir.path() + "empty.htm", missingDir).result, VELLUMINE_CANNOT_OPEN_OUTPUT);
  EXPECT_FALSE(fs::exists(missingDir));
  // A directory is no input, on every platform; no output is created for it.
  EXPECT_EQ(Convert(dir.path() + "folder.htm", dir.path() + "out").result,
            VELLUMINE_CANNOT_OPEN_INPUT);
  EXPECT_FALSE(fs::exists(dir.path() + "out/folder.txt"));
  // An empty input shows step 0 only.
  EXPECT_EQ(Convert(dir.path() + "empty.htm", dir.path() + "out").steps, Calls{"0/50"});
}

// Output handed to a function: nothing before these failures; a refusal of the output fails
// the conversion.
TEST(ConvertFileTest, OutputHandedToAFunctionFailures) {
  TempDirectory dir;
  dir.Make({{"empty.htm", ""}, {"folder.htm/", ""}, {"page.htm", "<p>text"}});
  const vellumine_options options = OptionsFor(ConversionMode::Text);
  for (auto [name, write, expected] :
       {std::tuple<const char*, vellumine_write_fn, vellumine_result>{
            "nothing.htm", AppendTo, VELLUMINE_CANNOT_OPEN_INPUT},
        {"folder.htm", AppendTo, VELLUMINE_CANNOT_OPEN_INPUT},
        {"empty.htm", AppendTo, VELLUMINE_EMPTY_INPUT},
        {"page.htm", nullptr, VELLUMINE_INVALID_ARGUMENT},
        {"page.htm", [](void*, const char*, size_t) { return 1; }, VELLUMINE_CANNOT_WRITE_OUTPUT}}) {
    std::string handed;
    EXPECT_EQ(vellumine_convert_file_to((dir.path() + name).c_str(), &options, write, &handed),
              expected) << name;
    EXPECT_EQ(handed, "");
  }
  EXPECT_EQ(vellumine_convert_file_to(nullptr, &options, AppendTo, nullptr),
            VELLUMINE_INVALID_ARGUMENT);
}

// Tick positions; the steps shown: 0 at the start, 1 once read, each tick's number, 50 at the
// end, and none after a tick that a step jumped over.
TEST(ConvertFileTest, ProgressTicksAndStepsShown) {
  auto ticks = [](size_t n) {
    ProgressTicks t(n, {});
    return std::vector<size_t>(t.positions().begin(), t.positions().end());
  };
  std::vector<size_t> t = ticks(10001);
  ASSERT_EQ(t.size(), 50u);
  EXPECT_EQ(std::vector<size_t>(t.begin(), t.begin() + 5),
            (std::vector<size_t>{197, 201, 205, 209, 213}));
  EXPECT_EQ(std::vector<size_t>(t.end() - 3, t.end()), (std::vector<size_t>{2501, 3334, 5001}));
  EXPECT_EQ(ticks(1936), (std::vector<size_t>{38, 39, 40, 41, 42, 43}));
  EXPECT_EQ(ticks(1000), std::vector<size_t>{});
  EXPECT_EQ(ticks(0), std::vector<size_t>{});
  EXPECT_LT(ticks(2500).size(), 50u);
  EXPECT_EQ(ticks(2501).size(), 50u);
  // Ticks of 10001 bytes: 197, 201, 205, ... A reference over 203..207 hides 205. Inside
  // text, where the cursor runs fast between special bytes, tick 2501 falls inside the
  // line-break form. (The steps of the classic reading's translation.)
  std::string hidden(10001, 'x'), inForm = ">" + std::string(10000, 'x');
  hidden.replace(203, 5, "&amp;");
  inForm.replace(2499, 3, "<p>");
  for (auto [text, shown] : {std::pair{std::string(10001, 'x'), 50}, {std::string(2501, 'x'), 50},
                             {std::string(1936, 'x'), 6}, {std::string(1000, 'x'), 0},
                             {hidden, 2}, {inForm, 47}}) {
    Calls calls = {"0/50", "1/50"};
    for (int k = 1; k <= shown; ++k) calls.push_back(std::to_string(k) + "/50");
    calls.push_back("50/50");
    EXPECT_EQ(ConvertInMemory(text, ClassicOptionsFor(ConversionMode::Text)).steps, calls)
        << text.size();
  }
}

TEST(ConvertFileTest, TooLargeForTheWorkBuffers) {
  // The work buffers' size, 4 x size + 1000, up to the largest that fits the size type.
  size_t capacity = 0;
  const uint64_t largest = (static_cast<uint64_t>(SIZE_MAX) - 1000) / 4;
  EXPECT_TRUE(WorkBufferCapacity(12345, capacity));
  EXPECT_EQ(capacity, 4u * 12345u + 1000u);
  EXPECT_TRUE(WorkBufferCapacity(largest, capacity));
  EXPECT_GE(capacity, SIZE_MAX - 3);
  EXPECT_FALSE(WorkBufferCapacity(largest + 1, capacity));
  EXPECT_FALSE(WorkBufferCapacity(UINT64_MAX, capacity));
  // A page is read as the conversion goes from kReadAsItGoesFrom on, with its addresses set
  // aside: a 32-bit program has too few for a sparse file of 3.5 GB, which gives
  // OutOfMemory, with the empty output left behind.
  TempDirectory dir;
  dir.Write("huge.htm", "");
  if (sizeof(size_t) == 4) {
    std::error_code error;
    fs::resize_file(dir.path() + "huge.htm", uintmax_t{7} << 29, error);
    ASSERT_FALSE(error) << error.message();
    for (vellumine_reading reading : kReadings) {
      Converted run = Convert(dir.path() + "huge.htm", dir.path(), ConversionMode::Text,
                              kNativePathStyle, reading);
      EXPECT_EQ(run.result, VELLUMINE_OUT_OF_MEMORY) << reading;
      EXPECT_EQ(run.steps, Calls{"0/50"}) << reading;
      EXPECT_EQ(dir.Read("huge.txt"), "");
    }
  }
  // The missing output directory is still found first.
  EXPECT_EQ(Convert(dir.path() + "huge.htm", dir.path() + "missing/").result,
            VELLUMINE_CANNOT_OPEN_OUTPUT);
}

// The input, named in other spellings of its directory or through links, is never its own
// output: refused, and kept; the same name in another directory is another file.
TEST(ConvertFileTest, TheInputIsNeverItsOwnOutput) {
  TempDirectory dir;
  const std::string original = "<p>keep me</p>", sub = dir.path() + "sub",
                    text = dir.path() + "sub/page.txt", rtf = dir.path() + "sub/page.rtf";
  dir.Make({{"sub/page.txt", original}, {"sub/page.rtf", original}, {"linked/", ""},
            {"other/", ""}});
  struct Spelling { std::string input, directory; ConversionMode mode = ConversionMode::Text; };
  // The same directory in other spellings, and through links.
  std::vector<Spelling> spellings = {{text, sub}, {rtf, sub, ConversionMode::RtfTables},
                                    {text, sub + "/../sub/./"}};
#ifdef _WIN32
  spellings.push_back({text, fs::path(dir.bare()).generic_string() + "/SUB\\"});  // slashes, case
#endif
  std::error_code error;
  fs::create_hard_link(text, dir.path() + "linked/page.txt", error);
  if (!error) spellings.push_back({text, dir.path() + "linked"});
#ifndef _WIN32
  fs::create_directory_symlink(sub, dir.path() + "alias");
  spellings.push_back({text, dir.path() + "alias"});
#endif
  for (const Spelling& c : spellings) {
    EXPECT_EQ(Convert(c.input, c.directory, c.mode).result, VELLUMINE_CANNOT_OPEN_OUTPUT)
        << c.input << " into " << c.directory;
    EXPECT_EQ(ReadBytes(c.input), original);
  }
  // The same name in another directory is another file and is written (here in the classic
  // reading, whose text it is).
  EXPECT_EQ(Convert(text, dir.path() + "other", ConversionMode::Text, kNativePathStyle,
                    VELLUMINE_READING_CLASSIC).result, VELLUMINE_OK);
  EXPECT_EQ(dir.Read("other/page.txt"), "\r\nkeep me\r\n");
}

// Output paths past the old limit of 260 characters (in a directory "/p.txt" brings to 259,
// 260 and 300) are written in either style.
TEST(ConvertFileTest, OutputPathsPastTheOldLimit) {
  TempDirectory dir;
  dir.Write("p.htm", "<p>x");
  for (size_t length : {259, 260, 300}) {
    std::string directory = dir.path();
    while (directory.size() + 6 + 200 < length) directory += std::string(200, 'd') + "/";
    directory += std::string(length - directory.size() - 6, 'e');
    ASSERT_TRUE(fs::create_directories(PathOf(directory)));
    for (PathStyle style : {PathStyle::Windows, kNativePathStyle})
      EXPECT_EQ(Convert(dir.path() + "p.htm", directory, ConversionMode::Text, style).result,
                VELLUMINE_OK) << length;
    EXPECT_EQ(ReadBytes(directory + "/p.txt"), "x\r\n");
  }
}

TEST(OutputPathTest, NamesInEachStyleAndTheWindowsLimit) {
  constexpr PathStyle W = PathStyle::Windows, P = PathStyle::Posix;
  const std::string Text = vellumine_format_extension(VELLUMINE_FORMAT_TEXT),
                    Rtf = vellumine_format_extension(VELLUMINE_FORMAT_RTF);
  std::string out;
  for (const Row& r : Rows("output-paths.tsv", 5)) {
    out = "stale";
    EXPECT_TRUE(MakeOutputPath(r.fields[0], r.fields[1].c_str(), r.fields[2] == "Rtf" ? Rtf : Text,
                               r.fields[3] == "W" ? W : P, out)) << r.where;
    EXPECT_EQ(out, r.fields[4]) << r.where;
  }
  // The limit of 32,767 characters holds in the Windows style only.
  EXPECT_TRUE(MakeOutputPath("/in/" + std::string(40000, 'n'), "/", Text, P, out));
  EXPECT_TRUE(MakeOutputPath("C:\\in\\" + std::string(5000, 'n'), "D:\\", Text, W, out));
  EXPECT_FALSE(MakeOutputPath("C:\\in\\" + std::string(40000, 'n'), "D:\\", Text, W, out));
}


// The page through every function that takes options: the conversion in memory and that of
// a file give `expected` and, when told, the output `out`; an output path is made exactly
// when the options are taken.
void ExpectEveryEntryPoint(const std::string& page, const vellumine_options& options,
                           vellumine_result expected, std::optional<std::string> out = {}) {
  TempDirectory dir;
  dir.Write("page.htm", page);
  const Converted run = ThroughLibrary(page, &options);
  EXPECT_EQ(run.result, expected);
  EXPECT_EQ(vellumine_convert_file((dir.path() + "page.htm").c_str(), dir.bare().c_str(), &options),
            expected);
  EXPECT_EQ(vellumine_output_path("page.htm", "out", &options, nullptr, 0) > 0,
            expected == VELLUMINE_OK);
  std::string pushedOut;
  vellumine_converter* converter = nullptr;
  vellumine_result pushed = vellumine_converter_start(&options, AppendTo, &pushedOut, &converter);
  if (pushed == VELLUMINE_OK) pushed = vellumine_converter_push(converter, page.data(), page.size());
  if (pushed == VELLUMINE_OK) pushed = vellumine_converter_finish(converter);
  vellumine_converter_free(converter);
  EXPECT_EQ(pushed, expected);
  if (!out) return;
  EXPECT_EQ(pushedOut, *out);
  EXPECT_EQ(run.out, *out);
  EXPECT_EQ(dir.Read(ModeOf(options) == ConversionMode::Text ? "page.txt" : "page.rtf"), *out);
}

// The C interface reads the options as far as the caller's struct goes. A program built
// against version 1.2 (whose options end after progress_context) converts in the default
// reading, whatever its memory holds past that; a struct from a later version, longer than
// this one, is read up to this one's end. Options shorter than 1.2's, and readings that do
// not exist, are refused by every function that takes options.
constexpr size_t kVersion12Size = offsetof(vellumine_options, progress_context) + sizeof(void*);
static_assert(kVersion12Size < sizeof(vellumine_options));
// A page the readings may well read differently: a comment, a list, preformatted lines, a
// table.
const std::string kReadingsDiffer =
    "<html><!-- a note --><body><h1>Title</h1><ol><li>one<li>two</ol><pre>a\n  b</pre>"
    "<table><tr><td>x<td>y</table><p>caf\xE9";

TEST(LibraryTest, OptionsOfVersion12AndOfALaterVersion) {
  for (ConversionMode mode : kModes) {
    const vellumine_options current = OptionsFor(mode);
    const Converted byDefault = ThroughLibrary(kReadingsDiffer, &current);
    ASSERT_EQ(byDefault.result, VELLUMINE_OK);
    // Followed by memory that would name the classic reading or none.
    for (int past : {int{VELLUMINE_READING_CLASSIC}, 99}) {
      SCOPED_TRACE(std::to_string(int(mode)) + ", past the struct " + std::to_string(past));
      vellumine_options earlier = current;
      earlier.size = kVersion12Size;
      earlier.reading = static_cast<vellumine_reading>(past);
      ExpectEveryEntryPoint(kReadingsDiffer, earlier, VELLUMINE_OK, byDefault.out);
    }
    // A later version's: its reading, the classic one, read.
    struct { vellumine_options options; int later[4]; } longer{OptionsFor(mode), {7, 7, 7, 7}};
    longer.options.size = sizeof longer;
    longer.options.reading = VELLUMINE_READING_CLASSIC;
    const vellumine_options classic = OptionsFor(mode, VELLUMINE_READING_CLASSIC);
    ExpectEveryEntryPoint(kReadingsDiffer, longer.options, VELLUMINE_OK,
                          ThroughLibrary(kReadingsDiffer, &classic).out);
  }
}

TEST(LibraryTest, OptionsTooShortOrOfNoReadingRefused) {
  for (ConversionMode mode : kModes) {
    for (auto [size, reading] : {std::pair{kVersion12Size - 1, 0}, {size_t{0}, 0},
                                 {sizeof(vellumine_options), 2}, {sizeof(vellumine_options), -1},
                                 {sizeof(vellumine_options), 99}}) {
      SCOPED_TRACE(::testing::Message() << int(mode) << ": " << size << " bytes, " << reading);
      vellumine_options refused = OptionsFor(mode);
      refused.size = size;
      refused.reading = static_cast<vellumine_reading>(reading);
      ExpectEveryEntryPoint(kReadingsDiffer, refused, VELLUMINE_INVALID_ARGUMENT);
    }
  }
}

// Links and wrapping through the C interface: values out of range, and either with the
// classic reading, refused by every entry point; the struct of 1.3 before them (which ends
// at links) read with them at their defaults, whatever the memory past it holds.
TEST(LibraryTest, LinksAndWrapOutOfRangeOrWithTheClassicReading) {
  constexpr size_t kBeforeLinksSize = offsetof(vellumine_options, links);
  static_assert(kBeforeLinksSize > offsetof(vellumine_options, reading));
  const std::string page = "<p>See <a href=\"https://example.org/a\">the first page</a> and "
                           "<a href=\"b.htm\">the second</a>, a paragraph long enough to wrap.";
  constexpr vellumine_reading kDefault = VELLUMINE_READING_DEFAULT,
                              kClassic = VELLUMINE_READING_CLASSIC;
  constexpr int kList = VELLUMINE_LINKS_LIST;
  const std::map<std::string, int> kLinks = {
      {"none", VELLUMINE_LINKS_NONE}, {"inline", VELLUMINE_LINKS_INLINE}, {"list", kList}};
  for (ConversionMode mode : kModes) {
    for (const Row& r : Rows("links-and-wrap.tsv", 4)) {
      SCOPED_TRACE(std::to_string(int(mode)) + ": " + r.where);
      vellumine_options options = OptionsFor(mode, r.fields[2] == "classic" ? kClassic : kDefault);
      const auto named = kLinks.find(r.fields[0]);
      options.links =
          vellumine_links(named != kLinks.end() ? named->second : std::stoi(r.fields[0]));
      options.wrap = std::stoi(r.fields[1]);
      ExpectEveryEntryPoint(page, options,
                            r.fields[3] == "ok" ? VELLUMINE_OK : VELLUMINE_INVALID_ARGUMENT);
    }
    // The shorter struct: what follows it, in range or not, is never read.
    for (vellumine_reading reading : {kDefault, kClassic}) {
      const vellumine_options atDefaults = OptionsFor(mode, reading);
      for (auto [links, wrap] : {std::pair{kList, 72}, {3, -1}, {-1, 100001}}) {
        SCOPED_TRACE(::testing::Message() << int(mode) << ": reading " << reading
                                          << ", past: links " << links << ", wrap " << wrap);
        vellumine_options earlier = atDefaults;
        earlier.size = kBeforeLinksSize;
        earlier.links = static_cast<vellumine_links>(links);
        earlier.wrap = wrap;
        ExpectEveryEntryPoint(page, earlier, VELLUMINE_OK, ThroughLibrary(page, &atDefaults).out);
      }
    }
  }
}

// Options set by their names and values as text, as bindings hold them.
auto Fields(const vellumine_options& o) {
  return std::tuple(o.format, o.tables, o.encoding, std::string(o.font_name), o.font_size,
                    o.text_utf8, o.reading, o.links, o.wrap, o.images,
                    std::string(o.image_root ? o.image_root : "(none)"));
}

TEST(LibraryTest, OptionsSetByNameFromText) {
  const struct {
    const char* name;
    const char* value;
    vellumine_result result;
  } cases[] = {
      {"format", "text", VELLUMINE_OK},        {"format", "txt", VELLUMINE_INVALID_ARGUMENT},
      {"encoding", "koi8-r", VELLUMINE_OK},    {"encoding", "KOI8-R", VELLUMINE_INVALID_ARGUMENT},
      {"tables", "0", VELLUMINE_OK},           {"tables", "2", VELLUMINE_INVALID_ARGUMENT},
      {"font_size", "-1638", VELLUMINE_OK},    {"font_size", "1639", VELLUMINE_INVALID_ARGUMENT},
      {"wrap", "100000", VELLUMINE_OK},        {"wrap", "72 ", VELLUMINE_INVALID_ARGUMENT},
      {"wrap", "", VELLUMINE_INVALID_ARGUMENT}, {"wrap", "-", VELLUMINE_INVALID_ARGUMENT},
      {"wrap", "99999999999999999999", VELLUMINE_INVALID_ARGUMENT},
      {"text_utf8", "utf-8", VELLUMINE_OK},    {"reading", "classic", VELLUMINE_OK},
      {"links", "list", VELLUMINE_OK},         {"images", "alt", VELLUMINE_OK},
      {"font_name", "Georgia", VELLUMINE_OK},  {"image_root", "/srv/pictures", VELLUMINE_OK},
      {"progress", "0", VELLUMINE_INVALID_ARGUMENT}, {"size", "0", VELLUMINE_INVALID_ARGUMENT},
      {"colour", "red", VELLUMINE_INVALID_ARGUMENT},
  };
  vellumine_options options, expected;
  vellumine_options_init(&options);
  vellumine_options_init(&expected);
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + "=" + c.value);
    ASSERT_EQ(vellumine_option_set(&options, c.name, c.value), c.result);
    if (c.result != VELLUMINE_OK) {
      EXPECT_EQ(Fields(options), Fields(expected));  // as they were
      continue;
    }
    expected = options;  // each case on top of the last: every field lands in its place
  }
  EXPECT_EQ(Fields(expected),
            std::tuple(VELLUMINE_FORMAT_TEXT, 0, VELLUMINE_ENCODING_KOI8_R, "Georgia", -1638, 1,
                       VELLUMINE_READING_CLASSIC, VELLUMINE_LINKS_LIST, 100000,
                       VELLUMINE_IMAGES_ALT, "/srv/pictures"));
  vellumine_options older = expected;
  older.size = offsetof(vellumine_options, links);
  EXPECT_EQ(vellumine_option_set(&older, "wrap", "1"), VELLUMINE_INVALID_ARGUMENT);
}

// A buffer whose growth fails keeps its bytes and drops those past its capacity from then
// on.
TEST(ByteBufferTest, KeepsItsBytesWhenItCannotGrow) {
  ByteBuffer buffer;
  ASSERT_TRUE(buffer.Allocate(3));
  buffer.Push('a');
  buffer.Append("bcdef");
  EXPECT_FALSE(buffer.failed());
  EXPECT_FALSE(buffer.Reserve(SIZE_MAX));
  EXPECT_TRUE(buffer.failed());
  buffer.Append(std::string(buffer.capacity(), 'x'));
  EXPECT_EQ(buffer.view(), "abcdef");
}

// A device that is always full (under Wine the host's, through drive Z:): the write or the
// flush fails, and Close says so.
TEST(FileOutputStreamTest, FailureOnAFullDeviceReported) {
#ifdef _WIN32
  const char* fullDevice = "Z:\\dev\\full";
#else
  const char* fullDevice = "/dev/full";
#endif
  // 1: staged only, the failure shows at the flush; 9 MiB: blocks written on a thread of
  // their own.
  for (size_t size : {size_t{100000}, size_t{1}, size_t{9} << 20}) {
    FileOutputStream full;
    if (!full.Open(fullDevice)) GTEST_SKIP() << "no device that is always full";
    full.WriteInBackground(true);
    full.Write(std::string(size, 'x'));
    EXPECT_FALSE(full.Close()) << size;
    EXPECT_TRUE(full.failed()) << size;
  }
}

// Outputs of every size class (the small block, the large one, blocks written on a thread
// of their own and the same size without one, one after another on this thread, which keeps
// its blocks), written in pieces of every size with line feeds at random places: the file
// holds the bytes with each line feed as CR LF.
TEST(FileOutputStreamTest, LineEndsExpandedInOutputsOfEverySize) {
  TempDirectory dir;
  std::mt19937 random(7);
  for (size_t size :
       {size_t{10}, size_t{70000}, size_t{3} << 20, size_t{7} << 20, size_t{5} << 20}) {
    std::string bytes(size, 'x');
    for (char& c : bytes) c = random() % 23 == 0 ? '\n' : static_cast<char>('a' + random() % 26);
    FileOutputStream out;
    ASSERT_TRUE(out.Open((dir.path() + "out.txt").c_str()));
    out.WriteInBackground(size != (size_t{5} << 20));
    if (size == (size_t{7} << 20)) out.Expect(size);  // its blocks go to the thread at once
    size_t direct = 0;  // bytes written in the stream's own room
    for (size_t at = 0; at < size;) {
      const size_t longest = random() % 3 == 0 ? 300000 : 100;
      size_t piece = std::min<size_t>(size - at, random() % longest);
      size_t capacity = 0;
      if (char* room = random() % 2 ? out.DirectRoom(piece, capacity) : nullptr) {
        ASSERT_GE(capacity, piece);
        std::memcpy(room, bytes.data() + at, piece);
        out.Commit(piece);
        direct += piece;
      } else {
        out.Write(bytes.data() + at, piece);
      }
      at += piece;
    }
    ASSERT_TRUE(out.Close()) << size;
    // Room is given once the blocks go to their thread (past the large block), never before.
    EXPECT_EQ(direct > 0, size >= (size_t{3} << 20) && size != (size_t{5} << 20)) << size;
    std::string expected;
    for (char c : bytes) expected += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_TRUE(dir.Read("out.txt") == expected) << size;
  }
}

// A page's output block over the stream: what it writes in the stream's room and what it
// hands over (runs too long for its block among them) keep their order.
TEST(FileOutputStreamTest, PageOutputKeepsTheOrderOfWhatItWrites) {
  TempDirectory dir;
  std::mt19937 random(7);
  std::string expected;
  FileOutputStream out;
  ASSERT_TRUE(out.Open((dir.path() + "page.txt").c_str()));
  out.WriteInBackground(true);
  {
    PageOutput page(out);
    while (expected.size() < (size_t{9} << 20)) {
      const std::string run(random() % 50 == 0 ? PageOutput::kLargestRoom + random() % 9000
                                               : random() % 300,
                            static_cast<char>('a' + random() % 26));
      const auto way = random() % 3;  // handed over, written in the room, a line feed
      if (way == 2) {
        page.Append('\n');
        expected += "\r\n";
      } else if (way == 1 && run.size() <= PageOutput::kLargestRoom) {
        char* room = page.Room(run.size());
        std::memcpy(room, run.data(), run.size());
        page.Commit(room + run.size());
      } else {
        page.Append(run);
      }
      if (way != 2) expected += run;
    }
    page.Flush();
  }
  ASSERT_TRUE(out.Close());
  EXPECT_TRUE(dir.Read("page.txt") == expected);
}

TEST(FileOutputStreamTest, DiscardedOutputLeavesNoFile) {
  TempDirectory dir;
  {
    FileOutputStream discarded;
    ASSERT_TRUE(discarded.Open((dir.path() + "gone.txt").c_str()));
    discarded.WriteInBackground(true);
    discarded.Write(std::string(size_t{6} << 20, 'y'));
    discarded.Discard();
  }
  EXPECT_EQ(dir.Read("gone.txt"), "<missing>");
}

}  // namespace vellumine::testing
