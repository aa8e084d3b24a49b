#pragma once

// ImportEQLog: the import window. The import sources to choose from, the preview of a file's
// accepted lines with the list of those that fail, the question about items charged to other
// cost types, and the import of the previewed lines into the batch the batch manager handed
// over. Reading, checking and adding are the interchange engine's.

#include <string>
#include <vector>

#include "data/records.h"
#include "frame/registry.h"
#include "interchange/engine/import_run.h"
#include "ui/model/list_model.h"
#include "ui/model/procedure.h"

namespace koreq::interchange {

class ImportWindow final : public ui::Procedure {
 public:
  explicit ImportWindow(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;

  // What the preview holds (for the window's tests).
  const std::vector<ImportItem>& items() const { return items_; }
  const std::vector<ImportError>& errors() const { return errors_; }

 private:
  void fillSources(std::int32_t highlight);
  const data::JcLimits* highlightedSource() const;
  void rebuildColumns();
  void editSource(ui::Request request);
  void preview();
  void read(const data::JcLimits& source);
  void askOtherCostTypes();
  void askDuplicates();
  void showItems();
  void import();

  std::vector<data::JcLimits> sources_;
  ui::QueueListModel sourceRows_;
  ui::QueueListModel itemRows_;
  std::vector<ImportItem> items_;
  std::vector<ImportError> errors_;
  std::vector<LineField> shown_;    // the preview's columns
  Str<20> encoding_ = "Automatic";  // the file encoding chosen
};

// The error list of a preview: Proceed answers Completed, Cancel (or closing) Cancelled.
class ImportErrorsWindow final : public ui::Procedure {
 public:
  ImportErrorsWindow(frame::Context& ctx, const std::vector<ImportError>& errors);
  void init() override;
  void accepted(ui::Control& c) override;

 private:
  ui::QueueListModel rows_;
};

void registerImportWindow(frame::ProcedureRegistry& registry);

}  // namespace koreq::interchange
