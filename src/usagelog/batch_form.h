#pragma once

// UpdateEQBatch: the form of one usage-log batch header, with its access rule towards other
// users. A batch another user owns and protects opens locked; the system password unlocks it
// for this opening of the form.

#include <string>

#include "equipment/equipment_browse.h"
#include "ui/model/form_procedure.h"

namespace koreq::usagelog {

inline constexpr const char* kSecurityTexts[] = {
    "Allow access to other users", "Disallow access to other users", "Hide from other users"};

// The drop-list text of EQB:Secure and back; an unknown value is the first text, an unknown
// text 0.
std::string securityText(int secure);
int securityValue(std::string_view text);

// Whether an entered password is the system password: both upper-cased, over 20 characters,
// trailing blanks ignored.
bool systemPasswordMatches(std::string_view entered, std::string_view systemPassword);

class BatchForm final : public ui::FormProcedure {
 public:
  BatchForm(frame::Context& ctx, equipment::EquipmentShared& shared);

  void init() override;
  // OK refuses a repeating batch without an interval.
  void completed() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;

  bool locked() const { return locked_; }

 protected:
  // A change or view whose buffer holds only the batch number reads the batch first.
  void prepare() override;
  bool save() override;

 private:
  void override();
  void go();
  bool hasEntries();

  equipment::EquipmentShared& shared_;
  Str<30> secure_;
  Str<20> enteredPassword_;
  bool locked_ = false;
};

void registerBatchForm(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared);

}  // namespace koreq::usagelog
