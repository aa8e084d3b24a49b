#include "reports/maintenance.h"

#include "data/access.h"
#include "data/store.h"
#include "frame/activity_log.h"
#include "runtime/text.h"

namespace koreq::reports {

namespace {

constexpr std::int32_t kDaysAMonth = 30;

std::string every(std::uint32_t n, const std::string& name) {
  return "Every " + std::to_string(n) + " " + name;
}

}  // namespace

bool needsUnitsPerDay(const data::EqCost& c) {
  return c.ScheduleType == "M" || c.ScheduleType == "B";
}

Date timeDueDate(const data::EqCost& c) {
  const std::string name = clipped(c.IntervalName.str());
  const auto interval = static_cast<std::int32_t>(c.Interval);
  if (name == "Days") return Date(c.LastServiceDate.day() + interval);
  if (name == "Months") return Date(c.LastServiceDate.day() + kDaysAMonth * interval);
  return {};
}

Date meterDueDate(std::uint32_t nextMeter, const Decimal& currentMeter, const Decimal& unitsPerDay,
                  Date today) {
  if (unitsPerDay.isZero()) return {};
  const Decimal days = (Decimal(std::int64_t{nextMeter}) - currentMeter) / unitsPerDay;
  return Date(today.day() + static_cast<std::int32_t>(days.toLong()));
}

ServiceLine serviceLine(const data::EqCost& c, const Decimal& currentMeter,
                        const Decimal& unitsPerDay, Date today) {
  ServiceLine line;
  const std::string type = clipped(c.ScheduleType.str());
  const std::string meterName = clipped(c.MeterName.str());
  const std::string intervalName = clipped(c.IntervalName.str());
  const bool meterSetUp = c.Meter != 0 && !meterName.empty();
  const bool timeSetUp = c.Interval != 0 && !intervalName.empty();
  if (type == "M") {
    line.schedule = every(c.Meter, meterName);
    if (!meterSetUp) line.error = kImproperSetup;
  } else if (type == "E") {
    line.schedule = every(c.Interval, intervalName);
    if (!timeSetUp) line.error = kImproperSetup;
  } else if (type == "B") {
    line.schedule =
        every(c.Interval, intervalName) + " or " + std::to_string(c.Meter) + " " + meterName;
    if (!meterSetUp || !timeSetUp) line.error = kImproperSetup;
  } else {
    line.skipped = true;
    return line;
  }
  if (type != "E") {
    if (unitsPerDay.isZero()) {
      line.skipped = true;
      return line;
    }
    line.nextMeter = c.LastServiceMeter + c.Meter;
    line.due = meterDueDate(line.nextMeter, currentMeter, unitsPerDay, today);
  }
  if (type != "M") {
    const Date byTime = timeDueDate(c);
    if (type == "E" || (!byTime.isEmpty() && byTime < line.due)) line.due = byTime;
  }
  return line;
}

bool printsServiceLine(const ServiceLine& line, const data::EqLimits& f) {
  if (line.skipped) return false;
  if (!line.error.empty() && f.PrintTransactionDetail != 1) return false;
  if (f.SelectedDates != 0 && (line.due < f.DateFrom || line.due > f.DateTo)) return false;
  return true;
}

Decimal estimateUnitsPerDay(frame::Context& ctx, const std::string& equipmentId) {
  data::Access<data::EqLog> log(ctx.store(), ctx.errors());
  log.setRange(*data::EqLog::def().key("KeyEquipmentID"), {equipmentId});
  Date first, last;
  Decimal units;
  bool any = false;
  for (;;) {
    const int rc = log.next();
    if (rc == data::kRecordNotFound) break;
    if (rc != data::kNoError) throw data::StoreError(rc, log.lastErrorText());
    const data::EqLog& e = log.rec();
    if (!any || e.Date < first) first = e.Date;
    if (!any || e.Date > last) last = e.Date;
    units += e.Units;
    any = true;
  }
  if (!any) return Decimal();
  if (first == last) return units;
  return units / std::int64_t{last.day() - first.day()};
}

bool storeUnitsPerDay(frame::Context& ctx, const std::string& equipmentId, const Decimal& value) {
  bool reported = false;
  std::string why;
  const bool stored = data::allOrNothing(
      ctx.store(),
      [&](std::string*) {
        data::Access<data::EqHeader> eq(ctx.store(), ctx.errors());
        if (eq.fetch("EQH:KeyEquipmentID", {equipmentId}) != data::kNoError) return false;
        eq.rec().UnitsPerDay = value;
        if (eq.update() != data::kNoError) {
          reported = true;  // " Saving EQHeader"
          return false;
        }
        frame::logActivity(ctx, "EQ Equipment Setup",
                           "Changed equipment (" + equipmentId + "): average units per day " +
                               value.toPlainString() + ", estimated from its usage");
        return true;
      },
      &why);
  // A company busy with another writer, or a failed commit: said too, and the report goes on.
  if (!stored && !reported && !why.empty())
    ctx.errors().report(data::kNoTransaction, why + " Saving EQHeader");
  return stored;
}

}  // namespace koreq::reports
