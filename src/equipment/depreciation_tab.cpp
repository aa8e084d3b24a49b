#include "equipment/equipment_form.h"

namespace koreq::equipment {

std::unique_ptr<FormPart> makeDepreciationGroup(EquipmentForm& form) {
  return std::make_unique<FormPart>(form);
}

}  // namespace koreq::equipment
