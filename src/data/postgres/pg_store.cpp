#include "data/postgres/pg_store.h"

#include <libpq-fe.h>

#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>
#include <type_traits>

#include "data/copy.h"
#include "data/records.h"
#include "data/sqlite/sqlite_store.h"

namespace koreq::data {

using sql::quoted;

namespace {

std::string columnType(const FieldDef& fd) {
  return fd.isNumeric() ? "BIGINT NOT NULL DEFAULT 0" : "TEXT COLLATE \"C\" NOT NULL DEFAULT ''";
}

// "?" marks in order become $1, $2, …: the SQL is built from the field tables only, which hold
// no "?" of their own.
std::string numbered(const std::string& sql) {
  std::string out;
  int n = 0;
  for (char c : sql) {
    if (c == '?')
      out += "$" + std::to_string(++n);
    else
      out += c;
  }
  return out;
}

std::int64_t toInt(const char* p, int len) {
  std::int64_t n = 0;
  std::from_chars(p, p + len, n);
  return n;
}

// The stored form of a value of its field's type: its number, or its text.
std::string valueText(const Value& k) {
  if (auto s = std::get_if<std::string>(&k)) return *s;
  if (auto d = std::get_if<Decimal>(&k)) return std::to_string(d->cents());
  if (auto dt = std::get_if<Date>(&k)) return std::to_string(dt->day());
  if (auto tm = std::get_if<Time>(&k)) return std::to_string(tm->value());
  return std::to_string(std::get<std::int64_t>(k));
}

// The stored form of a value given for a field (of whatever type).
std::string storedText(const FieldDef& f, const Value& v) {
  return valueText(sql::keyValue(f, v));
}

// A failure in words a user can act on, by its SQLSTATE.
std::string describe(const std::string& state, const std::string& serverText) {
  if (state == "55P03" || state == "40P01" || state == "40001") return kCompanyBusyText;
  if (state == "25006") return "The company is open for reading only";
  if (state == "53100") return "The server's disk is full: the company could not be written";
  if (state.rfind("08", 0) == 0 || state == "57P01" || state == "57P02" || state == "57P03")
    return "The connection to the company's server was lost";
  if (state == "42501") return "The server refused the change: this user may not write there";
  // libpq's texts run over lines with tab-indented hints: one line for the user.
  std::string t;
  for (char c : serverText) {
    if (c != '\n' && c != '\t')
      t += c;
    else if (!t.empty() && t.back() != ' ')
      t += ' ';
  }
  while (!t.empty() && t.back() == ' ') t.pop_back();
  return t.empty() ? "The company's server did not answer" : t;
}

void quiet(void*, const char*) {}  // notices ("already exists, skipping") are not for users

}  // namespace

class PgStore::Result {
 public:
  explicit Result(PGresult* r) : r_(r) {}
  ~Result() { PQclear(r_); }
  Result(Result&& o) noexcept : r_(o.r_) { o.r_ = nullptr; }
  Result(const Result&) = delete;
  Result& operator=(const Result&) = delete;

