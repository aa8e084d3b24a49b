#include "depreciation/schedule.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace koreq::depreciation {
namespace {

Decimal dec(const char* s) {
  return *Decimal::parse(s);
}
Date ymd(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}

ScheduleInput input(const char* purchase, const char* salvage, int months,
                    Date bought = ymd(2015, 3, 17), Date sold = Date()) {
  ScheduleInput in;
  in.purchaseDate = bought;
  in.purchaseValue = dec(purchase);
  in.salvageValue = dec(salvage);
  in.months = static_cast<std::uint16_t>(months);
  in.saleDate = sold;
  return in;
}

std::vector<std::string> amounts(const std::vector<ScheduleRow>& rows,
                                 MethodPair MonthCharges::*method, bool values = false) {
  std::vector<std::string> out;
  for (const auto& r : rows) {
    const MethodPair& p = r.charges.*method;
    out.push_back((values ? p.value : p.amount).toString());
  }
  return out;
}

using V = std::vector<std::string>;

TEST(Schedule, WorkedExamplesOfEachMethod) {
  // Straight line: 1,000.00 over 3 months, the last month takes the remainder.
  auto rows = calculateSchedule(input("1000", "0", 3));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(amounts(rows, &MonthCharges::sl), (V{"333.33", "333.33", "333.34"}));
  EXPECT_EQ(amounts(rows, &MonthCharges::sl, true), (V{"666.67", "333.34", "0.00"}));
  EXPECT_EQ(amounts(rows, &MonthCharges::sy), (V{"500.00", "333.33", "166.67"}));
  // Declining balance at 2/3: the product beats the straight-line amount until the last month.
  EXPECT_EQ(amounts(rows, &MonthCharges::ddb), (V{"666.67", "222.22", "111.11"}));
  EXPECT_EQ(amounts(rows, &MonthCharges::ddb, true), (V{"333.33", "111.11", "0.00"}));

  // Sum of years' digits, 4 months, DigitsSum 10.
  rows = calculateSchedule(input("1000", "0", 4));
  EXPECT_EQ(amounts(rows, &MonthCharges::sy), (V{"400.00", "300.00", "200.00", "100.00"}));
  EXPECT_EQ(amounts(rows, &MonthCharges::sy, true), (V{"600.00", "300.00", "100.00", "0.00"}));
  EXPECT_EQ(DepreciationCalculator(dec("1000"), Decimal(), 4).digitsSum(), 10u);
  // At half the balance the two are equal in month 3: equal is not "less", no switch yet.
  EXPECT_EQ(amounts(rows, &MonthCharges::ddb), (V{"500.00", "250.00", "125.00", "125.00"}));
}

TEST(Schedule, DecliningBalanceSwitchesToStraightLineAndKeepsThatAmount) {
  DepreciationCalculator calc(dec("1000"), Decimal(), 10);
  V charges, values;
  std::vector<bool> switched;
  for (int k = 1; k <= 10; ++k) {
    auto m = calc.calculateMonth(k);
    charges.push_back(m.ddb.amount.toString());
    values.push_back(m.ddb.value.toString());
    switched.push_back(calc.ddbSwitched());
  }
  // Month 6: 327.68 x 0.2 and 327.68 / 5 both round to 65.54 (no switch); month 7: 52.43 is
  // less than 262.14 / 4 = 65.535 -> 65.54, which then holds until the last month's remainder.
  EXPECT_EQ(charges, (V{"200.00", "160.00", "128.00", "102.40", "81.92", "65.54", "65.54", "65.54",
                        "65.54", "65.52"}));
  EXPECT_EQ(values, (V{"800.00", "640.00", "512.00", "409.60", "327.68", "262.14", "196.60",
                       "131.06", "65.52", "0.00"}));
  EXPECT_FALSE(switched[5]);
  EXPECT_TRUE(switched[6]);
}

TEST(Schedule, MonthsStartAfterThePurchaseMonthAndRollIntoLaterYears) {
  auto rows = calculateSchedule(input("1200", "0", 3, ymd(2015, 11, 30)));
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].date, ymd(2015, 12, 1));
  EXPECT_EQ(rows[1].date, ymd(2016, 1, 1));
  EXPECT_EQ(rows[2].date, ymd(2016, 2, 1));
  // Any day of the purchase month starts in the same place.
  EXPECT_EQ(calculateSchedule(input("1200", "0", 3, ymd(2015, 11, 1)))[0].date, ymd(2015, 12, 1));

  EXPECT_EQ(scheduleMonth(ymd(2015, 1, 31), 1), ymd(2015, 2, 1));
  EXPECT_EQ(scheduleMonth(ymd(2015, 1, 31), 24), ymd(2017, 1, 1));
  EXPECT_TRUE(scheduleMonth(Date(), 1).isEmpty());
  // Months past the calendar are not computed.
  EXPECT_TRUE(scheduleMonth(ymd(9999, 11, 5), 2).isEmpty());
  EXPECT_EQ(calculateSchedule(input("1000", "0", 12, ymd(9999, 10, 1))).size(), 2u);
}

