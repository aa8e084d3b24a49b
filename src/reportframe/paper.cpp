#include "reportframe/paper.h"

#include <array>

namespace koreq::reportframe {

namespace {

constexpr double in(double inches) {
  return inches * 72.0;
}
constexpr double mm(double millimetres) {
  return millimetres * 72.0 / 25.4;
}

constexpr std::array<PaperRow, 42> kPapers = {{
    {1, "Letter 8 1/2 x 11 in", in(8.5), in(11)},
    {2, "Letter Small 8 1/2 x 11 in", in(8.5), in(11)},
    {3, "Tabloid 11 x 17 in", in(11), in(17)},
    {4, "Ledger 17 x 11 in", in(17), in(11)},
    {5, "Legal 8 1/2 x 14 in", in(8.5), in(14)},
    {6, "Statement 5 1/2 x 8 1/2 in", in(5.5), in(8.5)},
    {7, "Executive 7 1/4 x 10 1/2 in", in(7.25), in(10.5)},
    {8, "A3 297 x 420 mm", mm(297), mm(420)},
    {9, "A4 210 x 297 mm", mm(210), mm(297)},
    {10, "A4 Small 210 x 297 mm", mm(210), mm(297)},
    {11, "A5 148 x 210 mm", mm(148), mm(210)},
    {12, "B4 (JIS) 250 x 354 mm", mm(250), mm(354)},
    {13, "B5 (JIS) 182 x 257 mm", mm(182), mm(257)},
    {14, "Folio 8 1/2 x 13 in", in(8.5), in(13)},
    {15, "Quarto 215 x 275 mm", mm(215), mm(275)},
    {16, "10 x 14 in", in(10), in(14)},
    {17, "11 x 17 in", in(11), in(17)},
    {18, "Note 8 1/2 x 11 in", in(8.5), in(11)},
    {19, "Envelope #9 3 7/8 x 8 7/8", in(3.875), in(8.875)},
    {20, "Envelope #10 4 1/8 x 9 1/2", in(4.125), in(9.5)},
    {21, "Envelope #11 4 1/2 x 10 3/8", in(4.5), in(10.375)},
    {22, "Envelope #12 4 3/4 x 11", in(4.75), in(11)},
    {23, "Envelope #14 5 x 11 1/2", in(5), in(11.5)},
    {24, "C size sheet", 720, 720},
    {25, "D size sheet", 720, 720},
    {26, "E size sheet", 720, 720},
    {27, "Envelope DL 110 x 220 mm", mm(110), mm(220)},
    {28, "Envelope C5 162 x 229 mm", mm(162), mm(229)},
    {29, "Envelope C3 324 x 458 mm", mm(324), mm(458)},
    {30, "Envelope C4 229 x 324 mm", mm(229), mm(324)},
    {31, "Envelope C6 114 x 162 mm", mm(114), mm(162)},
    {32, "Envelope C65 114 x 229 mm", mm(114), mm(229)},
    {33, "Envelope B4 250 x 353 mm", mm(250), mm(353)},
    {34, "Envelope B5 176 x 250 mm", mm(176), mm(250)},
    {35, "Envelope B6 176 x 125 mm", mm(176), mm(125)},
    {36, "Envelope 110 x 230 mm", mm(110), mm(230)},
    {37, "Envelope Monarch 3 7/8 x 7 1/2 in", in(3.875), in(7.5)},
    {38, "6 3/4 Envelope 3 5/8 x 6 1/2 in", in(3.625), in(6.5)},
    {39, "US Std Fanfold 14 7/8 x 11 in", in(14.875), in(11)},
    {40, "German Std Fanfold 8 1/2 x 12 in", in(8.5), in(12)},
    {41, "German Legal Fanfold 8 1/2 x 13 in", in(8.5), in(13)},
    {0, "User-Defined Paper Size", 0, 0},
}};

}  // namespace

std::span<const PaperRow> paperTable() {
  return kPapers;
}

std::optional<PageSizePt> paperSize(const PaperSpec& paper) {
  if (paper.code == kUserDefinedPaper) {
    // Multiplied before divided: 11000 thousandths are exactly 792 points.
    double per = 0;
    switch (paper.units) {
      case PaperUnits::Thousandths:
        per = 1000;
        break;
      case PaperUnits::Millimetres:
        per = 25.4;
        break;
      case PaperUnits::Points:
        per = 72;
        break;
      case PaperUnits::Other:
        return std::nullopt;
    }
    if (!(paper.width > 0) || !(paper.height > 0)) return std::nullopt;
    return PageSizePt{paper.width * 72 / per, paper.height * 72 / per};
  }
  if (paper.code <= 0) return std::nullopt;
  for (const PaperRow& row : kPapers)
    if (row.code == paper.code) return PageSizePt{row.width, row.height};
  return std::nullopt;
}

}  // namespace koreq::reportframe
