// What starts other programs: the shell's "open" verb, command lines, the help engine, and
// the registry values that name a program. The program uses the platform; tests a script.
// Every text, path and command line is UTF-8.
#pragma once

#include <windows.h>

#include <string>

namespace vellumine {

class Launcher {
 public:
  virtual ~Launcher() = default;
  // Opens a document or web address with the verb "open" (no owner, parameters or working
  // directory); the shell's result, above 32 on success.
  virtual int OpenDocument(const std::string& target, int showCommand) = 0;
  // Starts a command line as WinExec does; above 31 on success.
  virtual unsigned RunCommandLine(const std::string& commandLine, int showCommand) = 0;
  // The Windows help engine (WinHelp); false when it cannot be started.
  virtual bool ShowHelp(HWND owner, const std::string& helpFile, UINT command,
                        ULONG_PTR data) = 0;
  // The default value of a key under HKEY_CLASSES_ROOT: 0 with the value (empty when it
  // cannot be read), or the error code of opening the key.
  virtual long ReadClassesRootValue(const std::string& subKey, std::string& value) = 0;
};

// The launcher in use: the platform's unless replaced.
Launcher& CurrentLauncher();
// Replaces the launcher (null restores the platform's); returns the previous replacement.
Launcher* SetLauncher(Launcher* launcher);

}  // namespace vellumine
