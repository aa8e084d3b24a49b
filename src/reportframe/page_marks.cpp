#include "reportframe/page_marks.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace koreq::reportframe {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kClose = "]]";

// The body of "[[NAME:…]]", or nothing.
std::optional<std::string_view> body(std::string_view text, std::string_view name) {
  if (!text.starts_with("[[") || !text.ends_with(kClose)) return std::nullopt;
  text.remove_prefix(2);
  if (!text.starts_with(name) || text.size() < name.size() + 1 + kClose.size() ||
      text[name.size()] != ':')
    return std::nullopt;
  text.remove_prefix(name.size() + 1);
  text.remove_suffix(kClose.size());
  return text;
}

// Bookmark titles and link texts are one line.
std::string oneLine(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return out;
}

// A note's "\n" (the two characters) is a line break.
std::string noteText(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '\\' && i + 1 < s.size() && s[i + 1] == 'n') {
      out += '\n';
      ++i;
    } else {
      out += s[i];
    }
  }
  return out;
}

std::string escaped(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c != '\r')
      out += c;
  }
  return out;
}

std::string unescaped(std::string_view s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] != '\\' || i + 1 == s.size()) {
      out += s[i];
      continue;
    }
    const char c = s[++i];
    out += c == 't' ? '\t' : c == 'n' ? '\n' : c;
  }
  return out;
}

std::vector<std::string_view> split(std::string_view line, char sep) {
  std::vector<std::string_view> out;
  for (;;) {
    const auto at = line.find(sep);
    out.push_back(line.substr(0, at));
    if (at == std::string_view::npos) return out;
    line.remove_prefix(at + 1);
  }
}

double toDouble(std::string_view s) {
  double v = 0;
  std::istringstream(std::string(s)) >> v;
  return v;
}

}  // namespace

std::optional<LinkTarget> parseLinkTarget(std::string_view target) {
  LinkTarget t;
  if (target.starts_with("#")) {
    t.bookmark = oneLine(target.substr(1));
    if (t.bookmark.empty()) return std::nullopt;
    return t;
  }
  if (target.starts_with("page:")) {
    const std::string_view n = target.substr(5);
    auto [ptr, ec] = std::from_chars(n.data(), n.data() + n.size(), t.page);
    if (n.empty() || ec != std::errc() || ptr != n.data() + n.size() || t.page < 1)
      return std::nullopt;
    return t;
  }
  // Only addresses a reader opens in a browser or mail program: a link must not start a
  // program or open a local file.
  for (std::string_view scheme : {"http://", "https://", "mailto:", "ftp://"})
    if (target.size() > scheme.size() && target.starts_with(scheme)) {
      for (char c : target)
        if (static_cast<unsigned char>(c) <= ' ') return std::nullopt;
      t.uri = std::string(target);
      return t;
    }
  return std::nullopt;
}

std::optional<PageMark> parseMark(std::string_view text, double x, double top, double width,
                                  double height) {
  PageMark m;
  m.x = x;
  m.top = top;
  m.width = width;
  m.height = height;
  if (auto b = body(text, "bookmark")) {
    std::string_view title = *b;
    if (title.size() >= 2 && title[0] >= '1' && title[0] <= '9' && title[1] == ':') {
      m.level = title[0] - '0';
      title.remove_prefix(2);
    }
    m.title = oneLine(title);
    if (m.title.empty()) return std::nullopt;
    return m;
  }
  if (auto b = body(text, "link")) {
    m.kind = MarkKind::Link;
    const auto bar = b->find('|');
    m.target = std::string(b->substr(0, bar));
    m.text = oneLine(bar == std::string_view::npos ? *b : b->substr(bar + 1));
    if (!parseLinkTarget(m.target) || m.text.empty()) return std::nullopt;
    return m;
  }
  if (auto b = body(text, "note")) {
    m.kind = MarkKind::Note;
    const auto bar = b->find('|');
    if (bar != std::string_view::npos) m.title = oneLine(b->substr(0, bar));
    m.text = noteText(bar == std::string_view::npos ? *b : b->substr(bar + 1));
    if (m.text.empty()) return std::nullopt;
    return m;
  }
  return std::nullopt;
}

fs::path marksFile(const fs::path& pageFile) {
  fs::path p = pageFile;
  p += ".marks";
  return p;
}

void writeMarks(const fs::path& pageFile, const std::vector<PageMark>& marks) {
  std::ofstream out(marksFile(pageFile), std::ios::binary | std::ios::trunc);
  for (const PageMark& m : marks) {
    const char kind = m.kind == MarkKind::Link ? 'L' : m.kind == MarkKind::Note ? 'N' : 'B';
    out << kind << '\t' << m.level << '\t' << m.x << '\t' << m.top << '\t' << m.width << '\t'
        << m.height << '\t' << escaped(m.title) << '\t' << escaped(m.target) << '\t'
        << escaped(m.text) << '\n';
  }
  out.close();
  if (!out)
    throw std::runtime_error(
        "the bookmarks and links of the report's page could not be written "
        "to " +
        marksFile(pageFile).string() + " (is the disk full?)");
}

std::vector<PageMark> readMarks(const fs::path& pageFile) {
  std::vector<PageMark> marks;
  std::ifstream in(marksFile(pageFile), std::ios::binary);
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string_view> f = split(line, '\t');
    if (f.size() != 9 || f[0].size() != 1) continue;
    PageMark m;
    m.kind = f[0] == "L" ? MarkKind::Link : f[0] == "N" ? MarkKind::Note : MarkKind::Bookmark;
    std::from_chars(f[1].data(), f[1].data() + f[1].size(), m.level);
    m.x = toDouble(f[2]);
    m.top = toDouble(f[3]);
    m.width = toDouble(f[4]);
    m.height = toDouble(f[5]);
    m.title = unescaped(f[6]);
    m.target = unescaped(f[7]);
    m.text = unescaped(f[8]);
    const bool ok = m.kind == MarkKind::Bookmark ? m.level >= 1 && m.level <= 9 && !m.title.empty()
                    : m.kind == MarkKind::Link   ? parseLinkTarget(m.target).has_value()
                                                 : !m.text.empty();
    if (ok) marks.push_back(std::move(m));
  }
  return marks;
}

}  // namespace koreq::reportframe
