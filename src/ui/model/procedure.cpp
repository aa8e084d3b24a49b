#include "ui/model/procedure.h"

#include <algorithm>

#include "runtime/picture.h"
#include "ui/model/desktop.h"

namespace koreq::ui {

const char* eventName(EventKind kind) {
  switch (kind) {
    case EventKind::Accepted:
      return "Accepted";
    case EventKind::NewSelection:
      return "NewSelection";
    case EventKind::Selected:
      return "Selected";
    case EventKind::AlertKey:
      return "AlertKey";
    case EventKind::Timer:
      return "Timer";
    case EventKind::OpenWindow:
      return "OpenWindow";
    case EventKind::CloseWindow:
      return "CloseWindow";
    case EventKind::Completed:
      return "Completed";
  }
  return "?";
}

Procedure::Procedure(frame::Context& ctx, std::string name, const WindowDef& def)
    : ctx_(ctx), name_(std::move(name)), def_(def), window_(std::make_unique<Window>(def_)) {}

Procedure::Procedure(frame::Context& ctx, std::string name)
    : Procedure(ctx, name, windowDef(name)) {}

Procedure::~Procedure() = default;

Desktop& Procedure::desktop() const {
  if (!desktop_) throw UiError("procedure " + name_ + " is not open on a desktop");
  return *desktop_;
}

UserPort& Procedure::port() const {
  return desktop().port();
}

int Procedure::message(const std::string& text, const std::string& caption, Icon icon,
                       const std::string& buttons, int defaultButton) {
  return port().message(text, caption, icon, buttons, defaultButton);
}

// ---- Open and close ---------------------------------------------------------------------------

void Procedure::bindControls(bool final) {
  for (Control* c : window_->controls()) {
    const std::string& use = c->def().use;
    if (use.empty() || c->binding()) continue;
    if (const Binding* b = locals_.find(use)) {
      c->bind(*b);
      continue;
    }
    data::FileAccess* owner = nullptr;
    if (const data::FieldDef* f = ctx_.fieldByName(use, &owner)) {
      Binding b;
      b.name = f->name;
      b.type = f->type;
      b.length = f->type == data::FieldType::String ? f->length : 0;
      // The buffer is looked up on every access: clearing a file replaces it.
      b.get = [f, owner] { return f->get(owner->buffer()); };
      b.set = [f, owner](const data::Value& v, std::string* why) {
        return f->set(owner->buffer(), v, why);
      };
      c->bind(std::move(b));
      continue;
    }
    if (ctx_.hasGlobal(use)) {
      Binding b;
      b.name = use;
      data::Value now = ctx_.global(use);
      b.type = std::holds_alternative<std::string>(now) ? data::FieldType::String
               : std::holds_alternative<Decimal>(now)   ? data::FieldType::Decimal
                                                        : data::FieldType::Long;
      frame::Context* ctx = &ctx_;
      b.get = [ctx, use] { return ctx->global(use); };
      b.set = [ctx, use](const data::Value& v, std::string* why) {
        return ctx->setGlobal(use, v, why);
      };
      c->bind(std::move(b));
      continue;
    }
    if (final)
      throw UiError("window " + def_.name + ": control " + c->name() + " uses " + use +
                    ", which is no local, field or global");
  }
}

void Procedure::start(Desktop& desktop) {
  desktop_ = &desktop;
  callerName_ = ctx_.errors().procedure();
  ctx_.errors().setProcedure(name_);
  request_ = static_cast<Request>(ctx_.g.GlobalRequest);
  ctx_.g.GlobalRequest = 0;
  ctx_.g.GlobalResponse = 0;
  open_ = true;
  bindControls(false);
  prepare();
  init();
  bindControls(true);
  if (closing_) return;
  ready();
  if (closing_) return;
  display();
  post(EventKind::OpenWindow);
  pump();
  if (open_ && !closing_ && isTop()) display();
  if (open_ && !closing_) opened();
}

void Procedure::finish() {
  kill();
  if (response_ != Response::None) ctx_.g.GlobalResponse = static_cast<int>(response_);
  ctx_.errors().setProcedure(callerName_);
  open_ = false;
  queue_.clear();
}

bool Procedure::isTop() const {
  return desktop_ && desktop_->top() == this;
}

// ---- Events -------------------------------------------------------------------------------------

void Procedure::post(EventKind kind, Control* c, Key key) {
  queue_.push_back(Event{kind, c, key});
}

void Procedure::close() {
  if (acceptingAll_) stopAcceptAll_ = true;
  post(EventKind::CloseWindow);
}

void Procedure::pump() {
  while (!queue_.empty() && open_ && !closing_ && isTop()) {
    Event e = queue_.front();
    queue_.pop_front();
    dispatch(e);
  }
}

void Procedure::resume() {
  pump();
  if (open_ && !closing_ && isTop()) {
    afterEvent();
    display();
  }
}

void Procedure::dispatch(const Event& e) {
  Event saved = current_;
  bool savedCycle = cycle_;
  current_ = e;
  cycle_ = false;
  takeEvent(e);
  current_ = saved;
  cycle_ = savedCycle;
  if (open_ && !closing_) afterEvent();
}

void Procedure::takeEvent(const Event& e) {
  switch (e.kind) {
    case EventKind::Accepted:
      accepted(*e.control);
      break;
    case EventKind::NewSelection:
      newSelection(*e.control);
      break;
    case EventKind::Selected:
      selected(*e.control);
      break;
    case EventKind::AlertKey:
      alertKey(*e.control, e.key);
      break;
    case EventKind::Timer:
      timer();
      break;
    case EventKind::Completed:
      completed();
      break;
    case EventKind::OpenWindow:
    case EventKind::CloseWindow:
      break;
  }
  // Remembered whatever the hook did with it, so completion needs nothing from any window.
  if (e.kind == EventKind::Accepted && e.control->kind() == ControlKind::Entry &&
      desktop_ != nullptr && desktop_->autoEntry() != nullptr)
    desktop_->autoEntry()->accepted(*this, *e.control);
  if (!cycle_) standardEvent(e);
}

void Procedure::standardEvent(const Event& e) {
  switch (e.kind) {
    case EventKind::Accepted:
      if (e.control->kind() == ControlKind::Button)
        standardAction(*e.control, e.control->def().action);
      else if (e.control->kind() == ControlKind::List &&
               (e.key == Key::DoubleClick || e.key == Key::Enter))
        rowActivated(*e.control);
      break;
    case EventKind::AlertKey:
      standardKey(*e.control, e.key);
      break;
    case EventKind::CloseWindow:
      closing_ = true;
      break;
    default:
      break;
  }
}

void Procedure::standardAction(Control& button, StandardAction action) {
  switch (action) {
    case StandardAction::Ok:
      setResponse(Response::Completed);
      close();
      break;
    case StandardAction::Cancel:
      setResponse(Response::Cancelled);
      close();
      break;
    case StandardAction::Close:
      close();
      break;
    case StandardAction::Help:
      port().showHelp(window_->helpTopic());
      break;
    case StandardAction::Calendar:
      calendar(button);
      break;
    default:
      break;
  }
}

void Procedure::standardKey(Control& c, Key key) {
  switch (key) {
    case Key::F1:
      port().showHelp(window_->helpTopic());
      return;
    case Key::F2:
      if (!c.def().lookup.empty()) {
        press(control(c.def().lookup));
        return;
      }
      break;
    case Key::CtrlK:
      calculator(c);
      return;
    case Key::F7:
      if (spellCheck(c)) return;
      break;
    case Key::RightClick:
      editMenu(c);
      return;
    case Key::Escape:
      if (mayLeave()) close();
      return;
    case Key::Tab: {
      // On to the next control a user works with, in window order (a list is one stop, not a
      // walk through its cells).
      const std::vector<Control*>& all = window_->controls();
      auto at = std::find(all.begin(), all.end(), &c);
      if (at == all.end()) return;
      for (auto it = std::next(at); it != at; ++it) {
        if (it == all.end()) it = all.begin();
        if (it == at) break;
        if ((*it)->takesFocus()) {
          select(**it);
          return;
        }
      }
      return;
    }
    case Key::Enter:
      if (c.kind() == ControlKind::List) {
        post(EventKind::Accepted, &c, Key::Enter);
        return;
      }
      if (c.takesInput() && !commit(c)) return;
      for (Control* b : window_->controls())
        if (b->kind() == ControlKind::Button && b->def().isDefault && b->usable()) {
          press(*b);
          return;
        }
      if (c.takesInput()) post(EventKind::Accepted, &c, Key::Enter);
      return;
    default:
      break;
  }
  // A button bound to the key, or the standard button of Insert and Delete in a list.
  for (Control* b : window_->controls()) {
    if (b->kind() != ControlKind::Button || !b->usable()) continue;
    bool bound = b->def().key == key;
    if (c.kind() == ControlKind::List && b->def().key == Key::None)
      bound = bound || (key == Key::Insert && b->def().action == StandardAction::Insert) ||
              (key == Key::Delete && b->def().action == StandardAction::Delete);
    if (bound) {
      press(*b);
      return;
    }
  }
}

void Procedure::select(Control& c) {
  if (acceptingAll_) stopAcceptAll_ = true;
  if (window_->focus() == &c) return;
  window_->setFocus(&c);
  post(EventKind::Selected, &c);
}

void Procedure::call(std::string_view procedure, Request request,
                     std::function<void(Response)> then) {
  ctx_.g.GlobalRequest = static_cast<int>(request);
  frame::Context* ctx = &ctx_;
  bool known = desktop().call(ctx_, procedure, [ctx, then] {
    if (then) then(static_cast<Response>(ctx->g.GlobalResponse));
  });
  if (!known) {
    ctx_.g.GlobalRequest = 0;
    message("The procedure " + std::string(procedure) + " is not available.", "Missing Procedure",
            Icon::Exclamation);
    ctx_.g.GlobalResponse = static_cast<int>(Response::Cancelled);
    if (then) then(Response::Cancelled);
  }
}

void Procedure::open(std::unique_ptr<Procedure> window, std::function<void(Response)> then) {
  Procedure* opened = window.get();
  // The desktop keeps a closed window until the next action, so its response can be read here.
  window->onClosed_ = [opened, then = std::move(then)] {
    if (then) then(opened->response());
  };
  desktop().open(std::move(window));
}

void Procedure::display() {
  for (Control* c : window_->controls()) c->display();
}

bool Procedure::update() {
  for (Control* c : window_->controls())
    if (c->takesInput() && !commit(*c)) return false;
  return true;
}

bool Procedure::commit(Control& c) {
  switch (c.kind()) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::DropCombo:
      break;
    default:
      return true;
  }
  // A text the user did not touch is the value's own text: nothing to read back (an empty date
  // shows as "0/00/00" in some pictures, which would not read back).
  if (!c.edited_ && c.text_ == c.format(c.value_)) return true;
  std::string why;
  std::optional<data::Value> v = c.parse(c.text_, &why);
  if (v) {
    if (c.setValue(*v, &why)) return true;
    // A NUL would cut the text shown; the field is named instead.
    why = c.text_.find('\0') != std::string::npos
              ? c.label() + ": " + why
              : "\"" + clipped(trimLeft(c.text_)) + "\" does not fit: " + why;
  }
  c.edited_ = true;
  c.changed();
  port().beep();
  message(why, "Invalid Entry", Icon::Exclamation);
  select(c);
  return false;
}

