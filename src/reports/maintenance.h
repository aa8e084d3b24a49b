#pragma once

// The maintenance schedule's rules: a cost category's schedule text, its next service meter
// and the date it falls due, by meter (at the equipment's average units per day), by elapsed
// time (a month counts as 30 days), or by whichever comes first; and the average units per day
// estimated from the posted usage when the equipment has none. No Qt.

#include <cstdint>
#include <string>

#include "data/records.h"
#include "frame/context.h"
#include "runtime/date.h"
#include "runtime/decimal.h"

namespace koreq::reports {

inline constexpr const char* kImproperSetup =
    "This cost category schedule is invalid because of improper setup.";

struct ServiceLine {
  bool skipped = false;  // no schedule, or a meter schedule without units per day
  std::string schedule;  // "Every 300 Miles"
  Date due;
  std::uint32_t nextMeter = 0;  // 0 for elapsed time
  std::string error;            // blank when the line is sound
};

// Whether the schedule needs the equipment's units per day ('M' meter, 'B' meter or time).
bool needsUnitsPerDay(const data::EqCost& c);

// The last service date plus the interval: days, or 30 days a month; empty for another
// interval name. An empty last service date counts as day 0.
Date timeDueDate(const data::EqCost& c);

// Today plus the days until the meter reaches `nextMeter` at `unitsPerDay` (the day count cut
// toward zero); empty without units per day.
Date meterDueDate(std::uint32_t nextMeter, const Decimal& currentMeter, const Decimal& unitsPerDay,
                  Date today);

// The line of a category by its schedule type, for an equipment at `currentMeter` that uses
// `unitsPerDay` (after any estimate).
ServiceLine serviceLine(const data::EqCost& c, const Decimal& currentMeter,
                        const Decimal& unitsPerDay, Date today);

// Whether the format prints the line: an error line only with "Print Transaction Detail", and
// with a date limit (anything but "All") only a due date within the stored range.
bool printsServiceLine(const ServiceLine& line, const data::EqLimits& format);

// The equipment's posted units (EQLOG) over the days from its first to its last entry (all of
// them when they share a day), keeping the units' decimals; 0 without entries. Throws
// data::StoreError when EQLOG cannot be read.
Decimal estimateUnitsPerDay(frame::Context& ctx, const std::string& equipmentId);

// Stores the estimate in the equipment record, in a change of its own, logged. False when it
// could not be written (reported through the error object as " Saving EQHeader").
bool storeUnitsPerDay(frame::Context& ctx, const std::string& equipmentId, const Decimal& value);

}  // namespace koreq::reports
