// koreq report on the demo company: the PDF and its text, pages per file, the password, the
// notice when there is nothing to print, bad command lines, and the program run without a
// display.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"
#include "support/smtp_sink.h"

namespace koreq::cli::test {
namespace {

namespace fs = std::filesystem;
using ::testing::ContainsRegex;
using ::testing::HasSubstr;
using ::testing::StartsWith;

std::string shell(const std::string& line, int* status = nullptr) {
  std::string out;
  FILE* p = ::popen(line.c_str(), "r");
  if (!p) return out;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) out.append(buf.data(), n);
  const int st = ::pclose(p);
  if (status) *status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return out;
}

std::string quoted(const fs::path& p) {
  return "'" + p.string() + "'";
}

class ReportCommand : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    installReports();
    dir_ = std::make_unique<TempDir>();
    setDemoMaker(&demo::makeDemoCompany);
    ASSERT_EQ(report({"init", "--demo"}).rc, 0);
    setDemoMaker({});
  }
  static void TearDownTestSuite() { dir_.reset(); }

  static fs::path data() { return dir_->path / "demo"; }
  static Result report(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", data().string(), "--today", "2016-06-15"});
    return run(std::move(args));
  }

  TempDir out_;
  static inline std::unique_ptr<TempDir> dir_;
};

TEST_F(ReportCommand, WritesTheScheduleAsAPdf) {
  const fs::path pdf = out_ / "dt201.pdf";
  Result r = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf", pdf.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "2 pages written to " + pdf.string() + "\n");
  const std::string text = shell("pdftotext -layout " + quoted(pdf) + " -");
  EXPECT_THAT(text, HasSubstr("Demo Contracting Co."));
  EXPECT_THAT(text, HasSubstr("Fixed Asset Depreciation Schedule"));
  EXPECT_THAT(text, ContainsRegex("Asset ID: +DT-201 +2020 Kenworth T880 Tri-Axle Dump"));
  EXPECT_THAT(text, ContainsRegex("Depreciation Method: +Straight Line"));
  EXPECT_THAT(text, ContainsRegex("Straight Line +Sum of Years' Digits +Double Declining "
                                  "Balance +Custom +Actual +Fiscal +Record #"));
  EXPECT_THAT(text, ContainsRegex("05/2012 +1,473.96 +185,026.04 +2,917.53 +183,582.47 "
                                  "+3,885.42 +182,614.58 +0.00 +0.00 +0.00\n"));
  EXPECT_THAT(text, ContainsRegex("Page: +2"));
  EXPECT_THAT(shell("pdfinfo " + quoted(pdf)), HasSubstr("612 x 792 pts"));
  EXPECT_THAT(shell("pdffonts " + quoted(pdf)), HasSubstr("LiberationSansNarrow"));

  // Without --pdf: the report's own name in the company folder.
  r = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--landscape"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const fs::path preset = data() / "Fixed Asset Depreciation Schedule.pdf";
  EXPECT_EQ(r.out, "3 pages written to " + preset.string() + "\n");
  EXPECT_THAT(shell("pdfinfo " + quoted(preset)), HasSubstr("792 x 612 pts"));
}

TEST_F(ReportCommand, PagesPerFileAndPassword) {
  const fs::path pdf = out_ / "schedule";
  Result r = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf", pdf.string(),
                     "--pages-per-file", "1", "--password", "s3cret"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const fs::path one = out_ / "schedule_1.pdf", two = out_ / "schedule_2.pdf";
  EXPECT_EQ(r.out, "2 pages written to 2 files:\n  " + one.string() + "\n  " + two.string() + "\n");
  EXPECT_FALSE(fs::exists(out_ / "schedule.pdf"));
  int status = -1;
  EXPECT_THAT(shell("pdftotext -upw s3cret " + quoted(two) + " - 2>&1", &status),
              HasSubstr("Page:"));
  EXPECT_EQ(status, 0);
  shell("pdftotext " + quoted(two) + " - 2>&1", &status);
  EXPECT_NE(status, 0);
  EXPECT_THAT(shell("qpdf --show-encryption --password=s3cret " + quoted(one)),
              HasSubstr("file encryption method: AESv3"));
}

