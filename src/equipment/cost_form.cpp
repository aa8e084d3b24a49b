#include "equipment/cost_form.h"

#include <algorithm>

#include "data/records.h"
#include "equipment/categories.h"
#include "suite/ui/list_tools.h"
#include "ui/model/desktop.h"
#include "windows/BROWSEGLMASTER.h"
#include "windows/BrowseEQCode.h"
#include "windows/BrowseEQCost.h"
#include "windows/BrowseEQHeaderAlias.h"
#include "windows/UpdateEQCost.h"

namespace koreq::equipment {

namespace costForm = windows::UpdateEQCost;
namespace costList = windows::BrowseEQCost;

namespace {

std::string upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return s;
}

constexpr CodeLookup kCategory = {costForm::EQC_CostCategory, "EQC:CostCategory",
                                  &data::EqCode::def,         "KeyCategoryID",
                                  "EQD:CategoryID",           windows::BrowseEQCode::kName};
constexpr CodeLookup kExpenseAccount = {costForm::EQC_ControlDebit,
                                        "EQC:ControlDebit",
                                        &data::GlMaster::def,
                                        "KeyAccount",
                                        "GLM:Account",
                                        windows::BROWSEGLMASTER::kName};

}  // namespace

bool loadCost(frame::Context& ctx, std::int64_t position) {
  if (position == 0) return false;
  data::FileAccess& f = ctx.file(data::EqCost::def());
  f.setPosition(position);
  return f.reget() == data::kNoError;
}

CostListModel::CostListModel(std::vector<ui::ColumnDef> columns) : ui::QueueListModel(columns) {
  for (const ui::ColumnDef& c : columns) uses_.push_back(c.use);
}

void CostListModel::fill(
    const std::vector<CostRow>& rows,
    const std::function<data::Value(const CostRow&, const std::string&)>& cells,
    std::int64_t keep) {
  const std::int64_t was = current();
  std::vector<Row> out;
  positions_.clear();
  categories_.clear();
  for (const CostRow& r : rows) {
    Row row;
    for (const std::string& use : uses_) row.cells.push_back(cells(r, use));
    out.push_back(std::move(row));
    positions_.push_back(r.position);
    categories_.push_back(upper(clipped(data::valueToText(costField(r, "EQC:CostCategory")))));
  }
  setRows(std::move(out));
  std::int64_t at = -1;
  for (std::size_t i = 0; keep && i < positions_.size() && at < 0; ++i)
    if (positions_[i] == keep) at = static_cast<std::int64_t>(i);
  if (at < 0 && rowCount() > 0) at = std::clamp<std::int64_t>(was, 0, rowCount() - 1);
  setCurrent(at);
}

std::int64_t CostListModel::position(std::int64_t row) const {
  if (row < 0 || row >= static_cast<std::int64_t>(positions_.size())) return 0;
  return positions_[static_cast<std::size_t>(row)];
}

std::int64_t CostListModel::locateCategory(const std::string& text) const {
  if (categories_.empty()) return -1;
  const std::string wanted = upper(clipped(text));
  for (std::size_t i = 0; i < categories_.size(); ++i)
    if (categories_[i] >= wanted) return static_cast<std::int64_t>(i);
  return static_cast<std::int64_t>(categories_.size()) - 1;
}

// ---- UpdateEQCost -----------------------------------------------------------------------------

CostForm::CostForm(frame::Context& ctx, EquipmentShared& shared)
    : ui::FormProcedure(ctx, costForm::kName, data::EqCost::def()), shared_(shared) {
  bindLocal("LOC:ScheduleType", scheduleType_);
}

void CostForm::prepare() {
  const data::Value equipment = primary().get("EQC:EquipmentID");
  ui::FormProcedure::prepare();
  if (request() == ui::Request::Insert) primary().put("EQC:EquipmentID", equipment);
}

