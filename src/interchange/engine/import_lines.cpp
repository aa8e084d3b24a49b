#include "interchange/engine/import_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "data/records.h"
#include "runtime/picture.h"

namespace koreq::interchange {

LineLayout LineLayout::of(const data::JcLimits& source) {
  LineLayout l;
  l.format = source.PrintOrder.empty() ? kCommaDelimited : source.PrintOrder.str()[0];
  l.dateFormat = source.JobTo.str();
  l.items = walkedItems(source.FieldMap.str());
  return l;
}

std::vector<std::string> splitLine(const LineLayout& layout, std::string_view line) {
  std::vector<std::string> fields;
  fields.reserve(layout.items.size());
  const std::size_t length = line.size();
  const bool fixed = layout.format == kFixedPosition;
  std::size_t start = 0;
  for (const MapItem& item : layout.items) {
    std::size_t end = std::string_view::npos;
    if (fixed) {
      end = start + static_cast<std::size_t>(item.length);
    } else if (start < length) {
      if (layout.format == kTabDelimited) {
        end = line.find('\t', start);
      } else if (line[start] == '"') {
        // The closing quote is the first one not doubled; the field ends just after it.
        for (std::size_t i = start + 1; i < length; ++i) {
          if (line[i] != '"') continue;
          if (i + 1 < length && line[i + 1] == '"') {
            ++i;
            continue;
          }
          end = i + 1;
          break;
        }
      } else {
        end = line.find(',', start);
      }
    }
    if (end == std::string_view::npos || end > length) end = length;
    std::string text = start < end ? std::string(line.substr(start, end - start)) : std::string();
    if (!text.empty() && text.front() == '"') {
      text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
      for (std::size_t at = text.find("\"\""); at != std::string::npos;
           at = text.find("\"\"", at + 1))
        text.erase(at, 1);
    }
    fields.push_back(std::move(text));
    start = end + (fixed ? 0 : 1);
  }
  return fields;
}

namespace {

std::string_view trimmed(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

std::optional<int> wholeNumber(std::string_view s) {
  s = trimmed(s);
  if (s.empty() || s.size() > 4) return std::nullopt;
  int n = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return std::nullopt;
    n = n * 10 + (c - '0');
  }
  return n;
}

int fullYear(int year, std::size_t digits) {
  if (digits > 2) return year;
  const int startYy = kTwoDigitYearWindowStart % 100;
  return kTwoDigitYearWindowStart + (year - startYy + 100) % 100;
}

// The value shown in an error line: short enough for the error list.
std::string shown(std::string_view text) {
  text = trimmed(text);
  return "\"" + cutToChars(text, 16) + (charCount(text) > 16 ? "...\"" : "\"");
}

}  // namespace

std::optional<Date> decodeDate(std::string_view text, std::string_view format) {
  text = trimmed(text);
  if (text.empty()) return Date{};
  if (format.size() < 6) return std::nullopt;
  const bool dayFirst = format.substr(0, 2) == "DD";
  std::string_view first, second, year;
  const char sep = format[2];
  if (sep == '/' || sep == '-') {
    const std::size_t a = text.find(sep);
    const std::size_t b = a == std::string_view::npos ? a : text.find(sep, a + 1);
    if (b == std::string_view::npos) return std::nullopt;
    first = text.substr(0, a);
    second = text.substr(a + 1, b - a - 1);
    year = trimmed(text.substr(b + 1));
  } else {
    if (text.size() < 5) return std::nullopt;
    first = text.substr(0, 2);
    second = text.substr(2, 2);
    year = text.substr(4);
  }
  auto m = wholeNumber(dayFirst ? second : first);
  auto d = wholeNumber(dayFirst ? first : second);
  auto y = wholeNumber(year);
  if (!m || !d || !y) return std::nullopt;
  return Date::fromYmd(fullYear(*y, year.size()), *m, *d);
}

std::string readItem(const LineLayout& layout, std::string_view line, ImportItem& item) {
  const std::vector<std::string> fields = splitLine(layout, line);
  bool knownDateFormat = false;
  for (const char* f : kDateFormats) knownDateFormat = knownDateFormat || layout.dateFormat == f;
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const FieldCode* code = fieldCode(layout.items[i].code);
    if (!code) continue;
    const std::string& text = fields[i];
    auto number = [&](Decimal& to) -> std::string {
      if (trimmed(text).empty()) {
        to = Decimal{};
        return {};
      }
      auto v = Decimal::parse(text);
      if (!v) return std::string(code->contents) + " " + shown(text) + " is not a number";
      // The entry keeps 11 digits, two of them places.
      if (v->cents() >= 100'000'000'000 || v->cents() <= -100'000'000'000)
        return std::string(code->contents) + " " + shown(text) + " is too large";
      to = *v;
      return {};
    };
    std::string error;
    switch (code->field) {
      case LineField::EquipmentID:
        item.equipmentId = text;
        break;
      case LineField::StartMeter:
        error = number(item.startMeter);
        break;
      case LineField::EndMeter:
        error = number(item.endMeter);
        break;
      case LineField::Units:
        error = number(item.units);
        break;
      case LineField::ChargeType:
        item.chargeType = upper(text);
        break;
      case LineField::DetailType:
        item.detailType = text;
        break;
      case LineField::GLAccount:
        item.glAccount = text;
        break;
      case LineField::JobID:
        item.jobId = text;
        break;
      case LineField::CostCode:
        item.costCode = text;
        break;
      case LineField::EquipmentCharged:
        item.equipmentCharged = text;
        break;
      case LineField::Category:
        item.category = text;
        break;
      case LineField::Comment:
        item.comment = text;
        break;
      case LineField::Location:
        item.location = upper(text);
        break;
      case LineField::Date:
        if (knownDateFormat) {
          auto d = decodeDate(text, layout.dateFormat);
          if (!d)
            error = "Date " + shown(text) + " is not a valid date";
          else
            item.date = *d;
        }
        break;
      case LineField::EmployeeID: {
        Decimal v;
        error = number(v);
        if (error.empty() && (v.isNegative() || v.cents() % 100 != 0 || v.toLong() > 65535))
          error = "Employee ID " + shown(text) + " is out of range";
        if (error.empty()) item.employeeId = static_cast<std::uint16_t>(v.toLong());
        break;
      }
      case LineField::Unused:
        break;
    }
    if (!error.empty()) return error;
  }
  return {};
}

