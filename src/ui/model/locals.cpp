#include "ui/model/locals.h"

namespace koreq::ui {

void Locals::add(Binding b) {
  std::string want = upper(b.name);
  for (Binding& v : vars_)
    if (upper(v.name) == want) {
      v = std::move(b);
      return;
    }
  vars_.push_back(std::move(b));
}

const Binding* Locals::find(std::string_view name) const {
  std::string want = upper(name);
  for (const Binding& v : vars_)
    if (upper(v.name) == want) return &v;
  return nullptr;
}

data::Value Locals::get(std::string_view name) const {
  const Binding* b = find(name);
  return b ? b->get() : data::Value();
}

bool Locals::set(std::string_view name, const data::Value& v, std::string* why) {
  const Binding* b = find(name);
  if (!b) {
    if (why) *why = "no local " + std::string(name);
    return false;
  }
  return b->set(v, why);
}

}  // namespace koreq::ui
