#pragma once

// The demo company made in a folder the way `koreq init --demo` makes it, for tests that read
// or change a realistic company.

#include <filesystem>
#include <sstream>
#include <string>

#include "app/cli.h"
#include "demo/demo_company.h"

namespace koreq::test {

// Empty when the company was made; else what the command said.
inline std::string makeDemoFolder(const std::filesystem::path& folder, const char* today) {
  cli::setDemoMaker(&demo::makeDemoCompany);
  std::ostringstream out, err;
  const int rc =
      cli::runCli({"--data", folder.string(), "--today", today, "init", "--demo"}, out, err);
  cli::setDemoMaker({});
  return rc == 0 ? std::string() : "init --demo failed: " + err.str();
}

}  // namespace koreq::test
