// PrintEQLogBProof by the bands it prints: the batch sections in tag-list order, the entries by
// equipment and date, the totals, and what the format's limits and REPORTFILTER let through.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/access.h"
#include "data/company.h"
#include "frame/context.h"
#include "reportframe/band_recorder.h"
#include "reportframe/report_def.h"
#include "support/demo_folder.h"
#include "support/temp_dir.h"
#include "usagelog/proof_listing.h"

namespace koreq::usagelog {
namespace {

using reportframe::BandRecorder;
using reportframe::Report;
using ::testing::ElementsAre;

constexpr char kToday[] = "2016-06-15";

class ProofListingTest : public test::DemoSuiteTest<kToday> {
 protected:
  ProofListingTest()
      : clock_(*Date::fromYmd(2016, 6, 15), Time::fromHms(8, 0)),
        session_(data::Company::open(demoFolder(), true), clock_, "ADM"),
        ctx_(session_) {
    auto& f = ctx_.rec<data::EqLimits>();
    f.LimitID = 7;
    f.Report = "Log Proof Listing";
    ctx_.g.REPORTFILTER = "7";
  }

  // The frame's start, the body, the end of the report; the bands it printed.
  BandRecorder print(std::vector<std::uint16_t> batches) {
    ctx_.g.TAGQUE = std::move(batches);
    BandRecorder pages;
    Report report(reportframe::reportDef("PrintEQLogBProof"), pages);
    reportframe::startRun(ctx_, printEqLogBProofProcedure(), report);
    auto body = printEqLogBProofBody(ctx_);
    body->begin(report);
    while (body->next(report)) {
    }
    body->end(report);
    report.endReport();
    return pages;
  }
  // The names of the bands between the page header and footer, with the texts that tell them
  // apart: "detail ST-950 6/10/2016".
  static std::vector<std::string> outline(const BandRecorder& pages) {
    std::vector<std::string> out;
    for (const auto& b : pages.bands()) {
      if (b.name == "detail")
        out.push_back("detail " + b.text("?EQLB:EquipmentID") + " " + b.text("?EQLB:Date"));
      else if (b.name == "batchHeader")
        out.push_back(b.text("?LOC:BatchText"));
      else if (b.name == "equipmentFooter")
        out.push_back("equipment " + b.text("?LOC:EquipmentUnits") + " " +
                      b.text("?LOC:EquipmentNet"));
      else if (b.name == "batchFooter")
        out.push_back(b.text("?LOC:BatchCaption") + " " + b.text("?LOC:BatchUnits") + " " +
                      b.text("?LOC:BatchNet"));
      else if (b.name == "grandFooter")
        out.push_back("grand " + b.text("?LOC:GrandUnits") + " " + b.text("?LOC:GrandNet"));
    }
    return out;
  }

