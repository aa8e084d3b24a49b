// The report engine without drawing: structures, pagination, the bands a report prints, the
// paper table and the PDF file-name rules.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "reportframe/band_recorder.h"
#include "reportframe/page_marks.h"
#include "reportframe/paper.h"
#include "reportframe/pdf_names.h"
#include "reportframe/report.h"
#include "reportframe/report_def.h"
#include "reportframe/report_procedure.h"

namespace koreq::reportframe {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// Letter, half-inch margins: a body of 792 - 72 - 40 - 20 = 660 points, 55 lines of 12.
constexpr const char* kListing = R"({
  "name": "Listing",
  "paper": {"code": 1},
  "margins": {"left": 36, "top": 36, "right": 36, "bottom": 36},
  "bands": [
    {"kind": "pageHeader", "name": "header", "height": 40, "controls": [
      {"kind": "text", "name": "?Title", "text": "Listing", "x": 0, "y": 0, "width": 540, "height": 14},
      {"kind": "field", "name": "?Who", "use": "WHO", "x": 0, "y": 20, "width": 100, "height": 12}]},
    {"kind": "groupHeader", "name": "group", "height": 24, "controls": [
      {"kind": "field", "name": "?Group", "use": "GROUP", "x": 0, "y": 0, "width": 200, "height": 12}]},
    {"kind": "detail", "name": "detail", "height": 12, "controls": [
      {"kind": "field", "name": "?Amount", "use": "AMOUNT", "picture": "@n-12.2", "x": 0, "y": 0, "width": 60, "height": 12},
      {"kind": "field", "name": "?Note", "use": "NOTE", "x": 70, "y": 0, "width": 400, "height": 12, "hidden": true},
      {"kind": "check", "name": "?Done", "use": "DONE", "text": "Done", "x": 480, "y": 0, "width": 60, "height": 12}]},
    {"kind": "pageFooter", "name": "footer", "height": 20, "controls": [
      {"kind": "line", "x": 0, "y": 2, "width": 540, "height": 0},
      {"kind": "field", "name": "?Page", "use": "PAGENO", "x": 480, "y": 4, "width": 60, "height": 12}]}
  ]})";

struct ListingRun {
  ReportDef def = parseReportDef(kListing, "Listing.json");
  BandRecorder pages;
  Report report{def, pages};
  ListingRun() {
    report.setValue("WHO", std::string("ADM"));
    report.setValue("AMOUNT", Decimal::fromCents(-123456));
    report.setValue("NOTE", std::string("n"));
    report.setValue("DONE", std::int64_t{1});
    report.setValue("GROUP", std::string("A"));
  }
  void details(int n) {
    for (int i = 0; i < n; ++i) report.print("detail");
  }
};

TEST(Pagination, BreaksWhereTheBandNoLongerFits) {
  Paginator p(100, 700);  // 600 points of body
  for (int i = 0; i < 50; ++i) p.place(12);
  EXPECT_EQ(p.pages(), 1);  // exactly full: no empty page after it
  EXPECT_TRUE(p.place(12).newPage);
  EXPECT_EQ(p.pages(), 2);

  Paginator q(100, 700);
  EXPECT_EQ(q.place(12).y, 100);
  for (int i = 0; i < 48; ++i) q.place(12);  // 588 used, 12 left
  // A header that keeps room for its detail goes over rather than end the page alone.
  EXPECT_TRUE(q.place(12, 12).newPage);

  // Bands taller than the body each take a page, never an endless break.
  Paginator tall(100, 700);
  for (int i = 0; i < 3; ++i) EXPECT_TRUE(tall.place(900).newPage);
  EXPECT_EQ(tall.pages(), 3);
}

TEST(Report, PrintsPageBandsOnEveryPageAndCountsPages) {
  for (auto [details, pages] : {std::pair{0, 0}, {1, 1}, {55, 1}, {56, 2}, {500, 10}}) {
    ListingRun r;
    r.details(details);
    r.report.endReport();
    EXPECT_EQ(r.pages.pages(), pages) << details << " details";
    EXPECT_EQ(r.report.pages(), pages);
    EXPECT_TRUE(r.pages.balanced());
    EXPECT_EQ(r.pages.bands("header").size(), static_cast<std::size_t>(pages));
    EXPECT_EQ(r.pages.bands("footer").size(), static_cast<std::size_t>(pages));
  }
  ListingRun r;
  r.details(56);
  r.report.endReport();
  const auto footers = r.pages.bands("footer");
  // The footer of a page printed at the break still shows that page's number.
  EXPECT_EQ(footers[0].text("?Page"), "1");
  EXPECT_EQ(footers[1].text("?Page"), "2");
  EXPECT_EQ(r.pages.names()[56], "footer");
  EXPECT_EQ(r.pages.names()[57], "header");
  EXPECT_EQ(r.pages.pageSizes()[0], (PageSizePt{612, 792}));
}

