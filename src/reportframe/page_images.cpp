#include "reportframe/page_images.h"

#include <QColor>
#include <QFile>
#include <QFontMetricsF>
#include <QPen>
#include <QPicture>
#include <algorithm>
#include <stdexcept>

#include "reportframe/chart_painter.h"
#include "reportframe/page_marks.h"
#include "runtime/icon_name.h"
#include "runtime/text.h"

namespace koreq::reportframe {

QFont reportFont(const FontSpec& wanted) {
  static const std::pair<const char*, const char*> kFaces[] = {
      {"Arial Narrow", "Liberation Sans Narrow"},
      {"Arial", "Liberation Sans"},
      {"Times New Roman", "Liberation Serif"},
      {"Courier New", "Liberation Mono"},
  };
  QString family = QString::fromStdString(wanted.name);
  for (const auto& [windows, ours] : kFaces)
    if (family.compare(QLatin1String(windows), Qt::CaseInsensitive) == 0)
      family = QLatin1String(ours);
  QFont f(family);
  f.setPointSizeF(wanted.size);
  f.setWeight(wanted.bold ? QFont::Bold : QFont::Normal);
  f.setItalic(wanted.italic);
  // Report text is laid out once and placed exactly; kerning and hinting would move it between
  // the page image and the PDF.
  f.setKerning(false);
  f.setHintingPreference(QFont::PreferNoHinting);
  return f;
}

QImage builtInPicture(const std::string& name) {
  const std::string bare = builtInPictureName(name);
  if (bare.empty()) return {};
  const QString path =
      QStringLiteral(":/koreq/icons/") + QString::fromStdString(bare) + QStringLiteral(".png");
  return QFile::exists(path) ? QImage(path) : QImage();
}

const QFont& PagePainter::font(const FontSpec& wanted) {
  auto key = std::make_tuple(wanted.name, wanted.size, wanted.bold, wanted.italic);
  auto it = fonts_.find(key);
  if (it == fonts_.end()) it = fonts_.emplace(key, reportFont(wanted)).first;
  return it->second;
}

// A page image records every change of pen and font, and its replay looks the font up again
// each time: set them only when they change.
void PagePainter::usePen(const QPen& pen) {
  if (pen_ && *pen_ == pen) return;
  painter_->setPen(pen);
  pen_ = pen;
}

void PagePainter::useFont(const FontSpec& wanted) {
  const QFont* f = &font(wanted);
  if (font_ == f) return;
  painter_->setFont(*f);
  font_ = f;
}

void PagePainter::paint(const PrintedControl& c) {
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
    case ControlKind::Image:
      paintImage(c, r);
      return;
    case ControlKind::Chart:
      paintChart(p, r, k, c, [this](const FontSpec& f) { return font(f); });
      return;
    case ControlKind::Text:
    case ControlKind::Field: {
      if (c.text.empty()) return;
      Qt::Alignment align = Qt::AlignVCenter;
      align |= c.align == Align::Right    ? Qt::AlignRight
               : c.align == Align::Center ? Qt::AlignHCenter
                                          : Qt::AlignLeft;
      const int flags = static_cast<int>(align) | Qt::TextSingleLine;
      // Users' text (a note, a description) never becomes a link or an outline entry.
      auto mark = c.marks ? parseMark(c.text, c.x, c.y, c.width, c.height) : std::nullopt;
      if (!mark) {
        usePen(QPen(Qt::black));
        useFont(c.font);
        p.drawText(r, flags, QString::fromStdString(c.text));
        return;
      }
      if (mark->kind == MarkKind::Link) {
        // Printed as a link looks, and the link covers the text as it was drawn.
        QFont f = font(c.font);
        f.setUnderline(true);
        p.save();
        p.setPen(QPen(QColor(0x1f, 0x4e, 0x9a)));
        p.setFont(f);
        QRectF drawn;
        p.drawText(r, flags, QString::fromStdString(mark->text), &drawn);
        p.restore();
        drawn = drawn.intersected(r);
        mark->x = drawn.x() / k;
        mark->top = drawn.y() / k;
        mark->width = drawn.width() / k;
        mark->height = drawn.height() / k;
      }
      marks_.push_back(std::move(*mark));
      return;
    }
  }
}

constexpr std::size_t kPicturesKept = 8;

// The picture an image control shows, read once a page painter.
const QImage* PagePainter::source(const PrintedControl& c, std::string& key) {
  key = c.image ? "#" + std::to_string(reinterpret_cast<std::uintptr_t>(c.image.get())) : c.text;
  auto it = sources_.find(key);
  if (it == sources_.end()) {
    // A few pictures are kept (a logo on every page); a photograph a record is let go.
    if (sources_.size() >= kPicturesKept) {
      sources_.clear();
      scaled_.clear();
      held_.clear();
    }
    QImage img;
    if (c.image) {
      img = QImage::fromData(reinterpret_cast<const uchar*>(c.image->data()),
                             static_cast<int>(c.image->size()));
      held_.push_back(c.image);
    } else if (c.text[0] == '~') {
      img = builtInPicture(c.text);
    } else {
      img = QImage(QString::fromStdString(c.text));
    }
    // A picture that cannot be read shows as missing, as the forms show it.
    if (img.isNull()) img = builtInPicture("~nophoto.gif");
    it = sources_.emplace(key, std::move(img)).first;
  }
  return it->second.isNull() ? nullptr : &it->second;
}

