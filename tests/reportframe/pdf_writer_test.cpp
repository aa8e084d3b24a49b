// The page images and the PDF writer: files per pages-per-file, paper sizes, document
// information, AES-256 security, and the runs that must produce nothing. The PDFs are read back
// with qpdf and poppler's tools.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>

#include <sys/stat.h>

#include <nlohmann/json.hpp>

#include <QImage>

#include "reportframe/chart_painter.h"
#include "reportframe/gui_app.h"
#include "reportframe/page_images.h"
#include "reportframe/page_list.h"
#include "reportframe/page_marks.h"
#include "reportframe/pdf_writer.h"
#include "reportframe/report.h"
#include "support/temp_dir.h"

namespace koreq::reportframe {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::Not;

struct Shell {
  int rc = -1;
  std::string out;
};

// Runs a command of the PDF tools; its output and exit status.
Shell shell(const std::string& command) {
  Shell s;
  FILE* p = ::popen((command + " 2>&1").c_str(), "r");
  if (!p) return s;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) s.out.append(buf.data(), n);
  int status = ::pclose(p);
  s.rc = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return s;
}

std::string quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

// A page per detail: "Line N" on each.
constexpr const char* kPages = R"({
  "name": "Pages", "paper": {"code": 1},
  "bands": [
    {"kind": "detail", "name": "detail", "height": 700, "controls": [
      {"kind": "field", "name": "?Line", "use": "LINE", "x": 0, "y": 0, "width": 300, "height": 14,
       "font": {"name": "Arial Narrow", "size": 12, "bold": true}},
      {"kind": "field", "name": "?Mark", "use": "MARK", "x": 0, "y": 300, "width": 300, "height": 14,
       "marks": true},
      {"kind": "box", "x": 0, "y": 20, "width": 540, "height": 30, "fill": "#e6e6e6"}]}]})";

class PdfWriterTest : public ::testing::Test {
 protected:
  PdfWriterTest() { static ReportApplication app; }

  // Prints `count` pages into the page list.
  void print(int count, bool landscape = false) {
    const ReportDef def = parseReportDef(kPages, "Pages.json");
    PageImageWriter images(pages_);
    Report report(def, images);
    if (landscape) report.setLandscape();
    for (int i = 1; i <= count; ++i) {
      report.setValue("LINE", "Line " + std::to_string(i));
      report.setValue("MARK", marks_.empty() ? std::string() : marks_[(i - 1) % marks_.size()]);
      report.print("detail");
    }
    report.endReport();
  }

  PdfReportWriter writer(const std::string& name, int pagesPerFile = 0) {
    PdfReportWriter w;
    w.init(dir_.path, pagesPerFile, name);
    return w;
  }

  static int pageCount(const fs::path& pdf) {
    return std::stoi(shell("qpdf --show-npages " + quoted(pdf)).out);
  }
  static std::string text(const fs::path& pdf, const std::string& password = {}) {
    return shell("pdftotext " + (password.empty() ? "" : "-upw " + password + " ") + quoted(pdf) +
                 " -")
        .out;
  }

  test::TempDir dir_;
  PageList pages_;
  std::vector<std::string> marks_;  // the bookmark mark of page N, N+size, …
};

TEST_F(PdfWriterTest, PagesGoToTheirFilesAndTheTextReadsBack) {
  print(7);
  ASSERT_EQ(pages_.size(), 7);
  PdfReportWriter w = writer("report", 3);
  EXPECT_EQ(w.fileName(), dir_.path / "report.pdf");
  int calls = 0;
  w.setProgress([&](int page, int count) {
    EXPECT_EQ(page, ++calls);
    EXPECT_EQ(count, 7);
    return true;
  });
  ASSERT_EQ(w.generate(pages_.files(), 3, true), 1) << w.error();
  EXPECT_EQ(calls, 7);
  ASSERT_EQ(w.producedFiles().size(), 3u);
  EXPECT_EQ(w.producedFiles()[0], dir_.path / "report_1.pdf");
  EXPECT_EQ(w.producedFiles()[2], dir_.path / "report_3.pdf");
  EXPECT_EQ(pageCount(w.producedFiles()[0]), 3);
  EXPECT_EQ(pageCount(w.producedFiles()[2]), 1);
  EXPECT_THAT(text(w.producedFiles()[1]), HasSubstr("Line 4"));
  EXPECT_THAT(text(w.producedFiles()[2]), HasSubstr("Line 7"));
  const std::string fonts = shell("pdffonts " + quoted(w.producedFiles()[0])).out;
  EXPECT_THAT(fonts, HasSubstr("LiberationSansNarrow-Bold"));
  EXPECT_FALSE(fs::exists(dir_.path / "report.pdf"));
}

