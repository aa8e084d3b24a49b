#include "reportframe/pdf_writer.h"

#include <stdlib.h>
#include <unistd.h>

#include <QDesktopServices>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QPicture>
#include <QProcess>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <fstream>
#include <memory>
#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFPageDocumentHelper.hh>
#include <qpdf/QPDFWriter.hh>
#include <random>
#include <string_view>
#include <system_error>
#include <thread>

#include "data/output_file.h"
#include "reportframe/page_images.h"
#include "reportframe/page_marks.h"
#include "reportframe/pdf_names.h"
#include "runtime/text.h"

namespace koreq::reportframe {

namespace fs = std::filesystem;

namespace detail {

// A draft document in the system's temporary folder, deleted when it goes out of scope.
class Draft {
 public:
  Draft() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) base = "/tmp";
    std::string pattern = (base / "koreq-pdf-XXXXXX.pdf").string();
    int fd = ::mkstemps(pattern.data(), 4);
    if (fd < 0) return;
    ::close(fd);
    path_ = pattern;
  }
  ~Draft() {
    std::error_code ec;
    if (!path_.empty()) fs::remove(path_, ec);
  }
  Draft(const Draft&) = delete;
  Draft& operator=(const Draft&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

}  // namespace detail

namespace {

// Page images begin with the picture format's mark; anything else is not loaded (Qt would
// complain of it on the console).
bool isPageImage(const fs::path& file) {
  char mark[4] = {};
  std::ifstream in(file, std::ios::binary);
  return in.read(mark, sizeof mark) && std::string_view(mark, 4) == "QPIC";
}

std::string randomPassword() {
  std::random_device rd;
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  for (int i = 0; i < 32; ++i) s += kHex[rd() % 16];
  return s;
}

void setInfo(QPDF& pdf, const PdfDocumentInfo& info) {
  const std::pair<const char*, const std::string*> entries[] = {
      {"/Title", &info.title},     {"/Subject", &info.subject},   {"/Author", &info.author},
      {"/Creator", &info.creator}, {"/Keywords", &info.keywords},
  };
  QPDFObjectHandle trailer = pdf.getTrailer();
  QPDFObjectHandle dict = trailer.getKey("/Info");
  for (const auto& [key, value] : entries) {
    if (value->empty()) continue;
    if (!dict.isDictionary()) {
      dict = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
      trailer.replaceKey("/Info", dict);
    }
    dict.replaceKey(key, QPDFObjectHandle::newUnicodeString(*value));
  }
}

// A mark placed in the file in hand: its page from 0, its box in PDF space (from the bottom).
struct Mark {
  PageMark mark;
  int page;
  double left, bottom, right, top;
};

QPDFObjectHandle destination(const QPDFPageObjectHelper& page, double top) {
  QPDFObjectHandle dest = QPDFObjectHandle::newArray();
  dest.appendItem(page.getObjectHandle());
  dest.appendItem(QPDFObjectHandle::newName("/XYZ"));
  dest.appendItem(QPDFObjectHandle::newNull());
  dest.appendItem(QPDFObjectHandle::newReal(top, 2));
  dest.appendItem(QPDFObjectHandle::newNull());
  return dest;
}

QPDFObjectHandle rectangle(double left, double bottom, double right, double top) {
  QPDFObjectHandle r = QPDFObjectHandle::newArray();
  for (double v : {left, bottom, right, top}) r.appendItem(QPDFObjectHandle::newReal(v, 2));
  return r;
}

// A URI is 7-bit ASCII: other bytes are written percent-encoded.
std::string asciiUri(const std::string& uri) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : uri) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    }
  }
  return out;
}

void annotate(QPDFPageObjectHelper& page, QPDFObjectHandle annotation) {
  QPDFObjectHandle dict = page.getObjectHandle();
  QPDFObjectHandle annots = dict.getKey("/Annots");
  if (!annots.isArray()) {
    annots = QPDFObjectHandle::newArray();
    dict.replaceKey("/Annots", annots);
  }
  annotation.replaceKey("/P", dict);
  annots.appendItem(annotation);
}

