#pragma once

// The maintenance (cost) categories: BrowseEQCode, the suite-wide list of EQCODE records, which
// can add every category to every piece of equipment at once ("Apply to All"), and UpdateEQCode,
// the form of one category with its default unit, expense account and service schedule.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "equipment/engine/cost_rules.h"
#include "equipment/equipment_browse.h"
#include "ui/model/browse_procedure.h"
#include "ui/model/form_procedure.h"

namespace koreq::equipment {

inline constexpr const char* kApplyToAllConfirm =
    "This will add all the listed cost categories to |all pieces of equipment. Do you want to "
    "proceed?";
inline constexpr const char* kCategoryInUse =
    "This cost category is assigned to equipment.  It cannot be deleted while any piece of "
    "equipment carries it.";

// Shows the meter controls (?METERPROMPT, ?<prefix>:Meter, ?<prefix>:MeterName) and the interval
// controls (?INTERVALPROMPT, ?<prefix>:Interval, ?<prefix>:IntervalName) the type letter uses.
void showScheduleFields(ui::Procedure& p, const std::string& letter, const std::string& prefix);

// ---- Code entries checked against another file --------------------------------------------------

// An entry of a form whose code must exist in another file, and the list that selects one.
// The case mode of a field: the one stored through GETCASE ("000" + field), else the entry's
// own attribute; applied to the entry.
CaseMode applyCaseMode(frame::Context& ctx, ui::Control& entry, const std::string& field);
// Ctrl+click on a field whose case the user may set: the menu of the three modes with the
// current one marked; a different choice is applied and stored. Answers the field's mode.
CaseMode chooseCaseMode(ui::Procedure& window, ui::Control& entry, const std::string& field,
                        CaseMode current);

// Whether the company is Pellham Accounting's, whose windows carry its own icon.
bool pellhamCompany(const frame::Context& ctx);

struct CodeLookup {
  const char* entry;  // "?EQD:DefaultExpenseControl"
  const char* field;  // the form's field the entry edits
  const data::FileDef& (*file)();
  const char* key;        // the looked-up file's key on the code
  const char* code;       // the looked-up file's code field
  const char* procedure;  // the select list
};

// The entry was accepted: a blank code is left alone unless the entry is required; a known one
// is fetched into the context's buffer of the file; an unknown one opens the select list
// (lookupCode with the focus put back on a cancel). `chosen` runs once the field holds a known
// code, with its record in that buffer.
void validateCode(ui::FormProcedure& form, const CodeLookup& l, ui::Control& entry,
                  std::function<void()> chosen = {});
// Runs the select list at once, opened on the field's code; a selected code is copied into the
// field and `chosen` runs. A cancel puts the focus back on the entry when asked to.
void lookupCode(ui::FormProcedure& form, const CodeLookup& l, bool refocusOnCancel,
                std::function<void()> chosen = {});

// ---- BrowseEQCode -----------------------------------------------------------------------------

class CategoryBrowse final : public ui::BrowseProcedure {
 public:
  CategoryBrowse(frame::Context& ctx, EquipmentShared& shared);

  void init() override;
  void accepted(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void ask(ui::Request request) override;

  // The result of the last Apply to All run from this window.
  const ApplyToAllResult& lastApply() const { return lastApply_; }

 protected:
  void ready() override;
  void afterEvent() override;

 private:
  void search();
  void selectCategory(const std::string& id);
  void sendTo();
  void playTraining();
  void applyToAll();
  void updateSendTo();

  EquipmentShared& shared_;
  ApplyToAllResult lastApply_;
};

// ---- UpdateEQCode -----------------------------------------------------------------------------

class CategoryForm final : public ui::FormProcedure {
 public:
  CategoryForm(frame::Context& ctx, EquipmentShared& shared);

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;
  void selected(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;

  CaseMode descriptionCase() const { return descriptionCase_; }

 protected:
  bool save() override;

 private:
  void showSchedule();
  void readCaseMode();
  void chooseCaseMode();
  void validateAccount(ui::Control& c);
  void lookupAccount(bool refocusOnCancel);
  bool codeMayChange();

  EquipmentShared& shared_;
  Str<25> scheduleType_;
  std::string openedCode_;
  CaseMode descriptionCase_ = CaseMode::Def;
};

// Registers BrowseEQCode and UpdateEQCode. BROWSEGLMASTER and PLAYTRAINING, which they call,
// come from the suite's registration.
void registerCategoryProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared);

}  // namespace koreq::equipment