TEST_F(PdfWriterTest, PaperSizeAndDocumentInformation) {
  print(2, true);
  PdfReportWriter w = writer("legal.pdf");
  w.setPaper({5}, Orientation::Landscape);
  w.info.title = "Fixed Asset Depreciation Schedule";
  w.info.author = "Ann Bookkeeper";
  ASSERT_EQ(w.generate(pages_.files(), 0, false), 1) << w.error();
  const std::string info = shell("pdfinfo " + quoted(w.fileName())).out;
  EXPECT_THAT(info, HasSubstr("1008 x 612 pts"));
  EXPECT_THAT(info, ContainsRegex("Title: +Fixed Asset Depreciation Schedule\n"));
  EXPECT_THAT(info, ContainsRegex("Author: +Ann Bookkeeper\n"));

  // Without a paper, each page keeps the size it was printed at (Letter, turned).
  PdfReportWriter own = writer("own.pdf");
  ASSERT_EQ(own.generate(pages_.files(), 0, false), 1) << own.error();
  EXPECT_THAT(shell("pdfinfo " + quoted(own.fileName())).out, HasSubstr("792 x 612 pts"));
}

TEST_F(PdfWriterTest, EncryptedOutputOpensWithItsPasswordOnly) {
  print(1);
  PdfReportWriter w = writer("secret");
  w.security.level = PdfEncryption::Aes256;
  w.security.userPassword = "s3cret";
  w.security.permissions.copy = false;
  ASSERT_EQ(w.generate(pages_.files(), 0, false), 1) << w.error();
  const fs::path f = w.fileName();

  const Shell shown = shell("qpdf --show-encryption --password=s3cret " + quoted(f));
  EXPECT_EQ(shown.rc, 0) << shown.out;
  EXPECT_THAT(shown.out, HasSubstr("R = 6"));
  EXPECT_THAT(shown.out, HasSubstr("extract for any purpose: not allowed"));
  EXPECT_THAT(shown.out, HasSubstr("AESv3"));
  EXPECT_THAT(text(f, "s3cret"), HasSubstr("Line 1"));

  const Shell without = shell("pdftotext " + quoted(f) + " -");
  EXPECT_NE(without.rc, 0);
  EXPECT_THAT(without.out, Not(HasSubstr("Line 1")));
  EXPECT_THAT(shell("qpdf --show-encryption " + quoted(f)).out,
              HasSubstr("Incorrect password supplied"));
  // The owner password was not left empty: an empty one would open the file with every right.
  EXPECT_THAT(shell("qpdf --show-encryption --password= " + quoted(f)).out,
              HasSubstr("Incorrect password supplied"));
}

// A shared company folder's users read each other's PDFs: plain copies of the draft and
// rewritten documents alike get the permissions the umask gives.
TEST_F(PdfWriterTest, EveryPdfFollowsTheUmask) {
  print(2);
  const mode_t saved = ::umask(002);
  PdfReportWriter plain = writer("plain");
  const int plainRc = plain.generate(pages_.files(), 0, false);
  PdfReportWriter split = writer("split", 1);
  const int splitRc = split.generate(pages_.files(), 1, false);
  PdfReportWriter secret = writer("secret");
  secret.security.level = PdfEncryption::Aes256;
  secret.security.userPassword = "pw";
  const int secretRc = secret.generate(pages_.files(), 0, false);
  ::umask(saved);
  ASSERT_EQ(plainRc, 1) << plain.error();
  ASSERT_EQ(splitRc, 1) << split.error();
  ASSERT_EQ(secretRc, 1) << secret.error();
  std::vector<fs::path> files = {plain.fileName(), secret.fileName()};
  files.insert(files.end(), split.producedFiles().begin(), split.producedFiles().end());
  for (const fs::path& f : files)
    EXPECT_EQ(fs::status(f).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                  fs::perms::group_write | fs::perms::others_read)
        << f;
}