  int rows() const { return PQntuples(r_); }
  std::int64_t changed() const {
    const char* n = PQcmdTuples(r_);
    return toInt(n, static_cast<int>(std::strlen(n)));
  }
  std::int64_t int64(int row, int col) const {
    return toInt(PQgetvalue(r_, row, col), PQgetlength(r_, row, col));
  }
  std::string_view text(int row, int col) const {
    return {PQgetvalue(r_, row, col), static_cast<std::size_t>(PQgetlength(r_, row, col))};
  }
  // A stored column straight into its field of a record buffer; a value the field cannot hold
  // is an error naming it.
  void load(const FileDef& file, const FieldDef& f, int row, int col, void* rec) const {
    std::int64_t n = 0;
    std::string_view t;
    storedForm(file, f, row, col, &n, &t);
    f.load(rec, n, t);
  }
  void storedForm(const FileDef& file, const FieldDef& f, int row, int col, std::int64_t* n,
                  std::string_view* t) const {
    if (f.isNumeric())
      *n = int64(row, col);
    else
      *t = text(row, col);
    std::string why;
    if (!f.fits(*n, *t, &why))
      sql::throwUnreadable(file, int64(row, 0), f, storedText(f, *n, *t), why);
  }
  std::optional<std::pair<std::string, std::string>> fault(const FieldDef& f, int row,
                                                           int col) const {
    std::int64_t n = 0;
    std::string_view t;
    if (f.isNumeric())
      n = int64(row, col);
    else
      t = text(row, col);
    std::string why;
    if (!f.fits(n, t, &why)) return std::make_pair(storedText(f, n, t), why);
    return std::nullopt;
  }
  Value column(const FileDef& file, const FieldDef& f, int row, int col) const {
    std::int64_t n = 0;
    std::string_view t;
    storedForm(file, f, row, col, &n, &t);
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
  StoredRow stored(const FileDef& f, int row) const {
    StoredRow r;
    r.rowId = int64(row, 0);
    r.values.reserve(f.fields.size());
    for (std::size_t i = 0; i < f.fields.size(); ++i)
      r.values.push_back(column(f, f.fields[i], row, static_cast<int>(i) + 1));
    return r;
  }
  PGresult* get() const { return r_; }

 private:
  PGresult* r_;
};

PgStore::PgStore(const std::string& conninfo, Mode mode, const std::string& password,
                 const std::string& role)
    : conninfo_(conninfo), password_(password), role_(role) {
  w_.readOnly = mode == Mode::ReadOnly;
  // The connection string is expanded as "dbname"; what follows it overrides it.
  // Texts are UTF-8 whatever the database's own encoding: without it a LATIN1 database would
  // store them as other clients read mojibake.
  std::vector<const char*> keys{"dbname", "fallback_application_name", "connect_timeout",
                                "client_encoding"};
  std::vector<const char*> values{conninfo.c_str(), "koreq", "10", "UTF8"};
  if (!password.empty()) {
    keys.push_back("password");
    values.push_back(password.c_str());
  }
  if (!role.empty()) {
    keys.push_back("user");
    values.push_back(role.c_str());
  }
  keys.push_back(nullptr);
  values.push_back(nullptr);
  conn_ = PQconnectdbParams(keys.data(), values.data(), 1);
  if (!conn_)
    throw StoreError(kDriverError, "Cannot connect to the company's server: out of memory");
  if (PQstatus(conn_) != CONNECTION_OK) {
    std::string why = describe("", PQerrorMessage(conn_));
    const bool needsPassword = PQconnectionNeedsPassword(conn_);
    PQfinish(conn_);
    conn_ = nullptr;
    if (needsPassword) throw PasswordNeeded("The company's server asks for a password: " + why);
    throw StoreError(kDriverError, "Cannot connect to the company's server: " + why);
  }
  PQsetNoticeProcessor(conn_, quiet, nullptr);
  try {
    Result r = run("SELECT current_schema()", {});
    if (PQgetisnull(r.get(), 0, 0))
      throw StoreError(kDriverError, "the connection's search path names no schema that exists");
    // The writer lock is per company: per schema of the database.
    std::uint64_t h = 1469598103934665603ull;  // FNV-1a
    for (unsigned char c : "koreq:" + std::string(r.text(0, 0))) h = (h ^ c) * 1099511628211ull;
    lockKey_ = static_cast<std::int64_t>(h);
    if (w_.readOnly) exec("SET default_transaction_read_only = on");
    const bool company = hasTable("_meta") && hasTable("_autonum") && hasTable("_blobs");
    if (mode == Mode::Create && hasTable("_meta"))
      throw StoreError(kDuplicateKey, "that database already holds a company; nothing was changed");
    if (mode != Mode::Create && !company)
      throw StoreError(kDriverError, "it is not a company database");
  } catch (const StoreError& e) {
    PQfinish(conn_);
    conn_ = nullptr;
    throw StoreError(e.code(), "Cannot open the company on the server: " + std::string(e.what()));
  }
}

bool PgStore::checkConnectionString(const std::string& conninfo, std::string* why) {
  char* error = nullptr;
  PQconninfoOption* options = PQconninfoParse(conninfo.c_str(), &error);
  if (!options) {
    std::string text = error ? error : "out of memory";
    PQfreemem(error);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    *why = "The connection string '" + conninfo + "' is not one: " + text;
    return false;
  }
  bool password = false;
  for (PQconninfoOption* o = options; o->keyword; ++o)
    if (std::string(o->keyword) == "password" && o->val && *o->val) password = true;
  PQconninfoFree(options);
  if (password) {
    *why =
        "The connection string holds a password; it is kept in the company folder for everyone "
        "to read. Leave it out and put it in PGPASSWORD or ~/.pgpass.";
    return false;
  }
  return true;
}

int PgStore::serverPid() const {
  return PQbackendPID(conn_);
}

PgStore::~PgStore() {
  if (conn_) PQfinish(conn_);
}

// ---- Process locks ------------------------------------------------------------------------------

// The two keys of a process lock: the company's and the name's, each a non-negative int4.
std::string PgStore::lockKeys(const std::string& name) const {
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : name) h = (h ^ c) * 1099511628211ull;
  return std::to_string(static_cast<std::uint64_t>(lockKey_) & 0x7fffffffu) + "," +
         std::to_string(h & 0x7fffffffu);
}

bool PgStore::takeLock(const std::string& name, bool exclusive) {
  const std::string keys = lockKeys(name);
  const std::string k1 = keys.substr(0, keys.find(',')), k2 = keys.substr(keys.find(',') + 1);
  Result r = run(std::string("SELECT pg_try_advisory_lock") + (exclusive ? "" : "_shared") +
                     "(?::integer, ?::integer)",
                 {{k1}, {k2}});
  return r.text(0, 0) == "t";
}

bool PgStore::holdLock(const std::string& name, bool exclusive) {
  if (locks_.count(name)) return true;
  if (!takeLock(name, exclusive)) return false;
  locks_[name] = exclusive;
  return true;
}

void PgStore::releaseLock(const std::string& name) {
  auto it = locks_.find(name);
  if (it == locks_.end()) return;
  const std::string keys = lockKeys(name);
  try {
    run(std::string("SELECT pg_advisory_unlock") + (it->second ? "" : "_shared") +
            "(?::integer, ?::integer)",
        {{keys.substr(0, keys.find(','))}, {keys.substr(keys.find(',') + 1)}});
  } catch (const StoreError&) {
    // A connection that has gone took the lock with it.
  }
  locks_.erase(it);
}

bool PgStore::lockHeld(const std::string& name) {
  if (locks_.count(name)) return true;
  const std::string keys = lockKeys(name);
  Result r =
      run("SELECT EXISTS (SELECT 1 FROM pg_locks WHERE locktype = 'advisory' AND granted AND "
          "database = (SELECT oid FROM pg_database WHERE datname = current_database()) AND "
          "classid = (?::bigint)::oid AND objid = (?::bigint)::oid AND objsubid = 2)",
          {{keys.substr(0, keys.find(','))}, {keys.substr(keys.find(',') + 1)}});
  return r.text(0, 0) == "t";
}

void PgStore::fail(const std::string& state, const std::string& text) {
  const std::string msg = describe(state, text);
  // The server ends a transaction at its first failed statement, so every failure inside one
  // abandons the change, unless it is a refused key under a savepoint the caller rolls back to.
  if (w_.inTx && w_.failed.empty() && !(savepoint_ && state == "23505")) w_.failed = msg;
  if (state == "23505") throw StoreError(kDuplicateKey, fileErrorText(kDuplicateKey));
  throw StoreError(kDriverError, msg);
}

void PgStore::fail(const pg_result* r) {
  const char* state = PQresultErrorField(r, PG_DIAG_SQLSTATE);
  // The server's one-line message, without the statement text and the caret under it.
  const char* primary = PQresultErrorField(r, PG_DIAG_MESSAGE_PRIMARY);
  fail(state ? state : "08000", primary ? primary : PQerrorMessage(conn_));
}

PgStore::Result PgStore::run(const std::string& sql, const std::vector<Param>& params,
                             bool binaryResult) {
  auto it = prepared_.find(sql);
  if (it == prepared_.end()) {
    std::string name = "k" + std::to_string(prepared_.size() + 1);
    Result p(PQprepare(conn_, name.c_str(), numbered(sql).c_str(), static_cast<int>(params.size()),
                       nullptr));
    if (PQresultStatus(p.get()) != PGRES_COMMAND_OK) {
      fail(p.get());
    }
    it = prepared_.emplace(sql, std::move(name)).first;
  }
  std::vector<const char*> values;
  std::vector<int> lengths, formats;
  for (const Param& p : params) {
    values.push_back(p.null ? nullptr : p.text.data());
    lengths.push_back(static_cast<int>(p.text.size()));
    formats.push_back(p.binary ? 1 : 0);
  }
  Result r(PQexecPrepared(conn_, it->second.c_str(), static_cast<int>(params.size()), values.data(),
                          lengths.data(), formats.data(), binaryResult ? 1 : 0));
  ExecStatusType st = PQresultStatus(r.get());
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
    fail(r.get());
  }
  return r;
}

