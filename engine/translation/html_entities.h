// HTML's named character references: the standard's whole list, beyond the RTF table's rows.
#pragma once

#include <cstddef>
#include <cstdint>

namespace vellumine {

// One name (without its ";") and the one or two characters it stands for.
struct NamedReference {
  const char* name;
  uint32_t first;
  uint32_t second;  // 0 when the name stands for one character
};

// The reference spelled exactly so (case matters), or nullptr.
const NamedReference* FindNamedReference(const char* name, size_t length);

}  // namespace vellumine
