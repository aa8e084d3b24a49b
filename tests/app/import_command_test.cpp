// koreq import on the demo company: error lines stop the import unless --proceed; what it adds
// is priced and counted; the flags answer the window's questions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "app/record_json.h"
#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"

namespace koreq::cli::test {
namespace {

using ::testing::HasSubstr;

std::string recordJson(const data::EqLogB& e) {
  std::string out;
  for (const data::FieldDef& f : data::EqLogB::def().fields) appendFieldJson(out, f, &e);
  return out;
}

class ImportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    setDemoMaker(&demo::makeDemoCompany);
    ASSERT_EQ(koreq({"init", "--demo"}).rc, 0);
    std::ofstream(file()) << "AC-801,0,0,8,R,Job,,2101,01-100E,,,\"Pour, north\",03/05/2024\n"
                             "\n"
                             "AC-802,100,130,0,,,,2101,01-900L\n"
                             "ZZ-1,0,0,1,,,1000\n";
  }
  void TearDown() override { setDemoMaker({}); }

  Result koreq(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", (dir_ / "demo").string(), "--today", "2025-07-16"});
    return run(std::move(args));
  }
  std::string file() const { return (dir_ / "in.csv").string(); }
  long entries() {
    auto company = data::Company::open(dir_ / "demo");
    data::ErrorObject errors;
    data::Access<data::EqLogB> a(company->store(), errors);
    return static_cast<long>(a.records());
  }

  TempDir dir_;
};

TEST_F(ImportCommand, ErrorsStopItUnlessToldToProceed) {
  const long before = entries();
  Result stopped = koreq({"import", "1", file()});
  EXPECT_EQ(stopped.rc, 1);
  EXPECT_THAT(stopped.out, HasSubstr("Line 4: Equipment: ZZ-1 Not Found\n2 items read, 1 line"));
  EXPECT_THAT(stopped.err, HasSubstr("nothing was imported"));
  EXPECT_EQ(entries(), before);

  Result some = koreq({"import", "1", file(), "--proceed", "--equipment-only"});
  EXPECT_EQ(some.rc, 0) << some.err;
  EXPECT_THAT(some.out, HasSubstr("Imported 1 entry into batch 000001 (1 charged to cost types"));
  EXPECT_EQ(entries(), before + 1);

  // The AC-801 line is in the batch now: named, and imported only when allowed.
  Result again = koreq({"import", "1", file(), "--proceed"});
  EXPECT_EQ(again.rc, 1);
  EXPECT_THAT(again.out, HasSubstr("Line 1: Possible duplicate: AC-801 3/05/2024 8 units is "
                                   "already in batch 1\n"));
  EXPECT_THAT(again.err, HasSubstr("1 line repeats an entry: nothing was imported"));
  EXPECT_EQ(entries(), before + 1);
  Result allowed = koreq({"import", "1", file(), "--proceed", "--allow-duplicates"});
  EXPECT_EQ(allowed.rc, 0) << allowed.err;
  EXPECT_THAT(allowed.out, HasSubstr("Amounts are computed from the equipment rates"));
  EXPECT_EQ(entries(), before + 3);

  EXPECT_EQ(koreq({"import", "1", file(), "--source", "Nope"}).err,
            "koreq: there is no import source named \"Nope\"\n");
  EXPECT_EQ(koreq({"import", "99", file()}).err, "koreq: there is no batch 000099\n");
  // EQV's protected batch is EQV's to fill, as in the batch manager.
  EXPECT_EQ(koreq({"import", "2", file(), "--proceed"}).err,
            "koreq: batch 000002 is protected by user EQV; nothing was imported\n");
  EXPECT_EQ(entries(), before + 3);
  EXPECT_EQ(koreq({"import", "1", file(), "--all-types", "--equipment-only"}).rc, 2);
  EXPECT_EQ(koreq({"import", "1", (dir_ / "missing.csv").string()}).rc, 1);
}

