// The company check: the demo company holds every rule; each broken rule is named with its file
// and record, and `koreq check` exits 1 with the report.

#include "check/company_check.h"

#include <sqlite3.h>

#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/cli.h"
#include "data/access.h"
#include "data/company.h"
#include "data/error.h"
#include "data/records.h"
#include "support/demo_folder.h"
#include "support/temp_dir.h"

namespace koreq::check {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

struct Ran {
  int rc;
  std::string out;
};

Ran check(const std::filesystem::path& dir) {
  std::ostringstream out, err;
  const int rc = cli::runCli({"--data", dir.string(), "check"}, out, err);
  return {rc, out.str() + err.str()};
}

template <typename R, typename Fill>
void insert(data::Store& store, Fill fill) {
  data::ErrorObject errors;
  data::Access<R> a(store, errors);
  ASSERT_EQ(a.prime(), data::kNoError);
  fill(a.rec());
  ASSERT_EQ(a.insert(), data::kNoError) << a.lastErrorText();
}

TEST(CompanyCheck, TheDemoHoldsEveryRuleAndEachBrokenOneIsNamed) {
  test::TempDir tmp;
  const auto dir = tmp / "co";
  ASSERT_EQ(test::makeDemoFolder(dir, "2024-06-14"), "");
  Ran r = check(dir);
  EXPECT_EQ(r.rc, 0) << r.out;
  EXPECT_THAT(r.out, ::testing::MatchesRegex("The company is sound: 8 checks held over [0-9]+ "
                                             "records\\.\n"));
  {
    auto company = data::Company::open(dir);
    data::Store& store = company->store();
    insert<data::EqCost>(store, [](data::EqCost& c) {
      c.EquipmentID = "GHOST";
      c.CostCategory = "NOCAT";
      c.RecordID = "GHOST     NOCAT";
    });
    insert<data::EqLogB>(store, [](data::EqLogB& e) {
      e.BatchID = 999;
      e.EquipmentID = "GHOST";
    });
    insert<data::GlDepr>(store, [](data::GlDepr& d) { d.EquipmentID = "GHOST"; });
    insert<data::GlTrans>(store, [](data::GlTrans& t) {
      t.JournalID = "E/Q";
      t.JournalNo = 99999;
      t.CreditDebit = "D";
      t.Amount = Decimal::fromCents(1050);
    });
    // Another module's journal is not this check's business.
    insert<data::GlTrans>(store, [](data::GlTrans& t) {
      t.JournalID = "A/P";
      t.JournalNo = 99999;
      t.CreditDebit = "C";
      t.Amount = Decimal(5);
    });
    data::ErrorObject errors;
    data::Access<data::EqBatch> batches(store, errors);
    batches.set(data::EqBatch::def().primaryKey());
    ASSERT_EQ(batches.next(), data::kNoError);
    const std::int32_t first = batches.rec().SortID;
    ASSERT_EQ(batches.next(), data::kNoError);
    batches.rec().SortID = first;
    ASSERT_EQ(batches.update(), data::kNoError);
    // A total changed behind the program's back.
    data::Access<data::EqHeader> eq(store, errors);
    ASSERT_EQ(eq.fetch("KeyEquipmentID", {data::Value(std::string("EX-301"))}), data::kNoError);
    eq.rec().CumulativeUnits = eq.rec().CumulativeUnits + Decimal(100);
    ASSERT_EQ(eq.update(), data::kNoError);
  }
  r = check(dir);
  EXPECT_EQ(r.rc, 1);
  std::vector<std::string> lines;
  for (std::istringstream s(r.out); std::getline(s, r.out);) lines.push_back(r.out);
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[0].substr(0, 16), "8 faults found i");
  EXPECT_THAT(lines[8], ::testing::MatchesRegex(
                            "EQHEADER EQH:EquipmentID EX-301: EQH:CumulativeUnits is [0-9.]+, its "
                            "posted usage \\(EQLOG\\) sums to [0-9.]+"));
  EXPECT_THAT(lines[1], ::testing::MatchesRegex(
                            "EQCOST EQC:PrimaryRecordID [0-9]+ \\(GHOST NOCAT\\): no equipment "
                            "GHOST in EQHEADER"));
  EXPECT_THAT(lines[2], HasSubstr("(GHOST NOCAT): no cost category NOCAT in EQCODE"));
  EXPECT_THAT(lines[3], ::testing::MatchesRegex(
                            "EQLOGB EQLB:LogID [0-9]+ \\(batch 999, GHOST\\): no batch 999 in "
                            "EQBATCH"));
  EXPECT_THAT(lines[4], HasSubstr("(batch 999, GHOST): no equipment GHOST in EQHEADER"));
  EXPECT_THAT(lines[5],
              ::testing::MatchesRegex(
                  "EQBATCH EQB:BatchID [0-9]+: EQB:SortID [0-9]+ is also batch [0-9]+'s"));
  EXPECT_THAT(lines[6], ::testing::MatchesRegex("GLDEPR GLDP:RecordID [0-9]+ \\(GHOST\\): no "
                                                "equipment GHOST in EQHEADER"));
  EXPECT_THAT(lines[7], ::testing::MatchesRegex(
                            "GLTRANS journal E/Q 99999 \\(from GLT:RecordID [0-9]+\\): debits "
                            "10.50 and credits 0.00 do not balance"));