TEST_F(PdfWriterTest, RunsThatProduceNothing) {
  print(3);
  // A signature cannot be made here: refused, said, and nothing written.
  PdfReportWriter signing = writer("signed");
  signing.signature.mode = 2;
  signing.signature.certificate = "/home/ann/cert.p12";
  EXPECT_EQ(signing.generate(pages_.files(), 0, false), 0);
  EXPECT_THAT(signing.error(), HasSubstr("cannot be signed"));

  // Cancelled on the first page: no file, no message.
  PdfReportWriter cancelled = writer("cancelled", 1);
  cancelled.setProgress([](int, int) { return false; });
  EXPECT_EQ(cancelled.generate(pages_.files(), 1, true), 0);
  EXPECT_TRUE(cancelled.cancelled());
  EXPECT_TRUE(cancelled.producedFiles().empty());
  EXPECT_EQ(cancelled.error(), "");

  PdfReportWriter empty = writer("");
  EXPECT_EQ(empty.generate(pages_.files(), 0, false), 0);
  EXPECT_EQ(empty.error(), "");
  PdfReportWriter none = writer("none");
  EXPECT_EQ(none.generate({}, 0, false), 0);

  // A folder that is not there: said, and nothing half-written left behind.
  PdfReportWriter lost = writer((dir_.path / "missing" / "x.pdf").string());
  EXPECT_EQ(lost.generate(pages_.files(), 0, false), 0);
  EXPECT_THAT(lost.error(), HasSubstr("could not be written"));

  std::vector<fs::path> left;
  for (const auto& e : fs::directory_iterator(dir_.path)) left.push_back(e.path());
  EXPECT_TRUE(left.empty()) << left.front();

  // A page file that is not a page image still gives its page, blank.
  const fs::path bogus = dir_.path / "bogus.pic";
  std::ofstream(bogus) << "not a picture";
  PdfReportWriter blank = writer("blank");
  ASSERT_EQ(blank.generate({pages_.files()[0], bogus}, 0, false), 1) << blank.error();
  EXPECT_EQ(pageCount(blank.fileName()), 2);
}

TEST_F(PdfWriterTest, BookmarksMarkedInTheTextBecomeTheOutline) {
  marks_ = {"[[bookmark:Batch 1 - Fuel]]", "[[bookmark:2:DT-201]]", "[[bookmark:3:Week 2]]",
            "[[bookmark:Batch 2 - Repairs]]", "not a [[bookmark:mark]]"};
  // Forty pages: long enough to be drawn in parts side by side on a machine of several
  // processors, the parts joined in order with their bookmarks.
  print(40);
  PdfReportWriter w = writer("marked");
  std::vector<int> told;
  w.setProgress([&](int page, int) {
    told.push_back(page);
    return true;
  });
  ASSERT_EQ(w.generate(pages_.files(), 0, true), 1) << w.error();
  ASSERT_EQ(told.size(), 40u);  // every page, in order, however the parts finished
  for (int i = 0; i < 40; ++i) EXPECT_EQ(told[static_cast<std::size_t>(i)], i + 1);
  EXPECT_EQ(pageCount(w.fileName()), 40);
  EXPECT_THAT(shell("pdftotext -f 40 -l 40 " + quoted(w.fileName()) + " -").out,
              HasSubstr("Line 40"));
  const auto json =
      nlohmann::json::parse(shell("qpdf --json --json-key=outlines " + quoted(w.fileName())).out);
  const auto& outline = json["outlines"];
  ASSERT_EQ(outline.size(), 16u);  // two top-level marks in every five pages
  EXPECT_EQ(outline[15]["title"], "Batch 2 - Repairs");
  EXPECT_EQ(outline[15]["destpageposfrom1"], 39);
  EXPECT_EQ(outline[14]["kids"].at(0)["kids"].at(0)["destpageposfrom1"], 38);
  EXPECT_EQ(outline[0]["title"], "Batch 1 - Fuel");
  EXPECT_EQ(outline[0]["destpageposfrom1"], 1);
  EXPECT_EQ(outline[0]["dest"][3], 792 - 36 - 300);  // opens at the mark's height
  const auto& truck = outline[0]["kids"].at(0);
  EXPECT_EQ(truck["title"], "DT-201");
  EXPECT_EQ(truck["destpageposfrom1"], 2);
  EXPECT_EQ(truck["kids"].at(0)["title"], "Week 2");
  EXPECT_EQ(truck["kids"].at(0)["destpageposfrom1"], 3);
  EXPECT_EQ(outline[1]["title"], "Batch 2 - Repairs");
  EXPECT_EQ(outline[1]["destpageposfrom1"], 4);
  EXPECT_TRUE(outline[1]["kids"].empty());
  const std::string text = this->text(w.fileName());
  EXPECT_THAT(text, Not(HasSubstr("Fuel")));  // marks are not printed
  EXPECT_THAT(text, Not(HasSubstr("DT-201")));
  EXPECT_THAT(text, HasSubstr("not a [[bookmark:mark]]"));  // not a mark: printed
}

