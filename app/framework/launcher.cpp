#include "launcher.h"

#include <shellapi.h>

#include <memory>
#include <type_traits>

#include "system_path.h"

namespace vellumine {
namespace {

// A kernel handle, closed when it goes out of scope.
using HandleOwner = std::unique_ptr<std::remove_pointer_t<HANDLE>, decltype(&CloseHandle)>;

// A registry key, closed when it goes out of scope.
class RegistryKey {
 public:
  RegistryKey() = default;
  ~RegistryKey() {
    if (key_ != nullptr) RegCloseKey(key_);
  }
  RegistryKey(const RegistryKey&) = delete;
  RegistryKey& operator=(const RegistryKey&) = delete;
  HKEY* out() { return &key_; }
  HKEY get() const { return key_; }

 private:
  HKEY key_ = nullptr;
};

class PlatformLauncher final : public Launcher {
 public:
  int OpenDocument(const std::string& target, int showCommand) override {
    HINSTANCE result = ShellExecuteW(nullptr, L"open", Utf16FromUtf8(target).c_str(), nullptr,
                                     nullptr, showCommand);
    return static_cast<int>(reinterpret_cast<INT_PTR>(result));
  }

  // What WinExec does, with the command line in UTF-16 (WinExec takes the ANSI code page
  // only): the program started, given up to 30 seconds to wait for input, and 33; or the
  // error (ERROR_BAD_FORMAT for those WinExec has no code of its own for).
  unsigned RunCommandLine(const std::string& commandLine, int showCommand) override {
    std::wstring line = vellumine::Utf16FromUtf8(commandLine);
    line.push_back(L'\0');  // CreateProcessW may write into the line
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(showCommand);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process)) {
      DWORD error = GetLastError();
      return error < 32 ? error : ERROR_BAD_FORMAT;
    }
    HandleOwner processHandle(process.hProcess, &CloseHandle);
    HandleOwner threadHandle(process.hThread, &CloseHandle);
    WaitForInputIdle(process.hProcess, 30000);
    return 33;
  }

  bool ShowHelp(HWND owner, const std::string& helpFile, UINT command,
                ULONG_PTR data) override {
    return ::WinHelpW(owner, vellumine::Utf16FromUtf8(helpFile).c_str(), command, data) != FALSE;
  }

  long ReadClassesRootValue(const std::string& subKey, std::string& value) override {
    RegistryKey key;
    LONG opened = RegOpenKeyExW(HKEY_CLASSES_ROOT, vellumine::Utf16FromUtf8(subKey).c_str(), 0,
                                KEY_QUERY_VALUE, key.out());
    if (opened != ERROR_SUCCESS) return opened;
    value = ReadDefaultString(key.get());
    return ERROR_SUCCESS;
  }

 private:
  // A key's default value of any length: its size asked for, then read (again, larger, when
  // it grew in between). Empty when it is no string or cannot be read.
  static std::string ReadDefaultString(HKEY key) {
    std::wstring data;
    DWORD type = 0;
    DWORD size = 0;  // in bytes
    LONG queried = RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &size);
    for (int attempt = 0; queried == ERROR_SUCCESS && attempt < 8; ++attempt) {
      // Room for a terminator the value may lack, and for an odd byte count.
      data.assign(size / sizeof(wchar_t) + 2, L'\0');
      DWORD read = size;
      queried = RegQueryValueExW(key, nullptr, nullptr, &type,
                                 reinterpret_cast<BYTE*>(data.data()), &read);
      if (queried == ERROR_MORE_DATA) {
        size = read > size ? read : size * 2 + 2;
        queried = ERROR_SUCCESS;
        continue;
      }
      if (queried != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) break;
      data.resize(read / sizeof(wchar_t));
      return vellumine::Utf8FromUtf16(data.c_str());  // up to the terminator
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
