#pragma once

// The reports the module prints, one row each: read by the desktop's registration (a progress
// window over a run of the body) and by `koreq report` (what it must load before the run). A
// new report is its structure, its body, its test and a row here.

#include <memory>
#include <span>
#include <string_view>

#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
class ProcedureRegistry;
}  // namespace koreq::frame

namespace koreq::reports {

struct ReportRow {
  const char* name;  // the procedure name, as menus and `koreq report` give it
  // Its name, structure, export title, default PDF name and counted file.
  reportframe::ReportProcedure (*procedure)();
  std::unique_ptr<reportframe::ReportBody> (*body)(frame::Context&);
  // What a run needs loaded first: the equipment in the EQHEADER buffer, the tagged batches
  // (TAGQUE), a saved format of this EQLM:Report value in the EQLIMITS buffer ("" none).
  bool equipment = false;
  bool batches = false;
  const char* format = "";
  // What the window that prints it sets besides, for a run started elsewhere (the command
  // line); none for most.
  void (*prepare)(frame::Context&) = nullptr;
  // It may write to the company (the maintenance schedule stores estimates): the command line
  // opens the company for writing.
  bool writes = false;
};

std::span<const ReportRow> reportTable();

// The row of a report by name (without regard to case), or null.
const ReportRow* findReport(std::string_view name);

// The EQLM:Report value of the formats a dispatcher chooses among ("Analysis" for
// PrintEQAnalysisServer), or null when `name` is no dispatcher. A dispatcher may choose a report
// that writes.
const char* dispatcherFormat(std::string_view name);

// Every report of the table as a procedure of the registry.
void registerReports(frame::ProcedureRegistry& registry);

}  // namespace koreq::reports
