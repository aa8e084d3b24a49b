#include "runtime/decimal.h"

#include <cmath>

namespace koreq {

Decimal Decimal::fromDouble(double v) {
  if (!std::isfinite(v)) throw DecimalOverflow("not a finite number");
  double scaled = std::round(v * kScale);  // std::round rounds half away from zero
  if (std::fabs(scaled) > static_cast<double>(kMaxCents))
    throw DecimalOverflow("number too large for 15 digits");
  return fromCents(static_cast<std::int64_t>(scaled));
}

std::optional<Decimal> Decimal::parse(std::string_view s, bool allowGrouping) {
  size_t i = 0, n = s.size();
  while (i < n && s[i] == ' ') ++i;
  while (n > i && s[n - 1] == ' ') --n;
  if (i == n) return std::nullopt;
  bool neg = false;
  if (s[i] == '-' || s[i] == '+') {
    neg = s[i] == '-';
    ++i;
    while (i < n && s[i] == ' ') ++i;
  }
  __int128 whole = 0;
  int wholeDigits = 0;
  bool point = false;
  __int128 frac = 0;  // the first three places, for rounding
  int fracDigits = 0;
  bool sticky = false;  // whether digits beyond the third place are non-zero (none affect half-up)
  bool anyDigit = false;
  char prev = 0;
  for (; i < n; ++i) {
    char c = s[i];
    if (c >= '0' && c <= '9') {
      anyDigit = true;
      if (!point) {
        whole = whole * 10 + (c - '0');
        if (whole != 0) ++wholeDigits;
        if (wholeDigits > kDigits) return std::nullopt;
      } else if (fracDigits < 3) {
        frac = frac * 10 + (c - '0');
        ++fracDigits;
      } else if (c != '0') {
        sticky = true;
      }
    } else if (c == '.' && !point) {
      point = true;
    } else if (c == ',' && allowGrouping && !point && prev >= '0' && prev <= '9' && i + 1 < n &&
               s[i + 1] >= '0' && s[i + 1] <= '9') {
      // grouping separator between digits
    } else {
      return std::nullopt;
    }
    prev = c;
  }
  (void)sticky;
  if (!anyDigit) return std::nullopt;
  while (fracDigits < 3) {
    frac *= 10;
    ++fracDigits;
  }
  __int128 cents = whole * kScale + frac / 10;
  if (frac % 10 >= 5) cents += 1;  // half away from zero, applied to the magnitude
  if (cents > kMaxCents) return std::nullopt;
  return fromCents(static_cast<std::int64_t>(neg ? -cents : cents));
}

std::string Decimal::toString() const {
  std::int64_t a = cents_ < 0 ? -cents_ : cents_;
  std::string s = std::to_string(a / kScale);
  s += '.';
  s += static_cast<char>('0' + (a % kScale) / 10);
  s += static_cast<char>('0' + a % 10);
  if (cents_ < 0) s.insert(s.begin(), '-');
  return s;
}

std::string Decimal::toPlainString() const {
  std::string s = toString();
  while (s.back() == '0') s.pop_back();
  if (s.back() == '.') s.pop_back();
  if (s == "-0") s = "0";
  return s;
}

}  // namespace koreq
