#pragma once

// The page images of a real run: every band is painted into a QPicture of its page, and each
// finished page is written to its file in the page list at once and let go, so memory stays
// flat whatever the page count. Bookmark marks (page_marks.h) are kept beside the page instead
// of being drawn. Qt GUI's painter only: no widgets.

#include <QFont>
#include <QPainter>
#include <QPen>
#include <QPicture>
#include <map>
#include <memory>
#include <optional>
#include <tuple>

#include "reportframe/page_list.h"
#include "reportframe/page_marks.h"
#include "reportframe/report.h"

namespace koreq::reportframe {

// The Qt font of a report font. "Arial Narrow" and the other Windows names the reports use are
// the metric-compatible Liberation faces.
QFont reportFont(const FontSpec& spec);

class PageImageWriter final : public PageSink {
 public:
  explicit PageImageWriter(PageList& pages);
  ~PageImageWriter() override;

  void beginPage(int number, const PageSizePt& size) override;
  void printBand(const PrintedBand& band) override;
  // Writes the page's file; throws std::runtime_error when it cannot be written.
  void endPage() override;

 private:
  void paint(const PrintedControl& c);
  const QFont& font(const FontSpec& spec);
  void usePen(const QPen& pen);
  void useFont(const FontSpec& spec);

  PageList& pages_;
  std::unique_ptr<QPicture> picture_;
  std::unique_ptr<QPainter> painter_;
  double scale_ = 1;  // picture units per point
  std::map<std::tuple<std::string, double, bool, bool>, QFont> fonts_;
  std::optional<QPen> pen_;      // the painter's, while the page is painted
  const QFont* font_ = nullptr;  // one of fonts_
  std::vector<PageMark> marks_;  // of the page in hand
};

}  // namespace koreq::reportframe