TEST(Schedule, EdgeCasesOfTheInputs) {
  // No life: nothing computed, no division by zero.
  EXPECT_TRUE(calculateSchedule(input("1000", "0", 0)).empty());
  DepreciationCalculator none(dec("1000"), Decimal(), 0);
  EXPECT_TRUE(none.slMonthlyAmount().isZero());
  // No purchase date: no month to start from.
  EXPECT_TRUE(calculateSchedule(input("1000", "0", 12, Date())).empty());

  // Purchase value equal to salvage: one row of zero charges, then stop.
  auto rows = calculateSchedule(input("500", "500", 36));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].charges.sl, (MethodPair{Decimal(), dec("500")}));
  EXPECT_EQ(rows[0].charges.sy, (MethodPair{Decimal(), dec("500")}));
  EXPECT_EQ(rows[0].charges.ddb, (MethodPair{Decimal(), dec("500")}));

  // Salvage above the purchase value: nothing to charge, never a negative charge.
  rows = calculateSchedule(input("500", "600", 36));
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].charges.sl, (MethodPair{Decimal(), dec("500")}));
  EXPECT_EQ(rows[0].charges.ddb, (MethodPair{Decimal(), dec("500")}));

  // One month: every method charges the whole base at once (the declining-balance product
  // would be twice the purchase value).
  rows = calculateSchedule(input("1000", "100", 1));
  ASSERT_EQ(rows.size(), 1u);
  for (auto m : {&MonthCharges::sl, &MonthCharges::sy, &MonthCharges::ddb})
    EXPECT_EQ(rows[0].charges.*m, (MethodPair{dec("900"), dec("100")}));

  // Figures too large for 15 digits stop the calculation instead of wrapping.
  EXPECT_THROW(calculateSchedule(input("9999999999999", "-9999999999999", 12)), DecimalOverflow);
  // The largest purchase value over one month: the doubled rate would overflow if converted.
  rows = calculateSchedule(input("9999999999999.99", "0", 1));
  EXPECT_EQ(rows[0].charges.ddb.amount, dec("9999999999999.99"));
}

