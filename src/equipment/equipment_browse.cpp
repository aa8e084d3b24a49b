#include "equipment/equipment_browse.h"

#include "equipment/categories.h"
#include "equipment/engine/equipment_records.h"

#include <chrono>

#include "data/records.h"
#include "frame/activity_log.h"
#include "frame/module.h"
#include "frame/permissions.h"
#include "runtime/ini.h"
#include "suite/ui/list_tools.h"
#include "suite/ui/training.h"
#include "ui/model/desktop.h"
#include "windows/BrowseEQHeader.h"
#include "windows/BrowseEQHeaderAlias.h"
#include "windows/SearchEquipment.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

namespace win = windows::BrowseEQHeader;

namespace {

const data::FileDef& fileOf(EquipmentBrowse::Kind kind) {
  return kind == EquipmentBrowse::Kind::Maintenance ? data::EqHeader::def()
                                                    : data::eqHeaderAliasDef();
}

const char* procedureOf(EquipmentBrowse::Kind kind) {
  return kind == EquipmentBrowse::Kind::Maintenance ? win::kName
                                                    : windows::BrowseEQHeaderAlias::kName;
}

// A show flag is one digit of the setting; anything but a digit from 1 to 9 is off.
std::uint8_t flagDigit(const std::string& value, std::size_t at) {
  return at < value.size() && value[at] >= '1' && value[at] <= '9' ? 1 : 0;
}

}  // namespace

std::filesystem::path settingsFolder(frame::Context& ctx) {
  std::string folder = clipped(ctx.session().g.INIPATH.str());
  return folder.empty() ? frame::defaultSettingsFolder() : std::filesystem::path(folder);
}

EquipmentBrowse::EquipmentBrowse(frame::Context& ctx, Kind kind, EquipmentShared& shared)
    : ui::BrowseProcedure(ctx, procedureOf(kind), fileOf(kind)), kind_(kind), shared_(shared) {
  bindLocal("ShowActive", showActive_);
  bindLocal("ShowInactive", showInactive_);
}

EquipmentBrowse::~EquipmentBrowse() = default;

void EquipmentBrowse::init() {
  readUser();
  readShowFlags();
  const std::string p = prefix();
  setSortOrder(*file().def().key("KeyEquipmentID"));
  setLocator(win::EQUIPMENTLOCATOR);
  setFilter("((ShowActive AND " + p + ":Active) OR (ShowInactive AND ~" + p + ":Active))");
  addResetField("ShowActive");
  addResetField("ShowInactive");
  setFormProcedure(windows::UpdateEQHeader::kName);
  const int active = file().def().fieldIndex("Active");
  setRowStyle(
      [active](const data::FileAccess& row) {
        ui::RowStyle s;
        const data::FieldDef& f = row.def().fields[static_cast<std::size_t>(active)];
        if (std::get<std::int64_t>(f.get(row.buffer())) == 0) {
          s.foreground = 0x008000;          // green
          s.selectedForeground = 0x00FF00;  // lime
        }
        return s;
      },
      std::vector<std::string>{"Active"});
  // The locator, win::EQUIPMENTLOCATOR: the type-ahead list keeps the spelling it was always
  // registered under (names compare without case).
  shared_.autoEntry.registerControl(name(), "?EquipmentLocator");
  if (pellhamCompany(ctx())) window().setIcon("~eqpellham.ico");
}

void EquipmentBrowse::ready() {
  ui::BrowseProcedure::ready();
  if (selectMode()) highlightCaller();
  updateSendTo();
}

// A lookup opens on the equipment its caller's field holds, or on the one after it.
void EquipmentBrowse::highlightCaller() {
  data::FileAccess& f = file();
  const std::string id = clipped(f.text("EquipmentID"));
  if (id.empty() || list().rowCount() == 0) return;
  data::FileAccess scan(ctx().store(), f.def(), ctx().errors());
  scan.setRange(*f.def().key("KeyEquipmentID"), {}, {data::Value(id)});
  if (scan.next() != data::kNoError) return;
  const std::int64_t row = list().findRowId(scan.position());
  if (row >= 0) list().setCurrent(row);
}

void EquipmentBrowse::afterEvent() {
  ui::BrowseProcedure::afterEvent();
  if (isOpen() && !closing()) updateSendTo();
}

void EquipmentBrowse::updateSendTo() {
  if (ui::Control* c = findControl(win::SENDTO)) c->setEnabled(list().rowCount() > 0);
}

