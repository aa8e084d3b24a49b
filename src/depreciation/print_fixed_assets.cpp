#include "depreciation/print_fixed_assets.h"

#include <cstdio>

#include "data/access.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::depreciation {

namespace {

// Signed with two places, as the export writes amounts: "-1,234.50".
std::string amount(const Decimal& d) {
  return trimLeft(formatPicture("@n-15.2", d));
}

std::string monthYear(Date d) {
  if (d.isEmpty()) return {};
  char s[16];
  std::snprintf(s, sizeof s, "%02d/%04d", d.month(), d.year());
  return s;
}

// The controls of a method's column group: its heading, its two sub-headings, its two columns.
void makeBold(reportframe::Report& report, const std::string& prefix, const char* amountField,
              const char* valueField) {
  for (const std::string& name :
       {"?" + prefix + "Heading", "?" + prefix + "AmountHeading", "?" + prefix + "ValueHeading",
        std::string("?") + amountField, std::string("?") + valueField})
    report.control(name).font.bold = true;
}

}  // namespace

std::string selectedMethodName(const data::EqHeader& eq) {
  switch (eq.DepreciationMethod) {
    case 1:
      return "Straight Line";
    case 2:
      return "Sum of Years' Digits";
    case 3:
      return "Double Rate Declining Balance";
    case 4:
      return eq.UD1DepreciationDesc.empty() ? "Custom" : eq.UD1DepreciationDesc.str();
    default:
      return "Undetermined";
  }
}

reportframe::ReportProcedure printFixedAssetsProcedure() {
  return {frame::kPrintFixedAssets, frame::kPrintFixedAssets, "Fixed Asset Depreciation Schedule",
          "Fixed Asset Depreciation Schedule.pdf", &data::GlDepr::def()};
}

namespace {

class PrintFixedAssetsBody final : public reportframe::ReportBody {
 public:
  explicit PrintFixedAssetsBody(frame::Context& ctx)
      : ctx_(ctx), rows_(ctx.access<data::GlDepr>()) {}

  void begin(reportframe::Report& report) override {
    const data::EqHeader& eq = ctx_.rec<data::EqHeader>();
    const std::string method = selectedMethodName(eq);
    report.setValue("LOC:SelectedMethod", method);
    report.setValue("LOC:MonthYear", std::string());
    switch (eq.DepreciationMethod) {
      case 1:
        makeBold(report, "SL", "GLDP:SLAmount", "GLDP:SLValue");
        break;
      case 2:
        makeBold(report, "SY", "GLDP:SYAmount", "GLDP:SYValue");
        break;
      case 3:
        makeBold(report, "DDB", "GLDP:DDBAmount", "GLDP:DDBValue");
        break;
      case 4:
        makeBold(report, "UD1", "GLDP:UD1Amount", "GLDP:UD1Value");
        break;
      default:
        break;
    }

    std::vector<std::string>& rx = ctx_.g.RXQUEUE;
    rx.push_back("Asset ID:\t" + eq.EquipmentID.str() + " " + eq.Description.str());
    rx.push_back("Purchase Date: " + trimLeft(formatPicture("@d2b", eq.PurchaseDate)) + "\t\t\t" +
                 "Months to Depreciate: " + std::to_string(eq.DepreciationYears) + "\t\t\t" +
                 "Depreciation Method: " + method);
    rx.push_back("Purchase Value: " + amount(eq.PurchaseValue) + "\t\t\t" +
                 "Salvage Value: " + amount(eq.SalvageValue));
    rx.push_back("");
    rx.push_back("Depreciation Schedule:");
    rx.push_back(
        "\tStraight Line\t\tSum of Years' Digits\t\tDouble Declining Balance\t\tCustom\t\t"
        "Actual\tFiscal");
    rx.push_back(
        "Month/Year\tAmount\tValue\tAmount\tValue\tAmount\tValue\tAmount\tValue\tAmount\t"
        "Period\tRecord #");

    // The months are counted first for the percentage: a schedule has a few hundred at most.
    const data::KeyDef& key = *data::GlDepr::def().key("KeyEquipmentID");
    rows_.setRange(key, {eq.EquipmentID.str()});
    total_ = 0;
    for (int rc; (rc = rows_.next()) != data::kRecordNotFound; ++total_)
      if (rc != data::kNoError) throw data::StoreError(rc, rows_.lastErrorText());
    rows_.setRange(key, {eq.EquipmentID.str()});
  }

  bool next(reportframe::Report& report) override {
    const int rc = rows_.next();
    if (rc == data::kRecordNotFound) return false;
    if (rc != data::kNoError) throw data::StoreError(rc, rows_.lastErrorText());
    const data::GlDepr& r = rows_.rec();
    report.setValue("LOC:MonthYear", monthYear(r.Date));
    report.print("detail");
    ctx_.g.RXQUEUE.push_back(trimLeft(formatPicture("@d2", r.Date)) + "\t" + amount(r.SLAmount) +
                             "\t" + amount(r.SLValue) + "\t" + amount(r.SYAmount) + "\t" +
                             amount(r.SYValue) + "\t" + amount(r.DDBAmount) + "\t" +
                             amount(r.DDBValue) + "\t" + amount(r.UD1Amount) + "\t" +
                             amount(r.UD1Value) + "\t" + amount(r.ActualAmount) + "\t" +
                             r.FPPostedLabel.str() + "\t" + std::to_string(r.GLTransID));
    return true;
  }

  std::int64_t total() const override { return total_; }
  // The months of this equipment, not every schedule row of the company.
  std::optional<std::int64_t> selected() const override { return total_; }

 private:
  frame::Context& ctx_;
  data::Access<data::GlDepr>& rows_;
  std::int64_t total_ = 0;
};

}  // namespace

std::unique_ptr<reportframe::ReportBody> printFixedAssetsBody(frame::Context& ctx) {
  return std::make_unique<PrintFixedAssetsBody>(ctx);
}

}  // namespace koreq::depreciation
