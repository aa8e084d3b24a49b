#include "ui/qt/report_preview.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QScrollArea>
#include <QScrollBar>
#include <QSpinBox>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

namespace koreq::ui::qt {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

// The zoom box's items: two fitted zooms, then fixed factors.
constexpr int kWholePage = 0;
constexpr int kPageWidth = 1;
constexpr double kFactors[] = {0.5, 0.75, 1.0, 1.25, 1.5, 2.0};
constexpr int kNormal = 2 + 2;  // 100 %

// The page's size in points as its image records it (Letter when it records none).
QSizeF pagePoints(const QPicture& picture) {
  const QRect r = picture.boundingRect();
  if (r.isEmpty()) return {612, 792};
  const double dpi = picture.logicalDpiX();
  return {r.width() * 72.0 / dpi, r.height() * 72.0 / dpi};
}

QToolButton* toolButton(const QString& text, const QString& icon, const QString& tip) {
  auto* b = new QToolButton;
  b->setText(text);
  b->setToolTip(tip);
  b->setAutoRaise(true);
  if (!icon.isEmpty()) {
    b->setIcon(QIcon(icon));
    b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  }
  return b;
}

}  // namespace

// The page shown: white paper with a frame, the page image drawn at the zoom.
class PreviewPage : public QWidget {
 public:
  explicit PreviewPage(const QPicture& picture) : picture_(picture) {}
  void setScale(double scale) {
    scale_ = scale;
    const QSizeF pt = pagePoints(picture_);
    // Points to screen pixels at the screen's resolution, then the zoom.
    const double px = logicalDpiX() / 72.0 * scale_;
    setFixedSize(qCeil(pt.width() * px) + 2, qCeil(pt.height() * px) + 2);
    update();
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::white);
    p.setPen(QColor(0x80, 0x80, 0x80));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.translate(1, 1);
    // drawPicture() converts the picture's dots per inch to the screen's by itself: only the
    // zoom is the painter's.
    p.scale(scale_, scale_);
    p.drawPicture(0, 0, picture_);
  }

 private:
  const QPicture& picture_;
  double scale_ = 1;
};