void PgStore::exec(const std::string& sql) {
  Result r(PQexec(conn_, sql.c_str()));
  ExecStatusType st = PQresultStatus(r.get());
  if (st != PGRES_COMMAND_OK && st != PGRES_TUPLES_OK) {
    fail(r.get());
  }
}

void PgStore::abandon(const std::string& why) {
  w_.abandon(why);
}

bool PgStore::abandoned() const {
  return w_.inTx && (!w_.failed.empty() || PQtransactionStatus(conn_) != PQTRANS_INTRANS);
}

void PgStore::beforeWrite() {
  w_.beforeWrite(w_.inTx && PQtransactionStatus(conn_) != PQTRANS_INTRANS);
}

template <typename Work>
auto PgStore::writing(Work work) {
  beforeWrite();
  if (w_.inTx) return work();
  Transaction tx(*this);
  if (!tx.begun()) throw StoreError(kDriverError, kCompanyBusyText);
  if constexpr (std::is_void_v<decltype(work())>) {
    work();
    tx.commit();
  } else {
    auto result = work();
    tx.commit();
    return result;
  }
}

bool PgStore::hasTable(const std::string& name) {
  return run("SELECT 1 FROM pg_tables WHERE schemaname = current_schema() AND tablename = ?",
             {{name}})
             .rows() > 0;
}

bool PgStore::schemaCurrent(const std::vector<const FileDef*>& files) {
  if (!hasTable("_meta")) return false;
  Result r = run("SELECT value FROM _meta WHERE key = 'schema'", {});
  return r.rows() > 0 && r.text(0, 0) == schemaFingerprint(files);
}

void PgStore::ensureSchema(const std::vector<const FileDef*>& files) {
  for (const FileDef* f : files)
    if (std::find(files_.begin(), files_.end(), f) == files_.end()) files_.push_back(f);
  if (schemaCurrent(files)) return;
  if (w_.readOnly)
    throw StoreError(kDriverError,
                     "The company was made by another version of the program and is open for "
                     "reading only, so it cannot be brought up to date");
  Transaction tx(*this);
  if (!tx.begun()) throw StoreError(kNoTransaction, kCompanyBusyText);
  if (schemaCurrent(files)) return;  // another workstation did it while this one waited
  exec("CREATE TABLE IF NOT EXISTS _meta(key TEXT COLLATE \"C\" PRIMARY KEY, value TEXT NOT NULL)");
  exec(
      "CREATE TABLE IF NOT EXISTS _autonum(name TEXT COLLATE \"C\" PRIMARY KEY, next BIGINT NOT "
      "NULL)");
  exec(
      "CREATE TABLE IF NOT EXISTS _blobs(kind TEXT COLLATE \"C\" NOT NULL, id BIGINT NOT NULL, "
      "data BYTEA NOT NULL, PRIMARY KEY(kind, id))");
  std::set<std::string> done;
  for (const FileDef* f : files) {
    if (!done.insert(f->table).second) continue;
    std::string sql = "CREATE TABLE IF NOT EXISTS " + quoted(f->table) +
                      "(_rowid BIGINT GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY";
    for (const auto& fd : f->fields) sql += ", " + quoted(fd.column) + " " + columnType(fd);
    exec(sql + ")");
    for (const auto& fd : f->fields)
      exec("ALTER TABLE " + quoted(f->table) + " ADD COLUMN IF NOT EXISTS " + quoted(fd.column) +
           " " + columnType(fd));
    for (const auto& k : f->keys) exec(sql::createIndexSql(*f, k));
  }
  run("INSERT INTO _meta(key, value) VALUES('schema', ?) ON CONFLICT (key) DO UPDATE SET value "
      "= EXCLUDED.value",
      {{schemaFingerprint(files)}});
  tx.commit();
}

namespace {
std::string insertSql(const FileDef& f) {
  return sql::insertSql(f) + " ON CONFLICT DO NOTHING RETURNING _rowid";
}
using sql::updateSql;
}  // namespace

std::int64_t PgStore::insertParams(const FileDef& f, std::vector<Param>& params,
                                   std::int64_t number) {
  return writing([&] {
    Result r = run(insertSql(f), params);
    if (r.rows() == 0) throw StoreError(kDuplicateKey, fileErrorText(kDuplicateKey));
    noteNumber(f, number);
    return r.int64(0, 0);
  });
}

// A record that brings its own number above the ones handed out moves numbering past it.
void PgStore::noteNumber(const FileDef& f, std::int64_t number) {
  if (f.autoField < 0) return;
  auto c = counters_.find(f.table + "." + f.fields[static_cast<std::size_t>(f.autoField)].column);
  if (c != counters_.end() && c->second.next != 0)
    c->second.next = std::max(c->second.next, number + 1);
}