TEST(Report, RecordsValuesHiddenControlsAndChangesByTheBody) {
  ListingRun r;
  r.report.control("?Amount").font.bold = true;
  r.report.print("group");
  r.report.print("detail");
  r.report.control("?Amount").font.bold = false;
  r.report.control("?Note").hidden = false;
  r.report.setValue("DONE", std::int64_t{0});
  r.report.print("detail");
  r.report.endReport();

  EXPECT_THAT(r.pages.names(), ElementsAre("header", "group", "detail", "detail", "footer"));
  const auto& header = r.pages.bands()[0];
  EXPECT_EQ(header.text("?Title"), "Listing");
  EXPECT_EQ(header.text("?Who"), "ADM");
  const auto& first = r.pages.bands()[2];
  EXPECT_EQ(first.text("?Amount"), "-1,234.56");
  EXPECT_TRUE(first.bold("?Amount"));
  EXPECT_FALSE(first.shows("?Note"));
  EXPECT_EQ(first.text("?Done"), "checked");
  const auto& second = r.pages.bands()[3];
  EXPECT_FALSE(second.bold("?Amount"));
  EXPECT_EQ(second.text("?Note"), "n");
  EXPECT_EQ(second.text("?Done"), "unchecked");
}

TEST(Report, RefusesWhatTheBodyCannotMean) {
  ListingRun r;
  EXPECT_THROW(r.report.print("footer"), std::logic_error);  // page bands print themselves
  EXPECT_THROW(r.report.print("nothing"), std::logic_error);
  EXPECT_THROW(r.report.control("?Nothing"), std::logic_error);
  BandRecorder elsewhere;
  Report lost(r.def, elsewhere);  // no values, no resolver
  try {
    lost.print("detail");
    FAIL() << "a value nobody gives printed";
  } catch (const std::logic_error& e) {
    EXPECT_THAT(e.what(), HasSubstr("WHO"));  // the page header's, printed first
  }
  r.report.print("detail");
  EXPECT_THROW(r.report.setLandscape(), std::logic_error);
  r.report.endReport();
  EXPECT_THROW(r.report.print("detail"), std::logic_error);
}

TEST(Report, LandscapeTurnsThePageAndRefitsTheControls) {
  ListingRun r;
  r.report.setLandscape();
  EXPECT_EQ(r.report.pageSize(), (PageSizePt{792, 612}));
  // Printable widths 540 and 720: every position and width stretched by 4/3.
  EXPECT_DOUBLE_EQ(r.report.control("?Done").x, 640);
  EXPECT_DOUBLE_EQ(r.report.control("?Done").width, 80);
  EXPECT_DOUBLE_EQ(r.report.control("?Done").font.size, 8);
  // A body of 612 - 72 - 60 = 480 points: 40 lines a page.
  r.details(41);
  r.report.endReport();
  EXPECT_EQ(r.pages.pages(), 2);
  EXPECT_EQ(r.pages.pageSizes()[0], (PageSizePt{792, 612}));
}

