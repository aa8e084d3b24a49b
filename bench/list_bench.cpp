// A browse list over a million pieces of equipment: what opening it costs (it should read one
// page, whatever the file's size) and what scrolling to the end costs, through the list model
// alone and through the equipment list window on a headless desktop. The rows are written once
// through the SQLite C API into a company made by the data layer.

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>

#include "data/company.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "equipment/equipment_browse.h"
#include "frame/context.h"
#include "support/temp_dir.h"
#include "ui/model/browse_procedure.h"
#include "ui/model/desktop.h"
#include "ui/model/view_list_model.h"
#include "ui/model/window_def.h"

namespace {

using namespace koreq;
namespace fs = std::filesystem;

constexpr int kRows = 1'000'000;
constexpr int kInactiveEvery = 20;  // every 20th piece is inactive: the list leaves it out
constexpr int kListed = kRows - kRows / kInactiveEvery;

using koreq::test::TempDir;

void check(int rc, sqlite3* db) {
  if (rc != SQLITE_OK && rc != SQLITE_DONE) throw std::runtime_error(sqlite3_errmsg(db));
}

// One prepared INSERT in one transaction, straight into the company's table.
void writeEquipment(sqlite3* db, int n) {
  static const char* const kClasses[] = {"Dump Truck", "Loader",  "Excavator", "Crane",
                                         "Pickup",     "Trailer", "Compactor", "Generator"};
  sqlite3_stmt* s = nullptr;
  check(sqlite3_prepare_v2(db,
                           "INSERT INTO eqheader(RecordID, EquipmentID, Description, ClassCode, "
                           "Active) VALUES(?,?,?,?,?)",
                           -1, &s, nullptr),
        db);
  check(sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), db);
  char id[16], description[48];
  for (int i = 1; i <= n; ++i) {
    std::snprintf(id, sizeof id, "EQ%07d", i);
    std::snprintf(description, sizeof description, "Unit %07d %s", i, kClasses[i % 8]);
    sqlite3_bind_int64(s, 1, i);
    sqlite3_bind_text(s, 2, id, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 3, description, -1, SQLITE_STATIC);
    sqlite3_bind_text(s, 4, kClasses[i % 8], -1, SQLITE_STATIC);
    sqlite3_bind_int64(s, 5, i % kInactiveEvery == 0 ? 0 : 1);
    check(sqlite3_step(s), db);
    sqlite3_reset(s);
  }
  check(sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr), db);
  sqlite3_finalize(s);
}

// The million-row company, made once for every benchmark of the run.
struct Million {
  TempDir tmp;
  FixedClock clock{*Date::fromYmd(2024, 3, 15)};
  std::unique_ptr<frame::Session> session;

  Million() {
    session =
        std::make_unique<frame::Session>(data::Company::create(tmp.path / "co"), clock, "ADM");
    session->g.INIPATH = (tmp.path / "settings").string();
    auto& store = dynamic_cast<data::SqliteStore&>(session->store());
    writeEquipment(store.handle(), kRows);
    // A user record, so the list opens without a message about it.
    data::FileAccess user(session->store(), data::UserFile::def(), session->errors());
    user.prime();
    user.put("USR:UserID", std::string("ADM"));
    if (user.insert() != data::kNoError) throw std::runtime_error("user record");
  }
  static Million& get() {
    static Million m;
    return m;
  }
};

// The equipment list's columns and order, as BrowseEQHeader shows them.
std::unique_ptr<ui::ViewListModel> equipmentList(frame::Session& s) {
  const ui::WindowDef& def = ui::windowDef("BrowseEQHeader");
  std::vector<ui::ColumnDef> columns;
  for (const ui::ControlDef& c : def.controls)
    if (c.name == "?BROWSE:1") columns = c.columns;
  auto m =
      std::make_unique<ui::ViewListModel>(s.store(), data::EqHeader::def(), s.errors(), columns);
  m->setKey(*data::EqHeader::def().key("KeyEquipmentID"));
  m->setFilter("EQH:Active");
  return m;
}

void rates(benchmark::State& state, int rows) {
  state.counters["rows"] = rows;
  state.counters["rows/s"] = benchmark::Counter(static_cast<double>(rows) * state.iterations(),
                                                benchmark::Counter::kIsRate);
}

