#include "check/totals_check.h"

#include "check/record_walk.h"

#include <map>
#include <optional>
#include <tuple>

#include "data/access.h"
#include "data/error.h"
#include "data/records.h"
#include "data/store.h"
#include "runtime/decimal.h"
#include "usagelog/engine/posting.h"

namespace koreq::check {

namespace {

// What posting adds to an equipment's figures and to its prior-period records.
struct Usage {
  Decimal units, nonProductive, internalUnits, internalIncome, rentalUnits, rentalIncome;
  void add(const data::EqLog& l) {
    units += l.Units;
    const bool rental = l.ChargeType == "R";
    if (l.DetailType == "Maintenance")
      nonProductive += l.Units;
    else if (rental)
      rentalUnits += l.Units;
    else
      internalUnits += l.Units;
    (rental ? rentalIncome : internalIncome) += l.AdjustedAmount;
  }
};

struct Amounts {
  Decimal units, amount;
};

class TotalsCheck {
 public:
  explicit TotalsCheck(const RecordWalk& walk)
      : walk_(walk), periods_(usagelog::fiscalPeriods(walk.store())) {
    for (const auto& p : periods_) byNumber_[p.FiscalPeriod] = &p;
  }

  void run() {
    readUsage();
    readLedger();
    checkEquipment();
    checkCategories();
    checkPriors();
  }

 private:
  template <typename R, typename Each>
  void each(const char* file, Each visit) {
    walk_.each<R>(file, visit);
  }

  int yearOf(int period) const {
    auto it = byNumber_.find(period);
    return it == byNumber_.end() ? -1 : it->second->FiscalYear;
  }

  void readUsage() {
    each<data::EqLog>("EQLOG", [&](const data::EqLog& l) {
      const std::string id = l.EquipmentID.str();
      usageAll_[id].add(l);
      const data::GlFiscal* p = usagelog::fiscalPeriodOf(periods_, l.Date);
      if (!p) return;
      usageYear_[{id, p->FiscalYear}].add(l);
      usagePeriod_[{id, p->FiscalYear, p->FiscalPeriod}].add(l);
    });
  }

  void readLedger() {
    each<data::GlTrans>("GLTRANS", [&](const data::GlTrans& t) {
      const std::string category = t.CostCategory.str();
      if (t.SubsidiaryID != "E" || category.empty() || category == ".I" || category == ".R" ||
          category == ".N")
        return;
      const bool debit = t.CreditDebit == "D";
      const Decimal units = debit ? t.SubsidiaryQuantity : -t.SubsidiaryQuantity;
      const Decimal amount = debit ? t.Amount : -t.Amount;
      const std::pair<std::string, std::string> key{t.EquipmentID.str(), category};
      auto add = [&](Amounts& a) {
        a.units += units;
        a.amount += amount;
      };
      add(categoryAll_[key]);
      const int year = yearOf(t.FiscalPeriod);
      add(categoryYear_[{key.first, key.second, year}]);
      add(categoryPeriod_[{key.first, key.second, year, t.FiscalPeriod}]);
      Date& newest = newestPosting_[key];
      if (t.PostingDate > newest) newest = t.PostingDate;
    });
  }

  void differs(const char* file, const std::string& record, const char* field, Decimal stored,
               Decimal sum, const std::string& what) {
    if (stored == sum) return;
    walk_.found(file, record,
                std::string(field) + " is " + stored.toString() + ", " + what + " sums to " +
                    sum.toString());
  }

  void compareUsage(const char* file, const std::string& record, const char* prefix,
                    const Usage& stored, const Usage& sum, const std::string& what,
                    bool withUnits) {
    auto f = [&](const char* name) { return std::string(prefix) + name; };
    if (withUnits) differs(file, record, f("Units").c_str(), stored.units, sum.units, what);
    differs(file, record, f("NonProductiveUnits").c_str(), stored.nonProductive, sum.nonProductive,
            what);
    differs(file, record, f("InternalUnits").c_str(), stored.internalUnits, sum.internalUnits,
            what);
    differs(file, record, f("InternalIncome").c_str(), stored.internalIncome, sum.internalIncome,
            what);
    differs(file, record, f("RentalUnits").c_str(), stored.rentalUnits, sum.rentalUnits, what);
    differs(file, record, f("RentalIncome").c_str(), stored.rentalIncome, sum.rentalIncome, what);
  }

  template <typename M, typename K>
  static const typename M::mapped_type& or0(const M& m, const K& k) {
    static const typename M::mapped_type zero{};
    auto it = m.find(k);
    return it == m.end() ? zero : it->second;
  }