// A spreadsheet's file from Windows: a header row, Windows-1252 text, CR line ends, a quoted
// cell over two lines; what it holds lands in its own fields.
TEST_F(ImportCommand, ReadsWindowsTextWithAHeaderAndNamedEncodings) {
  std::ofstream(file(), std::ios::binary)
      << "Equipment,Start,End,Units\r"
         "AC-801,0,0,8,R,Job,,2101,01-100E,,,O\x92"
         "Brien \x96 fuel,03/05/2024,yard,12\r"
         "AC-801,0,0,9,R,Job,,2101,01-100E,,,\"two\rlines\" ,03/06/2024\r";
  EXPECT_EQ(koreq({"import", "1", file()}).rc, 1);  // the header is an error line
  EXPECT_EQ(koreq({"import", "1", file(), "--encoding", "EBCDIC"}).rc, 2);
  Result latin = koreq({"import", "1", file(), "--header", "--encoding", "ISO-8859-1"});
  EXPECT_THAT(latin.out, HasSubstr("Line 2: Line is not text\n"));
  const long before = entries();
  Result ok = koreq({"import", "1", file(), "--header"});
  ASSERT_EQ(ok.rc, 0) << ok.out << ok.err;
  EXPECT_THAT(ok.out, HasSubstr("Header line skipped: Equipment,Start,End,Units\n"));
  EXPECT_THAT(ok.out, HasSubstr("(the file read as Windows-1252)"));
  ASSERT_EQ(entries(), before + 2);
  auto company = data::Company::open(dir_ / "demo");
  data::ErrorObject errors;
  data::Access<data::EqLogB> a(company->store(), errors);
  std::vector<data::EqLogB> added;
  for (a.set(*data::EqLogB::def().key("KeyLogID")); a.next() == data::kNoError;)
    added.push_back(a.rec());
  const data::EqLogB& first = added[added.size() - 2];
  EXPECT_EQ(first.Comments.str(),
            "O\u2019"
            "Brien \u2013 fuel");
  EXPECT_EQ(first.Location.str(), "YARD");
  EXPECT_EQ(first.EmployeeID, 12);
  EXPECT_EQ(added.back().Comments.str(), "two lines");
  EXPECT_EQ(added.back().Date, *Date::fromYmd(2024, 3, 6));
}

// Every demo batch written out and read back gives its entries again, field for field; only
// the adjusted amount is not in the file (the import prices from the rates).
TEST_F(ImportCommand, EveryDemoBatchSurvivesTheRoundTrip) {
  std::vector<data::EqBatch> batches;
  {
    auto company = data::Company::open(dir_ / "demo");
    data::ErrorObject errors;
    data::Access<data::EqBatch> b(company->store(), errors);
    for (b.set(*data::EqBatch::def().key("KeyBatchID")); b.next() == data::kNoError;)
      batches.push_back(b.rec());
  }
  ASSERT_FALSE(batches.empty());
  auto entriesOf = [&](std::uint16_t batch) {
    auto company = data::Company::open(dir_ / "demo");
    data::ErrorObject errors;
    data::Access<data::EqLogB> a(company->store(), errors);
    std::vector<data::EqLogB> out;
    for (a.set(*data::EqLogB::def().key("KeyLogID")); a.next() == data::kNoError;)
      if (a.rec().BatchID == batch) out.push_back(a.rec());
    return out;
  };
  int tried = 0;
  for (const data::EqBatch& b : batches) {
    const auto before = entriesOf(b.BatchID);
    if (before.empty()) continue;
    const std::string out = (dir_ / ("batch" + std::to_string(b.BatchID) + ".txt")).string();
    // Each batch by its owner, who may both export and import it.
    const std::string owner = b.UserID.empty() ? "ADM" : b.UserID.str();
    Result exported = koreq({"--user", owner, "export", std::to_string(b.BatchID), out});
    ASSERT_EQ(exported.rc, 0) << exported.err;
    Result imported = koreq({"--user", owner, "import", std::to_string(b.BatchID), out,
                             "--all-types", "--allow-duplicates"});
    ASSERT_EQ(imported.rc, 0) << b.BatchID << ": " << imported.out << imported.err;
    const auto after = entriesOf(b.BatchID);
    ASSERT_EQ(after.size(), 2 * before.size()) << b.BatchID;
    for (std::size_t i = 0; i < before.size(); ++i) {
      data::EqLogB expected = before[i], got = after[before.size() + i];
      expected.LogID = got.LogID;
      expected.AdjustedAmount = expected.GrossAmount;
      EXPECT_EQ(recordJson(got), recordJson(expected)) << "batch " << b.BatchID << " entry " << i;
    }
    ++tried;
  }
  EXPECT_GT(tried, 1);
}

// The built-in source is added with the first import that lands, not by one that is refused.
TEST_F(ImportCommand, ARefusedImportLeavesNoBuiltInSourceBehind) {
  auto sources = [&] {
    auto company = data::Company::open(dir_ / "demo");
    data::ErrorObject errors;
    return data::Access<data::JcLimits>(company->store(), errors).records();
  };
  const auto before = sources();
  EXPECT_EQ(koreq({"import", "1", file()}).rc, 1);
  EXPECT_EQ(koreq({"import", "1", file(), "--source", "Nope"}).rc, 1);
  EXPECT_EQ(sources(), before);
  EXPECT_EQ(koreq({"import", "1", file(), "--proceed"}).rc, 0);
  EXPECT_EQ(sources(), before + 1);
}

}  // namespace
}  // namespace koreq::cli::test
