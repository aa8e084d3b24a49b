// Each report's format form: what it limits beyond the shared groups of FormatForm.

#include "data/access.h"
#include "reportframe/format_windows.h"
#include "ui/model/desktop.h"

namespace koreq::reportframe {

namespace {

constexpr const char* kCategoryControls[] = {
    "?EQLM:SelectedCategory",  "?CATFROMPROMPT", "?EQLM:CategoryFrom", "?LOOKUPCATFROM",
    "?LOC:CatFromDescription", "?CATTOPROMPT",   "?EQLM:CategoryTo",   "?LOOKUPCATTO",
    "?LOC:CatToDescription"};

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
      enableControls({"?EQLM:SelectedCategory"}, true);
    const int dates = f.SelectedDates;
    showControls({"?EQLM:SkipEquipment"}, dates == 1);
    showControls({"?DATERANGE"}, dates == 1 && f.SkipEquipment == 0);
    showControls({"?FLOATRANGE"}, dates == 1 && f.SkipEquipment == 1);
    showControls({"?ASOFGROUP"}, dates == 2);
    quantityHint_ = f.QuantityAnalysis == "U" ? "(e.g. 17.5 MILES/GAL)" : "(e.g. $3.50/GAL)";
  }

  bool ownAccepted(ui::Control& c) override {
    if (!c.is("?EQLM:ReportType") && !c.is("?EQLM:SelectedDates") && !c.is("?EQLM:SkipEquipment") &&
        !c.is("?EQLM:QuantityAnalysis"))
      return false;
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
    while (periods.next() == data::kNoError)
      items.push_back({periods.rec().Description.str(),
                       data::Value(Decimal(std::int64_t{periods.rec().FiscalPeriod}))});
    control("?EQLM:FPTo").setItems(std::move(items));
  }

  Str<30> quantityHint_;
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
    if (c.is("?SHEET")) {
      const auto tab = whole(c.value());
      if (tab >= 1 && tab <= 2) window().setHelpTopic(kDetailHelp[tab - 1]);
    }
  }

 protected:
  void showOwnLimits() override {
    const data::EqLimits& f = format();
    enableControls({"?JOURNALFROMPROMPT", "?EQLM:JournalFrom", "?JOURNALTOPROMPT",
                    "?EQLM:JournalTo", "?JOURNALTYPEPROMPT", "?EQLM:JournalType"},
                   f.SelectedJournals == 1);
    enableControls({"?DATEFROMPROMPT", "?EQLM:DateFrom", "?CALFROM", "?DATETOPROMPT",
                    "?EQLM:DateTo", "?CALTO"},
                   f.SelectedDates == 1);
    enableControls({"?FPFROMPROMPT", "?EQLM:FPFrom", "?LOOKUPFPFROM", "?LOC:FPFromDescription",
                    "?FPTOPROMPT", "?EQLM:FPTo", "?LOOKUPFPTO", "?LOC:FPToDescription"},
                   f.SelectedFP == 1);
  }

  void describeOwn() override {
    fpFromDescription_ = period(format().FPFrom);
    fpToDescription_ = period(format().FPTo);
  }

  bool ownAccepted(ui::Control& c) override {
    if (c.is("?EQLM:SelectedJournals") || c.is("?EQLM:SelectedDates") || c.is("?EQLM:SelectedFP")) {
      showLimits();
    } else if (c.is("?EQLM:FPFrom") || c.is("?EQLM:FPTo")) {
      describeOwn();
      display();
    } else if (c.is("?LOOKUPFPFROM") || c.is("?LOOKUPFPTO")) {
      lookupPeriod(c.is("?LOOKUPFPFROM"));
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
    const char* entry = from ? "?EQLM:FPFrom" : "?EQLM:FPTo";
    data::Access<data::GlFiscal>& periods =
        static_cast<data::Access<data::GlFiscal>&>(ctx().file(data::GlFiscal::def()));
    periods.rec().FiscalPeriod =
        static_cast<std::uint16_t>((from ? format().FPFrom : format().FPTo).toLong());
    call("BROWSEGLFISCAL", ui::Request::Select, [this, from, entry](ui::Response r) {
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
    if (!c.is("?EQLM:ReportFormat")) return false;
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
    if (!c.is("?EQLM:DetailSummary")) return false;
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
    enableControls({"?DATEFROMPROMPT", "?EQLM:DateFrom", "?CALFROM", "?DATETOPROMPT",
                    "?EQLM:DateTo", "?CALTO"},
                   format().SelectedDates == 1);
  }

  bool ownAccepted(ui::Control& c) override {
    if (!c.is("?EQLM:SelectedDates")) return false;
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
  ui::registerWindow(registry, "UpdateEQAnalysisLimits", [&autoEntry](frame::Context& ctx) {
    return std::make_unique<AnalysisForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, "UpdateEQDetailLimits", [&autoEntry](frame::Context& ctx) {
    return std::make_unique<DetailForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, "UpdateEQListingLimits", [&autoEntry](frame::Context& ctx) {
    return std::make_unique<ListingForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, "UpdateEQCategoryListLimits", [&autoEntry](frame::Context& ctx) {
    return std::make_unique<CategoryListForm>(ctx, autoEntry);
  });
  ui::registerWindow(registry, "UpdateEQProofLimits",
                     [](frame::Context& ctx) { return std::make_unique<ProofForm>(ctx); });
}

}  // namespace koreq::reportframe
