#include "module/register_module.h"

#include "equipment/categories.h"
#include "equipment/cost_form.h"
#include "equipment/equipment_form.h"
#include "equipment/every_schedule.h"
#include "interchange/export_window.h"
#include "interchange/import_window.h"
#include "interchange/source_form.h"
#include "reportframe/format_windows.h"
#include "reports/report_table.h"
#include "suite/ui/droplist_form.h"
#include "suite/ui/gldepr_form.h"
#include "suite/ui/lookups.h"
#include "suite/ui/notes_forms.h"
#include "usagelog/batch_manager.h"
#include "usagelog/engine/posting.h"
#include "usagelog/log_form.h"

namespace koreq::module {

void registerModule(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared,
                    usagelog::EntryMemory& usageLog) {
  // Each subsystem registers its procedures here as it comes.
  frame::registerReportDispatchers(registry);
  suite::registerSuiteLookups(registry);
  equipment::registerEquipmentProcedures(registry, shared);
  equipment::registerCategoryProcedures(registry, shared);
  equipment::registerEquipmentForm(registry, shared);
  equipment::registerCostProcedures(registry, shared);
  equipment::registerEverySchedule(registry);
  suite::registerNotesForms(registry);
  suite::registerGlDeprForm(registry);
  suite::registerDropListForms(registry);
  usagelog::registerPostingControl(registry);
  usagelog::registerUsageLogForms(registry, shared, usageLog);
  usagelog::registerBatchManager(registry, usageLog);
  interchange::registerExport(registry, shared);
  interchange::registerImportWindow(registry);
  interchange::registerSourceForms(registry, shared);
  reportframe::registerReportFormats(registry, shared);
  reports::registerReports(registry);
}

}  // namespace koreq::module
