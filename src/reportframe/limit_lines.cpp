#include "reportframe/limit_lines.h"

#include "runtime/text.h"

namespace koreq::reportframe {

namespace {

using UdField = decltype(data::EqHeader::UD1) data::EqHeader::*;
constexpr UdField kUdFields[suite::kUserDefinedFields] = {
    &data::EqHeader::UD1,  &data::EqHeader::UD2,  &data::EqHeader::UD3,  &data::EqHeader::UD4,
    &data::EqHeader::UD5,  &data::EqHeader::UD6,  &data::EqHeader::UD7,  &data::EqHeader::UD8,
    &data::EqHeader::UD9,  &data::EqHeader::UD10, &data::EqHeader::UD11, &data::EqHeader::UD12,
    &data::EqHeader::UD13, &data::EqHeader::UD14, &data::EqHeader::UD15};

bool knownField(int n) {
  return n >= 1 && n <= suite::kUserDefinedFields;
}

}  // namespace

EquipmentUdLimits EquipmentUdLimits::read(frame::Context& ctx, std::uint32_t limitId) {
  return EquipmentUdLimits(suite::limitRows(ctx, "EQLimits", limitId, "EQHeaderUD"));
}

bool EquipmentUdLimits::selects(const data::EqHeader& equipment) const {
  for (const suite::LimitRow& r : rows_) {
    if (!knownField(r.fieldNumber)) continue;
    const std::string& value = (equipment.*kUdFields[r.fieldNumber - 1]).str();
    if (upper(clipped(value)) != upper(clipped(r.value))) return false;
  }
  return true;
}

std::vector<std::string> EquipmentUdLimits::lines(const std::vector<std::string>& prompts) const {
  std::vector<std::string> out;
  for (const suite::LimitRow& r : rows_) {
    const auto at = static_cast<std::size_t>(r.fieldNumber - 1);
    if (!knownField(r.fieldNumber) || at >= prompts.size()) continue;
    out.push_back("Equipment User Defined: " + clipped(prompts[at]) + " = " + clipped(r.value));
  }
  return out;
}

std::vector<std::string> EquipmentUdLimits::lines(frame::Context& ctx) const {
  if (rows_.empty()) return {};
  return lines(suite::userDefinedPrompts(ctx));
}

std::string rangeLine(const std::string& what, const std::string& from, const std::string& to) {
  const std::string a = clipped(from), b = clipped(to);
  if (a == b) return what + ": " + a;
  return what + " from " + a + " to " + b;
}

std::vector<std::string> formatLimitLines(const data::EqLimits& f, const std::string& first,
                                          const std::vector<std::string>& own,
                                          const std::string& dateLine,
                                          const std::vector<std::string>& udLines,
                                          LimitLineParts parts) {
  std::vector<std::string> out{first, "Report Title: " + clipped(f.ReportTitle.str())};
  out.insert(out.end(), own.begin(), own.end());
  if (parts.equipment && f.SelectedEquipment == 1)
    out.push_back(rangeLine("Equipment ID", f.EquipmentFrom, f.EquipmentTo));
  if (parts.category && f.SelectedCategory == 1)
    out.push_back(rangeLine("Cost Category", f.CategoryFrom, f.CategoryTo));
  if (parts.inactive)
    out.push_back(f.IncludeInactive == 1 ? "Inactive Equipment Included"
                                         : "Inactive Equipment Excluded");
  if (parts.classes && f.SelectedClass == 1)
    out.push_back(rangeLine("Class", f.ClassFrom, f.ClassTo));
  if (!clipped(dateLine).empty()) out.push_back(dateLine);
  out.insert(out.end(), udLines.begin(), udLines.end());
  return out;
}

}  // namespace koreq::reportframe
