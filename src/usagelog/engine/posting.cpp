#include "usagelog/engine/posting.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <tuple>
#include <utility>

#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "runtime/picture.h"
#include "runtime/text.h"
#include "usagelog/engine/batch_marks.h"
#include "usagelog/engine/batch_rules.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::usagelog {

using detail::readWhere;
using detail::recordOf;
using detail::rowOf;
using detail::Stored;

namespace {

constexpr int kMaxJournalLines = 32767;

std::string twoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n % 100);
  return buf;
}

std::string shortDate(Date d) {
  if (d.isEmpty()) return "no date";
  return twoDigits(d.month()) + "/" + twoDigits(d.dayOfMonth()) + "/" + twoDigits(d.year());
}

std::string sixDigits(int n) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%06d", n);
  return buf;
}

std::int64_t number(const data::FileDef& def, const char* field, data::Store& store) {
  return store.nextNumber(def, def.fieldIndex(field));
}

// The figures one entry adds to an equipment's totals (and to its prior-period records).
struct UsageFigures {
  Decimal units, nonProductive, internalUnits, internalIncome, rentalUnits, rentalIncome;
  void add(const UsageFigures& o) {
    units += o.units;
    nonProductive += o.nonProductive;
    internalUnits += o.internalUnits;
    internalIncome += o.internalIncome;
    rentalUnits += o.rentalUnits;
    rentalIncome += o.rentalIncome;
  }
};

struct CategoryFigures {
  Decimal units, amount;
};

// Everything the posting reads more than once, read once inside its transaction.
class Ledger {
 public:
  explicit Ledger(frame::Context& ctx)
      : ctx_(ctx), store_(ctx.store()), periods_(fiscalPeriods(ctx.store())) {
    std::vector<data::Systems> systems;
    ScanAll<data::Systems>("KeyRecordID", systems, 1);
    if (!systems.empty()) systems_ = systems.front();
    current_ = periodOf(ctx.today());
    if (!current_) {
      std::vector<data::Control> control;
      ScanAll<data::Control>(nullptr, control, 1);
      if (!control.empty())
        for (const auto& p : periods_)
          if (p.FiscalPeriod == control.front().CurrentFiscalPeriod) current_ = &p;
    }
  }

  // The period holding `d`: the first whose date is on or after it, the first period only
  // within its own month.
  const data::GlFiscal* periodOf(Date d) const { return fiscalPeriodOf(periods_, d); }
  const data::GlFiscal* current() const { return current_; }
  const data::Systems& systems() const { return systems_; }

  Stored<data::EqHeader>* equipment(const std::string& id) {
    return cached(equipment_, id,
                  [&] { return readWhere<data::EqHeader>(store_, "KeyEquipmentID", {id}, 1); });
  }
  Stored<data::EqCost>* cost(const std::string& equipmentId, const std::string& category) {
    return cached(costs_, padRight(equipmentId, 10) + category, [&] {
      return readWhere<data::EqCost>(store_, "KeyEquipmentCategory", {equipmentId, category}, 1);
    });
  }
  Stored<data::EqCode>* code(const std::string& category) {
    return cached(codes_, category,
                  [&] { return readWhere<data::EqCode>(store_, "KeyCategoryID", {category}, 1); });
  }
  Stored<data::GlMaster>* account(const std::string& a) {
    return cached(accounts_, a,
                  [&] { return readWhere<data::GlMaster>(store_, "KeyAccount", {a}, 1); });
  }
  Stored<data::JcHeader>* job(const std::string& j) {
    return cached(jobs_, j, [&] { return readWhere<data::JcHeader>(store_, "KeyJobID", {j}, 1); });
  }
  Stored<data::JcCost>* costCode(const std::string& job, const std::string& mask) {
    return cached(costCodes_, padRight(job, 10) + mask, [&] {
      return readWhere<data::JcCost>(store_, "KeyEntryMask", {job, mask}, 1);
    });
  }
  std::map<std::string, std::optional<Stored<data::EqHeader>>>& allEquipment() {
    return equipment_;
  }
  std::map<std::string, std::optional<Stored<data::EqCost>>>& allCosts() { return costs_; }

 private:
  template <typename R>
  void ScanAll(const char* key, std::vector<R>& out, int limit = 0) {
    data::ScanSpec s;
    s.key = key ? R::def().key(key) : &R::def().primaryKey();
    s.limit = limit;
    for (auto& row : store_.scan(R::def(), s)) out.push_back(recordOf<R>(row.values));
  }
  template <typename R, typename Read>
  Stored<R>* cached(std::map<std::string, std::optional<Stored<R>>>& m, const std::string& k,
                    Read read) {
    auto it = m.find(k);
    if (it == m.end()) {
      auto rows = read();
      it = m.emplace(k, rows.empty() ? std::nullopt : std::optional(rows.front())).first;
    }
    return it->second ? &*it->second : nullptr;
  }

