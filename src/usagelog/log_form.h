#pragma once

// UpdateEQLog: the form of one unposted usage-log entry, built for entering many in a row from
// the keyboard. It carries the last entry's equipment and meter forward, turns keypad keys into
// detail types and cost types, finds jobs by name, and checks every code against its file. The
// rules it applies without a window live in engine/entry_rules.h.

#include <functional>
#include <string>

#include "data/records.h"
#include "equipment/equipment_browse.h"
#include "ui/model/form_procedure.h"
#include "usagelog/engine/entry_rules.h"

namespace koreq::usagelog {

inline constexpr const char* kLogHelpTopic =
    "html/EC_Usage_Logs.htm#ec_insert_or_change_an_usage_log_entry";

class LogForm final : public ui::FormProcedure {
 public:
  LogForm(frame::Context& ctx, equipment::EquipmentShared& shared, EntryMemory& memory);

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;
  void selected(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void completed() override;
  // A form that added entries before it was cancelled answers completed: the list has changed.
  void kill() override;

  data::EqLogB& entry() const;
  Decimal chargeRate() const { return chargeRate_; }
  Decimal adjustment() const { return adjustment_; }

 protected:
  // An insert keeps the batch the caller chose; a change or view whose buffer holds only the
  // entry number reads the entry first.
  void prepare() override;
  bool save() override;
  void standardEvent(const ui::Event& e) override;
  std::string editMenuExtras(ui::Control& c) override;
  void editMenuChosen(ui::Control& c, int item) override;

 private:
  // Opening.
  void primeNewEntry();
  void openForChange();
  bool readBatch(data::EqBatch& batch);
  // The used equipment: its record stays in the EQHEADER buffer, whatever the lookups read.
  void readUsedEquipment();
  void restoreUsedEquipment();
  void calculateCharges();
  void showDetail();
  void fillDescriptions();
  DetailType detailType() const;

  // The reactions to accepted fields.
  void equipmentAccepted(bool charged);
  void equipmentChosen(bool charged);
  void jobAccepted();
  void jobChosen();
  void costCodeAccepted();
  void accountAccepted();
  void accountChosen();
  void categoryAccepted();
  void employeeAccepted();
  void detailTypeChosen(DetailType type);
  void lookup(const std::string& entry);

  // A code that must exist: `exists` reads it; when it does not, the lookup opens and a cancel
  // keeps the focus in the entry; `then` runs once the code is known.
  void validate(const char* entry, bool exists, std::function<void()> then);
  bool askInactiveEquipment(const std::string& id, bool active);
  std::string costCategoryOwner() const;

  void applyCaseModes();
  void logEntry();

  equipment::EquipmentShared& shared_;
  EntryMemory& memory_;
  Decimal chargeRate_, adjustment_;
  Str<30> description1_, description2_;
  Str<40> employeeName_;
  data::EqHeader used_{};
  data::EqLogB opened_{};
  std::uint16_t batchId_ = 0;
  bool reInsert_ = false;
  bool insertedOne_ = false;
  CaseMode commentCase_ = CaseMode::Def, locationCase_ = CaseMode::Def;
};

// Registers UpdateEQLog and UpdateEQBatch; `memory` lives as long as the registry.
void registerUsageLogForms(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared,
                           EntryMemory& memory);

}  // namespace koreq::usagelog
