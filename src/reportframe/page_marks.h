#pragma once

// What a report asks of the PDF in its own text. A text or field control whose whole text is one
// of these markers is a request, not a caption:
//
//   [[bookmark:TITLE]]         a bookmark of level 1 at the control's top, or
//   [[bookmark:N:TITLE]]       one of level N (1 to 9), under the last bookmark of a lower level;
//                              not printed
//   [[link:TARGET|TEXT]]       TEXT is printed in the control's box, and a click on it in the PDF
//   [[link:TARGET]]            goes to TARGET (the second form prints TARGET itself):
//                                http://…, https://…, mailto:…, ftp://…   that address
//                                page:N                                   page N of the report
//                                #TITLE                                   the bookmark TITLE
//   [[note:TEXT]]              a text note (a PDF annotation) at the control's top left corner,
//   [[note:TITLE|TEXT]]        with an optional title; not printed. "\n" in TEXT is a line break.
//
// Anything else, a link to another kind of address among it, prints as it stands. A link to a
// page or bookmark outside the PDF file in hand (a report split into several files) keeps its
// text and loses its link.
//
// The marks of the page image FILE are kept in FILE.marks, one a line of tab-separated fields:
// kind (B, L or N), level, x, top, width, height (points from the page's top left corner),
// title, target, text; backslash, tab and line break written as \\, \t and \n.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace koreq::reportframe {

enum class MarkKind { Bookmark, Link, Note };

struct PageMark {
  MarkKind kind = MarkKind::Bookmark;
  int level = 1;  // bookmarks
  double x = 0, top = 0, width = 0, height = 0;
  std::string title;   // a bookmark's entry; a note's title
  std::string target;  // a link's: "https://…", "page:12", "#Batch 3"
  std::string text;    // a link's printed text; a note's contents
  friend bool operator==(const PageMark&, const PageMark&) = default;
};

// The mark a control's text asks for, placed at the control's box; nothing when the text is
// not a marker.
std::optional<PageMark> parseMark(std::string_view text, double x, double top, double width,
                                  double height);

// A link target: an external address ("https://…"), a page of the report from 1, or a
// bookmark's title.
struct LinkTarget {
  std::string uri;
  int page = 0;
  std::string bookmark;
};
std::optional<LinkTarget> parseLinkTarget(std::string_view target);

std::filesystem::path marksFile(const std::filesystem::path& pageFile);
// Throws std::runtime_error when the file cannot be written.
void writeMarks(const std::filesystem::path& pageFile, const std::vector<PageMark>& marks);
// The marks of a page; none when it has no marks file.
std::vector<PageMark> readMarks(const std::filesystem::path& pageFile);

}  // namespace koreq::reportframe
