#include "suite/ui/gldepr_form.h"

namespace koreq::suite {

void registerGlDeprForm(frame::ProcedureRegistry&) {}

}  // namespace koreq::suite
