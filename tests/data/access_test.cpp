#include "data/access.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "data/company.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "support/backend_params.h"
#include "support/temp_dir.h"

namespace koreq::data {
namespace {

namespace fs = std::filesystem;

// A small file of our own, with a key that allows duplicates, a key over a Decimal and a key
// read newest first.
#define TEST_ITEM_FIELDS(F) \
  F(Long, ItemID, 0)        \
  F(String, Name, 12)       \
  F(Short, Seq, 0)          \
  F(Decimal, Amount, 15)    \
  F(Date, Day, 0)
KOREQ_RECORD(TestItem, TEST_ITEM_FIELDS)

const FileDef& TestItem::def() {
  static const FileDef d = [] {
    using Self = TestItem;
    FileDef d =
        detail::makeFile<Self>("TESTITEM", "TestItem", "TST", {TEST_ITEM_FIELDS(KOREQ_FIELDDEF)});
    detail::addKey(d, "KeyItemID", {"ItemID"}, true);
    detail::addKey(d, "KeyName", {"Name"}, false);
    detail::addKey(d, "KeyNameSeq", {"Name", "Seq"}, false);
    detail::addKey(d, "KeyAmount", {"Amount"}, false);
    detail::addKey(d, "KeyDay", {"Day"}, false, true);
    d.autoField = d.fieldIndex("ItemID");
    return d;
  }();
  return d;
}

using ::koreq::test::TempDir;

using test::Backend;

class AccessTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    KOREQ_NEED_BACKEND(GetParam());
    backend = std::make_unique<test::BackendCompany>(GetParam(), tmp.path / "co");
    company = backend->create();
    company->store().ensureSchema({&TestItem::def()});
  }
  Store& store() { return company->store(); }

  // Adds an item; its ItemID is numbered in insertion order.
  std::int32_t add(const std::string& name, int seq = 0, Decimal amount = {}, Date day = {}) {
    Access<TestItem> a(store(), errors);
    EXPECT_EQ(a.prime(), kNoError);
    a.rec().Name = name;
    a.rec().Seq = static_cast<std::int16_t>(seq);
    a.rec().Amount = amount;
    a.rec().Day = day;
    EXPECT_EQ(a.insert(), kNoError);
    return a.rec().ItemID;
  }
  // Reads on with next() (or previous()) until the end, giving "Name/Seq" of each row.
  static std::vector<std::string> readAll(Access<TestItem>& a, bool backward = false,
                                          int max = 1000) {
    std::vector<std::string> out;
    while (max-- > 0 && (backward ? a.previous() : a.next()) == kNoError)
      out.push_back(a.rec().Name.str() + "/" + std::to_string(a.rec().Seq));
    return out;
  }
  const KeyDef& key(const char* name) { return *TestItem::def().key(name); }

  TempDir tmp;
  std::unique_ptr<test::BackendCompany> backend;
  std::unique_ptr<Company> company;
  ErrorObject errors;
};

INSTANTIATE_TEST_SUITE_P(Backends, AccessTest, test::kBackends, test::backendName);

TEST_P(AccessTest, DuplicatesKeepInsertionOrderInBothDirections) {
  add("B", 1);
  add("A", 2);
  add("B", 3);
  add("C", 4);
  add("A", 5);
  Access<TestItem> a(store(), errors);
  a.set(key("KeyName"));
  EXPECT_EQ(readAll(a), (std::vector<std::string>{"A/2", "A/5", "B/1", "B/3", "C/4"}));
  EXPECT_EQ(a.next(), kRecordNotFound);  // stays at the end
  a.set(key("KeyName"));
  EXPECT_EQ(readAll(a, true), (std::vector<std::string>{"C/4", "B/3", "B/1", "A/5", "A/2"}));
  // Start between duplicates' neighbours: at or after "B".
  a.set(key("KeyName"), {std::string("B")});
  EXPECT_EQ(readAll(a), (std::vector<std::string>{"B/1", "B/3", "C/4"}));
  a.set(key("KeyName"), {std::string("B")});
  EXPECT_EQ(readAll(a, true), (std::vector<std::string>{"B/3", "B/1", "A/5", "A/2"}));
  // Switching direction turns on the record last read.
  a.set(key("KeyName"));
  ASSERT_EQ(a.next(), kNoError);
  ASSERT_EQ(a.next(), kNoError);
  ASSERT_EQ(a.next(), kNoError);  // B/1
  ASSERT_EQ(a.previous(), kNoError);
  EXPECT_EQ(a.rec().Seq, 5);
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Seq, 1);
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Seq, 3);
  EXPECT_EQ(a.records(), 5);
}

