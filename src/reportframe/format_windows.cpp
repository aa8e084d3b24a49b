#include "reportframe/format_windows.h"

#include "data/access.h"
#include "data/records.h"
#include "equipment/categories.h"
#include "suite/droplist.h"
#include "suite/limit_list.h"
#include "ui/model/desktop.h"
#include "windows/BROWSELIMLISTUD.h"
#include "windows/BrowseEQAnalysisLimits.h"
#include "windows/BrowseEQCode.h"
#include "windows/BrowseEQHeader.h"
#include "windows/EQLimits_Category.h"
#include "windows/EQLimits_Classes.h"
#include "windows/EQLimits_Equipment.h"
#include "windows/EQLimits_Title.h"
#include "windows/UpdateEQDetailLimits.h"

namespace koreq::reportframe {

namespace equip = windows::EQLimits_Equipment;
namespace category = windows::EQLimits_Category;
namespace title = windows::EQLimits_Title;
namespace classes = windows::EQLimits_Classes;
namespace browse = windows::BrowseEQAnalysisLimits;
namespace detail = windows::UpdateEQDetailLimits;

namespace {

constexpr const char* kNoFormat =
    "This report cannot be printed without first creating a 'Report Format' with the desired "
    "report limits.  Press the Insert button to create a report format.";
constexpr const char* kPrintMenu =
    "[preview.ico]&Preview the Report to Screen|[print.ico]Print Report Directly to Default "
    "Printer|[cross.ico]Cancel";
constexpr const char* kTitleField = "ReportTitle";
constexpr const char* kClassList = "EQH Class Code";

const equipment::CodeLookup kEquipmentFrom{
    equip::EQLM_EquipmentFrom, "EQLM:EquipmentFrom", &data::EqHeader::def,
    "EQH:KeyEquipmentID",      "EQH:EquipmentID",    windows::BrowseEQHeader::kName};
const equipment::CodeLookup kEquipmentTo{equip::EQLM_EquipmentTo, "EQLM:EquipmentTo",
                                         &data::EqHeader::def,    "EQH:KeyEquipmentID",
                                         "EQH:EquipmentID",       windows::BrowseEQHeader::kName};
const equipment::CodeLookup kCategoryFrom{
    category::EQLM_CategoryFrom, "EQLM:CategoryFrom", &data::EqCode::def,
    "EQD:KeyCategoryID",         "EQD:CategoryID",    windows::BrowseEQCode::kName};
const equipment::CodeLookup kCategoryTo{category::EQLM_CategoryTo, "EQLM:CategoryTo",
                                        &data::EqCode::def,        "EQD:KeyCategoryID",
                                        "EQD:CategoryID",          windows::BrowseEQCode::kName};

// The entries that complete from the values typed before.
constexpr const char* kCompleted[] = {title::EQLM_ReportTitle,   equip::EQLM_EquipmentFrom,
                                      equip::EQLM_EquipmentTo,   category::EQLM_CategoryFrom,
                                      category::EQLM_CategoryTo, classes::EQLM_ClassFrom,
                                      classes::EQLM_ClassTo};

bool userOnFile(frame::Context& ctx, const std::string& id) {
  data::Access<data::UserFile> users(ctx.store(), ctx.errors());
  return users.fetch("USR:KeyUserID", {id}) == data::kNoError;
}

bool hasUdLimits(frame::Context& ctx, std::uint32_t limitId) {
  return !suite::limitRows(ctx, kLimitTag, limitId, kUdFileName).empty();
}

}  // namespace

// ---- The format lists ---------------------------------------------------------------------------

FormatBrowse::FormatBrowse(frame::Context& ctx, const FormatKind& kind)
    : ui::BrowseProcedure(ctx, kind.browse, data::EqLimits::def()), kind_(kind) {}

void FormatBrowse::init() {
  // A list with a locator is in title order, so the locator finds titles: within one report
  // that is the report key's order too, whose first field (the report) would locate nothing.
  const bool byTitle = findControl(browse::LOCATOR) != nullptr;
  setSortOrder(*file().def().key(byTitle ? "KeyReportTitle" : "KeyReport"));
  if (!byTitle) setRange({std::string(kind_.value)});
  setFilter(std::string("(EQLM:Report='") + kind_.value + "')");
  if (byTitle) setLocator(browse::LOCATOR);
  setFormProcedure(kind_.form);
  // A caller that wants one format printed (a favourite) names it: the list shows only it.
  if (const std::int64_t only = ctx().g.GLOBALREPORTLIMIT; only != 0) {
    for (const char* c : {browse::INSERT, browse::DELETE, browse::FAVORITE})
      if (ui::Control* b = findControl(c)) b->hide();
    setFilter("(EQLM:LimitID=" + std::to_string(only) + ")");
  }
  if (!*kind_.favourite)
    if (ui::Control* b = findControl(browse::FAVORITE)) b->hide();
}

void FormatBrowse::afterEvent() {
  ui::BrowseProcedure::afterEvent();
  // After every event: a form may have changed the format's report style.
  updatePrint();
}

std::string FormatBrowse::printTarget() {
  const auto& registry = desktop().registry();
  if (!registry.has(kind_.print)) return {};
  if (list().rowCount() == 0) return kind_.print;  // Print says there is nothing to print
  // Read apart: the buffer is shared with the form this list may have open.
  const std::int64_t row = list().current();
  if (row < 0) return {};
  data::Access<data::EqLimits> format(ctx().store(), ctx().errors());
  format.setPosition(list().rowId(row));
  if (format.reget() != data::kNoError) return {};
  const std::string report = frame::reportFor(kind_.print, format.rec());
  return !report.empty() && registry.has(report) ? report : std::string();
}

void FormatBrowse::updatePrint() {
  ui::Control& print = control(browse::PRINT);
  const bool usable = !printTarget().empty();
  print.setEnabled(usable);
  print.setTip(usable ? control(browse::PRINT).def().tip
                      : "This report is not available yet: formats can be kept, not printed");
}

void FormatBrowse::accepted(ui::Control& c) {
  if (c.is(browse::COPY))
    duplicate();
  else if (c.is(browse::PRINT))
    print();
  else if (c.is(browse::FAVORITE))
    favourite();
}

void FormatBrowse::alertKey(ui::Control& c, ui::Key key) {
  if (!c.is(browse::PRINT) || key != ui::Key::RightClick) return;
  cycle();
  const int chosen = port().popupMenu(kPrintMenu);
  if (chosen == 2) ctx().session().g.PrintPreview = 0;
  if (chosen == 1 || chosen == 2) print();
}

void FormatBrowse::ask(ui::Request request) {
  if (request == ui::Request::Delete && deleteRefused()) return;
  ui::BrowseProcedure::ask(request);
}

bool FormatBrowse::deleteRefused() {
  if (!loadCurrent()) return false;
  const std::string owner = lockingOwner(ctx().rec<data::EqLimits>(), ctx().userId());
  // A format whose owner has left the company may be deleted by anyone.
  if (owner.empty() || !userOnFile(ctx(), owner)) return false;
  message(lockedMessage(owner), "Report Cannot Be Deleted", ui::Icon::Information);
  return true;
}

void FormatBrowse::duplicate() {
  if (!loadCurrent()) return;
  if (duplicateFormat(ctx())) refresh();
}

void FormatBrowse::favourite() {
  if (!loadCurrent()) return;
  switch (addFavourite(ctx(), kind_)) {
    case FavouriteResult::AlreadyAdded:
      port().beep();
      message("This report has already been added to your Favorite Report list",
              "Report Already Added", ui::Icon::Information);
      break;
    case FavouriteResult::Added:
      message("This report has now been added to your Favorite Report list", "Report Added",
              ui::Icon::Information);
      break;
    case FavouriteResult::Failed:
      break;  // reported as " Autoincrementing MemLimit" or " Inserting MemLimit"
  }
}

void FormatBrowse::print() {
  // "Print Report Directly to Default Printer" is for this one print: however it ends, even
  // without printing, the next report of any window is previewed again.
  auto previewAgain = [this] {
    auto& g = ctx().session().g;
    if (g.PrintPreview == 0) g.PrintPreview = 1;
  };
  if (list().rowCount() == 0 || !loadCurrent()) {
    previewAgain();
    port().beep();
    message(kNoFormat, "No Report Format Selected", ui::Icon::Exclamation);
    return;
  }
  if (!numberFormat(ctx()) || printTarget().empty()) {
    previewAgain();  // a numbering failure was reported through the error object
    return;
  }
  data::EqLimits& f = ctx().rec<data::EqLimits>();
  resolveFloatingRange(f, ctx().today());
  ctx().g.REPORTFILTER = std::to_string(f.LimitID);
  call(kind_.print, [previewAgain](ui::Response) { previewAgain(); });
}

// ---- The format forms ---------------------------------------------------------------------------

FormatForm::FormatForm(frame::Context& ctx, const FormatKind& kind, equipment::AutoEntry* autoEntry)
    : ui::FormProcedure(ctx, kind.form, data::EqLimits::def()), kind_(kind), autoEntry_(autoEntry) {
  bindLocal("LOC:FromDescription", fromDescription_);
  bindLocal("LOC:ToDescription", toDescription_);
  bindLocal("LOC:CatFromDescription", catFromDescription_);
  bindLocal("LOC:CatToDescription", catToDescription_);
}

void FormatForm::enableControls(std::initializer_list<const char*> names, bool on) {
  for (const char* n : names)
    if (ui::Control* c = findControl(n)) c->setEnabled(on);
}

void FormatForm::showControls(std::initializer_list<const char*> names, bool on) {
  for (const char* n : names)
    if (ui::Control* c = findControl(n)) c->setVisible(on);
}

void FormatForm::init() {
  data::EqLimits& f = format();
  if (request() == ui::Request::Insert) primeFormat(f, kind_.report, ctx().userId());
  openFormat(f, kind_.report, ctx().userId());
  setTitleByRequest(std::string(kind_.insertTitle) + "  (New)",
                    std::string(kind_.changeTitle) + "  (" + clipped(f.ReportTitle.str()) + ")",
                    "View Record");
  titleCase_ = equipment::applyCaseMode(ctx(), control(title::EQLM_ReportTitle), kTitleField);
  if (autoEntry_)
    for (const char* c : kCompleted)
      if (findControl(c)) autoEntry_->registerControl(name(), c);
  fillUsers();
  fillClasses();
  describe();
  showLimits();
  // Another user's locked format can be looked at, not changed.
  if (!lockingOwner(f, ctx().userId()).empty()) lockAgainstUser();
}

void FormatForm::lockAgainstUser() {
  locked_ = true;
  // Every group of limits and every control that takes input, but not the tabs, so the whole
  // format can still be read.
  for (ui::Control* c : window().controls()) {
    const ui::ControlKind k = c->kind();
    if (k == ui::ControlKind::Sheet || k == ui::ControlKind::Tab) continue;
    if (c->is(detail::OK) || c->is(detail::CANCEL) || c->is(detail::HELP)) continue;
    if (k == ui::ControlKind::Group || c->takesFocus()) c->disable();
  }
}

void FormatForm::fillUsers() {
  ui::Control* list = findControl(title::EQLM_UserID);
  if (!list) return;
  std::vector<ui::ItemDef> items;
  data::Access<data::UserFile> users(ctx().store(), ctx().errors());
  users.set(*users.def().key("KeyUserID"));
  bool owner = false;
  while (users.next() == data::kNoError) {
    const std::string id = users.rec().UserID.str();
    owner = owner || id == format().UserID.str();
    items.push_back({id, data::Value(id)});
  }
  // An owner who has left the company still shows as the owner.
  if (!owner && !format().UserID.empty())
    items.insert(items.begin(), {format().UserID.str(), data::Value(format().UserID.str())});
  list->setItems(std::move(items));
}

void FormatForm::fillClasses() {
  std::vector<ui::ItemDef> items;
  for (const std::string& v : suite::dropListValues(ctx(), kClassList))
    items.push_back({v, data::Value(v)});
  for (const char* c : {classes::EQLM_ClassFrom, classes::EQLM_ClassTo})
    if (ui::Control* combo = findControl(c)) combo->setItems(items);
}

void FormatForm::describe() {
  const data::EqLimits& f = format();
  data::Access<data::EqHeader> equipment(ctx().store(), ctx().errors());
  auto equipmentText = [&](const std::string& id) {
    if (id.empty() || equipment.fetch("EQH:KeyEquipmentID", {id}) != data::kNoError)
      return std::string();
    return cutToChars(equipment.rec().Description.str(), 30);
  };
  fromDescription_ = equipmentText(f.EquipmentFrom.str());
  toDescription_ = equipmentText(f.EquipmentTo.str());
  data::Access<data::EqCode> codes(ctx().store(), ctx().errors());
  auto categoryText = [&](const std::string& id) {
    if (id.empty() || codes.fetch("EQD:KeyCategoryID", {id}) != data::kNoError)
      return std::string();
    return codes.rec().Description.str();
  };
  catFromDescription_ = categoryText(f.CategoryFrom.str());
  catToDescription_ = categoryText(f.CategoryTo.str());
  describeOwn();
}

void FormatForm::showLimits() {
  const data::EqLimits& f = format();
  enableControls({equip::EQUIPFROMPROMPT, equip::EQLM_EquipmentFrom, equip::LOOKUPFROM,
                  equip::LOC_FromDescription, equip::EQUIPTOPROMPT, equip::EQLM_EquipmentTo,
                  equip::LOOKUPTO, equip::LOC_ToDescription},
                 f.SelectedEquipment == 1);
  enableControls({category::CATFROMPROMPT, category::EQLM_CategoryFrom, category::LOOKUPCATFROM,
                  category::LOC_CatFromDescription, category::CATTOPROMPT,
                  category::EQLM_CategoryTo, category::LOOKUPCATTO, category::LOC_CatToDescription},
                 f.SelectedCategory == 1);
  enableControls({classes::CLASSFROMPROMPT, classes::EQLM_ClassFrom, classes::CLASSTOPROMPT,
                  classes::EQLM_ClassTo},
                 f.SelectedClass == 1);
  showOwnLimits();
  if (locked_) lockAgainstUser();
}

void FormatForm::codeAccepted(ui::Control& c, bool lookup) {
  const bool equipment = c.is(equip::EQLM_EquipmentFrom) || c.is(equip::LOOKUPFROM) ||
                         c.is(equip::EQLM_EquipmentTo) || c.is(equip::LOOKUPTO);
  const bool from = c.is(equip::EQLM_EquipmentFrom) || c.is(equip::LOOKUPFROM) ||
                    c.is(category::EQLM_CategoryFrom) || c.is(category::LOOKUPCATFROM);
  const equipment::CodeLookup& l =
      equipment ? (from ? kEquipmentFrom : kEquipmentTo) : (from ? kCategoryFrom : kCategoryTo);
  auto chosen = [this] {
    describe();
    display();
  };
  if (lookup)
    equipment::lookupCode(*this, l, false, chosen);
  else
    equipment::validateCode(*this, l, c, chosen);
  describe();
}

void FormatForm::accepted(ui::Control& c) {
  if (ownAccepted(c)) return;
  if (c.is(equip::EQLM_SelectedEquipment) || c.is(category::EQLM_SelectedCategory) ||
      c.is(classes::EQLM_SelectedClass)) {
    showLimits();
  } else if (c.is(equip::EQLM_EquipmentFrom) || c.is(equip::EQLM_EquipmentTo) ||
             c.is(category::EQLM_CategoryFrom) || c.is(category::EQLM_CategoryTo)) {
    if (!acceptingAll()) codeAccepted(c, false);
  } else if (c.is(equip::LOOKUPFROM) || c.is(equip::LOOKUPTO) || c.is(category::LOOKUPCATFROM) ||
             c.is(category::LOOKUPCATTO)) {
    codeAccepted(c, true);
  } else if (c.is(equip::USERDEFINED)) {
    userDefined();
  } else if (c.is(detail::LOADDEFAULTS)) {
    askLoadDefaults();
  }
}

void FormatForm::selected(ui::Control& c) {
  if (ownSelected(c)) return;
  data::EqLimits& f = format();
  if (c.is(equip::EQLM_EquipmentTo) && f.EquipmentTo.empty()) {
    f.EquipmentTo = f.EquipmentFrom.str();
    toDescription_ = fromDescription_.str();
    display();
  } else if (c.is(category::EQLM_CategoryTo) && f.CategoryTo.empty()) {
    f.CategoryTo = f.CategoryFrom.str();
    catToDescription_ = catFromDescription_.str();
    display();
  } else if (c.is(classes::EQLM_ClassTo) && f.ClassTo.empty()) {
    f.ClassTo = f.ClassFrom.str();
    ctx().g.REPORTFILTER = kClassList;
    display();
  } else if (c.is(classes::EQLM_ClassFrom) || c.is(classes::EQLM_ClassTo)) {
    ctx().g.REPORTFILTER = kClassList;
  } else if (c.is(detail::EQLM_DateTo) && f.DateTo.isEmpty()) {
    f.DateTo = f.DateFrom;
    display();
  }
}

void FormatForm::alertKey(ui::Control& c, ui::Key key) {
  if (key == ui::Key::CtrlClick && c.is(title::EQLM_ReportTitle) && !c.readonly() && c.enabled())
    titleCase_ = equipment::chooseCaseMode(*this, c, kTitleField, titleCase_);
}

void FormatForm::userDefined() {
  ctx().g.KORFIELD = kLimitTag;
  ctx().g.DECIMALVARIABLE = Decimal(std::int64_t{format().LimitID});
  ctx().g.REPORTFILTER = kUdFileName;
  call(windows::BROWSELIMLISTUD::kName, ui::Request::None, [this](ui::Response r) {
    // Limits added after "Load Defaults" are the ones wanted now.
    if (r == ui::Response::Completed) dropUdLimits_ = false;
  });
}

void FormatForm::askLoadDefaults() {
  if (message("Are you sure you want to replace the displayed|limits with default limits?",
              "Confirm Loading Default Limits", ui::Icon::Question, "&Yes|&No") != 1)
    return;
  loadDefaults(format(), kind_.report, ctx().userId());
  // The limit rows go when the format is saved, so Cancel keeps them.
  if (kind_.udLimits) dropUdLimits_ = true;
  describe();
  showLimits();
  display();
}

bool FormatForm::save() {
  // Another user's locked format: OK only closes. (Its delete was allowed by the list: the
  // owner is no longer on file.)
  if (locked_ && request() != ui::Request::Delete) return true;
  const std::uint32_t number = format().LimitID;
  if (request() == ui::Request::Delete)
    return saveTogether(
        [&] { return ui::FormProcedure::save() && deleteFormatCompanions(ctx(), number); },
        "Deleting");
  format().ModifyDate = ctx().today();
  if (!dropUdLimits_) return ui::FormProcedure::save();
  return saveTogether([&] { return ui::FormProcedure::save() && deleteUdLimits(ctx(), number); },
                      "Saving");
}

void FormatForm::kill() {
  // Limits given to a new format that was then cancelled belong to nothing.
  if (request() != ui::Request::Insert || response() == ui::Response::Completed) return;
  const std::uint32_t number = format().LimitID;
  if (number == 0 || !hasUdLimits(ctx(), number)) return;
  data::allOrNothing(ctx().store(), [&](std::string*) { return deleteUdLimits(ctx(), number); });
}

}  // namespace koreq::reportframe