TEST(Schedule, NoChargeTakesABookValueBelowSalvage) {
  // 1,000.00 over 600 months: 1.67 a month would reach 1,002.00. The straight line stops at
  // zero in month 599; the schedule still runs its 600 months for the other two methods.
  auto rows = calculateSchedule(input("1000", "0", 600));
  ASSERT_EQ(rows.size(), 600u);
  EXPECT_EQ(rows[597].charges.sl, (MethodPair{dec("1.67"), dec("1.34")}));
  EXPECT_EQ(rows[598].charges.sl, (MethodPair{dec("1.34"), Decimal()}));
  EXPECT_EQ(rows[599].charges.sl, (MethodPair{Decimal(), Decimal()}));
  EXPECT_EQ(rows[599].charges.sy.value, Decimal());
  EXPECT_EQ(rows[599].charges.ddb.value, Decimal());

  // A high salvage value: the declining-balance product (166.67) is capped to the 100.00 left,
  // and the straight line goes on to the end of the life.
  rows = calculateSchedule(input("1000", "900", 12));
  ASSERT_EQ(rows.size(), 12u);
  EXPECT_EQ(rows[0].charges.ddb, (MethodPair{dec("100"), dec("900")}));
  EXPECT_EQ(rows[1].charges.ddb, (MethodPair{Decimal(), dec("900")}));
  EXPECT_EQ(rows[11].charges.sl.value, dec("900"));

  // All three at salvage before the last month: the schedule stops there. Base 0.05 over 10
  // months rounds 0.005 up to 0.01, so straight line and sum of years' digits are done in
  // month 5 and the capped declining balance in month 1.
  rows = calculateSchedule(input("100.05", "100", 10));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(amounts(rows, &MonthCharges::sl), (V{"0.01", "0.01", "0.01", "0.01", "0.01"}));
  EXPECT_EQ(amounts(rows, &MonthCharges::sy), (V{"0.01", "0.01", "0.01", "0.01", "0.01"}));
  EXPECT_EQ(amounts(rows, &MonthCharges::ddb), (V{"0.05", "0.00", "0.00", "0.00", "0.00"}));
}

TEST(Schedule, SaleDateEndsTheRowsWithTheMonthOfTheSale) {
  auto rows = calculateSchedule(input("1200", "0", 12, ymd(2015, 3, 17), ymd(2015, 8, 20)));
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows.back().date, ymd(2015, 8, 1));
  // The rows that stay are those of the full schedule.
  auto full = calculateSchedule(input("1200", "0", 12));
  for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].charges, full[i].charges);
  // Sold on the first of a month: that month's row is dated on the sale date and stays.
  EXPECT_EQ(calculateSchedule(input("1200", "0", 12, ymd(2015, 3, 17), ymd(2015, 8, 1))).size(),
            5u);
  // Sold before the first month: no row.
  EXPECT_TRUE(
      calculateSchedule(input("1200", "0", 12, ymd(2015, 3, 17), ymd(2015, 3, 31))).empty());
}

// Every life from 1 to 60 months and a spread up to 600, over purchase/salvage pairs that
// include no salvage, salvage equal to the purchase value and amounts that do not divide.
TEST(Schedule, PropertiesHoldForEveryLife) {
  std::vector<int> lives;
  for (int n = 1; n <= 60; ++n) lives.push_back(n);
  for (int n = 61; n <= 600; n += 13) lives.push_back(n);
  lives.insert(lives.end(), {119, 120, 121, 359, 360, 599, 600});
  const std::vector<std::pair<const char*, const char*>> pairs = {
      {"1000", "0"},           {"1000", "100"},
      {"12345.67", "1234.56"}, {"0.05", "0"},
      {"500", "500"},          {"99999.99", "0.01"},
      {"1", "0.99"},           {"250000", "-100"},
      {"7.77", "0"},           {"3333333.33", "333333.33"}};
  for (auto [pv, sv] : pairs) {
    for (int n : lives) {
      SCOPED_TRACE(std::string(pv) + "/" + sv + " over " + std::to_string(n));
      const Decimal purchase = dec(pv), salvage = dec(sv);
      auto rows = calculateSchedule(input(pv, sv, n, ymd(2010, 6, 15)));
      ASSERT_FALSE(rows.empty());
      ASSERT_LE(rows.size(), static_cast<std::size_t>(n));
      for (auto method : {&MonthCharges::sl, &MonthCharges::sy, &MonthCharges::ddb}) {
        Decimal book = purchase, sum;
        for (std::size_t i = 0; i < rows.size(); ++i) {
          const MethodPair& p = rows[i].charges.*method;
          ASSERT_FALSE(p.amount.isNegative()) << "month " << i + 1;
          ASSERT_GE(p.value, salvage) << "month " << i + 1;
          ASSERT_EQ(p.value, book - p.amount) << "month " << i + 1;
          book = p.value;
          sum += p.amount;
        }
        EXPECT_EQ(sum, purchase - salvage);
        EXPECT_EQ(book, salvage);
      }
      for (std::size_t i = 0; i < rows.size(); ++i)
        ASSERT_EQ(rows[i].date, ymd(2010, 7, 1).addMonths(static_cast<int>(i)));
    }
  }
}

