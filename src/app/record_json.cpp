#include "app/record_json.h"

#include <cstdio>

namespace koreq::cli {

std::string timeText(Time t) {
  if (t.isEmpty()) return {};
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour(), t.minute(), t.second());
  return buf;
}

void appendJsonString(std::string& out, std::string_view text) {
  // Nearly every text is printable ASCII without a quote or a backslash: written as it is.
  // Anything else (escapes, UTF-8 to check) is left to the library's own writer.
  for (char c : text) {
    if (c < 0x20 || c > 0x7E || c == '"' || c == '\\') {
      out += Json(std::string(text)).dump(-1, ' ', false, Json::error_handler_t::replace);
      return;
    }
  }
  out += '"';
  out += text;
  out += '"';
}

void appendFieldJson(std::string& out, const data::FieldDef& f, const void* rec) {
  const data::Value v = f.get(rec);
  if (auto d = std::get_if<Decimal>(&v)) {
    out += '"';
    out += f.places == 0 ? std::to_string(d->toLong()) : d->toString();
    out += '"';
  } else if (auto n = std::get_if<std::int64_t>(&v)) {
    out += std::to_string(*n);
  } else if (auto s = std::get_if<std::string>(&v)) {
    appendJsonString(out, *s);
  } else if (auto dt = std::get_if<Date>(&v)) {
    out += '"';
    out += dt->toIso();
    out += '"';
  } else if (auto t = std::get_if<Time>(&v)) {
    out += '"';
    out += timeText(*t);
    out += '"';
  } else {
    out += "null";
  }
}

}  // namespace koreq::cli
