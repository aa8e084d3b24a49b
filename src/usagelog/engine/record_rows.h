#pragma once

// Whole records to and from the store's rows, for the engines that read and write many
// records in one transaction without a record buffer per file.

#include <cstdint>
#include <string>
#include <vector>

#include "data/store.h"

namespace koreq::usagelog::detail {

template <typename R>
std::vector<data::Value> rowOf(const R& rec) {
  const auto& fields = R::def().fields;
  std::vector<data::Value> v;
  v.reserve(fields.size());
  for (const auto& f : fields) v.push_back(f.get(&rec));
  return v;
}

// The store hands back what it was given, so a value that does not fit is a damaged row.
template <typename R>
R recordOf(const std::vector<data::Value>& values) {
  R rec;
  const auto& fields = R::def().fields;
  for (std::size_t i = 0; i < fields.size() && i < values.size(); ++i) {
    std::string why;
    if (!fields[i].set(&rec, values[i], &why))
      throw data::StoreError(data::kBadValue, fields[i].name + ": " + why);
  }
  return rec;
}

template <typename R>
struct Stored {
  std::int64_t rowId = 0;
  R rec;
};

// The records of a file on `keyName` whose leading key fields equal `equal`, in key order.
template <typename R>
std::vector<Stored<R>> readWhere(data::Store& store, const char* keyName,
                                 const std::vector<data::Value>& equal, int limit = 0) {
  data::ScanSpec s;
  s.key = R::def().key(keyName);
  s.equal = equal;
  s.limit = limit;
  std::vector<Stored<R>> out;
  for (auto& row : store.scan(R::def(), s)) out.push_back({row.rowId, recordOf<R>(row.values)});
  return out;
}

}  // namespace koreq::usagelog::detail
