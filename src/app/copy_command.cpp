// koreq copy --to CONNECTION NEWDIR: the company in the data folder copied to a PostgreSQL
// server (a libpq connection string), NEWDIR made a company folder that points at it;
// --to sqlite copies into an embedded company database in NEWDIR. One transaction on the new
// side, the old side held still by its writer lock meanwhile; afterwards the copy is read back
// and its record counts and money totals per file must equal the ones read from the old side.
// Only then is NEWDIR a company.

#include <filesystem>
#include <iomanip>

#include "app/commands.h"
#include "data/company.h"
#include "data/copy.h"
#include "data/postgres/pg_store.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "frame/context.h"
#include "frame/permissions.h"
#include "runtime/text.h"

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

// Removes the new SQLite company again when the copy fails; the server side needs nothing:
// its transaction rolled back.
struct NewFiles {
  fs::path db;
  bool keep = false;
  ~NewFiles() {
    if (keep || db.empty()) return;
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm"}) fs::remove(db.string() + suffix, ec);
  }
};

}  // namespace

int runCopy(Invocation& inv, const ParsedArgs& args) {
  const std::optional<std::string> to = args.value("to");
  if (!to || clipped(*to).empty())
    throw UsageError("copy: --to names where to: a PostgreSQL connection string, or sqlite");
  const fs::path newDir = args.positional.at(0);
  const bool toSqlite = lower(clipped(*to)) == "sqlite";
  if (data::Company::exists(newDir))
    throw CommandError("a company already exists in " + newDir.string() + "; nothing was copied");
  std::string why;
  if (!toSqlite && !data::PgStore::checkConnectionString(*to, &why)) throw CommandError(why);

  auto session = inv.openSession();
  frame::Context ctx(*session);
  // The copy carries every file, the users' too: an administrator's task.
  const frame::UserPermissions rights = frame::readUserPermissions(ctx);
  if (!rights.administrator)
    throw CommandError("Access Denied: only an administrator may copy the company");

  data::Store& from = ctx.store();
  const auto& files = data::allFiles();
  NewFiles made;
  std::unique_ptr<data::Store> target;
  std::vector<data::FileTotals> read;
  try {
    if (toSqlite) {
      std::error_code ec;
      fs::create_directories(newDir, ec);
      if (ec) throw CommandError("cannot create folder " + newDir.string() + ": " + ec.message());
      made.db = newDir / data::Company::kDatabaseName;
      target =
          std::make_unique<data::SqliteStore>(made.db.string(), data::SqliteStore::Mode::Create);
    } else {
      target = std::make_unique<data::PgStore>(*to, data::PgStore::Mode::Create);
    }
    // Holding the old side's writer lock keeps every other workstation's change out of the
    // copy; nothing is written there, and the lock is given back at the end.
    data::Transaction still(from);
    if (!still.begun()) throw CommandError(data::kCompanyBusyText);
    read = data::copyCompany(from, *target, files);
    still.rollback();
  } catch (const data::StoreError& e) {
    throw CommandError(std::string("the copy failed, nothing was copied: ") + e.what());
  }

  const std::vector<std::string> differ =
      data::totalsDiffer(read, data::companyTotals(*target, files));
  if (!differ.empty()) {
    for (const auto& line : differ) inv.err() << "koreq: " << line << "\n";
    throw CommandError("the copy does not hold what the company holds; " + newDir.string() +
                       " was not made a company");
  }
  if (!toSqlite) {
    try {
      data::Company::pointAtServer(newDir, *to);
    } catch (const data::StoreError& e) {
      throw CommandError(e.what());
    }
  }
  made.keep = true;

  std::int64_t records = 0;
  for (const auto& t : read) {
    records += t.records;
    if (t.records == 0) continue;
    inv.out() << std::left << std::setw(12) << t.table << std::right << std::setw(9) << t.records
              << " records";
    for (const auto& [column, total] : t.money)
      if (total != "0.00") inv.out() << "  " << column << " " << total;
    inv.out() << "\n";
  }
  inv.out() << "Copied " << records << " records in " << read.size() << " files to "
            << (toSqlite ? "an embedded company database" : "the server") << " for "
            << newDir.string() << "; the counts and money totals of every file agree.\n";
  return 0;
}

}  // namespace koreq::cli
