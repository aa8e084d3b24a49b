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

}  // namespace koreq::cli
