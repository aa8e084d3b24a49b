#include "reportframe/progress_window.h"

#include <exception>

#include "ui/model/desktop.h"
#include "windows/ReportProgress.h"

namespace koreq::reportframe {

namespace win = windows::ReportProgress;

ReportProgressWindow::ReportProgressWindow(frame::Context& ctx, ReportProcedure procedure,
                                           BodyFactory body)
    : ui::Procedure(ctx, procedure.name, ui::windowDef(win::kName)),
      procedure_(std::move(procedure)),
      makeBody_(std::move(body)) {
  bindLocal("LOC:Percent", percent_);
  bindLocal("LOC:UserText", userText_);
  bindLocal("LOC:PctText", pctText_);
}

ReportProgressWindow::~ReportProgressWindow() = default;

void ReportProgressWindow::init() {
  // Made here, once the window has taken the error object's procedure name of its caller, so
  // that the run gives it back in the right order.
  frame_ = std::make_unique<ReportFrame>(ctx(), procedure_, makeBody_(ctx()));
  setTitle(frame_->title());
  userText_ = frame_->strings().ProgWinUsrText;
  showPercent();
  setTimer(1);
}

void ReportProgressWindow::showPercent() {
  percent_ = frame_->percent();
  pctText_ = std::to_string(percent_) + frame_->strings().ProgWinPctText;
}

void ReportProgressWindow::timer() {
  if (done_) return;
  try {
    frame_->step();
  } catch (const std::exception& e) {
    message(e.what(), frame_->title(), ui::Icon::Exclamation, frame_->strings().ButtonOk);
  }
  showPercent();
  if (!frame_->processing()) {
    done_ = true;
    setTimer(0);
    close();
  }
}

void ReportProgressWindow::askCancel() {
  if (done_) return;
  frame_->cancel(port());
  if (!frame_->processing()) {
    done_ = true;
    setTimer(0);
    close();
  }
}

void ReportProgressWindow::accepted(ui::Control& c) {
  if (c.is(win::Progress_Cancel)) askCancel();
}

void ReportProgressWindow::alertKey(ui::Control&, ui::Key key) {
  if (key != ui::Key::Escape) return;
  askCancel();
  cycle();
}

void ReportProgressWindow::takeEvent(const ui::Event& e) {
  // The close box is a Cancel: the window goes only when the processing has ended.
  if (e.kind == ui::EventKind::CloseWindow && !done_) {
    askCancel();
    if (!done_) return;
  }
  ui::Procedure::takeEvent(e);
}

void ReportProgressWindow::kill() {
  setTimer(0);
  if (!frame_) return;
  const RunOutcome out = frame_->finish(port());
  setResponse(out.response == 1 ? ui::Response::Completed : ui::Response::Cancelled);
  frame_.reset();  // the page images go, and the error object's procedure name comes back
}

void registerReport(frame::ProcedureRegistry& registry, ReportProcedure procedure,
                    BodyFactory body) {
  std::string name = procedure.name;
  ui::registerWindow(registry, std::move(name),
                     [procedure = std::move(procedure), body = std::move(body)](
                         frame::Context& ctx) -> std::unique_ptr<ui::Procedure> {
                       return std::make_unique<ReportProgressWindow>(ctx, procedure, body);
                     });
}

}  // namespace koreq::reportframe
