#include "equipment/engine/cost_rules.h"

#include <utility>

#include "data/records.h"

namespace koreq::equipment {

namespace {

constexpr int kScheduleTextLength = 60;

std::int64_t whole(const data::Value& v) {
  std::int64_t n = 0;
  data::detail::toInteger(v, &n, nullptr);
  return n;
}

// What a category hands to the EQCOST records made from it: EQC field, EQD field.
constexpr std::pair<const char*, const char*> kDefaultFields[] = {
    {"EQC:UnitName", "EQD:DefaultUnit"},
    {"EQC:ControlDebit", "EQD:DefaultExpenseControl"},
    {"EQC:ControlCredit", "EQD:DefaultContraExpenseControl"},
    {"EQC:ScheduleType", "EQD:ScheduleType"},
    {"EQC:MeterName", "EQD:MeterName"},
    {"EQC:Meter", "EQD:Meter"},
    {"EQC:IntervalName", "EQD:IntervalName"},
    {"EQC:Interval", "EQD:Interval"},
};

// Every category record, in file order.
std::vector<std::vector<data::Value>> readCategories(frame::Context& ctx) {
  data::FileAccess f(ctx.store(), data::EqCode::def(), ctx.errors());
  f.set(data::EqCode::def().primaryKey());
  std::vector<std::vector<data::Value>> out;
  while (f.next() == data::kNoError) out.push_back(f.values());
  return out;
}

// The schedule types as stored and as the drop list shows them.
constexpr ScheduleType kScheduleTypes[] = {{"N", "None", false, false},
                                           {"M", "Meter", true, false},
                                           {"E", "Elapsed Time", false, true},
                                           {"B", "Meter or Elapsed Time", true, true}};

}  // namespace

const ScheduleType& scheduleByLetter(const std::string& letter) {
  for (const ScheduleType& t : kScheduleTypes)
    if (letter == t.letter) return t;
  return kScheduleTypes[0];
}

std::string scheduleLetter(const std::string& shown) {
  for (const ScheduleType& t : kScheduleTypes)
    if (clipped(shown) == t.shown) return t.letter;
  return "N";
}

std::string scheduleShown(const std::string& letter) {
  return scheduleByLetter(letter).shown;
}

std::string costRecordId(const std::string& equipmentId, const std::string& category) {
  return padRight(cutToChars(clipped(equipmentId), 10), 10) + clipped(category);
}

void copyCategoryDefaults(const data::FileAccess& code, data::FileAccess& cost) {
  for (const auto& [to, from] : kDefaultFields) cost.put(to, code.get(from));
}

std::string scheduleText(const std::string& type, const std::string& meterName, std::int64_t meter,
                         const std::string& intervalName, std::int64_t interval) {
  const std::string t = clipped(type);
  const std::string byMeter = std::to_string(meter) + " " + clipped(meterName);
  const std::string byTime = std::to_string(interval) + " " + clipped(intervalName);
  std::string out;
  if (t == "M")
    out = "Every " + byMeter;
  else if (t == "E")
    out = "Every " + byTime;
  else if (t == "B")
    out = "Every " + byTime + " or " + byMeter;
  else
    out = "None";
  return cutToChars(out, kScheduleTextLength);
}

std::string scheduleText(const data::FileAccess& cost) {
  return scheduleText(cost.text("EQC:ScheduleType"), cost.text("EQC:MeterName"),
                      whole(cost.get("EQC:Meter")), cost.text("EQC:IntervalName"),
                      whole(cost.get("EQC:Interval")));
}

std::vector<CostRow> readCostRows(frame::Context& ctx, const std::string& equipmentId) {
  data::FileAccess cost(ctx.store(), data::EqCost::def(), ctx.errors());
  data::FileAccess code(ctx.store(), data::EqCode::def(), ctx.errors());
  cost.setRange(*data::EqCost::def().key("KeyEquipmentID"),
                {data::Value(clipped(cutToChars(equipmentId, 10)))});
  std::vector<CostRow> rows;
  while (cost.next() == data::kNoError) {
    CostRow r;
    r.position = cost.position();
    r.values = cost.values();
    if (code.fetch("KeyCategoryID", {cost.get("EQC:CostCategory")}) == data::kNoError)
      r.description = code.text("EQD:Description");
    r.schedule = scheduleText(cost);
    rows.push_back(std::move(r));
  }
  return rows;
}

data::Value costField(const CostRow& row, std::string_view field) {
  const int i = data::EqCost::def().fieldIndex(field);
  if (i < 0 || static_cast<std::size_t>(i) >= row.values.size()) return {};
  return row.values[static_cast<std::size_t>(i)];
}

Decimal decimalOf(const data::Value& v) {
  if (const Decimal* d = std::get_if<Decimal>(&v)) return *d;
  if (const std::int64_t* n = std::get_if<std::int64_t>(&v)) return Decimal(*n);
  return Decimal();
}

CategoryCosts categoryCosts(frame::Context& ctx, const std::string& equipmentId, int year,
                            std::int64_t period) {
  CategoryCosts out;
  data::FileAccess years(ctx.store(), data::EqPriorC::def(), ctx.errors());
  data::FileAccess months(ctx.store(), data::EqPriorCM::def(), ctx.errors());
  out.rows = readCostRows(ctx, equipmentId);
  for (const CostRow& r : out.rows) {
    const data::Value id = costField(r, "EQC:EquipmentID");
    const data::Value category = costField(r, "EQC:CostCategory");
    PeriodCost c;
    if (years.fetch("KeyEquipmentCategoryYear", {id, category, data::Value(std::int64_t{year})}) ==
        data::kNoError) {
      c.yearUnits = decimalOf(years.get("EQPC:Units"));
      c.yearAmount = decimalOf(years.get("EQPC:Amount"));
    }
    if (months.fetch("KeyEquipmentCategoryYearPeriod",
                     {id, category, data::Value(std::int64_t{year}), data::Value(period)}) ==
        data::kNoError) {
      c.monthUnits = decimalOf(months.get("EQPCM:Units"));
      c.monthAmount = decimalOf(months.get("EQPCM:Amount"));
    }
    out.cumulative += decimalOf(costField(r, "EQC:CumulativeAmount"));
    out.year += c.yearAmount;
    out.month += c.monthAmount;
    out.byPosition[r.position] = c;
  }
  return out;
}

// ---- Apply to All -------------------------------------------------------------------------------

ApplyToAllResult applyCategoriesToAll(frame::Context& ctx, std::chrono::milliseconds wait) {
  ApplyToAllResult r;
  const std::vector<std::vector<data::Value>> categories = readCategories(ctx);
  data::Transaction t(ctx.store(), wait);
  if (!t.begun()) {
    r.refused = true;
    return r;
  }
  bool storeFailed = false;

  data::FileAccess equipment(ctx.store(), data::EqHeader::def(), ctx.errors());
  data::FileAccess cost(ctx.store(), data::EqCost::def(), ctx.errors());
  data::FileAccess code(ctx.store(), data::EqCode::def(), ctx.errors());
  equipment.set(data::EqHeader::def().primaryKey());
  while (!storeFailed && equipment.next() == data::kNoError) {
    const std::string id = equipment.text("EQH:EquipmentID");
    bool updated = false;
    for (const std::vector<data::Value>& c : categories) {
      code.assign(c);
      const std::string category = code.text("EQD:CategoryID");
      const std::string key = costRecordId(id, category);
      if (cost.fetch("KeyRecordID", {data::Value(key)}) == data::kNoError) continue;
      if (cost.prime() != data::kNoError) {
        ++r.failed;
        continue;
      }
      cost.put("EQC:RecordID", key);
      cost.put("EQC:EquipmentID", id);
      cost.put("EQC:CostCategory", category);
      copyCategoryDefaults(code, cost);
      if (cost.insert() != data::kNoError) {
        ++r.failed;
        // A record the file refuses lets the others go on; after a failure of the store
        // itself nothing more can be written in this change.
        storeFailed = ctx.store().abandoned();
        if (storeFailed) break;
        continue;
      }
      ++r.added;
      updated = true;
    }
    if (updated) ++r.equipmentUpdated;
  }

  try {
    t.commit();
  } catch (const data::StoreError& e) {
    // Nothing of the run was kept.
    ctx.errors().report(e.code(), std::string(e.what()) + " Inserting EQCost");
    r.failed += r.added;
    r.added = 0;
    r.equipmentUpdated = 0;
  }
  return r;
}

std::string applyToAllMessage(const ApplyToAllResult& r) {
  std::string text;
  if (r.equipmentUpdated == 0)
    text = "No new categories were added to existing|equipment records.";
  else if (r.equipmentUpdated == 1)
    text = "New categories were added to one existing|equipment record.";
  else
    text = "New categories were added to " + std::to_string(r.equipmentUpdated) +
           " existing|equipment records.";
  if (r.failed == 1)
    text += "||One category could not be added to its equipment.";
  else if (r.failed > 1)
    text += "||" + std::to_string(r.failed) + " categories could not be added to their equipment.";
  return text;
}

bool categoryInUse(frame::Context& ctx, const std::string& categoryId) {
  data::FileAccess cost(ctx.store(), data::EqCost::def(), ctx.errors());
  return cost.fetch("KeyCostCategory", {data::Value(clipped(categoryId))}) == data::kNoError;
}

}  // namespace koreq::equipment
