#pragma once

// The desktop program's menus: every exported procedure of the module, under the menu a user
// looks for it in. Only procedures that are registered are offered.

#include <string>
#include <vector>

#include "frame/registry.h"

namespace koreq::cli {

struct MenuEntry {
  std::string menu;     // "Equipment", "Usage Logs", "Reports", "Depreciation"
  std::string submenu;  // empty: directly on the menu
  std::string text;     // with its "&" access key
  std::string procedure;
  int request = 0;  // GlobalRequest for the call: 1 insert (forms opened for a new record)
  std::string tip;  // the status-bar text: what the entry does, in words
  int group = 0;    // entries of different groups within a menu stand apart (a separator)
};

// The menus in order, as they appear.
const std::vector<std::string>& hostMenuNames();
// Every exported procedure, once, in menu order.
const std::vector<MenuEntry>& allMenuEntries();
// The entries whose procedure the registry has.
std::vector<MenuEntry> availableMenuEntries(const frame::ProcedureRegistry& registry);

}  // namespace koreq::cli
