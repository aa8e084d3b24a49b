// The expression evaluator on any text, with names of both kinds bound.

#include <cstdlib>
#include <string>

#include "runtime/expr.h"

using namespace koreq;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  static const MapResolver names = {
      {"EQH:Active", ExprValue::number(Decimal(1))},
      {"EQH:EquipmentID", ExprValue::str("EX-301")},
      {"Big", ExprValue::number(Decimal::fromCents(Decimal::kMaxCents))},
      {"Small", ExprValue::number(Decimal::fromCents(-Decimal::kMaxCents))},
      {"Blank", ExprValue::str("   ")},
      {"Num", ExprValue::str("12.50")},
  };
  const Expression e = Expression::compile(text);
  if (e.ok() != e.error().empty()) std::abort();
  std::string error;
  const auto value = e.evaluate(names, &error);
  if (!value && error.empty()) std::abort();
  if (value) {
    (void)value->toText();
    (void)value->toNumber();
    if (e.test(names).value_or(!value->truthy()) != value->truthy()) std::abort();
  }
  // Compiling twice gives the same verdict.
  if (Expression::compile(text).ok() != e.ok()) std::abort();
  return 0;
}
