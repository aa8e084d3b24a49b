#include "equipment/equipment_form.h"

#include "equipment/categories.h"
#include "equipment/engine/equipment_records.h"
#include "frame/activity_log.h"
#include "frame/permissions.h"
#include "runtime/ini.h"
#include "suite/droplist.h"
#include "ui/model/desktop.h"
#include "windows/BROWSEGLMASTER.h"
#include "windows/BROWSEPRCERT.h"
#include "windows/UPDATEDROPLIST.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

namespace win = windows::UpdateEQHeader;

namespace {

// The save waits this long for other writers before it goes on without a transaction.

constexpr const char* kClassCodeList = "EQH Class Code";
constexpr const char* kLicenseCodeList = "EQH License Code";

// Fields whose case mode is applied at open; the user may change those marked.
struct CaseField {
  const char* field;
  bool userMayChange;
};
constexpr CaseField kCaseFields[] = {
    {"EQH:Description", false}, {"EQH:VehicleLicense", true}, {"EQH:ClassCode", false},
    {"EQH:LicenseCode", false}, {"EQH:Location", false},
};

const char* const kHelpTopics[] = {
    win::kHelp,
    "html/EC_Equipment.htm#ec_general_tab_fixed_asset_information_defined",
    "html/EC_Equipment.htm#ec_maintenace_categories_tab",
    "html/EC_Equipment.htm#ec_eq_service_schedule__tab_",
    "html/EC_Equipment.htm#ec_photograph_tab",
    "html/EC_Equipment.htm#user_defined_tab",
};

std::string withoutAmpersand(const std::string& s) {
  std::string out = s;
  if (std::size_t at = out.find('&'); at != std::string::npos) out.erase(at, 1);
  return out;
}

}  // namespace

// The code lookups of the form, each with its lookup button.
struct EquipmentForm::Lookup {
  CodeLookup code;
  const char* button;
};

namespace {
const data::FileDef& certFile() {
  return data::PrCert::def();
}
const data::FileDef& glFile() {
  return data::GlMaster::def();
}
}  // namespace

const EquipmentForm::Lookup EquipmentForm::kLookups[] = {
    {{win::EQH_CertifiedID, "EQH:CertifiedID", &certFile, "KeyCertifiedID", "PRC:CertifiedID",
      windows::BROWSEPRCERT::kName},
     win::LOOKUPCERTIFIED},
    {{win::EQH_AssetAccount, "EQH:AssetAccount", &glFile, "KeyAccount", "GLM:Account",
      windows::BROWSEGLMASTER::kName},
     win::LOOKUPASSET},
    {{win::EQH_DestinationAccount, "EQH:DestinationAccount", &glFile, "KeyAccount", "GLM:Account",
      windows::BROWSEGLMASTER::kName},
     win::LOOKUPDESTACCOUNT},
};

EquipmentForm::EquipmentForm(frame::Context& ctx, EquipmentShared& shared)
    : ui::FormProcedure(ctx, win::kName, data::EqHeader::def()), shared_(shared) {
  bindLocal("LOC:Wizard", wizard_);
  bindLocal("LOC:TabTitle", tabTitle_);
  bindLocal("LOC:EditPrompts", editPrompts_);
  if (clipped(ctx.g.EQUIPFIELD.str()) == "GL") {
    fixedAsset_ = true;
    ctx.g.EQUIPFIELD = "";
  }
  parts_.push_back(makeDepreciationGroup(*this));
  parts_.push_back(makeCostCategoriesTab(*this));
  parts_.push_back(makeServiceScheduleTab(*this));
  parts_.push_back(makePhotographTab(*this));
  parts_.push_back(makeNotesGroup(*this));
  parts_.push_back(makeAttachmentsTab(*this));
}

EquipmentForm::~EquipmentForm() = default;

data::EqHeader& EquipmentForm::record() const {
  return ctx().rec<data::EqHeader>();
}

std::string EquipmentForm::equipmentId() const {
  return primary().text("EQH:EquipmentID");
}

int EquipmentForm::currentTab() const {
  std::int64_t n = 1;
  data::detail::toInteger(control(win::SHEET).value(), &n, nullptr);
  return static_cast<int>(n);
}

// ---- Opening ------------------------------------------------------------------------------------

