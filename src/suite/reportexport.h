#pragma once

// The report export service: a report's export lines (RXQUEUE, columns separated by tabs)
// written to a text file the user chose.

#include <filesystem>
#include <string>

#include "frame/context.h"
#include "ui/model/user_port.h"

namespace koreq::suite {

// Writes every RXQUEUE line, trailing blanks removed, each ended by "\n", as UTF-8 without a
// byte-order mark: the text-file convention of this platform, which spreadsheet imports read
// as tab-separated values. The file is written beside the target and renamed over it, so a
// failure (reported in `error`) leaves any earlier file whole.
bool REPORTEXPORT(frame::Context& ctx, const std::filesystem::path& target, std::string* error);

// The export as a report calls it: the user chooses the file in a save dialog that starts at
// the company folder and `name`.txt, and the lines are written there; a failure is shown
// (caption "Export This Report"). The file written, empty when the dialog was cancelled or
// the file could not be written (`error` says why).
std::filesystem::path REPORTEXPORT(frame::Context& ctx, ui::UserPort& user, const std::string& name,
                                   std::string* error);

}  // namespace koreq::suite
