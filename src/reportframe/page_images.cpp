#include "reportframe/page_images.h"

#include <QColor>
#include <QPen>
#include <QPicture>
#include <algorithm>
#include <stdexcept>

#include "reportframe/page_marks.h"

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

void PageImageWriter::finish() {
  std::unique_lock lock(mutex_);
  room_.wait(lock, [this] { return (queue_.empty() && busy_ == 0) || error_; });
  if (error_) std::rethrow_exception(error_);
}

}  // namespace koreq::reportframe
