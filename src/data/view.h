#pragma once

// An ordered, ranged, filtered view over one file: the list windows and reports read through
// it. Rows come in key order; the range fixes leading key fields; the filter is an expression
// over the file's fields and any names the caller binds.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/access.h"
#include "runtime/expr.h"

namespace koreq::data {

// An expression value of a field value: texts stay texts, everything else is a number (dates
// as their day number).
ExprValue toExprValue(const Value& v);

// Resolves the fields of one file's record buffer by their prefixed names.
class BufferResolver : public NameResolver {
 public:
  explicit BufferResolver(const FileAccess& file) : file_(file) {}
  std::optional<ExprValue> lookup(std::string_view name) const override;

 private:
  const FileAccess& file_;
};

// The names of expressions that are fields of one file's record buffer, looked up once: an
// expression evaluated row after row finds each of its fields among a few names, never by
// searching the file's fields. Other names are left to the resolvers after it.
class FieldResolver : public NameResolver {
 public:
  explicit FieldResolver(const FileAccess& file) : file_(file), fallback_(file) {}
  // Looks the expression's names up.
  void add(const Expression& e);
  void clear();
  std::optional<ExprValue> lookup(std::string_view name) const override;
  // The fields the names added name, each once.
  const std::vector<int>& fields() const { return fields_; }

 private:
  const FileAccess& file_;
  std::vector<std::pair<std::string, int>> names_;  // as written; -1: no field of the file
  std::vector<int> fields_;
  BufferResolver fallback_;
};

class View {
 public:
  View(FileAccess& file, const KeyDef& key) : file_(file), key_(&key), filterNames_(file) {}

  void setKey(const KeyDef& key) { key_ = &key; }
  void setRange(std::vector<Value> equal) { equal_ = std::move(equal); }
  void setStart(std::vector<Value> start) { start_ = std::move(start); }
  void setBackward(bool backward) { backward_ = backward; }
  // An empty text clears the filter. Names other than this file's fields are asked of `extra`.
  // A bad expression leaves the view unfiltered and answers false with the reason.
  bool setFilter(std::string_view expression, const NameResolver* extra = nullptr,
                 std::string* error = nullptr);
  const std::string& filterText() const { return filterText_; }

  // Starts reading from the beginning of the range.
  void reset();
  // The next matching record into the file's buffer: kNoError, or kRecordNotFound at the end.
  // A filter that cannot be evaluated for a record (an unknown name) excludes it and keeps the
  // reason in filterError().
  int next();
  const std::string& filterError() const { return filterError_; }
  // Rows in the range that pass the filter (reads them all when there is a filter).
  std::int64_t count();

  // Reads on in one go, straight into the file's buffer: `row` is called for each record that
  // passes the filter, the buffer holding it, and answers false to stop. Only `fields` are read
  // (all when null); the filter's fields are read as well. The first call after reset() starts
  // at the beginning of the range, each further one after the last record the one before read;
  // nothing stays open in between. True when the range has no more records.
  bool read(const std::vector<int>* fields, const std::function<bool()>& row);
  // The fields of the file the filter names.
  const std::vector<int>& filterFields() const { return filterNames_.fields(); }

 private:
  bool passes();

  FileAccess& file_;
  const KeyDef* key_;
  std::vector<Value> equal_, start_;
  bool backward_ = false;
  bool open_ = false;
  std::string filterText_;
  std::optional<Expression> filter_;
  FieldResolver filterNames_;
  ChainResolver filterChain_;  // the file's fields, then `extra`
  const NameResolver* extra_ = nullptr;
  std::string filterError_;
  // Where read() goes on from: the key and identity of the last record it read.
  bool readStarted_ = false;
  std::vector<Value> lastKey_;
  std::int64_t lastRow_ = 0;
};

}  // namespace koreq::data
