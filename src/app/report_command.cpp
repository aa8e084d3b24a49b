// koreq report PROCEDURE …: runs a report procedure through the report frame, the flags
// standing for the preview's choices: the PDF (without an output flag, to the preset
// PDFFILENAME), the export file, the e-mail. Reports draw with Qt GUI's painter offscreen, so
// this runs without a display.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "app/cli.h"
#include "app/commands.h"
#include "data/access.h"
#include "data/output_file.h"
#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "reportframe/format_rules.h"
#include "reportframe/gui_app.h"
#include "reportframe/report_frame.h"
#include "reports/report_table.h"
#include "runtime/text.h"
#include "ui/model/user_port.h"
#include "usagelog/engine/batch_marks.h"

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

// The user of a report run on the command line: the preview's choice is the command's flags,
// the file dialogs take the names given, a question is answered No. What the user is told
// comes back in the run's outcome.
class CommandLineUser final : public ui::UserPort {
 public:
  ui::PreviewChoice choice;
  std::string exportFile;
  ui::MailDraft mail;

  int message(const std::string&, const std::string& caption, ui::Icon, const std::string& buttons,
              int) override {
    // The command prints where the PDF went itself.
    if (caption == "PDF Written") return 1;
    return ui::splitButtons(buttons).size() > 1 ? 2 : 1;
  }
  void beep() override {}
  ui::PreviewChoice preview(const ui::PreviewRequest&) override { return choice; }
  std::vector<std::string> chooseFiles(const ui::FileDialog& d) override {
    if (d.title == "PDF File Name and Location") return {d.start};
    if (!exportFile.empty()) return {exportFile};
    return {};
  }
  bool composeMail(ui::MailDraft& draft) override {
    draft.toAddress = mail.toAddress;
    draft.subject = mail.subject;
    return true;
  }
};

// The equipment of `id` into the context's EQHEADER buffer, or a command error.
void loadEquipment(frame::Context& ctx, const std::string& id) {
  auto& eqh = ctx.access<data::EqHeader>();
  const std::string key = clipped(id);
  if (key.empty() || charCount(key) > decltype(data::EqHeader::EquipmentID)::kLength)
    throw CommandError("'" + shortText(id) + "' is not an equipment ID");
  const int rc = eqh.fetch("EQH:KeyEquipmentID", {key});
  if (rc == data::kRecordNotFound) throw CommandError("no equipment '" + key + "'");
  if (rc != data::kNoError) throw data::StoreError(rc, eqh.lastErrorText());
}

// More pages a file than any report has; the bound keeps the file count's arithmetic whole.
constexpr int kMaxPagesPerFile = 99999;

int pagesPerFile(const ParsedArgs& args) {
  const auto text = args.value("pages-per-file");
  if (!text) return 0;
  int n = -1;
  const char* end = text->data() + text->size();
  auto [ptr, ec] = std::from_chars(text->data(), end, n);
  if (ec == std::errc::result_out_of_range ||
      (ec == std::errc() && ptr == end && n > kMaxPagesPerFile))
    throw UsageError("--pages-per-file takes 0 to " + std::to_string(kMaxPagesPerFile) +
                     " pages a file, not '" + shortText(*text) + "'");
  if (ec != std::errc() || ptr != end || n < 0)
    throw UsageError("--pages-per-file takes a number of pages (0: all in one file), not '" +
                     shortText(*text) + "'");
  return n;
}

// A name on the command line is the user's own, relative to where they are. A folder or a
// device is refused here, before a file name is made from it.
std::string userPath(const std::string& option, const std::string& given) {
  if (given.empty()) throw UsageError("--" + option + " needs a file name");
  const fs::path path(given);
  std::error_code ec;
  if (!path.has_filename() || (fs::exists(path, ec) && !fs::is_regular_file(path, ec)))
    throw CommandError(data::outputRefusal(path) + "; nothing was written");
  return fs::absolute(given).lexically_normal().string();
}

// --batches 1,2: the tag list, in the order given; a batch named twice is listed once.
std::vector<std::uint16_t> batchList(const std::string& text) {
  std::vector<std::uint16_t> batches;
  std::size_t at = 0;
  while (at <= text.size()) {
    const std::size_t comma = std::min(text.find(',', at), text.size());
    const std::string one = text.substr(at, comma - at);
    unsigned n = 0;
    auto [ptr, ec] = std::from_chars(one.data(), one.data() + one.size(), n);
    if (one.empty() || ec != std::errc() || ptr != one.data() + one.size() || n == 0 || n > 65535)
      throw UsageError("--batches takes batch numbers separated by commas, not '" +
                       shortText(text) + "'");
    if (std::find(batches.begin(), batches.end(), n) == batches.end())
      batches.push_back(static_cast<std::uint16_t>(n));
    at = comma + 1;
  }
  return batches;
}