// ---- LineReader ---------------------------------------------------------------------------------

std::unique_ptr<LineReader> LineReader::open(const std::string& path, std::string* why) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (why) *why = std::strerror(errno);
    return nullptr;
  }
  return std::unique_ptr<LineReader>(new LineReader(f));
}

std::unique_ptr<LineReader> LineReader::throughWorkFile(const std::string& source,
                                                        const std::string& work, std::string* why) {
  auto fail = [&](std::string_view action) {
    if (why) *why = std::strerror(errno) + std::string(action);
    return nullptr;
  };
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> in(std::fopen(source.c_str(), "rb"),
                                                     &std::fclose);
  if (!in) return fail(" Opening File");
  int fd = -1;
  for (int attempt = 0; fd < 0 && attempt < 3; ++attempt) {
    if (::unlink(work.c_str()) != 0 && errno != ENOENT) break;  // a folder, no right
    fd = ::open(work.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return fail(" Creating File");
  std::FILE* out = ::fdopen(fd, "w+b");
  if (!out) {
    ::close(fd);
    ::unlink(work.c_str());
    return fail(" Creating File");
  }
  std::unique_ptr<LineReader> reader(new LineReader(out));
  reader->work_ = work;
  std::vector<char> buf(1 << 16);
  for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), in.get())) > 0;)
    if (std::fwrite(buf.data(), 1, n, out) != n) return fail(" Copying File");
  if (std::ferror(in.get())) return fail(" Copying File");
  if (std::fflush(out) != 0) return fail(" Copying File");
  std::rewind(out);
  return reader;
}

LineReader::~LineReader() {
  // Remove the work file only while it is still this reader's.
  struct stat mine {
  }, there{};
  if (!work_.empty() && ::fstat(::fileno(f_), &mine) == 0 && ::stat(work_.c_str(), &there) == 0 &&
      mine.st_ino == there.st_ino && mine.st_dev == there.st_dev)
    ::unlink(work_.c_str());
  std::fclose(f_);
}

bool LineReader::fill() {
  if (eof_) return false;
  at_ = 0;
  end_ = std::fread(buf_.data(), 1, buf_.size(), f_);
  if (end_ == 0) eof_ = true;
  return end_ > 0;
}

namespace {

bool validUtf8(std::string_view s) {
  for (std::size_t i = 0; i < s.size();) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    if (c >= 0x80) {
      if (c >= 0xC2 && c <= 0xDF)
        n = 1;
      else if ((c & 0xF0) == 0xE0)
        n = 2;
      else if (c >= 0xF0 && c <= 0xF4)
        n = 3;
      else
        return false;
    }
    for (std::size_t k = 1; k <= n; ++k)
      if (i + k >= s.size() || (static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
    i += n + 1;
  }
  return true;
}

std::string latin1ToUtf8(std::string_view s) {
  std::string out;
  out.reserve(s.size() + s.size() / 4);
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

}  // namespace

LineReader::Status LineReader::next(std::string& line, long& number) {
  line.clear();
  bool started = false, tooLong = false;
  for (;;) {
    if (at_ == end_ && !fill()) {
      if (std::ferror(f_)) return Status::Failed;
      if (!started) return Status::End;
      break;
    }
    started = true;
    const char* from = buf_.data() + at_;
    const auto* newline = static_cast<const char*>(std::memchr(from, '\n', end_ - at_));
    const std::size_t n = newline ? static_cast<std::size_t>(newline - from) : end_ - at_;
    // Four bytes per character at most: anything longer cannot fit the record.
    if (!tooLong && line.size() + n > kMaxLine * 4) {
      tooLong = true;
      line.clear();
    }
    if (!tooLong) line.append(from, n);
    at_ += n;
    if (newline) {
      ++at_;
      break;
    }
  }
  number = ++number_;
  if (tooLong) return Status::TooLong;
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (number_ == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  for (char c : line)
    if (static_cast<unsigned char>(c) < 0x20 && c != '\t') return Status::NotText;
  if (!validUtf8(line)) line = latin1ToUtf8(line);
  if (charCount(line) > kMaxLine) return Status::TooLong;
  return Status::Line;
}

}  // namespace koreq::interchange
