#pragma once

// The demo company made in a folder the way `koreq init --demo` makes it, for tests that read
// or change a realistic company.

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <sstream>
#include <string>

#include "app/cli.h"
#include "demo/demo_company.h"
#include "support/temp_dir.h"

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

// Tests that read one demo company, made once for their suite and dated `Today`.
template <const char* Today>
class DemoSuiteTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    dir_ = std::make_unique<TempDir>();
    ASSERT_EQ(makeDemoFolder(demoFolder(), Today), "");
  }
  static void TearDownTestSuite() { dir_.reset(); }
  static std::filesystem::path demoFolder() { return dir_->path / "demo"; }

 private:
  static inline std::unique_ptr<TempDir> dir_;
};

}  // namespace koreq::test
