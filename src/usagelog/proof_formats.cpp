#include "usagelog/proof_formats.h"

#include "data/access.h"
#include "data/records.h"
#include "equipment/categories.h"
#include "ui/model/desktop.h"

namespace koreq::usagelog {

namespace {

constexpr const char* kNoFormat =
    "This report cannot be printed without first creating a 'Report Format' with the desired "
    "report limits.  Press the Insert button to create a report format.";
constexpr const char* kPrintMenu =
    "&Preview the Report to Screen|Print Report Directly to Default Printer|Cancel";
constexpr const char* kTitleField = "ReportTitle";

const equipment::CodeLookup kFromLookup{"?EQLM:EquipmentFrom", "EQLM:EquipmentFrom",
                                        &data::EqHeader::def,  "EQH:KeyEquipmentID",
                                        "EQH:EquipmentID",     "BrowseEQHeader"};
const equipment::CodeLookup kToLookup{"?EQLM:EquipmentTo",  "EQLM:EquipmentTo",
                                      &data::EqHeader::def, "EQH:KeyEquipmentID",
                                      "EQH:EquipmentID",    "BrowseEQHeader"};

constexpr const char* kDateControls[] = {"?DATEFROMPROMPT", "?EQLM:DateFrom", "?CALFROM",
                                         "?DATETOPROMPT",   "?EQLM:DateTo",   "?CALTO"};
constexpr const char* kEquipmentControls[] = {
    "?EQUIPFROMPROMPT", "?EQLM:EquipmentFrom", "?LOOKUPFROM", "?LOC:FromDescription",
    "?EQUIPTOPROMPT",   "?EQLM:EquipmentTo",   "?LOOKUPTO",   "?LOC:ToDescription"};

bool userOnFile(frame::Context& ctx, const std::string& id) {
  data::Access<data::UserFile> users(ctx.store(), ctx.errors());
  return users.fetch("USR:KeyUserID", {id}) == data::kNoError;
}

}  // namespace

// ---- BrowseEQProofLimits ------------------------------------------------------------------------

ProofFormatBrowse::ProofFormatBrowse(frame::Context& ctx)
    : ui::BrowseProcedure(ctx, "BrowseEQProofLimits", data::EqLimits::def()) {}

void ProofFormatBrowse::init() {
  setSortOrder(*file().def().key("KeyReport"));
  setRange({std::string(kProofReport)});
  setFormProcedure("UpdateEQProofLimits");
}

void ProofFormatBrowse::accepted(ui::Control& c) {
  if (c.is("?COPY"))
    duplicate();
  else if (c.is("?PRINT"))
    print();
}

void ProofFormatBrowse::alertKey(ui::Control& c, ui::Key key) {
  if (!c.is("?PRINT") || key != ui::Key::RightClick) return;
  cycle();
  const int chosen = port().popupMenu(kPrintMenu);
  if (chosen == 2) ctx().session().g.PrintPreview = 0;
  if (chosen == 1 || chosen == 2) print();
}

void ProofFormatBrowse::ask(ui::Request request) {
  if (request == ui::Request::Delete && deleteRefused()) return;
  ui::BrowseProcedure::ask(request);
}

bool ProofFormatBrowse::deleteRefused() {
  if (!loadCurrent()) return false;
  const data::EqLimits& f = ctx().rec<data::EqLimits>();
  const std::string owner = clipped(f.UserID.str());
  // A format whose owner has left the company may be deleted by anyone.
  if (f.Locked != 1 || owner.empty() || owner == ctx().userId() || !userOnFile(ctx(), owner))
    return false;
  message("This report is locked and can only be modified or deleted by user " + owner + ".",
          "Report Cannot Be Deleted", ui::Icon::Information);
  return true;
}

void ProofFormatBrowse::duplicate() {
  if (!loadCurrent()) return;
  data::FileAccess& f = file();
  const std::vector<data::Value> original = f.values();
  if (f.prime() != data::kNoError) return;  // reported as " Autoincrementing EQLimits"
  const data::Value number = f.get("EQLM:LimitID");
  f.assign(original);
  data::EqLimits& copy = ctx().rec<data::EqLimits>();
  f.put("EQLM:LimitID", number);
  copy.ReportTitle = cutToChars("Copy of " + clipped(copy.ReportTitle.str()), 40);
  copy.UserID = ctx().userId();
  copy.ModifyDate = ctx().today();
  copy.Locked = 0;
  if (f.insert() != data::kNoError) return;  // reported as " Inserting EQLimits"
  refresh();
}

void ProofFormatBrowse::print() {
  if (!loadCurrent()) {
    port().beep();
    message(kNoFormat, "No Report Format Selected", ui::Icon::Exclamation);
    return;
  }
  // Formats are numbered when they are made (a number is never 0 here), so the number is
  // handed on as it is.
  ctx().g.REPORTFILTER = std::to_string(ctx().rec<data::EqLimits>().LimitID);
  call("PrintEQLogBProof", [this](ui::Response) {
    auto& g = ctx().session().g;
    if (g.PrintPreview == 0) g.PrintPreview = 1;
  });
}

// ---- UpdateEQProofLimits ------------------------------------------------------------------------

ProofFormatForm::ProofFormatForm(frame::Context& ctx)
    : ui::FormProcedure(ctx, "UpdateEQProofLimits", data::EqLimits::def()) {
  bindLocal("LOC:FromDescription", fromDescription_);
  bindLocal("LOC:ToDescription", toDescription_);
}

void ProofFormatForm::init() {
  data::EqLimits& f = ctx().rec<data::EqLimits>();
  if (request() == ui::Request::Insert) f.Report = kProofReport;
  if (clipped(f.UserID.str()).empty()) f.UserID = ctx().userId();
  setTitleByRequest(
      "Adding an Equipment Log Proof Listing  (New)",
      "Changing an Equipment Log Proof Listing  (" + clipped(f.ReportTitle.str()) + ")",
      "View Record");
  titleCase_ = equipment::applyCaseMode(ctx(), control("?EQLM:ReportTitle"), kTitleField);
  showDescriptions();
  enableGroups();
  // Another user's locked format can be looked at, not changed.
  if (f.Locked == 1 && clipped(f.UserID.str()) != ctx().userId())
    for (const char* c : {"?EQLM:ReportTitle", "?DATEGROUP", "?EQUIPMENTGROUP"})
      control(c).disable();
}

void ProofFormatForm::enableGroups() {
  const data::EqLimits& f = ctx().rec<data::EqLimits>();
  for (const char* c : kDateControls) control(c).setEnabled(f.SelectedDates == 1);
  for (const char* c : kEquipmentControls) control(c).setEnabled(f.SelectedEquipment == 1);
}

void ProofFormatForm::showDescriptions() {
  const data::EqLimits& f = ctx().rec<data::EqLimits>();
  data::Access<data::EqHeader> equipment(ctx().store(), ctx().errors());
  auto describe = [&](const std::string& id) {
    if (id.empty() || equipment.fetch("EQH:KeyEquipmentID", {id}) != data::kNoError)
      return std::string();
    return cutToChars(equipment.rec().Description.str(), 30);
  };
  fromDescription_ = describe(clipped(f.EquipmentFrom.str()));
  toDescription_ = describe(clipped(f.EquipmentTo.str()));
}

void ProofFormatForm::equipmentAccepted(ui::Control& entry, bool lookup) {
  const bool from = entry.is("?EQLM:EquipmentFrom") || entry.is("?LOOKUPFROM");
  const equipment::CodeLookup& l = from ? kFromLookup : kToLookup;
  auto chosen = [this] {
    showDescriptions();
    display();
  };
  if (lookup)
    equipment::lookupCode(*this, l, false, chosen);
  else
    equipment::validateCode(*this, l, entry, chosen);
  showDescriptions();
}

void ProofFormatForm::accepted(ui::Control& c) {
  if (c.is("?EQLM:SelectedDates") || c.is("?EQLM:SelectedEquipment")) {
    enableGroups();
  } else if (c.is("?EQLM:EquipmentFrom") || c.is("?EQLM:EquipmentTo")) {
    if (!acceptingAll()) equipmentAccepted(c, false);
  } else if (c.is("?LOOKUPFROM") || c.is("?LOOKUPTO")) {
    equipmentAccepted(c, true);
  }
}

void ProofFormatForm::selected(ui::Control& c) {
  data::EqLimits& f = ctx().rec<data::EqLimits>();
  if (c.is("?EQLM:EquipmentTo") && clipped(f.EquipmentTo.str()).empty()) {
    f.EquipmentTo = f.EquipmentFrom.str();
    toDescription_ = fromDescription_.str();
    display();
  } else if (c.is("?EQLM:DateTo") && f.DateTo.isEmpty()) {
    f.DateTo = f.DateFrom;
    display();
  }
}

void ProofFormatForm::alertKey(ui::Control& c, ui::Key key) {
  if (key == ui::Key::CtrlClick && c.is("?EQLM:ReportTitle") && !c.readonly() && c.enabled())
    titleCase_ = equipment::chooseCaseMode(*this, c, kTitleField, titleCase_);
}

bool ProofFormatForm::save() {
  if (request() == ui::Request::Insert || request() == ui::Request::Change)
    ctx().rec<data::EqLimits>().ModifyDate = ctx().today();
  return ui::FormProcedure::save();
}

void registerProofFormats(frame::ProcedureRegistry& registry) {
  ui::registerWindow<ProofFormatBrowse>(registry, "BrowseEQProofLimits");
  ui::registerWindow<ProofFormatForm>(registry, "UpdateEQProofLimits");
}

}  // namespace koreq::usagelog