ReportPreview::ReportPreview(const PreviewRequest& request, QPrinter& printer, QWidget* parent)
    : QDialog(parent), pages_(request.pages), printer_(printer) {
  setObjectName("ReportPreview");
  setWindowTitle(tr("Print Preview - %1").arg(qs(request.title)));
  setSizeGripEnabled(true);

  auto* bar = new QHBoxLayout;
  bar->setSpacing(2);
  auto* first = toolButton(QStringLiteral("|<"), {}, tr("First page (Home)"));
  auto* previous = toolButton(QStringLiteral("<"), {}, tr("Previous page (Page Up)"));
  auto* next = toolButton(QStringLiteral(">"), {}, tr("Next page (Page Down)"));
  auto* last = toolButton(QStringLiteral(">|"), {}, tr("Last page (End)"));
  pageBox_ = new QSpinBox;
  pageBox_->setObjectName("?PreviewPage");
  pageBox_->setRange(1, std::max(1, pageCount()));
  pageLabel_ = new QLabel(tr("of %1").arg(pageCount()));
  bar->addWidget(first);
  bar->addWidget(previous);
  bar->addWidget(new QLabel(tr("Page")));
  bar->addWidget(pageBox_);
  bar->addWidget(pageLabel_);
  bar->addWidget(next);
  bar->addWidget(last);
  bar->addSpacing(12);

  zoomBox_ = new QComboBox;
  zoomBox_->setObjectName("?PreviewZoom");
  zoomBox_->addItem(tr("Whole Page"));
  zoomBox_->addItem(tr("Page Width"));
  for (double f : kFactors) zoomBox_->addItem(QStringLiteral("%1%").arg(qRound(f * 100)));
  bar->addWidget(new QLabel(tr("Zoom")));
  bar->addWidget(zoomBox_);
  bar->addSpacing(12);

  copiesBox_ = new QSpinBox;
  copiesBox_->setObjectName("?PreviewCopies");
  copiesBox_->setRange(1, 999);
  auto* printButton =
      toolButton(tr("&Print..."), QStringLiteral(":/koreq/icons/print.png"), tr("Print (Ctrl+P)"));
  printButton->setObjectName("?PreviewPrint");
  bar->addWidget(new QLabel(tr("Copies")));
  bar->addWidget(copiesBox_);
  bar->addWidget(printButton);
  bar->addStretch(1);

  exportButton_ = toolButton(tr("Export This Report"), QStringLiteral(":/koreq/icons/export.png"),
                             tr("Write the report's text to a file"));
  pdfButton_ = toolButton(tr("Generate PDF File"), QStringLiteral(":/koreq/icons/pdf.png"),
                          tr("Write the report to a PDF file"));
  emailButton_ = toolButton(tr("Email Report (pdf)"), QStringLiteral(":/koreq/icons/eml.png"),
                            tr("Mail the report as a PDF file"));
  exportButton_->setObjectName("?PreviewExport");
  pdfButton_->setObjectName("?PreviewPdf");
  emailButton_->setObjectName("?PreviewEmail");
  auto* close = new QToolButton;
  close->setText(tr("Close"));
  close->setObjectName("?PreviewClose");
  bar->addWidget(exportButton_);
  bar->addWidget(pdfButton_);
  bar->addWidget(emailButton_);
  bar->addSpacing(6);
  bar->addWidget(close);

  page_ = new PreviewPage(picture_);
  scroll_ = new QScrollArea;
  scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
  scroll_->setBackgroundRole(QPalette::Dark);
  scroll_->setWidget(page_);
  scroll_->setFocusPolicy(Qt::NoFocus);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->addLayout(bar);
  layout->addWidget(scroll_, 1);

  connect(first, &QToolButton::clicked, this, [this] { showPage(1); });
  connect(previous, &QToolButton::clicked, this, [this] { showPage(current_ - 1); });
  connect(next, &QToolButton::clicked, this, [this] { showPage(current_ + 1); });
  connect(last, &QToolButton::clicked, this, [this] { showPage(pageCount()); });
  connect(pageBox_, &QSpinBox::valueChanged, this, [this](int p) { showPage(p); });
  connect(zoomBox_, &QComboBox::currentIndexChanged, this, [this] { layoutPage(); });
  connect(printButton, &QToolButton::clicked, this, [this] { print(); });
  connect(exportButton_, &QToolButton::clicked, this,
          [this] { leave(&PreviewChoice::exportReport); });
  connect(pdfButton_, &QToolButton::clicked, this, [this] { leave(&PreviewChoice::pdf); });
  connect(emailButton_, &QToolButton::clicked, this, [this] { leave(&PreviewChoice::email); });
  connect(close, &QToolButton::clicked, this, &QDialog::reject);

  setZoom(request.zoom);
  showPage(1);
  resize(1000, 720);
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::showPage(int page) {
  page = std::clamp(page, 1, std::max(1, pageCount()));
  if (page == current_ || pages_.empty()) return;
  current_ = page;
  // One page in memory: the one shown.
  if (!picture_.load(qs(pages_[static_cast<std::size_t>(page - 1)]))) picture_ = QPicture();
  const QSignalBlocker quiet(pageBox_);
  pageBox_->setValue(page);
  layoutPage();
  scroll_->verticalScrollBar()->setValue(0);
}

void ReportPreview::setZoom(PreviewZoom zoom) {
  zoomBox_->setCurrentIndex(zoom == PreviewZoom::WholePage   ? kWholePage
                            : zoom == PreviewZoom::PageWidth ? kPageWidth
                                                             : kNormal);
}

double ReportPreview::zoomFactor() const {
  const int i = zoomBox_->currentIndex();
  if (i >= 2) return kFactors[i - 2];
  const QSizeF pt = pagePoints(picture_);
  const double px = logicalDpiX() / 72.0;
  const QSize room = scroll_->viewport()->size() - QSize(12, 12);
  const double width = room.width() / (pt.width() * px);
  if (i == kPageWidth) return std::max(0.1, width);
  return std::max(0.1, std::min(width, room.height() / (pt.height() * px)));
}

void ReportPreview::layoutPage() {
  page_->setScale(zoomFactor());
}

void ReportPreview::stepZoom(int direction) {
  // From a fitted zoom the steps go on from the nearest fixed factor.
  int i = zoomBox_->currentIndex();
  if (i < 2) {
    const double now = zoomFactor();
    i = 2;
    while (i + 1 < zoomBox_->count() && kFactors[i - 1] <= now) ++i;
  }
  zoomBox_->setCurrentIndex(std::clamp(i + direction, 2, zoomBox_->count() - 1));
}

void ReportPreview::resizeEvent(QResizeEvent* e) {
  QDialog::resizeEvent(e);
  if (zoomBox_->currentIndex() < 2) layoutPage();
}

void ReportPreview::keyPressEvent(QKeyEvent* e) {
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  switch (e->key()) {
    case Qt::Key_PageDown:
      showPage(current_ + 1);
      return;
    case Qt::Key_PageUp:
      showPage(current_ - 1);
      return;
    case Qt::Key_Home:
      showPage(1);
      return;
    case Qt::Key_End:
      showPage(pageCount());
      return;
    case Qt::Key_Plus:
    case Qt::Key_Equal:
      if (ctrl) return stepZoom(1);
      break;
    case Qt::Key_Minus:
      if (ctrl) return stepZoom(-1);
      break;
    case Qt::Key_P:
      if (ctrl) return print();
      break;
    default:
      break;
  }
  QDialog::keyPressEvent(e);
}

void ReportPreview::print() {
  printer_.setCopyCount(copiesBox_->value());
  QPrintDialog dialog(&printer_, this);
  dialog.setOption(QAbstractPrintDialog::PrintToFile, true);
  dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
  if (dialog.exec() != QDialog::Accepted) return;
  choice_.print = true;
  choice_.copies = std::max(1, printer_.copyCount());
  accept();
}

void ReportPreview::printChosen(int copies) {
  choice_.print = true;
  choice_.copies = std::max(1, copies);
  accept();
}

void ReportPreview::leave(bool PreviewChoice::*flag) {
  choice_.*flag = true;
  accept();
}

std::string printPageImages(QPrinter& printer, const std::vector<std::string>& pages, int copies,
                            const std::string& jobName) {
  if (pages.empty()) return {};
  printer.setDocName(qs(jobName));
  // The copies are made here: a printer told to make them may collate them its own way, or not
  // at all.
  printer.setCopyCount(1);
  printer.setFullPage(true);
  QPainter painter;
  bool started = false;
  for (int copy = 0; copy < std::max(1, copies); ++copy) {
    for (const std::string& file : pages) {
      QPicture picture;
      if (!picture.load(qs(file))) return "The page " + file + " of the report could not be read.";
      QSizeF size = pagePoints(picture);
      const bool wide = size.width() > size.height();
      printer.setPageLayout(QPageLayout(QPageSize(wide ? size.transposed() : size, QPageSize::Point,
                                                  QString(), QPageSize::FuzzyOrientationMatch),
                                        wide ? QPageLayout::Landscape : QPageLayout::Portrait,
                                        QMarginsF(0, 0, 0, 0)));
      if (!started) {
        if (!painter.begin(&printer))
          return "The printer " + printer.printerName().toStdString() + " could not be started.";
        started = true;
      } else if (!printer.newPage()) {
        painter.end();
        return "The printer stopped taking pages.";
      }
      painter.drawPicture(0, 0, picture);
    }
  }
  if (!painter.end()) return "The report could not be sent to the printer.";
  return {};
}

}  // namespace koreq::ui::qt
