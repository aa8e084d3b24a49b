#pragma once

// Records as JSON objects, as `koreq dump` writes them and `koreq load` reads them: keys are the
// prefixed field names; Decimal fields are strings with their places ("1234.50", "12"), dates
// "YYYY-MM-DD", times "HH:MM:SS" (empty ones ""), whole numbers JSON numbers, texts clipped.

#include <string>

#include <nlohmann/json.hpp>

#include "data/field.h"

namespace koreq::cli {

using Json = nlohmann::ordered_json;

std::string timeText(Time t);
Json fieldToJson(const data::FieldDef& f, const void* rec);
Json recordToJson(const data::FileDef& def, const void* rec);

}  // namespace koreq::cli
