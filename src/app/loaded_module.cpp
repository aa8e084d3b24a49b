#include "app/loaded_module.h"

namespace koreq::cli {

LoadedModule::LoadedModule(frame::ModuleSetup setup) : module_(std::move(setup)) {
  module_.init(nullptr, nullptr);
  // Each subsystem registers its procedures here as it comes.
  frame::registerReportDispatchers(registry_);
}

LoadedModule::~LoadedModule() {
  module_.kill();
}

}  // namespace koreq::cli
