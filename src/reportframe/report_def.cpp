#include "reportframe/report_def.h"

#include <cmath>
#include <map>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <set>

#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::reportframe {

namespace detail {
struct EmbeddedFile {
  const char* name;
  const char* text;
};
extern const EmbeddedFile kEmbeddedReports[];
extern const std::size_t kEmbeddedReportCount;
}  // namespace detail

namespace {

using nlohmann::json;

template <typename E>
struct Named {
  E value;
  const char* name;
};

constexpr Named<BandKind> kBandKinds[] = {
    {BandKind::PageHeader, "pageHeader"}, {BandKind::GroupHeader, "groupHeader"},
    {BandKind::Detail, "detail"},         {BandKind::GroupFooter, "groupFooter"},
    {BandKind::PageFooter, "pageFooter"},
};
constexpr Named<ControlKind> kControlKinds[] = {
    {ControlKind::Text, "text"},   {ControlKind::Field, "field"}, {ControlKind::Line, "line"},
    {ControlKind::Box, "box"},     {ControlKind::Check, "check"}, {ControlKind::Image, "image"},
    {ControlKind::Chart, "chart"},
};
constexpr Named<ChartKind> kChartKinds[] = {{ChartKind::Bar, "bar"}, {ChartKind::Line, "line"}};
constexpr Named<Align> kAligns[] = {
    {Align::Left, "left"}, {Align::Center, "center"}, {Align::Right, "right"}};

bool isColour(const std::string& s) {
  if (s.size() != 7 || s[0] != '#') return false;
  for (std::size_t i = 1; i < s.size(); ++i)
    if (!std::isxdigit(static_cast<unsigned char>(s[i]))) return false;
  return true;
}

class Parser {
 public:
  explicit Parser(std::string_view file) : file_(file) {}

  ReportDef parse(std::string_view text) {
    json j;
    try {
      j = json::parse(text);
    } catch (const json::parse_error& e) {
      fail(std::string("not valid JSON: ") + e.what());
    }
    if (!j.is_object()) fail("must be a JSON object");
    known(j, {"name", "paper", "orientation", "margins", "font", "bands"});
    ReportDef def;
    def.name = str(j, "name", true);
    if (j.contains("paper")) def.paper = paper(j["paper"]);
    if (j.contains("orientation")) {
      std::string o = str(j, "orientation", true);
      if (o == "portrait")
        def.orientation = Orientation::Portrait;
      else if (o == "landscape")
        def.orientation = Orientation::Landscape;
      else
        fail("\"orientation\" is portrait or landscape, not " + o);
    }
    if (j.contains("margins")) {
      const json& m = j["margins"];
      if (!m.is_object()) fail("\"margins\" must be an object");
      known(m, {"left", "top", "right", "bottom"});
      def.margins.left = number(m, "left", def.margins.left);
      def.margins.top = number(m, "top", def.margins.top);
      def.margins.right = number(m, "right", def.margins.right);
      def.margins.bottom = number(m, "bottom", def.margins.bottom);
    }
    if (j.contains("font")) def.font = font(j["font"], def.font);
    if (!j.contains("bands") || !j["bands"].is_array()) fail("\"bands\" must be a list");
    int n = 0;
    for (const json& b : j["bands"]) def.bands.push_back(band(b, ++n, def.font));
    check(def);
    return def;
  }

 private:
  [[noreturn]] void fail(const std::string& why) const {
    std::string at = where_.empty() ? std::string() : " (" + where_ + ")";
    throw ReportDefError(std::string(file_) + at + ": " + why);
  }

  void known(const json& j, std::initializer_list<const char*> names) const {
    for (auto it = j.begin(); it != j.end(); ++it) {
      bool ok = false;
      for (const char* n : names) ok = ok || it.key() == n;
      if (!ok) fail("unknown attribute \"" + it.key() + "\"");
    }
  }

  std::string str(const json& j, const char* key, bool required) const {
    if (!j.contains(key)) {
      if (required) fail(std::string("\"") + key + "\" is required");
      return {};
    }
    if (!j[key].is_string()) fail(std::string("\"") + key + "\" must be a text");
    return j[key].get<std::string>();
  }

  double number(const json& j, const char* key, double dflt, bool required = false) const {
    if (!j.contains(key)) {
      if (required) fail(std::string("\"") + key + "\" is required");
      return dflt;
    }
    if (!j[key].is_number()) fail(std::string("\"") + key + "\" must be a number");
    double v = j[key].get<double>();
    if (!std::isfinite(v) || v < 0) fail(std::string("\"") + key + "\" must not be negative");
    return v;
  }

