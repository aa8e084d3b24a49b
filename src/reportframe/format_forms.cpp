// Each report's format form: what it limits beyond the shared groups of FormatForm.

#include "data/access.h"
#include "reportframe/format_windows.h"
#include "ui/model/desktop.h"
#include "windows/BROWSEGLFISCAL.h"
#include "windows/EQLimits_Category.h"
#include "windows/UpdateEQAnalysisLimits.h"
#include "windows/UpdateEQCategoryListLimits.h"
#include "windows/UpdateEQDetailLimits.h"
#include "windows/UpdateEQListingLimits.h"
#include "windows/UpdateEQProofLimits.h"

namespace koreq::reportframe {

namespace category = windows::EQLimits_Category;
namespace analysis = windows::UpdateEQAnalysisLimits;
namespace detail = windows::UpdateEQDetailLimits;
namespace listing = windows::UpdateEQListingLimits;
namespace categoryList = windows::UpdateEQCategoryListLimits;
namespace proof = windows::UpdateEQProofLimits;

namespace {

constexpr const char* kCategoryControls[] = {
    category::EQLM_SelectedCategory,  category::CATFROMPROMPT,
    category::EQLM_CategoryFrom,      category::LOOKUPCATFROM,
    category::LOC_CatFromDescription, category::CATTOPROMPT,
    category::EQLM_CategoryTo,        category::LOOKUPCATTO,
    category::LOC_CatToDescription};

// ---- UpdateEQAnalysisLimits ---------------------------------------------------------------------

class AnalysisForm final : public FormatForm {
 public:
  AnalysisForm(frame::Context& ctx, equipment::AutoEntry& autoEntry)
      : FormatForm(ctx, formatKind(FormatReport::Analysis), &autoEntry) {
    bindLocal("LOC:QuantityHint", quantityHint_);
  }

  void init() override {
    fillPeriods();
    FormatForm::init();
  }

 protected:
  void showOwnLimits() override {
    const data::EqLimits& f = format();
    // Categories limit only the usage and cost analysis; the range is kept for it.
    if (f.ReportType != "A")
      for (const char* c : kCategoryControls) enableControls({c}, false);
    else
      enableControls({analysis::EQLM_SelectedCategory}, true);
    const int dates = f.SelectedDates;
    showControls({analysis::EQLM_SkipEquipment}, dates == 1);
    showControls({analysis::DATERANGE}, dates == 1 && f.SkipEquipment == 0);
    showControls({analysis::FLOATRANGE}, dates == 1 && f.SkipEquipment == 1);
    showControls({analysis::ASOFGROUP}, dates == 2);
    quantityHint_ = f.QuantityAnalysis == "U" ? "(e.g. 17.5 MILES/GAL)" : "(e.g. $3.50/GAL)";
  }

  bool ownAccepted(ui::Control& c) override {
    if (!c.is(analysis::EQLM_ReportType) && !c.is(analysis::EQLM_SelectedDates) &&
        !c.is(analysis::EQLM_SkipEquipment) && !c.is(analysis::EQLM_QuantityAnalysis))
      return false;
    // "As of ..." always names a period: the newest until the user picks another, so a format
    // is never kept as of period 0, which no report could run.
    if (c.is(analysis::EQLM_SelectedDates) && format().SelectedDates == 2 &&
        format().FPTo.toLong() == 0 && newestPeriod_ != 0)
      format().FPTo = Decimal(std::int64_t{newestPeriod_});
    showLimits();
    display();
    return true;
  }

 private:
  // The periods newest first, shown by their descriptions.
  void fillPeriods() {
    std::vector<ui::ItemDef> items;
    data::Access<data::GlFiscal> periods(ctx().store(), ctx().errors());
    periods.set(*periods.def().key("KeyFiscalPeriodDown"));
    while (periods.next() == data::kNoError) {
      if (items.empty()) newestPeriod_ = periods.rec().FiscalPeriod;
      items.push_back({periods.rec().Description.str(),
                       data::Value(Decimal(std::int64_t{periods.rec().FiscalPeriod}))});
    }
    control(analysis::EQLM_FPTo).setItems(std::move(items));
  }

