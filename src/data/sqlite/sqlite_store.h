#pragma once

#include <deque>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "data/sql_common.h"
#include "data/store.h"

struct sqlite3;
struct sqlite3_stmt;

namespace koreq::data {

// The embedded back end: one SQLite database file per company, in WAL mode, one connection,
// prepared statements cached by their text. Money is stored as integer cents, dates as day
// numbers, texts clipped; SQL text is built only from the static field tables, every value is
// bound.
class SqliteStore final : public Store {
 public:
  enum class Mode {
    Create,    // a new database file (made when missing), set up for WAL
    Open,      // an existing file, read and written; read-only when it cannot be written
    ReadOnly,  // an existing file, never written
  };
  // Opens the database file; throws StoreError with the reason in words. Opening writes
  // nothing unless the mode is Create.
  SqliteStore(const std::string& path, Mode mode);
  ~SqliteStore() override;

  void ensureSchema(const std::vector<const FileDef*>& files) override;
  bool schemaCurrent(const std::vector<const FileDef*>& files) override;
  bool readOnly() const override { return w_.readOnly; }
  std::string readOnlyReason() const override { return readOnlyReason_; }
  std::int64_t insert(const FileDef& f, const std::vector<Value>& values) override;
  void update(const FileDef& f, std::int64_t rowId, const std::vector<Value>& values) override;
  std::int64_t insertRecord(const FileDef& f, const void* rec) override;
  void updateRecord(const FileDef& f, std::int64_t rowId, const void* rec) override;
  void remove(const FileDef& f, std::int64_t rowId) override;
  std::int64_t removeRange(const FileDef& f, const ScanSpec& range) override;
  std::optional<StoredRow> get(const FileDef& f, std::int64_t rowId) override;
  std::vector<StoredRow> scan(const FileDef& f, const ScanSpec& range) override;
  void read(const FileDef& f, const ScanSpec& range, const std::vector<int>* fields,
            RowSink& sink) override;
  void releaseReads() override;
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
  void backupTo(const std::string& path) override;
  std::vector<std::string> integrityCheck() override;
  void findUnfitValues(const FileDef& f,
                       const std::function<void(const UnfitValue&)>& found) override;
  bool beginReadSnapshot() override;
  void endReadSnapshot() override;
  // Process locks are flock(2) locks on small files beside the database, which the kernel
  // drops when the process ends.
  bool holdLock(const std::string& name, bool exclusive) override;
  void releaseLock(const std::string& name) override;
  bool lockHeld(const std::string& name) override;
  void readInRowOrder(const FileDef& f, RowSink& sink) override;
  std::vector<std::pair<std::string, std::int64_t>> numberCounters() override;
  void setNumberCounter(const std::string& name, std::int64_t next) override;
  std::vector<std::pair<std::string, std::int64_t>> blobIds() override;

  sqlite3* handle() const { return db_; }

 private:
  class Stmt;
  class Query;
  // A cached statement, reset when the Query goes out of scope: a statement left on a row
  // would hold its read transaction open and pin this connection to an old snapshot.
  Query prepare(const std::string& sql);
  // The same for the statements of fixed shape each file uses on every row, kept per file so
  // those paths build no SQL text.
  template <typename BuildSql>
  Query prepareFor(Stmt*& slot, BuildSql build);
  void exec(const std::string& sql);
  // A statement failed: inside a transaction, a failure of the store itself (not a refused
  // key) abandons the whole change, whether or not SQLite has already rolled it back.
  void noteFailure(int extendedCode, const std::string& text);
  // Before every write: refuses to write into an abandoned transaction, or one SQLite ended by
  // itself (what followed would otherwise run in autocommit), or into a read-only company.
  void beforeWrite();
  bool hasTable(const std::string& name);
  // What makes the text of a read's statement: the same shape, the same statement, whatever
  // the values bound.
  struct ReadShape {
    const FileDef* file;
    const KeyDef* key;
    bool backward;
    std::size_t equal, start;
    bool after, limit;
    std::vector<int> fields;  // empty: all
    auto operator<=>(const ReadShape&) const = default;
  };
  struct ReadStmt {
    std::unique_ptr<Stmt> stmt;
    bool busy = false;  // stepping: a read nested in it (from a sink) needs a statement of its own
  };
  std::map<ReadShape, std::deque<ReadStmt>> reads_;  // a deque: a nested read may add one
  // Steps a bound statement through its rows into the sink; parks it when the sink stops.
  void step(ReadStmt& slot, const FileDef& f, const std::vector<int>* fields, RowSink& sink,
            const ReadShape& shape, const std::vector<Value>& equal);
  // A read whose sink stopped before its end keeps its statement on the last row delivered,
  // so that the read going on after that row (the next page of a list) steps on instead of
  // seeking again. It is finished before anything else runs on the connection and whenever
  // the program waits for the user: it never holds a snapshot across a change or while idle.
  struct Parked {
    ReadStmt* slot;
    ReadShape shape;
    std::vector<Value> equal;
    std::int64_t lastRow;
  };
  std::optional<Parked> parked_;
  void finishParked();

  std::string lockFile(const std::string& name) const;

  sqlite3* db_ = nullptr;
  std::string path_;
  std::map<std::string, int> locks_;  // process locks held: name and open file
  sql::WriterState w_;
  std::string readOnlyReason_;
  std::map<std::string, std::unique_ptr<Stmt>> stmts_;
  struct Counter;
  struct FileStmts {
    Stmt* insert = nullptr;
    Stmt* update = nullptr;
    Stmt* remove = nullptr;
    Stmt* get = nullptr;
    std::map<int, Stmt*> maxOf;        // by field
    std::map<int, Counter*> counters;  // by field
  };
  // Numbering inside a write transaction: the connection holds the write lock, so the counter
  // is read once, numbers are handed out from memory and the counter is written at commit.
  struct Counter {
    std::string name;            // "table.column": an alias file numbers with its base file
    std::int64_t next = 0;       // in the open transaction; 0 while it has not been read in it
    std::int64_t handedOut = 0;  // the highest number this connection handed out: never handed
                                 // out again, even when its transaction was rolled back
  };
  Counter& counter(const FileDef& f, int field);
  std::int64_t storedNext(const FileDef& f, int field, const Counter& c);
  void writeCounters();
  void forgetCounters();
  std::map<std::string, Counter> counters_;  // by name; never erased, so pointers stay
  std::vector<Counter*> openCounters_;       // read in the open transaction
  // A record that brings its own number above the ones handed out moves numbering past it.
  void noteInserted(const FileDef& f, std::int64_t number);
  std::unordered_map<const FileDef*, FileStmts> fileStmts_;
  Stmt* autonumGet_ = nullptr;
  Stmt* autonumPut_ = nullptr;
};

}  // namespace koreq::data
