#pragma once

#include "frame/registry.h"

namespace koreq::suite {

void registerGlDeprForm(frame::ProcedureRegistry& registry);

}  // namespace koreq::suite
