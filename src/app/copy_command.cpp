// koreq copy --to CONNECTION NEWDIR: the company in the data folder copied to a PostgreSQL
// server (a libpq connection string), NEWDIR made a company folder that points at it;
// --to sqlite copies into an embedded company database in NEWDIR. One transaction on the new
// side, the old side held still by its writer lock meanwhile; afterwards the copy is read back
// and its record counts, money totals and row checksums per file must equal the ones read from
// the old side. Only then is NEWDIR a company.

#include <stdlib.h>

#include <cerrno>
#include <cstring>
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

// The new SQLite company is made in a hidden folder of its own and becomes NEWDIR's only when
// whole and checked: a copy that fails, or is killed, never leaves NEWDIR holding a company
// database with only part of the company.
struct NewFiles {
  fs::path dir;        // the hidden folder the database is made in
  fs::path newDir;     // where it goes
  bool whole = false;  // NEWDIR did not exist: the hidden folder becomes it
  ~NewFiles() {
    std::error_code ec;
    if (!dir.empty()) fs::remove_all(dir, ec);
  }
  fs::path db() const { return dir / data::Company::kDatabaseName; }
  void make(const fs::path& target) {
    newDir = target;
    std::error_code ec;
    whole = !fs::exists(target, ec);
    const fs::path parent = whole ? fs::absolute(target).parent_path() : target;
    fs::create_directories(parent, ec);
    if (ec) throw CommandError("cannot create folder " + parent.string() + ": " + ec.message());
    std::string pattern =
        (parent / ("." + fs::absolute(target).filename().string() + ".copy-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
      throw CommandError("cannot create a folder in " + parent.string() + ": " +
                         std::strerror(errno));
    dir = pattern;
    if (whole)
      fs::permissions(dir,
                      fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                          fs::perms::others_read | fs::perms::others_exec,
                      ec);
  }
  // Once the database is closed.
  void finish() {
    std::error_code ec;
    if (whole)
      fs::rename(dir, newDir, ec);
    else
      fs::rename(db(), newDir / data::Company::kDatabaseName, ec);
    if (ec) throw CommandError("cannot make " + newDir.string() + " the company: " + ec.message());
    if (whole) dir.clear();
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
      made.make(newDir);
      target =
          std::make_unique<data::SqliteStore>(made.db().string(), data::SqliteStore::Mode::Create);
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

  // A server copy that does not become a company is removed from the server again, so a retry
  // is not refused for it.
  auto dropServerCopy = [&] {
    if (toSqlite) return;
    try {
      static_cast<data::PgStore&>(*target).dropCompany();
    } catch (const data::StoreError& e) {
      inv.err() << "koreq: the copy on the server could not be removed again: " << e.what() << "\n";
    }
  };
  const std::vector<std::string> differ =
      data::totalsDiffer(read, data::companyTotals(*target, files));
  if (!differ.empty()) {
    for (const auto& line : differ) inv.err() << "koreq: " << line << "\n";
    dropServerCopy();
    throw CommandError("the copy does not hold what the company holds; " + newDir.string() +
                       " was not made a company");
  }
  if (!toSqlite) {
    try {
      data::Company::pointAtServer(newDir, *to);
    } catch (const data::StoreError& e) {
      dropServerCopy();
      throw CommandError(std::string(e.what()) + "; the copy was removed from the server");
    }
  } else {
    target.reset();
    made.finish();
  }

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
