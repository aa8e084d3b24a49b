#include "runtime/picture.h"

#include <array>
#include <cctype>

#include "runtime/text.h"

namespace koreq {
namespace {

using U128 = unsigned __int128;

// Limits that keep every intermediate inside 128 bits and every result a sane length; a
// picture beyond them is treated as unknown.
constexpr int kMaxWidth = 255;
constexpr int kMaxPlaces = 18;

constexpr std::array<std::string_view, 12> kMonthNames = {
    "January", "February", "March",     "April",   "May",      "June",
    "July",    "August",   "September", "October", "November", "December"};

bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
char lowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c;
}

std::string_view trimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// Reads a run of digits at s[i] into `out`; false when there is none or it is absurdly long.
bool readNumber(std::string_view s, std::size_t& i, int& out) {
  std::size_t start = i;
  long v = 0;
  while (i < s.size() && isDigit(s[i])) {
    v = v * 10 + (s[i] - '0');
    if (v > 100000) return false;
    ++i;
  }
  out = static_cast<int>(v);
  return i > start;
}

U128 pow10(int n) {
  U128 r = 1;
  for (int i = 0; i < n; ++i) r *= 10;
  return r;
}

std::string u128ToString(U128 v) {
  if (v == 0) return "0";
  std::string s;
  while (v > 0) {
    s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(v % 10)));
    v /= 10;
  }
  return s;
}

// The number `mag / 10^magPlaces` (negative when `neg`) written by a number picture; nothing
// when it does not fit the width.
std::optional<std::string> numberText(const PictureSpec& p, bool neg, U128 mag, int magPlaces) {
  if (p.places < magPlaces) {
    U128 div = pow10(magPlaces - p.places);
    U128 q = mag / div, r = mag % div;
    if (r * 2 >= div) ++q;  // half away from zero: rounding the magnitude
    mag = q;
  } else if (p.places > magPlaces) {
    mag *= pow10(p.places - magPlaces);
  }
  U128 scale = pow10(p.places);
  std::string whole = u128ToString(mag / scale);
  if (p.grouping) {
    for (int pos = static_cast<int>(whole.size()) - 3; pos > 0; pos -= 3)
      whole.insert(static_cast<std::size_t>(pos), 1, ',');
  }
  std::string body = whole;
  if (p.places > 0) {
    std::string frac = u128ToString(mag % scale);
    body += '.';
    body.append(static_cast<std::size_t>(p.places) - frac.size(), '0');
    body += frac;
  }
  std::string sign = neg && mag != 0 ? "-" : "";
  std::size_t len = sign.size() + body.size();
  std::size_t width = static_cast<std::size_t>(p.width);
  if (len > width) return std::nullopt;
  if (p.zeroFill) return sign + std::string(width - len, '0') + body;
  return std::string(width - len, ' ') + sign + body;
}

std::string formatNumber(const PictureSpec& p, bool neg, U128 mag, int magPlaces) {
  if (p.blankWhenZero && mag == 0) return std::string(static_cast<std::size_t>(p.width), ' ');
  if (auto s = numberText(p, neg, mag, magPlaces)) return *s;
  return std::string(static_cast<std::size_t>(p.width), '#');
}

U128 magnitude(std::int64_t v) {
  // Negating INT64_MIN in 64 bits overflows; in 128 bits it does not.
  __int128 w = v;
  return static_cast<U128>(w < 0 ? -w : w);
}

std::string formatText(const PictureSpec& p, std::string_view text) {
  return padRight(text, static_cast<std::size_t>(p.width));
}

std::string twoDigits(int v, char pad) {
  std::string s = std::to_string(v);
  if (s.size() < 2) s.insert(s.begin(), pad);
  return s;
}

