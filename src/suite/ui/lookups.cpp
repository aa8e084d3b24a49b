#include "suite/ui/lookups.h"

#include "data/records.h"
#include "runtime/picture.h"
#include "suite/ui/list_tools.h"
#include "suite/ui/training.h"
#include "ui/model/desktop.h"
#include "windows/BROWSEGLFISCAL.h"
#include "windows/BROWSEGLMASTER.h"
#include "windows/BROWSEJCCOST.h"
#include "windows/BROWSEJCHEADER.h"
#include "windows/BROWSEPRCERT.h"
#include "windows/BROWSEPREMP.h"
#include "windows/SELECTJOBBYNAME.h"

namespace koreq::suite {

namespace lookupWin = windows::BROWSEGLMASTER;
namespace jobWin = windows::SELECTJOBBYNAME;

namespace {

bool blankValue(const data::Value& v) {
  if (auto s = std::get_if<std::string>(&v)) return clip(*s).empty();
  if (auto n = std::get_if<std::int64_t>(&v)) return *n == 0;
  if (auto d = std::get_if<Decimal>(&v)) return *d == Decimal();
  if (auto dt = std::get_if<Date>(&v)) return dt->isEmpty();
  if (auto t = std::get_if<Time>(&v)) return t->value() == 0;
  return true;
}

const data::KeyDef& keyOf(const data::FileDef& file, std::string_view key) {
  const data::KeyDef* k = file.key(key);
  if (!k) throw ui::UiError(file.name + " has no key " + std::string(key));
  return *k;
}

void notFound(ui::Procedure& p, std::string_view text) {
  p.message("Nothing in the list holds \"" + clipped(text) + "\".", "Find", ui::Icon::Information);
}

}  // namespace

// ---- LookupList -------------------------------------------------------------------------------

LookupList::LookupList(frame::Context& ctx, std::string name, const data::FileDef& file,
                       std::string_view key)
    : ui::BrowseProcedure(ctx, std::move(name), file), key_(keyOf(file, key)) {
  bindLocal("LOC:SearchText", searchText_);
}

void LookupList::init() {
  setSortOrder(key_);
  setLocator(lookupWin::LOCATOR);
}

void LookupList::limitTo(std::vector<data::Value> equal) {
  range_ = equal;
  setRange(std::move(equal));
}

void LookupList::ready() {
  ui::BrowseProcedure::ready();
  highlightBuffer();
}

// The caller primes the buffer with the code it has (an account, a period): the list opens on
// that record, or on the one that follows it in key order.
void LookupList::highlightBuffer() {
  data::FileAccess& f = file();
  std::vector<data::Value> start;
  bool primed = false;
  for (std::size_t i = range_.size(); i < key_.fields.size(); ++i) {
    data::Value v = f.def().fields[static_cast<std::size_t>(key_.fields[i])].get(f.buffer());
    primed = primed || !blankValue(v);
    start.push_back(std::move(v));
  }
  if (!primed) return;
  data::FileAccess scan(ctx().store(), f.def(), ctx().errors());
  scan.setRange(key_, range_, start);
  if (scan.next() != data::kNoError) {
    if (list().rowCount() > 0) {
      list().loadCompletely();
      list().setCurrent(list().rowCount() - 1);
    }
    return;
  }
  std::int64_t row = list().findRowId(scan.position());
  if (row >= 0) list().setCurrent(row);
}

void LookupList::find() {
  if (clip(searchText_.str()).empty()) return;
  std::int64_t row = findRowContaining(listControl(), searchText_.str(), list().current());
  if (row < 0) {
    notFound(*this, searchText_.str());
    return;
  }
  if (row != list().current()) {
    list().setCurrent(row);
    post(ui::EventKind::NewSelection, &listControl());
  }
  select(listControl());
}

void LookupList::accepted(ui::Control& c) {
  if (c.is(lookupWin::FIND) || c.is(lookupWin::SEARCHTEXT)) find();
}

// ---- BrowseJcCost -----------------------------------------------------------------------------

BrowseJcCost::BrowseJcCost(frame::Context& ctx)
    : LookupList(ctx, windows::BROWSEJCCOST::kName, data::JcCost::def(), "KeyJobCodeType") {}

void BrowseJcCost::init() {
  LookupList::init();
  std::string job = ctx().rec<data::JcCost>().JobID;
  if (job.empty()) return;
  limitTo({data::Value(job)});
  setTitle("Cost Codes for Job " + job);
}

// ---- SelectJobByName --------------------------------------------------------------------------

SelectJobByName::SelectJobByName(frame::Context& ctx)
    : ui::Procedure(ctx, jobWin::kName), rows_(control(jobWin::LIST1).def().columns) {
  bindLocal("LOC:SearchText", searchText_);
}

void SelectJobByName::init() {
  setResponse(ui::Response::Cancelled);
  lines_ = ctx().g.RXQUEUE;
  std::vector<ui::QueueListModel::Row> rows;
  for (std::size_t i = 0; i < lines_.size(); ++i) {
    const std::string& line = lines_[i];
    std::size_t dash = line.find(" - ");
    ui::QueueListModel::Row r;
    std::string id = dash == std::string::npos ? line : line.substr(0, dash);
    std::string name = dash == std::string::npos ? std::string() : line.substr(dash + 3);
    // The line's place in RXQUEUE rides along, so a header sort does not lose it.
    r.cells = {clipped(trimLeft(id)), clipped(name), std::int64_t(i)};
    rows.push_back(std::move(r));
  }
  rows_.setRows(std::move(rows));
  control(jobWin::LIST1).setList(&rows_);
  select(jobWin::LIST1);
}

void SelectJobByName::choose() {
  std::int64_t r = rows_.current();
  if (r < 0) return;
  auto index = static_cast<std::size_t>(std::get<std::int64_t>(rows_.row(r).cells[2]));
  std::vector<std::string>& queue = ctx().g.RXQUEUE;
  queue = lines_;
  std::string chosen = queue[index];
  queue.erase(queue.begin() + static_cast<std::ptrdiff_t>(index));
  queue.insert(queue.begin(), std::move(chosen));
  setResponse(ui::Response::Completed);
  close();
}

// The first job whose name starts with the text; failing that, whose ID does.
void SelectJobByName::locate(std::string_view text) {
  std::string want = upper(clipped(trimLeft(text)));
  if (want.empty()) return;
  for (int column : {1, 0})
    for (std::int64_t r = 0; r < rows_.rowCount(); ++r)
      if (upper(data::valueToText(rows_.cellValue(r, column))).rfind(want, 0) == 0) {
        rows_.setCurrent(r);
        post(ui::EventKind::NewSelection, &control(jobWin::LIST1));
        return;
      }
}

void SelectJobByName::accepted(ui::Control& c) {
  if (c.is(jobWin::SELECT)) {
    choose();
  } else if (c.is(jobWin::LIST1)) {
    if (keyCode() == ui::Key::DoubleClick || keyCode() == ui::Key::Enter) choose();
  } else if (c.is(jobWin::LOCATOR)) {
    locate(c.text());
  } else if (c.is(jobWin::FIND) || c.is(jobWin::SEARCHTEXT)) {
    if (clip(searchText_.str()).empty()) return;
    std::int64_t r = findRowContaining(control(jobWin::LIST1), searchText_.str(), rows_.current());
    if (r < 0) {
      notFound(*this, searchText_.str());
      return;
    }
    rows_.setCurrent(r);
    select(jobWin::LIST1);
  }
}

// ---- Registration -----------------------------------------------------------------------------

void registerSuiteLookups(frame::ProcedureRegistry& registry, const SuiteUiSetup& setup) {
  auto lookup = [&registry](const char* name, const data::FileDef& file, const char* key) {
    ui::registerWindow(registry, name, [name, &file, key](frame::Context& ctx) {
      return std::make_unique<LookupList>(ctx, name, file, key);
    });
  };
  lookup(lookupWin::kName, data::GlMaster::def(), "KeyAccount");
  lookup(windows::BROWSEGLFISCAL::kName, data::GlFiscal::def(), "KeyFiscalPeriodUp");
  lookup(windows::BROWSEJCHEADER::kName, data::JcHeader::def(), "KeyJobID");
  ui::registerWindow<BrowseJcCost>(registry, windows::BROWSEJCCOST::kName);
  ui::registerWindow<SelectJobByName>(registry, jobWin::kName);
  lookup(windows::BROWSEPREMP::kName, data::PrEmp::def(), "KeyEmployeeID");
  lookup(windows::BROWSEPRCERT::kName, data::PrCert::def(), "KeyCertifiedID");
  registerPlayTraining(registry, setup.helpFolder.empty() ? defaultHelpFolder() : setup.helpFolder);
}

}  // namespace koreq::suite