TEST_P(AccessTest, ReadsAcrossPagesAndTurnsAtPageBoundaries) {
  std::vector<int> order(200);
  for (int i = 0; i < 200; ++i) order[i] = i;
  std::shuffle(order.begin(), order.end(), std::mt19937(7));
  for (int i : order) add("N", i);
  Access<TestItem> a(store(), errors);
  a.set(key("KeyNameSeq"));
  auto fwd = readAll(a);
  ASSERT_EQ(fwd.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(fwd[i], "N/" + std::to_string(i));
  a.set(key("KeyNameSeq"));
  auto back = readAll(a, true);
  ASSERT_EQ(back.size(), 200u);
  for (int i = 0; i < 200; ++i) EXPECT_EQ(back[i], "N/" + std::to_string(199 - i));

  // Turn around just before, on and just after the page boundaries, both ways.
  for (int turn : {63, 64, 65, 128, 199}) {
    a.set(key("KeyNameSeq"));
    for (int i = 0; i <= turn; ++i) ASSERT_EQ(a.next(), kNoError);
    ASSERT_EQ(a.rec().Seq, turn);
    for (int i = turn - 1; i >= 0; --i) {
      ASSERT_EQ(a.previous(), kNoError) << "turn " << turn;
      ASSERT_EQ(a.rec().Seq, i) << "turn " << turn;
    }
    EXPECT_EQ(a.previous(), kRecordNotFound);
    ASSERT_EQ(a.next(), kNoError);
    EXPECT_EQ(a.rec().Seq, 1) << "turn " << turn;
  }
  a.set(key("KeyNameSeq"));
  for (int i = 0; i < 70; ++i) ASSERT_EQ(a.previous(), kNoError);
  EXPECT_EQ(a.rec().Seq, 130);
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Seq, 131);

  // A start value between keys: Seq 1000 of "M" lies after every "M" and before "N".
  a.set(key("KeyNameSeq"), {std::string("M"), std::int64_t{1000}});
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Seq, 0);
  a.set(key("KeyNameSeq"), {std::string("M"), std::int64_t{1000}});
  EXPECT_EQ(a.previous(), kRecordNotFound);
  a.set(key("KeyNameSeq"), {std::string("N"), std::int64_t{150}});
  EXPECT_EQ(readAll(a).size(), 50u);
}

// A page boundary inside a run of equal keys: the read goes on by row identity.
TEST_P(AccessTest, EqualKeysAcrossPagesKeepTheirOrder) {
  add("ZZ", -1);
  for (int i = 0; i < 150; ++i) add("SAME", i);
  add("AA", -1);
  Access<TestItem> a(store(), errors);
  a.setRange(key("KeyName"), {std::string("SAME")});
  auto rows = readAll(a);
  ASSERT_EQ(rows.size(), 150u);
  for (int i = 0; i < 150; ++i) EXPECT_EQ(rows[i], "SAME/" + std::to_string(i));
  a.set(key("KeyName"));
  rows = readAll(a, true);
  ASSERT_EQ(rows.size(), 152u);
  EXPECT_EQ(rows.front(), "ZZ/-1");
  for (int i = 0; i < 150; ++i) EXPECT_EQ(rows[i + 1], "SAME/" + std::to_string(149 - i));
  a.set(key("KeyName"), {std::string("SAME")});
  for (int i = 0; i < 100; ++i) ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Seq, 99);
  for (int i = 98; i >= 30; --i) {
    ASSERT_EQ(a.previous(), kNoError);
    ASSERT_EQ(a.rec().Seq, i);
  }
}

