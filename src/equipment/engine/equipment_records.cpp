#include "equipment/engine/equipment_records.h"

#include <set>

#include "data/records.h"
#include "suite/imagestore.h"

namespace koreq::equipment {

namespace {

// The rows of a file whose leading key fields equal `equal`.
std::vector<data::StoredRow> rowsOf(data::Store& store, const data::FileDef& file, const char* key,
                                    std::vector<data::Value> equal) {
  data::ScanSpec range;
  range.key = file.key(key);
  range.equal = std::move(equal);
  return store.scan(file, range);
}

int removeRows(data::Store& store, const data::FileDef& file,
               const std::vector<data::StoredRow>& rows) {
  for (const data::StoredRow& r : rows) store.remove(file, r.rowId);
  return static_cast<int>(rows.size());
}

bool anyRow(data::Store& store, const data::FileDef& file, const char* key,
            std::vector<data::Value> equal) {
  data::ScanSpec range;
  range.key = file.key(key);
  range.equal = std::move(equal);
  range.limit = 1;
  return store.count(file, &range) > 0;
}

}  // namespace

bool hasLogEntries(frame::Context& ctx, const std::string& equipmentId) {
  const data::Value id(clipped(equipmentId));
  return anyRow(ctx.store(), data::EqLog::def(), "KeyEquipmentID", {id}) ||
         anyRow(ctx.store(), data::EqLogB::def(), "KeyEquipmentID", {id});
}

bool equipmentExists(frame::Context& ctx, const std::string& equipmentId) {
  return anyRow(ctx.store(), data::EqHeader::def(), "KeyEquipmentID",
                {data::Value(clipped(equipmentId))});
}

RemovedRecords removeRecordsUnder(frame::Context& ctx, const std::string& equipmentId) {
  RemovedRecords out;
  const std::string id = clipped(equipmentId);
  // Notes and images of other owners carry a blank equipment ID.
  if (id.empty()) return out;
  data::Store& store = ctx.store();
  const data::Value v(id);
  out.costCategories = removeRows(store, data::EqCost::def(),
                                  rowsOf(store, data::EqCost::def(), "KeyEquipmentID", {v}));
  out.scheduleRows = removeRows(store, data::GlDepr::def(),
                                rowsOf(store, data::GlDepr::def(), "KeyEquipmentID", {v}));
  out.notes = removeRows(store, data::Notes::def(),
                         rowsOf(store, data::Notes::def(), "KeyEquipmentID", {v}));
  const int recordId = data::Images::def().fieldIndex("RecordID");
  for (const char* type : {kPhotoImageType, kAttachmentImageType}) {
    std::vector<data::StoredRow> rows =
        rowsOf(store, data::Images::def(), "KeyTypeStringID", {data::Value(std::string(type)), v});
    for (const data::StoredRow& r : rows)
      suite::removeStoredImage(
          store, std::get<std::int64_t>(r.values[static_cast<std::size_t>(recordId)]));
    out.images += removeRows(store, data::Images::def(), rows);
  }
  return out;
}

int equipmentCarrying(frame::Context& ctx, const std::string& categoryId) {
  const int equipment = data::EqCost::def().fieldIndex("EquipmentID");
  std::set<std::string> pieces;
  for (const data::StoredRow& r : rowsOf(ctx.store(), data::EqCost::def(), "KeyCostCategory",
                                         {data::Value(clipped(categoryId))}))
    pieces.insert(data::valueToText(r.values[static_cast<std::size_t>(equipment)]));
  return static_cast<int>(pieces.size());
}

std::string categoryCodeInUseMessage(const std::string& categoryId, int pieces) {
  return "The code of cost category " + clipped(categoryId) + " cannot be changed: " +
         (pieces == 1 ? std::string("one piece of equipment carries")
                      : std::to_string(pieces) + " pieces of equipment carry") +
         " it.";
}

std::optional<Decimal> averageUnitsPerDay(frame::Context& ctx, const std::string& equipmentId) {
  data::FileAccess log(ctx.store(), data::EqLog::def(), ctx.errors());
  const data::KeyDef& key = *data::EqLog::def().key("KeyEquipmentID");
  log.setRange(key, {data::Value(clipped(equipmentId))});
  std::int64_t count = 0;
  Date first, last;
  // The total keeps its decimals: a whole-number total would lose part units.
  Decimal total;
  while (log.next() == data::kNoError) {
    ++count;
    const Date d = std::get<Date>(log.get("EQL:Date"));
    if (first.isEmpty() || first > d) first = d;
    if (last.isEmpty() || last < d) last = d;
    total = total + std::get<Decimal>(log.get("EQL:Units"));
  }
  if (count == 0) return std::nullopt;
  if (first == last) return total;
  return total / static_cast<std::int64_t>(last.day() - first.day());
}

}  // namespace koreq::equipment
