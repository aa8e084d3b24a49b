#include "depreciation/store_schedule.h"

#include <map>
#include <set>
#include <string>

#include "data/store.h"
#include "frame/context.h"

namespace koreq::depreciation {

namespace {

struct StoredRowCopy {
  std::int64_t position = 0;
  data::GlDepr rec;
};

const data::KeyDef& equipmentKey() {
  return *data::GlDepr::def().key("GLDP:KeyEquipmentID");
}

// Reads the rows of one equipment in key order, from `from` on when it is set.
std::vector<StoredRowCopy> readRows(data::Access<data::GlDepr>& f, std::string_view equipmentId,
                                    Date from = Date()) {
  std::vector<data::Value> start;
  if (!from.isEmpty()) start.push_back(from);
  f.setRange(equipmentKey(), {std::string(equipmentId)}, start);
  std::vector<StoredRowCopy> rows;
  for (;;) {
    int rc = f.next();
    if (rc == data::kRecordNotFound) break;
    if (rc != data::kNoError) throw data::StoreError(rc, f.lastErrorText());
    rows.push_back({f.position(), f.rec()});
  }
  return rows;
}

void putCharges(data::GlDepr& r, const MonthCharges& m) {
  r.SLAmount = m.sl.amount;
  r.SLValue = m.sl.value;
  r.SYAmount = m.sy.amount;
  r.SYValue = m.sy.value;
  r.DDBAmount = m.ddb.amount;
  r.DDBValue = m.ddb.value;
}

int monthKey(Date d) {
  return d.year() * 12 + d.month();
}

// A row that holds only computed figures: nothing posted to it, nothing keyed in by a user.
bool carriesNothing(const data::GlDepr& r) {
  return r.ActualAmount.isZero() && r.GLTransID == 0 && r.UD1Amount.isZero() &&
         r.UD1Value.isZero() && r.UD2Amount.isZero() && r.UD2Value.isZero();
}

}  // namespace

ScheduleInput scheduleInput(const data::EqHeader& eq) {
  ScheduleInput in;
  in.purchaseDate = eq.PurchaseDate;
  in.purchaseValue = eq.PurchaseValue;
  in.salvageValue = eq.SalvageValue;
  in.months = eq.DepreciationYears;
  in.saleDate = eq.SaleDate;
  return in;
}

StoreOutcome storeSchedule(data::Access<data::GlDepr>& f, std::string_view equipmentId,
                           const std::vector<ScheduleRow>& rows, Date saleDate) {
  StoreOutcome out;
  data::Transaction tx(f.store());
  if (!tx.begun()) {
    out.refused = true;
    return out;
  }

  // The first stored row of each month, as a read from the first row in key order finds it.
  std::vector<StoredRowCopy> existing = readRows(f, equipmentId);
  std::map<int, const StoredRowCopy*> byMonth;
  for (const auto& r : existing)
    if (!r.rec.Date.isEmpty()) byMonth.try_emplace(monthKey(r.rec.Date), &r);

  auto abandon = [&] {
    tx.rollback();
    StoreOutcome failed;
    failed.failed = 1;
    return failed;
  };
  std::set<int> months;
  for (const auto& row : rows) {
    months.insert(monthKey(row.date));
    auto found = byMonth.find(monthKey(row.date));
    if (found != byMonth.end()) {
      f.rec() = found->second->rec;
      f.setPosition(found->second->position);
      putCharges(f.rec(), row.charges);
      if (f.update() != data::kNoError) return abandon();
      ++out.updated;
      continue;
    }
    if (f.prime() != data::kNoError) return abandon();
    f.rec().EquipmentID = equipmentId;
    f.rec().Date = row.date;
    putCharges(f.rec(), row.charges);
    if (f.insert() != data::kNoError) return abandon();
    ++out.inserted;
  }

  for (const auto& r : existing) {
    bool afterSale = !saleDate.isEmpty() && r.rec.Date > saleDate;
    // Without a schedule at all (no life, no purchase date) the stored rows stay as they are.
    bool stale = !rows.empty() && !r.rec.Date.isEmpty() && !months.count(monthKey(r.rec.Date)) &&
                 carriesNothing(r.rec);
    if (!afterSale && !stale) continue;
    f.rec() = r.rec;
    f.setPosition(r.position);
    if (f.remove() != data::kNoError) return abandon();
    ++out.deleted;
  }

  tx.commit();  // throws StoreError when the change cannot be saved; nothing is then
  return out;
}

StoreOutcome calculateSchedule(data::Access<data::GlDepr>& gldepr, const data::EqHeader& eq) {
  ScheduleInput in = scheduleInput(eq);
  return storeSchedule(gldepr, eq.EquipmentID.str(), calculateSchedule(in), in.saleDate);
}

StoreOutcome calculateSchedule(frame::Context& ctx, const data::EqHeader& eq) {
  return calculateSchedule(ctx.access<data::GlDepr>(), eq);
}

EveryScheduleRun::EveryScheduleRun(frame::Context& ctx)
    : ctx_(ctx), equipment_(ctx.store(), ctx.errors()) {
  equipment_.set(data::EqHeader::def().primaryKey());
  for (int rc; (rc = equipment_.next()) != data::kRecordNotFound;) {
    if (rc != data::kNoError) throw data::StoreError(rc, equipment_.lastErrorText());
    ids_.push_back(equipment_.rec().EquipmentID.str());
  }
  outcome_.pieces = count();
}

void EveryScheduleRun::step() {
  if (finished()) return;
  const std::string id = ids_[static_cast<std::size_t>(done_++)];
  StoreOutcome one;
  std::string why = "the schedule was not stored";
  try {
    const int rc = equipment_.fetch("EQH:KeyEquipmentID", {id});
    if (rc == data::kRecordNotFound) {
      outcome_.notStored.emplace_back(id, "the equipment is no longer on file");
      return;
    }
    if (rc != data::kNoError) throw data::StoreError(rc, equipment_.lastErrorText());
    one = calculateSchedule(ctx_, equipment_.rec());
    if (one.refused) why = data::refusedText(ctx_.store());
  } catch (const data::StoreError& e) {
    one.failed = 1;
    why = e.what();
  } catch (const DecimalOverflow&) {
    one.failed = 1;
    why = "a figure is too large to hold";
  }
  if (!one.stored()) {
    outcome_.notStored.emplace_back(id, why);
    return;
  }
  ++outcome_.stored;
  outcome_.written += one.written();
  outcome_.deleted += one.deleted;
}

EveryScheduleOutcome calculateEverySchedule(
    frame::Context& ctx,
    const std::function<bool(int number, int count, const std::string& id)>& progress) {
  EveryScheduleRun run(ctx);
  while (!run.finished()) {
    if (progress && !progress(run.done() + 1, run.count(), run.nextId())) {
      run.cancel();
      break;
    }
    run.step();
  }
  return run.outcome();
}

std::vector<MonthCharges> storedCharges(data::Access<data::GlDepr>& gldepr,
                                        std::string_view equipmentId) {
  std::vector<MonthCharges> charges;
  for (const auto& r : readRows(gldepr, equipmentId))
    charges.push_back({{r.rec.SLAmount, r.rec.SLValue},
                       {r.rec.SYAmount, r.rec.SYValue},
                       {r.rec.DDBAmount, r.rec.DDBValue}});
  return charges;
}

std::vector<YearSummaryEntry> refreshYearSummary(data::Access<data::GlDepr>& gldepr,
                                                 const data::EqHeader& eq) {
  return buildYearSummary(storedCharges(gldepr, eq.EquipmentID.str()), eq.PurchaseValue,
                          eq.SalvageValue);
}

std::vector<YearSummaryEntry> refreshYearSummary(frame::Context& ctx, const data::EqHeader& eq) {
  return refreshYearSummary(ctx.access<data::GlDepr>(), eq);
}

}  // namespace koreq::depreciation
