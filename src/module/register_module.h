#pragma once

// Every procedure of the module, registered by its exported name. The program and the tests
// register through this one function, so a window added here is reachable everywhere.

#include "equipment/equipment_browse.h"
#include "frame/registry.h"

namespace koreq::module {

void registerModule(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared);

}  // namespace koreq::module
