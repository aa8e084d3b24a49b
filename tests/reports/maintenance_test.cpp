// The maintenance schedule's rules: schedule texts, next service meters, due dates, which lines
// print, and the units-per-day estimate.

#include <gtest/gtest.h>

#include "data/access.h"
#include "reports/engine_fixture.h"
#include "reports/maintenance.h"

namespace koreq::reports {
namespace {

using test::ReportEngineTest;

Date day(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}

data::EqCost schedule(const char* type, std::uint32_t meter, const char* meterName,
                      std::uint32_t interval, const char* intervalName) {
  data::EqCost c;
  c.ScheduleType = type;
  c.Meter = meter;
  c.MeterName = meterName;
  c.Interval = interval;
  c.IntervalName = intervalName;
  return c;
}

TEST(MaintenanceRules, DueByMeterByTimeOrWhicheverComesFirst) {
  const Date today = day(2024, 3, 5);
  data::EqCost meter = schedule("M", 300, "Miles", 0, "");
  meter.LastServiceMeter = 100;
  ServiceLine line = serviceLine(meter, Decimal(250), Decimal(5), today);
  EXPECT_FALSE(line.skipped);
  EXPECT_EQ(line.schedule, "Every 300 Miles");
  EXPECT_EQ(line.nextMeter, 400u);
  EXPECT_EQ(line.due, today.addDays(30));
  EXPECT_EQ(line.error, "");
  // The day count is cut toward zero: 150 ÷ 4 is 37.5 days.
  EXPECT_EQ(serviceLine(meter, Decimal(250), Decimal(4), today).due, today.addDays(37));
  // Without units per day the line is left out.
  EXPECT_TRUE(serviceLine(meter, Decimal(250), Decimal(), today).skipped);

  data::EqCost months = schedule("E", 0, "", 2, "Months");
  months.LastServiceDate = day(2024, 3, 1);
  line = serviceLine(months, Decimal(250), Decimal(), today);
  EXPECT_EQ(line.schedule, "Every 2 Months");
  EXPECT_EQ(line.due, day(2024, 4, 30));  // a month counts as 30 days
  EXPECT_EQ(line.nextMeter, 0u);
  data::EqCost days = schedule("E", 0, "", 45, "Days");
  EXPECT_EQ(serviceLine(days, Decimal(), Decimal(), today).due, Date(45));  // no last service

  data::EqCost both = schedule("B", 300, "Miles", 20, "Days  ");
  both.LastServiceMeter = 100;
  both.LastServiceDate = day(2024, 3, 1);
  line = serviceLine(both, Decimal(250), Decimal(5), today);
  EXPECT_EQ(line.schedule, "Every 20 Days or 300 Miles");
  EXPECT_EQ(line.due, day(2024, 3, 21));  // the time date, earlier than 4 April
  EXPECT_EQ(line.nextMeter, 400u);
  both.Interval = 60;
  EXPECT_EQ(serviceLine(both, Decimal(250), Decimal(5), today).due, today.addDays(30));

  // Improper setup: an error line, printed only with "Print Transaction Detail".
  line = serviceLine(schedule("B", 300, "Miles", 0, "Days"), Decimal(250), Decimal(5), today);
  EXPECT_EQ(line.error, kImproperSetup);
  data::EqLimits f;
  EXPECT_FALSE(printsServiceLine(line, f));
  f.PrintTransactionDetail = 1;
  EXPECT_TRUE(printsServiceLine(line, f));
  EXPECT_TRUE(
      serviceLine(schedule("X", 1, "Miles", 1, "Days"), Decimal(), Decimal(5), today).skipped);

  // A one-month range prints only what falls due in that month.
  f.SelectedDates = 1;
  f.DateFrom = day(2024, 4, 1);
  f.DateTo = day(2024, 4, 30);
  ServiceLine april;
  april.due = day(2024, 4, 30);
  EXPECT_TRUE(printsServiceLine(april, f));
  april.due = day(2024, 5, 1);
  EXPECT_FALSE(printsServiceLine(april, f));
  april.due = day(2024, 3, 31);
  EXPECT_FALSE(printsServiceLine(april, f));
  f.SelectedDates = 0;
  EXPECT_TRUE(printsServiceLine(april, f));
}

class UnitsPerDayTest : public ReportEngineTest {
 protected:
  void usage(const char* id, Date date, const char* units) {
    data::EqLog e;
    e.RecordID = ++ids_;
    e.EquipmentID = id;
    e.Date = date;
    e.Units = *Decimal::parse(units);
    add(e);
  }
};

TEST_F(UnitsPerDayTest, EstimatedFromThePostedUsageAndStored) {
  equipment("T-1");
  EXPECT_EQ(estimateUnitsPerDay(ctx(), "T-1"), Decimal());  // nothing posted: stays 0

  usage("T-1", day(2024, 1, 10), "7.5");
  EXPECT_EQ(estimateUnitsPerDay(ctx(), "T-1"), Decimal::parse("7.5"));  // one day: the total
  usage("T-1", day(2024, 1, 1), "8.25");
  usage("T-1", day(2024, 1, 5), "8.25");
  usage("T-2", day(2023, 1, 5), "1000");
  // 24.00 units over 9 days, the units' decimals kept.
  EXPECT_EQ(estimateUnitsPerDay(ctx(), "T-1"), Decimal::parse("2.67"));

  session().g.LogUserActivity = 2;
  ASSERT_TRUE(storeUnitsPerDay(ctx(), "T-1", *Decimal::parse("2.67")));
  data::Access<data::EqHeader> eq(ctx().store(), ctx().errors());
  ASSERT_EQ(eq.fetch("EQH:KeyEquipmentID", {std::string("T-1")}), data::kNoError);
  EXPECT_EQ(eq.rec().UnitsPerDay, Decimal::parse("2.67"));
  data::Access<data::UserLog> log(ctx().store(), ctx().errors());
  log.set(data::UserLog::def().primaryKey());
  ASSERT_EQ(log.next(), data::kNoError);
  EXPECT_EQ(log.rec().Text.str(),
            "Changed equipment (T-1): average units per day 2.67, estimated from its usage");
  EXPECT_FALSE(storeUnitsPerDay(ctx(), "NONE", Decimal(1)));
}

}  // namespace
}  // namespace koreq::reports
