// koreq export BATCH FILE: writes a batch's unposted usage logs to FILE as the batch manager's
// Export button does (ExportEQLog), without the preview: through the work file "Export.txt" in
// the company folder, which is removed again. A batch whose entries the window would not let
// the user reach (another user's protected batch) is refused. Writes no record.

#include <optional>
#include <string>

#include "app/commands.h"
#include "frame/context.h"
#include "interchange/engine/export_lines.h"
#include "runtime/text.h"
#include "usagelog/engine/batch_marks.h"
#include "windows/ExportEQLog.h"

namespace koreq::cli {

int runExport(Invocation& inv, const ParsedArgs& args) {
  const std::uint16_t id = batchNumberArg(args.positional.at(0), "export");
  const std::string file = args.positional.at(1);
  if (clipped(file).empty()) throw UsageError("export: the FILE name is blank");

  auto session = inv.openSession(true);
  frame::Context ctx(*session);
  ctx.errors().setProcedure(windows::ExportEQLog::kName);
  const std::optional<data::EqBatch> batch = usagelog::readBatch(ctx, id);
  if (!batch) throw CommandError("there is no batch " + batchText(id) + "; nothing was written");
  if (!usagelog::entryAccess(*batch, ctx.userId()).enabled)
    throw CommandError("batch " + batchText(id) + " is protected by user " + batch->UserID.str() +
                       "; nothing was written");

  const interchange::ExportOutcome out = interchange::exportBatch(ctx, id, file);
  if (!out.complete()) {
    for (const std::string& e : out.errors) inv.err() << "koreq: " << e << "\n";
    inv.err() << "koreq: batch " << batchText(id) << " was not exported to " << shortText(file)
              << "\n";
    return 1;
  }
  inv.out() << "Batch " << batchText(id) << ": " << out.lines
            << (out.lines == 1 ? " entry" : " entries") << " written to " << file << "\n";
  return 0;
}

}  // namespace koreq::cli
