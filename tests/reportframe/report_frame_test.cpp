// The report frame without widgets: the display strings, records per timer event and the
// percentage, the cancel questions, the four ends of the processing with their notices, and the
// preview's choices (printing, the PDF and its dialog). The user is a ScriptedPort.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <fstream>

#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"
#include "reportframe/gui_app.h"
#include "reportframe/report_frame.h"
#include "support/temp_dir.h"
#include "ui/model/user_port.h"

namespace koreq::reportframe {
namespace {

namespace fs = std::filesystem;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A page a record; the footer carries the ten limit lines.
constexpr const char* kStructure = R"({
  "name": "FrameTest", "paper": {"code": 1},
  "margins": {"left": 36, "top": 36, "right": 36, "bottom": 36},
  "bands": [
    {"kind": "pageHeader", "name": "header", "height": 20, "controls": [
      {"kind": "field", "name": "?RunDate", "use": "RUNDATE", "picture": "@d2", "x": 0, "y": 0, "width": 100, "height": 12}]},
    {"kind": "detail", "name": "detail", "height": 500, "controls": [
      {"kind": "field", "name": "?Line", "use": "LINE", "x": 0, "y": 0, "width": 300, "height": 14}]},
    {"kind": "pageFooter", "name": "footer", "height": 130, "controls": [
      {"kind": "field", "use": "LIMIT1", "x": 0, "y": 0, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT2", "x": 0, "y": 12, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT3", "x": 0, "y": 24, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT4", "x": 0, "y": 36, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT5", "x": 0, "y": 48, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT6", "x": 0, "y": 60, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT7", "x": 0, "y": 72, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT8", "x": 0, "y": 84, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT9", "x": 0, "y": 96, "width": 500, "height": 12},
      {"kind": "field", "use": "LIMIT10", "x": 0, "y": 108, "width": 500, "height": 12}]}
  ]})";

// `records` details, "Line 1" …; limit lines and export lines as told.
class LinesBody final : public ReportBody {
 public:
  LinesBody(frame::Context& ctx, int records, std::vector<std::string> limits = {})
      : ctx_(ctx), records_(records), limits_(std::move(limits)) {}
  void begin(Report&) override {
    ctx_.g.RPTLIMITQ = limits_;
    ctx_.g.RXQUEUE.push_back("Line\tNumber");
  }
  bool next(Report& report) override {
    if (done_ == records_) return false;
    ++done_;
    report.setValue("LINE", "Line " + std::to_string(done_));
    report.print("detail");
    ctx_.g.RXQUEUE.push_back("Line\t" + std::to_string(done_));
    return true;
  }
  std::int64_t total() const override { return records_; }

 private:
  frame::Context& ctx_;
  int records_;
  std::vector<std::string> limits_;
  int done_ = 0;
};

std::string pdfText(const fs::path& pdf) {
  std::string out;
  FILE* p = ::popen(("pdftotext -layout '" + pdf.string() + "' - 2>&1").c_str(), "r");
  std::array<char, 4096> buf;
  for (std::size_t n; p && (n = std::fread(buf.data(), 1, buf.size(), p)) > 0;)
    out.append(buf.data(), n);
  if (p) ::pclose(p);
  return out;
}

class ReportFrameTest : public ::testing::Test {
 protected:
  ReportFrameTest()
      : session_(data::Company::create(dir_ / "company"), clock_, "ADM"), ctx_(session_) {
    session_.g.INIPATH = (dir_ / "settings").string();
    session_.g.COMPANYNAME = "Test Co.";
  }

  ReportProcedure procedure() const {
    ReportProcedure p{"PrintFrameTest", "", "Frame Test", "Frame Test.pdf", &data::GlDepr::def()};
    p.def = std::make_shared<ReportDef>(parseReportDef(kStructure, "FrameTest.json"));
    return p;
  }
  std::unique_ptr<ReportFrame> frame(int records, std::optional<bool> preview = true,
                                     std::vector<std::string> limits = {}) {
    return std::make_unique<ReportFrame>(
        ctx_, procedure(), std::make_unique<LinesBody>(ctx_, records, std::move(limits)), preview);
  }
  fs::path presetPdf() const { return dir_ / "company" / "Frame Test.pdf"; }

  ReportApplication app_;
  test::TempDir dir_;
  FixedClock clock_{*Date::fromYmd(2024, 3, 5), Time::fromHms(9, 15)};
  frame::Session session_;
  frame::Context ctx_;
  ui::ScriptedPort user_;
};