  frame::Context& ctx_;
  data::Store& store_;
  std::vector<data::GlFiscal> periods_;
  data::Systems systems_;
  const data::GlFiscal* current_ = nullptr;
  std::map<std::string, std::optional<Stored<data::EqHeader>>> equipment_;
  std::map<std::string, std::optional<Stored<data::EqCost>>> costs_;
  std::map<std::string, std::optional<Stored<data::EqCode>>> codes_;
  std::map<std::string, std::optional<Stored<data::GlMaster>>> accounts_;
  std::map<std::string, std::optional<Stored<data::JcHeader>>> jobs_;
  std::map<std::string, std::optional<Stored<data::JcCost>>> costCodes_;
};

// An entry checked and resolved: where each side of its charge goes.
struct Plan {
  const Stored<data::EqLogB>& entry;
  const data::GlFiscal* period = nullptr;
  std::string incomeAccount;
  std::string chargeAccount;
  Stored<data::EqCost>* category = nullptr;  // Equipment and Maintenance: the category charged
  const data::JcCost* costCode = nullptr;    // Job
};

// Checks an account an entry posts to; an empty answer means it may be posted to.
std::string accountProblem(Ledger& ledger, const std::string& account, const char* what) {
  if (account.empty()) return std::string("no ") + what;
  auto* a = ledger.account(account);
  if (!a) return std::string(what) + " " + account + " does not exist";
  if (a->rec.Inactive) return std::string(what) + " " + account + " is inactive";
  if (ledger.systems().CurrentEarnings == account)
    return std::string(what) + " " + account +
           " is the current earnings account, which cannot be posted to directly";
  return {};
}

std::vector<std::string> check(Ledger& ledger, Plan& plan) {
  std::vector<std::string> why;
  const data::EqLogB& e = plan.entry.rec;
  const std::string detail = e.DetailType.str();

  Stored<data::EqHeader>* eq = nullptr;
  if (e.EquipmentID.empty())
    why.push_back("no equipment");
  else if (!(eq = ledger.equipment(e.EquipmentID.str())))
    why.push_back("equipment " + e.EquipmentID.str() + " does not exist");

  if (e.Date.isEmpty()) {
    why.push_back("no date");
  } else if (!(plan.period = ledger.periodOf(e.Date))) {
    why.push_back("no fiscal period holds " + shortDate(e.Date));
  } else if (plan.period->Status == "L" || plan.period->Status == "C") {
    why.push_back("fiscal period " + std::to_string(plan.period->FiscalPeriod) + " (" +
                  plan.period->Description.str() + ") is " +
                  (plan.period->Status == "L" ? "locked" : "closed"));
  }

  const bool rental = e.ChargeType == "R";
  if (!rental && e.ChargeType != "I")
    why.push_back("charge type '" + e.ChargeType.str() + "' is neither I nor R");

  if (detail == "Job") {
    if (e.JobID.empty()) {
      why.push_back("no job");
    } else if (!ledger.job(e.JobID.str())) {
      why.push_back("job " + e.JobID.str() + " does not exist");
    } else if (e.CostCode.empty()) {
      why.push_back("no cost code");
    } else if (auto* cc = ledger.costCode(e.JobID.str(), e.CostCode.str())) {
      if (cc->rec.Inactive)
        why.push_back("cost code " + e.CostCode.str() + " of job " + e.JobID.str() +
                      " is inactive");
      plan.costCode = &cc->rec;
    } else {
      why.push_back("cost code " + e.CostCode.str() + " of job " + e.JobID.str() +
                    " does not exist");
    }
    plan.chargeAccount = !e.GLAccount.empty() ? e.GLAccount.str()
                         : plan.costCode      ? plan.costCode->GLAccount.str()
                                              : std::string();
  } else if (detail == "G/L Account") {
    plan.chargeAccount = e.GLAccount.str();
  } else if (detail == "Equipment" || detail == "Maintenance") {
    const bool charged = detail == "Equipment";
    const std::string owner = charged ? e.EquipmentIDCharged.str() : e.EquipmentID.str();
    if (charged && owner.empty())
      why.push_back("no equipment charged");
    else if (charged && !ledger.equipment(owner))
      why.push_back("equipment charged " + owner + " does not exist");
    else if (e.Category.empty())
      why.push_back("no cost category");
    else if (!owner.empty() && !(plan.category = ledger.cost(owner, e.Category.str())))
      why.push_back("equipment " + owner + " has no cost category " + e.Category.str());
    if (plan.category) {
      plan.chargeAccount = plan.category->rec.ControlDebit.str();
      if (plan.chargeAccount.empty())
        if (auto* code = ledger.code(e.Category.str()))
          plan.chargeAccount = code->rec.DefaultExpenseControl.str();
      if (plan.chargeAccount.empty())
        plan.chargeAccount = ledger.systems().DefaultExpenseAccount.str();
    }
  } else {
    why.push_back("detail type '" + detail + "' is not Job, G/L Account, Equipment or Maintenance");
  }

  // Without its job, cost code or category the account may be unknown: then it is not named.
  if (why.empty() || detail == "G/L Account" || !plan.chargeAccount.empty()) {
    std::string p = accountProblem(ledger, plan.chargeAccount, "account");
    if (!p.empty()) why.push_back(p);
  }
  // The income side is written only when there is a charge.
  if (eq && !e.AdjustedAmount.isZero() && (rental || e.ChargeType == "I")) {
    const data::EqHeader& h = eq->rec;
    plan.incomeAccount = (rental ? h.RentalIncomeControl : h.InternalIncomeControl).str();
    if (plan.incomeAccount.empty())
      plan.incomeAccount = (rental ? ledger.systems().DefaultRentalIncomeAccount
                                   : ledger.systems().DefaultInternalIncomeAccount)
                               .str();
    std::string p = accountProblem(ledger, plan.incomeAccount,
                                   rental ? "rental income account" : "internal income account");
    if (!p.empty()) why.push_back(p);
  }
  return why;
}

