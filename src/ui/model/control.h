#pragma once

// The state of one control of an open window: what the renderer shows and the procedure reads
// and sets. A control may be bound to a variable (a record field, a procedure local or a
// global); display() copies the variable into the control, and a committed change (an accepted
// entry, a check, a choice) is written back at once.

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "ui/model/window_def.h"

namespace koreq::ui {

class Window;
class ListModel;

// A programming or scripting error in the use of the window model: an unknown control, an
// input the control cannot take. Business failures are message boxes, never this.
class UiError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

using Colour = std::uint32_t;  // 0xRRGGBB

enum FontStyle : int { kNormal = 0, kBold = 1, kItalic = 2, kUnderline = 4 };

// How a control reads and writes the variable it is bound to.
struct Binding {
  std::string name;
  data::FieldType type = data::FieldType::String;
  int length = 0;  // texts: characters
  std::function<data::Value()> get;
  std::function<bool(const data::Value&, std::string* why)> set;
  explicit operator bool() const { return static_cast<bool>(get); }
};

class Control {
 public:
  Control(Window& window, const ControlDef& def, Control* parent);
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const ControlDef& def() const { return def_; }
  ControlKind kind() const { return def_.kind; }
  const std::string& name() const { return def_.name; }
  // Whether this is the control of that name ("?ok" is "?OK").
  bool is(std::string_view name) const;
  Window& window() const { return window_; }
  Control* parent() const { return parent_; }
  const std::vector<Control*>& children() const { return children_; }

  // The value: an entry's variable, a check box's on or off value, a radio group's or drop
  // list's chosen value, a sheet's tab number, a list's highlighted row (from 1, 0 none), a
  // progress bar's position. Setting it writes through to the bound variable.
  data::Value value() const;
  bool setValue(const data::Value& v, std::string* why = nullptr);
  std::string valueText() const { return data::valueToText(value()); }
  bool checked() const;
  void setChecked(bool on) { setValue(on ? def_.onValue : def_.offValue); }

  // What the user reads: an entry's text through its picture, a drop list's chosen item, the
  // caption of a prompt, button, check box, tab, group or string.
  const std::string& text() const { return text_; }
  void setText(std::string text);

  bool visible() const { return visible_; }
  void setVisible(bool on);
  void show() { setVisible(true); }
  void hide() { setVisible(false); }
  // Visible together with every control around it (a tab not shown still counts as visible).
  bool shown() const;
  bool enabled() const { return enabled_; }
  void setEnabled(bool on);
  void enable() { setEnabled(true); }
  void disable() { setEnabled(false); }
  // Enabled together with every control around it.
  bool usable() const;
  bool readonly() const { return readonly_; }
  void setReadonly(bool on);
  bool required() const { return required_; }
  void setRequired(bool on);
  std::optional<Colour> colour() const { return colour_; }
  void setColour(std::optional<Colour> c);
  int fontStyle() const { return fontStyle_; }
  void setFontStyle(int style);
  const std::string& tip() const { return tip_; }
  void setTip(std::string tip);
  const std::string& icon() const { return icon_; }
  void setIcon(std::string icon);
  CaseMode caseMode() const { return caseMode_; }
  void setCaseMode(CaseMode mode);
  const std::string& picture() const { return picture_; }
  void setPicture(std::string picture);

  // Sheets: whether the tab headers are shown (a wizard drives the sheet by its steps instead).
  bool tabsVisible() const { return tabsVisible_; }
  void setTabsVisible(bool on);

  // Drop lists, drop combos and radio groups.
  const std::vector<ItemDef>& items() const { return items_; }
  void setItems(std::vector<ItemDef> items);
  // The item whose value is the control's value, from 1; 0 when none is.
  int selectedItem() const;

