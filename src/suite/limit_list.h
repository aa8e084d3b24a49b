#pragma once

// The suite's limit lists (LIMLIST): rows under a tag, a report format's number and a file
// name, each limiting one user-defined field of that file to a value. BROWSELIMLISTUD edits
// them; the reports read them.

#include <cstdint>
#include <string>
#include <vector>

#include "frame/context.h"

namespace koreq::suite {

// The equipment file has fifteen user-defined fields (EQH:UD1 … EQH:UD15).
inline constexpr int kUserDefinedFields = 15;

struct LimitRow {
  std::int64_t recordId = 0;
  int fieldNumber = 0;
  std::string value;
};

// The rows with that tag, number and file name in LL:KeyLimit order.
std::vector<LimitRow> limitRows(frame::Context& ctx, const std::string& tag, std::uint32_t limitId,
                                const std::string& fileName);

// The prompts of the equipment's fifteen user-defined fields (USERDEF of "EQHeader"), each
// "User Defined n" when it has none.
std::vector<std::string> userDefinedPrompts(frame::Context& ctx);

}  // namespace koreq::suite
