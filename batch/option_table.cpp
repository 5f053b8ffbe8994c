#include "option_table.h"

#include <cstdlib>

namespace vellumine {

const vellumine_option_info& OptionNamed(const char* name) {
  const vellumine_option_info* option = vellumine_find_option(name);
  if (option == nullptr) std::abort();
  return *option;
}

Choices ChoicesOf(const vellumine_option_info& option) {
  return {option.choices, option.choices + (option.choices != nullptr ? option.choice_count : 0)};
}

const vellumine_option_choice* ChoiceOfValue(const vellumine_option_info& option, int value) {
  for (const vellumine_option_choice& choice : ChoicesOf(option))
    if (choice.value == value) return &choice;
  return nullptr;
}

const vellumine_option_choice* ChoiceNamed(const vellumine_option_info& option,
                                           std::string_view name) {
  for (const vellumine_option_choice& choice : ChoicesOf(option))
    if (EqualsIgnoringCase(name, choice.name)) return &choice;
  return nullptr;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
  for (size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
}

}  // namespace vellumine
