#pragma once

// Who may do what with a batch: its owner and access rule, the in-use mark (EQB:InUse, the
// user who has the batch open for entry or tagged for posting), and the tag list (TAGQUE) of
// the batches to post or print. Several users work in the same batches at once; the marks are
// advisory, so a user may take a batch over after the "Batch In Use" question.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "data/records.h"
#include "usagelog/engine/batch_rules.h"

namespace koreq::frame {
class Context;
}

namespace koreq::usagelog {

using TagList = std::vector<std::uint16_t>;  // ctx.g.TAGQUE: unique batch numbers

bool isTagged(const TagList& tags, std::uint16_t batchId);

// A message the window shows instead of doing the action.
struct Refusal {
  std::string caption;
  std::string text;
};

// A batch is foreign to every user but its owner.
bool isForeign(const data::EqBatch& batch, const std::string& userId);

// How the entry group shows the highlighted batch's entries.
struct EntryAccess {
  std::string caption;  // "Usage Logs included in Highlighted Batch ..."
  bool enabled = true;
  bool listVisible = true;
};
EntryAccess entryAccess(const data::EqBatch& batch, const std::string& userId);

enum class OwnedAction { Tag, Delete };
// "This batch can only be tagged by user EQV." ("Unable to Tag Batch"), or the delete variant,
// when the batch is foreign and protected; nothing when the user may go on.
std::optional<Refusal> ownershipRefusal(const data::EqBatch& batch, const std::string& userId,
                                        OwnedAction action);

// Whether `userId` is signed on to this company in a process that still runs.
bool signedOn(frame::Context& ctx, const std::string& userId);

inline constexpr const char* kBatchInUseCaption = "Batch In Use";
inline constexpr const char* kBatchInUseButtons = "&Cancel|&Proceed";  // Proceed is button 2
std::string batchInUseQuestion(const std::string& user);

// The in-use check before an entry is inserted or changed or a batch deleted: the "Batch In
// Use" question when the mark is another user's, that user is signed on and the batch is not
// in the tag list; nothing when the action may go on.
std::optional<std::string> inUseQuestion(frame::Context& ctx, const data::EqBatch& batch,
                                         const TagList& tags);

// The batch record, read afresh; nothing when it is gone.
std::optional<data::EqBatch> readBatch(frame::Context& ctx, std::uint16_t batchId);

// Sets the batch's in-use mark (blank clears it) and saves the batch (" Saving EQBatch").
ChangeOutcome setInUse(frame::Context& ctx, std::uint16_t batchId, const std::string& userId);

// Tagging one batch (the "&Tag" button, a click on the tag column, Space).
struct TagOutcome {
  enum class Step {
    Tagged,    // now in the tag list, marked as the user's
    Untagged,  // taken out of the list, its mark cleared
    Ask,       // the "Batch In Use" question: call again with proceed = true on "&Proceed"
    Refused,   // `refusal` says why (ownership, or the batch is gone)
    Failed,    // the mark could not be saved: `message`; the list is unchanged
  } step = Step::Failed;
  Refusal refusal;  // Ask: caption and question; Refused: caption and text
  std::string message;
};
// A tagged batch is untagged and its mark cleared. An untagged one is tagged and marked as the
// user's — whether its mark was blank or taken over from another user — so that a tagged batch
// always shows who is about to post it.
TagOutcome toggleTag(frame::Context& ctx, std::uint16_t batchId, TagList& tags,
                     bool proceed = false);

// "Tag &All": refused ("Cannot Tag All") when a batch not yet tagged is in use by another
// user; otherwise every batch of the file is tagged and marked as the user's, except foreign
// protected ones, which stay untagged and unmarked. The marks are saved in one transaction.
TagOutcome tagAll(frame::Context& ctx, TagList& tags);
// "&Untag All": the marks of the tagged batches cleared (one transaction), the list emptied.
ChangeOutcome untagAll(frame::Context& ctx, TagList& tags);
// "Rev tags": the list becomes the batches of the file that were not tagged; marks untouched.
void reverseTags(frame::Context& ctx, TagList& tags);

}  // namespace koreq::usagelog
