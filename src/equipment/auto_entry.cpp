#include "equipment/auto_entry.h"

#include <algorithm>

#include "data/records.h"
#include "runtime/ini.h"
#include "runtime/picture.h"
#include "ui/model/procedure.h"

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

bool AutoEntry::registered(std::string_view section, std::string_view control) const {
  auto it = sections_.find(upper(section));
  if (it == sections_.end()) return false;
  return std::any_of(it->second.begin(), it->second.end(),
                     [&](const std::string& c) { return upper(c) == upper(control); });
}

namespace {

using data::Value;
using Access = data::Access<data::AutoEntryRecord>;

// Section and control are kept upper-cased: both are names that compare without case.
std::vector<Value> keyOf(std::string_view section, std::string_view control) {
  return {Value(Str<40>(upper(section)).str()), Value(Str<40>(upper(control)).str())};
}

struct Remembered {
  std::string value;
  std::int64_t uses;
  std::int64_t lastUsed;
};

}  // namespace

bool AutoEntry::remember(frame::Context& ctx, std::string_view section, std::string_view control,
                         std::string_view value) {
  if (!on() || !registered(section, control)) return false;
  Str<100> v(trimLeft(value));
  if (v.empty()) return false;
  // An access object of its own: the window's buffers stay as they are.
  Access a(ctx.store(), ctx.errors());
  std::vector<Value> key = keyOf(section, control);
  key.push_back(Value(v.str()));
  if (a.fetch("KeyValue", key) == data::kNoError) {
    a.rec().Uses = a.rec().Uses + 1;
    a.rec().LastUsed = ctx.today();
    return a.update() == data::kNoError;
  }
  if (a.prime() != data::kNoError) return false;
  a.rec().Section = Str<40>(upper(section));
  a.rec().Control = Str<40>(upper(control));
  a.rec().Value = v;
  a.rec().LastUsed = ctx.today();
  a.rec().Uses = 1;
  return a.insert() == data::kNoError;
}

std::vector<std::string> AutoEntry::completions(frame::Context& ctx, std::string_view section,
                                                std::string_view control,
                                                std::string_view prefix) const {
  if (!on()) return {};
  Access a(ctx.store(), ctx.errors());
  a.setRange(*a.def().key("KeyValue"), keyOf(section, control));
  std::string start = upper(prefix);
  std::vector<Remembered> found;
  while (a.next() == data::kNoError) {
    std::string v = a.rec().Value.str();
    if (upper(v).compare(0, start.size(), start) != 0) continue;
    found.push_back({v, a.rec().Uses, a.rec().LastUsed.day()});
  }
  std::stable_sort(found.begin(), found.end(), [](const Remembered& x, const Remembered& y) {
    if (x.uses != y.uses) return x.uses > y.uses;
    return x.lastUsed > y.lastUsed;
  });
  std::vector<std::string> out;
  for (Remembered& r : found) out.push_back(std::move(r.value));
  return out;
}

void AutoEntry::accepted(ui::Procedure& window, ui::Control& entry) {
  if (on()) remember(window.ctx(), window.name(), entry.name(), entry.text());
}

std::vector<std::string> AutoEntry::completions(ui::Procedure& window, const ui::Control& entry,
                                                std::string_view prefix) {
  return completions(window.ctx(), window.name(), entry.name(), prefix);
}

std::filesystem::path autoEntryDataFile(frame::Context& ctx) {
  return std::filesystem::path(clipped(ctx.session().g.DATAPATH.str())) / "AutoEntry.dat";
}

int savedAutoEntryStatus(const std::filesystem::path& dataFile, int fallback) {
  std::string v = IniFile(dataFile).get("AutoEntry", "Status");
  if (v == "0") return 0;
  if (v == "1") return 1;
  return fallback;
}

void toggleAutoEntry(frame::Context& ctx, AutoEntry& autoEntry) {
  autoEntry.setStatus(ctx.session().g.AutoEntry);
  std::filesystem::path file = autoEntryDataFile(ctx);
  autoEntry.init(file);
  // Only a real company folder keeps the flag (not a session without one).
  if (!clipped(ctx.session().g.DATAPATH.str()).empty())
    IniFile(file).set("AutoEntry", "Status", autoEntry.on() ? "1" : "0");
}

void registerToggleAutoEntry(frame::ProcedureRegistry& registry, AutoEntry& autoEntry) {
  registry.add(kToggleAutoEntryEQ,
               [&autoEntry](frame::Context& ctx) { toggleAutoEntry(ctx, autoEntry); });
}

}  // namespace koreq::equipment
