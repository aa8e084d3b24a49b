#include "app/loaded_module.h"

#include "equipment/categories.h"
#include "equipment/cost_form.h"
#include "equipment/equipment_form.h"
#include "suite/ui/droplist_form.h"
#include "suite/ui/gldepr_form.h"
#include "suite/ui/lookups.h"
#include "suite/ui/notes_forms.h"
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
  equipment::registerEquipmentForm(registry_, equipment_);
  equipment::registerCostProcedures(registry_, equipment_);
  suite::registerNotesForms(registry_);
  suite::registerGlDeprForm(registry_);
  suite::registerDropListForms(registry_);
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
