#pragma once

// A PageSink that keeps what a report printed instead of drawing it: every band in order with
// its page and the texts of its named controls. Report bodies are tested with it, without
// rendering anything.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "reportframe/report.h"

namespace koreq::reportframe {

struct RecordedControl {
  std::string name;
  // A check box: "checked" or "unchecked"; an image: its file, or "(stored picture)"; a chart:
  // its title.
  std::string text;
  bool bold = false;
  std::shared_ptr<const ChartData> chart;
};

struct RecordedBand {
  int page = 0;
  std::string name;
  BandKind kind = BandKind::Detail;
  std::vector<RecordedControl> controls;  // the visible named controls

  // The text of a visible control; throws std::out_of_range naming it when it is not there
  // (hidden, or not in this band).
  const std::string& text(std::string_view control) const;
  bool shows(std::string_view control) const;
  bool bold(std::string_view control) const;
  // The data a chart drew; throws std::out_of_range as text() does.
  const ChartData& chart(std::string_view control) const;
};

class BandRecorder final : public PageSink {
 public:
  void beginPage(int number, const PageSizePt& size) override;
  void printBand(const PrintedBand& band) override;
  void endPage() override;

  const std::vector<RecordedBand>& bands() const { return bands_; }
  // The bands of one name, in order.
  std::vector<RecordedBand> bands(std::string_view name) const;
  // Band names in print order, page bands included: "pageHeader detail detail pageFooter".
  std::vector<std::string> names() const;
  int pages() const { return static_cast<int>(sizes_.size()); }
  const std::vector<PageSizePt>& pageSizes() const { return sizes_; }
  // Every page begun was ended.
  bool balanced() const { return !open_; }

 private:
  std::vector<RecordedBand> bands_;
  std::vector<PageSizePt> sizes_;
  int page_ = 0;
  bool open_ = false;
};

}  // namespace koreq::reportframe
