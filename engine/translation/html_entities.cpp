#include "html_entities.h"

#include <algorithm>
#include <string_view>

namespace vellumine {
namespace {

constexpr NamedReference kNamedReferences[] = {
#include "translation/html_entities_table.inc"
};

constexpr bool SortedByName() {
  for (size_t i = 1; i < std::size(kNamedReferences); ++i)
    if (!(std::string_view(kNamedReferences[i - 1].name) < kNamedReferences[i].name)) return false;
  return true;
}
static_assert(SortedByName(), "the binary search needs the names in byte order");

}  // namespace

const NamedReference* FindNamedReference(const char* name, size_t length) {
  std::string_view wanted(name, length);
  auto end = std::end(kNamedReferences);
  auto it = std::lower_bound(std::begin(kNamedReferences), end, wanted,
                             [](const NamedReference& row, std::string_view key) {
                               return std::string_view(row.name) < key;
                             });
  return it != end && wanted == it->name ? it : nullptr;
}

}  // namespace vellumine