// The links and text notes of the file, on their pages. A link to a page or bookmark that is
// not in this file keeps its printed text only.
void addAnnotations(QPDF& pdf, const std::vector<Mark>& marks, std::size_t firstPage) {
  std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  for (const Mark& m : marks) {
    if (m.page < 0 || static_cast<std::size_t>(m.page) >= pages.size()) continue;
    QPDFPageObjectHelper& page = pages[static_cast<std::size_t>(m.page)];
    if (m.mark.kind == MarkKind::Note) {
      QPDFObjectHandle note = pdf.makeIndirectObject(QPDFObjectHandle::parse(
          "<< /Type /Annot /Subtype /Text /Name /Comment /Open false /F 4 >>"));
      note.replaceKey("/Rect", rectangle(m.left, m.top - 18, m.left + 18, m.top));
      note.replaceKey("/Contents", QPDFObjectHandle::newUnicodeString(m.mark.text));
      if (!m.mark.title.empty())
        note.replaceKey("/T", QPDFObjectHandle::newUnicodeString(m.mark.title));
      annotate(page, note);
      continue;
    }
    if (m.mark.kind != MarkKind::Link) continue;
    const std::optional<LinkTarget> target = parseLinkTarget(m.mark.target);
    if (!target) continue;
    QPDFObjectHandle link = pdf.makeIndirectObject(
        QPDFObjectHandle::parse("<< /Type /Annot /Subtype /Link /Border [0 0 0] /F 4 >>"));
    link.replaceKey("/Rect", rectangle(m.left, m.bottom, m.right, m.top));
    if (!target->uri.empty()) {
      QPDFObjectHandle action = QPDFObjectHandle::newDictionary();
      action.replaceKey("/S", QPDFObjectHandle::newName("/URI"));
      action.replaceKey("/URI", QPDFObjectHandle::newString(asciiUri(target->uri)));
      link.replaceKey("/A", action);
    } else if (target->page > 0) {
      const std::size_t at = static_cast<std::size_t>(target->page - 1);
      if (at < firstPage || at - firstPage >= pages.size()) continue;
      QPDFPageObjectHelper& to = pages[at - firstPage];
      link.replaceKey("/Dest", destination(to, to.getMediaBox().getArrayItem(3).getNumericValue()));
    } else {
      auto b = std::find_if(marks.begin(), marks.end(), [&](const Mark& x) {
        return x.mark.kind == MarkKind::Bookmark && x.mark.title == target->bookmark;
      });
      if (b == marks.end()) continue;
      link.replaceKey("/Dest", destination(pages[static_cast<std::size_t>(b->page)], b->top));
    }
    annotate(page, link);
  }
}

// The watermark across the page's centre, light and half transparent so the report reads
// through it. The painter counts in the PDF writer's dots.
void paintWatermark(QPainter& painter, const PdfWatermark& mark, const QSizeF& page) {
  const QString text = QString::fromStdString(cutToChars(mark.text, 522));
  FontSpec face;
  face.name = cutToChars(mark.font, 128);
  face.size = mark.size > 0 ? mark.size : 100;
  QFont font = reportFont(face);
  const double dots = painter.device()->logicalDpiX() / 72.0;
  const double angle = mark.angle * M_PI / 180.0;
  if (mark.size <= 0) {
    // As large as fits across the page at that angle, up to 200 points.
    const QRectF box =
        QFontMetricsF(font, painter.device()).boundingRect(QRectF(), Qt::AlignCenter, text);
    const double c = std::fabs(std::cos(angle)), s = std::fabs(std::sin(angle));
    const double across = box.width() * c + box.height() * s;
    const double up = box.width() * s + box.height() * c;
    const double fit =
        std::min(page.width() * dots * 0.9 / across, page.height() * dots * 0.9 / up);
    font.setPointSizeF(std::clamp(100 * fit, 6.0, 200.0));
  }
  painter.save();
  painter.setOpacity(0.35);
  painter.setPen(QColor(150, 150, 150));
  painter.setFont(font);
  painter.translate(page.width() * dots / 2, page.height() * dots / 2);
  painter.rotate(-mark.angle);
  const QRectF all(-page.width() * dots * 2, -page.height() * dots * 2, page.width() * dots * 4,
                   page.height() * dots * 4);
  painter.drawText(all, Qt::AlignCenter, text);
  painter.restore();
}

