#include "interchange/engine/import_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstring>

#include "data/records.h"
#include "runtime/picture.h"

namespace koreq::interchange {

const char* encodingName(TextEncoding e) {
  switch (e) {
    case TextEncoding::Auto:
      return "Automatic";
    case TextEncoding::Utf8:
      return "UTF-8";
    case TextEncoding::Windows1252:
      return "Windows-1252";
    case TextEncoding::Latin1:
      return "ISO-8859-1";
  }
  return "";
}

std::optional<TextEncoding> encodingNamed(std::string_view name) {
  std::string n;
  for (char c : name)
    if (c != '-' && c != '_' && c != ' ') n += static_cast<char>(std::tolower(c));
  if (n == "auto" || n == "automatic") return TextEncoding::Auto;
  if (n == "utf8") return TextEncoding::Utf8;
  if (n == "windows1252" || n == "cp1252" || n == "win1252") return TextEncoding::Windows1252;
  if (n == "iso88591" || n == "latin1") return TextEncoding::Latin1;
  return std::nullopt;
}

LineLayout LineLayout::of(const data::JcLimits& source) {
  LineLayout l;
  l.format = source.PrintOrder.empty() ? kCommaDelimited : source.PrintOrder.str()[0];
  l.dateFormat = source.JobTo.str();
  l.items = walkedItems(source.FieldMap.str());
  l.header = source.SourceFlag.str() == std::string(1, kHeaderFlag);
  return l;
}

namespace {

// The byte offset `n` characters on from `from` in UTF-8 text (the end at most).
std::size_t charsOn(std::string_view s, std::size_t from, std::size_t n) {
  std::size_t at = from;
  while (n > 0 && at < s.size()) {
    ++at;
    while (at < s.size() && (static_cast<unsigned char>(s[at]) & 0xC0) == 0x80) ++at;
    --n;
  }
  return std::min(at, s.size());
}

// One delimited field from `at`: its text into `text`, the offset of its delimiter (or the
// end) into `end`. Returns false when the field is quoted and the quote is not closed by the
// end of `line`; `trailing` is set when text follows the closing quote.
bool delimitedField(std::string_view line, std::size_t at, char delimiter, std::string& text,
                    std::size_t& end, bool& trailing) {
  trailing = false;
  std::size_t p = at;
  while (p < line.size() && line[p] == ' ') ++p;
  if (p >= line.size() || line[p] != '"') {
    end = std::min(line.find(delimiter, at), line.size());
    text.assign(line.substr(at, end - at));
    return true;
  }
  text.clear();
  for (std::size_t i = p + 1; i < line.size(); ++i) {
    const char c = line[i];
    if (c != '"') {
      text += c == '\n' ? ' ' : c;
      continue;
    }
    if (i + 1 < line.size() && line[i + 1] == '"') {
      text += '"';
      ++i;
      continue;
    }
    std::size_t q = i + 1;
    while (q < line.size() && line[q] == ' ') ++q;
    end = std::min(line.find(delimiter, q), line.size());
    trailing = end != q;
    return true;
  }
  end = line.size();
  return false;
}

}  // namespace

std::string splitFields(const LineLayout& layout, std::string_view line,
                        std::vector<std::string>& fields) {
  fields.clear();
  fields.reserve(layout.items.size());
  if (!layout.delimited()) {
    std::size_t start = 0;
    for (const MapItem& item : layout.items) {
      const std::size_t end = charsOn(line, start, static_cast<std::size_t>(item.length));
      std::string text(line.substr(start, end - start));
      if (!text.empty() && text.front() == '"')
        text = text.size() >= 2 ? text.substr(1, text.size() - 2) : std::string();
      fields.push_back(std::move(text));
      start = end;
    }
    return {};
  }
  const char delimiter = layout.format == kTabDelimited ? '\t' : ',';
  std::string error;
  std::size_t at = 0;
  bool more = true;  // a field starts at `at`
  for (const MapItem& item : layout.items) {
    std::string text;
    if (more) {
      std::size_t end = 0;
      bool trailing = false;
      const bool closed = delimitedField(line, at, delimiter, text, end, trailing);
      if (error.empty() && !closed)
        error = std::string(fieldCode(item.code) ? fieldCode(item.code)->contents : "Field") +
                ": the quote is not closed";
      if (error.empty() && trailing)
        error = std::string(fieldCode(item.code) ? fieldCode(item.code)->contents : "Field") +
                ": text after the closing quote";
      more = end < line.size();
      at = end + 1;
    }
    fields.push_back(std::move(text));
  }
  if (more && error.empty()) {
    // Fields beyond the map would shift nothing, but they mean the line is not what the source
    // says (a comma inside an unquoted comment): refused unless they are all empty.
    std::size_t count = layout.items.size();
    bool filled = false;
    while (more) {
      std::string text;
      std::size_t end = 0;
      bool trailing = false;
      delimitedField(line, at, delimiter, text, end, trailing);
      filled = filled || !clip(text).empty();
      ++count;
      more = end < line.size();
      at = end + 1;
    }
    if (filled)
      error = "Line has " + std::to_string(count) + " fields; the source reads " +
              std::to_string(layout.items.size());
  }
  return error;
}

std::vector<std::string> splitLine(const LineLayout& layout, std::string_view line) {
  std::vector<std::string> fields;
  splitFields(layout, line, fields);
  return fields;
}

bool endsInsideQuotes(const LineLayout& layout, std::string_view line) {
  if (!layout.delimited() || line.find('"') == std::string_view::npos) return false;
  const char delimiter = layout.format == kTabDelimited ? '\t' : ',';
  std::string text;
  for (std::size_t at = 0;;) {
    std::size_t end = 0;
    bool trailing = false;
    if (!delimitedField(line, at, delimiter, text, end, trailing)) return true;
    if (end >= line.size()) return false;
    at = end + 1;
  }
}

bool blankFields(const std::vector<std::string>& fields) {
  for (const std::string& f : fields)
    if (!clip(f).empty()) return false;
  return true;
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
  std::vector<std::string> fields;
  std::string error = splitFields(layout, line, fields);
  return error.empty() ? readFields(layout, fields, item) : error;
}

std::string readFields(const LineLayout& layout, const std::vector<std::string>& fields,
                       ImportItem& item) {
  const bool knownFormat = isDateFormat(layout.dateFormat);
  for (std::size_t i = 0; i < fields.size() && i < layout.items.size(); ++i) {
    const FieldCode* code = fieldCode(layout.items[i].code);
    if (!code) continue;
    const std::string& text = fields[i];
    if (text.find('\0') != std::string::npos)
      return std::string(code->contents) + " holds a NUL character, which no text can hold";
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
        if (!knownFormat) {
          // Nothing to decode by: the line would silently be dated today.
          if (!trimmed(text).empty())
            error = "Date " + shown(text) + " cannot be read: the source's date format \"" +
                    clipped(layout.dateFormat) + "\" is not one of the twelve";
        } else if (auto d = decodeDate(text, layout.dateFormat); !d) {
          error = "Date " + shown(text) + " is not a valid date";
        } else {
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

namespace {

// Checks UTF-8 as it comes, in pieces of any size: shortest forms only, no surrogates.
class Utf8Check {
 public:
  void feed(const char* p, std::size_t n) {
    for (std::size_t i = 0; i < n && ok_; ++i) {
      const auto c = static_cast<unsigned char>(p[i]);
      if (need_ > 0) {
        if (c < lo_ || c > hi_) ok_ = false;
        --need_;
        lo_ = 0x80;
        hi_ = 0xBF;
      } else if (c >= 0x80) {
        if (c >= 0xC2 && c <= 0xDF) {
          need_ = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
          need_ = 2;
          if (c == 0xE0) lo_ = 0xA0;
          if (c == 0xED) hi_ = 0x9F;
        } else if (c >= 0xF0 && c <= 0xF4) {
          need_ = 3;
          if (c == 0xF0) lo_ = 0x90;
          if (c == 0xF4) hi_ = 0x8F;
        } else {
          ok_ = false;
        }
      }
    }
  }
  bool valid() const { return ok_ && need_ == 0; }

 private:
  int need_ = 0;
  unsigned char lo_ = 0x80, hi_ = 0xBF;
  bool ok_ = true;
};

bool validUtf8(std::string_view s) {
  Utf8Check c;
  c.feed(s.data(), s.size());
  return c.valid();
}

// The characters Windows-1252 puts at 0x80..0x9F; 0 where it has none.
constexpr char32_t kCp1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

void appendUtf8(std::string& out, char32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}

// A line of single-byte text as UTF-8; false for a byte that is an invisible control character
// there (0x80..0x9F of Latin-1, the five unassigned bytes of Windows-1252).
bool singleByteToUtf8(std::string_view s, bool cp1252, std::string& out) {
  out.clear();
  out.reserve(s.size() + s.size() / 4);
  for (char ch : s) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
      continue;
    }
    char32_t u = c;
    if (c < 0xA0) {
      if (!cp1252 || kCp1252High[c - 0x80] == 0) return false;
      u = kCp1252High[c - 0x80];
    }
    appendUtf8(out, u);
  }
  return true;
}

// C1 control characters written as UTF-8 (C2 80..C2 9F): invisible, never meant.
bool hasC1Controls(std::string_view s) {
  for (std::size_t at = s.find('\xC2'); at != std::string_view::npos && at + 1 < s.size();
       at = s.find('\xC2', at + 1))
    if (static_cast<unsigned char>(s[at + 1]) < 0xA0) return true;
  return false;
}

}  // namespace

std::unique_ptr<LineReader> LineReader::open(const std::string& path, std::string* why,
                                             TextEncoding encoding) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) {
    if (why) *why = std::strerror(errno);
    return nullptr;
  }
  if (encoding == TextEncoding::Auto) {
    Utf8Check check;
    std::vector<char> buf(1 << 16);
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), f)) > 0;)
      check.feed(buf.data(), n);
    std::rewind(f);
    encoding = check.valid() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
  }
  return std::unique_ptr<LineReader>(new LineReader(f, encoding));
}

