#pragma once

// UpdateEQCost, the form of one cost category of one piece of equipment, and BrowseEQCost, the
// lookup list of the categories of the equipment named by EQUIPFIELD.

#include "equipment/equipment_browse.h"

namespace koreq::equipment {

void registerCostProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared);

}  // namespace koreq::equipment
