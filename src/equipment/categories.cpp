#include "equipment/categories.h"

#include "data/records.h"
#include "equipment/equipment_records.h"
#include "suite/casemode.h"
#include "suite/ui/list_tools.h"
#include "ui/model/desktop.h"

namespace koreq::equipment {

namespace {

constexpr const char* kDescriptionField = "EQD:Description";

// The schedule types as stored and as the drop list shows them.
struct ScheduleType {
  const char* letter;
  const char* shown;
  bool meter, interval;
};
constexpr ScheduleType kScheduleTypes[] = {{"N", "None", false, false},
                                           {"M", "Meter", true, false},
                                           {"E", "Elapsed Time", false, true},
                                           {"B", "Meter or Elapsed Time", true, true}};

const ScheduleType& scheduleByLetter(const std::string& letter) {
  for (const ScheduleType& t : kScheduleTypes)
    if (letter == t.letter) return t;
  return kScheduleTypes[0];
}

// What a category hands to the EQCOST records made from it: EQC field, EQD field.
constexpr std::pair<const char*, const char*> kDefaultFields[] = {
    {"EQC:UnitName", "EQD:DefaultUnit"},
    {"EQC:ControlDebit", "EQD:DefaultExpenseControl"},
    {"EQC:ControlCredit", "EQD:DefaultContraExpenseControl"},
    {"EQC:ScheduleType", "EQD:ScheduleType"},
    {"EQC:MeterName", "EQD:MeterName"},
    {"EQC:Meter", "EQD:Meter"},
    {"EQC:IntervalName", "EQD:IntervalName"},
    {"EQC:Interval", "EQD:Interval"},
};

// Every category record, in file order.
std::vector<std::vector<data::Value>> readCategories(frame::Context& ctx) {
  data::FileAccess f(ctx.store(), data::EqCode::def(), ctx.errors());
  f.set(data::EqCode::def().primaryKey());
  std::vector<std::vector<data::Value>> out;
  while (f.next() == data::kNoError) out.push_back(f.values());
  return out;
}

constexpr CodeLookup kExpenseAccount = {"?EQD:DefaultExpenseControl",
                                        "EQD:DefaultExpenseControl",
                                        &data::GlMaster::def,
                                        "KeyAccount",
                                        "GLM:Account",
                                        "BROWSEGLMASTER"};

const char* const kCaseMenuTexts[] = {"small text", "Capitalized Text", "ALL CAPS"};
constexpr CaseMode kCaseMenuModes[] = {CaseMode::Def, CaseMode::Cap, CaseMode::Upr};

}  // namespace

// ---- Apply to All -------------------------------------------------------------------------------

ApplyToAllResult applyCategoriesToAll(frame::Context& ctx, std::chrono::milliseconds wait) {
  ApplyToAllResult r;
  const std::vector<std::vector<data::Value>> categories = readCategories(ctx);
  data::Transaction t(ctx.store(), wait);
  if (!t.begun()) {
    r.refused = true;
    return r;
  }
  bool storeFailed = false;

  data::FileAccess equipment(ctx.store(), data::EqHeader::def(), ctx.errors());
  data::FileAccess cost(ctx.store(), data::EqCost::def(), ctx.errors());
  data::FileAccess code(ctx.store(), data::EqCode::def(), ctx.errors());
  equipment.set(data::EqHeader::def().primaryKey());
  while (!storeFailed && equipment.next() == data::kNoError) {
    const std::string id = equipment.text("EQH:EquipmentID");
    bool updated = false;
    for (const std::vector<data::Value>& c : categories) {
      code.assign(c);
      const std::string category = code.text("EQD:CategoryID");
      const std::string key = costRecordId(id, category);
      if (cost.fetch("KeyRecordID", {data::Value(key)}) == data::kNoError) continue;
      if (cost.prime() != data::kNoError) {
        ++r.failed;
        continue;
      }
      cost.put("EQC:RecordID", key);
      cost.put("EQC:EquipmentID", id);
      cost.put("EQC:CostCategory", category);
      copyCategoryDefaults(code, cost);
      if (cost.insert() != data::kNoError) {
        ++r.failed;
        // A record the file refuses lets the others go on; after a failure of the store
        // itself nothing more can be written in this change.
        storeFailed = ctx.store().abandoned();
        if (storeFailed) break;
        continue;
      }
      ++r.added;
      updated = true;
    }
    if (updated) ++r.equipmentUpdated;
  }

  try {
    t.commit();
  } catch (const data::StoreError& e) {
    // Nothing of the run was kept.
    ctx.errors().report(e.code(), std::string(e.what()) + " Inserting EQCost");
    r.failed += r.added;
    r.added = 0;
    r.equipmentUpdated = 0;
  }
  return r;
}

std::string applyToAllMessage(const ApplyToAllResult& r) {
  std::string text;
  if (r.equipmentUpdated == 0)
    text = "No new categories were added to existing|equipment records.";
  else if (r.equipmentUpdated == 1)
    text = "New categories were added to one existing|equipment record.";
  else
    text = "New categories were added to " + std::to_string(r.equipmentUpdated) +
           " existing|equipment records.";
  if (r.failed == 1)
    text += "||One category could not be added to its equipment.";
  else if (r.failed > 1)
    text += "||" + std::to_string(r.failed) + " categories could not be added to their equipment.";
  return text;
}

bool categoryInUse(frame::Context& ctx, const std::string& categoryId) {
  data::FileAccess cost(ctx.store(), data::EqCost::def(), ctx.errors());
  return cost.fetch("KeyCostCategory", {data::Value(clipped(categoryId))}) == data::kNoError;
}

std::string scheduleLetter(const std::string& shown) {
  for (const ScheduleType& t : kScheduleTypes)
    if (clipped(shown) == t.shown) return t.letter;
  return "N";
}

std::string scheduleShown(const std::string& letter) {
  return scheduleByLetter(letter).shown;
}

void showScheduleFields(ui::Procedure& p, const std::string& letter, const std::string& prefix) {
  const ScheduleType& t = scheduleByLetter(letter);
  for (const std::string& c :
       {std::string("?METERPROMPT"), "?" + prefix + ":Meter", "?" + prefix + ":MeterName"})
    p.control(c).setVisible(t.meter);
  for (const std::string& c :
       {std::string("?INTERVALPROMPT"), "?" + prefix + ":Interval", "?" + prefix + ":IntervalName"})
    p.control(c).setVisible(t.interval);
}

std::string costRecordId(const std::string& equipmentId, const std::string& category) {
  return padRight(cutToChars(clipped(equipmentId), 10), 10) + clipped(category);
}

void copyCategoryDefaults(const data::FileAccess& code, data::FileAccess& cost) {
  for (const auto& [to, from] : kDefaultFields) cost.put(to, code.get(from));
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
    : ui::BrowseProcedure(ctx, "BrowseEQCode", data::EqCode::def()), shared_(shared) {}

void CategoryBrowse::init() {
  setSortOrder(*file().def().key("KeyCategoryID"));
  setLocator("?CODELOCATOR");
  setFormProcedure("UpdateEQCode");
  shared_.autoEntry.registerControl(name(), "?CodeLocator");
  if (pellhamCompany(ctx())) window().setIcon("~eqpellham.ico");
  control("?APPLYTOALL").setVisible(!selectMode());
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
  control("?SENDTO").setEnabled(list().rowCount() > 0);
}

void CategoryBrowse::accepted(ui::Control& c) {
  if (c.is("?SEARCH"))
    search();
  else if (c.is("?SENDTO"))
    sendTo();
  else if (c.is("?TRAINING"))
    playTraining();
  else if (c.is("?APPLYTOALL"))
    applyToAll();
}

void CategoryBrowse::alertKey(ui::Control& c, ui::Key key) {
  if (key != ui::Key::RightClick || !c.is("?BROWSE:1")) return;
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
  call("SearchEquipment", [this](ui::Response) {
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
  call("PLAYTRAINING", [this, saved](ui::Response) { ctx().g.REPORTFILTER = saved; });
  // Then Tab: the focus moves on from the button.
  bool after = false;
  for (ui::Control* c : window().controls()) {
    if (after && c->usable() && c->shown() &&
        (c->kind() == ui::ControlKind::Button || c->takesInput())) {
      select(*c);
      return;
    }
    after = after || c->is("?TRAINING");
  }
}

void CategoryBrowse::applyToAll() {
  if (message(kApplyToAllConfirm, "Confirm Apply to All", ui::Icon::Question, "&No|&Yes") != 2)
    return;
  port().setWaitCursor(true);
  lastApply_ = applyCategoriesToAll(ctx());
  port().setWaitCursor(false);
  if (lastApply_.refused) {
    message(data::kCompanyBusyText, "Company Busy", ui::Icon::Exclamation);
    return;
  }
  message(applyToAllMessage(lastApply_), "Process Complete",
          lastApply_.failed ? ui::Icon::Exclamation : ui::Icon::None);
}

// ---- UpdateEQCode -----------------------------------------------------------------------------

CategoryForm::CategoryForm(frame::Context& ctx, EquipmentShared& shared)
    : ui::FormProcedure(ctx, "UpdateEQCode", data::EqCode::def()), shared_(shared) {
  bindLocal("LOC:ScheduleType", scheduleType_);
}

void CategoryForm::init() {
  setTitleByRequest("Adding a Cost Category", "Changing a Cost Category", "View Record");
  for (const char* c :
       {"?EQD:CategoryID", "?EQD:DefaultExpenseControl", "?EQD:DefaultUnit", "?EQD:Description"})
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
  if (!c.is("?LOC:ScheduleType")) return;
  // The hidden fields keep their values: only the type changes.
  primary().put("EQD:ScheduleType", scheduleLetter(scheduleType_.str()));
  showSchedule();
}

void CategoryForm::selected(ui::Control& c) {
  if (!c.is("?EQD:DefaultExpenseControl") || c.readonly()) return;
  if (!primary().text("EQD:DefaultExpenseControl").empty()) return;
  data::FileAccess systems(ctx().store(), data::Systems::def(), ctx().errors());
  systems.set(data::Systems::def().primaryKey());
  if (systems.next() != data::kNoError) return;
  primary().put("EQD:DefaultExpenseControl", systems.get("SYS:DefaultExpenseAccount"));
  display();
}

void CategoryForm::accepted(ui::Control& c) {
  if (c.is("?EQD:CategoryID")) {
    if (!codeMayChange()) select(c);
  } else if (c.is("?EQD:DefaultExpenseControl")) {
    if (!acceptingAll()) validateAccount(c);
  } else if (c.is("?LOOKUPEXPENSE")) {
    lookupAccount(false);
  } else if (c.is("?LOC:ScheduleType")) {
    newSelection(c);
  }
}

void CategoryForm::alertKey(ui::Control& c, ui::Key key) {
  if (key == ui::Key::CtrlClick && c.is("?EQD:Description") && !c.readonly()) chooseCaseMode();
}

// ---- Case mode of the description ---------------------------------------------------------------

void CategoryForm::readCaseMode() {
  descriptionCase_ = applyCaseMode(ctx(), control("?EQD:Description"), kDescriptionField);
}

void CategoryForm::chooseCaseMode() {
  descriptionCase_ = equipment::chooseCaseMode(*this, control("?EQD:Description"),
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
    select("?EQD:CategoryID");
    return false;
  }
  return ui::FormProcedure::save();
}

// ---- Registration -----------------------------------------------------------------------------

void registerCategoryProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared) {
  ui::registerWindow(registry, "BrowseEQCode", [&shared](frame::Context& ctx) {
    return std::make_unique<CategoryBrowse>(ctx, shared);
  });
  ui::registerWindow(registry, "UpdateEQCode", [&shared](frame::Context& ctx) {
    return std::make_unique<CategoryForm>(ctx, shared);
  });
}

}  // namespace koreq::equipment
