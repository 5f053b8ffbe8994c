// A command map: a table from command ids to the handlers of one class.
#pragma once

#include <windows.h>

#include <cstddef>

// One row: the command id, the notification code it answers and the handler.
//   void OnCommand()
template <class T>
struct CommandEntry {
  UINT id;               // menu item, accelerator or control id
  UINT code;             // 0 for menus and button clicks (BN_CLICKED)
  void (T::*handler)();
};

// Calls the handler of the first row with this id and code; false when no row matches.
template <class T, size_t N>
bool DispatchCommand(T& target, const CommandEntry<T> (&map)[N], UINT id, UINT code) {
  for (const CommandEntry<T>& entry : map) {
    if (entry.id == id && entry.code == code) {
      (target.*entry.handler)();
      return true;
    }
  }
  return false;
}
