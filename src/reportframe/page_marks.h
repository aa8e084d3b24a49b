#pragma once

// Bookmarks a report asks for in its own text. A text or field control whose whole text is
//   [[bookmark:TITLE]]       a bookmark of level 1 at the control's top, or
//   [[bookmark:N:TITLE]]     one of level N (1 to 9), under the last bookmark of a lower level,
// is not printed: the page image keeps it beside the page, and the PDF writer turns it into an
// entry of the document's outline that opens the page at that height. Any other text prints as
// it stands.
//
// The marks of the page image FILE are kept in FILE.marks, one a line: the level, a tab, the
// top in points from the top of the page, a tab, the title (UTF-8, without tabs or line breaks).

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace koreq::reportframe {

struct PageMark {
  int level = 1;
  double top = 0;  // points from the top of the page
  std::string title;
  friend bool operator==(const PageMark&, const PageMark&) = default;
};

// The mark a control's text asks for, or nothing when the text is not a mark.
std::optional<PageMark> parseMark(std::string_view text, double top);

std::filesystem::path marksFile(const std::filesystem::path& pageFile);
// Throws std::runtime_error when the file cannot be written.
void writeMarks(const std::filesystem::path& pageFile, const std::vector<PageMark>& marks);
// The marks of a page; none when it has no marks file.
std::vector<PageMark> readMarks(const std::filesystem::path& pageFile);

}  // namespace koreq::reportframe
