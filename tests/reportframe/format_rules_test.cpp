// The rules of the saved report formats: names, locks, defaults, floating ranges, periods; the
// copies, numbers, favourites and limit rows they write; the user-defined-field limits and the
// limit lines a report prints.

#include "reportframe/format_rules.h"

#include <gtest/gtest.h>

#include "data/access.h"
#include "frame/registry.h"
#include "reportframe/limit_lines.h"
#include "suite/limit_list.h"
#include "support/company_fixture.h"

namespace koreq::reportframe {
namespace {

Date ymd(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}

TEST(FormatRules, CopyTitleKeepsTheFirst32CharactersOfAFullTitle) {
  EXPECT_EQ(copyTitle("Pickups"), "Copy of Pickups");
  EXPECT_EQ(copyTitle("Pickups   "), "Copy of Pickups");
  const std::string full = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";  // 40
  EXPECT_EQ(copyTitle(full), "Copy of " + full.substr(0, 32));
  EXPECT_EQ(copyTitle(""), "Copy of");
  // A cut that ends on a blank leaves none behind.
  EXPECT_EQ(copyTitle("1234567890123456789012345678901 XYZ"),
            "Copy of 1234567890123456789012345678901");
}

TEST(FormatRules, OnlyALockedFormatOfSomeoneElseIsHeldAgainstTheUser) {
  data::EqLimits f;
  f.UserID = "EQV";
  EXPECT_EQ(lockingOwner(f, "ABC"), "");  // not locked
  f.Locked = 1;
  EXPECT_EQ(lockingOwner(f, "ABC"), "EQV");
  EXPECT_EQ(lockingOwner(f, "EQV"), "");  // the owner
  f.UserID = "";
  EXPECT_EQ(lockingOwner(f, "ABC"), "");  // nobody's
  EXPECT_EQ(lockedMessage("EQV"),
            "This report is locked and can only be modified or deleted by user EQV.");
}

TEST(FormatRules, NewFormatsOpeningAndLoadDefaultsByReport) {
  data::EqLimits a;
  primeFormat(a, FormatReport::Analysis, "ABC");
  EXPECT_EQ(a.Report, "Analysis");
  EXPECT_EQ(a.QuantityAnalysis, "D");
  EXPECT_EQ(a.ReportType, "A");
  EXPECT_EQ(a.UserID, "ABC");

  data::EqLimits d;
  primeFormat(d, FormatReport::Detail, "ABC");
  EXPECT_EQ(d.Report, "Detail");
  EXPECT_EQ(d.SkipEquipment, 1);
  EXPECT_EQ(d.PrintTransactionDetail, 1);

  data::EqLimits l;
  primeFormat(l, FormatReport::Listing, "ABC");
  EXPECT_EQ(l.Report, "Equipment List");
  EXPECT_EQ(l.ReportFormat, "M");

  data::EqLimits c;
  primeFormat(c, FormatReport::CategoryList, "ABC");
  EXPECT_EQ(c.Report, "Category List");
  EXPECT_EQ(c.ReportFormat, "C");
  EXPECT_EQ(c.DetailSummary, "S");

  // Opening: blank orientation and owner filled; a category list sorts by ID unless by
  // description.
  data::EqLimits o;
  o.ReportFormat = "X";
  openFormat(o, FormatReport::CategoryList, "ABC");
  EXPECT_EQ(o.Orientation, "P");
  EXPECT_EQ(o.UserID, "ABC");
  EXPECT_EQ(o.ReportFormat, "C");
  o.ReportFormat = "D";
  o.UserID = "EQV";
  o.Orientation = "L";
  openFormat(o, FormatReport::CategoryList, "ABC");
  EXPECT_EQ(o.ReportFormat, "D");
  EXPECT_EQ(o.UserID, "EQV");
  EXPECT_EQ(o.Orientation, "L");

  // Load Defaults keeps only the number and the title.
  data::EqLimits f;
  f.LimitID = 42;
  f.ReportTitle = "Yard trucks";
  f.UserID = "EQV";
  f.Locked = 1;
  f.SelectedEquipment = 1;
  f.EquipmentFrom = "DT-201";
  f.ReportType = "M";
  f.Orientation = "L";
  f.ModifyDate = ymd(2024, 1, 2);
  loadDefaults(f, FormatReport::Analysis, "ABC");
  EXPECT_EQ(f.LimitID, 42u);
  EXPECT_EQ(f.ReportTitle, "Yard trucks");
  EXPECT_EQ(f.UserID, "ABC");
  EXPECT_EQ(f.Locked, 0);
  EXPECT_EQ(f.SelectedEquipment, 0);
  EXPECT_EQ(f.EquipmentFrom, "");
  EXPECT_EQ(f.ReportType, "A");
  EXPECT_EQ(f.Orientation, "P");
  EXPECT_TRUE(f.ModifyDate.isEmpty());
}

TEST(FormatRules, FloatingRangeWorkedOutFromTodayBySign) {
  const Date today = ymd(2024, 3, 20), stored = ymd(2020, 1, 1);
  EXPECT_EQ(floatingDate("Plus", Decimal(std::int64_t{10}), today, stored), ymd(2024, 3, 30));
  EXPECT_EQ(floatingDate("Minus", Decimal(std::int64_t{30}), today, stored), ymd(2024, 2, 19));
  EXPECT_EQ(floatingDate("", Decimal(std::int64_t{30}), today, stored), today);
  EXPECT_EQ(floatingDate("Sideways", Decimal(std::int64_t{30}), today, stored), stored);
  // Far beyond the calendar: its first and last days, never an impossible date.
  EXPECT_EQ(floatingDate("Minus", Decimal(std::int64_t{99999999}), today, stored),
            Date(Date::kFirstDay));
  EXPECT_EQ(floatingDate("Plus", Decimal(std::int64_t{99999999}), today, stored),
            Date::lastValid());

  data::EqLimits f;
  primeFormat(f, FormatReport::Analysis, "ABC");
  f.SelectedDates = 1;
  f.SkipEquipment = 1;
  f.JournalType = "Minus";
  f.RefFrom = Decimal(std::int64_t{7});
  f.GLAccount = "";
  resolveFloatingRange(f, today);
  EXPECT_EQ(f.DateFrom, ymd(2024, 3, 13));
  EXPECT_EQ(f.DateTo, today);
  // A fixed range, or a detail format that happens to hold the same flags, is left alone.
  f.SkipEquipment = 0;
  f.DateFrom = stored;
  resolveFloatingRange(f, today);
  EXPECT_EQ(f.DateFrom, stored);
  f.SkipEquipment = 1;
  f.Report = "Detail";
  resolveFloatingRange(f, today);
  EXPECT_EQ(f.DateFrom, stored);
}

TEST(FormatRules, PeriodDescriptionsCarryTheirStatus) {
  EXPECT_EQ(periodDescription("January 2024", ""), "January 2024");
  EXPECT_EQ(periodDescription("December 2023  ", "L"), "December 2023 (LOCKED)");
  EXPECT_EQ(periodDescription("February 2024", "C"), "February 2024 (CLOSED)");
}

TEST(FormatRules, DispatchersChooseTheReportByTheFormatsStyle) {
  data::EqLimits f;
  f.ReportType = "S";
  EXPECT_EQ(frame::reportFor("PrintEQAnalysisServer", f), "PrintEQAnalysis1");
  f.ReportType = "M";
  EXPECT_EQ(frame::reportFor("printeqanalysisserver", f), "PrintEQMaintenance");
  f.ReportType = "";
  EXPECT_EQ(frame::reportFor("PrintEQAnalysisServer", f), "");
  f.ReportFormat = "D";
  EXPECT_EQ(frame::reportFor("PrintEQListingServer", f), "PrintEQListing");
  f.ReportFormat = "S";
  EXPECT_EQ(frame::reportFor("PrintEQListingServer", f), "PrintEQListing1");
  f.DetailSummary = "S";
  EXPECT_EQ(frame::reportFor("PrintEQCategoryListServer", f), "PrintEQCategoryList");
  f.DetailSummary = "D";
  EXPECT_EQ(frame::reportFor("PrintEQCategoryListServer", f), "PrintEQCategoryList1");
  EXPECT_EQ(frame::reportFor("PrintEQDetail", f), "PrintEQDetail");
}

TEST(UdLimits, SelectEquipmentWithoutRegardToCaseAndGiveTheirLines) {
  data::EqHeader eq;
  eq.UD2 = "YELLOW";
  eq.UD15 = "Tier 4";
  EXPECT_TRUE(EquipmentUdLimits({}).selects(eq));
  EXPECT_TRUE(EquipmentUdLimits({{1, 2, "yellow  "}, {2, 15, "TIER 4"}}).selects(eq));
  EXPECT_FALSE(EquipmentUdLimits({{1, 2, "yellow"}, {2, 15, "Tier 3"}}).selects(eq));
  EXPECT_FALSE(EquipmentUdLimits({{1, 3, "x"}}).selects(eq));
  // Numbers outside 1 to 15 limit nothing and give no line.
  const EquipmentUdLimits odd({{1, 0, "x"}, {2, 16, "y"}, {3, 2, "Yellow"}});
  EXPECT_TRUE(odd.selects(eq));
  std::vector<std::string> prompts(15);
  for (int i = 0; i < 15; ++i) prompts[i] = "User Defined " + std::to_string(i + 1);
  prompts[1] = "Paint Colour  ";
  EXPECT_EQ(odd.lines(prompts),
            std::vector<std::string>{"Equipment User Defined: Paint Colour = Yellow"});
}

TEST(UdLimits, LimitLinesInTheirOrder) {
  data::EqLimits f;
  f.ReportTitle = "Yard";
  f.SelectedEquipment = 1;
  f.EquipmentFrom = "DT-201";
  f.EquipmentTo = "DT-201";
  f.SelectedCategory = 1;
  f.CategoryFrom = "FUEL";
  f.CategoryTo = "TIRES";
  f.SelectedClass = 1;
  f.ClassFrom = "Trucks";
  f.ClassTo = "Trucks";
  EXPECT_EQ(
      formatLimitLines(f, "Equipment Listing", {"Report Format: Master"}, "Dates: All",
                       {"Equipment User Defined: Colour = Red"}),
      (std::vector<std::string>{"Equipment Listing", "Report Title: Yard", "Report Format: Master",
                                "Equipment ID: DT-201", "Cost Category from FUEL to TIRES",
                                "Inactive Equipment Excluded", "Class: Trucks", "Dates: All",
                                "Equipment User Defined: Colour = Red"}));
  f.IncludeInactive = 1;
  EXPECT_EQ(formatLimitLines(f, "First", {}, "", {}, {.category = false, .classes = false}),
            (std::vector<std::string>{"First", "Report Title: Yard", "Equipment ID: DT-201",
                                      "Inactive Equipment Included"}));
}

// ---- What the rules write -----------------------------------------------------------------------

class FormatStore : public fixture::CompanyTest {
 protected:
  std::uint32_t addFormat(const std::string& title, FormatReport report = FormatReport::Listing) {
    data::FileAccess& f = ctx().file(data::EqLimits::def());
    EXPECT_EQ(f.prime(), data::kNoError);
    data::EqLimits& r = ctx().rec<data::EqLimits>();
    primeFormat(r, report, "EQV");
    r.ReportTitle = title;
    r.Locked = 1;
    r.ModifyDate = ymd(2023, 6, 1);
    EXPECT_EQ(f.insert(), data::kNoError);
    return r.LimitID;
  }
  void addLimit(std::uint32_t limitId, int field, const std::string& value,
                const std::string& fileName = kUdFileName) {
    data::Access<data::LimList> l(ctx().store(), ctx().errors());
    ASSERT_EQ(l.prime(), data::kNoError);
    l.rec().Tag = kLimitTag;
    l.rec().LimitID = limitId;
    l.rec().FileName = fileName;
    l.rec().FieldNumber = static_cast<std::int16_t>(field);
    l.rec().Value = value;
    ASSERT_EQ(l.insert(), data::kNoError);
  }
  int count(const data::FileDef& def) {
    data::FileAccess f(ctx().store(), def, ctx().errors());
    return static_cast<int>(f.records());
  }
};

TEST_F(FormatStore, DuplicateMakesTheUsersUnlockedCopyDatedToday) {
  const std::uint32_t original = addFormat("ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd");
  ctx().rec<data::EqLimits>().SelectedEquipment = 1;
  ctx().rec<data::EqLimits>().EquipmentFrom = "DT-201";
  ASSERT_TRUE(duplicateFormat(ctx()));
  const data::EqLimits copy = ctx().rec<data::EqLimits>();
  EXPECT_NE(copy.LimitID, original);
  EXPECT_EQ(copy.ReportTitle, "Copy of ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
  EXPECT_EQ(copy.UserID, "ABC");
  EXPECT_EQ(copy.Locked, 0);
  EXPECT_EQ(copy.ModifyDate, clock_.today());
  EXPECT_EQ(copy.EquipmentFrom, "DT-201");
  data::Access<data::EqLimits> read(ctx().store(), ctx().errors());
  ASSERT_EQ(read.fetch("KeyLimitID", {data::Value(std::int64_t{original})}), data::kNoError);
  EXPECT_EQ(read.rec().UserID, "EQV");
  EXPECT_EQ(read.rec().Locked, 1);
  EXPECT_EQ(count(data::EqLimits::def()), 2);
}

TEST_F(FormatStore, DuplicateCopiesTheUserDefinedFieldLimits) {
  const std::uint32_t other = addFormat("Other");
  addLimit(other, 1, "Blue");
  const std::uint32_t original = addFormat("Red trucks");
  addLimit(original, 3, "Red");
  addLimit(original, 7, "Diesel");
  ASSERT_TRUE(duplicateFormat(ctx()));
  const std::uint32_t copy = ctx().rec<data::EqLimits>().LimitID;
  auto values = [&](std::uint32_t id) {
    std::vector<std::string> v;
    for (const suite::LimitRow& r : suite::limitRows(ctx(), kLimitTag, id, kUdFileName))
      v.push_back(std::to_string(r.fieldNumber) + "=" + r.value);
    return v;
  };
  EXPECT_EQ(values(copy), (std::vector<std::string>{"3=Red", "7=Diesel"}));
  EXPECT_EQ(values(original), (std::vector<std::string>{"3=Red", "7=Diesel"}));
  EXPECT_EQ(count(data::LimList::def()), 5);
  // Deleting the copy's limits leaves the original's.
  ASSERT_TRUE(deleteUdLimits(ctx(), copy));
  EXPECT_EQ(values(original).size(), 2u);
}

TEST_F(FormatStore, FavouritesOncePerUser) {
  const std::uint32_t id = addFormat("Monthly");
  const FormatKind& kind = formatKind(FormatReport::Listing);
  EXPECT_EQ(addFavourite(ctx(), kind), FavouriteResult::Added);
  EXPECT_EQ(addFavourite(ctx(), kind), FavouriteResult::AlreadyAdded);
  EXPECT_EQ(count(data::MemLimit::def()), 1);
  data::Access<data::MemLimit> m(ctx().store(), ctx().errors());
  m.set(*m.def().key("KeyEntryID"));
  ASSERT_EQ(m.next(), data::kNoError);
  EXPECT_EQ(m.rec().LimitID, id);
  EXPECT_EQ(m.rec().UserID, "ABC");
  EXPECT_EQ(m.rec().Source, "EQLimits");
  EXPECT_EQ(m.rec().ReportName, "E/Q Equipment Listing");
  EXPECT_EQ(m.rec().ReportTitle, "Monthly");
  // Another user may add the same format.
  session().g.USERID = "EQV";
  EXPECT_FALSE(isFavourite(ctx(), id, "EQV"));
  EXPECT_EQ(addFavourite(ctx(), kind), FavouriteResult::Added);
  EXPECT_EQ(count(data::MemLimit::def()), 2);
}

TEST_F(FormatStore, LimitRowsAndFavouritesGoWithTheirFormatOnly) {
  const std::uint32_t a = addFormat("A"), b = addFormat("B");
  addLimit(a, 2, "RED");
  addLimit(a, 5, "X", "OtherFile");
  addLimit(b, 2, "BLUE");
  ctx().rec<data::EqLimits>().LimitID = a;
  ASSERT_EQ(addFavourite(ctx(), formatKind(FormatReport::Listing)), FavouriteResult::Added);
  ctx().rec<data::EqLimits>().LimitID = b;
  ASSERT_EQ(addFavourite(ctx(), formatKind(FormatReport::Listing)), FavouriteResult::Added);

  EXPECT_EQ(EquipmentUdLimits::read(ctx(), a).rows().size(), 1u);
  ASSERT_TRUE(deleteUdLimits(ctx(), a));
  EXPECT_EQ(count(data::LimList::def()), 1);
  EXPECT_TRUE(EquipmentUdLimits::read(ctx(), a).rows().empty());
  ASSERT_EQ(EquipmentUdLimits::read(ctx(), b).rows().size(), 1u);

  ASSERT_TRUE(deleteFormatCompanions(ctx(), b));
  EXPECT_EQ(count(data::LimList::def()), 0);
  EXPECT_FALSE(isFavourite(ctx(), b, "ABC"));
  EXPECT_TRUE(isFavourite(ctx(), a, "ABC"));
}

TEST_F(FormatStore, UdLimitLinesNameTheFieldsPrompt) {
  const std::uint32_t a = addFormat("A");
  addLimit(a, 3, "Tier 4");
  data::Access<data::UserDef> u(ctx().store(), ctx().errors());
  ASSERT_EQ(u.prime(), data::kNoError);
  u.rec().File = "EQHeader";
  u.rec().U3 = "Emissions";
  ASSERT_EQ(u.insert(), data::kNoError);
  EXPECT_EQ(EquipmentUdLimits::read(ctx(), a).lines(ctx()),
            std::vector<std::string>{"Equipment User Defined: Emissions = Tier 4"});
}

}  // namespace
}  // namespace koreq::reportframe
