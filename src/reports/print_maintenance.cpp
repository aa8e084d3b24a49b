#include "reports/print_maintenance.h"

#include "data/access.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "reportframe/format_rules.h"
#include "reportframe/limit_lines.h"
#include "reports/maintenance.h"
#include "reports/print_analysis.h"
#include "reports/selection.h"
#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::reports {

namespace {

constexpr const char* kTitle = "Equipment Maintenance Schedule";

std::string exportDate(Date d) {
  return trimLeft(formatPicture("@d1b", d));
}

std::string exportNumber(std::int64_t n) {
  return trimLeft(formatPicture("@n15", n));
}

class MaintenanceSchedule final : public reportframe::ReportBody {
 public:
  explicit MaintenanceSchedule(frame::Context& ctx) : ctx_(ctx), names_(ctx) {}

  void begin(reportframe::Report& report) override {
    for (const char* v : {"LOC:EquipmentID", "LOC:EquipmentDescription", "LOC:Category",
                          "LOC:CategoryDescription", "LOC:Schedule", "LOC:ErrorText"})
      report.setValue(v, std::string());
    data::EqLimits& f = ctx_.rec<data::EqLimits>();
    if (clipped(ctx_.g.REPORTFILTER.str()) != std::to_string(f.LimitID)) return;
    reportframe::resolveFloatingRange(f, ctx_.today());
    if (f.Orientation == "L") report.setLandscape();
    selection_ = std::make_unique<Selection>(Selection::read(ctx_, f, {}));
    walk_ = std::make_unique<EquipmentWalk>(ctx_, *selection_);
    data::Access<data::EqHeader> eq(ctx_.store(), ctx_.errors());
    total_ = eq.records();
    const auto ud = reportframe::EquipmentUdLimits::read(ctx_, f.LimitID);
    ctx_.g.RPTLIMITQ =
        reportframe::formatLimitLines(f, "Equipment Costing > Reports > Analysis Reports", {},
                                      dateLimitLine(f, analysisDates(ctx_, f)), ud.lines(ctx_));
    running_ = true;
  }

  bool next(reportframe::Report& report) override {
    if (!running_) return false;
    data::EqHeader* eq = walk_->next();
    if (!eq) return false;
    equipment(report, *eq);
    return true;
  }

  std::int64_t total() const override { return total_; }

 private:
  void equipment(reportframe::Report& report, data::EqHeader& eq) {
    const data::EqLimits& f = ctx_.rec<data::EqLimits>();
    bool headed = false;
    bool estimated = false;
    data::Access<data::EqCost> costs(ctx_.store(), ctx_.errors());
    costs.setRange(*data::EqCost::def().key("KeyEquipmentID"), {eq.EquipmentID.str()});
    for (;;) {
      const int rc = costs.next();
      if (rc == data::kRecordNotFound) break;
      if (rc != data::kNoError) throw data::StoreError(rc, costs.lastErrorText());
      const data::EqCost& c = costs.rec();
      if (!selection_->countsCategory(eq, c)) continue;
      if (needsUnitsPerDay(c) && eq.UnitsPerDay.isZero() && !estimated) {
        // Once per equipment: without usage the estimate stays 0 and is not asked for again.
        estimated = true;
        const Decimal perDay = estimateUnitsPerDay(ctx_, eq.EquipmentID.str());
        if (!perDay.isZero()) {
          eq.UnitsPerDay = perDay;
          storeUnitsPerDay(ctx_, eq.EquipmentID.str(), perDay);  // a failure was reported
        }
      }
      const ServiceLine line = serviceLine(c, eq.CurrentMeter, eq.UnitsPerDay, ctx_.today());
      if (!printsServiceLine(line, f)) continue;
      if (!headed) heading(report, eq);
      headed = true;
      const std::string& description = names_.description(c.CostCategory.str());
      report.setValue("LOC:Category", c.CostCategory.str());
      report.setValue("LOC:CategoryDescription", description);
      if (!line.error.empty()) {
        report.setValue("LOC:ErrorText", line.error);
        report.print("errorLine");
        ctx_.g.RXQUEUE.push_back(c.CostCategory.str() + "\t" + description + "\t" + line.error);
        continue;
      }
      report.setValue("LOC:Schedule", line.schedule);
      report.setValue("LOC:LastServiceDate", c.LastServiceDate);
      report.setValue("LOC:LastServiceMeter", std::int64_t{c.LastServiceMeter});
      report.setValue("LOC:DueDate", line.due);
      report.setValue("LOC:NextMeter", std::int64_t{line.nextMeter});
      report.setValue("LOC:CurrentMeter", eq.CurrentMeter.toLong());
      report.print("scheduleLine");
      ctx_.g.RXQUEUE.push_back(c.CostCategory.str() + "\t" + description + "\t" + line.schedule +
                               "\t" + exportDate(c.LastServiceDate) + "\t" +
                               exportNumber(c.LastServiceMeter) + "\t" + exportDate(line.due) +
                               "\t" + exportNumber(line.nextMeter) + "\t" +
                               exportNumber(eq.CurrentMeter.toLong()));
    }
    report.print("spacer");
    ctx_.g.RXQUEUE.push_back("");
  }

  void heading(reportframe::Report& report, const data::EqHeader& eq) {
    report.setValue("LOC:EquipmentID", eq.EquipmentID.str());
    report.setValue("LOC:EquipmentDescription", eq.Description.str());
    report.print("equipmentHeader");
    std::vector<std::string>& rx = ctx_.g.RXQUEUE;
    rx.push_back(eq.EquipmentID.str() + "  " + eq.Description.str());
    rx.push_back("\t\t\t___ Last Service ___\t\t___ Next Service ___");
    rx.push_back(
        "Type\tDescription\tSchedule Type\tDate\tMeter Reading\tDate\tMeter Reading\tCurrent "
        "Meter");
  }

  frame::Context& ctx_;
  CategoryNames names_;
  std::unique_ptr<Selection> selection_;
  std::unique_ptr<EquipmentWalk> walk_;
  std::int64_t total_ = 0;
  bool running_ = false;
};

}  // namespace

reportframe::ReportProcedure printEqMaintenanceProcedure() {
  return {frame::kPrintEQMaintenance, frame::kPrintEQMaintenance, kTitle,
          "Equipment Maintenance Schedule.pdf", &data::EqCost::def()};
}

std::unique_ptr<reportframe::ReportBody> printEqMaintenanceBody(frame::Context& ctx) {
  return std::make_unique<MaintenanceSchedule>(ctx);
}

}  // namespace koreq::reports
