#include "runtime/expr.h"

#include <gtest/gtest.h>

#include <random>

namespace koreq {
namespace {

Decimal d(const char* s) {
  return *Decimal::parse(s);
}

// The value of `text` under `names`, or "error: …".
std::string run(std::string_view text, const NameResolver& names) {
  Expression e = Expression::compile(text);
  std::string err;
  auto v = e.evaluate(names, &err);
  if (!v) return "error: " + err;
  return (v->isText ? "'" : "") + v->toText() + (v->isText ? "'" : "");
}

std::string run(std::string_view text) {
  return run(text, MapResolver());
}

TEST(Expr, NumbersTextsAndArithmetic) {
  EXPECT_EQ(run("12"), "12");
  EXPECT_EQ(run("12.50"), "12.5");
  EXPECT_EQ(run(".5 + 1"), "1.5");
  EXPECT_EQ(run("'abc'"), "'abc'");
  EXPECT_EQ(run("'it''s'"), "'it's'");
  EXPECT_EQ(run("''"), "''");
  EXPECT_EQ(run("1 + 2 * 3"), "7");
  EXPECT_EQ(run("(1 + 2) * 3"), "9");
  EXPECT_EQ(run("10 - 4 - 3"), "3");  // left to right
  EXPECT_EQ(run("12 / 4 / 3"), "1");
  EXPECT_EQ(run("2 / 3"), "0.67");
  EXPECT_EQ(run("5 / 0"), "0");
  EXPECT_EQ(run("-2 * -3"), "6");
  EXPECT_EQ(run("- - 2"), "2");
  EXPECT_EQ(run("+'12.5' + 1"), "13.5");
  EXPECT_EQ(run("'abc' + 1"), "1");       // a text that is no number counts as 0
  EXPECT_EQ(run("'a' & 1 + 2"), "'a3'");  // & binds looser than +
  EXPECT_EQ(run("'x' & 12.50 & ' ' & -3"), "'x12.5 -3'");
  EXPECT_EQ(run("1 & 2"), "'12'");
}

TEST(Expr, ComparisonsAndTruth) {
  EXPECT_EQ(run("2 > 1"), "1");
  EXPECT_EQ(run("2 < 1"), "0");
  EXPECT_EQ(run("2 >= 2"), "1");
  EXPECT_EQ(run("2 <= 1.99"), "0");
  EXPECT_EQ(run("2 <> 2.00"), "0");
  EXPECT_EQ(run("2 = 2.00"), "1");
  // Texts compare clipped and case-sensitively.
  EXPECT_EQ(run("'abc  ' = 'abc'"), "1");
  EXPECT_EQ(run("' abc' = 'abc'"), "0");
  EXPECT_EQ(run("'abc' = 'ABC'"), "0");
  EXPECT_EQ(run("'abc' < 'abd'"), "1");
  EXPECT_EQ(run("'b' > 'abc '"), "1");
  // Mixed: numerically when the text is a number, else as texts.
  EXPECT_EQ(run("'10' > 9"), "1");  // numerically; as texts "10" < "9"
  EXPECT_EQ(run("9 < ' 10 '"), "1");
  EXPECT_EQ(run("12.5 = '12.50'"), "1");
  EXPECT_EQ(run("'x' > 9"), "1");  // "x" > "9"
  EXPECT_EQ(run("9 < 'x'"), "1");
  EXPECT_EQ(run("0 = ''"), "0");
  // Truth.
  EXPECT_EQ(run("'  ' OR 0"), "0");
  EXPECT_EQ(run("' x' AND 0.01"), "1");
  EXPECT_EQ(run("NOT ''"), "1");
  EXPECT_EQ(run("~ 5"), "0");
  EXPECT_EQ(run("not not 5"), "1");
}

TEST(Expr, Precedence) {
  MapResolver names;
  auto check = [&](int a, int b, int c, const char* expected) {
    names.setNumber("a", Decimal(a));
    names.setNumber("b", Decimal(b));
    names.setNumber("c", Decimal(c));
    // ((NOT (a = 1)) AND (b > 2)) OR c
    EXPECT_EQ(run("NOT a = 1 AND b > 2 OR c", names), expected) << a << b << c;
  };
  check(1, 3, 0, "0");  // NOT applies to the comparison: NOT (1 = 1) is 0
  check(2, 3, 0, "1");
  check(2, 2, 0, "0");
  check(1, 0, 5, "1");                  // OR is loosest
  EXPECT_EQ(run("1 OR 0 AND 0"), "1");  // AND before OR
  EXPECT_EQ(run("(1 OR 0) AND 0"), "0");
  EXPECT_EQ(run("NOT 0 AND 0"), "0");  // NOT binds tighter than AND
  EXPECT_EQ(run("NOT (0 AND 0)"), "1");
  EXPECT_EQ(run("1 + 1 = 2"), "1");         // arithmetic before comparison
  EXPECT_EQ(run("'a' & 'b' = 'ab'"), "1");  // & before comparison
  EXPECT_EQ(run("-2 * 3 + 1"), "-5");
  EXPECT_EQ(run("1 = 1 = 1"), "1");  // comparisons chain left to right on 1/0
}

TEST(Expr, NamesAreCaseInsensitiveAndResolved) {
  MapResolver record{{"EQH:Active", ExprValue::str("Y")},
                     {"EQH:Rate", ExprValue::number(d("12.50"))}};
  MapResolver globals;
  globals.setNumber("ShowActive", Decimal(1));
  globals.setText("EQH:Active", "shadowed");
  globals.setNumber("GlobalReportLimit", Decimal(100));
  ChainResolver chain{&record, &globals};
  EXPECT_EQ(run("eqh:active = 'Y' AND SHOWACTIVE", chain), "1");
  EXPECT_EQ(run("EQH:Rate * 2 < globalreportlimit", chain), "1");
  EXPECT_EQ(run("Missing_Name2 + 1", chain), "error: Unknown name: Missing_Name2");
  // Both sides of AND are evaluated: an unknown name is never hidden by the other side.
  EXPECT_EQ(run("0 AND nope", chain), "error: Unknown name: nope");
  EXPECT_EQ(run("1 OR nope", chain), "error: Unknown name: nope");
  EXPECT_EQ(run("ANDY + ORE + NOTE", MapResolver{{"andy", ExprValue::number(Decimal(1))},
                                                 {"ore", ExprValue::number(Decimal(2))},
                                                 {"note", ExprValue::number(Decimal(3))}}),
            "6");

  Expression e = Expression::compile("a + A + EQH:Rate * b");
  EXPECT_EQ(e.names(), (std::vector<std::string>{"a", "EQH:Rate", "b"}));
  EXPECT_TRUE(record.erase("eqh:rate"));
  EXPECT_FALSE(record.erase("eqh:rate"));
  EXPECT_EQ(run("EQH:Rate", chain), "error: Unknown name: EQH:Rate");
  ChainResolver empty;
  EXPECT_FALSE(empty.lookup("x"));
}

TEST(Expr, SyntaxErrorsNamePosition) {
  auto error = [](std::string_view text) {
    Expression e = Expression::compile(text);
    EXPECT_FALSE(e.ok()) << text;
    EXPECT_FALSE(e.evaluate(MapResolver()));
    return e.error();
  };
  EXPECT_EQ(error(""), "Syntax error at 1: value expected, found end of expression");
  EXPECT_EQ(error("   "), "Syntax error at 4: value expected, found end of expression");
  EXPECT_EQ(error("(1 + 2"), "Syntax error at 7: ')' expected");
  EXPECT_EQ(error("1 + 2)"), "Syntax error at 6: unexpected ')'");
  EXPECT_EQ(error("1 +"), "Syntax error at 4: value expected, found end of expression");
  EXPECT_EQ(error("a = = 1"), "Syntax error at 5: value expected, found '='");
  EXPECT_EQ(error("'abc"), "Syntax error at 1: text without its closing quote");
  EXPECT_EQ(error("12abc"), "Syntax error at 3: bad number");
  EXPECT_EQ(error("1.2.3"), "Syntax error at 4: bad number");
  EXPECT_EQ(error("a ~= 1"), "Syntax error at 3: unexpected '~'");
  EXPECT_EQ(error("a != 1"), "Syntax error at 3: unexpected character '!'");
  EXPECT_EQ(error("'é' = x $"), "Syntax error at 9: unexpected character '$'");  // characters
  EXPECT_EQ(error("a b"), "Syntax error at 3: unexpected 'b'");
  EXPECT_EQ(error("99999999999999"), "Syntax error at 1: number too large");
  EXPECT_EQ(error("a = NOT b"), "Syntax error at 5: value expected, found 'NOT'");
  EXPECT_FALSE(Expression().ok());
  EXPECT_TRUE(Expression::compile("a\n AND\tb").ok());
  EXPECT_TRUE(Expression::compile("a\n AND\tb").names().size() == 2);
}

TEST(Expr, OverflowAndLimitsAreErrorsNotCrashes) {
  EXPECT_EQ(run("9999999999999 * 10"), "error: Number too large");
  EXPECT_EQ(run("9999999999999 + 9999999999999"), "error: Number too large");
  EXPECT_EQ(run("-(9999999999999 * 9999999999999)"), "error: Number too large");
  EXPECT_EQ(run("9999999999999 / 0.01"), "error: Number too large");

  std::string deep = std::string(5000, '(') + "1" + std::string(5000, ')');
  EXPECT_EQ(Expression::compile(deep).error(), "Syntax error at 101: nested too deeply");
  std::string unary(5000, '-');
  EXPECT_FALSE(Expression::compile(unary + "1").ok());
  std::string nots;
  for (int i = 0; i < 5000; ++i) nots += "NOT ";
  EXPECT_FALSE(Expression::compile(nots + "1").ok());
  std::string longChain = "1";
  for (int i = 0; i < 100000; ++i) longChain += "+1";
  EXPECT_NE(Expression::compile(longChain).error().find("expression too long"), std::string::npos);
  std::string fine = "1";
  for (int i = 0; i < 500; ++i) fine += " OR 0";
  EXPECT_EQ(run(fine), "1");
  std::string nested = std::string(90, '(') + "2" + std::string(90, ')');
  EXPECT_EQ(run(nested), "2");
}

TEST(Expr, CompiledExpressionsAreValues) {
  MapResolver names{{"x", ExprValue::number(Decimal(3))}};
  Expression a = Expression::compile("x * 2");
  Expression b = a;  // copies share the immutable tree
  a = Expression::compile("x +");
  EXPECT_FALSE(a.ok());
  EXPECT_EQ(b.text(), "x * 2");
  EXPECT_EQ(b.evaluate(names)->num, Decimal(6));
  EXPECT_EQ(b.test(names), true);
  EXPECT_EQ(Expression::compile("x - 3").test(names), false);
  std::string err = "stale";
  EXPECT_EQ(Expression::compile("nope").test(names, &err), std::nullopt);
  EXPECT_EQ(err, "Unknown name: nope");
  EXPECT_TRUE(b.evaluate(names, &err));
  EXPECT_EQ(err, "");
  EXPECT_EQ(ExprValue::str("12.5 ").toNumber(), d("12.5"));
  EXPECT_EQ(ExprValue::str("12,5").toNumber(), Decimal());
}

// Random input never crashes, hangs or throws; whatever compiles also evaluates or reports.
TEST(Expr, Fuzz) {
  std::mt19937 rng(20150305);
  const std::string alphabet = "ab1 0.9'()=<>&+-*/~:_xANDORNOT \"\t$é";
  static const char* const kTokens[] = {"a",    "b",
                                        "x:y",  "1",
                                        "0",    "12.50",
                                        "'t'",  "''''",
                                        "(",    ")",
                                        "=",    "<>",
                                        "<=",   ">=",
                                        "<",    ">",
                                        "+",    "-",
                                        "*",    "/",
                                        "&",    "~",
                                        "AND",  "OR",
                                        "NOT",  "9999999999999",
                                        "0.01", "' '"};
  MapResolver names{{"a", ExprValue::number(Decimal(2))},
                    {"b", ExprValue::str("text ")},
                    {"x:y", ExprValue::number(Decimal::fromCents(Decimal::kMaxCents))}};
  int compiled = 0;
  for (int i = 0; i < 20000; ++i) {
    std::string text;
    int len = static_cast<int>(rng() % 40);
    if (i % 2 == 0) {
      for (int k = 0; k < len; ++k) text += alphabet[rng() % alphabet.size()];
    } else {
      for (int k = 0; k < len / 3; ++k) {
        text += kTokens[rng() % std::size(kTokens)];
        text += ' ';
      }
    }
    Expression e = Expression::compile(text);
    std::string err;
    auto v = e.evaluate(names, &err);
    if (e.ok()) {
      ++compiled;
      EXPECT_TRUE(v || !err.empty()) << text;
    } else {
      EXPECT_EQ(e.error().rfind("Syntax error at ", 0), 0u) << text;
      EXPECT_FALSE(v);
    }
  }
  EXPECT_GT(compiled, 100);  // the fuzzing reached the evaluator
}

}  // namespace
}  // namespace koreq
