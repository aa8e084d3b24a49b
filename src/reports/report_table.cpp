#include "reports/report_table.h"

#include "data/records.h"
#include "depreciation/print_fixed_assets.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "reportframe/progress_window.h"
#include "reports/print_analysis.h"
#include "reports/print_maintenance.h"
#include "runtime/text.h"
#include "suite/report/print_notes.h"
#include "usagelog/proof_listing.h"

namespace koreq::reports {

namespace {

// As the equipment form's Print asks for them: that equipment's notes (the tagged ones, or all).
void equipmentNotes(frame::Context& ctx) {
  ctx.g.KORFIELD = "Equipment";
  ctx.g.REPORTFILTER = clipped(ctx.rec<data::EqHeader>().EquipmentID.str());
}

const ReportRow kReports[] = {
    {.name = frame::kPrintFixedAssets,
     .procedure = &depreciation::printFixedAssetsProcedure,
     .body = &depreciation::printFixedAssetsBody,
     .equipment = true},
    {.name = frame::kPrintEQLogBProof,
     .procedure = &usagelog::printEqLogBProofProcedure,
     .body = &usagelog::printEqLogBProofBody,
     .batches = true,
     .format = "Log Proof Listing"},
    {.name = frame::kLIMITPRINTNOTES,
     .procedure = &suite::printNotesProcedure,
     .body = &suite::printNotesBody,
     .equipment = true,
     .prepare = &equipmentNotes},
    {.name = frame::kPrintEQAnalysis,
     .procedure = &printEqAnalysisProcedure,
     .body = &printEqAnalysisBody,
     .format = "Analysis"},
    {.name = frame::kPrintEQAnalysis1,
     .procedure = &printEqAnalysis1Procedure,
     .body = &printEqAnalysis1Body,
     .format = "Analysis"},
    {.name = frame::kPrintEQMaintenance,
     .procedure = &printEqMaintenanceProcedure,
     .body = &printEqMaintenanceBody,
     .format = "Analysis",
     .writes = true},
};

struct Dispatcher {
  const char* name;
  const char* format;
};
const Dispatcher kDispatchers[] = {
    {frame::kPrintEQAnalysisServer, "Analysis"},
};

}  // namespace

std::span<const ReportRow> reportTable() {
  return kReports;
}

const ReportRow* findReport(std::string_view name) {
  for (const ReportRow& r : kReports)
    if (upper(name) == upper(r.name)) return &r;
  return nullptr;
}

const char* dispatcherFormat(std::string_view name) {
  for (const Dispatcher& d : kDispatchers)
    if (upper(name) == upper(d.name)) return d.format;
  return nullptr;
}

void registerReports(frame::ProcedureRegistry& registry) {
  for (const ReportRow& r : kReports) reportframe::registerReport(registry, r.procedure(), r.body);
}

}  // namespace koreq::reports
