// Runs the command-line converter as a separate process and collects what it printed.
#pragma once

#include <cstdlib>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

#include "temp_directory.h"

namespace vellumine::testing {

struct ProcessResult {
  int exitCode = -1;
  std::string out, err;  // standard output and error, line ends as LF
  std::string rawOut;    // standard output byte for byte
  // The exit code, standard output and standard error, as "1|out|err".
  std::string Said() const { return std::to_string(exitCode) + "|" + out + "|" + err; }
};

// One argument in double quotes. Windows: backslashes before the closing quote are doubled,
// or the runtime would read the quote as part of the argument.
inline std::string Quote(const std::string& argument) {
  std::string quoted = "\"" + argument;
#ifdef _WIN32
  for (size_t i = argument.size(); i > 0 && argument[i - 1] == '\\'; --i) quoted += '\\';
#endif
  return quoted + "\"";
}

// Runs the converter with args in the directory work, through the system's shell; its output
// is captured in two files there. prefix (POSIX) goes before the program: "setpriv ... --";
// standard input is the file stdinName in work, or empty.
inline ProcessResult RunVellumine(const std::vector<std::string>& args, const TempDirectory& work,
                                  [[maybe_unused]] const std::string& prefix = "",
                                  const std::string& stdinName = "") {
#ifdef _WIN32
  std::string program = VELLUMINE_EXE;  // a path of the build machine: under Wine, on drive Z:
  for (char& c : program) c = c == '/' ? '\\' : c;
  std::string command = "cd /d " + Quote(work.bare()) + " && " + Quote("Z:" + program);
  const std::string nothing = "NUL";
#else
  std::string command = "cd " + Quote(work.bare()) + " && " + prefix + Quote(VELLUMINE_EXE);
  const std::string nothing = "/dev/null";
#endif
  for (const std::string& arg : args) command += " " + Quote(arg);
  command += " >stdout.log 2>stderr.log <" + (stdinName.empty() ? nothing : Quote(stdinName));
  ProcessResult result;
#ifdef _WIN32
  // The command line in UTF-16, as a user's typing reaches the program.
  result.exitCode = _wsystem(Utf16FromUtf8(command).c_str());
#else
  const int status = std::system(command.c_str());
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
#endif
  result.rawOut = work.Read("stdout.log");
  for (char c : result.rawOut) result.out += c == '\r' ? "" : std::string(1, c);
  for (char c : work.Read("stderr.log")) result.err += c == '\r' ? "" : std::string(1, c);
  RemoveFile(work.path() + "stdout.log");
  RemoveFile(work.path() + "stderr.log");
  return result;
}

}  // namespace vellumine::testing
