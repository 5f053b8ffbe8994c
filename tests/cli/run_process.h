// Runs the command-line converter as a separate process and collects what it printed.
#pragma once

#include <cstdlib>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace vellumine::testing {

struct ProcessResult {
  int exitCode = -1;
  std::string out;  // standard output, line ends as LF
  std::string err;  // standard error, line ends as LF
};

// A path of the build machine as the test process sees it: under Wine, host paths are
// reached through drive Z:.
inline std::string HostPath(std::string path) {
#ifdef _WIN32
  if (!path.empty() && path[0] == '/') {
    for (char& c : path) c = c == '/' ? '\\' : c;
    path = "Z:" + path;
  }
#endif
  return path;
}

// One argument in double quotes. Windows: backslashes before the closing quote are doubled,
// or the runtime would read the quote as part of the argument.
inline std::string Quote(const std::string& argument) {
  std::string quoted = "\"" + argument;
#ifdef _WIN32
  for (size_t i = argument.size(); i > 0 && argument[i - 1] == '\\'; --i) quoted += '\\';
#endif
  return quoted + "\"";
}

inline std::string ReadWhole(const std::string& path) {
  std::string text;
  if (std::FILE* file = std::fopen(path.c_str(), "rb")) {
    char chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) text.append(chunk, n);
    std::fclose(file);
  }
  std::string lf;
  for (size_t i = 0; i < text.size(); ++i) {
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) lf += text[i];
  }
  return lf;
}

// Runs the converter with args in directory workDir (which ends in a separator); its
// output is captured in two files there.
inline ProcessResult RunVellumine(const std::vector<std::string>& args,
                                  const std::string& workDir) {
  std::string outFile = workDir + "stdout.log";
  std::string errFile = workDir + "stderr.log";
  std::string command = Quote(HostPath(VELLUMINE_EXE));
  for (const std::string& arg : args) command += " " + Quote(arg);
#ifdef _WIN32
  std::string directory = workDir.substr(0, workDir.size() - 1);
  command = "cd /d " + Quote(directory) + " && " + command + " >" + Quote(outFile) + " 2>" +
            Quote(errFile);
  // cmd /c drops the outer quotes of a line that begins with one.
  int status = std::system(("\"" + command + "\"").c_str());
  int exitCode = status;
#else
  command = "cd " + Quote(workDir) + " && " + command + " >" + Quote(outFile) + " 2>" +
            Quote(errFile) + " </dev/null";
  int status = std::system(command.c_str());
  int exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
  ProcessResult result;
  result.exitCode = exitCode;
  result.out = ReadWhole(outFile);
  result.err = ReadWhole(errFile);
  std::remove(outFile.c_str());
  std::remove(errFile.c_str());
  return result;
}

}  // namespace vellumine::testing