// The document outline: every bookmark under the last one of a lower level, all open, each
// opening its page at its height.
void addOutline(QPDF& pdf, const std::vector<Mark>& marks) {
  const std::vector<QPDFPageObjectHelper> pages = QPDFPageDocumentHelper(pdf).getAllPages();
  struct Node {
    QPDFObjectHandle item;
    int level;
    int parent;
    std::vector<int> children;
    int descendants = 0;
  };
  std::vector<Node> nodes;
  nodes.push_back(
      {pdf.makeIndirectObject(QPDFObjectHandle::parse("<< /Type /Outlines >>")), 0, -1, {}});
  std::vector<int> open{0};
  for (const Mark& b : marks) {
    if (b.mark.kind != MarkKind::Bookmark) continue;
    if (b.page < 0 || static_cast<std::size_t>(b.page) >= pages.size()) continue;
    while (nodes[static_cast<std::size_t>(open.back())].level >= b.mark.level) open.pop_back();
    const int parent = open.back();
    QPDFObjectHandle item = pdf.makeIndirectObject(QPDFObjectHandle::newDictionary());
    item.replaceKey("/Title", QPDFObjectHandle::newUnicodeString(b.mark.title));
    item.replaceKey("/Parent", nodes[static_cast<std::size_t>(parent)].item);
    item.replaceKey("/Dest", destination(pages[static_cast<std::size_t>(b.page)], b.top));
    nodes.push_back({item, b.mark.level, parent, {}});
    const int index = static_cast<int>(nodes.size()) - 1;
    nodes[static_cast<std::size_t>(parent)].children.push_back(index);
    open.push_back(index);
  }
  if (nodes.size() == 1) return;
  // Pre-order: every node comes after its parent, so counting backwards sums whole subtrees.
  for (std::size_t i = nodes.size() - 1; i > 0; --i)
    nodes[static_cast<std::size_t>(nodes[i].parent)].descendants += 1 + nodes[i].descendants;
  for (Node& n : nodes) {
    if (n.children.empty()) continue;
    for (std::size_t i = 0; i < n.children.size(); ++i) {
      QPDFObjectHandle child = nodes[static_cast<std::size_t>(n.children[i])].item;
      if (i > 0) child.replaceKey("/Prev", nodes[static_cast<std::size_t>(n.children[i - 1])].item);
      if (i + 1 < n.children.size())
        child.replaceKey("/Next", nodes[static_cast<std::size_t>(n.children[i + 1])].item);
    }
    n.item.replaceKey("/First", nodes[static_cast<std::size_t>(n.children.front())].item);
    n.item.replaceKey("/Last", nodes[static_cast<std::size_t>(n.children.back())].item);
    n.item.replaceKey("/Count", QPDFObjectHandle::newInteger(n.descendants));
  }
  pdf.getRoot().replaceKey("/Outlines", nodes[0].item);
  pdf.getRoot().replaceKey("/PageMode", QPDFObjectHandle::newName("/UseOutlines"));
}

}  // namespace

void PdfReportWriter::init(const fs::path& folder, int pagesPerFile, const std::string& fileName) {
  *this = PdfReportWriter();
  std::error_code ec;
  folder_ = folder.empty() ? fs::temp_directory_path(ec) : folder;
  pagesPerFile_ = pagesPerFile;
  fs::path current = fs::current_path(ec);
  fileName_ = normalisePdfFileName(fileName, folder_, current);
  // A folder or a device given as the name would otherwise become "NAME.pdf" beside it.
  const fs::path given(fileName);
  const bool folderName = !fileName.empty() && !given.has_filename();
  if (folderName || (fs::exists(given, ec) && !fs::is_regular_file(given, ec)))
    refused_ = data::outputRefusal(given);
}

void PdfReportWriter::setPaper(const PaperSpec& paper, Orientation orientation) {
  paper_ = paperSize(paper);
  landscape_ = orientation == Orientation::Landscape;
}

int PdfReportWriter::generate(const std::vector<fs::path>& pages, int pagesPerFile,
                              bool showProgress) {
  produced_.clear();
  error_.clear();
  cancelled_ = false;
  if (pages.empty() || fileName_.empty()) return 0;
  if (signature.mode != 0) {
    error_ =
        "The PDF file cannot be signed: signing with a certificate is not available in this "
        "program, so no PDF file was written.";
    return 0;
  }
  pageCount_ = static_cast<int>(pages.size());
  const std::vector<fs::path> targets = pdfOutputFiles(fileName_, pageCount_, pagesPerFile);
  for (const fs::path& t : refused_.empty() ? targets : std::vector<fs::path>{})
    if (refused_ = data::outputRefusal(t); !refused_.empty()) break;
  if (!refused_.empty()) {
    error_ = refused_ + "; no PDF file was written.";
    return 0;
  }
  const std::size_t perFile =
      pagesPerFile > 0 ? static_cast<std::size_t>(pagesPerFile) : pages.size();
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const std::size_t first = i * perFile;
    const std::size_t count = std::min(perFile, pages.size() - first);
    if (!writeFile(pages, first, count, targets[i], showProgress)) return 0;
    produced_.push_back(targets[i]);
  }
  if (openAfterCreation)
    for (const fs::path& f : produced_) {
      const QString file = QString::fromStdString(f.string());
      if (!viewer.empty())
        QProcess::startDetached(QString::fromStdString(viewer), {file});
      else
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
    }
  return produced_.empty() ? 0 : 1;
}

