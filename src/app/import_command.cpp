// koreq import BATCH FILE: reads a text file of usage logs along an import source and adds the
// lines that pass the checks to the batch, as the import window does, all of them or none. The
// window's two questions are answered by flags: --proceed imports despite error lines (without
// it any error imports nothing), --equipment-only leaves out items charged to other cost types,
// --allow-duplicates adds lines that repeat an entry of the batch or a posted one (without it
// such lines import nothing). --encoding names the file's encoding (else UTF-8 when the file
// is valid UTF-8, Windows-1252 otherwise); --header skips a first line of column names.

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
  interchange::TextEncoding encoding = interchange::TextEncoding::Auto;
  if (auto name = args.value("encoding")) {
    auto e = interchange::encodingNamed(*name);
    if (!e)
      throw UsageError("import: unknown encoding \"" + shortText(*name) +
                       "\" (UTF-8, Windows-1252 or ISO-8859-1)");
    encoding = *e;
  }
  const bool allowDuplicates = args.flag("allow-duplicates");

  auto session = inv.openSession();
  frame::Context ctx(*session);
  ctx.errors().setProcedure(windows::ImportEQLog::kName);

  data::Access<data::EqBatch> batch(ctx.store(), ctx.errors());
  if (batch.fetch("KeyBatchID", {data::Value(std::int64_t{batchId})}) != data::kNoError)
    throw CommandError("there is no batch " + batchText(batchId));
  // The batch manager's rules, and no others (entering usage needs no right of its own):
  // another user's protected batch is theirs to fill, and a batch another signed-on user has
  // open is not entered into behind their back.
  if (!usagelog::entryAccess(batch.rec(), ctx.userId()).enabled)
    throw CommandError("batch " + batchText(batchId) + " is protected by user " +
                       batch.rec().UserID.str() + "; nothing was imported");
  if (usagelog::inUseQuestion(ctx, batch.rec(), {}))
    throw CommandError("batch " + batchText(batchId) + " is in use by user " +
                       batch.rec().InUse.str() + "; nothing was imported");

  std::string why;
  bool noSource = false;
  long items = 0, errors = 0, leftOut = 0, duplicates = 0;
  interchange::ImportChecker checker(ctx);
  interchange::DuplicateCheck duplicateCheck(ctx, batchId);
  interchange::ImportRead read;
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
        interchange::LineLayout layout = interchange::LineLayout::of(source.rec());
        layout.encoding = encoding;
        if (args.flag("header")) layout.header = true;
        std::string failed;
        auto accepted = [&](interchange::ImportItem& item) {
          ++items;
          if (equipmentOnly && checker.chargedToOtherCostType(item)) {
            ++leftOut;
            return;
          }
          // Looked up before this import adds its first entry of that equipment and date, so
          // only entries that were there before count.
          if (const std::string where = duplicateCheck.duplicateOf(item); !where.empty()) {
            ++duplicates;
            inv.out() << "Line " << item.lineNumber << ": "
                      << interchange::duplicateText(item, where) << "\n";
          }
          if (failed.empty()) writer.add(item, &failed);
        };
        auto rejected = [&](const interchange::ImportError& e) {
          ++errors;
          inv.out() << "Line " << e.line << ": " << e.text << "\n";
        };
        if (!interchange::readImportFile(ctx, checker, layout, file, accepted, rejected, w, &read))
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
        if (duplicates > 0 && !allowDuplicates) {
          *w = std::to_string(duplicates) + (duplicates == 1 ? " line repeats" : " lines repeat") +
               " an entry: nothing was imported (--allow-duplicates imports them)";
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
  if (!read.header.empty()) inv.out() << "Header line skipped: " << read.header << "\n";
  inv.out() << items << (items == 1 ? " item" : " items") << " read, " << errors
            << (errors == 1 ? " line" : " lines") << " with errors (the file read as "
            << interchange::encodingName(read.encoding) << ")\n";
  if (!imported) {
    inv.err() << "koreq: import: " << why << "\n";
    return 1;
  }
  inv.out() << "Imported " << writer.added() << (writer.added() == 1 ? " entry" : " entries")
            << " into batch " << batchText(batchId);
  if (leftOut > 0)
    inv.out() << " (" << leftOut << " charged to cost types other than Equipment left out)";
  inv.out() << "\n" << interchange::kAmountsFromRatesNote << "\n";
  return 0;
}

}  // namespace koreq::cli
