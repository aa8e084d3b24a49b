#include "form_fixture.h"
#include "suite/casemode.h"

namespace koreq::equipment::test {
namespace {

class EquipmentFormTest : public FormTest {
 protected:
  std::string value(const std::string& control) { return user.property(control, "value"); }
  bool enabled(const std::string& control) { return user.property(control, "enabled") == "1"; }
  bool visible(const std::string& control) { return user.property(control, "visible") == "1"; }
  std::string lastMessage() { return port.shown().empty() ? "" : port.shown().back().text; }

  void addLog(const std::string& id, const Date& date, const std::string& units) {
    data::FileAccess f(session.store(), data::EqLog::def(), session.errors());
    f.prime();
    f.put("EQL:EquipmentID", id);
    f.put("EQL:Date", date);
    f.put("EQL:Units", *Decimal::parse(units));
    ASSERT_EQ(f.insert(), data::kNoError);
  }
  void addEquipment(const std::string& id) {
    data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
    f.prime();
    f.put("EQH:EquipmentID", id);
    f.put("EQH:Description", std::string("Test unit"));
    ASSERT_EQ(f.insert(), data::kNoError);
  }
  std::string stored(const std::string& id, const std::string& field) {
    data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
    if (f.fetch("KeyEquipmentID", {data::Value(id)}) != data::kNoError) return "(none)";
    return clipped(data::valueToText(f.get(field)));
  }
};

TEST_F(EquipmentFormTest, TitlesFollowTheRequestAndTheFixedAssetMode) {
  wizardOff();
  openForm(ui::Request::Insert);
  EXPECT_EQ(form().window().title(), "Adding an Equipment Record  (New)");
  EXPECT_EQ(value("?EQH:Active"), "1");
  EXPECT_TRUE(enabled("?EQH:EquipmentID"));
  user.press("?CANCEL");

  openForm(ui::Request::Change, "DT-201");
  EXPECT_EQ(form().window().title(),
            "Changing an Equipment Record  (" + stored("DT-201", "EQH:Description") + ")");
  EXPECT_FALSE(enabled("?EQH:EquipmentID"));
  user.press("?CANCEL");

  openForm(ui::Request::View, "DT-201");
  EXPECT_EQ(form().window().title(), "Viewing an Equipment Record");
  EXPECT_EQ(user.property("?EQH:Description", "readonly"), "1");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Cancelled));

  ctx.g.EQUIPFIELD = "GL";
  openForm(ui::Request::Insert);
  EXPECT_EQ(form().window().title(), "Adding a Fixed Asset Record  (New)");
  EXPECT_EQ(form().window().icon(), "~gl.ico");
  EXPECT_EQ(clipped(ctx.g.EQUIPFIELD.str()), "");
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, TheWizardKeepsFinishDisabledUntilTheLastStepAndIsRemembered) {
  openForm(ui::Request::Insert);  // the wizard is on by default
  EXPECT_EQ(user.property("?SHEET", "tabs"), "0");
  EXPECT_EQ(user.property("?OK", "text"), "&Finish");
  EXPECT_FALSE(enabled("?OK"));
  EXPECT_FALSE(enabled("?BACK"));
  EXPECT_TRUE(enabled("?NEXT"));
  EXPECT_EQ(value("?TABTITLE"), "General Info");
  for (int step = 2; step <= 7; ++step) {
    user.press("?NEXT");
    EXPECT_EQ(value("?SHEET"), std::to_string(step));
    EXPECT_EQ(enabled("?OK"), step == 7) << step;
    EXPECT_EQ(enabled("?NEXT"), step != 7) << step;
    EXPECT_TRUE(enabled("?BACK"));
  }
  EXPECT_EQ(value("?TABTITLE"), "Attachments");
  user.press("?BACK");
  EXPECT_EQ(value("?TABTITLE"), "Notes / User Defined");
  EXPECT_FALSE(enabled("?OK"));

  // Finish with nothing entered: the wizard goes back to the first step.
  user.press("?NEXT");
  user.type("?EQH:EquipmentID", "");
  user.press("?OK");
  EXPECT_EQ(lastMessage(), "Description is Required");
  EXPECT_EQ(value("?SHEET"), "1");
  EXPECT_EQ(user.property("?EQH:Description", "focus"), "1");

  user.check("?ENTRYWIZARD", false);
  EXPECT_EQ(user.property("?SHEET", "tabs"), "1");
  EXPECT_EQ(user.property("?OK", "text"), "&OK");
  EXPECT_TRUE(enabled("?OK"));
  EXPECT_FALSE(visible("?NEXT"));
  EXPECT_FALSE(visible("?REQLEGEND"));
  user.press("?CANCEL");
  EXPECT_EQ(IniFile(folder.path / "settings" / kTsSetupFile).get(kSettingsSection, kWizardEntry),
            "0");
  openForm(ui::Request::Insert);
  EXPECT_EQ(user.property("?SHEET", "tabs"), "1");
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, RequiredEntriesReportTheDescriptionFirst) {
  wizardOff();
  openForm(ui::Request::Insert);
  user.press("?OK");
  EXPECT_EQ(lastMessage(), "Description is Required");
  EXPECT_EQ(port.shown().back().caption, "Required Field");
  user.type("?EQH:Description", "Skid steer");
  user.press("?OK");
  EXPECT_EQ(lastMessage(), "Equipment ID is Required");
  EXPECT_EQ(user.property("?EQH:EquipmentID", "focus"), "1");
  ASSERT_NE(desktop.top(), nullptr);
  user.type("?EQH:EquipmentID", "SS-900");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(stored("SS-900", "EQH:Description"), "Skid steer");
  EXPECT_EQ(stored("SS-900", "EQH:Active"), "1");
  std::vector<std::string> log = activityLog();
  ASSERT_FALSE(log.empty());
  EXPECT_EQ(log.back(), "EQ Equipment Setup|Added equipment (SS-900) Skid steer");
}