void EquipmentBrowse::kill() {
  writeShowFlags();
  // A delete still waiting for its form when the window goes is undone.
  deleting_.reset();
}

// ---- Opening and closing ----------------------------------------------------------------------

void EquipmentBrowse::readUser() {
  frame::UserPermissions user = frame::readUserPermissions(ctx());
  if (!user.found) {
    // The list still opens, with changes allowed.
    message(user.errorText + " Getting User Record", "", ui::Icon::None);
    return;
  }
  noChange_ = !user.changeEquipment;
}

void EquipmentBrowse::readShowFlags() {
  IniFile ini(settingsFolder(ctx()) / kSettingsFile);
  std::string value = clipped(ini.get(kSettingsSection, kShowEntry));
  if (value.empty()) {
    showActive_ = showInactive_ = 1;
    return;
  }
  showActive_ = flagDigit(value, 0);
  showInactive_ = flagDigit(value, 1);
}

void EquipmentBrowse::writeShowFlags() {
  IniFile ini(settingsFolder(ctx()) / kSettingsFile);
  ini.set(kSettingsSection, kShowEntry,
          std::to_string(showActive_ ? 1 : 0) + std::to_string(showInactive_ ? 1 : 0));
}

// ---- Buttons and keys -------------------------------------------------------------------------

void EquipmentBrowse::accepted(ui::Control& c) {
  if (c.is(win::SEARCH)) {
    search();
  } else if (c.is(win::SENDTO)) {
    sendTo();
  } else if (c.is(win::TRAINING)) {
    playTraining();
  }
}

void EquipmentBrowse::alertKey(ui::Control& c, ui::Key key) {
  if (key != ui::Key::RightClick || !c.is(win::BROWSE_1)) return;
  cycle();
  if (port().popupMenu(list().rowCount() > 0 ? "Send List Contents To..."
                                             : "~Send List Contents To...") == 1)
    sendTo();
}

void EquipmentBrowse::accessDenied() {
  port().beep();
  message(kAccessDenied, "Access Denied", ui::Icon::Exclamation);
}

void EquipmentBrowse::search() {
  shared_.search.SearchResult = "";
  shared_.search.SearchMode = "Equipment";
  call(windows::SearchEquipment::kName, [this](ui::Response) {
    std::string id = cutToChars(shared_.search.SearchResult.str(), 10);
    if (!clip(id).empty()) selectEquipment(clipped(id));
  });
}

// The row of that equipment among the rows listed; a piece the filter leaves out is not
// listed, and the highlight stays where it was.
void EquipmentBrowse::selectEquipment(const std::string& id) {
  selectRowWithId(id);
}

void EquipmentBrowse::sendTo() {
  if (list().rowCount() == 0) return;
  suite::sendListContents(port(), listControl(), window().title());
}

void EquipmentBrowse::playTraining() {
  // PLAYTRAINING takes the video's name where the suite's services take their names.
  std::string saved = ctx().g.REPORTFILTER.str();
  ctx().g.REPORTFILTER = "EQEnt";
  call(suite::kPLAYTRAINING, [this, saved](ui::Response) { ctx().g.REPORTFILTER = saved; });
  // Then Tab: the focus moves on from the button.
  const auto& all = window().controls();
  bool after = false;
  for (ui::Control* c : all) {
    if (after && c->usable() && c->shown() &&
        (c->kind() == ui::ControlKind::Button || c->takesInput())) {
      select(*c);
      return;
    }
    after = after || c->is(win::TRAINING);
  }
}

// ---- Insert, change, delete -------------------------------------------------------------------

void EquipmentBrowse::ask(ui::Request request) {
  if (noChange_) {
    accessDenied();
    return;
  }
  if (request == ui::Request::Delete) {
    deleteEquipment();
    return;
  }
  if (kind_ == Kind::Lookup) {
    const std::int64_t at = current();
    runFormFromAlias(request, [this, at](ui::Response) { refresh(at); });
    return;
  }
  if (request == ui::Request::Insert) removeAbandonedInserts();
  ui::BrowseProcedure::ask(request);
}

std::int64_t EquipmentBrowse::current() {
  return std::max<std::int64_t>(list().current(), 0);
}

