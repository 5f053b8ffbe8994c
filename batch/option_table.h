// The engine's table of options as the programs read it: an option by its name, a choice by
// its value or by one of its names.
#pragma once

#include <string_view>

#include "vellumine.h"

namespace vellumine {

// The option of the engine's table with this name (a field of vellumine_options); the names
// used here are the table's own, so one that is missing is a programming error.
const vellumine_option_info& OptionNamed(const char* name);

// The option's choices, in the table's order.
struct Choices {
  const vellumine_option_choice* first;
  const vellumine_option_choice* last;
  const vellumine_option_choice* begin() const { return first; }
  const vellumine_option_choice* end() const { return last; }
};
Choices ChoicesOf(const vellumine_option_info& option);

// The choice with this value, or null.
const vellumine_option_choice* ChoiceOfValue(const vellumine_option_info& option, int value);

// The choice the library's name names, letter case ignored, or null.
const vellumine_option_choice* ChoiceNamed(const vellumine_option_info& option,
                                           std::string_view name);

// Whether a and b are equal with ASCII letters of either case.
bool EqualsIgnoringCase(std::string_view a, std::string_view b);

}  // namespace vellumine
