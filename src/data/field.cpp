#include "data/field.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace koreq::data {

std::string valueToText(const Value& v) {
  struct V {
    std::string operator()(std::monostate) const { return {}; }
    std::string operator()(std::int64_t n) const { return std::to_string(n); }
    std::string operator()(const Decimal& d) const { return d.toString(); }
    std::string operator()(const std::string& s) const { return s; }
    std::string operator()(const Date& d) const { return d.toIso(); }
    std::string operator()(const Time& t) const { return std::to_string(t.value()); }
  };
  return std::visit(V{}, v);
}

std::string storedText(const FieldDef& f, std::int64_t number, std::string_view text) {
  if (!f.isNumeric()) {
    std::string shown;
    for (char c : text) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
    return shown;
  }
  if (f.type != FieldType::Decimal) return std::to_string(number);
  const bool negative = number < 0;
  const unsigned long long n = negative ? 0ull - static_cast<unsigned long long>(number)
                                        : static_cast<unsigned long long>(number);
  std::string cents = std::to_string(n % 100);
  if (cents.size() < 2) cents.insert(0, "0");
  return (negative ? "-" : "") + std::to_string(n / 100) + "." + cents;
}

void FileDef::indexFieldNames() {
  byName_.clear();
  for (std::size_t i = 0; i < fields.size(); ++i) {
    byName_.emplace(upper(fields[i].name), static_cast<int>(i));
    byName_.emplace(upper(fields[i].column), static_cast<int>(i));
  }
  indexed_ = fields.size();
}

int FileDef::fieldIndex(std::string_view n) const {
  if (indexed_ == fields.size() && indexed_ > 0) {
    // A column has no ':', so a name with a prefix finds only full names and one without only
    // columns, as the search below.
    auto it = byName_.find(upper(n));
    return it == byName_.end() ? -1 : it->second;
  }
  bool hasPrefix = n.find(':') != std::string_view::npos;
  std::string want = upper(n);
  for (size_t i = 0; i < fields.size(); ++i) {
    const std::string& candidate = hasPrefix ? fields[i].name : fields[i].column;
    if (upper(candidate) == want) return static_cast<int>(i);
  }
  return -1;
}

const FieldDef* FileDef::field(std::string_view n) const {
  int i = fieldIndex(n);
  return i < 0 ? nullptr : &fields[static_cast<size_t>(i)];
}

const KeyDef* FileDef::key(std::string_view n) const {
  std::string want = upper(n);
  for (const auto& k : keys) {
    std::string_view kn = k.name;
    if (n.find(':') == std::string_view::npos) kn = kn.substr(kn.find(':') + 1);
    if (upper(kn) == want) return &k;
  }
  return nullptr;
}

const KeyDef& FileDef::primaryKey() const {
  if (keys.empty()) throw std::logic_error("file " + name + " has no key");
  return keys.front();
}

const FileDef* findFile(std::string_view n) {
  std::string want = upper(n);
  for (const FileDef* f : allFiles())
    if (f->name == want) return f;
  return nullptr;
}