TEST_F(ReportFrameTest, DisplayStringsComeFromTheIniFileOrTheirDefaults) {
  const DisplayStrings defaults = loadDisplayStrings(dir_ / "none" / kDisplayStringsFile);
  EXPECT_EQ(defaults.ProgWinTitlePrvw, "Generating Report");
  EXPECT_EQ(defaults.CancelPrvwPartialText,
            "Report Cancellation Requested!||Preview Report generated so far?");
  EXPECT_EQ(defaults.ButtonYesNoIgnore, "&Yes|&No|&Ignore");

  fs::create_directories(dir_ / "settings");
  std::ofstream(dir_ / "settings" / kDisplayStringsFile)
      << "[DISPLAY STRINGS 2.0]\nProgWinTitlePrnt=Off to the printer\nProgWinUsrText=\n"
      << "CancelAreYouSureText=" << std::string(70, 'x') << "\n"
      << "CancelPrvwPartialText=" << std::string(130, 'y') << "\n[Other]\nButtonOk=No\n";
  // Every run reads them afresh.
  auto f = frame(1, false);
  EXPECT_EQ(f->title(), "Off to the printer");
  EXPECT_EQ(f->strings().ProgWinUsrText, "");
  EXPECT_EQ(f->strings().CancelAreYouSureText, std::string(64, 'x'));
  EXPECT_EQ(f->strings().CancelPrvwPartialText, std::string(128, 'y'));
  EXPECT_EQ(f->strings().ButtonOk, "&Ok");
  EXPECT_EQ(frame(1, true)->title(), "Generating Report");
}

TEST_F(ReportFrameTest, CancelAsksAndThePartialPreviewShowsThePagesMadeSoFar) {
  auto f = frame(60);
  EXPECT_TRUE(f->step());  // the report opens and reads 25 records
  EXPECT_EQ(f->recordsRead(), 25);
  EXPECT_EQ(f->percent(), 41);

  user_.queueAnswer("&No");  // not sure after all
  f->cancel(user_);
  EXPECT_TRUE(f->processing());
  EXPECT_EQ(f->recordsPerEvent(), 25);

  user_.queueAnswer("&Yes");
  user_.queueAnswer("&Ignore");  // goes on, a record an event
  f->cancel(user_);
  EXPECT_TRUE(f->processing());
  EXPECT_EQ(f->recordsPerEvent(), 1);
  EXPECT_TRUE(f->step());
  EXPECT_EQ(f->recordsRead(), 26);

  user_.queueAnswer("&Yes");
  user_.queueAnswer("&Yes");  // show what there is
  f->cancel(user_);
  EXPECT_FALSE(f->processing());
  const auto& asked = user_.shown();
  ASSERT_EQ(asked.size(), 5u);
  EXPECT_EQ(asked[0].caption, "Question");
  EXPECT_EQ(asked[0].text, "Are you sure you want to CANCEL this Report?");
  EXPECT_EQ(asked[0].icon, ui::Icon::Exclamation);
  EXPECT_EQ(asked[0].buttons, "&Yes|&No");
  EXPECT_EQ(asked[2].text, "Report Cancellation Requested!||Preview Report generated so far?");
  EXPECT_EQ(asked[2].buttons, "&Yes|&No|&Ignore");

  const RunOutcome out = f->finish(user_);
  ASSERT_EQ(user_.previewed().size(), 1u);
  EXPECT_EQ(user_.previewed()[0].title, "Frame Test");
  EXPECT_EQ(user_.previewed()[0].pages.size(), 26u);  // the page in hand is finished too
  EXPECT_EQ(out.response, 1);
  EXPECT_EQ(ctx_.g.GlobalResponse, 1);

  // Cancelled and answered No: no preview, nothing said.
  auto g = frame(60);
  g->step();
  user_.queueAnswer("&Yes");
  user_.queueAnswer("&No");
  g->cancel(user_);
  EXPECT_EQ(g->finish(user_).response, 2);
  EXPECT_EQ(user_.previewed().size(), 1u);
  EXPECT_EQ(user_.shown().size(), 7u);
}

TEST_F(ReportFrameTest, ACancelBeforeAnyPageAsksNothingMore) {
  // Before the first timer event: no page to preview, and the report was never opened.
  auto f = frame(60);
  user_.queueAnswer("&Yes");
  f->cancel(user_);
  EXPECT_FALSE(f->processing());
  const RunOutcome out = f->finish(user_);
  ASSERT_TRUE(out.notice);
  EXPECT_EQ(out.notice->caption, "Nothing to Print...");
  EXPECT_EQ(out.notice->text, "The primary file has no records!");
  EXPECT_TRUE(user_.previewed().empty());
  EXPECT_EQ(out.response, 2);
  EXPECT_EQ(user_.shown().size(), 2u);  // the question and the notice
}

