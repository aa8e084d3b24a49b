#include "interchange/export_window.h"

#include "data/records.h"
#include "interchange/engine/export_lines.h"
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
  d.start = fileName_.str();
  d.save = true;
  std::vector<std::string> chosen = port().chooseFiles(d);
  if (chosen.empty()) return;
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
    message(kExportComplete, kCaption, ui::Icon::Information);
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
