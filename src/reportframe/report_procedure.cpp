#include "reportframe/report_procedure.h"

#include <filesystem>

#include "data/access.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::reportframe {

std::string startRun(frame::Context& ctx, const ReportProcedure& procedure, Report& report) {
  const frame::SessionGlobals& session = ctx.session().g;
  std::string pdfFile =
      (std::filesystem::path(clipped(session.DATAPATH.str())) / procedure.pdfFileName).string();
  ctx.g.PDFFILENAME = pdfFile;
  ctx.g.RXQUEUE = {clipped(session.COMPANYNAME.str()), procedure.exportTitle, ""};
  report.setValue("RUNDATE", ctx.today());
  report.setValue("RUNTIME", ctx.clock().now());
  report.setResolver([&ctx](std::string_view name) -> std::optional<Value> {
    if (ctx.hasGlobal(name)) return ctx.global(name);
    data::FileAccess* owner = nullptr;
    if (const data::FieldDef* f = ctx.fieldByName(name, &owner)) return f->get(owner->buffer());
    return std::nullopt;
  });
  return pdfFile;
}

Notice nothingToPrint(std::int64_t records) {
  Notice n{"Nothing to Print...", {}};
  if (records <= 0)
    n.text = "The primary file has no records!";
  else if (records == 1)
    n.text = "Your Limits have excluded the one record!";
  else if (records == 2)
    n.text = "Your Limits have excluded both records!";
  else
    n.text = "Your Limits have excluded all " + std::to_string(records) + " records!";
  return n;
}

}  // namespace koreq::reportframe
