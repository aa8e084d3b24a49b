#include "equipment/auto_entry.h"

#include <algorithm>

namespace koreq::equipment {

void AutoEntry::init(std::filesystem::path dataFile) {
  dataFile_ = std::move(dataFile);
  ++initialisations_;
}

void AutoEntry::registerControl(std::string_view section, std::string_view control) {
  std::vector<std::string>& list = sections_[upper(section)];
  bool known = std::any_of(list.begin(), list.end(),
                           [&](const std::string& c) { return upper(c) == upper(control); });
  if (!known) list.emplace_back(control);
}

std::vector<std::string> AutoEntry::controls(std::string_view section) const {
  auto it = sections_.find(upper(section));
  return it == sections_.end() ? std::vector<std::string>() : it->second;
}

std::filesystem::path autoEntryDataFile(frame::Context& ctx) {
  return std::filesystem::path(clipped(ctx.session().g.DATAPATH.str())) / "AutoEntry.dat";
}

void toggleAutoEntry(frame::Context& ctx, AutoEntry& autoEntry) {
  autoEntry.setStatus(ctx.session().g.AutoEntry);
  autoEntry.init(autoEntryDataFile(ctx));
}

void registerToggleAutoEntry(frame::ProcedureRegistry& registry, AutoEntry& autoEntry) {
  registry.add("ToggleAutoEntryEQ",
               [&autoEntry](frame::Context& ctx) { toggleAutoEntry(ctx, autoEntry); });
}

}  // namespace koreq::equipment
