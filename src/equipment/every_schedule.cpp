#include "equipment/every_schedule.h"

#include "equipment/equipment_browse.h"
#include "frame/permissions.h"
#include "ui/model/desktop.h"
#include "windows/CalculateEverySchedule.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

namespace win = windows::CalculateEverySchedule;

namespace {

constexpr const char* kCaption = "Calculate Every Schedule";
// At most this many pieces that were not stored are named in the closing message.
constexpr std::size_t kNamedFailures = 10;

std::string plural(int n, const char* one, const char* many) {
  return std::to_string(n) + " " + (n == 1 ? one : many);
}

std::string summaryText(const depreciation::EveryScheduleRun& run) {
  const depreciation::EveryScheduleOutcome& out = run.outcome();
  std::string text = out.cancelled ? "Cancelled after " + std::to_string(run.done()) + " of " +
                                         plural(out.pieces, "piece", "pieces") + " of equipment: "
                                   : plural(out.pieces, "piece", "pieces") + " of equipment: ";
  text += plural(out.stored, "schedule", "schedules") + " stored (" +
          plural(out.written, "row", "rows") + " written, " + std::to_string(out.deleted) +
          " outside the schedule deleted)";
  if (!out.notStored.empty()) {
    text += ", " + std::to_string(out.notStored.size()) + " not stored:";
    for (std::size_t i = 0; i < out.notStored.size() && i < kNamedFailures; ++i)
      text += "|" + out.notStored[i].first + ": " + out.notStored[i].second;
    if (out.notStored.size() > kNamedFailures)
      text += "|... and " + std::to_string(out.notStored.size() - kNamedFailures) + " more";
  } else {
    text += ".";
  }
  if (out.cancelled) text += "|The schedules stored before Cancel stay.";
  return text;
}

}  // namespace

CalculateEverySchedule::CalculateEverySchedule(frame::Context& ctx)
    : ui::Procedure(ctx, win::kName) {}

void CalculateEverySchedule::init() {
  ctx().errors().setProcedure(windows::UpdateEQHeader::kName);
  const frame::UserPermissions user = frame::readUserPermissions(ctx());
  if (user.found && !user.changeEquipment) {
    port().beep();
    message(kAccessDenied, "Access Denied", ui::Icon::Exclamation);
    close();
    return;
  }
  try {
    run_ = std::make_unique<depreciation::EveryScheduleRun>(ctx());
  } catch (const data::StoreError& e) {
    message(std::string("The equipment could not be read: ") + e.what(), kCaption,
            ui::Icon::Exclamation);
    close();
    return;
  }
  showProgress();
  setTimer(1);
}

void CalculateEverySchedule::timer() {
  if (!run_ || closing()) return;
  for (int i = 0; i < kPiecesPerEvent && !run_->finished(); ++i) run_->step();
  showProgress();
  if (run_->finished()) finish();
}

// Cancel, Escape and the close box stop the run before the next piece.
void CalculateEverySchedule::takeEvent(const ui::Event& e) {
  const bool stop = (e.kind == ui::EventKind::Accepted && e.control->is(win::CANCEL)) ||
                    e.kind == ui::EventKind::CloseWindow;
  if (stop && run_ && !run_->finished()) {
    run_->cancel();
    finish();
    cycle();
    return;
  }
  ui::Procedure::takeEvent(e);
}

void CalculateEverySchedule::showProgress() {
  const int count = run_->count(), done = run_->done();
  const int percent = count == 0 ? 100 : static_cast<int>(std::int64_t{done} * 100 / count);
  control(win::PROGRESS).setValue(std::int64_t{percent});
  control(win::MESSAGE)
      .setText(done < count
                   ? "Equipment " + std::to_string(done + 1) + " of " + std::to_string(count) +
                         ": " + run_->nextId()
                   : "Equipment " + std::to_string(count) + " of " + std::to_string(count));
}

void CalculateEverySchedule::finish() {
  setTimer(0);
  const depreciation::EveryScheduleOutcome& out = run_->outcome();
  message(summaryText(*run_), kCaption,
          out.notStored.empty() ? ui::Icon::Information : ui::Icon::Exclamation);
  setResponse(out.cancelled ? ui::Response::Cancelled : ui::Response::Completed);
  run_.reset();
  close();
}

void registerEverySchedule(frame::ProcedureRegistry& registry) {
  ui::registerWindow<CalculateEverySchedule>(registry, win::kName);
}

}  // namespace koreq::equipment
