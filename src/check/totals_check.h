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

namespace koreq::check {

class RecordWalk;

// Each broken rule goes to the walk's finding.
void checkTotals(const RecordWalk& walk);

}  // namespace koreq::check
