#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "data/store.h"

namespace koreq::data {

// An open company: its data folder (DATAPATH) and the database behind it.
class Company {
 public:
  static constexpr const char* kDatabaseName = "company.db";
  // A company whose data is on a PostgreSQL server has this settings file instead:
  //   [Database]
  //   Backend=PostgreSQL
  //   Connection=host=db.example.com dbname=acme user=dana
  // The connection string holds no password: libpq takes it from PGPASSWORD or the user's
  // password file (~/.pgpass), or the desktop program asks for it. With
  //   SignOn=Role
  //   RolePrefix=acme_
  // each user connects as a database role of their own (user ADM as acme_adm), so the server
  // checks every user's password; `koreq roles` makes the roles.
  static constexpr const char* kSettingsName = "company.ini";

  // Makes a new company in `dir` (created when missing). Throws StoreError when a company is
  // already there, so an existing company is never touched.
  static std::unique_ptr<Company> create(const std::filesystem::path& dir);
  // Opens an existing company; throws StoreError when there is none or the folder holds
  // something that is not a company (which is left as it was). `forReading` opens it without
  // ever writing; otherwise the schema is brought up to date when it differs.
  // A password given here goes to the server instead of the ones libpq finds itself. `user`
  // is the user who signs on: on a server company that signs on by role, the connection is
  // made as that user's role (without a user, as the connection string says).
  static std::unique_ptr<Company> open(const std::filesystem::path& dir, bool forReading = false,
                                       const std::string& password = {},
                                       const std::string& user = {});
  // Whether `dir` holds a company (its database or its settings file).
  static bool exists(const std::filesystem::path& dir);
  // The server connection string of the company in `dir`, or empty when its data is embedded.
  // Throws StoreError when the settings file names no back end this program has.
  static std::string serverConnection(const std::filesystem::path& dir);
  // Makes a new company on the server `conninfo` (in the first schema of its search path) and
  // the folder `dir` that points at it. Refuses a server schema or a folder that already holds
  // a company, and a connection string holding a password.
  static std::unique_ptr<Company> createOnServer(const std::filesystem::path& dir,
                                                 const std::string& conninfo,
                                                 const std::string& password = {});
  // The database role `user` signs on as in the company of `dir`; empty when that company does
  // not sign on by role.
  static std::string roleOf(const std::filesystem::path& dir, const std::string& user);
  // Writes the settings file that makes `dir` a company on the server `conninfo`; refuses a
  // connection string holding a password and a folder that already holds a company.
  static void pointAtServer(const std::filesystem::path& dir, const std::string& conninfo);

  const std::filesystem::path& dataPath() const { return dir_; }
  Store& store() { return *store_; }

 private:
  Company(std::filesystem::path dir, std::unique_ptr<Store> store)
      : dir_(std::move(dir)), store_(std::move(store)) {}
  std::filesystem::path dir_;
  std::unique_ptr<Store> store_;
};

}  // namespace koreq::data
