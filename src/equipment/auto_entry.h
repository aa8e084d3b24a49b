#pragma once

// Type-ahead completion of entry fields: one object per process, shared by every window. A
// window registers its entry controls under a section named after its procedure; completion
// offers the values entered before in that section and control, kept in the data file the
// object was last initialised on. ToggleAutoEntryEQ switches it on or off.

#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "frame/context.h"
#include "frame/registry.h"

namespace koreq::equipment {

class AutoEntry {
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

 private:
  int status_ = 0;
  std::filesystem::path dataFile_;
  int initialisations_ = 0;
  std::map<std::string, std::vector<std::string>, std::less<>> sections_;  // upper-cased names
};

// The data file of the company's completion values: DATAPATH (clipped) followed by
// "AutoEntry.dat".
std::filesystem::path autoEntryDataFile(frame::Context& ctx);

// ToggleAutoEntryEQ: the status becomes GLO:AutoEntry, and the object is re-initialised on the
// company's data file.
void toggleAutoEntry(frame::Context& ctx, AutoEntry& autoEntry);

// Registers ToggleAutoEntryEQ (it opens no window).
void registerToggleAutoEntry(frame::ProcedureRegistry& registry, AutoEntry& autoEntry);

}  // namespace koreq::equipment