// Writes the posting once every entry passed its checks.
class Writer {
 public:
  Writer(frame::Context& ctx, Ledger& ledger) : ctx_(ctx), store_(ctx.store()), ledger_(ledger) {
    eqlogId_ = number(data::EqLog::def(), "RecordID", store_);
    glId_ = number(data::GlTrans::def(), "RecordID", store_);
    now_ = ctx.clock().now();
  }

  void post(const Plan& plan, PostingResult& result) {
    const data::EqLogB& e = plan.entry.rec;
    const bool charged = !e.AdjustedAmount.isZero();
    if (journal_ == 0 || (charged && line_ + 2 > kMaxJournalLines)) newJournal(result);

    data::EqLog l;
    l.RecordID = static_cast<std::int32_t>(eqlogId_++);
    l.EquipmentID = e.EquipmentID;
    l.Type = e.ChargeType;
    l.Date = e.Date;
    l.StartMeter = e.StartMeter;
    l.EndMeter = e.EndMeter;
    l.Units = e.Units;
    l.ChargeType = e.ChargeType;
    l.GrossAmount = e.GrossAmount;
    l.AdjustedAmount = e.AdjustedAmount;
    l.DetailType = e.DetailType;
    l.GLAccount = e.GLAccount;
    l.JobID = e.JobID;
    l.CostCode = e.CostCode;
    l.Category = e.Category;
    l.Comments = e.Comments;
    l.EmployeeID = e.EmployeeID;
    l.Location = e.Location;
    l.Posted = 1;
    l.JournalNumber = journal_;
    l.EquipmentIDCharged = e.EquipmentIDCharged;
    logs_.push_back(l);

    addUsage(plan);
    if (charged) writeLines(plan, result);
    if (logs_.size() >= kRowsAWrite) flush();
  }

  // Totals, category figures and prior-period records, each record written once.
  void finish() {
    flush();
    for (auto& [key, f] : priorYear_) {
      auto rows = readWhere<data::EqPrior>(store_, "KeyEquipmentYear",
                                           {key.first, std::int64_t{key.second}}, 1);
      data::EqPrior p;
      if (rows.empty()) {
        p.RecordID = static_cast<std::int32_t>(number(data::EqPrior::def(), "RecordID", store_));
        p.EquipmentID = key.first;
        p.Year = static_cast<std::int16_t>(key.second);
      } else {
        p = rows.front().rec;
      }
      addPrior(p, f);
      if (rows.empty())
        store_.insert(data::EqPrior::def(), rowOf(p));
      else
        store_.update(data::EqPrior::def(), rows.front().rowId, rowOf(p));
    }
    for (auto& [key, f] : priorPeriod_) {
      const auto& [id, year, period] = key;
      auto rows = readWhere<data::EqPriorM>(store_, "KeyEquipmentYearPeriod",
                                            {id, std::int64_t{year}, std::int64_t{period}}, 1);
      data::EqPriorM p;
      if (rows.empty()) {
        p.RecordID = static_cast<std::int32_t>(number(data::EqPriorM::def(), "RecordID", store_));
        p.EquipmentID = id;
        p.Year = static_cast<std::int16_t>(year);
        p.FiscalPeriod = static_cast<std::int16_t>(period);
      } else {
        p = rows.front().rec;
      }
      addPrior(p, f);
      if (rows.empty())
        store_.insert(data::EqPriorM::def(), rowOf(p));
      else
        store_.update(data::EqPriorM::def(), rows.front().rowId, rowOf(p));
    }
    for (auto& [key, f] : priorCategoryYear_) {
      const auto& [id, category, year] = key;
      addCategoryPrior(store_, id, category, year, 0, f.units, f.amount);
    }
    for (auto& [key, f] : priorCategoryPeriod_) {
      const auto& [id, category, year, period] = key;
      addCategoryPrior(store_, id, category, year, period, f.units, f.amount);
    }
    updateEquipment();
    updateCategories();
  }

