#pragma once

// The selection shared by the equipment reports: which equipment a format lets through (its
// equipment, class and user-defined-field limits, inactive equipment), which of an equipment's
// cost categories count, and a category's figures by the format's date mode — "All" (the
// stored totals and the prior-period records of the as-of period), "Range" (summed from the
// ledger) and "As of" (the later periods taken out again). What differs between the reports
// is a parameter (SelectionRules). No Qt; reads only.

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/access.h"
#include "data/records.h"
#include "frame/context.h"
#include "reportframe/limit_lines.h"

namespace koreq::reports {

// ".I" internal income, ".R" rental income, ".N" non-productive: carried as categories, never
// reported as costs.
bool isSpecialCategory(std::string_view category);

// A selected range of codes, both ends included. An unselected range holds everything, whatever
// its ends say.
struct CodeRange {
  bool selected = false;
  std::string from, to;
  // A selected range with a blank upper bound: bounded by nothing (the analysis) or by the blank
  // itself, so that nothing passes (the cost summary, the maintenance schedule).
  bool blankToOpen = false;

  bool contains(std::string_view code) const;
  // Whether a code read in key order is beyond the range: nothing after it can pass.
  bool beyond(std::string_view code) const;
};

struct SelectionRules {
  bool blankToOpen = false;
  // A class limit also takes the categories away from equipment without a class (the analysis).
  bool categoriesNeedClass = false;
};

class Selection {
 public:
  Selection(const data::EqLimits& format, SelectionRules rules,
            reportframe::EquipmentUdLimits udLimits);
  // With the format's user-defined-field limits read from LIMLIST.
  static Selection read(frame::Context& ctx, const data::EqLimits& format, SelectionRules rules);

  // Inactive, class and user-defined limits (the equipment range is the walk's).
  bool selectsEquipment(const data::EqHeader& eq) const;
  bool countsCategory(const data::EqHeader& eq, const data::EqCost& category) const;

  const CodeRange& equipment() const { return equipment_; }
  const CodeRange& categories() const { return categories_; }
  const CodeRange& classes() const { return classes_; }

 private:
  SelectionRules rules_;
  CodeRange equipment_, categories_, classes_;
  bool includeInactive_ = false;
  reportframe::EquipmentUdLimits ud_;
};

// The equipment in ID order from the range's start, stopping past its end, skipping what the
// selection leaves out. Reads with a buffer of its own.
class EquipmentWalk {
 public:
  EquipmentWalk(frame::Context& ctx, const Selection& selection);
  // The next selected equipment, or null at the end. Throws data::StoreError.
  data::EqHeader* next();
  // Equipment records read so far, selected or not.
  std::int64_t read() const { return read_; }

 private:
  const Selection& selection_;
  data::Access<data::EqHeader> eq_;
  bool done_ = false;
  std::int64_t read_ = 0;
};

// ---- Figures by date mode ---------------------------------------------------------------------

enum class DateMode { All = 0, Range = 1, AsOf = 2 };

struct AnalysisDates {
  DateMode mode = DateMode::All;
  std::int64_t period = 0;  // P: the as-of fiscal period
  Date asOf;                // D: its date (empty when the period is not on file)
  int year = 0;             // Y: D's year
  Date from, to;            // the range of "Range"
};

// The dates of a format: "All" takes the company's current fiscal period (CONTROL) as P, the
// others EQLM:FPTo; a floating range must be resolved before (reportframe::resolveFloatingRange).
AnalysisDates analysisDates(frame::Context& ctx, const data::EqLimits& format);

struct Figure {
  Decimal units, amount;
};
struct CategoryFigures {
  Figure cumulative, year, month;
};

// An equipment's income and use for one column.
struct IncomeFigure {
  Decimal internalUnits, internalIncome, rentalUnits, rentalIncome, nonProductiveUnits;
};
struct EquipmentFigures {
  IncomeFigure cumulative, year, month;
};

// Reads the figures with buffers of its own; throws data::StoreError when a file cannot be read.
class FigureReader {
 public:
  FigureReader(frame::Context& ctx, AnalysisDates dates);
  const AnalysisDates& dates() const { return dates_; }

  // "All": the category's cumulative totals, its EQPRIORC record of year Y and EQPRIORCM record
  // of period P. "Range": the cumulative pair summed from the ledger lines of the range (credits
  // negative); no year or month. "As of": as "All", less every later period's EQPRIORCM record
  // from the cumulative pair and, within year Y, from the year pair.
  CategoryFigures category(const data::EqCost& c);
  // "Range": the income summed from the ".I" and ".R" ledger lines of the range (debits
  // negative); "As of": the cumulative income less the later periods of EQPRIORM; the
  // non-productive units are never adjusted. Year and month from EQPRIOR and EQPRIORM.
  EquipmentFigures equipment(const data::EqHeader& eq);

 private:
  Figure ledger(const std::string& code);
  // The equipment's category records of every year and period, read in two range scans when
  // its first category asks: a query a category would cost ten times as much.
  void loadPriors(const std::string& equipment);
  struct PeriodFigure {
    int year = 0, period = 0;
    Figure figure;
  };
  AnalysisDates dates_;
  std::string loaded_;
  bool anyLoaded_ = false;
  std::map<std::pair<std::string, int>, Figure> years_;       // (category, year)
  std::map<std::string, std::vector<PeriodFigure>> periods_;  // by category

  data::Access<data::GlTrans> trans_;
  data::Access<data::EqPriorC> priorC_;
  data::Access<data::EqPriorCM> priorCM_;
  data::Access<data::EqPrior> prior_;
  data::Access<data::EqPriorM> priorM_;
};

// A category's description from EQCODE, remembered for the run ("" when not on file).
class CategoryNames {
 public:
  explicit CategoryNames(frame::Context& ctx) : codes_(ctx.store(), ctx.errors()) {}
  const std::string& description(const std::string& category);

 private:
  data::Access<data::EqCode> codes_;
  std::map<std::string, std::string> known_;
};

// amount ÷ quantity to two places; 0 when the quantity is 0.
Decimal perUnit(const Decimal& amount, const Decimal& quantity);

}  // namespace koreq::reports
