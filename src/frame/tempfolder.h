#pragma once

#include <filesystem>

namespace koreq::frame {

// This process's own folder for temporary files (extracted attachments, page images):
// "koreq-<pid>" under the system's temporary folder, made on first use. The module removes it
// when it unloads.
std::filesystem::path processTempFolder();
// Removes the folder and everything in it; errors are ignored (it is only scratch space).
void removeProcessTempFolder();

}  // namespace koreq::frame