void Procedure::press(Control& button) {
  if (!button.usable()) return;
  post(EventKind::Accepted, &button);
}

void Procedure::acceptAll() {
  acceptingAll_ = true;
  stopAcceptAll_ = false;
  std::size_t depth = desktop().depth();
  bool stopped = false;
  for (Control* c : window_->controls()) {
    if (!c->takesInput() || !c->usable() || c->readonly()) continue;
    if (!commit(*c)) {
      stopped = true;
      break;
    }
    dispatch(Event{EventKind::Accepted, c, Key::None});
    while (!queue_.empty() && !stopAcceptAll_ && !closing_ && desktop().depth() == depth) {
      Event e = queue_.front();
      queue_.pop_front();
      dispatch(e);
    }
    if (stopAcceptAll_ || closing_ || desktop().depth() != depth) {
      stopped = true;
      break;
    }
  }
  acceptingAll_ = false;
  stopAcceptAll_ = false;
  if (!stopped) post(EventKind::Completed);
}

// ---- Standard services --------------------------------------------------------------------------

void Procedure::calendar(Control& button) {
  Control& target = control(button.def().forControl);
  Date start;
  if (auto d = std::get_if<Date>(&target.value_)) start = *d;
  if (auto n = std::get_if<std::int64_t>(&target.value_))
    start = Date(static_cast<std::int32_t>(*n));
  std::optional<Date> chosen = port().chooseDate("Select a Date", start);
  if (!chosen) return;
  target.setValue(*chosen);
  target.display();
}

