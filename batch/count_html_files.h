// The total of a directory walk, counted before the walk starts.
#pragma once

#include <cstdint>
#include <string>

#include "file_system.h"

namespace vellumine {

// Entries of the listing pattern whose names pass IsHtmlFileName; 0 when the listing cannot
// be started. A 32-bit count, so no directory overflows it.
int32_t CountHtmlFiles(FileSystem& files, const std::string& pattern);

}  // namespace vellumine
