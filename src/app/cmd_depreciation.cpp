// koreq depreciation calculate|summary EQUIPMENT-ID: the depreciation schedule of one piece of
// equipment computed and stored from its saved record, as the equipment form's "Calculate
// Schedule" button does it, or its year summary as JSON; `calculate --all` every schedule.

#include <unistd.h>

#include <iostream>
#include <vector>

#include <nlohmann/json.hpp>

#include "app/commands.h"
#include "data/access.h"
#include "data/records.h"
#include "depreciation/store_schedule.h"
#include "frame/context.h"
#include "runtime/text.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::cli {

namespace {

// The equipment record of `id` in the context's EQHEADER buffer, or a command error.
const data::EqHeader& fetchEquipment(frame::Context& ctx, const std::string& id) {
  auto& eqh = ctx.access<data::EqHeader>();
  const std::string key = clipped(id);
  if (key.empty() || charCount(key) > decltype(data::EqHeader::EquipmentID)::kLength)
    throw CommandError("'" + id + "' is not an equipment ID");
  int rc = eqh.fetch("EQH:KeyEquipmentID", {key});
  if (rc == data::kRecordNotFound) throw CommandError("no equipment '" + key + "'");
  if (rc != data::kNoError) throw data::StoreError(rc, eqh.lastErrorText());
  return eqh.rec();
}

int calculate(Invocation& inv, frame::Context& ctx, const data::EqHeader& eq) {
  depreciation::StoreOutcome out = depreciation::calculateSchedule(ctx, eq);
  if (out.refused) throw CommandError(data::refusedText(ctx.store()));
  if (!out.stored()) {
    for (const auto& e : ctx.errors().history()) inv.err() << "koreq: " << e.message << "\n";
    inv.err() << "koreq: the schedule was not stored; nothing was changed\n";
    return 1;
  }
  inv.out() << out.written() << (out.written() == 1 ? " row" : " rows") << " written\n";
  if (out.deleted > 0)
    inv.out() << out.deleted << (out.deleted == 1 ? " row" : " rows")
              << " outside the schedule deleted\n";
  return 0;
}

int summary(Invocation& inv, frame::Context& ctx, const data::EqHeader& eq) {
  nlohmann::ordered_json years = nlohmann::ordered_json::array();
  for (const auto& y : depreciation::refreshYearSummary(ctx, eq)) {
    years.push_back({{"Year", y.year},
                     {"SLBeginValue", y.slBeginValue.toString()},
                     {"SLAnnualCharge", y.slAnnualCharge.toString()},
                     {"SYBeginValue", y.syBeginValue.toString()},
                     {"SYAnnualCharge", y.syAnnualCharge.toString()},
                     {"DDBBeginValue", y.ddbBeginValue.toString()},
                     {"DDBAnnualCharge", y.ddbAnnualCharge.toString()}});
  }
  inv.out() << years.dump(2) << "\n";
  return 0;
}

// Every schedule, with a line of progress on a terminal and a summary at the end.
int calculateAll(Invocation& inv, frame::Context& ctx) {
  const bool terminal = ::isatty(STDERR_FILENO) == 1 && &inv.err() == &std::cerr;
  const depreciation::EveryScheduleOutcome out =
      depreciation::calculateEverySchedule(ctx, [&](int number, int count, const std::string& id) {
        if (terminal)
          inv.err() << "\r" << number << " of " << count << "  " << id << "          "
                    << std::flush;
        return true;
      });
  if (terminal) inv.err() << "\n";
  for (const auto& [id, why] : out.notStored) inv.err() << "koreq: " << id << ": " << why << "\n";
  inv.out() << out.pieces << " pieces of equipment: " << out.stored << " schedules stored ("
            << out.written << " rows written, " << out.deleted << " outside the schedule deleted)";
  if (!out.notStored.empty()) inv.out() << ", " << out.notStored.size() << " not stored";
  inv.out() << "\n";
  return out.notStored.empty() ? 0 : 1;
}

}  // namespace

int runDepreciation(Invocation& inv, const ParsedArgs& args) {
  const std::string& action = args.positional.at(0);
  if (action != "calculate" && action != "summary")
    throw UsageError("depreciation: unknown action '" + action + "' (calculate or summary)");
  const bool all = args.flag("all");
  if (all && action != "calculate") throw UsageError("depreciation: --all goes with calculate");
  if (all != (args.positional.size() == 1))
    throw UsageError("depreciation: give one EQUIPMENT-ID, or --all with calculate");
  auto session = inv.openSession(action == "summary");
  if (action == "calculate") requireRightToWrite(*session, data::GlDepr::def());
  frame::Context ctx(*session);
  ctx.errors().setProcedure(windows::UpdateEQHeader::kName);
  if (all) return calculateAll(inv, ctx);
  const data::EqHeader& eq = fetchEquipment(ctx, args.positional.at(1));
  return action == "calculate" ? calculate(inv, ctx, eq) : summary(inv, ctx, eq);
}

}  // namespace koreq::cli
