#pragma once

#include "frame/registry.h"

namespace koreq::suite {

void registerDropListForms(frame::ProcedureRegistry& registry);

}  // namespace koreq::suite
