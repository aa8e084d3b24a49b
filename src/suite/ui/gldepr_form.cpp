#include "suite/ui/gldepr_form.h"

#include "data/records.h"
#include "ui/model/desktop.h"
#include "windows/UPDATEGLDEPR.h"

namespace koreq::suite {

namespace win = windows::UPDATEGLDEPR;

GlDeprForm::GlDeprForm(frame::Context& ctx)
    : ui::FormProcedure(ctx, win::kName, data::GlDepr::def()) {}

void GlDeprForm::init() {
  setTitleByRequest("Adding a Depreciation Month", "Changing a Depreciation Month",
                    "Viewing a Depreciation Month", "Deleting a Depreciation Month");
  const data::EqHeader& eq = ctx().rec<data::EqHeader>();
  if (request() == ui::Request::Insert) ctx().rec<data::GlDepr>().EquipmentID = eq.EquipmentID;
  // The custom pair goes by the name the equipment gives its own method.
  if (!eq.UD1DepreciationDesc.str().empty())
    control(win::CUSTOMGROUP).setText(eq.UD1DepreciationDesc.str());
}

bool GlDeprForm::monthTaken() {
  const data::GlDepr& row = ctx().rec<data::GlDepr>();
  if (row.Date.isEmpty()) return false;
  data::Access<data::GlDepr> others(ctx().store(), ctx().errors());
  others.setRange(*data::GlDepr::def().key("KeyEquipmentID"), {row.EquipmentID.str()});
  while (others.next() == data::kNoError) {
    const data::GlDepr& o = others.rec();
    if (o.RecordID == row.RecordID || o.Date.isEmpty()) continue;
    if (o.Date.year() == row.Date.year() && o.Date.month() == row.Date.month()) return true;
  }
  return false;
}

bool GlDeprForm::save() {
  // The schedule updates the first row of a month and would leave a second one stale.
  if ((request() == ui::Request::Insert || request() == ui::Request::Change) && monthTaken()) {
    message(kDuplicateDepreciationMonth, "Duplicate Month", ui::Icon::Exclamation);
    select(win::GLDP_Date);
    return false;
  }
  return ui::FormProcedure::save();
}

void registerGlDeprForm(frame::ProcedureRegistry& registry) {
  ui::registerWindow<GlDeprForm>(registry, win::kName);
}

}  // namespace koreq::suite