TEST_F(ReportCommand, NothingToPrintAndBadCommandLines) {
  {
    auto company = data::Company::open(data());
    data::ErrorObject errors;
    data::Access<data::EqHeader> eqh(company->store(), errors);
    ASSERT_EQ(eqh.prime(), data::kNoError);
    eqh.rec().EquipmentID = "NEW-1";
    eqh.rec().Description = "Not yet depreciated";
    ASSERT_EQ(eqh.insert(), data::kNoError);
  }
  const fs::path pdf = out_ / "none.pdf";
  Result r = report({"report", "PrintFixedAssets", "--equipment", "NEW-1", "--pdf", pdf.string()});
  EXPECT_EQ(r.rc, 1);
  // The report selected this equipment's months, of which it has none.
  EXPECT_EQ(r.err, "Nothing to Print... The primary file has no records!\n");
  EXPECT_EQ(r.out, "");
  EXPECT_FALSE(fs::exists(pdf));

  EXPECT_EQ(report({"report", "PrintFixedAssets", "--equipment", "XX-999"}).err,
            "koreq: no equipment 'XX-999'\n");
  EXPECT_EQ(report({"report", "PrintNothing", "--equipment", "DT-201"}).rc, 2);
  EXPECT_EQ(report({"report", "PrintFixedAssets"}).rc, 2);
  Result bad =
      report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pages-per-file", "two"});
  EXPECT_EQ(bad.rc, 2);
  EXPECT_THAT(bad.err, StartsWith("koreq: --pages-per-file takes a number of pages"));
  // A PDF option with only an export is not dropped without a word.
  for (std::vector<std::string> option : {std::vector<std::string>{"--password", "pw"},
                                          {"--pages-per-file", "2"},
                                          {"--watermark", "DRAFT"}}) {
    std::vector<std::string> args = {"report", "PrintFixedAssets", "--equipment",
                                     "DT-201", "--export",         (out_ / "x.txt").string()};
    args.insert(args.end(), option.begin(), option.end());
    Result unused = report(args);
    EXPECT_EQ(unused.rc, 2) << option[0];
    EXPECT_THAT(unused.err, HasSubstr(option[0] + " applies to the PDF")) << unused.err;
  }
  EXPECT_FALSE(fs::exists(out_ / "x.txt"));
  Result lost = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf",
                        (out_ / "no" / "such" / "x.pdf").string()});
  EXPECT_EQ(lost.rc, 1);
  EXPECT_THAT(lost.err, HasSubstr("could not be written"));
}

TEST_F(ReportCommand, ExportsTheTextAndMailsThePdf) {
  const fs::path txt = out_ / "schedule.txt";
  Result r =
      report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--export", txt.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "exported to " + txt.string() + "\n");  // an export alone writes no PDF
  std::ifstream in(txt);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  ASSERT_EQ(lines.size(), 10u + 96u + 2u);
  EXPECT_EQ(lines[1], "Fixed Asset Depreciation Schedule");
  EXPECT_EQ(lines[10].substr(0, 10), "5/01/2012\t");
  EXPECT_EQ(lines.back(), "Report Parameters:");  // the schedule has no limits

  // The mail goes through the server of the user's koreq.ini, from the signed-on user.
  koreq::test::SmtpSink sink(out_ / "mailbox");
  const fs::path config = out_ / "config";
  fs::create_directories(config / "koreq");
  std::ofstream(config / "koreq" / "koreq.ini")
      << "[Mail]\nServer=127.0.0.1\nPort=" << sink.port() << "\n";
  const char* was = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = was ? was : "";
  ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  r = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--email", "pat@example.com",
              "--subject", "DT-201 schedule"});
  const fs::path preset = data() / "Fixed Asset Depreciation Schedule.pdf";
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "2 pages written to " + preset.string() + "\nmailed to pat@example.com\n");
  ASSERT_EQ(sink.messages().size(), 1u);
  EXPECT_THAT(sink.messages()[0], HasSubstr("Subject: DT-201 schedule"));
  EXPECT_THAT(sink.messages()[0], HasSubstr("From: \"Dana Whitfield\" <dana@"));

  // A server that does not answer: the failure, and exit status 1.
  std::ofstream(config / "koreq" / "koreq.ini")
      << "[Mail]\nServer=127.0.0.1\nPort=" << koreq::test::SmtpSink::freePort() << "\n";
  r = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--email", "pat@example.com"});
  if (was)
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  else
    ::unsetenv("XDG_CONFIG_HOME");
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("The report was not mailed to pat@example.com"));
  EXPECT_EQ(report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--subject", "s"}).rc,
            2);
}

