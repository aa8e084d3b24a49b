#pragma once

#include "frame/registry.h"

namespace koreq::suite {

void registerNotesForms(frame::ProcedureRegistry& registry);

}  // namespace koreq::suite
