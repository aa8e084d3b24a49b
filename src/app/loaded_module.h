#pragma once

// The module as the program loads it: its life cycle (KOREQ:INIT at construction, KOREQ:KILL at
// destruction), the procedure registry with every procedure that exists, and the objects those
// procedures share. The desktop program, `play` and `screenshot` each load it once.

#include <memory>

#include "frame/context.h"
#include "frame/module.h"
#include "frame/registry.h"

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
  // File errors of the session's contexts made from now on go through the module's error object.
  void attach(frame::Session& session) { module_.attach(session); }

 private:
  frame::Module module_;
  frame::ProcedureRegistry registry_;
};

}  // namespace koreq::cli
