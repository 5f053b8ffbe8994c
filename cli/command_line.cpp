#include "command_line.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "console_text.h"
#include "convert_command.h"
#include "result_messages.h"
#include "stream_conversion.h"
#include "system_path.h"
#include "terminal_view.h"

namespace vellumine {

namespace {

// The names --encoding takes: short names (letter case ignored), and the window's list
// labels as they stand, which earlier versions took.
struct EncodingName {
  const char* name;
  const char* label;
  vellumine_encoding encoding;
};
constexpr EncodingName kEncodingNames[] = {
    {"auto", "Auto-Select", VELLUMINE_ENCODING_AUTO},
    {"windows-1251", "(Windows-1251) Cyrillic", VELLUMINE_ENCODING_WINDOWS_1251},
    {"koi8-r", "(KOI8-R) Cyrillic", VELLUMINE_ENCODING_KOI8_R},
    {"iso-8859-1", "(ISO-8859-1) Latin1", VELLUMINE_ENCODING_ISO_8859_1},
    {"iso-8859-5", "(ISO-8859-5) Cyrillic", VELLUMINE_ENCODING_ISO_8859_5},
    {"utf-8", "(UTF-8) Unicode", VELLUMINE_ENCODING_UTF_8},
    {"utf8", nullptr, VELLUMINE_ENCODING_UTF_8},
};

// The names --links takes, in the order of the engine's values.
struct LinksName {
  const char* name;
  vellumine_links links;
};
constexpr LinksName kLinksNames[] = {
    {"none", VELLUMINE_LINKS_NONE},
    {"inline", VELLUMINE_LINKS_INLINE},
    {"list", VELLUMINE_LINKS_LIST},
};

// The largest RTF font size readers accept (\fs takes half-points up to 3276).
constexpr int kMaxFontSize = 1638;

// The widest plain-text wrap the engine takes.
constexpr int kMaxWrap = 100000;

// Whether text is a whole number in decimal digits alone (no sign, no base prefix, no
// blanks) from low to high.
bool IsWholeNumberIn(std::string_view text, int low, int high) {
  if (text.empty() || text.find_first_not_of("0123456789") != std::string_view::npos)
    return false;
  int value = 0;
  for (char digit : text) {
    value = value * 10 + (digit - '0');
    if (value > high) return false;  // long before it could overflow
  }
  return value >= low;
}

// Bytes a font name may not hold: they would end the RTF font table or start control words.
bool IsFontNameByte(unsigned char c) {
  return c >= 0x20 && c != '{' && c != '}' && c != '\\' && c != ';';
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// One page to standard output: nothing else is written there.
int ConvertToStandardOutput(const Arguments& args, const ConvertChoices& choices) {
  const std::string& input = args.inputs.front();
  SetBinaryMode(stdin);
  SetBinaryMode(stdout);
  vellumine_result result = ConvertToStream(input, choices.options, stdin, stdout);
  if (result == VELLUMINE_OK) return kExitConverted;
  std::string message = ResultMessage(result, input == "-" ? "(standard input)" : input,
                                      "(standard output)");
  WriteText(stderr, "vellumine: " + message + "\n");
  return kExitFailed;
}

int Convert(const Arguments& args) {
  ConvertChoices choices = ChoicesFor(args);
  if (args.toStdout || args.inputs.front() == "-") return ConvertToStandardOutput(args, choices);

  ConvertEnvironment env{NativeFileSystem()};
  env.saveSettings = false;
  OutputClaims claims;  // two inputs never write one output
  env.claims = &claims;

  TerminalView view(stdout, stderr, args.quiet, IsTerminal(stderr));
  bool allConverted = true;
  int32_t converted = 0, failed = 0, skipped = 0;
  const auto count = static_cast<int32_t>(args.inputs.size());
  for (int32_t i = 0; i < count; ++i) {
    choices.inputPath = args.inputs[static_cast<size_t>(i)];
    view.BeginInput(i + 1, count);
    ConvertOutcome outcome = RunConvertCommand(choices, view, env, nullptr);
    view.EndInput();
    if (outcome.failed != 0 || outcome.stopped || outcome.filesNotFound) allConverted = false;
    converted += outcome.converted;
    failed += outcome.failed;
    skipped += outcome.skipped;
    // Every further input would fail on the same directory.
    if (outcome.noOutputDirectory) break;
  }
  // The end of the work, once, over every input.
  if (converted != 0) view.PrintNote(RunSummaryText(converted, converted + failed + skipped));
  if (skipped != 0) view.PrintNote(SkippedText(skipped));
  std::fflush(stdout);
  return allConverted ? kExitConverted : kExitFailed;
}

// "Linux x86_64", "Windows i686": where this build runs.
const char* BuildPlatform() {
#if defined(_WIN32)
#define VELLUMINE_OS "Windows"
#elif defined(__linux__)
#define VELLUMINE_OS "Linux"
#else
#define VELLUMINE_OS "POSIX"
#endif
#if defined(__x86_64__)
#define VELLUMINE_ARCH "x86_64"
#elif defined(__i386__)
#define VELLUMINE_ARCH "i686"
#elif defined(__aarch64__)
#define VELLUMINE_ARCH "aarch64"
#else
#define VELLUMINE_ARCH "unknown"
#endif
  return VELLUMINE_OS " " VELLUMINE_ARCH;
}

// The name the program is started by: on Windows one of its own beside the window's
// Vellumine.exe, since Windows' file names ignore case.
#ifdef _WIN32
#define VELLUMINE_COMMAND "vellumine-cli"
#define VELLUMINE_PAD ""
#else
#define VELLUMINE_COMMAND "vellumine"
#define VELLUMINE_PAD "    "
#endif

constexpr const char* kExitCodesText =
    "Exit codes:\n"
    "  0  every file converted (or left alone as up to date)\n"
    "  1  a file could not be converted, or nothing could be\n"
    "  2  the arguments are wrong\n"
    "\n"
    "Examples:\n"
    "  " VELLUMINE_COMMAND " page.html              " VELLUMINE_PAD "page.rtf in the current directory\n"
    "  " VELLUMINE_COMMAND " -f txt -o out -r site  " VELLUMINE_PAD "every page under site/, as text, into out/\n"
    "  curl -s URL | " VELLUMINE_COMMAND " -f txt - " VELLUMINE_PAD "a page from standard input to standard output\n";

}  // namespace

bool ParseEncodingName(std::string_view name, vellumine_encoding& encoding) {
  for (const EncodingName& known : kEncodingNames) {
    if (EqualsIgnoringCase(name, known.name) || (known.label != nullptr && name == known.label)) {
      encoding = known.encoding;
      return true;
    }
  }
  return false;
}

bool ParseLinksName(std::string_view name, vellumine_links& links) {
  for (const LinksName& known : kLinksNames) {
    if (name == known.name) {
      links = known.links;
      return true;
    }
  }
  return false;
}

ConvertChoices ChoicesFor(const Arguments& args) {
  ConvertChoices choices;
  choices.outputPath = args.output;
  choices.convertAll = args.all || args.recursive;
  choices.recursive = args.recursive;
  choices.updateOnly = args.update;
  vellumine_options& options = choices.options;
  options.format = args.format == "txt" ? VELLUMINE_FORMAT_TEXT : VELLUMINE_FORMAT_RTF;
  options.tables = args.tables;
  ParseEncodingName(args.encoding, options.encoding);
  options.font_name = args.font.c_str();
  options.font_size = std::stoi(args.size);  // checked: 1 to 1638
  options.text_utf8 = args.textEncoding == "utf-8";
  options.reading = args.classic ? VELLUMINE_READING_CLASSIC : VELLUMINE_READING_DEFAULT;
  ParseLinksName(args.links, options.links);
  options.wrap = std::stoi(args.wrap);  // checked: 0 to 100000
  unsigned cores = std::thread::hardware_concurrency();
  choices.jobs = args.jobs > 0 ? args.jobs : static_cast<int>(cores > 0 ? cores : 1);
  return choices;
}

std::optional<int> ParseArguments(int argc, char** argv, Arguments& args) {
  CLI::App app("Converts HTML pages into RTF documents or plain text.", VELLUMINE_COMMAND);
  app.footer(kExitCodesText);
  app.get_formatter()->column_width(34);

  const char* files = "Input and output";
  app.add_option("INPUT", args.inputs,
                 "HTML files; with --all or --recursive, directories (or files in them); "
                 "\"-\" reads standard input and writes to standard output")
      ->type_name("")
      ->required()
      ->group(files);
  app.add_option("-o,--output", args.output, "output directory")
      ->type_name("DIR")
      ->capture_default_str()
      ->group(files);
  app.add_flag("-c,--stdout", args.toStdout,
               "write the result of the one INPUT to standard output")
      ->group(files);
  app.add_flag("-a,--all", args.all,
               "convert every HTML file of INPUT's directory (INPUT may be a directory or a "
               "file in it)")
      ->group(files);
  app.add_flag("-r,--recursive", args.recursive,
               "as --all, and the sub-directories too, mirrored under the output directory "
               "(links to directories are not followed)")
      ->group(files);
  app.add_flag("-u,--update", args.update,
               "convert a file only when its output is missing or older than it")
      ->group(files);
  app.add_option("-j,--jobs", args.jobs, "files converted at once (default: one per core)")
      ->type_name("N")
      ->check(CLI::Range(1, 1024))
      ->group(files);

  const char* format = "Format";
  app.add_option("-f,--format", args.format, "output format")
      ->type_name("rtf|txt")
      ->capture_default_str()
      ->check(CLI::IsMember({"rtf", "txt"}).description(""))
      ->group(format);
  app.add_flag("-t,--tables", args.tables, "convert tables (RTF only)")->group(format);
  app.add_option("-e,--encoding", args.encoding,
                 "input encoding: auto, windows-1251, koi8-r, iso-8859-1, iso-8859-5, utf-8 "
                 "(or utf8), or one of the six labels as they stand; auto takes a UTF-8 byte "
                 "order mark, else the head's charset declaration, else UTF-8 when the page "
                 "is valid UTF-8 beyond ASCII")
      ->type_name("NAME")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string& name) {
            vellumine_encoding encoding;
            return ParseEncodingName(name, encoding) ? std::string() : "unknown encoding: " + name;
          },
          "", "encoding"))
      ->group(format);
  app.add_option("--text-encoding", args.textEncoding,
                 "plain text in the page's own character set (page: windows-1251 for "
                 "Cyrillic pages, UTF-8 for UTF-8 pages, windows-1252 otherwise) or in UTF-8")
      ->type_name("page|utf-8")
      ->capture_default_str()
      ->check(CLI::IsMember({"page", "utf-8"}).description(""))
      ->group(format);
  std::vector<std::string> linksNames;
  for (const LinksName& known : kLinksNames) linksNames.emplace_back(known.name);
  CLI::Option* links =
      app.add_option("--links", args.links,
                     "plain text: where a link's address goes: none (the link's text alone), "
                     "inline (\"text <address>\") or list (\"text[1]\", and the numbered "
                     "addresses at the end); not with --classic")
          ->type_name("none|inline|list")
          ->capture_default_str()
          ->check(CLI::IsMember(linksNames).description(""))
          ->group(format);
  CLI::Option* wrap =
      app.add_option("--wrap", args.wrap,
                     "plain text: paragraphs wrapped at N columns, never inside a word, 0 to "
                     "100000 (0: a paragraph on one line); not with --classic")
          ->type_name("N")
          ->capture_default_str()
          ->check(CLI::Validator(
              [](std::string& columns) {
                return IsWholeNumberIn(columns, 0, kMaxWrap)
                           ? std::string()
                           : "the wrap width must be a whole number from 0 to 100000: " +
                                 columns;
              },
              "", "wrap"))
          ->group(format);
  app.add_option("--font", args.font, "RTF font face")
      ->type_name("NAME")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string& name) {
            for (unsigned char c : name) {
              if (!IsFontNameByte(c))
                return std::string("a font name cannot hold braces, backslashes, semicolons "
                                   "or control characters: ") + name;
            }
            return std::string();
          },
          "", "font"))
      ->group(format);
  app.add_option("--size", args.size, "RTF font size in points, 1 to 1638")
      ->type_name("POINTS")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string& size) {
            return IsWholeNumberIn(size, 1, kMaxFontSize)
                       ? std::string()
                       : "the font size must be a whole number from 1 to 1638: " + size;
          },
          "", "size"))
      ->group(format);
  app.add_flag("--classic", args.classic,
               "read the page as version 1.2 did: its output byte for byte")
      ->group(format);

  const char* other = "Other";
  app.add_flag("-q,--quiet", args.quiet, "no progress display and no success messages")
      ->group(other);
  app.set_version_flag("--version", std::string("vellumine " VELLUMINE_VERSION " (") +
                                        BuildPlatform() + ")")
      ->group(other);
  app.set_help_flag("-h,--help", "print this help and exit")->group(other);

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
    WriteText(stderr, std::string("vellumine: ") + e.what() +
                          "\nRun with --help for more information.\n");
    return kExitUsage;
  }
  // Standard output takes one page: from "-" alone, or from the one INPUT of --stdout.
  const bool fromStdin = std::find(args.inputs.begin(), args.inputs.end(), "-") != args.inputs.end();
  if ((fromStdin || args.toStdout) &&
      (args.inputs.size() != 1 || args.all || args.recursive || args.update)) {
    std::fprintf(stderr,
                 "vellumine: standard output takes one page: \"-\" or --stdout with one INPUT, "
                 "without --all, --recursive or --update\nRun with --help for more information.\n");
    return kExitUsage;
  }
  // Links and wrapping belong to the default reading; the classic one is version 1.2's
  // output and nothing else. (RTF takes them and leaves them: a script may give one set of
  // options for both formats.)
  if (args.classic && (links->count() != 0 || wrap->count() != 0)) {
    const char* given = links->count() == 0  ? "--wrap needs"
                        : wrap->count() == 0 ? "--links needs"
                                             : "--links and --wrap need";
    std::fprintf(stderr,
                 "vellumine: %s the default reading; --classic gives the output of version "
                 "1.2\nRun with --help for more information.\n",
                 given);
    return kExitUsage;
  }
  return std::nullopt;
}

int RunCommandLine(int argc, char** argv) {
  Arguments args;
  if (std::optional<int> exitCode = ParseArguments(argc, argv, args)) return *exitCode;
#ifdef _WIN32
  // The RTF header holds the font's name in the system's ANSI code page, as the window
  // hands it over (a character the code page lacks becomes "?").
  std::string font;
  AnsiFromUtf8(args.font, font);
  args.font = font;
#endif
  return Convert(args);
}

}  // namespace vellumine
