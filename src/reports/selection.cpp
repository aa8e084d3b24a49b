#include "reports/selection.h"

#include "data/store.h"
#include "runtime/text.h"

namespace koreq::reports {

namespace {

void check(int rc, const data::FileAccess& file) {
  if (rc != data::kNoError && rc != data::kRecordNotFound)
    throw data::StoreError(rc, file.lastErrorText());
}

CodeRange rangeOf(bool selected, std::string_view from, std::string_view to, bool blankToOpen) {
  return {selected, clipped(from), clipped(to), blankToOpen};
}

void subtract(Figure& f, const Decimal& units, const Decimal& amount) {
  f.units -= units;
  f.amount -= amount;
}

}  // namespace

bool isSpecialCategory(std::string_view category) {
  const std::string c = clipped(category);
  return c == ".I" || c == ".R" || c == ".N";
}

bool CodeRange::contains(std::string_view code) const {
  if (!selected) return true;
  const std::string c = clipped(code);
  return c >= from && !beyond(c);
}

bool CodeRange::beyond(std::string_view code) const {
  if (!selected) return false;
  // A blank end filled with 'Z' would still stop lower-case codes: an open end stops nothing.
  if (to.empty() && blankToOpen) return false;
  return clipped(code) > to;
}

Selection::Selection(const data::EqLimits& f, SelectionRules rules,
                     reportframe::EquipmentUdLimits udLimits)
    : rules_(rules),
      equipment_(rangeOf(f.SelectedEquipment == 1, f.EquipmentFrom.str(), f.EquipmentTo.str(),
                         rules.blankToOpen)),
      categories_(rangeOf(f.SelectedCategory == 1, f.CategoryFrom.str(), f.CategoryTo.str(),
                          rules.blankToOpen)),
      classes_(
          rangeOf(f.SelectedClass == 1, f.ClassFrom.str(), f.ClassTo.str(), rules.blankToOpen)),
      includeInactive_(f.IncludeInactive == 1),
      ud_(std::move(udLimits)) {}

Selection Selection::read(frame::Context& ctx, const data::EqLimits& format, SelectionRules rules) {
  return Selection(format, rules, reportframe::EquipmentUdLimits::read(ctx, format.LimitID));
}

bool Selection::selectsEquipment(const data::EqHeader& eq) const {
  if (eq.Active == 0 && !includeInactive_) return false;
  if (!classes_.contains(eq.ClassCode.str())) return false;
  return ud_.selects(eq);
}

bool Selection::countsCategory(const data::EqHeader& eq, const data::EqCost& c) const {
  if (isSpecialCategory(c.CostCategory.str())) return false;
  if (!categories_.contains(c.CostCategory.str())) return false;
  if (rules_.categoriesNeedClass && classes_.selected &&
      (eq.ClassCode.empty() || !classes_.contains(eq.ClassCode.str())))
    return false;
  return true;
}

EquipmentWalk::EquipmentWalk(frame::Context& ctx, const Selection& selection)
    : selection_(selection), eq_(ctx.store(), ctx.errors()) {
  const data::KeyDef& key = *data::EqHeader::def().key("KeyEquipmentID");
  if (selection.equipment().selected)
    eq_.set(key, {selection.equipment().from});
  else
    eq_.set(key);
}

data::EqHeader* EquipmentWalk::next() {
  while (!done_) {
    const int rc = eq_.next();
    check(rc, eq_);
    if (rc == data::kRecordNotFound || selection_.equipment().beyond(eq_.rec().EquipmentID.str())) {
      done_ = true;
      break;
    }
    ++read_;
    if (selection_.selectsEquipment(eq_.rec())) return &eq_.rec();
  }
  return nullptr;
}

AnalysisDates analysisDates(frame::Context& ctx, const data::EqLimits& f) {
  AnalysisDates d;
  d.mode = f.SelectedDates == 1   ? DateMode::Range
           : f.SelectedDates == 2 ? DateMode::AsOf
                                  : DateMode::All;
  if (d.mode == DateMode::All) {
    data::Access<data::Control> control(ctx.store(), ctx.errors());
    control.set(data::Control::def().primaryKey());
    const int rc = control.next();
    check(rc, control);
    if (rc == data::kNoError) d.period = control.rec().CurrentFiscalPeriod;
  } else {
    d.period = f.FPTo.toLong();
  }
  data::Access<data::GlFiscal> periods(ctx.store(), ctx.errors());
  const int rc = periods.fetch("KeyFiscalPeriodUp", {std::int64_t{d.period}});
  check(rc, periods);
  if (rc == data::kNoError) {
    d.asOf = periods.rec().PeriodDate;
    d.year = d.asOf.isEmpty() ? 0 : d.asOf.year();
  }
  d.from = f.DateFrom;
  d.to = f.DateTo;
  return d;
}

FigureReader::FigureReader(frame::Context& ctx, AnalysisDates dates)
    : dates_(dates),
      trans_(ctx.store(), ctx.errors()),
      priorC_(ctx.store(), ctx.errors()),
      priorCM_(ctx.store(), ctx.errors()),
      prior_(ctx.store(), ctx.errors()),
      priorM_(ctx.store(), ctx.errors()) {}

Figure FigureReader::ledger(const std::string& code) {
  Figure f;
  trans_.setRange(*data::GlTrans::def().key("KeySubsidiaryCode"), {code}, {dates_.from});
  for (;;) {
    const int rc = trans_.next();
    check(rc, trans_);
    if (rc == data::kRecordNotFound) break;
    const data::GlTrans& t = trans_.rec();
    if (t.TransDate > dates_.to) break;
    const bool credit = t.CreditDebit == "C";
    f.units += credit ? -t.SubsidiaryQuantity : t.SubsidiaryQuantity;
    f.amount += credit ? -t.Amount : t.Amount;
  }
  return f;
}

void FigureReader::loadPriors(const std::string& equipment) {
  if (anyLoaded_ && loaded_ == equipment) return;
  anyLoaded_ = true;
  loaded_ = equipment;
  years_.clear();
  periods_.clear();
  priorC_.setRange(*data::EqPriorC::def().key("KeyEquipmentCategoryYear"), {equipment});
  for (;;) {
    const int rc = priorC_.next();
    check(rc, priorC_);
    if (rc == data::kRecordNotFound) break;
    const data::EqPriorC& y = priorC_.rec();
    years_[{y.CostCategory.str(), y.Year}] = {y.Units, y.Amount};
  }
  priorCM_.setRange(*data::EqPriorCM::def().key("KeyEquipmentCategoryYearPeriod"), {equipment});
  for (;;) {
    const int rc = priorCM_.next();
    check(rc, priorCM_);
    if (rc == data::kRecordNotFound) break;
    const data::EqPriorCM& m = priorCM_.rec();
    periods_[m.CostCategory.str()].push_back({m.Year, m.FiscalPeriod, {m.Units, m.Amount}});
  }
}

CategoryFigures FigureReader::category(const data::EqCost& c) {
  CategoryFigures out;
  const std::string& category = c.CostCategory.str();
  if (dates_.mode == DateMode::Range) {
    out.cumulative = ledger(c.EquipmentID.padded() + category);
    return out;
  }
  out.cumulative = {c.CumulativeUnitUsed, c.CumulativeAmount};
  loadPriors(c.EquipmentID.str());
  if (auto y = years_.find({category, dates_.year}); y != years_.end()) out.year = y->second;
  auto p = periods_.find(category);
  if (p == periods_.end()) return out;
  for (const PeriodFigure& m : p->second) {
    if (m.year == dates_.year && m.period == dates_.period) out.month = m.figure;
    if (dates_.mode != DateMode::AsOf || m.period <= dates_.period) continue;
    subtract(out.cumulative, m.figure.units, m.figure.amount);
    if (m.year == dates_.year) subtract(out.year, m.figure.units, m.figure.amount);
  }
  return out;
}

EquipmentFigures FigureReader::equipment(const data::EqHeader& eq) {
  EquipmentFigures out;
  IncomeFigure& cum = out.cumulative;
  cum = {eq.CumulativeInternalUnits, eq.CumulativeInternalIncome, eq.CumulativeRentalUnits,
         eq.CumulativeRentalIncome, eq.CumulativeNonProductiveUnits};
  const std::string id = eq.EquipmentID.str();
  if (dates_.mode == DateMode::Range) {
    // Income lines are credits: a debit takes income back.
    const Figure internal = ledger(eq.EquipmentID.padded() + ".I");
    const Figure rental = ledger(eq.EquipmentID.padded() + ".R");
    cum.internalUnits = -internal.units;
    cum.internalIncome = -internal.amount;
    cum.rentalUnits = -rental.units;
    cum.rentalIncome = -rental.amount;
  } else if (dates_.mode == DateMode::AsOf) {
    priorM_.setRange(*data::EqPriorM::def().key("KeyEquipmentID"), {id}, {dates_.period + 1});
    for (;;) {
      const int rc = priorM_.next();
      check(rc, priorM_);
      if (rc == data::kRecordNotFound) break;
      const data::EqPriorM& m = priorM_.rec();
      cum.internalUnits -= m.InternalUnits;
      cum.internalIncome -= m.InternalIncome;
      cum.rentalUnits -= m.RentalUnits;
      cum.rentalIncome -= m.RentalIncome;
    }
  }
  int rc = prior_.fetch("KeyEquipmentYear", {id, std::int64_t{dates_.year}});
  check(rc, prior_);
  if (rc == data::kNoError) {
    const data::EqPrior& p = prior_.rec();
    out.year = {p.InternalUnits, p.InternalIncome, p.RentalUnits, p.RentalIncome,
                p.NonProductiveUnits};
  }
  rc = priorM_.fetch("KeyEquipmentYearPeriod", {id, std::int64_t{dates_.year}, dates_.period});
  check(rc, priorM_);
  if (rc == data::kNoError) {
    const data::EqPriorM& p = priorM_.rec();
    out.month = {p.InternalUnits, p.InternalIncome, p.RentalUnits, p.RentalIncome,
                 p.NonProductiveUnits};
  }
  return out;
}

const std::string& CategoryNames::description(const std::string& category) {
  auto it = known_.find(category);
  if (it != known_.end()) return it->second;
  const int rc = codes_.fetch("EQD:KeyCategoryID", {category});
  check(rc, codes_);
  return known_[category] = rc == data::kNoError ? codes_.rec().Description.str() : std::string();
}

Decimal perUnit(const Decimal& amount, const Decimal& quantity) {
  return amount / quantity;
}

}  // namespace koreq::reports
