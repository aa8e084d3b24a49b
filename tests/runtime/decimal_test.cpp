#include "runtime/decimal.h"

#include <gtest/gtest.h>

namespace koreq {
namespace {

Decimal d(const char* s) {
  return *Decimal::parse(s);
}

TEST(Decimal, ParsesAndRoundsHalfAwayFromZero) {
  EXPECT_EQ(d("12.345").cents(), 1235);
  EXPECT_EQ(d("-12.345").cents(), -1235);
  EXPECT_EQ(d("12.344999").cents(), 1234);
  EXPECT_EQ(d("  -0.5 ").cents(), -50);
  EXPECT_EQ(d(".05").cents(), 5);
  EXPECT_EQ(d("+7").cents(), 700);
  EXPECT_FALSE(Decimal::parse("1,234.50"));
  EXPECT_EQ(Decimal::parse("1,234.50", true)->cents(), 123450);
  EXPECT_FALSE(Decimal::parse("1,,234", true));
  EXPECT_FALSE(Decimal::parse("1.2.3"));
  EXPECT_FALSE(Decimal::parse("12a"));
  EXPECT_FALSE(Decimal::parse(""));
  EXPECT_FALSE(Decimal::parse("-"));
  EXPECT_FALSE(Decimal::parse("."));
}

TEST(Decimal, FifteenDigitsAndOverflowIsAnError) {
  EXPECT_EQ(d("9999999999999.99").cents(), Decimal::kMaxCents);
  EXPECT_FALSE(Decimal::parse("10000000000000.00"));
  EXPECT_FALSE(Decimal::parse("9999999999999.995"));  // rounds past the limit
  Decimal max = Decimal::fromCents(Decimal::kMaxCents);
  EXPECT_THROW(max + Decimal::fromCents(1), DecimalOverflow);
  EXPECT_THROW(-max - Decimal::fromCents(1), DecimalOverflow);
  EXPECT_THROW(max * Decimal(2), DecimalOverflow);
  EXPECT_THROW(Decimal::fromDouble(1e14), DecimalOverflow);
  EXPECT_TRUE(d("999999999.99").fitsDigits(11));
  EXPECT_FALSE(d("1000000000.00").fitsDigits(11));
}

TEST(Decimal, ArithmeticIsExact) {
  EXPECT_EQ((d("0.10") + d("0.20")), d("0.30"));
  EXPECT_EQ((d("1000.00") / Decimal(3)), d("333.33"));
  EXPECT_EQ((d("2.00") / Decimal(3)), d("0.67"));
  EXPECT_EQ((d("-2.00") / Decimal(3)), d("-0.67"));
  EXPECT_EQ((d("1.05") * d("0.50")), d("0.53"));  // 0.525 rounds away from zero
  EXPECT_EQ((d("-1.05") * d("0.50")), d("-0.53"));
  EXPECT_EQ((d("5.00") / Decimal()), Decimal());  // division by zero gives zero
  EXPECT_EQ((d("5.00") / std::int64_t{0}), Decimal());
  EXPECT_EQ(d("-7.99").toLong(), -7);
  EXPECT_EQ(d("7.99").toLong(), 7);
  // A large product keeps its precision through the 128-bit intermediate.
  EXPECT_EQ((d("999999999.99") * d("1000.00")), d("999999999990.00"));
}

TEST(Decimal, Text) {
  EXPECT_EQ(d("-1234.5").toString(), "-1234.50");
  EXPECT_EQ(d("0.05").toString(), "0.05");
  EXPECT_EQ(d("-0.05").toString(), "-0.05");
  EXPECT_EQ(d("12.50").toPlainString(), "12.5");
  EXPECT_EQ(d("12.00").toPlainString(), "12");
  EXPECT_EQ(Decimal::fromDouble(2.675).cents(),
            268);  // 2.675 is 2.67499.. in binary: rounds on the scaled value
  EXPECT_EQ(Decimal::fromDouble(-0.125).cents(), -13);
}

}  // namespace
}  // namespace koreq
