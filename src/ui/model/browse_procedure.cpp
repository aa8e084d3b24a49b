#include "ui/model/browse_procedure.h"

#include "data/view.h"
#include "runtime/picture.h"

namespace koreq::ui {

// The filter's bound names: the procedure's locals first, then what every window expression
// may name (the context's buffers and globals).
class BrowseProcedure::Names final : public NameResolver {
 public:
  explicit Names(BrowseProcedure& p) : p_(p), context_(p.ctx()) {}
  std::optional<ExprValue> lookup(std::string_view name) const override {
    if (const Binding* b = p_.locals().find(name)) return data::toExprValue(b->get());
    return context_.lookup(name);
  }

 private:
  BrowseProcedure& p_;
  frame::ContextNames context_;
};

BrowseProcedure::BrowseProcedure(frame::Context& ctx, std::string name, const data::FileDef& file,
                                 const WindowDef& def, std::string listControl)
    : Procedure(ctx, std::move(name), def),
      file_(file),
      listName_(std::move(listControl)),
      key_(&file.primaryKey()) {
  control(listName_);  // a window without the list is a programming error: say so at once
}

BrowseProcedure::BrowseProcedure(frame::Context& ctx, std::string name, const data::FileDef& file,
                                 std::string listControl)
    : Procedure(ctx, std::move(name)),
      file_(file),
      listName_(std::move(listControl)),
      key_(&file.primaryKey()) {
  control(listName_);
}

BrowseProcedure::~BrowseProcedure() = default;

ViewListModel& BrowseProcedure::list() const {
  if (!list_) throw UiError("the list of " + name() + " is made when the window opens");
  return *list_;
}

void BrowseProcedure::setSortOrder(const data::KeyDef& key) {
  key_ = &key;
  if (list_) {
    list_->setKey(key);
    refresh();
  }
}

void BrowseProcedure::setRange(std::vector<data::Value> equal) {
  range_ = std::move(equal);
  if (list_) {
    list_->setRange(range_);
    refresh();
  }
}

void BrowseProcedure::setFilter(std::string expression) {
  filter_ = std::move(expression);
  if (list_) {
    std::string why;
    if (!list_->setFilter(filter_, &why)) throw UiError("filter of " + name() + ": " + why);
    refresh();
  }
}

void BrowseProcedure::addResetField(std::string name) {
  resets_.emplace_back(std::move(name), data::Value());
}

void BrowseProcedure::setLocator(std::string entryControl) {
  control(entryControl).setIncremental(true);
  locator_ = std::move(entryControl);
}

void BrowseProcedure::setRowStyle(std::function<RowStyle(const data::FileAccess&)> style,
                                  std::optional<std::vector<std::string>> reads) {
  style_ = std::move(style);
  styleReads_ = std::move(reads);
  if (list_) list_->setRowStyle(style_, styleReads_);
}

void BrowseProcedure::setPageSize(int rows) {
  pageSize_ = rows;
  if (list_) list_->setPageSize(rows);
}

data::Value BrowseProcedure::resetValue(const std::string& name) {
  if (const Binding* b = locals().find(name)) return b->get();
  data::FileAccess* owner = nullptr;
  if (const data::FieldDef* f = ctx().fieldByName(name, &owner)) return f->get(owner->buffer());
  if (ctx().hasGlobal(name)) return ctx().global(name);
  throw UiError("reset field " + name + " of " + this->name() + " is no local, field or global");
}

void BrowseProcedure::ready() {
  names_ = std::make_unique<Names>(*this);
  list_ = std::make_unique<ViewListModel>(ctx().store(), file_, ctx().errors(),
                                          listControl().def().columns, names_.get());
  list_->setKey(*key_);
  list_->setRange(range_);
  list_->setPageSize(pageSize_);
  if (style_) list_->setRowStyle(style_, styleReads_);
  std::string why;
  if (!list_->setFilter(filter_, &why)) throw UiError("filter of " + name() + ": " + why);
  for (auto& [n, v] : resets_) v = resetValue(n);
  listControl().setList(list_.get());
  list_->reset();
  if (!list_->filterError().empty())
    throw UiError("filter of " + name() + ": " + list_->filterError());
  for (Control* c : window().controls())
    if (c->kind() == ControlKind::Button && c->def().action == StandardAction::Select)
      c->setVisible(selectMode());
  if (selectMode()) setResponse(Response::Cancelled);
  select(listControl());
}

bool BrowseProcedure::loadCurrent() {
  if (!list_ || list_->current() < 0) return false;
  data::FileAccess& f = file();
  f.setPosition(list_->rowId(list_->current()));
  return f.reget() == data::kNoError;
}

void BrowseProcedure::refresh(std::int64_t fallback) {
  if (!list_) return;
  std::int64_t id = file().position();
  list_->reset();
  std::int64_t row = id ? list_->findRowId(id) : -1;
  if (row < 0) {
    list_->ensureRow(fallback);
    row = std::min(fallback, list_->rowCount() - 1);
  }
  list_->setCurrent(row);
}

bool BrowseProcedure::confirmDelete() {
  return message("Are you sure you want to delete the highlighted record?", "Confirm Delete",
                 Icon::Question, "&Yes|&No", 2) == 1;
}

void BrowseProcedure::ask(Request request) {
  if (form_.empty()) return;
  std::int64_t at = list_ ? std::max<std::int64_t>(list_->current(), 0) : 0;
  if (request != Request::Insert) {
    if (!loadCurrent()) return;
    if (request == Request::Delete && !confirmDelete()) return;
  }
  call(form_, request, [this, at](Response) { refresh(at); });
}

void BrowseProcedure::standardAction(Control& button, StandardAction action) {
  switch (action) {
    case StandardAction::Insert:
      ask(Request::Insert);
      return;
    case StandardAction::Change:
      ask(Request::Change);
      return;
    case StandardAction::Delete:
      ask(Request::Delete);
      return;
    case StandardAction::Select:
      if (!selectMode() || !loadCurrent()) return;
      setResponse(Response::Completed);
      close();
      return;
    default:
      Procedure::standardAction(button, action);
  }
}

void BrowseProcedure::standardEvent(const Event& e) {
  if (e.kind == EventKind::Accepted && list_ && !locator_.empty() && e.control->is(locator_)) {
    std::int64_t row = list_->locate(clipped(trimLeft(e.control->text())));
    if (row >= 0 && row != list_->current()) {
      list_->setCurrent(row);
      post(EventKind::NewSelection, &listControl());
    }
    return;
  }
  Procedure::standardEvent(e);
}

void BrowseProcedure::afterEvent() {
  if (!list_) return;
  bool changed = false;
  for (auto& [n, v] : resets_) {
    data::Value now = resetValue(n);
    if (now.index() != v.index() || compareValues(now, v) != 0) changed = true;
    v = now;
  }
  if (!changed) return;
  // Refiltered: the highlight stays on its record when the first page still holds it.
  std::int64_t id = list_->current() >= 0 ? list_->rowId(list_->current()) : 0;
  list_->reset();
  for (std::int64_t r = 0; r < list_->rowCount(); ++r)
    if (list_->rowId(r) == id) {
      list_->setCurrent(r);
      break;
    }
}

void BrowseProcedure::rowActivated(Control& list) {
  if (!list.is(listName_)) return;
  if (selectMode()) {
    if (!loadCurrent()) return;
    setResponse(Response::Completed);
    close();
  } else if (!form_.empty()) {
    ask(Request::Change);
  }
}

bool BrowseProcedure::selectRowWithId(const std::string& id) {
  ViewListModel& m = list();
  auto holds = [&](std::int64_t r) { return clipped(data::valueToText(m.cellValue(r, 0))) == id; };
  std::int64_t found = -1;
  for (std::int64_t r = 0; r < m.rowCount() && found < 0; ++r)
    if (holds(r)) found = r;
  if (found < 0 && m.sortColumn() < 0) {
    // In key order the locator reads only as far as the ID.
    std::int64_t r = m.locate(id);
    if (r >= 0 && holds(r)) found = r;
  }
  for (std::int64_t r = m.rowCount(); found < 0 && m.ensureRow(r); ++r)
    if (holds(r)) found = r;
  if (found < 0) return false;
  if (found != m.current()) {
    m.setCurrent(found);
    post(EventKind::NewSelection, &listControl());
  }
  select(listControl());
  return true;
}

}  // namespace koreq::ui