  void checkEquipment() {
    each<data::EqHeader>("EQHEADER", [&](const data::EqHeader& h) {
      const std::string id = h.EquipmentID.str();
      const std::string record = "EQH:EquipmentID " + id;
      Usage all{h.CumulativeUnits,         h.CumulativeNonProductiveUnits,
                h.CumulativeInternalUnits, h.CumulativeInternalIncome,
                h.CumulativeRentalUnits,   h.CumulativeRentalIncome};
      compareUsage("EQHEADER", record, "EQH:Cumulative", all, or0(usageAll_, id),
                   "its posted usage (EQLOG)", true);
      if (h.LastPostingFiscalPeriod == 0) return;
      const int period = h.LastPostingFiscalPeriod, year = yearOf(period);
      const std::string in = " in fiscal period " + std::to_string(period);
      Usage y{h.YearUnits,          h.YearNonProductiveUnits, h.YearInternalUnits,
              h.YearInternalIncome, h.YearRentalUnits,        h.YearRentalIncome};
      compareUsage("EQHEADER", record, "EQH:Year", y, or0(usageYear_, std::pair{id, year}),
                   "its posted usage (EQLOG) of the fiscal year" + in, true);
      Usage m{h.MonthUnits,          h.MonthNonProductiveUnits, h.MonthInternalUnits,
              h.MonthInternalIncome, h.MonthRentalUnits,        h.MonthRentalIncome};
      compareUsage("EQHEADER", record, "EQH:Month", m,
                   or0(usagePeriod_, std::tuple{id, year, period}), "its posted usage (EQLOG)" + in,
                   true);
    });
  }

  void checkCategories() {
    each<data::EqCost>("EQCOST", [&](const data::EqCost& k) {
      const std::pair<std::string, std::string> key{k.EquipmentID.str(), k.CostCategory.str()};
      const std::string record = "EQC:RecordID " + key.first + " " + key.second;
      const std::string lines = "its ledger lines (GLTRANS)";
      const Amounts& all = or0(categoryAll_, key);
      differs("EQCOST", record, "EQC:CumulativeUnitUsed", k.CumulativeUnitUsed, all.units, lines);
      differs("EQCOST", record, "EQC:CumulativeAmount", k.CumulativeAmount, all.amount, lines);
      auto newest = newestPosting_.find(key);
      if (newest == newestPosting_.end()) return;
      const data::GlFiscal* p = usagelog::fiscalPeriodOf(periods_, newest->second);
      if (!p) return;
      const std::string in = " in fiscal period " + std::to_string(p->FiscalPeriod);
      const Amounts& y = or0(categoryYear_, std::tuple{key.first, key.second, int{p->FiscalYear}});
      differs("EQCOST", record, "EQC:YearUnitsUsed", k.YearUnitsUsed, y.units,
              lines + " of the fiscal year" + in);
      differs("EQCOST", record, "EQC:YearAmount", k.YearAmount, y.amount,
              lines + " of the fiscal year" + in);
      const Amounts& m = or0(categoryPeriod_, std::tuple{key.first, key.second, int{p->FiscalYear},
                                                         int{p->FiscalPeriod}});
      differs("EQCOST", record, "EQC:MonthUnitsUsed", k.MonthUnitsUsed, m.units, lines + in);
      differs("EQCOST", record, "EQC:MonthAmount", k.MonthAmount, m.amount, lines + in);
    });
  }

  template <typename P>
  static Usage usageOf(const P& p) {
    return {p.InternalUnits + p.RentalUnits + p.NonProductiveUnits,
            p.NonProductiveUnits,
            p.InternalUnits,
            p.InternalIncome,
            p.RentalUnits,
            p.RentalIncome};
  }

