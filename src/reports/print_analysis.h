#pragma once

// The analysis reports of a saved analysis format (the format in the EQLIMITS buffer, its number
// in REPORTFILTER):
//   PrintEQAnalysis  ('A') the usage / cost analysis: a block per equipment with a line per
//                    counted cost category, its costs, income, profit and per-unit figures in
//                    three columns — cumulative (or the date range), year, month;
//   PrintEQAnalysis1 ('S') the cost summary: a line per equipment with its month, year and
//                    cumulative cost (or its one range cost) and its two billing rates.
// The bodies print bands and write the export lines; nothing is written to the files.

#include <memory>
#include <string>
#include <vector>

#include "data/records.h"
#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"
#include "reports/selection.h"

namespace koreq::frame {
class Context;
}

namespace koreq::reports {

reportframe::ReportProcedure printEqAnalysisProcedure();
std::unique_ptr<reportframe::ReportBody> printEqAnalysisBody(frame::Context& ctx);

reportframe::ReportProcedure printEqAnalysis1Procedure();
std::unique_ptr<reportframe::ReportBody> printEqAnalysis1Body(frame::Context& ctx);

// The date limit line: "Date: d" or "Dates from d to d" (a floating range always the second)
// for a range, "As Of mm/dd/yyyy" for "As of", nothing for "All".
std::string dateLimitLine(const data::EqLimits& f, const AnalysisDates& dates);

}  // namespace koreq::reports
