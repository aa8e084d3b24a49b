#pragma once

// The module as the program loads it: its life cycle (KOREQ:INIT at construction, KOREQ:KILL at
// destruction), the procedure registry with every procedure that exists, and the objects those
// procedures share (type-ahead completion, the search window's globals, the spell checker). The
// desktop program, `play` and `screenshot` each load it once.

#include <memory>

#include "equipment/equipment_browse.h"
#include "frame/context.h"
#include "frame/module.h"
#include "frame/registry.h"
#include "suite/spell/spell_checker.h"
#include "usagelog/engine/entry_rules.h"

namespace koreq::ui {
class Desktop;
}

namespace koreq::cli {

class LoadedModule {
 public:
  explicit LoadedModule(frame::ModuleSetup setup = {});
  ~LoadedModule();
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;

  frame::Module& module() { return module_; }
  const frame::ProcedureRegistry& registry() const { return registry_; }
  // For adding or replacing procedures (tests put their own in).
  frame::ProcedureRegistry& registry() { return registry_; }
  // Signs the module on to a company: file errors of the session's contexts made from now on go
  // through the module's error object, and completion starts on the company's values.
  void attach(frame::Session& session);
  // Gives a desktop the services every window uses: F7 spell checking, type-ahead completion.
  void equip(ui::Desktop& desktop);

 private:
  frame::Module module_;
  frame::ProcedureRegistry registry_;
  equipment::EquipmentShared equipment_;
  usagelog::EntryMemory usageLog_;
  suite::WindowSpellCheck spelling_;
};

}  // namespace koreq::cli
