#pragma once

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "app/cli.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "support/temp_dir.h"

namespace koreq::cli::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
using koreq::test::TempDir;

struct Result {
  int rc = -1;
  std::string out;
  std::string err;
};

inline Result run(std::vector<std::string> args) {
  std::ostringstream out, err;
  Result r;
  r.rc = runCli(std::move(args), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

// The batches' sort values in sort order, read from the company in `dir`.
inline std::vector<std::int32_t> sortIds(const std::filesystem::path& dir) {
  std::vector<std::int32_t> ids;
  auto company = data::Company::open(dir, true);
  data::ErrorObject errors;
  data::Access<data::EqBatch> a(company->store(), errors);
  a.set(*data::EqBatch::def().key("KeySortID"));
  while (a.next() == data::kNoError) ids.push_back(a.rec().SortID);
  return ids;
}

}  // namespace koreq::cli::test
