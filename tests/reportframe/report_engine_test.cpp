// The report engine without drawing: structures, pagination, the bands a report prints, the
// paper table and the PDF file-name rules.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "reportframe/band_recorder.h"
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
  EXPECT_THAT(error(R"({"name": "Bad", "paper": {"code": 256, "width": 0, "height": 5,
                        "units": "mm"}, "bands": []})"),
              HasSubstr("gives no page size"));
  EXPECT_THAT(error(R"({"name": "Bad", "paper": {"code": 99}, "bands": []})"),
              HasSubstr("gives no page size"));
  // Every report of the program loads.
  for (const std::string& name : reportDefNames()) EXPECT_NO_THROW(reportDef(name)) << name;
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
