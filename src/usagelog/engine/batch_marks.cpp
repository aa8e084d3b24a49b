#include "usagelog/engine/batch_marks.h"

#include "frame/presence.h"

#include <algorithm>

#include "data/store.h"
#include "frame/context.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::usagelog {

using detail::readWhere;
using detail::rowOf;
using detail::Stored;

namespace {

std::vector<Stored<data::EqBatch>> allBatches(data::Store& store) {
  return readWhere<data::EqBatch>(store, "KeySortID", {});
}

bool markedByOther(const data::EqBatch& b, const std::string& userId) {
  return !b.InUse.empty() && b.InUse.str() != userId;
}

// Writes the marks of several batches in one transaction.
ChangeOutcome saveMarks(frame::Context& ctx, std::vector<Stored<data::EqBatch>>& batches) {
  ChangeOutcome out;
  data::Transaction tx(ctx.store());
  if (!tx.begun()) {
    out.message = data::refusedText(ctx.store());
    return out;
  }
  try {
    for (auto& b : batches) {
      ctx.store().update(data::EqBatch::def(), b.rowId, rowOf(b.rec));
      ++out.records;
    }
    tx.commit();
  } catch (const data::StoreError& e) {
    tx.rollback();
    ctx.errors().fileError(e.code(), e.what(), "Saving", "EQBatch");
    out.records = 0;
    out.message = std::string(e.what()) + " Saving EQBatch";
    return out;
  }
  out.done = true;
  return out;
}

}  // namespace

bool isTagged(const TagList& tags, std::uint16_t batchId) {
  return std::find(tags.begin(), tags.end(), batchId) != tags.end();
}

bool isForeign(const data::EqBatch& batch, const std::string& userId) {
  return batch.UserID.str() != userId;
}

EntryAccess entryAccess(const data::EqBatch& batch, const std::string& userId) {
  EntryAccess a;
  a.caption = "Usage Logs included in Highlighted Batch";
  if (!isForeign(batch, userId)) return a;
  if (batch.Secure == 1) {
    a.caption = "Usage Logs included in Highlighted Batch can only be modified by user " +
                batch.UserID.str();
    a.enabled = false;
  } else if (batch.Secure == 2) {
    a.caption =
        "Usage Logs included in Highlighted Batch can only be viewed by user " + batch.UserID.str();
    a.enabled = false;
    a.listVisible = false;
  }
  return a;
}

std::optional<Refusal> ownershipRefusal(const data::EqBatch& batch, const std::string& userId,
                                        OwnedAction action) {
  if (!isForeign(batch, userId) || batch.Secure == 0) return std::nullopt;
  if (action == OwnedAction::Delete)
    return Refusal{"Unable to Delete Batch",
                   "This batch can only be deleted by user " + batch.UserID.str() + "."};
  return Refusal{"Unable to Tag Batch",
                 "This batch can only be tagged by user " + batch.UserID.str() + "."};
}

bool signedOn(frame::Context& ctx, const std::string& userId) {
  return frame::userSignedOn(ctx.session(), userId);
}

std::string batchInUseQuestion(const std::string& user) {
  return "This usage log batch is flagged as being in use |by user " + user +
         ".  If you suspect that user " + user + "|" +
         "is not currently using the batch, please check.|" +
         "If you are certain there are no other users entering |" +
         "or posting in this batch, you may select Proceed.";
}

std::optional<std::string> inUseQuestion(frame::Context& ctx, const data::EqBatch& batch,
                                         const TagList& tags) {
  if (!markedByOther(batch, ctx.userId())) return std::nullopt;
  if (isTagged(tags, batch.BatchID) || !signedOn(ctx, batch.InUse.str())) return std::nullopt;
  return batchInUseQuestion(batch.InUse.str());
}

std::optional<data::EqBatch> readBatch(frame::Context& ctx, std::uint16_t batchId) {
  auto rows = readWhere<data::EqBatch>(ctx.store(), "KeyBatchID", {std::int64_t{batchId}}, 1);
  if (rows.empty()) return std::nullopt;
  return rows.front().rec;
}

