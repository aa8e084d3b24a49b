#include "data/view.h"

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

bool View::setFilter(std::string_view expression, const NameResolver* extra, std::string* error) {
  extra_ = extra;
  filter_.reset();
  filterText_.clear();
  if (clip(expression).empty()) return true;
  Expression e = Expression::compile(expression);
  if (!e.ok()) {
    if (error) *error = e.error();
    return false;
  }
  filter_ = std::move(e);
  filterText_ = std::string(expression);
  return true;
}

void View::reset() {
  file_.setRange(*key_, equal_, start_);
  open_ = true;
  filterError_.clear();
}

bool View::passes() {
  if (!filter_) return true;
  BufferResolver own(file_);
  ChainResolver names{&own};
  if (extra_) names.add(*extra_);
  std::string err;
  auto v = filter_->evaluate(names, &err);
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
  while (next() == kNoError) ++n;
  open_ = false;
  return n;
}

}  // namespace koreq::data
