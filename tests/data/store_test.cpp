#include <gtest/gtest.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/mount.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include "data/access.h"
#include "data/company.h"
#include "data/copy.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"
#include "support/backend_params.h"
#include "support/temp_dir.h"

namespace koreq::data {
namespace {

namespace fs = std::filesystem;
using std::chrono::milliseconds;

// A fresh folder per test, removed afterwards.
using ::koreq::test::TempDir;

void execRaw(const fs::path& db, const std::string& sql) {
  sqlite3* h = nullptr;
  ASSERT_EQ(sqlite3_open(db.string().c_str(), &h), SQLITE_OK);
  char* err = nullptr;
  int rc = sqlite3_exec(h, sql.c_str(), nullptr, nullptr, &err);
  std::string msg = err ? err : "";
  sqlite3_free(err);
  sqlite3_close(h);
  ASSERT_EQ(rc, SQLITE_OK) << msg;
}

int addCode(Store& store, ErrorObject& errors, const std::string& id, const std::string& desc) {
  Access<EqCode> c(store, errors);
  if (int rc = c.prime()) return rc;
  c.rec().CategoryID = id;
  c.rec().Description = desc;
  return c.insert();
}

bool hasCode(Store& store, const std::string& id) {
  ErrorObject errors;
  Access<EqCode> c(store, errors);
  return c.fetch("KeyCategoryID", {id}) == kNoError;
}

using test::Backend;

// The tests every back end must pass alike.
class StoreTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override {
    KOREQ_NEED_BACKEND(GetParam());
    backend = std::make_unique<test::BackendCompany>(GetParam(), tmp.path / "co");
  }
  TempDir tmp;
  std::unique_ptr<test::BackendCompany> backend;
};

INSTANTIATE_TEST_SUITE_P(Backends, StoreTest, test::kBackends, test::backendName);

TEST(Company, CreateRefusesAnExistingCompanyAndOpenNeedsOne) {
  TempDir tmp;
  fs::path dir = tmp.path / "acme" / "data";  // missing folders are made
  {
    auto co = Company::create(dir);
    ErrorObject errors;
    ASSERT_EQ(addCode(co->store(), errors, "FUEL", "Fuel"), kNoError);
  }
  EXPECT_TRUE(Company::exists(dir));
  try {
    Company::create(dir);
    FAIL() << "create over an existing company";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find(dir.string()), std::string::npos) << e.what();
  }
  auto co = Company::open(dir);
  EXPECT_TRUE(hasCode(co->store(), "FUEL"));  // the refused create changed nothing
  EXPECT_EQ(co->dataPath(), dir);

  fs::create_directories(tmp.path / "empty");
  try {
    Company::open(tmp.path / "empty");
    FAIL() << "open of a folder without a company";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.code(), kRecordNotFound);
    EXPECT_NE(std::string(e.what()).find("No company in"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(tmp.path / "empty" / Company::kDatabaseName));
  EXPECT_THROW(Company::open(tmp.path / "missing"), StoreError);
}

TEST(Company, OpenOfADamagedDatabaseFailsWithAStoreError) {
  TempDir tmp;
  std::ofstream(tmp.path / Company::kDatabaseName) << "this is not a database, just some text\n";
  try {
    Company::open(tmp.path);
    FAIL() << "opened a file that is not a database";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.code(), kDriverError);
  }
  // A plain file where the folder should be.
  std::ofstream(tmp.path / "afile") << "x";
  EXPECT_THROW(Company::create(tmp.path / "afile"), StoreError);
}