std::int64_t PgStore::insert(const FileDef& f, const std::vector<Value>& values) {
  sql::checkValues(f, values);
  beforeWrite();
  std::vector<Param> params;
  params.reserve(f.fields.size());
  for (std::size_t i = 0; i < f.fields.size(); ++i)
    params.push_back({storedText(f.fields[i], values.at(i))});
  std::int64_t number = 0;
  if (f.autoField >= 0)
    if (auto n = std::get_if<std::int64_t>(&values[static_cast<std::size_t>(f.autoField)]))
      number = *n;
  return insertParams(f, params, number);
}

namespace {
std::vector<std::string> storedTexts(const FileDef& f, const void* rec, std::int64_t* autoNumber) {
  std::vector<std::string> out;
  out.reserve(f.fields.size());
  for (std::size_t i = 0; i < f.fields.size(); ++i) {
    std::int64_t n = 0;
    std::string_view t;
    f.fields[i].save(rec, &n, &t);
    out.push_back(f.fields[i].isNumeric() ? std::to_string(n) : std::string(t));
    if (static_cast<int>(i) == f.autoField) *autoNumber = n;
  }
  return out;
}
}  // namespace

std::int64_t PgStore::insertRecord(const FileDef& f, const void* rec) {
  sql::checkRecord(f, rec);
  beforeWrite();
  std::int64_t number = 0;
  std::vector<Param> params;
  for (auto& t : storedTexts(f, rec, &number)) params.push_back({std::move(t)});
  return insertParams(f, params, number);
}

void PgStore::insertRecords(const FileDef& f, const std::vector<const void*>& recs) {
  // Several rows a statement, a round trip for each statement instead of each row. Few
  // statement shapes, so that few are prepared: 256 rows (fewer for wide files, the protocol
  // counting at most 65,535 parameters), then 16, then 1.
  const std::size_t wide =
      std::max<std::size_t>(1, std::min<std::size_t>(256, 65535 / f.fields.size()));
  writing([&] {
    std::size_t at = 0;
    while (at < recs.size()) {
      const std::size_t left = recs.size() - at;
      const std::size_t n = left >= wide ? wide : left >= 16 ? 16 : 1;
      std::vector<Param> params;
      params.reserve(n * f.fields.size());
      std::int64_t highest = 0;
      for (std::size_t i = at; i < at + n; ++i) {
        sql::checkRecord(f, recs[i]);
        std::int64_t number = 0;
        for (auto& t : storedTexts(f, recs[i], &number)) params.push_back({std::move(t)});
        highest = std::max(highest, number);
      }
      std::string sql = sql::insertSql(f);
      const std::string row = sql.substr(sql.rfind(" VALUES") + 7);
      for (std::size_t i = 1; i < n; ++i) sql += "," + row;
      Result r = run(sql + " ON CONFLICT DO NOTHING RETURNING _rowid", params);
      if (static_cast<std::size_t>(r.rows()) != n)
        throw StoreError(kDuplicateKey, fileErrorText(kDuplicateKey));
      noteNumber(f, highest);
      at += n;
    }
  });
}

void PgStore::updateParams(const FileDef& f, std::int64_t rowId, std::vector<Param>& params) {
  std::string sql = updateSql(f);
  if (!columnRights(f).updateAll) {
    // A role that may change only some columns (the posted totals, or all but them) sets only
    // the columns whose values differ from the stored ones.
    Result now = run("SELECT " + selectList(f) + " FROM " + quoted(f.table) + " WHERE _rowid = ?",
                     {{std::to_string(rowId)}});
    if (now.rows() == 0) throw StoreError(kRecordNotFound, fileErrorText(kRecordNotFound));
    std::string sets;
    std::vector<Param> changed;
    for (std::size_t i = 0; i < f.fields.size(); ++i) {
      if (!params[i].binary && !params[i].null &&
          now.text(0, static_cast<int>(i) + 1) == params[i].text)
        continue;
      sets += (sets.empty() ? "" : ", ") + quoted(f.fields[i].column) + " = ?";
      changed.push_back(std::move(params[i]));
    }
    if (sets.empty()) return;
    sql = "UPDATE " + quoted(f.table) + " SET " + sets + " WHERE _rowid = ?";
    params = std::move(changed);
  }
  params.push_back({std::to_string(rowId)});
  writing([&] {
    // A refused key must leave the transaction going, as it does on SQLite.
    exec("SAVEPOINT koreq_update");
    savepoint_ = true;
    std::int64_t changed = 0;
    try {
      changed = run(sql, params).changed();
    } catch (const StoreError& e) {
      savepoint_ = false;
      if (e.code() == kDuplicateKey)
        exec("ROLLBACK TO SAVEPOINT koreq_update; RELEASE SAVEPOINT koreq_update");
      throw;
    }
    savepoint_ = false;
    exec("RELEASE SAVEPOINT koreq_update");
    if (changed == 0) throw StoreError(kRecordNotFound, fileErrorText(kRecordNotFound));
  });
}

void PgStore::update(const FileDef& f, std::int64_t rowId, const std::vector<Value>& values) {
  sql::checkValues(f, values);
  beforeWrite();
  std::vector<Param> params;
  for (std::size_t i = 0; i < f.fields.size(); ++i)
    params.push_back({storedText(f.fields[i], values.at(i))});
  updateParams(f, rowId, params);
}

void PgStore::updateRecord(const FileDef& f, std::int64_t rowId, const void* rec) {
  sql::checkRecord(f, rec);
  beforeWrite();
  std::int64_t unused = 0;
  std::vector<Param> params;
  for (auto& t : storedTexts(f, rec, &unused)) params.push_back({std::move(t)});
  updateParams(f, rowId, params);
}

void PgStore::remove(const FileDef& f, std::int64_t rowId) {
  writing([&] {
    Result r =
        run("DELETE FROM " + quoted(f.table) + " WHERE _rowid = ?", {{std::to_string(rowId)}});
    if (r.changed() == 0) throw StoreError(kRecordNotFound, fileErrorText(kRecordNotFound));
  });
}

std::int64_t PgStore::removeRange(const FileDef& f, const ScanSpec& range) {
  std::int64_t n = 0;
  writing([&] {
    n = run("DELETE FROM " + quoted(f.table) + sql::rangeSql(f, range, "ROW").where,
            rangeParams(f, range))
            .changed();
  });
  return n;
}

