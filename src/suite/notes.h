#pragma once

// Dated notes kept in NOTES, here those of a piece of equipment.

#include <cstdint>
#include <string_view>
#include <vector>

#include "data/records.h"
#include "frame/context.h"

namespace koreq::suite {

// The equipment's notes, oldest first (date, then time). A blank ID has none: the notes of
// other entities carry a blank equipment ID.
std::vector<data::Notes> equipmentNotes(frame::Context& ctx, std::string_view equipmentId);

// Inserts a note with a new record number, which it returns (0 when the write failed; the
// failure is reported through the error object). A blank date, time or user becomes today,
// now and the signed-on user.
std::int32_t addNote(frame::Context& ctx, data::Notes note);
// Writes the note over the stored one of the same record number; false when there is none or
// the write failed.
bool changeNote(frame::Context& ctx, const data::Notes& note);
bool deleteNote(frame::Context& ctx, std::int32_t recordId);
// Deletes every note of the equipment (none for a blank ID) and answers how many went. A failed
// delete is reported
// (" Deleting Notes") and the walk goes on. Runs inside the caller's transaction, if any, so
// the notes go only when the equipment does.
int deleteEquipmentNotes(frame::Context& ctx, std::string_view equipmentId);

}  // namespace koreq::suite
