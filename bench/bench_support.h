#pragma once

// What several benchmarks share: the process's peak memory, and the raw SQLite insert of a
// usage-log entry that the data layer's own insert is measured against.

#include <sqlite3.h>

#include <fstream>
#include <string>

#include "data/records.h"

namespace koreq::bench {

// Peak resident memory in MiB since the process started, or since "5" was written to
// /proc/self/clear_refs.
inline double peakMiB() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("VmHWM:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return 0;
}

inline constexpr const char* kRawEqLogBInsert =
    "INSERT INTO eqlogb(LogID, EquipmentID, BatchID, Date, StartMeter, EndMeter, Units, "
    "ChargeType, GrossAmount, AdjustedAmount, DetailType, GLAccount, JobID, CostCode, "
    "Category, Comments, EmployeeID, Location, EquipmentIDCharged) "
    "VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?,?)";

// Binds an entry to kRawEqLogBInsert; the entry must outlive the statement's next step.
inline void bindRawEqLogB(sqlite3_stmt* s, const data::EqLogB& r) {
  auto text = [s](int i, const std::string& t) {
    sqlite3_bind_text(s, i, t.data(), static_cast<int>(t.size()), SQLITE_STATIC);
  };
  sqlite3_bind_int64(s, 1, r.LogID);
  text(2, r.EquipmentID);
  sqlite3_bind_int64(s, 3, r.BatchID);
  sqlite3_bind_int64(s, 4, r.Date.day());
  sqlite3_bind_int64(s, 5, r.StartMeter.cents());
  sqlite3_bind_int64(s, 6, r.EndMeter.cents());
  sqlite3_bind_int64(s, 7, r.Units.cents());
  text(8, r.ChargeType);
  sqlite3_bind_int64(s, 9, r.GrossAmount.cents());
  sqlite3_bind_int64(s, 10, r.AdjustedAmount.cents());
  text(11, r.DetailType);
  text(12, r.GLAccount);
  text(13, r.JobID);
  text(14, r.CostCode);
  text(15, r.Category);
  text(16, r.Comments);
  sqlite3_bind_int64(s, 17, r.EmployeeID);
  text(18, r.Location);
  text(19, r.EquipmentIDCharged);
}

}  // namespace koreq::bench