TEST(ReportDef, NamesTheFileAndTheControlOfEveryFault) {
  auto error = [](const std::string& json) {
    try {
      parseReportDef(json, "Bad.json");
    } catch (const ReportDefError& e) {
      return std::string(e.what());
    }
    return std::string("no error");
  };
  auto withDetail = [](const std::string& control) {
    return R"({"name": "Bad", "bands": [{"kind": "detail", "name": "detail", "height": 12,
              "controls": [)" +
           control + "]}]}";
  };
  EXPECT_THAT(error("{"), HasSubstr("Bad.json: not valid JSON"));
  EXPECT_THAT(error(R"({"name": "Bad", "bands": [], "colour": 1})"),
              HasSubstr("unknown attribute \"colour\""));
  EXPECT_THAT(error(withDetail(R"({"kind": "field", "name": "?A", "x": 0, "y": 0,
                                   "width": 10, "height": 10})")),
              HasSubstr("Bad.json (band detail, control ?A): \"use\" is required"));
  EXPECT_THAT(error(withDetail(R"({"kind": "text", "name": "?A", "text": "x", "x": 500, "y": 0,
                                   "width": 100, "height": 10})")),
              HasSubstr("control ?A): reaches past the printable width"));
  EXPECT_THAT(error(withDetail(R"({"kind": "field", "name": "?A", "use": "A", "picture": "@q",
                                   "x": 0, "y": 0, "width": 10, "height": 10})")),
              HasSubstr("unknown picture @q"));
  EXPECT_THAT(error(withDetail(R"({"kind": "text", "name": "?A", "x": 0, "y": 0, "width": 10,
                                   "height": 10}, {"kind": "text", "name": "?a", "x": 0,
                                   "y": 0, "width": 10, "height": 10})")),
              HasSubstr("the control name is used twice"));
  EXPECT_THAT(error(withDetail(R"({"kind": "image", "name": "?P", "x": 0, "y": 0, "width": 10,
                                   "height": 10})")),
              HasSubstr("control ?P): an image takes either \"file\" or \"use\""));
  EXPECT_THAT(error(withDetail(R"({"kind": "image", "name": "?P", "file": "a.png", "use": "P",
                                   "x": 0, "y": 0, "width": 10, "height": 10})")),
              HasSubstr("an image takes either"));
  EXPECT_THAT(error(withDetail(R"({"kind": "chart", "name": "?C", "chart": "pie", "use": "C",
                                   "x": 0, "y": 0, "width": 10, "height": 10})")),
              HasSubstr("unknown chart \"pie\""));
  EXPECT_THAT(error(withDetail(R"({"kind": "chart", "name": "?C", "x": 0, "y": 0, "width": 10,
                                   "height": 10})")),
              HasSubstr("control ?C): \"use\" is required"));
  EXPECT_THAT(error(withDetail(R"({"kind": "field", "name": "?F", "use": "F", "xTitle": "Year",
                                   "x": 0, "y": 0, "width": 10, "height": 10})")),
              HasSubstr("belong to charts"));
  EXPECT_THAT(error(withDetail(R"({"kind": "text", "name": "?T", "file": "a.png", "x": 0,
                                   "y": 0, "width": 10, "height": 10})")),
              HasSubstr("\"file\" belongs to images"));
  EXPECT_THAT(error(R"({"name": "Bad", "paper": {"code": 256, "width": 0, "height": 5,
                        "units": "mm"}, "bands": []})"),
              HasSubstr("gives no page size"));
  EXPECT_THAT(error(R"({"name": "Bad", "paper": {"code": 99}, "bands": []})"),
              HasSubstr("gives no page size"));
  // Every report of the program loads.
  for (const std::string& name : reportDefNames()) EXPECT_NO_THROW(reportDef(name)) << name;
}

// A logo, a photograph the body gives, and a chart of the values it sets.
constexpr const char* kPictures = R"({
  "name": "Pictures", "paper": {"code": 1},
  "bands": [
    {"kind": "detail", "name": "sheet", "height": 300, "controls": [
      {"kind": "image", "name": "?Logo", "file": "~eqpellham.png", "x": 0, "y": 0, "width": 60, "height": 30},
      {"kind": "image", "name": "?Photo", "use": "LOC:Photo", "x": 100, "y": 0, "width": 200, "height": 100},
      {"kind": "chart", "name": "?Graph", "use": "LOC:Graph", "chart": "line", "text": "Asset Book Value",
       "xTitle": "Number of Years", "yTitle": "Book Value", "x": 0, "y": 110, "width": 400, "height": 180},
      {"kind": "field", "name": "?Line", "use": "LOC:Line", "x": 0, "y": 290, "width": 100, "height": 10,
       "font": {"size": 10}}]}]})";

TEST(Report, ImagesAndChartsTakeWhatTheBodyGives) {
  const ReportDef def = parseReportDef(kPictures, "Pictures.json");
  EXPECT_EQ(def.bands[0].controls[2].chart, ChartKind::Line);
  BandRecorder pages;
  Report report(def, pages);
  report.setValue("LOC:Photo", std::string("/photos/dt-201.jpg  "));
  report.setValue("LOC:Line", std::string());
  // A chart nobody filled is the body's mistake, as a field nobody gave is.
  EXPECT_THROW(report.print("sheet"), std::logic_error);

  ChartData book{{"0", "1", "2"}, {{"Straight Line", {60000, 45000, 30000}}}, 30000.0, 60000.0};
  report.setChart("LOC:Graph", book);
  report.print("sheet");
  report.setImage("LOC:Photo", "\x89PNG stored bytes");
  book.series[0].values.back() = 31000;
  report.setChart("LOC:Graph", book);
  report.print("sheet");
  report.endReport();

  const auto sheets = pages.bands("sheet");
  ASSERT_EQ(sheets.size(), 2u);
  EXPECT_EQ(sheets[0].text("?Logo"), "~eqpellham.png");
  EXPECT_EQ(sheets[0].text("?Photo"), "/photos/dt-201.jpg");
  EXPECT_EQ(sheets[1].text("?Photo"), "(stored picture)");
  EXPECT_EQ(sheets[0].text("?Graph"), "Asset Book Value");
  // Each band keeps the data it was printed with.
  EXPECT_EQ(sheets[0].chart("?Graph").series[0].values.back(), 30000);
  EXPECT_EQ(sheets[1].chart("?Graph").series[0].values.back(), 31000);
  EXPECT_EQ(sheets[1].chart("?Graph").maximum, 60000.0);
  EXPECT_THROW(sheets[0].chart("?Logo"), std::out_of_range);
}

