#include "ui/headless/scripted_user.h"

#include <cstdio>

#include "runtime/picture.h"

namespace koreq::ui::headless {

namespace seen {

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

std::string flag(bool on) {
  return on ? "1" : "0";
}

std::string plain(std::string_view s) {
  return upper(plainCaption(s));
}

}  // namespace seen

using seen::allDigits;
using seen::flag;
using seen::plain;

namespace {

// Whether the user sees `c` called `want`.
bool calledThat(const Control& c, const std::string& want) {
  switch (c.kind()) {
    case ControlKind::Button:
    case ControlKind::Check:
    case ControlKind::Radio:
    case ControlKind::Tab:
      if (plain(c.text()) == want) return true;
      break;
    case ControlKind::Prompt:
    case ControlKind::String:
    case ControlKind::Group:
      return false;
    default:
      break;
  }
  return c.prompt() && plain(c.prompt()->text()) == want;
}

std::string names(const std::vector<Control*>& list) {
  std::string out;
  for (Control* c : list)
    out += (out.empty() ? "" : ", ") + (c->name().empty() ? c->label() : c->name());
  return out;
}

bool enabledAll(const Control& c) {
  for (const Control* p = &c; p; p = p->parent())
    if (!p->enabled()) return false;
  return true;
}

std::string trimmed(std::string_view s) {
  return clipped(trimLeft(s));
}

}  // namespace

bool propertyTakesArgument(std::string_view property) {
  std::string p = lower(property);
  return p == "row" || p == "header" || p == "group";
}

Procedure& ScriptedUser::top() const {
  Procedure* p = desktop_.top();
  if (!p) throw UiError("no window is open");
  return *p;
}

Control& ScriptedUser::find(std::string_view what) const {
  Procedure& p = top();
  Window& w = p.window();
  if (!what.empty() && what[0] == '?') return w.control(what);
  std::string want = plain(what);
  std::vector<Control*> onTab, anywhere;
  for (Control* c : w.controls()) {
    if (!c->shown() || !calledThat(*c, want)) continue;
    anywhere.push_back(c);
    if (w.onShownTab(*c)) onTab.push_back(c);
  }
  const std::string where = "in window " + p.name();
  if (onTab.size() == 1) return *onTab.front();
  if (onTab.size() > 1)
    throw UiError("\"" + std::string(what) + "\" is ambiguous " + where + ": " + names(onTab));
  if (anywhere.size() == 1) return *anywhere.front();
  if (anywhere.size() > 1)
    throw UiError("\"" + std::string(what) + "\" is ambiguous " + where + ": " + names(anywhere));
  throw UiError("no control \"" + std::string(what) + "\" " + where);
}

void ScriptedUser::focus(std::string_view control) {
  Control& c = find(control);
  top().userFocus(c);
}

bool ScriptedUser::type(std::string_view control, const std::string& text) {
  Control& c = find(control);
  return top().userType(c, text);
}

void ScriptedUser::keys(std::string_view control, const std::string& text) {
  Control& c = find(control);
  if (top().window().focus() != &c) top().userFocus(c);
  std::string typed;
  for (std::size_t i = 0; i < text.size();) {
    // One character, however many bytes it takes in UTF-8.
    std::size_t n = 1;
    while (i + n < text.size() && (static_cast<unsigned char>(text[i + n]) & 0xC0) == 0x80) ++n;
    typed += text.substr(i, n);
    i += n;
    top().userEdit(c, typed);
  }
}

bool ScriptedUser::accept(std::string_view control) {
  Control& c = find(control);
  return top().userAccept(c);
}

void ScriptedUser::press(std::string_view control) {
  Control& c = find(control);
  top().userPress(c);
}

int ScriptedUser::columnIndex(Control& c, const std::string& column) const {
  if (c.kind() != ControlKind::List) throw UiError(c.label() + " is no list");
  for (int i = 0; i < c.columnCount(); ++i)
    if (plain(c.header(i)) == plain(column)) return i;
  if (allDigits(column) && std::stoi(column) >= 1 && std::stoi(column) <= c.columnCount())
    return std::stoi(column) - 1;
  throw UiError(c.label() + " has no column " + column);
}

void ScriptedUser::click(std::string_view control, const std::string& row,
                         const std::string& column) {
  Control& c = find(control);
  const int col = columnIndex(c, column);
  top().userClickCell(c, rowIndex(c, row), col);
}

void ScriptedUser::mark(std::string_view control, std::size_t from, std::size_t length) {
  find(control).setSelection(from, length);
}

void ScriptedUser::drop(std::string_view control, const std::vector<std::string>& files) {
  Control& c = find(control);
  top().userDrop(c, files);
}

void ScriptedUser::drag(std::string_view from, std::string_view to, const std::string& row,
                        int modifiers) {
  Control& source = find(from);
  Control& target = find(to);
  top().userDragRows(source, target, rowIndex(target, row), modifiers);
}

void ScriptedUser::check(std::string_view control, bool on) {
  Control& c = find(control);
  top().userCheck(c, on);
}

void ScriptedUser::choose(std::string_view control, const std::string& item) {
  Control& c = find(control);
  std::string want = plain(item);
  int found = 0;
  if (c.kind() == ControlKind::Sheet) {
    const auto& tabs = c.children();
    for (std::size_t i = 0; i < tabs.size() && !found; ++i)
      if (plain(tabs[i]->text()) == want) found = static_cast<int>(i) + 1;
  } else {
    for (std::size_t i = 0; i < c.items().size() && !found; ++i)
      if (plain(c.items()[i].text) == want) found = static_cast<int>(i) + 1;
  }
  if (!found && allDigits(item)) found = std::stoi(item);
  if (!found) throw UiError(c.label() + " has no item \"" + item + "\"");
  top().userChoose(c, found);
}

std::int64_t ScriptedUser::rowIndex(Control& list, const std::string& row) const {
  if (list.kind() != ControlKind::List || !list.list()) throw UiError(list.label() + " is no list");
  ListModel& m = *list.list();
  if (allDigits(row)) {
    std::int64_t n = std::stoll(row);
    if (n < 1 || !m.ensureRow(n - 1))
      throw UiError(list.label() + " has no row " + row + " (it has " +
                    std::to_string(m.rowCount()) + ")");
    return n - 1;
  }
  std::string want = upper(trimmed(row));
  for (std::int64_t r = 0; m.ensureRow(r); ++r)
    for (int col = 0; col < m.columnCount(); ++col)
      if (upper(trimmed(m.cell(r, col))) == want) return r;
  throw UiError(list.label() + " has no row reading \"" + row + "\"");
}

void ScriptedUser::select(std::string_view control, const std::string& row) {
  Control& c = find(control);
  top().userSelectRow(c, rowIndex(c, row));
}

void ScriptedUser::activate(std::string_view control, const std::string& row) {
  Control& c = find(control);
  top().userActivateRow(c, rowIndex(c, row));
}

void ScriptedUser::key(std::string_view control, std::string_view keyName) {
  Control& c = find(control);
  Key k = keyFromName(keyName);
  if (k == Key::None) throw UiError("unknown key " + std::string(keyName));
  if (k == Key::DoubleClick && c.kind() == ControlKind::List && c.list()) {
    std::int64_t row = c.list()->current();
    if (row < 0) throw UiError(c.label() + " has no highlighted row to double-click");
    top().userActivateRow(c, row);
    return;
  }
  top().userKey(c, k);
}

void ScriptedUser::sort(std::string_view control, const std::string& column) {
  Control& c = find(control);
  if (c.kind() != ControlKind::List) throw UiError(c.label() + " is no list");
  int found = -1;
  for (int i = 0; i < c.columnCount() && found < 0; ++i)
    if (plain(c.header(i)) == plain(column)) found = i;
  if (found < 0 && allDigits(column)) found = std::stoi(column) - 1;
  if (found < 0 || found >= c.columnCount())
    throw UiError(c.label() + " has no column \"" + column + "\"");
  top().userClickHeader(c, found);
}

void ScriptedUser::close() {
  top().userClose();
}

void ScriptedUser::tick() {
  top().userTimer();
}

std::string ScriptedUser::property(std::string_view control, std::string_view property,
                                   const std::string& argument) const {
  Control& c = find(control);
  std::string p = lower(property);
  if (p == "value") return clipped(c.valueText());
  if (p == "text") return trimmed(c.text());
  if (p == "visible") return flag(c.shown());
  if (p == "enabled") return flag(enabledAll(c));
  if (p == "readonly") return flag(c.readonly());
  if (p == "required") return flag(c.required());
  if (p == "checked") return flag(c.checked());
  if (p == "focus") return flag(c.window().focus() == &c);
  if (p == "tip") return c.tip();
  if (p == "icon") return c.icon();
  if (p == "tabs") return flag(c.tabsVisible());
  if (p == "color" || p == "colour") {
    if (!c.colour()) return {};
    char buf[8];
    std::snprintf(buf, sizeof buf, "%06X", static_cast<unsigned>(*c.colour()) & 0xFFFFFFu);
    return buf;
  }
  if (p == "items") {
    std::string out;
    for (std::size_t i = 0; i < c.items().size(); ++i) out += (i ? "|" : "") + c.items()[i].text;
    return out;
  }
  if (p == "columns") {
    std::string out;
    for (int i = 0; i < c.columnCount(); ++i)
      if (c.columnVisible(i)) out += (out.empty() ? "" : "|") + c.header(i);
    return out;
  }
  if (p == "header" || p == "group") {
    if (!allDigits(argument)) throw UiError(std::string(p) + " needs a column number");
    int n = std::stoi(argument);
    if (n < 1 || n > c.columnCount()) throw UiError(c.label() + " has no column " + argument);
    return p == "group" ? c.groupHeader(n - 1) : c.header(n - 1);
  }
  if (p == "rows" || p == "loaded" || p == "current" || p == "row") {
    if (c.kind() != ControlKind::List || !c.list()) throw UiError(c.label() + " is no list");
    ListModel& m = *c.list();
    if (p == "rows") {
      m.loadCompletely();
      return std::to_string(m.rowCount());
    }
    if (p == "loaded") return std::to_string(m.rowCount());
    if (p == "current") return std::to_string(m.current() + 1);
    if (!allDigits(argument)) throw UiError("row needs a row number");
    std::int64_t n = std::stoll(argument);
    if (n < 1 || !m.ensureRow(n - 1)) throw UiError(c.label() + " has no row " + argument);
    return c.rowText(n - 1);
  }
  throw UiError("unknown property " + std::string(property));
}

std::string ScriptedUser::describe(std::string_view control) const {
  Control& c = find(control);
  std::string out = std::string(kindName(c.kind())) + " " + c.name() + " \"" + c.label() + "\"\n";
  auto line = [&](const char* name) {
    out += std::string("  ") + name + ": " + property(control, name) + "\n";
  };
  line("value");
  line("text");
  line("visible");
  line("enabled");
  line("readonly");
  line("focus");
  if (c.required()) line("required");
  if (c.colour()) line("color");
  if (!c.tip().empty()) line("tip");
  if (!c.items().empty()) line("items");
  if (c.kind() == ControlKind::List && c.list()) {
    line("loaded");
    line("current");
  }
  return out;
}

}  // namespace koreq::ui::headless