TEST_P(StoreTest, TransactionRollsBackUnlessCommitted) {
  auto co = backend->create();
  Store& store = co->store();
  ErrorObject errors;
  {
    Transaction tx(store, milliseconds(1000));
    ASSERT_TRUE(tx.begun());
    EXPECT_TRUE(store.inTransaction());
    ASSERT_EQ(addCode(store, errors, "LOST", "never committed"), kNoError);
    EXPECT_TRUE(hasCode(store, "LOST"));  // visible inside the transaction
  }
  EXPECT_FALSE(store.inTransaction());
  EXPECT_FALSE(hasCode(store, "LOST"));
  {
    Transaction tx(store, milliseconds(1000));
    ASSERT_EQ(addCode(store, errors, "KEPT", "committed"), kNoError);
    {
      // A nested transaction joins the outer one: its commit does not end it.
      Transaction inner(store, milliseconds(1000));
      EXPECT_EQ(inner.state(), Transaction::State::Joined);
      ASSERT_EQ(addCode(store, errors, "INNER", "inner"), kNoError);
      inner.commit();
      EXPECT_TRUE(store.inTransaction());
    }
    tx.commit();
  }
  {
    Transaction tx(store, milliseconds(1000));
    ASSERT_EQ(addCode(store, errors, "UNDONE", "rolled back"), kNoError);
    tx.rollback();
    tx.commit();  // after rollback, nothing left to commit
  }
  EXPECT_TRUE(hasCode(store, "KEPT"));
  EXPECT_TRUE(hasCode(store, "INNER"));
  EXPECT_FALSE(hasCode(store, "UNDONE"));
  EXPECT_EQ(Access<EqCode>(store, errors).records(), 2);
}

TEST_P(StoreTest, AnotherWriterMakesBeginGiveUpAndNothingIsWritten) {
  auto co = backend->create();
  auto station = backend->otherStation();
  Store& other = *station;
  ErrorObject errors;
  ASSERT_TRUE(other.begin(milliseconds(1000)));
  ASSERT_EQ(addCode(other, errors, "OTHER", "from the other station"), kNoError);
  {
    Transaction tx(co->store(), milliseconds(100));
    EXPECT_FALSE(tx.begun());
    EXPECT_FALSE(co->store().inTransaction());
    EXPECT_FALSE(hasCode(co->store(), "OTHER"));  // not committed yet
    other.commit();
    EXPECT_THROW(tx.commit(), StoreError);
  }
  EXPECT_TRUE(hasCode(co->store(), "OTHER"));
  // The lock is gone: the next transaction begins.
  Transaction tx(co->store(), milliseconds(1000));
  EXPECT_TRUE(tx.begun());
}

// A read left open on one connection must not pin it to an old snapshot: another station's
// rows become visible, and a later transaction can still begin.
TEST_P(StoreTest, SeesOtherStationsWritesAfterAnyRead) {
  auto co = backend->create();
  Store& mine = co->store();
  auto station = backend->otherStation();
  Store& other = *station;
  ErrorObject errors;
  ASSERT_EQ(addCode(mine, errors, "A", "first"), kNoError);
  Access<EqCode> codes(mine, errors);
  EXPECT_EQ(codes.records(), 1);
  ASSERT_EQ(codes.fetch("KeyCategoryID", {std::string("A")}), kNoError);
  ASSERT_EQ(codes.reget(), kNoError);
  EXPECT_FALSE(mine.getBlob("photo", 1).has_value());
  ASSERT_EQ(addCode(other, errors, "B", "second"), kNoError);
  EXPECT_TRUE(hasCode(mine, "B"));
  EXPECT_EQ(codes.records(), 2);
  Transaction tx(mine, milliseconds(1000));
  EXPECT_TRUE(tx.begun());
}

TEST(SqliteStore, EnsureSchemaAddsMissingColumnsWithDefaults) {
  TempDir tmp;
  fs::path db = tmp.path / Company::kDatabaseName;
  // A company as an older program made it: its own tables, and a file with three of the
  // columns and one row.
  execRaw(db,
          "CREATE TABLE _meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
          "INSERT INTO _meta VALUES('schema_version', '1');"
          "CREATE TABLE _autonum(name TEXT PRIMARY KEY, next INTEGER NOT NULL);"
          "CREATE TABLE _blobs(kind TEXT NOT NULL, id INTEGER NOT NULL, data BLOB NOT NULL, "
          "PRIMARY KEY(kind, id));"
          "CREATE TABLE eqcode(_rowid INTEGER PRIMARY KEY, RecordID INTEGER NOT NULL DEFAULT 0, "
          "CategoryID TEXT NOT NULL DEFAULT '', Description TEXT NOT NULL DEFAULT '');"
          "INSERT INTO eqcode(RecordID, CategoryID, Description) VALUES(7, 'OLD', 'Old row');");
  auto co = Company::open(tmp.path);
  ErrorObject errors;
  Access<EqCode> c(co->store(), errors);
  ASSERT_EQ(c.fetch("KeyCategoryID", {std::string("OLD")}), kNoError);
  EXPECT_EQ(c.rec().RecordID, 7);
  EXPECT_EQ(c.rec().Description, "Old row");
  EXPECT_EQ(c.rec().DefaultUnit, "");
  EXPECT_EQ(c.rec().Meter, 0u);
  c.rec().Meter = 250;
  c.rec().IntervalName = "Hours";
  ASSERT_EQ(c.update(), kNoError);
  ASSERT_EQ(c.fetch("KeyRecordID", {std::int64_t{7}}), kNoError);
  EXPECT_EQ(c.rec().Meter, 250u);
  EXPECT_EQ(c.rec().IntervalName, "Hours");
  // The keys' indexes were made too: the unique one refuses a second "OLD".
  EXPECT_EQ(addCode(co->store(), errors, "OLD", "again"), kDuplicateKey);
  // Prime numbers above the row that was already there.
  ASSERT_EQ(c.prime(), kNoError);
  EXPECT_EQ(c.rec().RecordID, 9);  // 8 went to the refused insert
  EXPECT_TRUE(co->store().schemaCurrent(allFiles()));
}

