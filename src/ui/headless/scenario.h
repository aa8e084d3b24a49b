#pragma once

// Scenario files: what `koreq play` runs. One command a line; a line whose first non-blank is
// "#" is a comment; words are split at blanks, and a word with blanks is written in double
// quotes ("Cab tractor"; \" and \\ inside quotes are a quote and a backslash).
//
//   call PROCEDURE              run a procedure (its window becomes the topmost one)
//   request N                   GlobalRequest for the next call
//   set NAME VALUE              a global, or a field of a file buffer (EQH:EquipmentID)
//   type CONTROL TEXT           type into a control and leave it
//   keys CONTROL TEXT           type over an entry one character at a time, staying in it
//   accept CONTROL              leave a control as it stands
//   press CONTROL               press a button
//   check CONTROL 0|1           clear or tick a check box
//   choose CONTROL ITEM         an item of a drop list or radio group, a tab of a sheet
//   select CONTROL N|TEXT       highlight a list row (by number from 1 or a column's text)
//   activate CONTROL N|TEXT     highlight a list row and double-click it
//   key CONTROL KEY             F2, Insert, Delete, Space, Enter, Tab, Ctrl+H, Ctrl+K,
//                               Ctrl+Click, F7, F1, Escape, RightClick, DoubleClick,
//                               Keypad2, Keypad5, Keypad6, Keypad. (numeric keypad)
//   sort CONTROL COLUMN         click a column header (number from 1 or header text)
//   click CONTROL ROW COLUMN    click a list cell (row: number from 1 or a column's text;
//                               column: number from 1 or header)
//   mark CONTROL FROM LENGTH    select LENGTH characters of an entry's text from FROM (from 1;
//                               length 0: the cursor) for the edit menu (key … RightClick)
//   drop CONTROL FILE…          drop files onto a control (a tab, a list, a picture)
//   drag FROM TO ROW [shift] [ctrl]   drag the highlighted row of list FROM onto row ROW of
//                               list TO (number from 1 or a column's text), keys held
//   close                       close the topmost window (as its close box does)
//   tick [N]                    one (N) timer events for the topmost window, fewer when it
//                               closes before
//   answer BUTTON               the answer to the next message box ("&Yes", "No" or a number)
//   file PATH…  |  nofile       the answer to the next file dialog
//   date YYYY-MM-DD | none      the answer to the next calendar
//   menu ITEM | none            the answer to the next pop-up menu (text or number)
//   calc RESULT | none          the answer to the next calculator
//   printer NAME | none         the answer to the next printer dialog
//   preview print [COPIES] | export | pdf | email | close
//                               how the user leaves the next print preview
//   mail ADDRESS SUBJECT [NAME] | none   the answer to the next mail dialog
//   expect message TEXT         the last message's text contains TEXT
//   expect caption TEXT         the last message's caption is TEXT
//   expect messages N           N message boxes were shown so far
//   expect window title TEXT    the topmost window's title
//   expect top NAME|none        the topmost window is procedure NAME (none: no window open)
//   expect global NAME VALUE    a global's (or field's) value, as text
//   expect record FILE KEY FIELD VALUE   a field of what is stored: the first record whose
//                               primary key starts with KEY (parts separated by "|"), as text
//   expect record FILE KEY none no record whose primary key starts with KEY
//   expect file PATH N|none     the file (relative to the folder the scenario plays in) has N
//                               lines, or does not exist
//   expect CONTROL PROPERTY [N] VALUE   a control property (see ScriptedUser::property)
//   show CONTROL                write the control's properties to the transcript
//   rows CONTROL                write every row of a list to the transcript
//   snap FILE                   an image of the topmost window (only where windows are drawn)
//
// The transcript gets each command, a line per message box shown (icon, caption, text, buttons,
// the answer given, and when none was queued that the first button was taken) and the other
// questions asked. The run stops at the first failure, naming its line: a failed expect, an
// action the window refused (unknown or ambiguous control, hidden or disabled control), an
// answer that did not fit its question. At the end every open window is closed and answers
// that were never asked for are a failure.

#include <istream>
#include <memory>
#include <ostream>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "frame/context.h"
#include "frame/registry.h"
#include "ui/headless/scripted_user.h"

namespace koreq::ui::headless {

class ScenarioError : public std::runtime_error {
 public:
  ScenarioError(int line, const std::string& what)
      : std::runtime_error("line " + std::to_string(line) + ": " + what), line_(line) {}
  int line() const { return line_; }

 private:
  int line_;
};

struct ScenarioLine {
  int number = 0;  // from 1, as in the file
  std::string text;
  std::vector<std::string> words;
};

// Splits one line into words; throws std::invalid_argument for an unclosed quote.
std::vector<std::string> splitScenarioWords(std::string_view line);
// Every command line of a scenario, comments and blank lines left out. Throws ScenarioError for
// a line that cannot be split.
std::vector<ScenarioLine> parseScenario(std::istream& in);

// Exit codes of runScenario.
enum ScenarioResult : int { kScenarioPassed = 0, kScenarioFailed = 1, kScenarioBadScript = 2 };

// What runs a scenario's actions. The default is the headless model itself; a renderer gives
// its own so that the same script drives its widgets and gives the same transcript.
class ScenarioDriver {
 public:
  virtual ~ScenarioDriver() = default;
  // The port the windows ask. `script` answers and logs every question; a driver may show the
  // real dialogs around it.
  virtual UserPort& port(ScriptedPort& script) { return script; }
  // The user who performs the actions on the scenario's desktop; it lives as long as the
  // desktop, so it may watch it.
  virtual std::unique_ptr<ScriptedUser> user(Desktop& desktop) {
    return std::make_unique<ScriptedUser>(desktop);
  }
  // `snap FILE`: writes an image of the topmost window; nothing without a screen.
  virtual void snap(const std::string& file) { (void)file; }
};

// Runs a scenario against the session with the registered procedures, in one context, writing
// the transcript. Answers kScenarioPassed, kScenarioFailed (an expect or an action failed) or
// kScenarioBadScript (the file could not be read or a command is malformed). Without a driver
// the headless model runs it.
int runScenario(frame::Session& session, const frame::ProcedureRegistry& registry,
                std::istream& script, std::ostream& transcript, ScenarioDriver* driver = nullptr);

}  // namespace koreq::ui::headless
