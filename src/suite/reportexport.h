#pragma once

// The report export service: a report's export lines (RXQUEUE, columns separated by tabs)
// written to a text file the user chose.

#include <filesystem>
#include <string>

#include "frame/context.h"

namespace koreq::suite {

// Writes every RXQUEUE line, trailing blanks removed, each ended by "\n", as UTF-8 without a
// byte-order mark: the text-file convention of this platform, which spreadsheet imports read
// as tab-separated values. The file is written beside the target and renamed over it, so a
// failure (reported in `error`) leaves any earlier file whole.
bool REPORTEXPORT(frame::Context& ctx, const std::filesystem::path& target, std::string* error);

}  // namespace koreq::suite