void EquipmentForm::init() {
  if (request() == ui::Request::Insert) primary().put("EQH:Active", std::int64_t{1});
  setTitles();
  if (fixedAsset_) window().setIcon("~gl.ico");
  if (pellhamCompany(ctx())) window().setIcon("~eqpellham.ico");
  opened_ = record();

  // Tab titles without their access keys, for the wizard's title panel.
  int i = 0;
  for (ui::Control* tab : control(win::SHEET).children())
    if (i < kTabCount) tabTitles_[i++] = withoutAmpersand(tab->text());
  IniFile ini(settingsFolder(ctx()) / kTsSetupFile);
  const std::string flag = ini.get(kSettingsSection, kWizardEntry, "1");
  // The wizard walks a new record through its steps; an existing one opens as the form, its
  // Save at hand, and the setting stays as the user left it for the next new record.
  wizard_ = request() == ui::Request::Insert && clipped(flag) != "0" ? 1 : 0;
  control(win::SHEET).setValue(std::int64_t{1});
  applyWizard();

  applyCaseModes();
  readUserDef();
  if (request() == ui::Request::Change) control(win::EQH_EquipmentID).disable();
  fillDropList(true);
  fillDropList(false);
  showDestination();
  editPrompts(false);
  for (auto& p : parts_) p->init();
}

void EquipmentForm::setTitles() {
  const char* what = fixedAsset_ ? "a Fixed Asset Record" : "an Equipment Record";
  std::string title;
  switch (request()) {
    case ui::Request::View:
      title = std::string("Viewing ") + what;
      break;
    case ui::Request::Insert:
      title = std::string("Adding ") + what + "  (New)";
      break;
    default:
      title = std::string("Changing ") + what + "  (" + primary().text("EQH:Description") + ")";
      break;
  }
  setTitle(title);
}

void EquipmentForm::fillDropList(bool classCodes) {
  std::vector<ui::ItemDef> items;
  for (const std::string& v :
       suite::dropListValues(ctx(), classCodes ? kClassCodeList : kLicenseCodeList))
    items.push_back({v, data::Value(v)});
  control(classCodes ? win::EQH_ClassCode : win::EQH_LicenseCode).setItems(std::move(items));
}

// ---- The wizard ---------------------------------------------------------------------------------

void EquipmentForm::applyWizard() {
  const bool on = wizard();
  control(win::SHEET).setTabsVisible(!on);
  for (const char* c :
       {win::TABTITLEPANEL, win::BACK, win::NEXT, win::REQMARK1, win::REQMARK2, win::REQLEGEND})
    control(c).setVisible(on);
  control(win::OK).setText(on ? "&Finish" : "&OK");
  if (on) {
    step_ = 1;
    showStep();
  } else {
    control(win::OK).enable();
  }
}

void EquipmentForm::moveStep(int by) {
  step_ = std::clamp(step_ + by, 1, kTabCount);
  showStep();
}

void EquipmentForm::showStep() {
  tabTitle_ = tabTitles_[step_ - 1];
  control(win::OK).setEnabled(step_ == kTabCount);
  control(win::BACK).setEnabled(step_ > 1);
  control(win::NEXT).setEnabled(step_ < kTabCount);
  ui::Control& sheet = control(win::SHEET);
  if (currentTab() != step_) {
    sheet.setValue(std::int64_t{step_});
    for (auto& p : parts_) p->tabShown(step_);
  }
  display();
}

// ---- Case modes ---------------------------------------------------------------------------------

void EquipmentForm::applyCaseModes() {
  caseModes_.clear();
  auto apply = [&](const std::string& field) {
    caseModes_.emplace_back(field, applyCaseMode(ctx(), control("?" + field), field));
  };
  for (const CaseField& f : kCaseFields) apply(f.field);
  for (int i = 1; i <= 15; ++i) apply("EQH:UD" + std::to_string(i));
}

void EquipmentForm::chooseCaseMode(ui::Control& c) {
  auto it = std::find_if(caseModes_.begin(), caseModes_.end(),
                         [&](const auto& m) { return c.is("?" + m.first); });
  if (it != caseModes_.end())
    it->second = equipment::chooseCaseMode(*this, c, it->first, it->second);
}

// ---- User-defined prompts -----------------------------------------------------------------------

void EquipmentForm::readUserDef() {
  data::FileAccess& u = ctx().file(data::UserDef::def());
  int rc = u.fetch("KeyFile", {data::Value(std::string("EQHeader"))});
  if (rc == data::kNoError) return;
  if (rc != data::kRecordNotFound) {
    ctx().errors().report(rc, u.lastErrorText() + " Getting UserDef.");
    return;
  }
  if (u.prime() != data::kNoError) {
    message("Error Priming UserDef", "Error", ui::Icon::Exclamation);
    return;
  }
  u.put("USD:File", std::string("EQHeader"));
  if (u.tryInsert() != data::kNoError)
    message("Error Adding UserDef", "Error", ui::Icon::Exclamation);
}

