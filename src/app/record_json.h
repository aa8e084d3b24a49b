#pragma once

// Records as JSON objects, as `koreq dump` writes them and `koreq load` reads them: keys are the
// prefixed field names; Decimal fields are strings with their places ("1234.50", "12"), dates
// "YYYY-MM-DD", times "HH:MM:SS" (empty ones ""), whole numbers JSON numbers, texts clipped.

#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "data/field.h"

namespace koreq::cli {

using Json = nlohmann::ordered_json;

std::string timeText(Time t);

// A text as a JSON string, exactly as Json::dump writes it (bytes that are not UTF-8 replaced).
void appendJsonString(std::string& out, std::string_view text);
// A field of a record buffer as its JSON value.
void appendFieldJson(std::string& out, const data::FieldDef& f, const void* rec);

}  // namespace koreq::cli
