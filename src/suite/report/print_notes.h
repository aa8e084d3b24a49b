#pragma once

// LIMITPRINTNOTES: the notes of an entity, printed in the report frame like any report. The
// caller names the entity: KORFIELD "Equipment" and REPORTFILTER the equipment's ID (any other
// KORFIELD is a NOTE:EntityType, REPORTFILTER its NOTE:EntityID). The notes tagged in TAGQUE2
// are printed when any of the entity's notes is tagged, else all of them, in date order: a
// heading line with date, time and user, then the note's text wrapped to the column.

#include <memory>

#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
}

namespace koreq::suite {

reportframe::ReportProcedure printNotesProcedure();

// Reads the notes when the report begins; throws data::StoreError when NOTES cannot be read.
std::unique_ptr<reportframe::ReportBody> printNotesBody(frame::Context& ctx);

}  // namespace koreq::suite
