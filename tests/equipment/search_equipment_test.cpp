#include "equipment/search_equipment.h"

#include "data/records.h"
#include "ui/headless/scripted_user.h"
#include "ui/ui_fixture.h"

namespace koreq::equipment {
namespace {

class SearchEquipmentTest : public ui::test::UiTest {
 protected:
  SearchEquipmentTest() {
    registerSearchEquipment(registry, globals);
    addEquipment("TRK-02", "Dump truck");
    addEquipment("CAB-01", "Cab tractor", false);
    addEquipment("EXC-01", "Excavator");
    addEquipment("SAW-01", "Slab saw");
    addEquipment("", "Left-over record with a blank ID");
  }
  void open(const std::string& mode) {
    globals.SearchMode = mode;
    globals.SearchResult = "";
    ASSERT_TRUE(desktop.call(ctx, "SearchEquipment"));
  }
  std::string rows() {
    std::string out;
    ui::Control& list = user.find("?LIST1");
    for (std::int64_t r = 0; list.list()->ensureRow(r); ++r)
      out += (out.empty() ? "" : "; ") + list.rowText(r);
    return out;
  }
  SearchGlobals globals;
  ui::headless::ScriptedUser user{desktop};
};

TEST_F(SearchEquipmentTest, ListsEveryEquipmentWithAnIdInKeyOrder) {
  open("Equipment");
  EXPECT_EQ(user.title(), "Search the Equipment File");
  EXPECT_EQ(user.property("?LIST1", "header", "1"), "Equipment ID");
  EXPECT_EQ(rows(), "CAB-01|Cab tractor; EXC-01|Excavator; SAW-01|Slab saw; TRK-02|Dump truck");
  EXPECT_EQ(user.property("?SEARCHTEXT", "focus"), "1");
}

TEST_F(SearchEquipmentTest, SearchTextFindsPartsOfIdsAndDescriptionsInAnyCase) {
  open("Equipment");
  user.type("?SEARCHTEXT", "ab");
  EXPECT_EQ(rows(), "CAB-01|Cab tractor; SAW-01|Slab saw");
  EXPECT_EQ(user.property("?LIST1", "focus"), "1");  // the list, on its first row
  EXPECT_EQ(user.property("?LIST1", "current"), "1");
  user.type("Search for", "AB");
  EXPECT_EQ(rows(), "CAB-01|Cab tractor; SAW-01|Slab saw");
  user.type("?SEARCHTEXT", "-0");
  EXPECT_EQ(rows(), "CAB-01|Cab tractor; EXC-01|Excavator; SAW-01|Slab saw; TRK-02|Dump truck");
  user.type("?SEARCHTEXT", "nothing like it");
  EXPECT_EQ(rows(), "");
  EXPECT_EQ(user.property("?LIST1", "current"), "0");
  // Blank search text shows every entry again; Go does what accepting the text does.
  desktop.top()->control("?SEARCHTEXT").setValue(std::string());
  user.press("Go");
  EXPECT_EQ(user.property("?LIST1", "rows"), "4");
}

TEST_F(SearchEquipmentTest, OkOrADoubleClickChoosesCancelLeavesTheResultBlank) {
  open("Equipment");
  user.type("?SEARCHTEXT", "ab");
  user.select("?LIST1", "2");
  user.press("OK");
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(globals.SearchResult, "SAW-01");

  open("Equipment");
  user.activate("?LIST1", "TRK-02");
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_EQ(globals.SearchResult, "TRK-02");

  open("Equipment");
  user.select("?LIST1", "EXC-01");
  user.press("Cancel");
  EXPECT_EQ(globals.SearchResult, "");
  open("Equipment");
  globals.SearchResult = "CAB-01";  // whatever was there: closing leaves no choice
  user.close();
  EXPECT_EQ(globals.SearchResult, "");
  // OK on an empty list chooses nothing.
  open("Equipment");
  user.type("?SEARCHTEXT", "zzz");
  user.press("OK");
  EXPECT_EQ(globals.SearchResult, "");
}

TEST_F(SearchEquipmentTest, CodeModeListsTheMaintenanceCategories) {
  data::FileAccess& codes = ctx.file(data::EqCode::def());
  for (auto [id, d] : {std::pair{"OIL", "Oil change"}, std::pair{"TIRE", "Tyres"}}) {
    codes.prime();
    codes.put("EQD:CategoryID", std::string(id));
    codes.put("EQD:Description", std::string(d));
    ASSERT_EQ(codes.insert(), data::kNoError);
  }
  // The caller's buffer is not disturbed by the search.
  ctx.file(data::EqHeader::def()).put("EQH:EquipmentID", std::string("KEEP"));
  open("Code");
  EXPECT_EQ(user.title(), "Search the Cost Category File");
  EXPECT_EQ(user.property("?LIST1", "header", "1"), "Category ID");
  EXPECT_EQ(rows(), "OIL|Oil change; TIRE|Tyres");
  user.type("?SEARCHTEXT", "tyr");
  user.key("?LIST1", "Enter");
  EXPECT_EQ(globals.SearchResult, "TIRE");
  EXPECT_EQ(ctx.file(data::EqHeader::def()).get("EQH:EquipmentID"),
            data::Value(std::string("KEEP")));
}

}  // namespace
}  // namespace koreq::equipment