std::string formatDate(const PictureSpec& p, Date d) {
  if (d.isEmpty()) {
    if (p.blankWhenZero || p.dateStyle == PictureSpec::DateStyle::MonthName)
      return std::string(static_cast<std::size_t>(p.width), ' ');
    return p.dateStyle == PictureSpec::DateStyle::Mdyy ? " 0/00/00" : " 0/00/0000";
  }
  if (!d.isValid()) return std::string(static_cast<std::size_t>(p.width ? p.width : 10), '#');
  int y = d.year(), m = d.month(), day = d.dayOfMonth();
  switch (p.dateStyle) {
    case PictureSpec::DateStyle::Mdyy:
      return twoDigits(m, ' ') + '/' + twoDigits(day, '0') + '/' + twoDigits(y % 100, '0');
    case PictureSpec::DateStyle::MonthName:
      return std::string(kMonthNames[static_cast<std::size_t>(m - 1)]) + ' ' + std::to_string(day) +
             ", " + std::to_string(y);
    case PictureSpec::DateStyle::Mdyyyy:
    case PictureSpec::DateStyle::Short:
      break;
  }
  return twoDigits(m, ' ') + '/' + twoDigits(day, '0') + '/' + std::to_string(y);
}

std::string formatTime(const PictureSpec& p, Time t) {
  if (t.isEmpty()) return std::string(static_cast<std::size_t>(p.width), ' ');
  if (t.value() < 0 || t.hour() > 99) return std::string(static_cast<std::size_t>(p.width), '#');
  return twoDigits(t.hour(), '0') + ':' + twoDigits(t.minute(), '0');
}

PictureSpec shortDate() {
  PictureSpec p;
  p.kind = PictureSpec::Kind::Date;
  p.width = 10;
  return p;
}

PictureSpec hhmm() {
  PictureSpec p;
  p.kind = PictureSpec::Kind::Time;
  p.width = 5;
  return p;
}

std::string plainDate(Date d) {
  return d.isEmpty() ? std::string() : formatDate(shortDate(), d);
}
std::string plainTime(Time t) {
  return t.isEmpty() ? std::string() : formatTime(hhmm(), t);
}

std::optional<Date> dateFromNumber(std::int64_t v) {
  if (v < INT32_MIN || v > INT32_MAX) return std::nullopt;
  return Date(static_cast<std::int32_t>(v));
}

}  // namespace

PictureSpec PictureSpec::parse(std::string_view picture) {
  PictureSpec p;
  std::string_view s = trimBlanks(picture);
  if (s.size() < 2 || s[0] != '@') return p;
  char kind = lowerAscii(s[1]);
  std::size_t i = 2;
  auto takeB = [&] {
    if (i < s.size() && lowerAscii(s[i]) == 'b') {
      p.blankWhenZero = true;
      ++i;
    }
  };
  int n = 0;
  switch (kind) {
    case 's':
      if (!readNumber(s, i, n) || n > kMaxWidth || i != s.size()) return p;
      p.kind = Kind::Text;
      p.width = n;
      return p;
    case 'n': {
      if (i < s.size() && s[i] == '-') ++i;  // the minus shows either way
      bool fill = false;
      if (i < s.size() && (s[i] == '_' || s[i] == '0')) {
        p.zeroFill = s[i] == '0';
        fill = true;
        ++i;
      }
      if (!readNumber(s, i, n) || n < 1 || n > kMaxWidth) return p;
      p.width = n;
      p.grouping = !fill;
      if (i < s.size() && s[i] == '_') {
        p.grouping = false;
        ++i;
      }
      if (i < s.size() && s[i] == '.') {
        ++i;
        if (!readNumber(s, i, n) || n > kMaxPlaces) return PictureSpec();
        p.places = n;
      }
      takeB();
      if (i != s.size()) return PictureSpec();
      p.kind = Kind::Number;
      return p;
    }
    case 'd':
      if (!readNumber(s, i, n)) return p;
      takeB();
      if (i != s.size()) return PictureSpec();
      switch (n) {
        case 1:
          p.width = 8;
          break;
        case 2:
        case 17:
          p.width = 10;
          break;
        case 4:
          p.width = 0;
          break;
        default:
          return PictureSpec();
      }
      p.dateStyle = static_cast<DateStyle>(n);
      p.kind = Kind::Date;
      return p;
    case 't':
      if (!readNumber(s, i, n) || n != 7) return p;
      takeB();
      if (i != s.size()) return PictureSpec();
      p.kind = Kind::Time;
      p.width = 5;
      return p;
    default:
      return p;
  }
}