 private:
  // New rows go to the store a few hundred at a time: one round trip each on a server.
  static constexpr std::size_t kRowsAWrite = 256;
  template <typename R>
  void write(std::vector<R>& rows) {
    std::vector<const void*> recs;
    recs.reserve(rows.size());
    for (const R& r : rows) recs.push_back(&r);
    store_.insertRecords(R::def(), recs);
    rows.clear();
  }
  void flush() {
    write(logs_);
    write(lines_);
  }

  // The year and month figures are those of the fiscal year and period of today as the
  // prior-period records hold them after this posting: a posting into a later period starts
  // the month afresh, into a later year the year too, and figures never run on across them.
  template <typename P>
  std::optional<P> priorOf(const char* key, std::vector<data::Value> k) {
    auto rows = readWhere<P>(store_, key, std::move(k), 1);
    if (rows.empty()) return std::nullopt;
    return rows.front().rec;
  }

  void updateEquipment() {
    const data::GlFiscal* cur = ledger_.current();
    for (auto& [id, t] : usage_) {
      Stored<data::EqHeader>* eq = ledger_.equipment(id);
      data::EqHeader& h = eq->rec;
      h.CumulativeUnits += t.all.units;
      h.CumulativeNonProductiveUnits += t.all.nonProductive;
      h.CumulativeInternalUnits += t.all.internalUnits;
      h.CumulativeInternalIncome += t.all.internalIncome;
      h.CumulativeRentalUnits += t.all.rentalUnits;
      h.CumulativeRentalIncome += t.all.rentalIncome;
      if (cur) {
        const std::int64_t year = cur->FiscalYear;
        UsageFigures y = figuresOf(priorOf<data::EqPrior>("KeyEquipmentYear", {id, year}));
        UsageFigures m = figuresOf(priorOf<data::EqPriorM>(
            "KeyEquipmentYearPeriod", {id, year, std::int64_t{cur->FiscalPeriod}}));
        h.YearUnits = y.units;
        h.YearNonProductiveUnits = y.nonProductive;
        h.YearInternalUnits = y.internalUnits;
        h.YearInternalIncome = y.internalIncome;
        h.YearRentalUnits = y.rentalUnits;
        h.YearRentalIncome = y.rentalIncome;
        h.MonthUnits = m.units;
        h.MonthNonProductiveUnits = m.nonProductive;
        h.MonthInternalUnits = m.internalUnits;
        h.MonthInternalIncome = m.internalIncome;
        h.MonthRentalUnits = m.rentalUnits;
        h.MonthRentalIncome = m.rentalIncome;
        if (cur->FiscalPeriod <= 255)
          h.LastPostingFiscalPeriod = static_cast<std::uint8_t>(cur->FiscalPeriod);
      }
      h.InternalThisPosting = t.all.internalIncome;
      h.InternalUnitsThisPosting = t.all.internalUnits;
      h.RentalThisPosting = t.all.rentalIncome;
      h.RentalUnitsThisPosting = t.all.rentalUnits;
      if (t.endMeter > h.CurrentMeter) h.CurrentMeter = t.endMeter;
      store_.update(data::EqHeader::def(), eq->rowId, rowOf(h));
    }
  }

  void updateCategories() {
    const data::GlFiscal* cur = ledger_.current();
    for (auto& [code, t] : categories_) {
      Stored<data::EqCost>* k = ledger_.cost(code.first, code.second);
      k->rec.CumulativeUnitUsed += t.units;
      k->rec.CumulativeAmount += t.amount;
      if (cur) {
        const std::int64_t year = cur->FiscalYear;
        auto y =
            priorOf<data::EqPriorC>("KeyEquipmentCategoryYear", {code.first, code.second, year});
        auto m = priorOf<data::EqPriorCM>(
            "KeyEquipmentCategoryYearPeriod",
            {code.first, code.second, year, std::int64_t{cur->FiscalPeriod}});
        k->rec.YearUnitsUsed = y ? y->Units : Decimal();
        k->rec.YearAmount = y ? y->Amount : Decimal();
        k->rec.MonthUnitsUsed = m ? m->Units : Decimal();
        k->rec.MonthAmount = m ? m->Amount : Decimal();
      }
      store_.update(data::EqCost::def(), k->rowId, rowOf(k->rec));
    }
  }

