#include "reportframe/pdf_names.h"

#include <cstdint>

namespace koreq::reportframe {

namespace fs = std::filesystem;

fs::path normalisePdfFileName(const std::string& name, const fs::path& defaultFolder,
                              const fs::path& currentFolder) {
  if (name.empty()) return {};
  fs::path p(name);
  if (!p.is_absolute()) {
    const bool bare = !p.has_parent_path();
    const fs::path& base = bare && !defaultFolder.empty() ? defaultFolder : currentFolder;
    p = fs::absolute(base / p);
  }
  if (!p.has_extension()) p += ".pdf";
  return p.lexically_normal();
}

std::vector<fs::path> pdfOutputFiles(const fs::path& target, int pages, int pagesPerFile) {
  if (pages <= 0) return {};
  if (pagesPerFile <= 0) return {target};
  // In 64 bits: pages + pagesPerFile would overflow an int for a huge pagesPerFile.
  const int count = static_cast<int>((std::int64_t{pages} + pagesPerFile - 1) / pagesPerFile);
  int digits = 1;
  for (int c = count; c >= 10; c /= 10) ++digits;  // floor(log10(count)) + 1
  std::vector<fs::path> out;
  out.reserve(static_cast<std::size_t>(count));
  for (int i = 1; i <= count; ++i) {
    std::string number = std::to_string(i);
    number.insert(0, static_cast<std::size_t>(digits) - number.size(), '0');
    fs::path name = target.parent_path() / target.stem();
    name += "_" + number;
    name += target.extension();
    out.push_back(std::move(name));
  }
  return out;
}

}  // namespace koreq::reportframe
