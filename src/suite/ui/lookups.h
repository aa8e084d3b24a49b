#pragma once

// The select lists of the sibling modules that the equipment windows call: accounts and
// fiscal periods (KORGL), jobs and cost codes (KORJC), employees and certifications (KORPR),
// and the job search by name. Each is called with the select request: Select (or a double
// click) leaves the chosen record in the file's buffer and answers completed (1); Close
// answers cancelled (2).

#include <filesystem>
#include <string>
#include <vector>

#include "frame/registry.h"
#include "ui/model/browse_procedure.h"

namespace koreq::suite {

// A select list over one file in the order of one key. The record in the file's buffer when it
// opens (a primed account or period) is highlighted, or the first one after it. The locator
// (?LOCATOR) finds by the column the list is sorted by, so clicking the Description header
// locates by description; ?SEARCHTEXT with ?FIND finds the next row holding the text in any
// column, code and description alike.
class LookupList : public ui::BrowseProcedure {
 public:
  LookupList(frame::Context& ctx, std::string name, const data::FileDef& file,
             std::string_view key);

 protected:
  void init() override;
  void ready() override;
  void accepted(ui::Control& c) override;

  // The leading key values the list is limited to (none: the whole file).
  void limitTo(std::vector<data::Value> equal);

 private:
  void highlightBuffer();
  void find();

  const data::KeyDef& key_;
  std::vector<data::Value> range_;
  Str<40> searchText_;
};

// BROWSEJCCOST: the cost codes of the job in JCC:JobID (every job's when it is blank).
class BrowseJcCost final : public LookupList {
 public:
  explicit BrowseJcCost(frame::Context& ctx);

 protected:
  void init() override;
};

// SELECTJOBBYNAME: the lines of RXQUEUE, each a job ID, " - " and the job's name, in the order
// given. Select puts the chosen line first in RXQUEUE (the others follow in their order) and
// answers completed; Close leaves RXQUEUE alone and answers cancelled. GLO:Increment, the
// screen position the caller asks for, is the renderer's to use.
class SelectJobByName final : public ui::Procedure {
 public:
  explicit SelectJobByName(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;

 private:
  void choose();
  void locate(std::string_view text);

  ui::QueueListModel rows_;
  std::vector<std::string> lines_;
  Str<40> searchText_;
};

// Where the suite's windows find what they ship.
struct SuiteUiSetup {
  // The help pages (training videos under training/); empty: defaultHelpFolder().
  std::filesystem::path helpFolder;
};

// Registers BROWSEGLMASTER, BROWSEGLFISCAL, BROWSEJCHEADER, BROWSEJCCOST, SELECTJOBBYNAME,
// BROWSEPREMP, BROWSEPRCERT and PLAYTRAINING.
void registerSuiteLookups(frame::ProcedureRegistry& registry, const SuiteUiSetup& setup = {});

}  // namespace koreq::suite
