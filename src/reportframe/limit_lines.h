#pragma once

// The limit lines a report prints in its footer (RPTLIMITQ) and exports after "Report
// Parameters:", and the user-defined-field limits of a format, which both give lines and select
// equipment.

#include <cstdint>
#include <string>
#include <vector>

#include "data/records.h"
#include "frame/context.h"
#include "suite/limit_list.h"

namespace koreq::reportframe {

// A format's limits on the equipment's user-defined fields: its LIMLIST rows of tag
// "EQLimits", its number and file "EQHeaderUD", in key order.
class EquipmentUdLimits {
 public:
  explicit EquipmentUdLimits(std::vector<suite::LimitRow> rows) : rows_(std::move(rows)) {}
  static EquipmentUdLimits read(frame::Context& ctx, std::uint32_t limitId);

  // Whether the equipment passes every limit: its field of the row's number equals the row's
  // value without regard to case or trailing blanks. A row of a number outside 1 to 15 limits
  // nothing.
  bool selects(const data::EqHeader& equipment) const;
  // "Equipment User Defined: " + the field's prompt + " = " + the value, a line per row of a
  // number from 1 to 15; `prompts` are the fifteen prompts (suite::userDefinedPrompts).
  std::vector<std::string> lines(const std::vector<std::string>& prompts) const;
  // The same, the prompts read only when there is a row.
  std::vector<std::string> lines(frame::Context& ctx) const;

  const std::vector<suite::LimitRow>& rows() const { return rows_; }

 private:
  std::vector<suite::LimitRow> rows_;
};

// Which of the shared lines a report supports.
struct LimitLineParts {
  bool equipment = true;
  bool category = true;
  bool inactive = true;
  bool classes = true;
};

// The limit lines of a format in their order: the report's first line, "Report Title: ", the
// report's own lines, the equipment range, the cost-category range, inactive equipment
// included or excluded, the class range, the date or period line (when not blank), and the
// user-defined-field lines.
std::vector<std::string> formatLimitLines(const data::EqLimits& f, const std::string& first,
                                          const std::vector<std::string>& own,
                                          const std::string& dateLine,
                                          const std::vector<std::string>& udLines,
                                          LimitLineParts parts = {});

// "<what>: first" when both ends are the same, else "<what> from first to last".
std::string rangeLine(const std::string& what, const std::string& from, const std::string& to);

}  // namespace koreq::reportframe
