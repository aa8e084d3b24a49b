#pragma once

// Case modes per field name, kept for the forms that let the user choose how a field is cased.

#include <string>
#include <string_view>

#include "frame/context.h"

namespace koreq::suite {

// "000" + field name: the stored mode ("DEF", "CAP" or "UPR"), or "" when none is stored.
// "DEF", "CAP" or "UPR" + field name: stores that mode and returns it. Any other text, or a
// blank field name, does nothing and returns "". The mode letters may be in either case;
// field names are matched exactly and kept to 40 characters. A failed write is reported
// through the error object and returns "".
std::string GETCASE(frame::Context& ctx, std::string_view arg);

}  // namespace koreq::suite