std::string formatPicture(std::string_view picture, const Decimal& value) {
  PictureSpec p = PictureSpec::parse(picture);
  switch (p.kind) {
    case PictureSpec::Kind::Number:
      return formatNumber(p, value.isNegative(), magnitude(value.cents()), Decimal::kPlaces);
    case PictureSpec::Kind::Text:
      return formatText(p, value.toPlainString());
    case PictureSpec::Kind::Date:
    case PictureSpec::Kind::Time:
      return formatPicture(picture, value.toLong());
    case PictureSpec::Kind::Unknown:
      break;
  }
  return value.toPlainString();
}

std::string formatPicture(std::string_view picture, std::int64_t value) {
  PictureSpec p = PictureSpec::parse(picture);
  switch (p.kind) {
    case PictureSpec::Kind::Number:
      return formatNumber(p, value < 0, magnitude(value), 0);
    case PictureSpec::Kind::Text:
      return formatText(p, std::to_string(value));
    case PictureSpec::Kind::Date:
      if (auto d = dateFromNumber(value)) return formatDate(p, *d);
      return std::string(static_cast<std::size_t>(p.width ? p.width : 10), '#');
    case PictureSpec::Kind::Time:
      if (value >= INT32_MIN && value <= INT32_MAX)
        return formatTime(p, Time(static_cast<std::int32_t>(value)));
      return std::string(static_cast<std::size_t>(p.width), '#');
    case PictureSpec::Kind::Unknown:
      break;
  }
  return std::to_string(value);
}

std::string formatPicture(std::string_view picture, Date value) {
  PictureSpec p = PictureSpec::parse(picture);
  switch (p.kind) {
    case PictureSpec::Kind::Date:
      return formatDate(p, value);
    case PictureSpec::Kind::Number:
      return formatPicture(picture, static_cast<std::int64_t>(value.day()));
    case PictureSpec::Kind::Text:
      return formatText(p, plainDate(value));
    case PictureSpec::Kind::Time:
    case PictureSpec::Kind::Unknown:
      break;
  }
  return plainDate(value);
}

std::string formatPicture(std::string_view picture, Time value) {
  PictureSpec p = PictureSpec::parse(picture);
  switch (p.kind) {
    case PictureSpec::Kind::Time:
      return formatTime(p, value);
    case PictureSpec::Kind::Number:
      return formatPicture(picture, static_cast<std::int64_t>(value.value()));
    case PictureSpec::Kind::Text:
      return formatText(p, plainTime(value));
    case PictureSpec::Kind::Date:
    case PictureSpec::Kind::Unknown:
      break;
  }
  return plainTime(value);
}

std::string formatPicture(std::string_view picture, std::string_view text) {
  PictureSpec p = PictureSpec::parse(picture);
  switch (p.kind) {
    case PictureSpec::Kind::Text:
      return formatText(p, text);
    case PictureSpec::Kind::Number:
      if (auto v = Decimal::parse(text, true)) return formatPicture(picture, *v);
      break;
    case PictureSpec::Kind::Date:
      if (auto d = parseDatePicture(picture, text)) return formatDate(p, *d);
      break;
    case PictureSpec::Kind::Time:
      if (auto t = parseTimePicture(picture, text)) return formatTime(p, *t);
      break;
    case PictureSpec::Kind::Unknown:
      break;
  }
  return std::string(text);
}

std::string trimLeft(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  return std::string(s);
}