std::unique_ptr<LineReader> LineReader::throughWorkFile(const std::string& source,
                                                        const std::string& work, std::string* why,
                                                        TextEncoding encoding) {
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
  std::unique_ptr<LineReader> reader(new LineReader(out, encoding));
  reader->work_ = work;
  // The copy is read once anyway: it tells whether the whole file is UTF-8.
  Utf8Check check;
  std::vector<char> buf(1 << 16);
  for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), in.get())) > 0;) {
    if (std::fwrite(buf.data(), 1, n, out) != n) return fail(" Copying File");
    if (encoding == TextEncoding::Auto) check.feed(buf.data(), n);
  }
  if (std::ferror(in.get())) return fail(" Copying File");
  if (std::fflush(out) != 0) return fail(" Copying File");
  std::rewind(out);
  if (encoding == TextEncoding::Auto)
    reader->encoding_ = check.valid() ? TextEncoding::Utf8 : TextEncoding::Windows1252;
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

LineReader::Status LineReader::next(std::string& line, long& number) {
  line.clear();
  bool started = false, tooLong = false;
  for (;;) {
    if (at_ == end_ && !fill()) {
      if (std::ferror(f_)) return Status::Failed;
      if (!started) return Status::End;
      break;
    }
    if (skipLf_) {
      skipLf_ = false;
      if (buf_[at_] == '\n') {
        ++at_;
        continue;
      }
    }
    started = true;
    const char* from = buf_.data() + at_;
    const std::size_t avail = end_ - at_;
    std::size_t n = 0;
    while (n < avail && from[n] != '\n' && from[n] != '\r') ++n;
    // Four bytes per character at most: anything longer cannot fit the record.
    if (!tooLong && line.size() + n > kMaxLine * 4) {
      tooLong = true;
      line.clear();
    }
    if (!tooLong) line.append(from, n);
    at_ += n;
    if (n < avail) {
      skipLf_ = from[n] == '\r';
      ++at_;
      break;
    }
  }
  number = ++number_;
  if (tooLong) return Status::TooLong;
  if (number_ == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
  // A NUL is left to the field it is in, which names it.
  for (char c : line)
    if ((static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\0') || c == '\x7F')
      return Status::NotText;
  if (encoding_ == TextEncoding::Windows1252 || encoding_ == TextEncoding::Latin1) {
    std::string decoded;
    if (!singleByteToUtf8(line, encoding_ == TextEncoding::Windows1252, decoded))
      return Status::NotText;
    line = std::move(decoded);
  } else {
    if (!validUtf8(line)) return Status::NotUtf8;
    if (hasC1Controls(line)) return Status::NotText;
  }
  if (charCount(line) > kMaxLine) return Status::TooLong;
  return Status::Line;
}

}  // namespace koreq::interchange