// The format of --format TITLE or --limit-id N into the EQLIMITS buffer, its number in
// REPORTFILTER, as the format list's Print leaves them; `report` is its EQLM:Report value.
void loadFormat(frame::Context& ctx, const ParsedArgs& args, const std::string& procedure,
                const std::string& report) {
  auto& formats = ctx.access<data::EqLimits>();
  const auto title = args.value("format");
  const auto id = args.value("limit-id");
  if (title.has_value() == id.has_value())
    throw UsageError("report: " + procedure + " needs --format TITLE or --limit-id N");
  int rc = data::kRecordNotFound;
  if (id) {
    std::uint32_t n = 0;
    auto [ptr, ec] = std::from_chars(id->data(), id->data() + id->size(), n);
    if (id->empty() || ec != std::errc() || ptr != id->data() + id->size())
      throw UsageError("--limit-id takes a format number, not '" + shortText(*id) + "'");
    rc = formats.fetch("EQLM:KeyLimitID", {std::int64_t{n}});
  } else {
    rc = formats.fetch("EQLM:KeyReport", {report, clipped(*title)});
  }
  if (rc != data::kNoError && rc != data::kRecordNotFound)
    throw data::StoreError(rc, formats.lastErrorText());
  if (rc == data::kRecordNotFound || clipped(formats.rec().Report.str()) != report)
    throw CommandError("no " + (report == "Log Proof Listing" ? "proof-listing" : lower(report)) +
                       " format " + (id ? *id : "'" + shortText(*title) + "'"));
  // As the list's Print: a floating range is worked out from today.
  reportframe::resolveFloatingRange(formats.rec(), ctx.today());
  ctx.g.REPORTFILTER = std::to_string(formats.rec().LimitID);
}

std::string knownReports() {
  std::string out;
  for (const reports::ReportRow& r : reports::reportTable())
    out += (out.empty() ? "" : ", ") + std::string(r.name);
  return out + ", " + frame::kPrintEQAnalysisServer;
}