TEST_F(ReportFrameTest, TheFourEndsOfTheProcessing) {
  // Previewing, nothing printed: the notice counts the report's file.
  RunOutcome out = frame(0)->finish(user_);
  ASSERT_TRUE(out.notice);
  EXPECT_EQ(user_.shown().back().caption, "Nothing to Print...");
  EXPECT_EQ(user_.shown().back().text, "The primary file has no records!");
  EXPECT_EQ(user_.shown().back().buttons, "&Ok");
  EXPECT_EQ(user_.shown().back().icon, ui::Icon::Information);

  // Printing directly: no preview, no question, the pages to the printer once; nothing else.
  out = frame(3, false)->finish(user_);
  EXPECT_TRUE(user_.previewed().empty());
  ASSERT_EQ(user_.printed().size(), 1u);
  EXPECT_EQ(user_.printed()[0].pages.size(), 3u);
  EXPECT_EQ(user_.printed()[0].copies, 1);
  EXPECT_EQ(user_.printed()[0].name, "PrintFrameTest");
  EXPECT_EQ(out.response, 1);
  EXPECT_TRUE(out.files.empty());
  EXPECT_FALSE(fs::exists(presetPdf()));

  // Printing directly with nothing to print.
  out = frame(0, false)->finish(user_);
  EXPECT_EQ(user_.shown().back().caption, "NOTE...");
  EXPECT_EQ(user_.shown().back().text, "Nothing to Print.");
  EXPECT_EQ(user_.printed().size(), 1u);

  // Printing directly, cancelled: the pages are dropped without a word.
  auto f = frame(60, false);
  f->step();
  user_.queueAnswer("&Yes");
  f->cancel(user_);
  const std::size_t said = user_.shown().size();
  out = f->finish(user_);
  EXPECT_EQ(user_.printed().size(), 1u);
  EXPECT_EQ(user_.shown().size(), said);
  EXPECT_EQ(out.response, 2);

  // A printer that fails is shown.
  user_.queuePrintResult("The printer is out of paper.");
  out = frame(1, false)->finish(user_);
  EXPECT_EQ(user_.shown().back().text, "The printer is out of paper.");
  EXPECT_EQ(out.error, "The printer is out of paper.");
}

TEST_F(ReportFrameTest, ThePreviewsChoicesPrintAndWriteThePdf) {
  // Closed: nothing more happens.
  RunOutcome out = frame(2)->finish(user_);
  EXPECT_EQ(out.response, 1);
  EXPECT_TRUE(user_.printed().empty());
  EXPECT_EQ(user_.log().back(), "preview \"Frame Test\" 2 page(s) -> closed (not answered)");

  // Print in three copies.
  user_.queuePreview({.print = true, .copies = 3});
  frame(2)->finish(user_);
  ASSERT_EQ(user_.printed().size(), 1u);
  EXPECT_EQ(user_.printed()[0].copies, 3);

  // Generate PDF File, the dialog cancelled: no PDF, the preset name stays.
  user_.queuePreview({.pdf = true});
  user_.queueNoFile();
  out = frame(2)->finish(user_);
  EXPECT_TRUE(out.files.empty());
  EXPECT_EQ(ctx_.g.PDFFILENAME.str(), presetPdf().string());
  EXPECT_FALSE(fs::exists(presetPdf()));

  // Generate PDF File to a chosen file, viewed.
  const fs::path chosen = dir_ / "chosen.pdf";
  user_.queuePreview({.pdf = true});
  user_.queueFiles({chosen.string()});
  user_.queueAnswer("&Yes");
  out = frame(2)->finish(user_);
  EXPECT_EQ(user_.shown().back().caption, "View PDF?");
  EXPECT_EQ(user_.shown().back().text, "Do you wish to view the PDF file when it is created?");
  ASSERT_THAT(out.files, ElementsAre(chosen));
  EXPECT_EQ(ctx_.g.PDFFILENAME.str(), chosen.string());
  EXPECT_THAT(user_.opened(), ElementsAre(chosen.string()));
  EXPECT_THAT(pdfText(chosen), HasSubstr("Line 2"));
  EXPECT_THAT(user_.log()[user_.log().size() - 3],
              HasSubstr("save file dialog \"PDF File Name and Location\" filter \"PDF "
                        "Files|*.pdf|All Files|*.*\""));

  // Not viewed: the user is told where it went, and may open its folder.
  user_.queuePreview({.pdf = true});
  user_.queueFiles({chosen.string()});
  user_.queueAnswer("&No");
  user_.queueAnswer("Open &Folder");
  out = frame(2)->finish(user_);
  EXPECT_EQ(user_.shown().back().caption, "PDF Written");
  EXPECT_EQ(user_.shown().back().text, "The PDF file was written to|" + chosen.string());
  EXPECT_EQ(user_.opened().back(), chosen.parent_path().string());

  // Email Report (pdf): the PDF to the preset name without a dialog, then the mail dialog; a
  // mail that cannot go is shown, and the PDF stays.
  user_.queuePreview({.email = true});
  user_.queueMail(ui::MailDraft{"pat@example.com", "", "Schedule", ""});
  out = frame(2)->finish(user_);
  EXPECT_THAT(out.files, ElementsAre(presetPdf()));
  EXPECT_EQ(user_.log()[user_.log().size() - 2], "mail dialog -> \"pat@example.com\" \"Schedule\"");
  EXPECT_EQ(user_.shown().back().caption, "Email Report (pdf)");
  EXPECT_THAT(user_.shown().back().text, HasSubstr("No mail server is set up"));
  EXPECT_EQ(out.mailedTo, "");
  EXPECT_EQ(ctx_.g.MMToAddress.str(), "pat@example.com");
}

