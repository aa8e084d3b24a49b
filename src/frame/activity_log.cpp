#include "frame/activity_log.h"

#include "data/records.h"

namespace koreq::frame {

bool logActivity(Context& ctx, std::string_view area, std::string_view text) {
  if (ctx.session().g.LogUserActivity != 2) return false;
  auto& log = ctx.access<data::UserLog>();
  if (log.prime() != data::kNoError) return false;
  data::UserLog& r = log.rec();
  r.UserID = ctx.userId();
  r.Date = ctx.today();
  r.Time = ctx.clock().now();
  r.Area = area;
  r.Text = text;
  return log.insert() == data::kNoError;
}

}  // namespace koreq::frame
