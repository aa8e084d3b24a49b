#pragma once

// The declarative structure of a report (resources/reports/NAME.json): its paper, orientation,
// margins and font, and its bands — page header, group headers and footers, details, page
// footer — each with its controls. Positions and sizes are in points (72 to the inch), a
// control's relative to the top left corner of its band's printable width.
//
// The JSON:
//   { "name": "PrintFixedAssets",
//     "paper": {"code": 1}                    a paper code of the paper table, or
//              {"code": 256, "width": 8500, "height": 11000, "units": "thousandths"}
//                                             ("thousandths" of an inch, "mm" or "points"),
//     "orientation": "portrait" | "landscape",
//     "margins": {"left": 36, "top": 36, "right": 36, "bottom": 36},
//     "font": {"name": "Arial Narrow", "size": 8},
//     "bands": [ {"kind": "pageHeader" | "groupHeader" | "detail" | "groupFooter" | "pageFooter",
//                 "name": "detail", "height": 12, "controls": [ … ]} ] }
// A control:
//   {"kind": "text" | "field" | "line" | "box" | "check" | "image" | "chart",
//    "name": "?GLDP:SLAmount", "x": 0, "y": 0, "width": 50, "height": 10,
//    "text": "caption (text, check) or title (chart)",
//    "use": "GLDP:SLAmount (field, check, chart, image)", "file": "logo.png (image)",
//    "picture": "@n-15.2", "align": "left" | "center" | "right",
//    "font": {"name": …, "size": …, "bold": true, "italic": false},
//    "lineWidth": 0.5, "fill": "#e8e8e8", "hidden": true,
//    "chart": "bar" | "line", "xTitle": "Year", "yTitle": "Book Value" (chart)}
// A field without "align" is right-aligned under a number picture, else left-aligned. A line
// runs from (x, y) to (x + width, y + height). An image shows a picture file ("~name": a
// built-in picture) given by "file", or by "use": a value holding the file's name, or a stored
// picture the body set (Report::setImage); it is scaled into its box keeping its proportions
// and centred. A chart draws the values the body set under its "use" (Report::setChart). Names are
// optional for controls the report never changes, and unique where given.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "reportframe/paper.h"

namespace koreq::reportframe {

enum class BandKind { PageHeader, GroupHeader, Detail, GroupFooter, PageFooter };
enum class ControlKind { Text, Field, Line, Box, Check, Image, Chart };
enum class ChartKind { Bar, Line };
enum class Align { Left, Center, Right };
enum class Orientation { Portrait, Landscape };

struct FontSpec {
  std::string name = "Arial Narrow";
  double size = 8;  // points
  bool bold = false;
  bool italic = false;
  friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

struct ControlDef {
  ControlKind kind = ControlKind::Text;
  std::string name;  // "?GLDP:SLAmount"; may be empty
  double x = 0, y = 0, width = 0, height = 0;
  std::string text;     // the caption of a text or check box, the title of a chart
  std::string use;      // the value a field shows, a check box reads, a chart or image draws
  std::string file;     // an image's fixed picture
  std::string picture;  // a field's display picture; empty: the value as text
  Align align = Align::Left;
  FontSpec font;
  double lineWidth = 0.5;  // lines and box borders; 0: a box without a border
  std::string fill;        // a box's fill colour "#rrggbb"; empty: none
  bool hidden = false;
  // A field whose value the report sets to a marker (page_marks.h): only such a field's value,
  // and a text's caption, is read as one; any other value is the user's text and prints as such.
  bool marks = false;
  ChartKind chart = ChartKind::Bar;
  std::string xTitle, yTitle;  // a chart's axis titles
};

struct BandDef {
  BandKind kind = BandKind::Detail;
  std::string name;
  double height = 0;
  std::vector<ControlDef> controls;
};

struct Margins {
  double left = 36, top = 36, right = 36, bottom = 36;
};

struct ReportDef {
  std::string name;
  PaperSpec paper;
  Orientation orientation = Orientation::Portrait;
  Margins margins;
  FontSpec font;
  std::vector<BandDef> bands;

  const BandDef* band(std::string_view name) const;
  const BandDef* pageHeader() const;
  const BandDef* pageFooter() const;
};

// A report structure that cannot be used: names the file and, where it can, the band and the
// control.
class ReportDefError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Parses the JSON text of a report structure. `fileName` only names the file in errors.
ReportDef parseReportDef(std::string_view json, std::string_view fileName);

// The report structure embedded in the program under this name ("PrintFixedAssets" for
// resources/reports/PrintFixedAssets.json), parsed once. Throws ReportDefError for an unknown
// name or a bad file.
const ReportDef& reportDef(std::string_view name);
std::vector<std::string> reportDefNames();

}  // namespace koreq::reportframe
