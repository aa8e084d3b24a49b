#include "reportframe/page_images.h"

#include <QColor>
#include <QPen>
#include <stdexcept>

#include "reportframe/page_marks.h"

namespace koreq::reportframe {

QFont reportFont(const FontSpec& spec) {
  static const std::pair<const char*, const char*> kFaces[] = {
      {"Arial Narrow", "Liberation Sans Narrow"},
      {"Arial", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
  };
  QString family = QString::fromStdString(spec.name);
  for (const auto& [windows, ours] : kFaces)
    if (family.compare(QLatin1String(windows), Qt::CaseInsensitive) == 0)
      family = QLatin1String(ours);
  QFont f(family);
  f.setPointSizeF(spec.size);
  f.setWeight(spec.bold ? QFont::Bold : QFont::Normal);
  f.setItalic(spec.italic);
  // Report text is laid out once and placed exactly; kerning and hinting would move it between
  // the page image and the PDF.
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

PageImageWriter::PageImageWriter(PageList& pages) : pages_(pages) {}

PageImageWriter::~PageImageWriter() {
  if (painter_) painter_->end();
}

const QFont& PageImageWriter::font(const FontSpec& spec) {
  auto key = std::make_tuple(spec.name, spec.size, spec.bold, spec.italic);
  auto it = fonts_.find(key);
  if (it == fonts_.end()) it = fonts_.emplace(key, reportFont(spec)).first;
  return it->second;
}

// A page image records every change of pen and font, and its replay looks the font up again
// each time: set them only when they change.
void PageImageWriter::usePen(const QPen& pen) {
  if (pen_ && *pen_ == pen) return;
  painter_->setPen(pen);
  pen_ = pen;
}

void PageImageWriter::useFont(const FontSpec& spec) {
  const QFont* f = &font(spec);
  if (font_ == f) return;
  painter_->setFont(*f);
  font_ = f;
}

void PageImageWriter::beginPage(int, const PageSizePt& size) {
  picture_ = std::make_unique<QPicture>();
  // A picture counts in its own dots per inch; positions are given in points.
  scale_ = picture_->logicalDpiX() / 72.0;
  picture_->setBoundingRect(QRect(0, 0, qRound(size.width * scale_), qRound(size.height * scale_)));
  painter_ = std::make_unique<QPainter>(picture_.get());
  pen_.reset();
  font_ = nullptr;
  marks_.clear();
  painter_->setRenderHint(QPainter::TextAntialiasing);
}

void PageImageWriter::printBand(const PrintedBand& band) {
  if (!painter_) throw std::logic_error("band " + band.name + " printed outside a page");
  for (const PrintedControl& c : band.controls) paint(c);
}

void PageImageWriter::paint(const PrintedControl& c) {
  QPainter& p = *painter_;
  const double k = scale_;
  const QRectF r(c.x * k, c.y * k, c.width * k, c.height * k);
  QPen pen(Qt::black, c.lineWidth * k);
  pen.setCapStyle(Qt::FlatCap);
  switch (c.kind) {
    case ControlKind::Line:
      usePen(pen);
      p.drawLine(QLineF(r.topLeft(), r.topLeft() + QPointF(r.width(), r.height())));
      return;
    case ControlKind::Box:
      usePen(c.lineWidth > 0 ? pen : QPen(Qt::NoPen));
      p.setBrush(c.fill.empty() ? QBrush(Qt::NoBrush)
                                : QBrush(QColor(QString::fromStdString(c.fill))));
      p.drawRect(r);
      p.setBrush(Qt::NoBrush);
      return;
    case ControlKind::Check: {
      const double side = std::min(r.height(), 8 * k);
      const QRectF box(r.left(), r.center().y() - side / 2, side, side);
      usePen(QPen(Qt::black, 0.5 * k));
      p.drawRect(box);
      if (c.checked) {
        usePen(QPen(Qt::black, 1.0 * k));
        p.drawLine(QLineF(box.left() + side * 0.2, box.top() + side * 0.55,
                          box.left() + side * 0.42, box.bottom() - side * 0.2));
        p.drawLine(QLineF(box.left() + side * 0.42, box.bottom() - side * 0.2,
                          box.right() - side * 0.15, box.top() + side * 0.2));
      }
      if (!c.text.empty()) {
        usePen(QPen(Qt::black));
        useFont(c.font);
        const QRectF caption = r.adjusted(side + 3 * k, 0, 0, 0);
        p.drawText(caption, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                   QString::fromStdString(c.text));
      }
      return;
    }
    case ControlKind::Text:
    case ControlKind::Field: {
      if (c.text.empty()) return;
      if (auto mark = parseMark(c.text, c.y)) {
        marks_.push_back(std::move(*mark));
        return;
      }
      Qt::Alignment align = Qt::AlignVCenter;
      align |= c.align == Align::Right    ? Qt::AlignRight
               : c.align == Align::Center ? Qt::AlignHCenter
                                          : Qt::AlignLeft;
      usePen(QPen(Qt::black));
      useFont(c.font);
      p.drawText(r, static_cast<int>(align) | Qt::TextSingleLine, QString::fromStdString(c.text));
      return;
    }
  }
}

void PageImageWriter::endPage() {
  if (!painter_) throw std::logic_error("a page ended that had not begun");
  painter_->end();
  painter_.reset();
  const std::filesystem::path file = pages_.nextFile();
  const bool saved = picture_->save(QString::fromStdString(file.string()));
  picture_.reset();
  if (!saved)
    throw std::runtime_error("the report's page " + std::to_string(pages_.size() + 1) +
                             " could not be written to " + file.string() + " (is the disk full?)");
  pages_.add(file);
  if (!marks_.empty()) writeMarks(file, marks_);
  marks_.clear();
}

}  // namespace koreq::reportframe