void Procedure::calculator(Control& c) {
  if (c.readonly() || (c.kind() != ControlKind::Entry && c.kind() != ControlKind::Text &&
                       c.kind() != ControlKind::DropCombo))
    return;
  if (!commit(c)) return;
  std::optional<std::string> result = port().calculate(clipped(trimLeft(c.text())));
  if (!result || clip(*result).empty()) return;
  ctx_.setGlobal("GCALCReturnField", *result);
  c.text_ = *result;
  c.edited_ = true;
  c.changed();
  commit(c);
}

// F7 checks the control with the focus; a window without a spell checker lets the key reach
// a button bound to it.
bool Procedure::spellCheck(Control& c) {
  SpellCheckService* checker = desktop().spellChecker();
  if (checker == nullptr) return false;
  Control& target = window_->focus() != nullptr ? *window_->focus() : c;
  if (target.kind() != ControlKind::Entry && target.kind() != ControlKind::Text &&
      target.kind() != ControlKind::DropCombo)
    return true;
  std::optional<std::string> result = checker->checkText(*this, target.text_);
  if (!result || target.readonly() || !target.usable()) return true;
  target.text_ = *result;
  target.edited_ = true;
  target.changed();
  commit(target);
  return true;
}

// The runtime's edit menu. The window model keeps no text selection, so Copy and Cut are
// offered disabled and Paste inserts at the end of the text.
void Procedure::editMenu(Control& c) {
  if (c.kind() != ControlKind::Entry && c.kind() != ControlKind::Text &&
      c.kind() != ControlKind::DropCombo)
    return;
  const std::string clip = port().clipboard();
  const std::string extras = editMenuExtras(c);
  // Without a cursor from the renderer, text goes in after what the entry shows, not after
  // the blanks its picture pads it with.
  if (c.selStart_ == std::string::npos) c.text_ = clipped(trimLeft(c.text_));
  const std::string selected = c.selectedText();
  if (selected.empty() && clip.empty() && extras.empty()) return;
  std::string items = std::string(selected.empty() ? "~" : "") + "&Copy|" +
                      (selected.empty() || c.readonly() ? "~" : "") + "Cu&t|" +
                      (clip.empty() || c.readonly() ? "~" : "") + "&Paste";
  if (!extras.empty()) items += "|-|" + extras;
  const int choice = port().popupMenu(items);
  if (choice > 3) {
    editMenuChosen(c, choice - 3);
    return;
  }
  if (choice < 1) return;
  if (choice == 1 || choice == 2) port().setClipboard(selected);
  if (choice == 1 || c.readonly()) return;
  // Cut removes the selection; Paste replaces it, or goes in at the cursor.
  const std::size_t at = c.selectionStart();
  const std::string add = choice == 3 ? (c.caseMode() == CaseMode::Upr ? upper(clip) : clip) : "";
  c.text_.replace(at, c.selectionLength(), add);
  c.setSelection(at + add.size(), 0);
  c.edited_ = true;
  c.changed();
}

