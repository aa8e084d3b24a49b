#pragma once

// A window procedure: the behaviour of one window, written against the window model. The
// window-manager operations are virtual hooks (init, takeEvent, accepted, newSelection, selected,
// alertKey, timer, completed, kill); what the window model does by itself after a hook (a
// button's standard action, F2 pressing a lookup button …) is skipped when the hook calls
// cycle().
//
// A procedure runs as an object with an explicit life cycle on a Desktop: opened, fed user
// input one action at a time, closed. Calling another procedure never blocks: the called window
// becomes the topmost one, and the caller's continuation runs when it closes. The renderer (or
// the scripted user) drives only the topmost window, which is what makes it modal.

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "frame/context.h"
#include "ui/model/list_model.h"
#include "ui/model/locals.h"
#include "ui/model/user_port.h"
#include "ui/model/window.h"

namespace koreq::ui {

class Desktop;

// Request and response codes passed in GlobalRequest and GlobalResponse.
enum class Request : int { None = 0, Insert = 1, Change = 2, Delete = 3, Select = 4, View = 6 };
enum class Response : int { None = 0, Completed = 1, Cancelled = 2 };

// The keys held while rows are dropped, or'ed together.
enum DragModifier : int { kDragPlain = 0, kDragShift = 1, kDragCtrl = 2 };

enum class EventKind {
  Accepted,      // a control's value was committed, a button pressed, a list row activated
  NewSelection,  // a list's highlighted row, a drop list's item or a sheet's tab changed
  Selected,      // a control got the focus
  AlertKey,      // a key the window handles (F2, Insert, Ctrl+H …)
  Timer,
  OpenWindow,
  CloseWindow,
  Completed,  // every control was accepted (OK in a form)
};

const char* eventName(EventKind kind);

struct Event {
  EventKind kind = EventKind::OpenWindow;
  Control* control = nullptr;
  Key key = Key::None;  // the key or mouse action that caused the event
};

class Procedure {
 public:
  // The window structure is copied; `name` is the procedure's name (error object, history).
  Procedure(frame::Context& ctx, std::string name, const WindowDef& def);
  // The window resource of the same name.
  Procedure(frame::Context& ctx, std::string name);
  virtual ~Procedure();
  Procedure(const Procedure&) = delete;
  Procedure& operator=(const Procedure&) = delete;

  const std::string& name() const { return name_; }
  frame::Context& ctx() const { return ctx_; }
  Request request() const { return request_; }
  Window& window() const { return *window_; }
  Control& control(std::string_view name) const { return window_->control(name); }
  Control* findControl(std::string_view name) const { return window_->find(name); }
  Desktop& desktop() const;
  UserPort& port() const;
  Locals& locals() { return locals_; }
  bool isOpen() const { return open_; }
  bool closing() const { return closing_; }

  // ---- The window-manager hooks -------------------------------------------------------------
  // Runs once when the window opens, after the request is taken and before the first display.
  virtual void init() {}
  // Every event; the default calls the hook for its kind and then, unless the hook called
  // cycle(), the window model's standard handling.
  virtual void takeEvent(const Event& e);
  virtual void accepted(Control&) {}
  virtual void newSelection(Control&) {}
  virtual void selected(Control&) {}
  virtual void alertKey(Control&, Key) {}
  virtual void timer() {}
  // Every control was accepted (OK in a form), before the standard completion (a form's
  // required-entry check and save).
  virtual void completed() {}
  // The window closes.
  virtual void kill() {}

  // ---- What a procedure does ----------------------------------------------------------------
  // Skips the standard handling of the event being handled.
  void cycle() { cycle_ = true; }
  // The key of the event being handled (DoubleClick for a double click on a list).
  Key keyCode() const { return current_.key; }
  // Gives the control the focus (a Selected event follows). During accept-all it stops the
  // accept-all: the form stays open with the focus there.
  void select(Control& c);
  void select(std::string_view name) { select(control(name)); }
  void post(EventKind kind, Control* c = nullptr, Key key = Key::None);
  // Closes the window once the current event is handled.
  void close();
  void setResponse(Response r) { response_ = r; }
  Response response() const { return response_; }
  // Runs a procedure by name with GlobalRequest set; `then` runs with its GlobalResponse when
  // its window closes (at once when it opened none). An unknown name shows a message and
  // answers Cancelled.
  void call(std::string_view procedure, Request request, std::function<void(Response)> then = {});
  // Opens a window of this procedure's own (a question with a list, an error list) that no
  // other procedure calls; `then` runs with the window's response when it closes.
  void open(std::unique_ptr<Procedure> window, std::function<void(Response)> then = {});
  void call(std::string_view procedure, std::function<void(Response)> then = {}) {
    call(procedure, Request::None, std::move(then));
  }
  // Copies every bound variable into its control.
  void display();
  // Commits every control's text to its variable (no events); false at the first refused one.
  bool update();
  // Whether OK's accept-all is running ("not while the form accepts all fields on OK").
  bool acceptingAll() const { return acceptingAll_; }
  void setTitle(std::string title) { window_->setTitle(std::move(title)); }
  int message(const std::string& text, const std::string& caption, Icon icon = Icon::None,
              const std::string& buttons = "&OK", int defaultButton = 1);
  template <typename T>
  void bindLocal(std::string name, T& var) {
    locals_.bind(std::move(name), var);
  }
  // A timer event every `ms` milliseconds while the window is open (0 stops it).
  void setTimer(int ms) { timerMs_ = ms; }
  int timerInterval() const { return timerMs_; }

