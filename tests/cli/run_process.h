// Runs the command-line converter as a separate process and collects what it printed.
#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
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

#ifdef _WIN32
// A file handle the child process inherits as one of its standard handles.
class InheritedHandle {
 public:
  InheritedHandle(const std::string& path, bool write) {
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    handle_ = CreateFileA(path.c_str(), write ? GENERIC_WRITE : GENERIC_READ,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                          write ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  ~InheritedHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  InheritedHandle(const InheritedHandle&) = delete;
  InheritedHandle& operator=(const InheritedHandle&) = delete;
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};
#endif

// Runs the converter with args in directory workDir (which ends in a separator); its
// output is captured in two files there.
inline ProcessResult RunVellumine(const std::vector<std::string>& args,
                                  const std::string& workDir) {
  std::string outFile = workDir + "stdout.log";
  std::string errFile = workDir + "stderr.log";
  std::string command = Quote(HostPath(VELLUMINE_EXE));
  for (const std::string& arg : args) command += " " + Quote(arg);
  int exitCode = -1;
#ifdef _WIN32
  {
    // Started directly, not through cmd: one Wine process per run instead of two.
    InheritedHandle in("NUL", false), out(outFile, true), err(errFile, true);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = in.get();
    startup.hStdOutput = out.get();
    startup.hStdError = err.get();
    PROCESS_INFORMATION process = {};
    if (CreateProcessA(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       workDir.c_str(), &startup, &process)) {
      WaitForSingleObject(process.hProcess, INFINITE);
      DWORD code = 0;
      if (GetExitCodeProcess(process.hProcess, &code)) exitCode = static_cast<int>(code);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
    }
  }
#else
  command = "cd " + Quote(workDir) + " && " + command + " >" + Quote(outFile) + " 2>" +
            Quote(errFile) + " </dev/null";
  int status = std::system(command.c_str());
  if (WIFEXITED(status)) exitCode = WEXITSTATUS(status);
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