  template <typename E, std::size_t N>
  E choice(const Named<E> (&table)[N], const std::string& text, const char* what) const {
    for (const auto& t : table)
      if (text == t.name) return t.value;
    fail(std::string("unknown ") + what + " \"" + text + "\"");
  }

  PaperSpec paper(const json& j) const {
    if (!j.is_object()) fail("\"paper\" must be an object");
    known(j, {"code", "width", "height", "units"});
    PaperSpec p;
    if (!j.contains("code") || !j["code"].is_number_integer()) fail("\"paper\" needs a \"code\"");
    p.code = j["code"].get<int>();
    if (p.code == kUserDefinedPaper) {
      p.width = number(j, "width", 0, true);
      p.height = number(j, "height", 0, true);
      std::string u = str(j, "units", true);
      if (u == "thousandths")
        p.units = PaperUnits::Thousandths;
      else if (u == "mm")
        p.units = PaperUnits::Millimetres;
      else if (u == "points")
        p.units = PaperUnits::Points;
      else
        fail("\"units\" is thousandths, mm or points, not " + u);
    }
    if (!paperSize(p)) fail("\"paper\" gives no page size");
    return p;
  }

  FontSpec font(const json& j, FontSpec base) const {
    if (!j.is_object()) fail("\"font\" must be an object");
    known(j, {"name", "size", "bold", "italic"});
    if (j.contains("name")) base.name = str(j, "name", true);
    base.size = number(j, "size", base.size);
    if (!(base.size > 0)) fail("a font size must be positive");
    if (j.contains("bold")) base.bold = flag(j, "bold");
    if (j.contains("italic")) base.italic = flag(j, "italic");
    return base;
  }

  bool flag(const json& j, const char* key) const {
    if (!j[key].is_boolean()) fail(std::string("\"") + key + "\" must be true or false");
    return j[key].get<bool>();
  }

  BandDef band(const json& j, int position, const FontSpec& font) {
    where_ = "band #" + std::to_string(position);
    if (!j.is_object()) fail("must be an object");
    known(j, {"kind", "name", "height", "controls"});
    BandDef b;
    b.kind = choice(kBandKinds, str(j, "kind", true), "band kind");
    b.name = str(j, "name", true);
    where_ = "band " + b.name;
    b.height = number(j, "height", 0, true);
    if (!(b.height > 0)) fail("\"height\" must be positive");
    if (j.contains("controls")) {
      if (!j["controls"].is_array()) fail("\"controls\" must be a list");
      int n = 0;
      for (const json& c : j["controls"]) b.controls.push_back(control(c, ++n, font));
    }
    where_.clear();
    return b;
  }

  ControlDef control(const json& j, int position, const FontSpec& font) {
    const std::string band = where_;
    where_ = band + ", control #" + std::to_string(position);
    if (!j.is_object()) fail("must be an object");
    known(j, {"kind", "name", "x", "y", "width", "height", "text", "use", "picture", "align",
              "font", "lineWidth", "fill", "hidden", "file", "chart", "xTitle", "yTitle", "marks"});
    ControlDef c;
    c.kind = choice(kControlKinds, str(j, "kind", true), "control kind");
    c.name = str(j, "name", false);
    if (!c.name.empty()) where_ = band + ", control " + c.name;
    c.x = number(j, "x", 0, true);
    c.y = number(j, "y", 0, true);
    c.width = number(j, "width", 0);
    c.height = number(j, "height", 0);
    c.text = str(j, "text", false);
    c.use = str(j, "use", false);
    c.picture = str(j, "picture", false);
    c.font = j.contains("font") ? this->font(j["font"], font) : font;
    c.lineWidth = number(j, "lineWidth", c.lineWidth);
    c.fill = str(j, "fill", false);
    if (!c.fill.empty() && !isColour(c.fill)) fail("\"fill\" is a colour #rrggbb");
    if (j.contains("hidden")) c.hidden = flag(j, "hidden");
    if (j.contains("marks")) c.marks = flag(j, "marks");
    c.file = str(j, "file", false);
    c.xTitle = str(j, "xTitle", false);
    c.yTitle = str(j, "yTitle", false);
    if (j.contains("chart")) c.chart = choice(kChartKinds, str(j, "chart", true), "chart");
    const bool number = PictureSpec::parse(c.picture).rightAligned();
    c.align = number ? Align::Right : Align::Left;
    if (j.contains("align")) c.align = choice(kAligns, str(j, "align", true), "alignment");

    const bool needsUse = c.kind == ControlKind::Field || c.kind == ControlKind::Check ||
                          c.kind == ControlKind::Chart;
    if (c.kind == ControlKind::Image) {
      if (c.use.empty() == c.file.empty()) fail("an image takes either \"file\" or \"use\"");
    } else {
      if (needsUse && c.use.empty()) fail("\"use\" is required");
      if (!needsUse && !c.use.empty())
        fail("\"use\" belongs to fields, check boxes, charts and images");
      if (!c.file.empty()) fail("\"file\" belongs to images");
    }
    if (c.kind != ControlKind::Chart &&
        (j.contains("chart") || !c.xTitle.empty() || !c.yTitle.empty()))
      fail("\"chart\", \"xTitle\" and \"yTitle\" belong to charts");
    if (c.kind != ControlKind::Field && !c.picture.empty()) fail("\"picture\" belongs to fields");
    if (c.kind != ControlKind::Field && c.marks) fail("\"marks\" belongs to fields");
    if (!c.picture.empty() && PictureSpec::parse(c.picture).kind == PictureSpec::Kind::Unknown)
      fail("unknown picture " + c.picture);
    if (c.kind == ControlKind::Line) {
      if (c.width == 0 && c.height == 0) fail("a line needs a width or a height");
    } else if (!(c.width > 0) || !(c.height > 0)) {
      fail("\"width\" and \"height\" must be positive");
    }
    where_ = band;
    return c;
  }

