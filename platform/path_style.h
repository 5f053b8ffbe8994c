// Path rules of the two platforms, behind one switch so that both are testable everywhere.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vellumine {

// Windows: backslash and slash separate path parts, and a path holds at most 32,767
// characters (with the long-path prefix the program adds). Posix: only the slash
// separates, and there is no such limit.
enum class PathStyle { Windows, Posix };

#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::Posix;
#endif

// The Windows path limit, terminator included.
inline constexpr size_t kMaxPath = 32767;

constexpr bool IsPathSeparator(char c, PathStyle style) {
  return c == '/' || (style == PathStyle::Windows && c == '\\');
}

// The preferred separator appended to directories.
constexpr char PathSeparator(PathStyle style) { return style == PathStyle::Windows ? '\\' : '/'; }

// Position just after the last separator (0 when there is none): where the file name starts.
size_t FileNameStart(std::string_view path, PathStyle style);

}  // namespace vellumine
