#include "suite/notes.h"

namespace koreq::suite {

namespace {

using data::Value;
using Access = data::Access<data::Notes>;

// Own access objects: the caller's NOTES buffer (the highlighted note) stays as it was.
Access open(frame::Context& ctx) {
  return Access(ctx.store(), ctx.errors());
}

void rangeOfEquipment(Access& a, std::string_view equipmentId) {
  a.setRange(*a.def().key("KeyEquipmentID"), {Value(Str<10>(equipmentId).str())});
}

bool findById(Access& a, std::int32_t recordId) {
  return a.fetch("KeyRecordID", {Value(std::int64_t{recordId})}) == data::kNoError;
}

}  // namespace

std::vector<data::Notes> equipmentNotes(frame::Context& ctx, std::string_view equipmentId) {
  if (clip(equipmentId).empty()) return {};
  Access a = open(ctx);
  rangeOfEquipment(a, equipmentId);
  std::vector<data::Notes> out;
  while (a.next() == data::kNoError) out.push_back(a.rec());
  return out;
}

std::int32_t addNote(frame::Context& ctx, data::Notes note) {
  Access a = open(ctx);
  if (a.prime() != data::kNoError) return 0;
  note.RecordID = a.rec().RecordID;
  if (note.Date.isEmpty()) note.Date = ctx.today();
  if (note.Time.isEmpty()) note.Time = ctx.clock().now();
  if (note.UserID.empty()) note.UserID = ctx.userId();
  a.rec() = note;
  return a.insert() == data::kNoError ? note.RecordID : 0;
}

bool changeNote(frame::Context& ctx, const data::Notes& note) {
  Access a = open(ctx);
  if (note.RecordID == 0 || !findById(a, note.RecordID)) return false;
  a.rec() = note;
  return a.update() == data::kNoError;
}

bool deleteNote(frame::Context& ctx, std::int32_t recordId) {
  Access a = open(ctx);
  if (recordId == 0 || !findById(a, recordId)) return false;
  return a.remove() == data::kNoError;
}

int deleteEquipmentNotes(frame::Context& ctx, std::string_view equipmentId) {
  // Notes of other entities (ledger transactions) have a blank equipment ID.
  if (clip(equipmentId).empty()) return 0;
  Access a = open(ctx);
  rangeOfEquipment(a, equipmentId);
  int deleted = 0;
  while (a.next() == data::kNoError)
    if (a.remove() == data::kNoError) ++deleted;
  return deleted;
}

}  // namespace koreq::suite
