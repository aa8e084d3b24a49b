#pragma once

// The back ends the storage tests run on: SQLite always; PostgreSQL when KOREQ_PG_TEST holds a
// libpq connection string to a server the tests may use (scripts/test.sh starts one). Each
// PostgreSQL company lives in a schema of its own, dropped afterwards.

#include <libpq-fe.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <stdexcept>
#include <string>

#include "data/company.h"
#include "data/postgres/pg_store.h"
#include "data/sqlite/sqlite_store.h"

namespace koreq::test {

enum class Backend { Sqlite, Postgres };

inline std::string pgTestServer() {
  const char* s = std::getenv("KOREQ_PG_TEST");
  return s ? s : "";
}

// The back end the procedure tests make their companies on: SQLite, or the test server when
// KOREQ_TEST_BACKEND=postgres (scripts/test.sh runs the procedure tests so a second time).
inline Backend procedureBackend() {
  const char* b = std::getenv("KOREQ_TEST_BACKEND");
  return b && std::string(b) == "postgres" && !pgTestServer().empty() ? Backend::Postgres
                                                                      : Backend::Sqlite;
}

// Runs one statement on the test server; false with the reason in `why`.
inline bool pgExec(const std::string& conninfo, const std::string& sql, std::string* why) {
  PGconn* c = PQconnectdb(conninfo.c_str());
  bool ok = PQstatus(c) == CONNECTION_OK;
  if (ok) {
    PGresult* r = PQexec(c, sql.c_str());
    ok = PQresultStatus(r) == PGRES_COMMAND_OK || PQresultStatus(r) == PGRES_TUPLES_OK;
    PQclear(r);
  }
  if (!ok && why) *why = PQerrorMessage(c);
  PQfinish(c);
  return ok;
}

// A company of one back end in `dir`: made on create(), removed (the server's schema too) when
// this goes.
class BackendCompany {
 public:
  BackendCompany(Backend backend, std::filesystem::path dir)
      : backend_(backend), dir_(std::move(dir)) {
    if (backend_ != Backend::Postgres) return;
    static std::atomic<int> serial{0};
    std::random_device rd;
    schema_ = "koreq_t" + std::to_string(::getpid()) + "_" + std::to_string(++serial) + "_" +
              std::to_string(rd() % 100000);
    std::string why;
    if (!pgExec(pgTestServer(), "CREATE SCHEMA " + schema_, &why))
      throw std::runtime_error("cannot make a schema on the test server: " + why);
  }
  ~BackendCompany() {
    if (!schema_.empty())
      pgExec(pgTestServer(),
             "SET client_min_messages = warning; DROP SCHEMA " + schema_ + " CASCADE", nullptr);
  }
  BackendCompany(const BackendCompany&) = delete;
  BackendCompany& operator=(const BackendCompany&) = delete;

  // The connection string of this company's schema (empty for SQLite).
  std::string conninfo() const {
    return schema_.empty() ? "" : pgTestServer() + " options='-csearch_path=" + schema_ + "'";
  }
  const std::filesystem::path& dir() const { return dir_; }
  const std::string& schema() const { return schema_; }
  Backend backend() const { return backend_; }

  std::unique_ptr<data::Company> create() {
    if (backend_ == Backend::Sqlite) return data::Company::create(dir_);
    return data::Company::createOnServer(dir_, conninfo());
  }
  std::unique_ptr<data::Company> open(bool forReading = false) {
    return data::Company::open(dir_, forReading);
  }
  // Another workstation's connection to the same company.
  std::unique_ptr<data::Store> otherStation() {
    if (backend_ == Backend::Sqlite)
      return std::make_unique<data::SqliteStore>((dir_ / data::Company::kDatabaseName).string(),
                                                 data::SqliteStore::Mode::Open);
    return std::make_unique<data::PgStore>(conninfo(), data::PgStore::Mode::Open);
  }

 private:
  Backend backend_;
  std::filesystem::path dir_;
  std::string schema_;
};

}  // namespace koreq::test
