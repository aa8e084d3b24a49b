#include "runtime/ini.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>

#include "runtime/text.h"

namespace koreq {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

struct Line {
  enum class Kind { Other, Section, Entry };
  std::string raw;  // as read, without its line ending
  Kind kind = Kind::Other;
  std::string name;  // section or entry name, blanks around removed
  std::string value;
};

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

bool sameName(std::string_view a, std::string_view b) {
  return upper(trim(a)) == upper(trim(b));
}

Line parseLine(std::string raw) {
  Line l;
  l.raw = std::move(raw);
  std::string_view t = trim(l.raw);
  if (t.empty() || t.front() == ';' || t.front() == '#') return l;
  if (t.front() == '[') {
    std::size_t close = t.find(']');
    if (close != std::string_view::npos) {
      l.kind = Line::Kind::Section;
      l.name = trim(t.substr(1, close - 1));
    }
    return l;
  }
  std::size_t eq = t.find('=');
  if (eq == std::string_view::npos || trim(t.substr(0, eq)).empty()) return l;
  l.kind = Line::Kind::Entry;
  l.name = trim(t.substr(0, eq));
  std::string_view v = trim(t.substr(eq + 1));
  if (v.size() >= 2 && v.front() == '"' && v.back() == '"') v = v.substr(1, v.size() - 2);
  l.value = v;
  return l;
}

Line entryLine(std::string_view name, std::string_view value) {
  bool edgeBlank = !value.empty() && (value.front() == ' ' || value.front() == '\t' ||
                                      value.back() == ' ' || value.back() == '\t');
  bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
  std::string v = edgeBlank || quoted ? '"' + std::string(value) + '"' : std::string(value);
  return parseLine(std::string(trim(name)) + '=' + v);
}

std::string errnoText(int e) {
  return std::error_code(e, std::generic_category()).message();
}

}  // namespace

struct IniFile::Content {
  std::vector<Line> lines;
  bool crlf = false;
  bool bom = false;

  // Calls f(index, line, inSection) for every line, inSection telling whether the line lies
  // under a header named `section` (any of them, when the section appears twice).
  template <typename F>
  void walk(std::string_view section, F f) const {
    bool in = false;
    for (std::size_t i = 0; i < lines.size(); ++i) {
      if (lines[i].kind == Line::Kind::Section) in = sameName(lines[i].name, section);
      f(i, lines[i], in);
    }
  }
};

bool IniFile::load(Content& c) const {
  error_.clear();
  std::error_code ec;
  if (!std::filesystem::exists(path_, ec)) {
    if (ec) {
      error_ = "Cannot read " + path_.string() + ": " + ec.message();
      return false;
    }
    return true;  // a missing file is an empty one
  }
  if (std::filesystem::is_directory(path_, ec)) {
    error_ = "Cannot read " + path_.string() + ": " + errnoText(EISDIR);
    return false;
  }
  std::ifstream in(path_, std::ios::binary);
  if (!in) {
    error_ = "Cannot read " + path_.string() + ": " + errnoText(errno);
    return false;
  }
  std::string text;
  try {
    // libstdc++ reports a read error from inside the iterator by throwing.
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  } catch (const std::exception& e) {
    error_ = "Cannot read " + path_.string() + ": " + e.what();
    return false;
  }
  if (in.bad()) {
    error_ = "Cannot read " + path_.string();
    return false;
  }
  if (text.compare(0, kBom.size(), kBom) == 0) {
    c.bom = true;
    text.erase(0, kBom.size());
  }
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t nl = text.find('\n', pos);
    std::size_t end = nl == std::string::npos ? text.size() : nl;
    std::string raw = text.substr(pos, end - pos);
    if (!raw.empty() && raw.back() == '\r') {
      raw.pop_back();
      c.crlf = true;
    }
    c.lines.push_back(parseLine(std::move(raw)));
    pos = nl == std::string::npos ? text.size() : nl + 1;
  }
  return true;
}

bool IniFile::save(const Content& c) {
  std::string text(c.bom ? kBom : std::string_view());
  for (const Line& l : c.lines) {
    text += l.raw;
    text += c.crlf ? "\r\n" : "\n";
  }

  auto fail = [&](const std::string& why) {
    error_ = "Cannot write " + path_.string() + ": " + why;
    return false;
  };
  std::error_code ec;
  // Replace the file a link points to, not the link.
  std::filesystem::path target = path_;
  if (std::filesystem::is_symlink(path_, ec)) {
    target = std::filesystem::weakly_canonical(path_, ec);
    if (ec) return fail(ec.message());
  }
  if (target.has_parent_path()) {
    std::filesystem::create_directories(target.parent_path(), ec);
    if (ec) return fail(ec.message());
  }

  // The temporary file sits next to the target so that the rename stays on one file system.
  static std::atomic<unsigned> counter{0};
  std::filesystem::path tmp = target;
  tmp += ".tmp-" + std::to_string(::getpid()) + '-' + std::to_string(counter++);
  int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return fail(errnoText(errno));
  struct stat st {};
  if (::stat(target.c_str(), &st) == 0) ::fchmod(fd, st.st_mode & 07777);
  const char* p = text.data();
  std::size_t left = text.size();
  int err = 0;
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      err = errno;
      break;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  if (err == 0 && ::fsync(fd) != 0) err = errno;
  if (::close(fd) != 0 && err == 0) err = errno;
  if (err == 0 && ::rename(tmp.c_str(), target.c_str()) != 0) err = errno;
  if (err != 0) {
    ::unlink(tmp.c_str());
    return fail(errnoText(err));
  }
  return true;
}