  Str<30> quantityHint_;
  std::int64_t newestPeriod_ = 0;
};

// ---- UpdateEQDetailLimits -----------------------------------------------------------------------

constexpr const char* kDetailHelp[] = {
    "html/EC_Detail_Reports.htm#ec_insert_or_change_a_equipment_detail_report",
    "html/EC_Detail_Reports.htm#ec_dr_gl_limits"};

class DetailForm final : public FormatForm {
 public:
  DetailForm(frame::Context& ctx, equipment::AutoEntry& autoEntry)
      : FormatForm(ctx, formatKind(FormatReport::Detail), &autoEntry) {
    bindLocal("LOC:FPFromDescription", fpFromDescription_);
    bindLocal("LOC:FPToDescription", fpToDescription_);
  }

  void newSelection(ui::Control& c) override {
    if (c.is(detail::SHEET)) {
      const auto tab = whole(c.value());
      if (tab >= 1 && tab <= 2) window().setHelpTopic(kDetailHelp[tab - 1]);
    }
  }

 protected:
  void showOwnLimits() override {
    const data::EqLimits& f = format();
    enableControls({detail::JOURNALFROMPROMPT, detail::EQLM_JournalFrom, detail::JOURNALTOPROMPT,
                    detail::EQLM_JournalTo, detail::JOURNALTYPEPROMPT, detail::EQLM_JournalType},
                   f.SelectedJournals == 1);
    enableControls({detail::DATEFROMPROMPT, detail::EQLM_DateFrom, detail::CALFROM,
                    detail::DATETOPROMPT, detail::EQLM_DateTo, detail::CALTO},
                   f.SelectedDates == 1);
    enableControls({detail::FPFROMPROMPT, detail::EQLM_FPFrom, detail::LOOKUPFPFROM,
                    detail::LOC_FPFromDescription, detail::FPTOPROMPT, detail::EQLM_FPTo,
                    detail::LOOKUPFPTO, detail::LOC_FPToDescription},
                   f.SelectedFP == 1);
  }

  void describeOwn() override {
    fpFromDescription_ = period(format().FPFrom);
    fpToDescription_ = period(format().FPTo);
  }

  bool ownAccepted(ui::Control& c) override {
    if (c.is(detail::EQLM_SelectedJournals) || c.is(detail::EQLM_SelectedDates) ||
        c.is(detail::EQLM_SelectedFP)) {
      showLimits();
    } else if (c.is(detail::EQLM_FPFrom) || c.is(detail::EQLM_FPTo)) {
      describeOwn();
      display();
    } else if (c.is(detail::LOOKUPFPFROM) || c.is(detail::LOOKUPFPTO)) {
      lookupPeriod(c.is(detail::LOOKUPFPFROM));
    } else {
      return false;
    }
    return true;
  }

 private:
  static std::int64_t whole(const data::Value& v) {
    if (auto n = std::get_if<std::int64_t>(&v)) return *n;
    if (auto d = std::get_if<Decimal>(&v)) return d->toLong();
    return 0;
  }

  // The period's description and status; blank when there is no such period.
  std::string period(const Decimal& number) {
    const std::int64_t n = number.toLong();
    if (n <= 0 || n > 65535) return {};
    data::Access<data::GlFiscal> periods(ctx().store(), ctx().errors());
    if (periods.fetch("KeyFiscalPeriodUp", {data::Value(n)}) != data::kNoError) return {};
    return periodDescription(periods.rec().Description.str(), periods.rec().Status.str());
  }

  void lookupPeriod(bool from) {
    const char* entry = from ? detail::EQLM_FPFrom : detail::EQLM_FPTo;
    data::Access<data::GlFiscal>& periods =
        static_cast<data::Access<data::GlFiscal>&>(ctx().file(data::GlFiscal::def()));
    periods.rec().FiscalPeriod =
        static_cast<std::uint16_t>((from ? format().FPFrom : format().FPTo).toLong());
    call(windows::BROWSEGLFISCAL::kName, ui::Request::Select, [this, from, entry](ui::Response r) {
      if (r != ui::Response::Completed) return;
      const Decimal chosen(std::int64_t{ctx().rec<data::GlFiscal>().FiscalPeriod});
      (from ? format().FPFrom : format().FPTo) = chosen;
      display();
      post(ui::EventKind::Accepted, &control(entry));
    });
  }

