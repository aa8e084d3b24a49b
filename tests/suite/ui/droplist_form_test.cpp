// The suite's list editors: UPDATEDROPLIST over DROPLIST, BROWSELIMLISTUD and UPDATELIMLISTUD
// over a report format's LIMLIST rows, driven as a user would on the demo company.

#include "equipment/form_fixture.h"
#include "suite/droplist.h"

namespace koreq::equipment::test {
namespace {

using suite::findValueNoCase;

class DropListTest : public FormTest {
 protected:
  std::string value(const std::string& control) { return user.property(control, "value"); }
  // Every row of the list, one a line.
  std::string rows(const std::string& control = "?LIST") {
    const int n = std::stoi(user.property(control, "rows"));
    std::string out;
    for (int i = 1; i <= n; ++i)
      out += (i > 1 ? "\n" : "") + user.property(control, "row", std::to_string(i));
    return out;
  }
  std::string lastMessage() { return port.shown().empty() ? "" : port.shown().back().text; }
  std::vector<std::string> values(const std::string& list) {
    return suite::dropListValues(ctx, list);
  }
  void openEditor(const std::string& list) {
    ctx.g.REPORTFILTER = list;
    ctx.g.GlobalRequest = static_cast<int>(ui::Request::Change);
    ASSERT_TRUE(desktop.call(ctx, "UPDATEDROPLIST"));
  }
};

TEST(FindValueNoCase, IgnoresCaseAndTrailingBlanks) {
  std::vector<std::string> v = {"Crane", "Dump Truck", "Loader"};
  EXPECT_EQ(findValueNoCase(v, "dump truck  "), 1);
  EXPECT_EQ(findValueNoCase(v, "LOADER"), 2);
  EXPECT_EQ(findValueNoCase(v, "Dump"), -1);
  EXPECT_EQ(findValueNoCase({}, "Crane"), -1);
}

TEST_F(DropListTest, AddsValuesAndRefusesBlanksAndDuplicatesInAnyCase) {
  openEditor("EQH License Code");
  EXPECT_EQ(user.title(), "Edit the list: EQH License Code");
  EXPECT_EQ(rows(), "APP\nCMV\nEXM\nPAS\nTRL");

  user.press("?ADD");
  EXPECT_EQ(lastMessage(), "Type the value to add in the Value box.");
  EXPECT_EQ(user.property("?LOC:Entry", "focus"), "1");

  user.type("?LOC:Entry", "cmv");
  user.press("?ADD");
  EXPECT_EQ(lastMessage(), "\"CMV\" is already in the list.");
  EXPECT_EQ(values("EQH License Code").size(), 5u);

  user.type("?LOC:Entry", "  FRM");  // leading blanks are not part of a value
  user.press("?ADD");
  EXPECT_EQ(values("EQH License Code"),
            (std::vector<std::string>{"APP", "CMV", "EXM", "FRM", "PAS", "TRL"}));
  EXPECT_EQ(user.property("?LIST", "current"), "4");
  EXPECT_EQ(value("?LOC:Entry"), "");  // ready for the next one
  // The other list is untouched.
  EXPECT_EQ(findValueNoCase(values("EQH Class Code"), "FRM"), -1);

  user.press("?CLOSE");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Completed));

  // Nothing changed: cancelled.
  openEditor("EQH License Code");
  user.press("?CLOSE");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Cancelled));
}

TEST_F(DropListTest, ChangesTheHighlightedValueButNotIntoAnother) {
  openEditor("EQH License Code");
  user.select("?LIST", "EXM");
  EXPECT_EQ(value("?LOC:Entry"), "EXM");  // the highlighted value comes into the entry

  user.type("?LOC:Entry", "APP");
  user.press("?CHANGE");
  EXPECT_EQ(lastMessage(), "\"APP\" is already in the list.");
  EXPECT_EQ(findValueNoCase(values("EQH License Code"), "EXM"), 2);

  user.type("?LOC:Entry", "");
  user.press("?CHANGE");
  EXPECT_EQ(lastMessage(), "Type the new text of \"EXM\" in the Value box.");

  user.type("?LOC:Entry", "EXEMPT");
  user.press("?CHANGE");
  EXPECT_EQ(rows(), "APP\nCMV\nEXEMPT\nPAS\nTRL");
  EXPECT_EQ(user.property("?LIST", "current"), "3");

  // Changing only the case of a value is a change of its own.
  user.select("?LIST", "PAS");
  user.type("?LOC:Entry", "Pas");
  user.press("?CHANGE");
  EXPECT_NE(findValueNoCase(values("EQH License Code"), "Pas"), -1);
  EXPECT_EQ(values("EQH License Code").size(), 5u);
  user.press("?CLOSE");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Completed));
}