  template <typename P>
  static UsageFigures figuresOf(const std::optional<P>& p) {
    UsageFigures f;
    if (!p) return f;
    f.internalUnits = p->InternalUnits;
    f.internalIncome = p->InternalIncome;
    f.rentalUnits = p->RentalUnits;
    f.rentalIncome = p->RentalIncome;
    f.nonProductive = p->NonProductiveUnits;
    f.units = f.internalUnits + f.rentalUnits + f.nonProductive;
    return f;
  }

  struct Totals {
    UsageFigures all;
    Decimal endMeter;
  };

  template <typename P>
  static void addPrior(P& p, const UsageFigures& f) {
    p.InternalUnits += f.internalUnits;
    p.InternalIncome += f.internalIncome;
    p.RentalUnits += f.rentalUnits;
    p.RentalIncome += f.rentalIncome;
    p.NonProductiveUnits += f.nonProductive;
  }

  void newJournal(PostingResult& result) {
    journal_ = static_cast<std::int32_t>(number(data::EqLog::def(), "JournalNumber", store_));
    group_ = static_cast<std::int32_t>(number(data::GlTrans::def(), "GroupID", store_));
    line_ = 0;
    result.journals.push_back(journal_);
  }

  void addUsage(const Plan& plan) {
    const data::EqLogB& e = plan.entry.rec;
    UsageFigures f;
    f.units = e.Units;
    const bool rental = e.ChargeType == "R";
    if (e.DetailType == "Maintenance")
      f.nonProductive = e.Units;
    else if (rental)
      f.rentalUnits = e.Units;
    else
      f.internalUnits = e.Units;
    (rental ? f.rentalIncome : f.internalIncome) = e.AdjustedAmount;
    Totals& t = usage_[e.EquipmentID.str()];
    t.all.add(f);
    if (e.EndMeter > t.endMeter) t.endMeter = e.EndMeter;
    const int year = plan.period->FiscalYear;
    priorYear_[{e.EquipmentID.str(), year}].add(f);
    priorPeriod_[{e.EquipmentID.str(), year, plan.period->FiscalPeriod}].add(f);
  }

  data::GlTrans line(const Plan& plan, const std::string& account, bool debit, Decimal quantity,
                     const std::string& description) {
    const data::EqLogB& e = plan.entry.rec;
    data::GlTrans t;
    t.RecordID = static_cast<std::int32_t>(glId_++);
    t.GroupID = group_;
    t.AccountNumber = account;
    t.FiscalPeriod = plan.period->FiscalPeriod;
    t.FiscalPeriodLabel = plan.period->Label;
    t.JournalID = kUsageJournal;
    t.JournalNo = journal_;
    t.LineNo = static_cast<std::int16_t>(++line_);
    t.TransDate = e.Date;
    t.Posted = 1;
    t.PostingDate = ctx_.today();
    t.PostingTime = now_;
    t.EquipmentID = e.EquipmentID;
    t.SubsidiaryQuantity = debit ? quantity : -quantity;
    t.Description = description;
    t.CreditDebit = debit ? "D" : "C";
    t.Amount = e.AdjustedAmount.isNegative() ? -e.AdjustedAmount : e.AdjustedAmount;
    t.EmployeeID = e.EmployeeID;
    t.UserID = ctx_.userId();
    return t;
  }

  void writeLines(const Plan& plan, PostingResult& result) {
    const data::EqLogB& e = plan.entry.rec;
    const data::EqHeader& h = ledger_.equipment(e.EquipmentID.str())->rec;
    const bool rental = e.ChargeType == "R";
    const std::string unit = (rental ? h.BillingUnit : h.UsageUnit).str();
    // A charge below zero reverses: the income is debited, the charged account credited.
    const bool normal = !e.AdjustedAmount.isNegative();
    std::string text = e.Comments.str();
    if (text.empty())
      text = e.EquipmentID.str() + " " + e.Units.toPlainString() + " " + unit + " @ " +
             (rental ? h.RentalBillingRate : h.InternalBillingRate).toString();
    const std::string detail = e.DetailType.str();

    data::GlTrans charge = line(plan, plan.chargeAccount, normal, e.Units, text);
    if (plan.category) {
      const data::EqCost& k = plan.category->rec;
      charge.DetailType = "Equipment";
      charge.SubsidiaryID = "E";
      charge.SubsidiaryCode = k.EquipmentID.padded() + k.CostCategory.str();
      charge.EquipmentID = k.EquipmentID;
      charge.CostCategory = k.CostCategory;
      charge.SubsidiaryUnit = k.UnitName.str();
      addCategory(plan, k, charge);
    } else {
      charge.DetailType = detail;
      charge.SubsidiaryUnit = unit;
      if (detail == "Job") {
        charge.SubsidiaryID = "J";
        charge.SubsidiaryCode = e.JobID.padded() + e.CostCode.str();
        charge.JobID = e.JobID;
        charge.CodeTypeGroup = e.CostCode;
        if (plan.costCode) {
          charge.CostCode = plan.costCode->CostCode;
          charge.CostType = plan.costCode->CostType;
        }
      }
    }
    lines_.push_back(charge);

    data::GlTrans income = line(plan, plan.incomeAccount, !normal, -e.Units, text);
    const char* code = rental ? ".R" : ".I";
    income.DetailType = "Equipment";
    income.SubsidiaryID = "E";
    income.SubsidiaryCode = e.EquipmentID.padded() + code;
    income.CostCategory = code;
    income.SubsidiaryUnit = unit;
    lines_.push_back(income);
    result.ledgerLines += 2;
    result.debits += charge.Amount;
    result.credits += income.Amount;
  }

