#pragma once

// A file's last-modified date and time in local time, as the attachment list records them.

#include <filesystem>

#include "runtime/date.h"

namespace koreq::suite {

// Date(0) / Time(0) when the file does not exist or its time cannot be read.
Date GETFILEDATE(const std::filesystem::path& path);
Time GETFILETIME(const std::filesystem::path& path);

}  // namespace koreq::suite
