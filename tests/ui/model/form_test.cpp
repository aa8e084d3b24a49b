#include "ui/model/form_procedure.h"

#include "ui/ui_fixture.h"

namespace koreq::ui {
namespace {

const WindowDef& testFormDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "TestForm", "title": "Update the EQHeader File", "help": "html/EC_Equipment.htm",
    "controls": [
      {"kind": "sheet", "name": "?SHEET", "controls": [
        {"kind": "tab", "name": "?TAB1", "text": "&General Info", "controls": [
          {"kind": "prompt", "text": "Equipment ID:"},
          {"kind": "entry", "name": "?EQH:EquipmentID", "use": "EQH:EquipmentID",
           "picture": "@s10", "required": true, "case": "upper", "history": true},
          {"kind": "prompt", "text": "&Description:"},
          {"kind": "entry", "name": "?EQH:Description", "use": "EQH:Description",
           "picture": "@s40", "required": true, "history": true},
          {"kind": "prompt", "text": "Current Meter Reading:"},
          {"kind": "entry", "name": "?EQH:CurrentMeter", "use": "EQH:CurrentMeter",
           "picture": "@n-15.2b"},
          {"kind": "check", "name": "?EQH:Active", "text": "&Active", "use": "EQH:Active"},
          {"kind": "prompt", "text": "Certified ID:"},
          {"kind": "entry", "name": "?EQH:CertifiedID", "use": "EQH:CertifiedID",
           "picture": "@s8", "lookup": "?CallLookup"},
          {"kind": "button", "name": "?CallLookup", "text": "..."}
        ]},
        {"kind": "tab", "name": "?TAB2", "text": "&Fixed Asset Info", "controls": [
          {"kind": "prompt", "text": "Purchase Date:"},
          {"kind": "entry", "name": "?EQH:PurchaseDate", "use": "EQH:PurchaseDate",
           "picture": "@d2b", "lookup": "?CalPurchase"},
          {"kind": "button", "name": "?CalPurchase", "text": "...", "action": "calendar",
           "for": "?EQH:PurchaseDate"},
          {"kind": "prompt", "text": "Number of Months:"},
          {"kind": "entry", "name": "?EQH:DepreciationYears", "use": "EQH:DepreciationYears",
           "picture": "@n-15.2b"},
          {"kind": "prompt", "text": "Charge Destination:"},
          {"kind": "droplist", "name": "?EQH:DestinationType", "use": "EQH:DestinationType",
           "items": ["None", "G/L Account", "Category"]}
        ]}
      ]},
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "ok", "default": true},
      {"kind": "button", "name": "?Cancel", "text": "&Cancel", "action": "cancel"}
    ]})",
                                            "TestForm.json");
  return d;
}

class TestForm : public FormProcedure {
 public:
  explicit TestForm(frame::Context& ctx, std::vector<std::string>* log)
      : FormProcedure(ctx, "TestForm", data::EqHeader::def(), testFormDef()), log_(*log) {}

  void init() override {
    setTitleByRequest("Adding an Equipment Record", "Changing an Equipment Record",
                      "Viewing an Equipment Record");
    if (request() == Request::Insert) primary().put("EQH:Active", std::int64_t{1});
    if (request() == Request::Change) control("?EQH:EquipmentID").disable();
  }
  void accepted(Control& c) override {
    log_.push_back(c.name() + (acceptingAll() ? "*" : ""));
    if (c.is("?EQH:CurrentMeter") && std::get<Decimal>(c.value()) < Decimal()) {
      message("The meter reading cannot be negative.", "Invalid Meter", Icon::Exclamation);
      select(c);
    }
  }

 private:
  std::vector<std::string>& log_;
};

class FormTest : public test::UiTest {
 protected:
  TestForm& open(Request r) {
    ctx.g.GlobalRequest = static_cast<int>(r);
    return static_cast<TestForm&>(desktop.open(std::make_unique<TestForm>(ctx, &log)));
  }
  bool stored(const std::string& id) {
    data::FileAccess probe(session.store(), data::EqHeader::def(), ctx.errors());
    return probe.fetch("EQH:KeyEquipmentID", {id}) == data::kNoError;
  }
  std::vector<std::string> log;
};

