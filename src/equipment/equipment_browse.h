#pragma once

// BrowseEQHeader, the equipment file maintenance list, and BrowseEQHeaderAlias, the same list
// over the alias file for forms that must keep their EQHEADER buffer. Both filter by the two
// show check boxes (kept in Tessaly.ini between runs), colour inactive equipment green, check
// the user's right to change equipment, and run UpdateEQHeader to insert, change and delete.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>

#include "depreciation/store_schedule.h"
#include "equipment/auto_entry.h"
#include "equipment/search_equipment.h"
#include "ui/model/browse_procedure.h"

namespace koreq::equipment {

// The module-wide objects the equipment windows share: one per process, owned by the host and
// handed to the procedures when they are registered.
struct EquipmentShared {
  SearchGlobals search;
  AutoEntry autoEntry;
  // The year summary of the depreciation schedule on screen: what the graphs draw.
  std::vector<depreciation::YearSummaryEntry> yearSummary;
};

// The settings file and entry the show check boxes are kept in.
inline constexpr const char* kSettingsFile = "Tessaly.ini";
inline constexpr const char* kSettingsSection = "Corvell Tessaly";
inline constexpr const char* kShowEntry = "EquipmentBrowse";
// The settings folder: INIPATH, or the program's settings folder when INIPATH is blank.
std::filesystem::path settingsFolder(frame::Context& ctx);

inline constexpr const char* kAccessDenied =
    "Your user access level is insufficient to make changes to Equipment.";
inline constexpr const char* kHasLogEntries =
    "This piece of equipment has log entries attached to it.  It cannot be deleted until all "
    "attached log entries have been purged using the transaction purge program.";

class EquipmentBrowse : public ui::BrowseProcedure {
 public:
  enum class Kind { Maintenance, Lookup };

  EquipmentBrowse(frame::Context& ctx, Kind kind, EquipmentShared& shared);
  ~EquipmentBrowse() override;

  Kind kind() const { return kind_; }
  std::uint8_t showActive() const { return showActive_; }
  std::uint8_t showInactive() const { return showInactive_; }
  // Set when the signed-on user may not change equipment.
  bool noChange() const { return noChange_; }

  void init() override;
  void accepted(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void kill() override;
  void ask(ui::Request request) override;

 protected:
  void ready() override;
  void afterEvent() override;

 private:
  const char* prefix() const { return kind_ == Kind::Maintenance ? "EQH" : "EQH1"; }
  void readUser();
  void readShowFlags();
  void writeShowFlags();
  void accessDenied();
  void search();
  void selectEquipment(const std::string& id);
  void sendTo();
  void playTraining();
  void removeAbandonedInserts();
  void deleteEquipment();
  void finishDelete(ui::Response response, std::int64_t at);
  void runFormFromAlias(ui::Request request, std::function<void(ui::Response)> done);
  std::int64_t current();
  void highlightCaller();
  void updateSendTo();

  Kind kind_;
  EquipmentShared& shared_;
  std::uint8_t showActive_ = 1;
  std::uint8_t showInactive_ = 1;
  bool noChange_ = false;
  // The delete in progress: the equipment's other records, the log entry and the form's delete
  // commit together.
  std::unique_ptr<data::Transaction> deleting_;
};

// Equipment with usage-log entries cannot be deleted (a message says so); otherwise the user is
// asked. Answers whether the delete may go on.
bool askToDeleteEquipment(ui::Procedure& window, const std::string& equipmentId);

// Registers BrowseEQHeader, BrowseEQHeaderAlias, SearchEquipment and ToggleAutoEntryEQ.
// UpdateEQHeader, which they call, is registered by the equipment form.
void registerEquipmentProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared);

}  // namespace koreq::equipment
