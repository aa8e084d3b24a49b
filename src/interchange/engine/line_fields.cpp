#include "interchange/engine/line_fields.h"

#include <algorithm>

#include "data/records.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::interchange {

const std::array<FieldCode, 16>& fieldCodes() {
  static const std::array<FieldCode, 16> codes = {{
      {'Q', LineField::EquipmentID, "Equipment ID", "EQ ID"},
      {'S', LineField::StartMeter, "Meter Start", "Meter Start"},
      {'F', LineField::EndMeter, "Meter End", "Meter End"},
      {'U', LineField::Units, "Total Units", "Units"},
      {'T', LineField::ChargeType, "Charge Type", "Charge Type"},
      {'D', LineField::DetailType, "Detail Type", "Detail Type"},
      {'G', LineField::GLAccount, "GL Account", "GL Account"},
      {'J', LineField::JobID, "Job ID", "Job ID"},
      {'C', LineField::CostCode, "Cost Code", "Cost Code"},
      {'P', LineField::EquipmentCharged, "Equipment Charged", "EQ Charged"},
      {'A', LineField::Category, "Category", "Category"},
      {'M', LineField::Comment, "Comment", "Comment"},
      {'#', LineField::Date, "Date", "Date"},
      {'L', LineField::Location, "Location", "Location"},
      {'E', LineField::EmployeeID, "Employee ID", "Employee"},
      {'0', LineField::Unused, "Unused", ""},
  }};
  return codes;
}

const FieldCode* fieldCode(char code) {
  for (const FieldCode& c : fieldCodes())
    if (c.code == code) return &c;
  return nullptr;
}

const FieldCode& fieldCode(LineField field) {
  return fieldCodes()[static_cast<std::size_t>(field)];
}

const FieldCode* fieldCodeNamed(std::string_view contents) {
  for (const FieldCode& c : fieldCodes())
    if (contents == c.contents) return &c;
  return nullptr;
}

bool isDateFormat(std::string_view format) {
  format = clip(format);
  return std::find(kDateFormats.begin(), kDateFormats.end(), format) != kDateFormats.end();
}

namespace {
MapItem itemAt(std::string_view map, std::size_t at) {
  MapItem item;
  item.code = map[at];
  auto digit = [&](std::size_t i) {
    char c = i < map.size() ? map[i] : '0';
    return c >= '0' && c <= '9' ? c - '0' : 0;
  };
  item.length = digit(at + 1) * 10 + digit(at + 2);
  return item;
}
}  // namespace

std::vector<MapItem> unpackMap(std::string_view map) {
  map = clip(map);
  std::vector<MapItem> items;
  for (std::size_t at = 0; at + 3 <= map.size() && items.size() < kMaxMapItems; at += 3)
    items.push_back(itemAt(map, at));
  return items;
}

std::vector<MapItem> walkedItems(std::string_view map) {
  // Whole items only, as the source form lists them: a part of an item at the end is not
  // guessed at, so the import reads exactly the fields the form shows.
  map = clip(map);
  std::vector<MapItem> items;
  for (std::size_t at = 0; at + 3 <= map.size() && items.size() < kMaxMapItems; at += 3) {
    if (map.substr(at, 3) == "###") break;
    items.push_back(itemAt(map, at));
  }
  return items;
}

std::string packMap(const std::vector<MapItem>& items) {
  std::string map;
  for (std::size_t i = 0; i < items.size() && i < kMaxMapItems; ++i) {
    int length = std::clamp(items[i].length, 0, 99);
    map += items[i].code;
    map += static_cast<char>('0' + length / 10);
    map += static_cast<char>('0' + length % 10);
  }
  return map;
}

bool ensureBuiltInSource(frame::Context& ctx, std::string* why) {
  data::Access<data::JcLimits> sources(ctx.store(), ctx.errors());
  if (sources.fetch("KeyReport", {std::string(kImportReport), std::string(kBuiltInSource)}) ==
      data::kNoError)
    return true;
  auto failed = [&](std::string_view action) {
    if (why) *why = sources.lastErrorText() + std::string(action);
    return false;
  };
  if (sources.prime() != data::kNoError) return failed(" Autoincrementing JCLimits");
  data::JcLimits& s = sources.rec();
  s.Report = kImportReport;
  s.ReportTitle = kBuiltInSource;
  s.PrintOrder = std::string(1, kCommaDelimited);
  s.JobTo = kBuiltInDateFormat;
  s.SourceFlag = "P";
  s.FieldMap = kBuiltInMap;
  if (sources.insert() != data::kNoError) return failed(" Inserting JCLimits");
  return true;
}

}  // namespace koreq::interchange