void CostForm::init() {
  setTitleByRequest("Adding a Maintenance Code", "Changing a Maintenance Code", "View Record");
  // A category belongs to a piece of equipment: without one (the form opened from the menu)
  // the record would belong to nothing.
  if (request() == ui::Request::Insert && primary().text("EQC:EquipmentID").empty()) {
    message(kNoEquipmentForCost, "Cost Category", ui::Icon::Information);
    close();
    return;
  }
  for (const char* c :
       {costForm::EQC_ControlDebit, costForm::EQC_CostCategory, costForm::EQC_UnitName})
    shared_.autoEntry.registerControl(name(), c);
  // A type that is none of the four is shown as "None" and kept as "N".
  scheduleType_ = scheduleShown(primary().text("EQC:ScheduleType"));
  primary().put("EQC:ScheduleType", scheduleLetter(scheduleType_.str()));
  showSchedule();
  if (request() == ui::Request::View)
    for (const char* c :
         {costForm::LOOKUPCATEGORY, costForm::LOOKUPDEBIT, costForm::CALLASTSERVICE})
      control(c).disable();
}

void CostForm::showSchedule() {
  showScheduleFields(*this, scheduleLetter(scheduleType_.str()), "EQC");
}

// The category's defaults replace what the record held, whatever the user had changed.
void CostForm::categoryChosen() {
  display();
  copyCategoryDefaults(ctx().file(data::EqCode::def()), primary());
  scheduleType_ = scheduleShown(primary().text("EQC:ScheduleType"));
  primary().put("EQC:ScheduleType", scheduleLetter(scheduleType_.str()));
  showSchedule();
  display();
}

void CostForm::accepted(ui::Control& c) {
  if (c.is(costForm::EQC_CostCategory)) {
    if (!acceptingAll()) validateCode(*this, kCategory, c, [this] { categoryChosen(); });
  } else if (c.is(costForm::LOOKUPCATEGORY)) {
    lookupCode(*this, kCategory, false, [this] { categoryChosen(); });
  } else if (c.is(costForm::EQC_ControlDebit)) {
    if (!acceptingAll()) validateCode(*this, kExpenseAccount, c);
  } else if (c.is(costForm::LOOKUPDEBIT)) {
    lookupCode(*this, kExpenseAccount, false);
  } else if (c.is(costForm::LOC_ScheduleType)) {
    newSelection(c);
  } else if (c.is(costForm::HELP)) {
    help();
  }
}

void CostForm::newSelection(ui::Control& c) {
  if (!c.is(costForm::LOC_ScheduleType)) return;
  // The hidden fields keep their values: only the type changes.
  primary().put("EQC:ScheduleType", scheduleLetter(scheduleType_.str()));
  showSchedule();
}

void CostForm::completed() {
  primary().put("EQC:RecordID", costRecordId(primary().text("EQC:EquipmentID"),
                                             primary().text("EQC:CostCategory")));
}

void CostForm::help() {
  // The topic lives in the help file HELPNAME names.
  const std::string file = clipped(ctx().session().g.HELPNAME.str());
  port().showHelp(file.empty() ? kCostHelpTopic : file + "#" + kCostHelpTopic);
}

// ---- BrowseEQCost -------------------------------------------------------------------------------

CostBrowse::CostBrowse(frame::Context& ctx)
    : ui::Procedure(ctx, kBrowseEQCostEquipField, ui::windowDef(costList::kName)) {}

CostBrowse::~CostBrowse() = default;

void CostBrowse::init() {
  equipmentId_ = clipped(cutToChars(ctx().g.EQUIPFIELD.str(), 10));
  ui::Control& l = control(costList::BROWSE_1);
  list_ = std::make_unique<CostListModel>(l.def().columns);
  list_->refill = [this] { fill(); };
  l.setList(list_.get());
  control(costList::SELECT).setVisible(selectMode());
  std::int64_t keep = 0;
  if (selectMode()) {
    setResponse(ui::Response::Cancelled);
    // A lookup opens on the category its caller's field holds.
    const std::string category = clipped(ctx().rec<data::EqCost>().CostCategory.str());
    data::FileAccess cost(ctx().store(), data::EqCost::def(), ctx().errors());
    if (!category.empty() &&
        cost.fetch("KeyEquipmentCategory", {data::Value(equipmentId_), data::Value(category)}) ==
            data::kNoError)
      keep = cost.position();
  }
  fill(keep);
  select(l);
  if (!equipmentId_.empty() || selectMode()) return;
  // Opened from the menu, with no equipment named: the user picks it first.
  call(windows::BrowseEQHeaderAlias::kName, ui::Request::Select, [this](ui::Response r) {
    if (r != ui::Response::Completed) {
      close();
      return;
    }
    equipmentId_ = ctx().file(data::eqHeaderAliasDef()).text("EQH1:EquipmentID");
    ctx().g.EQUIPFIELD = equipmentId_;
    fill();
    display();
  });
}

