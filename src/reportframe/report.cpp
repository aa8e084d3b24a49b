#include "reportframe/report.h"

#include <algorithm>
#include <stdexcept>

#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::reportframe {

namespace {

std::string trimmed(std::string s) {
  s = trimLeft(s);
  while (!s.empty() && s.back() == ' ') s.pop_back();
  return s;
}

bool truthy(const Value& v) {
  if (const auto* i = std::get_if<std::int64_t>(&v)) return *i != 0;
  if (const auto* d = std::get_if<Decimal>(&v)) return *d != Decimal();
  if (const auto* s = std::get_if<std::string>(&v)) {
    std::string t = trimmed(*s);
    return !t.empty() && t != "0";
  }
  if (const auto* d = std::get_if<Date>(&v)) return !d->isEmpty();
  if (const auto* t = std::get_if<Time>(&v)) return *t != Time();
  return false;
}

// The length of the UTF-8 character that starts with `lead`.
std::size_t charLength(unsigned char lead) {
  return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

}  // namespace

double PageSink::textWidth(const FontSpec& font, std::string_view text) const {
  std::size_t chars = 0;
  for (unsigned char c : text) chars += (c & 0xC0) != 0x80;
  return static_cast<double>(chars) * font.size * 0.5;
}

std::string fieldText(const Value& value, std::string_view picture) {
  if (std::holds_alternative<std::monostate>(value)) return {};
  if (picture.empty()) return data::valueToText(value);
  return std::visit(
      [&](const auto& v) -> std::string {
        using T = std::decay_t<decltype(v)>;
        if constexpr (std::is_same_v<T, std::monostate>)
          return {};
        else if constexpr (std::is_same_v<T, std::string>)
          return trimmed(formatPicture(picture, std::string_view(v)));
        else
          return trimmed(formatPicture(picture, v));
      },
      value);
}

Report::Report(const ReportDef& def, PageSink& sink)
    : def_(def), sink_(sink), paginator_(bodyTop(), bodyBottom()) {
  for (const BandDef& b : def_.bands)
    if (b.kind == BandKind::Detail) detailHeight_ = std::max(detailHeight_, b.height);
}

PageSizePt Report::pageSize() const {
  PageSizePt p = *paperSize(def_.paper);  // a parsed structure always has one
  if (def_.orientation == Orientation::Landscape) std::swap(p.width, p.height);
  return p;
}

double Report::bodyTop() const {
  const BandDef* h = def_.pageHeader();
  return def_.margins.top + (h ? h->height : 0);
}

double Report::bodyBottom() const {
  const BandDef* f = def_.pageFooter();
  return pageSize().height - def_.margins.bottom - (f ? f->height : 0);
}

void Report::setLandscape() {
  if (printedSomething())
    throw std::logic_error(def_.name + ": landscape is chosen before the first page");
  if (def_.orientation == Orientation::Landscape) return;
  const double before = pageSize().width - def_.margins.left - def_.margins.right;
  def_.orientation = Orientation::Landscape;
  const double after = pageSize().width - def_.margins.left - def_.margins.right;
  const double stretch = after / before;
  for (BandDef& b : def_.bands)
    for (ControlDef& c : b.controls) {
      c.x *= stretch;
      c.width *= stretch;
    }
  if (bodyBottom() <= bodyTop())
    throw std::logic_error(def_.name + ": the page header and footer do not fit across");
  paginator_ = Paginator(bodyTop(), bodyBottom());
}

ControlDef& Report::control(std::string_view name) {
  for (BandDef& b : def_.bands)
    for (ControlDef& c : b.controls)
      if (!c.name.empty() && upper(c.name) == upper(name)) return c;
  throw std::logic_error("report " + def_.name + " has no control " + std::string(name));
}

void Report::setValue(const std::string& name, Value value) {
  values_[upper(name)] = std::move(value);
}

void Report::setChart(const std::string& name, ChartData data) {
  charts_[upper(name)] = std::make_shared<const ChartData>(std::move(data));
}

void Report::setImage(const std::string& name, std::string bytes) {
  images_[upper(name)] = std::make_shared<const std::string>(std::move(bytes));
}

std::vector<std::string> Report::wrap(std::string_view name, std::string_view text) {
  const ControlDef& c = control(name);
  const auto fits = [&](std::string_view line) { return sink_.textWidth(c.font, line) <= c.width; };
  std::vector<std::string> lines;
  std::size_t start = 0;
  do {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view paragraph = text.substr(start, end - start);
    if (paragraph.ends_with('\r')) paragraph.remove_suffix(1);
    start = end + 1;
    std::string line;
    bool any = false;
    std::size_t at = 0;
    while (at < paragraph.size()) {
      std::size_t blank = paragraph.find(' ', at);
      if (blank == std::string_view::npos) blank = paragraph.size();
      std::string_view word = paragraph.substr(at, blank - at);
      at = blank + 1;
      if (word.empty()) continue;
      if (!line.empty() && fits(line + ' ' + std::string(word))) {
        line += ' ';
        line += word;
        continue;
      }
      if (!line.empty()) {
        lines.push_back(std::move(line));
        line.clear();
        any = true;
      }
      // A word wider than the line is broken where it must, between characters.
      while (!fits(word)) {
        std::size_t cut = 0;
        for (std::size_t next = 0; next < word.size();) {
          next += charLength(static_cast<unsigned char>(word[next]));
          if (cut > 0 && !fits(word.substr(0, next))) break;
          cut = std::min(next, word.size());
        }
        if (cut >= word.size()) break;
        lines.emplace_back(word.substr(0, cut));
        any = true;
        word.remove_prefix(cut);
      }
      line = std::string(word);
    }
    if (!line.empty() || !any) lines.push_back(std::move(line));
  } while (start <= text.size());
  return lines;
}

Value Report::valueOf(const ControlDef& c) const {
  const std::string key = upper(c.use);
  if (key == "PAGENO") return static_cast<std::int64_t>(pageNumber_);
  if (auto it = values_.find(key); it != values_.end()) return it->second;
  if (resolver_)
    if (auto v = resolver_(c.use)) return *v;
  throw std::logic_error("report " + def_.name + ": nothing gives the value " + c.use +
                         (c.name.empty() ? std::string() : " of " + c.name));
}

void Report::resolveImage(const ControlDef& c, PrintedControl& p) const {
  if (!c.file.empty()) {
    p.text = c.file;
    return;
  }
  if (auto it = images_.find(upper(c.use)); it != images_.end()) {
    p.image = it->second;
    return;
  }
  const Value v = valueOf(c);
  if (const auto* s = std::get_if<std::string>(&v)) p.text = trimmed(*s);
}

void Report::printAt(const BandDef& band, double y) {
  PrintedBand out;
  out.name = band.name;
  out.kind = band.kind;
  out.y = y;
  out.height = band.height;
  out.controls.reserve(band.controls.size());
  for (const ControlDef& c : band.controls) {
    if (c.hidden) continue;
    PrintedControl p;
    p.kind = c.kind;
    p.name = c.name;
    p.x = def_.margins.left + c.x;
    p.y = y + c.y;
    p.width = c.width;
    p.height = c.height;
    p.align = c.align;
    p.font = c.font;
    p.lineWidth = c.lineWidth;
    p.fill = c.fill;
    p.marks = c.kind == ControlKind::Text || c.marks;
    if (c.kind == ControlKind::Field) {
      p.text = fieldText(valueOf(c), c.picture);
    } else if (c.kind == ControlKind::Check) {
      p.text = c.text;
      p.checked = truthy(valueOf(c));
    } else if (c.kind == ControlKind::Image) {
      resolveImage(c, p);
    } else if (c.kind == ControlKind::Chart) {
      auto it = charts_.find(upper(c.use));
      if (it == charts_.end())
        throw std::logic_error("report " + def_.name + ": nothing gives the chart " + c.use);
      p.chart = it->second;
      p.text = c.text;
      p.chartKind = c.chart;
      p.xTitle = c.xTitle;
      p.yTitle = c.yTitle;
    } else {
      p.text = c.text;
    }
    out.controls.push_back(std::move(p));
  }
  sink_.printBand(out);
}

void Report::beginPage() {
  pageNumber_ = paginator_.pages();
  sink_.beginPage(pageNumber_, pageSize());
  pageOpen_ = true;
  if (const BandDef* h = def_.pageHeader()) printAt(*h, def_.margins.top);
}

void Report::finishPage() {
  if (!pageOpen_) return;
  if (const BandDef* f = def_.pageFooter()) printAt(*f, bodyBottom());
  pageOpen_ = false;
  sink_.endPage();
}

void Report::print(std::string_view name) {
  if (ended_) throw std::logic_error("report " + def_.name + " has ended");
  const BandDef* band = def_.band(name);
  if (!band) throw std::logic_error("report " + def_.name + " has no band " + std::string(name));
  if (band->kind == BandKind::PageHeader || band->kind == BandKind::PageFooter)
    throw std::logic_error("report " + def_.name + ": the page bands print by themselves");
  const double reserve = band->kind == BandKind::GroupHeader ? detailHeight_ : 0;
  Paginator::Placement at = paginator_.place(band->height, reserve);
  if (at.newPage) {
    finishPage();
    beginPage();
    const BandDef* carry = carryOver_.empty() ? nullptr : def_.band(carryOver_);
    if (carry && carry != band && paginator_.pages() > 1) {
      printAt(*carry, at.y);
      paginator_.skip(carry->height);
      at.y += carry->height;
    }
  }
  printAt(*band, at.y);
}

void Report::endReport() {
  if (ended_) return;
  finishPage();
  ended_ = true;
  sink_.finish();
}

}  // namespace koreq::reportframe
