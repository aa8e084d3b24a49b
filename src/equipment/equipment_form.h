#pragma once

// UpdateEQHeader: the form of one piece of equipment, with seven tabs, run as a plain tabbed
// form or as a step-by-step entry wizard over the same tabs. The form itself keeps the general
// tab, the fixed-asset fields, the user-defined fields, the wizard, the case modes, the lookups
// and the save; each other tab (or group) is a FormPart of its own file, which the form hands
// every event it does not handle itself.

#include <chrono>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "data/records.h"
#include "equipment/equipment_browse.h"
#include "ui/model/form_procedure.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

class EquipmentForm;

// The behaviour of one tab, or one group of a tab, of the equipment form. Parts are made when
// the form is made (bind locals in the constructor); each hook returns true when the control
// was the part's own, so the form stops asking.
class FormPart {
 public:
  explicit FormPart(EquipmentForm& form) : form_(form) {}
  virtual ~FormPart() = default;
  FormPart(const FormPart&) = delete;
  FormPart& operator=(const FormPart&) = delete;

  // The form has opened: the record is in the buffer, the form's own opening steps are done.
  virtual void init() {}
  virtual bool accepted(ui::Control&) { return false; }
  virtual bool newSelection(ui::Control&) { return false; }
  virtual bool selected(ui::Control&) { return false; }
  virtual bool alertKey(ui::Control&, ui::Key) { return false; }
  // A list row was double-clicked (or Enter pressed on it).
  virtual bool rowActivated(ui::Control&) { return false; }
  virtual bool filesDropped(ui::Control&, const std::vector<std::string>&) { return false; }
  // Tab `tab` (from 1) is now shown; every part hears it.
  virtual void tabShown(int) {}
  // OK: the equipment record has just been written, inside the save's transaction when one
  // could be had. Write what belongs with the record here; false rolls the save back and keeps
  // the form open (report the reason first).
  virtual bool saving() { return true; }
  // The window closes.
  virtual void kill() {}

 protected:
  EquipmentForm& form() const { return form_; }

 private:
  EquipmentForm& form_;
};

// The parts, each made in its own file.
std::unique_ptr<FormPart> makeDepreciationGroup(EquipmentForm& form);   // tab 2, lower half
std::unique_ptr<FormPart> makeCostCategoriesTab(EquipmentForm& form);   // tab 3
std::unique_ptr<FormPart> makeServiceScheduleTab(EquipmentForm& form);  // tab 4
std::unique_ptr<FormPart> makePhotographTab(EquipmentForm& form);       // tab 5
std::unique_ptr<FormPart> makeNotesGroup(EquipmentForm& form);          // tab 6, the notes
std::unique_ptr<FormPart> makeAttachmentsTab(EquipmentForm& form);      // tab 7

inline constexpr int kTabCount = windows::UpdateEQHeader::SHEET_TabCount;
inline constexpr const char* kWizardEntry = "EquipmentEntryWizard";
inline constexpr const char* kTsSetupFile = "TSSetup.ini";
inline constexpr const char* kNoUsageMessage =
    "No usage log entries were found for this piece of equipment, so no recalculation is "
    "possible.";

class EquipmentForm : public ui::FormProcedure {
 public:
  EquipmentForm(frame::Context& ctx, EquipmentShared& shared);
  ~EquipmentForm() override;

  EquipmentShared& shared() const { return shared_; }
  // The record being edited (the context's EQHEADER buffer).
  data::EqHeader& record() const;
  std::string equipmentId() const;
  // Fixed-asset maintenance (called with EQUIPFIELD "GL").
  bool fixedAssetMode() const { return fixedAsset_; }
  bool wizard() const { return wizard_ != 0; }
  int wizardStep() const { return step_; }
  // The tab shown, from 1.
  int currentTab() const;

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;
  void selected(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void completed() override;
  void kill() override;

 protected:
  bool save() override;
  void standardKey(ui::Control& c, ui::Key key) override;
  void rowActivated(ui::Control& c) override;
  void filesDropped(ui::Control& c, const std::vector<std::string>& files) override;

 private:
  void setTitles();
  void applyWizard();
  void moveStep(int by);
  void showStep();
  void readUserDef();
  bool writeUserDef();
  void applyCaseModes();
  void chooseCaseMode(ui::Control& c);
  void showDestination();
  void fillDropList(bool classCodes);
  void editPrompts(bool on);
  void recalculate();
  void defaultIncomeAccount(ui::Control& c);
  void help();
  // The account and certification lookups: an accepted code is checked, a button runs the list.
  struct Lookup;
  static const Lookup kLookups[3];
  const Lookup* lookupFor(const ui::Control& c) const;
  void logChange();
  bool checkNewId(ui::Control& c);
  bool deleteRecord();
  void discardNewRecords();
  bool removeAbandonedIds();

  EquipmentShared& shared_;
  std::vector<std::unique_ptr<FormPart>> parts_;
  bool fixedAsset_ = false;
  std::uint8_t wizard_ = 1;
  bool wizardChosen_ = false;  // the user ticked or cleared the Wizard box
  int step_ = 1;
  std::string tabTitles_[kTabCount];
  Str<30> tabTitle_;
  std::uint8_t editPrompts_ = 0;
  data::EqHeader opened_{};
  std::vector<std::pair<std::string, CaseMode>> caseModes_;
  // A new record: the ID accepted last, and every ID the parts may have written under.
  std::string acceptedId_;
  std::set<std::string> usedIds_;
};

void registerEquipmentForm(frame::ProcedureRegistry& registry, EquipmentShared& shared);

}  // namespace koreq::equipment
