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

  // Makes a new company in `dir` (created when missing). Throws StoreError when a company is
  // already there, so an existing company is never touched.
  static std::unique_ptr<Company> create(const std::filesystem::path& dir);
  // Opens an existing company; throws StoreError when there is none or the folder holds
  // something that is not a company (which is left as it was). `forReading` opens it without
  // ever writing; otherwise the schema is brought up to date when it differs.
  static std::unique_ptr<Company> open(const std::filesystem::path& dir, bool forReading = false);
  static bool exists(const std::filesystem::path& dir);

  const std::filesystem::path& dataPath() const { return dir_; }
  Store& store() { return *store_; }

 private:
  Company(std::filesystem::path dir, std::unique_ptr<Store> store)
      : dir_(std::move(dir)), store_(std::move(store)) {}
  std::filesystem::path dir_;
  std::unique_ptr<Store> store_;
};

}  // namespace koreq::data
