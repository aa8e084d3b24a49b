#pragma once

// Storing the depreciation schedule of one piece of equipment as GLDEPR rows, and the year
// summary built back from the stored rows. This is what the "Calculate Schedule" button and
// `koreq depreciation calculate` both run.

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/access.h"
#include "data/records.h"
#include "depreciation/schedule.h"

namespace koreq::frame {
class Context;
}

namespace koreq::depreciation {

// The calculation's inputs from an equipment record buffer, saved or not.
ScheduleInput scheduleInput(const data::EqHeader& eq);

struct StoreOutcome {
  int updated = 0;       // rows of months that already had a row
  int inserted = 0;      // new rows
  int deleted = 0;       // rows outside the schedule that carried nothing, and rows after the sale
  int failed = 0;        // 1 when a write failed: it was reported and nothing was stored
  bool refused = false;  // the company stayed busy: nothing was stored (the reason was reported)
  int written() const { return updated + inserted; }
  bool stored() const { return failed == 0 && !refused; }
};

// Writes `rows` as the schedule of `equipmentId`, all or nothing, in one transaction (or the
// caller's). A row of the same month and year as a computed one (the first such in key order)
// gets the three computed pairs and keeps everything else: its date, the custom pair, the
// posted amount, its fiscal-period label and ledger transaction. A month without a row gets a
// new, auto-numbered one. A row of a month the schedule no longer has is deleted when it
// carries nothing posted or keyed in (no actual amount, no ledger transaction, no custom pair),
// so a shortened life leaves no stale book values behind; with a sale date every row of the
// equipment dated after it is deleted. The first failed write is reported (" Saving GLDepr",
// " Autoincrementing GLDepr", " Inserting GLDepr", " Deleting GLDepr") and abandons the whole
// schedule. Throws data::StoreError when the stored rows cannot be read: nothing is written
// then, since without them every month would be inserted twice.
StoreOutcome storeSchedule(data::Access<data::GlDepr>& gldepr, std::string_view equipmentId,
                           const std::vector<ScheduleRow>& rows, Date saleDate);

// CalculateSchedule: computes the schedule of the equipment in `eq` and stores it.
StoreOutcome calculateSchedule(data::Access<data::GlDepr>& gldepr, const data::EqHeader& eq);
StoreOutcome calculateSchedule(frame::Context& ctx, const data::EqHeader& eq);

// Every equipment's schedule, one change each, in equipment order, as a bookkeeper runs it at
// month end. `progress` is told before each piece (its number from 1, the count, its ID) and
// stops the run when it answers false; what was stored before stays.
struct EveryScheduleOutcome {
  int pieces = 0;   // pieces of equipment on file
  int stored = 0;   // schedules stored
  int written = 0;  // rows written
  int deleted = 0;  // rows outside their schedule deleted
  std::vector<std::pair<std::string, std::string>> notStored;  // equipment ID, why
  bool cancelled = false;
};
EveryScheduleOutcome calculateEverySchedule(
    frame::Context& ctx,
    const std::function<bool(int number, int count, const std::string& id)>& progress = {});

// The same a piece at a time, for a window that shows its progress and takes Cancel between
// pieces. The equipment IDs are read when the run is made; each piece is read again just
// before it is calculated, so a record changed meanwhile is calculated as it stands.
class EveryScheduleRun {
 public:
  // Throws data::StoreError when the equipment cannot be read.
  explicit EveryScheduleRun(frame::Context& ctx);

  int count() const { return static_cast<int>(ids_.size()); }
  int done() const { return done_; }
  bool finished() const { return done_ == count() || outcome_.cancelled; }
  // The ID of the piece step() calculates next.
  const std::string& nextId() const { return ids_.at(static_cast<std::size_t>(done_)); }
  // Calculates and stores the next piece's schedule, as one change.
  void step();
  // No more pieces are calculated; those stored stay.
  void cancel() { outcome_.cancelled = !finished(); }
  const EveryScheduleOutcome& outcome() const { return outcome_; }

 private:
  frame::Context& ctx_;
  data::Access<data::EqHeader> equipment_;  // a buffer of its own: the caller's stays as it was
  std::vector<std::string> ids_;
  int done_ = 0;
  EveryScheduleOutcome outcome_;
};

// The computed pairs of the stored rows of `equipmentId`, in key order (month order). Throws
// data::StoreError when the file cannot be read.
std::vector<MonthCharges> storedCharges(data::Access<data::GlDepr>& gldepr,
                                        std::string_view equipmentId);

// RefreshYearSummary: the year summary of the equipment in `eq` from its stored rows.
std::vector<YearSummaryEntry> refreshYearSummary(data::Access<data::GlDepr>& gldepr,
                                                 const data::EqHeader& eq);
std::vector<YearSummaryEntry> refreshYearSummary(frame::Context& ctx, const data::EqHeader& eq);

}  // namespace koreq::depreciation
