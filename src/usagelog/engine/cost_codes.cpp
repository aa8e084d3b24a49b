#include "usagelog/engine/cost_codes.h"

#include "data/records.h"
#include "frame/context.h"

namespace koreq::usagelog {

int costCodeLength(frame::Context& ctx) {
  int length = static_cast<int>(ctx.session().g.COSTCODELEN);
  if (length == 0) {
    data::Access<data::Systems> systems(ctx.store(), ctx.errors());
    systems.set(data::Systems::def().primaryKey());
    if (systems.next() == data::kNoError) length = systems.rec().CostCodeLength;
  }
  return length;
}

char costTypeOf(std::string_view costCode, int costCodeLength) {
  const auto at = static_cast<std::size_t>(costCodeLength < 0 ? 0 : costCodeLength);
  return at < costCode.size() ? costCode[at] : ' ';
}

}  // namespace koreq::usagelog