  // A category line's signed figures (debit adds, credit takes away), as the totals sum them.
  void addCategory(const Plan& plan, const data::EqCost& k, const data::GlTrans& t) {
    const bool debit = t.CreditDebit == "D";
    CategoryFigures f{debit ? t.SubsidiaryQuantity : -t.SubsidiaryQuantity,
                      debit ? t.Amount : -t.Amount};
    auto add = [&f](CategoryFigures& to) {
      to.units += f.units;
      to.amount += f.amount;
    };
    add(categories_[{k.EquipmentID.str(), k.CostCategory.str()}]);
    const int year = plan.period->FiscalYear;
    add(priorCategoryYear_[{k.EquipmentID.str(), k.CostCategory.str(), year}]);
    add(priorCategoryPeriod_[{k.EquipmentID.str(), k.CostCategory.str(), year,
                              plan.period->FiscalPeriod}]);
  }

  frame::Context& ctx_;
  data::Store& store_;
  Ledger& ledger_;
  std::int64_t eqlogId_ = 0, glId_ = 0;
  Time now_;
  std::int32_t journal_ = 0, group_ = 0;
  int line_ = 0;
  std::vector<data::EqLog> logs_;
  std::vector<data::GlTrans> lines_;
  std::map<std::string, Totals> usage_;
  std::map<std::pair<std::string, std::string>, CategoryFigures> categories_;
  std::map<std::pair<std::string, int>, UsageFigures> priorYear_;
  std::map<std::tuple<std::string, int, int>, UsageFigures> priorPeriod_;
  std::map<std::tuple<std::string, std::string, int>, CategoryFigures> priorCategoryYear_;
  std::map<std::tuple<std::string, std::string, int, int>, CategoryFigures> priorCategoryPeriod_;
};

}  // namespace

namespace {
template <typename P>
void addPrior(data::Store& store, const char* key, std::vector<data::Value> k,
              const std::function<void(P&)>& make, Decimal units, Decimal amount) {
  auto rows = readWhere<P>(store, key, k, 1);
  P p;
  if (rows.empty()) {
    p.RecordID = static_cast<std::int32_t>(number(P::def(), "RecordID", store));
    make(p);
  } else {
    p = rows.front().rec;
  }
  p.Units += units;
  p.Amount += amount;
  if (rows.empty())
    store.insert(P::def(), rowOf(p));
  else
    store.update(P::def(), rows.front().rowId, rowOf(p));
}
}  // namespace

void addCategoryPrior(data::Store& store, const std::string& equipmentId,
                      const std::string& category, int year, int period, Decimal units,
                      Decimal amount) {
  if (period == 0) {
    addPrior<data::EqPriorC>(
        store, "KeyEquipmentCategoryYear", {equipmentId, category, std::int64_t{year}},
        [&](data::EqPriorC& p) {
          p.EquipmentID = equipmentId;
          p.CostCategory = category;
          p.Year = static_cast<std::int16_t>(year);
        },
        units, amount);
    return;
  }
  addPrior<data::EqPriorCM>(
      store, "KeyEquipmentCategoryYearPeriod",
      {equipmentId, category, std::int64_t{year}, std::int64_t{period}},
      [&](data::EqPriorCM& p) {
        p.EquipmentID = equipmentId;
        p.CostCategory = category;
        p.Year = static_cast<std::int16_t>(year);
        p.FiscalPeriod = static_cast<std::int16_t>(period);
      },
      units, amount);
}

const data::GlFiscal* fiscalPeriodOf(const std::vector<data::GlFiscal>& periods, Date d) {
  if (d.isEmpty()) return nullptr;
  auto it = std::lower_bound(periods.begin(), periods.end(), d,
                             [](const data::GlFiscal& p, Date x) { return p.PeriodDate < x; });
  if (it == periods.end()) return nullptr;
  if (it == periods.begin() &&
      (it->PeriodDate.year() != d.year() || it->PeriodDate.month() != d.month()))
    return nullptr;
  return &*it;
}