  void check(const ReportDef& def) {
    std::set<std::string> bands, controls;
    int headers = 0, footers = 0;
    const double width = printableWidth(def);
    for (const BandDef& b : def.bands) {
      where_ = "band " + b.name;
      if (!bands.insert(upper(b.name)).second) fail("the band name is used twice");
      headers += b.kind == BandKind::PageHeader;
      footers += b.kind == BandKind::PageFooter;
      for (const ControlDef& c : b.controls) {
        where_ = "band " + b.name + (c.name.empty() ? "" : ", control " + c.name);
        if (!c.name.empty() && !controls.insert(upper(c.name)).second)
          fail("the control name is used twice");
        // A half-point slack: positions are written in whole and half points.
        if (c.x + c.width > width + 0.5) fail("reaches past the printable width");
        if (c.y + c.height > b.height + 0.5) fail("reaches past the band's height");
      }
    }
    where_.clear();
    if (headers > 1) fail("more than one page header");
    if (footers > 1) fail("more than one page footer");
    const auto page = paperSize(def.paper);
    double height = def.orientation == Orientation::Landscape ? page->width : page->height;
    double fixed = def.margins.top + def.margins.bottom;
    if (const BandDef* h = def.pageHeader()) fixed += h->height;
    if (const BandDef* f = def.pageFooter()) fixed += f->height;
    if (fixed >= height) fail("the page header, footer and margins leave no room for the body");
  }

  static double printableWidth(const ReportDef& def) {
    const auto page = paperSize(def.paper);
    double w = def.orientation == Orientation::Landscape ? page->height : page->width;
    return w - def.margins.left - def.margins.right;
  }

  std::string_view file_;
  std::string where_;
};

}  // namespace

const BandDef* ReportDef::band(std::string_view wanted) const {
  for (const BandDef& b : bands)
    if (upper(b.name) == upper(wanted)) return &b;
  return nullptr;
}

const BandDef* ReportDef::pageHeader() const {
  for (const BandDef& b : bands)
    if (b.kind == BandKind::PageHeader) return &b;
  return nullptr;
}

const BandDef* ReportDef::pageFooter() const {
  for (const BandDef& b : bands)
    if (b.kind == BandKind::PageFooter) return &b;
  return nullptr;
}

ReportDef parseReportDef(std::string_view json, std::string_view fileName) {
  return Parser(fileName).parse(json);
}

const ReportDef& reportDef(std::string_view name) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<ReportDef>> parsed;
  std::lock_guard guard(lock);
  const std::string key = upper(name);
  if (auto it = parsed.find(key); it != parsed.end()) return *it->second;
  for (std::size_t i = 0; i < detail::kEmbeddedReportCount; ++i) {
    const auto& f = detail::kEmbeddedReports[i];
    if (upper(f.name) != key) continue;
    const std::string file = std::string("resources/reports/") + f.name + ".json";
    auto def = std::make_unique<ReportDef>(parseReportDef(f.text, file));
    if (upper(def->name) != key)
      throw ReportDefError(file + ": \"name\" is " + def->name + ", not the file's name");
    return *parsed.emplace(key, std::move(def)).first->second;
  }
  throw ReportDefError("no report structure named " + std::string(name));
}

std::vector<std::string> reportDefNames() {
  std::vector<std::string> out;
  for (std::size_t i = 0; i < detail::kEmbeddedReportCount; ++i)
    out.emplace_back(detail::kEmbeddedReports[i].name);
  return out;
}

}  // namespace koreq::reportframe
