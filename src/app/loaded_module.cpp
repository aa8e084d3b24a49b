#include "app/loaded_module.h"

#include "equipment/categories.h"
#include "suite/ui/lookups.h"
#include "ui/model/desktop.h"

namespace koreq::cli {

LoadedModule::LoadedModule(frame::ModuleSetup setup)
    : module_(std::move(setup)), spelling_(module_.dictionaryPath(), module_.spellCheckLanguage()) {
  module_.init(nullptr, nullptr);
  // Each subsystem registers its procedures here as it comes.
  frame::registerReportDispatchers(registry_);
  suite::registerSuiteLookups(registry_);
  equipment::registerEquipmentProcedures(registry_, equipment_);
  equipment::registerCategoryProcedures(registry_, equipment_);
}

LoadedModule::~LoadedModule() {
  module_.kill();
}

void LoadedModule::attach(frame::Session& session) {
  module_.attach(session);
  frame::Context ctx(session);
  equipment::toggleAutoEntry(ctx, equipment_.autoEntry);
}

void LoadedModule::equip(ui::Desktop& desktop) {
  desktop.setSpellChecker(&spelling_);
  desktop.setAutoEntry(&equipment_.autoEntry);
}

}  // namespace koreq::cli
