#pragma once

// The line layout of an import source as its form edits it: the rows of the field list (what
// each field of a line holds, its length and, for fixed positions, where it starts), read from
// and written back to the source's field map. Also what the source windows decide about a
// source: the built-in one is neither changed nor deleted. No Qt, no windows.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "interchange/engine/line_fields.h"

namespace koreq::data {
struct JcLimits;
}

namespace koreq::interchange {

// A map item keeps a length in two digits.
inline constexpr int kMaxFieldLength = 99;
inline constexpr char kCannotDeleteText[] = "This Import Type cannot be deleted.";
inline constexpr char kCannotDeleteCaption[] = "Cannot Delete";

// Whether a source is the built-in one, by its title (JCL:ReportTitle, trailing blanks ignored).
bool isBuiltInSource(std::string_view title);
bool isBuiltInSource(const data::JcLimits& source);
// Whether the source may be deleted: every source but the built-in one.
bool mayDeleteSource(const data::JcLimits& source);

// Whether a length fits a map item (0 to 99).
bool fieldLengthFits(int length);
// Whether the field list shows lengths and start positions: only for fixed-position files.
bool showsFieldPositions(std::string_view printOrder);

// The "Field Contents" name of a code; "Unused" for a code that is none of the sixteen.
const char* contentsOfCode(char code);
// The item a row of that name and length makes; an unknown name is Unused.
MapItem itemNamed(std::string_view contents, int length);

// One row of the field list.
struct LayoutRow {
  int number = 0;  // from 1
  std::string contents;
  int length = 0;
  // 1 for the first row, then the previous start plus the previous length. Computed in full:
  // a layout wider than 255 characters shows where its fields really start.
  int start = 0;
};

class SourceLayout {
 public:
  SourceLayout() = default;
  // The items of a stored map up to an end mark "###". The end mark and whatever follows it are
  // kept as they are: the import never reads them, so the list does not show them, and saving
  // the source writes them back unchanged.
  explicit SourceLayout(std::string_view map);

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  bool full() const { return items_.size() >= kMaxMapItems; }
  const MapItem& item(std::size_t row) const { return items_.at(row); }
  const std::vector<MapItem>& items() const { return items_; }
  std::vector<LayoutRow> rows() const;

  // Each edit answers false and changes nothing for a row that is not there, a full list or a
  // length outside 0 to 99.
  bool append(const MapItem& item);
  bool replace(std::size_t row, const MapItem& item);
  bool remove(std::size_t row);

  // The field map to store: the rows in order, each its code and its length as two digits,
  // then the kept end part, as far as the map holds whole items.
  std::string map() const;

 private:
  std::vector<MapItem> items_;
  std::string kept_;  // from the end mark on
};

}  // namespace koreq::interchange
