#include "app/record_json.h"

#include <cstdio>

namespace koreq::cli {

std::string timeText(Time t) {
  if (t.isEmpty()) return {};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour(), t.minute(), t.second());
  return buf;
}

Json fieldToJson(const data::FieldDef& f, const void* rec) {
  data::Value v = f.get(rec);
  if (auto d = std::get_if<Decimal>(&v))
    return f.places == 0 ? std::to_string(d->toLong()) : d->toString();
  if (auto n = std::get_if<std::int64_t>(&v)) return *n;
  if (auto s = std::get_if<std::string>(&v)) return *s;
  if (auto dt = std::get_if<Date>(&v)) return dt->toIso();
  if (auto t = std::get_if<Time>(&v)) return timeText(*t);
  return nullptr;
}

Json recordToJson(const data::FileDef& def, const void* rec) {
  Json o = Json::object();
  for (const auto& f : def.fields) o[f.name] = fieldToJson(f, rec);
  return o;
}

bool jsonToValue(const Json& j, data::Value* out, std::string* why) {
  switch (j.type()) {
    case Json::value_t::null:
      *out = std::monostate{};
      return true;
    case Json::value_t::boolean:
      *out = std::int64_t{j.get<bool>() ? 1 : 0};
      return true;
    case Json::value_t::string:
      *out = j.get<std::string>();
      return true;
    case Json::value_t::number_integer:
      *out = j.get<std::int64_t>();
      return true;
    case Json::value_t::number_unsigned: {
      auto u = j.get<std::uint64_t>();
      if (u > static_cast<std::uint64_t>(INT64_MAX)) {
        if (why) *why = "number out of range";
        return false;
      }
      *out = static_cast<std::int64_t>(u);
      return true;
    }
    case Json::value_t::number_float:
      // The shortest text that reads back as the same double: the digits as written.
      *out = j.dump();
      return true;
    default:
      if (why)
        *why = "expected a text, number, true/false or null, not " + std::string(j.type_name());
      return false;
  }
}

}  // namespace koreq::cli