TEST_P(StoreTest, BackupOpensWithTheSameRowsAndBlobs) {
  auto co = backend->create();
  ErrorObject errors;
  for (int i = 0; i < 150; ++i)
    ASSERT_EQ(addCode(co->store(), errors, "C" + std::to_string(i), "Code"), kNoError);
  co->store().putBlob("photo", 12, {1, 2, 3, 0, 255});
  {
    // A backup taken while a transaction is open holds what was committed.
    Transaction tx(co->store(), milliseconds(1000));
    ASSERT_EQ(addCode(co->store(), errors, "PENDING", "not yet"), kNoError);
    fs::create_directories(tmp.path / "copy");
    co->store().backupTo((tmp.path / "copy" / Company::kDatabaseName).string());
    tx.commit();
  }
  auto copy = Company::open(tmp.path / "copy");
  Access<EqCode> c(copy->store(), errors);
  EXPECT_EQ(c.records(), 150);
  ASSERT_EQ(c.fetch("KeyCategoryID", {std::string("C149")}), kNoError);
  EXPECT_EQ(c.rec().Description, "Code");
  EXPECT_FALSE(hasCode(copy->store(), "PENDING"));
  auto blob = copy->store().getBlob("photo", 12);
  ASSERT_TRUE(blob.has_value());
  EXPECT_EQ(*blob, (std::vector<unsigned char>{1, 2, 3, 0, 255}));
  // The copy numbers on from its own rows.
  ASSERT_EQ(c.prime(), kNoError);
  EXPECT_GT(c.rec().RecordID, 150);
  EXPECT_THROW(co->store().backupTo((tmp.path / "no" / "such" / "folder.db").string()), StoreError);
}

TEST_P(StoreTest, BlobsArePutReplacedReadAndRemoved) {
  auto co = backend->create();
  Store& s = co->store();
  std::vector<unsigned char> big(300000);
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<unsigned char>(i * 7);
  s.putBlob("photo", 1, big);
  s.putBlob("attachment", 1, {9});
  s.putBlob("photo", 2, {});  // an empty file is still a file
  EXPECT_EQ(s.getBlob("photo", 1), big);
  EXPECT_EQ(s.getBlob("attachment", 1), std::vector<unsigned char>{9});
  ASSERT_TRUE(s.getBlob("photo", 2).has_value());
  EXPECT_TRUE(s.getBlob("photo", 2)->empty());
  EXPECT_FALSE(s.getBlob("photo", 3).has_value());
  s.putBlob("photo", 1, {4, 5});
  EXPECT_EQ(s.getBlob("photo", 1), (std::vector<unsigned char>{4, 5}));
  s.removeBlob("photo", 1);
  s.removeBlob("photo", 99);  // nothing there: no error
  EXPECT_FALSE(s.getBlob("photo", 1).has_value());
  EXPECT_EQ(s.getBlob("attachment", 1), std::vector<unsigned char>{9});
}

