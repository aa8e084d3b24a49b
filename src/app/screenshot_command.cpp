// koreq screenshot PROCEDURE FILE.png: opens one window on the company, offscreen, and writes
// its picture. A window whose procedure is not registered is shown as designed. With
// --preview a report procedure runs its progress window to the end and the picture is the
// report's print preview.

#include <QApplication>
#include <QImage>
#include <QPrinter>
#include <QScreen>

#include "app/commands.h"
#include "app/loaded_module.h"
#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "ui/model/desktop.h"
#include "ui/qt/design_preview.h"
#include "ui/qt/gui_scenario.h"
#include "ui/qt/offscreen.h"
#include "ui/qt/qt_desktop.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/report_preview.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::cli {

namespace {

int requestOption(const ParsedArgs& args) {
  std::optional<std::string> r = args.value("request");
  if (!r) return 0;
  for (int known : {1, 2, 3, 4, 6})
    if (*r == std::to_string(known)) return known;
  throw UsageError("--request takes 1 (insert), 2 (change), 3 (delete), 4 (select) or 6 (view)");
}

// Nobody answers, as the scripted port; a preview is drawn into `file`, as large as the screen
// lets it be, and then closed.
class PreviewPicturePort final : public ui::ScriptedPort {
 public:
  explicit PreviewPicturePort(std::string file) : file_(std::move(file)) {}
  ui::PreviewChoice preview(const ui::PreviewRequest& request) override {
    ScriptedPort::preview(request);
    QPrinter printer;
    ui::qt::ReportPreview preview(request, printer);
    const QRect screen = QApplication::primaryScreen()->availableGeometry();
    preview.resize(preview.size().boundedTo(screen.size() - QSize(0, 30)));
    preview.show();
    QApplication::processEvents();
    preview.setZoom(request.zoom);  // a fitted zoom fits the window's final size
    QApplication::processEvents();
    written_ = ui::qt::saveWindowImage(preview, QString::fromStdString(file_), &error_);
    size_ = preview.size();
    title_ = preview.windowTitle().toStdString();
    return {};
  }
  bool written() const { return written_; }
  const std::string& error() const { return error_; }
  QSize size() const { return size_; }
  const std::string& title() const { return title_; }

 private:
  std::string file_, error_, title_;
  QSize size_;
  bool written_ = false;
};

bool hasWindowResource(const std::string& name) {
  for (const std::string& n : ui::windowDefNames())
    if (n == name) return true;
  return false;
}

}  // namespace

int runScreenshot(Invocation& inv, const ParsedArgs& args) {
  const std::string& procedure = args.positional.at(0);
  const std::string& file = args.positional.at(1);
  int request = requestOption(args);
  std::unique_ptr<frame::Session> session = inv.openSession();
  // A screenshot only draws: whatever the window writes while it opens (a delete request
  // carried out, a record primed, prompts made) runs in one transaction that is never committed.
  data::Transaction sandbox(session->store());
  if (!sandbox.begun()) throw CommandError(data::kCompanyBusyText);
  LoadedModule module;
  module.attach(*session);

  ui::qt::GuiApplication app(true);
  frame::Context ctx(*session);
  // Nobody answers: a message box takes its first button, every other dialog is cancelled.
  const bool preview = args.flag("preview");
  PreviewPicturePort port(file);
  port.setLogSink([&inv](const std::string& line) { inv.err() << "koreq: " << line << "\n"; });
  ctx.errors().setHandler([&port](const data::ErrorObject::Error& e) {
    port.message(e.message, "File Error", ui::Icon::Exclamation, "&OK", 1);
  });
  struct Unhook {
    frame::Context& ctx;
    ~Unhook() { ctx.errors().setHandler({}); }
  } unhook{ctx};
  ui::Desktop desktop(port, module.registry());
  module.equip(desktop);
  ui::qt::QtDesktop view(desktop);
  view.setRememberGeometry(false);
  view.setClockTimers(false);

  // A form shows a record: the one asked for, or for the equipment form the first one on file.
  std::optional<std::string> equipment = args.value("equipment");
  if (!equipment && procedure == windows::UpdateEQHeader::kName) {
    data::FileAccess f(session->store(), data::EqHeader::def(), session->errors());
    f.set(data::EqHeader::def().primaryKey());
    if (f.next() == data::kNoError) equipment = data::valueToText(f.get("EQH:EquipmentID"));
    if (equipment && request == 0) request = 2;
  }
  if (equipment &&
      ctx.file(data::EqHeader::def()).fetch("KeyEquipmentID", {data::Value(*equipment)}) !=
          data::kNoError)
    throw CommandError("no equipment with ID " + *equipment);
  ctx.g.GlobalRequest = request;
  if (module.registry().has(procedure)) {
    desktop.call(ctx, procedure);
  } else if (hasWindowResource(procedure)) {
    desktop.open(std::make_unique<ui::qt::DesignPreview>(ctx, ui::windowDef(procedure)));
  } else {
    throw CommandError("no procedure or window named " + procedure);
  }
  QApplication::processEvents();
  if (preview) {
    // The report's timer events, until its progress window closes and the preview shows.
    for (ui::Procedure* top = desktop.top(); top && top == desktop.top();) top->userTimer();
    if (!port.written())
      throw CommandError(port.error().empty() ? procedure + " showed no preview" : port.error());
    inv.out() << "Wrote " << file << " (" << port.size().width() << "x" << port.size().height()
              << ", " << port.title() << ")\n";
    desktop.closeAll(ui::Desktop::Unsaved::Discard);
    sandbox.rollback();
    return 0;
  }
  ui::qt::QtWindow* window = view.top();
  if (!window) throw CommandError(procedure + " opened no window");
  if (std::optional<std::string> tab = args.value("tab")) {
    ui::Control* sheet = nullptr;
    for (ui::Control* c : desktop.top()->window().controls())
      if (!sheet && c->kind() == ui::ControlKind::Sheet) sheet = c;
    const int n = std::atoi(tab->c_str());
    if (!sheet || n < 1 || n > static_cast<int>(sheet->children().size()))
      throw CommandError(procedure + " has no tab " + *tab);
    desktop.top()->userChoose(*sheet, n);
    QApplication::processEvents();
  }
  std::string why;
  if (!ui::qt::saveWindowImage(*window, QString::fromStdString(file), &why))
    throw CommandError(why);
  inv.out() << "Wrote " << file << " (" << window->width() << "x" << window->height() << ", "
            << window->windowTitle().toStdString() << ")\n";
  desktop.closeAll(ui::Desktop::Unsaved::Discard);
  sandbox.rollback();
  return 0;
}

}  // namespace koreq::cli