TEST_F(EquipmentFormTest, AChangeIsLoggedOnlyWhenTheRecordChanged) {
  wizardOff();
  const std::size_t before = activityLog().size();
  openForm(ui::Request::Change, "DT-201");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(activityLog().size(), before);

  openForm(ui::Request::Change, "DT-201");
  user.type("?EQH:Location", "YARD 2");
  user.press("?OK");
  ASSERT_EQ(activityLog().size(), before + 1);
  EXPECT_EQ(activityLog().back().rfind("EQ Equipment Setup|Changed equipment (DT-201) ", 0), 0u);
  EXPECT_EQ(stored("DT-201", "EQH:Location"), "YARD 2");
}

TEST_F(EquipmentFormTest, AFailedSaveLeavesNeitherLogEntryNorPrompts) {
  wizardOff();
  const std::size_t before = activityLog().size();
  openForm(ui::Request::Insert);
  user.type("?EQH:Description", "Second dump truck");
  user.type("?EQH:EquipmentID", "DT-201");  // already on file
  user.check("?EDITPROMPTS", true);
  user.type("?USD:U1", "Tyre size");
  user.press("?OK");
  ASSERT_NE(desktop.top(), nullptr) << "the form stays open";
  EXPECT_EQ(activityLog().size(), before);
  data::FileAccess u(session.store(), data::UserDef::def(), session.errors());
  ASSERT_EQ(u.fetch("KeyFile", {data::Value(std::string("EQHeader"))}), data::kNoError);
  EXPECT_NE(clipped(data::valueToText(u.get("USD:U1"))), "Tyre size");
  EXPECT_EQ(stored("DT-201", "EQH:Description") == "Second dump truck", false);

  // Put right, the same form saves the record and the prompts together.
  user.type("?EQH:EquipmentID", "DT-299");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  ASSERT_EQ(u.fetch("KeyFile", {data::Value(std::string("EQHeader"))}), data::kNoError);
  EXPECT_EQ(clipped(data::valueToText(u.get("USD:U1"))), "Tyre size");
  EXPECT_EQ(activityLog().size(), before + 1);
}

TEST_F(EquipmentFormTest, PromptsAreEditedInPlaceAndTheUserDefRecordIsMadeWhenMissing) {
  wizardOff();
  {
    data::FileAccess u(session.store(), data::UserDef::def(), session.errors());
    if (u.fetch("KeyFile", {data::Value(std::string("EQHeader"))}) == data::kNoError) {
      ASSERT_EQ(u.remove(), data::kNoError);
    }
  }
  openForm(ui::Request::Change, "DT-201");
  EXPECT_EQ(count(data::UserDef::def(), "USD:File", data::Value(std::string("EQHeader"))), 1);
  EXPECT_FALSE(visible("?USD:U3"));
  EXPECT_FALSE(visible("?USDLABEL3"));
  user.choose("?SHEET", "6");
  user.check("?EDITPROMPTS", true);
  EXPECT_TRUE(visible("?USD:U3"));
  EXPECT_EQ(user.property("?USDPROMPT3", "text"), "");
  user.type("?USD:U3", "Fuel type");
  user.check("?EDITPROMPTS", false);
  EXPECT_EQ(user.property("?USDPROMPT3", "text"), "Fuel type");
  user.type("?EQH:UD3", "Diesel");
  user.press("?OK");
  EXPECT_EQ(stored("DT-201", "EQH:UD3"), "Diesel");
}

