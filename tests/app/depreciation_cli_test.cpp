#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "support/temp_dir.h"

namespace koreq {
namespace {

namespace fs = std::filesystem;

struct Result {
  int rc = -1;
  std::string out, err;
};

class DepreciationCliTest : public ::testing::Test {
 protected:
  DepreciationCliTest() { data_ = (tmp_ / "company").string(); }

  Result run(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", data_, "--today", "2016-01-15"});
    std::ostringstream out, err;
    Result r;
    r.rc = cli::runCli(std::move(args), out, err);
    r.out = out.str();
    r.err = err.str();
    return r;
  }

  void addEquipment(const char* id) {
    auto company = data::Company::open(data_);
    data::ErrorObject errors;
    data::Access<data::EqHeader> eqh(company->store(), errors);
    ASSERT_EQ(eqh.prime(), data::kNoError);
    eqh.rec().EquipmentID = id;
    eqh.rec().Description = "Dump truck";
    eqh.rec().PurchaseDate = *Date::fromYmd(2015, 3, 17);
    eqh.rec().PurchaseValue = *Decimal::parse("1800");
    eqh.rec().SalvageValue = *Decimal::parse("180");
    eqh.rec().DepreciationYears = 18;
    ASSERT_EQ(eqh.insert(), data::kNoError);
  }

  ::koreq::test::TempDir tmp_;
  std::string data_;
};

TEST_F(DepreciationCliTest, CalculatesStoresAndSummarisesTheSchedule) {
  ASSERT_EQ(run({"init"}).rc, 0);
  addEquipment("TRUCK1");

  Result r = run({"depreciation", "calculate", "TRUCK1"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "18 rows written\n");
  // Recalculating updates the same rows.
  EXPECT_EQ(run({"depreciation", "calculate", "TRUCK1"}).out, "18 rows written\n");

  r = run({"depreciation", "summary", "TRUCK1"});
  ASSERT_EQ(r.rc, 0) << r.err;
  auto years = nlohmann::ordered_json::parse(r.out);
  // A year, the six-month part-year, the closing entry.
  ASSERT_EQ(years.size(), 3u);
  EXPECT_EQ(years[0]["Year"], 1);
  EXPECT_EQ(years[0]["SLBeginValue"], "1800.00");
  EXPECT_EQ(years[0]["SLAnnualCharge"], "1080.00");
  EXPECT_EQ(years[0]["DDBBeginValue"], "1800.00");
  EXPECT_EQ(years[1]["Year"], 2);
  EXPECT_EQ(years[1]["SLAnnualCharge"], "540.00");
  EXPECT_EQ(years[2]["Year"], 3);
  EXPECT_EQ(years[2]["SYBeginValue"], "180.00");
  EXPECT_EQ(years[2]["DDBAnnualCharge"], "0.00");
  std::vector<std::string> keys;
  for (const auto& [k, v] : years[0].items()) keys.push_back(k);
  EXPECT_EQ(keys,
            (std::vector<std::string>{"Year", "SLBeginValue", "SLAnnualCharge", "SYBeginValue",
                                      "SYAnnualCharge", "DDBBeginValue", "DDBAnnualCharge"}));

  // Sold in the fifth month: the later rows go.
  {
    auto company = data::Company::open(data_);
    data::ErrorObject errors;
    data::Access<data::EqHeader> eqh(company->store(), errors);
    ASSERT_EQ(eqh.fetch("KeyEquipmentID", {std::string("TRUCK1")}), data::kNoError);
    eqh.rec().SaleDate = *Date::fromYmd(2015, 8, 20);
    ASSERT_EQ(eqh.update(), data::kNoError);
  }
  EXPECT_EQ(run({"depreciation", "calculate", "TRUCK1"}).out,
            "5 rows written\n13 rows outside the schedule deleted\n");
  // The five months left are a part-year before the closing entry.
  EXPECT_EQ(nlohmann::ordered_json::parse(run({"depreciation", "summary", "TRUCK1"}).out).size(),
            2u);
}

TEST_F(DepreciationCliTest, EveryScheduleAtOnceForAUserWhoMayChangeEquipment) {
  ASSERT_EQ(run({"init"}).rc, 0);
  addEquipment("TRUCK1");
  addEquipment("TRUCK2");
  Result r = run({"depreciation", "calculate", "--all"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out,
            "2 pieces of equipment: 2 schedules stored (36 rows written, 0 outside the schedule "
            "deleted)\n");
  EXPECT_EQ(run({"depreciation", "summary", "--all"}).rc, 2);
  EXPECT_EQ(run({"depreciation", "calculate", "TRUCK1", "--all"}).rc, 2);
  // A user without the right to change equipment calculates nothing.
  {
    auto company = data::Company::open(data_);
    data::ErrorObject errors;
    data::Access<data::UserFile> users(company->store(), errors);
    ASSERT_EQ(users.prime(), data::kNoError);
    users.rec().UserID = "CLK";
    ASSERT_EQ(users.insert(), data::kNoError);
  }
  std::vector<std::string> args = {"--user", "CLK", "depreciation", "calculate", "--all"};
  r = run(args);
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("may not change equipment"), std::string::npos) << r.err;
}

TEST_F(DepreciationCliTest, UnknownEquipmentAndBadUsage) {
  ASSERT_EQ(run({"init"}).rc, 0);
  Result r = run({"depreciation", "calculate", "NOPE"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("no equipment 'NOPE'"), std::string::npos) << r.err;
  EXPECT_EQ(r.out, "");
  r = run({"depreciation", "summary", "NOPE"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(run({"depreciation", "summary", "AN-ID-LONGER-THAN-TEN"}).rc, 1);

  EXPECT_EQ(run({"depreciation", "forecast", "TRUCK1"}).rc, 2);
  EXPECT_EQ(run({"depreciation", "calculate"}).rc, 2);
  EXPECT_EQ(run({"depreciation", "calculate", "A", "B"}).rc, 2);
}

}  // namespace
}  // namespace koreq