// Two pages of a sheet with a photograph, a check box and a bar chart.
constexpr const char* kSheet = R"({
  "name": "Sheet", "paper": {"code": 1},
  "bands": [
    {"kind": "detail", "name": "sheet", "height": 700, "controls": [
      {"kind": "image", "name": "?Photo", "use": "LOC:Photo", "x": 0, "y": 0, "width": 200, "height": 200},
      {"kind": "check", "name": "?Active", "use": "LOC:Active", "text": "Active", "x": 220, "y": 0, "width": 80, "height": 12},
      {"kind": "chart", "name": "?Graph", "use": "LOC:Graph", "text": "Annual Depreciation Amounts",
       "xTitle": "Year", "yTitle": "Depreciation Amount", "x": 0, "y": 220, "width": 540, "height": 300},
      {"kind": "field", "name": "?Mark", "use": "LOC:Mark", "x": 0, "y": 600, "width": 300, "height": 14}]}]})";

TEST_F(PdfWriterTest, ImagesAndChartsArePaintedIntoThePdf) {
  // A wide photograph of 2,400 by 1,200 pixels, shrunk into its box of 200 points at 300 dots
  // an inch, keeping its proportions: 833 by 417.
  QImage photo(2400, 1200, QImage::Format_RGB32);
  photo.fill(QColor(40, 120, 200));
  const fs::path file = dir_.path / "dt-201.png";
  ASSERT_TRUE(photo.save(QString::fromStdString(file.string())));
  {
    const ReportDef def = parseReportDef(kSheet, "Sheet.json");
    PageImageWriter images(pages_);
    Report report(def, images);
    report.setValue("LOC:Photo", file.string());
    report.setValue("LOC:Active", std::int64_t{1});
    report.setValue("LOC:Mark", std::string());
    report.setChart("LOC:Graph", {{"2021", "2022", "2023"},
                                  {{"Straight Line", {12000, 12000, 12000}},
                                   {"Sum of Years' Digits", {18000, 12000, 6000}}}});
    report.print("sheet");
    report.setValue("LOC:Photo", (dir_.path / "gone.png").string());  // shows as missing
    report.print("sheet");
    report.endReport();
  }
  PdfReportWriter w = writer("sheet");
  ASSERT_EQ(w.generate(pages_.files(), 0, false), 1) << w.error();
  const std::string list = shell("pdfimages -list " + quoted(w.fileName())).out;
  EXPECT_THAT(list, ContainsRegex("\n +1 +0 image +833 +417 "));
  EXPECT_THAT(list, Not(ContainsRegex("\n +2 +[0-9]+ image")));  // no built-in picture here
  const std::string text = this->text(w.fileName());
  for (const char* shown : {"Annual Depreciation Amounts", "Year", "Depreciation Amount", "2022",
                            "Straight Line", "Sum of Years' Digits", "20,000", "Active"})
    EXPECT_THAT(text, HasSubstr(shown));
  EXPECT_THAT(text, Not(HasSubstr("25,000")));  // the axis ends at the step above 18,000

  EXPECT_THAT(axisSteps(0, 18000, 5, false), ElementsAre(0, 5000, 10000, 15000, 20000));
  // Bounds given: they are the ends, round steps between (book value 60,000 down to 7,500),
  // none so near an end that the labels would run together.
  EXPECT_THAT(axisSteps(7500, 60000, 5, true),
              ElementsAre(7500, 20000, 30000, 40000, 50000, 60000));
  EXPECT_THAT(axisSteps(5, 5, 5, true).front(), 5);  // one value: an axis all the same
  EXPECT_THAT(axisSteps(-1e308, 1e308, 5, false), ElementsAre(-1e308, 1e308));
  EXPECT_EQ(axisLabel(1234567, 1000), "1,234,567");
  EXPECT_EQ(axisLabel(-2.5, 2.5), "-2.5");
  EXPECT_EQ(axisLabel(-1e-12, 0.25), "0.00");
}

