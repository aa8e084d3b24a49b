#pragma once

// The rules of usage-log batches that change records: the display order of the batches, moving
// and copying entries between batches, moving the dates of repeating batches, and deleting a
// batch's entries. Each change runs in one transaction: it lands whole or not at all.

#include <cstdint>
#include <string>
#include <vector>

#include "data/records.h"
#include "runtime/date.h"

namespace koreq::frame {
class Context;
}
namespace koreq::data {
class Store;
}

namespace koreq::usagelog {

// What a change did, and why not when it did not: `message` is the text the window shows (a
// file error followed by its action, or the busy text when the company stayed busy).
struct ChangeOutcome {
  bool done = false;
  int records = 0;  // entries moved, copied, re-dated or deleted
  std::string message;
};

// ---- Repeating batches

// Whether posting keeps the batch's entries and moves their dates on: the batch repeats with a
// non-zero interval (FrequencyType 0: Frequency days; 1: Frequency2 months).
bool repeatsWithInterval(const data::EqBatch& batch);
// The date of an entry of `batch` after a posting: days added, or months added keeping the day
// of the month (a day the month lacks becomes its last day: 31 January + 1 month is the last
// day of February). Unchanged when the batch does not repeat with an interval.
Date nextRepeatDate(Date date, const data::EqBatch& batch);
// Moves the date of every entry of the repeating ones among `batchIds` on by its interval
// (" Saving EQLogB" on failure). Joins the caller's transaction when one is open.
ChangeOutcome advanceRepeatingBatches(frame::Context& ctx,
                                      const std::vector<std::uint16_t>& batchIds);

// ---- Batch order

enum class BatchMove { UpOne = 1, DownOne = 2, ToTop = 3, ToBottom = 4 };

struct ReorderOutcome {
  bool moved = false;       // the order changed
  bool failed = false;      // a stage failed: everything was rolled back; `message` says where
  std::string message;      // "Record swap error: ..." (caption "Error!"), or the busy text
  std::int32_t sortId = 0;  // EQB:SortID of the moved batch afterwards
};

// Moves the batch at `sortId` one place up or down, or to the top or the bottom, as the four
// buttons of the batch manager do. The batch is parked above the highest EQB:SortID, the
// batches between it and its new place shift by one, and it lands in the place freed, so no two
// batches ever share a value; the set of values stays the same. One transaction with a one-second
// wait; the top batch moved up, or the bottom one down, changes nothing.
ReorderOutcome reorderBatch(data::Store& store, std::int32_t sortId, BatchMove move);
ReorderOutcome reorderBatch(frame::Context& ctx, std::int32_t sortId, BatchMove move);

// The text of a failed reorder stage, one line each, as the window shows it.
std::string recordSwapError(const std::string& fileErrorText, std::int32_t sortIdInBuffer,
                            const std::string& stage);

// ---- Entries between batches

// Moves the entries `logIds` into batch `target` (" Saving EQLogB" on failure). Entries that
// are already there, or no longer exist, are passed over. One transaction, five-second wait.
ChangeOutcome moveEntries(frame::Context& ctx, const std::vector<std::int32_t>& logIds,
                          std::uint16_t target);
// Copies them into `target` under new entry numbers (" Autoincrementing EQLogB",
// " Inserting EQLogB" on failure). One transaction, five-second wait.
ChangeOutcome copyEntries(frame::Context& ctx, const std::vector<std::int32_t>& logIds,
                          std::uint16_t target);

// ---- Deleting

// "Deleted a log entry for equipment EX-301, 12.5 hours on 07/14/25": the activity-log text of
// an entry; `verb` is "Added", "Changed" or "Deleted".
std::string entryActivityText(const std::string& verb, const data::EqLogB& entry,
                              const std::string& usageUnit);

// Deletes one entry, with its activity-log line when `logged` and the company logs every
// change, in one transaction. An entry already gone deletes nothing (`records` 0).
ChangeOutcome deleteEntry(frame::Context& ctx, std::int32_t logId, bool logged = true);

// Deletes every entry of the batch, in entry order, with one activity-log entry each when the
// company logs every change; with `alsoBatch` the batch record too ("Deleted log entry batch
// (7) Weekly yard"). One transaction: a failed delete leaves every entry and log line as it was.
ChangeOutcome deleteBatchEntries(frame::Context& ctx, std::uint16_t batchId, bool alsoBatch);

}  // namespace koreq::usagelog