// Opening: the model made and its first page read.
void BM_ListOpen(benchmark::State& state) {
  Million& m = Million::get();
  std::int64_t rows = 0;
  for (auto _ : state) {
    auto list = equipmentList(*m.session);
    list->reset();
    rows = list->rowCount();
    benchmark::DoNotOptimize(list->cell(0, 1));
  }
  rates(state, static_cast<int>(rows));
}

// Scrolling to the end: page after page until the last row, every cell formatted once as the
// view would show it.
void BM_ListScrollToEnd(benchmark::State& state) {
  Million& m = Million::get();
  for (auto _ : state) {
    auto list = equipmentList(*m.session);
    list->reset();
    std::int64_t shown = 0;
    for (;;) {
      for (; shown < list->rowCount(); ++shown) benchmark::DoNotOptimize(list->cell(shown, 1));
      if (!list->canFetchMore()) break;
      list->fetchMore();
    }
    if (shown != kListed) state.SkipWithError("wrong row count");
  }
  rates(state, kListed);
}

// The window itself: BrowseEQHeader opened on a headless desktop and closed again. It starts
// showing active and inactive equipment alike, so it lists every row.
struct Window {
  ui::ScriptedPort port;
  frame::ProcedureRegistry registry;
  equipment::EquipmentShared shared;
  std::unique_ptr<frame::Context> ctx;
  std::unique_ptr<ui::Desktop> desktop;
  explicit Window(frame::Session& s) {
    equipment::registerEquipmentProcedures(registry, shared);
    ctx = std::make_unique<frame::Context>(s);
    desktop = std::make_unique<ui::Desktop>(port, registry);
  }
  ui::BrowseProcedure& open() {
    ctx->g.GlobalRequest = 0;
    if (!desktop->call(*ctx, "BrowseEQHeader") || !desktop->top())
      throw std::runtime_error("the list did not open");
    return dynamic_cast<ui::BrowseProcedure&>(*desktop->top());
  }
};

void BM_BrowseEQHeaderOpen(benchmark::State& state) {
  Million& m = Million::get();
  Window w(*m.session);
  std::int64_t rows = 0;
  for (auto _ : state) {
    rows = w.open().list().rowCount();
    w.desktop->closeAll();
  }
  rates(state, static_cast<int>(rows));
}

void BM_BrowseEQHeaderScrollToEnd(benchmark::State& state) {
  Million& m = Million::get();
  Window w(*m.session);
  for (auto _ : state) {
    ui::ViewListModel& list = w.open().list();
    list.loadCompletely();
    if (list.rowCount() != kRows) {
      state.SkipWithError(("wrong row count " + std::to_string(list.rowCount())).c_str());
      break;
    }
    // The end of the list, as the user sees it after scrolling there.
    benchmark::DoNotOptimize(list.cell(list.rowCount() - 1, 0));
    w.desktop->closeAll();
  }
  rates(state, kRows);
}

// The same rows straight from SQLite: an ordered scan of the key, the active ones kept.
void BM_RawScan(benchmark::State& state) {
  Million& m = Million::get();
  sqlite3* db = dynamic_cast<data::SqliteStore&>(m.session->store()).handle();
  sqlite3_stmt* s = nullptr;
  check(sqlite3_prepare_v2(db,
                           "SELECT EquipmentID, Description, ClassCode FROM eqheader WHERE "
                           "Active <> 0 ORDER BY EquipmentID",
                           -1, &s, nullptr),
        db);
  for (auto _ : state) {
    int n = 0;
    std::size_t bytes = 0;
    while (sqlite3_step(s) == SQLITE_ROW) {
      for (int c = 0; c < 3; ++c) bytes += static_cast<std::size_t>(sqlite3_column_bytes(s, c));
      ++n;
    }
    sqlite3_reset(s);
    if (n != kListed) state.SkipWithError("wrong row count");
    benchmark::DoNotOptimize(bytes);
  }
  sqlite3_finalize(s);
  rates(state, kListed);
}

BENCHMARK(BM_ListOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_BrowseEQHeaderOpen)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListScrollToEnd)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_BrowseEQHeaderScrollToEnd)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_RawScan)->Unit(benchmark::kMillisecond)->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
