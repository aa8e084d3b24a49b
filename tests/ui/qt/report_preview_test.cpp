// The report preview and printing page images: the pages through a PDF printer (every copy,
// collated, each page on its own paper), the preview's navigation and zoom by keyboard, and the
// choice it is left with.

#include <QComboBox>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>
#include <array>
#include <cstdio>

#include "qt_fixture.h"
#include "reportframe/page_images.h"
#include "ui/qt/report_preview.h"

namespace koreq::ui::qt::test {
namespace {

namespace fs = std::filesystem;

std::string run(const std::string& command) {
  std::string out;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  std::array<char, 4096> buf;
  for (std::size_t n; p && (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;)
    out.append(buf.data(), n);
  if (p) ::pclose(p);
  return out;
}

// Page images with "Page N" on each; the last is landscape.
std::vector<std::string> pageImages(const fs::path& folder, int count) {
  std::vector<std::string> files;
  reportframe::PagePainter painter;
  for (int n = 1; n <= count; ++n) {
    reportframe::PrintedBand band;
    band.height = 20;
    reportframe::PrintedControl text;
    text.x = 72;
    text.y = 72;
    text.width = 300;
    text.height = 14;
    text.text = "Page " + std::to_string(n);
    band.controls.push_back(text);
    const fs::path file = folder / ("page" + std::to_string(n) + ".wmf");
    painter.write(
        file, n == count ? reportframe::PageSizePt{792, 612} : reportframe::PageSizePt{612, 792},
        {band});
    files.push_back(file.string());
  }
  return files;
}

TEST(ReportPrinting, APdfPrinterGetsEveryCopyCollatedOnThePagesOwnPaper) {
  TempFolder dir;
  const std::vector<std::string> pages = pageImages(dir.path, 3);
  const fs::path pdf = dir.path / "printed.pdf";
  QPrinter printer(QPrinter::HighResolution);
  printer.setOutputFormat(QPrinter::PdfFormat);
  printer.setOutputFileName(QString::fromStdString(pdf.string()));
  EXPECT_EQ(printPageImages(printer, pages, 2, "PrintFixedAssets"), "");
  EXPECT_EQ(printer.docName(), "PrintFixedAssets");

  const std::string info = run("pdfinfo -f 1 -l 6 '" + pdf.string() + "'");
  EXPECT_NE(info.find("Pages:           6"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    1 size:  612 x 792"), std::string::npos) << info;
  EXPECT_NE(info.find("Page    3 size:  792 x 612"), std::string::npos) << info;
  std::string text = run("pdftotext '" + pdf.string() + "' -");
  std::vector<std::string> order;
  for (std::size_t at = text.find("Page "); at != std::string::npos;
       at = text.find("Page ", at + 1))
    order.push_back(text.substr(at, 6));
  EXPECT_EQ(order,
            (std::vector<std::string>{"Page 1", "Page 2", "Page 3", "Page 1", "Page 2", "Page 3"}));

  // A page that cannot be read stops the print and says which.
  const std::string missing = (dir.path / "gone.wmf").string();
  EXPECT_EQ(printPageImages(printer, {missing}, 1, "X"),
            "The page " + missing + " of the report could not be read.");
}

TEST(ReportPreviewWindow, PagesZoomAndTheChoiceItIsLeftWith) {
  TempFolder dir;
  QPrinter printer;
  ReportPreview preview(
      {"Fixed Asset Depreciation Schedule", pageImages(dir.path, 3), PreviewZoom::WholePage},
      printer);
  preview.show();
  EXPECT_EQ(preview.windowTitle(), "Print Preview - Fixed Asset Depreciation Schedule");
  EXPECT_EQ(preview.pageCount(), 3);
  EXPECT_EQ(preview.currentPage(), 1);
  EXPECT_EQ(preview.findChild<QComboBox*>("?PreviewZoom")->currentText(), "Whole Page");
  EXPECT_LT(preview.zoomFactor(), 1.0);

  QTest::keyClick(&preview, Qt::Key_PageDown);
  EXPECT_EQ(preview.currentPage(), 2);
  QTest::keyClick(&preview, Qt::Key_End);
  EXPECT_EQ(preview.currentPage(), 3);
  QTest::keyClick(&preview, Qt::Key_PageDown);  // stays on the last
  EXPECT_EQ(preview.currentPage(), 3);
  QTest::keyClick(&preview, Qt::Key_Home);
  EXPECT_EQ(preview.currentPage(), 1);

  preview.setZoom(PreviewZoom::Normal);
  EXPECT_DOUBLE_EQ(preview.zoomFactor(), 1.0);
  QTest::keyClick(&preview, Qt::Key_Plus, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(preview.zoomFactor(), 1.25);
  QTest::keyClick(&preview, Qt::Key_Minus, Qt::ControlModifier);
  QTest::keyClick(&preview, Qt::Key_Minus, Qt::ControlModifier);
  EXPECT_DOUBLE_EQ(preview.zoomFactor(), 0.75);

  EXPECT_EQ(preview.pdfButton()->text(), "Generate PDF File");
  EXPECT_EQ(preview.exportButton()->text(), "Export This Report");
  EXPECT_EQ(preview.emailButton()->text(), "Email Report (pdf)");
  preview.pdfButton()->click();
  EXPECT_EQ(preview.result(), QDialog::Accepted);
  EXPECT_TRUE(preview.choice().pdf);
  EXPECT_FALSE(preview.choice().print || preview.choice().email || preview.choice().exportReport);
}

}  // namespace
}  // namespace koreq::ui::qt::test
