#pragma once

// The monthly depreciation schedule of one piece of equipment, computed without touching
// storage: straight line, sum of years' digits and double-rate declining balance side by side,
// and the year summary built from stored rows.
//
// Rounding: every stored amount is brought to two places half away from zero, and each book
// value is reduced by the stored amount, so rounding never accumulates. The sum-of-years'-digits
// quotient (n - k + 1) / DigitsSum is held to 18 places before it multiplies the base; the
// declining-balance rate is a double on purpose, and only its product is rounded to cents.
//
// No charge is negative and none takes its book value below the salvage value: each charge is
// capped at what is left above salvage. That covers the declining-balance charge before its
// switch (a one-month life would otherwise charge twice the purchase value) and the rounding
// overshoot of the monthly amounts on long lives (1,000.00 over 600 months is 1.67 a month).

#include <cstdint>
#include <vector>

#include "runtime/date.h"
#include "runtime/decimal.h"

namespace koreq::depreciation {

// The equipment fields the calculation reads (EQH:PurchaseDate, EQH:PurchaseValue,
// EQH:SalvageValue, EQH:DepreciationYears, EQH:SaleDate).
struct ScheduleInput {
  Date purchaseDate;
  Decimal purchaseValue;
  Decimal salvageValue;
  std::uint16_t months = 0;  // the life in months, although the field is named years
  Date saleDate;             // empty: not sold
};

// One charge and the book value after it.
struct MethodPair {
  Decimal amount;
  Decimal value;
  friend bool operator==(const MethodPair&, const MethodPair&) = default;
};

// The three computed pairs of one month (the GLDP: pairs the engine writes).
struct MonthCharges {
  MethodPair sl;
  MethodPair sy;
  MethodPair ddb;
  friend bool operator==(const MonthCharges&, const MonthCharges&) = default;
};

struct ScheduleRow {
  Date date;  // the first day of the month
  MonthCharges charges;
};

// The working values of one calculation. calculateMonth(k) must be called for k = 1, 2, … in
// order: the book values and the declining-balance switch carry from month to month.
class DepreciationCalculator {
 public:
  DepreciationCalculator(Decimal purchaseValue, Decimal salvageValue, std::uint16_t months);

  MonthCharges calculateMonth(int k);

  // Whether every book value is down to the salvage value: nothing is left to charge. A
  // purchase value at or below the salvage value is there from the start.
  bool allAtSalvage() const;

  Decimal depreciableBase() const { return base_; }
  Decimal slMonthlyAmount() const { return slMonthly_; }
  std::uint64_t digitsSum() const { return digitsSum_; }
  bool ddbSwitched() const { return ddbSwitched_; }

 private:
  // The charge capped to what is left above salvage, never below zero.
  Decimal capped(Decimal charge, Decimal bookValue) const;
  MethodPair book(Decimal& bookValue, Decimal charge) const;

  Decimal salvage_;
  std::uint16_t n_;
  Decimal base_;
  Decimal slMonthly_;
  Decimal slBook_, syBook_, ddbBook_;
  std::uint64_t digitsSum_;
  double ddbRate_;
  Decimal ddbStraightLine_;
  bool ddbSwitched_ = false;
};

// The rows the schedule writes, month after month from the month after the purchase. It stops
// once all three book values are at salvage, and at the latest after the last month; rows dated
// after a set sale date are left out (a row of the month of the sale stays). No life, or no
// purchase date, gives no rows. Months past 31 December 9999 are not computed.
// Throws DecimalOverflow when the purchase value less the salvage value does not fit 15 digits.
std::vector<ScheduleRow> calculateSchedule(const ScheduleInput& in);

// The first day of the k-th month after the month of `purchase`, or an empty date when that
// lies outside the calendar.
Date scheduleMonth(Date purchase, int k);

// One entry of the year summary (DepreciationYearQueue).
struct YearSummaryEntry {
  int year = 0;  // 1, 2, …
  Decimal slBeginValue, slAnnualCharge;
  Decimal syBeginValue, syAnnualCharge;
  Decimal ddbBeginValue, ddbAnnualCharge;
  friend bool operator==(const YearSummaryEntry&, const YearSummaryEntry&) = default;
};

// Builds the year summary from the charges of the stored rows in key order: an entry for every
// twelve rows and one for a trailing part-year of fewer, then a closing entry numbered one more
// holding the salvage value with no charge.
std::vector<YearSummaryEntry> buildYearSummary(const std::vector<MonthCharges>& rows,
                                               Decimal purchaseValue, Decimal salvageValue);

}  // namespace koreq::depreciation
