#include "app/loaded_module.h"

#include "data/records.h"
#include "module/register_module.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"

namespace koreq::cli {

LoadedModule::LoadedModule(frame::ModuleSetup setup)
    : module_(std::move(setup)), spelling_(module_.dictionaryPath(), module_.spellCheckLanguage()) {
  module_.init(nullptr, nullptr);
  module::registerModule(registry_, equipment_, usageLog_);
}

LoadedModule::~LoadedModule() {
  module_.kill();
}

void LoadedModule::attach(frame::Session& session) {
  module_.attach(session);
  // The settings folder holds the ini files (INIPATH) and the user's own files, the personal
  // spelling dictionary among them (CONTROLPATH), unless the host named other folders.
  if (clipped(session.g.INIPATH.str()).empty())
    session.g.INIPATH = module_.settingsFolder().string();
  if (clipped(session.g.CONTROLPATH.str()).empty()) session.g.CONTROLPATH = session.g.INIPATH.str();
  frame::Context ctx(session);
  // The company's name heads every report page.
  if (clipped(session.g.COMPANYNAME.str()).empty()) {
    data::FileAccess systems(session.store(), data::Systems::def(), session.errors());
    systems.set(data::Systems::def().primaryKey());
    if (systems.next() == data::kNoError) session.g.COMPANYNAME = systems.text("CompanyName");
  }
  // The company's own settings the windows read as globals.
  data::FileAccess control(session.store(), data::Control::def(), session.errors());
  control.set(data::Control::def().primaryKey());
  if (control.next() == data::kNoError) {
    if (session.g.CURRENTFISCALPERIOD == 0)
      session.g.CURRENTFISCALPERIOD =
          std::get<std::int64_t>(control.get("CTRL:CurrentFiscalPeriod"));
    session.g.LogUserActivity =
        static_cast<std::uint8_t>(std::get<std::int64_t>(control.get("CTRL:LogUserActivity")));
  }
  // Completion is on or off as the company's AutoEntry.dat says.
  session.g.AutoEntry = static_cast<std::uint8_t>(
      equipment::savedAutoEntryStatus(equipment::autoEntryDataFile(ctx), session.g.AutoEntry));
  equipment::toggleAutoEntry(ctx, equipment_.autoEntry);
}

void LoadedModule::equip(ui::Desktop& desktop) {
  desktop.setSpellChecker(&spelling_);
  desktop.setAutoEntry(&equipment_.autoEntry);
}

}  // namespace koreq::cli
