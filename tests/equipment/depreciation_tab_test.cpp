#include "equipment/depreciation_tab.h"

#include "form_fixture.h"

namespace koreq::equipment::test {
namespace {

class DepreciationTabTest : public FormTest {
 protected:
  DepreciationTabTest() { removeSchedules(); }
  // The form on a stored piece of equipment, on its fixed-asset tab.
  void openOnTab2(const std::string& id) {
    wizardOff();
    openForm(ui::Request::Change, id);
    user.choose("?SHEET", "2");
  }
  // The figures of a small asset typed in and not saved: 13,000.00 less 1,000.00 salvage over
  // 24 months from January 2024, so the first month is February 2024.
  void typeSmallAsset() {
    user.type("?EQH:PurchaseDate", "01/20/2024");
    user.type("?EQH:PurchaseValue", "13000");
    user.type("?EQH:SalvageValue", "1000");
    user.type("?EQH:DepreciationYears", "24");
  }
  std::string monthRow(int n) { return user.property("?DEPRMONTHLIST", "row", std::to_string(n)); }
  std::string yearRow(int n) { return user.property("?DEPRYEARLIST", "row", std::to_string(n)); }
  int monthRows() { return std::stoi(user.property("?DEPRMONTHLIST", "rows")); }
  int yearRows() { return std::stoi(user.property("?DEPRYEARLIST", "rows")); }
  std::string caption() { return user.property("?DEPRGROUP", "text"); }
  int stored(const std::string& id) {
    return count(data::GlDepr::def(), "GLDP:EquipmentID", data::Value(id));
  }
  // The stored row of a month, read afresh.
  data::GlDepr storedRow(const std::string& id, int year, int month) {
    data::Access<data::GlDepr> f(session.store(), session.errors());
    f.setRange(*data::GlDepr::def().key("KeyEquipmentID"), {id});
    while (f.next() == data::kNoError)
      if (f.rec().Date.year() == year && f.rec().Date.month() == month) return f.rec();
    ADD_FAILURE() << "no row " << month << "/" << year << " of " << id;
    return {};
  }
};

TEST(DepreciationRules, CaptionsPairsAndMonthTexts) {
  EXPECT_EQ(depreciationCaption(1, "Tax"), "Straight Line Depreciation Schedule");
  EXPECT_EQ(depreciationCaption(2, ""), "Sum of Years' Digits Depreciation Schedule");
  EXPECT_EQ(depreciationCaption(3, ""), "Double Rate Declining Balance Depreciation Schedule");
  EXPECT_EQ(depreciationCaption(4, "Tax Basis   "), "Tax Basis Depreciation Schedule");
  EXPECT_EQ(depreciationCaption(4, "  "), "Custom Depreciation Schedule");
  EXPECT_EQ(depreciationCaption(0, "Tax"), "Depreciation Schedule");
  EXPECT_EQ(depreciationCaption(9, "Tax"), "Depreciation Schedule");

  data::GlDepr r{};
  r.SLAmount = Decimal(1), r.SLValue = Decimal(2), r.SYAmount = Decimal(3), r.SYValue = Decimal(4);
  r.DDBAmount = Decimal(5), r.DDBValue = Decimal(6), r.UD1Amount = Decimal(7);
  r.UD1Value = Decimal(8), r.UD2Amount = Decimal(9), r.UD2Value = Decimal(10);
  EXPECT_EQ(shownMonthPair(r, 1), (depreciation::MethodPair{Decimal(1), Decimal(2)}));
  EXPECT_EQ(shownMonthPair(r, 2), (depreciation::MethodPair{Decimal(3), Decimal(4)}));
  EXPECT_EQ(shownMonthPair(r, 3), (depreciation::MethodPair{Decimal(5), Decimal(6)}));
  EXPECT_EQ(shownMonthPair(r, 4), (depreciation::MethodPair{Decimal(7), Decimal(8)}));
  // Any other method shows the record's further pair.
  EXPECT_EQ(shownMonthPair(r, 0), (depreciation::MethodPair{Decimal(9), Decimal(10)}));
  EXPECT_EQ(shownMonthPair(r, 5), (depreciation::MethodPair{Decimal(9), Decimal(10)}));

  // The custom method has no yearly figures: the by-year list keeps what it showed.
  EXPECT_EQ(yearListMethod(2, 1), 2);
  EXPECT_EQ(yearListMethod(4, 3), 3);
  EXPECT_EQ(yearListMethod(0, 2), 2);
  depreciation::YearSummaryEntry y{1,          Decimal(10), Decimal(1), Decimal(20),
                                   Decimal(2), Decimal(30), Decimal(3)};
  EXPECT_EQ(shownYearColumns(y, 1), (YearColumns{Decimal(10), Decimal(1)}));
  EXPECT_EQ(shownYearColumns(y, 2), (YearColumns{Decimal(20), Decimal(2)}));
  EXPECT_EQ(shownYearColumns(y, 3), (YearColumns{Decimal(30), Decimal(3)}));

  EXPECT_EQ(monthYearText(*Date::fromYmd(2024, 3, 1)), " 3/2024");
  EXPECT_EQ(monthYearText(*Date::fromYmd(2025, 12, 31)), "12/2025");
  EXPECT_EQ(monthYearText(Date()), "");
  EXPECT_EQ(customMethodText("Book  "), "Book");
  EXPECT_EQ(customMethodText(""), "Custom");
}

TEST_F(DepreciationTabTest, CalculateOnADemoAssetFillsTheMonthsAndTheYears) {
  // AC-801: 24,600.00 less 4,000.00 salvage over 60 months by straight line, bought on
  // 16 March 2021 (three years before the test's today). The demo has no schedule stored.
  openOnTab2("AC-801");
  EXPECT_EQ(caption(), "Straight Line Depreciation Schedule");
  EXPECT_EQ(monthRows(), 0);
  EXPECT_EQ(yearRows(), 1);
  EXPECT_EQ(yearRow(1), "01|4,000.00|0.00");  // nothing stored: only the closing entry

  user.press("C&alculate Schedule");
  EXPECT_FALSE(port.waitCursor());
  EXPECT_EQ(stored("AC-801"), 60);
  ASSERT_EQ(monthRows(), 60);
  EXPECT_EQ(monthRow(1), "4/2021|343.33|24,256.67|");
  EXPECT_EQ(monthRow(2), "5/2021|343.33|23,913.34|");
  EXPECT_EQ(monthRow(60), "3/2026|343.53|4,000.00|");  // the last month takes the remainder
  ASSERT_EQ(yearRows(), 6);
  EXPECT_EQ(yearRow(1), "01|24,600.00|4,119.96");
  EXPECT_EQ(yearRow(2), "02|20,480.04|4,119.96");
  EXPECT_EQ(yearRow(5), "05|8,120.16|4,120.16");
  EXPECT_EQ(yearRow(6), "06|4,000.00|0.00");

  // The year column reads as two digits; the lists sort by date, not by the text shown.
  user.sort("?DEPRMONTHLIST", "Date");
  user.sort("?DEPRMONTHLIST", "Date");
  EXPECT_EQ(monthRow(1), "3/2026|343.53|4,000.00|");
  EXPECT_EQ(monthRow(60), "4/2021|343.33|24,256.67|");

  // The schedule is stored as the button runs: cancelling the form keeps it.
  user.press("?CANCEL");
  EXPECT_EQ(stored("AC-801"), 60);
  EXPECT_TRUE(session.errors().history().empty());
}

TEST_F(DepreciationTabTest, FiguresOnTheFormAreUsedUnsavedAndMethodsSwitchTheColumns) {
  openOnTab2("DT-201");
  typeSmallAsset();
  user.press("?CALCULATE");
  ASSERT_EQ(monthRows(), 24);
  EXPECT_EQ(monthRow(1), "2/2024|500.00|12,500.00|");
  EXPECT_EQ(yearRows(), 3);
  EXPECT_EQ(yearRow(1), "01|13,000.00|6,000.00");
  EXPECT_EQ(yearRow(2), "02|7,000.00|6,000.00");
  EXPECT_EQ(yearRow(3), "03|1,000.00|0.00");
  // The record on file is untouched.
  data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
  ASSERT_EQ(f.fetch("KeyEquipmentID", {data::Value(std::string("DT-201"))}), data::kNoError);
  EXPECT_NE(std::get<Decimal>(f.get("EQH:PurchaseValue")), Decimal(13000));

  user.choose("?EQH:DepreciationMethod", "Sum of Years' Digits");
  EXPECT_EQ(caption(), "Sum of Years' Digits Depreciation Schedule");
  EXPECT_EQ(monthRow(1), "2/2024|960.00|12,040.00|");
  EXPECT_EQ(yearRow(1), "01|13,000.00|8,880.00");
  EXPECT_EQ(yearRow(2), "02|4,120.00|3,120.00");

  user.choose("?EQH:DepreciationMethod", "Double-Rate Declining Balance");
  EXPECT_EQ(caption(), "Double Rate Declining Balance Depreciation Schedule");
  EXPECT_EQ(monthRow(1), "2/2024|1,083.33|11,916.67|");
  EXPECT_EQ(monthRow(2), "3/2024|993.06|10,923.61|");
  EXPECT_EQ(yearRow(1), "01|13,000.00|8,424.05");
  EXPECT_EQ(yearRow(2), "02|4,575.95|3,575.95");

  // The custom method: its button reads as the name beside it, the months show the keyed-in
  // pair (none yet) and the years keep the declining-balance columns.
  EXPECT_EQ(user.property("?EQH:DepreciationMethod", "items"),
            "Straight Line|Sum of Years' Digits|Double-Rate Declining Balance|Custom");
  user.type("?EQH:UD1DepreciationDesc", "Book Basis");
  EXPECT_EQ(user.property("?EQH:DepreciationMethod", "items"),
            "Straight Line|Sum of Years' Digits|Double-Rate Declining Balance|Book Basis");
  EXPECT_EQ(caption(), "Double Rate Declining Balance Depreciation Schedule");
  user.choose("?EQH:DepreciationMethod", "Book Basis");
  EXPECT_EQ(form().record().DepreciationMethod, 4);
  EXPECT_EQ(caption(), "Book Basis Depreciation Schedule");
  EXPECT_EQ(monthRow(1), "2/2024|0.00|0.00|");
  EXPECT_EQ(yearRow(1), "01|13,000.00|8,424.05");
  // Renaming the chosen custom method renames the group at once.
  user.type("?EQH:UD1DepreciationDesc", "Tax");
  EXPECT_EQ(caption(), "Tax Depreciation Schedule");

  user.choose("?EQH:DepreciationMethod", "Straight Line");
  EXPECT_EQ(caption(), "Straight Line Depreciation Schedule");
  EXPECT_EQ(monthRow(1), "2/2024|500.00|12,500.00|");
  EXPECT_EQ(yearRow(1), "01|13,000.00|6,000.00");
}

TEST_F(DepreciationTabTest, TheCaptionFollowsTheStoredMethodWhenTheFormOpens) {
  openOnTab2("EX-304");  // custom method "Tax Basis"
  EXPECT_EQ(caption(), "Tax Basis Depreciation Schedule");
  EXPECT_EQ(user.property("?EQH:DepreciationMethod", "items"),
            "Straight Line|Sum of Years' Digits|Double-Rate Declining Balance|Tax Basis");
  EXPECT_EQ(user.property("?EQH:DepreciationMethod", "value"), "4");
  user.press("?CANCEL");
  openOnTab2("DT-204");
  EXPECT_EQ(caption(), "Double Rate Declining Balance Depreciation Schedule");
}

TEST_F(DepreciationTabTest, SaleDateRecalculatesWhenAcceptedButNotFromTheCalendarOrOk) {
  openOnTab2("DT-201");
  typeSmallAsset();
  user.press("?CALCULATE");
  ASSERT_EQ(stored("DT-201"), 24);

  // The calendar only shows the date picked.
  port.queueDate(*Date::fromYmd(2024, 6, 10));
  user.press("?CALSALE");
  EXPECT_EQ(form().record().SaleDate, *Date::fromYmd(2024, 6, 10));
  EXPECT_EQ(stored("DT-201"), 24);
  // Leaving the entry as the calendar filled it changes nothing either.
  user.accept("?EQH:SaleDate");
  EXPECT_EQ(stored("DT-201"), 24);

  // A date typed in and accepted: the months after the month of the sale go, the month of the
  // sale stays.
  user.type("?EQH:SaleDate", "07/15/2024");
  EXPECT_EQ(stored("DT-201"), 6);
  ASSERT_EQ(monthRows(), 6);
  EXPECT_EQ(monthRow(6), "7/2024|500.00|10,000.00|");
  EXPECT_EQ(yearRows(), 2);  // the six months left are a part-year (they used to show nowhere)

  // Accepting the same date again computes nothing: a row deleted meanwhile stays away.
  {
    data::Access<data::GlDepr> f(session.store(), session.errors());
    f.setRange(*data::GlDepr::def().key("KeyEquipmentID"), {std::string("DT-201")});
    ASSERT_EQ(f.next(), data::kNoError);
    ASSERT_EQ(f.remove(), data::kNoError);
  }
  user.type("?EQH:SaleDate", "07/15/2024");
  EXPECT_EQ(stored("DT-201"), 5);

  // OK accepts every entry: a sale date that differs from the one last accepted (here put in
  // the buffer behind the entry's back) is saved, not calculated.
  form().record().SaleDate = *Date::fromYmd(2024, 3, 5);
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(stored("DT-201"), 5);
  EXPECT_EQ(ctx.rec<data::EqHeader>().SaleDate, *Date::fromYmd(2024, 3, 5));
}

TEST_F(DepreciationTabTest, RecalculationKeepsAmountsKeyedInThroughTheRowForm) {
  openOnTab2("DT-201");
  typeSmallAsset();
  user.press("?CALCULATE");

  // Double-clicking a month opens its form; the custom pair and the posting are keyed in.
  user.activate("?DEPRMONTHLIST", "3/2024");
  ASSERT_EQ(desktop.top()->name(), "UPDATEGLDEPR");
  EXPECT_EQ(user.title(), "Changing a Depreciation Month");
  user.type("?GLDP:UD1Amount", "450");
  user.type("?GLDP:UD1Value", "12100");
  user.type("?GLDP:ActualAmount", "500");
  user.type("?GLDP:FPPostedLabel", "03/24");
  user.type("?GLDP:GLTransID", "7781");
  user.press("?OK");
  ASSERT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_EQ(user.property("?DEPRMONTHLIST", "current"), "2");
  EXPECT_EQ(monthRow(2), "3/2024|500.00|12,000.00|500.00");

  // A new purchase value: the computed pairs follow, what was keyed in stays.
  user.type("?EQH:PurchaseValue", "25000");
  user.press("?CALCULATE");
  const data::GlDepr r = storedRow("DT-201", 2024, 3);
  EXPECT_EQ(r.SLAmount, Decimal(1000));
  EXPECT_EQ(r.SLValue, Decimal(23000));
  EXPECT_EQ(r.UD1Amount, Decimal(450));
  EXPECT_EQ(r.UD1Value, Decimal(12100));
  EXPECT_EQ(r.ActualAmount, Decimal(500));
  EXPECT_EQ(r.FPPostedLabel.str(), "03/24");
  EXPECT_EQ(r.GLTransID, 7781);
  EXPECT_EQ(monthRow(2), "3/2024|1,000.00|23,000.00|500.00");
  user.choose("?EQH:DepreciationMethod", "Custom");
  EXPECT_EQ(monthRow(2), "3/2024|450.00|12,100.00|500.00");
}

TEST_F(DepreciationTabTest, InsertChangeAndDeleteMonthsThroughTheRowForm) {
  openOnTab2("DT-202");
  // A month keyed in by hand belongs to the equipment on the form.
  user.press("?DEPRINSERT");
  ASSERT_EQ(desktop.top()->name(), "UPDATEGLDEPR");
  EXPECT_EQ(user.title(), "Adding a Depreciation Month");
  user.type("?GLDP:Date", "05/01/2023");
  user.type("?GLDP:ActualAmount", "1562.50");
  user.press("?OK");
  EXPECT_EQ(stored("DT-202"), 1);
  ASSERT_EQ(monthRows(), 1);
  EXPECT_EQ(monthRow(1), "5/2023|0.00|0.00|1,562.50");
  // It has no computed figures: its part-year charges nothing, and the closing entry holds the
  // salvage value (a part-year used to appear in no entry).
  EXPECT_EQ(yearRow(1), "01|198,000.00|0.00");
  EXPECT_EQ(yearRow(2), "02|48,000.00|0.00");

  // Cancelling the form changes nothing.
  user.press("?DEPRCHANGE");
  user.type("?GLDP:ActualAmount", "1");
  user.press("?CANCEL");
  EXPECT_EQ(monthRow(1), "5/2023|0.00|0.00|1,562.50");

  // Delete asks first; No keeps the month.
  port.queueAnswer("&No");
  user.press("?DEPRDELETE");
  EXPECT_EQ(port.shown().back().caption, "Confirm Delete");
  EXPECT_EQ(stored("DT-202"), 1);
  port.queueAnswer("&Yes");
  user.press("?DEPRDELETE");
  EXPECT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_EQ(stored("DT-202"), 0);
  EXPECT_EQ(monthRows(), 0);
  // With no month highlighted, change and delete do nothing.
  const std::size_t messages = port.shown().size();
  user.press("?DEPRCHANGE");
  user.press("?DEPRDELETE");
  EXPECT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_EQ(port.shown().size(), messages);
}

TEST_F(DepreciationTabTest, TheYearSummaryAtOpenBelongsToTheEquipmentOnScreen) {
  openOnTab2("AC-801");
  user.press("?CALCULATE");
  ASSERT_EQ(yearRows(), 6);
  user.press("?CANCEL");

  // DT-201 has no schedule: its summary is its own closing entry, not AC-801's years.
  openOnTab2("DT-201");
  ASSERT_EQ(yearRows(), 1);
  EXPECT_EQ(yearRow(1), "01|45,000.00|0.00");
  EXPECT_EQ(monthRows(), 0);
  user.press("?CANCEL");

  // And AC-801 opened again shows its stored schedule at once.
  openOnTab2("AC-801");
  EXPECT_EQ(yearRows(), 6);
  EXPECT_EQ(monthRows(), 60);
}

// Every schedule from the Depreciation menu: cancelled after ten pieces, then run to the end.
TEST_F(DepreciationTabTest, EveryScheduleWindowKeepsWhatItStoredBeforeCancel) {
  ASSERT_EQ(runScenario("every_schedule.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
  // A piece stored twice has its rows once.
  EXPECT_EQ(stored("AC-801"), 60);
  EXPECT_EQ(stored("WT-960"), 96);
}

// A run reads each piece again when its turn comes: another workstation's changes meanwhile
// are calculated as they stand, and a piece deleted meanwhile is named, not calculated.
TEST_F(DepreciationTabTest, EveryScheduleRunReadsEachPieceWhenItsTurnComes) {
  depreciation::EveryScheduleRun run(ctx);
  ASSERT_EQ(run.count(), 30);
  EXPECT_EQ(run.nextId(), "AC-801");
  sql("DELETE FROM eqheader WHERE \"EquipmentID\" = 'AC-801'");
  sql("UPDATE eqheader SET \"DepreciationYears\" = 12 WHERE \"EquipmentID\" = 'AC-802'");
  run.step();
  run.step();
  EXPECT_EQ(run.done(), 2);
  ASSERT_EQ(run.outcome().notStored.size(), 1u);
  EXPECT_EQ(
      run.outcome().notStored[0],
      std::make_pair(std::string("AC-801"), std::string("the equipment is no longer on file")));
  EXPECT_EQ(stored("AC-802"), 12);
  EXPECT_EQ(run.outcome().stored, 1);
  run.cancel();
  EXPECT_TRUE(run.finished());
  EXPECT_TRUE(run.outcome().cancelled);
  EXPECT_EQ(stored("DT-201"), 0);
}

TEST_F(DepreciationTabTest, NewEquipmentNeedsAnIdBeforeItsSchedule) {
  wizardOff();
  openForm(ui::Request::Insert);
  user.choose("?SHEET", "2");
  EXPECT_EQ(caption(), "Depreciation Schedule");
  EXPECT_EQ(user.property("?EQH:DepreciationMethod", "value"), "0");
  typeSmallAsset();
  user.press("?CALCULATE");
  EXPECT_EQ(port.shown().back().text, "Equipment ID is Required");
  user.press("?DEPRINSERT");
  EXPECT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_EQ(stored(""), 0);
  // A sale date accepted without an ID computes nothing and says nothing.
  const std::size_t messages = port.shown().size();
  user.type("?EQH:SaleDate", "06/30/2024");
  EXPECT_EQ(port.shown().size(), messages);

  user.choose("?SHEET", "1");
  user.type("?EQH:EquipmentID", "ZZ-900");
  user.choose("?SHEET", "2");
  user.press("?CALCULATE");
  // No method chosen yet: the months show the record's further pair, here zero.
  EXPECT_EQ(stored("ZZ-900"), 5);
  EXPECT_EQ(monthRow(1), "2/2024|0.00|0.00|");
}

TEST_F(DepreciationTabTest, NoLifeWritesNothingAndKeepsWhatIsStored) {
  openOnTab2("DT-201");
  typeSmallAsset();
  user.press("?CALCULATE");
  user.type("?EQH:DepreciationYears", "0");
  user.press("?CALCULATE");
  EXPECT_EQ(stored("DT-201"), 24);
  EXPECT_EQ(monthRows(), 24);
  EXPECT_TRUE(port.shown().empty());
}

TEST_F(DepreciationTabTest, ABaseTooLargeToHoldIsReportedAndWritesNothing) {
  openOnTab2("DT-201");
  typeSmallAsset();
  // The entries take no more than 999,999,999,999.99; a record stored by other means may hold
  // up to 13 whole digits, and twice that is more than a value holds.
  form().record().PurchaseValue = *Decimal::parse("9999999999999.99");
  form().record().SalvageValue = *Decimal::parse("-9999999999999.99");
  user.press("?CALCULATE");
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.shown().back().caption, "Depreciation Schedule");
  EXPECT_FALSE(port.waitCursor());
  EXPECT_EQ(stored("DT-201"), 0);
  EXPECT_EQ(desktop.top()->name(), "UpdateEQHeader");
}

TEST_F(DepreciationTabTest, ViewingShowsTheMonthsAndWritesNothing) {
  openOnTab2("AC-801");
  user.press("?CALCULATE");
  user.press("?CANCEL");
  wizardOff();
  openForm(ui::Request::View, "AC-801");
  user.choose("?SHEET", "2");
  EXPECT_EQ(monthRows(), 60);
  for (const char* c : {"?CALCULATE", "?DEPRINSERT", "?DEPRDELETE"})
    EXPECT_EQ(user.property(c, "enabled"), "0") << c;
  user.activate("?DEPRMONTHLIST", "2");
  ASSERT_EQ(desktop.top()->name(), "UPDATEGLDEPR");
  EXPECT_EQ(user.title(), "Viewing a Depreciation Month");
  EXPECT_EQ(user.property("?GLDP:ActualAmount", "readonly"), "1");
  user.press("?OK");
  EXPECT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_EQ(stored("AC-801"), 60);
}

TEST_F(DepreciationTabTest, TheScenarioPlaysTheGroup) {
  EXPECT_EQ(runScenario("depr_schedule.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
}

}  // namespace
}  // namespace koreq::equipment::test
