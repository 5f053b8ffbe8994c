// The command-line converter: arguments in, the Convert command run once per input.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert_command.h"
#include "vellumine.h"

namespace vellumine {

// Exit codes of the command line.
inline constexpr int kExitConverted = 0;  // every file converted
inline constexpr int kExitFailed = 1;     // a file failed, or nothing could be converted
inline constexpr int kExitUsage = 2;      // the arguments are wrong

// The encoding --encoding names: "auto", "windows-1251", "koi8-r", "iso-8859-1",
// "iso-8859-5", "utf-8" or "utf8" (letter case ignored) or one of the window's six list
// labels as they stand; false for anything else.
bool ParseEncodingName(std::string_view name, vellumine_encoding& encoding);

// The placement --links names: "none", "inline" or "list"; false for anything else.
bool ParseLinksName(std::string_view name, vellumine_links& links);

// What the arguments ask for, as given; the options start at the defaults the engine's table
// gives the command line.
struct Arguments {
  Arguments();

  std::vector<std::string> inputs;
  std::string output = ".";
  std::string format;
  bool tables;
  std::string encoding;
  std::string textEncoding;
  std::string links;  // plain text: where links' addresses go
  std::string wrap;   // plain text: the wrap width in columns, 0 for none
  std::string images;  // RTF: "embed" or "alt"
  std::string imageRoot;        // the folder pictures may come from (--image-root)
  bool imageRootGiven = false;  // "" given names no folder: data: pictures alone
  std::string font;
  std::string size;
  bool classic = false;  // the classic reading: the output of version 1.2, byte for byte
  bool all = false;
  bool recursive = false;
  int jobs = 0;  // 0: one per core
  bool update = false;
  bool toStdout = false;
  bool quiet = false;
};

// Parses the arguments into args. The exit code when the run ends there (help or version
// printed, wrong arguments reported on standard error); nothing when there is work to do.
std::optional<int> ParseArguments(int argc, char** argv, Arguments& args);

// What the arguments ask of each command; the options' font name points into args.
ConvertChoices ChoicesFor(const Arguments& args);

// Parses the arguments and runs the conversions; returns the exit code.
int RunCommandLine(int argc, char** argv);

}  // namespace vellumine
