#include "frame/registry.h"

#include <stdexcept>

#include "data/records.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::frame {

void ProcedureRegistry::add(std::string name, Run run) {
  std::string key = upper(name);
  if (byKey_.count(key)) throw std::logic_error("procedure registered twice: " + name);
  byKey_.emplace(std::move(key), Entry{std::move(name), std::move(run)});
}

bool ProcedureRegistry::replace(std::string_view name, Run run) {
  auto it = byKey_.find(upper(name));
  if (it == byKey_.end()) return false;
  it->second.run = std::move(run);
  return true;
}

bool ProcedureRegistry::has(std::string_view name) const {
  return byKey_.count(upper(name)) > 0;
}

bool ProcedureRegistry::call(Context& ctx, std::string_view name) const {
  auto it = byKey_.find(upper(name));
  if (it == byKey_.end()) return false;
  // A copy: the procedure may replace itself (or others) while it runs.
  Run run = it->second.run;
  if (run) run(ctx);
  return true;
}

std::vector<std::string> ProcedureRegistry::names() const {
  std::vector<std::string> out;
  out.reserve(byKey_.size());
  for (const auto& [key, e] : byKey_) out.push_back(e.name);
  return out;
}

namespace {

const std::string& styleOf(const data::EqLimits& f, std::string_view field) {
  if (field == "ReportType") return f.ReportType.str();
  if (field == "ReportFormat") return f.ReportFormat.str();
  return f.DetailSummary.str();
}

std::string analysisReport(std::string_view code) {
  if (code == "A") return kPrintEQAnalysis;
  if (code == "S") return kPrintEQAnalysis1;
  if (code == "M") return kPrintEQMaintenance;
  return {};
}

std::string listingReport(std::string_view code) {
  if (code == "M" || code == "C" || code == "D") return kPrintEQListing;
  if (code == "S") return kPrintEQListing1;
  return {};
}

std::string categoryListReport(std::string_view code) {
  return code == "S" ? kPrintEQCategoryList : kPrintEQCategoryList1;
}

struct Dispatcher {
  const char* name;
  const char* field;
  std::string (*choose)(std::string_view);
};
const Dispatcher kDispatchers[] = {
    {kPrintEQAnalysisServer, "ReportType", &analysisReport},
    {kPrintEQListingServer, "ReportFormat", &listingReport},
    {kPrintEQCategoryListServer, "DetailSummary", &categoryListReport},
};

}  // namespace

void registerReportDispatchers(ProcedureRegistry& registry) {
  for (const Dispatcher& d : kDispatchers)
    registry.add(d.name, [&registry, &d](Context& ctx) {
      std::string target = d.choose(styleOf(ctx.rec<data::EqLimits>(), d.field));
      if (!target.empty()) registry.call(ctx, target);
    });
}

std::string reportFor(std::string_view procedure, const data::EqLimits& format) {
  for (const Dispatcher& d : kDispatchers)
    if (upper(procedure) == upper(d.name)) return d.choose(styleOf(format, d.field));
  return std::string(procedure);
}

}  // namespace koreq::frame