TEST_P(StoreTest, ValuesOfOtherTypesAreBroughtToTheFieldsType) {
  auto co = backend->create();
  Store& s = co->store();
  const FileDef& def = EqCode::def();
  std::vector<Value> v(def.fields.size());
  v[0] = std::string("41");         // RecordID as text
  v[1] = std::string("PUMP    ");   // clipped
  v[8] = Decimal::fromCents(1200);  // Meter as a Decimal
  std::int64_t row = s.insert(def, v);
  auto got = s.get(def, row);
  ASSERT_TRUE(got.has_value());
  EXPECT_EQ(std::get<std::int64_t>(got->values[0]), 41);
  EXPECT_EQ(std::get<std::string>(got->values[1]), "PUMP");
  EXPECT_EQ(std::get<std::int64_t>(got->values[8]), 12);
  EXPECT_EQ(std::get<std::string>(got->values[2]), "");  // unset: empty, not NULL
  ScanSpec range;
  range.key = def.key("KeyRecordID");
  range.equal = {std::string("41")};
  EXPECT_EQ(s.scan(def, range).size(), 1u);
  EXPECT_EQ(s.count(def, &range), 1);
  v[0] = std::string("forty-two");
  try {
    s.insert(def, v);
    FAIL() << "a text that is no number went into a number column";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.code(), kBadValue);
  }
  EXPECT_FALSE(s.get(def, row + 1).has_value());
  v[0] = std::int64_t{42};
  try {
    s.update(def, row + 1, v);
    FAIL() << "updated a row that is not there";
  } catch (const StoreError& e) {
    EXPECT_EQ(e.code(), kRecordNotFound);
  }
  s.clearFile(def);
  EXPECT_EQ(s.count(def), 0);
}

TEST_P(StoreTest, AValueItsFieldCannotHoldIsNeverWrittenNorReadAsAnother) {
  auto co = backend->create();
  Store& s = co->store();
  ErrorObject errors;
  Access<EqLogB> log(s, errors);
  auto add = [&](const char* equipment, const char* gross) {
    EXPECT_EQ(log.prime(), kNoError);
    log.rec().EquipmentID = equipment;
    log.rec().BatchID = 1;
    log.rec().GrossAmount = *Decimal::parse(gross);
    return log.insert();
  };
  // 99,999,999.999 units at 168.00: more than the entry's 11 digits hold.
  EXPECT_EQ(add("EX-1", "16800000000.00"), kBadValue);
  EXPECT_NE(log.lastErrorText().find("EQLB:GrossAmount cannot hold 16800000000.00"),
            std::string::npos)
      << log.lastErrorText();
  ASSERT_TRUE(errors.last());
  EXPECT_NE(errors.last()->message.find("EQLogB"), std::string::npos);
  EXPECT_EQ(s.count(EqLogB::def()), 0);
  // A NUL would cut the text on a server: refused, naming the field.
  std::string why;
  EXPECT_FALSE(log.put("EQLB:Comments", std::string("a\0b", 3), &why));
  EXPECT_NE(why.find("NUL"), std::string::npos);
  log.rec().GrossAmount = Decimal();
  log.rec().Comments = std::string("a\0b", 3);
  EXPECT_EQ(log.insert(), kBadValue);
  EXPECT_NE(log.lastErrorText().find("EQLB:Comments"), std::string::npos);
  EXPECT_EQ(s.count(EqLogB::def()), 0);

  ASSERT_EQ(add("EX-1", "12.00"), kNoError);
  ASSERT_EQ(add("EX-2", "34.00"), kNoError);
  const std::int64_t damaged = log.position();
  const std::string sql =
      "UPDATE eqlogb SET \"GrossAmount\" = 1680000000000 WHERE \"EquipmentID\" = 'EX-2'";
  if (backend->backend() == test::Backend::Sqlite) {
    execRaw(backend->dir() / Company::kDatabaseName, sql);
  } else {
    ASSERT_TRUE(test::pgExec(backend->conninfo(), sql, &why)) << why;
  }
  // Read by key, and read in order: an error naming file, record, field and value, never the
  // record read before.
  ASSERT_EQ(log.fetch("EQLB:KeyEquipmentID", {std::string("EX-1")}), kNoError);
  EXPECT_EQ(log.fetch("EQLB:KeyEquipmentID", {std::string("EX-2")}), kBadValue);
  const std::string expected =
      "EQLogB record " + std::to_string(damaged) + ": EQLB:GrossAmount holds '16800000000.00'";
  EXPECT_NE(log.lastErrorText().find(expected), std::string::npos) << log.lastErrorText();
  log.set(*EqLogB::def().key("KeyLogID"));
  EXPECT_EQ(log.next(), kNoError);
  EXPECT_EQ(log.rec().EquipmentID.str(), "EX-1");
  EXPECT_EQ(log.next(), kBadValue);
  EXPECT_NE(log.lastErrorText().find(expected), std::string::npos) << log.lastErrorText();

  std::vector<std::string> unfit;
  s.findUnfitValues(EqLogB::def(), [&](const Store::UnfitValue& u) {
    unfit.push_back(std::to_string(u.rowId) + " " + u.field->name + " " + u.value);
  });
  EXPECT_EQ(unfit,
            std::vector<std::string>{std::to_string(damaged) + " EQLB:GrossAmount 16800000000.00"});
}