std::optional<StoredRow> PgStore::get(const FileDef& f, std::int64_t rowId) {
  Result r = run("SELECT " + selectList(f) + " FROM " + quoted(f.table) + " WHERE _rowid = ?",
                 {{std::to_string(rowId)}});
  if (r.rows() == 0) return std::nullopt;
  return r.stored(f, 0);
}

std::vector<PgStore::Param> PgStore::rangeParams(const FileDef& f, const ScanSpec& range) {
  std::vector<Param> binds;
  sql::forEachRangeValue(f, range, [&](const Value& v) { binds.push_back({valueText(v)}); });
  return binds;
}

std::vector<StoredRow> PgStore::scan(const FileDef& f, const ScanSpec& range) {
  std::vector<Param> binds = rangeParams(f, range);
  const sql::RangeSql where = sql::rangeSql(f, range, "ROW");
  std::string sql = "SELECT " + selectList(f) + " FROM " + quoted(f.table) + where.where +
                    " ORDER BY " + where.order + (range.limit > 0 ? " LIMIT ?" : "");
  if (range.limit > 0) binds.push_back({std::to_string(range.limit)});
  Result r = run(sql, binds);
  std::vector<StoredRow> rows;
  rows.reserve(static_cast<std::size_t>(r.rows()));
  for (int i = 0; i < r.rows(); ++i) rows.push_back(r.stored(f, i));
  return rows;
}

void PgStore::read(const FileDef& f, const ScanSpec& range, const std::vector<int>* fields,
                   RowSink& sink) {
  // Pages that grow: a list that wants one screenful fetches little, a walk over the whole
  // file few round trips.
  const KeyDef& key = range.key ? *range.key : f.primaryKey();
  ScanSpec page = range;
  int left = range.limit;  // 0: no limit
  int size = 64;
  for (;;) {
    page.limit = left > 0 ? std::min(left, size) : size;
    std::vector<Param> binds = rangeParams(f, page);
    binds.push_back({std::to_string(page.limit)});
    const sql::RangeSql where = sql::rangeSql(f, page, "ROW");
    Result r = run("SELECT " + selectList(f) + " FROM " + quoted(f.table) + where.where +
                       " ORDER BY " + where.order + " LIMIT ?",
                   binds);
    const int n = r.rows();
    for (int row = 0; row < n; ++row) {
      void* rec = sink.buffer();
      if (fields)
        for (int i : *fields) r.load(f, f.fields[static_cast<std::size_t>(i)], row, i + 1, rec);
      else
        for (std::size_t i = 0; i < f.fields.size(); ++i)
          r.load(f, f.fields[i], row, static_cast<int>(i) + 1, rec);
      if (!sink.take(r.int64(row, 0))) return;
    }
    if (left > 0 && (left -= n) <= 0) return;
    if (n < page.limit) return;
    std::vector<Value> last;
    for (int i : key.fields)
      last.push_back(r.column(f, f.fields[static_cast<std::size_t>(i)], n - 1, i + 1));
    page.after = std::make_pair(std::move(last), r.int64(n - 1, 0));
    size = std::min(size * 4, 4096);
  }
}

std::int64_t PgStore::count(const FileDef& f, const ScanSpec* range) {
  if (!range) return run("SELECT COUNT(*) FROM " + quoted(f.table), {}).int64(0, 0);
  return run("SELECT COUNT(*) FROM " + quoted(f.table) + sql::rangeSql(f, *range, "ROW").where,
             rangeParams(f, *range))
      .int64(0, 0);
}

void PgStore::clearFile(const FileDef& f) {
  writing([&] { run("DELETE FROM " + quoted(f.table), {}); });
}

std::int64_t PgStore::nextNumber(const FileDef& f, int field) {
  beforeWrite();
  if (!w_.inTx) {
    return sql::numberOfItsOwn(*this, f, field);
  }
  const std::string& column = f.fields.at(static_cast<std::size_t>(field)).column;
  const std::string name = f.table + "." + column;
  Counter& c = counters_[name];
  if (c.next == 0) {
    const std::int64_t maxStored =
        run("SELECT COALESCE(MAX(" + quoted(column) + "), 0) FROM " + quoted(f.table), {})
            .int64(0, 0);
    std::int64_t counter = 0;
    Result r = run("SELECT next FROM _autonum WHERE name = ?", {{name}});
    if (r.rows() > 0) counter = r.int64(0, 0) - 1;
    c.next = std::max({maxStored, counter, c.handedOut}) + 1;
    openCounters_.push_back(name);
  }
  const std::int64_t n = c.next++;
  c.handedOut = std::max(c.handedOut, n);
  return n;
}

void PgStore::writeCounters() {
  for (const std::string& name : openCounters_)
    run("INSERT INTO _autonum(name, next) VALUES(?, ?) ON CONFLICT (name) DO UPDATE SET next = "
        "EXCLUDED.next",
        {{name}, {std::to_string(counters_[name].next)}});
  forgetCounters();
}

void PgStore::forgetCounters() {
  for (const std::string& name : openCounters_) counters_[name].next = 0;
  openCounters_.clear();
}

bool PgStore::begin(std::chrono::milliseconds timeout) {
  if (w_.inTx || w_.readOnly) return false;
  // A server that restarted since the last change: connect again (outside any transaction,
  // nothing is lost) rather than refuse every change from now on.
  if (PQstatus(conn_) != CONNECTION_OK) {
    PQreset(conn_);
    prepared_.clear();
    if (PQstatus(conn_) != CONNECTION_OK) return false;
    PQsetNoticeProcessor(conn_, quiet, nullptr);
    // The server dropped this connection's process locks with the old one.
    for (const auto& [name, exclusive] : locks_) {
      try {
        takeLock(name, exclusive);
      } catch (const StoreError&) {
      }
    }
  }
  try {
    exec("BEGIN");
    if (timeout.count() <= 0) {
      // lock_timeout 0 would wait for ever.
      Result r = run("SELECT pg_try_advisory_xact_lock(?)", {{std::to_string(lockKey_)}});
      if (r.text(0, 0) != "t") throw StoreError(kNoTransaction, kCompanyBusyText);
    } else {
      run("SELECT set_config('lock_timeout', ?, true)", {{std::to_string(timeout.count()) + "ms"}});
      run("SELECT pg_advisory_xact_lock(?)", {{std::to_string(lockKey_)}});
    }
  } catch (const StoreError&) {
    // Never leave a half-begun transaction behind: later writes would silently join it.
    Result r(PQexec(conn_, "ROLLBACK"));
    return false;
  }
  w_.inTx = true;
  w_.failed.clear();
  forgetCounters();
  return true;
}

