#include "equipment/equipment_form.h"

namespace koreq::equipment {

std::unique_ptr<FormPart> makeCostCategoriesTab(EquipmentForm& form) {
  return std::make_unique<FormPart>(form);
}

std::unique_ptr<FormPart> makeServiceScheduleTab(EquipmentForm& form) {
  return std::make_unique<FormPart>(form);
}

}  // namespace koreq::equipment
