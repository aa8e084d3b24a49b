#include "frame/tempfolder.h"

#include <unistd.h>

#include <string>

namespace koreq::frame {

namespace fs = std::filesystem;

namespace {
fs::path folderPath() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  return base / ("koreq-" + std::to_string(::getpid()));
}
}  // namespace

fs::path processTempFolder() {
  fs::path p = folderPath();
  std::error_code ec;
  if (fs::create_directories(p, ec)) fs::permissions(p, fs::perms::owner_all, ec);
  return p;
}

void removeProcessTempFolder() {
  std::error_code ec;
  fs::remove_all(folderPath(), ec);
}

}  // namespace koreq::frame
