#pragma once

// Reading the lines of an import file: the walk of a line along a source's field map (comma
// delimited with quoted fields, tab delimited, fixed positions), the decoding of its date, and
// the conversion of each field into an import item. A field that does not fit (a number that
// is not one, an employee number beyond 16 bits, a date that does not exist) makes the line an
// error naming the field; nothing is cut or guessed silently. No Qt, no windows.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/engine/line_fields.h"
#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/text.h"

namespace koreq::data {
struct JcLimits;
}

namespace koreq::interchange {

// One line that was read: the usage-log fields it carries, cut to the item's widths.
struct ImportItem {
  Str<10> equipmentId;
  Decimal startMeter;
  Decimal endMeter;
  Decimal units;
  Str<10> chargeType;  // upper case
  Str<11> detailType;
  Str<10> glAccount;
  Str<10> jobId;
  Str<14> costCode;
  Str<10> equipmentCharged;
  Str<10> category;
  Str<30> comment;
  Date date;        // empty when the line has none (today's date is used)
  Str<5> location;  // upper case
  std::uint16_t employeeId = 0;
  long lineNumber = 0;  // counting every line read, blank ones included
};

// What a source says about its files.
struct LineLayout {
  char format = kCommaDelimited;  // JCL:PrintOrder
  std::string dateFormat;         // JCL:JobTo; no decoding when it is none of the twelve
  std::vector<MapItem> items;     // the walked items of the field map

  static LineLayout of(const data::JcLimits& source);
};

// The texts of a line's fields, one per walked item, in map order. Quoted comma-delimited
// fields lose their enclosing quotes and read a doubled quote inside as one quote.
std::vector<std::string> splitLine(const LineLayout& layout, std::string_view line);

// A date written in one of the twelve formats. Nothing for a date that does not exist; an empty
// date (`Date{}`) for a blank text. Two-digit years fall in the runtime's hundred-year window.
std::optional<Date> decodeDate(std::string_view text, std::string_view format);

// Fills `item` from the fields of one line. Returns the error text for a field that does not
// fit; empty when every field was stored.
std::string readItem(const LineLayout& layout, std::string_view line, ImportItem& item);

// Lines of an import file, read in pieces so that memory stays flat in the size of the file.
// Trailing CR is dropped; a UTF-8 byte-order mark at the start is skipped; a line that is not
// valid UTF-8 is taken as Latin-1 (what spreadsheet programs write on other desktops).
class LineReader {
 public:
  static constexpr std::size_t kMaxLine = 1024;  // characters of the work file's record

  // Nothing (with `why`) when the file cannot be opened.
  static std::unique_ptr<LineReader> open(const std::string& path, std::string* why);
  // Copies `source` to the work file `work` and reads the copy. The work file is this reader's
  // own (made afresh, so another workstation importing meanwhile under the same name gets a
  // file of its own) and goes when the reader does. Nothing (with `why`, a file error followed
  // by its action) when the copy could not be made.
  static std::unique_ptr<LineReader> throughWorkFile(const std::string& source,
                                                     const std::string& work, std::string* why);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  enum class Status { Line, TooLong, NotText, End, Failed };
  // The next line into `line`; its number (from 1) in `number`.
  Status next(std::string& line, long& number);

 private:
  explicit LineReader(std::FILE* f) : f_(f) {}
  bool fill();
  std::FILE* f_;
  std::string work_;  // the work file to remove at the end, if any
  std::vector<char> buf_ = std::vector<char>(1 << 16);
  std::size_t at_ = 0, end_ = 0;
  long number_ = 0;
  bool eof_ = false;
};

}  // namespace koreq::interchange