namespace detail {

bool numericText(std::string_view s) {
  std::string_view t = clip(s);
  while (!t.empty() && t.front() == ' ') t.remove_prefix(1);
  if (!t.empty() && (t.front() == '-' || t.front() == '+')) t.remove_prefix(1);
  bool digit = false, point = false;
  for (char c : t) {
    if (c >= '0' && c <= '9')
      digit = true;
    else if (c == '.' && !point)
      point = true;
    else
      return false;
  }
  return digit;
}

int extraPlaces(std::string_view s, int places) {
  std::string_view t = clip(s);
  auto dot = t.find('.');
  if (dot == std::string_view::npos) return 0;
  std::string_view frac = t.substr(dot + 1);
  while (!frac.empty() && frac.back() == '0') frac.remove_suffix(1);
  return static_cast<int>(frac.size()) > places ? static_cast<int>(frac.size()) - places : 0;
}

std::string rangeText(std::int64_t lo, std::int64_t hi) {
  return "number out of range (" + std::to_string(lo) + " to " + std::to_string(hi) + ")";
}

std::string digitsRangeText(int digits, int places) {
  std::string nines(static_cast<std::size_t>(std::max(digits - places, 1)), '9');
  if (places > 0) nines += "." + std::string(static_cast<std::size_t>(places), '9');
  return "number out of range (-" + nines + " to " + nines + ")";
}

bool toInteger(const Value& v, std::int64_t* out, std::string* why) {
  if (auto p = std::get_if<std::int64_t>(&v)) {
    *out = *p;
  } else if (auto d = std::get_if<Decimal>(&v)) {
    *out = d->toLong();
  } else if (auto s = std::get_if<std::string>(&v)) {
    auto d = Decimal::parse(*s);
    if (clip(*s).empty()) {
      *out = 0;
    } else if (!d || d->cents() % Decimal::kScale != 0) {
      if (why) *why = "not a whole number: '" + *s + "'";
      return false;
    } else {
      *out = d->toLong();
    }
  } else if (auto dt = std::get_if<Date>(&v)) {
    *out = dt->day();
  } else if (auto t = std::get_if<Time>(&v)) {
    *out = t->value();
  } else {
    *out = 0;
  }
  return true;
}

bool toDecimal(const Value& v, Decimal* out, std::string* why) {
  try {
    if (auto p = std::get_if<std::int64_t>(&v)) {
      *out = Decimal(*p);
    } else if (auto d = std::get_if<Decimal>(&v)) {
      *out = *d;
    } else if (auto s = std::get_if<std::string>(&v)) {
      if (clip(*s).empty()) {
        *out = Decimal();
        return true;
      }
      auto d = Decimal::parse(*s);
      if (!d) {
        if (why) *why = "not a number: '" + *s + "'";
        return false;
      }
      *out = *d;
    } else if (std::holds_alternative<std::monostate>(v)) {
      *out = Decimal();
    } else {
      if (why) *why = "not a number";
      return false;
    }
  } catch (const DecimalOverflow&) {
    if (why) *why = "number out of range";
    return false;
  }
  return true;
}

bool toDate(const Value& v, Date* out, std::string* why) {
  if (auto d = std::get_if<Date>(&v)) {
    *out = *d;
  } else if (auto p = std::get_if<std::int64_t>(&v)) {
    // Checked before narrowing, so a day number past the range never wraps round to 1801.
    if (*p != 0 && (*p < 0 || *p > std::numeric_limits<std::int32_t>::max() ||
                    !Date(static_cast<std::int32_t>(*p)).isValid())) {
      if (why)
        *why = "day number " + std::to_string(*p) + " out of range (4 to " +
               std::to_string(Date::fromYmd(9999, 12, 31)->day()) + ")";
      return false;
    }
    *out = Date(static_cast<std::int32_t>(*p));
  } else if (auto s = std::get_if<std::string>(&v)) {
    auto d = Date::fromIso(clipped(*s));
    if (!d) {
      if (why) *why = "not a date (YYYY-MM-DD): '" + *s + "'";
      return false;
    }
    *out = *d;
  } else if (std::holds_alternative<std::monostate>(v)) {
    *out = Date();
  } else {
    if (why) *why = "not a date";
    return false;
  }
  return true;
}

bool toTime(const Value& v, Time* out, std::string* why) {
  if (auto t = std::get_if<Time>(&v)) {
    *out = *t;
    return true;
  }
  if (auto s = std::get_if<std::string>(&v)) {
    int h = 0, m = 0, sec = 0;
    std::string c = clipped(*s);
    if (c.empty()) {
      *out = Time();
      return true;
    }
    if (std::sscanf(c.c_str(), "%d:%d:%d", &h, &m, &sec) >= 2 && h >= 0 && h < 24 && m >= 0 &&
        m < 60 && sec >= 0 && sec < 60) {
      *out = Time::fromHms(h, m, sec);
      return true;
    }
    if (why) *why = "not a time (HH:MM): '" + c + "'";
    return false;
  }
  std::int64_t n;
  if (!toInteger(v, &n, why)) return false;
  if (n < 0 || n > 8640000) {
    if (why) *why = "not a valid time";
    return false;
  }
  *out = Time(static_cast<std::int32_t>(n));
  return true;
}

bool toText(const Value& v, std::string* out, std::string*) {
  *out = valueToText(v);
  return true;
}

bool textFits(std::string_view text, std::size_t length, std::string* why) {
  // Texts travel to a server as C strings: a NUL would cut them there.
  if (text.find('\0') != std::string_view::npos) {
    if (why) *why = "a text cannot hold a NUL character";
    return false;
  }
  if (charCount(clip(text)) <= length) return true;
  if (why) *why = "text longer than " + std::to_string(length) + " characters";
  return false;
}

bool decimalFits(std::int64_t cents, int digits, int places, std::string* why) {
  // A whole-number decimal's digits all lie before the point; its cents are whole hundreds.
  const int total = places == 0 ? digits + 2 : digits;
  __int128 limit = 1;
  for (int i = 0; i < total; ++i) limit *= 10;
  const __int128 c = cents;
  if (c < limit && -c < limit && (places > 0 || cents % Decimal::kScale == 0)) return true;
  if (why)
    *why = places == 0 && c < limit && -c < limit ? "a whole number is needed"
                                                  : digitsRangeText(digits, places);
  return false;
}

bool dateFits(std::int64_t day, std::string* why) {
  if (day == 0 || (day > 0 && day <= std::numeric_limits<std::int32_t>::max() &&
                   Date(static_cast<std::int32_t>(day)).isValid()))
    return true;
  if (why)
    *why =
        "day number out of range (4 to " + std::to_string(Date::fromYmd(9999, 12, 31)->day()) + ")";
  return false;
}

bool timeFits(std::int64_t value, std::string* why) {
  if (value >= 0 && value <= 8640000) return true;
  if (why) *why = "not a valid time";
  return false;
}

void addKey(FileDef& d, const char* name, std::initializer_list<const char*> columns, bool unique,
            bool descending) {
  KeyDef k;
  k.name = d.prefix + ":" + name;
  k.unique = unique;
  k.descending = descending;
  for (const char* c : columns) {
    int i = d.fieldIndex(c);
    if (i < 0) throw std::logic_error("key " + k.name + " names unknown field " + c);
    k.fields.push_back(i);
  }
  d.keys.push_back(std::move(k));
}

}  // namespace detail
}  // namespace koreq::data