TEST_F(FormTest, TitleByRequestAndTheOpenSequence) {
  ctx.errors().setProcedure("");
  TestForm& f = open(Request::Insert);
  EXPECT_EQ(f.window().title(), "Adding an Equipment Record");
  EXPECT_EQ(f.request(), Request::Insert);
  EXPECT_EQ(ctx.g.GlobalRequest, 0);  // taken and cleared
  EXPECT_EQ(ctx.errors().procedure(), "TestForm");
  EXPECT_TRUE(f.control("?EQH:Active").checked());  // set in init, displayed
  f.userPress(f.control("?Cancel"));
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  EXPECT_EQ(ctx.errors().procedure(), "");  // cleared at close

  addEquipment("CAB-01", "Cab tractor");
  TestForm& c = open(Request::Change);
  EXPECT_EQ(c.window().title(), "Changing an Equipment Record");
  EXPECT_FALSE(c.control("?EQH:EquipmentID").enabled());
  EXPECT_EQ(c.control("?EQH:EquipmentID").text(), "CAB-01    ");
  c.userClose();
  TestForm& v = open(Request::View);
  EXPECT_EQ(v.window().title(), "Viewing an Equipment Record");
  v.userClose();
}

TEST_F(FormTest, OkAcceptsEveryControlThenSaves) {
  TestForm& f = open(Request::Insert);
  EXPECT_TRUE(f.userType(f.control("?EQH:EquipmentID"), "cab-01"));
  EXPECT_EQ(f.control("?EQH:EquipmentID").value(), data::Value(std::string("CAB-01")));
  EXPECT_TRUE(f.userType(f.control("?EQH:Description"), "Cab tractor"));
  EXPECT_TRUE(f.userType(f.control("?EQH:CurrentMeter"), "1,234.5"));
  EXPECT_EQ(f.control("?EQH:CurrentMeter").text(), "       1,234.50");
  log.clear();
  f.userPress(f.control("?OK"));
  // Every control that takes input, in window order, while acceptingAll(); tab 2 included.
  EXPECT_EQ(log, (std::vector<std::string>{"?OK", "?EQH:EquipmentID*", "?EQH:Description*",
                                           "?EQH:CurrentMeter*", "?EQH:Active*",
                                           "?EQH:CertifiedID*", "?EQH:PurchaseDate*",
                                           "?EQH:DepreciationYears*", "?EQH:DestinationType*"}));
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_TRUE(stored("CAB-01"));
  EXPECT_TRUE(port.shown().empty());
}

TEST_F(FormTest, AControlThatTakesTheFocusBackStopsAcceptAll) {
  TestForm& f = open(Request::Insert);
  f.userType(f.control("?EQH:EquipmentID"), "CAB-01");
  f.userType(f.control("?EQH:Description"), "Cab tractor");
  f.userType(f.control("?EQH:CurrentMeter"), "-5");
  EXPECT_EQ(lastMessage(), "The meter reading cannot be negative.");
  log.clear();
  f.userPress(f.control("?OK"));
  // Stopped at the meter: the controls after it were not accepted, nothing was saved.
  EXPECT_EQ(log, (std::vector<std::string>{"?OK", "?EQH:EquipmentID*", "?EQH:Description*",
                                           "?EQH:CurrentMeter*"}));
  EXPECT_EQ(port.shown().size(), 2u);
  EXPECT_EQ(desktop.top(), &f);
  EXPECT_FALSE(f.acceptingAll());
  EXPECT_EQ(f.window().focus(), &f.control("?EQH:CurrentMeter"));
  EXPECT_FALSE(stored("CAB-01"));
  // Corrected, OK goes through.
  f.userType(f.control("?EQH:CurrentMeter"), "5");
  f.userPress(f.control("?OK"));
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_TRUE(stored("CAB-01"));
}

