#include "frame/registry.h"

#include <gtest/gtest.h>

#include "data/records.h"
#include "support/company_fixture.h"

namespace koreq::frame {
namespace {

TEST(ProcedureRegistry, NamesIgnoreCaseAndMistakesAreCaught) {
  ProcedureRegistry reg;
  std::vector<std::string> ran;
  reg.add("BrowseEQHeader", [&](Context&) { ran.push_back("browse"); });
  reg.add("GETCASE", [&](Context&) { ran.push_back("getcase"); });
  EXPECT_TRUE(reg.has("browseeqheader"));
  EXPECT_FALSE(reg.has("BrowseEQHeaders"));
  EXPECT_THROW(reg.add("BROWSEEQHEADER", nullptr), std::logic_error);
  EXPECT_EQ(reg.names(), (std::vector<std::string>{"BrowseEQHeader", "GETCASE"}));
  EXPECT_FALSE(reg.replace("UpdateEQHeader", nullptr));
  EXPECT_FALSE(reg.has("UpdateEQHeader"));
  EXPECT_TRUE(reg.replace("getcase", [&](Context&) { ran.push_back("replaced"); }));
  EXPECT_EQ(reg.names(), (std::vector<std::string>{"BrowseEQHeader", "GETCASE"}));
}

class DispatcherTest : public fixture::CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    registerReportDispatchers(reg_);
    for (const char* name :
         {"PrintEQAnalysis", "PrintEQAnalysis1", "PrintEQMaintenance", "PrintEQListing",
          "PrintEQListing1", "PrintEQCategoryList", "PrintEQCategoryList1"})
      reg_.add(name, [this, n = std::string(name)](Context&) { printed_.push_back(n); });
  }
  // What the dispatcher printed for a style code in the given EQLIMITS field.
  std::vector<std::string> run(const char* dispatcher, std::string code) {
    data::EqLimits& f = ctx().rec<data::EqLimits>();
    f = data::EqLimits{};
    f.ReportType = code;
    f.ReportFormat = code;
    f.DetailSummary = code;
    printed_.clear();
    EXPECT_TRUE(reg_.call(ctx(), dispatcher));
    return printed_;
  }
  ProcedureRegistry reg_;
  std::vector<std::string> printed_;
};

TEST_F(DispatcherTest, AnalysisByReportType) {
  using V = std::vector<std::string>;
  EXPECT_EQ(run("PrintEQAnalysisServer", "A"), V{"PrintEQAnalysis"});
  EXPECT_EQ(run("PrintEQAnalysisServer", "S"), V{"PrintEQAnalysis1"});
  EXPECT_EQ(run("PrintEQAnalysisServer", "M"), V{"PrintEQMaintenance"});
  EXPECT_EQ(run("PrintEQAnalysisServer", ""), V{});
  EXPECT_EQ(run("PrintEQAnalysisServer", "D"), V{});
  EXPECT_EQ(run("PrintEQAnalysisServer", "a"), V{});
  // The field read is ReportType alone.
  data::EqLimits& f = ctx().rec<data::EqLimits>();
  f = data::EqLimits{};
  f.ReportType = "M";
  f.ReportFormat = "A";
  printed_.clear();
  reg_.call(ctx(), "printeqanalysisserver");
  EXPECT_EQ(printed_, V{"PrintEQMaintenance"});
}

TEST_F(DispatcherTest, ListingByReportFormat) {
  using V = std::vector<std::string>;
  for (const char* code : {"M", "C", "D"})
    EXPECT_EQ(run("PrintEQListingServer", code), V{"PrintEQListing"}) << code;
  EXPECT_EQ(run("PrintEQListingServer", "S"), V{"PrintEQListing1"});
  EXPECT_EQ(run("PrintEQListingServer", ""), V{});  // an empty code prints nothing
  EXPECT_EQ(run("PrintEQListingServer", "A"), V{});
  data::EqLimits& f = ctx().rec<data::EqLimits>();
  f = data::EqLimits{};
  f.ReportFormat = "S";
  f.ReportType = "M";
  printed_.clear();
  reg_.call(ctx(), "PrintEQListingServer");
  EXPECT_EQ(printed_, V{"PrintEQListing1"});
}

TEST_F(DispatcherTest, CategoryListByDetailSummary) {
  using V = std::vector<std::string>;
  EXPECT_EQ(run("PrintEQCategoryListServer", "S"), V{"PrintEQCategoryList"});
  EXPECT_EQ(run("PrintEQCategoryListServer", ""), V{"PrintEQCategoryList1"});
  EXPECT_EQ(run("PrintEQCategoryListServer", "D"), V{"PrintEQCategoryList1"});
  EXPECT_EQ(run("PrintEQCategoryListServer", "s"), V{"PrintEQCategoryList1"});
  data::EqLimits& f = ctx().rec<data::EqLimits>();
  f = data::EqLimits{};
  f.DetailSummary = "S";
  f.ReportFormat = "D";
  printed_.clear();
  reg_.call(ctx(), "PrintEQCategoryListServer");
  EXPECT_EQ(printed_, V{"PrintEQCategoryList"});
}

TEST_F(DispatcherTest, MissingReportDoesNothing) {
  ProcedureRegistry bare;
  registerReportDispatchers(bare);
  ctx().rec<data::EqLimits>().ReportType = "A";
  EXPECT_TRUE(bare.call(ctx(), "PrintEQAnalysisServer"));
  EXPECT_FALSE(bare.call(ctx(), "PrintEQAnalysis"));
}

}  // namespace
}  // namespace koreq::frame
