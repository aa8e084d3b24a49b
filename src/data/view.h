#pragma once

// An ordered, ranged, filtered view over one file: the list windows and reports read through
// it. Rows come in key order; the range fixes leading key fields; the filter is an expression
// over the file's fields and any names the caller binds.

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

class View {
 public:
  View(FileAccess& file, const KeyDef& key) : file_(file), key_(&key) {}

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

 private:
  bool passes();

  FileAccess& file_;
  const KeyDef* key_;
  std::vector<Value> equal_, start_;
  bool backward_ = false;
  bool open_ = false;
  std::string filterText_;
  std::optional<Expression> filter_;
  const NameResolver* extra_ = nullptr;
  std::string filterError_;
};

}  // namespace koreq::data
