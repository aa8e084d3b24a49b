#include "equipment/categories.h"

#include "data/records.h"
#include "equipment/engine/cost_rules.h"
#include "equipment/engine/equipment_records.h"
#include "suite/casemode.h"
#include "suite/ui/list_tools.h"
#include "suite/ui/training.h"
#include "ui/model/desktop.h"
#include "windows/BROWSEGLMASTER.h"
#include "windows/BrowseEQCode.h"
#include "windows/SearchEquipment.h"
#include "windows/UpdateEQCode.h"

namespace koreq::equipment {

namespace codeForm = windows::UpdateEQCode;
namespace codeList = windows::BrowseEQCode;

namespace {

constexpr const char* kDescriptionField = "EQD:Description";

constexpr CodeLookup kExpenseAccount = {codeForm::EQD_DefaultExpenseControl,
                                        "EQD:DefaultExpenseControl",
                                        &data::GlMaster::def,
                                        "KeyAccount",
                                        "GLM:Account",
                                        windows::BROWSEGLMASTER::kName};

const char* const kCaseMenuTexts[] = {"small text", "Capitalized Text", "ALL CAPS"};
constexpr CaseMode kCaseMenuModes[] = {CaseMode::Def, CaseMode::Cap, CaseMode::Upr};

}  // namespace

void showScheduleFields(ui::Procedure& p, const std::string& letter, const std::string& prefix) {
  const ScheduleType& t = scheduleByLetter(letter);
  for (const std::string& c :
       {std::string(codeForm::METERPROMPT), "?" + prefix + ":Meter", "?" + prefix + ":MeterName"})
    p.control(c).setVisible(t.meter);
  for (const std::string& c : {std::string(codeForm::INTERVALPROMPT), "?" + prefix + ":Interval",
                               "?" + prefix + ":IntervalName"})
    p.control(c).setVisible(t.interval);
}

// ---- Code entries checked against another file --------------------------------------------------

CaseMode applyCaseMode(frame::Context& ctx, ui::Control& entry, const std::string& field) {
  std::optional<CaseMode> stored = caseModeFromText(clipped(suite::GETCASE(ctx, "000" + field)));
  const CaseMode mode = stored ? *stored : entry.def().caseMode;
  entry.setCaseMode(mode);
  return mode;
}

CaseMode chooseCaseMode(ui::Procedure& window, ui::Control& entry, const std::string& field,
                        CaseMode current) {
  std::string items;
  for (int i = 0; i < 3; ++i) {
    if (i) items += "|";
    items += (kCaseMenuModes[i] == current ? "\u2022  " : "   ");
    items += kCaseMenuTexts[i];
  }
  const int chosen = window.port().popupMenu(items);
  if (chosen < 1 || chosen > 3) return current;
  const CaseMode mode = kCaseMenuModes[chosen - 1];
  if (mode == current) return current;
  entry.setCaseMode(mode);
  suite::GETCASE(window.ctx(), caseModeText(mode) + field);
  return mode;
}

bool pellhamCompany(const frame::Context& ctx) {
  return ctx.hasGlobal("GNAME") &&
         clipped(data::valueToText(ctx.global("GNAME"))) == "Pellham Accounting";
}

void validateCode(ui::FormProcedure& form, const CodeLookup& l, ui::Control& entry,
                  std::function<void()> chosen) {
  const std::string code = form.primary().text(l.field);
  if (code.empty() && !entry.required()) return;
  data::FileAccess& f = form.ctx().file(l.file());
  if (f.fetch(l.key, {data::Value(code)}) != data::kNoError) {
    lookupCode(form, l, true, std::move(chosen));
    return;
  }
  if (chosen) chosen();
}

void lookupCode(ui::FormProcedure& form, const CodeLookup& l, bool refocusOnCancel,
                std::function<void()> chosen) {
  // The list opens on the code typed, or the nearest one after it.
  form.ctx().file(l.file()).put(l.code, form.primary().get(l.field));
  form.call(l.procedure, ui::Request::Select,
            [&form, &l, refocusOnCancel, chosen = std::move(chosen)](ui::Response r) {
              if (r == ui::Response::Completed) {
                form.primary().put(l.field, form.ctx().file(l.file()).get(l.code));
                if (chosen) chosen();
                form.display();
              } else if (refocusOnCancel) {
                form.select(l.entry);
              }
            });
}

// ---- BrowseEQCode -----------------------------------------------------------------------------

CategoryBrowse::CategoryBrowse(frame::Context& ctx, EquipmentShared& shared)
    : ui::BrowseProcedure(ctx, codeList::kName, data::EqCode::def()), shared_(shared) {}

void CategoryBrowse::init() {
  setSortOrder(*file().def().key("KeyCategoryID"));
  setLocator(codeList::CODELOCATOR);
  setFormProcedure(codeForm::kName);
  // The locator, codeList::CODELOCATOR: the type-ahead list keeps the spelling it was always
  // registered under (names compare without case).
  shared_.autoEntry.registerControl(name(), "?CodeLocator");
  if (pellhamCompany(ctx())) window().setIcon("~eqpellham.ico");
  control(codeList::APPLYTOALL).setVisible(!selectMode());
}

void CategoryBrowse::ready() {
  ui::BrowseProcedure::ready();
  updateSendTo();
}

void CategoryBrowse::afterEvent() {
  ui::BrowseProcedure::afterEvent();
  if (isOpen() && !closing()) updateSendTo();
}

void CategoryBrowse::updateSendTo() {
  control(codeList::SENDTO).setEnabled(list().rowCount() > 0);
}

void CategoryBrowse::accepted(ui::Control& c) {
  if (c.is(codeList::SEARCH))
    search();
  else if (c.is(codeList::SENDTO))
    sendTo();
  else if (c.is(codeList::TRAINING))
    playTraining();
  else if (c.is(codeList::APPLYTOALL))
    applyToAll();
}

void CategoryBrowse::alertKey(ui::Control& c, ui::Key key) {
  if (key != ui::Key::RightClick || !c.is(codeList::BROWSE_1)) return;
  cycle();
  if (port().popupMenu(list().rowCount() > 0 ? "Send List Contents To..."
                                             : "~Send List Contents To...") == 1)
    sendTo();
}

void CategoryBrowse::ask(ui::Request request) {
  if (request == ui::Request::Delete) {
    if (!loadCurrent()) return;
    // Equipment carrying the category would keep costs under a code that no longer exists.
    if (categoryInUse(ctx(), file().text("EQD:CategoryID"))) {
      message(kCategoryInUse, "Cannot Delete Category", ui::Icon::Information);
      return;
    }
  }
  ui::BrowseProcedure::ask(request);
}

void CategoryBrowse::search() {
  shared_.search.SearchResult = "";
  shared_.search.SearchMode = "Code";
  call(windows::SearchEquipment::kName, [this](ui::Response) {
    std::string id = clipped(cutToChars(shared_.search.SearchResult.str(), 10));
    if (!id.empty()) selectCategory(id);
  });
}

// The row of that category among the rows the list holds, reading on as far as needed.
void CategoryBrowse::selectCategory(const std::string& id) {
  selectRowWithId(id);
}

void CategoryBrowse::sendTo() {
  if (list().rowCount() == 0) return;
  suite::sendListContents(port(), listControl(), window().title());
}

void CategoryBrowse::playTraining() {
  // PLAYTRAINING takes the video's name where the suite's services take their names.
  std::string saved = ctx().g.REPORTFILTER.str();
  ctx().g.REPORTFILTER = "EQCatEnt";
  call(suite::kPLAYTRAINING, [this, saved](ui::Response) { ctx().g.REPORTFILTER = saved; });
  // Then Tab: the focus moves on from the button.
  bool after = false;
  for (ui::Control* c : window().controls()) {
    if (after && c->usable() && c->shown() &&
        (c->kind() == ui::ControlKind::Button || c->takesInput())) {
      select(*c);
      return;
    }
    after = after || c->is(codeList::TRAINING);
  }
}

void CategoryBrowse::applyToAll() {
  if (message(kApplyToAllConfirm, "Confirm Apply to All", ui::Icon::Question, "&No|&Yes") != 2)
    return;
  port().setWaitCursor(true);
  lastApply_ = applyCategoriesToAll(ctx());
  port().setWaitCursor(false);
  if (lastApply_.refused) {
    message(data::refusedText(ctx().store()), "Company Busy", ui::Icon::Exclamation);
    return;
  }
  message(applyToAllMessage(lastApply_), "Process Complete",
          lastApply_.failed ? ui::Icon::Exclamation : ui::Icon::None);
}

// ---- UpdateEQCode -----------------------------------------------------------------------------

CategoryForm::CategoryForm(frame::Context& ctx, EquipmentShared& shared)
    : ui::FormProcedure(ctx, codeForm::kName, data::EqCode::def()), shared_(shared) {
  bindLocal("LOC:ScheduleType", scheduleType_);
}

void CategoryForm::init() {
  setTitleByRequest("Adding a Cost Category", "Changing a Cost Category", "View Record");
  for (const char* c : {codeForm::EQD_CategoryID, codeForm::EQD_DefaultExpenseControl,
                        codeForm::EQD_DefaultUnit, codeForm::EQD_Description})
    shared_.autoEntry.registerControl(name(), c);
  readCaseMode();
  openedCode_ = primary().text("EQD:CategoryID");
  // A type that is none of the four is shown as "None" and kept as "N".
  const ScheduleType& t = scheduleByLetter(primary().text("EQD:ScheduleType"));
  primary().put("EQD:ScheduleType", std::string(t.letter));
  scheduleType_ = t.shown;
  showSchedule();
}

void CategoryForm::showSchedule() {
  showScheduleFields(*this, scheduleLetter(scheduleType_.str()), "EQD");
}

void CategoryForm::newSelection(ui::Control& c) {
  if (!c.is(codeForm::LOC_ScheduleType)) return;
  // The hidden fields keep their values: only the type changes.
  primary().put("EQD:ScheduleType", scheduleLetter(scheduleType_.str()));
  showSchedule();
}

void CategoryForm::selected(ui::Control& c) {
  if (!c.is(codeForm::EQD_DefaultExpenseControl) || c.readonly()) return;
  if (!primary().text("EQD:DefaultExpenseControl").empty()) return;
  data::FileAccess systems(ctx().store(), data::Systems::def(), ctx().errors());
  systems.set(data::Systems::def().primaryKey());
  if (systems.next() != data::kNoError) return;
  primary().put("EQD:DefaultExpenseControl", systems.get("SYS:DefaultExpenseAccount"));
  display();
}

void CategoryForm::accepted(ui::Control& c) {
  if (c.is(codeForm::EQD_CategoryID)) {
    if (!codeMayChange()) select(c);
  } else if (c.is(codeForm::EQD_DefaultExpenseControl)) {
    if (!acceptingAll()) validateAccount(c);
  } else if (c.is(codeForm::LOOKUPEXPENSE)) {
    lookupAccount(false);
  } else if (c.is(codeForm::LOC_ScheduleType)) {
    newSelection(c);
  }
}

void CategoryForm::alertKey(ui::Control& c, ui::Key key) {
  if (key == ui::Key::CtrlClick && c.is(codeForm::EQD_Description) && !c.readonly())
    chooseCaseMode();
}

// ---- Case mode of the description ---------------------------------------------------------------

void CategoryForm::readCaseMode() {
  descriptionCase_ = applyCaseMode(ctx(), control(codeForm::EQD_Description), kDescriptionField);
}

void CategoryForm::chooseCaseMode() {
  descriptionCase_ = equipment::chooseCaseMode(*this, control(codeForm::EQD_Description),
                                               kDescriptionField, descriptionCase_);
}

// ---- The expense account ----------------------------------------------------------------------

void CategoryForm::validateAccount(ui::Control& c) {
  validateCode(*this, kExpenseAccount, c);
}

void CategoryForm::lookupAccount(bool refocusOnCancel) {
  lookupCode(*this, kExpenseAccount, refocusOnCancel);
}

// The EQCOST records of a category name it by its code alone: renamed, they would lose it.
bool CategoryForm::codeMayChange() {
  if (request() != ui::Request::Change || openedCode_.empty()) return true;
  if (primary().text("EQD:CategoryID") == openedCode_) return true;
  const int pieces = equipmentCarrying(ctx(), openedCode_);
  if (pieces == 0) return true;
  primary().put("EQD:CategoryID", openedCode_);
  message(categoryCodeInUseMessage(openedCode_, pieces), "Cannot Change Category",
          ui::Icon::Exclamation);
  return false;
}

bool CategoryForm::save() {
  if (request() == ui::Request::Delete && categoryInUse(ctx(), primary().text("EQD:CategoryID"))) {
    message(kCategoryInUse, "Cannot Delete Category", ui::Icon::Information);
    return false;
  }
  if (!codeMayChange()) {
    select(codeForm::EQD_CategoryID);
    return false;
  }
  return ui::FormProcedure::save();
}

// ---- Registration -----------------------------------------------------------------------------

void registerCategoryProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared) {
  ui::registerWindow(registry, codeList::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<CategoryBrowse>(ctx, shared);
  });
  ui::registerWindow(registry, codeForm::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<CategoryForm>(ctx, shared);
  });
}

}  // namespace koreq::equipment
