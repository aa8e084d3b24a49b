// PrintFixedAssets by the bands it prints and the export lines it writes, on a demo asset.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/company.h"
#include "depreciation/print_fixed_assets.h"
#include "frame/context.h"
#include "reportframe/band_recorder.h"
#include "reportframe/report_def.h"
#include "support/demo_folder.h"
#include "support/temp_dir.h"

namespace koreq::depreciation {
namespace {

using reportframe::BandRecorder;
using reportframe::Report;
using ::testing::ElementsAre;

constexpr char kToday[] = "2016-06-15";

class PrintFixedAssetsTest : public test::DemoSuiteTest<kToday> {
 protected:
  PrintFixedAssetsTest()
      : clock_(*Date::fromYmd(2016, 6, 15), Time::fromHms(14, 5)),
        session_(data::Company::open(demoFolder(), true), clock_, "ADM"),
        ctx_(session_) {
    session_.g.COMPANYNAME = "Demo Contracting Co.";
  }

  data::EqHeader& equipment(const char* id) {
    auto& eqh = ctx_.access<data::EqHeader>();
    EXPECT_EQ(eqh.fetch("EQH:KeyEquipmentID", {std::string(id)}), data::kNoError);
    return eqh.rec();
  }

  // The frame's start, the body, the end of the report.
  void print() {
    Report report(reportframe::reportDef("PrintFixedAssets"), pages_);
    reportframe::startRun(ctx_, printFixedAssetsProcedure(), report);
    auto body = printFixedAssetsBody(ctx_);
    body->begin(report);
    while (body->next(report)) {
    }
    body->end(report);
    report.endReport();
  }