  // ---- User input: the renderer and the scripted user call these on the topmost window ------
  // Each is one user action: it is handled with every event it causes, then the window is
  // displayed. Input that the window cannot take (not topmost, a hidden or disabled control)
  // throws UiError.
  void userFocus(Control& c);
  // Types `text` into the control and accepts it; false when the entry refused the text.
  bool userType(Control& c, const std::string& text);
  // The text in an entry while the user types, not yet committed (no event): what a key or the
  // edit menu then works on. A renderer calls it before passing such a key on.
  void userEdit(Control& c, const std::string& text);
  // Accepts the control's text as it stands (leaving the control, Enter).
  bool userAccept(Control& c);
  void userPress(Control& button);
  void userCheck(Control& check, bool on);
  // Chooses item `item` (from 1) of a drop list, drop combo or radio group, or tab `item` of a
  // sheet.
  void userChoose(Control& c, int item);
  void userSelectRow(Control& list, std::int64_t row);    // from 0
  void userActivateRow(Control& list, std::int64_t row);  // double click
  // A click on a cell (row and column from 0): highlights the row, then an alert key
  // (Key::CellClick) with the column in the list's clickedColumn().
  void userClickCell(Control& list, std::int64_t row, int column);
  void userKey(Control& c, Key key);
  void userClickHeader(Control& list, int column);  // from 0
  // Files dropped onto a control (a tab, a list, an image): full paths.
  void userDrop(Control& c, const std::vector<std::string>& files);
  // The highlighted row of list `from` dragged onto row `row` (from 0) of list `to`, the list
  // its window structure lets it drag to, with the keys held at the drop (DragModifier).
  void userDragRows(Control& from, Control& to, std::int64_t row, int modifiers);
  void userClose();
  void userTimer();

 protected:
  // The window model's own parts of the open sequence, around init().
  virtual void prepare() {}
  virtual void ready() {}
  // The standard handling of an event, of a button's action and of an alert key.
  virtual void standardEvent(const Event& e);
  virtual void standardAction(Control& button, StandardAction action);
  virtual void standardKey(Control& c, Key key);
  // After every event has been handled (reset fields are checked here).
  virtual void afterEvent() {}
  // The window is open and its opening events are handled.
  virtual void opened() {}
  // A user action begins.
  virtual void actionStarts() {}
  // Escape or the close box: whether the window closes as it stands (a form with changes asks
  // first). False keeps it open.
  virtual bool mayLeave() { return true; }
  // A list row was activated (double click, Enter).
  virtual void rowActivated(Control&) {}
  // Files were dropped onto a control; a window that takes no files ignores them.
  virtual void filesDropped(Control&, const std::vector<std::string>&) {}
  // The highlighted row of one list was dropped onto row `row` of another; a window that takes
  // no rows ignores them.
  virtual void rowsDropped(Control& from, Control& to, std::int64_t row, int modifiers) {
    (void)from, (void)to, (void)row, (void)modifiers;
  }
  // Extra items for the edit pop-up menu of a control ("" none) and the choice of one of them
  // (numbered from 1 among the extras).
  virtual std::string editMenuExtras(Control&) { return {}; }
  virtual void editMenuChosen(Control&, int) {}

  // OK's accept-all: every control that takes input is accepted in window order; a control
  // that refuses its text or moves the focus (or a window that opens) stops it. A Completed
  // event follows when it ran through.
  void acceptAll();
  // Commits a control's text to its variable; a text that is not a valid value is refused
  // with a message and the focus stays in the control.
  bool commit(Control& c);
  // Presses a button as the user would (when it is usable).
  void press(Control& button);

 private:
  friend class Desktop;
  template <typename F>
  void input(Control* c, F&& f);
  void start(Desktop& desktop);
  void finish();
  void pump();
  void resume();
  void dispatch(const Event& e);
  bool isTop() const;
  void bindControls(bool final);
  void editMenu(Control& c);
  void calculator(Control& c);
  bool spellCheck(Control& c);
  void calendar(Control& button);
  void requireUsable(Control& c, const char* what) const;
  void highlightRow(Control& list, std::int64_t row, const char* what);

  frame::Context& ctx_;
  std::string name_;
  WindowDef def_;
  std::unique_ptr<Window> window_;
  Desktop* desktop_ = nullptr;
  Locals locals_;
  Request request_ = Request::None;
  Response response_ = Response::None;
  std::deque<Event> queue_;
  Event current_;
  bool open_ = false, closing_ = false, cycle_ = false;
  bool acceptingAll_ = false, stopAcceptAll_ = false;
  int timerMs_ = 0;
  std::string callerName_;
  std::function<void()> onClosed_;
};

}  // namespace koreq::ui