void CostBrowse::fill(std::int64_t keep) {
  // Every row names the same equipment: its description is read once.
  std::string description;
  data::FileAccess equipment(ctx().store(), data::EqHeader::def(), ctx().errors());
  if (equipment.fetch("KeyEquipmentID", {data::Value(equipmentId_)}) == data::kNoError)
    description = equipment.text("EQH:Description");
  list_->fill(
      readCostRows(ctx(), equipmentId_),
      [&description](const CostRow& r, const std::string& use) -> data::Value {
        if (use == "EQH:Description") return description;
        if (use == "EQD:Description") return r.description;
        return costField(r, use);
      },
      keep);
  updateButtons();
}

void CostBrowse::updateButtons() {
  const bool rows = list_->rowCount() > 0;
  for (const char* c : {costList::SELECT, costList::CHANGE, costList::DELETE, costList::SENDTO})
    control(c).setEnabled(rows);
}

void CostBrowse::accepted(ui::Control& c) {
  if (c.is(costList::SELECT))
    choose();
  else if (c.is(costList::INSERT))
    ask(ui::Request::Insert);
  else if (c.is(costList::CHANGE))
    ask(ui::Request::Change);
  else if (c.is(costList::DELETE))
    ask(ui::Request::Delete);
  else if (c.is(costList::SENDTO))
    sendTo();
}

void CostBrowse::alertKey(ui::Control& c, ui::Key key) {
  if (key != ui::Key::RightClick || !c.is(costList::BROWSE_1)) return;
  cycle();
  if (port().popupMenu(list_->rowCount() > 0 ? "Send List Contents To..."
                                             : "~Send List Contents To...") == 1)
    sendTo();
}

void CostBrowse::rowActivated(ui::Control& c) {
  if (!c.is(costList::BROWSE_1)) return;
  if (selectMode())
    choose();
  else
    ask(ui::Request::Change);
}

void CostBrowse::choose() {
  if (!selectMode() || !loadCost(ctx(), list_->currentPosition())) return;
  setResponse(ui::Response::Completed);
  close();
}

void CostBrowse::ask(ui::Request request) {
  data::FileAccess& cost = ctx().file(data::EqCost::def());
  if (request == ui::Request::Insert) {
    cost.clear();
    cost.put("EQC:EquipmentID", equipmentId_);
  } else {
    if (!loadCost(ctx(), list_->currentPosition())) return;
    if (request == ui::Request::Delete &&
        message(kConfirmDelete, "Confirm Delete", ui::Icon::Question, "&Yes|&No", 2) != 1)
      return;
  }
  call(costForm::kName, request, [this](ui::Response) {
    fill(ctx().file(data::EqCost::def()).position());
    select(control(costList::BROWSE_1));
  });
}

void CostBrowse::sendTo() {
  if (list_->rowCount() == 0) return;
  suite::sendListContents(port(), control(costList::BROWSE_1), window().title());
}

// ---- Registration -----------------------------------------------------------------------------

void registerCostProcedures(frame::ProcedureRegistry& registry, EquipmentShared& shared) {
  ui::registerWindow(registry, costForm::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<CostForm>(ctx, shared);
  });
  ui::registerWindow(registry, costList::kName,
                     [](frame::Context& ctx) { return std::make_unique<CostBrowse>(ctx); });
}

}  // namespace koreq::equipment
