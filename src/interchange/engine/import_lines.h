#pragma once

// Reading the lines of an import file: the decoding of its text (UTF-8, else Windows-1252, or
// what the user names), the walk of a line along a source's field map (delimited with quoted
// fields that may span lines, or fixed positions counted in characters), the decoding of its
// date, and the conversion of each field into an import item. A field that does not fit (a
// number that is not one, an employee number beyond 16 bits, a date that does not exist, text
// after a closing quote) makes the line an error naming the field; nothing is cut or guessed
// silently. No Qt, no windows.

#include <array>
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
  Str<12> glAccount;
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

// How the bytes of an import file become text. Auto takes a file that is valid UTF-8 as such
// and any other as Windows-1252 (what spreadsheet programs on Windows write).
enum class TextEncoding { Auto, Utf8, Windows1252, Latin1 };
inline constexpr std::array<TextEncoding, 4> kTextEncodings = {
    TextEncoding::Auto, TextEncoding::Utf8, TextEncoding::Windows1252, TextEncoding::Latin1};
// "Automatic", "UTF-8", "Windows-1252", "ISO-8859-1".
const char* encodingName(TextEncoding e);
// The encoding of a name as users write it ("utf8", "cp1252", "latin1", ...); nothing for
// one this import does not read.
std::optional<TextEncoding> encodingNamed(std::string_view name);

// What a source says about its files.
struct LineLayout {
  char format = kCommaDelimited;  // JCL:PrintOrder
  std::string dateFormat;         // JCL:JobTo; every dated line is an error when it is none
  std::vector<MapItem> items;     // the walked items of the field map
  bool header = false;            // the first line names the columns and is skipped
  TextEncoding encoding = TextEncoding::Auto;

  static LineLayout of(const data::JcLimits& source);
  bool delimited() const { return format != kFixedPosition; }
};

// The source flag (JCL:SourceFlag) of a source whose files begin with a header line.
inline constexpr char kHeaderFlag = 'H';

// The texts of a line's fields, one per walked item, in map order. Delimited fields follow
// RFC 4180 with the usual leniency: blanks around a quoted field are not part of it, a doubled
// quote inside it is one quote, a line break inside it is a blank. Fixed positions and widths
// count characters. Returns the error text of a line whose fields cannot be told apart (text
// after a closing quote, a quote never closed, more fields than the source reads); empty when
// the line splits cleanly.
std::string splitFields(const LineLayout& layout, std::string_view line,
                        std::vector<std::string>& fields);
// The same, ignoring an error (the fields as far as they could be told apart).
std::vector<std::string> splitLine(const LineLayout& layout, std::string_view line);
// Whether a delimited line ends inside a quoted field, so that the next line continues it.
bool endsInsideQuotes(const LineLayout& layout, std::string_view line);
// Whether every field is blank: a spreadsheet's empty row of delimiters is a blank line.
bool blankFields(const std::vector<std::string>& fields);

// A date written in one of the twelve formats. Nothing for a date that does not exist; an empty
// date (`Date{}`) for a blank text. Two-digit years fall in the runtime's hundred-year window.
std::optional<Date> decodeDate(std::string_view text, std::string_view format);

// Fills `item` from the fields of one line. Returns the error text for a field that does not
// fit; empty when every field was stored.
std::string readFields(const LineLayout& layout, const std::vector<std::string>& fields,
                       ImportItem& item);
// splitFields() then readFields().
std::string readItem(const LineLayout& layout, std::string_view line, ImportItem& item);

// Lines of an import file, read in pieces so that memory stays flat in the size of the file.
// A line ends at LF, CRLF or a lone CR (old Macintosh files); a UTF-8 byte-order mark at the
// start is skipped. Lines come out as UTF-8 text, decoded by the reader's encoding: with Auto,
// the whole file is UTF-8 when it is valid UTF-8 and Windows-1252 otherwise, never line by line.
class LineReader {
 public:
  static constexpr std::size_t kMaxLine = 1024;  // characters of the work file's record

  // Nothing (with `why`) when the file cannot be opened.
  static std::unique_ptr<LineReader> open(const std::string& path, std::string* why,
                                          TextEncoding encoding = TextEncoding::Auto);
  // Copies `source` to the work file `work` and reads the copy. The work file is this reader's
  // own (made afresh, so another workstation importing meanwhile under the same name gets a
  // file of its own) and goes when the reader does. Nothing (with `why`, a file error followed
  // by its action) when the copy could not be made.
  static std::unique_ptr<LineReader> throughWorkFile(const std::string& source,
                                                     const std::string& work, std::string* why,
                                                     TextEncoding encoding = TextEncoding::Auto);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  enum class Status { Line, TooLong, NotText, NotUtf8, End, Failed };
  // The next line into `line`; its number (from 1) in `number`.
  Status next(std::string& line, long& number);
  // The encoding the lines are decoded by (Auto resolved once the file was read through).
  TextEncoding encoding() const { return encoding_; }

 private:
  LineReader(std::FILE* f, TextEncoding e) : f_(f), encoding_(e) {}
  bool fill();
  std::FILE* f_;
  std::string work_;  // the work file to remove at the end, if any
  std::vector<char> buf_ = std::vector<char>(1 << 16);
  std::size_t at_ = 0, end_ = 0;
  long number_ = 0;
  bool eof_ = false;
  bool skipLf_ = false;  // the last line ended in CR: an LF right after it belongs to it
  TextEncoding encoding_;
};

}  // namespace koreq::interchange
