#include "demo/demo_company.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <tuple>

#include <unistd.h>

#include "data/company.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "support/temp_dir.h"

namespace koreq::demo {
namespace {

namespace fs = std::filesystem;
using namespace data;

using ::koreq::test::TempDir;

Date day(const char* iso) {
  return *Date::fromIso(iso);
}

// A company in a folder of its own, with a session on a fixed day.
struct Made {
  TempDir dir;
  FixedClock clock;
  std::unique_ptr<frame::Session> session;
  std::unique_ptr<frame::Context> ctx;
  std::string log;

  explicit Made(Date today, bool makeDemo = true) : clock(today) {
    session = std::make_unique<frame::Session>(Company::create(dir.path), clock, "ADM");
    ctx = std::make_unique<frame::Context>(*session);
    if (makeDemo) {
      std::ostringstream out;
      makeDemoCompany(*session, out);
      log = out.str();
    }
  }

  template <typename R>
  std::vector<R> all() {
    auto& a = ctx->access<R>();
    a.set(R::def().primaryKey());
    std::vector<R> out;
    while (a.next() == kNoError) out.push_back(a.rec());
    return out;
  }

  // Every stored field of every record of a file, in key order.
  std::string dump(const FileDef& def) {
    ScanSpec range;
    range.key = &def.primaryKey();
    std::string s;
    for (const auto& row : session->store().scan(def, range)) {
      for (const auto& v : row.values) s += valueToText(v) + "|";
      s += "\n";
    }
    return s;
  }
};

std::string pad10(const std::string& s) {
  return s + std::string(10 - s.size(), ' ');
}

struct Figures {
  Decimal internalUnits, internalIncome, rentalUnits, rentalIncome, nonProductive, units;
  bool operator==(const Figures&) const = default;
};

// How posting sums a usage entry: shop time ("Maintenance") is non-productive use.
void addEntry(Figures& f, const EqLog& e) {
  f.units += e.Units;
  if (e.DetailType == "Maintenance") {
    f.nonProductive += e.Units;
  } else if (e.ChargeType == "R") {
    f.rentalUnits += e.Units;
    f.rentalIncome += e.AdjustedAmount;
  } else {
    f.internalUnits += e.Units;
    f.internalIncome += e.AdjustedAmount;
  }
}

std::ostream& operator<<(std::ostream& o, const Figures& f) {
  return o << "[I " << f.internalUnits.toString() << "/" << f.internalIncome.toString() << " R "
           << f.rentalUnits.toString() << "/" << f.rentalIncome.toString() << " N "
           << f.nonProductive.toString() << " U " << f.units.toString() << "]";
}

// One demo company, made once for the checks that only read it: today is a Wednesday in
// mid-July, so the history runs the full eighteen months.
class DemoCompany : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { made = new Made(day("2025-07-16")); }
  static void TearDownTestSuite() {
    delete made;
    made = nullptr;
  }
  static Made* made;
};
Made* DemoCompany::made = nullptr;

TEST_F(DemoCompany, EquipmentRegisterHasEveryKindOfRecord) {
  const auto eq = made->all<EqHeader>();
  ASSERT_GE(eq.size(), 28u);
  ASSERT_LE(eq.size(), 32u);
  std::set<int> methods;
  std::set<std::string> ids, units;
  int inactive = 0, sold = 0;
  for (const auto& h : eq) {
    SCOPED_TRACE(h.EquipmentID.str());
    EXPECT_TRUE(ids.insert(h.EquipmentID.str()).second);
    EXPECT_FALSE(h.Description.empty());
    methods.insert(h.DepreciationMethod);
    if (h.DepreciationMethod == 4) {
      EXPECT_EQ(h.UD1DepreciationDesc.str(), "Tax Basis");
    } else {
      EXPECT_TRUE(h.UD1DepreciationDesc.empty());
    }
    EXPECT_GT(h.DepreciationYears, 0);
    EXPECT_GT(h.PurchaseValue, h.SalvageValue);
    EXPECT_LE(h.PurchaseDate, made->clock.today());
    units.insert(h.UsageUnit.str());
    EXPECT_EQ(h.BillingUnit, h.UsageUnit);
    EXPECT_GT(h.InternalBillingRate, Decimal());
    if (!h.Active) ++inactive;
    if (!h.SaleDate.isEmpty()) {
      ++sold;
      EXPECT_EQ(h.Active, 0);
      EXPECT_GT(h.SaleValue, Decimal());
      EXPECT_GT(h.SaleDate, h.PurchaseDate);
    }
    EXPECT_TRUE(h.DestinationType == "None" || h.DestinationType == "G/L Account" ||
                h.DestinationType == "Category");
  }
  EXPECT_EQ(methods, (std::set<int>{1, 2, 3, 4}));
  EXPECT_GE(inactive, 2);
  EXPECT_EQ(sold, 1);
  EXPECT_EQ(units, (std::set<std::string>{"Hours", "Miles"}));
}

TEST_F(DemoCompany, EquipmentCodesAndAccountsAllExist) {
  std::set<std::string> accounts, certs, classes, licences;
  for (const auto& a : made->all<GlMaster>()) accounts.insert(a.Account.str());
  for (const auto& p : made->all<PrCert>()) certs.insert(p.CertifiedID.str());
  for (const auto& d : made->all<DropList>()) {
    if (d.FieldName == "EQH Class Code")
      classes.insert(d.StringVal.str());
    else if (d.FieldName == "EQH License Code")
      licences.insert(d.StringVal.str());
    else
      ADD_FAILURE() << "unexpected drop list " << d.FieldName.str();
  }
  std::set<std::pair<std::string, std::string>> categories;
  for (const auto& k : made->all<EqCost>())
    categories.insert({k.EquipmentID.str(), k.CostCategory.str()});
  for (const auto& h : made->all<EqHeader>()) {
    SCOPED_TRACE(h.EquipmentID.str());
    EXPECT_TRUE(classes.count(h.ClassCode.str()));
    EXPECT_TRUE(licences.count(h.LicenseCode.str()));
    EXPECT_TRUE(accounts.count(h.AssetAccount.str()));
    EXPECT_TRUE(accounts.count(h.InternalIncomeControl.str()));
    EXPECT_TRUE(accounts.count(h.RentalIncomeControl.str()));
    if (!h.CertifiedID.empty()) {
      EXPECT_TRUE(certs.count(h.CertifiedID.str()));
    }
    if (h.DestinationType == "G/L Account") {
      EXPECT_TRUE(accounts.count(h.DestinationAccount.str()));
    }
    if (h.DestinationType == "Category") {
      EXPECT_TRUE(categories.count({h.EquipmentID.str(), h.DestinationCategory.str()}));
    }
  }
  const auto defs = made->all<UserDef>();
  ASSERT_EQ(defs.size(), 1u);
  EXPECT_EQ(defs[0].File.str(), "EQHeader");
  EXPECT_EQ(defs[0].U1.str(), "Fuel Card #");
  EXPECT_EQ(defs[0].U4.str(), "GPS Unit");
}

TEST_F(DemoCompany, CostCategoriesAreKnownAndUniquePerEquipment) {
  const auto codes = made->all<EqCode>();
  EXPECT_GE(codes.size(), 10u);
  std::set<std::string> known;
  std::set<std::string> schedules;
  for (const auto& d : codes) {
    known.insert(d.CategoryID.str());
    schedules.insert(d.ScheduleType.str() + d.MeterName.str() + d.IntervalName.str());
  }
  // Every kind of default schedule: none, meter in miles and in hours, elapsed months and
  // days, and meter or elapsed time.
  for (const char* s : {"N", "MMiles", "MHours", "EMonths", "EDays", "BHoursMonths"})
    EXPECT_TRUE(schedules.count(s)) << s;

  std::set<std::string> equipment;
  for (const auto& h : made->all<EqHeader>()) equipment.insert(h.EquipmentID.str());
  std::set<std::string> recordIds;
  std::map<std::string, int> perEquipment;
  for (const auto& k : made->all<EqCost>()) {
    SCOPED_TRACE(k.RecordID.str());
    EXPECT_TRUE(known.count(k.CostCategory.str()));
    EXPECT_TRUE(equipment.count(k.EquipmentID.str()));
    EXPECT_EQ(k.RecordID.str(), pad10(k.EquipmentID.str()) + k.CostCategory.str());
    EXPECT_TRUE(recordIds.insert(k.RecordID.str()).second) << "two records for one category";
    const std::string t = k.ScheduleType.str();
    EXPECT_TRUE(t == "N" || t == "M" || t == "E" || t == "B");
    if (t == "M" || t == "B") {
      EXPECT_GT(k.Meter, 0u);
    }
    if (t == "E" || t == "B") {
      EXPECT_GT(k.Interval, 0u);
    }
    ++perEquipment[k.EquipmentID.str()];
  }
  for (const auto& id : equipment) EXPECT_GE(perEquipment[id], 4) << id;
}

TEST_F(DemoCompany, UsageLogCoversEveryDetailAndChargeType) {
  const auto log = made->all<EqLog>();
  EXPECT_GE(log.size(), 300u);
  EXPECT_LE(log.size(), 1200u);
  std::set<std::string> details, charges;
  for (const auto& e : log) {
    details.insert(e.DetailType.str());
    charges.insert(e.ChargeType.str());
    EXPECT_EQ(e.Posted, 1);
    EXPECT_GT(e.JournalNumber, 0);
    EXPECT_LT(e.Date, made->clock.today());
    EXPECT_GE(e.Date, day("2024-01-01"));
  }
  EXPECT_EQ(details, (std::set<std::string>{"Equipment", "G/L Account", "Job", "Maintenance"}));
  EXPECT_EQ(charges, (std::set<std::string>{"I", "R"}));
}

TEST_F(DemoCompany, UsageMetersRunOnAndChargesFollowTheRates) {
  std::map<std::string, EqHeader> eq;
  for (const auto& h : made->all<EqHeader>()) eq[h.EquipmentID.str()] = h;
  std::map<std::string, Decimal> meter;
  for (const auto& e : made->all<EqLog>()) {  // key order: equipment, then date
    const EqHeader& h = eq.at(e.EquipmentID.str());
    SCOPED_TRACE(e.EquipmentID.str() + " " + e.Date.toIso());
    if (meter.count(e.EquipmentID.str())) {
      EXPECT_EQ(e.StartMeter, meter[e.EquipmentID.str()]);
    }
    EXPECT_EQ(e.EndMeter - e.StartMeter, e.Units);
    EXPECT_GT(e.Units, Decimal());
    meter[e.EquipmentID.str()] = e.EndMeter;
    const Decimal rate = e.ChargeType == "R" ? h.RentalBillingRate : h.InternalBillingRate;
    EXPECT_EQ(e.GrossAmount, e.Units * rate);
    if (e.DetailType == "Maintenance") {
      EXPECT_TRUE(e.AdjustedAmount.isZero());
    } else {
      EXPECT_GT(e.AdjustedAmount, Decimal());
    }
  }
  for (const auto& [id, h] : eq) {
    if (meter.count(id)) {
      EXPECT_EQ(h.CurrentMeter, meter[id]) << id;
    } else {
      EXPECT_EQ(h.Active, 0) << id << " has no usage";
    }
  }
}

// The year and month figures are those of each one's last posting; the company check holds
// them to the usage log (CompanyCheck.TheDemoHoldsEveryRuleAndEachBrokenOneIsNamed).
TEST_F(DemoCompany, EquipmentTotalsAreTheSumsOfTheUsageLog) {
  std::map<std::string, Figures> cum;
  // Each equipment's last posting: its highest journal and what that journal posted of it.
  std::map<std::string, std::pair<std::int32_t, Figures>> last;
  for (const auto& e : made->all<EqLog>()) {
    addEntry(cum[e.EquipmentID.str()], e);
    auto& [journal, figures] = last[e.EquipmentID.str()];
    if (e.JournalNumber > journal) {
      journal = e.JournalNumber;
      figures = Figures{};
    }
    if (e.JournalNumber == journal) addEntry(figures, e);
  }
  int withMonth = 0;
  for (const auto& h : made->all<EqHeader>()) {
    SCOPED_TRACE(h.EquipmentID.str());
    const std::string id = h.EquipmentID.str();
    EXPECT_EQ(cum[id], (Figures{h.CumulativeInternalUnits, h.CumulativeInternalIncome,
                                h.CumulativeRentalUnits, h.CumulativeRentalIncome,
                                h.CumulativeNonProductiveUnits, h.CumulativeUnits}));
    const Figures& posted = last[id].second;
    EXPECT_EQ(h.InternalThisPosting, posted.internalIncome);
    EXPECT_EQ(h.InternalUnitsThisPosting, posted.internalUnits);
    EXPECT_EQ(h.RentalThisPosting, posted.rentalIncome);
    EXPECT_EQ(h.RentalUnitsThisPosting, posted.rentalUnits);
    if (!h.MonthUnits.isZero()) ++withMonth;
  }
  EXPECT_GT(withMonth, 10) << "mid-July: most equipment has been used this month";

  // Months of use, and machines that cost more than they earn.
  std::set<int> months;
  for (const auto& e : made->all<EqLog>()) months.insert(e.Date.year() * 12 + e.Date.month());
  EXPECT_GE(months.size(), 12u);
  std::map<std::string, Decimal> costs;
  for (const auto& k : made->all<EqCost>()) costs[k.EquipmentID.str()] += k.CumulativeAmount;
  std::set<std::string> losing;
  for (const auto& h : made->all<EqHeader>())
    if (h.Active && !h.CumulativeUnits.isZero() &&
        costs[h.EquipmentID.str()] > h.CumulativeInternalIncome + h.CumulativeRentalIncome)
      losing.insert(h.EquipmentID.str());
  EXPECT_TRUE(losing.count("EX-304") && losing.count("FT-970")) << losing.size();
}

// Each week's entries went through the posting service on their posting day (the Friday, or
// the last posting a week before today): journals numbered from 1, two lines per charged
// entry carrying its comment, none for shop time.
TEST_F(DemoCompany, UsageIsPostedWeekByWeekByThePostingService) {
  std::map<std::int32_t, std::vector<EqLog>> entries;
  for (const auto& e : made->all<EqLog>()) entries[e.JournalNumber].push_back(e);
  std::map<std::int32_t, std::vector<GlTrans>> lines;
  for (const auto& t : made->all<GlTrans>())
    if (t.JournalID == "E/Q") lines[t.JournalNo].push_back(t);
  ASSERT_GT(entries.size(), 60u);
  EXPECT_EQ(entries.begin()->first, 1);
  EXPECT_EQ(entries.rbegin()->first, static_cast<std::int32_t>(entries.size()));
  for (auto& [journal, posted] : entries) {
    SCOPED_TRACE("journal " + std::to_string(journal));
    auto& l = lines[journal];
    std::sort(l.begin(), l.end(),
              [](const GlTrans& a, const GlTrans& b) { return a.LineNo < b.LineNo; });
    std::sort(posted.begin(), posted.end(),
              [](const EqLog& a, const EqLog& b) { return a.RecordID < b.RecordID; });
    std::size_t next = 0;
    for (const auto& e : posted) {
      SCOPED_TRACE(e.EquipmentID.str() + " " + e.Date.toIso());
      const Date monday = e.Date.addDays(-((e.Date.dayOfWeek() + 6) % 7));
      const Date postedOn = std::min(monday.addDays(4), day("2025-07-09"));
      if (e.AdjustedAmount.isZero()) {
        EXPECT_EQ(e.DetailType.str(), "Maintenance");
        continue;
      }
      ASSERT_LT(next + 1, l.size());
      const GlTrans& charge = l[next];
      const GlTrans& income = l[next + 1];
      next += 2;
      for (const GlTrans* t : {&charge, &income}) {
        EXPECT_EQ(t->Description.str(), e.Comments.str());
        EXPECT_EQ(t->TransDate, e.Date);
        EXPECT_EQ(t->PostingDate, postedOn);
        EXPECT_EQ(t->Amount, e.AdjustedAmount);
        EXPECT_EQ(t->UserID.str(), "ADM");
      }
      EXPECT_EQ(charge.CreditDebit.str(), "D");
      EXPECT_EQ(income.CostCategory.str(), e.ChargeType == "R" ? ".R" : ".I");
    }
    EXPECT_EQ(next, l.size());
  }
}

TEST_F(DemoCompany, AverageUnitsPerDayIsRecalculatedFromTheLog) {
  std::map<std::string, std::vector<EqLog>> byEquipment;
  for (const auto& e : made->all<EqLog>()) byEquipment[e.EquipmentID.str()].push_back(e);
  for (const auto& h : made->all<EqHeader>()) {
    const auto& entries = byEquipment[h.EquipmentID.str()];
    if (entries.empty()) {
      EXPECT_TRUE(h.UnitsPerDay.isZero());
      continue;
    }
    std::int64_t total = 0;
    for (const auto& e : entries) total = (Decimal(total) + e.Units).toLong();
    const int days = entries.back().Date.day() - entries.front().Date.day();
    EXPECT_EQ(h.UnitsPerDay, days == 0 ? Decimal(total) : Decimal(total) / Decimal(days))
        << h.EquipmentID.str();
  }
}

TEST_F(DemoCompany, LedgerBalancesJournalByJournal) {
  const auto ledger = made->all<GlTrans>();
  ASSERT_GT(ledger.size(), 1000u);
  std::set<std::string> accounts;
  for (const auto& a : made->all<GlMaster>()) accounts.insert(a.Account.str());
  std::map<int, GlFiscal> periods;
  for (const auto& f : made->all<GlFiscal>()) periods[f.FiscalPeriod] = f;
  std::map<std::pair<std::string, int>, Decimal> net;
  Decimal debits, credits;
  std::set<std::string> journals;
  for (const auto& t : ledger) {
    SCOPED_TRACE(std::to_string(t.RecordID));
    EXPECT_TRUE(accounts.count(t.AccountNumber.str())) << t.AccountNumber.str();
    EXPECT_GT(t.Amount, Decimal());
    EXPECT_EQ(t.Posted, 1);
    ASSERT_TRUE(periods.count(t.FiscalPeriod));
    const GlFiscal& p = periods[t.FiscalPeriod];
    EXPECT_EQ(p.PeriodDate.year(), t.TransDate.year());
    EXPECT_EQ(p.PeriodDate.month(), t.TransDate.month());
    EXPECT_EQ(t.FiscalPeriodLabel, p.Label);
    journals.insert(t.JournalID.str());
    if (t.CreditDebit == "D") {
      debits += t.Amount;
      net[{t.JournalID.str(), t.JournalNo}] += t.Amount;
    } else {
      ASSERT_EQ(t.CreditDebit.str(), "C");
      credits += t.Amount;
      net[{t.JournalID.str(), t.JournalNo}] -= t.Amount;
    }
    if (t.SubsidiaryID == "E") {
      EXPECT_EQ(t.SubsidiaryCode.str(), pad10(t.EquipmentID.str()) + t.CostCategory.str());
    }
  }
  EXPECT_EQ(debits, credits);
  for (const auto& [journal, balance] : net)
    EXPECT_TRUE(balance.isZero()) << journal.first << " " << journal.second;
  EXPECT_EQ(journals, (std::set<std::string>{"A/P", "E/Q", "G/J", "P/R"}));

  // Income postings carry the equipment's ".I"/".R" code and sum to its income.
  std::map<std::string, Decimal> income;
  for (const auto& t : ledger)
    if (t.CostCategory == ".I" || t.CostCategory == ".R")
      income[t.EquipmentID.str()] += t.CreditDebit == "C" ? t.Amount : -t.Amount;
  for (const auto& h : made->all<EqHeader>())
    EXPECT_EQ(income[h.EquipmentID.str()], h.CumulativeInternalIncome + h.CumulativeRentalIncome)
        << h.EquipmentID.str();

  // Every posted usage entry names a usage journal that exists.
  std::set<int> usageJournals;
  for (const auto& t : ledger)
    if (t.JournalID == "E/Q") usageJournals.insert(t.JournalNo);
  for (const auto& e : made->all<EqLog>())
    if (e.DetailType != "Maintenance") {
      EXPECT_TRUE(usageJournals.count(e.JournalNumber));
    }
}

TEST_F(DemoCompany, CategoryTotalsAreTheSumsOfTheLedger) {
  struct Sum {
    Decimal units, amount;
  };
  std::map<std::string, Sum> sums;
  std::set<std::string> negative;
  for (const auto& t : made->all<GlTrans>()) {
    if (t.SubsidiaryID != "E" || t.CostCategory.str().rfind('.', 0) == 0) continue;
    const int sign = t.CreditDebit == "D" ? 1 : -1;
    Sum& s = sums[t.SubsidiaryCode.str()];
    s.units += t.SubsidiaryQuantity * sign;
    s.amount += t.Amount * sign;
    if (sign < 0) negative.insert(t.SubsidiaryCode.str());
  }
  EXPECT_FALSE(negative.empty()) << "a cost credit shows how refunds print";
  std::set<std::string> costCodes;
  int withCosts = 0;
  for (const auto& k : made->all<EqCost>()) {
    SCOPED_TRACE(k.RecordID.str());
    costCodes.insert(k.RecordID.str());
    const Sum& s = sums[k.RecordID.str()];
    EXPECT_EQ(k.CumulativeUnitUsed, s.units);
    EXPECT_EQ(k.CumulativeAmount, s.amount);
    if (!k.CumulativeAmount.isZero()) ++withCosts;
  }
  // No posting to a category the equipment does not carry.
  for (const auto& [code, s] : sums) EXPECT_TRUE(costCodes.count(code)) << code;
  EXPECT_GT(withCosts, 150);
}

TEST_F(DemoCompany, PriorPeriodFilesAgreeWithLogAndLedger) {
  std::map<int, int> yearOfPeriod;
  for (const auto& f : made->all<GlFiscal>()) yearOfPeriod[f.FiscalPeriod] = f.PeriodDate.year();
  auto periodOf = [&](Date d) {
    for (const auto& f : made->all<GlFiscal>())
      if (f.PeriodDate.year() == d.year() && f.PeriodDate.month() == d.month())
        return int(f.FiscalPeriod);
    return 0;
  };

  std::map<std::pair<std::string, int>, Figures> byYear;
  std::map<std::tuple<std::string, int, int>, Figures> byPeriod;
  for (const auto& e : made->all<EqLog>()) {
    addEntry(byYear[{e.EquipmentID.str(), e.Date.year()}], e);
    addEntry(byPeriod[{e.EquipmentID.str(), e.Date.year(), periodOf(e.Date)}], e);
  }
  const auto prior = made->all<EqPrior>();
  EXPECT_EQ(prior.size(), byYear.size());
  for (const auto& p : prior) {
    Figures f = byYear[{p.EquipmentID.str(), p.Year}];
    f.units = Decimal();
    EXPECT_EQ(f, (Figures{p.InternalUnits, p.InternalIncome, p.RentalUnits, p.RentalIncome,
                          p.NonProductiveUnits}))
        << p.EquipmentID.str() << " " << p.Year;
  }
  const auto priorM = made->all<EqPriorM>();
  EXPECT_EQ(priorM.size(), byPeriod.size());
  for (const auto& p : priorM) {
    EXPECT_EQ(yearOfPeriod[p.FiscalPeriod], p.Year);
    Figures f = byPeriod[{p.EquipmentID.str(), p.Year, p.FiscalPeriod}];
    f.units = Decimal();
    EXPECT_EQ(f, (Figures{p.InternalUnits, p.InternalIncome, p.RentalUnits, p.RentalIncome,
                          p.NonProductiveUnits}))
        << p.EquipmentID.str() << " " << p.FiscalPeriod;
  }

  std::map<std::tuple<std::string, std::string, int>, std::pair<Decimal, Decimal>> catYear;
  std::map<std::tuple<std::string, std::string, int>, std::pair<Decimal, Decimal>> catPeriod;
  for (const auto& t : made->all<GlTrans>()) {
    if (t.SubsidiaryID != "E" || t.CostCategory.str().rfind('.', 0) == 0) continue;
    const int sign = t.CreditDebit == "D" ? 1 : -1;
    auto& y = catYear[{t.EquipmentID.str(), t.CostCategory.str(), t.TransDate.year()}];
    y.first += t.SubsidiaryQuantity * sign;
    y.second += t.Amount * sign;
    auto& m = catPeriod[{t.EquipmentID.str(), t.CostCategory.str(), t.FiscalPeriod}];
    m.first += t.SubsidiaryQuantity * sign;
    m.second += t.Amount * sign;
  }
  const auto priorC = made->all<EqPriorC>();
  EXPECT_EQ(priorC.size(), catYear.size());
  for (const auto& p : priorC) {
    const auto& s = catYear[{p.EquipmentID.str(), p.CostCategory.str(), p.Year}];
    EXPECT_EQ(p.Units, s.first);
    EXPECT_EQ(p.Amount, s.second);
  }
  const auto priorCM = made->all<EqPriorCM>();
  EXPECT_EQ(priorCM.size(), catPeriod.size());
  for (const auto& p : priorCM) {
    EXPECT_EQ(yearOfPeriod[p.FiscalPeriod], p.Year);
    const auto& s = catPeriod[{p.EquipmentID.str(), p.CostCategory.str(), p.FiscalPeriod}];
    EXPECT_EQ(p.Units, s.first);
    EXPECT_EQ(p.Amount, s.second);
  }
}

TEST_F(DemoCompany, UsageEntriesNameJobsCodesAccountsAndPeopleThatExist) {
  std::set<std::string> jobs, accounts, costs;
  std::map<std::string, JcCost> codes;
  std::set<unsigned> employees;
  int excluded = 0, inactiveCodes = 0;
  std::set<std::string> types;
  for (const auto& j : made->all<JcHeader>()) {
    jobs.insert(j.JobID.str());
    if (j.ExcludeFromSelection == 1) ++excluded;
  }
  for (const auto& c : made->all<JcCost>()) {
    codes[c.JobID.str() + "|" + c.EntryMask.str()] = c;
    EXPECT_EQ(c.EntryMask.str(), c.CostCode.str() + c.CostType.str());
    types.insert(c.CostType.str());
    if (c.Inactive) ++inactiveCodes;
  }
  EXPECT_EQ(excluded, 1);
  EXPECT_EQ(inactiveCodes, 1);
  EXPECT_EQ(types, (std::set<std::string>{"B", "E", "G", "L", "M", "S"}));
  for (const auto& a : made->all<GlMaster>()) accounts.insert(a.Account.str());
  for (const auto& k : made->all<EqCost>()) costs.insert(k.RecordID.str());
  for (const auto& e : made->all<PrEmp>()) employees.insert(e.EmployeeID);

  for (const auto& e : made->all<EqLog>()) {
    SCOPED_TRACE(e.EquipmentID.str() + " " + e.Date.toIso() + " " + e.DetailType.str());
    EXPECT_TRUE(employees.count(e.EmployeeID));
    EXPECT_TRUE(accounts.count(e.GLAccount.str()));
    if (e.DetailType == "Job") {
      ASSERT_TRUE(jobs.count(e.JobID.str()));
      auto it = codes.find(e.JobID.str() + "|" + e.CostCode.str());
      ASSERT_NE(it, codes.end());
      EXPECT_EQ(it->second.Inactive, 0);
      EXPECT_EQ(e.GLAccount, it->second.GLAccount);
    } else if (e.DetailType == "Equipment") {
      EXPECT_NE(e.EquipmentIDCharged, e.EquipmentID);
      EXPECT_TRUE(costs.count(pad10(e.EquipmentIDCharged.str()) + e.Category.str()));
    } else if (e.DetailType == "Maintenance") {
      EXPECT_TRUE(costs.count(pad10(e.EquipmentID.str()) + e.Category.str()));
    }
  }
}

// The charge posted is the schedule's, by the asset's method; the custom one is charged on the
// straight line, since nobody keyed one in.
TEST_F(DemoCompany, PostedDepreciationMonthsNameTheirPeriodAndLedgerLine) {
  std::map<std::int32_t, GlTrans> ledger;
  for (const auto& t : made->all<GlTrans>()) ledger[t.RecordID] = t;
  std::map<std::string, int> method;
  for (const auto& h : made->all<EqHeader>()) method[h.EquipmentID.str()] = h.DepreciationMethod;
  std::set<int> methodsPosted;
  int posted = 0;
  for (const auto& d : made->all<GlDepr>()) {
    SCOPED_TRACE(d.EquipmentID.str() + " " + d.Date.toIso());
    if (d.ActualAmount.isZero()) {
      EXPECT_EQ(d.FPPostedLabel.str(), "");
      EXPECT_EQ(d.GLTransID, 0);
      continue;
    }
    ++posted;
    const int m = method.at(d.EquipmentID.str());
    methodsPosted.insert(m);
    EXPECT_EQ(d.ActualAmount, m == 2 ? d.SYAmount : m == 3 ? d.DDBAmount : d.SLAmount);
    ASSERT_TRUE(ledger.count(d.GLTransID));
    const GlTrans& t = ledger[d.GLTransID];
    EXPECT_EQ(t.EquipmentID, d.EquipmentID);
    EXPECT_EQ(t.CostCategory.str(), "DEPREC");
    EXPECT_EQ(t.CreditDebit.str(), "D");
    EXPECT_EQ(t.Amount, d.ActualAmount);
    EXPECT_EQ(t.TransDate.year(), d.Date.year());
    EXPECT_EQ(t.TransDate.month(), d.Date.month());
    EXPECT_FALSE(d.FPPostedLabel.empty());
    EXPECT_EQ(d.FPPostedLabel, t.FiscalPeriodLabel);
  }
  EXPECT_GT(posted, 100);
  EXPECT_EQ(methodsPosted, (std::set<int>{1, 2, 3, 4}));
}

TEST_F(DemoCompany, UsersHaveTheirRights) {
  std::map<std::string, UserFile> users;
  for (const auto& u : made->all<UserFile>()) users[u.UserID.str()] = u;
  ASSERT_EQ(users.size(), 3u);
  const UserFile& adm = users.at("ADM");
  EXPECT_EQ(adm.Administrator, 1);
  EXPECT_EQ(adm.ChangeEquipment, 1);
  EXPECT_EQ(adm.ChangeCostCategories, 1);
  EXPECT_EQ(adm.PostEquipmentLogs, 1);
  EXPECT_EQ(users.at("EQV").ChangeEquipment, 0);
  EXPECT_EQ(users.at("EQV").PostEquipmentLogs, 1);
  EXPECT_EQ(users.at("NOP").PostEquipmentLogs, 0);
  EXPECT_EQ(users.at("NOP").ChangeEquipment, 1);
  for (const auto& [id, u] : users) {
    EXPECT_FALSE(u.FirstName.empty() || u.LastName.empty()) << id;
    EXPECT_TRUE(u.MessageText.empty()) << id;
  }
}

TEST_F(DemoCompany, CompanySettingsPointAtAccountsThatExist) {
  std::set<std::string> accounts;
  for (const auto& a : made->all<GlMaster>()) accounts.insert(a.Account.str());
  const auto systems = made->all<Systems>();
  ASSERT_EQ(systems.size(), 1u);
  const Systems& s = systems[0];
  EXPECT_EQ(s.CompanyName.str(), "Demo Contracting Co.");
  for (const auto* a :
       {&s.AccountsPayable, &s.SubcontractsPayable, &s.RetentionPayable, &s.AccountsReceivable,
        &s.RetentionReceivable, &s.LaborCostsOnOpenJobs, &s.MaterialCostsOnOpenJobs,
        &s.SubcontractCostsOnOpenJobs, &s.EquipmentCostsOnOpenJobs, &s.GeneralCostsOnOpenJobs,
        &s.BurdenCostsOnOpenJobs, &s.JobIncomeOnOpenJobs, &s.CurrentEarnings,
        &s.DefaultExpenseAccount, &s.DefaultInternalIncomeAccount, &s.DefaultRentalIncomeAccount})
    EXPECT_TRUE(accounts.count(a->str())) << a->str();
  EXPECT_GT(s.CostCodeLength, 0);
  for (const auto& c : made->all<JcCost>()) EXPECT_EQ(c.CostCode.size(), s.CostCodeLength);

  const auto control = made->all<Control>();
  ASSERT_EQ(control.size(), 1u);
  EXPECT_FALSE(control[0].SystemPassword.empty());
  EXPECT_EQ(control[0].CurrentFiscalPeriod, 19);  // July of the current year
}

TEST_F(DemoCompany, FiscalPeriodsRunOnAcrossTwoYears) {
  const auto periods = made->all<GlFiscal>();
  ASSERT_EQ(periods.size(), 24u);
  int closed = 0;
  for (std::size_t i = 0; i < periods.size(); ++i) {
    const GlFiscal& f = periods[i];
    SCOPED_TRACE(f.Description.str());
    EXPECT_EQ(f.FiscalPeriod, i + 1);
    const int year = i < 12 ? 2024 : 2025;
    const int month = static_cast<int>(i % 12) + 1;
    EXPECT_EQ(f.PeriodDate, *Date::fromYmd(year, month, Date::daysInMonth(year, month)));
    EXPECT_EQ(f.FiscalYear, year);
    if (year == 2024) {
      EXPECT_EQ(f.Status.str(), "L");
    }
    if (f.Status == "C") ++closed;
    EXPECT_EQ(f.Label.size(), 5u);
  }
  EXPECT_EQ(periods[17].Status.str(), "C");  // June 2025, the month before the current one
  EXPECT_EQ(periods[18].Status.str(), "");
  EXPECT_EQ(periods[18].Description.str(), "July 2025");
  EXPECT_EQ(closed, 1);
}

TEST_F(DemoCompany, ServiceSchedulesHaveHistoryAndSomethingDue) {
  std::map<std::string, EqHeader> eq;
  for (const auto& h : made->all<EqHeader>()) eq[h.EquipmentID.str()] = h;
  int overdueByMeter = 0, pendingByMeter = 0, dueSoon = 0;
  const Date today = made->clock.today();
  for (const auto& k : made->all<EqCost>()) {
    const EqHeader& h = eq.at(k.EquipmentID.str());
    SCOPED_TRACE(k.RecordID.str());
    EXPECT_LE(k.LastServiceDate, made->clock.today());
    EXPECT_LE(k.LastServiceMeter, h.CurrentMeter.toLong());
    if (k.ScheduleType == "N" || !h.Active) continue;
    EXPECT_FALSE(k.LastServiceDate.isEmpty());
    if (k.ScheduleType == "M" && k.MeterName == h.UsageUnit) {
      if (k.LastServiceMeter + k.Meter < h.CurrentMeter.toLong())
        ++overdueByMeter;
      else
        ++pendingByMeter;
      // Due in (next meter - current) / units per day days: within the next 60?
      const Decimal left = Decimal(k.LastServiceMeter + k.Meter) - h.CurrentMeter;
      if (!left.isNegative() && h.UnitsPerDay > Decimal() && left / h.UnitsPerDay <= Decimal(60))
        ++dueSoon;
    }
    if (k.ScheduleType == "E" && k.IntervalName == "Months") {
      const Date due = k.LastServiceDate.addDays(30 * static_cast<int>(k.Interval));
      if (due >= today && due <= today.addDays(60)) ++dueSoon;
    }
  }
  EXPECT_GE(overdueByMeter, 1);
  EXPECT_GE(pendingByMeter, 20);
  EXPECT_GE(dueSoon, 5) << "services falling due within 60 days";
}

TEST_F(DemoCompany, BatchesWaitToBePosted) {
  const auto batches = made->all<EqBatch>();
  ASSERT_EQ(batches.size(), 2u);
  const EqBatch* repeating = nullptr;
  const EqBatch* secured = nullptr;
  for (const auto& b : batches) {
    if (b.Repeating) repeating = &b;
    if (b.Secure == 1) secured = &b;
  }
  ASSERT_TRUE(repeating && secured);
  EXPECT_NE(repeating, secured);
  EXPECT_EQ(repeating->FrequencyType, 0);
  EXPECT_EQ(repeating->Frequency, 7);
  EXPECT_NE(secured->UserID.str(), "ADM");
  EXPECT_EQ(secured->UserID.str(), "EQV");
  EXPECT_NE(batches[0].SortID, batches[1].SortID);

  std::map<std::string, EqHeader> eq;
  for (const auto& h : made->all<EqHeader>()) eq[h.EquipmentID.str()] = h;
  std::map<int, int> perBatch;
  std::set<std::string> details;
  for (const auto& e : made->all<EqLogB>()) {
    SCOPED_TRACE(std::to_string(e.LogID));
    ++perBatch[e.BatchID];
    details.insert(e.DetailType.str());
    ASSERT_TRUE(eq.count(e.EquipmentID.str()));
    const EqHeader& h = eq.at(e.EquipmentID.str());
    EXPECT_TRUE(h.Active);
    EXPECT_GE(e.StartMeter, h.CurrentMeter);
    EXPECT_EQ(e.EndMeter - e.StartMeter, e.Units);
    EXPECT_EQ(e.GrossAmount,
              e.Units * (e.ChargeType == "R" ? h.RentalBillingRate : h.InternalBillingRate));
    EXPECT_LE(e.Date, made->clock.today());
    EXPECT_GT(e.Date, made->clock.today().addDays(-8));
  }
  EXPECT_GE(perBatch[repeating->BatchID], 3);
  EXPECT_GE(perBatch[secured->BatchID], 3);
  EXPECT_EQ(perBatch.size(), 2u);
  EXPECT_EQ(details, (std::set<std::string>{"Equipment", "G/L Account", "Job", "Maintenance"}));
}

TEST_F(DemoCompany, NotesFormatsAndFavourites) {
  std::set<std::string> equipment;
  for (const auto& h : made->all<EqHeader>()) equipment.insert(h.EquipmentID.str());
  int equipmentNotes = 0, transactionNotes = 0;
  std::set<std::string> ledgerIds;
  for (const auto& t : made->all<GlTrans>()) ledgerIds.insert(std::to_string(t.RecordID));
  for (const auto& n : made->all<Notes>()) {
    if (n.EntityType == "GLTrans") {
      ++transactionNotes;
      EXPECT_TRUE(ledgerIds.count(n.EntityID.str()));
    } else {
      ++equipmentNotes;
      EXPECT_TRUE(equipment.count(n.EquipmentID.str()));
    }
    EXPECT_FALSE(n.Note.empty());
  }
  EXPECT_GE(equipmentNotes, 3);
  EXPECT_EQ(transactionNotes, 1);

  std::map<std::string, int> perReport;
  std::set<std::uint32_t> ids;
  for (const auto& f : made->all<EqLimits>()) {
    ++perReport[f.Report.str()];
    EXPECT_TRUE(ids.insert(f.LimitID).second);
    EXPECT_FALSE(f.ReportTitle.empty());
    EXPECT_FALSE(f.UserID.empty());
    if (f.Report == "Analysis") {
      EXPECT_TRUE(f.ReportType == "A" || f.ReportType == "S" || f.ReportType == "M");
      EXPECT_TRUE(f.QuantityAnalysis == "D" || f.QuantityAnalysis == "U");
    }
  }
  for (const char* r :
       {"Analysis", "Detail", "Equipment List", "Category List", "Log Proof Listing"})
    EXPECT_GE(perReport[r], 2) << r;
  EXPECT_EQ(perReport.size(), 5u);
  for (const auto& m : made->all<MemLimit>()) EXPECT_TRUE(ids.count(m.LimitID));
  for (const auto& l : made->all<LimList>()) EXPECT_TRUE(ids.count(l.LimitID));
}

TEST_F(DemoCompany, LogSaysWhatEachFileHolds) {
  const std::string& log = made->log;
  EXPECT_NE(log.find("Demo Contracting Co."), std::string::npos);
  for (const char* file : {"EQHEADER", "EQCOST", "EQCODE", "EQLOG", "GLTRANS", "GLMASTER",
                           "GLFISCAL", "EQPRIORCM", "EQBATCH", "EQLOGB", "USERFILE", "EQLIMITS"})
    EXPECT_NE(log.find(std::string("\n  ") + file + " "), std::string::npos) << file;
}

TEST(DemoCompanyRuns, SameTodayGivesTheSameCompany) {
  Made a(day("2025-03-05")), b(day("2025-03-05"));
  for (const FileDef* def : allFiles()) {
    if (def->table != lower(def->name)) continue;  // aliases read their base file
    EXPECT_EQ(a.dump(*def), b.dump(*def)) << def->name;
  }
  EXPECT_FALSE(a.dump(EqHeader::def()).empty());
  // The history was posted on days gone by; the session's own clock is back.
  EXPECT_EQ(&a.session->clock(), &a.clock);
  Made later(day("2025-03-06"));
  EXPECT_NE(a.dump(EqLog::def()), later.dump(EqLog::def()));
}

TEST(DemoCompanyRuns, EarlyJanuaryKeepsTheHistoryInTheTwoFiscalYears) {
  Made m(day("2025-01-02"));
  const auto periods = m.all<GlFiscal>();
  ASSERT_EQ(periods.size(), 24u);
  EXPECT_EQ(periods[11].Status.str(), "C");  // December of the older year: closed, not locked
  EXPECT_EQ(m.all<Control>()[0].CurrentFiscalPeriod, 13);
  const auto log = m.all<EqLog>();
  ASSERT_FALSE(log.empty());
  for (const auto& e : log) {
    EXPECT_GE(e.Date, day("2024-01-01"));
    EXPECT_LE(e.Date, day("2024-12-26"));
  }
  Decimal debits, credits;
  for (const auto& t : m.all<GlTrans>()) {
    EXPECT_GE(t.FiscalPeriod, 1);
    EXPECT_LE(t.FiscalPeriod, 12);
    (t.CreditDebit == "D" ? debits : credits) += t.Amount;
  }
  EXPECT_EQ(debits, credits);
  // Nothing is posted yet in the new year: the figures are still December's.
  for (const auto& h : m.all<EqHeader>()) EXPECT_LE(h.LastPostingFiscalPeriod, 12);
}

TEST(DemoCompanyRuns, LeapDayAndWeekendTodaysWork) {
  for (const char* today : {"2024-02-29", "2026-11-01"}) {  // a Thursday, a Sunday
    SCOPED_TRACE(today);
    Made m(day(today));
    EXPECT_GE(m.all<EqHeader>().size(), 28u);
    for (const auto& e : m.all<EqLogB>()) {
      EXPECT_LE(e.Date, day(today));
      EXPECT_NE(e.Date.dayOfWeek(), 0);
      EXPECT_NE(e.Date.dayOfWeek(), 6);
    }
  }
}

TEST(DemoCompanyRuns, RefusesACompanyThatHoldsRecordsAndChangesNothing) {
  Made m(day("2025-07-16"), false);
  auto& a = m.ctx->access<EqHeader>();
  ASSERT_EQ(a.prime(), kNoError);
  a.rec().EquipmentID = "OLD-1";
  a.rec().Description = "Equipment already there";
  ASSERT_EQ(a.insert(), kNoError);

  std::ostringstream log;
  try {
    makeDemoCompany(*m.session, log);
    FAIL() << "made a demo over existing equipment";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("EQHeader"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(log.str().empty());
  EXPECT_EQ(m.all<EqHeader>().size(), 1u);
  EXPECT_TRUE(m.all<GlMaster>().empty());
  EXPECT_TRUE(m.all<EqCode>().empty());
}

TEST(DemoCompanyRuns, TodayBeforeTheOldestPurchaseIsRefused) {
  for (const char* today : {"1805-01-01", "1815-12-31"}) {
    Made m(day(today), false);
    std::ostringstream log;
    EXPECT_THROW(makeDemoCompany(*m.session, log), std::runtime_error) << today;
    EXPECT_TRUE(m.all<EqHeader>().empty());
  }
  Made first(day("1816-01-01"));
  EXPECT_GE(first.all<EqHeader>().size(), 28u);
}

TEST(DemoCompanyRuns, BusyDatabaseThrowsAndLeavesNothingBehind) {
  Made m(day("2025-07-16"), false);
  {
    // Another program holds the write lock for longer than the demo waits.
    SqliteStore other((m.dir.path / Company::kDatabaseName).string(), SqliteStore::Mode::Open);
    ASSERT_TRUE(other.begin(std::chrono::milliseconds(100)));
    std::ostringstream log;
    EXPECT_THROW(makeDemoCompany(*m.session, log), std::runtime_error);
    EXPECT_TRUE(log.str().empty());
    other.rollback();
  }
  EXPECT_TRUE(m.all<EqHeader>().empty());
  EXPECT_TRUE(m.all<GlTrans>().empty());
  // Once the database is free the demo goes in.
  std::ostringstream log;
  makeDemoCompany(*m.session, log);
  EXPECT_GE(m.all<EqHeader>().size(), 28u);
}

}  // namespace
}  // namespace koreq::demo