TEST_P(AccessTest, RangesStayOnTheirLeadingFields) {
  for (int i = 0; i < 150; ++i) add("MID", i);
  for (int i = 0; i < 3; ++i) add("LOW", i);
  for (int i = 0; i < 3; ++i) add("TOP", i);
  Access<TestItem> a(store(), errors);
  a.setRange(key("KeyNameSeq"), {std::string("MID")});
  auto rows = readAll(a);
  ASSERT_EQ(rows.size(), 150u);
  EXPECT_EQ(rows.front(), "MID/0");
  EXPECT_EQ(rows.back(), "MID/149");
  EXPECT_EQ(a.next(), kRecordNotFound);  // never runs into "TOP"
  a.setRange(key("KeyNameSeq"), {std::string("MID")});
  rows = readAll(a, true);
  ASSERT_EQ(rows.size(), 150u);
  EXPECT_EQ(rows.front(), "MID/149");
  EXPECT_EQ(rows.back(), "MID/0");
  // A start inside the range continues from the next key component.
  a.setRange(key("KeyNameSeq"), {std::string("MID")}, {std::int64_t{140}});
  EXPECT_EQ(readAll(a).size(), 10u);
  a.setRange(key("KeyNameSeq"), {std::string("MID")}, {std::int64_t{2}});
  EXPECT_EQ(readAll(a, true), (std::vector<std::string>{"MID/2", "MID/1", "MID/0"}));
  // Trailing blanks never count, in values and in ranges.
  a.setRange(key("KeyName"), {std::string("LOW   ")});
  EXPECT_EQ(readAll(a).size(), 3u);
  a.setRange(key("KeyName"), {std::string("NONE")});
  EXPECT_EQ(a.next(), kRecordNotFound);
  EXPECT_EQ(a.previous(), kRecordNotFound);
  EXPECT_EQ(a.fetch("KeyNameSeq", {std::string("TOP  "), std::int64_t{2}}), kNoError);
  EXPECT_EQ(a.rec().Name, "TOP");
  EXPECT_EQ(a.fetch("KeyNameSeq", {std::string("TOP"), std::int64_t{3}}), kRecordNotFound);
}

TEST_P(AccessTest, DescendingKeyReadsNewestFirst) {
  Date d1 = *Date::fromYmd(2023, 1, 15), d2 = *Date::fromYmd(2024, 6, 1),
       d3 = *Date::fromYmd(2024, 12, 31);
  add("x", 1, {}, d2);
  add("x", 2, {}, d1);
  add("x", 3, {}, d3);
  add("x", 4, {}, Date());  // an empty date is the oldest
  add("x", 5, {}, d2);
  Access<TestItem> a(store(), errors);
  a.set(key("KeyDay"));
  auto rows = readAll(a);
  ASSERT_EQ(rows.size(), 5u);
  EXPECT_EQ(rows[0], "x/3");
  EXPECT_TRUE((rows[1] == "x/1" && rows[2] == "x/5") || (rows[1] == "x/5" && rows[2] == "x/1"));
  EXPECT_EQ(rows[3], "x/2");
  EXPECT_EQ(rows[4], "x/4");
  a.set(key("KeyDay"));
  auto back = readAll(a, true);
  std::reverse(back.begin(), back.end());
  EXPECT_EQ(back, rows);
  // "At or after" in reading order means on or before the date.
  a.set(key("KeyDay"), {Date(*Date::fromYmd(2024, 7, 1))});
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Day, d2);
  a.set(key("KeyDay"), {Date(*Date::fromYmd(2024, 7, 1))});
  ASSERT_EQ(a.previous(), kNoError);
  EXPECT_EQ(a.rec().Day, d3);
  EXPECT_EQ(a.previous(), kRecordNotFound);
  // Turning around on a descending key.
  a.set(key("KeyDay"));
  ASSERT_EQ(a.next(), kNoError);
  ASSERT_EQ(a.next(), kNoError);
  ASSERT_EQ(a.next(), kNoError);
  ASSERT_EQ(a.previous(), kNoError);
  EXPECT_EQ(a.rec().Day, d2);
  ASSERT_EQ(a.previous(), kNoError);
  EXPECT_EQ(a.rec().Seq, 3);
}