TEST_P(StoreTest, ABusyCompanyRefusesTheChangeAndReadingGoesOn) {
  { backend->create(); }
  auto other = backend->otherStation();
  ASSERT_TRUE(other->begin(milliseconds(1000)));
  // Opening and reading need no writer's lock.
  auto co = backend->open();
  Store& store = co->store();
  ErrorObject errors;
  EXPECT_FALSE(hasCode(store, "X"));
  Transaction tx(store, milliseconds(50));
  EXPECT_EQ(tx.state(), Transaction::State::Refused);
  EXPECT_THROW(tx.commit(), StoreError);
  std::string why;
  bool ran = false;
  EXPECT_FALSE(allOrNothing(
      store, [&](std::string*) { return ran = true; }, &why, milliseconds(50)));
  EXPECT_FALSE(ran);
  EXPECT_EQ(why, kCompanyBusyText);
}

TEST(Transaction, AFailedStatementAbandonsTheWholeChange) {
  TempDir tmp;
  auto co = Company::create(tmp.path);
  auto& store = static_cast<SqliteStore&>(co->store());
  ErrorObject errors;

  // SQLite ends the transaction by itself (as on a full disk): what follows must not land in
  // autocommit, and the commit says so.
  {
    Transaction tx(store);
    ASSERT_EQ(addCode(store, errors, "FIRST", "before"), kNoError);
    sqlite3_exec(store.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
    EXPECT_TRUE(store.abandoned());
    EXPECT_NE(addCode(store, errors, "LATER", "after"), kNoError);
    EXPECT_THROW(tx.commit(), StoreError);
  }
  EXPECT_FALSE(hasCode(store, "FIRST"));
  EXPECT_FALSE(hasCode(store, "LATER"));

  // The disk fills half-way: nothing of the change is kept.
  sqlite3_stmt* pages = nullptr;
  sqlite3_prepare_v2(store.handle(), "PRAGMA page_count", -1, &pages, nullptr);
  sqlite3_step(pages);
  const std::string limit = std::to_string(sqlite3_column_int(pages, 0) + 5);
  sqlite3_finalize(pages);
  sqlite3_exec(store.handle(), ("PRAGMA max_page_count = " + limit).c_str(), nullptr, nullptr,
               nullptr);
  std::string why;
  EXPECT_FALSE(allOrNothing(
      store,
      [&](std::string*) {
        for (int i = 0; i < 5000; ++i)
          if (addCode(store, errors, "C" + std::to_string(i), std::string(30, 'x')) != kNoError)
            return false;
        return true;
      },
      &why));
  EXPECT_EQ(Access<EqCode>(store, errors).records(), 0);
  EXPECT_FALSE(store.inTransaction());

  // A part that fails inside a caller's change abandons the caller's change too.
  sqlite3_exec(store.handle(), "PRAGMA max_page_count = 100000", nullptr, nullptr, nullptr);
  {
    Transaction outer(store);
    ASSERT_EQ(addCode(store, errors, "OUTER", "outer"), kNoError);
    { Transaction part(store); }  // left without commit
    EXPECT_THROW(outer.commit(), StoreError);
  }
  EXPECT_FALSE(hasCode(store, "OUTER"));
  // A refused key is the caller's to handle: the change goes on.
  EXPECT_TRUE(allOrNothing(store, [&](std::string*) {
    EXPECT_EQ(addCode(store, errors, "DUP", "one"), kNoError);
    EXPECT_EQ(addCode(store, errors, "DUP", "two"), kDuplicateKey);
    return addCode(store, errors, "NEXT", "three") == kNoError;
  }));
  EXPECT_TRUE(hasCode(store, "NEXT"));
}

TEST(Company, WhatIsNotACompanyIsReportedAndLeftAsItWas) {
  TempDir tmp;
  fs::create_directories(tmp.path / "empty");
  std::ofstream(tmp.path / "empty" / Company::kDatabaseName).close();
  EXPECT_THROW(Company::open(tmp.path / "empty"), StoreError);
  EXPECT_THROW(Company::open(tmp.path / "empty", true), StoreError);
  EXPECT_EQ(fs::file_size(tmp.path / "empty" / Company::kDatabaseName), 0u);
  EXPECT_THROW(Company::create(tmp.path / "empty"), StoreError);

  // A database that is not a company.
  fs::create_directories(tmp.path / "other");
  execRaw(tmp.path / "other" / Company::kDatabaseName, "CREATE TABLE t(x)");
  EXPECT_THROW(Company::open(tmp.path / "other"), StoreError);

  // A company opened for reading is never written.
  { Company::create(tmp.path / "co"); }
  auto co = Company::open(tmp.path / "co", true);
  ErrorObject errors;
  EXPECT_TRUE(co->store().readOnly());
  EXPECT_NE(addCode(co->store(), errors, "RO", "refused"), kNoError);
  EXPECT_FALSE(hasCode(co->store(), "RO"));
}

}  // namespace
}  // namespace koreq::data

