// The demo company's history written as the program would have written it: day after day the
// other modules' journals, and each week's usage entered into a batch through the entry rules
// and posted by the posting service, with the session's today on the posting day.

#include <algorithm>
#include <set>
#include <tuple>

#include "data/store.h"
#include "demo/demo_internal.h"
#include "usagelog/engine/entry_rules.h"
#include "usagelog/engine/posting.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::demo::detail {

namespace {

using usagelog::detail::readWhere;
using usagelog::detail::rowOf;

// The clerk's batch of the week; emptied by every posting and removed at the end.
constexpr std::uint16_t kWeekBatch = 900;

std::int64_t nextNumber(data::Store& store, const data::FileDef& def, const char* field) {
  return store.nextNumber(def, def.fieldIndex(field));
}

// The session's clock and user while the history is replayed; both are put back however the
// replay ends.
class ReplaySession {
 public:
  explicit ReplaySession(frame::Session& s)
      : session_(s), clock_(Date()), previousClock_(s.setClock(clock_)), user_(s.g.USERID.str()) {
    // The demo's bookkeeper posted everything.
    session_.g.USERID = "ADM";
  }
  ~ReplaySession() {
    session_.setClock(previousClock_);
    session_.g.USERID = user_;
  }
  ReplaySession(const ReplaySession&) = delete;
  ReplaySession& operator=(const ReplaySession&) = delete;
  void setToday(Date d) { clock_.set(d, Time::fromHms(16, 30)); }

 private:
  frame::Session& session_;
  FixedClock clock_;
  const Clock& previousClock_;
  std::string user_;
};

struct Figures {
  Decimal units, amount;
};

// The category figures of the other modules' lines, added to the categories and their
// prior-period records as those modules' postings add them.
class CategoryTotals {
 public:
  explicit CategoryTotals(const Company& c) : c_(c) {}

  void add(const data::GlTrans& t) {
    if (t.SubsidiaryID != "E" || t.CostCategory.empty() || t.CostCategory.str()[0] == '.') return;
    const bool debit = t.CreditDebit == "D";
    const Figures f{debit ? t.SubsidiaryQuantity : -t.SubsidiaryQuantity,
                    debit ? t.Amount : -t.Amount};
    const std::string eq = t.EquipmentID.str(), cat = t.CostCategory.str();
    const int year = c_.periods[static_cast<std::size_t>(t.FiscalPeriod - 1)].year;
    add(all_[{eq, cat}], f);
    add(year_[{eq, cat, year}], f);
    add(period_[{eq, cat, year, t.FiscalPeriod}], f);
    posted(eq, cat, t.PostingDate);
  }
  // A category the posting service wrote a line to on `day`.
  void posted(const std::string& eq, const std::string& cat, Date day) {
    Date& d = newest_[{eq, cat}];
    d = std::max(d, day);
  }

  void write(data::Store& store) {
    for (const auto& [key, f] : all_) {
      auto k = readWhere<data::EqCost>(store, "KeyEquipmentCategory", {key.first, key.second}, 1);
      if (k.empty())
        throw std::logic_error("demo company: " + key.first + " has no category " + key.second);
      k.front().rec.CumulativeUnitUsed += f.units;
      k.front().rec.CumulativeAmount += f.amount;
      store.update(data::EqCost::def(), k.front().rowId, rowOf(k.front().rec));
    }
    for (const auto& [key, f] : year_) {
      const auto& [eq, cat, year] = key;
      usagelog::addCategoryPrior(store, eq, cat, year, 0, f.units, f.amount);
    }
    for (const auto& [key, f] : period_) {
      const auto& [eq, cat, year, period] = key;
      usagelog::addCategoryPrior(store, eq, cat, year, period, f.units, f.amount);
    }
    // Year and month: those of the fiscal year and period of the category's newest posting.
    for (auto& k : readWhere<data::EqCost>(store, "KeyEquipmentCategory", {})) {
      const auto newest = newest_.find({k.rec.EquipmentID.str(), k.rec.CostCategory.str()});
      if (newest == newest_.end()) continue;
      const Period* p = c_.periodOf(newest->second);
      if (!p) continue;
      const std::vector<data::Value> key{k.rec.EquipmentID.str(), k.rec.CostCategory.str(),
                                         std::int64_t{p->year}};
      auto y = readWhere<data::EqPriorC>(store, "KeyEquipmentCategoryYear", key, 1);
      std::vector<data::Value> periodKey = key;
      periodKey.emplace_back(std::int64_t{p->number});
      auto m = readWhere<data::EqPriorCM>(store, "KeyEquipmentCategoryYearPeriod", periodKey, 1);
      k.rec.YearUnitsUsed = y.empty() ? Decimal() : y.front().rec.Units;
      k.rec.YearAmount = y.empty() ? Decimal() : y.front().rec.Amount;
      k.rec.MonthUnitsUsed = m.empty() ? Decimal() : m.front().rec.Units;
      k.rec.MonthAmount = m.empty() ? Decimal() : m.front().rec.Amount;
      store.update(data::EqCost::def(), k.rowId, rowOf(k.rec));
    }
  }

 private:
  static void add(Figures& to, const Figures& f) {
    to.units += f.units;
    to.amount += f.amount;
  }

