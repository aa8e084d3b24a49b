#pragma once

// The frame every report procedure runs its body in, as a run that a progress window drives a
// few records per timer event (or a command runs straight through):
//
//   ReportFrame frame(ctx, procedure, std::move(body), preview);  // entry: names, strings
//   while (frame.step()) { … show frame.percent() … }             // Cancel: frame.cancel(user)
//   RunOutcome out = frame.finish(user);   // preview or print, PDF, e-mail, export, closing
//
// The user is asked everything through a ui::UserPort: the cancel questions, the notices, the
// preview and its choices, the printer, the PDF file dialog, the mail. The frame owns the page
// list: the page images are deleted when the frame goes. Nothing here needs a widget.

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "reportframe/display_strings.h"
#include "reportframe/page_images.h"
#include "reportframe/page_list.h"
#include "reportframe/pdf_writer.h"
#include "reportframe/report.h"
#include "reportframe/report_body.h"
#include "reportframe/report_procedure.h"

namespace koreq::frame {
class Context;
}
namespace koreq::ui {
class UserPort;
}

namespace koreq::reportframe {

// What the PDF gets beyond the preview's choice: the command line's file name, pages per file
// and password (the desktop leaves them off).
struct PdfOptions {
  std::string file;  // not empty: replaces the preset PDFFILENAME
  int pagesPerFile = 0;
  std::string password;   // not empty: AES-256 with this user password
  std::string watermark;  // not empty: printed across every page
};

struct RunOutcome {
  int response = 2;  // as left in GlobalResponse: 1 previewed or printed, 2 otherwise
  int pages = 0;
  std::optional<Notice> notice;              // the no-pages notice the user was shown
  std::vector<std::filesystem::path> files;  // the PDF files written
  std::filesystem::path exported;            // the export file written
  std::string mailedTo;                      // the address the PDF was mailed to
  std::string error;                         // the first failure the user was shown
};

class ReportFrame {
 public:
  // Entry: the error object's procedure name (given back when the frame goes), the display
  // strings of RPTSTRINGS.INI in the settings folder, the preview choice (GLO:PrintPreview
  // unless `preview` says), GlobalRequest and GlobalResponse cleared.
  ReportFrame(frame::Context& ctx, ReportProcedure procedure, std::unique_ptr<ReportBody> body,
              std::optional<bool> preview = std::nullopt);
  ~ReportFrame();
  ReportFrame(const ReportFrame&) = delete;
  ReportFrame& operator=(const ReportFrame&) = delete;

  const ReportProcedure& procedure() const { return procedure_; }
  const DisplayStrings& strings() const { return strings_; }
  bool previewing() const { return preview_; }
  // The progress window's title.
  const std::string& title() const;

  // Before the first step.
  void setLandscape(bool on) { landscape_ = on; }
  void setPdfOptions(PdfOptions options) { pdfOptions_ = std::move(options); }
  // Called before each PDF page instead of the user's status window ("Please Wait...") when
  // set; false cancels the PDF.
  PdfReportWriter::Progress pdfProgress;

  // One timer event: the report opened at the first (run date and time, the PDF file name and
  // the export lines preset, the output flags cleared, the body begun, the limit lines set),
  // then up to recordsPerEvent() records. False once the processing has ended. A body that
  // throws ends the run (the pages are deleted) and the exception goes on to the caller.
  bool step();
  bool processing() const { return !ended_; }
  bool opened() const { return report_ != nullptr; }
  int recordsPerEvent() const { return recordsPerEvent_; }
  std::int64_t recordsRead() const { return read_; }
  // Records read of the body's total, 0 to 100.
  int percent() const;
  // Pages finished so far.
  int pages() const { return pages_.size(); }

  // Cancel (or Escape) in the progress window: "Are you sure…?"; Yes drops to one record per
  // event and, when previewing with pages made, asks whether to preview them: Yes ends with
  // the partial preview, No ends, Ignore goes on. Not previewing, or without pages, Yes ends.
  void cancel(ui::UserPort& user);
  bool cancelled() const { return cancelled_; }
  // A step threw: the run ends without output.
  bool failed() const { return failed_; }

  // The end of the processing and the output: the preview (and printing when the user asks)
  // or direct printing, the no-pages notices, the PDF with its file dialog, the e-mail, the
  // export, GlobalResponse. Ends the processing first if it has not ended.
  RunOutcome finish(ui::UserPort& user);

 private:
  void open();
  void endReport();
  void notice(ui::UserPort& user, Notice n, RunOutcome& out);
  void fail(ui::UserPort& user, const std::string& text, const std::string& caption,
            RunOutcome& out);
  bool print(ui::UserPort& user, int copies, RunOutcome& out);
  // After a PDF the user asked for and did not view: where it went, and its folder opened on
  // request.
  void toldWhere(ui::UserPort& user, const std::vector<std::filesystem::path>& files);
  void writePdf(ui::UserPort& user, bool viewPdf, RunOutcome& out);
  void mail(ui::UserPort& user, RunOutcome& out);
  void exportLines(ui::UserPort& user, RunOutcome& out);

  class ProcedureName;
  frame::Context& ctx_;
  ReportProcedure procedure_;
  std::unique_ptr<ProcedureName> named_;
  std::unique_ptr<ReportBody> body_;
  DisplayStrings strings_;
  bool preview_ = true;
  bool landscape_ = false;
  PdfOptions pdfOptions_;

  PageList pages_;
  std::unique_ptr<PageImageWriter> images_;
  std::unique_ptr<Report> report_;
  std::string pdfFile_;  // PDFFILENAME kept whole: the global holds 260 characters
  std::int64_t read_ = 0;
  int recordsPerEvent_ = 25;
  bool ended_ = false;
  bool cancelled_ = false;
  bool partial_ = false;
  bool failed_ = false;
  bool pdfRequested_ = false;
  bool finished_ = false;
};

}  // namespace koreq::reportframe