// ---- User input -----------------------------------------------------------------------------

void Procedure::requireUsable(Control& c, const char* what) const {
  if (&c.window() != window_.get())
    throw UiError("control " + c.name() + " is not in window " + name_);
  if (!c.shown()) throw UiError("cannot " + std::string(what) + " " + c.label() + ": it is hidden");
  if (!c.usable())
    throw UiError("cannot " + std::string(what) + " " + c.label() + ": it is disabled");
}

template <typename F>
void Procedure::input(Control* c, F&& f) {
  if (!open_ || closing_) throw UiError("window " + name_ + " is not open");
  if (!isTop()) throw UiError("window " + name_ + " is not the topmost window");
  if (c && &c->window() != window_.get())
    throw UiError("control " + c->name() + " is not in window " + name_);
  Desktop::Busy busy(*desktop_);
  actionStarts();
  f();
  pump();
  if (open_ && !closing_ && isTop()) display();
}

void Procedure::userFocus(Control& c) {
  input(&c, [&] {
    requireUsable(c, "go to");
    select(c);
  });
}

bool Procedure::userType(Control& c, const std::string& text) {
  bool ok = false;
  input(&c, [&] {
    requireUsable(c, "type into");
    if (c.readonly()) throw UiError("cannot type into " + c.label() + ": it is read-only");
    if (c.kind() == ControlKind::DropList) {
      for (std::size_t i = 0; i < c.items().size(); ++i)
        if (upper(plainCaption(c.items()[i].text)) == upper(plainCaption(text))) {
          ok = true;
          select(c);
          pump();
          c.setValue(c.items()[i].value);
          post(EventKind::NewSelection, &c);
          post(EventKind::Accepted, &c);
          return;
        }
      throw UiError(c.label() + " has no item " + text);
    }
    if (c.kind() != ControlKind::Entry && c.kind() != ControlKind::Text &&
        c.kind() != ControlKind::DropCombo)
      throw UiError("cannot type into " + c.label() + ": it is a " + kindName(c.kind()));
    select(c);
    pump();
    if (!open_ || closing_ || !isTop()) return;
    std::string t = applyCase(text, c.caseMode());
    if (c.picture().size() > 2 && (c.picture()[1] == 's' || c.picture()[1] == 'S')) {
      // An entry takes no more characters than its picture shows.
      PictureSpec pic = PictureSpec::parse(c.picture());
      if (pic.kind == PictureSpec::Kind::Text && pic.width > 0)
        t = cutToChars(t, static_cast<std::size_t>(pic.width));
    }
    c.text_ = t;
    c.edited_ = true;
    c.changed();
    if (!commit(c)) return;
    ok = true;
    post(EventKind::Accepted, &c);
  });
  return ok;
}

