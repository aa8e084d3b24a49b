#pragma once

// The storage interface the file-access layer is written against. A back end keeps one table
// per file, one index per key, and a hidden row identity that records keep while in a buffer.
// It is shaped by what the procedures ask of a file, so that a server back end can follow
// without touching them.

#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "data/field.h"

namespace koreq::data {

// File error codes, as the error texts name them.
enum FileErrorCode : int {
  kNoError = 0,
  kRecordNotFound = 35,
  kDuplicateKey = 40,
  kRecordChanged = 89,
  kDriverError = 90,
  kBadValue = 91,
  kNoTransaction = 92,
};

std::string fileErrorText(int code);

class StoreError : public std::runtime_error {
 public:
  StoreError(int code, const std::string& text) : std::runtime_error(text), code_(code) {}
  int code() const { return code_; }

 private:
  int code_;
};

struct StoredRow {
  std::int64_t rowId = 0;
  std::vector<Value> values;  // one per field of the FileDef, in field order
};

// Which rows of a file to read, in the order of one key.
struct ScanSpec {
  const KeyDef* key = nullptr;
  bool backward = false;
  // Rows whose first components equal these values (a range on the leading key fields).
  std::vector<Value> equal;
  // Start on the key: rows at or after these leading values in reading order (after `equal`'s
  // components are matched, these continue from the next component).
  std::vector<Value> start;
  // Continue strictly after this row (all key values plus row identity); overrides `start`.
  std::optional<std::pair<std::vector<Value>, std::int64_t>> after;
  int limit = 0;  // 0 = no limit
};

// Where Store::read puts the rows it reads, one after another.
class RowSink {
 public:
  virtual ~RowSink() = default;
  // The record buffer the next row is decoded into.
  virtual void* buffer() = 0;
  // The row is in buffer(); false stops the reading.
  virtual bool take(std::int64_t rowId) = 0;
};

class Store {
 public:
  virtual ~Store() = default;

  // Creates missing tables, columns and indexes when the stored schema differs from these
  // files', in a transaction of its own; writes nothing when it is current. Never drops anything.
  virtual void ensureSchema(const std::vector<const FileDef*>& files) = 0;
  // Whether the stored schema is the one these files need (false for an empty database).
  virtual bool schemaCurrent(const std::vector<const FileDef*>& files) = 0;
  virtual bool readOnly() const = 0;
  // Why a company opened for changes can only be read (its folder or file cannot be written):
  // what the user is told instead of "busy"; empty otherwise.
  virtual std::string readOnlyReason() const { return {}; }

  // All of these throw StoreError.
  virtual std::int64_t insert(const FileDef& f, const std::vector<Value>& values) = 0;
  virtual void update(const FileDef& f, std::int64_t rowId, const std::vector<Value>& values) = 0;
  // The same from a record buffer of the file. Back ends that can bind a buffer's fields as
  // they stand do, without a Value of every field; these are written on insert() and update().
  virtual std::int64_t insertRecord(const FileDef& f, const void* rec);
  virtual void updateRecord(const FileDef& f, std::int64_t rowId, const void* rec);
  // Many new records of one file, in as few round trips as the back end allows; a key that
  // is taken fails the lot (inside the caller's transaction). Their row ids are not returned.
  virtual void insertRecords(const FileDef& f, const std::vector<const void*>& recs);
  virtual void remove(const FileDef& f, std::int64_t rowId) = 0;
  // Every row of a range (its `limit` ignored) in one statement where the back end can; the
  // number removed. Written on scan() and remove() for the others.
  virtual std::int64_t removeRange(const FileDef& f, const ScanSpec& range);
  virtual std::optional<StoredRow> get(const FileDef& f, std::int64_t rowId) = 0;
  virtual std::vector<StoredRow> scan(const FileDef& f, const ScanSpec& range) = 0;
  // The rows of a range decoded straight into record buffers, one statement stepping from the
  // first to the last, and finished before it returns: nothing stays open between calls. Only
  // the fields listed in `fields` are written (all of them when it is null); the others keep
  // what the buffer held. This one is written on scan() for back ends without a faster way.
  virtual void read(const FileDef& f, const ScanSpec& range, const std::vector<int>* fields,
                    RowSink& sink);
  // Finishes whatever read a back end keeps open between calls to go on faster (see
  // SqliteStore). The desktop program calls it whenever it waits for the user.
  virtual void releaseReads() {}
  virtual std::int64_t count(const FileDef& f, const ScanSpec* range = nullptr) = 0;
  virtual void clearFile(const FileDef& f) = 0;
  // Next number of an auto-numbered field: above every stored value and every number handed
  // out before, so two buffers primed at once never get the same one.
  virtual std::int64_t nextNumber(const FileDef& f, int field) = 0;

  // A transaction that waits up to `timeout` for other writers; false when it cannot begin.
  virtual bool begin(std::chrono::milliseconds timeout) = 0;
  virtual void commit() = 0;
  virtual void rollback() = 0;
  virtual bool inTransaction() const = 0;
  // Marks the open transaction as failed: nothing more is written in it and its commit rolls
  // back with this reason. The back ends call it themselves when a statement fails.
  virtual void abandon(const std::string& why) = 0;
  // Whether the open transaction was abandoned (nothing more can be written in it).
  virtual bool abandoned() const = 0;

