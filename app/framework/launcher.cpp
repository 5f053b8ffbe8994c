#include "launcher.h"

#include <shellapi.h>

namespace vellumine {
namespace {

class PlatformLauncher final : public Launcher {
 public:
  int OpenDocument(const std::string& target, int showCommand) override {
    HINSTANCE result =
        ShellExecuteA(nullptr, "open", target.c_str(), nullptr, nullptr, showCommand);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
  }

  unsigned RunCommandLine(const std::string& commandLine, int showCommand) override {
    return WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
  }

  bool ShowHelp(HWND owner, const std::string& helpFile, UINT command,
                ULONG_PTR data) override {
    return ::WinHelpA(owner, helpFile.c_str(), command, data) != FALSE;
  }

  long ReadClassesRootValue(const std::string& subKey, std::string& value) override {
    HKEY key = nullptr;
    LONG opened = RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &key);
    if (opened != ERROR_SUCCESS) return opened;
    value = ReadDefaultString(key);
    RegCloseKey(key);
    return ERROR_SUCCESS;
  }

 private:
  // A key's default value of any length: its size asked for, then read (again, larger, when
  // it grew in between). Empty when it is no string or cannot be read.
  static std::string ReadDefaultString(HKEY key) {
    std::string data;
    DWORD type = 0;
    DWORD size = 0;
    LONG queried = RegQueryValueExA(key, nullptr, nullptr, &type, nullptr, &size);
    for (int attempt = 0; queried == ERROR_SUCCESS && attempt < 8; ++attempt) {
      data.assign(size + 1, '\0');  // room for a terminator the value may lack
      DWORD read = size;
      queried = RegQueryValueExA(key, nullptr, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &read);
      if (queried == ERROR_MORE_DATA) {
        size = read > size ? read : size * 2 + 1;
        queried = ERROR_SUCCESS;
        continue;
      }
      if (queried != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) break;
      data.resize(read);
      return std::string(data.c_str());  // up to the terminator
    }
    return {};
  }
};

Launcher* g_replacement = nullptr;  // tests' script; we don't own it

}  // namespace

Launcher& CurrentLauncher() {
  static PlatformLauncher platform;
  return g_replacement != nullptr ? *g_replacement : platform;
}

Launcher* SetLauncher(Launcher* launcher) {
  Launcher* previous = g_replacement;
  g_replacement = launcher;
  return previous;
}

}  // namespace vellumine