TEST_F(FormTest, RequiredEntriesMustNotBeBlank) {
  TestForm& f = open(Request::Insert);
  f.userType(f.control("?EQH:EquipmentID"), "CAB-01");
  f.userPress(f.control("?OK"));
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.shown()[0].text, "Description is Required");
  EXPECT_EQ(port.shown()[0].caption, "Required Field");
  EXPECT_EQ(port.shown()[0].icon, Icon::Information);
  EXPECT_EQ(f.window().focus(), &f.control("?EQH:Description"));
  EXPECT_FALSE(stored("CAB-01"));
  // Both blank: the first in window order is reported.
  f.userType(f.control("?EQH:EquipmentID"), "");
  f.userPress(f.control("?OK"));
  EXPECT_EQ(lastMessage(), "Equipment ID is Required");
  // A hidden required entry is not asked for.
  f.userType(f.control("?EQH:EquipmentID"), "CAB-02");
  f.control("?EQH:Description").hide();
  f.userPress(f.control("?OK"));
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_TRUE(stored("CAB-02"));
}

TEST_F(FormTest, AnInvalidEntryIsRefusedAndKeepsTheFocus) {
  TestForm& f = open(Request::Insert);
  Control& meter = f.control("?EQH:CurrentMeter");
  log.clear();
  EXPECT_FALSE(f.userType(meter, "12x"));
  EXPECT_EQ(lastMessage(), "\"12x\" is not a valid number");
  EXPECT_EQ(port.shown().back().caption, "Invalid Entry");
  EXPECT_EQ(port.beeps(), 1);
  EXPECT_EQ(meter.text(), "12x");  // the text stays to be corrected
  EXPECT_TRUE(meter.holdsEditedText());
  EXPECT_EQ(f.window().focus(), &meter);
  EXPECT_EQ(f.primary().get("EQH:CurrentMeter"), data::Value(Decimal()));
  EXPECT_TRUE(log.empty());  // no accepted event
  // Accept-all stops there too.
  f.userType(f.control("?EQH:EquipmentID"), "X");
  f.userType(f.control("?EQH:Description"), "Y");
  f.userPress(f.control("?OK"));
  EXPECT_EQ(desktop.top(), &f);
  EXPECT_EQ(lastMessage(), "\"12x\" is not a valid number");
  // Dates the same way; a date that does not exist is refused.
  EXPECT_FALSE(f.userType(f.control("?EQH:PurchaseDate"), "2/30/2024"));
  EXPECT_EQ(lastMessage(), "\"2/30/2024\" is not a valid date");
  EXPECT_TRUE(f.userType(f.control("?EQH:PurchaseDate"), "2/29/2024"));
  EXPECT_EQ(f.primary().get("EQH:PurchaseDate"), data::Value(*Date::fromYmd(2024, 2, 29)));
  EXPECT_EQ(f.control("?EQH:PurchaseDate").text(), " 2/29/2024");
  // A number too large for its picture is refused as well.
  EXPECT_FALSE(f.userType(meter, "12345678901234567"));
  // A whole-number field under a two-place picture (meters are all shown alike) refuses a
  // fraction instead of rounding it away.
  Control& months = f.control("?EQH:DepreciationYears");
  EXPECT_FALSE(f.userType(months, "60.5"));
  EXPECT_EQ(lastMessage(), "\"60.5\" is not a valid whole number");
  EXPECT_TRUE(f.userType(months, "1,200"));
  EXPECT_EQ(months.text(), "       1,200.00");
  // A pasted text holding a NUL, which no text field can hold: the message names the field.
  EXPECT_FALSE(f.userType(f.control("?EQH:Description"), std::string("Cab\0tractor", 11)));
  EXPECT_EQ(lastMessage(), "Description: a text cannot hold a NUL character");
}