namespace {

// Parts of one file drawn side by side: as many as there are processors, none of fewer than
// 16 pages (below that the join costs more than it saves).
std::size_t partsFor(std::size_t pages) {
  const std::size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::max<std::size_t>(1, std::min<std::size_t>({cores, 8, pages / 16}));
}

}  // namespace

struct PdfReportWriter::Part {
  detail::Draft file;
  std::size_t first = 0;  // in the page list
  std::size_t count = 0;
  std::vector<Placed> marks;  // pages counted from the part's first
  std::string error;
};

bool PdfReportWriter::drawPart(const std::vector<fs::path>& pages, Part& part,
                               const std::function<bool()>& beforePage) const {
  if (part.file.path().empty()) {
    part.error = "No temporary file for the PDF could be made.";
    return false;
  }
  {
    QPdfWriter writer(QString::fromStdString(part.file.path().string()));
    writer.setCreator(QStringLiteral("KOREQ"));
    QPainter painter;
    for (std::size_t k = part.first; k < part.first + part.count; ++k) {
      if (!beforePage()) return false;
      QPicture picture;
      const bool loaded =
          isPageImage(pages[k]) && picture.load(QString::fromStdString(pages[k].string()));
      // The report's paper first; then the page image's own size; a page that is not a page
      // image is blank on the report's paper (or Letter).
      QSizeF size(612, 792);
      if (paper_) {
        size = QSizeF(paper_->width, paper_->height);
        if (landscape_) size.transpose();
      } else if (loaded && !picture.boundingRect().isEmpty()) {
        const double dpi = picture.logicalDpiX();
        size = QSizeF(picture.boundingRect().width() * 72.0 / dpi,
                      picture.boundingRect().height() * 72.0 / dpi);
      }
      const bool wide = size.width() > size.height();
      const QPageLayout layout(QPageSize(wide ? size.transposed() : size, QPageSize::Point,
                                         QString(), QPageSize::ExactMatch),
                               wide ? QPageLayout::Landscape : QPageLayout::Portrait,
                               QMarginsF(0, 0, 0, 0));
      writer.setPageLayout(layout);
      if (k == part.first) {
        if (!painter.begin(&writer)) {
          part.error = "The PDF file could not be started in " + part.file.path().string() + ".";
          return false;
        }
      } else {
        writer.newPage();
      }
      if (loaded) painter.drawPicture(0, 0, picture);
      if (!watermark.text.empty()) paintWatermark(painter, watermark, size);
      for (PageMark& m : readMarks(pages[k]))
        part.marks.push_back({std::move(m), static_cast<int>(k - part.first), size.height()});
    }
    painter.end();
  }
  std::error_code ec;
  if (fs::file_size(part.file.path(), ec) == 0 || ec) {
    part.error = "The PDF file could not be written to " + part.file.path().string() +
                 " (is the disk full?).";
    return false;
  }
  return true;
}

bool PdfReportWriter::writeFile(const std::vector<fs::path>& pages, std::size_t first,
                                std::size_t count, const fs::path& target, bool showProgress) {
  auto ask = [&](std::size_t page) {
    return !showProgress || !progress_ || progress_(static_cast<int>(page), pageCount_);
  };
  // A long file is drawn in parts side by side, each into a draft of its own, and the drafts
  // are joined; the progress is told on this thread, page after page as they are done.
  std::vector<Part> parts(partsFor(count));
  for (std::size_t i = 0, at = first; i < parts.size(); ++i) {
    parts[i].first = at;
    parts[i].count = count / parts.size() + (i < count % parts.size() ? 1 : 0);
    at += parts[i].count;
  }
  bool drawn = true;
  if (parts.size() == 1) {
    std::size_t page = first;
    drawn = drawPart(pages, parts[0], [&] { return ask(++page); });
  } else if (!ask(first + 1)) {
    drawn = false;
  } else {
    std::atomic<std::size_t> done{0};
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> running{parts.size()};
    std::vector<std::thread> threads;
    std::vector<char> ok(parts.size(), 0);
    for (std::size_t i = 0; i < parts.size(); ++i)
      threads.emplace_back([&, i] {
        bool started = false;
        ok[i] = drawPart(pages, parts[i], [&] {
          if (started) ++done;
          started = true;
          return !stop.load();
        });
        if (ok[i]) ++done;
        --running;
      });
    std::size_t told = 1;
    while (running.load() > 0) {
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
      const std::size_t now = std::min(done.load() + 1, count);
      while (!stop.load() && told < now)
        if (!ask(first + ++told)) stop = true;
    }
    for (std::thread& t : threads) t.join();
    drawn = std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; });
    // The last pages finished together: the progress still counts them to the end.
    while (drawn && !stop.load() && told < count)
      if (!ask(first + ++told)) stop = true;
    drawn = drawn && !stop.load();
  }
  if (!drawn) {
    for (const Part& p : parts)
      if (!p.error.empty()) error_ = p.error;
    cancelled_ = error_.empty();
    return false;
  }
  return finish(parts, target, first);
}