  FixedClock clock_;
  frame::Session session_;
  frame::Context ctx_;
  BandRecorder pages_;
};

TEST_F(PrintFixedAssetsTest, TheScheduleOfAStraightLineAsset) {
  equipment("DT-201");
  print();
  // 96 months: 51 lines of 11 points fill the 566 points between header and footer.
  EXPECT_EQ(pages_.pages(), 2);
  const auto details = pages_.bands("detail");
  ASSERT_EQ(details.size(), 96u);
  EXPECT_EQ(details[50].page, 1);
  EXPECT_EQ(details[51].page, 2);
  const auto names = pages_.names();
  EXPECT_EQ(names.front(), "header");
  EXPECT_EQ(names.back(), "footer");

  const auto& header = pages_.bands().front();
  EXPECT_EQ(header.text("?RunDate"), "6/15/2016");
  EXPECT_EQ(header.text("?RunTime"), "14:05");
  EXPECT_EQ(header.text("?CompanyName"), "Demo Contracting Co.");
  EXPECT_EQ(header.text("?Title"), "Fixed Asset Depreciation Schedule");
  EXPECT_EQ(header.text("?EQH:EquipmentID"), "DT-201");
  EXPECT_EQ(header.text("?EQH:Description"), "2020 Kenworth T880 Tri-Axle Dump");
  EXPECT_EQ(header.text("?EQH:PurchaseDate"), "4/19/2012");
  EXPECT_EQ(header.text("?EQH:DepreciationYears"), "96");
  EXPECT_EQ(header.text("?LOC:SelectedMethod"), "Straight Line");
  EXPECT_EQ(header.text("?EQH:PurchaseValue"), "186,500.00");
  EXPECT_EQ(header.text("?EQH:SalvageValue"), "45,000.00");
  EXPECT_TRUE(header.bold("?SLHeading"));
  EXPECT_TRUE(header.bold("?SLValueHeading"));
  EXPECT_FALSE(header.bold("?SYHeading"));
  EXPECT_FALSE(header.bold("?UD1AmountHeading"));

  const auto first = pages_.bands("detail").front();
  EXPECT_EQ(first.page, 1);
  EXPECT_EQ(first.text("?LOC:MonthYear"), "05/2012");
  EXPECT_EQ(first.text("?GLDP:SLAmount"), "1,473.96");
  EXPECT_EQ(first.text("?GLDP:SLValue"), "185,026.04");
  EXPECT_EQ(first.text("?GLDP:SYAmount"), "2,917.53");
  EXPECT_EQ(first.text("?GLDP:DDBValue"), "182,614.58");
  EXPECT_EQ(first.text("?GLDP:ActualAmount"), "0.00");
  EXPECT_EQ(first.text("?GLDP:GLTransID"), "");  // blank when zero
  EXPECT_TRUE(first.bold("?GLDP:SLAmount"));
  EXPECT_FALSE(first.bold("?GLDP:SYAmount"));
  const auto last = pages_.bands("detail").back();
  EXPECT_EQ(last.page, 2);
  EXPECT_EQ(last.text("?LOC:MonthYear"), "04/2020");
  EXPECT_EQ(last.text("?GLDP:SLValue"), "45,000.00");
  EXPECT_EQ(pages_.bands("footer").back().text("?PageNo"), "2");

  const auto& rx = ctx_.g.RXQUEUE;
  ASSERT_EQ(rx.size(), 10u + 96u);
  EXPECT_THAT(std::vector<std::string>(rx.begin(), rx.begin() + 10),
              ElementsAre("Demo Contracting Co.", "Fixed Asset Depreciation Schedule", "",
                          "Asset ID:\tDT-201 2020 Kenworth T880 Tri-Axle Dump",
                          "Purchase Date: 4/19/2012\t\t\tMonths to Depreciate: 96\t\t\t"
                          "Depreciation Method: Straight Line",
                          "Purchase Value: 186,500.00\t\t\tSalvage Value: 45,000.00", "",
                          "Depreciation Schedule:",
                          "\tStraight Line\t\tSum of Years' Digits\t\tDouble Declining "
                          "Balance\t\tCustom\t\tActual\tFiscal",
                          "Month/Year\tAmount\tValue\tAmount\tValue\tAmount\tValue\tAmount\t"
                          "Value\tAmount\tPeriod\tRecord #"));
  EXPECT_EQ(rx[10],
            "5/01/2012\t1,473.96\t185,026.04\t2,917.53\t183,582.47\t3,885.42\t182,614.58\t"
            "0.00\t0.00\t0.00\t\t0");
  // A month never posted: an empty period and record number 0.
  EXPECT_EQ(rx.back().substr(rx.back().size() - 8), "\t0.00\t\t0");
  EXPECT_EQ(ctx_.g.PDFFILENAME.str(),
            (demoFolder() / "Fixed Asset Depreciation Schedule.pdf").string());
}

TEST_F(PrintFixedAssetsTest, TheChosenMethodIsBoldAndNamed) {
  struct Case {
    std::uint8_t method;
    const char* desc;
    const char* name;
    const char* bold;  // the column group in bold, or nullptr
  };
  for (const Case& c :
       {Case{2, "", "Sum of Years' Digits", "SY"},
        Case{3, "", "Double Rate Declining Balance", "DDB"}, Case{4, "", "Custom", "UD1"},
        Case{4, "Units of Use", "Units of Use", "UD1"}, Case{0, "", "Undetermined", nullptr},
        Case{9, "", "Undetermined", nullptr}}) {
    data::EqHeader& eq = equipment("DT-202");
    eq.DepreciationMethod = c.method;  // the buffer, as the form leaves it
    eq.UD1DepreciationDesc = c.desc;
    pages_ = BandRecorder();
    print();
    const auto& header = pages_.bands().front();
    EXPECT_EQ(header.text("?LOC:SelectedMethod"), c.name);
    EXPECT_THAT(ctx_.g.RXQUEUE[4], ::testing::EndsWith(std::string("Method: ") + c.name));
    const auto detail = pages_.bands("detail").front();
    for (const char* group : {"SL", "SY", "DDB", "UD1"}) {
      const bool bold = c.bold && std::string(c.bold) == group;
      const std::string amount = std::string("?GLDP:") + group + "Amount";
      EXPECT_EQ(header.bold(std::string("?") + group + "Heading"), bold) << c.name << group;
      EXPECT_EQ(header.bold(std::string("?") + group + "ValueHeading"), bold) << c.name;
      EXPECT_EQ(detail.bold(amount), bold) << c.name << group;
      EXPECT_EQ(detail.bold(std::string("?GLDP:") + group + "Value"), bold) << c.name;
    }
  }
}

TEST_F(PrintFixedAssetsTest, AnAssetWithoutRowsPrintsNothing) {
  data::EqHeader& eq = equipment("DT-201");
  eq.EquipmentID = "NEW-1";  // not saved, no schedule
  print();
  EXPECT_EQ(pages_.pages(), 0);
  EXPECT_TRUE(pages_.bands().empty());
  EXPECT_EQ(ctx_.g.RXQUEUE.size(), 10u);  // the heading lines only
}

}  // namespace
}  // namespace koreq::depreciation