TEST_P(AccessTest, DecimalKeyOrdersNegativesFirst) {
  add("a", 1, Decimal::fromCents(300));
  add("b", 2, Decimal::fromCents(-1));
  add("c", 3, Decimal::fromCents(-Decimal::kMaxCents));
  add("d", 4, Decimal());
  add("e", 5, Decimal::fromCents(Decimal::kMaxCents));
  add("f", 6, Decimal::fromCents(-500));
  Access<TestItem> a(store(), errors);
  a.set(key("KeyAmount"));
  EXPECT_EQ(readAll(a), (std::vector<std::string>{"c/3", "f/6", "b/2", "d/4", "a/1", "e/5"}));
  a.set(key("KeyAmount"), {std::string("-0.50")});
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(a.rec().Amount, Decimal::fromCents(-1));
  ASSERT_EQ(a.fetch("KeyAmount", {Decimal::fromCents(-Decimal::kMaxCents)}), kNoError);
  EXPECT_EQ(a.rec().Name, "c");
}

// Procedures keep a reference to the record buffer across reads: it must stay the same object.
TEST_P(AccessTest, RecordBufferStaysTheSameObject) {
  add("A", 1);
  add("B", 2);
  Access<TestItem> a(store(), errors);
  TestItem& r = a.rec();
  const void* buf = a.buffer();
  a.set(key("KeyName"));
  ASSERT_EQ(a.next(), kNoError);
  EXPECT_EQ(r.Name, "A");
  ASSERT_EQ(a.fetch("KeyName", {std::string("B")}), kNoError);
  EXPECT_EQ(r.Name, "B");
  ASSERT_EQ(a.reget(), kNoError);
  a.clear();
  EXPECT_EQ(r.Name, "");
  EXPECT_EQ(a.position(), 0);
  ASSERT_EQ(a.prime(), kNoError);
  EXPECT_EQ(r.ItemID, 3);
  ASSERT_TRUE(a.assign({std::int64_t{9}, std::string("Z")}));
  EXPECT_EQ(r.Name, "Z");
  EXPECT_EQ(a.buffer(), buf);
  // A rejected assignment leaves the whole buffer as it was.
  std::string why;
  EXPECT_FALSE(a.assign({std::int64_t{10}, std::string("fourteen chars")}, &why));
  EXPECT_EQ(r.ItemID, 9);
  EXPECT_NE(why.find("TST:Name"), std::string::npos) << why;
}

