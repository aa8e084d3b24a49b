#pragma once

// PrintEQLogBProof: the proof listing of the unposted usage logs of the tagged batches (TAGQUE),
// limited by the format in the EQLIMITS buffer: a section per batch, the entries grouped by
// equipment and dated, with equipment, batch and grand totals of units and net charges. The
// body runs in the report frame an entry at a time; it prints bands and draws nothing.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "data/records.h"
#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
}

namespace koreq::usagelog {

// An entry the listing prints, in the order it prints them.
struct ProofRow {
  std::uint16_t batch = 0;
  std::int32_t logId = 0;
  std::string equipment;
  Date date;
};

// The entries of the tagged batches that the format lets through (its equipment range, both
// ends included, when SelectedEquipment is 1; its date range when SelectedDates is 1), sorted
// by batch, equipment and date. Throws data::StoreError when EQLOGB cannot be read.
std::vector<ProofRow> proofRows(frame::Context& ctx, const data::EqLimits& format,
                                const std::vector<std::uint16_t>& batches);

// Its name, structure, export title, PDF file name ("Log Proof List.pdf") and EQLOGB as the
// file the no-pages notice counts.
reportframe::ReportProcedure printEqLogBProofProcedure();

// The body: nothing when REPORTFILTER does not hold the LimitID of the format in the buffer.
std::unique_ptr<reportframe::ReportBody> printEqLogBProofBody(frame::Context& ctx);

}  // namespace koreq::usagelog
