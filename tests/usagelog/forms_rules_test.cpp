// The rules of the usage-log forms that need no window.

#include <gtest/gtest.h>

#include "usagelog/batch_form.h"
#include "usagelog/engine/entry_rules.h"

namespace koreq::usagelog::test {
namespace {

Decimal d(const char* text) {
  return *Decimal::parse(text);
}

TEST(Charges, UnitsTimesTheRateOfTheChargeTypePlusTheAdjustment) {
  Charges c = calculateCharges(d("1250.00") - d("1200.00"), "I", d("12.50"), d("40.00"), d("-25"));
  EXPECT_EQ(c.rate, d("12.50"));
  EXPECT_EQ(c.gross, d("625.00"));
  EXPECT_EQ(c.net, d("600.00"));
  c = calculateCharges(d("50"), "R", d("12.50"), d("40.00"), Decimal());
  EXPECT_EQ(c.gross, d("2000.00"));
  // An unknown charge type has no rate; the adjustment is the whole net charge.
  c = calculateCharges(d("50"), "", d("12.50"), d("40.00"), d("7"));
  EXPECT_EQ(c.rate, Decimal());
  EXPECT_EQ(c.net, d("7"));
  // Brought to two places, half away from zero.
  EXPECT_EQ(calculateCharges(d("0.33"), "I", d("0.05"), Decimal(), Decimal()).gross, d("0.02"));
  EXPECT_EQ(calculateCharges(d("-0.33"), "I", d("0.05"), Decimal(), Decimal()).gross, d("-0.02"));
}

TEST(StartMeter, IsTheHighestOfTheCurrentMeterAndTheUnpostedEndMeter) {
  MeterList meters;
  EXPECT_EQ(startMeter(d("1200"), meters, "DT-201"), d("1200"));
  meters.record("DT-201", d("1250"));
  meters.record("EX-301", d("9000"));
  EXPECT_EQ(startMeter(d("1200"), meters, "DT-201"), d("1250"));
  EXPECT_EQ(startMeter(d("1300"), meters, "DT-201"), d("1300"));
  // A lower reading, or an entry of hours only (no end meter), leaves the highest.
  meters.record("DT-201 ", d("1210"));
  meters.record("DT-201", d("0"));
  EXPECT_EQ(meters.size(), 2u);
  EXPECT_EQ(startMeter(d("1200"), meters, "DT-201"), d("1250"));
  // Rebuilt from the unposted entries in any order: the highest end meter of each.
  meters.rebuild({{"DT-201", d("7000")},
                  {"DT-201", d("6700")},
                  {"DT-201", d("0")},
                  {"PU-101", d("5")},
                  {"PU-101", d("8")},
                  {"WL-402", d("3")}});
  EXPECT_EQ(meters.size(), 3u);
  EXPECT_EQ(startMeter(d("6617.50"), meters, "DT-201"), d("7000"));
  EXPECT_EQ(meters.endMeter("PU-101"), d("8"));
  EXPECT_FALSE(meters.endMeter("EX-301"));
}

TEST(CostCode, GetsItsCostTypeFromTheKeypad) {
  EXPECT_EQ(normaliseCostCode("012345", 6), "012345E");
  EXPECT_EQ(normaliseCostCode("0123452", 6), "012345M");
  const std::pair<const char*, const char*> cases[] = {
      {"02-2001", "02-200L"},   {"02-2003", "02-200S"},
      {"02-200.", "02-200E"},   {"02-2006", "02-200G"},
      {"02-2009", "02-200B"},   {"02-2004", "02-2004"},
      {"02-200E", "02-200E"},   {"02-20", "02-20"},
      {"02-200E7", "02-200E7"}, {"", ""},
  };
  for (const auto& [typed, code] : cases) EXPECT_EQ(normaliseCostCode(typed, 6), code) << typed;
  EXPECT_EQ(normaliseCostCode("02-200  ", 6), "02-200E");
  EXPECT_EQ(normaliseCostCode("02-200", 0), "02-200");
}

TEST(DetailTypes, KeypadKeysAndTheControlsEachShows) {
  EXPECT_EQ(detailTypeForKeypad('5'), DetailType::Job);
  EXPECT_EQ(detailTypeForKeypad('6'), DetailType::GLAccount);
  EXPECT_EQ(detailTypeForKeypad('.'), DetailType::Equipment);
  EXPECT_EQ(detailTypeForKeypad('2'), DetailType::Maintenance);
  EXPECT_FALSE(detailTypeForKeypad('1'));
  for (DetailType t :
       {DetailType::Job, DetailType::GLAccount, DetailType::Equipment, DetailType::Maintenance})
    EXPECT_EQ(detailTypeFromText(detailTypeText(t)), t);
  EXPECT_EQ(detailTypeFromText("Jobs"), DetailType::None);

  DetailLayout job = detailLayout(DetailType::Job);
  EXPECT_TRUE(job.job && job.costCode);
  EXPECT_FALSE(job.account || job.chargedEquipment || job.usedEquipment || job.category);
  DetailLayout gl = detailLayout(DetailType::GLAccount);
  EXPECT_TRUE(gl.account);
  EXPECT_FALSE(gl.job || gl.costCode || gl.chargedEquipment || gl.category);
  DetailLayout eq = detailLayout(DetailType::Equipment);
  EXPECT_TRUE(eq.chargedEquipment && eq.category);
  EXPECT_FALSE(eq.usedEquipment || eq.job || eq.account);
  DetailLayout mt = detailLayout(DetailType::Maintenance);
  EXPECT_TRUE(mt.usedEquipment && mt.category);
  EXPECT_FALSE(mt.chargedEquipment || mt.job || mt.account);
}

TEST(Accounts, TheFirstControlAccountMatchingWinsAndCurrentEarningsIsKnown) {
  data::Systems s;
  s.AccountsPayable = "2000";
  s.SubcontractsPayable = "2000";  // the same account twice: the first row names it
  s.RetentionReceivable = "1150";
  s.BurdenCostsOnOpenJobs = "1360";
  s.CurrentEarnings = "3900";
  EXPECT_EQ(controlAccount(s, "2000")->name, "Accounts Payable");
  EXPECT_EQ(controlAccount(s, "1150")->ledger, "Accounts Receivable Ledger");
  ASSERT_TRUE(controlAccount(s, "1360 "));
  EXPECT_EQ(controlAccount(s, "1360")->ledger, "Job Cost Ledger");
  EXPECT_FALSE(controlAccount(s, "7100"));
  EXPECT_FALSE(controlAccount(s, ""));  // blank company accounts match no blank entry
  EXPECT_EQ(controlAccountWarning(*controlAccount(s, "1360")),
            "You have entered an account number which|is currently set up as a Control "
            "Account|for Burden Costs on Open Jobs.||If you post directly to this account, by-|"
            "passing the Job Cost Ledger, |you run the risk of losing the balance |between the "
            "General Ledger and the |Job Cost Ledger!");
  EXPECT_TRUE(isCurrentEarnings(s, "3900"));
  EXPECT_FALSE(isCurrentEarnings(s, "39"));
  EXPECT_FALSE(isCurrentEarnings(data::Systems{}, ""));
}

TEST(JobsByName, OfferedJobsWhoseNameBeginsWithTheTextInNameOrder) {
  std::vector<JobRow> jobs = {
      {"2137", "Lakeview Subdivision Phase 2", 1, 0},
      {"2101", "lakeside Sewer", 0, 0},  // not active
      {"2150", "Lake Road Culvert", 1, 0},
      {"9100", "Lake Warranty", 1, 1},  // excluded
      {"2160", "Lake Ave", 1, 2},       // excluded only by 1
      {"2122", "County Road 14", 1, 0},
  };
  EXPECT_EQ(jobChoices(jobs, "lake"),
            (std::vector<std::string>{"2160 - Lake Ave", "2150 - Lake Road Culvert",
                                      "2137 - Lakeview Subdivision Phase 2"}));
  EXPECT_TRUE(jobChoices(jobs, "Zebra").empty());
  EXPECT_EQ(jobIdOfChoice("2150 - Lake Road Culvert", 4), "2150");
  EXPECT_EQ(jobIdOfChoice("21 - Lake", 4), "21");
  EXPECT_EQ(jobIdOfChoice("21 - Lake", 0), "21");
}

TEST(ActivityLog, UnitsAsAPlainNumberAndTheShortDate) {
  EXPECT_EQ(logEntryText("Added", "DT-201", d("50.00"), "Hrs", *Date::fromYmd(2024, 3, 5)),
            "Added a log entry for equipment DT-201, 50 Hrs on 03/05/24");
  EXPECT_EQ(logEntryText("Changed", "DT-201", d("-2.50"), "Miles", *Date::fromYmd(2009, 12, 31)),
            "Changed a log entry for equipment DT-201, -2.5 Miles on 12/31/09");
}

TEST(BatchForm, SecurityTextsAndTheSystemPassword) {
  EXPECT_EQ(securityText(0), "Allow access to other users");
  EXPECT_EQ(securityText(2), "Hide from other users");
  EXPECT_EQ(securityText(7), "Allow access to other users");
  EXPECT_EQ(securityValue("Disallow access to other users"), 1);
  EXPECT_EQ(securityValue("nonsense"), 0);
  EXPECT_TRUE(systemPasswordMatches("demo  ", "DEMO"));
  EXPECT_FALSE(systemPasswordMatches("demos", "DEMO"));
  // Only the first 20 characters count.
  EXPECT_TRUE(systemPasswordMatches("ABCDEFGHIJKLMNOPQRSTxyz", "abcdefghijklmnopqrst"));
  EXPECT_FALSE(systemPasswordMatches("", "DEMO"));
}

}  // namespace
}  // namespace koreq::usagelog::test