TEST_P(AccessTest, TextsNumbersAndDatesRoundTrip) {
  Access<EqHeader> h(store(), errors);
  ASSERT_EQ(h.prime(), kNoError);
  h.rec().EquipmentID = "ÄÖÜäöüßéèê";  // ten characters, twenty bytes
  h.rec().Description = "Bagger Größe 3 – 日本語 ✓   ";
  h.rec().PhysicalDescription = "  leading blanks stay";
  h.rec().PurchaseValue = Decimal::fromCents(-Decimal::kMaxCents);
  h.rec().SaleValue = Decimal::fromCents(Decimal::kMaxCents);
  h.rec().SalvageValue = Decimal::fromCents(-1);
  h.rec().PurchaseDate = Date();
  h.rec().SaleDate = Date::lastValid();
  h.rec().DepreciationYears = 65535;
  h.rec().Active = 1;
  ASSERT_EQ(h.insert(), kNoError);
  std::int32_t id = h.rec().RecordID;

  Access<EqHeader> r(store(), errors);
  ASSERT_EQ(r.fetch("KeyRecordID", {std::int64_t{id}}), kNoError);
  EXPECT_EQ(r.rec().EquipmentID, "ÄÖÜäöüßéèê");
  EXPECT_EQ(r.rec().Description.str(), "Bagger Größe 3 – 日本語 ✓");
  EXPECT_EQ(r.rec().PhysicalDescription.str(), "  leading blanks stay");
  EXPECT_EQ(r.rec().PurchaseValue.cents(), -Decimal::kMaxCents);
  EXPECT_EQ(r.rec().SaleValue.cents(), Decimal::kMaxCents);
  EXPECT_EQ(r.rec().SalvageValue.cents(), -1);
  EXPECT_TRUE(r.rec().PurchaseDate.isEmpty());
  EXPECT_EQ(r.rec().SaleDate.toIso(), "9999-12-31");
  EXPECT_EQ(r.rec().DepreciationYears, 65535);
  EXPECT_EQ(r.rec().Active, 1);
  EXPECT_EQ(r.fetch("KeyEquipmentID", {std::string("ÄÖÜäöüßéèê     ")}), kNoError);

  // Stored clipped: the column holds no trailing blank.
  if (GetParam() != Backend::Sqlite) return;
  auto* db = static_cast<SqliteStore&>(store()).handle();
  sqlite3_stmt* st = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT length(Description), length(EquipmentID) FROM eqheader",
                               -1, &st, nullptr),
            SQLITE_OK);
  ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
  EXPECT_EQ(sqlite3_column_int(st, 0), 22);
  EXPECT_EQ(sqlite3_column_int(st, 1), 10);
  sqlite3_finalize(st);
}

TEST_P(AccessTest, DuplicateKeysAreRefusedAndNothingIsWritten) {
  Access<EqHeader> h(store(), errors);
  errors.setProcedure("UpdateEQHeader");
  std::vector<std::string> shown;  // what the host would show
  errors.setHandler([&](const ErrorObject::Error& e) { shown.push_back(e.message); });
  ASSERT_EQ(h.prime(), kNoError);
  h.rec().EquipmentID = "TRK-01";
  h.rec().Description = "First truck";
  ASSERT_EQ(h.insert(), kNoError);
  ASSERT_EQ(h.prime(), kNoError);
  h.rec().EquipmentID = "TRK-01   ";
  h.rec().Description = "Second truck";
  EXPECT_EQ(h.insert(), kDuplicateKey);
  ASSERT_TRUE(errors.last().has_value());
  EXPECT_EQ(errors.last()->code, kDuplicateKey);
  EXPECT_EQ(errors.last()->message, "Creates Duplicate Key Inserting EQHeader");
  EXPECT_EQ(errors.last()->procedure, "UpdateEQHeader");
  EXPECT_EQ(h.position(), 0);
  EXPECT_EQ(h.records(), 1);
  errors.clearLast();
  EXPECT_EQ(h.tryInsert(), kDuplicateKey);  // the quiet form reports nothing
  EXPECT_FALSE(errors.last().has_value());
  EXPECT_EQ(shown, std::vector<std::string>{"Creates Duplicate Key Inserting EQHeader"});

  h.rec().EquipmentID = "TRK-02";
  ASSERT_EQ(h.insert(), kNoError);
  std::int32_t second = h.rec().RecordID;
  h.rec().EquipmentID = "TRK-01";
  h.rec().Description = "Renamed";
  EXPECT_EQ(h.update(), kDuplicateKey);
  EXPECT_EQ(errors.last()->message, "Creates Duplicate Key Saving EQHeader");
  Access<EqHeader> check(store(), errors);
  ASSERT_EQ(check.fetch("KeyRecordID", {std::int64_t{second}}), kNoError);
  EXPECT_EQ(check.rec().EquipmentID, "TRK-02");
  EXPECT_EQ(check.rec().Description, "Second truck");
  ASSERT_EQ(check.fetch("KeyEquipmentID", {std::string("TRK-01")}), kNoError);
  EXPECT_EQ(check.rec().Description, "First truck");

  // Inside a transaction a refused insert leaves the transaction usable.
  {
    Transaction tx(store(), std::chrono::milliseconds(1000));
    ASSERT_TRUE(tx.begun());
    ASSERT_EQ(h.prime(), kNoError);
    h.rec().EquipmentID = "TRK-01";
    EXPECT_EQ(h.insert(), kDuplicateKey);
    h.rec().EquipmentID = "TRK-03";
    EXPECT_EQ(h.insert(), kNoError);
    tx.commit();
  }
  EXPECT_EQ(h.records(), 3);
}

