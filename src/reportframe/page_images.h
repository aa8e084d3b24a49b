#pragma once

// The page images of a real run: the bands of each page are painted into a QPicture and written
// to the page's file in the page list as soon as the page ends, on as many threads as there are
// processors, so the report goes on printing meanwhile; a few pages wait at most, so memory
// stays flat whatever the page count. Bookmark marks (page_marks.h) are kept beside the page
// instead of being drawn. Qt GUI's painter only: no widgets.

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPicture>
#include <condition_variable>
#include <deque>
#include <exception>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <vector>

#include "reportframe/page_list.h"
#include "reportframe/page_marks.h"
#include "reportframe/report.h"

namespace koreq::reportframe {

// The Qt font of a report font. "Arial Narrow" and the other Windows names the reports use are
// the metric-compatible Liberation faces.
QFont reportFont(const FontSpec& wanted);

// A built-in picture by the name the reports give it ("~nophoto.gif", "~Checkon.ico"): the
// compiled-in icon of that base name, when the program carries them.
QImage builtInPicture(const std::string& name);

// Paints the bands of a page into a page image file. Its fonts are its own: one per thread.
class PagePainter {
 public:
  // Throws std::runtime_error when the file cannot be written.
  void write(const std::filesystem::path& file, const PageSizePt& size,
             const std::vector<PrintedBand>& bands);

 private:
  void paint(const PrintedControl& c);
  void paintImage(const PrintedControl& c, const QRectF& box);
  const QImage* source(const PrintedControl& c, std::string& key);
  const QFont& font(const FontSpec& wanted);
  void usePen(const QPen& pen);
  void useFont(const FontSpec& wanted);

  QPainter* painter_ = nullptr;  // while a page is painted
  double scale_ = 1;             // picture units per point
  std::map<std::tuple<std::string, double, bool, bool>, QFont> fonts_;
  std::optional<QPen> pen_;                // the painter's
  const QFont* font_ = nullptr;            // one of fonts_, the painter's
  std::vector<PageMark> marks_;            // of the page in hand
  std::map<std::string, QImage> sources_;  // by file name, or "#" and the bytes' address
  std::map<std::tuple<std::string, int, int>, QImage> scaled_;
  std::vector<ImageBytes> held_;  // keeps the addresses in sources_ from being reused
};

class PageImageWriter final : public PageSink {
 public:
  // `threads` paint pages side by side; 0: one per processor (up to four); 1: each page is
  // painted on this thread when it ends.
  explicit PageImageWriter(PageList& pages, int threads = 0);
  // Pages not yet written are dropped (a run that ends early deletes them anyway).
  ~PageImageWriter() override;
  PageImageWriter(const PageImageWriter&) = delete;
  PageImageWriter& operator=(const PageImageWriter&) = delete;

  void beginPage(int number, const PageSizePt& size) override;
  void printBand(const PrintedBand& band) override;
  // The page joins the page list and goes to be painted. Throws std::runtime_error when an
  // earlier page could not be written.
  void endPage() override;
  // Waits until every page is written; throws std::runtime_error when one could not be.
  void finish() override;
  // Measured as the page images draw it.
  double textWidth(const FontSpec& font, std::string_view text) const override;

 private:
  struct Page {
    std::filesystem::path file;
    PageSizePt size;
    std::vector<PrintedBand> bands;
  };
  void paintPages();

  PageList& pages_;
  Page page_;  // the page the report prints on
  bool open_ = false;
  PagePainter inline_;  // without threads
  QPicture measure_;    // the page images' resolution, for textWidth
  mutable std::map<std::tuple<std::string, double, bool, bool>, QFont> measureFonts_;

  std::vector<std::thread> threads_;
  std::mutex mutex_;
  std::condition_variable work_;  // a page waits, or the writer stops
  std::condition_variable room_;  // a page was taken or finished
  std::deque<Page> queue_;
  std::size_t capacity_ = 0;
  int busy_ = 0;
  bool stop_ = false;
  std::exception_ptr error_;
};

}  // namespace koreq::reportframe
