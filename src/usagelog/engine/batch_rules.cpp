#include "usagelog/engine/batch_rules.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <optional>

#include "data/store.h"
#include "frame/activity_log.h"
#include "frame/context.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::usagelog {

using detail::readWhere;
using detail::recordOf;
using detail::rowOf;
using detail::Stored;

namespace {

constexpr std::chrono::milliseconds kReorderWait{1000};

// A file operation that failed inside a change: reported as the windows report it, and the
// message the caller shows.
struct Failed {
  std::string message;
};

Failed fileFailure(frame::Context& ctx, const data::StoreError& e, const char* action,
                   const data::FileDef& file) {
  ctx.errors().fileError(e.code(), e.what(), action, file.label);
  return {std::string(e.what()) + " " + action + " " + file.label};
}

// Runs `work` as one change with the given wait. A refused begin is the busy text; a failure
// inside it rolls everything back.
ChangeOutcome runChange(frame::Context& ctx, std::chrono::milliseconds wait,
                        const std::function<std::optional<Failed>(int& records)>& work) {
  ChangeOutcome out;
  data::Transaction tx(ctx.store(), wait);
  if (!tx.begun()) {
    out.message = data::refusedText(ctx.store());
    return out;
  }
  int records = 0;
  std::optional<Failed> failed;
  try {
    failed = work(records);
    if (!failed) tx.commit();
  } catch (const data::StoreError& e) {
    failed = Failed{e.what()};
  }
  if (failed) {
    tx.rollback();
    out.message = failed->message;
    return out;
  }
  out.done = true;
  out.records = records;
  return out;
}

std::optional<Stored<data::EqLogB>> entryById(data::Store& store, std::int32_t logId) {
  auto rows = readWhere<data::EqLogB>(store, "KeyLogID", {std::int64_t{logId}}, 1);
  if (rows.empty()) return std::nullopt;
  return rows.front();
}

std::string twoDigits(int n) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "%02d", n % 100);
  return buf;
}

}  // namespace

// ---- Repeating batches

bool repeatsWithInterval(const data::EqBatch& b) {
  if (!b.Repeating) return false;
  if (b.FrequencyType == 0) return b.Frequency != 0;
  if (b.FrequencyType == 1) return b.Frequency2 != 0;
  return false;
}

Date nextRepeatDate(Date date, const data::EqBatch& b) {
  if (!repeatsWithInterval(b) || date.isEmpty()) return date;
  return b.FrequencyType == 0 ? date.addDays(b.Frequency) : date.addMonths(b.Frequency2);
}

ChangeOutcome advanceRepeatingBatches(frame::Context& ctx,
                                      const std::vector<std::uint16_t>& batchIds) {
  return runChange(ctx, data::kWriterWait, [&](int& records) -> std::optional<Failed> {
    data::Store& store = ctx.store();
    for (std::uint16_t id : batchIds) {
      auto batch = readWhere<data::EqBatch>(store, "KeyBatchID", {std::int64_t{id}}, 1);
      if (batch.empty() || !repeatsWithInterval(batch.front().rec)) continue;
      for (auto& e : readWhere<data::EqLogB>(store, "KeyBatchID", {std::int64_t{id}})) {
        const Date moved = nextRepeatDate(e.rec.Date, batch.front().rec);
        if (moved == e.rec.Date) continue;
        e.rec.Date = moved;
        try {
          store.update(data::EqLogB::def(), e.rowId, rowOf(e.rec));
        } catch (const data::StoreError& err) {
          return fileFailure(ctx, err, "Saving", data::EqLogB::def());
        }
        ++records;
      }
    }
    return std::nullopt;
  });
}

// ---- Batch order

std::string recordSwapError(const std::string& fileErrorText, std::int32_t sortIdInBuffer,
                            const std::string& stage) {
  return "Record swap error: \n" + fileErrorText +
         "\nEQBatch, EQB:KeySortID\nKey Field EQB:SortID = " + std::to_string(sortIdInBuffer) +
         "\nSection = " + stage + "\n";
}