  const Company& c_;
  std::map<std::pair<std::string, std::string>, Figures> all_;
  std::map<std::tuple<std::string, std::string, int>, Figures> year_;
  std::map<std::tuple<std::string, std::string, int, int>, Figures> period_;
  std::map<std::pair<std::string, std::string>, Date> newest_;
};

// The journals dated up to `day` not yet written, each under the ledger's next group.
void writeJournals(Company& c, data::Store& store, std::size_t& next, Date day,
                   CategoryTotals& totals) {
  if (next >= c.journals.size() || c.journals[next].date > day) return;
  std::int64_t record = nextNumber(store, data::GlTrans::def(), "RecordID");
  std::int64_t group = nextNumber(store, data::GlTrans::def(), "GroupID");
  for (; next < c.journals.size() && c.journals[next].date <= day; ++next, ++group) {
    for (data::GlTrans t : c.journals[next].lines) {
      t.RecordID = static_cast<std::int32_t>(record++);
      t.GroupID = static_cast<std::int32_t>(group);
      store.insert(data::GlTrans::def(), rowOf(t));
      totals.add(t);
      c.ledger.push_back(std::move(t));
    }
  }
}

// What the clerk's entry form knows: each equipment as read when first used (its rates and
// posted meter) and the meter list it keeps while it stays loaded.
struct EntryForm {
  std::map<std::string, data::EqHeader> equipment;
  usagelog::MeterList meters;
  std::int32_t logId = 0;
};

// The week's entries typed into the batch: the start meter carried from the posted meter or
// the last entry of the equipment, the end meter from the units, the charge by charge type
// with its discount, the cost code completed with its type.
void enterWeek(Company& c, data::Store& store, std::size_t from, std::size_t to, EntryForm& form) {
  auto& posted = form.equipment;
  auto& meters = form.meters;
  for (std::size_t i = from; i < to; ++i) {
    data::EqLogB e = c.usage[i].entry;
    auto it = posted.find(e.EquipmentID.str());
    if (it == posted.end()) {
      auto h = readWhere<data::EqHeader>(store, "KeyEquipmentID", {e.EquipmentID.str()}, 1);
      if (h.empty()) throw std::logic_error("demo company: no equipment " + e.EquipmentID.str());
      it = posted.emplace(e.EquipmentID.str(), std::move(h.front().rec)).first;
    }
    const data::EqHeader& h = it->second;
    e.LogID = ++form.logId;
    e.BatchID = kWeekBatch;
    e.StartMeter = usagelog::startMeter(h.CurrentMeter, meters, e.EquipmentID.str());
    e.EndMeter = e.StartMeter + e.Units;
    meters.record(e.EquipmentID.str(), e.EndMeter);
    if (e.DetailType == "Job")
      e.CostCode = usagelog::normaliseCostCode(e.CostCode.str(), kCostCodeLength);
    const Decimal gross =
        usagelog::calculateCharges(e.Units, e.ChargeType.str(), h.InternalBillingRate,
                                   h.RentalBillingRate, Decimal())
            .gross;
    Decimal adjustment;
    if (c.usage[i].charge == TypedEntry::Charge::None)
      adjustment = -gross;
    else if (c.usage[i].charge == TypedEntry::Charge::Discount)
      adjustment = -(gross / 10);
    const usagelog::Charges charges = usagelog::calculateCharges(
        e.Units, e.ChargeType.str(), h.InternalBillingRate, h.RentalBillingRate, adjustment);
    e.GrossAmount = charges.gross;
    e.AdjustedAmount = charges.net;
    store.insert(data::EqLogB::def(), rowOf(e));
  }
}

}  // namespace

void replayHistory(Company& c, frame::Context& ctx) {
  data::Store& store = ctx.store();
  ReplaySession replay(ctx.session());
  CategoryTotals totals(c);

  data::EqBatch batch;
  batch.BatchID = kWeekBatch;
  setText(batch.UserID, "ADM");
  setText(batch.Description, "Week's usage");
  batch.SortID = kWeekBatch;
  store.insert(data::EqBatch::def(), rowOf(batch));

  std::size_t journal = 0, entry = 0;
  EntryForm form;
  while (entry < c.usage.size()) {
    const Date day = usagePostingDate(c.usage[entry].entry.Date, c.lastPosted);
    std::size_t end = entry;
    while (end < c.usage.size() && usagePostingDate(c.usage[end].entry.Date, c.lastPosted) == day)
      ++end;
    replay.setToday(day);
    writeJournals(c, store, journal, day, totals);
    enterWeek(c, store, entry, end, form);
    const usagelog::PostingResult result = usagelog::postBatches(ctx, {kWeekBatch});
    if (!result.posted) {
      std::string why;
      for (const auto& line : result.failureLines()) why += "\n  " + line;
      throw std::runtime_error("demo company: posting the usage of " + day.toIso() +
                               " failed:" + why);
    }
    for (std::size_t i = entry; i < end; ++i) {
      const data::EqLogB& e = c.usage[i].entry;
      if (c.usage[i].charge == TypedEntry::Charge::None) continue;
      if (e.DetailType == "Equipment")
        totals.posted(e.EquipmentIDCharged.str(), e.Category.str(), day);
    }
    entry = end;
  }
  replay.setToday(c.lastPosted);
  writeJournals(c, store, journal, c.lastPosted, totals);
  if (journal != c.journals.size())
    throw std::logic_error("demo company: a journal dated after the last posting");

  auto b = readWhere<data::EqBatch>(store, "KeyBatchID", {std::int64_t{kWeekBatch}}, 1);
  if (!b.empty()) store.remove(data::EqBatch::def(), b.front().rowId);
  totals.write(store);

  // The books of the older year are locked and the month before the current one closed, now
  // that everything of them is posted.
  for (auto& f : readWhere<data::GlFiscal>(store, "KeyFiscalPeriodUp", {})) {
    f.rec.Status = c.fiscal[static_cast<std::size_t>(f.rec.FiscalPeriod - 1)].Status;
    store.update(data::GlFiscal::def(), f.rowId, rowOf(f.rec));
  }
}

}  // namespace koreq::demo::detail