bool IniFile::validNames(std::string_view section, std::string_view entry) {
  error_.clear();
  auto bad = [&](const std::string& why) {
    error_ = "Cannot write " + path_.string() + ": " + why;
    return false;
  };
  std::string_view s = trim(section), e = trim(entry);
  if (s.empty() || s.find_first_of("]\r\n") != std::string_view::npos)
    return bad("invalid section name \"" + std::string(section) + "\"");
  if (e.empty() || e.find_first_of("=\r\n") != std::string_view::npos || e.front() == ';' ||
      e.front() == '#' || e.front() == '[')
    return bad("invalid entry name \"" + std::string(entry) + "\"");
  return true;
}

std::string IniFile::get(std::string_view section, std::string_view entry,
                         std::string_view defaultValue) const {
  Content c;
  if (!load(c)) return std::string(defaultValue);
  const Line* found = nullptr;
  c.walk(section, [&](std::size_t, const Line& l, bool in) {
    if (!found && in && l.kind == Line::Kind::Entry && sameName(l.name, entry)) found = &l;
  });
  return found ? found->value : std::string(defaultValue);
}

bool IniFile::set(std::string_view section, std::string_view entry, std::string_view value) {
  if (!validNames(section, entry)) return false;
  if (value.find_first_of("\r\n") != std::string_view::npos) {
    error_ = "Cannot write " + path_.string() + ": a value cannot span lines";
    return false;
  }
  Content c;
  if (!load(c)) return false;  // never overwrite a file that could not be read

  std::optional<std::size_t> existing, header;
  c.walk(section, [&](std::size_t i, const Line& l, bool in) {
    if (in && l.kind == Line::Kind::Section && !header) header = i;
    if (in && l.kind == Line::Kind::Entry && !existing && sameName(l.name, entry)) existing = i;
  });
  if (existing) {
    Line& l = c.lines[*existing];
    if (l.value == value) return true;
    l = entryLine(l.name, value);
  } else if (header) {
    // After the section's last entry: a comment or blank line that leads into the next section
    // stays with it.
    std::size_t at = *header + 1;
    for (std::size_t i = *header + 1; i < c.lines.size() && c.lines[i].kind != Line::Kind::Section;
         ++i)
      if (c.lines[i].kind == Line::Kind::Entry) at = i + 1;
    c.lines.insert(c.lines.begin() + static_cast<std::ptrdiff_t>(at), entryLine(entry, value));
  } else {
    if (!c.lines.empty() && !trim(c.lines.back().raw).empty()) c.lines.push_back(parseLine(""));
    c.lines.push_back(parseLine('[' + std::string(trim(section)) + ']'));
    c.lines.push_back(entryLine(entry, value));
  }
  return save(c);
}

bool IniFile::remove(std::string_view section, std::string_view entry) {
  Content c;
  if (!load(c)) return false;
  std::vector<std::size_t> doomed;
  c.walk(section, [&](std::size_t i, const Line& l, bool in) {
    if (in && l.kind == Line::Kind::Entry && sameName(l.name, entry)) doomed.push_back(i);
  });
  if (doomed.empty()) return false;
  for (auto it = doomed.rbegin(); it != doomed.rend(); ++it)
    c.lines.erase(c.lines.begin() + static_cast<std::ptrdiff_t>(*it));
  return save(c);
}

bool IniFile::removeSection(std::string_view section) {
  Content c;
  if (!load(c)) return false;
  std::vector<Line> kept;
  bool removed = false;
  c.walk(section, [&](std::size_t, const Line& l, bool in) {
    if (in)
      removed = true;
    else
      kept.push_back(l);
  });
  if (!removed) return false;
  c.lines = std::move(kept);
  return save(c);
}

std::vector<std::string> IniFile::sections() const {
  Content c;
  std::vector<std::string> out;
  if (!load(c)) return out;
  for (const Line& l : c.lines) {
    if (l.kind != Line::Kind::Section) continue;
    bool seen = false;
    for (const std::string& s : out) seen = seen || sameName(s, l.name);
    if (!seen) out.push_back(l.name);
  }
  return out;
}

std::vector<std::string> IniFile::entries(std::string_view section) const {
  Content c;
  std::vector<std::string> out;
  if (!load(c)) return out;
  c.walk(section, [&](std::size_t, const Line& l, bool in) {
    if (!in || l.kind != Line::Kind::Entry) return;
    bool seen = false;
    for (const std::string& s : out) seen = seen || sameName(s, l.name);
    if (!seen) out.push_back(l.name);
  });
  return out;
}

}  // namespace koreq
