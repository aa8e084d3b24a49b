#include "ui/model/window.h"

namespace koreq::ui {

Window::Window(const WindowDef& def)
    : def_(def), title_(def.title), help_(def.help), icon_(def.icon) {
  build(def.controls, nullptr);
  linkPrompts();
}

void Window::build(const std::vector<ControlDef>& defs, Control* parent) {
  for (const ControlDef& d : defs) {
    owned_.push_back(std::make_unique<Control>(*this, d, parent));
    Control* c = owned_.back().get();
    order_.push_back(c);
    build(d.children, c);
  }
}

// A prompt labels the control named in its "for", else the next control after it among its
// siblings that is not itself a label.
void Window::linkPrompts() {
  for (std::size_t i = 0; i < order_.size(); ++i) {
    Control* p = order_[i];
    if (p->kind() != ControlKind::Prompt) continue;
    if (!p->def().forControl.empty()) {
      if (Control* target = find(p->def().forControl)) target->setPrompt(p);
      continue;
    }
    for (std::size_t j = i + 1; j < order_.size(); ++j) {
      Control* c = order_[j];
      if (c->parent() != p->parent()) continue;
      if (c->kind() == ControlKind::Prompt) break;
      if (c->kind() == ControlKind::String) continue;
      if (!c->prompt()) c->setPrompt(p);
      break;
    }
  }
}

void Window::setTitle(std::string title) {
  title_ = std::move(title);
  if (observer_) observer_->changed(nullptr);
}

void Window::setHelpTopic(std::string topic) {
  help_ = std::move(topic);
  if (observer_) observer_->changed(nullptr);
}

void Window::setIcon(std::string icon) {
  icon_ = std::move(icon);
  if (observer_) observer_->changed(nullptr);
}

Control* Window::find(std::string_view name) const {
  if (name.empty()) return nullptr;
  std::string want = upper(name);
  for (Control* c : order_)
    if (!c->name().empty() && upper(c->name()) == want) return c;
  return nullptr;
}

Control& Window::control(std::string_view name) const {
  if (Control* c = find(name)) return *c;
  throw UiError("window " + def_.name + " has no control " + std::string(name));
}

void Window::setFocus(Control* c) {
  if (focus_ == c) return;
  focus_ = c;
  if (observer_) observer_->focusChanged(c);
}

Control* Window::tabOf(const Control& c) const {
  for (Control* p = c.parent(); p; p = p->parent())
    if (p->kind() == ControlKind::Tab) return p;
  return nullptr;
}

Control* Window::shownTab(const Control& sheet) const {
  std::int64_t n = 0;
  data::detail::toInteger(sheet.value(), &n, nullptr);
  const auto& tabs = sheet.children();
  if (n >= 1 && n <= static_cast<std::int64_t>(tabs.size()))
    return tabs[static_cast<std::size_t>(n - 1)];
  return nullptr;
}

bool Window::onShownTab(const Control& c) const {
  for (const Control* p = &c; p; p = p->parent()) {
    if (p->kind() != ControlKind::Tab) continue;
    if (!p->parent() || shownTab(*p->parent()) != p) return false;
  }
  return true;
}

}  // namespace koreq::ui