TEST_P(AccessTest, RemoveAndUpdateNeedARecordThatIsThere) {
  Access<EqHeader> a(store(), errors), b(store(), errors);
  ASSERT_EQ(a.prime(), kNoError);
  a.rec().EquipmentID = "GONE";
  ASSERT_EQ(a.insert(), kNoError);
  ASSERT_EQ(b.fetch("KeyEquipmentID", {std::string("GONE")}), kNoError);
  ASSERT_EQ(a.remove(), kNoError);
  EXPECT_EQ(a.position(), 0);
  EXPECT_EQ(b.remove(), kRecordNotFound);  // another buffer removed it first
  EXPECT_EQ(errors.last()->code, kRecordNotFound);
  EXPECT_EQ(errors.last()->message, "Record Not Found Deleting EQHeader");
  b.rec().Description = "changed";
  EXPECT_EQ(b.update(), kRecordNotFound);
  EXPECT_EQ(errors.last()->message, "Record Not Found Saving EQHeader");
  EXPECT_EQ(b.records(), 0);  // update never brings a removed record back
  EXPECT_EQ(b.reget(), kRecordNotFound);

  a.clear();
  a.rec().EquipmentID = "NEVER";
  EXPECT_EQ(a.update(), kRecordNotFound);  // no position: nothing to save
  EXPECT_EQ(errors.last()->message, "Record Not Found Saving EQHeader");
  EXPECT_EQ(a.remove(), kRecordNotFound);
  EXPECT_EQ(a.records(), 0);
  EXPECT_EQ(errors.history().size(), 4u);
}

TEST_P(AccessTest, PrimeNumbersAboveStoredAndNeverTwice) {
  Access<EqHeader> a(store(), errors), b(store(), errors);
  // Rows numbered by hand, as an import writes them.
  a.clear();
  a.rec().RecordID = 17;
  a.rec().EquipmentID = "E17";
  ASSERT_EQ(a.insert(), kNoError);
  a.clear();
  a.rec().RecordID = 5;
  a.rec().EquipmentID = "E5";
  ASSERT_EQ(a.insert(), kNoError);
  a.rec().Description = "left over";
  ASSERT_EQ(a.prime(), kNoError);
  EXPECT_EQ(a.rec().RecordID, 18);
  EXPECT_EQ(a.rec().Description, "");  // prime starts from a clear buffer
  EXPECT_EQ(a.position(), 0);
  ASSERT_EQ(b.prime(), kNoError);  // a's 18 was never inserted
  EXPECT_EQ(b.rec().RecordID, 19);
  ASSERT_EQ(a.prime(), kNoError);
  EXPECT_EQ(a.rec().RecordID, 20);
  // The alias shares the counter with its base file.
  Access<EqHeader> alias(store(), errors, eqHeaderAliasDef());
  ASSERT_EQ(alias.prime(), kNoError);
  EXPECT_EQ(alias.rec().RecordID, 21);
  // A row numbered by hand above the counter moves it on.
  a.clear();
  a.rec().RecordID = 100;
  a.rec().EquipmentID = "E100";
  ASSERT_EQ(a.insert(), kNoError);
  ASSERT_EQ(b.prime(), kNoError);
  EXPECT_EQ(b.rec().RecordID, 101);
  // Numbers handed out survive a restart.
  company.reset();
  company = backend->open();
  Access<EqHeader> c(store(), errors);
  ASSERT_EQ(c.prime(), kNoError);
  EXPECT_EQ(c.rec().RecordID, 102);
  // Another file has its own numbers.
  Access<EqCode> code(store(), errors);
  ASSERT_EQ(code.prime(), kNoError);
  EXPECT_EQ(code.rec().RecordID, 1);

  // Inside a transaction numbers come from memory: a row numbered by hand still moves them on,
  // a rollback does not give them out again, and another station numbers after the commit.
  {
    Transaction tx(store());
    ASSERT_EQ(c.prime(), kNoError);
    EXPECT_EQ(c.rec().RecordID, 103);
    c.clear();
    c.rec().RecordID = 200;
    c.rec().EquipmentID = "E200";
    ASSERT_EQ(c.insert(), kNoError);
    ASSERT_EQ(c.prime(), kNoError);
    EXPECT_EQ(c.rec().RecordID, 201);
  }
  ASSERT_EQ(c.prime(), kNoError);
  EXPECT_EQ(c.rec().RecordID, 202);
  {
    Transaction tx(store());
    ASSERT_EQ(c.prime(), kNoError);
    EXPECT_EQ(c.rec().RecordID, 203);
    tx.commit();
  }
  auto other = backend->open();
  Access<EqHeader> d(other->store(), errors);
  ASSERT_EQ(d.prime(), kNoError);
  EXPECT_EQ(d.rec().RecordID, 204);
}