TEST(YearSummary, FullYearsThenAClosingEntry) {
  // 18 months: a year entry, the six trailing months as a part-year of their own (they used to
  // appear in no entry), and a closing entry numbered 3.
  auto rows = calculateSchedule(input("1800", "0", 18));
  std::vector<MonthCharges> charges;
  for (const auto& r : rows) charges.push_back(r.charges);
  auto years = buildYearSummary(charges, dec("1800"), Decimal());
  ASSERT_EQ(years.size(), 3u);
  EXPECT_EQ(years[0].year, 1);
  EXPECT_EQ(years[0].slBeginValue, dec("1800"));
  EXPECT_EQ(years[0].slAnnualCharge, dec("1200"));
  Decimal sy, ddb;
  for (int i = 0; i < 12; ++i) {
    sy += charges[i].sy.amount;
    ddb += charges[i].ddb.amount;
  }
  EXPECT_EQ(years[0].syAnnualCharge, sy);
  EXPECT_EQ(years[0].ddbAnnualCharge, ddb);
  EXPECT_EQ(years[1].year, 2);
  EXPECT_EQ(years[1].slBeginValue, dec("600"));
  EXPECT_EQ(years[1].slAnnualCharge, dec("600"));
  // The part-year charges what was left.
  EXPECT_EQ(years[1].syAnnualCharge, years[1].syBeginValue);
  EXPECT_EQ(years[1].ddbAnnualCharge, years[1].ddbBeginValue);
  EXPECT_EQ(years[2], (YearSummaryEntry{3, Decimal(), Decimal(), Decimal(), Decimal(), Decimal(),
                                        Decimal()}));

  // A 66-month life: five years of 1,200.00, then the part-year's 600.00 before the closing.
  rows = calculateSchedule(input("6600", "0", 66));
  charges.clear();
  for (const auto& r : rows) charges.push_back(r.charges);
  years = buildYearSummary(charges, dec("6600"), Decimal());
  ASSERT_EQ(years.size(), 7u);
  Decimal sl;
  for (const auto& y : years) sl += y.slAnnualCharge;
  EXPECT_EQ(sl, dec("6600"));
  EXPECT_EQ(years[5].year, 6);
  EXPECT_EQ(years[5].slAnnualCharge, dec("600"));
  EXPECT_EQ(years[6].year, 7);
  EXPECT_TRUE(years[6].slAnnualCharge.isZero());

  // Two full years: the second begins where the first ended.
  rows = calculateSchedule(input("2400", "240", 24));
  charges.clear();
  for (const auto& r : rows) charges.push_back(r.charges);
  years = buildYearSummary(charges, dec("2400"), dec("240"));
  ASSERT_EQ(years.size(), 3u);
  EXPECT_EQ(years[1].year, 2);
  EXPECT_EQ(years[1].slBeginValue, dec("1320"));
  EXPECT_EQ(years[1].syBeginValue, years[0].syBeginValue - years[0].syAnnualCharge);
  EXPECT_EQ(years[1].ddbBeginValue, rows[11].charges.ddb.value);
  EXPECT_EQ(years[2].year, 3);
  EXPECT_EQ(years[2].slBeginValue, dec("240"));
  EXPECT_EQ(years[2].ddbBeginValue, dec("240"));

  // No rows: only the closing entry, numbered 1; fewer than twelve are a part-year first.
  years = buildYearSummary({}, dec("1000"), dec("10"));
  ASSERT_EQ(years.size(), 1u);
  EXPECT_EQ(years[0].year, 1);
  EXPECT_EQ(years[0].syBeginValue, dec("10"));
  EXPECT_TRUE(years[0].syAnnualCharge.isZero());
  charges.resize(11);
  EXPECT_EQ(buildYearSummary(charges, dec("2400"), dec("240")).size(), 2u);
}

}  // namespace
}  // namespace koreq::depreciation