  // Every prior-period record agrees with the sums, and every sum that is not zero has its
  // record.
  void checkPriors() {
    auto seenYear = usageYear_;
    each<data::EqPrior>("EQPRIOR", [&](const data::EqPrior& p) {
      const std::pair<std::string, int> key{p.EquipmentID.str(), p.Year};
      compareUsage("EQPRIOR",
                   "EQP:RecordID " + std::to_string(p.RecordID) + " (" + key.first + " " +
                       std::to_string(key.second) + ")",
                   "EQP:", usageOf(p), or0(usageYear_, key), "the posted usage (EQLOG) of the year",
                   false);
      seenYear.erase(key);
    });
    for (const auto& [key, u] : seenYear)
      missing("EQPRIOR", key.first + " " + std::to_string(key.second), u);

    auto seenPeriod = usagePeriod_;
    each<data::EqPriorM>("EQPRIORM", [&](const data::EqPriorM& p) {
      const std::tuple<std::string, int, int> key{p.EquipmentID.str(), p.Year, p.FiscalPeriod};
      compareUsage("EQPRIORM",
                   "EQPM:RecordID " + std::to_string(p.RecordID) + " (" + p.EquipmentID.str() +
                       " period " + std::to_string(p.FiscalPeriod) + ")",
                   "EQPM:", usageOf(p), or0(usagePeriod_, key),
                   "the posted usage (EQLOG) of the period", false);
      seenPeriod.erase(key);
    });
    for (const auto& [key, u] : seenPeriod)
      missing("EQPRIORM", std::get<0>(key) + " period " + std::to_string(std::get<2>(key)), u);

    auto seenCatYear = categoryYear_;
    each<data::EqPriorC>("EQPRIORC", [&](const data::EqPriorC& p) {
      const std::tuple<std::string, std::string, int> key{p.EquipmentID.str(), p.CostCategory.str(),
                                                          p.Year};
      const std::string record = "EQPC:RecordID " + std::to_string(p.RecordID) + " (" +
                                 std::get<0>(key) + " " + std::get<1>(key) + " " +
                                 std::to_string(p.Year) + ")";
      const Amounts& a = or0(categoryYear_, key);
      differs("EQPRIORC", record, "EQPC:Units", p.Units, a.units, "the ledger lines of the year");
      differs("EQPRIORC", record, "EQPC:Amount", p.Amount, a.amount,
              "the ledger lines of the year");
      seenCatYear.erase(key);
    });
    for (const auto& [key, a] : seenCatYear)
      if (!a.units.isZero() || !a.amount.isZero())
        walk_.found(
            "EQPRIORC",
            std::get<0>(key) + " " + std::get<1>(key) + " " + std::to_string(std::get<2>(key)),
            "no record, while the ledger lines of the year sum to " + a.amount.toString());

    auto seenCatPeriod = categoryPeriod_;
    each<data::EqPriorCM>("EQPRIORCM", [&](const data::EqPriorCM& p) {
      const std::tuple<std::string, std::string, int, int> key{
          p.EquipmentID.str(), p.CostCategory.str(), p.Year, p.FiscalPeriod};
      const std::string record = "EQPCM:RecordID " + std::to_string(p.RecordID) + " (" +
                                 std::get<0>(key) + " " + std::get<1>(key) + " period " +
                                 std::to_string(p.FiscalPeriod) + ")";
      const Amounts& a = or0(categoryPeriod_, key);
      differs("EQPRIORCM", record, "EQPCM:Units", p.Units, a.units,
              "the ledger lines of the period");
      differs("EQPRIORCM", record, "EQPCM:Amount", p.Amount, a.amount,
              "the ledger lines of the period");
      seenCatPeriod.erase(key);
    });
    for (const auto& [key, a] : seenCatPeriod)
      if (!a.units.isZero() || !a.amount.isZero())
        walk_.found(
            "EQPRIORCM",
            std::get<0>(key) + " " + std::get<1>(key) + " period " +
                std::to_string(std::get<3>(key)),
            "no record, while the ledger lines of the period sum to " + a.amount.toString());
  }

  void missing(const char* file, const std::string& record, const Usage& u) {
    if (u.units.isZero() && u.internalIncome.isZero() && u.rentalIncome.isZero()) return;
    walk_.found(file, record,
                "no record, while the posted usage (EQLOG) sums to " + u.units.toString() +
                    " units, income " + (u.internalIncome + u.rentalIncome).toString());
  }

  const RecordWalk& walk_;
  std::vector<data::GlFiscal> periods_;
  std::map<int, const data::GlFiscal*> byNumber_;
  std::map<std::string, Usage> usageAll_;
  std::map<std::pair<std::string, int>, Usage> usageYear_;
  std::map<std::tuple<std::string, int, int>, Usage> usagePeriod_;
  std::map<std::pair<std::string, std::string>, Amounts> categoryAll_;
  std::map<std::tuple<std::string, std::string, int>, Amounts> categoryYear_;
  std::map<std::tuple<std::string, std::string, int, int>, Amounts> categoryPeriod_;
  std::map<std::pair<std::string, std::string>, Date> newestPosting_;
};

}  // namespace

void checkTotals(const RecordWalk& walk) {
  TotalsCheck(walk).run();
}

}  // namespace koreq::check
