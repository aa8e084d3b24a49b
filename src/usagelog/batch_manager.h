#pragma once

// BrowseEQLog: the usage-log batch manager. The batches above, the entries of the highlighted
// batch below; from here batches and entries are added, changed and deleted through their
// forms, batches are tagged, reordered, printed and posted, and entries move or copy between
// batches by pop-up menu or drag and drop. Every rule lives in the usage-log engine; the window
// asks the questions and shows the answers.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/records.h"
#include "frame/registry.h"
#include "ui/model/procedure.h"
#include "usagelog/engine/batch_marks.h"
#include "usagelog/engine/batch_rules.h"
#include "usagelog/engine/entry_rules.h"

namespace koreq::usagelog {

inline constexpr const char* kEntryMenu =
    "Move Highlighted\tDrag+Drop|Move All\tDrag+Shift+Drop|Copy Highlighted\tDrag+Ctrl+Drop|"
    "Copy All\tDrag+Ctrl+Shift+Drop";
inline constexpr const char* kDeleteBatchQuestion =
    "This will delete any unposted Equipment Logs|contained in the highlighted Batch.  If you "
    "|desire, it can also delete the batch itself.||Do you wish to delete just the Log Entries, "
    "or |both the Log Entries and the batch?";

class BatchManager final : public ui::Procedure {
 public:
  enum class ShowTags { All, Tagged, Untagged };

  BatchManager(frame::Context& ctx, EntryMemory& memory);

  void init() override;
  void accepted(ui::Control& c) override;
  void newSelection(ui::Control& c) override;
  void alertKey(ui::Control& c, ui::Key key) override;
  void kill() override;

 protected:
  void rowActivated(ui::Control& list) override;
  void rowsDropped(ui::Control& from, ui::Control& to, std::int64_t row, int modifiers) override;

 private:
  // The lists.
  void fillBatches(std::uint16_t highlight);
  void fillEntries(std::int32_t highlight = 0);
  void refreshAll(std::int32_t entry = 0);
  std::optional<data::EqBatch> highlightedBatch() const;
  std::uint16_t highlightedBatchId() const;
  std::int32_t highlightedEntry() const;
  void applyAccess();

  // Marks and tags.
  bool checkOwnership(const data::EqBatch& batch, OwnedAction action);
  bool askInUse(const data::EqBatch& batch);
  bool tag(std::uint16_t batchId);
  void toggleHighlightedTag();
  void tagAll();
  void untagAll();
  void reverseTags();
  void cycleShowTags();
  bool tagHighlightedIfNoneTagged();

  // Batches.
  void askBatch(ui::Request request);
  void deleteBatch();
  void reorder(BatchMove move);

  // Entries.
  bool takeBatchForEntry(data::EqBatch& batch);
  void insertEntry();
  void changeEntry();
  void deleteEntry();
  void releaseMark(std::uint16_t batchId);

  // Moving and copying entries.
  void entryMenu();
  void batchMenu();
  void remember(const char* operation, bool all);
  void carryOut(const std::string& operation, const std::vector<std::int32_t>& ids,
                std::uint16_t target);

  // The other buttons.
  void proofList();
  void post();
  void callAndRefresh(const char* procedure);
  void callWithBatch(const char* procedure);
  void playTraining();
  void showFailure(const std::string& text);

  EntryMemory& memory_;
  ui::QueueListModel batches_;
  ui::QueueListModel entries_;
  std::vector<data::EqBatch> batchRows_;
  std::vector<std::int32_t> entryIds_;
  Decimal total_;
  ShowTags showTags_ = ShowTags::All;
  // The move or copy chosen from the entry list's menu, waiting for "Paste".
  std::string pendingOperation_;
  std::uint16_t pendingSource_ = 0;
  std::vector<std::int32_t> pendingIds_;
};

void registerBatchManager(frame::ProcedureRegistry& registry, EntryMemory& memory);

}  // namespace koreq::usagelog