bool PgStore::beginSnapshot() {
  if (w_.inTx) return false;
  try {
    exec("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY");
  } catch (const StoreError&) {
    return false;
  }
  w_.inTx = true;
  w_.failed.clear();
  return true;
}

void PgStore::commit() {
  if (!w_.inTx) return;
  if (std::string why = w_.abandonedWhy(PQtransactionStatus(conn_) != PQTRANS_INTRANS);
      !why.empty()) {
    rollback();
    sql::throwAbandoned(why);
  }
  try {
    writeCounters();
    Result r(PQexec(conn_, "COMMIT"));
    // The server answers a COMMIT of a failed transaction with ROLLBACK, not with an error.
    if (PQresultStatus(r.get()) != PGRES_COMMAND_OK ||
        std::string(PQcmdStatus(r.get())) != "COMMIT") {
      const char* state = PQresultErrorField(r.get(), PG_DIAG_SQLSTATE);
      throw StoreError(kDriverError, describe(state ? state : "", PQerrorMessage(conn_)));
    }
  } catch (const StoreError& e) {
    rollback();
    sql::throwNotSaved(e.what());
  }
  w_.inTx = false;
}

void PgStore::rollback() {
  if (!w_.inTx) return;
  w_.inTx = false;
  w_.failed.clear();
  savepoint_ = false;
  forgetCounters();
  if (PQtransactionStatus(conn_) != PQTRANS_IDLE) Result r(PQexec(conn_, "ROLLBACK"));
}

void PgStore::putBlob(const std::string& kind, std::int64_t id,
                      const std::vector<unsigned char>& bytes) {
  Param data{std::string(bytes.begin(), bytes.end()), true};
  writing([&] {
    run("INSERT INTO _blobs(kind, id, data) VALUES(?, ?, ?) ON CONFLICT (kind, id) DO UPDATE SET "
        "data = EXCLUDED.data",
        {{kind}, {std::to_string(id)}, data});
  });
}

std::optional<std::vector<unsigned char>> PgStore::getBlob(const std::string& kind,
                                                           std::int64_t id) {
  Result r = run("SELECT data FROM _blobs WHERE kind = ? AND id = ?",
                 {{kind}, {std::to_string(id)}}, true);
  if (r.rows() == 0) return std::nullopt;
  auto p = reinterpret_cast<const unsigned char*>(PQgetvalue(r.get(), 0, 0));
  return std::vector<unsigned char>(p, p + PQgetlength(r.get(), 0, 0));
}

void PgStore::removeBlob(const std::string& kind, std::int64_t id) {
  writing([&] {
    run("DELETE FROM _blobs WHERE kind = ? AND id = ?", {{kind}, {std::to_string(id)}});
  });
}

void PgStore::readInRowOrder(const FileDef& f, RowSink& sink) {
  std::int64_t after = 0;
  for (;;) {
    Result r = run("SELECT " + selectList(f) + " FROM " + quoted(f.table) +
                       " WHERE _rowid > ? ORDER BY _rowid LIMIT 4096",
                   {{std::to_string(after)}});
    for (int row = 0; row < r.rows(); ++row) {
      void* rec = sink.buffer();
      for (std::size_t i = 0; i < f.fields.size(); ++i)
        r.load(f, f.fields[i], row, static_cast<int>(i) + 1, rec);
      if (!sink.take(r.int64(row, 0))) return;
    }
    if (r.rows() < 4096) return;
    after = r.int64(r.rows() - 1, 0);
  }
}

std::vector<std::pair<std::string, std::int64_t>> PgStore::numberCounters() {
  std::vector<std::pair<std::string, std::int64_t>> out;
  Result r = run("SELECT name, next FROM _autonum ORDER BY name", {});
  for (int i = 0; i < r.rows(); ++i) out.emplace_back(std::string(r.text(i, 0)), r.int64(i, 1));
  return out;
}

void PgStore::setNumberCounter(const std::string& name, std::int64_t next) {
  writing([&] {
    run("INSERT INTO _autonum(name, next) VALUES(?, ?) ON CONFLICT (name) DO UPDATE SET next = "
        "EXCLUDED.next",
        {{name}, {std::to_string(next)}});
  });
}

std::vector<std::pair<std::string, std::int64_t>> PgStore::blobIds() {
  std::vector<std::pair<std::string, std::int64_t>> out;
  Result r = run("SELECT kind, id FROM _blobs ORDER BY kind, id", {});
  for (int i = 0; i < r.rows(); ++i) out.emplace_back(std::string(r.text(i, 0)), r.int64(i, 1));
  return out;
}

std::vector<const FileDef*> PgStore::knownFiles() {
  std::vector<const FileDef*> files = allFiles();
  for (const FileDef* f : files_)
    if (std::find(files.begin(), files.end(), f) == files.end()) files.push_back(f);
  return files;
}

