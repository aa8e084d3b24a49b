#pragma once

// CalculateEverySchedule: the Depreciation menu's "Calculate Every Schedule" window. It stores
// the depreciation schedule of every piece of equipment, as `koreq depreciation calculate --all`
// does, a few pieces in each timer event, with a progress bar and Cancel. Cancel and the close
// box are seen between timer events, so they stop between pieces: each piece is a change of
// its own, and the schedules stored before stay.

#include <memory>

#include "depreciation/store_schedule.h"
#include "frame/registry.h"
#include "ui/model/procedure.h"

namespace koreq::equipment {

class CalculateEverySchedule final : public ui::Procedure {
 public:
  // Pieces calculated in one timer event: enough that the events cost little beside the work,
  // few enough that the window answers at once.
  static constexpr int kPiecesPerEvent = 10;

  explicit CalculateEverySchedule(frame::Context& ctx);

  void init() override;
  void takeEvent(const ui::Event& e) override;
  void timer() override;

 private:
  void showProgress();
  // Tells the user what was stored and closes the window.
  void finish();

  std::unique_ptr<depreciation::EveryScheduleRun> run_;
};

void registerEverySchedule(frame::ProcedureRegistry& registry);

}  // namespace koreq::equipment
