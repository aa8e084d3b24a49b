#pragma once

// The suite's activity log: who changed what, when. Written only when the company logs
// user activity (GLO:LogUserActivity = 2).

#include <string_view>

#include "frame/context.h"

namespace koreq::frame {

// Writes one USERLOG entry (user, today, now, area cut to 40 and text to 100 characters)
// through the context's USERLOG access, so it joins a transaction the caller has open and
// goes with it when that is rolled back. Returns whether an entry was written; a failed write
// is reported through the error object (" Inserting UserLog").
bool logActivity(Context& ctx, std::string_view area, std::string_view text);

}  // namespace koreq::frame