std::vector<std::string> PgStore::grantCompany(const std::vector<RoleGrant>& roles) {
  std::vector<std::string> made;
  // Statements on names cannot take bound values: the server quotes the names itself
  // (format's %I) from the bound ones, and the text it gives back is run. %1$I is the schema,
  // %2$I the role, %3$I the table, %4$s a list of columns already quoted.
  auto runFormatted = [&](const std::string& pattern, const std::string& role,
                          const std::string& table = {}, const std::string& columns = {}) {
    Result r = run("SELECT format(?, current_schema(), ?::text, ?::text, ?::text)",
                   {{pattern}, {role}, {table}, {columns}});
    exec(std::string(r.text(0, 0)));
  };
  // Column names are the program's own, never a user's.
  auto columnList = [](const std::vector<std::string>& columns) {
    std::string list;
    for (const std::string& c : columns) list += (list.empty() ? "" : ", ") + quoted(c);
    return list;
  };
  writing([&] {
    // Compared as the batch form compares it; run with the owner's rights, so a role that may
    // not read the password can still have one it was told checked.
    runFormatted(
        "CREATE OR REPLACE FUNCTION %1$I.koreq_system_password_is(candidate text) RETURNS "
        "boolean LANGUAGE sql STABLE SECURITY DEFINER SET search_path = %1$I, pg_temp AS $f$ "
        "SELECT coalesce((SELECT upper(rtrim(left(candidate, 20)) COLLATE \"C\") = "
        "upper(rtrim(left(\"SystemPassword\", 20)) COLLATE \"C\") FROM control ORDER BY "
        "\"RecordID\" LIMIT 1), false) $f$",
        {});
    runFormatted("REVOKE ALL ON FUNCTION %1$I.koreq_system_password_is(text) FROM PUBLIC", {});
    std::set<std::string> tables;
    for (const FileDef* f : knownFiles())
      if (hasTable(f->table)) tables.insert(f->table);
    for (const RoleGrant& grant : roles) {
      const std::string& role = grant.role;
      if (run("SELECT 1 FROM pg_roles WHERE rolname = ?", {{role}}).rows() == 0) {
        runFormatted("CREATE ROLE %2$I LOGIN", role);
        made.push_back(role);
      }
      // A table's REVOKE takes back its columns' privileges too.
      runFormatted("REVOKE ALL ON ALL TABLES IN SCHEMA %1$I FROM %2$I", role);
      runFormatted("GRANT USAGE ON SCHEMA %1$I TO %2$I", role);
      runFormatted("GRANT EXECUTE ON FUNCTION %1$I.koreq_system_password_is(text) TO %2$I", role);
      runFormatted("GRANT SELECT ON %1$I._meta TO %2$I", role);
      runFormatted("GRANT SELECT, INSERT, UPDATE, DELETE ON %1$I._autonum, %1$I._blobs TO %2$I",
                   role);
      runFormatted("GRANT USAGE, SELECT ON ALL SEQUENCES IN SCHEMA %1$I TO %2$I", role);
      for (const std::string& t : tables) {
        const TableGrant* g = nullptr;
        for (const TableGrant& k : grant.tables)
          if (!g && k.file->table == t) g = &k;
        if (!g || g->hiddenColumns.empty()) {
          runFormatted("GRANT SELECT ON %1$I.%3$I TO %2$I", role, t);
        } else {
          std::vector<std::string> readable{"_rowid"};
          for (const FieldDef& fd : g->file->fields)
            if (std::find(g->hiddenColumns.begin(), g->hiddenColumns.end(), fd.column) ==
                g->hiddenColumns.end())
              readable.push_back(fd.column);
          runFormatted("GRANT SELECT (%4$s) ON %1$I.%3$I TO %2$I", role, t, columnList(readable));
        }
        if (!g) continue;
        if (g->insertDelete) runFormatted("GRANT INSERT, DELETE ON %1$I.%3$I TO %2$I", role, t);
        if (g->updateAll)
          runFormatted("GRANT UPDATE ON %1$I.%3$I TO %2$I", role, t);
        else if (!g->updateColumns.empty())
          runFormatted("GRANT UPDATE (%4$s) ON %1$I.%3$I TO %2$I", role, t,
                       columnList(g->updateColumns));
      }
    }
  });
  return made;
}

const PgStore::ColumnRights& PgStore::columnRights(const FileDef& f) {
  auto it = columnRights_.find(f.table);
  if (it != columnRights_.end()) return it->second;
  ColumnRights rights;
  rights.readable.assign(f.fields.size(), true);
  // The connection string's own user owns the tables; only a user's role is asked about.
  if (!role_.empty()) {
    Result r =
        run("SELECT has_table_privilege(c.oid, 'UPDATE'), a.attname, has_column_privilege(c.oid, "
            "a.attnum, 'SELECT') FROM pg_class c JOIN pg_attribute a ON a.attrelid = c.oid AND "
            "a.attnum > 0 AND NOT a.attisdropped WHERE c.oid = to_regclass(quote_ident(current_"
            "schema()) || '.' || quote_ident(?))",
            {{f.table}});
    for (int row = 0; row < r.rows(); ++row) {
      rights.updateAll = r.text(row, 0) == "t";
      for (std::size_t i = 0; i < f.fields.size(); ++i)
        if (f.fields[i].column == r.text(row, 1)) rights.readable[i] = r.text(row, 2) == "t";
    }
  }
  return columnRights_.emplace(f.table, std::move(rights)).first->second;
}

std::string PgStore::selectList(const FileDef& f, const std::vector<int>* fields) {
  const ColumnRights& rights = columnRights(f);
  if (std::all_of(rights.readable.begin(), rights.readable.end(), [](bool b) { return b; }))
    return sql::selectList(f, fields);
  std::string cols = "_rowid";
  auto add = [&](std::size_t i) {
    const FieldDef& fd = f.fields[i];
    cols += ", " + (rights.readable[i] ? quoted(fd.column)
                                       : (fd.isNumeric() ? "0 AS " : "'' AS ") + quoted(fd.column));
  };
  if (fields)
    for (int i : *fields) add(static_cast<std::size_t>(i));
  else
    for (std::size_t i = 0; i < f.fields.size(); ++i) add(i);
  return cols;
}

