#include "suite/ui/droplist_form.h"

namespace koreq::suite {

void registerDropListForms(frame::ProcedureRegistry&) {}

}  // namespace koreq::suite