TEST_F(FormTest, ViewIsReadOnlyAndOkOnlyCloses) {
  addEquipment("CAB-01", "Cab tractor");
  TestForm& v = open(Request::View);
  EXPECT_TRUE(v.control("?EQH:Description").readonly());
  EXPECT_TRUE(v.control("?EQH:Active").readonly());
  EXPECT_THROW(v.userType(v.control("?EQH:Description"), "Changed"), UiError);
  v.userPress(v.control("?OK"));
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
}

TEST_F(FormTest, ChangeUpdatesAndDeleteRemovesAtOpen) {
  addEquipment("CAB-01", "Cab tractor");
  TestForm& c = open(Request::Change);
  c.userType(c.control("?EQH:Description"), "Cab tractor, blue");
  c.userPress(c.control("?OK"));
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  data::FileAccess probe(session.store(), data::EqHeader::def(), ctx.errors());
  ASSERT_EQ(probe.fetch("EQH:KeyEquipmentID", {std::string("CAB-01")}), data::kNoError);
  EXPECT_EQ(probe.get("EQH:Description"), data::Value(std::string("Cab tractor, blue")));

  // The buffer holds the record: a delete request removes it without showing the form.
  open(Request::Delete);
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(ctx.g.GlobalResponse, 1);
  EXPECT_FALSE(stored("CAB-01"));
  // Deleting what is no longer there answers cancelled and reports the file error.
  open(Request::Delete);
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
  ASSERT_TRUE(ctx.errors().last());
  EXPECT_NE(ctx.errors().last()->message.find("Deleting EQHeader"), std::string::npos);
}

TEST_F(FormTest, AFailedInsertKeepsTheFormOpen) {
  addEquipment("CAB-01", "Cab tractor");
  TestForm& f = open(Request::Insert);
  f.userType(f.control("?EQH:EquipmentID"), "CAB-01");
  f.userType(f.control("?EQH:Description"), "Again");
  f.userPress(f.control("?OK"));
  EXPECT_EQ(desktop.top(), &f);
  ASSERT_TRUE(ctx.errors().last());
  EXPECT_NE(ctx.errors().last()->message.find("Inserting EQHeader"), std::string::npos);
  EXPECT_EQ(ctx.errors().last()->procedure, "TestForm");
  f.userPress(f.control("?Cancel"));
  EXPECT_EQ(ctx.g.GlobalResponse, 2);
}

TEST_F(FormTest, CtrlHRestoresTheValueLastSaved) {
  TestForm& f = open(Request::Insert);
  f.userKey(f.control("?EQH:Description"), Key::CtrlH);  // nothing saved yet
  EXPECT_EQ(f.control("?EQH:Description").value(), data::Value(std::string()));
  f.userType(f.control("?EQH:EquipmentID"), "CAB-01");
  f.userType(f.control("?EQH:Description"), "Cab tractor");
  f.userType(f.control("?EQH:CurrentMeter"), "12");
  f.userPress(f.control("?OK"));

  TestForm& g = open(Request::Insert);
  g.userKey(g.control("?EQH:Description"), Key::CtrlH);
  EXPECT_EQ(g.control("?EQH:Description").text(), "Cab tractor" + std::string(29, ' '));
  EXPECT_EQ(g.primary().get("EQH:Description"), data::Value(std::string("Cab tractor")));
  g.userKey(g.control("?EQH:CurrentMeter"), Key::CtrlH);  // no history kept for it
  EXPECT_EQ(g.primary().get("EQH:CurrentMeter"), data::Value(Decimal()));
  g.userPress(g.control("?Cancel"));
  // A cancelled form leaves the history as it was.
  TestForm& h = open(Request::Insert);
  h.userKey(h.control("?EQH:EquipmentID"), Key::CtrlH);
  EXPECT_EQ(h.primary().get("EQH:EquipmentID"), data::Value(std::string("CAB-01")));
  h.userClose();
  EXPECT_FALSE(desktop.history("OtherForm", "?EQH:Description"));
}