TEST_F(DropListTest, DeletesOnlyWhenConfirmedAndKeepsTheHighlightInPlace) {
  openEditor("EQH License Code");
  user.select("?LIST", "CMV");
  port.queueAnswer("&No");
  user.press("?DELETE");
  EXPECT_EQ(port.shown().back().caption, "Confirm Delete");
  EXPECT_EQ(port.shown().back().text,
            "Are you sure you want to delete \"CMV\"|from the list EQH "
            "License Code?");
  EXPECT_EQ(values("EQH License Code").size(), 5u);

  port.queueAnswer("&Yes");
  user.key("?LIST", "Delete");  // the Delete key presses the button
  EXPECT_EQ(rows(), "APP\nEXM\nPAS\nTRL");
  EXPECT_EQ(user.property("?LIST", "current"), "2");

  // Down to an empty list: Change and Delete have nothing to work on.
  for (int i = 0; i < 4; ++i) {
    port.queueAnswer("&Yes");
    user.press("?DELETE");
  }
  EXPECT_TRUE(values("EQH License Code").empty());
  EXPECT_EQ(user.property("?DELETE", "enabled"), "0");
  EXPECT_EQ(user.property("?CHANGE", "enabled"), "0");
  EXPECT_TRUE(port.problems().empty());
}

TEST_F(DropListTest, ALongValueIsCutToTheFieldAndANamelessListOpensNothing) {
  openEditor("EQH Class Code");
  const std::string longText(35, 'x');
  user.type("?LOC:Entry", longText);
  user.press("?ADD");
  int at = findValueNoCase(values("EQH Class Code"), std::string(30, 'x'));
  EXPECT_GE(at, 0);
  user.press("?CLOSE");

  ctx.g.REPORTFILTER = "   ";
  ctx.g.GlobalRequest = static_cast<int>(ui::Request::Change);
  ASSERT_TRUE(desktop.call(ctx, "UPDATEDROPLIST"));
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(lastMessage(), "No list was named to edit.");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Cancelled));
}

TEST_F(DropListTest, TheEquipmentFormEditsItsClassCodesAndOffersTheNewOne) {
  wizardOff();
  openForm(ui::Request::Change, "DT-201");
  user.press("?EDITCLASSCODES");
  ASSERT_EQ(desktop.top()->name(), "UPDATEDROPLIST");
  EXPECT_EQ(user.title(), "Edit the list: EQH Class Code");
  user.type("?LOC:Entry", "Skid Steer");
  user.press("?ADD");
  user.press("?CLOSE");
  ASSERT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_NE(user.property("?EQH:ClassCode", "items").find("Skid Steer"), std::string::npos);

  user.press("?EDITLICENSECODES");
  EXPECT_EQ(user.title(), "Edit the list: EQH License Code");
  user.press("?CLOSE");
  user.press("?CANCEL");
}

// ---- Limit lists --------------------------------------------------------------------------------

class LimitListTest : public DropListTest {
 protected:
  // The demo's format that limits a user-defined field.
  std::uint32_t demoFormat() {
    data::FileAccess f(session.store(), data::LimList::def(), session.errors());
    f.set(data::LimList::def().primaryKey());
    while (f.next() == data::kNoError)
      if (clipped(data::valueToText(f.get("LL:Value"))) == "CIM-448812")
        return static_cast<std::uint32_t>(std::get<std::int64_t>(f.get("LL:LimitID")));
    ADD_FAILURE() << "the demo has no limit row";
    return 0;
  }
  void openLimits(std::uint32_t id, const std::string& tag = "EQLimits") {
    ctx.file(data::EqLimits::def()).fetch("KeyLimitID", {data::Value(std::int64_t{id})});
    ctx.g.KORFIELD = tag;
    ctx.g.DECIMALVARIABLE = Decimal(std::int64_t{id});
    ctx.g.REPORTFILTER = "EQHeaderUD";
    ctx.g.GlobalRequest = static_cast<int>(ui::Request::Change);
    ASSERT_TRUE(desktop.call(ctx, "BROWSELIMLISTUD"));
  }
  void addRow(std::uint32_t id, int field, const std::string& v,
              const std::string& file = "EQHeaderUD") {
    data::FileAccess f(session.store(), data::LimList::def(), session.errors());
    f.prime();
    f.put("LL:Tag", std::string("EQLimits"));
    f.put("LL:LimitID", std::int64_t{id});
    f.put("LL:FileName", file);
    f.put("LL:FieldNumber", std::int64_t{field});
    f.put("LL:Value", v);
    ASSERT_EQ(f.insert(), data::kNoError);
  }
  std::string stored(std::uint32_t id) {
    std::string out;
    for (const suite::LimitRow& r : suite::limitRows(ctx, "EQLimits", id, "EQHeaderUD"))
      out += (out.empty() ? "" : ";") + std::to_string(r.fieldNumber) + "=" + r.value;
    return out;
  }
};

