#pragma once

// A report while it runs: its structure (a copy the report body may change — hide a control,
// make a column bold, set a caption), the values its fields show, and the pages it prints.
// The body asks for bands by name; the report breaks pages, prints the page header at the top
// of every page and the page footer at its bottom, and hands each page to a PageSink: the page
// images of a real run, or a recorder in tests. Nothing here draws: no Qt.
//
// Field values are looked up, when a band prints, first among the values the body set, then
// through the resolver (the frame's: record buffers by field name, the shared globals). The
// value PAGENO is the number of the page being printed.

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/field.h"
#include "reportframe/pagination.h"
#include "reportframe/report_def.h"

namespace koreq::reportframe {

using Value = data::Value;

// What a chart control draws: one value a point of every series, the points named along the
// category axis. Plain numbers: a chart only places them.
struct ChartSeries {
  std::string name;
  std::vector<double> values;
  friend bool operator==(const ChartSeries&, const ChartSeries&) = default;
};

struct ChartData {
  std::vector<std::string> labels;  // a point's label; missing ones are blank
  std::vector<ChartSeries> series;
  // The value axis; without them it spans the values (and zero, for bars).
  std::optional<double> minimum, maximum;
  friend bool operator==(const ChartData&, const ChartData&) = default;
};

// The bytes of a stored picture (PNG, JPEG, BMP, GIF) an image control shows.
using ImageBytes = std::shared_ptr<const std::string>;

// A control as it goes onto a page, in points from the top left corner of the paper.
struct PrintedControl {
  ControlKind kind = ControlKind::Text;
  std::string name;
  double x = 0, y = 0, width = 0, height = 0;
  std::string text;  // a field's value through its picture, without surrounding blanks
  Align align = Align::Left;
  FontSpec font;
  double lineWidth = 0;
  std::string fill;
  bool checked = false;  // check boxes
  // Whether the text may be a marker (page_marks.h): a text's caption, a field that says so.
  bool marks = false;
  // Images: `text` the picture's file name ("~name": built in), or `image` its bytes.
  ImageBytes image;
  // Charts: `text` the title.
  std::shared_ptr<const ChartData> chart;
  ChartKind chartKind = ChartKind::Bar;
  std::string xTitle, yTitle;
};

struct PrintedBand {
  std::string name;
  BandKind kind = BandKind::Detail;
  double y = 0;
  double height = 0;
  std::vector<PrintedControl> controls;  // the visible ones, in structure order
};

// Where finished pages go.
class PageSink {
 public:
  virtual ~PageSink() = default;
  // A page of `size` points (as printed: landscape pages are wider than high) begins.
  virtual void beginPage(int number, const PageSizePt& size) = 0;
  virtual void printBand(const PrintedBand& band) = 0;
  // The page is finished; nothing more is printed on it.
  virtual void endPage() = 0;
  // The report has ended: every page is where it goes once this returns.
  virtual void finish() {}
  // The width in points of `text` in `font`, for wrapping long texts. This estimate (half the
  // font's size a character) serves sinks that do not draw; page images measure.
  virtual double textWidth(const FontSpec& font, std::string_view text) const;
};

class Report {
 public:
  Report(const ReportDef& def, PageSink& sink);

  const ReportDef& def() const { return def_; }
  // Switches a portrait report to landscape before its first page: width and height are
  // exchanged, the page footer goes to the new bottom, and the controls are re-fitted to the
  // wider page (positions and widths stretched by the ratio of the printable widths, fonts
  // kept). A landscape report stays as it is. Throws std::logic_error once a band printed.
  void setLandscape();
  Orientation orientation() const { return def_.orientation; }
  // The paper's size as printed (landscape: wider than high).
  PageSizePt pageSize() const;

  // A control by name, to change before its band prints. Throws std::logic_error naming the
  // report for a name the structure does not have.
  ControlDef& control(std::string_view name);

  void setValue(const std::string& name, Value value);
  // The data of the charts and the pictures of the images that "use" `name`.
  void setChart(const std::string& name, ChartData data);
  void setImage(const std::string& name, std::string bytes);
  using Resolver = std::function<std::optional<Value>(std::string_view name)>;
  void setResolver(Resolver resolver) { resolver_ = std::move(resolver); }

  // Prints a group header or footer or a detail band, breaking the page first when it does not
  // fit. Throws std::logic_error for a page band, an unknown band, a field whose value nobody
  // knows, or after endReport().
  void print(std::string_view band);
  // `text` broken into lines that fit the width of the control `control` in its font: at
  // blanks where it can, inside a word longer than a line; at every line break. An empty text
  // is one empty line.
  std::vector<std::string> wrap(std::string_view control, std::string_view text);

  // A band printed at the top of every page a break begins, before the band that broke it: a
  // group's heading carried over to its continuation page. Empty: none. Not printed when the
  // band breaking the page is that band itself.
  void setCarryOver(std::string band) { carryOver_ = std::move(band); }

  // Finishes the last page. Nothing prints after it.
  void endReport();

  int pages() const { return paginator_.pages(); }
  bool printedSomething() const { return paginator_.pages() > 0; }
  bool ended() const { return ended_; }

 private:
  void beginPage();
  void finishPage();
  void printAt(const BandDef& band, double y);
  Value valueOf(const ControlDef& c) const;
  void resolveImage(const ControlDef& c, PrintedControl& p) const;
  double bodyTop() const;
  double bodyBottom() const;

  ReportDef def_;
  PageSink& sink_;
  Paginator paginator_;
  std::map<std::string, Value> values_;
  std::map<std::string, std::shared_ptr<const ChartData>> charts_;
  std::map<std::string, ImageBytes> images_;
  Resolver resolver_;
  int pageNumber_ = 0;       // the page in hand, for PAGENO: its footer prints after the break
  double detailHeight_ = 0;  // the tallest detail band: the room a group header keeps
  bool pageOpen_ = false;
  bool ended_ = false;
  std::string carryOver_;
};

// The text a field shows: the value through the picture, without surrounding blanks; a value
// without a picture as the runtime writes it.
std::string fieldText(const Value& value, std::string_view picture);

}  // namespace koreq::reportframe
