#include "equipment/cost_form.h"

#include "equipment/categories.h"
#include "form_fixture.h"

namespace koreq::equipment::test {
namespace {

using ui::headless::kScenarioPassed;

class CostTest : public FormTest {
 protected:
  // Fetches an EQCOST record of the demo into `f`.
  void fetchCost(data::FileAccess& f, const std::string& id, const std::string& category) {
    ASSERT_EQ(f.fetch("KeyRecordID", {data::Value(costRecordId(id, category))}), data::kNoError)
        << id << " " << category;
  }
  std::string cost(const std::string& id, const std::string& category, const std::string& field) {
    data::FileAccess f(session.store(), data::EqCost::def(), session.errors());
    if (f.fetch("KeyRecordID", {data::Value(costRecordId(id, category))}) != data::kNoError)
      return "(missing)";
    return data::valueToText(f.get(field));
  }
  void setCost(const std::string& id, const std::string& category, const std::string& field,
               const data::Value& v) {
    data::FileAccess f(session.store(), data::EqCost::def(), session.errors());
    fetchCost(f, id, category);
    ASSERT_TRUE(f.put(field, v));
    ASSERT_EQ(f.update(), data::kNoError);
  }
  void setEquipment(const std::string& id, const std::string& field, const data::Value& v) {
    data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
    ASSERT_EQ(f.fetch("KeyEquipmentID", {data::Value(id)}), data::kNoError);
    ASSERT_TRUE(f.put(field, v));
    ASSERT_EQ(f.update(), data::kNoError);
  }
  // UpdateEQCost on a stored record, or on a new one of that equipment.
  void openCostForm(ui::Request request, const std::string& id, const std::string& category = {}) {
    data::FileAccess& f = ctx.file(data::EqCost::def());
    if (request == ui::Request::Insert) {
      f.clear();
      f.put("EQC:EquipmentID", id);
    } else {
      fetchCost(f, id, category);
    }
    ctx.g.GlobalRequest = static_cast<int>(request);
    ASSERT_TRUE(desktop.call(ctx, "UpdateEQCost"));
  }
  void openTab(const std::string& id, int tab) {
    wizardOff();
    openForm(ui::Request::Change, id);
    user.choose("?SHEET", std::to_string(tab));
  }
  std::string prop(const std::string& control, const std::string& property,
                   const std::string& arg = {}) {
    return user.property(control, property, arg);
  }
  const ui::ScriptedPort::Shown& lastMessage() const { return port.shown().back(); }
};

TEST_F(CostTest, FormScenario) {
  ASSERT_EQ(runScenario("cost_form.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(cost("DT-201", "UNDERCAR", "EQC:RecordID"), "(missing)");  // deleted at the end
}

TEST_F(CostTest, ServiceScheduleScenario) {
  ASSERT_EQ(runScenario("cost_service.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(cost("DT-201", "TIRES", "EQC:LastServiceMeter"), "5100");
}

TEST_F(CostTest, FromTheMenuTheEquipmentIsChosenFirstAndNoOrphanIsWritten) {
  const int before = count(data::EqCost::def(), "EQC:EquipmentID", data::Value(std::string()));
  ASSERT_EQ(runScenario("cost_menu.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(count(data::EqCost::def(), "EQC:EquipmentID", data::Value(std::string())), before);
}

TEST_F(CostTest, CostFiguresScenario) {
  ASSERT_EQ(runScenario("cost_figures.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(cost("DT-201", "HYDR", "EQC:RecordID"), "(missing)");
  EXPECT_NE(cost("DT-201", "FUEL", "EQC:RecordID"), "(missing)");
}

TEST_F(CostTest, OkWritesTheRecordIdAndNeverCopiesTheDefaultsAgain) {
  openCostForm(ui::Request::Insert, "AC-801");
  EXPECT_EQ(user.title(), "Adding a Maintenance Code");
  user.type("?EQC:CostCategory", "PM-B");
  EXPECT_EQ(prop("?EQC:UnitName", "value"), "Each");
  // What the user changes after choosing the category is what OK saves.
  user.type("?EQC:UnitName", "Pail");
  user.type("?EQC:ControlDebit", "6110");
  user.type("?EQC:Meter", "750");
  user.press("OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(cost("AC-801", "PM-B", "EQC:RecordID"), "AC-801    PM-B");
  EXPECT_EQ(cost("AC-801", "PM-B", "EQC:UnitName"), "Pail");
  EXPECT_EQ(cost("AC-801", "PM-B", "EQC:ControlDebit"), "6110");
  EXPECT_EQ(cost("AC-801", "PM-B", "EQC:ControlCredit"), "2000");
  EXPECT_EQ(cost("AC-801", "PM-B", "EQC:Meter"), "750");
  // Field history: the next form recalls the values saved last.
  openCostForm(ui::Request::Insert, "AC-801");
  user.key("?EQC:UnitName", "Ctrl+H");
  EXPECT_EQ(prop("?EQC:UnitName", "value"), "Pail");
  user.press("Cancel");
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
}

// Which fields a category replaces is the engine's (copyCategoryDefaults); here a change of
// category is saved under the new record ID with the new defaults.
TEST_F(CostTest, AnotherCategoryIsSavedUnderItsRecordIdWithItsDefaults) {
  openCostForm(ui::Request::Change, "DT-201", "TIRES");
  EXPECT_EQ(user.title(), "Changing a Maintenance Code");
  EXPECT_EQ(prop("?LOC:ScheduleType", "value"), "Meter");
  user.type("?EQC:UnitName", "Set");
  user.type("?EQC:CostCategory", "UNDERCAR");
  user.press("OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(cost("DT-201", "TIRES", "EQC:RecordID"), "(missing)");
  EXPECT_EQ(cost("DT-201", "UNDERCAR", "EQC:RecordID"), "DT-201    UNDERCAR");
  EXPECT_EQ(cost("DT-201", "UNDERCAR", "EQC:UnitName"), "Each");
}

TEST_F(CostTest, ABlankOrUnknownTypeShowsNoneAndIsStoredAsN) {
  setCost("DT-201", "OIL", "EQC:ScheduleType", data::Value(std::string()));
  setCost("DT-201", "REPAIR", "EQC:ScheduleType", data::Value(std::string("x")));
  // The service schedule shows both as None.
  openTab("DT-201", 4);
  EXPECT_EQ(prop("?LIST:2", "row", "7"), "OIL|Oil & Lubricants|None||");
  EXPECT_EQ(prop("?LIST:2", "row", "10"), "REPAIR|Repairs - Parts & Labor|None|6,284.00|2/26/2024");
  user.activate("?LIST:2", "OIL");
  EXPECT_EQ(user.title(), "Changing a Maintenance Code");
  EXPECT_EQ(prop("?LOC:ScheduleType", "value"), "None");
  EXPECT_EQ(prop("?EQC:Meter", "visible"), "0");
  EXPECT_EQ(prop("?EQC:Interval", "visible"), "0");
  user.press("OK");
  EXPECT_EQ(cost("DT-201", "OIL", "EQC:ScheduleType"), "N");
  // Opened and cancelled, the record keeps its letter.
  user.activate("?LIST:2", "REPAIR");
  user.press("Cancel");
  EXPECT_EQ(cost("DT-201", "REPAIR", "EQC:ScheduleType"), "x");
}

TEST_F(CostTest, ADuplicateCategoryReportsTheFileErrorAndKeepsTheFormOpen) {
  openCostForm(ui::Request::Insert, "DT-201");
  user.type("?EQC:CostCategory", "FUEL");
  user.press("OK");
  EXPECT_EQ(user.title(), "Adding a Maintenance Code");  // still open
  ASSERT_TRUE(session.errors().last());
  EXPECT_NE(session.errors().last()->message.find("Inserting EQCost"), std::string::npos)
      << session.errors().last()->message;
  EXPECT_EQ(session.errors().last()->procedure, "UpdateEQCost");
  user.press("Cancel");
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  EXPECT_EQ(count(data::EqCost::def(), "EQC:EquipmentID", data::Value(std::string("DT-201"))), 11);
  // Renaming a category to one the equipment has fails the same way and changes nothing.
  openCostForm(ui::Request::Change, "DT-201", "TIRES");
  user.type("?EQC:CostCategory", "OIL");
  user.press("OK");
  EXPECT_EQ(user.title(), "Changing a Maintenance Code");
  EXPECT_NE(session.errors().last()->message.find("Saving EQCost"), std::string::npos)
      << session.errors().last()->message;
  user.press("Cancel");
  EXPECT_EQ(cost("DT-201", "TIRES", "EQC:CostCategory"), "TIRES");

  // A record ID written without its padding (as a file load may write it) used to let a second
  // record of the pair in; the pair itself is the key.
  data::FileAccess f(session.store(), data::EqCost::def(), session.errors());
  f.prime();
  f.put("EQC:RecordID", std::string("DT-201FUEL"));
  f.put("EQC:EquipmentID", std::string("DT-201"));
  f.put("EQC:CostCategory", std::string("FUEL"));
  EXPECT_EQ(f.tryInsert(), data::kDuplicateKey);
  EXPECT_EQ(count(data::EqCost::def(), "EQC:EquipmentID", data::Value(std::string("DT-201"))), 11);
}

TEST_F(CostTest, ViewHelpAndTypeAhead) {
  openCostForm(ui::Request::View, "DT-201", "PM-B");
  EXPECT_EQ(user.title(), "View Record");
  EXPECT_EQ(prop("?EQC:CostCategory", "readonly"), "1");
  EXPECT_EQ(prop("?LOOKUPCATEGORY", "enabled"), "0");
  EXPECT_EQ(prop("?CALLASTSERVICE", "enabled"), "0");
  EXPECT_EQ(prop("?LOC:ScheduleType", "value"), "Meter or Elapsed Time");
  user.press("Help");
  EXPECT_EQ(port.helpShown().back(), kCostHelpTopic);
  session.g.HELPNAME = "koreq.htm";
  user.press("Help");
  EXPECT_EQ(port.helpShown().back(), std::string("koreq.htm#") + kCostHelpTopic);
  EXPECT_EQ(shared.autoEntry.controls("UpdateEQCost"),
            (std::vector<std::string>{"?EQC:ControlDebit", "?EQC:CostCategory", "?EQC:UnitName"}));
  user.press("OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
}

TEST_F(CostTest, TheLookupListShowsTheCategoriesOfEquipField) {
  ctx.g.EQUIPFIELD = "AC-801";
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCost"));
  EXPECT_EQ(session.errors().procedure(), "BrowseEQCostEquipField");
  EXPECT_EQ(prop("?BROWSE:1", "rows"), "6");
  EXPECT_EQ(prop("?SELECT", "visible"), "1");
  EXPECT_EQ(user.describe("?BROWSE:1").find("DT-201"), std::string::npos);
  user.select("?BROWSE:1", "OIL");
  user.press("&Select");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_EQ(data::valueToText(ctx.file(data::EqCost::def()).get("EQC:RecordID")), "AC-801    OIL");
  // A double click selects too; Close answers cancelled.
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCost"));
  user.activate("?BROWSE:1", "FUEL");
  EXPECT_EQ(data::valueToText(ctx.file(data::EqCost::def()).get("EQC:CostCategory")), "FUEL");
  ctx.g.GlobalRequest = 4;
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCost"));
  user.close();
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  // Equipment without categories: nothing to change, delete or send.
  ctx.g.EQUIPFIELD = "NONE";
  ctx.g.GlobalRequest = 0;
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQCost"));
  EXPECT_EQ(prop("?BROWSE:1", "rows"), "0");
  EXPECT_EQ(prop("?CHANGE", "enabled"), "0");
  EXPECT_EQ(prop("?SENDTO", "enabled"), "0");
  EXPECT_EQ(prop("?SELECT", "visible"), "0");
  user.close();
}

TEST_F(CostTest, AYearWithoutPriorTotalsShowsZerosAndProfitsAreRedOnlyBelowZero) {
  {
    data::FileAccess f(session.store(), data::EqPriorC::def(), session.errors());
    ASSERT_EQ(f.fetch("KeyEquipmentCategoryYear",
                      {data::Value(std::string("DT-201")), data::Value(std::string("FUEL")),
                       data::Value(std::int64_t{2024})}),
              data::kNoError);
    ASSERT_EQ(f.remove(), data::kNoError);
  }
  // No income at all: the cumulative profit is minus the costs; this year's income equals this
  // year's costs (10,244.42 less the 2,473.20 of fuel), so its profit is zero. The year's income
  // is the year's prior-period record (it used to be the equipment's own year total).
  for (const char* f : {"EQH:CumulativeInternalIncome", "EQH:CumulativeRentalIncome"})
    setEquipment("DT-201", f, data::Value(Decimal()));
  {
    data::FileAccess f(session.store(), data::EqPrior::def(), session.errors());
    ASSERT_EQ(f.fetch("KeyEquipmentYear",
                      {data::Value(std::string("DT-201")), data::Value(std::int64_t{2024})}),
              data::kNoError);
    f.put("EQP:InternalIncome", Decimal::fromCents(777122));
    f.put("EQP:RentalIncome", Decimal());
    ASSERT_EQ(f.update(), data::kNoError);
  }
  openTab("DT-201", 3);
  EXPECT_EQ(prop("?LOC:CumProfit", "text"), "-51,379.68");
  EXPECT_EQ(prop("?LOC:CumProfit", "color"), "FF0000");
  EXPECT_EQ(prop("?LOC:YTDProfit", "text"), "0.00");
  EXPECT_EQ(prop("?LOC:YTDProfit", "color"), "");
  EXPECT_EQ(prop("?LOC:MTDProfit", "text"), "0.00");
  EXPECT_EQ(prop("?LOC:MTDProfit", "color"), "");
  // A later period of a profitable year turns the red off again.
  user.choose("?LOC:FiscalPeriodDescription", "January 2024");
  EXPECT_EQ(prop("?LOC:YTDProfit", "color"), "");
}

TEST_F(CostTest, ThePeriodsMonthTotalsAreReadUnderTheSelectedYear) {
  // A record of the same period number under another year must not be shown.
  auto addMonth = [&](std::int64_t year, std::int64_t period, std::int64_t cents) {
    data::FileAccess f(session.store(), data::EqPriorM::def(), session.errors());
    ASSERT_EQ(f.prime(), data::kNoError);
    f.put("EQPM:EquipmentID", std::string("DT-201"));
    f.put("EQPM:Year", year);
    f.put("EQPM:FiscalPeriod", period);
    f.put("EQPM:InternalIncome", Decimal::fromCents(cents));
    ASSERT_EQ(f.insert(), data::kNoError);
  };
  addMonth(2023, 15, 99900);
  openTab("DT-201", 3);
  EXPECT_EQ(prop("?LOC:FiscalPeriodDescription", "value"), "March 2024");
  EXPECT_EQ(prop("?EQPM:InternalIncome", "text"), "0.00");
  user.press("?CANCEL");
  addMonth(2024, 15, 12345);
  openTab("DT-201", 3);
  EXPECT_EQ(prop("?EQPM:InternalIncome", "text"), "123.45");
}

TEST_F(CostTest, TheHostsCurrentPeriodIsShownFirstWithTheDesignHeaders) {
  session.g.CURRENTFISCALPERIOD = 6;
  openTab("DT-201", 3);
  EXPECT_EQ(prop("?LOC:FiscalPeriodDescription", "value"), "June 2023");
  EXPECT_EQ(prop("?CATEGORYLIST", "header", "5"), "Quantity");
  EXPECT_EQ(prop("?CATEGORYLIST", "group", "5"), "Year to Date");
  EXPECT_EQ(prop("?EQP:InternalIncome", "text"), "50,227.40");
}

TEST_F(CostTest, PostedCostsKeepTheirCategory) {
  openTab("DT-201", 3);
  const int beeps = port.beeps();
  user.select("?CATEGORYLIST", "FUEL");
  user.press("?COSTDELETE");
  EXPECT_EQ(port.beeps(), beeps + 1);
  EXPECT_EQ(lastMessage().caption, "Cannot Delete");
  EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
  EXPECT_EQ(lastMessage().text,
            "Costs have been posted to this cost category.  It cannot be |deleted at this time.");
  EXPECT_EQ(desktop.top(), &form());  // no form was run
  EXPECT_NE(cost("DT-201", "FUEL", "EQC:RecordID"), "(missing)");
  // Without costs it goes, after the question.
  user.select("?CATEGORYLIST", "TIRES");
  port.queueAnswer("&Yes");
  user.press("?COSTDELETE");
  EXPECT_EQ(lastMessage().caption, "Confirm Delete");
  EXPECT_EQ(port.beeps(), beeps + 1);
  EXPECT_EQ(cost("DT-201", "TIRES", "EQC:RecordID"), "(missing)");
  EXPECT_EQ(prop("?CATEGORYLIST", "rows"), "10");
  EXPECT_EQ(prop("?LIST:2", "rows"), "10");
  // The rows sent name the equipment.
  port.queueMenu("Copy to Clipboard");
  user.press("?COSTSENDTO");
  EXPECT_EQ(port.clipboard().rfind(
                "Cost Categories for Equipment: DT-201 - 2020 Kenworth T880 Tri-Axle Dump\n", 0),
            0u)
      << port.clipboard();
  user.choose("?SHEET", "4");
  port.queueMenu("Copy to Clipboard");
  user.press("?SERVICESENDTO");
  EXPECT_EQ(port.clipboard().rfind(
                "Service Schedule for Equipment: DT-201 - 2020 Kenworth T880 Tri-Axle Dump\n", 0),
            0u)
      << port.clipboard();
}

TEST_F(CostTest, NewEquipmentTakesCategoriesBeforeItIsSaved) {
  wizardOff();
  openForm(ui::Request::Insert);
  user.type("?EQH:EquipmentID", "NEW-1");
  user.type("?EQH:Description", "New loader");
  user.choose("?SHEET", "4");
  EXPECT_EQ(prop("?LIST:2", "rows"), "0");
  EXPECT_EQ(prop("?SERVICECHANGE", "enabled"), "0");
  user.press("?SERVICEINSERT");
  EXPECT_EQ(data::valueToText(ctx.file(data::EqCost::def()).get("EQC:EquipmentID")), "NEW-1");
  user.type("?EQC:CostCategory", "FUEL");
  user.press("OK");
  EXPECT_EQ(prop("?LIST:2", "rows"), "1");
  EXPECT_EQ(prop("?CATEGORYLIST", "rows"), "1");
  // The equipment is still only on screen; its EQH buffer was not disturbed by the form.
  EXPECT_EQ(prop("?EQH:EquipmentID", "value"), "NEW-1");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(cost("NEW-1", "FUEL", "EQC:RecordID"), "NEW-1     FUEL");
  // A view of it lists the category but offers no changes.
  openForm(ui::Request::View, "NEW-1");
  user.choose("?SHEET", "4");
  EXPECT_EQ(prop("?LIST:2", "rows"), "1");
  EXPECT_EQ(prop("?SERVICEINSERT", "enabled"), "0");
  EXPECT_EQ(prop("?SERVICEDELETE", "enabled"), "0");
  EXPECT_EQ(prop("?SERVICESENDTO", "enabled"), "1");
  EXPECT_EQ(prop("?SERVICELOCATOR", "readonly"), "0");
  // Its figures can still be looked at for another period.
  user.choose("?SHEET", "3");
  EXPECT_EQ(prop("?COSTINSERT", "enabled"), "0");
  user.choose("?LOC:FiscalPeriodDescription", "June 2023");
  EXPECT_EQ(prop("?CATEGORYLIST", "group", "5"), "2023");
  EXPECT_EQ(prop("?EQH:Description", "readonly"), "1");
}

}  // namespace
}  // namespace koreq::equipment::test
