#pragma once

// The paper sizes a report may ask for: the printer paper codes 1 to 41 with their sizes in
// points (72 to the inch) and names, and the user-defined paper (code 256) whose size the
// report gives itself.

#include <optional>
#include <span>
#include <string_view>

namespace koreq::reportframe {

struct PageSizePt {
  double width = 0;
  double height = 0;
  friend bool operator==(const PageSizePt&, const PageSizePt&) = default;
};

struct PaperRow {
  int code;
  std::string_view name;
  double width;  // points
  double height;
};

inline constexpr int kUserDefinedPaper = 256;

// Rows 1 to 41 in code order, then the "User-Defined Paper Size" row with code 0. Rows 24 to 26
// (the C, D and E size sheets) carry 720 x 720, not the sheets' true sizes, as the printers
// report them.
std::span<const PaperRow> paperTable();

enum class PaperUnits { Thousandths, Millimetres, Points, Other };

// A report's paper: a code of the table, or kUserDefinedPaper with the report's own size.
struct PaperSpec {
  int code = 1;  // Letter
  double width = 0;
  double height = 0;
  PaperUnits units = PaperUnits::Points;
};

// The size in points, portrait as the table gives it: a code of the table gives its row; the
// user-defined code converts the report's own size (thousandths of an inch × 72 / 1000,
// millimetres × 72 / 25.4, points unchanged). Nothing for code 0, another unit, a size that is
// not positive, or an unknown code: the page image's own size applies then.
std::optional<PageSizePt> paperSize(const PaperSpec& paper);

}  // namespace koreq::reportframe