TEST(Report, WrapBreaksLongTextsToTheControlsWidth) {
  // The recorder's estimate: half the font's size a character, so ?Line (100 points, 10-point
  // font) holds 20 characters.
  const ReportDef def = parseReportDef(kPictures, "Pictures.json");
  BandRecorder pages;
  Report report(def, pages);
  EXPECT_THAT(report.wrap("?Line", "Serviced the hydraulics and replaced two hoses"),
              ElementsAre("Serviced the", "hydraulics and", "replaced two hoses"));
  // Line breaks are kept, blank lines too; a word longer than a line is cut where it must.
  EXPECT_THAT(report.wrap("?Line", "one\r\n\ntwo  three"), ElementsAre("one", "", "two three"));
  EXPECT_THAT(report.wrap("?Line", "ABCDEFGHIJKLMNOPQRSTUVWXYZ end"),
              ElementsAre("ABCDEFGHIJKLMNOPQRST", "UVWXYZ end"));
  EXPECT_THAT(report.wrap("?Line", ""), ElementsAre(""));
  // Never inside a character: 25 two-byte letters give 20 and 5.
  std::string umlauts;
  for (int i = 0; i < 25; ++i) umlauts += "\xc3\xa4";
  const auto lines = report.wrap("?Line", umlauts);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].size(), 40u);
  EXPECT_EQ(lines[1].size(), 10u);
  EXPECT_THROW(report.wrap("?Nothing", "x"), std::logic_error);
}

TEST(PageMarks, TheMarkersAReportCanPutInItsText) {
  auto mark = [](const std::string& text) { return parseMark(text, 10, 20, 100, 12); };
  const auto b = mark("[[bookmark:3:Week 2]]");
  ASSERT_TRUE(b);
  EXPECT_EQ(b->kind, MarkKind::Bookmark);
  EXPECT_EQ(b->level, 3);
  EXPECT_EQ(b->title, "Week 2");
  EXPECT_EQ(b->top, 20);

  const auto web = mark("[[link:https://example.com/eq?id=DT-201|Manufacturer's page]]");
  ASSERT_TRUE(web);
  EXPECT_EQ(web->kind, MarkKind::Link);
  EXPECT_EQ(web->target, "https://example.com/eq?id=DT-201");
  EXPECT_EQ(web->text, "Manufacturer's page");
  EXPECT_EQ(mark("[[link:mailto:shop@example.com]]")->text, "mailto:shop@example.com");
  EXPECT_EQ(parseLinkTarget("page:12")->page, 12);
  EXPECT_EQ(parseLinkTarget("#Batch 3")->bookmark, "Batch 3");

  const auto note = mark("[[note:Checked by|Meter read twice.\\nSee log.]]");
  ASSERT_TRUE(note);
  EXPECT_EQ(note->kind, MarkKind::Note);
  EXPECT_EQ(note->title, "Checked by");
  EXPECT_EQ(note->text, "Meter read twice.\nSee log.");
  EXPECT_EQ(mark("[[note:No title]]")->title, "");

  // Not markers: printed as they stand. A link must not start a program or open a local file.
  for (const char* text : {"[[link:javascript:alert(1)|x]]", "[[link:file:///etc/passwd|x]]",
                           "[[link:page:0|x]]", "[[link:page:two|x]]", "[[link:https://a b|x]]",
                           "[[link:#|x]]", "[[link:https://x|]]", "[[note:]]", "[[bookmark:]]",
                           "[[bookmarks:x]]", "see [[link:https://x]]", "[[link:https://x"})
    EXPECT_FALSE(mark(text)) << text;
}

