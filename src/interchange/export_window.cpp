#include "interchange/export_window.h"

#include <filesystem>
#include <system_error>

#include "data/records.h"
#include "interchange/engine/export_lines.h"
#include "interchange/engine/file_folders.h"
#include "interchange/engine/import_run.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"
#include "windows/ExportEQLog.h"

namespace koreq::interchange {

namespace win = windows::ExportEQLog;

namespace {
constexpr char kCaption[] = "Equipment Log Export";
}  // namespace

ExportWindow::ExportWindow(frame::Context& ctx, equipment::AutoEntry& autoEntry)
    : ui::Procedure(ctx, win::kName), autoEntry_(autoEntry) {
  bindLocal("ExportFilename", fileName_);
  bindLocal("PreviewFile", preview_);
}

void ExportWindow::init() {
  autoEntry_.registerControl(name(), win::ExportFilename);
  // The window names the batch it writes, so the user knows which one the file will hold.
  if (const std::uint16_t batch = ctx().rec<data::EqBatch>().BatchID; batch != 0)
    setTitle(std::string(kCaption) + " - " + batchTitle(ctx(), batch));
  select(win::ExportFilename);
}

void ExportWindow::accepted(ui::Control& c) {
  if (c.is(win::LOOKUPFILE)) {
    chooseFile();
  } else if (c.is(win::PROCEED)) {
    proceed();
  }
}

void ExportWindow::chooseFile() {
  ui::FileDialog d;
  d.title = kExportDialogTitle;
  d.filter = kExportDialogFilter;
  const std::filesystem::path ini = settingsFile(ctx());
  d.start = fileName_.empty() || !std::filesystem::path(fileName_.str()).is_absolute()
                ? (dialogFolder(ini) / fileName_.str()).string()
                : fileName_.str();
  d.save = true;
  std::vector<std::string> chosen = port().chooseFiles(d);
  if (chosen.empty()) return;
  rememberDialogFolder(ini, chosen.front());
  // A longer name would be cut to another file's name: refused instead.
  if (charCount(chosen.front()) > decltype(fileName_)::kLength) {
    message("The file name is longer than 255 characters.|" + chosen.front(), kCaption,
            ui::Icon::Exclamation);
    return;
  }
  fileName_ = chosen.front();
  display();
  select(win::ExportFilename);
}

void ExportWindow::proceed() {
  // The name in the entry counts even when the user did not leave it.
  if (!update()) return;
  const std::string file = fileName_.str();
  if (file.empty()) {
    select(win::ExportFilename);
    return;
  }
  // Opened from the menu there is no highlighted batch: an empty file would pass for a batch
  // without entries.
  const std::uint16_t batch = ctx().rec<data::EqBatch>().BatchID;
  if (batch == 0) {
    message(kNoBatchToExport, kCaption, ui::Icon::Exclamation);
    return;
  }
  port().setWaitCursor(true);
  const ExportOutcome out = exportBatch(ctx(), batch, file);
  port().setWaitCursor(false);
  // Each failure was shown as it happened; the window stays for another name or a retry.
  if (!out.complete()) {
    select(win::ExportFilename);
    return;
  }
  if (preview_ != 0) {
    const int opened = port().openDocument(file);
    if (opened != ui::kOpened)
      message(std::string(kExportComplete) + "|" + ui::openResultText(opened) + ": " + file,
              kCaption, ui::Icon::Exclamation);
  } else {
    // Where the file went, in full: a bare name lands in the program's working folder.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(file, ec);
    message(std::string(kExportComplete) + "|" + (ec ? file : whole.lexically_normal().string()),
            kCaption, ui::Icon::Information);
  }
  setResponse(ui::Response::Completed);
  close();
}

void registerExport(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared) {
  ui::registerWindow(registry, win::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<ExportWindow>(ctx, shared.autoEntry);
  });
}

}  // namespace koreq::interchange
