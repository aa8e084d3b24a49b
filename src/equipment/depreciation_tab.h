#pragma once

// The "Depreciation Schedule" group of the equipment form's fixed-asset tab: the method choice,
// "Calculate Schedule", the stored months ("by Month", edited through UPDATEGLDEPR) and the year
// summary ("by Year"). The part itself is made by makeDepreciationGroup (equipment_form.h);
// these are the rules it shows by.

#include <string>
#include <string_view>

#include "data/records.h"
#include "depreciation/schedule.h"

namespace koreq::equipment {

// EQH:DepreciationMethod.
enum DepreciationMethod : int {
  kStraightLine = 1,
  kSumOfYearsDigits = 2,
  kDecliningBalance = 3,
  kCustomMethod = 4,
};

// The group's caption for a method: "Straight Line Depreciation Schedule" …, the custom
// method's name followed by " Depreciation Schedule"; the plain "Depreciation Schedule" for a
// method that is none of the four.
std::string depreciationCaption(int method, std::string_view customName);

// The text of the custom method's radio button: its name, or "Custom" while it has none.
std::string customMethodText(std::string_view customName);

// The amount and value the by-month list shows for a method: the method's pair, the custom
// pair for 4, and the record's further pair for any other value.
depreciation::MethodPair shownMonthPair(const data::GlDepr& row, int method);

// The method whose begin value and annual charge the by-year list shows once `method` is
// chosen: methods 1 to 3 their own, any other leaves `shown` as it was.
int yearListMethod(int method, int shown);

// The two value columns of the by-year list.
struct YearColumns {
  Decimal beginValue;
  Decimal annualCharge;
  friend bool operator==(const YearColumns&, const YearColumns&) = default;
};

// The by-year columns of a year entry for a computed method (1 to 3).
YearColumns shownYearColumns(const depreciation::YearSummaryEntry& y, int method);

// A month as the by-month list shows it: month and year, " 3/2024".
std::string monthYearText(Date d);

}  // namespace koreq::equipment
