#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace koreq {

// Thrown when a result does not fit in the 15 digits a Decimal holds. Overflow is never a wrap:
// a figure that silently turned negative would be worse than a stopped calculation.
class DecimalOverflow : public std::overflow_error {
 public:
  using std::overflow_error::overflow_error;
};

// Exact fixed-point number with two places and at most 15 digits (13 before the point), as the
// money, rate, meter and quantity fields hold them.
//
// Rounding policy: every result that has more than two places (a product, a quotient, a parsed
// text with more places, a double) is brought to two places by rounding half away from zero.
// Intermediate products and quotients are computed in 128 bits, so only the final result can
// overflow. Division by zero gives zero: callers that must tell that case apart test the divisor.
class Decimal {
 public:
  static constexpr int kPlaces = 2;
  static constexpr int kDigits = 15;
  static constexpr std::int64_t kScale = 100;
  static constexpr std::int64_t kMaxCents = 999'999'999'999'999;  // 15 digits

  constexpr Decimal() = default;
  // A whole number.
  constexpr explicit Decimal(std::int64_t whole) : cents_(checked(static_cast<__int128>(whole) * kScale)) {}

  static constexpr Decimal fromCents(std::int64_t cents) {
    Decimal d;
    d.cents_ = checked(cents);
    return d;
  }
  // Rounded half away from zero to two places.
  static Decimal fromDouble(double v);

  // Text as the runtime takes it: optional blanks, sign, digits, one point. With
  // `allowGrouping` a "," between digits is accepted (entries). More than two places are
  // rounded. Returns nothing for any other text and for a number out of range.
  static std::optional<Decimal> parse(std::string_view text, bool allowGrouping = false);

  constexpr std::int64_t cents() const { return cents_; }
  constexpr bool isZero() const { return cents_ == 0; }
  constexpr bool isNegative() const { return cents_ < 0; }

  // Whole part, truncated toward zero (what assigning to a Long does).
  constexpr std::int64_t toLong() const { return cents_ / kScale; }
  double toDouble() const { return static_cast<double>(cents_) / kScale; }
  // Plain "-1234.50": no grouping, always two places.
  std::string toString() const;
  // "-1234.5" style without trailing zero places ("12", "12.5"), as numbers are written in text.
  std::string toPlainString() const;

  constexpr Decimal operator-() const { return fromCents(-cents_); }
  constexpr Decimal operator+(Decimal o) const {
    return fromRaw(static_cast<__int128>(cents_) + o.cents_);
  }
  constexpr Decimal operator-(Decimal o) const {
    return fromRaw(static_cast<__int128>(cents_) - o.cents_);
  }
  constexpr Decimal operator*(Decimal o) const {
    return fromRaw(divRound(static_cast<__int128>(cents_) * o.cents_, kScale));
  }
  constexpr Decimal operator/(Decimal o) const {
    if (o.cents_ == 0) return Decimal();
    return fromRaw(divRound(static_cast<__int128>(cents_) * kScale, o.cents_));
  }
  constexpr Decimal operator*(std::int64_t n) const {
    return fromRaw(static_cast<__int128>(cents_) * n);
  }
  constexpr Decimal operator/(std::int64_t n) const {
    if (n == 0) return Decimal();
    return fromRaw(divRound(cents_, n));
  }
  Decimal& operator+=(Decimal o) { return *this = *this + o; }
  Decimal& operator-=(Decimal o) { return *this = *this - o; }
  Decimal& operator*=(Decimal o) { return *this = *this * o; }
  Decimal& operator/=(Decimal o) { return *this = *this / o; }

  // Whether the value fits in a field of `digits` digits with two places (usage-log amounts
  // hold 11).
  constexpr bool fitsDigits(int digits) const {
    __int128 limit = 1;
    for (int i = 0; i < digits; ++i) limit *= 10;
    return cents_ < limit && -cents_ < limit;
  }

  constexpr auto operator<=>(const Decimal&) const = default;

  // Quotient rounded half away from zero.
  static constexpr __int128 divRound(__int128 num, __int128 den) {
    __int128 q = num / den;
    __int128 r = num % den;
    if (r < 0) r = -r;
    __int128 d = den < 0 ? -den : den;
    if (r * 2 >= d) q += ((num < 0) != (den < 0)) ? -1 : 1;
    return q;
  }

 private:
  static constexpr std::int64_t checked(__int128 v) {
    if (v > kMaxCents || v < -kMaxCents) throw DecimalOverflow("number too large for 15 digits");
    return static_cast<std::int64_t>(v);
  }
  static constexpr Decimal fromRaw(__int128 v) {
    Decimal d;
    d.cents_ = checked(v);
    return d;
  }

  std::int64_t cents_ = 0;
};

}  // namespace koreq