namespace koreq::data {
namespace {

class PgStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    KOREQ_NEED_BACKEND(Backend::Postgres);
    backend = std::make_unique<test::BackendCompany>(Backend::Postgres, tmp.path / "co");
  }
  TempDir tmp;
  std::unique_ptr<test::BackendCompany> backend;
};

// The server ends a transaction at its first failed statement, and may end one by itself (its
// connection killed): nothing after it may land, and the commit says so. A refused key and a
// part that fails behave as they do on SQLite.
TEST_F(PgStoreTest, AFailedStatementAbandonsTheWholeChange) {
  auto co = backend->create();
  Store& store = co->store();
  ErrorObject errors;
  {
    Transaction tx(store);
    ASSERT_EQ(addCode(store, errors, "FIRST", "before"), kNoError);
    // Text the server's UTF-8 database refuses: the statement fails, so does the change.
    EXPECT_NE(addCode(store, errors, "BAD", std::string("\xff\xfe", 2)), kNoError);
    EXPECT_TRUE(store.abandoned());
    EXPECT_NE(addCode(store, errors, "LATER", "after"), kNoError);
    EXPECT_THROW(tx.commit(), StoreError);
  }
  EXPECT_FALSE(hasCode(store, "FIRST"));
  EXPECT_FALSE(hasCode(store, "LATER"));
  {
    Transaction tx(store);
    ASSERT_EQ(addCode(store, errors, "FIRST", "before"), kNoError);
    std::string why;
    const int pid = static_cast<PgStore&>(store).serverPid();
    ASSERT_TRUE(test::pgExec(backend->conninfo(),
                             "SELECT pg_terminate_backend(" + std::to_string(pid) + ")", &why))
        << why;
    EXPECT_NE(addCode(store, errors, "LATER", "after"), kNoError);
    EXPECT_TRUE(store.abandoned());
    EXPECT_THROW(tx.commit(), StoreError);
  }
  // The next change connects again.
  EXPECT_FALSE(hasCode(store, "FIRST"));
  EXPECT_TRUE(allOrNothing(store, [&](std::string*) {
    EXPECT_EQ(addCode(store, errors, "DUP", "one"), kNoError);
    EXPECT_EQ(addCode(store, errors, "DUP", "two"), kDuplicateKey);
    // An update onto another record's key is refused too, and the change goes on.
    Access<EqCode> c(store, errors);
    EXPECT_EQ(addCode(store, errors, "OTHER", "two"), kNoError);
    EXPECT_EQ(c.fetch("KeyCategoryID", {std::string("OTHER")}), kNoError);
    c.rec().CategoryID = "DUP";
    EXPECT_EQ(c.update(), kDuplicateKey);
    return addCode(store, errors, "NEXT", "three") == kNoError;
  }));
  EXPECT_TRUE(hasCode(store, "NEXT"));
  EXPECT_TRUE(hasCode(store, "OTHER"));
  {
    Transaction outer(store);
    ASSERT_EQ(addCode(store, errors, "OUTER", "outer"), kNoError);
    { Transaction part(store); }  // left without commit
    EXPECT_THROW(outer.commit(), StoreError);
  }
  EXPECT_FALSE(hasCode(store, "OUTER"));
}

