#pragma once

// The windows of the saved report formats: one list design (FormatBrowse) for every report's
// formats — Insert, Change and Delete through the report's form, Duplicate, the favourites,
// Print — and one form design (FormatForm) that each report's form fills in with its own
// limits. The rules they follow are in format_rules.h.

#include <string>

#include "equipment/auto_entry.h"
#include "equipment/equipment_browse.h"
#include "frame/registry.h"
#include "reportframe/format_rules.h"
#include "runtime/text.h"
#include "ui/model/browse_procedure.h"
#include "ui/model/form_procedure.h"

namespace koreq::reportframe {

class FormatBrowse final : public ui::BrowseProcedure {
 public:
  FormatBrowse(frame::Context& ctx, const FormatKind& kind);

  void init() override;
  void accepted(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void ask(ui::Request request) override;

  // The report Print runs for the highlighted format, or "" when it cannot run here.
  std::string printTarget();

 protected:
  void afterEvent() override;

 private:
  // A locked format of another user who is still on file: said so, true.
  bool deleteRefused();
  void duplicate();
  void favourite();
  void print();
  // Print is usable only when the report it hands the format to is there.
  void updatePrint();

  const FormatKind& kind_;
};

class FormatForm : public ui::FormProcedure {
 public:
  // `autoEntry` completes the title and the range entries; none for a form without it.
  FormatForm(frame::Context& ctx, const FormatKind& kind, equipment::AutoEntry* autoEntry);

  void init() override;
  void accepted(ui::Control& c) override;
  void selected(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void kill() override;

 protected:
  bool save() override;
  data::EqLimits& format() const { return ctx().rec<data::EqLimits>(); }
  const FormatKind& kind() const { return kind_; }
  bool lockedAgainstUser() const { return locked_; }
  // Enables the named controls when `on` (those the window has).
  void enableControls(std::initializer_list<const char*> names, bool on);
  void showControls(std::initializer_list<const char*> names, bool on);

  // The report's own limits: enabling and showing by the values, on opening and after a change
  // (called after the shared groups were set); a control the report handles itself (true).
  virtual void showOwnLimits() {}
  virtual bool ownAccepted(ui::Control&) { return false; }
  virtual bool ownSelected(ui::Control&) { return false; }
  virtual void describeOwn() {}

 protected:
  // Sets every group's enabling and showing by the values, after a change too.
  void showLimits();
  // The descriptions beside the range entries.
  void describe();

 private:
  void fillUsers();
  void fillClasses();
  void codeAccepted(ui::Control& c, bool lookup);
  void userDefined();
  void askLoadDefaults();
  void lockAgainstUser();

  const FormatKind& kind_;
  equipment::AutoEntry* autoEntry_;
  Str<30> fromDescription_, toDescription_, catFromDescription_, catToDescription_;
  CaseMode titleCase_ = CaseMode::Def;
  bool locked_ = false;
  // "Load Defaults" drops the user-defined-field limits when the format is saved.
  bool dropUdLimits_ = false;
};

// Registers the format lists and forms of the four equipment reports and of the usage-log proof
// listing.
void registerReportFormats(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared);

}  // namespace koreq::reportframe
