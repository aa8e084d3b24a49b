#pragma once

// Display pictures: how a value is written in an entry, a list column or a report field, and how
// an entry's text is read back.
//
// Supported pictures (letters in either case):
//   @sN                      text, exactly N characters (cut or blank-padded)
//   @n[-][0|_]W[_][.P][b]    number right-aligned in W characters (sign, point and commas count)
//   @d1 @d2 @d4 @d17 [b]     dates: mm/dd/yy, mm/dd/yyyy, "March 5, 2015", short date (mm/dd/yyyy)
//   @t7[b]                   time hh:mm, 24 hours
//
// Readings of the number grammar that are ours:
//   - A minus is shown for every negative value, with or without the "-" in the picture.
//   - The fill position takes "0" (zero fill) or "_" (blank fill). Either one switches the ","
//     grouping off: "@n06" writes batch number 12 as "000012", "@n_6" 1234 as "  1234". Without
//     a fill character the number is blank-filled and grouped unless "_" follows the width.
//   - A zero-filled negative keeps its sign in front of the zeros ("-00012").
//   - "b" blanks the field when the value itself is zero.
//   - A value that does not fit shows W "#" characters.
//   - A figure is rounded half away from zero to P places; a negative that rounds to zero shows
//     without a sign.
// Blank results of fixed-width pictures are the full width in blanks (a number picture always
// yields W characters); "@d4" has no fixed width and blanks to "".
//
// An empty date shows as blanks in a picture ending in "b", otherwise in the picture's zero form
// (" 0/00/00"). An empty time has no such form and is always blank.
//
// A picture this module does not know never fails: the value is written as plain text.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "runtime/date.h"
#include "runtime/decimal.h"

namespace koreq {

struct PictureSpec {
  enum class Kind { Unknown, Text, Number, Date, Time };
  enum class DateStyle { Mdyy = 1, Mdyyyy = 2, MonthName = 4, Short = 17 };

  Kind kind = Kind::Unknown;
  int width = 0;  // @sN: N; @nW: W; dates and times: their fixed width (0 for @d4)
  int places = 0;
  bool zeroFill = false;
  bool grouping = false;
  bool blankWhenZero = false;
  DateStyle dateStyle = DateStyle::Short;

  // Unknown kind for any text that is not one of the pictures above.
  static PictureSpec parse(std::string_view picture);
  bool rightAligned() const { return kind == Kind::Number; }
};

std::string formatPicture(std::string_view picture, const Decimal& value);
// Whole numbers of any size: a value beyond Decimal's 15 digits still formats (or shows "#").
std::string formatPicture(std::string_view picture, std::int64_t value);
// Date and time pictures take the value; a number picture writes the day or time number.
std::string formatPicture(std::string_view picture, Date value);
std::string formatPicture(std::string_view picture, Time value);
// "@sN" cuts or pads; a number picture formats the text when it is a number; others return it.
std::string formatPicture(std::string_view picture, std::string_view text);

// Removes leading blanks: pictures used "without leading blanks".
std::string trimLeft(std::string_view s);

// An entry's text read back through its picture. Blanks and grouping commas are accepted, a
// blank text is zero, more places than the picture shows are rounded to its places. Nothing for a
// bad number or one that would not fit the picture's width.
std::optional<Decimal> parseNumberPicture(std::string_view picture, std::string_view text);

// Two-digit years fall in a fixed hundred-year window starting at this year: "49" is 2049,
// "50" is 1950. A fixed window keeps an entry's meaning independent of the day it is read.
inline constexpr int kTwoDigitYearWindowStart = 1950;

// Accepts m/d/yy and m/d/yyyy (one- or two-digit month and day; "-" or "." as separator too)
// and "Month d, yyyy" (full or three-letter month name). A blank text is the empty date.
// Nothing for a date that does not exist or lies outside 1801-9999.
std::optional<Date> parseDatePicture(std::string_view picture, std::string_view text,
                                     int windowStart = kTwoDigitYearWindowStart);

// Accepts h:mm and h:mm:ss in 24 hours; a blank text is the empty time.
std::optional<Time> parseTimePicture(std::string_view picture, std::string_view text);

}  // namespace koreq
