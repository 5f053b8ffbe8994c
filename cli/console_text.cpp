#include "console_text.h"

#ifdef _WIN32
#include <io.h>
#include <windows.h>

#include "system_path.h"
#endif

namespace vellumine {

void WriteText(std::FILE* stream, std::string_view text) {
#ifdef _WIN32
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream)));
  DWORD mode;
  if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
    std::fflush(stream);  // what the runtime holds goes first
    const std::wstring wide = Utf16FromUtf8(text);
    DWORD written = 0;
    WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
#endif
  std::fwrite(text.data(), 1, text.size(), stream);
}

}  // namespace vellumine
