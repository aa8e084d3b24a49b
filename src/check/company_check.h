#pragma once

// `koreq check` and the desktop's "Check Company": the database's own integrity check, then the
// rules that tie the module's files together, which no single record can break alone:
//   - every EQCOST record has its equipment (EQHEADER) and its category (EQCODE);
//   - every EQLOGB entry has its batch (EQBATCH) and its equipment;
//   - no two batches share an EQB:SortID (the batch manager's order);
//   - every GLDEPR schedule row belongs to existing equipment;
//   - every "E/Q" journal of GLTRANS balances: its debits equal its credits;
//   - the posted totals agree with what was posted (totals_check.h).
// Before the rules, every value of every record is read against its field (a number beyond its
// digits or range, a text in a number's column, a date that does not exist, a NUL in a text),
// each fault reported on its own. Reads only, all of it from one snapshot of the company (one
// read transaction; repeatable read on a server), so another workstation writing meanwhile
// never makes a rule look broken. No Qt.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace koreq::data {
class Store;
}

namespace koreq::check {

// One broken rule: the file and the record it was found in, and what is wrong.
struct Finding {
  std::string file;    // "EQCOST"
  std::string record;  // "EQC:PrimaryRecordID 12 (EX-301 FUEL)"
  std::string problem;
  // "EQCOST EQC:PrimaryRecordID 12 (EX-301 FUEL): no equipment EX-301 in EQHEADER"
  std::string line() const;
};

struct CheckReport {
  // At most kMaxListed findings are kept; `broken` counts them all.
  static constexpr std::size_t kMaxListed = 1000;
  std::vector<Finding> findings;
  std::size_t broken = 0;
  std::int64_t recordsRead = 0;
  int rules = 0;  // rules checked, the database's own check among them

  bool sound() const { return broken == 0; }
  // "The company is sound: 6 checks held over 1234 records." or "3 faults found in 1234
  // records."
  std::string summary() const;
  // The summary, then one line per finding (and a line for those not listed).
  std::string text() const;
};

// Called before each check with its number (from 1), the number of checks and its title
// ("Checking EQCOST"), so that a window can show progress.
using CheckProgress = std::function<void(int step, int steps, const std::string& title)>;

// Runs every check on the company's store. A file that cannot be read is a finding of its own;
// the check never throws for what it finds.
CheckReport checkCompany(data::Store& store, const CheckProgress& progress = {});

}  // namespace koreq::check
