#pragma once

// File access: one object per file per context, holding that file's record buffer and the
// position of the record in it, with the operations procedures use (prime, insert, update,
// delete, fetch by key, set and read forward or backward, count).

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "data/error.h"
#include "data/field.h"
#include "data/store.h"

namespace koreq::data {

class FileAccess {
 public:
  FileAccess(Store& store, const FileDef& def, ErrorObject& errors);
  virtual ~FileAccess() = default;
  FileAccess(const FileAccess&) = delete;
  FileAccess& operator=(const FileAccess&) = delete;

  const FileDef& def() const { return def_; }
  Store& store() { return store_; }
  void* buffer() { return buf_.get(); }
  const void* buffer() const { return buf_.get(); }
  // Row identity of the record in the buffer (0 when it was not read from the file).
  std::int64_t position() const { return pos_; }
  void setPosition(std::int64_t p) { pos_ = p; }

  // Operations answer kNoError (0) or a file error code; the reporting ones also report the
  // error through the error object ("<error text> Inserting EQLogB").
  void clear();
  int prime();      // clear, then number the auto-numbered field ("Autoincrementing")
  int insert();     // "Inserting"
  int update();     // "Saving"
  int remove();     // "Deleting"
  int tryInsert();  // the same without reporting
  int tryUpdate();
  int tryRemove();
  // First record whose key starts with these values (all of them equal).
  int fetch(const KeyDef& key, const std::vector<Value>& values);
  int fetch(std::string_view keyName, const std::vector<Value>& values);
  // Re-reads the record at the buffer's position.
  int reget();
  // Positions before the first record at or after `start` on `key`; next()/previous() read on.
  void set(const KeyDef& key, const std::vector<Value>& start = {});
  // Restricts set/next to records whose leading key fields equal `equal`.
  void setRange(const KeyDef& key, const std::vector<Value>& equal,
                const std::vector<Value>& start = {});
  int next();      // kRecordNotFound at the end
  int previous();  // kRecordNotFound at the start
  std::int64_t records();

  Value get(std::string_view field) const;
  // A field as text without trailing blanks ("" for an unknown field).
  std::string text(std::string_view field) const;
  bool put(std::string_view field, const Value& v, std::string* why = nullptr);
  std::vector<Value> values() const;
  bool assign(const std::vector<Value>& values, std::string* why = nullptr);

  std::string lastErrorText() const { return lastErrorText_; }

 protected:
  int fail(int code, const std::string& text, std::string_view action, bool report);
  int readOn(bool backward);

  Store& store_;
  const FileDef& def_;
  ErrorObject& errors_;
  // The record buffer is one object for the life of the access object: procedures keep
  // references to it (rec()) across reads. Reads fill it by copying, never by replacing it.
  std::shared_ptr<void> buf_;
  std::shared_ptr<void> blank_;    // a cleared record, copied in by clear()
  std::shared_ptr<void> scratch_;  // assign() builds here so a rejected value changes nothing
  std::int64_t pos_ = 0;
  std::string lastErrorText_;

  // Sequential reading state.
  struct Cursor {
    const KeyDef* key = nullptr;
    std::vector<Value> equal;
    std::vector<Value> start;
    bool started = false;  // whether a row was read since set()
    // The key and identity of the last row handed out, for the next page's query; taken from
    // the page when the page is left.
    std::vector<Value> lastKey;
    std::int64_t lastRow = 0;
    bool lastBackward = false;
    // The page read ahead, decoded straight from the store into records of the file that are
    // kept from page to page.
    std::vector<std::shared_ptr<void>> records;
    std::vector<std::int64_t> ids;
    std::size_t size = 0, at = 0;  // rows in the page; the next one to hand out
    // A read that failed after some rows of the page: its error, given when they are out.
    int pending = 0;
    std::string pendingText;
  } cur_;
  // Leaves the page: what the next query continues from is taken from it first.
  void leavePage();
};

// Typed access: rec() is the record buffer as its struct.
template <typename R>
class Access : public FileAccess {
 public:
  Access(Store& store, ErrorObject& errors, const FileDef& def = R::def())
      : FileAccess(store, def, errors) {}
  R& rec() { return *static_cast<R*>(buffer()); }
  const R& rec() const { return *static_cast<const R*>(buffer()); }
};

namespace detail {
template <typename R>
std::unique_ptr<FileAccess> makeAccessFor(Store& store, ErrorObject& errors, const FileDef& def) {
  return std::make_unique<Access<R>>(store, errors, def);
}
}  // namespace detail

}  // namespace koreq::data
