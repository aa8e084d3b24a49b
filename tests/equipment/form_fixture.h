#pragma once

// The demo company with every procedure of the program registered, as the desktop program has
// them, for tests of the equipment form and the windows it calls. Scenario files of this folder
// run against it.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "data/records.h"
#include "demo/demo_company.h"
#include "equipment/categories.h"
#include "equipment/cost_form.h"
#include "equipment/equipment_browse.h"
#include "equipment/equipment_form.h"
#include "equipment_fixture.h"
#include "frame/context.h"
#include "module/register_module.h"
#include "runtime/ini.h"
#include "suite/ui/droplist_form.h"
#include "suite/ui/gldepr_form.h"
#include "suite/ui/lookups.h"
#include "suite/ui/notes_forms.h"
#include "ui/headless/scenario.h"
#include "ui/headless/scripted_user.h"
#include "ui/model/desktop.h"

namespace koreq::equipment::test {

// Registers what the program registers.
inline void registerAll(frame::ProcedureRegistry& registry, EquipmentShared& shared,
                        usagelog::EntryMemory& usageLog) {
  module::registerModule(registry, shared, usageLog);
}

class FormTest : public DemoTest {
 protected:
  FormTest() { registerAll(registry, shared, usageLog); }

  usagelog::EntryMemory usageLog;

  // The demo company comes with every schedule calculated; tests of the calculation start from
  // assets that have none yet.
  void removeSchedules() {
    data::FileAccess f(session.store(), data::GlDepr::def(), session.errors());
    f.set(data::GlDepr::def().primaryKey());
    std::vector<std::int64_t> ids;
    while (f.next() == data::kNoError)
      ids.push_back(std::get<std::int64_t>(f.get("GLDP:RecordID")));
    for (std::int64_t id : ids)
      if (f.fetch("KeyRecordID", {data::Value(id)}) == data::kNoError) f.remove();
  }

  // Opens the equipment form on a stored record (change, view, delete) or a new one (insert).
  void openForm(ui::Request request, const std::string& id = {}) {
    if (!id.empty()) {
      ASSERT_EQ(ctx.file(data::EqHeader::def()).fetch("KeyEquipmentID", {data::Value(id)}),
                data::kNoError)
          << id;
    }
    ctx.g.GlobalRequest = static_cast<int>(request);
    ASSERT_TRUE(desktop.call(ctx, "UpdateEQHeader"));
  }
  // Starts the form without the wizard (the ini entry the form reads).
  void wizardOff() {
    IniFile(folder.path / "settings" / kTsSetupFile).set(kSettingsSection, kWizardEntry, "0");
  }
  EquipmentForm& form() { return dynamic_cast<EquipmentForm&>(*desktop.top()); }

  std::vector<std::string> activityLog() {
    data::FileAccess f(session.store(), data::UserLog::def(), session.errors());
    f.set(data::UserLog::def().primaryKey());
    std::vector<std::string> out;
    while (f.next() == data::kNoError)
      out.push_back(data::valueToText(f.get("USL:Area")) + "|" +
                    data::valueToText(f.get("USL:Text")));
    return out;
  }
};

}  // namespace koreq::equipment::test
