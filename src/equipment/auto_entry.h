#pragma once

// Type-ahead completion of entry fields: one object per process, shared by every window. A
// window registers its entry controls under a section named after its procedure; while the
// object is on, each value accepted in a registered entry is remembered in the company's
// AUTOENTRY file, and completion offers the values remembered for that section and control,
// most used first. The data file the object was last initialised on names the company whose
// database holds them. ToggleAutoEntryEQ switches it on or off. As the desktop's auto-entry
// service it is told of every accepted entry, so windows only register their controls.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "frame/context.h"
#include "frame/registry.h"
#include "ui/model/desktop.h"

namespace koreq::equipment {

class AutoEntry : public ui::AutoEntryService {
 public:
  // 0 is off, anything else on (the value of GLO:AutoEntry).
  void setStatus(int status) { status_ = status; }
  int status() const { return status_; }
  bool on() const { return status_ != 0; }

  // Re-initialises on a data file (the company's AutoEntry.dat).
  void init(std::filesystem::path dataFile);
  const std::filesystem::path& dataFile() const { return dataFile_; }
  int initialisations() const { return initialisations_; }

  // INITSECTION and REGCONTROL: an entry control of a window that completes. Registering a
  // control twice keeps it once.
  void registerControl(std::string_view section, std::string_view control);
  // The controls of a section in the order registered (sections compare without case).
  std::vector<std::string> controls(std::string_view section) const;
  bool registered(std::string_view section, std::string_view control) const;

  // A value accepted in a control: counted once more when known, else added. Nothing is kept
  // while off, for a control not registered in the section, or for a blank value; false then
  // and when the write fails (reported through the context's error object).
  bool remember(frame::Context& ctx, std::string_view section, std::string_view control,
                std::string_view value);
  // The remembered values of a section's control that start with `prefix` (without regard to
  // case), most used first, then the latest used, then alphabetically. Nothing while off.
  std::vector<std::string> completions(frame::Context& ctx, std::string_view section,
                                       std::string_view control, std::string_view prefix) const;

  // ui::AutoEntryService: the window's procedure name is the section.
  void accepted(ui::Procedure& window, ui::Control& entry) override;
  std::vector<std::string> completions(ui::Procedure& window, const ui::Control& entry,
                                       std::string_view prefix) override;

 private:
  int status_ = 0;
  std::filesystem::path dataFile_;
  int initialisations_ = 0;
  std::map<std::string, std::vector<std::string>, std::less<>> sections_;  // upper-cased names
};

// The data file of the company's completion values: DATAPATH (clipped) followed by
// "AutoEntry.dat".
std::filesystem::path autoEntryDataFile(frame::Context& ctx);

// The on/off flag kept in the data file (section "AutoEntry", entry "Status"); `fallback` when
// the file holds none.
int savedAutoEntryStatus(const std::filesystem::path& dataFile, int fallback);

// ToggleAutoEntryEQ: the status becomes GLO:AutoEntry, the object is re-initialised on the
// company's data file, and the flag is saved there for the next time the company opens.
void toggleAutoEntry(frame::Context& ctx, AutoEntry& autoEntry);

inline constexpr char kToggleAutoEntryEQ[] = "ToggleAutoEntryEQ";

// Registers ToggleAutoEntryEQ (it opens no window).
void registerToggleAutoEntry(frame::ProcedureRegistry& registry, AutoEntry& autoEntry);

}  // namespace koreq::equipment
