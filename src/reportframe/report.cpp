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

}  // namespace

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

Value Report::valueOf(const ControlDef& c) const {
  const std::string key = upper(c.use);
  if (key == "PAGENO") return static_cast<std::int64_t>(pageNumber_);
  if (auto it = values_.find(key); it != values_.end()) return it->second;
  if (resolver_)
    if (auto v = resolver_(c.use)) return *v;
  throw std::logic_error("report " + def_.name + ": nothing gives the value " + c.use +
                         (c.name.empty() ? std::string() : " of " + c.name));
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
    if (c.kind == ControlKind::Field) {
      p.text = fieldText(valueOf(c), c.picture);
    } else if (c.kind == ControlKind::Check) {
      p.text = c.text;
      p.checked = truthy(valueOf(c));
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
  const Paginator::Placement at = paginator_.place(band->height, reserve);
  if (at.newPage) {
    finishPage();
    beginPage();
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
