#pragma once

// The cost categories of equipment (EQCOST) and the category list they come from (EQCODE):
// record IDs, the defaults a category hands on, service schedules and their text, Apply to
// All, and the cost tab's figures of a fiscal year and month. No window code: the category
// list and form, the cost form and the equipment form's tabs call these.

#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "frame/context.h"
#include "runtime/decimal.h"

namespace koreq::equipment {

// The EQCOST record ID of a category of a piece of equipment: the ID padded to 10, the category.
std::string costRecordId(const std::string& equipmentId, const std::string& category);

// Copies a category's defaults from an EQCODE buffer into an EQCOST buffer, replacing what it
// held: the unit, the expense and contra accounts and the five schedule fields.
void copyCategoryDefaults(const data::FileAccess& code, data::FileAccess& cost);

// Whether any piece of equipment carries the category (an EQCOST record names it).
bool categoryInUse(frame::Context& ctx, const std::string& categoryId);

// ---- Service schedules --------------------------------------------------------------------------

// A schedule type: its stored letter, the drop list's text, and which limits it uses.
struct ScheduleType {
  const char* letter;
  const char* shown;
  bool meter, interval;
};
// The type of a letter; anything unknown is "None".
const ScheduleType& scheduleByLetter(const std::string& letter);
// The schedule-type letter for a drop-list text and back; anything unknown is "N" / "None".
std::string scheduleLetter(const std::string& shown);
std::string scheduleShown(const std::string& letter);

// The schedule text of a schedule: "Every 5000 Miles", "Every 6 Months", "Every 6 Months or
// 5000 Miles", and "None" for any other type letter.
std::string scheduleText(const std::string& type, const std::string& meterName, std::int64_t meter,
                         const std::string& intervalName, std::int64_t interval);
// The same for the EQCOST record in the buffer.
std::string scheduleText(const data::FileAccess& cost);

// ---- The categories of one piece of equipment ---------------------------------------------------

// One EQCOST record of a piece of equipment as its lists show it.
struct CostRow {
  std::int64_t position = 0;        // the record's identity, to read it again
  std::vector<data::Value> values;  // its fields, in file order
  std::string description;          // EQD:Description of its category, blank when unknown
  std::string schedule;             // its schedule text
};

// The EQCOST records of a piece of equipment in category order (EQC:KeyEquipmentID).
std::vector<CostRow> readCostRows(frame::Context& ctx, const std::string& equipmentId);

// A field of a row's record by name ("EQC:CostCategory"); monostate for an unknown name.
data::Value costField(const CostRow& row, std::string_view field);

// A number field's value as a Decimal (an integer as itself, anything else 0).
Decimal decimalOf(const data::Value& v);

// What a category cost in a fiscal year and in one period of it (the EQPRIORC and EQPRIORCM
// records; zeros where there is none).
struct PeriodCost {
  Decimal yearUnits, yearAmount, monthUnits, monthAmount;
};

// The categories of a piece of equipment with their cost in a fiscal year and period, and the
// totals over them: cumulative (EQC:CumulativeAmount), the year's and the period's.
struct CategoryCosts {
  std::vector<CostRow> rows;
  std::map<std::int64_t, PeriodCost> byPosition;  // by the row's record position
  Decimal cumulative, year, month;
};
CategoryCosts categoryCosts(frame::Context& ctx, const std::string& equipmentId, int year,
                            std::int64_t period);

// ---- Apply to All -------------------------------------------------------------------------------

struct ApplyToAllResult {
  int equipmentUpdated = 0;  // pieces of equipment that got at least one record written
  int added = 0;             // EQCOST records written
  int failed = 0;            // records that could not be written (each reported on its own)
  bool refused = false;      // the company stayed busy: nothing was written
};

// Adds every EQCODE category, with its defaults, to every EQHEADER record that lacks it
// (EQC:RecordID = equipment ID padded to 10 + category), in one transaction begun within
// `wait`; when it cannot begin, nothing is written. An insert the file refuses is reported
// through the error object and not counted as added; a failure of the store itself ends the
// run and keeps nothing of it.
ApplyToAllResult applyCategoriesToAll(frame::Context& ctx,
                                      std::chrono::milliseconds wait = data::kWriterWait);

// The "Process Complete" text for the result; failures add a line saying how many.
std::string applyToAllMessage(const ApplyToAllResult& result);

}  // namespace koreq::equipment
