#include "depreciation/store_schedule.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <string>
#include <vector>

#include "data/company.h"
#include "frame/context.h"
#include "support/forwarding_store.h"
#include "support/temp_dir.h"

namespace koreq::depreciation {
namespace {

namespace fs = std::filesystem;
using data::GlDepr;

Decimal dec(const char* s) {
  return *Decimal::parse(s);
}
Date ymd(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}

using ::koreq::test::TempDir;

// Passes everything to a real store and fails the operations a test names, as a full disk or
// another station would.
class FaultyStore final : public ::koreq::test::ForwardingStore {
 public:
  explicit FaultyStore(data::Store& inner) : ForwardingStore(inner) {}

  bool refuseBegin = false;
  bool failScan = false;
  int failInsertAt = 0;  // the n-th call fails (1-based); 0 never
  int failUpdateAt = 0;
  int failRemoveAt = 0;
  int failNumberAt = 0;
  int inserts = 0, updates = 0, removes = 0, numbers = 0;
  int begins = 0, commits = 0, rollbacks = 0;
  std::chrono::milliseconds lastTimeout{0};

  std::int64_t insert(const data::FileDef& f, const std::vector<data::Value>& v) override {
    if (++inserts == failInsertAt) fault(data::kDuplicateKey);
    return s_.insert(f, v);
  }
  void update(const data::FileDef& f, std::int64_t row,
              const std::vector<data::Value>& v) override {
    if (++updates == failUpdateAt) fault(data::kRecordChanged);
    s_.update(f, row, v);
  }
  void remove(const data::FileDef& f, std::int64_t row) override {
    if (++removes == failRemoveAt) fault(data::kDriverError);
    s_.remove(f, row);
  }
  std::vector<data::StoredRow> scan(const data::FileDef& f, const data::ScanSpec& range) override {
    if (failScan) fault(data::kDriverError);
    return s_.scan(f, range);
  }
  std::int64_t nextNumber(const data::FileDef& f, int field) override {
    if (++numbers == failNumberAt) fault(data::kDriverError);
    return s_.nextNumber(f, field);
  }
  bool begin(std::chrono::milliseconds timeout) override {
    ++begins;
    lastTimeout = timeout;
    return !refuseBegin && s_.begin(timeout);
  }
  void commit() override {
    ++commits;
    s_.commit();
  }
  void rollback() override {
    ++rollbacks;
    s_.rollback();
  }

 private:
  [[noreturn]] static void fault(int code) {
    throw data::StoreError(code, data::fileErrorText(code));
  }
};

class StoreScheduleTest : public ::testing::Test {
 protected:
  StoreScheduleTest()
      : clock_(ymd(2016, 1, 15)),
        session_(data::Company::create(dir_.path / "company"), clock_, "ADM"),
        ctx_(session_) {
    eq_.EquipmentID = "TRUCK1";
    eq_.PurchaseDate = ymd(2015, 3, 17);
    eq_.PurchaseValue = dec("1000");
    eq_.SalvageValue = Decimal();
    eq_.DepreciationYears = 3;
  }

  // The stored rows of one equipment in key order, read through a buffer of their own.
  std::vector<GlDepr> stored(const char* id = "TRUCK1") {
    data::Access<GlDepr> f(session_.store(), errors_);
    f.setRange(*GlDepr::def().key("KeyEquipmentID"), {std::string(id)});
    std::vector<GlDepr> rows;
    while (f.next() == data::kNoError) rows.push_back(f.rec());
    return rows;
  }

  void addRow(const char* id, Date date, const char* slAmount = "0", const char* actual = "0") {
    data::Access<GlDepr> f(session_.store(), errors_);
    ASSERT_EQ(f.prime(), data::kNoError);
    f.rec().EquipmentID = id;
    f.rec().Date = date;
    f.rec().SLAmount = dec(slAmount);
    f.rec().ActualAmount = dec(actual);
    ASSERT_EQ(f.insert(), data::kNoError);
  }

