#include "data/sqlite/sqlite_store.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include <set>

namespace koreq::data {

using sql::quoted;

namespace {

bool isIntegerColumn(FieldType t) {
  return t != FieldType::String;
}

// A database failure in words a user can act on.
std::string describe(sqlite3* db, int ext) {
  switch (ext & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return kCompanyBusyText;
    case SQLITE_FULL:
      return "The disk is full: the company database could not be written";
    case SQLITE_IOERR:
      return "The company database could not be read or written (a disk error)";
    case SQLITE_READONLY:
      return "The company is open for reading only";
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      return "The company database is damaged or is not a company database";
    case SQLITE_CANTOPEN:
      return "The company database cannot be opened";
    case SQLITE_NOMEM:
      return "Out of memory";
    default:
      return db ? sqlite3_errmsg(db) : "unknown database error";
  }
}

}  // namespace

class SqliteStore::Stmt {
 public:
  Stmt(SqliteStore& owner, const std::string& sql) : owner_(owner), db_(owner.db_) {
    if (sqlite3_prepare_v3(db_, sql.c_str(), static_cast<int>(sql.size()),
                           SQLITE_PREPARE_PERSISTENT, &stmt_, nullptr) != SQLITE_OK) {
      int ext = sqlite3_extended_errcode(db_);
      throw StoreError(kDriverError, describe(db_, ext));
    }
  }
  ~Stmt() { sqlite3_finalize(stmt_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  // Every use binds all of its parameters, so old bindings need no clearing.
  void reset() {
    sqlite3_reset(stmt_);
    next_ = 1;
  }
  // Ends the statement's run (and so its read) without touching its bindings.
  void finish() { sqlite3_reset(stmt_); }
  void bind(const Value& v) {
    int i = next_++;
    int rc = SQLITE_OK;
    if (auto n = std::get_if<std::int64_t>(&v)) {
      rc = sqlite3_bind_int64(stmt_, i, *n);
    } else if (auto d = std::get_if<Decimal>(&v)) {
      rc = sqlite3_bind_int64(stmt_, i, d->cents());
    } else if (auto s = std::get_if<std::string>(&v)) {
      rc = sqlite3_bind_text(stmt_, i, s->data(), static_cast<int>(s->size()), SQLITE_TRANSIENT);
    } else if (auto dt = std::get_if<Date>(&v)) {
      rc = sqlite3_bind_int64(stmt_, i, dt->day());
    } else if (auto t = std::get_if<Time>(&v)) {
      rc = sqlite3_bind_int64(stmt_, i, t->value());
    } else {
      rc = sqlite3_bind_null(stmt_, i);
    }
    if (rc != SQLITE_OK) throw StoreError(kDriverError, describe(db_, rc));
  }
  // A field's value; one that already has the field's type is bound as it is.
  void bindField(const FieldDef& f, const Value& v) {
    bool direct = false;
    switch (f.type) {
      case FieldType::String:
        if (auto p = std::get_if<std::string>(&v)) {
          std::string_view t = clip(*p);
          int rc = sqlite3_bind_text(stmt_, next_++, t.data(), static_cast<int>(t.size()),
                                     SQLITE_TRANSIENT);
          if (rc != SQLITE_OK) throw StoreError(kDriverError, describe(db_, rc));
          return;
        }
        break;
      case FieldType::Decimal:
        direct = std::holds_alternative<Decimal>(v);
        break;
      case FieldType::Date:
        direct = std::holds_alternative<Date>(v);
        break;
      case FieldType::Time:
        direct = std::holds_alternative<Time>(v);
        break;
      default:
        direct = std::holds_alternative<std::int64_t>(v);
        break;
    }
    if (direct)
      bind(v);
    else
      bind(sql::keyValue(f, v));
  }
  // A field of a record buffer as it stands. The text is bound without a copy: the statement
  // runs before the buffer can change, and every use binds all of its parameters anew.
  void bindStored(const FieldDef& f, const void* rec) {
    std::int64_t n = 0;
    std::string_view t;
    f.save(rec, &n, &t);
    int rc = isIntegerColumn(f.type) ? sqlite3_bind_int64(stmt_, next_++, n)
                                     : sqlite3_bind_text(stmt_, next_++, t.data(),
                                                         static_cast<int>(t.size()), SQLITE_STATIC);
    if (rc != SQLITE_OK) throw StoreError(kDriverError, describe(db_, rc));
  }
  void bindBlob(const std::vector<unsigned char>& bytes) {
    // An empty vector may have no data pointer, and a null pointer binds NULL.
    static const unsigned char kNone = 0;
    const unsigned char* p = bytes.empty() ? &kNone : bytes.data();
    int rc = sqlite3_bind_blob64(stmt_, next_++, p, bytes.size(), SQLITE_TRANSIENT);
    if (rc != SQLITE_OK) throw StoreError(kDriverError, describe(db_, rc));
  }
  // SQLITE_ROW → true, SQLITE_DONE → false, anything else throws.
  bool step() {
    int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) return false;
    int ext = sqlite3_extended_errcode(db_);
    std::string msg = describe(db_, ext);
    sqlite3_reset(stmt_);
    owner_.noteFailure(ext, msg);
    if (ext == SQLITE_CONSTRAINT_UNIQUE || ext == SQLITE_CONSTRAINT_PRIMARYKEY)
      throw StoreError(kDuplicateKey, fileErrorText(kDuplicateKey));
    throw StoreError(kDriverError, msg);
  }
  std::int64_t int64(int col) const { return sqlite3_column_int64(stmt_, col); }
  std::string_view textView(int col) const {
    auto p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, col));
    return p ? std::string_view(p, static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string_view();
  }
  // A stored column straight into its field of a record buffer; a value the field cannot hold
  // (a text in a number's column, a number beyond its digits) is an error naming it.
  void load(const FileDef& file, const FieldDef& f, int col, void* rec) const {
    std::int64_t n = 0;
    std::string_view t;
    stored(file, f, col, &n, &t);
    f.load(rec, n, t);
  }
  void stored(const FileDef& file, const FieldDef& f, int col, std::int64_t* n,
              std::string_view* t) const {
    std::string why;
    if (isIntegerColumn(f.type)) {
      if (sqlite3_column_type(stmt_, col) != SQLITE_INTEGER)
        sql::throwUnreadable(file, int64(0), f, text(col), "not a whole number as stored");
      *n = int64(col);
    } else {
      *t = textView(col);
    }
    if (!f.fits(*n, *t, &why)) sql::throwUnreadable(file, int64(0), f, storedText(f, *n, *t), why);
  }
  // What check() needs: the fault of a column, or nothing, without stopping.
  std::optional<std::pair<std::string, std::string>> fault(const FieldDef& f, int col) const {
    std::string why;
    std::int64_t n = 0;
    std::string_view t;
    if (isIntegerColumn(f.type)) {
      if (sqlite3_column_type(stmt_, col) != SQLITE_INTEGER)
        return std::make_pair(text(col), std::string("not a whole number as stored"));
      n = int64(col);
    } else {
      if (sqlite3_column_type(stmt_, col) != SQLITE_TEXT)
        return std::make_pair(text(col), std::string("not a text as stored"));
      t = textView(col);
    }
    if (!f.fits(n, t, &why)) return std::make_pair(storedText(f, n, t), why);
    return std::nullopt;
  }
  std::string text(int col) const {
    auto p = sqlite3_column_text(stmt_, col);
    return p ? std::string(reinterpret_cast<const char*>(p),
                           static_cast<size_t>(sqlite3_column_bytes(stmt_, col)))
             : std::string();
  }
  std::vector<unsigned char> blob(int col) const {
    auto p = static_cast<const unsigned char*>(sqlite3_column_blob(stmt_, col));
    return std::vector<unsigned char>(p, p + sqlite3_column_bytes(stmt_, col));
  }
  Value column(const FileDef& file, const FieldDef& f, int col) const {
    std::int64_t n = 0;
    std::string_view t;
    stored(file, f, col, &n, &t);
    switch (f.type) {
      case FieldType::String:
        return std::string(t);
      case FieldType::Decimal:
        return Decimal::fromCents(n);
      case FieldType::Date:
        return Date(static_cast<std::int32_t>(n));
      case FieldType::Time:
        return Time(static_cast<std::int32_t>(n));
      default:
        return n;
    }
  }

