#pragma once

// A user without a screen: drives the topmost window of a desktop as a person would (type into
// a control and leave it, press a button, tick a box, choose an item, pick a row, press a key,
// close the window) and reads what that person would see. Procedure tests and `koreq play` run
// through it.
//
// Controls are found by their control name ("?EQH:EquipmentID", case-insensitive) or by what the
// user sees: a button's, check box's, radio group's or tab's caption, with or without its "&",
// or the prompt of an entry ("Equipment ID", a trailing ":" and "*" marks ignored). Visible
// controls on the tab shown are tried first, then every visible control; a name that fits none
// or several is an error (UiError) that says so.

#include <string>
#include <string_view>
#include <vector>

#include "ui/model/desktop.h"

namespace koreq::ui::headless {

// How a scenario reads what a user sees, alike for the headless user and the widgets' one.
namespace seen {
bool allDigits(const std::string& s);
// A switch as a scenario writes it: "1" or "0".
std::string flag(bool on);
// A caption as a scenario names it: "&" marks removed, in capitals.
std::string plain(std::string_view s);
}  // namespace seen

// The actions and property() are virtual so that a renderer can perform the same script
// through its widgets (`koreq play --gui`).
class ScriptedUser {
 public:
  explicit ScriptedUser(Desktop& desktop) : desktop_(desktop) {}
  virtual ~ScriptedUser() = default;
  ScriptedUser(const ScriptedUser&) = delete;
  ScriptedUser& operator=(const ScriptedUser&) = delete;

  Desktop& desktop() const { return desktop_; }
  // The topmost window; UiError when none is open.
  Procedure& top() const;
  Control& find(std::string_view control) const;

  // Moves the focus to the control (as a click or Tab would).
  virtual void focus(std::string_view control);
  // Types the text and leaves the control; false when the entry refused the text.
  virtual bool type(std::string_view control, const std::string& text);
  // Types the text over the entry's text one character at a time without leaving it (what an
  // incremental locator follows).
  virtual void keys(std::string_view control, const std::string& text);
  virtual bool accept(std::string_view control);
  virtual void press(std::string_view control);
  virtual void check(std::string_view control, bool on);
  // An item of a drop list, drop combo or radio group, or a tab of a sheet: by its text, or by
  // its number from 1.
  virtual void choose(std::string_view control, const std::string& item);
  // A list row by number from 1, or the first row with a column that reads `row`.
  virtual void select(std::string_view control, const std::string& row);
  // The same, then a double click on it.
  virtual void activate(std::string_view control, const std::string& row);
  virtual void key(std::string_view control, std::string_view keyName);
  // A click on a column header: by number from 1 or by header text.
  virtual void sort(std::string_view control, const std::string& column);
  // A click on a list cell: the row by number from 1 or a column's text, the column by number
  // from 1 or header.
  virtual void click(std::string_view control, const std::string& row, const std::string& column);
  // Selects part of an entry's text (bytes from 0), as a mouse drag would; no event.
  virtual void mark(std::string_view control, std::size_t from, std::size_t length);
  // Files dropped onto a control (a tab, a list, a picture).
  virtual void drop(std::string_view control, const std::vector<std::string>& files);
  // The highlighted row of list `from` dragged onto a row of list `to` (by number from 1 or a
  // column's text) with the keys `modifiers` (DragModifier) held.
  virtual void drag(std::string_view from, std::string_view to, const std::string& row,
                    int modifiers);
  virtual void close();
  virtual void tick();

  // A property as text: value, text, visible, enabled, readonly, required, checked, color,
  // focus, tip, icon, items, rows (every row, fetched), loaded (rows fetched so far), current
  // (highlighted row from 1), row N (its shown columns joined by "|"), header N, columns (the
  // headers of the shown columns joined by "|"). Flags read 1 or 0, colours six hex digits ("" for
  // the default).
  virtual std::string property(std::string_view control, std::string_view property,
                               const std::string& argument = {}) const;
  std::string title() const { return top().window().title(); }
  // Every property of a control, one "name: value" a line.
  std::string describe(std::string_view control) const;

 protected:
  // The row (from 0) that `row` names: a number from 1, or the first row with a column that
  // reads it (fetching as needed). UiError when there is none.
  std::int64_t rowIndex(Control& list, const std::string& row) const;
  int columnIndex(Control& list, const std::string& column) const;

 private:
  Desktop& desktop_;
};

// Property names that take an argument ("row 3", "header 1").
bool propertyTakesArgument(std::string_view property);

}  // namespace koreq::ui::headless
