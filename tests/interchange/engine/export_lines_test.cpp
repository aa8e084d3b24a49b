// The usage-log export: the line of an entry to the character, and the writing of a batch
// through the work file, failures included.

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "data/access.h"
#include "data/records.h"
#include "interchange/engine/export_lines.h"
#include "support/company_fixture.h"

namespace koreq::interchange {
namespace {

namespace fs = std::filesystem;

data::EqLogB entry(std::uint16_t batch, const char* equipment) {
  data::EqLogB e;
  e.BatchID = batch;
  e.EquipmentID = equipment;
  e.Date = *Date::fromYmd(2015, 3, 5);
  e.StartMeter = *Decimal::parse("1250.50");
  e.EndMeter = *Decimal::parse("1250");
  e.Units = *Decimal::parse("-3.25");
  e.ChargeType = "I";
  e.DetailType = "Job";
  e.JobID = "2144";
  e.CostCode = "02-400E";
  return e;
}

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(ExportLine, IsTheFifteenFieldsAsTheImportReadsThem) {
  data::EqLogB e = entry(1, "DT-201");
  EXPECT_EQ(exportLine(e), "DT-201,1250.5,1250,-3.25,I,Job,,2144,02-400E,,,, 3/ 5/2015,,0");

  // A blank charge type is one blank; a fraction keeps its zero; every text field filled.
  e.ChargeType = "";
  e.Units = *Decimal::parse("0.5");
  e.DetailType = "Equipment";
  e.GLAccount = "7100-000-001";
  e.EquipmentIDCharged = "LD-1";
  e.Category = "REPAIR";
  e.Comments = "Cab glass";
  e.Location = "YARD";
  e.EmployeeID = 65535;
  e.Date = *Date::fromYmd(2015, 12, 1);
  EXPECT_EQ(exportLine(e),
            "DT-201,1250.5,1250,0.5, ,Equipment,7100-000-001,2144,02-400E,LD-1,REPAIR,Cab glass,"
            "12/ 1/2015,YARD,65535");

  // A comma or a quote in a field: quoted, the inner quote doubled, so the line reads back
  // as fifteen fields; a line break would split the line.
  e.Comments = "Tires, 2 \"used\"";
  e.Location = "A\nB";
  EXPECT_EQ(exportLine(e),
            "DT-201,1250.5,1250,0.5, ,Equipment,7100-000-001,2144,02-400E,LD-1,REPAIR,"
            "\"Tires, 2 \"\"used\"\"\",12/ 1/2015,A B,65535");

  EXPECT_EQ(exportNumber(*Decimal::parse("-0.05")), "-0.05");
  EXPECT_EQ(exportDate(Date()), "");
}

class ExportBatch : public fixture::CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    // Batches 1 and 2 interleaved in the file; batch 3 has none.
    add(entry(1, "DT-201"));
    add(entry(2, "EX-1"));
    data::EqLogB second = entry(1, "LD-1");
    second.Comments = "Wash, grease";
    add(second);
    add(entry(2, "EX-2"));
  }
  void add(data::EqLogB e) {
    data::Access<data::EqLogB> a(ctx().store(), ctx().errors());
    ASSERT_EQ(a.prime(), data::kNoError);
    e.LogID = a.rec().LogID;
    a.rec() = e;
    ASSERT_EQ(a.insert(), data::kNoError);
  }
  fs::path work() const { return dir() / "company" / "Export.txt"; }
};

TEST_F(ExportBatch, WritesOnlyTheBatchThroughTheWorkFileAndRemovesIt) {
  ExportOutcome out = exportBatch(ctx(), 1, dir() / "batch1.txt");
  EXPECT_TRUE(out.complete());
  EXPECT_EQ(out.lines, 2u);
  EXPECT_EQ(read(dir() / "batch1.txt"),
            "DT-201,1250.5,1250,-3.25,I,Job,,2144,02-400E,,,, 3/ 5/2015,,0\n"
            "LD-1,1250.5,1250,-3.25,I,Job,,2144,02-400E,,,\"Wash, grease\", 3/ 5/2015,,0\n");
  EXPECT_FALSE(fs::exists(work()));

  // An empty batch gives an empty file, over whatever the chosen file held.
  std::ofstream(dir() / "batch3.txt") << "old\n";
  out = exportBatch(ctx(), 3, dir() / "batch3.txt");
  EXPECT_TRUE(out.complete());
  EXPECT_EQ(out.lines, 0u);
  EXPECT_TRUE(fs::exists(dir() / "batch3.txt"));
  EXPECT_EQ(fs::file_size(dir() / "batch3.txt"), 0u);
  EXPECT_FALSE(fs::exists(work()));

  // Choosing the work file itself writes it in place instead of removing the result.
  out = exportBatch(ctx(), 2, work());
  EXPECT_TRUE(out.complete());
  EXPECT_EQ(out.lines, 2u);
  EXPECT_EQ(read(work()).substr(0, 5), "EX-1,");
}

TEST_F(ExportBatch, AFileThatCannotBeWrittenIsAnErrorAndTheWorkFileStillGoes) {
  // The chosen folder does not exist: the copy fails, reported through the error object.
  ExportOutcome out = exportBatch(ctx(), 1, dir() / "missing" / "batch1.txt");
  EXPECT_FALSE(out.complete());
  ASSERT_EQ(out.errors.size(), 1u);
  EXPECT_EQ(out.errors[0], "Path Not FoundCopying File");
  ASSERT_TRUE(ctx().errors().last());
  EXPECT_EQ(ctx().errors().last()->message, "Path Not FoundCopying File");
  EXPECT_FALSE(fs::exists(work()));

  // A work file that cannot be made: nothing is copied, the chosen file keeps what it held.
  const fs::path blocked = dir() / "blocked";
  fs::create_directories(blocked / "Export.txt" / "inside");
  std::ofstream(dir() / "kept.txt") << "kept\n";
  out = exportBatch(ctx(), 1, dir() / "kept.txt", blocked / "Export.txt");
  EXPECT_FALSE(out.complete());
  ASSERT_EQ(out.errors.size(), 1u);
  EXPECT_EQ(out.errors[0], "Access Denied Creating File");
  EXPECT_EQ(read(dir() / "kept.txt"), "kept\n");
}

TEST_F(ExportBatch, NeverOverTheCompanyAndAFullDiskKeepsTheEarlierExport) {
  fs::path db = dir() / "company" / "company.db";
  if (!fs::exists(db)) db = dir() / "company" / "company.ini";  // a company on the server
  const auto size = fs::file_size(db);
  ExportOutcome out = exportBatch(ctx(), 1, db);
  EXPECT_FALSE(out.complete());
  ASSERT_EQ(out.errors.size(), 1u);
  EXPECT_EQ(out.errors[0], db.string() +
                               " is one of the company's own files; choose another name; nothing "
                               "was written");
  EXPECT_EQ(fs::file_size(db), size);

  // A disk that fills while the lines are written (a file size limit stands in for it): one
  // message, and the earlier export is left whole.
  const fs::path earlier = dir() / "batch1.txt";
  ASSERT_TRUE(exportBatch(ctx(), 1, earlier).complete());
  const std::string whole = read(earlier);
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 60;
  ::setrlimit(RLIMIT_FSIZE, &small);
  out = exportBatch(ctx(), 1, earlier);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(out.complete());
  EXPECT_EQ(out.errors.size(), 1u);
  EXPECT_EQ(read(earlier), whole);
  EXPECT_FALSE(fs::exists(work()));
}

}  // namespace
}  // namespace koreq::interchange
