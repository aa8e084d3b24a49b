#pragma once

// A report's body as the frame drives it: a record at a time, so that the progress window's
// timer events can run it a few records each and the user can cancel in between. Bodies link
// only the report engine core: they print bands and add export lines, and draw nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "reportframe/report.h"

namespace koreq::reportframe {

class ReportBody {
 public:
  virtual ~ReportBody() = default;
  // Before the first record: the body's changes to the structure (bold columns, landscape),
  // the values it shows, its export heading lines (after the frame's first three) and its
  // limit lines (RPTLIMITQ, emptied by the frame before).
  virtual void begin(Report& report) = 0;
  // Reads the next record and prints what it asks for; false when none was left.
  virtual bool next(Report& report) = 0;
  // After the last record (not after a cancel): the closing footers.
  virtual void end(Report&) {}
  // How many records next() will read, for the percentage; 0 when not known.
  virtual std::int64_t total() const { return 0; }
  // How many records the report selected, for the no-pages notice; nothing: that notice counts
  // the records of the procedure's counted file.
  virtual std::optional<std::int64_t> selected() const { return std::nullopt; }
  // The lines the export lists after "Report Parameters:"; nothing: the limit lines.
  virtual std::optional<std::vector<std::string>> exportParameters() const { return std::nullopt; }
};

}  // namespace koreq::reportframe
