#pragma once

// A form over one record of its primary file, run with the request in GlobalRequest: insert
// primes a new record, change edits the record in the buffer, delete removes it, view shows it
// read-only. OK accepts every control (accept-all), checks the required entries, then inserts,
// updates or deletes the record and closes with GlobalResponse completed; Cancel closes with
// cancelled. Escape or the close box on a form with changes asks "Save changes?": Yes presses
// OK (the form stays open when the save is refused), No closes, Cancel goes back to the form.

#include <functional>
#include <string_view>
#include <vector>

#include "ui/model/procedure.h"

namespace koreq::ui {

class FormProcedure : public Procedure {
 public:
  FormProcedure(frame::Context& ctx, std::string name, const data::FileDef& primary,
                const WindowDef& def);
  // The window resource of the same name.
  FormProcedure(frame::Context& ctx, std::string name, const data::FileDef& primary);

  data::FileAccess& primary() const { return ctx().file(primaryDef_); }

  // The window title for the request; a delete takes the change title unless given its own.
  void setTitleByRequest(const std::string& insert, const std::string& change,
                         const std::string& view, const std::string& del = {});

  // Whether the record or any entry differs from what the form showed when it opened (or was
  // last marked unchanged), text typed but not yet accepted included.
  bool changed() const;

 protected:
  void prepare() override;
  void ready() override;
  void standardEvent(const Event& e) override;
  void standardAction(Control& button, StandardAction action) override;
  void standardKey(Control& c, Key key) override;
  void opened() override;
  void actionStarts() override;
  bool mayLeave() override;

  // What the form shows now counts as unchanged (a form that stays open on a fresh record after
  // a save).
  void markUnchanged();
  // Whether the save running was asked for by leaving the form (Escape or the close box,
  // answered Yes): a form that would stay open after its save closes instead.
  bool leavingAfterSave() const { return leaving_; }

  // Whether a delete request removes the record as the form opens, without showing it (the
  // list has asked the user already).
  virtual bool deleteAtOpen() const { return true; }
  // Writes the record by request; false (and the form stays open) when the file refused it.
  // File errors are reported through the error object.
  virtual bool save();
  // Runs `work` — the record's save and what must be written with it — as one change: a company
  // another workstation holds is said so and nothing is written; `work` answering false rolls
  // everything back; a commit that fails is reported as "<error> <action> <file>".
  bool saveTogether(const std::function<bool()>& work, std::string_view action);
  // Every required entry that is shown and enabled must be non-blank: the first blank one gets
  // a message and the focus.
  bool checkRequired();

 private:
  const data::FileDef& primaryDef_;
  std::vector<data::Value> record_;
  std::vector<std::pair<const Control*, data::Value>> entries_;
  bool leaving_ = false;
};

}  // namespace koreq::ui