TEST(Paper, TheTableAndTheUserDefinedSize) {
  const auto table = paperTable();
  ASSERT_EQ(table.size(), 42u);
  for (int code = 1; code <= 41; ++code) EXPECT_EQ(table[code - 1].code, code);
  EXPECT_EQ(table[41].code, 0);
  EXPECT_EQ(table[41].name, "User-Defined Paper Size");
  EXPECT_EQ(table[0].name, "Letter 8 1/2 x 11 in");
  EXPECT_EQ(table[19].name, "Envelope #10 4 1/8 x 9 1/2");

  auto size = [](int code) { return *paperSize({code}); };
  EXPECT_EQ(size(1), (PageSizePt{612, 792}));
  EXPECT_EQ(size(5), (PageSizePt{612, 1008}));
  EXPECT_NEAR(size(9).width, 595.276, 0.001);
  EXPECT_NEAR(size(9).height, 841.89, 0.001);
  EXPECT_EQ(size(20), (PageSizePt{297, 684}));
  EXPECT_EQ(size(39), (PageSizePt{1071, 792}));
  for (int code : {24, 25, 26}) EXPECT_EQ(size(code), (PageSizePt{720, 720}));
  EXPECT_FALSE(paperSize({0}));
  EXPECT_FALSE(paperSize({42}));

  const auto user = [](double w, double h, PaperUnits u) {
    return paperSize({kUserDefinedPaper, w, h, u});
  };
  EXPECT_EQ(*user(8500, 11000, PaperUnits::Thousandths), (PageSizePt{612, 792}));
  EXPECT_NEAR(user(210, 297, PaperUnits::Millimetres)->width, 595.276, 0.001);
  EXPECT_EQ(*user(300, 400, PaperUnits::Points), (PageSizePt{300, 400}));
  EXPECT_FALSE(user(300, 400, PaperUnits::Other));
}

TEST(PdfNames, InitNormalisesTheFileName) {
  const fs::path folder = "/data/co";
  const fs::path here = "/home/ann/work";
  EXPECT_EQ(normalisePdfFileName("", folder, here), fs::path());
  EXPECT_EQ(normalisePdfFileName("report", folder, here), "/data/co/report.pdf");
  EXPECT_EQ(normalisePdfFileName("report", "", here), "/home/ann/work/report.pdf");
  EXPECT_EQ(normalisePdfFileName("report.txt", folder, here), "/data/co/report.txt");
  EXPECT_EQ(normalisePdfFileName(".hidden", folder, here), "/data/co/.hidden.pdf");
  EXPECT_EQ(normalisePdfFileName("./out/report", folder, here), "/home/ann/work/out/report.pdf");
  EXPECT_EQ(normalisePdfFileName("../report.pdf", folder, here), "/home/ann/report.pdf");
  EXPECT_EQ(normalisePdfFileName("sub/report.pdf", folder, here), "/home/ann/work/sub/report.pdf");
  EXPECT_EQ(normalisePdfFileName("/tmp/x/../Fixed Asset.pdf", folder, here),
            "/tmp/Fixed Asset.pdf");
}

TEST(PdfNames, PagesPerFileNumberTheFiles) {
  const fs::path target = "/d/report.pdf";
  EXPECT_THAT(pdfOutputFiles(target, 7, 3),
              ElementsAre("/d/report_1.pdf", "/d/report_2.pdf", "/d/report_3.pdf"));
  const auto twelve = pdfOutputFiles(target, 120, 10);
  ASSERT_EQ(twelve.size(), 12u);
  EXPECT_EQ(twelve.front(), "/d/report_01.pdf");
  EXPECT_EQ(twelve.back(), "/d/report_12.pdf");
  EXPECT_EQ(pdfOutputFiles(target, 90, 10).back(), "/d/report_9.pdf");
  EXPECT_EQ(pdfOutputFiles(target, 100, 10).back(), "/d/report_10.pdf");
  EXPECT_EQ(pdfOutputFiles(target, 1001, 1).back(), "/d/report_1001.pdf");
  EXPECT_THAT(pdfOutputFiles(target, 5, 10), ElementsAre("/d/report_1.pdf"));
  EXPECT_THAT(pdfOutputFiles(target, 5, 0), ElementsAre(target));
  EXPECT_TRUE(pdfOutputFiles(target, 0, 3).empty());
}

TEST(Notices, NothingToPrintCountsTheRecords) {
  EXPECT_EQ(nothingToPrint(0).caption, "Nothing to Print...");
  EXPECT_EQ(nothingToPrint(0).text, "The primary file has no records!");
  EXPECT_EQ(nothingToPrint(1).text, "Your Limits have excluded the one record!");
  EXPECT_EQ(nothingToPrint(2).text, "Your Limits have excluded both records!");
  EXPECT_EQ(nothingToPrint(2748).text, "Your Limits have excluded all 2748 records!");
}

}  // namespace
}  // namespace koreq::reportframe
