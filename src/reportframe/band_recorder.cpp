#include "reportframe/band_recorder.h"

#include <stdexcept>

#include "runtime/text.h"

namespace koreq::reportframe {

namespace {

const RecordedControl* find(const RecordedBand& b, std::string_view name) {
  for (const RecordedControl& c : b.controls)
    if (upper(c.name) == upper(name)) return &c;
  return nullptr;
}

}  // namespace

const std::string& RecordedBand::text(std::string_view control) const {
  if (const RecordedControl* c = find(*this, control)) return c->text;
  throw std::out_of_range("band " + name + " on page " + std::to_string(page) + " shows no " +
                          std::string(control));
}

bool RecordedBand::shows(std::string_view control) const {
  return find(*this, control) != nullptr;
}

bool RecordedBand::bold(std::string_view control) const {
  const RecordedControl* c = find(*this, control);
  return c && c->bold;
}

const ChartData& RecordedBand::chart(std::string_view control) const {
  const RecordedControl* c = find(*this, control);
  if (c && c->chart) return *c->chart;
  throw std::out_of_range("band " + name + " on page " + std::to_string(page) + " draws no chart " +
                          std::string(control));
}

void BandRecorder::beginPage(int number, const PageSizePt& size) {
  if (open_) throw std::logic_error("a page began before the last one ended");
  page_ = number;
  sizes_.push_back(size);
  open_ = true;
}

void BandRecorder::printBand(const PrintedBand& band) {
  if (!open_) throw std::logic_error("band " + band.name + " printed outside a page");
  RecordedBand r;
  r.page = page_;
  r.name = band.name;
  r.kind = band.kind;
  for (const PrintedControl& c : band.controls) {
    if (c.name.empty()) continue;
    std::string text = c.kind == ControlKind::Check ? (c.checked ? "checked" : "unchecked")
                       : c.kind == ControlKind::Image && c.image ? "(stored picture)"
                                                                 : c.text;
    r.controls.push_back({c.name, std::move(text), c.font.bold, c.chart});
  }
  bands_.push_back(std::move(r));
}

void BandRecorder::endPage() {
  if (!open_) throw std::logic_error("a page ended that had not begun");
  open_ = false;
}

std::vector<RecordedBand> BandRecorder::bands(std::string_view name) const {
  std::vector<RecordedBand> out;
  for (const RecordedBand& b : bands_)
    if (upper(b.name) == upper(name)) out.push_back(b);
  return out;
}

std::vector<std::string> BandRecorder::names() const {
  std::vector<std::string> out;
  for (const RecordedBand& b : bands_) out.push_back(b.name);
  return out;
}

}  // namespace koreq::reportframe
