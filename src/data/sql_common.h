#pragma once

// What the two SQL back ends build alike: the SQL text of a file's statements, the key values
// of a range read in the order of their marks, and the rules of a write transaction's state.

#include <string>
#include <vector>

#include "data/store.h"

namespace koreq::data::sql {

std::string quoted(const std::string& ident);
// "_rowid" and the file's columns, or only `fields` when given.
std::string selectList(const FileDef& f, const std::vector<int>* fields = nullptr);
// INSERT of every column, a mark each, with no clause for a refused key.
std::string insertSql(const FileDef& f);
// UPDATE of every column by _rowid (the last mark).
std::string updateSql(const FileDef& f);
std::string createIndexSql(const FileDef& f, const KeyDef& k);

// A key value given by a caller may be of another type than the field (a text "12" for a
// number field): brought to the field's own type, it compares as the stored value does.
Value keyValue(const FieldDef& f, const Value& v);

// The key values of a range read, in the order rangeSql() writes their marks.
template <typename Bind>
void forEachRangeValue(const FileDef& f, const ScanSpec& range, Bind bind) {
  const KeyDef& key = range.key ? *range.key : f.primaryKey();
  const std::size_t e = std::min(range.equal.size(), key.fields.size());
  auto field = [&](std::size_t i) -> const FieldDef& {
    return f.fields[static_cast<std::size_t>(key.fields[i])];
  };
  for (std::size_t i = 0; i < e; ++i) bind(keyValue(field(i), range.equal[i]));
  if (range.after) {
    const auto& vals = range.after->first;
    for (std::size_t i = e; i < key.fields.size(); ++i)
      bind(keyValue(field(i), i < vals.size() ? vals[i] : Value()));
    bind(Value(range.after->second));
  } else {
    const std::size_t n = std::min(range.start.size(), key.fields.size() - e);
    for (std::size_t i = 0; i < n; ++i) bind(keyValue(field(e + i), range.start[i]));
  }
}

struct RangeSql {
  std::string where;  // " WHERE …", or empty
  std::string order;  // the ORDER BY list, without the words
};
// The WHERE and ORDER BY of a range read on its key, rows in reading order and ties broken by
// _rowid. `rowPrefix` goes before a parenthesised row of columns ("ROW" where the dialect
// needs it to compare rows even of one column).
RangeSql rangeSql(const FileDef& f, const ScanSpec& range, const char* rowPrefix = "");

// The writer's state both back ends keep: read-only, in a transaction, and the reason the
// change was abandoned (empty while it goes on). `engineEnded`: the database ended the
// transaction by itself.
struct WriterState {
  bool readOnly = false;
  bool inTx = false;
  std::string failed;

  void abandon(const std::string& why) {
    if (inTx && failed.empty()) failed = why;
  }
  // Throws when a write may not go on.
  void beforeWrite(bool engineEnded);
  // Before COMMIT: why the change cannot be committed; empty when it can.
  std::string abandonedWhy(bool engineEnded);
};

// A number handed out outside a transaction: in one of its own, committed at once, so that two
// buffers primed apart never share one.
std::int64_t numberOfItsOwn(Store& store, const FileDef& f, int field);

// Before a write: throws StoreError (kBadValue) naming the file and the field when a value
// does not fit its field, so nothing is written.
void checkRecord(const FileDef& f, const void* rec);
void checkValues(const FileDef& f, const std::vector<Value>& values);
// A stored value its field cannot hold, met while reading: an error naming the file, the record,
// the field and the value, never a value read as another.
[[noreturn]] void throwUnreadable(const FileDef& f, std::int64_t rowId, const FieldDef& field,
                                  const std::string& value, const std::string& why);
std::string unreadableText(const FileDef& f, std::int64_t rowId, const FieldDef& field,
                           const std::string& value, const std::string& why);

[[noreturn]] void throwNotSaved(const std::string& why);
[[noreturn]] void throwAbandoned(const std::string& why);

}  // namespace koreq::data::sql
