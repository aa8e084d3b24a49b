// LIMITPRINTNOTES by the bands it prints and the export lines it writes.

#include "suite/report/print_notes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/access.h"
#include "reportframe/band_recorder.h"
#include "reportframe/report_def.h"
#include "suite/notes.h"
#include "support/company_fixture.h"

namespace koreq::suite {
namespace {

using reportframe::BandRecorder;
using ::testing::ElementsAre;

class PrintNotesTest : public fixture::CompanyTest {
 protected:
  void SetUp() override {
    CompanyTest::SetUp();
    data::Access<data::EqHeader> eq(ctx().store(), ctx().errors());
    eq.rec().EquipmentID = "DT-201";
    eq.rec().Description = "Dump Truck";
    ASSERT_EQ(eq.insert(), data::kNoError);
  }

  std::int32_t add(const char* equipment, int day, const char* heading, const char* text) {
    data::Notes n;
    n.EntityType = "EQHeader";
    n.EquipmentID = equipment;
    n.EntityID = equipment;
    n.Date = *Date::fromYmd(2024, 2, day);
    n.Heading = heading;
    n.Note = text;
    return addNote(ctx(), n);
  }

  // The frame's start, the body, the end of the report.
  void print(const char* entity, const char* id) {
    pages_ = BandRecorder();
    ctx().g.RXQUEUE.clear();
    ctx().g.RPTLIMITQ.clear();
    ctx().g.KORFIELD = entity;
    ctx().g.REPORTFILTER = id;
    reportframe::Report report(reportframe::reportDef("LIMITPRINTNOTES"), pages_);
    reportframe::startRun(ctx(), printNotesProcedure(), report);
    auto body = printNotesBody(ctx());
    body->begin(report);
    total_ = body->total();
    while (body->next(report)) {
    }
    report.endReport();
  }

  std::vector<std::string> texts(const char* band, const char* control) const {
    std::vector<std::string> out;
    for (const auto& b : pages_.bands(band)) out.push_back(b.text(control));
    return out;
  }

  BandRecorder pages_;
  std::int64_t total_ = 0;
};

TEST_F(PrintNotesTest, TheTaggedNotesOrAllOfThemWrappedToTheColumn) {
  const std::int32_t tyres =
      add("DT-201", 20, "Tyres", "All four replaced.\nOld ones kept\tin yard.");
  add("DT-201", 3, "Bought", "From the dealer.");
  const std::int32_t other = add("EX-301", 1, "Other", "Not this one.");
  // 398 points of 9-point text at the recorder's estimate: 88 characters a line.
  add("DT-201", 25, "Long", std::string(100, 'x').c_str());

  print("Equipment", "DT-201");
  EXPECT_EQ(total_, 3);
  EXPECT_THAT(texts("note", "?NOTE:Heading"), ElementsAre("Bought", "Tyres", "Long"));
  EXPECT_EQ(pages_.bands("note")[0].text("?NOTE:Date"), "2/03/2024");
  EXPECT_EQ(pages_.bands("note")[0].text("?NOTE:UserID"), "ABC");
  EXPECT_THAT(texts("line", "?LOC:NoteLine"),
              ElementsAre("From the dealer.", "All four replaced.", "Old ones kept\tin yard.",
                          std::string(88, 'x'), std::string(12, 'x')));
  EXPECT_EQ(pages_.bands("header")[0].text("?LOC:Subject"),
            "Notes for Equipment (DT-201) Dump Truck");
  const auto& rx = ctx().g.RXQUEUE;
  ASSERT_EQ(rx.size(), 9u);  // the frame's three, three of ours, a line a note
  EXPECT_EQ(rx[3], "Notes for Equipment (DT-201) Dump Truck");
  EXPECT_EQ(rx[5], "Date\tTime\tUser\tHeading\tNote");
  // A note's line breaks and tabs would break the export's lines and columns.
  EXPECT_EQ(rx[7], "2/20/2024\t14:30\tABC\tTyres\tAll four replaced. Old ones kept in yard.");
  EXPECT_THAT(ctx().g.RPTLIMITQ,
              ElementsAre("Notes for Equipment (DT-201) Dump Truck", "All Notes"));

  // Tagged notes only; a tag of another equipment's note does not count.
  ctx().g.TAGQUE2 = {other, tyres};
  print("Equipment", "DT-201");
  EXPECT_THAT(texts("note", "?NOTE:Heading"), ElementsAre("Tyres"));
  EXPECT_EQ(ctx().g.RPTLIMITQ.back(), "Tagged Notes Only");
  ctx().g.TAGQUE2 = {other};
  print("Equipment", "DT-201");
  EXPECT_EQ(total_, 3);

  // Nothing to print: no equipment, or one without notes.
  print("Equipment", "");
  EXPECT_EQ(pages_.pages(), 0);
  print("Equipment", "PU-099");
  EXPECT_EQ(pages_.pages(), 0);
  EXPECT_EQ(pages_.bands("header").size(), 0u);

  // Another kind of entity: its notes by type and ID.
  data::Notes gl;
  gl.EntityType = "GLTrans";
  gl.EntityID = "4711";
  gl.Heading = "Accrual";
  ASSERT_NE(addNote(ctx(), gl), 0);
  print("GLTrans", "4711");
  EXPECT_THAT(texts("note", "?NOTE:Heading"), ElementsAre("Accrual"));
  EXPECT_EQ(pages_.bands("header")[0].text("?LOC:Subject"), "Notes for GLTrans 4711");
}

}  // namespace
}  // namespace koreq::suite
