#include "data/view.h"

#include <algorithm>

namespace koreq::data {

ExprValue toExprValue(const Value& v) {
  if (auto s = std::get_if<std::string>(&v)) return ExprValue::str(*s);
  if (auto d = std::get_if<Decimal>(&v)) return ExprValue::number(*d);
  if (auto n = std::get_if<std::int64_t>(&v)) return ExprValue::number(Decimal(*n));
  if (auto dt = std::get_if<Date>(&v)) return ExprValue::number(Decimal(dt->day()));
  if (auto t = std::get_if<Time>(&v)) return ExprValue::number(Decimal(t->value()));
  return ExprValue::number(Decimal());
}

std::optional<ExprValue> BufferResolver::lookup(std::string_view name) const {
  if (name.find(':') == std::string_view::npos) return std::nullopt;
  if (upper(name.substr(0, name.find(':'))) != file_.def().prefix) return std::nullopt;
  const FieldDef* f = file_.def().field(name);
  if (!f) return std::nullopt;
  return toExprValue(f->get(file_.buffer()));
}

namespace {

// Names of fields are plain ASCII: compared without regard to case, without upper-casing copies.
bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = static_cast<char>(x - 'a' + 'A');
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 'a' + 'A');
    if (x != y) return false;
  }
  return true;
}

}  // namespace

void FieldResolver::add(const Expression& e) {
  const FileDef& def = file_.def();
  for (const std::string& name : e.names()) {
    int field = -1;
    const auto colon = name.find(':');
    if (colon != std::string::npos && upper(name.substr(0, colon)) == def.prefix)
      field = def.fieldIndex(name);
    names_.emplace_back(name, field);
    if (field >= 0 && std::find(fields_.begin(), fields_.end(), field) == fields_.end())
      fields_.push_back(field);
  }
}

void FieldResolver::clear() {
  names_.clear();
  fields_.clear();
}

std::optional<ExprValue> FieldResolver::lookup(std::string_view name) const {
  for (const auto& [known, field] : names_)
    if (sameName(known, name)) {
      if (field < 0) return std::nullopt;
      return toExprValue(file_.def().fields[static_cast<std::size_t>(field)].get(file_.buffer()));
    }
  return fallback_.lookup(name);
}

bool View::setFilter(std::string_view expression, const NameResolver* extra, std::string* error) {
  extra_ = extra;
  filter_.reset();
  filterNames_.clear();
  filterChain_ = ChainResolver{&filterNames_};
  if (extra_) filterChain_.add(*extra_);
  filterText_.clear();
  if (clip(expression).empty()) return true;
  Expression e = Expression::compile(expression);
  if (!e.ok()) {
    if (error) *error = e.error();
    return false;
  }
  filter_ = std::move(e);
  filterNames_.add(*filter_);
  filterText_ = std::string(expression);
  return true;
}

void View::reset() {
  file_.setRange(*key_, equal_, start_);
  open_ = true;
  filterError_.clear();
  readStarted_ = false;
  lastKey_.clear();
  lastRow_ = 0;
}

bool View::passes() {
  if (!filter_) return true;
  std::string err;
  auto v = filter_->evaluate(filterChain_, &err);
  if (!v) {
    filterError_ = err;
    return false;
  }
  return v->truthy();
}

int View::next() {
  if (!open_) reset();
  for (;;) {
    int rc = backward_ ? file_.previous() : file_.next();
    if (rc != kNoError) return rc;
    if (passes()) return kNoError;
  }
}

std::int64_t View::count() {
  if (!filter_) {
    ScanSpec s;
    s.key = key_;
    s.equal = equal_;
    s.start = start_;
    return file_.store().count(file_.def(), &s);
  }
  reset();
  std::int64_t n = 0;
  read(&filterFields(), [&] {
    ++n;
    return true;
  });
  reset();
  open_ = false;
  return n;
}

bool View::read(const std::vector<int>* fields, const std::function<bool()>& row) {
  ScanSpec s;
  s.key = key_;
  s.backward = backward_;
  s.equal = equal_;
  if (readStarted_)
    s.after = std::make_pair(lastKey_, lastRow_);
  else
    s.start = start_;
  // The key's fields are read too: the next call goes on from them.
  std::vector<int> wanted;
  if (fields) {
    wanted = *fields;
    for (const std::vector<int>* more : {&key_->fields, &filterFields()})
      for (int i : *more)
        if (std::find(wanted.begin(), wanted.end(), i) == wanted.end()) wanted.push_back(i);
  }
  struct Sink final : RowSink {
    View& v;
    const std::function<bool()>& row;
    bool any = false, stopped = false;
    Sink(View& view, const std::function<bool()>& r) : v(view), row(r) {}
    void* buffer() override { return v.file_.buffer(); }
    bool take(std::int64_t rowId) override {
      any = true;
      v.file_.setPosition(rowId);
      if (!v.passes()) return true;
      stopped = !row();
      return !stopped;
    }
  } sink(*this, row);
  file_.store().read(file_.def(), s, fields ? &wanted : nullptr, sink);
  if (sink.any) {
    readStarted_ = true;
    lastKey_.clear();
    for (int i : key_->fields)
      lastKey_.push_back(file_.def().fields[static_cast<std::size_t>(i)].get(file_.buffer()));
    lastRow_ = file_.position();
  }
  return !sink.stopped;
}

}  // namespace koreq::data
