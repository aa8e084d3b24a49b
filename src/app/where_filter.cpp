#include "app/where_filter.h"

namespace koreq::cli {

namespace {

class RecordResolver final : public NameResolver {
 public:
  RecordResolver(const data::FileDef& def, const void* rec) : def_(def), rec_(rec) {}
  std::optional<ExprValue> lookup(std::string_view name) const override {
    const data::FieldDef* f = def_.field(name);
    if (!f) return std::nullopt;
    return fieldExprValue(f->get(rec_));
  }

 private:
  const data::FileDef& def_;
  const void* rec_;
};

}  // namespace

ExprValue fieldExprValue(const data::Value& v) {
  struct V {
    ExprValue operator()(std::monostate) const { return ExprValue::number(Decimal()); }
    ExprValue operator()(std::int64_t n) const { return ExprValue::number(Decimal(n)); }
    ExprValue operator()(const Decimal& d) const { return ExprValue::number(d); }
    ExprValue operator()(const std::string& s) const { return ExprValue::str(s); }
    ExprValue operator()(const Date& d) const { return ExprValue::number(Decimal(d.day())); }
    ExprValue operator()(const Time& t) const { return ExprValue::number(Decimal(t.value())); }
  };
  return std::visit(V{}, v);
}

std::optional<WhereFilter> WhereFilter::compile(const data::FileDef& def, const std::string& text,
                                                std::string* why) {
  Expression e = Expression::compile(text);
  if (!e.ok()) {
    if (why) *why = e.error().empty() ? "empty expression" : e.error();
    return std::nullopt;
  }
  // Names are checked here so that a misspelt field fails before any output.
  for (const auto& name : e.names()) {
    if (!def.field(name)) {
      if (why) *why = "Unknown name: " + name + " (not a field of " + def.name + ")";
      return std::nullopt;
    }
  }
  return WhereFilter(def, std::move(e));
}

std::optional<bool> WhereFilter::matches(const void* rec, std::string* why) const {
  return expr_.test(RecordResolver(*def_, rec), why);
}

}  // namespace koreq::cli
