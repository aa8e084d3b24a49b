#pragma once

// The expression evaluator behind browse filters, report filters and bound names.
//
//   values      12   12.50   'text' ('' inside is one quote)   names: EQH:Active, ShowActive
//   operators   from the loosest to the tightest binding:
//                 OR
//                 AND
//                 NOT ~                 (prefix)
//                 = <> < > <= >=
//                 &                     (joins texts)
//                 + -
//                 * /
//                 - +                   (prefix)
//               and parentheses. Keywords and names are case-insensitive.
//
// So "NOT a = 1 AND b > 2 OR c" reads ((NOT (a = 1)) AND (b > 2)) OR c.
//
// Values are numbers (Decimal) or texts. Comparing two numbers compares them as numbers, two
// texts compares them clipped (trailing blanks ignored, case significant); a number and a text
// compare as numbers when the text reads as a number, otherwise as texts (the number written
// plain). A comparison gives 1 or 0. Arithmetic reads a text as its number, and a text that is
// no number as 0, as the runtime does. "/" by zero gives 0; a result beyond Decimal's 15 digits
// is an evaluation error. A number is true when non-zero, a text when non-blank. AND and OR
// evaluate both sides, so an unknown name is reported whatever the other side's value.
//
// Nothing here throws: a syntax error is kept by the compiled Expression, an evaluation error
// is returned by evaluate().

#include <initializer_list>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/decimal.h"

namespace koreq {

struct ExprValue {
  bool isText = false;
  Decimal num;
  std::string text;

  static ExprValue number(Decimal v);
  static ExprValue str(std::string v);

  bool truthy() const;
  // A number written plain ("12.5", "-3"); a text as it is.
  std::string toText() const;
  // A text's number; 0 for a text that is no number.
  Decimal toNumber() const;
  friend bool operator==(const ExprValue&, const ExprValue&) = default;
};

// Supplies the values of names. Implementations match names case-insensitively; the name is
// passed as the expression writes it.
class NameResolver {
 public:
  virtual ~NameResolver() = default;
  virtual std::optional<ExprValue> lookup(std::string_view name) const = 0;
};

class MapResolver final : public NameResolver {
 public:
  MapResolver() = default;
  MapResolver(std::initializer_list<std::pair<std::string, ExprValue>> values);
  void set(std::string_view name, ExprValue value);
  void setNumber(std::string_view name, Decimal value) { set(name, ExprValue::number(value)); }
  void setText(std::string_view name, std::string value) {
    set(name, ExprValue::str(std::move(value)));
  }
  bool erase(std::string_view name);
  std::optional<ExprValue> lookup(std::string_view name) const override;

 private:
  std::map<std::string, ExprValue, std::less<>> values_;  // keys upper-cased
};

// Asks its resolvers in the order they were added; the first that knows a name answers. Holds
// them by reference: they must outlive the chain.
class ChainResolver final : public NameResolver {
 public:
  ChainResolver() = default;
  ChainResolver(std::initializer_list<const NameResolver*> resolvers);
  void add(const NameResolver& resolver) { resolvers_.push_back(&resolver); }
  std::optional<ExprValue> lookup(std::string_view name) const override;

 private:
  std::vector<const NameResolver*> resolvers_;
};

class Expression {
 public:
  // An empty expression: not ok (a blank filter is the caller's "no filter", not ours).
  Expression();
  // Never fails outright: check ok(). Errors read "Syntax error at 7: ')' expected", the
  // position counting characters from 1.
  static Expression compile(std::string_view text);

  bool ok() const { return root_ != nullptr; }
  const std::string& error() const { return error_; }
  const std::string& text() const { return text_; }
  // The names the expression uses, as first written, each once; lets a caller check its names
  // before the first evaluation.
  const std::vector<std::string>& names() const { return names_; }

  // Nothing on an error: the compile error, "Unknown name: X", or "Number too large".
  std::optional<ExprValue> evaluate(const NameResolver& names, std::string* error = nullptr) const;
  // The value's truth, for filters.
  std::optional<bool> test(const NameResolver& names, std::string* error = nullptr) const;

  struct Node;

 private:
  std::string text_;
  std::string error_;
  std::vector<std::string> names_;
  std::shared_ptr<const Node>
      root_;  // shared: a compiled expression is immutable and cheap to copy
};

}  // namespace koreq