// A company an older program made on the server: the missing columns and indexes are added
// with their defaults, the rows kept, and numbering goes on above them.
TEST_F(PgStoreTest, TextsAreUtf8OnADatabaseOfAnotherEncoding) {
  const std::string db = "koreq_latin1_" + std::to_string(::getpid());
  std::string why;
  ASSERT_TRUE(test::pgExec(
      test::pgTestServer(),
      "CREATE DATABASE " + db + " ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0",
      &why))
      << why;
  const std::string conninfo = test::pgTestServer() + " dbname=" + db;
  {
    auto co = Company::createOnServer(tmp.path / "latin1", conninfo);
    ErrorObject errors;
    ASSERT_EQ(addCode(co->store(), errors, "WELD", "Müller Schweißen"), kNoError);
  }
  // Another client reading in UTF-8 sees the text as it was written.
  PGconn* c = PQconnectdb((conninfo + " client_encoding=UTF8").c_str());
  PGresult* r = PQexec(c, "SELECT \"Description\" FROM eqcode");
  const std::string got = PQntuples(r) == 1 ? PQgetvalue(r, 0, 0) : "";
  PQclear(r);
  PQfinish(c);
  test::pgExec(test::pgTestServer(), "DROP DATABASE " + db, nullptr);
  EXPECT_EQ(got, "Müller Schweißen");
}

