#include "frame/names.h"

#include "data/view.h"

namespace koreq::frame {

void ContextNames::bind(std::string_view name, std::function<ExprValue()> value) {
  bound_[upper(name)] = std::move(value);
}

void ContextNames::unbind(std::string_view name) {
  auto it = bound_.find(upper(name));
  if (it != bound_.end()) bound_.erase(it);
}

std::optional<ExprValue> ContextNames::lookup(std::string_view name) const {
  if (auto it = bound_.find(upper(name)); it != bound_.end()) return it->second();
  data::FileAccess* owner = nullptr;
  if (const data::FieldDef* f = ctx_.fieldByName(name, &owner))
    return data::toExprValue(f->get(owner->buffer()));
  if (ctx_.hasGlobal(name)) return data::toExprValue(ctx_.global(name));
  return std::nullopt;
}

}  // namespace koreq::frame