// A user who presses the PDF status window's Cancel on the first page.
class CancellingUser : public ui::ScriptedPort {
 public:
  std::vector<std::string> steps;
  bool showProgress(const std::string& title, const std::string& message, const std::string& text,
                    int percent) override {
    steps.push_back(title + "/" + message + "/" + text + "/" + std::to_string(percent));
    return steps.size() > 1;
  }
};

TEST_F(ReportFrameTest, ThePdfsStatusWindowAndItsCancelQuestion) {
  const fs::path pdf = dir_ / "status.pdf";
  CancellingUser user;
  user.queuePreview({.pdf = true});
  user.queueFiles({pdf.string()});
  user.queueAnswer("&No");   // not viewed
  user.queueAnswer("&Yes");  // cancel it
  RunOutcome out = frame(2)->finish(user);
  EXPECT_EQ(user.shown().back().caption, "Cancel PDF?");
  EXPECT_EQ(user.shown().back().text, "Do you wish to Cancel the PDF Generation?");
  EXPECT_TRUE(out.files.empty());
  EXPECT_TRUE(out.error.empty());
  EXPECT_FALSE(fs::exists(pdf));

  // No: the PDF goes on to its end.
  user.steps.clear();
  user.queuePreview({.pdf = true});
  user.queueFiles({pdf.string()});
  user.queueAnswer("&No");
  user.queueAnswer("&No");
  out = frame(2)->finish(user);
  EXPECT_THAT(out.files, ElementsAre(pdf));
  EXPECT_THAT(user.steps, ElementsAre("Please Wait.../Generating PDF/Page 1 of 2/50",
                                      "Please Wait.../Generating PDF/Page 2 of 2/100"));
}

TEST_F(ReportFrameTest, TenLimitLinesInTheFooterAndTheExportAfterReportParameters) {
  std::vector<std::string> limits = {"Equipment Costing > Reports > Frame Test",
                                     "Report Title: All of it   ", ""};
  for (int n = 4; n <= 12; ++n) limits.push_back("Limit " + std::to_string(n));

  const fs::path pdf = dir_ / "limits.pdf";
  user_.queuePreview({.pdf = true});
  user_.queueFiles({pdf.string()});
  user_.queueAnswer("&No");
  frame(1, true, limits)->finish(user_);
  const std::string text = pdfText(pdf);
  EXPECT_THAT(text, HasSubstr("Report Title: All of it"));
  EXPECT_THAT(text, HasSubstr("Limit 10"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Limit 11")));

  const fs::path exported = dir_ / "export.txt";
  user_.queuePreview({.exportReport = true});
  user_.queueFiles({exported.string()});
  const RunOutcome out = frame(2, true, limits)->finish(user_);
  EXPECT_EQ(out.exported, exported);
  EXPECT_THAT(user_.log().back(), HasSubstr("save file dialog \"Export File Name and Location\""));
  std::ifstream in(exported);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  EXPECT_THAT(lines,
              ElementsAre("Test Co.", "Frame Test", "", "Line\tNumber", "Line\t1", "Line\t2", "",
                          "Report Parameters:", "Equipment Costing > Reports > Frame Test",
                          "Report Title: All of it", "Limit 4", "Limit 5", "Limit 6", "Limit 7",
                          "Limit 8", "Limit 9", "Limit 10"));

  // The dialog cancelled: nothing written.
  user_.queuePreview({.exportReport = true});
  user_.queueNoFile();
  EXPECT_TRUE(frame(2)->finish(user_).exported.empty());
}

}  // namespace
}  // namespace koreq::reportframe
