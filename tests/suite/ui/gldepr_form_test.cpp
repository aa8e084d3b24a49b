#include "suite/ui/gldepr_form.h"

#include "equipment/form_fixture.h"

namespace koreq::equipment::test {
namespace {

// UPDATEGLDEPR run as the equipment form runs it: the equipment in the EQHEADER buffer and, for
// change and delete, the row in the GLDEPR buffer.
class GlDeprFormTest : public FormTest {
 protected:
  GlDeprFormTest() {
    removeSchedules();
    auto& eq = ctx.access<data::EqHeader>();
    EXPECT_EQ(eq.fetch("KeyEquipmentID", {data::Value(std::string("EX-304"))}), data::kNoError);
    march_ = addRow(2024, 3, Decimal(1000), Decimal(50000));
    addRow(2024, 4, Decimal(1000), Decimal(49000));
  }

  std::int64_t addRow(int year, int month, Decimal sl, Decimal slValue) {
    data::Access<data::GlDepr> f(session.store(), session.errors());
    EXPECT_EQ(f.prime(), data::kNoError);
    f.rec().EquipmentID = "EX-304";
    f.rec().Date = *Date::fromYmd(year, month, 1);
    f.rec().SLAmount = sl;
    f.rec().SLValue = slValue;
    f.rec().SYAmount = Decimal(2000);
    f.rec().DDBAmount = Decimal(3000);
    EXPECT_EQ(f.insert(), data::kNoError);
    return f.rec().RecordID;
  }
  std::optional<data::GlDepr> row(std::int64_t id) {
    data::Access<data::GlDepr> f(session.store(), session.errors());
    if (f.fetch("KeyRecordID", {data::Value(id)}) != data::kNoError) return std::nullopt;
    return f.rec();
  }
  void run(ui::Request request, std::int64_t id = 0) {
    if (id) {
      ASSERT_EQ(ctx.access<data::GlDepr>().fetch("KeyRecordID", {data::Value(id)}), data::kNoError);
    }
    ctx.g.GlobalRequest = static_cast<int>(request);
    ASSERT_TRUE(desktop.call(ctx, "UPDATEGLDEPR"));
  }
  int response() { return static_cast<int>(ctx.g.GlobalResponse); }
  int rows() { return count(data::GlDepr::def(), "GLDP:EquipmentID", data::Value("EX-304")); }

