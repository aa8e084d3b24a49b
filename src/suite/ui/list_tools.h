#pragma once

// What every list window of the suite offers besides its own buttons: sending its rows
// elsewhere ("Send List Contents To...") and finding a row by any part of its text.

#include <cstdint>
#include <string>
#include <string_view>

#include "suite/table_file.h"
#include "ui/model/control.h"
#include "ui/model/user_port.h"

namespace koreq::suite {

// The list's rows as the user reads them, with its headers and which columns hold figures.
TextTable listContents(const ui::Control& list, const std::string& title);

// The list's rows as text lines: `title`, the column headers, then one line per row, the
// cells without surrounding blanks and separated by tabs. Loads every row first.
std::string listContentsText(const ui::Control& list, const std::string& title);

// SendTo_Window: asks where the rows go (the clipboard, a text, CSV or Excel file chosen in a
// save dialog) and sends them there. Answers whether
// they were sent; a file that cannot be written is reported in a message box.
bool sendListContents(ui::UserPort& port, const ui::Control& list, const std::string& title);

// The first row after `after` (wrapping round to the top, `after` itself last) with a cell
// whose text holds `text`, compared upper-cased; -1 when there is none or `text` is blank.
// Fetches rows as it goes.
std::int64_t findRowContaining(const ui::Control& list, std::string_view text, std::int64_t after);

}  // namespace koreq::suite
