#include "depreciation/schedule.h"

#include <algorithm>

namespace koreq::depreciation {

namespace {

// Places the sum-of-years'-digits quotient is held to before it multiplies the base.
constexpr __int128 kQuotientScale = 1'000'000'000'000'000'000;  // 10^18

}  // namespace

DepreciationCalculator::DepreciationCalculator(Decimal purchaseValue, Decimal salvageValue,
                                               std::uint16_t months)
    : salvage_(salvageValue),
      n_(months),
      base_(purchaseValue - salvageValue),
      slMonthly_(base_ / static_cast<std::int64_t>(months)),  // zero for no life
      slBook_(purchaseValue),
      syBook_(purchaseValue),
      ddbBook_(purchaseValue),
      digitsSum_(static_cast<std::uint64_t>(months) * (months + 1u) / 2u),
      ddbRate_(months == 0 ? 0.0 : (1.0 / months) * 2) {}

Decimal DepreciationCalculator::capped(Decimal charge, Decimal bookValue) const {
  Decimal left = bookValue - salvage_;
  if (left.isNegative() || charge.isNegative()) return Decimal();
  return std::min(charge, left);
}

MethodPair DepreciationCalculator::book(Decimal& bookValue, Decimal charge) const {
  charge = capped(charge, bookValue);
  bookValue -= charge;
  return {charge, bookValue};
}

MonthCharges DepreciationCalculator::calculateMonth(int k) {
  const bool last = k >= n_;
  MonthCharges m;

  m.sl = book(slBook_, last ? slBook_ - salvage_ : slMonthly_);

  Decimal sy;
  if (last) {
    sy = syBook_ - salvage_;
  } else {
    // Divide first, then multiply: the quotient is rounded (to 18 places) before the product.
    __int128 q = Decimal::divRound(static_cast<__int128>(n_ - k + 1) * kQuotientScale,
                                   static_cast<__int128>(digitsSum_));
    __int128 cents = Decimal::divRound(q * base_.cents(), kQuotientScale);
    sy = Decimal::fromCents(static_cast<std::int64_t>(cents));
  }
  m.sy = book(syBook_, sy);

  Decimal ddb;
  if (!ddbSwitched_) {
    Decimal left = ddbBook_ - salvage_;
    ddbStraightLine_ = left / static_cast<std::int64_t>(n_ - k + 1);
    double product = ddbBook_.toDouble() * ddbRate_;
    // A product above everything that is left is capped below anyway and cannot be under the
    // straight-line amount; converting it could overflow (twice the purchase value, one month).
    double ceiling = std::max(left, Decimal()).toDouble() + 1.0;
    ddb = product > ceiling ? left : Decimal::fromDouble(product);
    if (product <= ceiling && ddb < ddbStraightLine_) {
      ddb = ddbStraightLine_;
      ddbSwitched_ = true;
    }
  } else {
    ddb = last ? ddbBook_ - salvage_ : ddbStraightLine_;
  }
  m.ddb = book(ddbBook_, ddb);
  return m;
}

bool DepreciationCalculator::allAtSalvage() const {
  return slBook_ <= salvage_ && syBook_ <= salvage_ && ddbBook_ <= salvage_;
}

Date scheduleMonth(Date purchase, int k) {
  if (!purchase.isValid()) return Date();
  auto first = Date::fromYmd(purchase.year(), purchase.month(), 1);
  if (!first) return Date();
  Date d = first->addMonths(k);
  return d.isValid() ? d : Date();
}

std::vector<ScheduleRow> calculateSchedule(const ScheduleInput& in) {
  std::vector<ScheduleRow> rows;
  if (in.months == 0 || !in.purchaseDate.isValid()) return rows;
  DepreciationCalculator calc(in.purchaseValue, in.salvageValue, in.months);
  rows.reserve(in.months);
  for (int k = 1; k <= in.months; ++k) {
    Date month = scheduleMonth(in.purchaseDate, k);
    // Rows after the sale would be deleted as soon as they were written.
    if (month.isEmpty() || (!in.saleDate.isEmpty() && month > in.saleDate)) break;
    rows.push_back({month, calc.calculateMonth(k)});
    if (calc.allAtSalvage()) break;
  }
  return rows;
}

std::vector<YearSummaryEntry> buildYearSummary(const std::vector<MonthCharges>& rows,
                                               Decimal purchaseValue, Decimal salvageValue) {
  std::vector<YearSummaryEntry> years;
  YearSummaryEntry cur;
  cur.slBeginValue = cur.syBeginValue = cur.ddbBeginValue = purchaseValue;
  std::size_t inYear = 0;
  for (const auto& r : rows) {
    cur.slAnnualCharge += r.sl.amount;
    cur.syAnnualCharge += r.sy.amount;
    cur.ddbAnnualCharge += r.ddb.amount;
    if (++inYear < 12) continue;
    ++cur.year;
    years.push_back(cur);
    cur.slBeginValue -= cur.slAnnualCharge;
    cur.syBeginValue -= cur.syAnnualCharge;
    cur.ddbBeginValue -= cur.ddbAnnualCharge;
    cur.slAnnualCharge = cur.syAnnualCharge = cur.ddbAnnualCharge = Decimal();
    inYear = 0;
  }
  // A life that is not whole years ends in a part-year, which is a year of the summary too:
  // leaving it out would show less than the whole charge.
  if (inYear > 0) {
    ++cur.year;
    years.push_back(cur);
  }
  YearSummaryEntry closing;
  closing.year = cur.year + 1;
  closing.slBeginValue = closing.syBeginValue = closing.ddbBeginValue = salvageValue;
  years.push_back(closing);
  return years;
}

}  // namespace koreq::depreciation
