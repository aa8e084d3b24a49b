#include "reportframe/chart_painter.h"

#include <QColor>
#include <QFontMetricsF>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <cmath>
#include <cstdio>

namespace koreq::reportframe {

namespace {

// Told apart in print and on a grey printer alike.
const QColor kSeriesColours[] = {QColor(0x1f, 0x4e, 0x9a), QColor(0xc0, 0x39, 0x2b),
                                 QColor(0x2e, 0x8b, 0x57), QColor(0xe6, 0x95, 0x00),
                                 QColor(0x7b, 0x3f, 0xa0), QColor(0x55, 0x55, 0x55)};

QColor seriesColour(std::size_t i) {
  return kSeriesColours[i % std::size(kSeriesColours)];
}

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

}  // namespace

std::vector<double> axisSteps(double low, double high, int wanted, bool keepBounds) {
  if (!std::isfinite(low) || !std::isfinite(high)) low = 0, high = 1;
  if (low > high) std::swap(low, high);
  if (high - low < 1e-9 * std::max(1.0, std::fabs(high))) {
    const double pad = low == 0 ? 1 : std::fabs(low) * 0.1;
    low -= keepBounds ? 0 : pad;
    high += pad;
  }
  const double raw = (high - low) / std::max(1, wanted);
  const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
  const double norm = raw / magnitude;
  // The round step nearest the wanted one.
  const double step = magnitude * (norm < 1.5    ? 1
                                   : norm < 2.25 ? 2
                                   : norm < 3.5  ? 2.5
                                   : norm < 7.5  ? 5
                                                 : 10);
  // Values near the ends of the double range leave no step to count in.
  if (!std::isfinite(step) || !(step > 0)) return {low, high};
  std::vector<double> out;
  if (keepBounds) {
    // A round step too near an end would print its label over the end's.
    const double near = step * 0.4;
    out.push_back(low);
    for (double k = std::ceil(low / step);; ++k) {
      const double v = k * step;
      if (v >= high - near) break;
      if (v > low + near) out.push_back(v);
    }
    out.push_back(high);
  } else {
    const double first = std::floor(low / step + 1e-9);
    const double last = std::ceil(high / step - 1e-9);
    for (double k = first; k <= last; ++k) out.push_back(k * step);
  }
  return out;
}

std::string axisLabel(double value, double step) {
  int places = 0;
  while (places < 4 && std::fabs(step * std::pow(10.0, places) -
                                 std::round(step * std::pow(10.0, places))) > 1e-6)
    ++places;
  if (std::fabs(value) < std::fabs(step) * 1e-9) value = 0;
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.*f", places, std::fabs(value));
  std::string digits = buf;
  const std::size_t point = std::min(digits.find('.'), digits.size());
  std::string out;
  for (std::size_t i = 0; i < point; ++i) {
    if (i > 0 && (point - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  out += digits.substr(point);
  bool zero =
      std::all_of(digits.begin(), digits.end(), [](char c) { return c == '0' || c == '.'; });
  return (value < 0 && !zero ? "-" : "") + out;
}

void paintChart(QPainter& p, const QRectF& box, double unit, const PrintedControl& c,
                const std::function<QFont(const FontSpec&)>& fontOf) {
  static const ChartData kEmpty;
  const ChartData& data = c.chart ? *c.chart : kEmpty;
  const double u = unit;
  const QFont font = fontOf(c.font);
  FontSpec titleSpec = c.font;
  titleSpec.size += 2;
  titleSpec.bold = true;
  const QFont titleFont = fontOf(titleSpec);
  const QFontMetricsF fm(font, p.device());
  const QFontMetricsF tfm(titleFont, p.device());
  const double line = fm.height();

  p.save();
  p.setClipRect(box);
  QRectF area = box.adjusted(2 * u, 2 * u, -2 * u, -2 * u);
  p.setPen(QPen(Qt::black));
  if (!c.text.empty()) {
    p.setFont(titleFont);
    p.drawText(QRectF(area.left(), area.top(), area.width(), tfm.height()),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine, qs(c.text));
    area.setTop(area.top() + tfm.height() + 2 * u);
  }
  p.setFont(font);
  if (!data.series.empty()) {
    // The legend, one row across the bottom.
    const double swatch = 8 * u, gap = 3 * u, space = 10 * u;
    double width = 0;
    for (const ChartSeries& s : data.series)
      width += swatch + gap + fm.horizontalAdvance(qs(s.name)) + space;
    width -= space;
    double x = area.left() + std::max(0.0, (area.width() - width) / 2);
    const double y = area.bottom() - line;
    for (std::size_t i = 0; i < data.series.size(); ++i) {
      const QColor colour = seriesColour(i);
      const double mid = y + line / 2;
      if (c.chartKind == ChartKind::Bar) {
        p.fillRect(QRectF(x, mid - swatch / 2, swatch, swatch), colour);
      } else {
        p.setPen(QPen(colour, 1.5 * u));
        p.drawLine(QPointF(x, mid), QPointF(x + swatch, mid));
      }
      p.setPen(QPen(Qt::black));
      const QString name = qs(data.series[i].name);
      p.drawText(QRectF(x + swatch + gap, y, fm.horizontalAdvance(name) + u, line),
                 Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, name);
      x += swatch + gap + fm.horizontalAdvance(name) + space;
    }
    area.setBottom(y - 3 * u);
  }
  if (!c.xTitle.empty()) {
    p.drawText(QRectF(area.left(), area.bottom() - line, area.width(), line),
               Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, qs(c.xTitle));
    area.setBottom(area.bottom() - line - u);
  }
  if (!c.yTitle.empty()) {
    p.save();
    p.translate(area.left(), area.center().y());
    p.rotate(-90);
    p.drawText(QRectF(-area.height() / 2, 0, area.height(), line),
               Qt::AlignHCenter | Qt::AlignVCenter | Qt::TextSingleLine, qs(c.yTitle));
    p.restore();
    area.setLeft(area.left() + line + 2 * u);
  }

  // The value axis.
  double low = 0, high = 0;
  bool any = false;
  std::size_t points = data.labels.size();
  for (const ChartSeries& s : data.series) {
    points = std::max(points, s.values.size());
    for (double v : s.values) {
      if (!std::isfinite(v)) continue;
      low = any ? std::min(low, v) : v;
      high = any ? std::max(high, v) : v;
      any = true;
    }
  }
  if (c.chartKind == ChartKind::Bar || !any) {
    low = std::min(low, 0.0);
    high = std::max(high, any ? 0.0 : 1.0);
  }
  const bool bounded = data.minimum || data.maximum;
  if (data.minimum) low = *data.minimum;
  if (data.maximum) high = *data.maximum;
  const std::vector<double> steps = axisSteps(low, high, 5, bounded);
  low = steps.front();
  high = steps.back();
  const double step = steps.size() > 2 ? steps[2] - steps[1] : high - low;
  double labelWidth = 0;
  for (double v : steps)
    labelWidth = std::max(labelWidth, fm.horizontalAdvance(qs(axisLabel(v, step))));

  QRectF plot = area.adjusted(labelWidth + 4 * u, line / 2, -line / 2, -(line + 2 * u));
  if (plot.width() <= 0 || plot.height() <= 0) {
    p.restore();
    return;
  }
  const auto yOf = [&](double v) {
    const double t = high > low ? (v - low) / (high - low) : 0;
    return plot.bottom() - std::clamp(t, 0.0, 1.0) * plot.height();
  };
  for (double v : steps) {
    const double y = yOf(v);
    p.setPen(QPen(QColor(0xd0, 0xd0, 0xd0), 0.5 * u));
    p.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    p.setPen(QPen(Qt::black));
    p.drawText(QRectF(area.left(), y - line / 2, labelWidth + u, line),
               Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, qs(axisLabel(v, step)));
  }

  // The points along the category axis, labelled as often as the labels fit.
  const double slot = points > 0 ? plot.width() / static_cast<double>(points) : plot.width();
  double widest = 0;
  for (const std::string& l : data.labels) widest = std::max(widest, fm.horizontalAdvance(qs(l)));
  const std::size_t every =
      std::max<std::size_t>(1, static_cast<std::size_t>(std::ceil((widest + 4 * u) / slot)));
  p.setPen(QPen(Qt::black));
  for (std::size_t i = 0; i < data.labels.size() && i < points; i += every) {
    const double mid = plot.left() + (static_cast<double>(i) + 0.5) * slot;
    const double w = slot * static_cast<double>(every);
    p.drawText(QRectF(mid - w / 2, plot.bottom() + u, w, line),
               Qt::AlignHCenter | Qt::AlignTop | Qt::TextSingleLine,
               fm.elidedText(qs(data.labels[i]), Qt::ElideRight, w));
  }

  const std::size_t sets = data.series.size();
  const double base = yOf(std::clamp(0.0, low, high));
  for (std::size_t s = 0; s < sets; ++s) {
    const std::vector<double>& values = data.series[s].values;
    const QColor colour = seriesColour(s);
    if (c.chartKind == ChartKind::Bar) {
      const double group = slot * 0.8;
      const double bar = group / static_cast<double>(sets);
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) continue;
        const double x = plot.left() + static_cast<double>(i) * slot + (slot - group) / 2 +
                         static_cast<double>(s) * bar;
        const double y = yOf(values[i]);
        p.fillRect(QRectF(QPointF(x, std::min(y, base)), QPointF(x + bar, std::max(y, base))),
                   colour);
      }
    } else {
      QPainterPath path;
      bool open = false;
      std::vector<QPointF> dots;
      for (std::size_t i = 0; i < values.size(); ++i) {
        if (!std::isfinite(values[i])) {
          open = false;
          continue;
        }
        const QPointF at(plot.left() + (static_cast<double>(i) + 0.5) * slot, yOf(values[i]));
        if (open)
          path.lineTo(at);
        else
          path.moveTo(at);
        open = true;
        dots.push_back(at);
      }
      p.setPen(QPen(colour, 1.5 * u));
      p.setBrush(Qt::NoBrush);
      p.drawPath(path);
      p.setPen(Qt::NoPen);
      p.setBrush(colour);
      for (const QPointF& d : dots) p.drawEllipse(d, 1.8 * u, 1.8 * u);
      p.setBrush(Qt::NoBrush);
    }
  }

  // The axes over the bars.
  p.setPen(QPen(Qt::black, 0.75 * u));
  p.drawLine(plot.bottomLeft(), plot.topLeft());
  p.drawLine(QPointF(plot.left(), base), QPointF(plot.right(), base));
  p.restore();
}

}  // namespace koreq::reportframe
