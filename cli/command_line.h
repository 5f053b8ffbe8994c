// The command-line converter: arguments in, the Convert command run once per input.
#pragma once

#include <string_view>

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

// Parses the arguments and runs the conversions; returns the exit code.
int RunCommandLine(int argc, char** argv);

}  // namespace vellumine