  FixedClock clock_;
  frame::Session session_;
  frame::Context ctx_;
};

TEST_F(ProofListingTest, BatchesEntriesByEquipmentAndDateWithTheirTotals) {
  // The work list is sorted by batch whatever the order of the tags.
  const BandRecorder pages = print({2, 1});
  EXPECT_THAT(
      outline(pages),
      ElementsAre("Batch 1 - Weekly Yard & Shop", "detail FT-970 6/10/2016",
                  "equipment 2.00 144.00", "detail GN-851 6/10/2016", "equipment 48.00 2,208.00",
                  "detail PU-101 6/09/2016", "equipment 106.00 72.08", "detail SS-602 6/10/2016",
                  "equipment 2.50 0.00", "detail ST-950 6/10/2016", "detail ST-950 6/13/2016",
                  "equipment 6.50 507.00", "detail WL-402 6/09/2016", "detail WL-402 6/14/2016",
                  "equipment 10.50 1,176.00", "Batch 1 Totals: 175.50 4,107.08",
                  "Batch 2 - Treatment Plant site", "detail DT-201 6/10/2016",
                  "equipment 36.00 3,312.00", "detail DT-202 6/10/2016", "equipment 33.00 3,795.00",
                  "detail DZ-501 6/10/2016", "equipment 30.50 4,819.00", "detail EX-301 6/10/2016",
                  "detail EX-301 6/14/2016", "equipment 69.00 11,592.00", "detail RL-701 6/13/2016",
                  "equipment 19.00 1,862.00", "detail WL-401 6/10/2016", "equipment 25.00 3,100.00",
                  "Batch 2 Totals: 212.50 28,480.00", "grand 388.00 32,587.08"));

  // A rental entry: the rental rate, the employee and job texts, the readings.
  const auto details = pages.bands("detail");
  const auto& gn = details[1];
  ASSERT_EQ(gn.text("?EQLB:EquipmentID"), "GN-851");
  EXPECT_EQ(gn.text("?LOC:Rate"), "46.00");
  EXPECT_EQ(gn.text("?LOC:EmployeeText"), "110 Larsen");
  EXPECT_EQ(gn.text("?LOC:JobText"), "2137 01-200E");
  EXPECT_EQ(gn.text("?EQLB:Units"), "48.00");
  EXPECT_EQ(gn.text("?LOC:NetCharge"), "2,208.00");
  EXPECT_EQ(gn.text("?EQH:Description").empty(), false);
  const Decimal end = *Decimal::parse(gn.text("?EQLB:EndMeter"), true);
  EXPECT_EQ(*Decimal::parse(gn.text("?LOC:StartReading"), true), end - Decimal::fromCents(4800));
  EXPECT_EQ(ctx_.g.RXQUEUE.size(), 3u + 1u + 15u);
}

TEST_F(ProofListingTest, TheFormatsLimitsAndWhatIsPrintedWithoutEntries) {
  // One batch: no grand totals. An equipment range of one ID, then a date range.
  auto& f = ctx_.rec<data::EqLimits>();
  f.SelectedEquipment = 1;
  f.EquipmentFrom = "EX-301";
  f.EquipmentTo = "EX-301";
  EXPECT_THAT(outline(print({2})),
              ElementsAre("Batch 2 - Treatment Plant site", "detail EX-301 6/10/2016",
                          "detail EX-301 6/14/2016", "equipment 69.00 11,592.00",
                          "Batch 2 Totals: 69.00 11,592.00"));
  f.SelectedEquipment = 0;
  f.SelectedDates = 1;
  f.DateFrom = *Date::fromYmd(2016, 6, 13);
  f.DateTo = *Date::fromYmd(2016, 6, 13);
  EXPECT_THAT(outline(print({1, 2})),
              ElementsAre("Batch 1 - Weekly Yard & Shop", "detail ST-950 6/13/2016",
                          "equipment 3.00 234.00", "Batch 1 Totals: 3.00 234.00",
                          "Batch 2 - Treatment Plant site", "detail RL-701 6/13/2016",
                          "equipment 19.00 1,862.00", "Batch 2 Totals: 19.00 1,862.00",
                          "grand 22.00 2,096.00"));

  // No tagged batch: a batch footer with zero totals, on a page of its own.
  const BandRecorder none = print({});
  EXPECT_THAT(outline(none), ElementsAre("Batch Totals: 0.00 0.00"));
  EXPECT_EQ(none.pages(), 1);

  // REPORTFILTER names another format: nothing at all.
  ctx_.g.REPORTFILTER = "8";
  EXPECT_EQ(print({1, 2}).pages(), 0);
}

// A batch longer than a page, a description and a GL account as long as their fields, an entry
// without an employee: nothing clipped, every page says whose entries it lists.
TEST_F(ProofListingTest, LongTextsAndContinuationPages) {
  test::TempDir tmp;
  std::filesystem::copy(demoFolder(), tmp.path / "co", std::filesystem::copy_options::recursive);
  frame::Session session(data::Company::open(tmp.path / "co"), clock_, "ADM");
  frame::Context ctx(session);
  const std::string description = "Generator 45 kW trailer mounted, diesel.";  // 40 characters
  {
    data::Access<data::EqHeader> eq(ctx.store(), ctx.errors());
    ASSERT_EQ(eq.fetch("KeyEquipmentID", {std::string("GN-851")}), data::kNoError);
    eq.rec().Description = description;
    ASSERT_EQ(eq.update(), data::kNoError);
    data::Access<data::EqLogB> log(ctx.store(), ctx.errors());
    log.setRange(*data::EqLogB::def().key("KeyBatchID"), {std::int64_t{1}});
    ASSERT_EQ(log.next(), data::kNoError);
    data::EqLogB copy = log.rec();
    copy.EquipmentID = "GN-851";
    copy.GLAccount = "5100-000-012";
    copy.EmployeeID = 0;
    for (int i = 0; i < 30; ++i) {
      ASSERT_EQ(log.prime(), data::kNoError);
      const std::int32_t id = log.rec().LogID;
      log.rec() = copy;
      log.rec().LogID = id;
      ASSERT_EQ(log.insert(), data::kNoError);
    }
  }
  auto& f = ctx.rec<data::EqLimits>();
  f.LimitID = 7;
  ctx.g.REPORTFILTER = "7";
  ctx.g.TAGQUE = {1};
  BandRecorder pages;
  Report report(reportframe::reportDef("PrintEQLogBProof"), pages);
  reportframe::startRun(ctx, printEqLogBProofProcedure(), report);
  auto body = printEqLogBProofBody(ctx);
  body->begin(report);
  while (body->next(report)) {
  }
  body->end(report);
  report.endReport();

  ASSERT_GE(pages.pages(), 2);
  // Each page after the first opens with the batch's heading, marked as continued.
  const auto continued = pages.bands("batchContinued");
  ASSERT_EQ(static_cast<int>(continued.size()), pages.pages() - 1);
  EXPECT_EQ(continued[0].text("?LOC:BatchContinued"), "Batch 1 - Weekly Yard & Shop (continued)");
  EXPECT_EQ(continued[0].page, 2);
  bool gn = false;
  for (const auto& d : pages.bands("detail")) {
    if (d.text("?EQLB:EquipmentID") != "GN-851" || d.text("?EQLB:GLAccount").empty()) continue;
    gn = true;
    EXPECT_EQ(d.text("?LOC:EmployeeText"), "");  // not "0"
    EXPECT_EQ(d.text("?EQH:Description") + " " + d.text("?LOC:Description2"), description);
    EXPECT_EQ(d.text("?EQLB:GLAccount"), "5100-000-012");
    break;
  }
  EXPECT_TRUE(gn);
  // The equipment footer names its equipment.
  EXPECT_EQ(pages.bands("equipmentFooter")[1].text("?LOC:EquipmentFooterText"),
            "Totals of GN-851 - " + description);
  // Each line fits its column (by the recorder's measure, half the font size a character).
  for (const char* name : {"?EQLB:GLAccount", "?EQH:Description", "?LOC:Description2"}) {
    const auto& c = report.control(name);
    const std::string longest =
        std::string(name) == "?EQLB:GLAccount" ? "5100-000-012" : "Generator 45 kW trailer";
    EXPECT_GE(c.width, pages.textWidth(c.font, longest)) << name;
  }
}

}  // namespace
}  // namespace koreq::usagelog
