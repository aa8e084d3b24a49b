#include "reportframe/report_frame.h"

#include "data/access.h"
#include "frame/context.h"
#include "reportframe/page_images.h"
#include "reportframe/page_list.h"
#include "runtime/text.h"

namespace koreq::reportframe {

namespace fs = std::filesystem;

namespace {

// Puts the error object's procedure name back however the run ends.
class ProcedureName {
 public:
  ProcedureName(data::ErrorObject& errors, std::string name)
      : errors_(errors), saved_(errors.procedure()) {
    errors_.setProcedure(std::move(name));
  }
  ~ProcedureName() { errors_.setProcedure(saved_); }
  ProcedureName(const ProcedureName&) = delete;
  ProcedureName& operator=(const ProcedureName&) = delete;

 private:
  data::ErrorObject& errors_;
  std::string saved_;
};

}  // namespace

ReportFrame::ReportFrame(frame::Context& ctx, ReportProcedure procedure)
    : ctx_(ctx), procedure_(std::move(procedure)) {}

RunOutcome ReportFrame::run(const Body& body, const OutputChoice& choice) {
  ProcedureName named(ctx_.errors(), procedure_.name);
  RunOutcome outcome;
  ctx_.g.GlobalRequest = 0;
  ctx_.g.GlobalResponse = 0;

  PageList pages;
  PageImageWriter images(pages);
  Report report(reportDef(procedure_.structure), images);
  std::string pdfFile = startRun(ctx_, procedure_, report);
  if (choice.landscape) report.setLandscape();
  report.setProgress(progress);

  body(report);
  report.endReport();
  outcome.pages = pages.size();

  if (report.cancelled()) {
    outcome.response = 2;
  } else if (pages.empty()) {
    std::int64_t records = 0;
    if (procedure_.countedFile) records = ctx_.file(*procedure_.countedFile).records();
    outcome.notice = nothingToPrint(records);
    outcome.response = 2;
  } else {
    outcome.response = 1;
    if (choice.pdf) {
      if (!choice.pdfFile.empty()) ctx_.g.PDFFILENAME = pdfFile = choice.pdfFile;
      PdfReportWriter pdf;
      pdf.init({}, choice.pagesPerFile, pdfFile);
      pdf.setPaper(report.def().paper, report.orientation());
      if (!choice.password.empty()) {
        pdf.security.level = PdfEncryption::Aes256;
        pdf.security.userPassword = choice.password;
      }
      pdf.setProgress(pdfProgress);
      if (pdf.generate(pages.files(), choice.pagesPerFile, true) == 1)
        outcome.files = pdf.producedFiles();
      else if (!pdf.cancelled())
        outcome.error = pdf.error().empty() ? "The PDF file was not written." : pdf.error();
    }
  }
  ctx_.g.GlobalResponse = outcome.response;
  return outcome;
}

}  // namespace koreq::reportframe
