#include "usagelog/proof_listing.h"

#include <algorithm>
#include <tuple>

#include "data/access.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::usagelog {

namespace {

constexpr const char* kTitle = "Proof Listing of Equipment Usage Log";

std::string amount(const Decimal& d) {
  return trimLeft(formatPicture("@n-15.2", d));
}

struct Totals {
  Decimal units, net;
  void add(const Decimal& u, const Decimal& n) {
    units += u;
    net += n;
  }
};

class ProofBody final : public reportframe::ReportBody {
 public:
  explicit ProofBody(frame::Context& ctx)
      : ctx_(ctx),
        entries_(ctx.store(), ctx.errors()),
        equipment_(ctx.store(), ctx.errors()),
        employees_(ctx.store(), ctx.errors()),
        batches_(ctx.store(), ctx.errors()) {}

  void begin(reportframe::Report& report) override {
    const data::EqLimits& format = ctx_.rec<data::EqLimits>();
    proceed_ = clipped(ctx_.g.REPORTFILTER.str()) == std::to_string(format.LimitID);
    if (proceed_) rows_ = proofRows(ctx_, format, ctx_.g.TAGQUE);
    report.setValue("LOC:BatchText", std::string());
    report.setValue("LOC:BatchContinued", std::string());
    report.setValue("LOC:BatchCaption", std::string("Batch Totals:"));
    report.setValue("LOC:EquipmentFooterText", std::string());
    report.setValue("LOC:Description1", std::string());
    report.setValue("LOC:Description2", std::string());
    showTotals(report);
    ctx_.g.RXQUEUE.push_back(
        "Batch\tEquipment ID\tDate\tEmployee\tJob\tGL Account\tLocation\tComments\tStart\tEnd\t"
        "Units\tRate\tGross Charge\tAdjustment\tNet Charge");
  }

  bool next(reportframe::Report& report) override {
    if (at_ >= rows_.size()) return false;
    const ProofRow& row = rows_[at_];
    const bool first = at_ == 0;
    ++at_;
    if (first || row.batch != batch_) {
      if (!first) {
        report.print("equipmentFooter");
        report.print("batchFooter");
      }
      newBatch(report, row.batch);
    } else if (row.equipment != equipmentId_) {
      report.print("equipmentFooter");
      equipmentTotals_ = {};
    }
    equipmentId_ = row.equipment;
    printEntry(report, row);
    return true;
  }

  void end(reportframe::Report& report) override {
    if (!proceed_) return;
    if (!rows_.empty()) report.print("equipmentFooter");
    // A batch footer even when nothing was selected: the totals are then zero. Tagged batches
    // that do not exist list nothing at all, so the run ends as any empty report ("Nothing to
    // Print").
    if (rows_.empty() && !ctx_.g.TAGQUE.empty() && !anyTaggedBatch()) return;
    report.print("batchFooter");
    report.setCarryOver({});
    if (ctx_.g.TAGQUE.size() > 1) report.print("grandFooter");
  }

  std::int64_t total() const override { return static_cast<std::int64_t>(rows_.size()); }

 private:
  void newBatch(reportframe::Report& report, std::uint16_t batch) {
    batch_ = batch;
    // A batch whose record is missing still lists its entries, under a header without its
    // description.
    std::string description;
    if (batches_.fetch("EQB:KeyBatchID", {std::int64_t{batch}}) == data::kNoError)
      description = clipped(batches_.rec().Description.str());
    const std::string text = "Batch " + std::to_string(batch) + " - " + description;
    report.setValue("LOC:BatchText", text);
    report.setValue("LOC:BatchContinued", text + " (continued)");
    report.print("batchHeader");
    // A page break inside the batch repeats its heading, so every page says whose entries
    // it lists.
    report.setCarryOver("batchContinued");
    equipmentTotals_ = batchTotals_ = {};
    report.setValue("LOC:BatchCaption", "Batch " + std::to_string(batch) + " Totals:");
    showTotals(report);
  }

