#pragma once

// What differs between the report procedures that run in the frame, and the frame's notices.

#include <cstdint>
#include <memory>
#include <string>

#include "reportframe/report.h"

namespace koreq::data {
class FileDef;
}
namespace koreq::frame {
class Context;
}

namespace koreq::reportframe {

struct ReportProcedure {
  std::string name;         // given to the error object: "PrintFixedAssets"
  std::string structure;    // the report structure (resources/reports/NAME.json)
  std::string exportTitle;  // second export line: "Fixed Asset Depreciation Schedule"
  std::string pdfFileName;  // after DATAPATH: "Fixed Asset Depreciation Schedule.pdf"
  const data::FileDef* countedFile = nullptr;  // counted in the no-pages notice
  // A structure that is not embedded (a report the user designed, a test's); when set it is
  // used instead of `structure`.
  std::shared_ptr<const ReportDef> def;

  const ReportDef& structureDef() const { return def ? *def : reportDef(structure); }
};

struct Notice {
  std::string caption;
  std::string text;
};

// The start of every run, before the body: PDFFILENAME preset to DATAPATH and the report's PDF
// name (answered whole: the global holds 260 characters, a path may be longer), the export
// lines begun with the company name, the export title and an empty line, the run date and time
// (RUNDATE, RUNTIME) taken, and the report's other values looked up in the context: the shared
// globals by name ("COMPANYNAME"), record buffers by field name ("EQH:EquipmentID").
std::string startRun(frame::Context& ctx, const ReportProcedure& procedure, Report& report);

// A previewed run that made no page, by the number of records of the report's counted file.
Notice nothingToPrint(std::int64_t records);

}  // namespace koreq::reportframe