// The figures and their edge cases are the engine's (averageUnitsPerDay): here the button shows
// the result without saving it, and keeps the field when there is none.
TEST_F(EquipmentFormTest, RecalculateShowsTheAverageUntilOkAndKeepsTheFieldWithoutEntries) {
  wizardOff();
  addEquipment("RC-1");
  addEquipment("RC-3");
  addLog("RC-1", *Date::fromYmd(2024, 2, 1), "7.5");
  addLog("RC-1", *Date::fromYmd(2024, 2, 11), "8.25");

  openForm(ui::Request::Change, "RC-1");
  user.press("?RECALCULATE");
  EXPECT_EQ(value("?EQH:UnitsPerDay"), "1.58");
  user.press("?CANCEL");
  EXPECT_EQ(stored("RC-1", "EQH:UnitsPerDay"), "0.00") << "nothing saved before OK";

  openForm(ui::Request::Change, "RC-3");
  user.type("?EQH:UnitsPerDay", "4.25");
  user.press("?RECALCULATE");
  EXPECT_EQ(lastMessage(), kNoUsageMessage);
  EXPECT_EQ(port.shown().back().caption, "Unable to Recalculate Average");
  EXPECT_EQ(value("?EQH:UnitsPerDay"), "4.25");
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, UnknownCodesOpenTheLookupAndCancellingKeepsTheFocus) {
  wizardOff();
  openForm(ui::Request::Change, "DT-201");
  user.type("?EQH:CertifiedID", "MECH");
  EXPECT_EQ(desktop.top(), &form()) << "a known code opens no list";

  user.type("?EQH:CertifiedID", "ZZZ");
  ASSERT_NE(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_EQ(desktop.top()->name(), "BROWSEPRCERT");
  EXPECT_EQ(desktop.top()->request(), ui::Request::Select);
  user.close();
  EXPECT_EQ(user.property("?EQH:CertifiedID", "focus"), "1");

  // F2 runs the list at once; a selection is copied back.
  user.choose("?SHEET", "2");
  user.key("?EQH:AssetAccount", "F2");
  ASSERT_EQ(desktop.top()->name(), "BROWSEGLMASTER");
  user.select("?BROWSE:1", "2");  // account 1010
  user.press("&Select");
  EXPECT_EQ(value("?EQH:AssetAccount"), "1010");

  // The charge account shows only for a G/L destination, and names the equipment to the list.
  user.choose("?EQH:DestinationType", "None");
  EXPECT_FALSE(visible("?EQH:DestinationAccount"));
  EXPECT_FALSE(visible("?EQH:DestinationCategory"));
  user.choose("?EQH:DestinationType", "G/L Account");
  EXPECT_TRUE(visible("?EQH:DestinationAccount"));
  EXPECT_FALSE(visible("?EQH:DestinationCategory"));
  user.focus("?EQH:DestinationAccount");
  EXPECT_EQ(clipped(ctx.g.KORFIELD.str()), "DT-201");
  user.choose("?EQH:DestinationType", "Category");
  EXPECT_FALSE(visible("?EQH:DestinationAccount"));
  EXPECT_TRUE(visible("?EQH:DestinationCategory"));
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, IncomeAccountsDefaultFromTheCompanyAndDropListsNameThemselves) {
  wizardOff();
  openForm(ui::Request::Insert);
  user.focus("?EQH:InternalIncomeControl");
  EXPECT_EQ(value("?EQH:InternalIncomeControl"), "4600");
  user.focus("?EQH:RentalIncomeControl");
  EXPECT_EQ(value("?EQH:RentalIncomeControl"), "4500");
  user.type("?EQH:RentalIncomeControl", "4510");
  user.focus("?EQH:RentalIncomeControl");
  EXPECT_EQ(value("?EQH:RentalIncomeControl"), "4510") << "only a blank field is filled";
  user.focus("?EQH:ClassCode");
  EXPECT_EQ(clipped(ctx.g.REPORTFILTER.str()), "EQH Class Code");
  user.focus("?EQH:LicenseCode");
  EXPECT_EQ(clipped(ctx.g.REPORTFILTER.str()), "EQH License Code");
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, CaseModesComeFromTheStoreAndCtrlClickChangesThem) {
  wizardOff();
  suite::GETCASE(ctx, "UPREQH:Location");
  openForm(ui::Request::Insert);
  user.type("?EQH:Location", "north yard");
  EXPECT_EQ(value("?EQH:Location"), "NORTH YARD");
  user.type("?EQH:VIN", "abc 123");
  EXPECT_EQ(value("?EQH:VIN"), "abc 123") << "a plain field keeps the typing";

  port.queueMenu(2);  // "Capitalized Text"
  user.key("?EQH:VehicleLicense", "Ctrl+Click");
  ASSERT_FALSE(port.log().empty());
  EXPECT_NE(port.log().back().find("\u2022  small text"), std::string::npos);
  EXPECT_NE(port.log().back().find("   Capitalized Text"), std::string::npos);
  EXPECT_EQ(suite::GETCASE(ctx, "000EQH:VehicleLicense"), "CAP");
  user.type("?EQH:VehicleLicense", "abc def");
  EXPECT_EQ(value("?EQH:VehicleLicense"), "Abc Def");

  // The description's mode is not the user's to change from here.
  const std::size_t menus = port.log().size();
  user.key("?EQH:Description", "Ctrl+Click");
  EXPECT_EQ(port.log().size(), menus);
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, HelpFollowsTheTabShown) {
  wizardOff();
  openForm(ui::Request::Change, "DT-201");
  user.choose("?SHEET", "4");
  user.press("?HELP");
  ASSERT_FALSE(port.helpShown().empty());
  EXPECT_EQ(port.helpShown().back(), "html/EC_Equipment.htm#ec_eq_service_schedule__tab_");
  user.choose("?SHEET", "7");
  user.press("?HELP");
  EXPECT_EQ(port.helpShown().back(), "html/EC_Equipment.htm#ec_eq_service_schedule__tab_")
      << "the last tab keeps the topic it had";
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, FieldHistoryRecallsTheValuesOfTheRecordSavedLast) {
  wizardOff();
  openForm(ui::Request::Change, "DT-201");
  user.type("?EQH:Location", "PIT 4");
  user.press("?OK");
  openForm(ui::Request::Change, "DT-202");
  user.key("?EQH:Location", "Ctrl+H");
  EXPECT_EQ(value("?EQH:Location"), "PIT 4");
  user.press("?CANCEL");
}

}  // namespace
}  // namespace koreq::equipment::test

