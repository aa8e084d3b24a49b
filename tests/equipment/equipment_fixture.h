#pragma once

// The demo company in a temporary folder, the equipment and suite procedures registered, a
// stand-in for the equipment form (UpdateEQHeader) that tests can make fail, and a way to run a
// scenario file of this folder against it all.

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/records.h"
#include "demo/demo_company.h"
#include "equipment/engine/engine_fixture.h"
#include "equipment/equipment_browse.h"
#include "frame/context.h"
#include "runtime/ini.h"
#include "suite/ui/lookups.h"
#include "suite/ui/training.h"
#include "ui/headless/scenario.h"
#include "ui/headless/scripted_user.h"
#include "ui/model/desktop.h"
#include "ui/model/form_procedure.h"

namespace koreq::equipment::test {

inline const ui::WindowDef& standInFormDef() {
  static const ui::WindowDef d = ui::parseWindowDef(R"({
    "name": "UpdateEQHeader", "controls": [
      {"kind": "prompt", "text": "Equipment ID:"},
      {"kind": "entry", "name": "?EQH:EquipmentID", "use": "EQH:EquipmentID", "required": true},
      {"kind": "prompt", "text": "Description:"},
      {"kind": "entry", "name": "?EQH:Description", "use": "EQH:Description"},
      {"kind": "check", "name": "?EQH:Active", "text": "Active", "use": "EQH:Active"},
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "ok"},
      {"kind": "button", "name": "?CANCEL", "text": "&Cancel", "action": "cancel"}
    ]})",
                                                    "UpdateEQHeader.json");
  return d;
}

// What the stand-in form saw and did.
struct FormLog {
  std::vector<std::string> lines;
  bool failDeletes = false;
};

// The equipment form until the real one comes: a plain form over EQHEADER. It notes each run
// with its request, record and the left-over records of abandoned inserts it finds at open.
class StandInForm final : public ui::FormProcedure {
 public:
  StandInForm(frame::Context& ctx, FormLog& log)
      : ui::FormProcedure(ctx, "UpdateEQHeader", data::EqHeader::def(), standInFormDef()),
        log_(log) {}
  void init() override {
    data::FileAccess scan(ctx().store(), data::EqHeader::def(), ctx().errors());
    int leftOver = 0;
    if (scan.fetch("KeyEquipmentID", {data::Value(std::string())}) == data::kNoError) ++leftOver;
    if (scan.fetch("KeyRecordID", {data::Value(std::int64_t{0})}) == data::kNoError) ++leftOver;
    log_.lines.push_back("request " + std::to_string(static_cast<int>(request())) + " on \"" +
                         data::valueToText(primary().get("EQH:EquipmentID")) + "\", " +
                         std::to_string(leftOver) + " left over");
  }

 protected:
  bool save() override {
    if (request() == ui::Request::Delete && log_.failDeletes) {
      ctx().errors().fileError(data::kDriverError, data::fileErrorText(data::kDriverError),
                               "Deleting", "EQHeader");
      return false;
    }
    return ui::FormProcedure::save();
  }

 private:
  FormLog& log_;
};

// The demo company with a desktop and a scripted user; the tests register the procedures they
// run.
class DemoTest : public DemoCompanyTest {
 protected:
  DemoTest() : desktop(port, registry) {}

  // Runs tests/equipment/NAME; the transcript is kept for the failure message.
  int runScenario(const std::string& name) {
    std::ifstream in(std::string(KOREQ_EQUIPMENT_TEST_DIR) + "/" + name);
    if (!in) {
      transcript << "scenario file " << name << " is missing\n";
      return ui::headless::kScenarioBadScript;
    }
    return ui::headless::runScenario(session, registry, in, transcript);
  }
  bool said(const std::string& text) const {
    return transcript.str().find(text) != std::string::npos;
  }
  ui::ScriptedPort port;
  frame::ProcedureRegistry registry;
  EquipmentShared shared;
  ui::Desktop desktop;
  ui::headless::ScriptedUser user{desktop};
  std::ostringstream transcript;
};

class EquipmentTest : public DemoTest {
 protected:
  EquipmentTest() {
    registerEquipmentProcedures(registry, shared);
    suite::registerSuiteLookups(registry);
    ui::registerWindow(registry, "UpdateEQHeader", [this](frame::Context& c) {
      return std::make_unique<StandInForm>(c, form);
    });
  }

  void addNote(const std::string& id, const std::string& heading) {
    data::FileAccess f(session.store(), data::Notes::def(), session.errors());
    f.prime();
    f.put("NOTE:EquipmentID", id);
    f.put("NOTE:EntityType", std::string("EQHeader"));
    f.put("NOTE:Heading", heading);
    ASSERT_EQ(f.insert(), data::kNoError) << heading;
  }
  void addUnpostedEntry(const std::string& id) {
    data::FileAccess f(session.store(), data::EqLogB::def(), session.errors());
    f.prime();
    f.put("EQLB:EquipmentID", id);
    f.put("EQLB:BatchID", std::int64_t{1});
    ASSERT_EQ(f.insert(), data::kNoError) << id;
  }
  int notesOf(const std::string& id) {
    return count(data::Notes::def(), "NOTE:EquipmentID", data::Value(id));
  }
  bool hasEquipment(const std::string& id) {
    data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
    return f.fetch("KeyEquipmentID", {data::Value(id)}) == data::kNoError;
  }
  std::vector<std::string> activityLog() {
    data::FileAccess f(session.store(), data::UserLog::def(), session.errors());
    f.set(data::UserLog::def().primaryKey());
    std::vector<std::string> out;
    while (f.next() == data::kNoError)
      out.push_back(data::valueToText(f.get("USL:UserID")) + "|" +
                    data::valueToText(f.get("USL:Area")) + "|" +
                    data::valueToText(f.get("USL:Text")));
    return out;
  }
  std::string showSetting() const {
    return IniFile(folder.path / "settings" / kSettingsFile).get(kSettingsSection, kShowEntry);
  }

  FormLog form;
};

}  // namespace koreq::equipment::test