std::vector<data::GlFiscal> fiscalPeriods(data::Store& store) {
  std::vector<data::GlFiscal> periods;
  data::ScanSpec s;
  s.key = data::GlFiscal::def().key("KeyFiscalPeriodUp");
  for (auto& row : store.scan(data::GlFiscal::def(), s))
    periods.push_back(recordOf<data::GlFiscal>(row.values));
  std::sort(periods.begin(), periods.end(), [](const auto& a, const auto& b) {
    return std::tie(a.PeriodDate, a.FiscalPeriod) < std::tie(b.PeriodDate, b.FiscalPeriod);
  });
  return periods;
}

std::string EntryFailure::line() const {
  std::string s = "Batch " + sixDigits(batchId);
  if (logId != 0)
    s += ", entry " + std::to_string(logId) + " (" + equipmentId + ", " + shortDate(date) + ")";
  s += ": ";
  for (std::size_t i = 0; i < reasons.size(); ++i) s += (i ? "; " : "") + reasons[i];
  return s;
}

namespace {
std::string money(Decimal d) {
  return trimLeft(formatPicture("@n-21.2", d));
}
std::string counted(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}
}  // namespace

std::string PostingResult::summary() const {
  std::string list;
  for (auto j : journals) list += (list.empty() ? "" : ", ") + std::to_string(j);
  return "Posted " + counted(entries, "entry", "entries") + " in journal " + kUsageJournal + " " +
         list + ": " + counted(ledgerLines, "ledger line", "ledger lines") + ", debits " +
         money(debits) + " = credits " + money(credits) + ", total charge " + money(amount);
}

std::string PostingPreview::question() const {
  std::string ids;
  for (const auto& b : batches) ids += (ids.empty() ? "" : ", ") + sixDigits(b.batchId);
  std::string q = "Post " + counted(static_cast<int>(batches.size()), "batch", "batches") + " (" +
                  ids + "): " + counted(entries, "entry", "entries") + ", total charge " +
                  money(amount) + "?";
  if (!negativeUnits.empty()) {
    q += "||" + counted(static_cast<int>(negativeUnits.size()), "entry has", "entries have") +
         " units below zero:";
    constexpr std::size_t kShown = 10;
    for (std::size_t i = 0; i < negativeUnits.size() && i < kShown; ++i)
      q += "|" + negativeUnits[i];
    if (negativeUnits.size() > kShown)
      q += "|and " + std::to_string(negativeUnits.size() - kShown) + " more";
  }
  return q;
}

PostingPreview previewPosting(frame::Context& ctx, const std::vector<std::uint16_t>& batchIds) {
  PostingPreview p;
  std::vector<std::uint16_t> seen;
  for (std::uint16_t id : batchIds) {
    if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
    seen.push_back(id);
    BatchPosted b;
    b.batchId = id;
    for (const auto& e : readWhere<data::EqLogB>(ctx.store(), "KeyBatchID", {std::int64_t{id}})) {
      ++b.entries;
      b.amount += e.rec.AdjustedAmount;
      if (e.rec.Units.isNegative())
        p.negativeUnits.push_back(
            EntryFailure{id,
                         e.rec.LogID,
                         e.rec.EquipmentID.str(),
                         e.rec.Date,
                         {money(e.rec.Units) + " units, " + money(e.rec.AdjustedAmount)}}
                .line());
    }
    p.entries += b.entries;
    p.amount += b.amount;
    p.batches.push_back(b);
  }
  return p;
}

std::vector<std::string> PostingResult::failureLines() const {
  std::vector<std::string> lines;
  for (const auto& f : failures) lines.push_back(f.line());
  if (lines.empty() && !message.empty()) lines.push_back(message);
  return lines;
}

namespace {

// A batch's entries one at a time through one buffer, so a posting's memory does not grow
// with the number of entries.
template <typename Fn>
void forEachEntry(data::Store& store, std::uint16_t batchId, Fn fn) {
  struct Sink final : data::RowSink {
    explicit Sink(Fn& f) : fn(f) {}
    void* buffer() override { return &entry.rec; }
    bool take(std::int64_t rowId) override {
      entry.rowId = rowId;
      fn(std::as_const(entry));
      return true;
    }
    Stored<data::EqLogB> entry;
    Fn& fn;
  } sink(fn);
  data::ScanSpec s;
  s.key = data::EqLogB::def().key("KeyBatchID");
  s.equal = {std::int64_t{batchId}};
  store.read(data::EqLogB::def(), s, nullptr, sink);
}

}  // namespace