TEST_P(AccessTest, AliasSharesRowsWithItsBaseFile) {
  Access<EqHeader> base(store(), errors);
  Access<EqHeader> alias(store(), errors, eqHeaderAliasDef());
  ASSERT_EQ(base.prime(), kNoError);
  base.rec().EquipmentID = "LOADER";
  base.rec().Description = "Wheel loader";
  ASSERT_EQ(base.insert(), kNoError);
  ASSERT_EQ(alias.fetch("EQH1:KeyEquipmentID", {std::string("LOADER")}), kNoError);
  EXPECT_EQ(alias.rec().Description, "Wheel loader");
  EXPECT_EQ(alias.get("EQH1:Description"), Value(std::string("Wheel loader")));
  EXPECT_EQ(alias.position(), base.position());
  // Its own buffer: changing it leaves the base buffer alone until saved and re-read.
  alias.rec().Description = "Track loader";
  EXPECT_EQ(base.rec().Description, "Wheel loader");
  ASSERT_EQ(alias.update(), kNoError);
  ASSERT_EQ(base.reget(), kNoError);
  EXPECT_EQ(base.rec().Description, "Track loader");
  // Unique keys hold across both names.
  ASSERT_EQ(alias.prime(), kNoError);
  alias.rec().EquipmentID = "LOADER";
  EXPECT_EQ(alias.insert(), kDuplicateKey);
  EXPECT_EQ(errors.last()->message, "Creates Duplicate Key Inserting EQHeaderAlias");
  alias.set(*eqHeaderAliasDef().key("KeyEquipmentID"));
  ASSERT_EQ(alias.next(), kNoError);
  EXPECT_EQ(alias.rec().EquipmentID, "LOADER");
  EXPECT_EQ(alias.next(), kRecordNotFound);
  ASSERT_EQ(base.remove(), kNoError);
  EXPECT_EQ(alias.records(), 0);
}

TEST_P(AccessTest, FieldsByNameAndUnknownNames) {
  Access<EqCode> c(store(), errors);
  std::string why;
  EXPECT_TRUE(c.put("EQD:CategoryID", std::string("TIRES"), &why));
  EXPECT_TRUE(c.put("Meter", std::string("1500"), &why));
  EXPECT_EQ(c.rec().CategoryID, "TIRES");
  EXPECT_EQ(c.rec().Meter, 1500u);
  EXPECT_FALSE(c.put("EQD:NoSuchField", std::int64_t{1}, &why));
  EXPECT_NE(why.find("NoSuchField"), std::string::npos);
  EXPECT_EQ(c.get("NoSuchField"), Value());
  EXPECT_EQ(c.fetch("NoSuchKey", {std::int64_t{1}}), kDriverError);
  ASSERT_EQ(c.insert(), kNoError);
  ASSERT_EQ(c.fetch("KeyCategoryID", {std::string("TIRES")}), kNoError);
  EXPECT_EQ(c.values().size(), EqCode::def().fields.size());
}

}  // namespace
}  // namespace koreq::data
