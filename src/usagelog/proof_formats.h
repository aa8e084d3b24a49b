#pragma once

// The saved formats of the usage-log proof listing (EQLIMITS records of the report
// 'Log Proof Listing'): BrowseEQProofLimits, the list the batch manager's "Proof List Tagged
// Batches" opens, whose Print runs PrintEQLogBProof over the tagged batches; and
// UpdateEQProofLimits, the form of one format (its title, usage dates and equipment range).

#include <string>

#include "frame/registry.h"
#include "runtime/text.h"
#include "ui/model/browse_procedure.h"
#include "ui/model/form_procedure.h"

namespace koreq::usagelog {

inline constexpr const char* kProofReport = "Log Proof Listing";

class ProofFormatBrowse final : public ui::BrowseProcedure {
 public:
  explicit ProofFormatBrowse(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void ask(ui::Request request) override;

 private:
  // A locked format of another user who is still on file: said so, true.
  bool deleteRefused();
  void duplicate();
  void print();
};

class ProofFormatForm final : public ui::FormProcedure {
 public:
  explicit ProofFormatForm(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;
  void selected(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;

 protected:
  bool save() override;

 private:
  void enableGroups();
  void equipmentAccepted(ui::Control& entry, bool lookup);
  void showDescriptions();

  Str<30> fromDescription_, toDescription_;
  CaseMode titleCase_ = CaseMode::Def;
};

void registerProofFormats(frame::ProcedureRegistry& registry);

}  // namespace koreq::usagelog
