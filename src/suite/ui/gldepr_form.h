#pragma once

// UPDATEGLDEPR: the general ledger's form of one stored depreciation month (a GLDEPR row). The
// three computed pairs belong to the schedule and are shown read-only; the user keys in the
// custom method's pair, the amount actually posted, its fiscal-period label and ledger
// transaction. Insert makes a row of the equipment in the caller's EQHEADER buffer; delete
// removes the row as the form opens (the caller has asked the user).

#include "frame/registry.h"
#include "ui/model/form_procedure.h"

namespace koreq::suite {

inline constexpr const char* kDuplicateDepreciationMonth =
    "This piece of equipment already has a depreciation row for that month.";

class GlDeprForm final : public ui::FormProcedure {
 public:
  explicit GlDeprForm(frame::Context& ctx);

  void init() override;

 protected:
  bool save() override;

 private:
  // Whether another row of the same equipment falls in the month of the row being edited.
  bool monthTaken();
};

void registerGlDeprForm(frame::ProcedureRegistry& registry);

}  // namespace koreq::suite
