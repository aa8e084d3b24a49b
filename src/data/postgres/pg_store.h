#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "data/sql_common.h"
#include "data/store.h"

struct pg_conn;
struct pg_result;

namespace koreq::data {

// A password the server asks for and the connection string does not give (nor PGPASSWORD, nor
// the user's password file): the caller may ask the user and open again with it.
class PasswordNeeded : public StoreError {
 public:
  explicit PasswordNeeded(const std::string& text) : StoreError(kDriverError, text) {}
};

// The server back end: a company in a PostgreSQL database (the first schema of the
// connection's search path), through libpq. The same tables, columns, keys and orders as
// SqliteStore: money as integer cents and dates as day numbers in BIGINT columns, texts in the
// "C" collation so that they sort byte by byte as SQLite sorts them.
//
// Writers take the company's writer lock (a transaction-level advisory lock, waited for under
// `lock_timeout`) when their transaction begins, so changes are serialised exactly as SQLite's
// BEGIN IMMEDIATE serialises them: every rule written for one writer at a time (numbering, the
// posting claim, the reorder's SortID) holds across workstations. A write outside a
// transaction runs in one of its own, under the same lock. Readers never wait.
//
// PostgreSQL ends a transaction at its first failed statement; a refused key must not, so an
// insert uses ON CONFLICT DO NOTHING and an update in a transaction runs under a savepoint.
class PgStore final : public Store {
 public:
  enum class Mode {
    Create,    // a new company: refused when the schema already holds one
    Open,      // an existing company, read and written
    ReadOnly,  // an existing company, never written
  };
  // Connects; throws PasswordNeeded or StoreError with the reason in words. `password`, when
  // not empty, is given to the server instead of the ones libpq finds itself; `role`, when not
  // empty, is the role connected as instead of the connection string's user.
  PgStore(const std::string& conninfo, Mode mode, const std::string& password = {},
          const std::string& role = {});
  ~PgStore() override;
  PgStore(const PgStore&) = delete;
  PgStore& operator=(const PgStore&) = delete;

  void ensureSchema(const std::vector<const FileDef*>& files) override;
  bool schemaCurrent(const std::vector<const FileDef*>& files) override;
  bool readOnly() const override { return w_.readOnly; }
  std::int64_t insert(const FileDef& f, const std::vector<Value>& values) override;
  void update(const FileDef& f, std::int64_t rowId, const std::vector<Value>& values) override;
  std::int64_t insertRecord(const FileDef& f, const void* rec) override;
  void insertRecords(const FileDef& f, const std::vector<const void*>& recs) override;
  void updateRecord(const FileDef& f, std::int64_t rowId, const void* rec) override;
  void remove(const FileDef& f, std::int64_t rowId) override;
  std::int64_t removeRange(const FileDef& f, const ScanSpec& range) override;
  std::optional<StoredRow> get(const FileDef& f, std::int64_t rowId) override;
  std::vector<StoredRow> scan(const FileDef& f, const ScanSpec& range) override;
  void read(const FileDef& f, const ScanSpec& range, const std::vector<int>* fields,
            RowSink& sink) override;
  std::int64_t count(const FileDef& f, const ScanSpec* range) override;
  void clearFile(const FileDef& f) override;
  std::int64_t nextNumber(const FileDef& f, int field) override;
  bool begin(std::chrono::milliseconds timeout) override;
  void commit() override;
  void rollback() override;
  bool inTransaction() const override { return w_.inTx; }
  void abandon(const std::string& why) override;
  bool abandoned() const override;
  void putBlob(const std::string& kind, std::int64_t id,
               const std::vector<unsigned char>& bytes) override;
  std::optional<std::vector<unsigned char>> getBlob(const std::string& kind,
                                                    std::int64_t id) override;
  void removeBlob(const std::string& kind, std::int64_t id) override;
  // An SQLite company database, copied from a snapshot through a connection of its own (so
  // only committed data, whatever this connection is doing).
  void backupTo(const std::string& path) override;
  // Every table, column and index the schema needs is there and valid, the unique keys hold,
  // every table reads through; with the amcheck extension installed, every index is checked
  // against its table too.
  std::vector<std::string> integrityCheck() override;
  void findUnfitValues(const FileDef& f,
                       const std::function<void(const UnfitValue&)>& found) override;
  bool beginReadSnapshot() override;
  void endReadSnapshot() override;
  // Process locks are session-level advisory locks, which the server drops with the
  // connection.
  bool holdLock(const std::string& name, bool exclusive) override;
  void releaseLock(const std::string& name) override;
  bool lockHeld(const std::string& name) override;
  void readInRowOrder(const FileDef& f, RowSink& sink) override;
  std::vector<std::pair<std::string, std::int64_t>> numberCounters() override;
  void setNumberCounter(const std::string& name, std::int64_t next) override;
  std::vector<std::pair<std::string, std::int64_t>> blobIds() override;