void Procedure::userEdit(Control& c, const std::string& text) {
  input(&c, [&] {
    requireUsable(c, "type into");
    if (c.readonly()) throw UiError("cannot type into " + c.label() + ": it is read-only");
    if (c.kind() != ControlKind::Entry && c.kind() != ControlKind::Text &&
        c.kind() != ControlKind::DropCombo)
      throw UiError("cannot type into " + c.label() + ": it is a " + kindName(c.kind()));
    c.text_ = text;
    c.edited_ = true;
    c.changed();
    // An incremental locator takes each keystroke as it comes.
    if (c.incremental() && commit(c)) post(EventKind::Accepted, &c);
  });
}

bool Procedure::userAccept(Control& c) {
  bool ok = false;
  input(&c, [&] {
    requireUsable(c, "accept");
    if (!c.takesInput()) throw UiError("cannot accept " + c.label() + ": it takes no input");
    if (!commit(c)) return;
    ok = true;
    post(EventKind::Accepted, &c);
  });
  return ok;
}

void Procedure::userPress(Control& button) {
  input(&button, [&] {
    requireUsable(button, "press");
    // A named picture is pressed by a click on it (opening the file it shows).
    if (button.kind() != ControlKind::Button && button.kind() != ControlKind::Image)
      throw UiError("cannot press " + button.label() + ": it is a " + kindName(button.kind()));
    press(button);
  });
}

void Procedure::userCheck(Control& check, bool on) {
  input(&check, [&] {
    requireUsable(check, "check");
    if (check.kind() != ControlKind::Check)
      throw UiError("cannot check " + check.label() + ": it is a " + kindName(check.kind()));
    if (check.readonly()) throw UiError("cannot check " + check.label() + ": it is read-only");
    select(check);
    pump();
    if (!open_ || closing_ || !isTop()) return;
    check.setChecked(on);
    post(EventKind::Accepted, &check);
  });
}

