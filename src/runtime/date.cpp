#include "runtime/date.h"

#include <chrono>
#include <cstdio>
#include <ctime>

namespace koreq {
namespace {

// Days from 1970-01-01 of a proleptic Gregorian date (H. Hinnant's algorithm).
constexpr std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Ymd {
  int y, m, d;
};

constexpr Ymd civilFromDays(std::int64_t z) {
  z += 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  const unsigned d = doy - (153 * mp + 2) / 5 + 1;
  const unsigned m = mp < 10 ? mp + 3 : mp - 9;
  return {static_cast<int>(y + (m <= 2)), static_cast<int>(m), static_cast<int>(d)};
}

constexpr std::int64_t kEpoch = daysFromCivil(1800, 12, 28);
static_assert(daysFromCivil(1801, 1, 1) - kEpoch == Date::kFirstDay);
const std::int32_t kLastDay = static_cast<std::int32_t>(daysFromCivil(9999, 12, 31) - kEpoch);

Ymd ymdOf(std::int32_t day) {
  return civilFromDays(day + kEpoch);
}

bool isLeap(int y) {
  return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

}  // namespace

int Date::daysInMonth(int year, int month) {
  static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (month < 1 || month > 12) return 0;
  return month == 2 && isLeap(year) ? 29 : kDays[month - 1];
}

std::optional<Date> Date::fromYmd(int year, int month, int day) {
  if (year < 1801 || year > 9999 || month < 1 || month > 12 || day < 1 ||
      day > daysInMonth(year, month))
    return std::nullopt;
  return Date(static_cast<std::int32_t>(daysFromCivil(year, month, day) - kEpoch));
}

Date Date::lastValid() {
  return Date(kLastDay);
}

bool Date::isValid() const {
  return day_ >= kFirstDay && day_ <= kLastDay;
}

std::optional<Date> Date::fromIso(const std::string& t) {
  if (t.empty()) return Date();
  // Digits only in their places: sscanf alone would take "2023-+1-05".
  if (t.size() != 10 || t[4] != '-' || t[7] != '-') return std::nullopt;
  for (std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9})
    if (t[i] < '0' || t[i] > '9') return std::nullopt;
  auto num = [&](std::size_t at, std::size_t n) {
    int v = 0;
    for (std::size_t i = at; i < at + n; ++i) v = v * 10 + (t[i] - '0');
    return v;
  };
  return fromYmd(num(0, 4), num(5, 2), num(8, 2));
}

int Date::year() const {
  return isEmpty() ? 0 : ymdOf(day_).y;
}
int Date::month() const {
  return isEmpty() ? 0 : ymdOf(day_).m;
}
int Date::dayOfMonth() const {
  return isEmpty() ? 0 : ymdOf(day_).d;
}
int Date::dayOfWeek() const {
  // Day 0 (28 December 1800) was a Sunday.
  return ((day_ % 7) + 7) % 7;
}

Date Date::addMonths(int n) const {
  if (isEmpty()) return *this;
  Ymd v = ymdOf(day_);
  int total = v.y * 12 + (v.m - 1) + n;
  int y = total / 12, m = total % 12 + 1;
  int d = std::min(v.d, daysInMonth(y, m));
  if (auto r = fromYmd(y, m, d)) return *r;
  return Date(static_cast<std::int32_t>(daysFromCivil(y, m, d) - kEpoch));
}

std::string Date::toIso() const {
  if (isEmpty()) return {};
  Ymd v = ymdOf(day_);
  char buf[48];
  std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", v.y, v.m, v.d);
  return buf;
}

Date SystemClock::today() const {
  std::time_t t = std::time(nullptr);
  std::tm tm{};
  localtime_r(&t, &tm);
  return *Date::fromYmd(tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday);
}

Time SystemClock::now() const {
  auto now = std::chrono::system_clock::now();
  std::time_t t = std::chrono::system_clock::to_time_t(now);
  std::tm tm{};
  localtime_r(&t, &tm);
  auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count();
  return Time::fromHms(tm.tm_hour, tm.tm_min, tm.tm_sec, static_cast<int>(ms % 1000 / 10));
}

}  // namespace koreq