bool EquipmentForm::writeUserDef() {
  data::FileAccess& u = ctx().file(data::UserDef::def());
  if (clipped(data::valueToText(u.get("USD:File"))) != "EQHeader") return true;
  return u.update() == data::kNoError;
}

void EquipmentForm::editPrompts(bool on) {
  data::FileAccess& u = ctx().file(data::UserDef::def());
  for (int i = 1; i <= 15; ++i) {
    const std::string n = std::to_string(i);
    // While the prompts are edited, each entry stands on its own row above its field.
    control("?USDLABEL" + n).setVisible(on);
    control("?USD:U" + n).setVisible(on);
    control("?USDPROMPT" + n).setText(on ? "" : u.text("USD:U" + n));
  }
}

// ---- Charge destination, defaults, recalculation ------------------------------------------------

void EquipmentForm::showDestination() {
  const std::string type = primary().text("EQH:DestinationType");
  const bool account = type == "G/L Account", category = type == "Category";
  for (const char* c :
       {win::DESTACCOUNTPROMPT, win::EQH_DestinationAccount, win::LOOKUPDESTACCOUNT})
    control(c).setVisible(account);
  for (const char* c : {win::DESTCATEGORYPROMPT, win::EQH_DestinationCategory})
    control(c).setVisible(category);
  if (!category) return;
  // The categories this equipment carries, each with its description.
  data::FileAccess cost(ctx().store(), data::EqCost::def(), ctx().errors());
  data::FileAccess code(ctx().store(), data::EqCode::def(), ctx().errors());
  cost.setRange(*data::EqCost::def().key("KeyEquipmentID"), {data::Value(equipmentId())});
  std::vector<ui::ItemDef> items;
  while (cost.next() == data::kNoError) {
    const std::string cat = cost.text("EQC:CostCategory");
    std::string shown = padRight(cat, 10);
    if (code.fetch("KeyCategoryID", {data::Value(cat)}) == data::kNoError)
      shown += "  " + code.text("EQD:Description");
    items.push_back({clipped(shown), data::Value(cat)});
  }
  control(win::EQH_DestinationCategory).setItems(std::move(items));
}

void EquipmentForm::defaultIncomeAccount(ui::Control& c) {
  const bool rental = c.is(win::EQH_RentalIncomeControl);
  const char* field = rental ? "EQH:RentalIncomeControl" : "EQH:InternalIncomeControl";
  if (c.readonly() || !primary().text(field).empty()) return;
  data::FileAccess systems(ctx().store(), data::Systems::def(), ctx().errors());
  systems.set(data::Systems::def().primaryKey());
  if (systems.next() != data::kNoError) return;
  const std::string account =
      systems.text(rental ? "SYS:DefaultRentalIncomeAccount" : "SYS:DefaultInternalIncomeAccount");
  primary().put(field, cutToChars(account, 10));
  display();
}

void EquipmentForm::recalculate() {
  std::optional<Decimal> average = averageUnitsPerDay(ctx(), equipmentId());
  if (!average) {
    message(kNoUsageMessage, "Unable to Recalculate Average", ui::Icon::Information);
    return;
  }
  primary().put("EQH:UnitsPerDay", *average);
  display();
}

// ---- Lookups ------------------------------------------------------------------------------------

const EquipmentForm::Lookup* EquipmentForm::lookupFor(const ui::Control& c) const {
  for (const Lookup& l : kLookups)
    if (c.is(l.code.entry) || c.is(l.button)) return &l;
  return nullptr;
}

// ---- Events -------------------------------------------------------------------------------------

void EquipmentForm::accepted(ui::Control& c) {
  if (const Lookup* l = lookupFor(c)) {
    // The charge account's list is told whose charges it lists.
    if (c.is(win::LOOKUPDESTACCOUNT)) ctx().g.KORFIELD = equipmentId();
    if (c.is(l->button))
      lookupCode(*this, l->code, false);
    else if (!acceptingAll())
      validateCode(*this, l->code, c);
    return;
  }
  if (c.is(win::EQH_EquipmentID)) {
    checkNewId(c);
  } else if (c.is(win::ENTRYWIZARD)) {
    wizardChosen_ = true;
    applyWizard();
  } else if (c.is(win::BACK)) {
    moveStep(-1);
  } else if (c.is(win::NEXT)) {
    moveStep(1);
  } else if (c.is(win::RECALCULATE)) {
    recalculate();
  } else if (c.is(win::EDITPROMPTS)) {
    editPrompts(editPrompts_ != 0);
  } else if (c.is(win::HELP)) {
    help();
  } else if (c.is(win::EQH_DestinationType)) {
    showDestination();
  } else if (c.is(win::EDITCLASSCODES) || c.is(win::EDITLICENSECODES)) {
    const bool cls = c.is(win::EDITCLASSCODES);
    ctx().g.REPORTFILTER = cls ? kClassCodeList : kLicenseCodeList;
    call(windows::UPDATEDROPLIST::kName, ui::Request::Change, [this, cls](ui::Response) {
      fillDropList(cls);
      display();
    });
  } else {
    for (auto& p : parts_)
      if (p->accepted(c)) return;
  }
}

