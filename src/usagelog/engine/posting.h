#pragma once

// The posting service of equipment usage logs (POSTINGCONTROL with POSTTYPE 5): the tagged
// batches' entries become posted usage (EQLOG), equipment and category totals, prior-period
// figures and ledger lines (GLTRANS, journal "E/Q"), in one transaction: every tagged batch or
// nothing.
//
// Choices of ours, as an accountant expects them:
// - Journal: one "E/Q" journal per posting, numbered one above the highest EQL:JournalNumber
//   (so the numbers run on from the company's posted history); a journal holds at most 32,767
//   lines (GLT:LineNo is 16-bit), so a very large posting continues in the next number. Each
//   entry's two lines stay in one journal, which balances by itself.
// - Fiscal period: a period runs from the day after the previous period's date to its own
//   GLF:PeriodDate; the first period covers its date's month. The entry's date decides its
//   period; a locked ('L') or closed ('C') period refuses the posting.
// - The prior-period files (EQPRIOR, EQPRIORM per equipment, EQPRIORC, EQPRIORCM per category)
//   take every posted figure under the entry's fiscal year and period. The year and month totals
//   of the equipment and categories posted to are then those of today's fiscal year and period
//   as those files hold them: a posting into a later period starts the month afresh, into a
//   later year the year too.
// - A repeating batch without an interval is refused: it would post the same entries again
//   under the same dates.
// - "Maintenance" is the equipment's own shop time: its units are non-productive units. Its net
//   charge is usually zero; when it is not, it is income like any other.
// - An entry with a zero net charge writes no ledger lines and so moves no category totals
//   (they are the sums of the ledger's category lines); a negative net charge reverses the
//   sides: the income account is debited and the charged account credited.
// - The "this posting" fields of each equipment used hold this posting's figures.
// - A repeating batch's entries are moved on to their next dates inside the same transaction,
//   so a posted entry can never be posted a second time under its old date.

#include <cstdint>
#include <string>
#include <vector>

#include "data/records.h"
#include "runtime/date.h"
#include "runtime/decimal.h"

namespace koreq::data {
class Store;
}

namespace koreq::frame {
class Context;
class ProcedureRegistry;
}  // namespace koreq::frame

namespace koreq::usagelog {

inline constexpr std::uint8_t kPostUsageLogs = 5;  // POSTTYPE: equipment usage logs
inline constexpr std::uint8_t kPostingDone = 99;   // POSTTYPE after a completed posting
inline constexpr const char* kUsageJournal = "E/Q";

// The fiscal period holding `d` among `periods` (sorted by date): the first whose date is on
// or after it; the first period holds only the days of its own month. Nothing when none does.
const data::GlFiscal* fiscalPeriodOf(const std::vector<data::GlFiscal>& periods, Date d);
// Every fiscal period of the company, sorted as fiscalPeriodOf needs them.
std::vector<data::GlFiscal> fiscalPeriods(data::Store& store);

// An entry (or a whole batch, LogID 0) that stopped the posting, and why.
struct EntryFailure {
  std::uint16_t batchId = 0;
  std::int32_t logId = 0;
  std::string equipmentId;
  Date date;
  std::vector<std::string> reasons;
  // "Batch 000001, entry 12 (EX-301, 07/14/25): job 2150 does not exist"
  std::string line() const;
};

struct BatchPosted {
  std::uint16_t batchId = 0;
  int entries = 0;
  Decimal amount;  // sum of the net charges
  bool repeating = false;
};

struct PostingResult {
  bool posted = false;
  // Nothing posted: every failing entry, in batch and entry order...
  std::vector<EntryFailure> failures;
  // ...or the one reason that was not an entry's (busy company, a store failure, nothing to post).
  std::string message;

  std::vector<BatchPosted> batches;
  std::vector<std::int32_t> journals;  // journal numbers written, in order
  int entries = 0;
  int ledgerLines = 0;
  Decimal amount;
  Decimal debits, credits;  // of the ledger lines written: always equal

  // "Posted 12 entries in journal E/Q 41: 12 entries, 24 ledger lines, debits 3,410.00 =
  // credits 3,410.00" and the like, one line.
  std::string summary() const;

  // The lines the user sees when nothing was posted: one per failing entry, or the message.
  std::vector<std::string> failureLines() const;
};

// What a posting of the batches would post, for the question before it: per batch its entries
// and charges, the totals, and the entries whose units are below zero (a meter that ran
// backwards, or a correction), each named.
struct PostingPreview {
  std::vector<BatchPosted> batches;
  int entries = 0;
  Decimal amount;
  std::vector<std::string>
      negativeUnits;  // "Batch 000001, entry 12 (EX-301, 07/14/25): -4,076.00 units, -505,424.00"
  // The question: "Post 3 batches (000001, 000002, 000004): 40 entries, total charge
  // 12,345.00?" with the entries of negative units listed under it.
  std::string question() const;
};
PostingPreview previewPosting(frame::Context& ctx, const std::vector<std::uint16_t>& batchIds);

// Posts the batches `batchIds` for the signed-on user. Every entry is checked again first
// (equipment, date and fiscal period, charge and detail type, job and cost code, accounts,
// category); a batch in use by another user fails as a whole. Any failure posts nothing.
PostingResult postBatches(frame::Context& ctx, const std::vector<std::uint16_t>& batchIds);

// POSTINGCONTROL: with POSTTYPE 5 posts the batches of TAGQUE; POSTTYPE is 99 after a completed
// posting. When nothing was posted, RXQUEUE holds the failure lines and one message listing
// them is reported through the error object. Other posting types are not this module's.
void POSTINGCONTROL(frame::Context& ctx);
inline constexpr char kPOSTINGCONTROL[] = "POSTINGCONTROL";

void registerPostingControl(frame::ProcedureRegistry& registry);

// Adds to an equipment category's prior-period figures of `year` (period 0) or of one fiscal
// period of it, making the record when there is none. Posting and the demo's other journals
// both keep the category files this way.
void addCategoryPrior(data::Store& store, const std::string& equipmentId,
                      const std::string& category, int year, int period, Decimal units,
                      Decimal amount);

}  // namespace koreq::usagelog