  // Opaque byte storage (stored images and attachments), by kind and number.
  virtual void putBlob(const std::string& kind, std::int64_t id,
                       const std::vector<unsigned char>& bytes) = 0;
  virtual std::optional<std::vector<unsigned char>> getBlob(const std::string& kind,
                                                            std::int64_t id) = 0;
  virtual void removeBlob(const std::string& kind, std::int64_t id) = 0;

  // A consistent copy of the whole company into `path`, an SQLite company database.
  virtual void backupTo(const std::string& path) = 0;

  // What a copy of the whole company needs besides reading the files by key (see copy.h).
  // Every row of a file in the order the rows were added, so a copy keeps the order of equal
  // keys.
  virtual void readInRowOrder(const FileDef& f, RowSink& sink) = 0;
  // The numbering counters ("table.column" and the next number), and setting one in the open
  // transaction.
  virtual std::vector<std::pair<std::string, std::int64_t>> numberCounters() = 0;
  virtual void setNumberCounter(const std::string& name, std::int64_t next) = 0;
  // The kinds and numbers of the stored blobs.
  virtual std::vector<std::pair<std::string, std::int64_t>> blobIds() = 0;

  // The back end's own check of its files and indexes: nothing when they are sound, else its
  // findings, one a line. Reads only.
  virtual std::vector<std::string> integrityCheck() = 0;

  // A stored value its field cannot hold, as stored (a text in a number's column shows as the
  // text), with the record's row identity.
  struct UnfitValue {
    std::int64_t rowId = 0;
    const FieldDef* field = nullptr;
    std::string value;
    std::string why;
  };
  // Reads every value of every row of a file and reports each its field cannot hold, going on
  // after each.
  virtual void findUnfitValues(const FileDef& f,
                               const std::function<void(const UnfitValue&)>& found) = 0;
  // A read-only view of one moment for a run of reads (the company check), ended by
  // endReadSnapshot(); false when none could begin (a transaction is open), and the reads then
  // see each moment as they go.
  virtual bool beginReadSnapshot() { return false; }
  virtual void endReadSnapshot() {}
  // Process locks: held for as long as this process (on a server: this connection) lives and
  // dropped by the system when it ends, however it ends, so others tell a live holder from
  // one that has gone. Shared holds of one name live side by side; an exclusive hold stands
  // alone. `name` is short plain ASCII ("user:ADM", "posting"). A store without them (a
  // read-only folder) holds nothing and sees nothing held.
  // Takes the lock without waiting; false when another holds it the other way (or at all,
  // for an exclusive one). Taking a name this store already holds answers true.
  virtual bool holdLock(const std::string& /*name*/, bool /*exclusive*/) { return true; }
  virtual void releaseLock(const std::string& /*name*/) {}
  // Whether some holder other than this store holds `name`.
  virtual bool lockHeld(const std::string& /*name*/) { return false; }
  // Whether `candidate` is the company's system password (compared on their first 20
  // characters, without case and trailing blanks) where this connection may not read it (a
  // server role of a user who is no administrator); nullopt where it may, and the caller reads
  // CONTROL itself.
  virtual std::optional<bool> systemPasswordIs(std::string_view /*candidate*/) {
    return std::nullopt;
  }
};

// A fingerprint of the tables, columns and keys the files need: a stored schema with the same
// fingerprint needs no upgrade, so an open writes nothing.
std::string schemaFingerprint(const std::vector<const FileDef*>& files);

// How long a change waits for another workstation's change to end before it is refused: one
// setting for the whole program.
inline constexpr std::chrono::milliseconds kWriterWait{5000};

// What the user is told when a change is refused because another workstation holds the company.
extern const char* const kCompanyBusyText;
class Store;
// What the user is told when a change could not begin: that the company folder cannot be
// written where that is why (the store's own reason), else that the company is busy.
std::string refusedText(const Store& store);

// A unit of work that is all or nothing. It owns a transaction of its own, joins the one its
// caller has begun, or was refused (the company stayed busy for the whole wait: nothing may be
// written then). Rolls back in its destructor unless committed; a joined unit left uncommitted
// abandons the caller's transaction too, so a failed part never lands inside a whole.
class Transaction {
 public:
  enum class State { Owner, Joined, Refused };

  explicit Transaction(Store& store, std::chrono::milliseconds wait = kWriterWait);
  ~Transaction();
  Transaction(const Transaction&) = delete;
  Transaction& operator=(const Transaction&) = delete;

  State state() const { return state_; }
  bool begun() const { return state_ != State::Refused; }  // owned or joined
  bool owner() const { return state_ == State::Owner; }
  // Owner: commits, or throws StoreError after rolling back when the change was abandoned (a
  // statement failed inside it) or the commit failed. Joined: nothing; the caller commits.
  void commit();
  void rollback();

 private:
  Store& store_;
  State state_;
  bool done_ = false;
};

// Runs `work` as one change: every write it makes lands, or none. `work` answers false (or
// throws StoreError) to abandon. Answers true when the change landed (or, joined, was kept for
// the caller's commit); otherwise false with the reason in `why`: the busy text when the
// change could not begin, the store's error, or the text `work` left there.
bool allOrNothing(Store& store, const std::function<bool(std::string* why)>& work,
                  std::string* why = nullptr, std::chrono::milliseconds wait = kWriterWait);

}  // namespace koreq::data
