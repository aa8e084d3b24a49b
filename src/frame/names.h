#pragma once

#include <functional>
#include <map>
#include <string>

#include "frame/context.h"
#include "runtime/expr.h"

namespace koreq::frame {

// The names an expression of a window or report may use: the values the procedure binds
// (ShowActive, a report's totals), every field of the context's record buffers by its prefixed
// name (EQH:Active, GLT:Amount), and the shared globals (USERID, GLO:LogUserActivity).
class ContextNames final : public NameResolver {
 public:
  explicit ContextNames(Context& ctx) : ctx_(ctx) {}

  void bind(std::string_view name, std::function<ExprValue()> value);
  void unbind(std::string_view name);
  std::optional<ExprValue> lookup(std::string_view name) const override;

 private:
  Context& ctx_;
  std::map<std::string, std::function<ExprValue()>, std::less<>> bound_;  // upper-cased names
};

}  // namespace koreq::frame