ChangeOutcome setInUse(frame::Context& ctx, std::uint16_t batchId, const std::string& userId) {
  auto rows = readWhere<data::EqBatch>(ctx.store(), "KeyBatchID", {std::int64_t{batchId}}, 1);
  if (rows.empty()) return {false, 0, "Batch " + std::to_string(batchId) + " no longer exists."};
  rows.front().rec.InUse = userId;
  return saveMarks(ctx, rows);
}

TagOutcome toggleTag(frame::Context& ctx, std::uint16_t batchId, TagList& tags, bool proceed) {
  TagOutcome out;
  auto rows = readWhere<data::EqBatch>(ctx.store(), "KeyBatchID", {std::int64_t{batchId}}, 1);
  if (rows.empty()) {
    out.step = TagOutcome::Step::Refused;
    out.refusal = {"Unable to Tag Batch",
                   "Batch " + std::to_string(batchId) + " no longer exists."};
    return out;
  }
  data::EqBatch& b = rows.front().rec;
  const std::string& user = ctx.userId();
  if (auto refused = ownershipRefusal(b, user, OwnedAction::Tag)) {
    out.step = TagOutcome::Step::Refused;
    out.refusal = *refused;
    return out;
  }
  if (isTagged(tags, batchId)) {
    b.InUse = "";
    ChangeOutcome saved = saveMarks(ctx, rows);
    if (!saved.done) {
      out.message = saved.message;
      return out;
    }
    tags.erase(std::remove(tags.begin(), tags.end(), batchId), tags.end());
    out.step = TagOutcome::Step::Untagged;
    return out;
  }
  if (!proceed && markedByOther(b, user) && signedOn(ctx, b.InUse.str())) {
    out.step = TagOutcome::Step::Ask;
    out.refusal = {kBatchInUseCaption, batchInUseQuestion(b.InUse.str())};
    return out;
  }
  b.InUse = user;
  ChangeOutcome saved = saveMarks(ctx, rows);
  if (!saved.done) {
    out.message = saved.message;
    return out;
  }
  tags.push_back(batchId);
  out.step = TagOutcome::Step::Tagged;
  return out;
}

TagOutcome tagAll(frame::Context& ctx, TagList& tags) {
  TagOutcome out;
  const std::string& user = ctx.userId();
  auto batches = allBatches(ctx.store());
  // Every batch of the file is tagged, so every one is checked, not only those listed.
  for (const auto& b : batches) {
    if (markedByOther(b.rec, user) && !isTagged(tags, b.rec.BatchID)) {
      out.step = TagOutcome::Step::Refused;
      out.refusal = {"Cannot Tag All",
                     "At least one Usage Log Batch is currently in use by another user"};
      return out;
    }
  }
  TagList next;
  // Only the marks that change are written.
  std::vector<Stored<data::EqBatch>> changed;
  for (auto& b : batches) {
    const bool own = !ownershipRefusal(b.rec, user, OwnedAction::Tag);
    const std::string mark = own ? user : std::string();
    if (own) next.push_back(b.rec.BatchID);
    if (b.rec.InUse == mark) continue;
    b.rec.InUse = mark;
    changed.push_back(b);
  }
  ChangeOutcome saved = saveMarks(ctx, changed);
  if (!saved.done) {
    out.message = saved.message;
    return out;
  }
  tags = std::move(next);
  out.step = TagOutcome::Step::Tagged;
  return out;
}

ChangeOutcome untagAll(frame::Context& ctx, TagList& tags) {
  std::vector<Stored<data::EqBatch>> marked;
  for (std::uint16_t id : tags) {
    auto rows = readWhere<data::EqBatch>(ctx.store(), "KeyBatchID", {std::int64_t{id}}, 1);
    if (rows.empty() || rows.front().rec.InUse.empty()) continue;
    rows.front().rec.InUse = "";
    marked.push_back(rows.front());
  }
  ChangeOutcome out = saveMarks(ctx, marked);
  if (out.done) tags.clear();
  return out;
}

void reverseTags(frame::Context& ctx, TagList& tags) {
  TagList next;
  for (const auto& b : allBatches(ctx.store()))
    if (!isTagged(tags, b.rec.BatchID)) next.push_back(b.rec.BatchID);
  tags = std::move(next);
}

}  // namespace koreq::usagelog
