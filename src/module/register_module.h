#pragma once

// Every procedure of the module, registered by its exported name. The program and the tests
// register through this one function, so a window added here is reachable everywhere.

#include "equipment/equipment_browse.h"
#include "frame/registry.h"
#include "usagelog/engine/entry_rules.h"

namespace koreq::module {

// `shared` and `usageLog` are the module-wide objects the windows share; they outlive the registry.
void registerModule(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared,
                    usagelog::EntryMemory& usageLog);

}  // namespace koreq::module
