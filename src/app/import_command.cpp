// koreq import BATCH FILE: reads a text file of usage logs along an import source and adds the
// lines that pass the checks to the batch, as the import window does, all of them or none. The
// window's two questions are answered by flags: --proceed imports despite error lines (without
// it any error imports nothing), --equipment-only leaves out items charged to other cost types.

#include <string>

#include "app/commands.h"
#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "interchange/engine/import_run.h"
#include "runtime/text.h"
#include "usagelog/engine/batch_marks.h"
#include "windows/ImportEQLog.h"

namespace koreq::cli {

int runImport(Invocation& inv, const ParsedArgs& args) {
  const std::uint16_t batchId = batchNumberArg(args.positional[0], "import");
  const std::string file = args.positional[1];
  const bool equipmentOnly = args.flag("equipment-only");
  if (equipmentOnly && args.flag("all-types"))
    throw UsageError("import: choose --equipment-only or --all-types, not both");
  const std::string sourceName = args.value("source").value_or(interchange::kBuiltInSource);

  auto session = inv.openSession();
  requireRightToWrite(*session, data::EqLogB::def());
  frame::Context ctx(*session);
  ctx.errors().setProcedure(windows::ImportEQLog::kName);

  data::Access<data::EqBatch> batch(ctx.store(), ctx.errors());
  if (batch.fetch("KeyBatchID", {data::Value(std::int64_t{batchId})}) != data::kNoError)
    throw CommandError("there is no batch " + batchText(batchId));
  // The batch manager's rules: another user's protected batch is theirs to fill, and a batch
  // another signed-on user has open is not entered into behind their back.
  if (!usagelog::entryAccess(batch.rec(), ctx.userId()).enabled)
    throw CommandError("batch " + batchText(batchId) + " is protected by user " +
                       batch.rec().UserID.str() + "; nothing was imported");
  if (usagelog::inUseQuestion(ctx, batch.rec(), {}))
    throw CommandError("batch " + batchText(batchId) + " is in use by user " +
                       batch.rec().InUse.str() + "; nothing was imported");

  std::string why;
  bool noSource = false;
  long items = 0, errors = 0, leftOut = 0;
  interchange::ImportChecker checker(ctx);
  interchange::EntryWriter writer(ctx, checker, batchId);
  const bool imported = data::allOrNothing(
      ctx.store(),
      [&](std::string* w) {
        // The built-in source is added in the import's own change, so that an import that is
        // refused leaves the company exactly as it was.
        if (!interchange::ensureBuiltInSource(ctx, w)) return false;
        data::Access<data::JcLimits> source(ctx.store(), ctx.errors());
        if (source.fetch("KeyReport", {data::Value(std::string(interchange::kImportReport)),
                                       data::Value(sourceName)}) != data::kNoError) {
          noSource = true;
          *w = "there is no import source named \"" + shortText(sourceName) + "\"";
          return false;
        }
        const interchange::LineLayout layout = interchange::LineLayout::of(source.rec());
        std::string failed;
        auto accepted = [&](interchange::ImportItem& item) {
          ++items;
          if (!failed.empty()) return;
          if (equipmentOnly && checker.chargedToOtherCostType(item))
            ++leftOut;
          else
            writer.add(item, &failed);
        };
        auto rejected = [&](const interchange::ImportError& e) {
          ++errors;
          inv.out() << "Line " << e.line << ": " << e.text << "\n";
        };
        if (!interchange::readImportFile(ctx, checker, layout, file, accepted, rejected, w))
          return false;
        if (!failed.empty()) {
          *w = failed;
          return false;
        }
        if (errors > 0 && !args.flag("proceed")) {
          *w = std::to_string(errors) + (errors == 1 ? " line has" : " lines have") +
               " errors: nothing was imported (--proceed imports the lines that passed)";
          return false;
        }
        if (writer.added() == 0) {
          *w = "there was nothing to import";
          return false;
        }
        return true;
      },
      &why);
  if (noSource) throw CommandError(why);
  inv.out() << items << (items == 1 ? " item" : " items") << " read, " << errors
            << (errors == 1 ? " line" : " lines") << " with errors\n";
  if (!imported) {
    inv.err() << "koreq: import: " << why << "\n";
    return 1;
  }
  inv.out() << "Imported " << writer.added() << (writer.added() == 1 ? " entry" : " entries")
            << " into batch " << batchText(batchId);
  if (leftOut > 0)
    inv.out() << " (" << leftOut << " charged to cost types other than Equipment left out)";
  inv.out() << "\n";
  return 0;
}

}  // namespace koreq::cli
