#pragma once

#include <compare>
#include <cstdint>
#include <optional>
#include <string>

namespace koreq {

// A calendar date as a day number: days since 28 December 1800, so 1 January 1801 is day 4.
// 0 is the empty date. Valid days run to 31 December 9999. Key order is date order.
class Date {
 public:
  static constexpr std::int32_t kFirstDay = 4;  // 1 January 1801

  constexpr Date() = default;
  constexpr explicit Date(std::int32_t day) : day_(day) {}

  // Nothing when the day does not exist (31 April) or lies outside 1801-9999.
  static std::optional<Date> fromYmd(int year, int month, int day);
  static Date lastValid();
  // "YYYY-MM-DD"; an empty text is the empty date; anything else gives nothing.
  static std::optional<Date> fromIso(const std::string& text);

  constexpr std::int32_t day() const { return day_; }
  constexpr bool isEmpty() const { return day_ == 0; }
  bool isValid() const;

  int year() const;
  int month() const;
  int dayOfMonth() const;
  // 0 Sunday … 6 Saturday.
  int dayOfWeek() const;

  Date addDays(std::int32_t n) const { return isEmpty() ? *this : Date(day_ + n); }
  // Keeps the day of the month; a day the new month lacks becomes its last day.
  Date addMonths(int n) const;
  static int daysInMonth(int year, int month);

  // "YYYY-MM-DD", or "" for the empty date.
  std::string toIso() const;

  constexpr auto operator<=>(const Date&) const = default;

 private:
  std::int32_t day_ = 0;
};

// Time of day as the runtime keeps it: hundredths of a second since midnight plus one, so
// midnight is 1 and 0 is "no time".
class Time {
 public:
  constexpr Time() = default;
  constexpr explicit Time(std::int32_t value) : value_(value) {}
  static Time fromHms(int h, int m, int s = 0, int hundredths = 0) {
    return Time(((h * 60 + m) * 60 + s) * 100 + hundredths + 1);
  }
  constexpr std::int32_t value() const { return value_; }
  constexpr bool isEmpty() const { return value_ == 0; }
  int hour() const { return (value_ - 1) / 360000; }
  int minute() const { return (value_ - 1) / 6000 % 60; }
  int second() const { return (value_ - 1) / 100 % 60; }
  constexpr auto operator<=>(const Time&) const = default;

 private:
  std::int32_t value_ = 0;
};

// Source of "today" and "now". Tests and the command line fix it; nothing reads the system
// clock behind its back.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual Date today() const = 0;
  virtual Time now() const = 0;
};

class SystemClock final : public Clock {
 public:
  Date today() const override;
  Time now() const override;
};

class FixedClock final : public Clock {
 public:
  FixedClock(Date d, Time t = Time::fromHms(12, 0)) : date_(d), time_(t) {}
  Date today() const override { return date_; }
  Time now() const override { return time_; }
  void set(Date d, Time t) {
    date_ = d;
    time_ = t;
  }

 private:
  Date date_;
  Time time_;
};

}  // namespace koreq
