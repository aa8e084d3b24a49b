#include "equipment/cost_form.h"

namespace koreq::equipment {

void registerCostProcedures(frame::ProcedureRegistry&, EquipmentShared&) {}

}  // namespace koreq::equipment