void EquipmentForm::newSelection(ui::Control& c) {
  if (c.is(win::EQH_DestinationType)) {
    showDestination();
    return;
  }
  if (c.is(win::SHEET)) {
    for (auto& p : parts_) p->tabShown(currentTab());
    // The wizard's step follows a tab chosen by other means than its buttons.
    if (wizard()) {
      step_ = currentTab();
      showStep();
    }
    display();
    return;
  }
  for (auto& p : parts_)
    if (p->newSelection(c)) return;
}

void EquipmentForm::selected(ui::Control& c) {
  if (c.is(win::EQH_RentalIncomeControl) || c.is(win::EQH_InternalIncomeControl)) {
    defaultIncomeAccount(c);
  } else if (c.is(win::EQH_ClassCode)) {
    ctx().g.REPORTFILTER = kClassCodeList;
  } else if (c.is(win::EQH_LicenseCode)) {
    ctx().g.REPORTFILTER = kLicenseCodeList;
  } else if (c.is(win::EQH_DestinationAccount)) {
    ctx().g.KORFIELD = equipmentId();
  } else {
    for (auto& p : parts_)
      if (p->selected(c)) return;
  }
}

void EquipmentForm::alertKey(ui::Control& c, ui::Key key) {
  if (key == ui::Key::CtrlClick && !c.readonly()) {
    const bool mayChange = c.is(win::EQH_VehicleLicense) || c.name().rfind("?EQH:UD", 0) == 0;
    if (mayChange) {
      cycle();
      chooseCaseMode(c);
      return;
    }
  }
  for (auto& p : parts_)
    if (p->alertKey(c, key)) return;
}

void EquipmentForm::rowActivated(ui::Control& c) {
  for (auto& p : parts_)
    if (p->rowActivated(c)) return;
}

void EquipmentForm::filesDropped(ui::Control& c, const std::vector<std::string>& files) {
  for (auto& p : parts_)
    if (p->filesDropped(c, files)) return;
}

void EquipmentForm::help() {
  const int tab = currentTab();
  if (tab >= 1 && tab <= 6) window().setHelpTopic(kHelpTopics[tab - 1]);
  port().showHelp(window().helpTopic());
}

void EquipmentForm::kill() {
  for (auto& p : parts_) p->kill();
  if (request() == ui::Request::Insert && response() != ui::Response::Completed)
    discardNewRecords();
  if (request() == ui::Request::Insert || wizardChosen_) {
    IniFile ini(settingsFolder(ctx()) / kTsSetupFile);
    ini.set(kSettingsSection, kWizardEntry, wizard() ? "1" : "0");
  }
}

// ---- Saving -------------------------------------------------------------------------------------

void EquipmentForm::completed() {
  if (primary().text("EQH:Description").empty() || equipmentId().empty()) {
    const bool description = primary().text("EQH:Description").empty();
    cycle();
    message(description ? "Description is Required" : "Equipment ID is Required", "Required Field",
            ui::Icon::Information);
    if (wizard()) {
      step_ = 1;
      showStep();
    }
    select(description ? win::EQH_Description : win::EQH_EquipmentID);
  }
}

void EquipmentForm::logChange() {
  const std::string what = "(" + equipmentId() + ") " + primary().text("EQH:Description");
  if (request() == ui::Request::Insert) {
    frame::logActivity(ctx(), "EQ Equipment Setup", "Added equipment " + what);
    return;
  }
  data::FileAccess& f = primary();
  const data::FileDef& def = f.def();
  bool changed = false;
  for (std::size_t i = 0; i < def.fields.size() && !changed; ++i)
    changed = def.fields[i].get(&opened_) != def.fields[i].get(f.buffer());
  if (changed) frame::logActivity(ctx(), "EQ Equipment Setup", "Changed equipment " + what);
}

