#include "equipment/equipment_form.h"

namespace koreq::equipment {

std::unique_ptr<FormPart> makePhotographTab(EquipmentForm& form) {
  return std::make_unique<FormPart>(form);
}

std::unique_ptr<FormPart> makeNotesGroup(EquipmentForm& form) {
  return std::make_unique<FormPart>(form);
}

std::unique_ptr<FormPart> makeAttachmentsTab(EquipmentForm& form) {
  return std::make_unique<FormPart>(form);
}

}  // namespace koreq::equipment