void Procedure::userChoose(Control& c, int item) {
  input(&c, [&] {
    requireUsable(c, "choose in");
    if (c.kind() == ControlKind::Sheet) {
      const auto& tabs = c.children();
      if (item < 1 || item > static_cast<int>(tabs.size()) ||
          !tabs[static_cast<std::size_t>(item - 1)]->visible())
        throw UiError(c.label() + " has no tab " + std::to_string(item));
      c.setValue(std::int64_t{item});
      post(EventKind::NewSelection, &c);
      return;
    }
    if (c.kind() != ControlKind::DropList && c.kind() != ControlKind::DropCombo &&
        c.kind() != ControlKind::Radio)
      throw UiError("cannot choose in " + c.label() + ": it is a " + kindName(c.kind()));
    if (c.readonly()) throw UiError("cannot choose in " + c.label() + ": it is read-only");
    if (item < 1 || item > static_cast<int>(c.items().size()))
      throw UiError(c.label() + " has no item " + std::to_string(item));
    select(c);
    pump();
    if (!open_ || closing_ || !isTop()) return;
    c.setValue(c.items()[static_cast<std::size_t>(item - 1)].value);
    if (c.kind() != ControlKind::Radio) post(EventKind::NewSelection, &c);
    post(EventKind::Accepted, &c);
  });
}

// Highlights a row as the user's click does: the list gets the focus, and a NewSelection
// follows when the row changed.
void Procedure::highlightRow(Control& list, std::int64_t row, const char* what) {
  requireUsable(list, what);
  if (list.kind() != ControlKind::List || !list.list())
    throw UiError(std::string("cannot ") + what + " " + list.label() + ": it is no list");
  if (!list.list()->ensureRow(row))
    throw UiError(list.label() + " has no row " + std::to_string(row + 1));
  select(list);
  const bool moved = list.list()->current() != row;
  list.list()->setCurrent(row);
  if (moved) post(EventKind::NewSelection, &list);
}

void Procedure::userSelectRow(Control& list, std::int64_t row) {
  input(&list, [&] { highlightRow(list, row, "select in"); });
}

void Procedure::userClickCell(Control& list, std::int64_t row, int column) {
  input(&list, [&] {
    if (list.kind() == ControlKind::List && (column < 0 || column >= list.columnCount()))
      throw UiError(list.label() + " has no column " + std::to_string(column + 1));
    highlightRow(list, row, "click in");
    list.clickedColumn_ = column;
    post(EventKind::AlertKey, &list, Key::CellClick);
  });
}

void Procedure::userActivateRow(Control& list, std::int64_t row) {
  input(&list, [&] {
    highlightRow(list, row, "select in");
    post(EventKind::Accepted, &list, Key::DoubleClick);
  });
}

void Procedure::userKey(Control& c, Key key) {
  input(&c, [&] {
    requireUsable(c, "press a key in");
    if (key == Key::None) throw UiError("no such key");
    if (window_->focus() != &c && key != Key::CtrlClick && key != Key::RightClick) {
      select(c);
      pump();
      if (!open_ || closing_ || !isTop()) return;
    }
    post(EventKind::AlertKey, &c, key);
  });
}

void Procedure::userClickHeader(Control& list, int column) {
  input(&list, [&] {
    requireUsable(list, "sort");
    if (list.kind() != ControlKind::List || !list.list())
      throw UiError("cannot sort " + list.label() + ": it is no list");
    if (column < 0 || column >= list.list()->columnCount())
      throw UiError(list.label() + " has no column " + std::to_string(column + 1));
    ListModel& m = *list.list();
    bool ascending = !(m.sortColumn() == column && m.sortAscending());
    m.sortByColumn(column, ascending);
  });
}

void Procedure::userClose() {
  input(nullptr, [&] {
    if (desktop_->discarding() || mayLeave()) post(EventKind::CloseWindow);
  });
}

void Procedure::userDrop(Control& c, const std::vector<std::string>& files) {
  input(&c, [&] {
    requireUsable(c, "drop files on");
    if (!files.empty()) filesDropped(c, files);
  });
}

void Procedure::userDragRows(Control& from, Control& to, std::int64_t row, int modifiers) {
  input(&to, [&] {
    requireUsable(from, "drag rows from");
    requireUsable(to, "drop rows on");
    if (from.kind() != ControlKind::List || !to.is(from.def().dragTo))
      throw UiError("the rows of " + from.label() + " cannot be dragged onto " + to.label());
    if (!to.list() || row < 0 || !to.list()->ensureRow(row))
      throw UiError(to.label() + " has no row " + std::to_string(row + 1));
    rowsDropped(from, to, row, modifiers);
  });
}

void Procedure::userTimer() {
  input(nullptr, [&] { post(EventKind::Timer); });
}

}  // namespace koreq::ui