void PagePainter::paintImage(const PrintedControl& c, const QRectF& box) {
  if (box.width() <= 0 || box.height() <= 0 || (c.text.empty() && !c.image)) return;
  std::string key;
  const QImage* img = source(c, key);
  if (!img) return;
  // Scaled into the box keeping its proportions, centred.
  const double fit = std::min(box.width() / img->width(), box.height() / img->height());
  const QSizeF drawn(img->width() * fit, img->height() * fit);
  const QRectF target(box.center().x() - drawn.width() / 2, box.center().y() - drawn.height() / 2,
                      drawn.width(), drawn.height());
  // Shrunk to 300 dots an inch at the size drawn: a photograph is not copied whole into every
  // page image and PDF page.
  const double dots = 300.0 / 72.0 / scale_;
  const QSize pixels(std::max(1, qRound(target.width() * dots)),
                     std::max(1, qRound(target.height() * dots)));
  if (img->width() <= pixels.width() && img->height() <= pixels.height()) {
    painter_->drawImage(target, *img);
    return;
  }
  auto at = std::make_tuple(key, pixels.width(), pixels.height());
  auto it = scaled_.find(at);
  if (it == scaled_.end())
    it = scaled_.emplace(at, img->scaled(pixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation))
             .first;
  painter_->drawImage(target, it->second);
}

void PagePainter::write(const std::filesystem::path& file, const PageSizePt& size,
                        const std::vector<PrintedBand>& bands) {
  QPicture picture;
  // A picture counts in its own dots per inch; positions are given in points.
  scale_ = picture.logicalDpiX() / 72.0;
  picture.setBoundingRect(QRect(0, 0, qRound(size.width * scale_), qRound(size.height * scale_)));
  {
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter_ = &painter;
    pen_.reset();
    font_ = nullptr;
    marks_.clear();
    for (const PrintedBand& band : bands)
      for (const PrintedControl& c : band.controls) paint(c);
    painter_ = nullptr;
  }
  if (!picture.save(QString::fromStdString(file.string())))
    throw std::runtime_error("a page of the report could not be written to " + file.string() +
                             " (is the disk full?)");
  if (!marks_.empty()) writeMarks(file, marks_);
}

PageImageWriter::PageImageWriter(PageList& pages, int threads) : pages_(pages) {
  if (threads <= 0) threads = static_cast<int>(std::min(4u, std::thread::hardware_concurrency()));
  if (threads <= 1) return;
  capacity_ = static_cast<std::size_t>(2 * threads);
  for (int i = 0; i < threads; ++i) threads_.emplace_back([this] { paintPages(); });
}

PageImageWriter::~PageImageWriter() {
  {
    std::lock_guard lock(mutex_);
    stop_ = true;
    queue_.clear();
  }
  work_.notify_all();
  for (std::thread& t : threads_) t.join();
}

void PageImageWriter::paintPages() {
  PagePainter painter;
  for (;;) {
    Page page;
    {
      std::unique_lock lock(mutex_);
      work_.wait(lock, [this] { return stop_ || !queue_.empty(); });
      if (queue_.empty()) return;
      page = std::move(queue_.front());
      queue_.pop_front();
      ++busy_;
    }
    room_.notify_all();
    std::exception_ptr failed;
    try {
      painter.write(page.file, page.size, page.bands);
    } catch (...) {
      failed = std::current_exception();
    }
    {
      std::lock_guard lock(mutex_);
      --busy_;
      if (failed && !error_) error_ = failed;
    }
    room_.notify_all();
  }
}

void PageImageWriter::beginPage(int, const PageSizePt& size) {
  if (open_) throw std::logic_error("a page began before the last one ended");
  page_ = Page{{}, size, {}};
  open_ = true;
}

void PageImageWriter::printBand(const PrintedBand& band) {
  if (!open_) throw std::logic_error("band " + band.name + " printed outside a page");
  page_.bands.push_back(band);
}

void PageImageWriter::endPage() {
  if (!open_) throw std::logic_error("a page ended that had not begun");
  open_ = false;
  page_.file = pages_.nextFile();
  pages_.add(page_.file);
  if (threads_.empty()) {
    inline_.write(page_.file, page_.size, page_.bands);
    return;
  }
  std::unique_lock lock(mutex_);
  // A few pages wait at most: memory stays flat however fast the report prints.
  room_.wait(lock, [this] { return queue_.size() < capacity_ || error_; });
  if (error_) std::rethrow_exception(error_);
  queue_.push_back(std::move(page_));
  lock.unlock();
  work_.notify_one();
}

double PageImageWriter::textWidth(const FontSpec& wanted, std::string_view text) const {
  auto key = std::make_tuple(wanted.name, wanted.size, wanted.bold, wanted.italic);
  auto it = measureFonts_.find(key);
  if (it == measureFonts_.end()) it = measureFonts_.emplace(key, reportFont(wanted)).first;
  const QFontMetricsF metrics(it->second, &measure_);
  return metrics.horizontalAdvance(QString::fromUtf8(text.data(), static_cast<int>(text.size()))) *
         72.0 / measure_.logicalDpiX();
}

void PageImageWriter::finish() {
  std::unique_lock lock(mutex_);
  room_.wait(lock, [this] { return (queue_.empty() && busy_ == 0) || error_; });
  if (error_) std::rethrow_exception(error_);
}

}  // namespace koreq::reportframe