TEST_F(LimitListTest, ListsOnlyTheFormatsRowsWithTheFieldsPrompts) {
  const std::uint32_t id = demoFormat();
  addRow(id, 20, "ODD");               // no such field: listed so it can be put right
  addRow(id, 1, "OTHER", "EQCostUD");  // another file's limits
  addRow(id + 1, 2, "NEXT");           // another format's
  EXPECT_EQ(stored(id), "3=CIM-448812;20=ODD");

  openLimits(id);
  EXPECT_EQ(user.title(), "User Defined Limits for Summary - Insured on Policy CIM-448812");
  EXPECT_EQ(rows(), "3|Insurance Policy|CIM-448812\n20|(no such field)|ODD");
  EXPECT_EQ(user.property("?LIST", "header", "3"), "Must Hold");
  user.press("?CLOSE");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Cancelled));

  // A format without a title in the buffer, and without rows.
  ctx.file(data::EqLimits::def()).prime();
  ctx.g.KORFIELD = "EQLimits";
  ctx.g.DECIMALVARIABLE = Decimal(std::int64_t{9999});
  ctx.g.GlobalRequest = 2;
  ASSERT_TRUE(desktop.call(ctx, "BROWSELIMLISTUD"));
  EXPECT_EQ(user.title(), "User Defined Limits");
  EXPECT_EQ(rows(), "");
  EXPECT_EQ(user.property("?CHANGE", "enabled"), "0");
  EXPECT_EQ(user.property("?DELETE", "enabled"), "0");
  user.press("?CLOSE");

  // Without a format there is nothing to edit.
  for (auto bad : {std::pair<std::string, std::int64_t>{"EQLimits", 0}, {"", 5}}) {
    ctx.g.KORFIELD = bad.first;
    ctx.g.DECIMALVARIABLE = Decimal(bad.second);
    ctx.g.GlobalRequest = 2;
    ASSERT_TRUE(desktop.call(ctx, "BROWSELIMLISTUD"));
    EXPECT_EQ(desktop.top(), nullptr);
    EXPECT_EQ(lastMessage(), "No report format was named whose limits to edit.");
  }
}

TEST_F(LimitListTest, InsertsChangesAndDeletesThroughTheForm) {
  const std::uint32_t id = demoFormat();
  openLimits(id);

  user.press("?INSERT");
  ASSERT_EQ(desktop.top()->name(), "UPDATELIMLISTUD");
  EXPECT_EQ(user.title(), "Adding a User Defined Limit");
  EXPECT_EQ(user.property("?LL:FieldNumber", "text"), "1 - Fuel Card #");
  EXPECT_NE(user.property("?LL:FieldNumber", "items").find("15 - User Defined 15"),
            std::string::npos);
  user.press("?OK");  // the value is required
  EXPECT_EQ(lastMessage(), "Must Hold is Required");
  ASSERT_EQ(desktop.top()->name(), "UPDATELIMLISTUD");
  user.choose("?LL:FieldNumber", "2 - Tire Size");
  user.type("?LL:Value", "11R22.5");
  user.press("?OK");
  ASSERT_EQ(desktop.top()->name(), "BROWSELIMLISTUD");
  EXPECT_EQ(stored(id), "2=11R22.5;3=CIM-448812");
  EXPECT_EQ(user.property("?LIST", "current"), "1");  // the new row is highlighted

  // Change through a double click.
  user.activate("?LIST", "CIM-448812");
  ASSERT_EQ(desktop.top()->name(), "UPDATELIMLISTUD");
  EXPECT_EQ(user.title(), "Changing a User Defined Limit");
  EXPECT_EQ(value("?LL:Value"), "CIM-448812");
  user.choose("?LL:FieldNumber", "4 - GPS Unit");
  user.type("?LL:Value", "Trimble");
  user.press("?OK");
  EXPECT_EQ(stored(id), "2=11R22.5;4=Trimble");
  EXPECT_EQ(rows(), "2|Tire Size|11R22.5\n4|GPS Unit|Trimble");
  EXPECT_EQ(user.property("?LIST", "current"), "2");

  // Cancel changes nothing.
  user.press("?CHANGE");
  user.type("?LL:Value", "Garmin");
  user.press("?CANCEL");
  EXPECT_EQ(stored(id), "2=11R22.5;4=Trimble");

  // Delete asks first.
  user.select("?LIST", "1");
  port.queueAnswer("&No");
  user.press("?DELETE");
  EXPECT_EQ(port.shown().back().caption, "Confirm Delete");
  EXPECT_EQ(stored(id), "2=11R22.5;4=Trimble");
  port.queueAnswer("&Yes");
  user.key("?LIST", "Delete");
  EXPECT_EQ(stored(id), "4=Trimble");
  EXPECT_EQ(rows(), "4|GPS Unit|Trimble");

  user.press("?CLOSE");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Completed));
  EXPECT_TRUE(port.problems().empty());
}

TEST_F(LimitListTest, ARowDeletedBehindTheListIsReadAgain) {
  const std::uint32_t id = demoFormat();
  openLimits(id);
  data::FileAccess f(session.store(), data::LimList::def(), session.errors());
  f.setRange(*data::LimList::def().key("KeyLimit"),
             {data::Value(std::string("EQLimits")), data::Value(std::int64_t{id})});
  ASSERT_EQ(f.next(), data::kNoError);
  ASSERT_EQ(f.remove(), data::kNoError);
  user.press("?CHANGE");
  EXPECT_EQ(desktop.top()->name(), "BROWSELIMLISTUD");
  EXPECT_EQ(lastMessage(), "The highlighted limit is no longer there; the list is read again.");
  EXPECT_EQ(rows(), "");
}

}  // namespace
}  // namespace koreq::equipment::test
