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
#include "option_table.h"
#include "result_messages.h"
#include "stream_conversion.h"
#include "system_path.h"
#include "terminal_view.h"

namespace vellumine {

namespace {

// The command line's names of an option's choices, in the table's order.
std::vector<std::string> CommandNames(const vellumine_option_info& option) {
  std::vector<std::string> names;
  for (const vellumine_option_choice& choice : ChoicesOf(option)) names.emplace_back(choice.command);
  return names;
}

// The names joined: "rtf|txt".
std::string Joined(const std::vector<std::string>& names, const char* separator) {
  std::string text;
  for (const std::string& name : names) text += (text.empty() ? "" : separator) + name;
  return text;
}

// Registers a choice option of the table by its command-line name: its summary and then
// what the choices do, its choices as the type, checked against them.
CLI::Option* AddChoiceOption(CLI::App& app, const char* optionName, std::string& value,
                             const std::string& choicesHelp, const char* group) {
  const vellumine_option_info& option = OptionNamed(optionName);
  return app.add_option(std::string("--") + option.command, value,
                        std::string(option.summary) + choicesHelp)
      ->type_name(Joined(CommandNames(option), "|"))
      ->capture_default_str()
      ->check(CLI::IsMember(CommandNames(option)).description(""))
      ->group(group);
}

// The choice the command line names by its exact command name, or null.
const vellumine_option_choice* CommandChoiceNamed(const char* optionName, std::string_view name) {
  for (const vellumine_option_choice& choice : ChoicesOf(OptionNamed(optionName)))
    if (name == choice.command) return &choice;
  return nullptr;
}

// The value of the choice the command line names, or the option's default when none does
// (the parser has checked the name).
int CommandChoice(const char* optionName, std::string_view name) {
  const vellumine_option_choice* choice = CommandChoiceNamed(optionName, name);
  return choice != nullptr ? choice->value : OptionNamed(optionName).default_value;
}

// The command line's name of the choice the option shows by default.
std::string ShownChoice(const char* optionName) {
  const vellumine_option_info& option = OptionNamed(optionName);
  const vellumine_option_choice* choice = ChoiceOfValue(option, option.shown_default);
  return choice != nullptr ? choice->command : "";
}

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

// A check of a number option against the range the command line offers: "the font size
// must be a whole number from 1 to 1638: 0".
CLI::Validator NumberCheck(const char* optionName, const std::string& what) {
  const vellumine_option_info& option = OptionNamed(optionName);
  const int low = option.command_minimum, high = option.maximum;
  const std::string range = std::to_string(low) + " to " + std::to_string(high);
  return CLI::Validator(
      [low, high, what, range](std::string& value) {
        return IsWholeNumberIn(value, low, high)
                   ? std::string()
                   : what + " must be a whole number from " + range + ": " + value;
      },
      "", optionName);
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
  OutputClaims claims;  // two inputs never write one output
  env.claims = &claims;

  TerminalView view(stdout, stderr, args.quiet, IsTerminal(stderr));
  bool allConverted = true;
  int32_t converted = 0, failed = 0, skipped = 0;
  const auto count = static_cast<int32_t>(args.inputs.size());
  for (int32_t i = 0; i < count; ++i) {
    choices.inputPath = args.inputs[static_cast<size_t>(i)];
    view.BeginInput(i + 1, count);
    ConvertOutcome outcome = RunConvertCommand(choices, view, env);
    view.EndInput();
    if (outcome.failed != 0 || outcome.stopped || outcome.filesNotFound) allConverted = false;
    converted += outcome.converted;
    failed += outcome.failed;
    skipped += outcome.skipped;
    // Every further input would fail on the same directory.
    if (outcome.noOutputDirectory) break;
  }
  // The end of the work, once, over every input.
  view.PrintRunSummary(converted, failed, skipped);
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
  for (const vellumine_option_choice& choice : ChoicesOf(OptionNamed("encoding"))) {
    if (EqualsIgnoringCase(name, choice.command) ||
        (choice.alias != nullptr && EqualsIgnoringCase(name, choice.alias)) ||
        (choice.label != nullptr && name == choice.label)) {
      encoding = static_cast<vellumine_encoding>(choice.value);
      return true;
    }
  }
  return false;
}

bool ParseLinksName(std::string_view name, vellumine_links& links) {
  const vellumine_option_choice* choice = CommandChoiceNamed("links", name);
  if (choice != nullptr) links = static_cast<vellumine_links>(choice->value);
  return choice != nullptr;
}

Arguments::Arguments()
    : format(ShownChoice("format")),
      tables(OptionNamed("tables").shown_default != 0),
      encoding(ShownChoice("encoding")),
      textEncoding(ShownChoice("text_utf8")),
      links(ShownChoice("links")),
      wrap(std::to_string(OptionNamed("wrap").shown_default)),
      images(ShownChoice("images")),
      font(OptionNamed("font_name").default_text),
      size(std::to_string(OptionNamed("font_size").shown_default)) {}

ConvertChoices ChoicesFor(const Arguments& args) {
  ConvertChoices choices;
  choices.outputPath = args.output;
  choices.convertAll = args.all || args.recursive;
  choices.recursive = args.recursive;
  choices.updateOnly = args.update;
  vellumine_options& options = choices.options;
  options.format = static_cast<vellumine_format>(CommandChoice("format", args.format));
  options.tables = args.tables;
  ParseEncodingName(args.encoding, options.encoding);
  options.font_name = args.font.c_str();
  options.font_size = std::stoi(args.size);  // checked against the table's range
  options.text_utf8 = CommandChoice("text_utf8", args.textEncoding);
  options.reading = args.classic ? VELLUMINE_READING_CLASSIC : VELLUMINE_READING_DEFAULT;
  ParseLinksName(args.links, options.links);
  options.wrap = std::stoi(args.wrap);  // checked against the table's range
  options.images = static_cast<vellumine_images>(CommandChoice("images", args.images));
  options.image_root = args.imageRootGiven ? args.imageRoot.c_str() : nullptr;
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
  // Each option's names, choices, limits and defaults come from the engine's table.
  const vellumine_option_info& formatOption = OptionNamed("format");
  app.add_option(std::string("-f,--") + formatOption.command, args.format, formatOption.summary)
      ->type_name(Joined(CommandNames(formatOption), "|"))
      ->capture_default_str()
      ->check(CLI::IsMember(CommandNames(formatOption)).description(""))
      ->group(format);
  const vellumine_option_info& tablesOption = OptionNamed("tables");
  app.add_flag(std::string("-t,--") + tablesOption.command, args.tables, tablesOption.summary)
      ->group(format);
  const vellumine_option_info& encodingOption = OptionNamed("encoding");
  std::string encodingNames = Joined(CommandNames(encodingOption), ", ");
  for (const vellumine_option_choice& choice : ChoicesOf(encodingOption))
    if (choice.alias != nullptr) encodingNames += std::string(" (or ") + choice.alias + ")";
  app.add_option(std::string("-e,--") + encodingOption.command, args.encoding,
                 std::string(encodingOption.summary) + ": " + encodingNames +
                     ", or one of the window's labels as they stand; auto takes a UTF-8 byte "
                     "order mark, else the head's charset declaration, else UTF-8 when the "
                     "page is valid UTF-8 beyond ASCII")
      ->type_name("NAME")
      ->capture_default_str()
      ->check(CLI::Validator(
          [](std::string& name) {
            vellumine_encoding encoding;
            return ParseEncodingName(name, encoding) ? std::string() : "unknown encoding: " + name;
          },
          "", "encoding"))
      ->group(format);
  AddChoiceOption(app, "text_utf8", args.textEncoding,
                  " (page: windows-1251 for Cyrillic pages, UTF-8 for UTF-8 pages, "
                  "windows-1252 otherwise)",
                  format);
  CLI::Option* links = AddChoiceOption(
      app, "links", args.links,
      ": none (the link's text alone), inline (\"text <address>\") or list (\"text[1]\", and "
      "the numbered addresses at the end); not with --classic",
      format);
  const vellumine_option_info& wrapOption = OptionNamed("wrap");
  CLI::Option* wrap =
      app.add_option(std::string("--") + wrapOption.command, args.wrap,
                     std::string(wrapOption.summary) + ", never inside a word, " +
                         std::to_string(wrapOption.command_minimum) + " to " +
                         std::to_string(wrapOption.maximum) +
                         " (0: a paragraph on one line); not with --classic")
          ->type_name("N")
          ->capture_default_str()
          ->check(NumberCheck("wrap", "the wrap width"))
          ->group(format);
  const vellumine_option_info& fontOption = OptionNamed("font_name");
  app.add_option(std::string("--") + fontOption.command, args.font, fontOption.summary)
      ->type_name("NAME")
      ->capture_default_str()
      ->check(CLI::Validator(
          [refused = std::string_view(fontOption.refused)](std::string& name) {
            for (unsigned char c : name) {
              if (c < 0x20 || refused.find(static_cast<char>(c)) != std::string_view::npos)
                return std::string("a font name cannot hold braces, backslashes, semicolons "
                                   "or control characters: ") + name;
            }
            return std::string();
          },
          "", "font"))
      ->group(format);
  const vellumine_option_info& sizeOption = OptionNamed("font_size");
  app.add_option(std::string("--") + sizeOption.command, args.size,
                 std::string(sizeOption.summary) + ", " +
                     std::to_string(sizeOption.command_minimum) + " to " +
                     std::to_string(sizeOption.maximum))
      ->type_name("POINTS")
      ->capture_default_str()
      ->check(NumberCheck("font_size", "the font size"))
      ->group(format);
  app.add_flag(std::string("--") + OptionNamed("reading").command, args.classic,
               "read the page as version 1.2 did: its output byte for byte")
      ->group(format);
  AddChoiceOption(app, "images", args.images,
                  ": embed (a PNG or JPEG of at most 20 MB in a data: address, or a file in the "
                  "page's folder or below it; never from the network) or alt",
                  format);
  CLI::Option* imageRoot = app.add_option("--image-root", args.imageRoot,
                 "the folder pictures' files may come from, with the folders below it "
                 "(default: the page's folder; standard input has none, and takes data: "
                 "pictures alone)")
      ->type_name("DIR")
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
  args.imageRootGiven = imageRoot->count() != 0;
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