  // The database's own check: an index that no longer matches its table.
  {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((dir / data::Company::kDatabaseName).c_str(), &db), SQLITE_OK);
    char* error = nullptr;
    const int rc = sqlite3_exec(
        db,
        "PRAGMA writable_schema=ON;"
        "UPDATE sqlite_schema SET sql = replace(sql, '(\"CategoryID\")', '(\"Description\")')"
        " WHERE type = 'index' AND tbl_name = 'eqcode' AND name = 'eqcode_KeyCategoryID';",
        nullptr, nullptr, &error);
    EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
  }
  std::vector<std::string> steps;
  auto company = data::Company::open(dir, true);
  const CheckReport report =
      checkCompany(company->store(), [&](int n, int of, const std::string& title) {
        steps.push_back(std::to_string(n) + "/" + std::to_string(of) + " " + title);
      });
  EXPECT_THAT(steps, ElementsAre("1/8 Checking the database", "2/8 Checking every value",
                                 "3/8 Checking EQCOST", "4/8 Checking EQLOGB",
                                 "5/8 Checking EQBATCH", "6/8 Checking GLDEPR",
                                 "7/8 Checking GLTRANS", "8/8 Checking the posted totals"));
  ASSERT_GT(report.findings.size(), 7u);
  EXPECT_EQ(report.findings[0].file, "database");
  EXPECT_EQ(report.findings.size(), report.broken);
}

void execRaw(const std::filesystem::path& dir, const std::string& sql) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((dir / data::Company::kDatabaseName).c_str(), &db), SQLITE_OK);
  char* error = nullptr;
  const int rc = sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error);
  EXPECT_EQ(rc, SQLITE_OK) << (error ? error : "");
  sqlite3_free(error);
  sqlite3_close(db);
}

TEST(CompanyCheck, EveryValueItsFieldCannotHoldIsNamedAndTheCheckGoesOn) {
  test::TempDir tmp;
  const auto dir = tmp / "co";
  ASSERT_EQ(test::makeDemoFolder(dir, "2024-06-14"), "");
  execRaw(dir,
          "UPDATE gltrans SET \"Amount\" = 99999999999999999 WHERE _rowid = 3;"
          "UPDATE eqlogb SET \"Units\" = 'abc' WHERE _rowid = 1;"
          "UPDATE eqlogb SET \"Date\" = -5 WHERE _rowid = 2;"
          "UPDATE eqlogb SET \"EmployeeID\" = 70000 WHERE _rowid = 4;"
          "UPDATE gldepr SET \"EquipmentID\" = 'GHOST' WHERE _rowid = 1;");
  Ran r = check(dir);
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.out, HasSubstr("EQLOGB record 1: EQLB:Units holds 'abc', which the field cannot "
                               "hold (not a whole number as stored)"));
  EXPECT_THAT(r.out, HasSubstr("EQLOGB record 2: EQLB:Date holds '-5', which the field cannot "
                               "hold (day number out of range"));
  EXPECT_THAT(r.out, HasSubstr("EQLOGB record 4: EQLB:EmployeeID holds '70000', which the field "
                               "cannot hold (number out of range (0 to 65535))"));
  EXPECT_THAT(r.out, HasSubstr("GLTRANS record 3: GLT:Amount holds '999999999999999.99', which "
                               "the field cannot hold"));
  // The rules are checked as before.
  EXPECT_THAT(r.out, ::testing::ContainsRegex("GLDEPR GLDP:RecordID [0-9]+ \\(GHOST\\): no "
                                              "equipment GHOST in EQHEADER"));

  // Every other command names the file, record and field of a value it cannot read.
  std::ostringstream out, err;
  EXPECT_EQ(cli::runCli({"--data", dir.string(), "dump", "GLTRANS"}, out, err), 1);
  EXPECT_THAT(err.str(), HasSubstr("GLTrans record 3: GLT:Amount holds '999999999999999.99'"));
}

TEST(CompanyCheck, ReadsOneSnapshotWhileAnotherStationWrites) {
  test::TempDir tmp;
  const auto dir = tmp / "co";
  ASSERT_EQ(test::makeDemoFolder(dir, "2024-06-14"), "");
  auto company = data::Company::open(dir, true);
  auto other = data::Company::open(dir);
  // Between the equipment and the usage logs, another station adds an equipment and its entry:
  // read file after file, the entry would have no equipment.
  const CheckReport report =
      checkCompany(company->store(), [&](int, int, const std::string& title) {
        if (title != "Checking EQLOGB") return;
        data::Store& store = other->store();
        ASSERT_TRUE(store.begin(data::kWriterWait));
        insert<data::EqHeader>(store, [](data::EqHeader& h) { h.EquipmentID = "NEW-1"; });
        insert<data::EqLogB>(store, [](data::EqLogB& e) {
          e.BatchID = 1;
          e.EquipmentID = "NEW-1";
        });
        store.commit();
      });
  EXPECT_TRUE(report.sound()) << report.text();
}

}  // namespace
}  // namespace koreq::check
