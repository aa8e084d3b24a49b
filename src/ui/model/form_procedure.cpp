#include "ui/model/form_procedure.h"

#include "data/store.h"
#include "ui/model/desktop.h"

namespace koreq::ui {

FormProcedure::FormProcedure(frame::Context& ctx, std::string name, const data::FileDef& primary,
                             const WindowDef& def)
    : Procedure(ctx, std::move(name), def), primaryDef_(primary) {}

FormProcedure::FormProcedure(frame::Context& ctx, std::string name, const data::FileDef& primary)
    : Procedure(ctx, std::move(name)), primaryDef_(primary) {}

void FormProcedure::setTitleByRequest(const std::string& insert, const std::string& change,
                                      const std::string& view, const std::string& del) {
  switch (request()) {
    case Request::Insert:
      setTitle(insert);
      break;
    case Request::Change:
      setTitle(change);
      break;
    case Request::Delete:
      setTitle(del.empty() ? change : del);
      break;
    case Request::View:
      setTitle(view);
      break;
    default:
      break;
  }
}

void FormProcedure::prepare() {
  setResponse(Response::Cancelled);
  if (request() == Request::Insert) primary().prime();
}

void FormProcedure::ready() {
  if (request() == Request::View) {
    for (Control* c : window().controls())
      if (c->takesInput()) c->setReadonly(true);
  }
  if (request() == Request::Delete && deleteAtOpen()) {
    setResponse(save() ? Response::Completed : Response::Cancelled);
    close();
  }
}

void FormProcedure::standardAction(Control& button, StandardAction action) {
  if (action == StandardAction::Ok) {
    if (request() == Request::View)
      close();
    else
      acceptAll();
    return;
  }
  Procedure::standardAction(button, action);
}

void FormProcedure::standardEvent(const Event& e) {
  if (e.kind != EventKind::Completed) {
    Procedure::standardEvent(e);
    return;
  }
  if (request() == Request::View) return;
  if (!checkRequired()) return;
  if (!save()) return;
  for (Control* c : window().controls())
    if (c->def().history) desktop().remember(name(), c->name(), c->value());
  setResponse(Response::Completed);
  close();
}

void FormProcedure::standardKey(Control& c, Key key) {
  if (key == Key::CtrlH) {
    if (!c.def().history || c.readonly()) return;
    if (std::optional<data::Value> v = desktop().history(name(), c.name())) {
      c.setValue(*v);
      c.display();
    }
    return;
  }
  Procedure::standardKey(c, key);
}

void FormProcedure::opened() {
  markUnchanged();
}

void FormProcedure::actionStarts() {
  leaving_ = false;
}

void FormProcedure::markUnchanged() {
  display();
  record_.clear();
  const data::FileAccess& f = primary();
  for (const data::FieldDef& field : primaryDef_.fields) record_.push_back(field.get(f.buffer()));
  entries_.clear();
  for (const Control* c : window().controls())
    if (c->takesInput()) entries_.emplace_back(c, c->value());
}

bool FormProcedure::changed() const {
  const data::FileAccess& f = primary();
  for (std::size_t i = 0; i < record_.size() && i < primaryDef_.fields.size(); ++i)
    if (primaryDef_.fields[i].get(f.buffer()) != record_[i]) return true;
  for (const auto& [c, v] : entries_) {
    if (c->value() != v) return true;
    if (c->holdsEditedText() && c->text() != c->format(c->value())) return true;
  }
  return false;
}

bool FormProcedure::mayLeave() {
  if (request() != Request::Insert && request() != Request::Change) return true;
  if (!changed()) return true;
  // Changes are saved only the way OK saves them; a form whose OK the user cannot press has
  // nothing to offer.
  Control* ok = nullptr;
  for (Control* c : window().controls())
    if (c->kind() == ControlKind::Button && c->def().action == StandardAction::Ok && c->usable()) {
      ok = c;
      break;
    }
  if (ok == nullptr) return true;
  switch (message("Save changes?", window().title(), Icon::Question, "&Yes|&No|&Cancel", 1)) {
    case 1:
      leaving_ = true;
      press(*ok);
      return false;
    case 2:
      return true;
    default:
      return false;
  }
}

bool FormProcedure::checkRequired() {
  for (Control* c : window().controls()) {
    if (!c->required() || !c->usable() || !c->blank()) continue;
    message(c->label() + " is Required", "Required Field", Icon::Information);
    select(*c);
    return false;
  }
  return true;
}

bool FormProcedure::save() {
  data::FileAccess& f = primary();
  int rc = data::kNoError;
  switch (request()) {
    case Request::Insert:
      rc = f.insert();
      break;
    case Request::Change:
      rc = f.update();
      break;
    case Request::Delete:
      rc = f.remove();
      break;
    default:
      break;
  }
  return rc == data::kNoError;
}

bool FormProcedure::saveTogether(const std::function<bool()>& work, std::string_view action) {
  data::Transaction t(ctx().store());
  if (!t.begun()) {
    message(data::refusedText(ctx().store()), "Company Busy", Icon::Exclamation);
    return false;
  }
  if (!work()) return false;  // rolled back by the transaction
  try {
    t.commit();
  } catch (const data::StoreError& e) {
    ctx().errors().report(
        e.code(), std::string(e.what()) + " " + std::string(action) + " " + primaryDef_.label);
    return false;
  }
  return true;
}

}  // namespace koreq::ui