  // Whether a connection string can be kept in a company's settings: it parses, and it holds
  // no password (that belongs in PGPASSWORD or the user's password file).
  static bool checkConnectionString(const std::string& conninfo, std::string* why);

  // What one role may do with one file: read every column but the hidden ones; add and delete
  // records when `insertDelete`; change every column when `updateAll`, else those in
  // `updateColumns`.
  struct TableGrant {
    const FileDef* file = nullptr;
    bool insertDelete = false;
    bool updateAll = false;
    std::vector<std::string> updateColumns;
    std::vector<std::string> hiddenColumns;
  };
  struct RoleGrant {
    std::string role;
    std::vector<TableGrant> tables;  // a file not named here is read only
  };
  // Gives each of these roles (made when missing, able to log in) exactly these privileges on
  // the company, taking back any others (never the right to change its structure), and the
  // system password's check. Answers the roles it made. Needs a connection that may create
  // roles and grants on the tables (their owner's).
  std::vector<std::string> grantCompany(const std::vector<RoleGrant>& roles);
  std::optional<bool> systemPasswordIs(std::string_view candidate) override;

  // Removes the company's tables from the server again (a copy whose folder could not be
  // finished), in one transaction.
  void dropCompany();

  // The server process of this connection (for the server's own views and tools).
  int serverPid() const;

  // A read-only transaction on one snapshot, for a consistent copy: ended by rollback().
  bool beginSnapshot();

 private:
  class Result;
  struct Param {
    std::string text;
    bool binary = false;
    bool null = false;
  };
  // Runs a statement prepared once per text ("?" marks the values); throws StoreError, after
  // noting a failure inside a transaction.
  Result run(const std::string& sql, const std::vector<Param>& params, bool binaryResult = false);
  // A statement without values (schema changes, transaction control).
  void exec(const std::string& sql);
  [[noreturn]] void fail(const std::string& sqlState, const std::string& text);
  [[noreturn]] void fail(const pg_result* r);
  void beforeWrite();
  // A write outside a transaction runs in one of its own, under the writer lock.
  template <typename Work>
  auto writing(Work work);
  bool hasTable(const std::string& name);
  std::vector<const FileDef*> knownFiles();
  // The values of a range read's marks, in their stored form.
  static std::vector<Param> rangeParams(const FileDef& f, const ScanSpec& range);
  std::int64_t insertParams(const FileDef& f, std::vector<Param>& params, std::int64_t number);
  // What this connection's role may do with a file's columns (a role of a company that signs on
  // by role may not read or change every column): asked of the server once per file.
  struct ColumnRights {
    bool updateAll = true;
    std::vector<bool> readable;  // per field
  };
  const ColumnRights& columnRights(const FileDef& f);
  std::map<std::string, ColumnRights> columnRights_;
  // The columns a read selects: "_rowid" and each field's, a blank in place of one the role may
  // not read.
  std::string selectList(const FileDef& f, const std::vector<int>* fields = nullptr);
  void noteNumber(const FileDef& f, std::int64_t number);
  void updateParams(const FileDef& f, std::int64_t rowId, std::vector<Param>& params);

  pg_conn* conn_ = nullptr;
  std::string conninfo_, password_, role_;
  sql::WriterState w_;
  bool savepoint_ = false;  // an update runs under its savepoint: a refused key is not a failure
  std::int64_t lockKey_ = 0;
  std::map<std::string, bool> locks_;  // process locks held: name and whether exclusive
  bool takeLock(const std::string& name, bool exclusive);
  std::string lockKeys(const std::string& name) const;
  std::unordered_map<std::string, std::string> prepared_;  // SQL text → statement name
  std::vector<const FileDef*> files_;                      // as given to ensureSchema

  // Numbering as SqliteStore does it: under the writer lock the counter is read once per
  // transaction, numbers are handed out from memory and the counter is written at commit.
  struct Counter {
    std::int64_t next = 0;
    std::int64_t handedOut = 0;
  };
  std::map<std::string, Counter> counters_;
  std::vector<std::string> openCounters_;
  void writeCounters();
  void forgetCounters();
};

}  // namespace koreq::data