// An insert abandoned halfway (the program ended in the form) leaves a record with a blank ID
// or an unnumbered one, which would block the next insert on the unique keys.
void EquipmentBrowse::removeAbandonedInserts() {
  data::FileAccess f(ctx().store(), data::EqHeader::def(), ctx().errors());
  while (f.fetch("KeyEquipmentID", {data::Value(std::string())}) == data::kNoError)
    if (f.remove() != data::kNoError) break;
  while (f.fetch("KeyRecordID", {data::Value(std::int64_t{0})}) == data::kNoError)
    if (f.remove() != data::kNoError) break;
}

bool askToDeleteEquipment(ui::Procedure& window, const std::string& equipmentId) {
  if (hasLogEntries(window.ctx(), equipmentId)) {
    window.message(kHasLogEntries, "Cannot Delete Equipment", ui::Icon::Information);
    return false;
  }
  return window.message("Are you sure you want to delete the highlighted record?", "Confirm Delete",
                        ui::Icon::Question, "&Yes|&No", 2) == 1;
}

// Both lists delete alike: the checks and the question, then the equipment's other records,
// the activity entry and the form's delete of the record itself, all in one transaction.
void EquipmentBrowse::deleteEquipment() {
  if (!loadCurrent()) return;
  const std::string p = prefix();
  const std::string id = clipped(file().text(p + ":EquipmentID"));
  const std::string description = file().text(p + ":Description");
  if (!askToDeleteEquipment(*this, id)) return;

  const std::int64_t at = current();
  deleting_ = std::make_unique<data::Transaction>(ctx().store());
  if (!deleting_->begun()) {
    deleting_.reset();
    message(data::refusedText(ctx().store()), "Cannot Delete Equipment", ui::Icon::Exclamation);
    return;
  }
  try {
    removeRecordsUnder(ctx(), id);
  } catch (const data::StoreError& e) {
    deleting_.reset();  // nothing of it is kept
    ctx().errors().report(e.code(), std::string(e.what()) + " Deleting EQHeader");
    return;
  }
  frame::logActivity(ctx(), "EQ Equipment Setup", "Deleted equipment (" + id + ") " + description);
  auto done = [this, at](ui::Response r) { finishDelete(r, at); };
  if (kind_ == Kind::Lookup)
    runFormFromAlias(ui::Request::Delete, done);
  else
    call(windows::UpdateEQHeader::kName, ui::Request::Delete, done);
}

void EquipmentBrowse::finishDelete(ui::Response response, std::int64_t at) {
  std::unique_ptr<data::Transaction> t = std::move(deleting_);
  if (t) {
    try {
      if (response == ui::Response::Completed)
        t->commit();
      else
        t->rollback();
    } catch (const data::StoreError& e) {
      ctx().errors().report(e.code(), std::string(e.what()) + " Deleting EQHeader");
    }
  }
  refresh(at);
}

// The form works on the EQHEADER buffer, which the caller of the lookup list keeps: the list
// hands the form its record there and puts the caller's record back afterwards.
void EquipmentBrowse::runFormFromAlias(ui::Request request,
                                       std::function<void(ui::Response)> done) {
  data::FileAccess& main = ctx().file(data::EqHeader::def());
  std::shared_ptr<void> saved = main.def().create();
  main.def().copy(saved.get(), main.buffer());
  const std::int64_t savedPosition = main.position();
  if (request != ui::Request::Insert) {
    if (!loadCurrent()) return;
    main.def().copy(main.buffer(), file().buffer());
    main.setPosition(file().position());
  }
  call(windows::UpdateEQHeader::kName, request,
       [this, saved, savedPosition, done = std::move(done)](ui::Response r) {
         data::FileAccess& main = ctx().file(data::EqHeader::def());
         file().setPosition(main.position());  // the refresh highlights what the form wrote
         main.def().copy(main.buffer(), saved.get());
         main.setPosition(savedPosition);
         done(r);
       });
}

// ---- Registration -----------------------------------------------------------------------------

void registerEquipmentProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared) {
  for (auto kind : {EquipmentBrowse::Kind::Maintenance, EquipmentBrowse::Kind::Lookup})
    ui::registerWindow(registry, procedureOf(kind), [kind, &shared](frame::Context& ctx) {
      return std::make_unique<EquipmentBrowse>(ctx, kind, shared);
    });
  registerSearchEquipment(registry, shared.search);
  registerToggleAutoEntry(registry, shared.autoEntry);
}

}  // namespace koreq::equipment
