#pragma once

// The suite's small list editors the equipment windows call:
//
// UPDATEDROPLIST edits the values of the drop list named in REPORTFILTER ("EQH Class Code"):
// add the value typed, change the highlighted value to it, delete the highlighted value. It
// answers completed when the list changed, else cancelled, so a caller may refill its combo
// either way.
//
// BROWSELIMLISTUD lists the LIMLIST rows of one report format (KORFIELD the tag, "EQLimits";
// DECIMALVARIABLE the format's number; REPORTFILTER the file name, "EQHeaderUD") with the
// user-defined field's prompt, and inserts, changes and deletes them through UPDATELIMLISTUD.

#include <cstdint>
#include <string>
#include <vector>

#include "frame/registry.h"
#include "suite/limit_list.h"
#include "ui/model/form_procedure.h"
#include "ui/model/procedure.h"

namespace koreq::suite {

// The first value of `values` that equals `value` without regard to case or trailing blanks;
// -1 when none does.
int findValueNoCase(const std::vector<std::string>& values, std::string_view value);

// ---- UPDATEDROPLIST ---------------------------------------------------------------------------

class DropListEditor final : public ui::Procedure {
 public:
  explicit DropListEditor(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;

  const std::string& listName() const { return listName_; }
  bool changed() const { return changed_; }

 private:
  void fill(const std::string& highlight);
  std::string highlighted() const;
  std::string typed() const;
  void add();
  void change();
  void remove();

  ui::QueueListModel rows_;
  std::string listName_;
  Str<30> entry_;
  bool changed_ = false;
};

// ---- BROWSELIMLISTUD and UPDATELIMLISTUD ------------------------------------------------------

class LimitListBrowse final : public ui::Procedure {
 public:
  explicit LimitListBrowse(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;

 private:
  void fill(std::int64_t highlightId);
  // Loads the highlighted row into the LIMLIST buffer; false when none is highlighted or the
  // row is gone.
  bool loadCurrent();
  void ask(ui::Request request);
  void updateButtons();

  ui::QueueListModel rows_;
  std::vector<std::string> prompts_;
  std::string tag_, fileName_;
  std::uint32_t limitId_ = 0;
  bool valid_ = false;
};

class LimitForm final : public ui::FormProcedure {
 public:
  explicit LimitForm(frame::Context& ctx);

  void init() override;
  void completed() override;
};

// Registers UPDATEDROPLIST, BROWSELIMLISTUD and UPDATELIMLISTUD.
void registerDropListForms(frame::ProcedureRegistry& registry);

}  // namespace koreq::suite
