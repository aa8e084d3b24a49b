// Print in a format list hands the format to its report through the registry. Each test puts a
// stand-in in the report's place that notes what it was handed; that is the one thing a
// scenario cannot do.

#include "equipment/form_fixture.h"

namespace koreq::equipment::test {
namespace {

class FormatPrint : public FormTest {
 protected:
  struct Handed {
    std::string report, filter, title;
    std::uint32_t limitId = 0;
    int preview = -1;
    Date from, to;
  };

  // A stand-in for `report` that notes what it was handed.
  void standIn(const std::string& report) {
    auto note = [this, report](frame::Context& c) {
      const data::EqLimits& f = c.rec<data::EqLimits>();
      handed.push_back({report, c.g.REPORTFILTER.str(), f.ReportTitle.str(), f.LimitID,
                        c.session().g.PrintPreview, f.DateFrom, f.DateTo});
    };
    if (!registry.replace(report, note)) registry.add(report, note);
  }
  void open(const char* browse) {
    ctx.g.GlobalRequest = 0;
    ASSERT_TRUE(desktop.call(ctx, browse));
  }
  bool printUsable() { return user.property("?PRINT", "enabled") == "1"; }

  std::vector<Handed> handed;
};

TEST_F(FormatPrint, TheDispatcherReachesTheReportOfTheFormatsStyleOnly) {
  standIn("PrintEQListing");  // Master, Complete, Data Sheet; not Summary
  open("BrowseEQListingLimits");
  user.select("?BROWSE:1", "Summary - Insured on Policy CIM-448812");
  EXPECT_FALSE(printUsable());
  user.select("?BROWSE:1", "Equipment Master Listing");
  ASSERT_TRUE(printUsable());
  user.press("?PRINT");
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_EQ(handed[0].report, "PrintEQListing");
  EXPECT_EQ(handed[0].filter, std::to_string(handed[0].limitId));
  EXPECT_EQ(handed[0].title, "Equipment Master Listing");
  EXPECT_EQ(handed[0].preview, 1);

  // Right click: once straight to the printer, the preview back on afterwards.
  port.queueMenu("Print Report Directly to Default Printer");
  user.key("?PRINT", "RightClick");
  ASSERT_EQ(handed.size(), 2u);
  EXPECT_EQ(handed[1].preview, 0);
  EXPECT_EQ(session.g.PrintPreview, 1);
  port.queueMenu("Cancel");
  user.key("?PRINT", "RightClick");
  EXPECT_EQ(handed.size(), 2u);

  // Straight to the printer from a list without formats: nothing printed, and the next report
  // is previewed again.
  ctx.store().clearFile(data::EqLimits::def());
  user.press("?CLOSE");
  open("BrowseEQListingLimits");
  port.queueMenu("Print Report Directly to Default Printer");
  user.key("?PRINT", "RightClick");
  EXPECT_EQ(handed.size(), 2u);
  EXPECT_EQ(session.g.PrintPreview, 1);
}

TEST_F(FormatPrint, AFloatingRangeIsWorkedOutAndAnUnnumberedFormatNumbered) {
  standIn("PrintEQMaintenance");
  // A format kept without a number (from an older version) gets one when it is printed.
  data::FileAccess& formats = ctx.file(data::EqLimits::def());
  ASSERT_EQ(formats.fetch("KeyLimitID", {data::Value(std::int64_t{5})}), data::kNoError);
  ASSERT_TRUE(formats.put("EQLM:LimitID", data::Value(std::int64_t{0})));
  ASSERT_EQ(formats.update(), data::kNoError);

  open("BrowseEQAnalysisLimits");
  user.select("?BROWSE:1", "Maintenance Due - Next 60 Days");
  ASSERT_TRUE(printUsable());
  user.press("?PRINT");
  ASSERT_EQ(handed.size(), 1u);
  EXPECT_NE(handed[0].limitId, 0u);
  EXPECT_EQ(handed[0].filter, std::to_string(handed[0].limitId));
  // Today (15 March 2024) less 365 days, plus 60 days.
  EXPECT_EQ(handed[0].from, *Date::fromYmd(2023, 3, 16));
  EXPECT_EQ(handed[0].to, *Date::fromYmd(2024, 5, 14));
  data::FileAccess check(ctx.store(), data::EqLimits::def(), ctx.errors());
  EXPECT_EQ(check.fetch("KeyLimitID", {data::Value(std::int64_t{handed[0].limitId})}),
            data::kNoError);
  // The floating dates are worked out for the run, not stored.
  EXPECT_TRUE(std::get<Date>(check.get("EQLM:DateFrom")).isEmpty());
}

// Not Print, but only seen through the port: the detail form's help follows its tab.
TEST_F(FormatPrint, TheDetailFormsHelpFollowsItsTab) {
  open("BrowseEQDetailLimits");
  user.press("?INSERT");
  user.press("?HELP");
  user.choose("?SHEET", "2");
  user.press("?HELP");
  user.choose("?SHEET", "1");
  user.press("?HELP");
  EXPECT_EQ(port.helpShown(),
            (std::vector<std::string>{
                "html/EC_Detail_Reports.htm#ec_insert_or_change_a_equipment_detail_report",
                "html/EC_Detail_Reports.htm#ec_dr_gl_limits",
                "html/EC_Detail_Reports.htm#ec_insert_or_change_a_equipment_detail_report"}));
}

}  // namespace
}  // namespace koreq::equipment::test
