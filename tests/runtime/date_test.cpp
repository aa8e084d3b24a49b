#include "runtime/date.h"

#include <gtest/gtest.h>

namespace koreq {
namespace {

Date ymd(int y, int m, int day) {
  return *Date::fromYmd(y, m, day);
}

TEST(Date, DayNumbersAndRange) {
  EXPECT_EQ(ymd(1801, 1, 1).day(), 4);
  EXPECT_EQ(Date(4).toIso(), "1801-01-01");
  EXPECT_EQ(ymd(2000, 1, 1).day(), 72687);
  EXPECT_EQ(ymd(2015, 3, 5).day(), 78229);
  EXPECT_EQ(Date::lastValid().day(), 2994626);
  EXPECT_EQ(Date::lastValid().toIso(), "9999-12-31");

  EXPECT_TRUE(Date().isEmpty());
  EXPECT_FALSE(Date().isValid());
  EXPECT_EQ(Date().year(), 0);
  EXPECT_EQ(Date().toIso(), "");
  EXPECT_FALSE(Date(3).isValid());
  EXPECT_TRUE(Date(4).isValid());
  EXPECT_TRUE(Date::lastValid().isValid());
  EXPECT_FALSE(Date::lastValid().addDays(1).isValid());

  EXPECT_FALSE(Date::fromYmd(1800, 12, 31));
  EXPECT_FALSE(Date::fromYmd(10000, 1, 1));
  EXPECT_FALSE(Date::fromYmd(2015, 0, 1));
  EXPECT_FALSE(Date::fromYmd(2015, 13, 1));
  EXPECT_FALSE(Date::fromYmd(2015, 4, 31));
  EXPECT_FALSE(Date::fromYmd(2015, 4, 0));
  // Key order is date order.
  EXPECT_LT(ymd(2015, 12, 31), ymd(2016, 1, 1));
}

TEST(Date, LeapYears) {
  EXPECT_EQ(Date::daysInMonth(1900, 2), 28);
  EXPECT_EQ(Date::daysInMonth(2000, 2), 29);
  EXPECT_EQ(Date::daysInMonth(2016, 2), 29);
  EXPECT_EQ(Date::daysInMonth(2100, 2), 28);
  EXPECT_EQ(Date::daysInMonth(2015, 13), 0);
  EXPECT_FALSE(Date::fromYmd(1900, 2, 29));
  EXPECT_TRUE(Date::fromYmd(2000, 2, 29));
  EXPECT_EQ(ymd(2000, 2, 28).addDays(1), ymd(2000, 2, 29));
  EXPECT_EQ(ymd(1900, 2, 28).addDays(1), ymd(1900, 3, 1));
}

TEST(Date, AddingDaysAndMonths) {
  EXPECT_EQ(ymd(2015, 12, 31).addDays(1), ymd(2016, 1, 1));
  EXPECT_EQ(ymd(2016, 1, 1).addDays(-1), ymd(2015, 12, 31));
  EXPECT_TRUE(Date().addDays(5).isEmpty());

  EXPECT_EQ(ymd(2015, 1, 31).addMonths(1), ymd(2015, 2, 28));
  EXPECT_EQ(ymd(2016, 1, 31).addMonths(1), ymd(2016, 2, 29));
  EXPECT_EQ(ymd(2016, 3, 31).addMonths(-1), ymd(2016, 2, 29));
  EXPECT_EQ(ymd(2016, 2, 29).addMonths(12), ymd(2017, 2, 28));
  EXPECT_EQ(ymd(2015, 1, 15).addMonths(-13), ymd(2013, 12, 15));
  EXPECT_EQ(ymd(2015, 8, 31).addMonths(1), ymd(2015, 9, 30));
  EXPECT_EQ(ymd(2015, 5, 5).addMonths(0), ymd(2015, 5, 5));
  EXPECT_TRUE(Date().addMonths(1).isEmpty());
  // Past the last valid month: an invalid date, not a crash.
  EXPECT_FALSE(ymd(9999, 12, 15).addMonths(1).isValid());
}

TEST(Date, WeekdaysAndIsoText) {
  EXPECT_EQ(Date(0).dayOfWeek(), 0);          // 28 December 1800, a Sunday
  EXPECT_EQ(ymd(1801, 1, 1).dayOfWeek(), 4);  // Thursday
  EXPECT_EQ(ymd(2015, 3, 5).dayOfWeek(), 4);  // Thursday
  EXPECT_EQ(ymd(2015, 3, 8).dayOfWeek(), 0);

  EXPECT_EQ(Date::fromIso("2015-03-05"), ymd(2015, 3, 5));
  EXPECT_EQ(Date::fromIso(""), Date());
  for (const char* bad : {"2015-3-05", "2015-02-30", "abcd-ef-gh", "2015-03-05x", "2015/03/05",
                          "1800-12-31", " 2015-03-5"})
    EXPECT_FALSE(Date::fromIso(bad)) << bad;
  for (std::int32_t day = Date::kFirstDay; day <= Date::lastValid().day(); day += 1009)
    EXPECT_EQ(Date::fromIso(Date(day).toIso()), Date(day));
}

TEST(Time, PartsAndClock) {
  EXPECT_EQ(Time::fromHms(0, 0).value(), 1);  // midnight is 1, 0 is no time
  EXPECT_TRUE(Time().isEmpty());
  Time t = Time::fromHms(23, 59, 58, 99);
  EXPECT_EQ(t.hour(), 23);
  EXPECT_EQ(t.minute(), 59);
  EXPECT_EQ(t.second(), 58);
  EXPECT_LT(Time::fromHms(9, 5), Time::fromHms(9, 6));

  FixedClock clock(ymd(2015, 3, 5));
  EXPECT_EQ(clock.today(), ymd(2015, 3, 5));
  EXPECT_EQ(clock.now(), Time::fromHms(12, 0));
  clock.set(ymd(2016, 2, 29), Time::fromHms(7, 30));
  EXPECT_EQ(clock.today(), ymd(2016, 2, 29));
  EXPECT_EQ(clock.now().minute(), 30);
  EXPECT_TRUE(SystemClock().today().isValid());
}

}  // namespace
}  // namespace koreq