  std::vector<std::string> messages() const {
    std::vector<std::string> m;
    for (const auto& e : errors_.history()) m.push_back(e.message);
    return m;
  }

  TempDir dir_;
  FixedClock clock_;
  frame::Session session_;
  frame::Context ctx_;
  data::ErrorObject errors_;
  data::EqHeader eq_;
};

TEST_F(StoreScheduleTest, WritesOneRowPerMonthAndLeavesOtherEquipmentAlone) {
  addRow("LOADER", ymd(2015, 4, 1), "77.77");
  StoreOutcome out = calculateSchedule(ctx_, eq_);
  EXPECT_EQ(out.inserted, 3);
  EXPECT_EQ(out.updated, 0);
  EXPECT_EQ(out.written(), 3);
  EXPECT_EQ(out.failed, 0);
  EXPECT_TRUE(out.stored());

  auto rows = stored();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Date, ymd(2015, 4, 1));
  EXPECT_EQ(rows[2].Date, ymd(2015, 6, 1));
  EXPECT_EQ(rows[0].SLAmount, dec("333.33"));
  EXPECT_EQ(rows[1].SLValue, dec("333.34"));
  EXPECT_EQ(rows[2].SLAmount, dec("333.34"));
  EXPECT_EQ(rows[0].SYAmount, dec("500"));
  EXPECT_EQ(rows[0].DDBAmount, dec("666.67"));
  EXPECT_EQ(rows[2].DDBValue, Decimal());
  EXPECT_NE(rows[0].RecordID, 0);
  EXPECT_NE(rows[0].RecordID, rows[1].RecordID);
  EXPECT_NE(rows[1].RecordID, rows[2].RecordID);