std::optional<bool> PgStore::systemPasswordIs(std::string_view candidate) {
  const FileDef& control = Control::def();
  const ColumnRights& rights = columnRights(control);
  for (std::size_t i = 0; i < control.fields.size(); ++i)
    if (control.fields[i].column == "SystemPassword" && rights.readable[i]) return std::nullopt;
  try {
    Result r = run("SELECT koreq_system_password_is(?)", {{std::string(candidate)}});
    return r.rows() == 1 && r.text(0, 0) == "t";
  } catch (const StoreError&) {
    return false;  // no check on the server yet: `koreq roles` makes it
  }
}

void PgStore::backupTo(const std::string& path) {
  PgStore source(conninfo_, Mode::ReadOnly, password_, role_);
  if (!source.beginSnapshot())
    throw StoreError(kDriverError, "Backup to " + path + " failed: the server refused a snapshot");
  SqliteStore target(path, SqliteStore::Mode::Create);
  copyCompany(source, target, knownFiles());
  source.rollback();
}

void PgStore::findUnfitValues(const FileDef& f,
                              const std::function<void(const UnfitValue&)>& found) {
  std::int64_t after = 0;
  for (;;) {
    Result r = run("SELECT " + selectList(f) + " FROM " + quoted(f.table) +
                       " WHERE _rowid > ? ORDER BY _rowid LIMIT 4096",
                   {{std::to_string(after)}});
    for (int row = 0; row < r.rows(); ++row)
      for (std::size_t i = 0; i < f.fields.size(); ++i)
        if (auto fault = r.fault(f.fields[i], row, static_cast<int>(i) + 1))
          found({r.int64(row, 0), &f.fields[i], fault->first, fault->second});
    if (r.rows() < 4096) return;
    after = r.int64(r.rows() - 1, 0);
  }
}

void PgStore::dropCompany() {
  writing([&] {
    std::set<std::string> done;
    for (const FileDef* f : knownFiles())
      if (done.insert(f->table).second) exec("DROP TABLE IF EXISTS " + quoted(f->table));
    exec("DROP TABLE IF EXISTS _meta, _autonum, _blobs");
  });
}

bool PgStore::beginReadSnapshot() {
  return beginSnapshot();
}

void PgStore::endReadSnapshot() {
  rollback();
}

std::vector<std::string> PgStore::integrityCheck() {
  std::vector<std::string> findings;
  const std::vector<const FileDef*> files = knownFiles();
  auto checked = [&](const std::string& what, auto work) {
    try {
      work();
    } catch (const StoreError& e) {
      findings.push_back(what + ": " + e.what());
    }
  };
  checked("schema", [&] {
    if (!schemaCurrent(files_.empty() ? files : files_))
      findings.push_back("schema: the stored schema is not the one this program needs");
  });
  std::set<std::string> done;
  for (const FileDef* f : files) {
    if (!done.insert(f->table).second) continue;
    if (!hasTable(f->table)) {
      // A file the company never had (a file of a test) is not a finding; one of its own is.
      if (std::find(files_.begin(), files_.end(), f) != files_.end())
        findings.push_back(f->table + ": the table is missing");
      continue;
    }
    checked(f->table, [&] {
      // pg_attribute, not information_schema: that hides the columns a role may not read.
      Result cols =
          run("SELECT attname FROM pg_attribute WHERE attrelid = to_regclass(quote_ident(current_"
              "schema()) || '.' || quote_ident(?)) AND attnum > 0 AND NOT attisdropped",
              {{f->table}});
      std::set<std::string> have;
      for (int i = 0; i < cols.rows(); ++i) have.insert(std::string(cols.text(i, 0)));
      for (const auto& fd : f->fields)
        if (!have.count(fd.column))
          findings.push_back(f->table + ": column " + fd.column + " is missing");
      // Reads every row: a damaged page fails here.
      run("SELECT COUNT(*) FROM " + quoted(f->table), {});
    });
    for (const auto& k : f->keys) {
      const std::string index = f->table + "_" + k.name.substr(k.name.find(':') + 1);
      checked(index, [&] {
        Result r =
            run("SELECT i.indisvalid, i.indisunique FROM pg_index i JOIN pg_class c ON c.oid = "
                "i.indexrelid JOIN pg_namespace n ON n.oid = c.relnamespace WHERE n.nspname = "
                "current_schema() AND c.relname = ?",
                {{index}});
        if (r.rows() == 0) {
          findings.push_back(index + ": the index of key " + k.name + " is missing");
        } else if (r.text(0, 0) != "t") {
          findings.push_back(index + ": the index of key " + k.name + " is not valid");
        } else if (k.unique && r.text(0, 1) != "t") {
          findings.push_back(index + ": the index of key " + k.name + " is not unique");
        }
        if (!k.unique) return;
        std::string cols;
        for (int i : k.fields) cols += (cols.empty() ? "" : ", ") + quoted(f->fields[i].column);
        Result dup = run("SELECT COUNT(*) FROM (SELECT 1 FROM " + quoted(f->table) + " GROUP BY " +
                             cols + " HAVING COUNT(*) > 1) d",
                         {});
        if (dup.int64(0, 0) > 0)
          findings.push_back(f->table + ": " + std::to_string(dup.int64(0, 0)) +
                             " values of the unique key " + k.name +
                             " are held by more than one row");
      });
    }
  }
  // The server's own check of the indexes against their tables, where it is installed.
  checked("amcheck", [&] {
    if (run("SELECT 1 FROM pg_extension WHERE extname = 'amcheck'", {}).rows() == 0) return;
    Result r =
        run("SELECT c.relname FROM pg_index i JOIN pg_class c ON c.oid = i.indexrelid JOIN "
            "pg_namespace n ON n.oid = c.relnamespace JOIN pg_am a ON a.oid = c.relam WHERE "
            "n.nspname = current_schema() AND a.amname = 'btree' ORDER BY c.relname",
            {});
    for (int i = 0; i < r.rows(); ++i) {
      const std::string index(r.text(i, 0));
      checked(index, [&] {
        run("SELECT bt_index_check(c.oid, true) FROM pg_class c JOIN pg_namespace n ON n.oid = "
            "c.relnamespace WHERE n.nspname = current_schema() AND c.relname = ?",
            {{index}});
      });
    }
  });
  return findings;
}

}  // namespace koreq::data
