#pragma once

// How the check's rules read a file: every record in its first key's order, counted. A read
// that fails is a finding and ends the file, unless the value check has already listed the
// file's values that their fields cannot hold (the rules then stop at the first one quietly).

#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "data/access.h"
#include "data/error.h"
#include "data/store.h"

namespace koreq::check {

class RecordWalk {
 public:
  using Found =
      std::function<void(const std::string& file, std::string record, std::string problem)>;

  RecordWalk(data::Store& store, Found found, std::int64_t& records)
      : store_(store), found_(std::move(found)), records_(records) {}

  data::Store& store() const { return store_; }
  void found(const std::string& file, std::string record, std::string problem) const {
    found_(file, std::move(record), std::move(problem));
  }
  // The value check found values its fields cannot hold in `file`.
  void markUnfit(const std::string& file) { unfit_.insert(file); }

  template <typename R, typename Each>
  void each(const char* file, Each visit) const {
    data::ErrorObject errors;
    data::Access<R> access(store_, errors);
    access.set(R::def().primaryKey());
    for (;;) {
      const int rc = access.next();
      if (rc == data::kRecordNotFound) return;
      if (rc != data::kNoError) {
        if (rc == data::kBadValue && unfit_.count(file)) return;
        return found(file, "", "cannot be read: " + access.lastErrorText());
      }
      ++records_;
      visit(access.rec());
    }
  }

 private:
  data::Store& store_;
  Found found_;
  std::int64_t& records_;
  std::set<std::string> unfit_;
};

}  // namespace koreq::check