std::optional<Decimal> parseNumberPicture(std::string_view picture, std::string_view text) {
  if (trimBlanks(text).empty()) return Decimal();
  std::optional<Decimal> v = Decimal::parse(trimBlanks(text), true);
  PictureSpec p = PictureSpec::parse(picture);
  if (!v || p.kind != PictureSpec::Kind::Number) return v;
  if (p.places < Decimal::kPlaces) {
    std::int64_t unit = static_cast<std::int64_t>(pow10(Decimal::kPlaces - p.places));
    __int128 cents = Decimal::divRound(v->cents(), unit) * unit;
    if (cents > Decimal::kMaxCents || cents < -Decimal::kMaxCents) return std::nullopt;
    v = Decimal::fromCents(static_cast<std::int64_t>(cents));
  }
  if (!numberText(p, v->isNegative(), magnitude(v->cents()), Decimal::kPlaces)) return std::nullopt;
  return v;
}

std::optional<Date> parseDatePicture(std::string_view /*picture: every date form is accepted*/,
                                     std::string_view text, int windowStart) {
  std::string_view s = trimBlanks(text);
  if (s.empty()) return Date();
  int m = 0, d = 0, y = 0;
  std::size_t i = 0;
  if (isDigit(s[0])) {
    std::size_t start = i;
    if (!readNumber(s, i, m) || i - start > 2 || i >= s.size()) return std::nullopt;
    char sep = s[i];
    if (sep != '/' && sep != '-' && sep != '.') return std::nullopt;
    start = ++i;
    if (!readNumber(s, i, d) || i - start > 2 || i >= s.size() || s[i] != sep) return std::nullopt;
    start = ++i;
    if (!readNumber(s, i, y) || i != s.size()) return std::nullopt;
    std::size_t yearDigits = i - start;
    if (yearDigits == 2) {
      int startYy = ((windowStart % 100) + 100) % 100;
      y = windowStart + (y - startYy + 100) % 100;
    } else if (yearDigits != 4) {
      return std::nullopt;
    }
  } else {
    // "March 5, 2015": a month name, the day, an optional comma, a four-digit year.
    std::size_t start = i;
    while (i < s.size() && std::isalpha(static_cast<unsigned char>(s[i]))) ++i;
    std::string name = upper(s.substr(start, i - start));
    for (std::size_t k = 0; k < kMonthNames.size() && m == 0; ++k) {
      std::string full = upper(kMonthNames[k]);
      if (name == full || (name.size() == 3 && full.compare(0, 3, name) == 0))
        m = static_cast<int>(k) + 1;
    }
    if (m == 0) return std::nullopt;
    while (i < s.size() && s[i] == ' ') ++i;
    start = i;
    if (!readNumber(s, i, d) || i - start > 2) return std::nullopt;
    if (i < s.size() && s[i] == ',') ++i;
    while (i < s.size() && s[i] == ' ') ++i;
    start = i;
    if (!readNumber(s, i, y) || i - start != 4 || i != s.size()) return std::nullopt;
  }
  return Date::fromYmd(y, m, d);
}

std::optional<Time> parseTimePicture(std::string_view /*picture: every time form is accepted*/,
                                     std::string_view text) {
  std::string_view s = trimBlanks(text);
  if (s.empty()) return Time();
  std::size_t i = 0, start = 0;
  int h = 0, m = 0, sec = 0;
  if (!readNumber(s, i, h) || i - start > 2 || i >= s.size() || s[i] != ':') return std::nullopt;
  start = ++i;
  if (!readNumber(s, i, m) || i - start != 2) return std::nullopt;
  if (i < s.size()) {
    if (s[i] != ':') return std::nullopt;
    start = ++i;
    if (!readNumber(s, i, sec) || i - start != 2 || i != s.size()) return std::nullopt;
  }
  if (h > 23 || m > 59 || sec > 59) return std::nullopt;
  return Time::fromHms(h, m, sec);
}

}  // namespace koreq