TEST_F(ReportCommand, NoOutputOverTheCompanyOntoADeviceOrIntoAFolder) {
  const std::uintmax_t size = fs::file_size(data() / "company.db");
  for (const char* own : {"company.db", "company.db-wal", "company.db-shm", "company.ini"}) {
    const fs::path target = data() / own;
    const bool existed = fs::exists(target);
    const auto before = existed ? fs::file_size(target) : 0;
    for (const char* flag : {"--pdf", "--export"}) {
      Result r =
          report({"report", "PrintFixedAssets", "--equipment", "DT-201", flag, target.string()});
      EXPECT_EQ(r.rc, 1) << flag << " " << own << ": " << r.out;
      EXPECT_THAT(r.err, HasSubstr(target.string() + " is one of the company's own files"))
          << flag << " " << own;
    }
    EXPECT_EQ(fs::exists(target), existed) << own;
    if (existed) {
      EXPECT_EQ(fs::file_size(target), before) << own;
    }
  }
  // A copy of the database elsewhere is a database all the same.
  fs::copy_file(data() / "company.db", out_ / "saved.db");
  EXPECT_THAT(report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf",
                      (out_ / "saved.db").string()})
                  .err,
              HasSubstr("is a database"));
  EXPECT_EQ(fs::file_size(data() / "company.db"), size);
  EXPECT_EQ(report({"report", "PrintEQLogBProof", "--batches", "1", "--format",
                    "All Tagged Batches", "--pdf", (data() / "company.db").string()})
                .rc,
            1);

  // Devices and folders are refused, never turned into "/dev/full.pdf" or "rep/.pdf".
  fs::create_directory(out_ / "rep");
  for (const std::string& target :
       {std::string("/dev/full"), (out_ / "rep").string() + "/", (out_ / "rep").string()}) {
    Result r = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf", target});
    EXPECT_EQ(r.rc, 1) << target;
    EXPECT_THAT(r.err, ContainsRegex("is a (device|folder)")) << target;
  }
  EXPECT_FALSE(fs::exists("/dev/full.pdf"));
  EXPECT_TRUE(fs::is_empty(out_ / "rep"));

  // One file for two outputs, and a pages-per-file the file count cannot hold.
  const fs::path both = out_ / "both.pdf";
  Result twice = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf",
                         both.string(), "--export", both.string()});
  EXPECT_EQ(twice.rc, 2);
  EXPECT_THAT(twice.err, HasSubstr("name the same file"));
  EXPECT_FALSE(fs::exists(both));
  Result huge = report({"report", "PrintFixedAssets", "--equipment", "DT-201", "--pdf",
                        (out_ / "h.pdf").string(), "--pages-per-file", "2147483647"});
  EXPECT_EQ(huge.rc, 2);
  EXPECT_THAT(huge.err, HasSubstr("--pages-per-file takes 0 to 99999 pages a file"));

  // Batches that do not exist list nothing: the notice of any empty report, no page.
  const fs::path none = out_ / "none.pdf";
  Result empty = report({"report", "PrintEQLogBProof", "--batches", "999", "--format",
                         "All Tagged Batches", "--pdf", none.string()});
  EXPECT_EQ(empty.rc, 1);
  EXPECT_THAT(empty.err, StartsWith("Nothing to Print..."));
  EXPECT_FALSE(fs::exists(none));
}

