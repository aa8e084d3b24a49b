#pragma once

// The editable drop lists: values kept in DROPLIST under a list name ("EQH Class Code").

#include <string>
#include <string_view>
#include <vector>

#include "frame/context.h"

namespace koreq::suite {

// The values of a list in key order (alphabetical).
std::vector<std::string> dropListValues(frame::Context& ctx, std::string_view listName);

// Each answers whether the list changed. A blank value, a value already in the list (after
// being cut to the field's 30 characters) or a value not in the list changes nothing; a failed
// write is reported through the error object.
bool addDropListValue(frame::Context& ctx, std::string_view listName, std::string_view value);
bool removeDropListValue(frame::Context& ctx, std::string_view listName, std::string_view value);
bool renameDropListValue(frame::Context& ctx, std::string_view listName, std::string_view from,
                         std::string_view to);

}  // namespace koreq::suite
