#pragma once

#include <map>
#include <memory>
#include <string>
#include <unordered_map>

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
  // Opens (creating when `create`) the database file; throws StoreError.
  SqliteStore(const std::string& path, bool create);
  ~SqliteStore() override;

  static constexpr int kSchemaVersion = 1;

  void ensureSchema(const std::vector<const FileDef*>& files) override;
  std::int64_t insert(const FileDef& f, const std::vector<Value>& values) override;
  void update(const FileDef& f, std::int64_t rowId, const std::vector<Value>& values) override;
  void remove(const FileDef& f, std::int64_t rowId) override;
  std::optional<StoredRow> get(const FileDef& f, std::int64_t rowId) override;
  std::vector<StoredRow> scan(const FileDef& f, const ScanSpec& range) override;
  std::int64_t count(const FileDef& f, const ScanSpec* range) override;
  void clearFile(const FileDef& f) override;
  std::int64_t nextNumber(const FileDef& f, int field) override;
  bool begin(std::chrono::milliseconds timeout) override;
  void commit() override;
  void rollback() override;
  bool inTransaction() const override { return inTx_; }
  void putBlob(const std::string& kind, std::int64_t id,
               const std::vector<unsigned char>& bytes) override;
  std::optional<std::vector<unsigned char>> getBlob(const std::string& kind,
                                                    std::int64_t id) override;
  void removeBlob(const std::string& kind, std::int64_t id) override;
  void backupTo(const std::string& path) override;

  int schemaVersion();
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
  [[noreturn]] void fail(const std::string& what);
  std::string whereFor(const FileDef& f, const ScanSpec& range, std::vector<Value>* binds,
                       std::string* order) const;

  sqlite3* db_ = nullptr;
  bool inTx_ = false;
  std::map<std::string, std::unique_ptr<Stmt>> stmts_;
  struct FileStmts {
    Stmt* insert = nullptr;
    Stmt* update = nullptr;
    Stmt* remove = nullptr;
    Stmt* get = nullptr;
    std::map<int, Stmt*> maxOf;  // by field
  };
  std::unordered_map<const FileDef*, FileStmts> fileStmts_;
  Stmt* autonumGet_ = nullptr;
  Stmt* autonumPut_ = nullptr;
};

}  // namespace koreq::data