bool PdfReportWriter::finish(const std::vector<Part>& parts, const fs::path& target,
                             std::size_t firstPage) {
  // Written beside the target and renamed over it, so a failure leaves an earlier file whole.
  data::OutputFile output(target);
  if (!output.open(&error_)) return false;
  const fs::path part = output.partPath();
  const PdfDocumentInfo& i = info;
  const bool plain = parts.size() == 1 && parts.front().marks.empty() &&
                     security.level == PdfEncryption::None && i.title.empty() &&
                     i.subject.empty() && i.author.empty() && i.creator.empty() &&
                     i.keywords.empty();
  if (plain) {
    // Nothing to add: the draft is the file. qpdf would hold the whole document's structure
    // in memory to rewrite it.
    // Copied into a file made anew rather than with copy_file: the draft is private (0600),
    // while the PDF gets the permissions the umask gives, as the rewritten ones do.
    std::error_code ec;
    {
      std::ifstream in(parts.front().file.path(), std::ios::binary);
      std::ofstream out(part, std::ios::binary | std::ios::trunc);
      if (in && out) out << in.rdbuf();
      out.close();
      if (!in || !out) ec = std::make_error_code(std::errc::io_error);
    }
    if (ec) {
      error_ = "The PDF file " + target.string() + " could not be written: " + ec.message();
      return false;
    }
    return output.commit(&error_);
  }
  try {
    QPDF pdf;
    pdf.processFile(parts.front().file.path().string().c_str());
    // The pages of the other parts are copied in after the first's; their documents must stay
    // open until the file is written.
    std::vector<std::unique_ptr<QPDF>> joined;
    QPDFPageDocumentHelper document(pdf);
    std::vector<Mark> marks;
    for (const Part& part : parts) {
      for (const Placed& p : part.marks) {
        const PageMark& m = p.mark;
        marks.push_back({m, p.page + static_cast<int>(part.first - parts.front().first), m.x,
                         p.pageHeight - m.top - m.height, m.x + m.width, p.pageHeight - m.top});
      }
      if (&part == &parts.front()) continue;
      auto other = std::make_unique<QPDF>();
      other->processFile(part.file.path().string().c_str());
      for (QPDFPageObjectHelper& page : QPDFPageDocumentHelper(*other).getAllPages())
        document.addPage(page, false);
      joined.push_back(std::move(other));
    }
    setInfo(pdf, info);
    addOutline(pdf, marks);
    addAnnotations(pdf, marks, firstPage);
    const std::string partName = part.string();  // the writer keeps the name until write()
    QPDFWriter w(pdf, partName.c_str());
    w.setObjectStreamMode(qpdf_o_generate);
    // The writer keeps the passwords' characters until write(): they live as long as it does.
    const std::string owner = security.level != PdfEncryption::Aes256 ? std::string()
                              : security.ownerPassword.empty()        ? randomPassword()
                                                                      : security.ownerPassword;
    if (security.level == PdfEncryption::Aes256) {
      const PdfPermissions& p = security.permissions;
      w.setR6EncryptionParameters(security.userPassword.c_str(), owner.c_str(), p.accessibility,
                                  p.copy, p.assemble, p.annotate, p.fillForms, p.modify,
                                  !p.print                ? qpdf_r3p_none
                                  : p.printHighResolution ? qpdf_r3p_full
                                                          : qpdf_r3p_low,
                                  true);
    }
    w.write();
  } catch (const std::exception& e) {
    error_ = "The PDF file " + target.string() + " could not be written: " + e.what();
    return false;
  }
  return output.commit(&error_);
}

}  // namespace koreq::reportframe
