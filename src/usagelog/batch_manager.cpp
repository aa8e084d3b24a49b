#include "usagelog/batch_manager.h"

#include <map>

#include "frame/context.h"
#include "suite/backup.h"
#include "suite/ui/training.h"
#include "ui/model/desktop.h"
#include "usagelog/engine/posting_flow.h"
#include "usagelog/engine/record_rows.h"
#include "windows/BrowseEQLog.h"
#include "windows/BrowseEQProofLimits.h"
#include "windows/ExportEQLog.h"
#include "windows/ImportEQLog.h"
#include "windows/UpdateEQBatch.h"
#include "windows/UpdateEQLog.h"

namespace koreq::usagelog {

namespace win = windows::BrowseEQLog;

using detail::readWhere;

namespace {

constexpr const char* kLogEntryFilter = "Log Entry";
constexpr int kTagColumn = 0;

const char* showTagsText(BatchManager::ShowTags s) {
  switch (s) {
    case BatchManager::ShowTags::Tagged:
      return "Showing Tagged";
    case BatchManager::ShowTags::Untagged:
      return "Showing UnTagged";
    default:
      return "Show All";
  }
}

}  // namespace

BatchManager::BatchManager(frame::Context& ctx, EntryMemory& memory)
    : ui::Procedure(ctx, win::kName),
      memory_(memory),
      batches_(control(win::BATCHLIST).def().columns),
      entries_(control(win::ENTRYLIST).def().columns) {
  bindLocal("LOC:Total", total_);
}

void BatchManager::init() {
  memory_.lastEquipmentId.clear();
  ctx().g.TAGQUE.clear();
  ctx().g.REPORTFILTER = kLogEntryFilter;
  // Parts of the suite not built yet have no button, as the menus have no entry for them.
  const frame::ProcedureRegistry& registry = desktop().registry();
  control(win::IMPORT).setVisible(registry.has(windows::ImportEQLog::kName));
  control(win::EXPORT).setVisible(registry.has(windows::ExportEQLog::kName));
  control(win::PROOFLIST).setVisible(registry.has(windows::BrowseEQProofLimits::kName));
  control(win::BATCHLIST).setList(&batches_);
  control(win::ENTRYLIST).setList(&entries_);
  fillBatches(0);
  select(win::BATCHLIST);
}

void BatchManager::kill() {
  // Nobody is about to post the batches this window tagged any more.
  usagelog::untagAll(ctx(), ctx().g.TAGQUE);
  ctx().g.TAGQUE.clear();
  ctx().g.REPORTFILTER = "";
}

// ---- The lists --------------------------------------------------------------------------------

void BatchManager::fillBatches(std::uint16_t highlight) {
  if (highlight == 0) highlight = highlightedBatchId();
  const TagList& tags = ctx().g.TAGQUE;
  std::vector<ui::QueueListModel::Row> rows;
  batchRows_.clear();
  std::int64_t at = -1;
  for (const auto& b : readWhere<data::EqBatch>(ctx().store(), "KeySortID", {})) {
    const bool tagged = isTagged(tags, b.rec.BatchID);
    if ((showTags_ == ShowTags::Tagged && !tagged) || (showTags_ == ShowTags::Untagged && tagged))
      continue;
    const bool hasEntries =
        !readWhere<data::EqLogB>(ctx().store(), "KeyBatchID", {std::int64_t{b.rec.BatchID}}, 1)
             .empty();
    ui::QueueListModel::Row r;
    r.cells = {data::Value(std::string(tagged ? "*" : "")),
               data::Value(std::int64_t{b.rec.BatchID}),
               data::Value(std::string(b.rec.Repeating ? "R" : "")),
               data::Value(b.rec.Description.str()),
               data::Value(std::int64_t{b.rec.Secure}),
               data::Value(b.rec.UserID.str()),
               data::Value(std::int64_t{b.rec.SortID})};
    r.icons = {tagged ? "~checkon.ico" : "~checkoff.ico"};
    if (hasEntries) r.style.fontStyle = ui::kBold;
    if (b.rec.BatchID == highlight) at = static_cast<std::int64_t>(batchRows_.size());
    rows.push_back(std::move(r));
    batchRows_.push_back(b.rec);
  }
  batches_.setRows(std::move(rows));
  if (at >= 0) batches_.setCurrent(at);
  fillEntries();
}

void BatchManager::fillEntries(std::int32_t highlight) {
  std::vector<ui::QueueListModel::Row> rows;
  entryIds_.clear();
  total_ = Decimal();
  std::int64_t at = -1;
  if (const std::uint16_t batch = highlightedBatchId()) {
    std::map<std::string, std::string> descriptions;
    for (const auto& e :
         readWhere<data::EqLogB>(ctx().store(), "KeyBatchID", {std::int64_t{batch}})) {
      const std::string id = e.rec.EquipmentID.str();
      auto d = descriptions.find(id);
      if (d == descriptions.end()) {
        auto eq = readWhere<data::EqHeader>(ctx().store(), "KeyEquipmentID", {id}, 1);
        d = descriptions.emplace(id, eq.empty() ? std::string() : eq.front().rec.Description.str())
                .first;
      }
      ui::QueueListModel::Row r;
      r.cells = {data::Value(std::int64_t{e.rec.LogID}), data::Value(id), data::Value(d->second),
                 data::Value(e.rec.Date), data::Value(e.rec.AdjustedAmount)};
      if (e.rec.LogID == highlight) at = static_cast<std::int64_t>(entryIds_.size());
      rows.push_back(std::move(r));
      entryIds_.push_back(e.rec.LogID);
      total_ = total_ + e.rec.AdjustedAmount;
    }
  }
  entries_.setRows(std::move(rows));
  if (at >= 0) entries_.setCurrent(at);
  applyAccess();
}

void BatchManager::refreshAll(std::int32_t entry) {
  fillBatches(0);
  if (entry != 0) fillEntries(entry);
}

std::optional<data::EqBatch> BatchManager::highlightedBatch() const {
  const std::int64_t r = batches_.current();
  if (r < 0 || r >= static_cast<std::int64_t>(batchRows_.size())) return std::nullopt;
  return batchRows_[static_cast<std::size_t>(r)];
}

std::uint16_t BatchManager::highlightedBatchId() const {
  auto b = highlightedBatch();
  return b ? b->BatchID : 0;
}

std::int32_t BatchManager::highlightedEntry() const {
  const std::int64_t r = entries_.current();
  if (r < 0 || r >= static_cast<std::int64_t>(entryIds_.size())) return 0;
  return entryIds_[static_cast<std::size_t>(r)];
}

void BatchManager::applyAccess() {
  EntryAccess access;
  if (auto b = highlightedBatch()) access = entryAccess(*b, ctx().userId());
  if (access.caption.empty()) access.caption = "Usage Logs included in Highlighted Batch";
  control(win::ENTRYGROUP).setText(access.caption);
  control(win::ENTRYGROUP).setEnabled(access.enabled);
  control(win::ENTRYLIST).setVisible(access.listVisible);
  control(win::DISPLAYTOTAL).setVisible(access.listVisible);
}

void BatchManager::newSelection(ui::Control& c) {
  if (c.is(win::BATCHLIST)) fillEntries();
}

// ---- Buttons, keys, clicks ---------------------------------------------------------------------

void BatchManager::accepted(ui::Control& c) {
  if (c.kind() != ui::ControlKind::Button) return;
  if (c.is(win::TAG)) {
    toggleHighlightedTag();
  } else if (c.is(win::TAGALL)) {
    tagAll();
  } else if (c.is(win::UNTAGALL)) {
    untagAll();
  } else if (c.is(win::REVTAGS)) {
    reverseTags();
  } else if (c.is(win::SHOWTAGS)) {
    cycleShowTags();
  } else if (c.is(win::INSERTBATCH)) {
    askBatch(ui::Request::Insert);
  } else if (c.is(win::CHANGEBATCH)) {
    askBatch(ui::Request::Change);
  } else if (c.is(win::DELETEBATCH)) {
    deleteBatch();
  } else if (c.is(win::MOVEUP)) {
    reorder(BatchMove::UpOne);
  } else if (c.is(win::MOVETOP)) {
    reorder(BatchMove::ToTop);
  } else if (c.is(win::MOVEDOWN)) {
    reorder(BatchMove::DownOne);
  } else if (c.is(win::MOVEBOTTOM)) {
    reorder(BatchMove::ToBottom);
  } else if (c.is(win::INSERTLOG)) {
    insertEntry();
  } else if (c.is(win::CHANGELOG)) {
    changeEntry();
  } else if (c.is(win::DELETELOG)) {
    deleteEntry();
  } else if (c.is(win::IMPORT)) {
    callWithBatch(windows::ImportEQLog::kName);
  } else if (c.is(win::EXPORT)) {
    callWithBatch(windows::ExportEQLog::kName);
  } else if (c.is(win::PROOFLIST)) {
    proofList();
  } else if (c.is(win::POST)) {
    post();
  } else if (c.is(win::TRAINING)) {
    playTraining();
  } else if (c.is(win::MOVE)) {
    remember("Move", false);
  } else if (c.is(win::MOVEALL)) {
    remember("Move", true);
  } else if (c.is(win::COPY)) {
    remember("Copy", false);
  } else if (c.is(win::COPYALL)) {
    remember("Copy", true);
  } else if (c.is(win::PASTE) && highlightedBatchId() != 0) {
    carryOut(pendingOperation_, pendingIds_, highlightedBatchId());
  }
}

void BatchManager::alertKey(ui::Control& c, ui::Key key) {
  const bool batchList = c.is(win::BATCHLIST);
  if (!batchList && !c.is(win::ENTRYLIST)) return;
  if (key == ui::Key::Space ||
      (batchList && key == ui::Key::CellClick && c.clickedColumn() == kTagColumn)) {
    cycle();
    toggleHighlightedTag();
  } else if (key == ui::Key::RightClick) {
    cycle();
    if (batchList)
      batchMenu();
    else
      entryMenu();
  }
}

void BatchManager::rowActivated(ui::Control& list) {
  if (list.is(win::BATCHLIST))
    askBatch(ui::Request::Change);
  else if (list.is(win::ENTRYLIST))
    changeEntry();
}

void BatchManager::showFailure(const std::string& text) {
  if (!text.empty()) message(text, "", ui::Icon::Exclamation);
}

// ---- Marks and tags ----------------------------------------------------------------------------

bool BatchManager::checkOwnership(const data::EqBatch& batch, OwnedAction action) {
  if (auto refusal = ownershipRefusal(batch, ctx().userId(), action)) {
    message(refusal->text, refusal->caption, ui::Icon::Exclamation);
    return false;
  }
  return true;
}

bool BatchManager::askInUse(const data::EqBatch& batch) {
  auto question = inUseQuestion(ctx(), batch, ctx().g.TAGQUE);
  return !question ||
         message(*question, kBatchInUseCaption, ui::Icon::Question, kBatchInUseButtons) == 2;
}

// Tags or untags one batch; true when it ends up tagged.
bool BatchManager::tag(std::uint16_t batchId) {
  TagList& tags = ctx().g.TAGQUE;
  TagOutcome out = toggleTag(ctx(), batchId, tags);
  if (out.step == TagOutcome::Step::Ask) {
    if (message(out.refusal.text, out.refusal.caption, ui::Icon::Question, kBatchInUseButtons) != 2)
      return false;
    out = toggleTag(ctx(), batchId, tags, true);
  }
  if (out.step == TagOutcome::Step::Refused)
    message(out.refusal.text, out.refusal.caption, ui::Icon::Exclamation);
  else if (out.step == TagOutcome::Step::Failed)
    showFailure(out.message);
  return out.step == TagOutcome::Step::Tagged;
}

void BatchManager::toggleHighlightedTag() {
  auto batch = highlightedBatch();
  if (!batch || !checkOwnership(*batch, OwnedAction::Tag)) return;
  tag(batch->BatchID);
  fillBatches(batch->BatchID);
  select(win::BATCHLIST);
}

void BatchManager::tagAll() {
  TagOutcome out = usagelog::tagAll(ctx(), ctx().g.TAGQUE);
  if (out.step == TagOutcome::Step::Refused)
    message(out.refusal.text, out.refusal.caption, ui::Icon::Exclamation);
  else if (out.step == TagOutcome::Step::Failed)
    showFailure(out.message);
  fillBatches(0);
}

void BatchManager::untagAll() {
  ChangeOutcome out = usagelog::untagAll(ctx(), ctx().g.TAGQUE);
  if (!out.done) showFailure(out.message);
  fillBatches(0);
}

void BatchManager::reverseTags() {
  usagelog::reverseTags(ctx(), ctx().g.TAGQUE);
  fillBatches(0);
}

void BatchManager::cycleShowTags() {
  showTags_ = showTags_ == ShowTags::All      ? ShowTags::Tagged
              : showTags_ == ShowTags::Tagged ? ShowTags::Untagged
                                              : ShowTags::All;
  control(win::SHOWTAGS).setText(showTagsText(showTags_));
  control(win::SHOWTAGS).setTip(showTagsText(showTags_));
  fillBatches(0);
}

// Proof listing and posting work on the highlighted batch when nothing is tagged.
bool BatchManager::tagHighlightedIfNoneTagged() {
  if (!ctx().g.TAGQUE.empty()) return true;
  auto batch = highlightedBatch();
  if (!batch || !checkOwnership(*batch, OwnedAction::Tag)) return false;
  const bool tagged = tag(batch->BatchID);
  fillBatches(batch->BatchID);
  return tagged;
}

// ---- Batches -----------------------------------------------------------------------------------

void BatchManager::askBatch(ui::Request request) {
  data::FileAccess& f = ctx().file(data::EqBatch::def());
  if (request != ui::Request::Insert) {
    const std::uint16_t id = highlightedBatchId();
    if (id == 0 || f.fetch("KeyBatchID", {data::Value(std::int64_t{id})}) != data::kNoError) return;
  }
  call(windows::UpdateEQBatch::kName, request, [this](ui::Response) {
    fillBatches(ctx().rec<data::EqBatch>().BatchID);
    select(win::BATCHLIST);
  });
}

void BatchManager::deleteBatch() {
  auto listed = highlightedBatch();
  if (!listed || !checkOwnership(*listed, OwnedAction::Delete)) return;
  auto batch = readBatch(ctx(), listed->BatchID);
  if (!batch) {
    fillBatches(0);
    return;
  }
  if (inUseQuestion(ctx(), *batch, ctx().g.TAGQUE)) {
    if (!askInUse(*batch)) return;
    ChangeOutcome cleared = setInUse(ctx(), batch->BatchID, "");
    if (!cleared.done) showFailure(cleared.message);
  }
  const int answer = message(kDeleteBatchQuestion, "Confirm Log Batch Delete", ui::Icon::Question,
                             "&Logs|&Batch|&Cancel", 3);
  if (answer != 1 && answer != 2) return;
  ChangeOutcome out = deleteBatchEntries(ctx(), batch->BatchID, answer == 2);
  if (!out.done) showFailure(out.message);
  if (answer == 2 && out.done) {
    auto& tags = ctx().g.TAGQUE;
    std::erase(tags, batch->BatchID);
  }
  fillBatches(0);
}

void BatchManager::reorder(BatchMove move) {
  auto batch = highlightedBatch();
  if (!batch) return;
  ReorderOutcome out = reorderBatch(ctx(), batch->SortID, move);
  if (out.failed)
    message(out.message, "Error!", ui::Icon::Exclamation);
  else if (!out.moved && !out.message.empty())
    showFailure(out.message);
  fillBatches(batch->BatchID);
  select(win::BATCHLIST);
}

// ---- Entries -----------------------------------------------------------------------------------

// Steps 1, 3 and 4 of inserting or changing an entry: the batch read afresh, the in-use
// question, the batch marked as the user's while the form is open.
bool BatchManager::takeBatchForEntry(data::EqBatch& batch) {
  ctx().g.REPORTFILTER = kLogEntryFilter;
  auto fresh = readBatch(ctx(), highlightedBatchId());
  if (!fresh) {
    fillBatches(0);
    return false;
  }
  if (!askInUse(*fresh)) return false;
  ChangeOutcome marked = setInUse(ctx(), fresh->BatchID, ctx().userId());
  if (!marked.done) {
    showFailure(marked.message);
    return false;
  }
  batch = *fresh;
  batch.InUse = ctx().userId();
  return true;
}

void BatchManager::releaseMark(std::uint16_t batchId) {
  // A batch tagged in this window keeps its mark until it is untagged.
  if (isTagged(ctx().g.TAGQUE, batchId)) return;
  ChangeOutcome out = setInUse(ctx(), batchId, "");
  if (!out.done && out.records == 0 && readBatch(ctx(), batchId)) showFailure(out.message);
}

void BatchManager::insertEntry() {
  ctx().g.REPORTFILTER = kLogEntryFilter;
  if (highlightedBatchId() == 0) {
    port().beep();
    message("You cannot enter usage logs unless a valid batch is created and highlighted.",
            "Missing Invoice Batch", ui::Icon::Exclamation);
    return;
  }
  data::EqBatch batch;
  if (!takeBatchForEntry(batch)) return;
  // An entry left unnumbered by an insert that never finished would block the next one.
  usagelog::deleteEntry(ctx(), 0, false);
  ctx().rec<data::EqBatch>() = batch;
  data::FileAccess& entry = ctx().file(data::EqLogB::def());
  entry.clear();
  ctx().rec<data::EqLogB>().BatchID = batch.BatchID;
  const std::uint16_t id = batch.BatchID;
  call(windows::UpdateEQLog::kName, ui::Request::Insert, [this, id](ui::Response) {
    releaseMark(id);
    refreshAll(ctx().rec<data::EqLogB>().LogID);
    select(win::ENTRYLIST);
  });
}

void BatchManager::changeEntry() {
  const std::int32_t logId = highlightedEntry();
  if (logId == 0) return;
  data::EqBatch batch;
  if (!takeBatchForEntry(batch)) return;
  // The start meters of the form follow every unposted entry.
  std::vector<std::pair<std::string, Decimal>> meters;
  for (const auto& e : readWhere<data::EqLogB>(ctx().store(), "KeyLogID", {}))
    meters.emplace_back(e.rec.EquipmentID.str(), e.rec.EndMeter);
  memory_.meters.rebuild(meters);
  ctx().rec<data::EqBatch>() = batch;
  data::FileAccess& entry = ctx().file(data::EqLogB::def());
  const std::uint16_t id = batch.BatchID;
  if (entry.fetch("KeyLogID", {data::Value(std::int64_t{logId})}) != data::kNoError) {
    releaseMark(id);
    fillEntries();
    return;
  }
  call(windows::UpdateEQLog::kName, ui::Request::Change, [this, id, logId](ui::Response) {
    releaseMark(id);
    refreshAll(logId);
    select(win::ENTRYLIST);
  });
}

void BatchManager::deleteEntry() {
  const std::int32_t logId = highlightedEntry();
  if (logId == 0) return;
  if (message("Are you sure you want to delete the highlighted record?", "Confirm Delete",
              ui::Icon::Question, "&Yes|&No", 2) != 1)
    return;
  ChangeOutcome out = usagelog::deleteEntry(ctx(), logId);
  if (!out.done) showFailure(out.message);
  const std::int64_t at = entries_.current();
  refreshAll();
  if (entries_.rowCount() > 0)
    entries_.setCurrent(std::min<std::int64_t>(at, entries_.rowCount() - 1));
}

// ---- Moving and copying entries ----------------------------------------------------------------

void BatchManager::entryMenu() {
  if (entries_.rowCount() == 0) return;
  switch (port().popupMenu(kEntryMenu)) {
    case 1:
      remember("Move", false);
      break;
    case 2:
      remember("Move", true);
      break;
    case 3:
      remember("Copy", false);
      break;
    case 4:
      remember("Copy", true);
      break;
    default:
      break;
  }
}

void BatchManager::batchMenu() {
  const bool pending = !pendingOperation_.empty() && highlightedBatchId() != 0;
  if (port().popupMenu(pending ? "Paste" : "~Paste") == 1 && pending)
    carryOut(pendingOperation_, pendingIds_, highlightedBatchId());
}

void BatchManager::remember(const char* operation, bool all) {
  pendingOperation_ = operation;
  pendingSource_ = highlightedBatchId();
  pendingIds_.clear();
  if (all)
    pendingIds_ = entryIds_;
  else if (std::int32_t id = highlightedEntry())
    pendingIds_.push_back(id);
  if (pendingIds_.empty()) pendingOperation_.clear();
}

void BatchManager::rowsDropped(ui::Control& from, ui::Control& to, std::int64_t row,
                               int modifiers) {
  if (!from.is(win::ENTRYLIST) || !to.is(win::BATCHLIST) ||
      row >= static_cast<std::int64_t>(batchRows_.size()))
    return;
  const std::uint16_t target = batchRows_[static_cast<std::size_t>(row)].BatchID;
  if (target == highlightedBatchId()) return;
  std::vector<std::int32_t> ids;
  if (modifiers & ui::kDragShift)
    ids = entryIds_;
  else if (std::int32_t id = highlightedEntry())
    ids.push_back(id);
  carryOut((modifiers & ui::kDragCtrl) ? "Copy" : "Move", ids, target);
}

void BatchManager::carryOut(const std::string& operation, const std::vector<std::int32_t>& ids,
                            std::uint16_t target) {
  if (operation.empty() || ids.empty()) return;
  ChangeOutcome out =
      operation == "Copy" ? copyEntries(ctx(), ids, target) : moveEntries(ctx(), ids, target);
  if (!out.done) showFailure(out.message);
  pendingOperation_.clear();
  pendingSource_ = 0;
  pendingIds_.clear();
  untagAll();
}

// ---- Proof listing, posting, the other procedures ----------------------------------------------

void BatchManager::proofList() {
  if (!tagHighlightedIfNoneTagged()) return;
  callAndRefresh(windows::BrowseEQProofLimits::kName);
}

void BatchManager::post() {
  if (auto denied = postingRightRefusal(ctx())) {
    port().beep();
    message(denied->text, denied->caption, ui::Icon::Exclamation);
    return;
  }
  if (!tagHighlightedIfNoneTagged()) return;
  // What is about to go into the ledger, asked once; No leaves the batches tagged.
  const PostingPreview preview = previewPosting(ctx(), ctx().g.TAGQUE);
  if (message(preview.question(), "Post Tagged Batches", ui::Icon::Question, "&Yes|&No") != 1)
    return;
  PostingRun run = postTaggedBatches(
      ctx(), ctx().g.TAGQUE, [](frame::Context& c) { return !suite::PREPOSTBACKUP(c).empty(); });
  if (run.refusal) {
    message(run.refusal->text, run.refusal->caption, ui::Icon::Exclamation);
  } else if (!run.posted()) {
    std::string text;
    for (const std::string& line : run.result.failureLines())
      text += (text.empty() ? "" : "|") + line;
    message(text, "Nothing Posted", ui::Icon::Exclamation);
  } else {
    message(run.result.summary() + ".", "Posting Complete", ui::Icon::Information);
  }
  fillBatches(0);
}

void BatchManager::callAndRefresh(const char* procedure) {
  call(procedure, [this](ui::Response) { refreshAll(); });
}

void BatchManager::callWithBatch(const char* procedure) {
  // The import and the export work on the batch in the EQBATCH buffer: the highlighted one.
  auto batch = highlightedBatch();
  if (!batch) return;
  ctx().rec<data::EqBatch>() = *batch;
  callAndRefresh(procedure);
}

void BatchManager::playTraining() {
  // PLAYTRAINING takes the video's name where the suite's services take their names.
  std::string saved = ctx().g.REPORTFILTER.str();
  ctx().g.REPORTFILTER = "EQLogEnt";
  call(suite::kPLAYTRAINING, [this, saved](ui::Response) { ctx().g.REPORTFILTER = saved; });
}

void registerBatchManager(frame::ProcedureRegistry& registry, EntryMemory& memory) {
  ui::registerWindow(registry, win::kName, [&memory](frame::Context& ctx) {
    return std::make_unique<BatchManager>(ctx, memory);
  });
}

}  // namespace koreq::usagelog
