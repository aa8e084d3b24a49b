#include "suite/ui/notes_forms.h"

namespace koreq::suite {

void registerNotesForms(frame::ProcedureRegistry&) {}

}  // namespace koreq::suite