int runReport(Invocation& inv, const ParsedArgs& args) {
  const std::string& procedure = args.positional.at(0);
  const char* dispatchedFormat = reports::dispatcherFormat(procedure);
  const reports::ReportRow* row = reports::findReport(procedure);
  if (!row && !dispatchedFormat)
    throw UsageError("report: unknown report procedure '" + shortText(procedure) +
                     "' (known: " + knownReports() + ")");
  const bool needsEquipment = row && row->equipment;
  const bool needsBatches = row && row->batches;
  const std::string formatReport = dispatchedFormat ? dispatchedFormat : row->format;
  const auto equipment = args.value("equipment");
  if (needsEquipment && !equipment)
    throw UsageError("report: " + procedure + " needs --equipment ID");
  const auto batches = args.value("batches");
  if (needsBatches && !batches) throw UsageError("report: " + procedure + " needs --batches N,N…");

  CommandLineUser user;
  reportframe::PdfOptions pdf;
  pdf.pagesPerFile = pagesPerFile(args);
  if (auto file = args.value("pdf")) pdf.file = userPath("pdf", *file);
  if (auto password = args.value("password")) {
    if (password->empty()) throw UsageError("--password needs a password");
    pdf.password = *password;
  }
  if (auto watermark = args.value("watermark")) {
    if (watermark->empty()) throw UsageError("--watermark needs a text");
    pdf.watermark = *watermark;
  }
  if (auto file = args.value("export")) user.exportFile = userPath("export", *file);
  if (!pdf.file.empty() && !user.exportFile.empty()) {
    std::error_code ec1, ec2;
    if (fs::weakly_canonical(pdf.file, ec1) == fs::weakly_canonical(user.exportFile, ec2))
      throw UsageError("--pdf and --export name the same file " + pdf.file +
                       "; one would replace the other");
  }
  const auto address = args.value("email");
  const auto subject = args.value("subject");
  if (subject && !address) throw UsageError("--subject goes with --email ADDRESS");
  if (address) {
    if (address->empty()) throw UsageError("--email needs an address");
    user.mail.toAddress = *address;
    user.mail.subject = subject.value_or("");
  }
  user.choice.exportReport = !user.exportFile.empty();
  user.choice.email = address.has_value();
  user.choice.pdf = !pdf.file.empty() || (!user.choice.exportReport && !user.choice.email);
  // An option of the PDF with only an export asked for would be dropped without a word.
  if (!user.choice.pdf && !user.choice.email)
    for (const char* option : {"pages-per-file", "password", "watermark"})
      if (args.value(option))
        throw UsageError(std::string("--") + option +
                         " applies to the PDF: give --pdf FILE or --email ADDRESS with it");

  auto session = inv.openSession(!dispatchedFormat && !row->writes);
  frame::Context ctx(*session);
  // The page headers carry the company's name, as the desktop has it once a company is open.
  data::FileAccess& systems = ctx.file(data::Systems::def());
  systems.set(systems.def().primaryKey());
  if (systems.next() == data::kNoError) session->g.COMPANYNAME = systems.text("CompanyName");
  if (needsEquipment) loadEquipment(ctx, *equipment);
  if (needsBatches) {
    ctx.g.TAGQUE = batchList(*batches);
    // Another user's protected batch is listed by its owner only, as in the batch manager.
    for (std::uint16_t id : ctx.g.TAGQUE)
      if (auto b = usagelog::readBatch(ctx, id))
        if (auto refused = usagelog::ownershipRefusal(*b, ctx.userId(), usagelog::OwnedAction::Tag))
          throw CommandError("batch " + batchText(id) + " is protected by user " + b->UserID.str() +
                             "; nothing was printed");
  }
  if (!formatReport.empty()) loadFormat(ctx, args, procedure, formatReport);
  if (!row) {
    // A dispatcher: the format's report type chooses the report; a type that names none prints
    // nothing.
    const std::string chosen = frame::reportFor(procedure, ctx.rec<data::EqLimits>());
    row = reports::findReport(chosen);
    if (!row) {
      inv.err() << "format " << ctx.g.REPORTFILTER.str() << " names no report (report type '"
                << ctx.rec<data::EqLimits>().ReportType.str() << "'); nothing was printed\n";
      return 1;
    }
  }
  if (row->prepare) row->prepare(ctx);

  reportframe::ReportApplication app;
  reportframe::ReportFrame frame(ctx, row->procedure(), row->body(ctx), true);
  frame.setLandscape(args.flag("landscape"));
  frame.setPdfOptions(pdf);
  const reportframe::RunOutcome outcome = frame.finish(user);
  if (outcome.notice) {
    inv.err() << outcome.notice->caption << " " << outcome.notice->text << "\n";
    return 1;
  }
  if (!outcome.error.empty()) throw CommandError(outcome.error);
  const std::string pages =
      std::to_string(outcome.pages) + (outcome.pages == 1 ? " page" : " pages");
  if (outcome.files.size() == 1) {
    inv.out() << pages << " written to " << outcome.files.front().string() << "\n";
  } else if (!outcome.files.empty()) {
    inv.out() << pages << " written to " << outcome.files.size() << " files:\n";
    for (const fs::path& f : outcome.files) inv.out() << "  " << f.string() << "\n";
  }
  if (!outcome.mailedTo.empty()) inv.out() << "mailed to " << outcome.mailedTo << "\n";
  if (!outcome.exported.empty()) inv.out() << "exported to " << outcome.exported.string() << "\n";
  return 0;
}

}  // namespace

void installReports() {
  addCommands({
      {"report",
       "PROCEDURE [--equipment ID] [--batches N,N…] [--format TITLE | --limit-id N] "
       "[--pdf FILE] [--pages-per-file N] [--password PW] [--export FILE] "
       "[--watermark TEXT] [--email ADDRESS [--subject TEXT]] [--landscape]",
       "run a report (PrintFixedAssets --equipment: the depreciation schedule of one "
       "equipment; LIMITPRINTNOTES --equipment: its notes; PrintEQLogBProof --batches: the "
       "proof listing of those batches through a saved format; PrintEQAnalysisServer --format: "
       "the analysis, cost summary or maintenance schedule of a saved analysis format) as its "
       "preview's choices would: "
       "write its PDF (default: the report's PDF name in the company folder), export its text, "
       "mail the PDF; --pages-per-file splits the PDF into NAME_1.pdf, NAME_2.pdf… (NAME_01.pdf… "
       "from ten files on); --password encrypts it (AES-256); --watermark prints TEXT across "
       "every page",
       {"equipment", "batches", "format", "limit-id", "pdf", "pages-per-file", "password", "export",
        "email", "subject", "watermark"},
       {"landscape"},
       1,
       1,
       &runReport},
  });
}

}  // namespace koreq::cli
