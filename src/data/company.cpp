#include "data/company.h"

#include "data/postgres/pg_store.h"
#include "data/sqlite/sqlite_store.h"
#include "runtime/ini.h"
#include "runtime/text.h"

namespace koreq::data {

namespace fs = std::filesystem;

namespace {
constexpr const char* kSection = "Database";
}  // namespace

bool Company::exists(const fs::path& dir) {
  return fs::exists(dir / kDatabaseName) || fs::exists(dir / kSettingsName);
}

std::string Company::serverConnection(const fs::path& dir) {
  if (!fs::exists(dir / kSettingsName)) return {};
  IniFile ini(dir / kSettingsName);
  const std::string backend = ini.get(kSection, "Backend");
  if (!ini.lastError().empty())
    throw StoreError(kDriverError,
                     "Cannot read " + (dir / kSettingsName).string() + ": " + ini.lastError());
  if (upper(backend) != "POSTGRESQL")
    throw StoreError(kDriverError, (dir / kSettingsName).string() + " names the back end '" +
                                       backend + "'; this program knows only PostgreSQL");
  std::string conninfo = ini.get(kSection, "Connection");
  if (conninfo.empty())
    throw StoreError(kDriverError,
                     (dir / kSettingsName).string() + " gives no Connection for the server");
  return conninfo;
}

namespace {
// A new company's folder: refused when it already holds a company.
void makeCompanyFolder(const fs::path& dir) {
  if (Company::exists(dir))
    throw StoreError(kDuplicateKey,
                     "A company already exists in " + dir.string() + "; nothing was changed.");
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec)
    throw StoreError(kDriverError, "Cannot create folder " + dir.string() + ": " + ec.message());
}
}  // namespace

void Company::pointAtServer(const fs::path& dir, const std::string& conninfo) {
  std::string why;
  if (!PgStore::checkConnectionString(conninfo, &why)) throw StoreError(kBadValue, why);
  makeCompanyFolder(dir);
  IniFile ini(dir / kSettingsName);
  if (!ini.set(kSection, "Backend", "PostgreSQL") || !ini.set(kSection, "Connection", conninfo))
    throw StoreError(kDriverError, "Cannot write " + ini.path().string() + ": " + ini.lastError());
}

std::unique_ptr<Company> Company::create(const fs::path& dir) {
  makeCompanyFolder(dir);
  auto store =
      std::make_unique<SqliteStore>((dir / kDatabaseName).string(), SqliteStore::Mode::Create);
  store->ensureSchema(allFiles());
  return std::unique_ptr<Company>(new Company(dir, std::move(store)));
}

std::unique_ptr<Company> Company::createOnServer(const fs::path& dir, const std::string& conninfo,
                                                 const std::string& password) {
  std::string why;
  if (!PgStore::checkConnectionString(conninfo, &why)) throw StoreError(kBadValue, why);
  if (exists(dir))
    throw StoreError(kDuplicateKey,
                     "A company already exists in " + dir.string() + "; nothing was changed.");
  auto store = std::make_unique<PgStore>(conninfo, PgStore::Mode::Create, password);
  store->ensureSchema(allFiles());
  pointAtServer(dir, conninfo);
  return std::unique_ptr<Company>(new Company(dir, std::move(store)));
}

std::string Company::roleOf(const fs::path& dir, const std::string& user) {
  if (serverConnection(dir).empty()) return {};
  IniFile ini(dir / kSettingsName);
  const std::string signOn = ini.get(kSection, "SignOn");
  if (signOn.empty()) return {};
  if (upper(signOn) != "ROLE")
    throw StoreError(kDriverError, (dir / kSettingsName).string() + " signs on by '" + signOn +
                                       "'; this program knows only Role");
  return ini.get(kSection, "RolePrefix", "koreq_") + lower(clipped(user));
}

std::unique_ptr<Company> Company::open(const fs::path& dir, bool forReading,
                                       const std::string& password, const std::string& user) {
  if (!exists(dir))
    throw StoreError(kRecordNotFound,
                     "No company in " + dir.string() + " (make one with: koreq --data DIR init)");
  if (const std::string conninfo = serverConnection(dir); !conninfo.empty()) {
    const std::string role = user.empty() ? std::string() : roleOf(dir, user);
    auto store = std::make_unique<PgStore>(
        conninfo, forReading ? PgStore::Mode::ReadOnly : PgStore::Mode::Open, password, role);
    store->ensureSchema(allFiles());
    return std::unique_ptr<Company>(new Company(dir, std::move(store)));
  }
  const fs::path file = dir / kDatabaseName;
  std::error_code ec;
  if (fs::file_size(file, ec) == 0 && !ec)
    throw StoreError(kDriverError, file.string() +
                                       " is empty: it is not a company database. It was left as "
                                       "it was.");
  auto store = std::make_unique<SqliteStore>(
      file.string(), forReading ? SqliteStore::Mode::ReadOnly : SqliteStore::Mode::Open);
  store->ensureSchema(allFiles());
  return std::unique_ptr<Company>(new Company(dir, std::move(store)));
}

}  // namespace koreq::data