namespace koreq::equipment::test {
namespace {

// A new record typed with the ID of other equipment used to write its schedule rows, categories
// and notes under that equipment; Cancel left what it had written under its own ID.
TEST_F(EquipmentFormTest, ANewRecordWritesNothingUnderAnotherIdAndCancelLeavesNothing) {
  auto under = [this](const std::string& id) {
    const data::Value v(id);
    return std::vector<int>{count(data::EqCost::def(), "EQC:EquipmentID", v),
                            count(data::GlDepr::def(), "GLDP:EquipmentID", v),
                            count(data::Notes::def(), "NOTE:EquipmentID", v)};
  };
  const std::vector<int> dt201 = under("DT-201"), dt202 = under("DT-202");
  ASSERT_EQ(runScenario("new_id_in_use.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
  EXPECT_EQ(under("DT-201"), dt201);
  EXPECT_EQ(under("DT-202"), dt202);
  EXPECT_EQ(under("NEW-1"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(stored("NEW-1", "EQH:Description"), "(none)");

  // Saved under another ID than the one it first wrote under: the first keeps nothing (the tabs
  // list only what is under the ID shown).
  wizardOff();
  openForm(ui::Request::Insert);
  user.type("?EQH:EquipmentID", "NEW-2");
  user.type("?EQH:Description", "Second loader");
  user.choose("?SHEET", "4");
  user.press("?SERVICEINSERT");
  user.type("?EQC:CostCategory", "FUEL");
  user.press("OK");
  user.choose("?SHEET", "1");
  user.type("?EQH:EquipmentID", "NEW-3");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(under("NEW-2"), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(stored("NEW-3", "EQH:Description"), "Second loader");

  // The field history brings back the ID saved last, which is taken by then.
  openForm(ui::Request::Insert);
  user.key("?EQH:EquipmentID", "Ctrl+H");
  EXPECT_EQ(port.shown().back().caption, "Equipment ID in Use");
  EXPECT_EQ(value("?EQH:EquipmentID"), "");
  user.press("?CANCEL");
}

TEST_F(EquipmentFormTest, ScenariosOfTheWizardAndTheEditMenu) {
  EXPECT_EQ(runScenario("form_wizard.scenario"), ui::headless::kScenarioPassed) << transcript.str();
  EXPECT_EQ(stored("LD-700", "EQH:Description"), "Wheel loader");
  EXPECT_EQ(stored("LD-700", "EQH:CertifiedID"), "OE1");
  EXPECT_EQ(runScenario("form_edit_menu.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
}

}  // namespace
}  // namespace koreq::equipment::test
