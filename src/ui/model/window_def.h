#pragma once

// A window's structure as the resource files declare it: the controls, in order, each named by
// the name the procedures use ("?EQH:EquipmentID", "?BROWSE:1", "?OK"). No positions: the
// renderer lays controls out by their order and nesting. The file format is described in
// resources/windows/README.md.

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/field.h"
#include "runtime/text.h"

namespace koreq::ui {

enum class ControlKind {
  Sheet,      // holds tabs; its value is the number of the tab shown
  Tab,        // one page of a sheet
  Group,      // a titled box around controls
  Prompt,     // the label of the control that follows it (or of `for`)
  Entry,      // one-line entry with a picture
  Text,       // multi-line text
  DropList,   // choose one of its items
  DropCombo,  // type freely or choose one of its items
  Check,      // check box: on and off values
  Radio,      // radio group: one option's value
  List,       // rows and columns
  Button,
  Image,
  Progress,
  String,  // static text, or a value shown through a picture
};

const char* kindName(ControlKind kind);

// What the window model does when a button is pressed (after the procedure's own handling).
enum class StandardAction {
  None,
  Ok,
  Cancel,
  Close,
  Help,
  Insert,
  Change,
  Delete,
  Select,
  Calendar,  // runs "Select a Date" for the entry named by `for`
};

const char* actionName(StandardAction action);

// Keys the window model knows by name.
enum class Key {
  None,
  F1,
  F2,
  F3,
  F4,
  F5,
  F6,
  F7,
  F8,
  F9,
  F10,
  F11,
  F12,
  Insert,
  Delete,
  Space,
  Enter,
  Escape,
  Tab,
  CtrlH,       // field history
  CtrlK,       // the calculator
  CtrlClick,   // Ctrl with the left mouse button
  RightClick,  // the edit pop-up menu
  DoubleClick,
  CellClick,  // a click on a list cell: the list's clickedColumn() says which column
  // Numeric-keypad keys a drop list may give a meaning of its own (elsewhere they type).
  Keypad2,
  Keypad5,
  Keypad6,
  KeypadPoint,
};

// "F2", "Insert", "Ctrl+H" …; case-insensitive. Key::None for an unknown name.
Key keyFromName(std::string_view name);
const char* keyName(Key key);

struct ItemDef {
  std::string text;   // as the user sees it
  data::Value value;  // what the control's value becomes; the text when not given
};

struct ColumnDef {
  std::string header;
  std::string use;      // a field ("EQH:EquipmentID") or a name the list model knows
  std::string picture;  // empty: the value's plain text
  int width = 0;        // characters
  std::string group;    // header of the column group it belongs to, if any
  bool icon = false;    // an icon column: the list model gives an icon name per row
  bool right = false;   // right-aligned (numbers are right-aligned anyway)
};

struct ControlDef {
  ControlKind kind = ControlKind::String;
  std::string name;
  std::string text;  // caption of prompts, buttons, check boxes, tabs, groups, strings
  std::string use;   // the field, local or global the control edits or shows
  std::string picture;
  bool required = false;
  bool hidden = false;
  bool disabled = false;
  bool readonly = false;
  CaseMode caseMode = CaseMode::Def;  // "upper" or "cap" attributes
  std::string lookup;                 // the button F2 presses
  std::string forControl;             // prompts: the control labelled; calendar buttons: the entry
  data::Value onValue = std::int64_t{1};   // check boxes
  data::Value offValue = std::int64_t{0};  // check boxes
  std::vector<ItemDef> items;              // drop lists, drop combos, radio options
  std::vector<ColumnDef> columns;          // lists
  StandardAction action = StandardAction::None;
  Key key = Key::None;     // a button pressed by this key anywhere in the window
  bool isDefault = false;  // the button Enter presses
  bool history = false;    // entries: Ctrl+H restores the value last saved (forms)
  bool across = false;     // groups: inner groups side by side instead of one under another
  std::string dragTo;      // lists: the list of this window the rows may be dragged onto
  int width = 0;           // characters shown
  int lines = 0;           // text controls
  std::string tip;
  std::string icon;
  std::vector<ControlDef> children;
};

struct WindowDef {
  std::string name;   // the procedure's window, as loaded by name
  std::string title;  // design title; procedures usually set their own
  std::string help;   // help topic
  std::string icon;
  std::vector<ControlDef> controls;
};

// A resource file that cannot be used: names the file and, where it can, the control.
class WindowDefError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the JSON text of a window resource. `fileName` only names the file in errors.
WindowDef parseWindowDef(std::string_view json, std::string_view fileName);

// The window resource embedded in the program under this name ("SearchEquipment" for
// resources/windows/SearchEquipment.json), parsed once. Throws WindowDefError for an unknown
// name or a bad file.
const WindowDef& windowDef(std::string_view name);
// Names of every embedded window resource.
std::vector<std::string> windowDefNames();

// Every control of a definition in order, depth first (a sheet before its tabs, a tab before
// its controls).
std::vector<const ControlDef*> flatten(const WindowDef& def);

}  // namespace koreq::ui
