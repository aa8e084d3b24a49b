#include "suite/limit_list.h"

#include "data/access.h"
#include "data/records.h"
#include "runtime/text.h"

namespace koreq::suite {

std::vector<LimitRow> limitRows(frame::Context& ctx, const std::string& tag, std::uint32_t limitId,
                                const std::string& fileName) {
  data::Access<data::LimList> f(ctx.store(), ctx.errors());
  f.setRange(*f.def().key("KeyLimit"),
             {data::Value(clipped(cutToChars(tag, 10))), data::Value(std::int64_t{limitId}),
              data::Value(clipped(cutToChars(fileName, 20)))});
  std::vector<LimitRow> out;
  while (f.next() == data::kNoError)
    out.push_back({f.rec().RecordID, f.rec().FieldNumber, f.rec().Value.str()});
  return out;
}

std::vector<std::string> userDefinedPrompts(frame::Context& ctx) {
  std::vector<std::string> out;
  data::FileAccess f(ctx.store(), data::UserDef::def(), ctx.errors());
  const bool found = f.fetch("KeyFile", {data::Value(std::string("EQHeader"))}) == data::kNoError;
  for (int i = 1; i <= kUserDefinedFields; ++i) {
    std::string prompt = found ? f.text("USD:U" + std::to_string(i)) : std::string();
    out.push_back(prompt.empty() ? "User Defined " + std::to_string(i) : prompt);
  }
  return out;
}

}  // namespace koreq::suite