PostingResult postBatches(frame::Context& ctx, const std::vector<std::uint16_t>& batchIds) {
  PostingResult result;
  data::Store& store = ctx.store();
  data::Transaction tx(store);
  if (!tx.begun()) {
    result.message = data::refusedText(store);
    return result;
  }
  try {
    Ledger ledger(ctx);
    std::vector<Stored<data::EqBatch>> batches;
    std::vector<std::uint16_t> seen;
    int entries = 0;
    // Every entry is checked before anything is written, so that all failures are listed;
    // only the failures are kept, the entries are read again to be written.
    for (std::uint16_t id : batchIds) {
      if (std::find(seen.begin(), seen.end(), id) != seen.end()) continue;
      seen.push_back(id);
      auto b = readWhere<data::EqBatch>(store, "KeyBatchID", {std::int64_t{id}}, 1);
      if (b.empty()) {
        result.failures.push_back({id, 0, {}, {}, {"the batch does not exist"}});
        continue;
      }
      const data::EqBatch& batch = b.front().rec;
      if (!batch.InUse.empty() && batch.InUse.str() != ctx.userId() &&
          signedOn(ctx, batch.InUse.str()))
        result.failures.push_back({id, 0, {}, {}, {"in use by user " + batch.InUse.str()}});
      // Posted again and again under the same dates otherwise.
      if (batch.Repeating && !repeatsWithInterval(batch))
        result.failures.push_back({id, 0, {}, {}, {"the batch is repeating but has no interval"}});
      batches.push_back(b.front());
      BatchPosted posted;
      posted.batchId = id;
      posted.repeating = repeatsWithInterval(batch);
      forEachEntry(store, id, [&](const Stored<data::EqLogB>& e) {
        Plan plan{e};
        std::vector<std::string> why = check(ledger, plan);
        if (!why.empty())
          result.failures.push_back(
              {id, e.rec.LogID, e.rec.EquipmentID.str(), e.rec.Date, std::move(why)});
        ++posted.entries;
        posted.amount += e.rec.AdjustedAmount;
      });
      entries += posted.entries;
      result.batches.push_back(posted);
    }
    if (result.failures.empty() && entries == 0)
      result.message = "There is nothing to post in the tagged batches.";
    if (!result.failures.empty() || entries == 0) {
      tx.rollback();
      result.batches.clear();
      return result;
    }

    Writer writer(ctx, ledger);
    for (const auto& b : batches)
      forEachEntry(store, b.rec.BatchID, [&](const Stored<data::EqLogB>& e) {
        Plan plan{e};
        check(ledger, plan);  // passed above; resolves the accounts again from the cache
        writer.post(plan, result);
        ++result.entries;
        result.amount += e.rec.AdjustedAmount;
      });
    writer.finish();

    // A plain batch's entries go; a repeating batch's stay, moved on to their next dates.
    for (const auto& b : batches)
      if (!b.rec.Repeating) {
        data::ScanSpec s;
        s.key = data::EqLogB::def().key("KeyBatchID");
        s.equal = {std::int64_t{b.rec.BatchID}};
        store.removeRange(data::EqLogB::def(), s);
      }
    for (auto& b : batches) {
      if (repeatsWithInterval(b.rec)) {
        for (auto& e :
             readWhere<data::EqLogB>(store, "KeyBatchID", {std::int64_t{b.rec.BatchID}})) {
          e.rec.Date = nextRepeatDate(e.rec.Date, b.rec);
          store.update(data::EqLogB::def(), e.rowId, rowOf(e.rec));
        }
      }

      b.rec.DateLastPosting = ctx.today();
      b.rec.InUse = "";
      store.update(data::EqBatch::def(), b.rowId, rowOf(b.rec));
    }
    tx.commit();
  } catch (const data::StoreError& e) {
    tx.rollback();
    PostingResult failed;
    failed.message = std::string("Nothing was posted: ") + e.what();
    return failed;
  } catch (const DecimalOverflow& e) {
    tx.rollback();
    PostingResult failed;
    failed.message =
        std::string("Nothing was posted: a total would exceed 15 digits (") + e.what() + ")";
    return failed;
  }
  result.posted = true;
  return result;
}

void POSTINGCONTROL(frame::Context& ctx) {
  if (ctx.g.POSTTYPE != kPostUsageLogs) return;
  PostingResult r = postBatches(ctx, ctx.g.TAGQUE);
  ctx.g.RXQUEUE.clear();
  if (r.posted) {
    ctx.g.POSTTYPE = kPostingDone;
    return;
  }
  ctx.g.RXQUEUE = r.failureLines();
  std::string text = "Nothing was posted.";
  for (const auto& l : ctx.g.RXQUEUE) text += "|" + l;
  ctx.errors().report(data::kNoError, text);
}

void registerPostingControl(frame::ProcedureRegistry& registry) {
  registry.add(kPOSTINGCONTROL, [](frame::Context& ctx) { POSTINGCONTROL(ctx); });
}

}  // namespace koreq::usagelog
