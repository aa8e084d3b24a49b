#pragma once

// The records that hang on an equipment ID besides the EQHEADER record itself, and the rules
// that keep them on the right equipment: what goes with a deleted piece, what an abandoned new
// one leaves behind, and whether a category may be renamed. No window code: the equipment
// lists, the equipment form and the category form call these.

#include <optional>
#include <string>

#include "frame/context.h"
#include "runtime/decimal.h"

namespace koreq::equipment {

// The IMAGES types of the equipment's photograph and of its attachments.
inline constexpr const char* kPhotoImageType = "Equipment";
inline constexpr const char* kAttachmentImageType = "EQHeader";

// Whether posted (EQLOG) or unposted (EQLOGB) usage-log entries name the equipment.
bool hasLogEntries(frame::Context& ctx, const std::string& equipmentId);

// Whether an EQHEADER record holds the ID.
bool equipmentExists(frame::Context& ctx, const std::string& equipmentId);

// What removeRecordsUnder took away.
struct RemovedRecords {
  int costCategories = 0;  // EQCOST
  int scheduleRows = 0;    // GLDEPR
  int images = 0;          // IMAGES: the photograph and the attachments, with their stored bytes
  int notes = 0;           // NOTES
  int total() const { return costCategories + scheduleRows + images + notes; }
};

// Removes every record kept under the equipment ID apart from the EQHEADER record and the
// posted history (EQLOG, GLTRANS, the EQPRIOR* totals stay). A blank ID owns nothing. Throws
// data::StoreError on the first failure: run it inside the transaction of the whole change.
RemovedRecords removeRecordsUnder(frame::Context& ctx, const std::string& equipmentId);

// How many pieces of equipment carry the category (have an EQCOST record of it).
int equipmentCarrying(frame::Context& ctx, const std::string& categoryId);

// The message refusing to change the code of a category that equipment carries.
std::string categoryCodeInUseMessage(const std::string& categoryId, int pieces);

// The average units per day of the usage log of one piece of equipment: the unit total divided
// by the days from the first to the last entry (the total itself when they fall on one day).
// Nothing when the equipment has no entries.
std::optional<Decimal> averageUnitsPerDay(frame::Context& ctx, const std::string& equipmentId);

}  // namespace koreq::equipment
