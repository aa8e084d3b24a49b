#include "equipment/search_equipment.h"

#include "data/records.h"
#include "ui/model/desktop.h"
#include "windows/SearchEquipment.h"

namespace koreq::equipment {

namespace win = windows::SearchEquipment;

SearchEquipment::SearchEquipment(frame::Context& ctx, SearchGlobals& globals)
    : ui::Procedure(ctx, win::kName), g_(globals), shown_(control(win::LIST1).def().columns) {
  bindLocal("LOC:SearchText", searchText_);
}

void SearchEquipment::init() {
  std::string mode = g_.SearchMode.str();
  if (mode == "Equipment") {
    setTitle("Search the Equipment File");
    control(win::LIST1).setHeader(0, "Equipment ID");
    fill(data::EqHeader::def(), "EQH:KeyEquipmentID", "EQH:EquipmentID", "EQH:Description");
  } else if (mode == "Code") {
    setTitle("Search the Cost Category File");
    fill(data::EqCode::def(), "EQD:KeyCategoryID", "EQD:CategoryID", "EQD:Description");
  }
  control(win::LIST1).setList(&shown_);
  search();
  select(win::SEARCHTEXT);
}

// Reads through a buffer of its own: the caller's record buffer stays as it was.
void SearchEquipment::fill(const data::FileDef& file, const char* key, const char* idField,
                           const char* descriptionField) {
  master_.clear();
  data::FileAccess reader(ctx().store(), file, ctx().errors());
  reader.set(*file.key(key));
  while (reader.next() == data::kNoError) {
    std::string id = std::get<std::string>(reader.get(idField));
    if (id.empty()) continue;
    master_.push_back({id, std::get<std::string>(reader.get(descriptionField))});
  }
}

void SearchEquipment::search() {
  std::string want = upper(clip(searchText_.str()));
  std::vector<ui::QueueListModel::Row> rows;
  for (const Entry& e : master_) {
    if (!want.empty() && upper(e.id).find(want) == std::string::npos &&
        upper(e.description).find(want) == std::string::npos)
      continue;
    ui::QueueListModel::Row r;
    r.cells = {e.id, e.description};
    rows.push_back(std::move(r));
  }
  shown_.setRows(std::move(rows));  // the first row is highlighted
}

void SearchEquipment::choose() {
  std::int64_t row = shown_.current();
  g_.SearchResult = row >= 0 ? std::get<std::string>(shown_.row(row).cells[0]) : std::string();
  setResponse(ui::Response::Completed);
  close();
}

void SearchEquipment::accepted(ui::Control& c) {
  if (c.is(win::SEARCH) || c.is(win::SEARCHTEXT)) {
    search();
    select(win::LIST1);
  } else if (c.is(win::OK)) {
    choose();
    cycle();
  } else if (c.is(win::LIST1) &&
             (keyCode() == ui::Key::DoubleClick || keyCode() == ui::Key::Enter)) {
    choose();
  }
}

// Cancel, the close box, Escape: no ID is chosen.
void SearchEquipment::kill() {
  if (response() != ui::Response::Completed) g_.SearchResult = "";
}

void registerSearchEquipment(frame::ProcedureRegistry& registry, SearchGlobals& globals) {
  ui::registerWindow(registry, win::kName, [&globals](frame::Context& ctx) {
    return std::make_unique<SearchEquipment>(ctx, globals);
  });
}

}  // namespace koreq::equipment
