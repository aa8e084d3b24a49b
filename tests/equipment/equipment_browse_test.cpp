#include "equipment/equipment_browse.h"

#include <sqlite3.h>

#include <chrono>

#include "equipment/attachments_tabs.h"
#include "equipment/categories.h"
#include "equipment/engine/equipment_records.h"
#include "equipment_fixture.h"
#include "runtime/ini.h"

namespace koreq::equipment::test {
namespace {

using ui::headless::kScenarioPassed;

class EquipmentRecordsTest : public EquipmentTest {
 protected:
  void addRecord(const data::FileDef& file,
                 std::initializer_list<std::pair<const char*, std::string>> fields) {
    data::FileAccess f(session.store(), file, session.errors());
    f.prime();
    for (const auto& [field, value] : fields) f.put(field, value);
    ASSERT_EQ(f.insert(), data::kNoError) << file.name;
  }
  void addImage(const std::string& id, const char* type) {
    data::FileAccess f(session.store(), data::Images::def(), session.errors());
    f.prime();
    f.put("IMG:Type", std::string(type));
    f.put("IMG:OwnerID", id);
    ASSERT_EQ(f.insert(), data::kNoError);
    const auto recordId = std::get<std::int64_t>(f.get("IMG:RecordID"));
    session.store().putBlob("IMAGES", recordId, {1, 2, 3});
  }
  // Categories, schedule rows, notes, images and prior-year totals of the equipment.
  std::vector<int> recordsOf(const std::string& id) {
    const data::Value v(id);
    return {count(data::EqCost::def(), "EQC:EquipmentID", v),
            count(data::Notes::def(), "NOTE:EquipmentID", v),
            count(data::GlDepr::def(), "GLDP:EquipmentID", v),
            count(data::Images::def(), "IMG:OwnerID", v),
            count(data::EqPrior::def(), "EQP:EquipmentID", v)};
  }
};

TEST_F(EquipmentTest, ShowFlagsFilterAndAreKeptInTheSettingsFile) {
  EXPECT_EQ(showSetting(), "");  // a first opening: no setting
  ASSERT_EQ(runScenario("show_flags.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(showSetting(), "11");  // the lookup list wrote it last
  // Other entries of the section and file are left alone.
  IniFile ini(folder.path / "settings" / kSettingsFile);
  ASSERT_TRUE(ini.set(kSettingsSection, "Other", "kept"));
  ASSERT_TRUE(ini.set(kSettingsSection, kShowEntry, "10"));
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  auto& b = static_cast<EquipmentBrowse&>(*desktop.top());
  EXPECT_EQ(b.showActive(), 1);
  EXPECT_EQ(b.showInactive(), 0);
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "27");
  user.check("?SHOWACTIVE", false);
  user.check("?SHOWINACTIVE", true);
  user.close();
  EXPECT_EQ(showSetting(), "01");
  EXPECT_EQ(ini.get(kSettingsSection, "Other"), "kept");
}

TEST_F(EquipmentTest, ASettingThatIsNotTwoDigitsReadsAsFlagsDigitByDigit) {
  IniFile ini(folder.path / "settings" / kSettingsFile);
  struct Case {
    const char* value;
    int active, inactive;
  } cases[] = {{"1", 1, 0}, {"x1", 0, 1}, {"0", 0, 0}, {"21", 1, 1}, {"  ", 1, 1}};
  for (const Case& c : cases) {
    ASSERT_TRUE(ini.set(kSettingsSection, kShowEntry, c.value));
    ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
    auto& b = static_cast<EquipmentBrowse&>(*desktop.top());
    EXPECT_EQ(b.showActive(), c.active) << c.value;
    EXPECT_EQ(b.showInactive(), c.inactive) << c.value;
    user.close();
  }
  // INIPATH names the folder; the file is made there when missing.
  EXPECT_TRUE(std::filesystem::exists(folder.path / "settings" / "Tessaly.ini"));
}

TEST_F(EquipmentTest, RefusedDeletesLeaveEquipmentNotesAndLogAlone) {
  addEquipment("ZZ-100", "Scrap trailer");
  addNote("ZZ-100", "Tyres gone");
  addNote("ZZ-100", "Sold for scrap");
  addEquipment("ZZ-200", "Unposted only");
  addNote("ZZ-200", "Only this week's use");
  addUnpostedEntry("ZZ-200");
  ASSERT_EQ(runScenario("delete_refused.scenario"), kScenarioPassed) << transcript.str();
  for (const char* id : {"DT-204", "ZZ-100", "ZZ-200"}) EXPECT_TRUE(hasEquipment(id)) << id;
  EXPECT_EQ(notesOf("DT-204"), 1);
  EXPECT_EQ(notesOf("ZZ-100"), 2);
  EXPECT_EQ(notesOf("ZZ-200"), 1);
  EXPECT_TRUE(activityLog().empty());
  EXPECT_TRUE(form.lines.empty());  // the form never ran
}

TEST_F(EquipmentTest, DeleteRemovesTheNotesAndLogsItInOneGo) {
  addEquipment("ZZ-100", "Scrap trailer");
  addNote("ZZ-100", "Tyres gone");
  addNote("ZZ-100", "Sold for scrap");
  addEquipment("ZZ-200", "Unposted only");
  addNote("ZZ-200", "Only this week's use");
  ASSERT_EQ(runScenario("delete.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(form.lines, std::vector<std::string>{"request 3 on \"ZZ-100\", 0 left over"});
  EXPECT_FALSE(hasEquipment("ZZ-100"));
  EXPECT_EQ(notesOf("ZZ-100"), 0);
  EXPECT_EQ(notesOf("ZZ-200"), 1);  // another equipment's notes stay
  EXPECT_EQ(activityLog(), std::vector<std::string>{
                               "ADM|EQ Equipment Setup|Deleted equipment (ZZ-100) Scrap trailer"});
  data::FileAccess log(session.store(), data::UserLog::def(), session.errors());
  log.set(data::UserLog::def().primaryKey());
  ASSERT_EQ(log.next(), data::kNoError);
  EXPECT_EQ(log.get("USL:Date"), data::Value(clock.today()));

  // Without activity logging the delete writes no entry.
  session.g.LogUserActivity = 0;
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.select("?BROWSE:1", "ZZ-200");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  EXPECT_FALSE(hasEquipment("ZZ-200"));
  EXPECT_EQ(notesOf("ZZ-200"), 0);
  EXPECT_EQ(activityLog().size(), 1u);
}

// A failed delete used to leave the notes deleted and a "Deleted equipment" entry behind.
TEST_F(EquipmentTest, AFailedFormDeleteLeavesTheNotesAndTheLog) {
  addEquipment("ZZ-100", "Scrap trailer");
  addNote("ZZ-100", "Tyres gone");
  addNote("ZZ-100", "Sold for scrap");
  addEquipment("ZZ-200", "Unposted only");
  form.failDeletes = true;
  ASSERT_EQ(runScenario("delete_fails.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(form.lines.size(), 1u);
  EXPECT_TRUE(hasEquipment("ZZ-100"));
  EXPECT_EQ(notesOf("ZZ-100"), 2);
  EXPECT_TRUE(activityLog().empty());
  EXPECT_FALSE(session.store().inTransaction());

  // A form that is cancelled, or a form that is not there at all, is undone the same way.
  registry.replace("UpdateEQHeader", [](frame::Context& c) {
    c.g.GlobalResponse = static_cast<int>(ui::Response::Cancelled);
  });
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.select("?BROWSE:1", "ZZ-100");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  EXPECT_EQ(notesOf("ZZ-100"), 2);
  EXPECT_TRUE(activityLog().empty());
  EXPECT_FALSE(session.store().inTransaction());
  // The plain procedure deletes in the transaction the list opened, and completes.
  registry.replace("UpdateEQHeader", [](frame::Context& c) {
    auto& f = c.file(data::EqHeader::def());
    c.g.GlobalResponse = f.remove() == data::kNoError ? 1 : 2;
  });
  port.queueAnswer("&Yes");
  user.press("&Delete");
  EXPECT_FALSE(hasEquipment("ZZ-100"));
  EXPECT_EQ(notesOf("ZZ-100"), 0);
  EXPECT_EQ(activityLog().size(), 1u);
  EXPECT_FALSE(session.store().inTransaction());
}

// When the list cannot have a transaction of its own (here: one is open already), the delete is
// refused and nothing is written. (It used to go on without one, the notes and the log entry
// following a completed delete.)
// When another workstation holds the company, the delete is refused and nothing changes.
TEST_F(EquipmentTest, ABusyCompanyRefusesTheDelete) {
  addEquipment("ZZ-100", "Scrap trailer");
  addNote("ZZ-100", "Tyres gone");
  auto other = where.otherStation();
  ASSERT_TRUE(other->begin(std::chrono::milliseconds(1000)));
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.select("?BROWSE:1", "ZZ-100");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  other->rollback();
  EXPECT_EQ(port.shown().back().text, data::kCompanyBusyText);
  EXPECT_TRUE(form.lines.empty());  // the form never ran
  EXPECT_TRUE(hasEquipment("ZZ-100"));
  EXPECT_EQ(notesOf("ZZ-100"), 1);
  EXPECT_TRUE(activityLog().empty());
  EXPECT_FALSE(session.store().inTransaction());
}

TEST_F(EquipmentTest, InsertFirstRemovesTheLeftOversOfAnAbandonedInsert) {
  {
    data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
    f.prime();  // numbered, nothing else filled in
    ASSERT_EQ(f.insert(), data::kNoError);
    f.prime();
    f.put("EQH:RecordID", std::int64_t{0});
    f.put("EQH:EquipmentID", std::string("ZZ-000"));
    ASSERT_EQ(f.insert(), data::kNoError);
  }
  ASSERT_EQ(runScenario("insert_abandoned.scenario"), kScenarioPassed) << transcript.str();
  EXPECT_EQ(form.lines, (std::vector<std::string>{"request 1 on \"\", 0 left over",
                                                  "request 1 on \"\", 0 left over"}));
  EXPECT_FALSE(hasEquipment(""));
  EXPECT_FALSE(hasEquipment("ZZ-000"));
  EXPECT_TRUE(hasEquipment("BH-100"));
}

TEST_F(EquipmentTest, AUserWithoutTheRightIsRefusedWithABeep) {
  ASSERT_EQ(runScenario("access_denied.scenario"), kScenarioPassed) << transcript.str();
  std::string t = transcript.str();
  std::size_t beeps = 0;
  for (std::size_t at = t.find("  beep\n"); at != std::string::npos;
       at = t.find("  beep\n", at + 1))
    ++beeps;
  EXPECT_EQ(beeps, 6u);
  EXPECT_EQ(form.lines.size(), 1u);  // only the user without a record got the form

  // The flag follows the user record.
  session.g.USERID = "NOP";
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  EXPECT_FALSE(static_cast<EquipmentBrowse&>(*desktop.top()).noChange());
  user.close();
  session.g.USERID = "EQV";
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  EXPECT_TRUE(static_cast<EquipmentBrowse&>(*desktop.top()).noChange());
  user.close();
}

TEST_F(EquipmentTest, SelectModeAndTheLookupListOverTheAlias) {
  ASSERT_EQ(runScenario("select_mode.scenario"), kScenarioPassed) << transcript.str();
  data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
  ASSERT_EQ(f.fetch("KeyEquipmentID", {data::Value(std::string("TR-903"))}), data::kNoError);
  EXPECT_EQ(f.get("EQH:Description"), data::Value(std::string("Tag trailer, re-decked")));
}

// Deleted equipment used to leave its categories, schedule rows, photograph and attachments
// behind for the next record of its ID, and the lookup list deleted without asking or logging.
// What goes and what stays, case by case, is the engine's test (removeRecordsUnder); here both
// lists take it in the delete's one transaction.
TEST_F(EquipmentRecordsTest, ADeleteTakesTheEquipmentsRecordsWithItButNotItsHistory) {
  for (const char* id : {"ZZ-100", "ZZ-200"}) {
    addEquipment(id, std::string("Scrap ") + id);
    addNote(id, "Tyres gone");
    addRecord(data::EqCost::def(), {{"EQC:EquipmentID", id},
                                    {"EQC:CostCategory", "FUEL"},
                                    {"EQC:RecordID", costRecordId(id, "FUEL")}});
    addRecord(data::GlDepr::def(), {{"GLDP:EquipmentID", id}});
    addRecord(data::GlDepr::def(), {{"GLDP:EquipmentID", id}});
    addRecord(data::EqPrior::def(), {{"EQP:EquipmentID", id}});
    addImage(id, kPhotoImageType);
    addImage(id, kAttachmentImageType);
  }

  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.select("?BROWSE:1", "ZZ-100");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  EXPECT_FALSE(hasEquipment("ZZ-100"));
  EXPECT_EQ(recordsOf("ZZ-100"), (std::vector<int>{0, 0, 0, 0, 1}));
  user.close();

  // The lookup list asks, checks and logs the same way.
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeaderAlias"));
  user.select("?BROWSE:1", "DT-204");
  user.press("&Delete");
  EXPECT_EQ(port.shown().back().caption, "Cannot Delete Equipment");
  user.select("?BROWSE:1", "ZZ-200");
  port.queueAnswer("&No");
  user.press("&Delete");
  EXPECT_EQ(port.shown().back().caption, "Confirm Delete");
  EXPECT_TRUE(hasEquipment("ZZ-200"));
  // A part that cannot be removed leaves the equipment whole.
  sql("CREATE TRIGGER refuse BEFORE DELETE ON GLDEPR BEGIN SELECT RAISE(ABORT, 'refused'); END",
      "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION "
      "'refused'; END$$; CREATE TRIGGER refuse BEFORE DELETE ON gldepr FOR EACH ROW EXECUTE "
      "FUNCTION refuse()");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  EXPECT_TRUE(hasEquipment("ZZ-200"));
  EXPECT_EQ(recordsOf("ZZ-200"), (std::vector<int>{1, 1, 2, 2, 1}));
  EXPECT_FALSE(session.store().inTransaction());
  sql("DROP TRIGGER refuse", "DROP TRIGGER refuse ON gldepr");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  EXPECT_FALSE(hasEquipment("ZZ-200"));
  EXPECT_EQ(recordsOf("ZZ-200"), (std::vector<int>{0, 0, 0, 0, 1}));
  EXPECT_EQ(activityLog(), (std::vector<std::string>{
                               "ADM|EQ Equipment Setup|Deleted equipment (ZZ-100) Scrap ZZ-100",
                               "ADM|EQ Equipment Setup|Deleted equipment (ZZ-200) Scrap ZZ-200"}));
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "30");
}

// The lookup list used to run the form's delete without the list's checks; it now asks, and
// removes the notes and logs as the maintenance list does.
TEST_F(EquipmentTest, TheLookupListDeletesWithTheListsChecks) {
  addEquipment("ZZ-100", "Scrap trailer");
  addNote("ZZ-100", "Tyres gone");
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeaderAlias"));
  user.select("?BROWSE:1", "ZZ-100");
  port.queueAnswer("&Yes");
  user.press("&Delete");
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.shown().back().caption, "Confirm Delete");
  EXPECT_FALSE(hasEquipment("ZZ-100"));
  EXPECT_EQ(notesOf("ZZ-100"), 0);
  EXPECT_EQ(activityLog().size(), 1u);
  EXPECT_EQ(user.property("?BROWSE:1", "rows"), "30");
}

TEST_F(EquipmentTest, LocatorAndSearchFindEquipment) {
  ASSERT_EQ(runScenario("locate_and_search.scenario"), kScenarioPassed) << transcript.str();
  const std::string t = transcript.str(), help = "  help \"html/EC_Equipment.htm\"\n";
  std::size_t shown = 0;
  for (std::size_t at = t.find(help); at != std::string::npos; at = t.find(help, at + 1)) ++shown;
  EXPECT_EQ(shown, 2u);  // F1, then the button
  EXPECT_EQ(shared.search.SearchMode, "Equipment");
}

TEST_F(EquipmentTest, InactiveRowsAreGreenAndLimeWhenHighlighted) {
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  auto& b = static_cast<EquipmentBrowse&>(*desktop.top());
  ui::RowStyle inactive = b.list().style(1);  // AC-802
  EXPECT_EQ(inactive.foreground, 0x008000u);
  EXPECT_EQ(inactive.selectedForeground, 0x00FF00u);
  EXPECT_FALSE(inactive.background);
  ui::RowStyle active = b.list().style(0);  // AC-801
  EXPECT_FALSE(active.foreground);
  EXPECT_FALSE(active.selectedForeground);
  user.close();
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeaderAlias"));
  auto& a = static_cast<EquipmentBrowse&>(*desktop.top());
  EXPECT_EQ(a.list().style(1).foreground, 0x008000u);
  EXPECT_FALSE(a.list().style(2).foreground);
}

// One member of a zip file (an .xlsx), through unzip.
std::string unzipped(const std::string& zip, const std::string& member) {
  std::string cmd = "unzip -p '" + zip + "' " + member;
  std::unique_ptr<FILE, int (*)(FILE*)> p(popen(cmd.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  std::size_t n;
  while (p && (n = fread(buf, 1, sizeof buf, p.get())) > 0) out.append(buf, n);
  return out;
}

TEST_F(EquipmentTest, SendListContentsToTheClipboardOrAFile) {
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.check("Show Active Equipment", false);
  port.queueMenu("Copy to Clipboard");
  user.press("Send List Contents To...");
  EXPECT_EQ(port.clipboard(),
            "Equipment File Maintenance\n"
            "Equipment ID\tDescription\tClass Code\n"
            "AC-802\t2014 Sullair 375 Air Compressor\tCompressor\n"
            "GN-852\t2012 Multiquip DCA45 Generator\tGenerator\n"
            "PU-099\t2015 Ford F-150 Regular Cab\tPickup Truck\n");
  // The list's pop-up menu offers the same.
  std::string file = (folder.path / "equipment.txt").string();
  port.queueMenu("Send List Contents To...");
  port.queueMenu("Save as Text File...");
  port.queueFiles({file});
  user.key("?BROWSE:1", "RightClick");
  std::ifstream in(file);
  std::stringstream got;
  got << in.rdbuf();
  EXPECT_EQ(got.str(), port.clipboard());
  // Nothing to send: the button is disabled and the menu item too.
  user.check("Show Inactive Equipment", false);
  EXPECT_EQ(user.property("?SENDTO", "enabled"), "0");
  port.queueMenu(0);
  user.key("?BROWSE:1", "RightClick");
  EXPECT_EQ(port.log().back(), "menu \"~Send List Contents To...\" -> none");
  // A CSV file quotes what needs it; a workbook holds the same rows, the title in bold.
  user.check("Show Inactive Equipment", true);
  const std::string csv = (folder.path / "equipment.csv").string();
  port.queueMenu("Save as CSV File...");
  port.queueFiles({csv});
  user.press("?SENDTO");
  std::ifstream csvIn(csv);
  std::stringstream csvText;
  csvText << csvIn.rdbuf();
  EXPECT_EQ(csvText.str().substr(0, csvText.str().find("AC-802")),
            "Equipment File Maintenance\r\nEquipment ID,Description,Class Code\r\n");
  const std::string xlsx = (folder.path / "equipment.xlsx").string();
  port.queueMenu("Save as Excel Workbook...");
  port.queueFiles({xlsx});
  user.press("?SENDTO");
  const std::string strings = unzipped(xlsx, "xl/sharedStrings.xml");
  EXPECT_NE(strings.find("Equipment File Maintenance"), std::string::npos) << strings;
  EXPECT_NE(strings.find("2014 Sullair 375 Air Compressor"), std::string::npos);
  // A file that cannot be written is reported.
  port.queueMenu("Save as Text File...");
  port.queueFiles({(folder.path / "no such folder" / "x.txt").string()});
  user.press("?SENDTO");
  EXPECT_EQ(port.shown().back().caption, "Send List Contents");
}

TEST_F(EquipmentTest, TheTrainingVideoOpensItsPage) {
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  ctx.g.REPORTFILTER = "kept";
  user.press("Play training video");
  ASSERT_EQ(port.opened().size(), 1u);
  std::filesystem::path page = port.opened().front();
  EXPECT_EQ(page, suite::defaultHelpFolder() / "training" / "EQEnt.htm");
  EXPECT_TRUE(std::filesystem::is_regular_file(page));
  EXPECT_EQ(ctx.g.REPORTFILTER, "kept");
  EXPECT_EQ(user.property("?CLOSE", "focus"), "1");  // Tab after the video
  // The desktop has no program for it: the user is told.
  port.queueOpenResult(ui::kOpenNoAssociation);
  user.press("?TRAINING");
  EXPECT_EQ(port.shown().back().caption, "Training Video");
  EXPECT_NE(port.shown().back().text.find("No program associated with this file"),
            std::string::npos);
}

TEST_F(EquipmentTest, OpeningRegistersTheLocatorForTypeAheadAndToggleReinitialises) {
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.close();
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeaderAlias"));
  user.close();
  ASSERT_TRUE(desktop.call(ctx, "BrowseEQHeader"));
  user.close();
  EXPECT_EQ(shared.autoEntry.controls("BrowseEQHeader"),
            std::vector<std::string>{"?EquipmentLocator"});
  EXPECT_EQ(shared.autoEntry.controls("browseeqheaderalias"),
            std::vector<std::string>{"?EquipmentLocator"});

  EXPECT_FALSE(shared.autoEntry.on());
  session.g.AutoEntry = 1;
  ASSERT_TRUE(desktop.call(ctx, "ToggleAutoEntryEQ"));
  EXPECT_EQ(desktop.depth(), 0u);  // no window
  EXPECT_TRUE(shared.autoEntry.on());
  EXPECT_EQ(shared.autoEntry.dataFile(), folder.path / "co" / "AutoEntry.dat");
  EXPECT_EQ(shared.autoEntry.initialisations(), 1);
  session.g.AutoEntry = 0;
  session.g.DATAPATH = (folder.path / "other").string() + "   ";  // clipped
  ASSERT_TRUE(desktop.call(ctx, "ToggleAutoEntryEQ"));
  EXPECT_FALSE(shared.autoEntry.on());
  EXPECT_EQ(shared.autoEntry.dataFile(), folder.path / "other" / "AutoEntry.dat");
  EXPECT_EQ(shared.autoEntry.initialisations(), 2);
}

}  // namespace
}  // namespace koreq::equipment::test
