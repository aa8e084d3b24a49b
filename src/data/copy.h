#pragma once

// A whole company from one store into another (SQLite to a server and back, and the server's
// backups), checked by what a bookkeeper would count — records and money per file — and by a
// checksum of every row's every field, so a text cut or changed on the way is seen too.

#include <cstdint>
#include <string>
#include <vector>

#include "data/store.h"

namespace koreq::data {

struct FileTotals {
  std::string table;
  std::int64_t records = 0;
  // Per money field: the column and the total of every record, as "1234.56".
  std::vector<std::pair<std::string, std::string>> money;
  // Every field of every row, in the order the rows were added.
  std::uint64_t checksum = 0;
  bool operator==(const FileTotals&) const = default;
};

// The record count and money totals of every table of these files (each table once).
std::vector<FileTotals> companyTotals(Store& store, const std::vector<const FileDef*>& files);

// Copies the schema, every row of every file in the order the rows were added, the numbering
// counters and the blobs of `from` into `to`, which holds no company yet, in one transaction of
// `to`: all of it or nothing. `from` must hold still meanwhile (its writer lock or a snapshot).
// Answers the totals read from `from`. Throws StoreError.
std::vector<FileTotals> copyCompany(Store& from, Store& to,
                                    const std::vector<const FileDef*>& files);

// The lines that tell where two sets of totals differ; empty when they agree.
std::vector<std::string> totalsDiffer(const std::vector<FileTotals>& source,
                                      const std::vector<FileTotals>& copy);

}  // namespace koreq::data
