#pragma once

// PrintEQMaintenance ('M' of the analysis formats): per selected equipment a line for each cost
// category with a service schedule — the schedule, the last service, the next service meter and
// the date it falls due — or an error line for a schedule that is not set up (with "Print
// Transaction Detail"). An equipment without average units per day gets the estimate from its
// posted usage, stored in its record.

#include <memory>

#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
}

namespace koreq::reports {

reportframe::ReportProcedure printEqMaintenanceProcedure();
std::unique_ptr<reportframe::ReportBody> printEqMaintenanceBody(frame::Context& ctx);

}  // namespace koreq::reports
