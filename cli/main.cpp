// vellumine: converts HTML pages into RTF or plain text from the command line.
#include "command_line.h"

#ifdef _WIN32
#include <string>
#include <vector>

#include "system_path.h"

// The arguments as the system gives them, in UTF-16, so that a name outside the ANSI code
// page arrives whole; the converter takes them in UTF-8.
int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> arguments;
  for (int i = 0; i < argc; ++i) arguments.push_back(vellumine::Utf8FromUtf16(argv[i]));
  std::vector<char*> pointers;
  for (std::string& argument : arguments) pointers.push_back(argument.data());
  pointers.push_back(nullptr);
  return vellumine::RunCommandLine(argc, pointers.data());
}
#else
int main(int argc, char** argv) { return vellumine::RunCommandLine(argc, argv); }
#endif
