#include "demo/demo_company.h"

#include <algorithm>
#include <chrono>
#include <functional>
#include <iomanip>
#include <map>
#include <sstream>

#include "data/store.h"
#include "demo/demo_internal.h"
#include "depreciation/store_schedule.h"

namespace koreq::demo {

namespace {

using detail::Company;

std::string keyText(const data::FileDef& def, const void* rec) {
  std::string s;
  for (int i : def.primaryKey().fields) {
    if (!s.empty()) s += " ";
    s += data::valueToText(def.fields[static_cast<std::size_t>(i)].get(rec));
  }
  return s;
}

// Inserts the records; an auto-numbered field left at 0 gets the file's next number, one set
// in memory (because other records refer to it) is kept.
template <typename R>
std::size_t writeAll(frame::Context& ctx, const std::vector<R>& records) {
  data::Access<R>& a = ctx.access<R>();
  const data::FileDef& def = R::def();
  for (const R& r : records) {
    std::int64_t number = 0;
    if (def.autoField >= 0) {
      const data::FieldDef& f = def.fields[static_cast<std::size_t>(def.autoField)];
      number = std::get<std::int64_t>(f.get(&r));
      if (number == 0) {
        if (a.prime() != data::kNoError)
          throw std::runtime_error("demo company: numbering a new " + def.label +
                                   " record failed: " + a.lastErrorText());
        number = std::get<std::int64_t>(a.get(f.name));
      }
    }
    a.clear();
    a.rec() = r;
    if (def.autoField >= 0) {
      std::string why;
      if (!a.put(def.fields[static_cast<std::size_t>(def.autoField)].name, data::Value(number),
                 &why))
        throw std::runtime_error("demo company: numbering " + def.label + " failed: " + why);
    }
    if (a.tryInsert() != data::kNoError)
      throw std::runtime_error("demo company: inserting " + def.label + " " +
                               keyText(def, &a.rec()) + " failed: " + a.lastErrorText());
  }
  return records.size();
}

// One file of the demo: what is written and how the log describes it.
struct Step {
  const data::FileDef* def;
  std::function<std::size_t(frame::Context&)> write;
  std::string what;
};

template <typename R>
Step step(const std::vector<R>& records, std::string what) {
  return {&R::def(), [&records](frame::Context& ctx) { return writeAll(ctx, records); },
          std::move(what)};
}

// Each asset's depreciation schedule, calculated as its Calculate Schedule button does, with
// the amounts the ledger holds on the months already posted. Answers the log line.
std::string writeSchedules(const Company& c, frame::Context& ctx) {
  data::Access<data::GlDepr> gldepr(ctx.store(), ctx.errors());
  int rows = 0, actual = 0;
  for (const data::EqHeader& h : c.equipment) {
    if (h.PurchaseValue == Decimal() || h.DepreciationYears <= 0) continue;
    depreciation::StoreOutcome out = depreciation::calculateSchedule(gldepr, h);
    if (!out.stored())
      throw std::runtime_error("demo company: the depreciation schedule of " + h.EquipmentID.str() +
                               " could not be stored");
    rows += out.written();
    // As a posting leaves them: the month's period label and the ledger line of its charge.
    std::map<Date, std::pair<std::string, std::int32_t>> charged;
    for (const data::GlTrans& t : c.ledger)
      if (t.EquipmentID == h.EquipmentID && t.CostCategory == "DEPREC" && t.CreditDebit == "D")
        charged[detail::firstOfMonth(t.TransDate)] = {t.FiscalPeriodLabel.str(), t.RecordID};
    gldepr.setRange(*data::GlDepr::def().key("KeyEquipmentID"), {data::Value(h.EquipmentID.str())});
    std::vector<std::pair<std::int64_t, Decimal>> posted;
    while (gldepr.next() == data::kNoError)
      if (std::optional<Decimal> amount = detail::postedDepreciation(c, h, gldepr.rec().Date))
        posted.emplace_back(gldepr.rec().RecordID, *amount);
    for (const auto& [id, amount] : posted) {
      bool ok = gldepr.fetch("KeyRecordID", {data::Value(id)}) == data::kNoError;
      const auto line = charged.find(detail::firstOfMonth(gldepr.rec().Date));
      ok = ok && line != charged.end();
      if (ok) {
        gldepr.rec().ActualAmount = amount;
        gldepr.rec().FPPostedLabel = line->second.first;
        gldepr.rec().GLTransID = line->second.second;
      }
      if (!ok || gldepr.update() != data::kNoError)
        throw std::runtime_error("demo company: the posted depreciation of " + h.EquipmentID.str() +
                                 " could not be stored");
      ++actual;
    }
  }
  std::ostringstream line;
  line << std::left << std::setw(10) << data::GlDepr::def().name << std::right << std::setw(6)
       << rows << "  depreciation schedule months, " << actual << " with their posted amount";
  return line.str();
}

}  // namespace

void makeDemoCompany(frame::Session& session, std::ostream& log) {
  Company c;
  detail::buildCatalog(c, session.clock().today());
  detail::buildHistory(c);

  using namespace data;
  const auto inactive = std::count_if(c.equipment.begin(), c.equipment.end(),
                                      [](const EqHeader& h) { return h.Active == 0; });
  const std::vector<Systems> systems{c.systems};
  const std::vector<Control> control{c.control};
  // Posting refuses closed and locked periods: they are closed once the history is posted.
  std::vector<GlFiscal> open = c.fiscal;
  for (auto& f : open) f.Status = "";
  const std::vector<Step> catalog = {
      step(c.accounts, "accounts in the chart of accounts"),
      step(open, "fiscal periods of " + std::to_string(c.olderYear) + " (locked) and " +
                     std::to_string(c.currentYear) + "; current period " +
                     std::to_string(c.currentPeriod)),
      step(systems, "company record: " + c.systems.CompanyName.str()),
      step(control, "control record with the system password"),
      step(c.users, "users: ADM (all rights), EQV, NOP"),
      step(c.certifications, "certified-payroll classes"),
      step(c.employees, "employees"),
      step(c.jobs, "jobs"),
      step(c.costCodes, "job cost codes"),
      step(c.vendors, "vendors"),
      step(c.codes, "cost categories"),
      step(c.equipment, "pieces of equipment, " + std::to_string(inactive) + " inactive"),
      step(c.costs, "cost categories of the equipment"),
  };
  // Written by the replay of the history and the depreciation schedules: counted afterwards.
  const std::vector<std::pair<const FileDef*, std::string>> history = {
      {&EqLog::def(),
       "posted usage-log entries from " + c.historyStart.toIso() + " to " + c.lastPosted.toIso()},
      {&ApInv::def(), "vendor invoices"},
      {&GlTrans::def(), "ledger transactions"},
      {&EqPrior::def(), "equipment totals by year"},
      {&EqPriorM::def(), "equipment totals by fiscal period"},
      {&EqPriorC::def(), "category totals by year"},
      {&EqPriorCM::def(), "category totals by fiscal period"},
      {&EqBatch::def(), "unposted batches (one repeating, one secured)"},
      {&EqLogB::def(), "unposted usage-log entries"},
  };
  std::vector<const FileDef*> files;
  for (const Step& st : catalog) files.push_back(st.def);
  for (const auto& [def, what] : history) files.push_back(def);
  for (const FileDef* def : {&Notes::def(), &DropList::def(), &UserDef::def(), &EqLimits::def(),
                             &MemLimit::def(), &LimList::def(), &GlDepr::def()})
    files.push_back(def);

  frame::Context ctx(session);
  // The demo goes only into a company without these records: it would not agree with them.
  for (const FileDef* def : files)
    if (ctx.file(*def).records() != 0)
      throw std::runtime_error("demo company: the company already holds " + def->label +
                               " records; the demo company needs an empty company");

  data::Transaction tx(session.store());
  if (!tx.begun())
    throw std::runtime_error(
        "demo company: the company database is busy; no transaction could begin");
  std::vector<std::string> lines;
  auto logLine = [&lines](const FileDef& def, std::size_t count, const std::string& what) {
    std::ostringstream line;
    line << std::left << std::setw(10) << def.name << std::right << std::setw(6) << count << "  "
         << what;
    lines.push_back(line.str());
  };
  try {
    for (const Step& st : catalog) logLine(*st.def, st.write(ctx), st.what);
    detail::replayHistory(c, ctx);
    writeAll(ctx, c.invoices);

    // The extras start from the equipment as posting left it (its meters).
    for (EqHeader& h : c.equipment) {
      auto& eq = ctx.access<EqHeader>();
      if (eq.fetch("KeyEquipmentID", {data::Value(h.EquipmentID.str())}) != data::kNoError)
        throw std::runtime_error("demo company: reading " + h.EquipmentID.str() +
                                 " back failed: " + eq.lastErrorText());
      h = eq.rec();
    }
    detail::buildExtras(c);
    writeAll(ctx, c.batches);
    writeAll(ctx, c.batchEntries);
    for (const auto& [def, what] : history)
      logLine(*def, static_cast<std::size_t>(ctx.file(*def).records()), what);
    logLine(Notes::def(), writeAll(ctx, c.notes), "notes");
    logLine(DropList::def(), writeAll(ctx, c.dropLists),
            "drop-list values (class and licence codes)");
    logLine(UserDef::def(), writeAll(ctx, c.userDefs), "user-defined prompts of the equipment");
    logLine(EqLimits::def(), writeAll(ctx, c.formats), "saved report formats");
    logLine(MemLimit::def(), writeAll(ctx, c.favourites), "favourite report");
    logLine(LimList::def(), writeAll(ctx, c.limitLists), "user-defined-field limit");
    lines.push_back(writeSchedules(c, ctx));
  } catch (const StoreError& e) {
    throw std::runtime_error(std::string("demo company: saving failed: ") + e.what());
  }
  try {
    tx.commit();
  } catch (const std::exception& e) {
    throw std::runtime_error(std::string("demo company: saving failed: ") + e.what());
  }

  log << "Demo company \"" << c.systems.CompanyName.str() << "\" as of " << c.today.toIso()
      << ":\n";
  for (const auto& line : lines) log << "  " << line << "\n";
}

}  // namespace koreq::demo