ReorderOutcome reorderBatch(frame::Context& ctx, std::int32_t sortId, BatchMove move) {
  return reorderBatch(ctx.store(), sortId, move);
}

ReorderOutcome reorderBatch(data::Store& store, std::int32_t sortId, BatchMove move) {
  ReorderOutcome out;
  out.sortId = sortId;
  const data::FileDef& def = data::EqBatch::def();
  data::Transaction tx(store, kReorderWait);
  if (!tx.begun()) {
    out.failed = true;
    out.message = data::refusedText(store);
    return out;
  }

  // The batches in EQB:KeySortID order: the moves walk this order one neighbour at a time.
  std::vector<Stored<data::EqBatch>> order;
  try {
    order = readWhere<data::EqBatch>(store, "KeySortID", {});
  } catch (const data::StoreError& e) {
    tx.rollback();
    out.failed = true;
    out.message = recordSwapError(e.what(), sortId, "Put Swap Out");
    return out;
  }
  auto at = std::find_if(order.begin(), order.end(),
                         [&](const auto& b) { return b.rec.SortID == sortId; });
  const bool up = move == BatchMove::UpOne || move == BatchMove::ToTop;
  const bool oneStep = move == BatchMove::UpOne || move == BatchMove::DownOne;
  if (at == order.end() || (up && at == order.begin()) || (!up && at + 1 == order.end())) {
    tx.rollback();  // no neighbour in that direction: nothing moves
    return out;
  }

  // Writes one batch's new place; a failure names its stage and ends the move.
  auto put = [&](Stored<data::EqBatch>& b, std::int32_t value, const char* stage) {
    b.rec.SortID = value;
    try {
      store.update(def, b.rowId, rowOf(b.rec));
      return true;
    } catch (const data::StoreError& e) {
      std::string name = stage;
      if (name == "Put Swap Out" && e.code() == data::kDuplicateKey) name += " (NKD)";
      out.failed = true;
      out.message = recordSwapError(e.what(), value, name);
      return false;
    }
  };

  Stored<data::EqBatch> parked = *at;
  const std::int32_t swap = order.back().rec.SortID + 1;
  std::int32_t orig = sortId, target = sortId;
  bool ok = put(parked, swap, "Put Swap Out");
  // Each neighbour in the direction of the move takes the place of the one before it.
  const std::ptrdiff_t step = up ? -1 : 1;
  const auto last = up ? order.begin() : order.end() - 1;
  for (auto it = at + step; ok;) {
    target = it->rec.SortID;
    ok = put(*it, orig, "Shift Stage");
    orig = target;
    if (oneStep || it == last) break;
    it += step;
  }
  if (ok) ok = put(parked, target, "Final Move");

  if (!ok) {
    tx.rollback();
    out.sortId = sortId;
    return out;
  }
  try {
    tx.commit();
  } catch (const data::StoreError& e) {
    out.failed = true;
    out.message = recordSwapError(e.what(), target, "Final Move");
    return out;
  }
  out.moved = true;
  out.sortId = target;
  return out;
}

// ---- Entries between batches

ChangeOutcome moveEntries(frame::Context& ctx, const std::vector<std::int32_t>& logIds,
                          std::uint16_t target) {
  return runChange(ctx, data::kWriterWait, [&](int& records) -> std::optional<Failed> {
    for (std::int32_t id : logIds) {
      auto e = entryById(ctx.store(), id);
      if (!e || e->rec.BatchID == target) continue;
      e->rec.BatchID = target;
      try {
        ctx.store().update(data::EqLogB::def(), e->rowId, rowOf(e->rec));
      } catch (const data::StoreError& err) {
        return fileFailure(ctx, err, "Saving", data::EqLogB::def());
      }
      ++records;
    }
    return std::nullopt;
  });
}