  // Lists: the rows come from a list model the procedure owns.
  ListModel* list() const { return list_; }
  void setList(ListModel* model);
  int columnCount() const { return static_cast<int>(headers_.size()); }
  // The list's columns: the window's, until a procedure lays them out anew (a layout that
  // depends on data, such as an import source's fields). Each new layout bumps the version so
  // a renderer knows to rebuild its columns.
  const std::vector<ColumnDef>& columns() const { return columns_; }
  void setColumns(std::vector<ColumnDef> columns);
  int columnsVersion() const { return columnsVersion_; }
  const std::string& header(int column) const;  // from 0
  void setHeader(int column, std::string text);
  // The header of the column group a column belongs to ("" none); setting it renames the
  // group for every column in it.
  const std::string& groupHeader(int column) const;
  void setGroupHeader(int column, std::string text);
  // Whether the column starts its group (the first column, or one whose group differs from the
  // column before it).
  bool startsGroup(int column) const;
  // A column hidden by the procedure keeps its place (the list model still fills it); the user
  // neither sees it nor reads it in rowText().
  bool columnVisible(int column) const;
  void setColumnVisible(int column, bool on);
  // Row `row` (from 0) as the user reads it: the columns' texts without surrounding blanks,
  // joined by "|".
  std::string rowText(std::int64_t row) const;

  // The bound variable, if any.
  const Binding& binding() const { return binding_; }
  void bind(Binding b) { binding_ = std::move(b); }
  // Copies the bound variable into the control (does nothing for an unbound control).
  void display();
  // Text typed (or pasted) but not committed, or refused as invalid: it stays on screen, and
  // display() leaves it alone, until the user commits a valid text.
  bool holdsEditedText() const { return edited_; }
  // The selected part of the text shown, in bytes of its UTF-8 text: `length` bytes from
  // `start`; with no length, `start` is the cursor. The renderer (or the scripted user) sets it
  // before the edit menu opens; the edit menu leaves the cursor after its change. The default
  // is no selection with the cursor at the end.
  void setSelection(std::size_t start, std::size_t length);
  std::size_t selectionStart() const;
  std::size_t selectionLength() const;
  std::string selectedText() const;

  // An entry whose every keystroke counts as accepted (an incremental locator moves the list's
  // highlight as the user types).
  bool incremental() const { return incremental_; }
  void setIncremental(bool on) { incremental_ = on; }
  // Whether Tab can bring the focus here (the controls a user works with).
  bool takesFocus() const;

  // Lists: the column of the last cell clicked (from 0), -1 when none.
  int clickedColumn() const { return clickedColumn_; }

  // The prompt that labels this control, if any.
  Control* prompt() const { return prompt_; }
  void setPrompt(Control* p) { prompt_ = p; }
  // What a user calls the control: its prompt's text, else its own caption, without "&",
  // marks ("*") and a trailing colon; else its name.
  std::string label() const;

  // Whether the user can type into, tick or choose in the control.
  bool takesInput() const;
  // Whether the value is blank: an empty text, zero, the empty date.
  bool blank() const;

  // The text of a value through this control's picture (or the value's own text).
  std::string format(const data::Value& v) const;
  // Reads an entry's text back through its picture and binding type. Nothing (and the reason)
  // for a text that is not a valid value.
  std::optional<data::Value> parse(const std::string& text, std::string* why) const;

 private:
  friend class Procedure;
  friend class Window;
  void changed();
  void refreshText();
  void setValueOnly(const data::Value& v);

  Window& window_;
  const ControlDef& def_;
  Control* parent_;
  std::vector<Control*> children_;
  Control* prompt_ = nullptr;
  data::Value value_;
  std::string text_;
  bool visible_, enabled_, readonly_, required_;
  std::optional<Colour> colour_;
  int fontStyle_ = kNormal;
  std::string tip_, icon_, picture_;
  CaseMode caseMode_;
  std::vector<ItemDef> items_;
  ListModel* list_ = nullptr;
  std::vector<ColumnDef> columns_;
  int columnsVersion_ = 0;
  std::vector<std::string> headers_;
  std::vector<std::string> groups_;
  std::vector<bool> columnHidden_;
  Binding binding_;
  bool edited_ = false;
  bool tabsVisible_ = true;
  bool incremental_ = false;
  int clickedColumn_ = -1;
  std::size_t selStart_ = std::string::npos, selLength_ = 0;
};

// Text without "&", the required-entry mark "*", surrounding blanks and a trailing colon: how a
// user names a caption.
std::string plainCaption(std::string_view caption);

}  // namespace koreq::ui
