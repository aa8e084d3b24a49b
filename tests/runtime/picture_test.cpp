#include "runtime/picture.h"

#include <gtest/gtest.h>

#include <limits>

namespace koreq {
namespace {

Decimal d(const char* s) {
  return *Decimal::parse(s);
}
Date ymd(int y, int m, int day) {
  return *Date::fromYmd(y, m, day);
}

TEST(Picture, NumbersAreRightAlignedGroupedAndRounded) {
  EXPECT_EQ(formatPicture("@n14.2", d("1234567.89")), "  1,234,567.89");
  EXPECT_EQ(formatPicture("@n15.2", Decimal()), "           0.00");
  EXPECT_EQ(formatPicture("@N6", Decimal(1234)), " 1,234");
  EXPECT_EQ(formatPicture("@n10.4", d("1.5")), "    1.5000");
  EXPECT_EQ(formatPicture("@n7", d("0.50")), "      1");  // half away from zero
  EXPECT_EQ(formatPicture("@n3", d("12.49")), " 12");
  EXPECT_EQ(formatPicture("@n5.1", d("0.05")), "  0.1");
  EXPECT_EQ(formatPicture("@n5.1", d("0.04")), "  0.0");
  EXPECT_EQ(formatPicture("@n14.2", std::int64_t{1000}), "      1,000.00");
  EXPECT_EQ(formatPicture("@n9", std::int64_t{1000000}), "1,000,000");
  EXPECT_EQ(formatPicture("@n8", std::int64_t{1000000}), "########");  // commas count
}

TEST(Picture, NegativesAlwaysShowTheirSign) {
  EXPECT_EQ(formatPicture("@n-14.2", d("-1234.5")), "     -1,234.50");
  EXPECT_EQ(formatPicture("@n14.2", d("-1234.5")), "     -1,234.50");
  EXPECT_EQ(formatPicture("@n-21.2", -Decimal::fromCents(Decimal::kMaxCents)),
            "-9,999,999,999,999.99");
  EXPECT_EQ(formatPicture("@n-21.2", Decimal::fromCents(Decimal::kMaxCents)),
            " 9,999,999,999,999.99");
  EXPECT_EQ(formatPicture("@n5.1", d("-0.05")), " -0.1");
  // A negative that rounds to zero is zero, not "-0".
  EXPECT_EQ(formatPicture("@n3", d("-0.40")), "  0");
  EXPECT_EQ(formatPicture("@n3", std::int64_t{-5}), " -5");
}

TEST(Picture, FillAndGroupingSwitches) {
  EXPECT_EQ(formatPicture("@n06", std::int64_t{12}), "000012");
  EXPECT_EQ(formatPicture("@n06", std::int64_t{-12}), "-00012");
  EXPECT_EQ(formatPicture("@n06", std::int64_t{1234567}), "######");
  EXPECT_EQ(formatPicture("@n09.2", d("1234.5")), "001234.50");
  EXPECT_EQ(formatPicture("@n_6", std::int64_t{1234}), "  1234");
  EXPECT_EQ(formatPicture("@n6_", std::int64_t{1234}), "  1234");
  EXPECT_EQ(formatPicture("@n-_9.2", d("-1234.5")), " -1234.50");
}

TEST(Picture, BlankWhenZeroAndTooWide) {
  EXPECT_EQ(formatPicture("@n15.2b", Decimal()), std::string(15, ' '));
  EXPECT_EQ(formatPicture("@n-14.2B", Decimal()), std::string(14, ' '));
  EXPECT_EQ(formatPicture("@n15.2b", d("0.01")), "           0.01");
  EXPECT_EQ(formatPicture("@n3b", std::int64_t{0}), "   ");
  EXPECT_EQ(formatPicture("@n3", std::int64_t{1000}), "###");
  EXPECT_EQ(formatPicture("@n3", d("999.50")), "###");  // rounds to 1000
  EXPECT_EQ(formatPicture("@n4.2", d("12.34")), "####");
  EXPECT_EQ(formatPicture("@n-4", std::int64_t{-1000}), "####");
  // Whole numbers beyond Decimal's range still format.
  EXPECT_EQ(formatPicture("@n30", std::numeric_limits<std::int64_t>::min()),
            "    -9,223,372,036,854,775,808");
  EXPECT_EQ(formatPicture("@n7", std::numeric_limits<std::int64_t>::max()), "#######");
}

TEST(Picture, TextPictureCutsAndPads) {
  EXPECT_EQ(formatPicture("@s5", "abc"), "abc  ");
  EXPECT_EQ(formatPicture("@S5", "abcdefg"), "abcde");
  EXPECT_EQ(formatPicture("@s3", "Müller"), "Mül");  // characters, not bytes
  EXPECT_EQ(formatPicture("@s0", "abc"), "");
  EXPECT_EQ(formatPicture("@s4", std::int64_t{12345}), "1234");
  EXPECT_EQ(formatPicture("@s6", d("12.50")), "12.5  ");
}

TEST(Picture, Dates) {
  Date march5 = ymd(2015, 3, 5);
  EXPECT_EQ(formatPicture("@d1", march5), " 3/05/15");
  EXPECT_EQ(formatPicture("@d2", march5), " 3/05/2015");
  EXPECT_EQ(formatPicture("@d4", march5), "March 5, 2015");
  EXPECT_EQ(formatPicture("@d17", march5), " 3/05/2015");
  EXPECT_EQ(formatPicture("@D2", ymd(2015, 12, 25)), "12/25/2015");
  EXPECT_EQ(formatPicture("@d1", ymd(2000, 1, 1)), " 1/01/00");
  EXPECT_EQ(formatPicture("@d2", Date(Date::kFirstDay)), " 1/01/1801");
  EXPECT_EQ(formatPicture("@d4", Date::lastValid()), "December 31, 9999");
  EXPECT_EQ(trimLeft(formatPicture("@d2", march5)), "3/05/2015");

  // The empty date: blank in every picture ending in b, the zero form otherwise.
  EXPECT_EQ(formatPicture("@d1b", Date()), std::string(8, ' '));
  EXPECT_EQ(formatPicture("@d2b", Date()), std::string(10, ' '));
  EXPECT_EQ(formatPicture("@d17B", Date()), std::string(10, ' '));
  EXPECT_EQ(formatPicture("@d4b", Date()), "");
  EXPECT_EQ(formatPicture("@d1", Date()), " 0/00/00");
  EXPECT_EQ(formatPicture("@d2", Date()), " 0/00/0000");
  EXPECT_EQ(trimLeft(formatPicture("@d2b", Date())), "");

  // Day numbers outside 1801-9999 never pass for a date.
  EXPECT_EQ(formatPicture("@d2", Date(-5)), "##########");
  EXPECT_EQ(formatPicture("@d1", Date(Date::lastValid().day() + 1)), "########");
  // A date field seen as a whole number, and a day number through a date picture.
  EXPECT_EQ(formatPicture("@n7", Date(Date::kFirstDay)), "      4");
  EXPECT_EQ(formatPicture("@d2", std::int64_t{Date::kFirstDay}), " 1/01/1801");
  EXPECT_EQ(formatPicture("@d2", std::int64_t{1} << 40), "##########");
}

TEST(Picture, Times) {
  EXPECT_EQ(formatPicture("@t7", Time::fromHms(9, 5, 59)), "09:05");
  EXPECT_EQ(formatPicture("@T7", Time::fromHms(0, 0)), "00:00");
  EXPECT_EQ(formatPicture("@t7", Time::fromHms(23, 59)), "23:59");
  EXPECT_EQ(formatPicture("@t7b", Time()), "     ");
  EXPECT_EQ(formatPicture("@t7", Time()), "     ");
  EXPECT_EQ(formatPicture("@t7", Time(-7)), "#####");
}

TEST(Picture, UnknownPicturesWritePlainText) {
  EXPECT_EQ(formatPicture("@x5", d("12.50")), "12.5");
  EXPECT_EQ(formatPicture("", d("-3.00")), "-3");
  EXPECT_EQ(formatPicture("@n", d("1.25")), "1.25");
  EXPECT_EQ(formatPicture("@n$10.2", d("1.25")), "1.25");
  EXPECT_EQ(formatPicture("@n0", std::int64_t{7}), "7");
  EXPECT_EQ(formatPicture("@n10.2x", std::int64_t{7}), "7");
  EXPECT_EQ(formatPicture("@n999", std::int64_t{7}), "7");
  EXPECT_EQ(formatPicture("@n10.99", std::int64_t{7}), "7");
  EXPECT_EQ(formatPicture("@d3", ymd(2015, 3, 5)), " 3/05/2015");
  EXPECT_EQ(formatPicture("@d99999999999", ymd(2015, 3, 5)), " 3/05/2015");
  EXPECT_EQ(formatPicture("@t1", Time::fromHms(9, 5)), "09:05");
  EXPECT_EQ(formatPicture("@", "text"), "text");
  EXPECT_EQ(formatPicture("@q", Date()), "");
  EXPECT_EQ(PictureSpec::parse("@n-14.2").kind, PictureSpec::Kind::Number);
  EXPECT_EQ(PictureSpec::parse("@n14.2q").kind, PictureSpec::Kind::Unknown);
  EXPECT_EQ(PictureSpec::parse("n14.2").kind, PictureSpec::Kind::Unknown);
}

TEST(Picture, TextValuesThroughOtherPictures) {
  EXPECT_EQ(formatPicture("@n10.2", "1,234.5"), "  1,234.50");
  EXPECT_EQ(formatPicture("@n5", "abc"), "abc");
  EXPECT_EQ(formatPicture("@d2", "3/5/15"), " 3/05/2015");
  EXPECT_EQ(formatPicture("@d2", "soon"), "soon");
  EXPECT_EQ(formatPicture("@t7", "7:30"), "07:30");
  EXPECT_EQ(trimLeft("   1,234.50 "), "1,234.50 ");
  EXPECT_EQ(trimLeft("    "), "");
}

TEST(Picture, ParsesNumbersBack) {
  EXPECT_EQ(parseNumberPicture("@n14.2", " 1,234.56 "), d("1234.56"));
  EXPECT_EQ(parseNumberPicture("@n14.2", "-12"), d("-12"));
  EXPECT_EQ(parseNumberPicture("@n14.2", "   "), Decimal());
  EXPECT_EQ(parseNumberPicture("@n3", "12.5"), Decimal(13));
  EXPECT_EQ(parseNumberPicture("@n5.1", "-0.05"), d("-0.1"));
  EXPECT_EQ(parseNumberPicture("@n06", "12"), Decimal(12));
  EXPECT_EQ(parseNumberPicture("@n6_", "1,234"), Decimal(1234));
  EXPECT_EQ(parseNumberPicture("@n-21.2", "-9,999,999,999,999.99"),
            -Decimal::fromCents(Decimal::kMaxCents));
  EXPECT_EQ(parseNumberPicture("@x", "7.5"), d("7.5"));
  EXPECT_FALSE(parseNumberPicture("@n14.2", "abc"));
  EXPECT_FALSE(parseNumberPicture("@n14.2", "1.2.3"));
  EXPECT_FALSE(parseNumberPicture("@n14.2", "12-"));
  EXPECT_FALSE(parseNumberPicture("@n3", "1000"));   // would show as ###
  EXPECT_FALSE(parseNumberPicture("@n3", "999.5"));  // rounds to 1000
  // Rounding to the picture's places must not overflow Decimal: a bad number, not a throw.
  EXPECT_FALSE(parseNumberPicture("@n30", "9999999999999.99"));
  EXPECT_FALSE(parseNumberPicture("@n30.2", "99999999999999"));
}

TEST(Picture, ParsesDatesBack) {
  EXPECT_EQ(parseDatePicture("@d2", "3/5/15"), ymd(2015, 3, 5));
  EXPECT_EQ(parseDatePicture("@d2", " 03/05/2015 "), ymd(2015, 3, 5));
  EXPECT_EQ(parseDatePicture("@d1", "3-5-2015"), ymd(2015, 3, 5));
  EXPECT_EQ(parseDatePicture("@d1", "3.5.15"), ymd(2015, 3, 5));
  EXPECT_EQ(parseDatePicture("@d4", "March 5, 2015"), ymd(2015, 3, 5));
  EXPECT_EQ(parseDatePicture("@d4", "mar 5 2015"), ymd(2015, 3, 5));
  EXPECT_EQ(parseDatePicture("@d2", ""), Date());
  EXPECT_EQ(parseDatePicture("@d2", "   "), Date());
  // The two-digit year window: 1950-2049 unless the caller moves it.
  EXPECT_EQ(parseDatePicture("@d1", "12/31/49"), ymd(2049, 12, 31));
  EXPECT_EQ(parseDatePicture("@d1", "1/1/50"), ymd(1950, 1, 1));
  EXPECT_EQ(parseDatePicture("@d1", "1/1/00"), ymd(2000, 1, 1));
  EXPECT_EQ(parseDatePicture("@d1", "1/1/99", 2000), ymd(2099, 1, 1));
  EXPECT_EQ(parseDatePicture("@d1", "1/1/99", 1801), ymd(1899, 1, 1));
  // Leap days and dates that do not exist.
  EXPECT_EQ(parseDatePicture("@d2", "2/29/2000"), ymd(2000, 2, 29));
  EXPECT_FALSE(parseDatePicture("@d2", "2/29/1900"));
  EXPECT_FALSE(parseDatePicture("@d2", "4/31/2015"));
  EXPECT_FALSE(parseDatePicture("@d2", "13/1/2015"));
  EXPECT_FALSE(parseDatePicture("@d2", "0/1/2015"));
  EXPECT_FALSE(parseDatePicture("@d2", "12/31/1800"));
  EXPECT_FALSE(parseDatePicture("@d2", "1/1/10000"));
  // Malformed texts.
  for (const char* bad : {"3/5", "3/5/015", "3/5/2015x", "3/5-2015", "123/1/2015", "3//2015",
                          "Marc 5, 2015", "March, 2015", "March 5, 15", "/", "x"})
    EXPECT_FALSE(parseDatePicture("@d2", bad)) << bad;
}

TEST(Picture, DatesRoundTripThroughEveryDatePicture) {
  for (std::int32_t day = Date::kFirstDay; day <= Date::lastValid().day(); day += 97) {
    Date date(day);
    EXPECT_EQ(parseDatePicture("@d2", formatPicture("@d2", date)), date);
    EXPECT_EQ(parseDatePicture("@d4", formatPicture("@d4", date)), date);
    if (date.year() >= 1950 && date.year() <= 2049) {
      EXPECT_EQ(parseDatePicture("@d1", formatPicture("@d1", date)), date);
    }
  }
  Date last = Date::lastValid();
  EXPECT_EQ(parseDatePicture("@d2", formatPicture("@d2", last)), last);
}

TEST(Picture, ParsesTimesBack) {
  EXPECT_EQ(parseTimePicture("@t7", "9:05"), Time::fromHms(9, 5));
  EXPECT_EQ(parseTimePicture("@t7", " 23:59:59 "), Time::fromHms(23, 59, 59));
  EXPECT_EQ(parseTimePicture("@t7", "00:00"), Time::fromHms(0, 0));
  EXPECT_EQ(parseTimePicture("@t7", ""), Time());
  for (const char* bad : {"24:00", "9:60", "9:5", "9:05:", "9:05:60", "905", "ab", "123:00"})
    EXPECT_FALSE(parseTimePicture("@t7", bad)) << bad;
}

}  // namespace
}  // namespace koreq
