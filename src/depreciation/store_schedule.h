#pragma once

// Storing the depreciation schedule of one piece of equipment as GLDEPR rows, and the year
// summary built back from the stored rows. This is what the "Calculate Schedule" button and
// `koreq depreciation calculate` both run.

#include <chrono>
#include <string_view>
#include <vector>

#include "data/access.h"
#include "data/records.h"
#include "depreciation/schedule.h"

namespace koreq::frame {
class Context;
}

namespace koreq::depreciation {

// How long the schedule waits for other writers before it goes on without a transaction.
inline constexpr std::chrono::milliseconds kScheduleTransactionTimeout{5000};

// The calculation's inputs from an equipment record buffer, saved or not.
ScheduleInput scheduleInput(const data::EqHeader& eq);

struct StoreOutcome {
  int updated = 0;   // rows of months that already had a row
  int inserted = 0;  // new rows
  int deleted = 0;   // rows dated after the sale date
  int failed = 0;    // rows whose write failed; each was reported through the error object
  bool inTransaction = false;  // false: the transaction could not begin and work went on
  int written() const { return updated + inserted; }
};

// Writes `rows` as the schedule of `equipmentId` in one transaction (time-out above). A row of
// the same month and year as a computed one (the first such in key order) gets the three
// computed pairs and keeps everything else: its date, the custom pair, the posted amount, its
// fiscal-period label and ledger transaction. A month without a row gets a new, auto-numbered
// one. Rows of other months are left alone, except that with a sale date every row of the
// equipment dated after it is deleted. A failed row is reported (" Saving GLDepr",
// " Autoincrementing GLDepr", " Inserting GLDepr", " Deleting GLDepr") and the rest goes on.
// Throws data::StoreError when the stored rows cannot be read: nothing is written then, since
// without them every month would be inserted twice.
StoreOutcome storeSchedule(data::Access<data::GlDepr>& gldepr, std::string_view equipmentId,
                           const std::vector<ScheduleRow>& rows, Date saleDate);

// CalculateSchedule: computes the schedule of the equipment in `eq` and stores it.
StoreOutcome calculateSchedule(data::Access<data::GlDepr>& gldepr, const data::EqHeader& eq);
StoreOutcome calculateSchedule(frame::Context& ctx, const data::EqHeader& eq);

// The computed pairs of the stored rows of `equipmentId`, in key order (month order). Throws
// data::StoreError when the file cannot be read.
std::vector<MonthCharges> storedCharges(data::Access<data::GlDepr>& gldepr,
                                        std::string_view equipmentId);

// RefreshYearSummary: the year summary of the equipment in `eq` from its stored rows.
std::vector<YearSummaryEntry> refreshYearSummary(data::Access<data::GlDepr>& gldepr,
                                                 const data::EqHeader& eq);
std::vector<YearSummaryEntry> refreshYearSummary(frame::Context& ctx, const data::EqHeader& eq);

}  // namespace koreq::depreciation
