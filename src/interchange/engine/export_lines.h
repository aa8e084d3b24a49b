#pragma once

// The usage-log export: the text line of one unposted entry, and the writing of a batch's
// entries to a file through the work file "Export.txt" in the company folder. The window
// ExportEQLog and `koreq export` both write through exportBatch(). No Qt, no windows.
//
// A line is fifteen fields separated by single commas, no padding, no header:
//   equipment, meter start, meter end, units, charge type, detail type, GL account, job,
//   cost code, equipment charged, category, comment, date, location, employee
// Numbers are plain decimals ("1250.5", "1250", "-3.25"); a fraction keeps its leading zero
// ("0.5"), and the import reads ".5" as well. Lines end in "\n"; the import takes "\r\n" too.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "data/records.h"
#include "runtime/date.h"
#include "runtime/decimal.h"

namespace koreq::frame {
class Context;
}

namespace koreq::interchange {

// Meter readings and units: no grouping, no trailing zero places, no point for whole values.
std::string exportNumber(Decimal d);
// Month and day blank-padded to two characters, the year in four: " 3/ 5/2015", "12/ 1/2015".
// The empty date is an empty field (the import makes it today's date, as for a typed line).
std::string exportDate(Date d);
// A text field as stored (without trailing blanks). One holding a comma or a double quote is
// written in double quotes with each inner quote doubled, so that the line reads back whole;
// a line break inside a field would split the line, so it becomes a blank.
std::string exportText(std::string_view text);
// The line of one entry, without its line end. A blank charge type is one blank.
std::string exportLine(const data::EqLogB& entry);

inline constexpr char kExportWorkFileName[] = "Export.txt";
// The work file: the company's data folder (DATAPATH) followed by "Export.txt".
std::filesystem::path exportWorkFile(frame::Context& ctx);

// The operations a file error names after its error text. "Copying File" has no leading blank.
inline constexpr char kCreatingFile[] = " Creating File";
inline constexpr char kAddingExport[] = " Adding Export";
inline constexpr char kCopyingFile[] = "Copying File";

struct ExportOutcome {
  std::size_t lines = 0;            // entries of the batch written to the work file
  std::vector<std::string> errors;  // every file error reported, in order
  // The chosen file holds every entry of the batch: nothing failed on the way.
  bool complete() const { return errors.empty(); }
};

// Writes the entries of batch `batchId`, in their stored order, to `target`: the work file is
// made afresh, filled, copied to `target` and removed (also after a failure). Each file error
// is reported through the context's error object as its error text followed by the operation,
// and the export goes on with the next entry or step as far as that can still give a file; a
// work file that cannot be made is not copied, so `target` is never overwritten by a stale
// one. When `target` is the work file itself it is written in place and kept.
ExportOutcome exportBatch(frame::Context& ctx, std::uint16_t batchId,
                          const std::filesystem::path& target);
// The same through another work file (tests put it where writing fails).
ExportOutcome exportBatch(frame::Context& ctx, std::uint16_t batchId,
                          const std::filesystem::path& target,
                          const std::filesystem::path& workFile);

}  // namespace koreq::interchange