TEST_F(PdfWriterTest, LinksNotesAndTheWatermark) {
  marks_ = {"[[link:https://example.com/eq?id=DT-201|Manufacturer]]",
            "[[link:page:1|Back to page 1]]",
            "[[link:page:5|Off the file]]",
            "[[bookmark:Batch 2]]",
            "[[note:Checked by|Meter read twice.\\nSee log.]]",
            "[[link:#Batch 2|To Batch 2]]"};
  print(6);
  PdfReportWriter w = writer("linked", 3);
  w.watermark.text = "DRAFT";
  ASSERT_EQ(w.generate(pages_.files(), 3, false), 1) << w.error();
  ASSERT_EQ(w.producedFiles().size(), 2u);

  // Every page carries the watermark, turned: its letters come out one a line.
  const fs::path first = w.producedFiles()[0];
  for (int page = 1; page <= 3; ++page) {
    std::string raw = shell("pdftotext -raw -f " + std::to_string(page) + " -l " +
                            std::to_string(page) + " " + quoted(first) + " -")
                          .out;
    std::erase_if(raw, [](char c) { return c == '\n'; });
    EXPECT_THAT(raw, HasSubstr("DRAFT")) << page;
  }
  // Link texts print, notes do not.
  const std::string text = this->text(first);
  EXPECT_THAT(text, HasSubstr("Manufacturer"));
  EXPECT_THAT(text, HasSubstr("Back to page 1"));
  EXPECT_THAT(text, Not(HasSubstr("Meter read")));
  EXPECT_THAT(text, Not(HasSubstr("[[")));

  // The annotations, read back: page 1 links out, page 2 to page 1; page 3 to page 5, which is
  // in the other file: no link there. The second file's last page links to its bookmark, and
  // its second page has the note.
  const auto annots = [&](const fs::path& f) {
    return nlohmann::json::parse(shell("qpdf --json --json-key=qpdf " + quoted(f)).out);
  };
  const auto one = annots(first)["qpdf"][1];
  const auto two = annots(w.producedFiles()[1])["qpdf"][1];
  auto find = [](const nlohmann::json& objects, const std::string& subtype) {
    std::vector<nlohmann::json> out;
    for (const auto& [key, o] : objects.items()) {
      const auto& v = o.contains("value") ? o["value"] : nlohmann::json();
      if (v.is_object() && v.value("/Subtype", "") == subtype) out.push_back(v);
    }
    return out;
  };
  const auto links = find(one, "/Link");
  ASSERT_EQ(links.size(), 2u);
  std::string uri;
  int pageLinks = 0;
  for (const auto& l : links) {
    if (l.contains("/A")) uri = l["/A"]["/URI"];
    if (l.contains("/Dest")) ++pageLinks;
    EXPECT_EQ(l["/Rect"].size(), 4u);
  }
  EXPECT_EQ(uri, "u:https://example.com/eq?id=DT-201");
  EXPECT_EQ(pageLinks, 1);
  const auto secondLinks = find(two, "/Link");
  ASSERT_EQ(secondLinks.size(), 1u);
  EXPECT_EQ(secondLinks[0]["/Dest"][1], "/XYZ");
  EXPECT_EQ(secondLinks[0]["/Dest"][3], 792 - 36 - 300);  // opens at the bookmark
  const auto notes = find(two, "/Text");
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0]["/Contents"], "u:Meter read twice.\nSee log.");
  EXPECT_EQ(notes[0]["/T"], "u:Checked by");

  // A signature that cannot be made is refused, whatever else is asked.
  PdfReportWriter signing = writer("signed");
  signing.watermark.text = "DRAFT";
  signing.signature.mode = 1;
  EXPECT_EQ(signing.generate(pages_.files(), 0, false), 0);
  EXPECT_THAT(signing.error(), HasSubstr("cannot be signed"));
  EXPECT_FALSE(fs::exists(signing.fileName()));
}

TEST_F(PdfWriterTest, ThePageListDeletesItsPages) {
  fs::path folder;
  {
    PageList list;
    folder = list.folder();
    PageImageWriter images(list);
    Report report(parseReportDef(kPages, "Pages.json"), images);
    report.setValue("LINE", std::string("x"));
    report.setValue("MARK", std::string("[[bookmark:x]]"));
    report.print("detail");
    report.print("detail");
    report.endReport();
    ASSERT_EQ(list.size(), 2);
    EXPECT_TRUE(fs::exists(list.files()[1]));
    EXPECT_TRUE(fs::exists(marksFile(list.files()[1])));
    list.clear();
    EXPECT_TRUE(fs::is_empty(folder));
  }
  EXPECT_FALSE(fs::exists(folder));

  // A page that cannot be written ends the run with the reason, on every kind of writer.
  for (int threads : {1, 2}) {
    PageList list;
    PageImageWriter images(list, threads);
    Report report(parseReportDef(kPages, "Pages.json"), images);
    report.setValue("LINE", std::string("x"));
    report.setValue("MARK", std::string());
    fs::remove_all(list.folder());
    try {
      report.print("detail");
      report.print("detail");
      report.endReport();
      ADD_FAILURE() << "pages written to a folder that is gone";
    } catch (const std::runtime_error& e) {
      EXPECT_THAT(e.what(), HasSubstr("could not be written")) << threads;
    }
  }
}

}  // namespace
}  // namespace koreq::reportframe
