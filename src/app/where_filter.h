#pragma once

// The --where filter of `koreq dump`: an expression over the fields of one file's record.

#include <optional>
#include <string>

#include "data/field.h"
#include "runtime/expr.h"

namespace koreq::cli {

class WhereFilter {
 public:
  // Nothing, with the reason, when the text is no valid expression or uses a name that is not
  // a field of `def` (with or without its prefix).
  static std::optional<WhereFilter> compile(const data::FileDef& def, const std::string& text,
                                            std::string* why);

  // Whether the record (a buffer of the file) passes; nothing, with the reason, when the
  // expression cannot be evaluated on it (a result too large).
  std::optional<bool> matches(const void* rec, std::string* why) const;

 private:
  WhereFilter(const data::FileDef& def, Expression e) : def_(&def), expr_(std::move(e)) {}
  const data::FileDef* def_;
  Expression expr_;
};

// A field's value as expressions see it: numbers of every kind (a date its day number, a time
// its hundredths) as numbers, texts as texts.
ExprValue fieldExprValue(const data::Value& v);

}  // namespace koreq::cli
