// Whether a path names a file that is already open: the same file by identity, whatever
// the spelling of the path or the links on the way.
#pragma once

#include <cstdio>

namespace vellumine {

// True when path exists and is the very file open as `open` (device and inode on POSIX,
// volume serial number and file index on Windows).
bool NamesOpenFile(const char* path, std::FILE* open);

}  // namespace vellumine
