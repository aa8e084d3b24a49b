#include "reportframe/report_frame.h"

#include <algorithm>

#include "data/access.h"
#include "frame/context.h"
#include "frame/module.h"
#include "runtime/text.h"
#include "suite/pdfemailer.h"
#include "suite/reportexport.h"
#include "ui/model/user_port.h"

namespace koreq::reportframe {

namespace fs = std::filesystem;

namespace {

constexpr int kRecordsPerEvent = 25;
constexpr std::size_t kLimitLinesPrinted = 10;
constexpr const char* kPdfDialogTitle = "PDF File Name and Location";
constexpr const char* kPdfDialogFilter = "PDF Files|*.pdf|All Files|*.*";
constexpr const char* kViewPdfText = "Do you wish to view the PDF file when it is created?";
constexpr const char* kViewPdfCaption = "View PDF?";
constexpr const char* kPdfWrittenCaption = "PDF Written";
constexpr const char* kPdfCaption = "Generate PDF File";
constexpr const char* kMailCaption = "Email Report (pdf)";

ui::PreviewZoom zoomOf(std::int64_t previewZoom) {
  switch (previewZoom) {
    case 1:
      return ui::PreviewZoom::PageWidth;
    case 2:
      return ui::PreviewZoom::WholePage;
    default:
      return ui::PreviewZoom::Normal;
  }
}

std::vector<std::string> pageNames(const std::vector<fs::path>& files) {
  std::vector<std::string> names;
  names.reserve(files.size());
  for (const fs::path& f : files) names.push_back(f.string());
  return names;
}

}  // namespace

// Puts the error object's procedure name back however the run ends.
class ReportFrame::ProcedureName {
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

ReportFrame::ReportFrame(frame::Context& ctx, ReportProcedure procedure,
                         std::unique_ptr<ReportBody> body, std::optional<bool> preview)
    : ctx_(ctx),
      procedure_(std::move(procedure)),
      named_(std::make_unique<ProcedureName>(ctx.errors(), procedure_.name)),
      body_(std::move(body)) {
  const std::string folder = clipped(ctx_.session().g.INIPATH.str());
  strings_ = loadDisplayStrings(
      (folder.empty() ? frame::defaultSettingsFolder() : fs::path(folder)) / kDisplayStringsFile);
  preview_ = preview.value_or(ctx_.session().g.PrintPreview != 0);
  ctx_.g.GlobalRequest = 0;
  ctx_.g.GlobalResponse = 0;
}

// The report goes before the page images it prints into, and they before the page list.
ReportFrame::~ReportFrame() {
  report_.reset();
  images_.reset();
}

const std::string& ReportFrame::title() const {
  return preview_ ? strings_.ProgWinTitlePrvw : strings_.ProgWinTitlePrnt;
}

void ReportFrame::open() {
  images_ = std::make_unique<PageImageWriter>(pages_);
  report_ = std::make_unique<Report>(procedure_.structureDef(), *images_);
  pdfFile_ = startRun(ctx_, procedure_, *report_);
  if (!pdfOptions_.file.empty()) ctx_.g.PDFFILENAME = pdfFile_ = pdfOptions_.file;
  ctx_.g.EMAILME = 0;
  ctx_.g.EXPORTME = 0;
  pdfRequested_ = false;
  ctx_.g.RPTLIMITQ.clear();
  if (landscape_) report_->setLandscape();
  body_->begin(*report_);
  // The footer has room for ten limit lines; the others are neither printed nor exported.
  const auto& limits = ctx_.g.RPTLIMITQ;
  for (std::size_t i = 0; i < kLimitLinesPrinted; ++i)
    report_->setValue("LIMIT" + std::to_string(i + 1),
                      i < limits.size() ? clipped(limits[i]) : std::string());
}

bool ReportFrame::step() {
  if (ended_) return false;
  try {
    if (!report_) open();
    for (int i = 0; i < recordsPerEvent_; ++i) {
      if (!body_->next(*report_)) {
        body_->end(*report_);
        ended_ = true;
        break;
      }
      ++read_;
    }
  } catch (...) {
    ended_ = cancelled_ = failed_ = true;
    throw;
  }
  return !ended_;
}

int ReportFrame::percent() const {
  const std::int64_t total = body_->total();
  if (total <= 0) return ended_ ? 100 : 0;
  return static_cast<int>(std::min<std::int64_t>(100, read_ * 100 / total));
}

void ReportFrame::cancel(ui::UserPort& user) {
  if (ended_) return;
  if (user.message(strings_.CancelAreYouSureText, strings_.CancelAreYouSureTitle,
                   ui::Icon::Exclamation, strings_.ButtonYesNo) != 1)
    return;
  recordsPerEvent_ = 1;
  if (preview_ && !pages_.empty()) {
    const int answer = user.message(strings_.CancelPrvwPartialText, strings_.CancelPrvwPartialTitle,
                                    ui::Icon::Question, strings_.ButtonYesNoIgnore);
    if (answer == 3) return;  // Ignore: on with the report, a record per event
    partial_ = answer == 1;
  }
  ended_ = cancelled_ = true;
}

void ReportFrame::endReport() {
  if (report_) report_->endReport();
}

void ReportFrame::notice(ui::UserPort& user, Notice n, RunOutcome& out) {
  user.message(n.text, n.caption, ui::Icon::Information, strings_.ButtonOk);
  out.notice = std::move(n);
}

void ReportFrame::fail(ui::UserPort& user, const std::string& text, const std::string& caption,
                       RunOutcome& out) {
  user.message(text, caption, ui::Icon::Exclamation, strings_.ButtonOk);
  if (out.error.empty()) out.error = text;
}

bool ReportFrame::print(ui::UserPort& user, int copies, RunOutcome& out) {
  const std::string error =
      user.printPages({procedure_.name, pageNames(pages_.files()), std::max(1, copies)});
  if (error.empty()) return true;
  fail(user, error, strings_.ProgWinTitlePrnt, out);
  return false;
}

RunOutcome ReportFrame::finish(ui::UserPort& user) {
  RunOutcome out;
  if (finished_ || failed_) return out;
  finished_ = true;
  while (step()) {
  }

  // The end of the processing.
  const auto counted = [&]() -> std::int64_t {
    if (const std::optional<std::int64_t> n = body_->selected()) return *n;
    return procedure_.countedFile ? ctx_.file(*procedure_.countedFile).records() : 0;
  };
  bool shown = false;
  if (preview_ && (!cancelled_ || partial_)) {
    endReport();
    if (!pages_.empty()) {
      const ui::PreviewChoice choice =
          user.preview({procedure_.exportTitle, pageNames(pages_.files()),
                        zoomOf(ctx_.session().g.PreviewZoom)});
      shown = true;
      ctx_.g.EXPORTME = choice.exportReport ? 1 : 0;
      ctx_.g.EMAILME = choice.email ? 1 : 0;
      pdfRequested_ = choice.pdf;
      if (choice.print) print(user, choice.copies, out);
    } else {
      notice(user, nothingToPrint(counted()), out);
    }
  } else if (preview_) {
    if (!opened()) notice(user, nothingToPrint(counted()), out);
  } else if (cancelled_) {
    pages_.clear();  // Escape while printing directly: nothing goes to the printer
  } else if (!opened()) {
    notice(user, {strings_.NothingToPrntTitle, strings_.NothingToPrntText}, out);
  } else {
    endReport();
    if (!pages_.empty())
      shown = print(user, 1, out);
    else
      notice(user, {strings_.NothingToPrntTitle, strings_.NothingToPrntText}, out);
  }
  out.pages = pages_.size();

  // The PDF and the e-mail.
  bool viewPdf = false;
  if (ctx_.g.EMAILME) {
    pdfRequested_ = true;
  } else if (pdfRequested_) {
    const std::vector<std::string> chosen =
        user.chooseFiles({kPdfDialogTitle, kPdfDialogFilter, pdfFile_, true, false});
    if (chosen.empty()) {
      pdfRequested_ = false;
    } else {
      pdfFile_ = chosen.front();
      ctx_.g.PDFFILENAME = pdfFile_;
      viewPdf = user.message(kViewPdfText, kViewPdfCaption, ui::Icon::Exclamation, "&Yes|&No") == 1;
    }
  }
  if (!pages_.empty() && pdfRequested_) writePdf(user, viewPdf, out);
  if (!out.files.empty() && ctx_.g.EMAILME) mail(user, out);

  // The closing: the export, then the response.
  if (ctx_.g.EXPORTME) exportLines(user, out);

  // A cancelled run, or one without pages, answers "cancelled" even though it got this far:
  // the caller is never told a report was made when none was.
  out.response = shown ? 1 : 2;
  ctx_.g.GlobalResponse = out.response;
  return out;
}

void ReportFrame::mail(ui::UserPort& user, RunOutcome& out) {
  ui::MailDraft draft{clipped(ctx_.g.MMToAddress.str()), clipped(ctx_.g.MMToName.str()),
                      clipped(ctx_.g.MMSubject.str()), suite::userMessageText(ctx_)};
  if (draft.subject.empty()) draft.subject = procedure_.exportTitle;
  if (!user.composeMail(draft)) return;  // the PDF stays written
  ctx_.g.MMToAddress = draft.toAddress;
  ctx_.g.MMToName = draft.toName;
  ctx_.g.MMSubject = draft.subject;
  const std::string error = suite::PDFEMAILER(ctx_, out.files, draft.toAddress, draft.toName,
                                              draft.subject, draft.message);
  if (!error.empty())
    fail(user, error, kMailCaption, out);
  else
    out.mailedTo = draft.toAddress;
}

void ReportFrame::exportLines(ui::UserPort& user, RunOutcome& out) {
  std::vector<std::string>& rx = ctx_.g.RXQUEUE;
  rx.push_back("");
  rx.push_back("Report Parameters:");
  if (auto own = body_->exportParameters()) {
    rx.insert(rx.end(), own->begin(), own->end());
  } else {
    const auto& limits = ctx_.g.RPTLIMITQ;
    for (std::size_t i = 0; i < limits.size() && i < kLimitLinesPrinted; ++i)
      if (!clipped(limits[i]).empty()) rx.push_back(clipped(limits[i]));
  }
  std::string error;
  out.exported = suite::REPORTEXPORT(ctx_, user, procedure_.exportTitle, &error);
  if (!error.empty() && out.error.empty()) out.error = error;
}

void ReportFrame::toldWhere(ui::UserPort& user, const std::vector<fs::path>& files) {
  if (files.empty()) return;
  const fs::path folder = files.front().parent_path();
  const std::string text = files.size() == 1
                               ? "The PDF file was written to|" + files.front().string()
                               : "The " + std::to_string(files.size()) +
                                     " PDF files were written to the folder|" + folder.string();
  if (user.message(text, kPdfWrittenCaption, ui::Icon::Information, "&OK|Open &Folder", 1) != 2)
    return;
  const int rc = user.openDocument(folder.string());
  if (rc != ui::kOpened)
    user.message(ui::openResultText(rc) + "|" + folder.string(), kPdfWrittenCaption,
                 ui::Icon::Exclamation, "&OK", 1);
}

void ReportFrame::writePdf(ui::UserPort& user, bool viewPdf, RunOutcome& out) {
  PdfReportWriter pdf;
  pdf.init({}, pdfOptions_.pagesPerFile, pdfFile_);
  pdf.setPaper(report_->def().paper, report_->orientation());
  if (!pdfOptions_.password.empty()) {
    pdf.security.level = PdfEncryption::Aes256;
    pdf.security.userPassword = pdfOptions_.password;
  }
  pdf.watermark.text = pdfOptions_.watermark;
  // The writer's own status window; its Cancel asks before the PDF is given up.
  pdf.setProgress(pdfProgress ? pdfProgress : [&user](int page, int count) {
    if (user.showProgress("Please Wait...", "Generating PDF",
                          "Page " + std::to_string(page) + " of " + std::to_string(count),
                          count > 0 ? page * 100 / count : 0))
      return true;
    return user.message("Do you wish to Cancel the PDF Generation?", "Cancel PDF?",
                        ui::Icon::Question, "&Yes|&No") != 1;
  });
  const int produced = pdf.generate(pages_.files(), pdfOptions_.pagesPerFile, true);
  user.endProgress();
  if (produced != 1) {
    if (!pdf.cancelled())
      fail(user, pdf.error().empty() ? "The PDF file was not written." : pdf.error(), kPdfCaption,
           out);
    return;
  }
  out.files = pdf.producedFiles();
  if (!viewPdf) {
    // The preview has closed: say where the PDF went (a mailed one the mail dialog names).
    if (!ctx_.g.EMAILME) toldWhere(user, out.files);
    return;
  }
  for (const fs::path& f : out.files) {
    const int rc = user.openDocument(f.string());
    if (rc != ui::kOpened) fail(user, ui::openResultText(rc) + "|" + f.string(), kPdfCaption, out);
  }
}

}  // namespace koreq::reportframe
