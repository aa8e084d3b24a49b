// koreq import on the demo company: error lines stop the import unless --proceed; what it adds
// is priced and counted; the flags answer the window's questions.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"

namespace koreq::cli::test {
namespace {

using ::testing::HasSubstr;

class ImportCommand : public ::testing::Test {
 protected:
  void SetUp() override {
    setDemoMaker(&demo::makeDemoCompany);
    ASSERT_EQ(koreq({"init", "--demo"}).rc, 0);
    std::ofstream(file()) << "AC-801,0,0,8,R,Job,,2101,01-100E,,,\"Pour, north\",03/05/2024\n"
                             "\n"
                             "AC-802,100,130,0,,,,2101,01-900L\n"
                             "ZZ-1,0,0,1,,,1000\n";
  }
  void TearDown() override { setDemoMaker({}); }

  Result koreq(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", (dir_ / "demo").string(), "--today", "2025-07-16"});
    return run(std::move(args));
  }
  std::string file() const { return (dir_ / "in.csv").string(); }
  long entries() {
    auto company = data::Company::open(dir_ / "demo");
    data::ErrorObject errors;
    data::Access<data::EqLogB> a(company->store(), errors);
    return static_cast<long>(a.records());
  }

  TempDir dir_;
};

TEST_F(ImportCommand, ErrorsStopItUnlessToldToProceed) {
  const long before = entries();
  Result stopped = koreq({"import", "1", file()});
  EXPECT_EQ(stopped.rc, 1);
  EXPECT_THAT(stopped.out, HasSubstr("Line 4: Equipment: ZZ-1 Not Found\n2 items read, 1 line"));
  EXPECT_THAT(stopped.err, HasSubstr("nothing was imported"));
  EXPECT_EQ(entries(), before);

  Result some = koreq({"import", "1", file(), "--proceed", "--equipment-only"});
  EXPECT_EQ(some.rc, 0) << some.err;
  EXPECT_THAT(some.out, HasSubstr("Imported 1 entry into batch 000001 (1 charged to cost types"));
  EXPECT_EQ(entries(), before + 1);

  EXPECT_EQ(koreq({"import", "1", file(), "--proceed"}).rc, 0);
  EXPECT_EQ(entries(), before + 3);

  EXPECT_EQ(koreq({"import", "1", file(), "--source", "Nope"}).err,
            "koreq: there is no import source named \"Nope\"\n");
  EXPECT_EQ(koreq({"import", "99", file()}).err, "koreq: there is no batch 000099\n");
  // EQV's protected batch is EQV's to fill, as in the batch manager.
  EXPECT_EQ(koreq({"import", "2", file(), "--proceed"}).err,
            "koreq: batch 000002 is protected by user EQV; nothing was imported\n");
  EXPECT_EQ(entries(), before + 3);
  EXPECT_EQ(koreq({"import", "1", file(), "--all-types", "--equipment-only"}).rc, 2);
  EXPECT_EQ(koreq({"import", "1", (dir_ / "missing.csv").string()}).rc, 1);
}

// The built-in source is added with the first import that lands, not by one that is refused.
TEST_F(ImportCommand, ARefusedImportLeavesNoBuiltInSourceBehind) {
  auto sources = [&] {
    auto company = data::Company::open(dir_ / "demo");
    data::ErrorObject errors;
    return data::Access<data::JcLimits>(company->store(), errors).records();
  };
  const auto before = sources();
  EXPECT_EQ(koreq({"import", "1", file()}).rc, 1);
  EXPECT_EQ(koreq({"import", "1", file(), "--source", "Nope"}).rc, 1);
  EXPECT_EQ(sources(), before);
  EXPECT_EQ(koreq({"import", "1", file(), "--proceed"}).rc, 0);
  EXPECT_EQ(sources(), before + 1);
}

}  // namespace
}  // namespace koreq::cli::test