  auto other = stored("LOADER");
  ASSERT_EQ(other.size(), 1u);
  EXPECT_EQ(other[0].SLAmount, dec("77.77"));
  EXPECT_TRUE(ctx_.errors().history().empty());
}

TEST_F(StoreScheduleTest, RecalculationKeepsPostedAmountsAndTheCustomPair) {
  calculateSchedule(ctx_, eq_);
  // Post month 2 and key in its custom pair; its row carries a day other than the first.
  {
    data::Access<GlDepr> f(session_.store(), errors_);
    ASSERT_EQ(f.fetch("KeyEquipmentID", {std::string("TRUCK1"), ymd(2015, 5, 1)}), 0);
    f.rec().Date = ymd(2015, 5, 15);
    f.rec().UD1Amount = dec("12.34");
    f.rec().UD1Value = dec("987.66");
    f.rec().UD2Amount = dec("1.11");
    f.rec().ActualAmount = dec("333.33");
    f.rec().FPPostedLabel = "05-15";
    f.rec().GLTransID = 4711;
    ASSERT_EQ(f.update(), 0);
  }
  const std::int32_t id = stored()[1].RecordID;

  eq_.PurchaseValue = dec("1200");
  StoreOutcome out = calculateSchedule(ctx_, eq_);
  EXPECT_EQ(out.updated, 3);
  EXPECT_EQ(out.inserted, 0);

  auto rows = stored();
  ASSERT_EQ(rows.size(), 3u);
  const GlDepr& r = rows[1];
  EXPECT_EQ(r.RecordID, id);
  EXPECT_EQ(r.Date, ymd(2015, 5, 15));
  EXPECT_EQ(r.SLAmount, dec("400"));
  EXPECT_EQ(r.SLValue, dec("400"));
  EXPECT_EQ(r.SYAmount, dec("400"));
  EXPECT_EQ(r.UD1Amount, dec("12.34"));
  EXPECT_EQ(r.UD1Value, dec("987.66"));
  EXPECT_EQ(r.UD2Amount, dec("1.11"));
  EXPECT_EQ(r.ActualAmount, dec("333.33"));
  EXPECT_EQ(r.FPPostedLabel, "05-15");
  EXPECT_EQ(r.GLTransID, 4711);

  // A company held by another workstation stores nothing, rather than work without a
  // transaction.
  FaultyStore faulty(session_.store());
  faulty.refuseBegin = true;
  data::Access<GlDepr> f(faulty, errors_);
  eq_.PurchaseValue = dec("900");
  out = calculateSchedule(f, eq_);
  EXPECT_TRUE(out.refused);
  EXPECT_EQ(out.written(), 0);
  EXPECT_EQ(faulty.updates, 0);
  rows = stored();
  EXPECT_EQ(rows[1].SLAmount, dec("400"));
}

TEST_F(StoreScheduleTest, RowsOutsideTheScheduleGoUnlessTheyCarrySomething) {
  addRow("TRUCK1", ymd(2014, 1, 1), "5.00");          // an earlier purchase date's row
  addRow("TRUCK1", ymd(2014, 2, 1), "5.00", "5.00");  // posted: stays
  eq_.DepreciationYears = 6;
  EXPECT_EQ(calculateSchedule(ctx_, eq_).deleted, 1);  // the stale row of 2014
  // A second row in April: only the first in key order is the month's row.
  addRow("TRUCK1", ymd(2015, 4, 20), "9.99");

  // The life is shortened: months 4 to 6 of the old schedule would run the book value below
  // salvage, so they go; the posted row and April's second stay.
  eq_.DepreciationYears = 3;
  StoreOutcome out = calculateSchedule(ctx_, eq_);
  EXPECT_EQ(out.updated, 3);
  EXPECT_EQ(out.inserted, 0);
  EXPECT_EQ(out.deleted, 3);

  auto rows = stored();
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0].Date, ymd(2014, 2, 1));
  EXPECT_EQ(rows[1].Date, ymd(2015, 4, 1));
  EXPECT_EQ(rows[1].SLAmount, dec("333.33"));
  EXPECT_EQ(rows[2].Date, ymd(2015, 4, 20));
  EXPECT_EQ(rows[2].SLAmount, dec("9.99"));
  EXPECT_EQ(rows[4].Date, ymd(2015, 6, 1));
  EXPECT_EQ(rows[4].SLValue, Decimal());
}

TEST_F(StoreScheduleTest, NoLifeWritesNothingAndTheSummaryComesFromStoredRows) {
  eq_.DepreciationYears = 18;
  eq_.PurchaseValue = dec("1800");
  eq_.SalvageValue = dec("180");
  calculateSchedule(ctx_, eq_);

  eq_.DepreciationYears = 0;
  StoreOutcome out = calculateSchedule(ctx_, eq_);
  EXPECT_EQ(out.written(), 0);
  EXPECT_EQ(out.deleted, 0);
  EXPECT_EQ(stored().size(), 18u);

  // The 18 stored rows: a year, the six-month part-year, the closing entry.
  auto years = refreshYearSummary(ctx_, eq_);
  ASSERT_EQ(years.size(), 3u);
  EXPECT_EQ(years[0].year, 1);
  EXPECT_EQ(years[0].slBeginValue, dec("1800"));
  EXPECT_EQ(years[0].slAnnualCharge, dec("1080"));
  EXPECT_EQ(years[1].year, 2);
  EXPECT_EQ(years[1].slBeginValue, dec("720"));
  EXPECT_EQ(years[1].slAnnualCharge, dec("540"));
  EXPECT_EQ(years[2].year, 3);
  EXPECT_EQ(years[2].slBeginValue, dec("180"));
  EXPECT_EQ(years[2].ddbBeginValue, dec("180"));
  EXPECT_TRUE(years[2].slAnnualCharge.isZero());

  // Equipment without rows: the closing entry alone.
  data::EqHeader other;
  other.EquipmentID = "NONE";
  other.SalvageValue = dec("5");
  years = refreshYearSummary(ctx_, other);
  ASSERT_EQ(years.size(), 1u);
  EXPECT_EQ(years[0].year, 1);
  EXPECT_EQ(years[0].syBeginValue, dec("5"));
}

