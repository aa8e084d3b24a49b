#pragma once

// The frame every report procedure runs its body in: the PDF file name preset and the export
// lines begun, the run date and time, the report opened on its structure and printed into the
// page list, the no-pages notice, and the output the user chose — for now the PDF file. Runs
// without widgets; the progress window, the preview, printing, e-mail and export plug in
// through the callbacks and the output choice.

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/field.h"
#include "reportframe/pdf_writer.h"
#include "reportframe/report.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
}
namespace koreq::reportframe {

// What the user chose to do with the pages (the preview's buttons, the command line's flags).
struct OutputChoice {
  bool pdf = true;
  std::string pdfFile;  // empty: the preset PDFFILENAME; else it becomes PDFFILENAME
  int pagesPerFile = 0;
  std::string password;  // not empty: AES-256 with this user password
  bool landscape = false;
};

struct RunOutcome {
  int response = 2;  // as left in GlobalResponse: 1 completed, 2 cancelled or nothing printed
  int pages = 0;
  std::optional<Notice> notice;              // what the user was told
  std::vector<std::filesystem::path> files;  // the PDF files written
  std::string error;                         // the PDF could not be written
};

class ReportFrame {
 public:
  ReportFrame(frame::Context& ctx, ReportProcedure procedure);

  // The body prints its bands into the report and adds its export lines to RXQUEUE. A body
  // that throws ends the run (the pages are deleted) and the exception goes on to the caller.
  using Body = std::function<void(Report&)>;
  RunOutcome run(const Body& body, const OutputChoice& choice);

  // The progress window's hooks: records read while the body runs, pages while the PDF is
  // written. Each answers false when the user cancelled.
  Report::Progress progress;
  PdfReportWriter::Progress pdfProgress;

 private:
  frame::Context& ctx_;
  ReportProcedure procedure_;
};

}  // namespace koreq::reportframe
