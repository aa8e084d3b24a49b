#include "data/company.h"

#include "data/sqlite/sqlite_store.h"

namespace koreq::data {

namespace fs = std::filesystem;

bool Company::exists(const fs::path& dir) {
  return fs::exists(dir / kDatabaseName);
}

std::unique_ptr<Company> Company::create(const fs::path& dir) {
  if (exists(dir))
    throw StoreError(kDuplicateKey,
                     "A company already exists in " + dir.string() + "; nothing was changed.");
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec)
    throw StoreError(kDriverError, "Cannot create folder " + dir.string() + ": " + ec.message());
  auto store =
      std::make_unique<SqliteStore>((dir / kDatabaseName).string(), SqliteStore::Mode::Create);
  store->ensureSchema(allFiles());
  return std::unique_ptr<Company>(new Company(dir, std::move(store)));
}

std::unique_ptr<Company> Company::open(const fs::path& dir, bool forReading) {
  if (!exists(dir))
    throw StoreError(kRecordNotFound,
                     "No company in " + dir.string() + " (make one with: koreq --data DIR init)");
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
