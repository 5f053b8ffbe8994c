#include "command_line.h"

#include <CLI/CLI.hpp>
#include <cstdio>
#include <iterator>
#include <string>
#include <vector>

#include "convert_command.h"
#include "encoding.h"
#include "rtf_templates.h"
#include "terminal_view.h"

namespace vellumine {

namespace {

// Short names of the Encoding list's entries, in list order.
constexpr const char* kEncodingNames[] = {"auto",       "windows-1251", "koi8-r",
                                          "iso-8859-1", "iso-8859-5",   "utf-8"};
static_assert(std::size(kEncodingNames) == std::size(kEncodingLabels));

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] - 'A' + 'a') : a[i];
    if (x != b[i]) return false;
  }
  return true;
}

// What the arguments ask for.
struct Arguments {
  std::vector<std::string> inputs;
  std::string output = ".";
  std::string format = "rtf";
  bool tables = false;
  std::string encoding = "auto";
  std::string font = "Arial";
  std::string size = "10";
  bool all = false;
  bool quiet = false;
};

int Convert(const Arguments& args) {
  ConvertChoices choices;
  choices.outputPath = args.output;
  choices.format = args.format == "txt" ? 1 : 0;
  choices.convertTables = args.tables;
  choices.convertAll = args.all;
  choices.encodingIndex = EncodingIndexForName(args.encoding);
  choices.fontName = args.font;
  choices.fontSize = args.size;

  ConvertEnvironment env{NativeFileSystem()};
  env.saveSettings = false;

  TerminalView view(stdout, stderr, args.quiet, IsTerminal(stderr));
  bool allConverted = true;
  const auto count = static_cast<int32_t>(args.inputs.size());
  for (int32_t i = 0; i < count; ++i) {
    choices.inputPath = args.inputs[static_cast<size_t>(i)];
    view.BeginInput(i + 1, args.all ? 0 : count);
    ConvertOutcome outcome = RunConvertCommand(choices, view, env, nullptr);
    view.EndInput();
    if (outcome.failed != 0 || outcome.stopped || outcome.filesNotFound) allConverted = false;
    // Every further input would fail on the same directory.
    if (outcome.noOutputDirectory) break;
  }
  std::fflush(stdout);
  return allConverted ? kExitConverted : kExitFailed;
}

}  // namespace

int EncodingIndexForName(std::string_view name) {
  for (size_t i = 0; i < std::size(kEncodingNames); ++i) {
    if (EqualsIgnoringCase(name, kEncodingNames[i]) || name == kEncodingLabels[i])
      return static_cast<int>(i);
  }
  if (EqualsIgnoringCase(name, "utf8")) return 5;
  return -1;
}

int RunCommandLine(int argc, char** argv) {
  Arguments args;
  CLI::App app("Converts HTML pages into RTF documents or plain text.", "vellumine");
  app.add_option("-o,--output", args.output, "output directory (default: the current directory)")
      ->type_name("DIR");
  app.add_option("-f,--format", args.format, "output format (default rtf)")
      ->type_name("rtf|txt")
      ->check(CLI::IsMember({"rtf", "txt"}).description(""));
  app.add_flag("-t,--tables", args.tables, "convert tables (RTF only)");
  app.add_option("-e,--encoding", args.encoding,
                 "auto, windows-1251, koi8-r, iso-8859-1, iso-8859-5, utf-8 (or utf8), or "
                 "one of the six labels as they stand (default auto: a UTF-8 byte order "
                 "mark, the head's charset declaration, else UTF-8 when the page is valid "
                 "UTF-8 beyond ASCII)")
      ->type_name("NAME")
      ->check(CLI::Validator(
          [](std::string& name) {
            return EncodingIndexForName(name) < 0 ? "unknown encoding: " + name
                                                  : std::string();
          },
          "", "encoding"));
  app.add_option("--font", args.font, "RTF font face (default Arial)")
      ->type_name("NAME")
      ->check(CLI::Validator(
          [](std::string& name) {
            for (unsigned char c : name) {
              if (c < 0x20 || c == '{' || c == '}' || c == '\\' || c == ';')
                return std::string("a font name cannot hold braces, backslashes, semicolons "
                                   "or control characters: ") + name;
            }
            return std::string();
          },
          "", "font"));
  app.add_option("--size", args.size, "RTF font size in points, 1 to 1638 (default 10)")
      ->type_name("POINTS")
      ->check(CLI::Validator(
          [](std::string& size) {
            bool digits = !size.empty() && size.size() <= 4 &&
                          size.find_first_not_of("0123456789") == std::string::npos;
            int points = digits ? std::stoi(size) : 0;
            return points >= 1 && points <= kMaxFontSize
                       ? std::string()
                       : "the font size must be a whole number from 1 to 1638: " + size;
          },
          "", "size"));
  app.add_flag("-a,--all", args.all,
               "convert every HTML file of INPUT's directory (INPUT may be a directory or a "
               "file in it)");
  app.add_flag("-q,--quiet", args.quiet, "no progress display");
  app.set_version_flag("--version", "vellumine " VELLUMINE_VERSION);
  app.add_option("INPUT", args.inputs, "HTML files (with --all, directories or files in them)")
      ->type_name("")
      ->required();

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == static_cast<int>(CLI::ExitCodes::Success)) return app.exit(e);
    std::fprintf(stderr, "vellumine: %s\nRun with --help for more information.\n", e.what());
    return kExitUsage;
  }
  return Convert(args);
}

}  // namespace vellumine
