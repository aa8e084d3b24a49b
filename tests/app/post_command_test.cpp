// koreq post on the demo company: what it refuses, what it prints, and that the company still
// agrees with itself after a posting (equipment totals = the usage log, category totals and
// income = the ledger).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>

#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"

namespace koreq::cli::test {
namespace {

using ::testing::HasSubstr;

template <typename R>
std::vector<R> all(data::Store& store) {
  data::ErrorObject errors;
  data::Access<R> a(store, errors);
  a.set(R::def().primaryKey());
  std::vector<R> out;
  while (a.next() == data::kNoError) out.push_back(a.rec());
  return out;
}

class PostCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    setDemoMaker(&demo::makeDemoCompany);
    ASSERT_EQ(post({"init", "--demo"}).rc, 0);
  }
  void TearDown() override { setDemoMaker({}); }

  Result post(std::vector<std::string> args, const char* user = "ADM") {
    args.insert(args.begin(),
                {"--data", (dir_ / "demo").string(), "--today", "2025-07-16", "--user", user});
    return run(std::move(args));
  }
  std::unique_ptr<data::Company> open() { return data::Company::open(dir_ / "demo"); }

  TempDir dir_;
};

TEST_F(PostCommand, RefusalsPostNothing) {
  Result denied = post({"post", "1"}, "NOP");
  EXPECT_EQ(denied.rc, 1);
  EXPECT_EQ(denied.err,
            "koreq: Access Denied: This user is not allowed to post Equipment Usage Logs.\n");
  Result foreign = post({"post", "1", "2"});
  EXPECT_EQ(foreign.rc, 1);
  EXPECT_EQ(foreign.err,
            "koreq: Unable to Tag Batch: This batch can only be tagged by user EQV.\n");
  EXPECT_EQ(post({"post", "77"}).err, "koreq: there is no batch 000077\n");
  EXPECT_EQ(post({"post", "x1"}).rc, 2);

  auto company = open();
  for (const auto& b : all<data::EqBatch>(company->store()))
    EXPECT_TRUE(b.InUse.empty()) << "the marks of the refused run are cleared";
  EXPECT_EQ(all<data::EqLogB>(company->store()).size(), 15u);
}

TEST_F(PostCommand, AFailingEntryIsPrintedAndNothingIsPosted) {
  {
    auto company = open();
    data::ErrorObject errors;
    data::Access<data::EqLogB> e(company->store(), errors);
    e.setRange(*data::EqLogB::def().key("KeyBatchID"), {std::int64_t{2}});
    ASSERT_EQ(e.next(), data::kNoError);
    e.rec().JobID = "9999";
    ASSERT_EQ(e.update(), data::kNoError);
  }
  Result r = post({"post", "2"}, "EQV");
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("): job 9999 does not exist\n"));
  EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1);
  EXPECT_EQ(r.out, "");
}

TEST_F(PostCommand, PostsAndTheCompanyStillAgreesWithItself) {
  std::size_t logBefore = 0;
  {
    auto company = open();
    logBefore = all<data::EqLog>(company->store()).size();
  }
  Result r = post({"post", "1"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("Batch 000001: 8 entries, "));
  EXPECT_THAT(r.out, HasSubstr("(repeating: its entries moved to their next dates)"));
  EXPECT_THAT(r.out, HasSubstr("Posted 8 entries in journal E/Q "));
  EXPECT_THAT(r.out, HasSubstr(" ledger lines, debits "));
  EXPECT_EQ(run({"--data", (dir_ / "demo").string(), "check"}).rc, 0);

  auto company = open();
  data::Store& store = company->store();
  const auto log = all<data::EqLog>(store);
  EXPECT_EQ(log.size(), logBefore + 8);
  for (const auto& e : all<data::EqLogB>(store))
    if (e.BatchID == 1) {
      EXPECT_GT(e.Date, *Date::fromIso("2025-07-16"));
    }

  // Equipment totals are the sums of the usage log (shop time is non-productive).
  std::map<std::string, std::vector<Decimal>> sums;
  for (const auto& e : log) {
    auto& s = sums[e.EquipmentID.str()];
    s.resize(4);
    s[0] += e.Units;
    if (e.DetailType == "Maintenance")
      s[1] += e.Units;
    else if (e.ChargeType == "R")
      s[2] += e.AdjustedAmount;
    else
      s[3] += e.AdjustedAmount;
  }
  std::map<std::string, Decimal> income;
  std::map<std::string, Decimal> categories;
  Decimal balance;
  for (const auto& t : all<data::GlTrans>(store)) {
    const Decimal signedAmount = t.CreditDebit == "D" ? t.Amount : -t.Amount;
    balance += signedAmount;
    if (t.CostCategory == ".I" || t.CostCategory == ".R")
      income[t.EquipmentID.str()] -= signedAmount;
    else if (t.SubsidiaryID == "E")
      categories[t.SubsidiaryCode.str()] += signedAmount;
  }
  EXPECT_TRUE(balance.isZero());
  for (const auto& h : all<data::EqHeader>(store)) {
    SCOPED_TRACE(h.EquipmentID.str());
    auto s = sums[h.EquipmentID.str()];
    s.resize(4);
    EXPECT_EQ(h.CumulativeUnits, s[0]);
    EXPECT_EQ(h.CumulativeNonProductiveUnits, s[1]);
    EXPECT_EQ(h.CumulativeRentalIncome, s[2]);
    EXPECT_EQ(h.CumulativeInternalIncome, s[3]);
    EXPECT_EQ(income[h.EquipmentID.str()], s[2] + s[3]);
  }
  for (const auto& k : all<data::EqCost>(store))
    EXPECT_EQ(k.CumulativeAmount, categories[k.RecordID.str()]) << k.RecordID.str();
}

}  // namespace
}  // namespace koreq::cli::test