  Str<30> fpFromDescription_, fpToDescription_;
};

// ---- UpdateEQListingLimits ----------------------------------------------------------------------

class ListingForm final : public FormatForm {
 public:
  ListingForm(frame::Context& ctx, equipment::AutoEntry& autoEntry)
      : FormatForm(ctx, formatKind(FormatReport::Listing), &autoEntry) {
    bindLocal("LOC:FormatHint", formatHint_);
  }

 protected:
  void showOwnLimits() override {
    const std::string& f = format().ReportFormat.str();
    formatHint_ = f == "S"   ? "Equipment ID, Cost Categories, Descriptions"
                  : f == "C" ? "All information for each Equipment ID"
                  : f == "D" ? "Single Page Summary of each Equipment ID"
                             : "Equipment ID Master Listing";
  }

  bool ownAccepted(ui::Control& c) override {
    if (!c.is(listing::EQLM_ReportFormat)) return false;
    showLimits();
    display();
    return true;
  }

 private:
  Str<50> formatHint_;
};

// ---- UpdateEQCategoryListLimits -----------------------------------------------------------------

class CategoryListForm final : public FormatForm {
 public:
  CategoryListForm(frame::Context& ctx, equipment::AutoEntry& autoEntry)
      : FormatForm(ctx, formatKind(FormatReport::CategoryList), &autoEntry) {
    bindLocal("LOC:DetailHint", detailHint_);
  }

 protected:
  void showOwnLimits() override {
    detailHint_ = format().DetailSummary == "D" ? "Prints all data associated with each code"
                                                : "Prints the Code and its Description";
  }

  bool ownAccepted(ui::Control& c) override {
    if (!c.is(categoryList::EQLM_DetailSummary)) return false;
    showLimits();
    display();
    return true;
  }

 private:
  Str<50> detailHint_;
};

// ---- UpdateEQProofLimits ------------------------------------------------------------------------

class ProofForm final : public FormatForm {
 public:
  explicit ProofForm(frame::Context& ctx)
      : FormatForm(ctx, formatKind(FormatReport::ProofListing), nullptr) {}

 protected:
  void showOwnLimits() override {
    enableControls({proof::DATEFROMPROMPT, proof::EQLM_DateFrom, proof::CALFROM,
                    proof::DATETOPROMPT, proof::EQLM_DateTo, proof::CALTO},
                   format().SelectedDates == 1);
  }

  bool ownAccepted(ui::Control& c) override {
    if (!c.is(proof::EQLM_SelectedDates)) return false;
    showLimits();
    return true;
  }
};

}  // namespace

void registerReportFormats(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared) {
  for (FormatReport r : {FormatReport::Analysis, FormatReport::Detail, FormatReport::Listing,
                         FormatReport::CategoryList, FormatReport::ProofListing}) {
    const FormatKind& kind = formatKind(r);
    ui::registerWindow(registry, kind.browse, [&kind](frame::Context& ctx) {
      return std::make_unique<FormatBrowse>(ctx, kind);
    });
  }
  equipment::AutoEntry& autoEntry = shared.autoEntry;
  ui::registerWindow(registry, analysis::kName, [&autoEntry](frame::Context& ctx) {
    return std::make_unique<AnalysisForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, detail::kName, [&autoEntry](frame::Context& ctx) {
    return std::make_unique<DetailForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, listing::kName, [&autoEntry](frame::Context& ctx) {
    return std::make_unique<ListingForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, categoryList::kName, [&autoEntry](frame::Context& ctx) {
    return std::make_unique<CategoryListForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, proof::kName,
                     [](frame::Context& ctx) { return std::make_unique<ProofForm>(ctx); });
}

}  // namespace koreq::reportframe
