#pragma once

// The progress window a report procedure runs in: a bar, the message line, the percentage and
// Cancel. Its timer events drive the report frame a few records each; Cancel, Escape and the
// close box ask the frame's cancel questions between two events. When the processing ends the
// window closes and the frame's output follows (preview or printing, PDF, e-mail, export).

#include <functional>
#include <memory>

#include "frame/registry.h"
#include "reportframe/report_body.h"
#include "reportframe/report_frame.h"
#include "ui/model/procedure.h"

namespace koreq::reportframe {

using BodyFactory = std::function<std::unique_ptr<ReportBody>(frame::Context&)>;

class ReportProgressWindow final : public ui::Procedure {
 public:
  ReportProgressWindow(frame::Context& ctx, ReportProcedure procedure, BodyFactory body);
  ~ReportProgressWindow() override;

  // The run, once the window is open.
  ReportFrame* reportFrame() const { return frame_.get(); }

  void init() override;
  void takeEvent(const ui::Event& e) override;
  void accepted(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void timer() override;
  void kill() override;

 private:
  void askCancel();
  void showPercent();

  ReportProcedure procedure_;
  BodyFactory makeBody_;
  std::unique_ptr<ReportFrame> frame_;
  std::int64_t percent_ = 0;
  std::string userText_, pctText_;
  bool done_ = false;  // the processing has ended: the window closes
};

// Registers a report procedure under its name: running it opens the progress window over a
// new run of the body made by `body` for the caller's context.
void registerReport(frame::ProcedureRegistry& registry, ReportProcedure procedure,
                    BodyFactory body);

}  // namespace koreq::reportframe
