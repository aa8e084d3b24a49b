#pragma once

// UpdateEQLogImport, the form of one usage-log import source (a JCLIMITS record of the report
// "EQ Log Import"): its name, file format, date format, file and the fields of a line, and
// UpdateEQLogImportItem, the small window that edits one field of the line. The built-in source
// opens with everything disabled and is never deleted.

#include <cstdint>
#include <functional>
#include <string>

#include "equipment/equipment_browse.h"
#include "interchange/engine/source_layout.h"
#include "ui/model/form_procedure.h"

namespace koreq::interchange {

inline constexpr char kSourceFormTitleInsert[] = "Adding an Equipment Log Import Source  (New)";
inline constexpr char kSourceFormTitleChange[] = "Changing an Equipment Log Import Source";
inline constexpr char kFieldLengthText[] = "The Field Length must be between 0 and 99.";

// Opens the source form for the import window (or any caller): Insert adds a new source;
// Change, Delete and View read the source numbered `limitId` into the JCLIMITS buffer first. A
// delete is not confirmed here: the caller asks first. `then` runs with the form's response when
// it closes; the buffer then holds the source as saved (after an insert, its new JCL:LimitID). A
// source no longer there answers Cancelled at once.
void openSourceForm(ui::Procedure& caller, ui::Request request, std::uint32_t limitId,
                    std::function<void(ui::Response)> then = {});

// The field list's row the item window edits, and whether its OK took it.
struct ImportItemRow {
  char action = 'I';  // 'I' a new row at the end, 'C' the highlighted row
  std::string contents = "Unused";
  int length = 0;
  bool taken = false;
};

class SourceForm final : public ui::FormProcedure {
 public:
  SourceForm(frame::Context& ctx, equipment::EquipmentShared& shared);

  void init() override;
  void accepted(ui::Control& c) override;
  void completed() override;

  const SourceLayout& layout() const { return layout_; }
  // The row UpdateEQLogImportItem edits while it is open over this form.
  ImportItemRow& itemRow() { return itemRow_; }

 protected:
  // A change, delete or view reads the source numbered in the buffer.
  void prepare() override;
  void rowActivated(ui::Control& c) override;
  // The built-in source is never deleted.
  bool save() override;

 private:
  // The field list, its columns by the file format, and the row highlighted (-1: the same row
  // number as before).
  void showFields(std::int64_t highlight = -1);
  void editField(char action);
  void removeField();
  void chooseFile();

  class FieldRows : public ui::QueueListModel {
   public:
    using ui::QueueListModel::QueueListModel;
    // The rows are the order of the line: a header click does not reorder them.
    bool sortByColumn(int, bool) override { return false; }
  };

  equipment::EquipmentShared& shared_;
  SourceLayout layout_;
  FieldRows rows_;
  ImportItemRow itemRow_;
  bool builtIn_ = false;     // opened on the built-in source
  std::uint8_t header_ = 0;  // "First line names the columns": JCL:SourceFlag 'H'
};

class ImportItemWindow final : public ui::Procedure {
 public:
  explicit ImportItemWindow(frame::Context& ctx);

  void init() override;
  void accepted(ui::Control& c) override;

 private:
  // A length outside 0 to 99 is said so and the focus goes back to it.
  bool lengthFits();

  ImportItemRow* row_ = nullptr;  // the calling form's row
  ImportItemRow alone_;           // opened without a source form below it
  Str<20> contents_;
  std::int32_t length_ = 0;
};

// Registers UpdateEQLogImport and UpdateEQLogImportItem.
void registerSourceForms(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared);

}  // namespace koreq::interchange