  void printEntry(reportframe::Report& report, const ProofRow& row) {
    int rc = entries_.fetch("EQLB:KeyLogID", {std::int64_t{row.logId}});
    if (rc != data::kNoError) throw data::StoreError(rc, entries_.lastErrorText());
    const data::EqLogB& e = entries_.rec();
    const bool haveEquipment =
        equipment_.fetch("EQH:KeyEquipmentID", {e.EquipmentID.str()}) == data::kNoError;
    if (!haveEquipment) equipment_.clear();
    const data::EqHeader& eq = equipment_.rec();
    std::string lastName;
    if (employees_.fetch("PRE:KeyEmployeeID", {std::int64_t{e.EmployeeID}}) == data::kNoError)
      lastName = clipped(employees_.rec().LastName.str());

    const Decimal start = e.EndMeter - e.Units;
    const Decimal rate = e.ChargeType.str() == "I"   ? eq.InternalBillingRate
                         : e.ChargeType.str() == "R" ? eq.RentalBillingRate
                                                     : Decimal();
    const Decimal adjustment = e.AdjustedAmount - e.GrossAmount;
    // No employee (0) prints nothing rather than a number that names nobody.
    const std::string employee =
        e.EmployeeID == 0 ? std::string() : std::to_string(e.EmployeeID) + " " + lastName;
    const std::string job = clipped(e.JobID.str()) + " " + clipped(e.CostCode.str());
    for (const data::FieldDef& f : data::EqLogB::def().fields) report.setValue(f.name, f.get(&e));
    report.setValue("EQH:Description", eq.Description.str());
    // A long description goes on over a second line instead of being cut at the column.
    const std::vector<std::string> lines = report.wrap("?EQH:Description", eq.Description.str());
    report.setValue("LOC:Description1", lines.empty() ? std::string() : lines[0]);
    std::string rest;
    for (std::size_t i = 1; i < lines.size(); ++i) rest += (i > 1 ? " " : "") + lines[i];
    report.setValue("LOC:Description2", rest);
    // The equipment footer names its equipment: it may stand at the top of a page.
    report.setValue("LOC:EquipmentFooterText",
                    "Totals of " + e.EquipmentID.str() +
                        (eq.Description.empty() ? std::string() : " - " + eq.Description.str()));
    report.setValue("LOC:StartReading", start);
    report.setValue("LOC:Rate", rate);
    report.setValue("LOC:Adjustment", adjustment);
    report.setValue("LOC:EmployeeText", employee);
    report.setValue("LOC:JobText", job);
    equipmentTotals_.add(e.Units, e.AdjustedAmount);
    batchTotals_.add(e.Units, e.AdjustedAmount);
    grandTotals_.add(e.Units, e.AdjustedAmount);
    showTotals(report);
    report.print("detail");

    ctx_.g.RXQUEUE.push_back(
        std::to_string(e.BatchID) + "\t" + e.EquipmentID.str() + "\t" +
        trimLeft(formatPicture("@d2b", e.Date)) + "\t" + employee + "\t" + job + "\t" +
        e.GLAccount.str() + "\t" + e.Location.str() + "\t" + e.Comments.str() + "\t" +
        amount(start) + "\t" + amount(e.EndMeter) + "\t" + amount(e.Units) + "\t" + amount(rate) +
        "\t" + amount(e.GrossAmount) + "\t" + amount(adjustment) + "\t" + amount(e.AdjustedAmount));
  }

  bool anyTaggedBatch() {
    for (std::uint16_t b : ctx_.g.TAGQUE)
      if (batches_.fetch("EQB:KeyBatchID", {std::int64_t{b}}) == data::kNoError) return true;
    return false;
  }

  void showTotals(reportframe::Report& report) {
    report.setValue("LOC:EquipmentUnits", equipmentTotals_.units);
    report.setValue("LOC:EquipmentNet", equipmentTotals_.net);
    report.setValue("LOC:BatchUnits", batchTotals_.units);
    report.setValue("LOC:BatchNet", batchTotals_.net);
    report.setValue("LOC:GrandUnits", grandTotals_.units);
    report.setValue("LOC:GrandNet", grandTotals_.net);
  }

  frame::Context& ctx_;
  // Their own buffers: the listing leaves the window's record buffers as they were.
  data::Access<data::EqLogB> entries_;
  data::Access<data::EqHeader> equipment_;
  data::Access<data::PrEmp> employees_;
  data::Access<data::EqBatch> batches_;
  bool proceed_ = false;
  std::vector<ProofRow> rows_;
  std::size_t at_ = 0;
  std::uint16_t batch_ = 0;
  std::string equipmentId_;
  Totals equipmentTotals_, batchTotals_, grandTotals_;
};

}  // namespace

std::vector<ProofRow> proofRows(frame::Context& ctx, const data::EqLimits& format,
                                const std::vector<std::uint16_t>& batches) {
  std::vector<ProofRow> rows;
  data::Access<data::EqLogB> entries(ctx.store(), ctx.errors());
  const data::KeyDef& key = *data::EqLogB::def().key("KeyBatchID");
  const std::string from = clipped(format.EquipmentFrom.str());
  const std::string to = clipped(format.EquipmentTo.str());
  for (std::uint16_t batch : batches) {
    entries.setRange(key, {std::int64_t{batch}});
    for (int rc; (rc = entries.next()) != data::kRecordNotFound;) {
      if (rc != data::kNoError) throw data::StoreError(rc, entries.lastErrorText());
      const data::EqLogB& e = entries.rec();
      const std::string id = clipped(e.EquipmentID.str());
      if (format.SelectedEquipment == 1 && (id < from || id > to)) continue;
      if (format.SelectedDates == 1 && (e.Date < format.DateFrom || e.Date > format.DateTo))
        continue;
      rows.push_back({e.BatchID, e.LogID, id, e.Date});
    }
  }
  std::stable_sort(rows.begin(), rows.end(), [](const ProofRow& a, const ProofRow& b) {
    return std::tie(a.batch, a.equipment, a.date) < std::tie(b.batch, b.equipment, b.date);
  });
  return rows;
}

reportframe::ReportProcedure printEqLogBProofProcedure() {
  return {frame::kPrintEQLogBProof, frame::kPrintEQLogBProof, kTitle, "Log Proof List.pdf",
          &data::EqLogB::def()};
}

std::unique_ptr<reportframe::ReportBody> printEqLogBProofBody(frame::Context& ctx) {
  return std::make_unique<ProofBody>(ctx);
}

}  // namespace koreq::usagelog