TEST(Company, OnReadOnlyMediaItIsReadAndAChangeSaysTheFolderCannotBeWritten) {
  TempDir tmp;
  const fs::path media = tmp.path / "media";
  fs::create_directories(media);
  if (::mount("tmpfs", media.c_str(), "tmpfs", 0, "size=8m") != 0)
    GTEST_SKIP() << "mounting a file system needs privileges this run does not have";
  struct Unmount {
    fs::path at;
    ~Unmount() { ::umount2(at.c_str(), MNT_DETACH); }
  } unmount{media};
  {
    auto co = Company::create(media / "co");
    ErrorObject errors;
    ASSERT_EQ(addCode(co->store(), errors, "FUEL", "Fuel"), kNoError);
  }
  ASSERT_EQ(::mount(nullptr, media.c_str(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);
  ASSERT_FALSE(fs::exists(media / "co" / "company.db-shm"));
  for (bool forReading : {true, false}) {
    auto co = Company::open(media / "co", forReading);
    EXPECT_TRUE(co->store().readOnly());
    EXPECT_TRUE(hasCode(co->store(), "FUEL"));
  }
  auto co = Company::open(media / "co");
  std::string why;
  EXPECT_FALSE(allOrNothing(
      co->store(), [](std::string*) { return true; }, &why));
  EXPECT_NE(why.find("Cannot write the company folder"), std::string::npos) << why;
}

TEST(CompanyCopy, AChangedTextIsSeenThoughCountsAndMoneyAgree) {
  TempDir tmp;
  auto from = Company::create(tmp.path / "a");
  ErrorObject errors;
  ASSERT_EQ(addCode(from->store(), errors, "FUEL", "Fuel/x"), kNoError);
  {
    auto to = Company::create(tmp.path / "b");
    const auto totals = copyCompany(from->store(), to->store(), allFiles());
    EXPECT_TRUE(totalsDiffer(totals, companyTotals(to->store(), allFiles())).empty());
  }
  // The text cut on the way, as a NUL would cut it on a server.
  execRaw(tmp.path / "b" / Company::kDatabaseName,
          "UPDATE eqcode SET \"Description\" = 'Fuel/' WHERE \"CategoryID\" = 'FUEL'");
  auto to = Company::open(tmp.path / "b");
  const auto lines = totalsDiffer(companyTotals(from->store(), allFiles()),
                                  companyTotals(to->store(), allFiles()));
  EXPECT_EQ(lines, std::vector<std::string>{"eqcode: the records' contents differ in the copy"});
}

TEST_F(PgStoreTest, EnsureSchemaAddsMissingColumnsWithDefaults) {
  ASSERT_TRUE(test::pgExec(
      backend->conninfo(),
      "CREATE TABLE _meta(key TEXT PRIMARY KEY, value TEXT NOT NULL);"
      "INSERT INTO _meta VALUES('schema_version', '1');"
      "CREATE TABLE _autonum(name TEXT PRIMARY KEY, next BIGINT NOT NULL);"
      "CREATE TABLE _blobs(kind TEXT NOT NULL, id BIGINT NOT NULL, data BYTEA NOT NULL, "
      "PRIMARY KEY(kind, id));"
      "CREATE TABLE eqcode(_rowid BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, "
      "\"RecordID\" BIGINT NOT NULL DEFAULT 0, \"CategoryID\" TEXT NOT NULL DEFAULT '', "
      "\"Description\" TEXT NOT NULL DEFAULT '');"
      "INSERT INTO eqcode(\"RecordID\", \"CategoryID\", \"Description\") "
      "VALUES(7, 'OLD', 'Old row');",
      nullptr));
  Company::pointAtServer(backend->dir(), backend->conninfo());
  auto co = backend->open();
  EXPECT_TRUE(co->store().schemaCurrent(allFiles()));
  ErrorObject errors;
  Access<EqCode> c(co->store(), errors);
  ASSERT_EQ(c.fetch("KeyCategoryID", {std::string("OLD")}), kNoError);
  EXPECT_EQ(c.rec().RecordID, 7);
  EXPECT_EQ(c.rec().Description, "Old row");
  EXPECT_EQ(c.rec().Meter, 0u);
  c.rec().Meter = 250;
  ASSERT_EQ(c.update(), kNoError);
  EXPECT_EQ(addCode(co->store(), errors, "OLD", "again"), kDuplicateKey);
  ASSERT_EQ(c.prime(), kNoError);
  EXPECT_EQ(c.rec().RecordID, 9);  // 8 went to the refused insert
}

// A company folder on a server is a settings file; the folder, the server and the settings
// refuse what would lose or expose something.
TEST_F(PgStoreTest, ACompanyFolderPointsAtItsServer) {
  { auto co = backend->create(); }
  const fs::path settings = backend->dir() / Company::kSettingsName;
  ASSERT_TRUE(fs::exists(settings));
  EXPECT_FALSE(fs::exists(backend->dir() / Company::kDatabaseName));
  EXPECT_EQ(Company::serverConnection(backend->dir()), backend->conninfo());
  {
    auto co = backend->open();
    ErrorObject errors;
    ASSERT_EQ(addCode(co->store(), errors, "FUEL", "Fuel"), kNoError);
    EXPECT_TRUE(co->store().integrityCheck().empty());
  }
  // A second folder on the same schema is refused: a company is already there.
  try {
    Company::createOnServer(tmp.path / "second", backend->conninfo());
    FAIL() << "made a second company over the first";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("already holds a company"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(tmp.path / "second"));
  try {
    Company::createOnServer(tmp.path / "third", backend->conninfo() + " password=secret");
    FAIL() << "kept a password in the folder";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("PGPASSWORD"), std::string::npos) << e.what();
  }
  EXPECT_FALSE(fs::exists(tmp.path / "third"));
  // Opened for reading, nothing is written.
  {
    auto co = backend->open(true);
    ErrorObject errors;
    EXPECT_TRUE(co->store().readOnly());
    EXPECT_NE(addCode(co->store(), errors, "RO", "refused"), kNoError);
    EXPECT_TRUE(hasCode(co->store(), "FUEL"));
  }
  // The check finds an index that is gone.
  ASSERT_TRUE(test::pgExec(backend->conninfo(), "DROP INDEX \"eqcode_KeyCategoryID\"", nullptr));
  {
    auto co = backend->open(true);
    auto findings = co->store().integrityCheck();
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_NE(findings[0].find("KeyCategoryID"), std::string::npos) << findings[0];
  }
  // A schema that holds no company, and settings naming another back end.
  TempDir other;
  test::BackendCompany empty(Backend::Postgres, other.path / "empty");
  Company::pointAtServer(other.path / "empty", empty.conninfo());
  EXPECT_THROW(Company::open(other.path / "empty"), StoreError);
  fs::create_directories(other.path / "odd");
  std::ofstream(other.path / "odd" / Company::kSettingsName) << "[Database]\nBackend=Oracle\n";
  try {
    Company::open(other.path / "odd");
    FAIL() << "opened an unknown back end";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find("Oracle"), std::string::npos) << e.what();
  }
}

}  // namespace
}  // namespace koreq::data
