#pragma once

// The vocabulary shared by the usage-log export, the import and the import source definitions:
// the usage-log fields a text line can carry and their one-letter codes, the date formats an
// import source can name, the field map of a source, and the built-in source that reads the
// export back. No Qt, no windows.

#include <array>
#include <string>
#include <string_view>
#include <vector>

namespace koreq::frame {
class Context;
}

namespace koreq::interchange {

// The fields of an import item, in the item's order; Unused stores nothing.
enum class LineField {
  EquipmentID,
  StartMeter,
  EndMeter,
  Units,
  ChargeType,
  DetailType,
  GLAccount,
  JobID,
  CostCode,
  EquipmentCharged,
  Category,
  Comment,
  Date,
  Location,
  EmployeeID,
  Unused,
};

struct FieldCode {
  char code;
  LineField field;
  const char* contents;  // the name the source form shows ("Equipment ID")
  const char* heading;   // the import preview's column heading
};

// The sixteen codes in the order the source form lists them, "Unused" last.
const std::array<FieldCode, 16>& fieldCodes();
// The entry of a code letter; nullptr for a letter that is none of them.
const FieldCode* fieldCode(char code);
const FieldCode& fieldCode(LineField field);
// The entry of a "Field Contents" name; nullptr for an unknown name.
const FieldCode* fieldCodeNamed(std::string_view contents);

// The choices of "Date Field Format", in their order.
inline constexpr std::array<const char*, 12> kDateFormats = {
    "MM/DD/YY", "MM-DD-YY", "MMDDYY", "MM/DD/YYYY", "MM-DD-YYYY", "MMDDYYYY",
    "DD/MM/YY", "DD-MM-YY", "DDMMYY", "DD/MM/YYYY", "DD-MM-YYYY", "DDMMYYYY"};

// Whether a text (trailing blanks ignored) is one of the twelve date formats.
bool isDateFormat(std::string_view format);

// JCL:PrintOrder of a source.
inline constexpr char kCommaDelimited = 'C';
inline constexpr char kTabDelimited = 'T';
inline constexpr char kFixedPosition = 'F';

inline constexpr char kImportReport[] = "EQ Log Import";  // JCL:Report of every source
inline constexpr char kBuiltInSource[] = "*Usage Logs Exported from Tessaly";
inline constexpr char kBuiltInDateFormat[] = "MM/DD/YYYY";
inline constexpr char kBuiltInMap[] = "Q00S00F00U00T00D00G00J00C00P00A00M00#00L00E00";

// One 3-character item of a field map: a code and a length of two digits.
struct MapItem {
  char code = '0';
  int length = 0;  // 0..99
};

inline constexpr std::size_t kMaxMapItems = 166;  // 500 characters of 3

// The items of a stored map as the source form lists them: every whole item of the clipped map
// (an item "###" included, so the form keeps what it does not show).
std::vector<MapItem> unpackMap(std::string_view map);
// The items an import line walks: the map up to an item "###".
std::vector<MapItem> walkedItems(std::string_view map);
// Each item as its code and its length as two digits; a length outside 0..99 is kept within.
std::string packMap(const std::vector<MapItem>& items);

// Makes sure the company has the built-in source: adds it when no source carries its title.
// Returns false with `why` (a file error followed by its action) when it could not be added.
bool ensureBuiltInSource(frame::Context& ctx, std::string* why = nullptr);

}  // namespace koreq::interchange