 private:
  SqliteStore& owner_;
  sqlite3* db_;
  sqlite3_stmt* stmt_ = nullptr;
  int next_ = 1;
};

class SqliteStore::Query {
 public:
  explicit Query(Stmt& s) : s_(s) {}
  ~Query() { s_.finish(); }
  Query(const Query&) = delete;
  Query& operator=(const Query&) = delete;
  Stmt* operator->() { return &s_; }

 private:
  Stmt& s_;
};

SqliteStore::SqliteStore(const std::string& path, Mode mode) : path_(path) {
  // A company whose file or folder this user cannot write is still read (a copy on read-only
  // media): its changes would need the journal beside it.
  std::string folder = std::filesystem::path(path).parent_path().string();
  if (folder.empty()) folder = ".";
  const bool folderWritable = ::access(folder.c_str(), W_OK) == 0;
  if (mode == Mode::Open && (!folderWritable || ::access(path.c_str(), W_OK) != 0)) {
    w_.readOnly = true;
    readOnlyReason_ = "Cannot write the company folder " + folder +
                      ": the company is open for reading only. Nothing was changed.";
  }
  w_.readOnly = w_.readOnly || mode == Mode::ReadOnly;
  // Without its shared-memory file, a database in a folder that cannot be written opens only
  // as an unchanging one; nobody can be writing it there.
  const bool immutable =
      w_.readOnly && !folderWritable && ::access((path + "-shm").c_str(), F_OK) != 0;
  std::string name = path;
  if (immutable) {
    name = "file:";
    for (unsigned char c : path) {
      static const char* hex = "0123456789ABCDEF";
      if (std::isalnum(c) || c == '/' || c == '.' || c == '-' || c == '_')
        name += static_cast<char>(c);
      else
        name += std::string("%") + hex[c >> 4] + hex[c & 15];
    }
    name += "?immutable=1";
  }
  int flags = (w_.readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE) |
              (mode == Mode::Create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX |
              (immutable ? SQLITE_OPEN_URI : 0);
  int rc = sqlite3_open_v2(name.c_str(), &db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    std::string msg = describe(db_, db_ ? sqlite3_extended_errcode(db_) : SQLITE_NOMEM);
    sqlite3_close(db_);
    db_ = nullptr;
    throw StoreError(kDriverError, "Cannot open the company database " + path + ": " + msg);
  }
  sqlite3_extended_result_codes(db_, 1);
  sqlite3_busy_timeout(db_, static_cast<int>(kWriterWait.count()));
  try {
    if (mode == Mode::Create) {
      exec("PRAGMA journal_mode=WAL");
      exec("CREATE TABLE IF NOT EXISTS _meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)");
      exec("CREATE TABLE IF NOT EXISTS _autonum(name TEXT PRIMARY KEY, next INTEGER NOT NULL)");
      exec(
          "CREATE TABLE IF NOT EXISTS _blobs(kind TEXT NOT NULL, id INTEGER NOT NULL, data BLOB "
          "NOT NULL, PRIMARY KEY(kind, id))");
    } else {
      // The first read: a file that is not a database fails here, and one that is a database
      // but not a company has no _meta table.
      if (!hasTable("_meta") || !hasTable("_autonum") || !hasTable("_blobs"))
        throw StoreError(kDriverError, "it is not a company database");
    }
    exec("PRAGMA synchronous=NORMAL");
    // A change of many records (a load, a posting) overflows SQLite's 2 MiB page cache, which
    // then writes dirty pages into the WAL and reads them back again and again; 64 MiB keeps
    // the pages such a change works on in memory. Memory is taken only as pages are read.
    exec("PRAGMA cache_size=-65536");
    exec("PRAGMA foreign_keys=OFF");
  } catch (const StoreError& e) {
    stmts_.clear();
    sqlite3_close_v2(db_);
    db_ = nullptr;
    throw StoreError(kDriverError, "Cannot open the company database " + path + ": " + e.what());
  }
}

bool SqliteStore::hasTable(const std::string& name) {
  auto s = prepare("SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?");
  s->bind(name);
  return s->step();
}

SqliteStore::~SqliteStore() {
  stmts_.clear();
  reads_.clear();
  if (db_) sqlite3_close_v2(db_);
  for (auto& [name, fd] : locks_) ::close(fd);
}

// ---- Process locks ------------------------------------------------------------------------------

std::string SqliteStore::lockFile(const std::string& name) const {
  std::string file = path_ + "-lock-";
  for (char c : name) file += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return file;
}

bool SqliteStore::holdLock(const std::string& name, bool exclusive) {
  if (locks_.count(name) || w_.readOnly) return true;
  const int fd = ::open(lockFile(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return true;  // a folder this user cannot write: nobody can change the company here
  if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) != 0) {
    ::close(fd);
    return false;
  }
  locks_[name] = fd;
  return true;
}

void SqliteStore::releaseLock(const std::string& name) {
  auto it = locks_.find(name);
  if (it == locks_.end()) return;
  ::close(it->second);  // the lock goes with the file's last descriptor
  locks_.erase(it);
}

bool SqliteStore::lockHeld(const std::string& name) {
  if (locks_.count(name)) return true;
  const int fd = ::open(lockFile(name).c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const bool held = ::flock(fd, LOCK_EX | LOCK_NB) != 0;
  ::close(fd);
  return held;
}

void SqliteStore::exec(const std::string& sql) {
  finishParked();
  char* err = nullptr;
  int rc = sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err);
  sqlite3_free(err);
  if (rc != SQLITE_OK) {
    int ext = sqlite3_extended_errcode(db_);
    std::string msg = describe(db_, ext);
    noteFailure(ext, msg);
    throw StoreError(kDriverError, msg);
  }
}

void SqliteStore::noteFailure(int ext, const std::string& text) {
  if (!w_.inTx || !w_.failed.empty()) return;
  bool refusedKey = (ext & 0xff) == SQLITE_CONSTRAINT;
  if (!refusedKey || sqlite3_get_autocommit(db_)) w_.failed = text;
}

void SqliteStore::abandon(const std::string& why) {
  w_.abandon(why);
}

bool SqliteStore::abandoned() const {
  return w_.inTx && (!w_.failed.empty() || sqlite3_get_autocommit(db_));
}

void SqliteStore::beforeWrite() {
  w_.beforeWrite(w_.inTx && sqlite3_get_autocommit(db_));
}

SqliteStore::Query SqliteStore::prepare(const std::string& sql) {
  finishParked();
  auto it = stmts_.find(sql);
  if (it == stmts_.end()) it = stmts_.emplace(sql, std::make_unique<Stmt>(*this, sql)).first;
  it->second->reset();
  return Query(*it->second);
}

template <typename BuildSql>
SqliteStore::Query SqliteStore::prepareFor(Stmt*& slot, BuildSql build) {
  finishParked();
  if (!slot) {
    std::string sql = build();
    auto it = stmts_.find(sql);
    if (it == stmts_.end()) it = stmts_.emplace(sql, std::make_unique<Stmt>(*this, sql)).first;
    slot = it->second.get();
  }
  slot->reset();
  return Query(*slot);
}

bool SqliteStore::schemaCurrent(const std::vector<const FileDef*>& files) {
  if (!hasTable("_meta")) return false;
  auto s = prepare("SELECT value FROM _meta WHERE key = 'schema'");
  return s->step() && s->text(0) == schemaFingerprint(files);
}

void SqliteStore::ensureSchema(const std::vector<const FileDef*>& files) {
  if (schemaCurrent(files)) return;
  if (w_.readOnly)
    throw StoreError(kDriverError,
                     "The company was made by another version of the program and is open for "
                     "reading only, so it cannot be brought up to date");
  Transaction tx(*this);
  if (!tx.begun()) throw StoreError(kNoTransaction, kCompanyBusyText);
  // Another process may have upgraded it while this one waited.
  if (schemaCurrent(files)) return;
  std::set<std::string> done;
  for (const FileDef* f : files) {
    if (!done.insert(f->table).second) continue;
    std::string sql =
        "CREATE TABLE IF NOT EXISTS " + quoted(f->table) + "(_rowid INTEGER PRIMARY KEY";
    for (const auto& fd : f->fields)
      sql +=
          ", " + quoted(fd.column) +
          (isIntegerColumn(fd.type) ? " INTEGER NOT NULL DEFAULT 0" : " TEXT NOT NULL DEFAULT ''");
    sql += ")";
    exec(sql);
    // Columns added by a later version of the program.
    std::set<std::string> have;
    {
      auto s = prepare("SELECT name FROM pragma_table_info(?)");
      s->bind(f->table);
      while (s->step()) have.insert(s->text(0));
    }
    for (const auto& fd : f->fields)
      if (!have.count(fd.column))
        exec("ALTER TABLE " + quoted(f->table) + " ADD COLUMN " + quoted(fd.column) +
             (isIntegerColumn(fd.type) ? " INTEGER NOT NULL DEFAULT 0"
                                       : " TEXT NOT NULL DEFAULT ''"));
    for (const auto& k : f->keys) exec(sql::createIndexSql(*f, k));
  }
  {
    auto s = prepare("INSERT OR REPLACE INTO _meta(key, value) VALUES('schema', ?)");
    s->bind(schemaFingerprint(files));
    s->step();
  }
  tx.commit();
}

using sql::insertSql;
using sql::selectList;
using sql::updateSql;

void SqliteStore::noteInserted(const FileDef& f, std::int64_t number) {
  if (f.autoField < 0 || openCounters_.empty()) return;
  Counter& c = counter(f, f.autoField);
  if (c.next != 0) c.next = std::max(c.next, number + 1);
}

std::int64_t SqliteStore::insert(const FileDef& f, const std::vector<Value>& values) {
  sql::checkValues(f, values);
  beforeWrite();
  auto s = prepareFor(fileStmts_[&f].insert, [&] { return insertSql(f); });
  for (size_t i = 0; i < f.fields.size(); ++i) s->bindField(f.fields[i], values.at(i));
  s->step();
  if (f.autoField >= 0)
    if (auto n = std::get_if<std::int64_t>(&values[static_cast<size_t>(f.autoField)]))
      noteInserted(f, *n);
  return sqlite3_last_insert_rowid(db_);
}

std::int64_t SqliteStore::insertRecord(const FileDef& f, const void* rec) {
  sql::checkRecord(f, rec);
  beforeWrite();
  auto s = prepareFor(fileStmts_[&f].insert, [&] { return insertSql(f); });
  for (const auto& fd : f.fields) s->bindStored(fd, rec);
  s->step();
  if (f.autoField >= 0) {
    std::int64_t n = 0;
    std::string_view unused;
    f.fields[static_cast<size_t>(f.autoField)].save(rec, &n, &unused);
    noteInserted(f, n);
  }
  return sqlite3_last_insert_rowid(db_);
}

void SqliteStore::update(const FileDef& f, std::int64_t rowId, const std::vector<Value>& values) {
  sql::checkValues(f, values);
  beforeWrite();
  auto s = prepareFor(fileStmts_[&f].update, [&] { return updateSql(f); });
  for (size_t i = 0; i < f.fields.size(); ++i) s->bindField(f.fields[i], values.at(i));
  s->bind(rowId);
  s->step();
  if (sqlite3_changes(db_) == 0) throw StoreError(kRecordNotFound, fileErrorText(kRecordNotFound));
}

void SqliteStore::updateRecord(const FileDef& f, std::int64_t rowId, const void* rec) {
  sql::checkRecord(f, rec);
  beforeWrite();
  auto s = prepareFor(fileStmts_[&f].update, [&] { return updateSql(f); });
  for (const auto& fd : f.fields) s->bindStored(fd, rec);
  s->bind(rowId);
  s->step();
  if (sqlite3_changes(db_) == 0) throw StoreError(kRecordNotFound, fileErrorText(kRecordNotFound));
}

void SqliteStore::remove(const FileDef& f, std::int64_t rowId) {
  beforeWrite();
  auto s = prepareFor(fileStmts_[&f].remove,
                      [&] { return "DELETE FROM " + quoted(f.table) + " WHERE _rowid = ?"; });
  s->bind(rowId);
  s->step();
  if (sqlite3_changes(db_) == 0) throw StoreError(kRecordNotFound, fileErrorText(kRecordNotFound));
}

std::int64_t SqliteStore::removeRange(const FileDef& f, const ScanSpec& range) {
  beforeWrite();
  auto s = prepare("DELETE FROM " + quoted(f.table) + sql::rangeSql(f, range).where);
  sql::forEachRangeValue(f, range, [&](const Value& v) { s->bind(v); });
  s->step();
  return sqlite3_changes64(db_);
}

std::optional<StoredRow> SqliteStore::get(const FileDef& f, std::int64_t rowId) {
  auto s = prepareFor(fileStmts_[&f].get, [&] {
    return "SELECT " + selectList(f) + " FROM " + quoted(f.table) + " WHERE _rowid = ?";
  });
  s->bind(rowId);
  if (!s->step()) return std::nullopt;
  StoredRow r;
  r.rowId = s->int64(0);
  r.values.reserve(f.fields.size());
  for (size_t i = 0; i < f.fields.size(); ++i)
    r.values.push_back(s->column(f, f.fields[i], static_cast<int>(i) + 1));
  return r;
}

std::vector<StoredRow> SqliteStore::scan(const FileDef& f, const ScanSpec& range) {
  const sql::RangeSql r = sql::rangeSql(f, range);
  auto s = prepare("SELECT " + selectList(f) + " FROM " + quoted(f.table) + r.where + " ORDER BY " +
                   r.order + (range.limit > 0 ? " LIMIT ?" : ""));
  sql::forEachRangeValue(f, range, [&](const Value& v) { s->bind(v); });
  if (range.limit > 0) s->bind(std::int64_t{range.limit});
  std::vector<StoredRow> rows;
  while (s->step()) {
    StoredRow r;
    r.rowId = s->int64(0);
    r.values.reserve(f.fields.size());
    for (size_t i = 0; i < f.fields.size(); ++i)
      r.values.push_back(s->column(f, f.fields[i], static_cast<int>(i) + 1));
    rows.push_back(std::move(r));
  }
  return rows;
}

void SqliteStore::read(const FileDef& f, const ScanSpec& range, const std::vector<int>* fields,
                       RowSink& sink) {
  const KeyDef& key = range.key ? *range.key : f.primaryKey();
  const std::size_t e = std::min(range.equal.size(), key.fields.size());
  ReadShape shape{&f,
                  &key,
                  range.backward,
                  e,
                  range.after ? 0 : std::min(range.start.size(), key.fields.size() - e),
                  range.after.has_value(),
                  range.limit > 0,
                  fields ? *fields : std::vector<int>()};
  // The page after the one a parked statement delivered last steps on where it stands.
  if (parked_ && parked_->shape == shape && range.after &&
      range.after->second == parked_->lastRow && parked_->equal == range.equal &&
      range.limit == 0) {
    ReadStmt& going = *parked_->slot;
    parked_.reset();
    step(going, f, fields, sink, shape, range.equal);
    return;
  }
  finishParked();
  std::deque<ReadStmt>& candidates = reads_[shape];
  ReadStmt* slot = nullptr;
  for (ReadStmt& c : candidates)
    if (!c.busy) slot = &c;
  if (!slot) {
    const sql::RangeSql r = sql::rangeSql(f, range);
    const std::string sql = "SELECT " + selectList(f, fields) + " FROM " + quoted(f.table) +
                            r.where + " ORDER BY " + r.order + (range.limit > 0 ? " LIMIT ?" : "");
    candidates.push_back({std::make_unique<Stmt>(*this, sql), false});
    slot = &candidates.back();
  }
  Stmt& s = *slot->stmt;
  s.reset();
  sql::forEachRangeValue(f, range, [&](const Value& v) { s.bind(v); });
  if (range.limit > 0) s.bind(std::int64_t{range.limit});

  slot->busy = true;
  step(*slot, f, fields, sink, shape, range.equal);
}

void SqliteStore::step(ReadStmt& slot, const FileDef& f, const std::vector<int>* fields,
                       RowSink& sink, const ReadShape& shape, const std::vector<Value>& equal) {
  // Finished unless parked: never left on a row by accident (an error, an exception).
  struct Running {
    ReadStmt* slot;
    ~Running() {
      if (!slot) return;
      slot->stmt->finish();
      slot->busy = false;
    }
  } running{&slot};
  Stmt& s = *slot.stmt;
  while (s.step()) {
    void* rec = sink.buffer();
    if (fields) {
      int col = 1;
      for (int i : *fields) s.load(f, f.fields[static_cast<std::size_t>(i)], col++, rec);
    } else {
      for (std::size_t i = 0; i < f.fields.size(); ++i)
        s.load(f, f.fields[i], static_cast<int>(i) + 1, rec);
    }
    const std::int64_t rowId = s.int64(0);
    if (!sink.take(rowId)) {
      if (parked_) return;  // a read nested in the sink parked its own: this one is finished
      parked_ = Parked{&slot, shape, equal, rowId};
      running.slot = nullptr;
      return;
    }
  }
}

void SqliteStore::finishParked() {
  if (!parked_) return;
  parked_->slot->stmt->finish();
  parked_->slot->busy = false;
  parked_.reset();
}

void SqliteStore::releaseReads() {
  finishParked();
}

std::int64_t SqliteStore::count(const FileDef& f, const ScanSpec* range) {
  auto s = prepare("SELECT COUNT(*) FROM " + quoted(f.table) +
                   (range ? sql::rangeSql(f, *range).where : std::string()));
  if (range) sql::forEachRangeValue(f, *range, [&](const Value& v) { s->bind(v); });
  s->step();
  return s->int64(0);
}

void SqliteStore::clearFile(const FileDef& f) {
  beforeWrite();
  exec("DELETE FROM " + quoted(f.table));
}

SqliteStore::Counter& SqliteStore::counter(const FileDef& f, int field) {
  Counter*& c = fileStmts_[&f].counters[field];
  if (!c) {
    std::string name = f.table + "." + f.fields.at(static_cast<size_t>(field)).column;
    Counter& made = counters_[name];
    made.name = std::move(name);
    c = &made;
  }
  return *c;
}

std::int64_t SqliteStore::storedNext(const FileDef& f, int field, const Counter& c) {
  std::int64_t maxStored = 0, counter = 0;
  {
    auto s = prepareFor(fileStmts_[&f].maxOf[field], [&] {
      return "SELECT COALESCE(MAX(" + quoted(f.fields[field].column) + "), 0) FROM " +
             quoted(f.table);
    });
    s->step();
    maxStored = s->int64(0);
  }
  {
    auto s = prepareFor(autonumGet_, [] { return "SELECT next FROM _autonum WHERE name = ?"; });
    s->bind(c.name);
    if (s->step()) counter = s->int64(0) - 1;
  }
  return std::max({maxStored, counter, c.handedOut}) + 1;
}

std::int64_t SqliteStore::nextNumber(const FileDef& f, int field) {
  beforeWrite();
  if (!w_.inTx) {
    return sql::numberOfItsOwn(*this, f, field);
  }
  Counter& c = counter(f, field);
  if (c.next == 0) {
    c.next = storedNext(f, field, c);
    openCounters_.push_back(&c);
  }
  const std::int64_t n = c.next++;
  c.handedOut = std::max(c.handedOut, n);
  return n;
}

void SqliteStore::writeCounters() {
  for (const Counter* c : openCounters_) {
    auto s = prepareFor(autonumPut_,
                        [] { return "INSERT OR REPLACE INTO _autonum(name, next) VALUES(?, ?)"; });
    s->bind(c->name);
    s->bind(c->next);
    s->step();
  }
  forgetCounters();
}

void SqliteStore::forgetCounters() {
  for (Counter* c : openCounters_) c->next = 0;
  openCounters_.clear();
}

bool SqliteStore::begin(std::chrono::milliseconds timeout) {
  finishParked();
  if (w_.inTx || w_.readOnly) return false;
  sqlite3_busy_timeout(db_, static_cast<int>(timeout.count()));
  int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  sqlite3_busy_timeout(db_, static_cast<int>(kWriterWait.count()));
  if (rc != SQLITE_OK) {
    // Never leave a half-begun transaction behind: later writes would silently join it.
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
  }
  w_.inTx = true;
  w_.failed.clear();
  forgetCounters();
  return true;
}

void SqliteStore::commit() {
  finishParked();
  if (!w_.inTx) return;
  if (std::string why = w_.abandonedWhy(sqlite3_get_autocommit(db_)); !why.empty()) {
    rollback();
    sql::throwAbandoned(why);
  }
  try {
    writeCounters();
  } catch (const StoreError& e) {
    rollback();
    sql::throwNotSaved(e.what());
  }
  int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc != SQLITE_OK) {
    std::string why = describe(db_, sqlite3_extended_errcode(db_));
    rollback();
    sql::throwNotSaved(why);
  }
  w_.inTx = false;
}

void SqliteStore::rollback() {
  finishParked();
  if (!w_.inTx) return;
  w_.inTx = false;
  w_.failed.clear();
  forgetCounters();
  // SQLite may already have rolled back by itself (a full disk, an I/O error); a failing
  // ROLLBACK leaves nothing to undo either.
  if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void SqliteStore::putBlob(const std::string& kind, std::int64_t id,
                          const std::vector<unsigned char>& bytes) {
  beforeWrite();
  auto s = prepare("INSERT OR REPLACE INTO _blobs(kind, id, data) VALUES(?, ?, ?)");
  s->bind(kind);
  s->bind(id);
  s->bindBlob(bytes);
  s->step();
}

std::optional<std::vector<unsigned char>> SqliteStore::getBlob(const std::string& kind,
                                                               std::int64_t id) {
  auto s = prepare("SELECT data FROM _blobs WHERE kind = ? AND id = ?");
  s->bind(kind);
  s->bind(id);
  if (!s->step()) return std::nullopt;
  return s->blob(0);
}

void SqliteStore::removeBlob(const std::string& kind, std::int64_t id) {
  beforeWrite();
  auto s = prepare("DELETE FROM _blobs WHERE kind = ? AND id = ?");
  s->bind(kind);
  s->bind(id);
  s->step();
}

void SqliteStore::backupTo(const std::string& path) {
  // Read through a connection of its own: this one may be inside a write transaction, which
  // the backup cannot read from, and the copy is to hold committed data only.
  struct Handle {
    sqlite3* db = nullptr;
    ~Handle() { sqlite3_close_v2(db); }
  } src, dest;
  const char* file = sqlite3_db_filename(db_, "main");
  if (!file || !*file) throw StoreError(kDriverError, "Backup needs a database file");
  if (sqlite3_open_v2(file, &src.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
    throw StoreError(kDriverError, std::string("Cannot read ") + file + " for a backup: " +
                                       (src.db ? sqlite3_errmsg(src.db) : "out of memory"));
  sqlite3_busy_timeout(src.db, 5000);
  if (sqlite3_open_v2(path.c_str(), &dest.db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                      nullptr) != SQLITE_OK)
    throw StoreError(kDriverError, "Cannot create backup " + path + ": " +
                                       (dest.db ? sqlite3_errmsg(dest.db) : "out of memory"));
  sqlite3_backup* b = sqlite3_backup_init(dest.db, "main", src.db, "main");
  int rc = SQLITE_ERROR;
  if (b) {
    rc = sqlite3_backup_step(b, -1);
    sqlite3_backup_finish(b);
  }
  if (rc != SQLITE_DONE)
    throw StoreError(kDriverError, "Backup to " + path + " failed: " + sqlite3_errmsg(dest.db));
}

std::vector<std::string> SqliteStore::integrityCheck() {
  // Not cached: it runs once per check, and a damaged file may fail to prepare it at all.
  Stmt s(*this, "PRAGMA integrity_check");
  std::vector<std::string> findings;
  while (s.step()) {
    std::string line = s.text(0);
    if (line != "ok") findings.push_back(std::move(line));
  }
  s.finish();
  return findings;
}

void SqliteStore::readInRowOrder(const FileDef& f, RowSink& sink) {
  // A statement of its own, not cached: the sink may write through this store meanwhile.
  Stmt s(*this, "SELECT " + selectList(f) + " FROM " + quoted(f.table) + " ORDER BY _rowid");
  finishParked();
  struct Done {
    Stmt& s;
    ~Done() { s.finish(); }
  } done{s};
  while (s.step()) {
    void* rec = sink.buffer();
    for (std::size_t i = 0; i < f.fields.size(); ++i)
      s.load(f, f.fields[i], static_cast<int>(i) + 1, rec);
    if (!sink.take(s.int64(0))) break;
  }
}

std::vector<std::pair<std::string, std::int64_t>> SqliteStore::numberCounters() {
  std::vector<std::pair<std::string, std::int64_t>> out;
  auto s = prepare("SELECT name, next FROM _autonum ORDER BY name");
  while (s->step()) out.emplace_back(s->text(0), s->int64(1));
  return out;
}

void SqliteStore::setNumberCounter(const std::string& name, std::int64_t next) {
  beforeWrite();
  auto s = prepare("INSERT OR REPLACE INTO _autonum(name, next) VALUES(?, ?)");
  s->bind(name);
  s->bind(next);
  s->step();
}

std::vector<std::pair<std::string, std::int64_t>> SqliteStore::blobIds() {
  std::vector<std::pair<std::string, std::int64_t>> out;
  auto s = prepare("SELECT kind, id FROM _blobs ORDER BY kind, id");
  while (s->step()) out.emplace_back(s->text(0), s->int64(1));
  return out;
}

}  // namespace koreq::data

namespace koreq::data {

void SqliteStore::findUnfitValues(const FileDef& f,
                                  const std::function<void(const UnfitValue&)>& found) {
  Stmt s(*this, "SELECT " + selectList(f) + " FROM " + quoted(f.table) + " ORDER BY _rowid");
  finishParked();
  struct Done {
    Stmt& s;
    ~Done() { s.finish(); }
  } done{s};
  while (s.step())
    for (std::size_t i = 0; i < f.fields.size(); ++i)
      if (auto fault = s.fault(f.fields[i], static_cast<int>(i) + 1))
        found({s.int64(0), &f.fields[i], fault->first, fault->second});
}

bool SqliteStore::beginReadSnapshot() {
  if (w_.inTx || !sqlite3_get_autocommit(db_)) return false;
  try {
    exec("BEGIN");
    // A deferred transaction takes its snapshot at its first read.
    exec("SELECT count(*) FROM _meta");
  } catch (const StoreError&) {
    if (!sqlite3_get_autocommit(db_)) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return false;
  }
  return true;
}

void SqliteStore::endReadSnapshot() {
  finishParked();
  if (!w_.inTx && !sqlite3_get_autocommit(db_))
    sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

}  // namespace koreq::data
