#include "reportframe/page_marks.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace koreq::reportframe {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kOpen = "[[bookmark:";
constexpr std::string_view kClose = "]]";

// Tabs and line breaks would break the marks file's lines.
std::string oneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

}  // namespace

std::optional<PageMark> parseMark(std::string_view text, double top) {
  if (!text.starts_with(kOpen) || !text.ends_with(kClose)) return std::nullopt;
  std::string_view body = text.substr(kOpen.size(), text.size() - kOpen.size() - kClose.size());
  PageMark m;
  m.top = top;
  if (body.size() >= 2 && body[0] >= '1' && body[0] <= '9' && body[1] == ':') {
    m.level = body[0] - '0';
    body.remove_prefix(2);
  }
  m.title = oneLine(body);
  if (m.title.empty()) return std::nullopt;
  return m;
}

fs::path marksFile(const fs::path& pageFile) {
  fs::path p = pageFile;
  p += ".marks";
  return p;
}

void writeMarks(const fs::path& pageFile, const std::vector<PageMark>& marks) {
  std::ofstream out(marksFile(pageFile), std::ios::binary | std::ios::trunc);
  for (const PageMark& m : marks) out << m.level << '\t' << m.top << '\t' << m.title << '\n';
  out.close();
  if (!out)
    throw std::runtime_error("the bookmarks of the report's page could not be written to " +
                             marksFile(pageFile).string() + " (is the disk full?)");
}

std::vector<PageMark> readMarks(const fs::path& pageFile) {
  std::vector<PageMark> marks;
  std::ifstream in(marksFile(pageFile), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const auto a = line.find('\t');
    const auto b = a == std::string::npos ? a : line.find('\t', a + 1);
    if (b == std::string::npos) continue;
    PageMark m;
    std::from_chars(line.data(), line.data() + a, m.level);
    std::istringstream(line.substr(a + 1, b - a - 1)) >> m.top;
    m.title = line.substr(b + 1);
    if (m.level >= 1 && m.level <= 9 && !m.title.empty()) marks.push_back(std::move(m));
  }
  return marks;
}

}  // namespace koreq::reportframe
