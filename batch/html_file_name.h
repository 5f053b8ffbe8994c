// Which directory entries the directory walk hands to the converter.
#pragma once

#include <string_view>

namespace vellumine {

// The name's extension (from its last '.', a '.' in the first position not counting; the
// whole name when there is no such '.'), lower-cased, contains "htm" or "asp". Only the
// name is looked at, so a directory called "old.htm" qualifies too.
bool IsHtmlFileName(std::string_view name);

}  // namespace vellumine