  std::int64_t march_ = 0;
};

TEST_F(GlDeprFormTest, ChangeKeepsTheComputedPairsAndWritesWhatIsKeyedIn) {
  run(ui::Request::Change, march_);
  EXPECT_EQ(user.title(), "Changing a Depreciation Month");
  // The custom pair goes by the equipment's name for its own method.
  EXPECT_EQ(user.property("?CUSTOMGROUP", "text"), "Tax Basis");
  EXPECT_EQ(user.property("?GLDP:SLAmount", "text"), "1,000.00");
  for (const char* computed : {"?GLDP:SLAmount", "?GLDP:SLValue", "?GLDP:SYAmount", "?GLDP:SYValue",
                               "?GLDP:DDBAmount", "?GLDP:DDBValue"}) {
    EXPECT_EQ(user.property(computed, "readonly"), "1") << computed;
    EXPECT_THROW(user.type(computed, "1"), ui::UiError) << computed;
  }
  for (const char* keyed : {"?GLDP:Date", "?GLDP:UD1Amount", "?GLDP:UD1Value", "?GLDP:ActualAmount",
                            "?GLDP:FPPostedLabel", "?GLDP:GLTransID"})
    EXPECT_EQ(user.property(keyed, "readonly"), "0") << keyed;

  user.type("?GLDP:UD1Amount", "1,250.50");
  user.type("?GLDP:UD1Value", "48749.50");
  user.type("?GLDP:ActualAmount", "1000");
  user.type("?GLDP:FPPostedLabel", "MAR24X");  // five characters at most
  user.type("?GLDP:GLTransID", "90210");
  EXPECT_FALSE(user.type("?GLDP:ActualAmount", "12x"));
  user.type("?GLDP:ActualAmount", "1000");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(response(), 1);
  const auto r = row(march_);
  ASSERT_TRUE(r);
  EXPECT_EQ(r->UD1Amount, *Decimal::parse("1250.50"));
  EXPECT_EQ(r->UD1Value, *Decimal::parse("48749.50"));
  EXPECT_EQ(r->ActualAmount, Decimal(1000));
  EXPECT_EQ(r->FPPostedLabel.str(), "MAR24");
  EXPECT_EQ(r->GLTransID, 90210);
  EXPECT_EQ(r->SLAmount, Decimal(1000));
  EXPECT_EQ(r->SYAmount, Decimal(2000));
  EXPECT_EQ(r->EquipmentID.str(), "EX-304");
  EXPECT_EQ(rows(), 2);
}

TEST_F(GlDeprFormTest, CancelWritesNothing) {
  run(ui::Request::Change, march_);
  user.type("?GLDP:ActualAmount", "77");
  user.press("?CANCEL");
  EXPECT_EQ(response(), 2);
  EXPECT_EQ(row(march_)->ActualAmount, Decimal(0));
}

TEST_F(GlDeprFormTest, InsertBelongsToTheCallersEquipmentAndNeedsAFreeMonth) {
  run(ui::Request::Insert);
  EXPECT_EQ(user.title(), "Adding a Depreciation Month");
  EXPECT_EQ(user.property("?GLDP:SLAmount", "text"), "0.00");
  // A month is required.
  user.press("?OK");
  EXPECT_EQ(port.shown().back().text, "Date is Required");
  EXPECT_EQ(user.property("?GLDP:Date", "focus"), "1");
  // Another day of a month that has a row already is refused: the schedule would update only
  // the first of them.
  user.type("?GLDP:Date", "04/15/2024");
  user.press("?OK");
  EXPECT_EQ(port.shown().back().text, suite::kDuplicateDepreciationMonth);
  EXPECT_EQ(port.shown().back().caption, "Duplicate Month");
  EXPECT_EQ(desktop.top()->name(), "UPDATEGLDEPR");
  EXPECT_EQ(rows(), 2);

  user.type("?GLDP:Date", "05/01/2024");
  user.type("?GLDP:UD1Amount", "900");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(response(), 1);
  EXPECT_EQ(rows(), 3);
  const data::GlDepr& inserted = ctx.rec<data::GlDepr>();
  EXPECT_EQ(inserted.EquipmentID.str(), "EX-304");
  EXPECT_EQ(inserted.Date, *Date::fromYmd(2024, 5, 1));
  EXPECT_GT(inserted.RecordID, march_);
  EXPECT_EQ(row(inserted.RecordID)->UD1Amount, Decimal(900));
}

TEST_F(GlDeprFormTest, ChangingTheDateOfARowIsCheckedAgainstTheOtherRowsOnly) {
  // The row keeps its own month: no conflict with itself.
  run(ui::Request::Change, march_);
  user.type("?GLDP:Date", "03/31/2024");
  user.press("?OK");
  EXPECT_EQ(response(), 1);
  EXPECT_EQ(row(march_)->Date, *Date::fromYmd(2024, 3, 31));
  // Moving it onto April is refused, onto the same month of another year is not.
  run(ui::Request::Change, march_);
  user.type("?GLDP:Date", "04/01/2024");
  user.press("?OK");
  EXPECT_EQ(port.shown().back().text, suite::kDuplicateDepreciationMonth);
  user.type("?GLDP:Date", "04/01/2025");
  user.press("?OK");
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(row(march_)->Date, *Date::fromYmd(2025, 4, 1));
  // Rows of other equipment do not count.
  data::Access<data::GlDepr> other(session.store(), session.errors());
  ASSERT_EQ(other.prime(), data::kNoError);
  other.rec().EquipmentID = "DT-201";
  other.rec().Date = *Date::fromYmd(2024, 6, 1);
  ASSERT_EQ(other.insert(), data::kNoError);
  run(ui::Request::Insert);
  user.type("?GLDP:Date", "06/01/2024");
  user.press("?OK");
  EXPECT_EQ(response(), 1);
  EXPECT_EQ(rows(), 3);
}

TEST_F(GlDeprFormTest, DeleteRemovesTheRowAsTheFormOpens) {
  run(ui::Request::Delete, march_);
  EXPECT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(response(), 1);
  EXPECT_FALSE(row(march_));
  EXPECT_EQ(rows(), 1);
}

TEST_F(GlDeprFormTest, EquipmentWithoutACustomNameKeepsTheDesignCaption) {
  ASSERT_EQ(
      ctx.access<data::EqHeader>().fetch("KeyEquipmentID", {data::Value(std::string("DT-201"))}),
      data::kNoError);
  run(ui::Request::Insert);
  EXPECT_EQ(user.property("?CUSTOMGROUP", "text"), "Custom Method");
  user.press("?CANCEL");
  EXPECT_EQ(rows(), 2);
}

}  // namespace
}  // namespace koreq::equipment::test
