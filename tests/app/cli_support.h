#pragma once

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "app/cli.h"
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

}  // namespace koreq::cli::test