bool EquipmentForm::save() {
  if (request() == ui::Request::Delete) return deleteRecord();
  if (request() != ui::Request::Insert && request() != ui::Request::Change)
    return ui::FormProcedure::save();
  // The record and everything that belongs with it (the prompts, the log entry, the parts'
  // records) are written together: a save the file refuses leaves none of them behind.
  return saveTogether(
      [this] {
        if (!ui::FormProcedure::save()) return false;
        bool ok = writeUserDef();
        if (ok) logChange();
        for (auto& p : parts_) ok = ok && p->saving();
        return ok && (request() != ui::Request::Insert || removeAbandonedIds());
      },
      "Saving");
}

// ---- The ID of a new record ---------------------------------------------------------------------

// The parts write schedule rows, categories, notes and attachments under the ID as soon as it is
// there, so an ID that belongs to another piece of equipment is refused before anything can be.
bool EquipmentForm::checkNewId(ui::Control& c) {
  if (request() != ui::Request::Insert) return true;
  const std::string id = equipmentId();
  if (id.empty() || id == acceptedId_) return true;
  if (equipmentExists(ctx(), id)) {
    primary().put("EQH:EquipmentID", acceptedId_);
    message("The Equipment ID " + id +
                " already belongs to another piece of equipment.|Please "
                "enter an ID of its own.",
            "Equipment ID in Use", ui::Icon::Exclamation);
    select(c);
    return false;
  }
  acceptedId_ = id;
  usedIds_.insert(id);
  return true;
}

void EquipmentForm::standardKey(ui::Control& c, ui::Key key) {
  ui::FormProcedure::standardKey(c, key);
  // The field history brings back the ID saved last, which is in use by then.
  if (key == ui::Key::CtrlH && c.is(win::EQH_EquipmentID)) checkNewId(c);
}

// A new record that is not saved takes with it all that was written under its IDs.
void EquipmentForm::discardNewRecords() {
  std::vector<std::string> ids;
  for (const std::string& id : usedIds_)
    if (!equipmentExists(ctx(), id)) ids.push_back(id);
  if (ids.empty()) return;
  data::Transaction t(ctx().store());
  if (!t.begun()) {
    message(data::refusedText(ctx().store()) + "|What was written for the new equipment " +
                ids.front() +
                " (schedule rows, cost categories, notes, attachments) could not be removed.",
            "New Equipment Not Saved", ui::Icon::Exclamation);
    return;
  }
  try {
    for (const std::string& id : ids) removeRecordsUnder(ctx(), id);
    t.commit();
  } catch (const data::StoreError& e) {
    ctx().errors().report(e.code(), std::string(e.what()) + " Deleting EQHeader");
  }
}

// Saved under its final ID, the new record leaves nothing under the IDs it was given before.
bool EquipmentForm::removeAbandonedIds() {
  try {
    for (const std::string& id : usedIds_)
      if (id != equipmentId() && !equipmentExists(ctx(), id)) removeRecordsUnder(ctx(), id);
  } catch (const data::StoreError& e) {
    ctx().errors().report(e.code(), std::string(e.what()) + " Saving EQHeader");
    return false;
  }
  return true;
}

// ---- Delete -------------------------------------------------------------------------------------

// Called by an equipment list, the form runs inside the list's transaction: the list has asked,
// checked and removed the other records. Called on its own, it does all of that itself.
bool EquipmentForm::deleteRecord() {
  if (ctx().store().inTransaction()) return ui::FormProcedure::save();
  const frame::UserPermissions user = frame::readUserPermissions(ctx());
  if (user.found && !user.changeEquipment) {
    port().beep();
    message(kAccessDenied, "Access Denied", ui::Icon::Exclamation);
    return false;
  }
  const std::string id = equipmentId();
  const std::string description = primary().text("EQH:Description");
  if (!askToDeleteEquipment(*this, id)) return false;
  data::Transaction t(ctx().store());
  if (!t.begun()) {
    message(data::refusedText(ctx().store()), "Cannot Delete Equipment", ui::Icon::Exclamation);
    return false;
  }
  try {
    removeRecordsUnder(ctx(), id);
    if (!ui::FormProcedure::save()) return false;  // reported; rolled back
    frame::logActivity(ctx(), "EQ Equipment Setup",
                       "Deleted equipment (" + id + ") " + description);
    t.commit();
  } catch (const data::StoreError& e) {
    ctx().errors().report(e.code(), std::string(e.what()) + " Deleting EQHeader");
    return false;
  }
  return true;
}

void registerEquipmentForm(frame::ProcedureRegistry& registry, EquipmentShared& shared) {
  ui::registerWindow(registry, win::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<EquipmentForm>(ctx, shared);
  });
}

}  // namespace koreq::equipment
