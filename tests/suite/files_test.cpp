#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <iterator>

#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "suite/backup.h"
#include "suite/filetime.h"
#include "suite/imagestore.h"
#include "suite/reportexport.h"
#include "suite/table_file.h"
#include "support/company_fixture.h"
#include "support/temp_dir.h"

namespace koreq::suite {
namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FilesTest : public fixture::CompanyTest {
 protected:
  // An IMAGES record for `file`, inserted, left in the context's buffer.
  void imageRecord(const fs::path& file) {
    auto& img = ctx().access<data::Images>();
    ASSERT_EQ(img.prime(), data::kNoError);
    img.rec().Type = "EQHeader";
    img.rec().OwnerID = "T1";
    img.rec().FileName = file.string();
    ASSERT_EQ(img.insert(), data::kNoError);
  }
};

TEST_F(FilesTest, ImageStoreRoundTripsTheBytes) {
  std::string bytes("%PDF-1.4\0\xff\xfe\r\n tail", 19);
  fs::path original = dir() / "docs" / "service report.pdf";
  fs::create_directories(original.parent_path());
  std::ofstream(original, std::ios::binary) << bytes;
  imageRecord(original);
  ASSERT_TRUE(STOREIMAGEFILE(ctx()));
  fs::remove(original);  // the stored copy outlives the file

  ASSERT_TRUE(EXTRACTIMAGEFILE(ctx()));
  fs::path extracted = ctx().g.PDFFILENAME.str();
  EXPECT_EQ(extracted.filename(), "service report.pdf");
  EXPECT_EQ(slurp(extracted), bytes);
  EXPECT_FALSE(ctx().errors().last());

  // A second attachment of the same name gets a file of its own.
  std::ofstream(original, std::ios::binary) << "other";
  imageRecord(original);
  ASSERT_TRUE(STOREIMAGEFILE(ctx()));
  ASSERT_TRUE(EXTRACTIMAGEFILE(ctx()));
  EXPECT_NE(ctx().g.PDFFILENAME.str(), extracted.string());
  EXPECT_EQ(slurp(extracted), bytes);

  ASSERT_TRUE(REMOVEIMAGEFILE(ctx()));
  EXPECT_FALSE(EXTRACTIMAGEFILE(ctx()));
  EXPECT_EQ(ctx().g.PDFFILENAME, "");
  EXPECT_FALSE(ctx().errors().last());  // nothing stored is not an error
}

TEST_F(FilesTest, ImageStoreRefusesAMissingFile) {
  imageRecord(dir() / "gone.jpg");
  EXPECT_FALSE(STOREIMAGEFILE(ctx()));
  ASSERT_TRUE(ctx().errors().last());
  EXPECT_EQ(ctx().errors().last()->code, 2);
  EXPECT_EQ(ctx().errors().last()->message,
            "File not found (" + (dir() / "gone.jpg").string() + ") Storing Images");
  ctx().g.PDFFILENAME = "left over";
  EXPECT_FALSE(EXTRACTIMAGEFILE(ctx()));
  EXPECT_EQ(ctx().g.PDFFILENAME, "");

  ctx().errors().clearLast();
  imageRecord(dir());  // a folder is no file either
  EXPECT_FALSE(STOREIMAGEFILE(ctx()));
  EXPECT_TRUE(ctx().errors().last());
  ctx().rec<data::Images>() = data::Images{};  // never inserted: no number to store under
  ctx().rec<data::Images>().FileName = (dir() / "docs").string();
  EXPECT_FALSE(STOREIMAGEFILE(ctx()));

  EXPECT_EQ(storedFileBaseName("C:\\Photos\\truck 7.JPG  "), "truck 7.JPG");
  EXPECT_EQ(storedFileBaseName("/home/u/a.png"), "a.png");
  EXPECT_EQ(storedFileBaseName("plain.txt"), "plain.txt");
}

TEST_F(FilesTest, FileDateAndTimeInLocalTime) {
  fs::path f = dir() / "stamp.txt";
  std::ofstream(f) << "x";
  std::tm tm{};
  tm.tm_year = 2023 - 1900;
  tm.tm_mon = 6;
  tm.tm_mday = 14;
  tm.tm_hour = 9;
  tm.tm_min = 5;
  tm.tm_sec = 30;
  tm.tm_isdst = -1;
  auto sys = std::chrono::system_clock::from_time_t(std::mktime(&tm));
  fs::last_write_time(f, std::chrono::file_clock::from_sys(sys));
  EXPECT_EQ(GETFILEDATE(f), *Date::fromYmd(2023, 7, 14));
  EXPECT_EQ(GETFILETIME(f), Time::fromHms(9, 5, 30));
  EXPECT_EQ(GETFILEDATE(dir() / "missing"), Date());
  EXPECT_EQ(GETFILETIME(dir() / "missing"), Time());
}

TEST_F(FilesTest, ReportExportWritesTheLinesWhole) {
  ctx().g.RXQUEUE = {"Demo Company   ", "Equipment Listing", "", "ID\tDescription\tValue",
                     "T1\tTruck — 7 t\t1,250.00  "};
  fs::path target = dir() / "out" / "listing.txt";
  std::string error;
  EXPECT_FALSE(REPORTEXPORT(ctx(), target, &error));  // no such folder
  EXPECT_NE(error.find("listing.txt"), std::string::npos);
  EXPECT_FALSE(fs::exists(target));

  fs::create_directories(target.parent_path());
  std::ofstream(target) << "an older export that is replaced\n";
  ASSERT_TRUE(REPORTEXPORT(ctx(), target, &error)) << error;
  EXPECT_EQ(
      slurp(target),
      "Demo Company\nEquipment Listing\n\nID\tDescription\tValue\nT1\tTruck — 7 t\t1,250.00\n");
  int files = 0;
  for ([[maybe_unused]] const auto& e : fs::directory_iterator(target.parent_path())) ++files;
  EXPECT_EQ(files, 1);  // no temporary file left beside it

  ctx().g.RXQUEUE.clear();
  ASSERT_TRUE(REPORTEXPORT(ctx(), target, &error));
  EXPECT_EQ(slurp(target), "");
  EXPECT_FALSE(REPORTEXPORT(ctx(), fs::path(), &error));
}

TEST_F(FilesTest, BackupOpensWithTheSameRows) {
  auto& users = ctx().access<data::UserFile>();
  for (const char* id : {"ABC", "DEF", "GHI"}) {
    users.prime();
    users.rec().UserID = id;
    users.rec().FirstName = std::string("User ") + id;
    ASSERT_EQ(users.insert(), data::kNoError);
  }
  fs::path first = PREPOSTBACKUP(ctx());
  EXPECT_EQ(first, dir() / "company" / "backup" / "company-20240305-143015.db");
  fs::path second = PREPOSTBACKUP(ctx());
  EXPECT_EQ(second.filename(), "company-20240305-143015-2.db");
  EXPECT_EQ(PREPOSTBACKUP(ctx()).filename(), "company-20240305-143015-3.db");

  users.prime();
  users.rec().UserID = "JKL";  // written after the backups: not in them
  ASSERT_EQ(users.insert(), data::kNoError);

  data::SqliteStore copy(first.string(), data::SqliteStore::Mode::ReadOnly);
  data::ErrorObject errors;
  data::Access<data::UserFile> read(copy, errors);
  EXPECT_EQ(read.records(), 3);
  ASSERT_EQ(read.fetch("KeyUserID", {data::Value(std::string("DEF"))}), data::kNoError);
  EXPECT_EQ(read.rec().FirstName, "User DEF");
  EXPECT_FALSE(ctx().errors().last());
}

TEST_F(FilesTest, BackupFailureIsReportedAndLeavesNothing) {
  fs::path blocker = dir() / "company" / "backup";
  std::ofstream(blocker) << "a file where the folder should be";
  EXPECT_EQ(PREPOSTBACKUP(ctx()), fs::path());
  ASSERT_TRUE(ctx().errors().last());
  EXPECT_NE(ctx().errors().last()->message.find("Backing up Company"), std::string::npos);
}

TEST(TableFile, CsvQuotesOnlyWhatNeedsItAndAFailedWriteLeavesNoFile) {
  EXPECT_EQ(csvField("Fuel"), "Fuel");
  EXPECT_EQ(csvField("1,234.50"), "\"1,234.50\"");
  EXPECT_EQ(csvField("12\" tyre"), "\"12\"\" tyre\"");
  EXPECT_EQ(csvField("two\nlines"), "\"two\nlines\"");
  EXPECT_EQ(csvField(""), "");

  test::TempDir tmp;
  const std::filesystem::path& dir = tmp.path;
  TextTable t{
      "Costs", {"Category", "Amount"}, {{"FUEL", "1,234.50"}, {"OIL, 5W-30", "-7"}}, {false, true}};
  std::string why;
  ASSERT_TRUE(writeCsv(dir / "t.csv", t, &why)) << why;
  std::ifstream in(dir / "t.csv");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(text, "Costs\r\nCategory,Amount\r\nFUEL,\"1,234.50\"\r\n\"OIL, 5W-30\",-7\r\n");

  // A workbook is a zip file; one in a folder that does not exist is refused, nothing left.
  ASSERT_TRUE(writeXlsx(dir / "t.xlsx", t, &why)) << why;
  std::ifstream x(dir / "t.xlsx", std::ios::binary);
  char magic[2] = {};
  x.read(magic, 2);
  EXPECT_EQ(std::string(magic, 2), "PK");
  EXPECT_FALSE(writeXlsx(dir / "no folder" / "t.xlsx", t, &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(writeCsv(dir / "no folder" / "t.csv", t, &why));
  EXPECT_FALSE(std::filesystem::exists(dir / "no folder"));
}

}  // namespace
}  // namespace koreq::suite