ChangeOutcome copyEntries(frame::Context& ctx, const std::vector<std::int32_t>& logIds,
                          std::uint16_t target) {
  const data::FileDef& def = data::EqLogB::def();
  return runChange(ctx, data::kWriterWait, [&](int& records) -> std::optional<Failed> {
    for (std::int32_t id : logIds) {
      auto e = entryById(ctx.store(), id);
      if (!e) continue;
      try {
        e->rec.LogID = static_cast<std::int32_t>(ctx.store().nextNumber(def, def.autoField));
      } catch (const data::StoreError& err) {
        return fileFailure(ctx, err, "Autoincrementing", def);
      }
      e->rec.BatchID = target;
      try {
        ctx.store().insert(def, rowOf(e->rec));
      } catch (const data::StoreError& err) {
        return fileFailure(ctx, err, "Inserting", def);
      }
      ++records;
    }
    return std::nullopt;
  });
}

// ---- Deleting

std::string entryActivityText(const std::string& verb, const data::EqLogB& e,
                              const std::string& usageUnit) {
  std::string date;
  if (!e.Date.isEmpty())
    date = twoDigits(e.Date.month()) + "/" + twoDigits(e.Date.dayOfMonth()) + "/" +
           twoDigits(e.Date.year());
  return verb + " a log entry for equipment " + e.EquipmentID.str() + ", " +
         e.Units.toPlainString() + " " + usageUnit + " on " + date;
}

namespace {

// One entry and its activity line; a failure leaves the caller's transaction to roll back.
std::optional<Failed> removeEntry(frame::Context& ctx, const Stored<data::EqLogB>& e, bool logged) {
  data::Store& store = ctx.store();
  if (logged && ctx.session().g.LogUserActivity == 2) {
    std::string unit;
    auto eq = readWhere<data::EqHeader>(store, "KeyEquipmentID", {e.rec.EquipmentID.str()}, 1);
    if (!eq.empty()) unit = eq.front().rec.UsageUnit.str();
    if (!frame::logActivity(ctx, "EQ Usage Logs", entryActivityText("Deleted", e.rec, unit)))
      return Failed{"The activity log could not be written; nothing was deleted."};
  }
  try {
    store.remove(data::EqLogB::def(), e.rowId);
  } catch (const data::StoreError& err) {
    return fileFailure(ctx, err, "Deleting", data::EqLogB::def());
  }
  return std::nullopt;
}

}  // namespace

ChangeOutcome deleteEntry(frame::Context& ctx, std::int32_t logId, bool logged) {
  return runChange(ctx, data::kWriterWait, [&](int& records) -> std::optional<Failed> {
    for (const auto& e :
         readWhere<data::EqLogB>(ctx.store(), "KeyLogID", {std::int64_t{logId}}, 1)) {
      if (auto failed = removeEntry(ctx, e, logged)) return failed;
      ++records;
    }
    return std::nullopt;
  });
}

ChangeOutcome deleteBatchEntries(frame::Context& ctx, std::uint16_t batchId, bool alsoBatch) {
  return runChange(ctx, data::kWriterWait, [&](int& records) -> std::optional<Failed> {
    data::Store& store = ctx.store();
    const bool logging = ctx.session().g.LogUserActivity == 2;
    for (const auto& e : readWhere<data::EqLogB>(store, "KeyBatchID", {std::int64_t{batchId}})) {
      if (auto failed = removeEntry(ctx, e, true)) return failed;
      ++records;
    }
    if (!alsoBatch) return std::nullopt;
    auto batch = readWhere<data::EqBatch>(store, "KeyBatchID", {std::int64_t{batchId}}, 1);
    if (batch.empty()) return std::nullopt;
    if (logging && !frame::logActivity(ctx, "EQ Usage Logs",
                                       "Deleted log entry batch (" + std::to_string(batchId) +
                                           ") " + batch.front().rec.Description.str()))
      return Failed{"The activity log could not be written; nothing was deleted."};
    try {
      store.remove(data::EqBatch::def(), batch.front().rowId);
    } catch (const data::StoreError& err) {
      return fileFailure(ctx, err, "Deleting", data::EqBatch::def());
    }
    return std::nullopt;
  });
}

}  // namespace koreq::usagelog