TEST_F(StoreScheduleTest, SaleDateDeletesTheRowsAfterIt) {
  eq_.DepreciationYears = 12;
  calculateSchedule(ctx_, eq_);
  addRow("TRUCK1", ymd(2014, 6, 1), "0", "1.00");  // before the schedule, posted
  addRow("TRUCK1", ymd(2020, 1, 1));               // after it, from an older calculation
  ASSERT_EQ(stored().size(), 14u);

  eq_.SaleDate = ymd(2015, 8, 20);
  StoreOutcome out = calculateSchedule(ctx_, eq_);
  EXPECT_EQ(out.updated, 5);
  EXPECT_EQ(out.deleted, 8);
  auto rows = stored();
  ASSERT_EQ(rows.size(), 6u);
  EXPECT_EQ(rows.front().Date, ymd(2014, 6, 1));
  EXPECT_EQ(rows.back().Date, ymd(2015, 8, 1));

  // Sold on the first of a month: the row dated on the sale date stays.
  eq_.SaleDate = ymd(2015, 6, 1);
  out = calculateSchedule(ctx_, eq_);
  EXPECT_EQ(out.deleted, 2);
  rows = stored();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows.back().Date, ymd(2015, 6, 1));
}

TEST_F(StoreScheduleTest, AFailedRowAbandonsTheWholeSchedule) {
  FaultyStore faulty(session_.store());
  errors_.setProcedure("UpdateEQHeader");
  data::Access<GlDepr> f(faulty, errors_);
  eq_.DepreciationYears = 4;
  faulty.failInsertAt = 3;  // month 3's insert fails
  StoreOutcome out = calculateSchedule(f, eq_);
  EXPECT_FALSE(out.stored());
  EXPECT_EQ(out.failed, 1);
  EXPECT_EQ(out.written(), 0);
  EXPECT_EQ(faulty.inserts, 3);  // nothing after the failure was tried
  EXPECT_EQ(faulty.commits, 0);
  EXPECT_EQ(faulty.rollbacks, 1);
  EXPECT_EQ(faulty.lastTimeout, data::kWriterWait);
  EXPECT_EQ(messages(), (std::vector<std::string>{"Creates Duplicate Key Inserting GLDepr"}));
  EXPECT_EQ(errors_.history()[0].procedure, "UpdateEQHeader");
  EXPECT_TRUE(stored().empty());

  // Stored once; then a failed delete of a row after the sale keeps every row as it was.
  errors_.clearLast();
  faulty.failInsertAt = 0;
  ASSERT_TRUE(calculateSchedule(f, eq_).stored());
  faulty.failRemoveAt = faulty.removes + 1;
  eq_.SaleDate = ymd(2015, 4, 30);
  eq_.PurchaseValue = dec("2000");
  out = calculateSchedule(f, eq_);
  EXPECT_EQ(out.failed, 1);
  auto m = messages();
  EXPECT_EQ(m.back(), "File System Error Deleting GLDepr");
  auto rows = stored();
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0].SLAmount, dec("250"));  // not the new figures
}

TEST_F(StoreScheduleTest, AnUnreadableFileWritesNothing) {
  FaultyStore faulty(session_.store());
  faulty.failScan = true;
  data::Access<GlDepr> f(faulty, errors_);
  EXPECT_THROW(calculateSchedule(f, eq_), data::StoreError);
  EXPECT_EQ(faulty.inserts, 0);
  EXPECT_EQ(faulty.rollbacks, 1);
  EXPECT_FALSE(session_.store().inTransaction());
  EXPECT_THROW(refreshYearSummary(f, eq_), data::StoreError);
  faulty.failScan = false;
  EXPECT_TRUE(stored().empty());
}

}  // namespace
}  // namespace koreq::depreciation