TEST_F(ReportCommand, TheProofListingOfTaggedBatchesThroughASavedFormat) {
  const fs::path pdf = out_ / "proof.pdf";
  // Batch 2 is EQV's and protected: listed by its owner (named twice, listed once), not by ADM.
  EXPECT_EQ(report({"--user", "ADM", "report", "PrintEQLogBProof", "--batches", "2", "--format",
                    "All Tagged Batches", "--pdf", pdf.string()})
                .err,
            "koreq: batch 000002 is protected by user EQV; nothing was printed\n");
  EXPECT_FALSE(fs::exists(pdf));
  Result r = report({"--user", "EQV", "report", "PrintEQLogBProof", "--batches", "2,2", "--format",
                     "All Tagged Batches", "--pdf", pdf.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::string text = shell("pdftotext -layout " + quoted(pdf) + " -");
  EXPECT_THAT(text, HasSubstr("Proof Listing of Equipment Usage Log"));
  EXPECT_THAT(text, HasSubstr("Batch 2 - Treatment Plant site"));
  EXPECT_THAT(text, ContainsRegex("Batch 2 Totals: +212.50 +28,480.00"));
  EXPECT_THAT(text, ::testing::Not(HasSubstr("Grand Totals:")));
  EXPECT_THAT(shell("pdfinfo " + quoted(pdf)), HasSubstr("792 x 612 pts"));

  // The format by number: the excavators of the last week (the demo's dates are today's).
  r = report({"--user", "EQV", "report", "PrintEQLogBProof", "--batches", "1,2", "--limit-id", "16",
              "--pdf", pdf.string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_THAT(shell("pdftotext -layout " + quoted(pdf) + " -"),
              ContainsRegex("Grand Totals: +69.00 +11,592.00"));

  EXPECT_EQ(report({"report", "PrintEQLogBProof", "--batches", "1", "--limit-id", "1"}).err,
            "koreq: no proof-listing format 1\n");
  EXPECT_EQ(report({"report", "PrintEQLogBProof", "--batches", "1,x", "--limit-id", "16"}).rc, 2);
  EXPECT_EQ(report({"report", "PrintEQLogBProof", "--batches", "1"}).rc, 2);
}

TEST_F(ReportCommand, TheNotesOfAnEquipmentUnderAWatermark) {
  {
    // What a user typed is text, never a link or an outline entry of the PDF.
    auto company = data::Company::open(data());
    data::ErrorObject errors;
    data::Access<data::Notes> notes(company->store(), errors);
    ASSERT_EQ(notes.prime(), data::kNoError);
    notes.rec().EntityType = "EQHeader";
    notes.rec().EquipmentID = "EX-301";
    notes.rec().EntityID = "EX-301";
    notes.rec().Date = *Date::fromYmd(2016, 6, 1);
    notes.rec().Heading = "[[bookmark:Fake entry]]";
    notes.rec().Note = "[[link:https://example.com/x|Click here]]";
    ASSERT_EQ(notes.insert(), data::kNoError);
  }
  const fs::path pdf = out_ / "notes.pdf";
  Result r = report({"report", "LIMITPRINTNOTES", "--equipment", "EX-301", "--pdf", pdf.string(),
                     "--watermark", "COPY"});
  ASSERT_EQ(r.rc, 0) << r.err;
  const std::string text = shell("pdftotext -layout " + quoted(pdf) + " -");
  EXPECT_THAT(text, HasSubstr("Notes for Equipment (EX-301) 2022 CAT 336 Hydraulic Excavator"));
  EXPECT_THAT(text, HasSubstr("Extended powertrain warranty"));
  EXPECT_THAT(text, HasSubstr("Track tension"));
  EXPECT_THAT(text, HasSubstr("[[bookmark:Fake entry]]"));
  EXPECT_THAT(text, HasSubstr("[[link:https://example.com/x|Click here]]"));
  std::string raw = shell("pdftotext -raw " + quoted(pdf) + " -");
  std::erase(raw, '\n');
  EXPECT_THAT(raw, HasSubstr("COPY"));

  EXPECT_EQ(report({"report", "LIMITPRINTNOTES"}).rc, 2);
  EXPECT_EQ(report({"report", "LIMITPRINTNOTES", "--equipment", "EX-301", "--watermark", ""}).rc,
            2);
  // An equipment without notes: the notice, no file.
  Result none = report({"report", "LIMITPRINTNOTES", "--equipment", "DT-201", "--pdf",
                        (out_ / "none.pdf").string()});
  EXPECT_EQ(none.rc, 1);
  EXPECT_THAT(none.err, StartsWith("Nothing to Print... "));
  EXPECT_FALSE(fs::exists(out_ / "none.pdf"));
}

// The demo's analysis formats, each through koreq report: its PDF (landscape when the format
// asks) and its export text, which must equal its reference under tests/reports/reference.
// KOREQ_REGENERATE=1 writes the references anew from what the program prints now.
TEST_F(ReportCommand, EveryAnalysisFormatOfTheDemoPrintsAndExportsItsReference) {
  const bool regenerate = std::getenv("KOREQ_REGENERATE") != nullptr;
  const std::pair<const char*, const char*> formats[] = {
      {"1", "usage-cost-analysis-all-equipment"},
      {"2", "fuel-use-per-hour-last-90-days"},
      {"3", "cost-summary-dozers-excavators"},
      {"4", "cost-summary-as-of-last-closed-month"},
      {"5", "maintenance-due-next-60-days"}};
  for (const auto& [id, name] : formats) {
    SCOPED_TRACE(name);
    const fs::path pdf = out_ / (std::string(name) + ".pdf");
    const fs::path txt = out_ / (std::string(name) + ".txt");
    Result r = report({"report", "PrintEQAnalysisServer", "--limit-id", id, "--pdf", pdf.string(),
                       "--export", txt.string()});
    ASSERT_EQ(r.rc, 0) << r.err;
    const bool landscape = std::string(name).find("summary") == std::string::npos;
    EXPECT_THAT(shell("pdfinfo " + quoted(pdf)),
                HasSubstr(landscape ? "792 x 612 pts" : "612 x 792 pts"));
    const fs::path reference = fs::path(KOREQ_REFERENCE_DIR) / (std::string(name) + ".txt");
    if (regenerate) fs::copy_file(txt, reference, fs::copy_options::overwrite_existing);
    std::ifstream got(txt), want(reference);
    ASSERT_TRUE(want) << "no reference " << reference << "; run with KOREQ_REGENERATE=1";
    const std::string gotText{std::istreambuf_iterator<char>(got), {}};
    const std::string wantText{std::istreambuf_iterator<char>(want), {}};
    EXPECT_EQ(gotText, wantText) << "differs from " << reference
                                 << "; if the change is meant, run with KOREQ_REGENERATE=1";
  }
  // The dispatcher takes analysis formats only, by title too.
  EXPECT_EQ(report({"report", "PrintEQAnalysisServer", "--limit-id", "15"}).err,
            "koreq: no analysis format 15\n");
  const fs::path byTitle = out_ / "by-title.pdf";
  EXPECT_EQ(report({"report", "PrintEQAnalysisServer", "--format",
                    "Cost Summary - Dozers & Excavators", "--pdf", byTitle.string()})
                .rc,
            0);
  EXPECT_THAT(shell("pdftotext -layout " + quoted(byTitle) + " -"),
              ContainsRegex("Totals: +[0-9]+\\.[0-9][0-9]"));
}

TEST_F(ReportCommand, TheProgramWritesReportsWithoutADisplay) {
  const fs::path pdf = out_ / "headless.pdf";
  int status = -1;
  const std::string out =
      shell("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM '" KOREQ_BINARY "' --data " +
                quoted(data()) + " report PrintFixedAssets --equipment EX-304 --pdf " +
                quoted(pdf) + " 2>&1",
            &status);
  EXPECT_EQ(status, 0) << out;
  EXPECT_EQ(out, "2 pages written to " + pdf.string() + "\n");
  EXPECT_THAT(shell("pdftotext " + quoted(pdf) + " -"), HasSubstr("EX-304"));
}

}  // namespace
}  // namespace koreq::cli::test
