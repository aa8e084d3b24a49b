#pragma once

// The rules that tie the posted totals to what was posted:
//   - each equipment's cumulative units and income (EQHEADER) are the sums of its posted usage
//     (EQLOG); its year and month figures those of the fiscal year and period of its last
//     posting (EQH:LastPostingFiscalPeriod);
//   - each cost category's cumulative units and amount (EQCOST) are the sums of its ledger
//     lines (GLTRANS); its year and month figures those of the fiscal year and period its
//     newest line was posted in;
//   - the prior-period files agree with the same sums: EQPRIOR per equipment and fiscal year,
//     EQPRIORM per period, EQPRIORC and EQPRIORCM per category.
// Reads only; no Qt.

#include <cstdint>
#include <functional>
#include <string>

namespace koreq::data {
class Store;
}

namespace koreq::check {

// `found(file, record, problem)` gets each broken rule; `records` counts the records read.
void checkTotals(data::Store& store,
                 const std::function<void(const std::string&, std::string, std::string)>& found,
                 std::int64_t& records);

}  // namespace koreq::check
