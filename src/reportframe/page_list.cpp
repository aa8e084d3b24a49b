#include "reportframe/page_list.h"

#include "reportframe/page_marks.h"

#include <stdlib.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <system_error>

namespace koreq::reportframe {

namespace fs = std::filesystem;

PageList::PageList() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) base = "/tmp";
  std::string pattern = (base / "koreq-pages-XXXXXX").string();
  if (!::mkdtemp(pattern.data()))
    throw std::runtime_error("no temporary folder for the report's pages could be made in " +
                             base.string());
  folder_ = pattern;
}

PageList::~PageList() {
  std::error_code ec;
  fs::remove_all(folder_, ec);  // nothing to tell anybody at this point
}

fs::path PageList::nextFile() const {
  char name[32];
  std::snprintf(name, sizeof name, "page%06d.pic", size() + 1);
  return folder_ / name;
}

void PageList::clear() {
  std::error_code ec;
  for (const fs::path& f : files_) {
    fs::remove(f, ec);
    fs::remove(marksFile(f), ec);
  }
  files_.clear();
}

}  // namespace koreq::reportframe
