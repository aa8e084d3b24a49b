#pragma once

// The backup taken before a posting, when the user's record asks for one.

#include <filesystem>

#include "frame/context.h"

namespace koreq::suite {

// Writes a consistent copy of the company database to
// DATAPATH/backup/company-YYYYMMDD-HHMMSS.db (the context's clock; "-2", "-3", ... when that
// name is taken) and answers its path. On failure the error is reported through the error
// object (" Backing up Company") and the answer is empty; no partial file is left.
std::filesystem::path PREPOSTBACKUP(frame::Context& ctx);

}  // namespace koreq::suite
