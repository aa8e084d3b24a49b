#pragma once

// The maintenance (cost) categories: BrowseEQCode, the suite-wide list of EQCODE records, which
// can add every category to every piece of equipment at once ("Apply to All"), and UpdateEQCode,
// the form of one category with its default unit, expense account and service schedule.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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

// ---- Apply to All -------------------------------------------------------------------------------

struct ApplyToAllResult {
  int equipmentUpdated = 0;  // pieces of equipment that got at least one record written
  int added = 0;             // EQCOST records written
  int failed = 0;            // records that could not be written (each reported on its own)
  bool refused = false;      // the company stayed busy: nothing was written
};

// Adds every EQCODE category, with its defaults, to every EQHEADER record that lacks it
// (EQC:RecordID = equipment ID padded to 10 + category), in one transaction begun within
// `wait`; when it cannot begin, nothing is written. An insert the file refuses is reported
// through the error object and not counted as added; a failure of the store itself ends the
// run and keeps nothing of it.
ApplyToAllResult applyCategoriesToAll(frame::Context& ctx,
                                      std::chrono::milliseconds wait = data::kWriterWait);

// The "Process Complete" text for the result; failures add a line saying how many.
std::string applyToAllMessage(const ApplyToAllResult& result);

// Whether any piece of equipment carries the category (an EQCOST record names it).
bool categoryInUse(frame::Context& ctx, const std::string& categoryId);

// The schedule-type letter for a drop-list text and back; anything unknown is "N" / "None".
std::string scheduleLetter(const std::string& shown);
std::string scheduleShown(const std::string& letter);

// Shows the meter controls (?METERPROMPT, ?<prefix>:Meter, ?<prefix>:MeterName) and the interval
// controls (?INTERVALPROMPT, ?<prefix>:Interval, ?<prefix>:IntervalName) the type letter uses.
void showScheduleFields(ui::Procedure& p, const std::string& letter, const std::string& prefix);

// The EQCOST record ID of a category of a piece of equipment: the ID padded to 10, the category.
std::string costRecordId(const std::string& equipmentId, const std::string& category);

// Copies a category's defaults from an EQCODE buffer into an EQCOST buffer, replacing what it
// held: the unit, the expense and contra accounts and the five schedule fields.
void copyCategoryDefaults(const data::FileAccess& code, data::FileAccess& cost);

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