TEST_F(FormTest, F2PressesTheLookupAndTheCalendarFillsTheDate) {
  TestForm& f = open(Request::Insert);
  log.clear();
  f.userKey(f.control("?EQH:CertifiedID"), Key::F2);
  EXPECT_EQ(log, std::vector<std::string>{"?CallLookup"});
  port.queueDate(*Date::fromYmd(2015, 3, 5));
  f.userKey(f.control("?EQH:PurchaseDate"), Key::F2);
  EXPECT_EQ(f.primary().get("EQH:PurchaseDate"), data::Value(*Date::fromYmd(2015, 3, 5)));
  EXPECT_EQ(f.control("?EQH:PurchaseDate").text(), " 3/05/2015");
  EXPECT_EQ(port.log().back(), "calendar \"Select a Date\" from (no date) -> 2015-03-05");
  port.queueDate(std::nullopt);  // cancelled: the date stays
  f.userPress(f.control("?CalPurchase"));
  EXPECT_EQ(f.primary().get("EQH:PurchaseDate"), data::Value(*Date::fromYmd(2015, 3, 5)));
  EXPECT_EQ(port.log().back(), "calendar \"Select a Date\" from 2015-03-05 -> none");
}

TEST_F(FormTest, CalculatorDropListAndPaste) {
  TestForm& f = open(Request::Insert);
  port.queueCalculation("42.5");
  f.userKey(f.control("?EQH:CurrentMeter"), Key::CtrlK);
  EXPECT_EQ(f.primary().get("EQH:CurrentMeter"), data::Value(*Decimal::parse("42.5")));
  EXPECT_EQ(ctx.g.GCALCReturnField.str(), "42.5");
  f.userChoose(f.control("?EQH:DestinationType"), 2);
  EXPECT_EQ(f.primary().get("EQH:DestinationType"), data::Value(std::string("G/L Account")));
  EXPECT_EQ(f.control("?EQH:DestinationType").text(), "G/L Account");
  EXPECT_EQ(f.control("?EQH:DestinationType").selectedItem(), 2);
  EXPECT_THROW(f.userChoose(f.control("?EQH:DestinationType"), 4), UiError);

  // The edit menu: nothing on the clipboard and no extras, no menu; Paste inserts and the
  // control's upper case applies.
  f.userKey(f.control("?EQH:EquipmentID"), Key::RightClick);
  EXPECT_TRUE(port.log().empty() || port.log().back().rfind("menu", 0) != 0);
  port.setClipboard("ab-1");
  port.queueMenu("Paste");
  f.userKey(f.control("?EQH:EquipmentID"), Key::RightClick);
  EXPECT_EQ(port.log().back(), "menu \"~&Copy|~Cu&t|&Paste\" -> \"Paste\"");
  EXPECT_EQ(f.control("?EQH:EquipmentID").text(), "AB-1");
  EXPECT_TRUE(f.userAccept(f.control("?EQH:EquipmentID")));
  EXPECT_EQ(f.primary().get("EQH:EquipmentID"), data::Value(std::string("AB-1")));

  // With a selection: Copy takes it, Cut takes and removes it, Paste replaces it or goes in at
  // the cursor, which then stands after the change.
  ui::Control& id = f.control("?EQH:EquipmentID");
  id.setSelection(0, 2);
  port.queueMenu("Copy");
  f.userKey(id, Key::RightClick);
  EXPECT_EQ(port.log().back(), "menu \"&Copy|Cu&t|&Paste\" -> \"Copy\"");
  EXPECT_EQ(port.clipboard(), "AB");
  id.setSelection(2, 2);
  port.queueMenu("Cut");
  f.userKey(id, Key::RightClick);
  EXPECT_EQ(port.clipboard(), "-1");
  EXPECT_EQ(clipped(id.text()), "AB");
  id.setSelection(1, 0);
  port.queueMenu("Paste");
  f.userKey(id, Key::RightClick);
  EXPECT_EQ(clipped(id.text()), "A-1B");
  EXPECT_EQ(id.selectionStart(), 3u);
  // A selection beyond the text is cut back to it.
  id.setSelection(10, 5);
  EXPECT_EQ(id.selectedText(), "");
  f.userClose();
}

}  // namespace
}  // namespace koreq::ui
