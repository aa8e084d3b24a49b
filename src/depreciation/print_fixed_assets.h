#pragma once

// PrintFixedAssets: the stored depreciation schedule of the equipment in the EQHEADER record
// buffer — its purchase data and method, then a line a month with the charge and book value of
// every method, the amount posted, its fiscal period and ledger transaction; the chosen
// method's columns in bold. The body runs in the report frame a month at a time; it prints
// bands and adds the export lines, and draws nothing itself.

#include <memory>
#include <string>

#include "data/records.h"
#include "reportframe/report.h"
#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
}

namespace koreq::depreciation {

// LOC:SelectedMethod: "Straight Line", "Sum of Years' Digits", "Double Rate Declining Balance",
// the custom method's name ("Custom" when blank), or "Undetermined".
std::string selectedMethodName(const data::EqHeader& eq);

// The frame's values of the report: its structure, export title, PDF file name, and GLDEPR as
// the file the no-pages notice counts.
reportframe::ReportProcedure printFixedAssetsProcedure();

// The body: the schedule of the equipment in the context's EQHEADER buffer, a month a record,
// with the export lines after the frame's first three. An equipment without rows prints
// nothing. next() throws data::StoreError when GLDEPR cannot be read.
std::unique_ptr<reportframe::ReportBody> printFixedAssetsBody(frame::Context& ctx);

}  // namespace koreq::depreciation
