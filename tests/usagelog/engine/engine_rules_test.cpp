// The batch rules: order, repeating dates, entries between batches, deleting, tags and marks.

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "engine_fixture.h"
#include "support/forwarding_store.h"
#include "usagelog/engine/batch_marks.h"
#include "usagelog/engine/batch_rules.h"

namespace koreq::usagelog::test {
namespace {

using detail::readWhere;

// Passes everything to the company's store, checks after every batch update that no two
// batches share an EQB:SortID, and fails the update a test names.
class WatchingStore final : public ::koreq::test::ForwardingStore {
 public:
  explicit WatchingStore(data::Store& inner) : ForwardingStore(inner) {}
  int failUpdateAt = 0;
  int updates = 0;
  bool sharedSortId = false;

  void update(const data::FileDef& f, std::int64_t row,
              const std::vector<data::Value>& v) override {
    if (++updates == failUpdateAt) throw data::StoreError(data::kRecordChanged, "Record Changed");
    s_.update(f, row, v);
    std::set<std::int32_t> seen;
    for (const auto& b : all<data::EqBatch>(s_))
      if (!seen.insert(b.SortID).second) sharedSortId = true;
  }
  bool begin(std::chrono::milliseconds t) override {
    lastWait = t;
    return readOnlyWhy.empty() && s_.begin(t);
  }
  std::string readOnlyReason() const override { return readOnlyWhy; }

  std::string readOnlyWhy;  // as a company on read-only media: no change begins

  std::chrono::milliseconds lastWait{0};
};

class BatchRules : public PostingCompany {
 protected:
  // Batch numbers in display order.
  std::vector<int> order() {
    std::vector<int> ids;
    for (const auto& b : readWhere<data::EqBatch>(store(), "KeySortID", {}))
      ids.push_back(b.rec.BatchID);
    return ids;
  }
  std::set<std::int32_t> sortIds() {
    std::set<std::int32_t> s;
    for (const auto& b : all<data::EqBatch>(store())) s.insert(b.SortID);
    return s;
  }
  void fiveBatches() {
    for (std::uint16_t i = 1; i <= 5; ++i) batch(i, i * 10);
  }
};

TEST_F(BatchRules, ReorderMovesKeepTheSortValuesUniqueAndTheSameSet) {
  fiveBatches();
  WatchingStore watch(store());
  const auto before = sortIds();

  // The ends do not move past themselves.
  EXPECT_FALSE(reorderBatch(watch, 10, BatchMove::UpOne).moved);
  EXPECT_FALSE(reorderBatch(watch, 50, BatchMove::DownOne).moved);
  EXPECT_FALSE(reorderBatch(watch, 10, BatchMove::ToTop).moved);
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(watch.updates, 0);

  ReorderOutcome up = reorderBatch(watch, 30, BatchMove::UpOne);
  EXPECT_TRUE(up.moved);
  EXPECT_EQ(up.sortId, 20);
  EXPECT_EQ(order(), (std::vector<int>{1, 3, 2, 4, 5}));
  EXPECT_EQ(watch.lastWait, std::chrono::milliseconds(1000));

  // To the top of five: first, the four others one place down each.
  ReorderOutcome top = reorderBatch(watch, 40, BatchMove::ToTop);
  EXPECT_TRUE(top.moved);
  EXPECT_EQ(top.sortId, 10);
  EXPECT_EQ(order(), (std::vector<int>{4, 1, 3, 2, 5}));

  EXPECT_TRUE(reorderBatch(watch, 10, BatchMove::ToBottom).moved);
  EXPECT_EQ(order(), (std::vector<int>{1, 3, 2, 5, 4}));
  EXPECT_TRUE(reorderBatch(watch, 20, BatchMove::DownOne).moved);
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3, 5, 4}));

  EXPECT_EQ(sortIds(), before);
  EXPECT_FALSE(watch.sharedSortId);
}

TEST_F(BatchRules, AFailedReorderStageRollsBackAndSaysWhere) {
  fiveBatches();
  WatchingStore watch(store());
  watch.failUpdateAt = 3;  // park, one shift, then the second shift fails
  ReorderOutcome r = reorderBatch(watch, 40, BatchMove::ToTop);
  EXPECT_FALSE(r.moved);
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(r.message,
            "Record swap error: \nRecord Changed\nEQBatch, EQB:KeySortID\nKey Field EQB:SortID = "
            "30\nSection = Shift Stage\n");
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3, 4, 5}));
  EXPECT_EQ(sortIds(), (std::set<std::int32_t>{10, 20, 30, 40, 50}));

  // A company folder that cannot be written says so, not that the company is busy.
  watch.readOnlyWhy = "Cannot write the company folder /media/co: it is read only.";
  r = reorderBatch(watch, 40, BatchMove::ToTop);
  EXPECT_TRUE(r.failed);
  EXPECT_EQ(r.message, watch.readOnlyWhy);
  watch.readOnlyWhy.clear();

  watch.updates = 0;
  watch.failUpdateAt = 1;
  EXPECT_NE(reorderBatch(watch, 20, BatchMove::DownOne).message.find("Section = Put Swap Out\n"),
            std::string::npos);
  EXPECT_EQ(order(), (std::vector<int>{1, 2, 3, 4, 5}));
}

TEST_F(BatchRules, RepeatingBatchesMoveOnByDaysOrMonthsKeepingTheDay) {
  data::EqBatch b;
  b.Repeating = 1;
  b.FrequencyType = 1;
  b.Frequency2 = 1;
  EXPECT_EQ(nextRepeatDate(ymd(2024, 3, 15), b), ymd(2024, 4, 15));
  EXPECT_EQ(nextRepeatDate(ymd(2024, 1, 31), b), ymd(2024, 2, 29));
  EXPECT_EQ(nextRepeatDate(ymd(2023, 1, 31), b), ymd(2023, 2, 28));
  b.Frequency2 = 3;
  EXPECT_EQ(nextRepeatDate(ymd(2024, 11, 30), b), ymd(2025, 2, 28));
  b.FrequencyType = 0;
  b.Frequency = 7;
  EXPECT_EQ(nextRepeatDate(ymd(2024, 2, 26), b), ymd(2024, 3, 4));
  b.Frequency = 0;  // no interval: the entries stay where they are
  EXPECT_FALSE(repeatsWithInterval(b));
  EXPECT_EQ(nextRepeatDate(ymd(2024, 2, 26), b), ymd(2024, 2, 26));
  b.Frequency = 7;
  b.Repeating = 0;
  EXPECT_EQ(nextRepeatDate(ymd(2024, 2, 26), b), ymd(2024, 2, 26));

  data::EqBatch monthly = batch(1, 10);
  monthly.Repeating = 1;
  monthly.FrequencyType = 1;
  monthly.Frequency2 = 1;
  saveBatch(monthly);
  batch(2, 20);
  save(entry(1, "EX-1", ymd(2024, 3, 15), "2.00", "G/L Account"));
  save(entry(1, "EX-1", ymd(2024, 1, 31), "2.00", "G/L Account"));
  save(entry(2, "EX-1", ymd(2024, 3, 15), "2.00", "G/L Account"));
  ChangeOutcome moved = advanceRepeatingBatches(ctx(), {1, 2});
  EXPECT_TRUE(moved.done);
  EXPECT_EQ(moved.records, 2);
  std::vector<Date> dates;
  for (const auto& e : all<data::EqLogB>(store())) dates.push_back(e.Date);
  EXPECT_EQ(dates, (std::vector<Date>{ymd(2024, 4, 15), ymd(2024, 2, 29), ymd(2024, 3, 15)}));
}

TEST_F(BatchRules, EntriesMoveAndCopyBetweenBatchesInOneChange) {
  batch(1, 10);
  batch(2, 20);
  const std::int32_t a = save(entry(1, "EX-1", ymd(2024, 3, 15), "2.00", "G/L Account"));
  const std::int32_t b = save(entry(1, "DT-2", ymd(2024, 3, 16), "3.00", "G/L Account"));

  // Dropped on their own batch: nothing happens.
  ChangeOutcome same = moveEntries(ctx(), {a, b}, 1);
  EXPECT_TRUE(same.done);
  EXPECT_EQ(same.records, 0);

  ChangeOutcome copied = copyEntries(ctx(), {a, b}, 2);
  EXPECT_TRUE(copied.done);
  EXPECT_EQ(copied.records, 2);
  ChangeOutcome moved = moveEntries(ctx(), {b}, 2);
  EXPECT_EQ(moved.records, 1);
  std::map<int, int> perBatch;
  std::set<std::int32_t> ids;
  for (const auto& e : all<data::EqLogB>(store())) {
    ++perBatch[e.BatchID];
    ids.insert(e.LogID);
  }
  EXPECT_EQ(perBatch, (std::map<int, int>{{1, 1}, {2, 3}}));
  EXPECT_EQ(ids.size(), 4u) << "copies get numbers of their own";

  // A busy company refuses the whole move.
  frame::Session other(data::Company::open(dir() / "company"), clock_, "XYZ");
  ASSERT_TRUE(other.store().begin(std::chrono::milliseconds(100)));
  ChangeOutcome refused = moveEntries(ctx(), {a}, 2);
  other.store().rollback();
  EXPECT_FALSE(refused.done);
  EXPECT_EQ(refused.message, data::kCompanyBusyText);
  EXPECT_EQ(perBatch, (std::map<int, int>{{1, 1}, {2, 3}}));
}

TEST_F(BatchRules, DeletingABatchsEntriesLogsEachAndKeepsOrTakesTheBatch) {
  session().g.LogUserActivity = 2;
  batch(1, 10);
  data::EqBatch b2 = batch(2, 20);
  save(entry(1, "EX-1", ymd(2024, 3, 5), "12.50", "G/L Account"));
  save(entry(1, "DT-2", ymd(2024, 3, 6), "3.00", "G/L Account"));
  save(entry(2, "DT-2", ymd(2024, 3, 6), "1.00", "G/L Account"));

  ChangeOutcome logs = deleteBatchEntries(ctx(), 1, false);
  EXPECT_EQ(logs.records, 2);
  ChangeOutcome whole = deleteBatchEntries(ctx(), 2, true);
  EXPECT_EQ(whole.records, 1);
  EXPECT_TRUE(all<data::EqLogB>(store()).empty());
  const auto batches = all<data::EqBatch>(store());
  ASSERT_EQ(batches.size(), 1u);
  EXPECT_EQ(batches[0].BatchID, 1);
  std::vector<std::string> texts;
  for (const auto& l : all<data::UserLog>(store())) texts.push_back(l.Text.str());
  EXPECT_EQ(texts, (std::vector<std::string>{
                       "Deleted a log entry for equipment EX-1, 12.5 HRS on 03/05/24",
                       "Deleted a log entry for equipment DT-2, 3 HRS on 03/06/24",
                       "Deleted a log entry for equipment DT-2, 1 HRS on 03/06/24",
                       "Deleted log entry batch (2) Batch 2"}));
}

TEST_F(BatchRules, DeletingOneEntryLogsItUnlessTheEntryWasNeverNumbered) {
  session().g.LogUserActivity = 2;
  batch(1, 10);
  const std::int32_t kept = save(entry(1, "EX-1", ymd(2024, 3, 5), "12.50", "G/L Account"));
  data::EqLogB unnumbered = entry(1, "DT-2", ymd(2024, 3, 6), "3.00", "G/L Account");
  unnumbered.LogID = 0;
  store().insert(data::EqLogB::def(), detail::rowOf(unnumbered));

  EXPECT_EQ(deleteEntry(ctx(), 0, false).records, 1);
  EXPECT_EQ(deleteEntry(ctx(), 999).records, 0);
  ChangeOutcome one = deleteEntry(ctx(), kept);
  EXPECT_TRUE(one.done);
  EXPECT_EQ(one.records, 1);
  EXPECT_TRUE(all<data::EqLogB>(store()).empty());
  std::vector<std::string> texts;
  for (const auto& l : all<data::UserLog>(store())) texts.push_back(l.Text.str());
  EXPECT_EQ(
      texts,
      (std::vector<std::string>{"Deleted a log entry for equipment EX-1, 12.5 HRS on 03/05/24"}));
}

TEST_F(BatchRules, AccessOwnershipAndInUseRules) {
  data::EqBatch mine = batch(1, 10);
  data::EqBatch modify = batch(2, 20, "XYZ", 1);
  data::EqBatch hidden = batch(3, 30, "XYZ", 2);
  data::EqBatch open = batch(4, 40, "XYZ", 0);

  EXPECT_EQ(entryAccess(mine, "ABC").caption, "Usage Logs included in Highlighted Batch");
  EntryAccess m = entryAccess(modify, "ABC");
  EXPECT_EQ(m.caption, "Usage Logs included in Highlighted Batch can only be modified by user XYZ");
  EXPECT_TRUE(!m.enabled && m.listVisible);
  EntryAccess h = entryAccess(hidden, "ABC");
  EXPECT_EQ(h.caption, "Usage Logs included in Highlighted Batch can only be viewed by user XYZ");
  EXPECT_TRUE(!h.enabled && !h.listVisible);
  EXPECT_TRUE(entryAccess(open, "ABC").enabled);

  auto refused = ownershipRefusal(modify, "ABC", OwnedAction::Tag);
  ASSERT_TRUE(refused);
  EXPECT_EQ(refused->caption, "Unable to Tag Batch");
  EXPECT_EQ(refused->text, "This batch can only be tagged by user XYZ.");
  EXPECT_EQ(ownershipRefusal(hidden, "ABC", OwnedAction::Delete)->text,
            "This batch can only be deleted by user XYZ.");
  EXPECT_FALSE(ownershipRefusal(open, "ABC", OwnedAction::Tag));
  EXPECT_FALSE(ownershipRefusal(modify, "XYZ", OwnedAction::Tag));

  // A mark of a user who is not signed on asks nothing, nor one whose sign-on record was left
  // by a process that ended; a user signed on at another workstation is asked about.
  open.InUse = "XYZ";
  EXPECT_FALSE(inUseQuestion(ctx(), open, {}));
  data::NetUser leftOver;
  leftOver.UserID = "XYZ";
  leftOver.CompanyID = session().g.COMPANYID.str();
  add(ctx(), leftOver);
  EXPECT_FALSE(inUseQuestion(ctx(), open, {}));
  frame::Session xyz(data::Company::open(dir() / "company"), clock_, "XYZ");
  xyz.signOn();
  EXPECT_EQ(*inUseQuestion(ctx(), open, {}),
            "This usage log batch is flagged as being in use |by user XYZ.  If you suspect that "
            "user XYZ|is not currently using the batch, please check.|If you are certain there "
            "are no other users entering |or posting in this batch, you may select Proceed.");
  EXPECT_FALSE(inUseQuestion(ctx(), open, {4})) << "a batch in the tag list is not asked about";
  open.InUse = "ABC";
  EXPECT_FALSE(inUseQuestion(ctx(), open, {}));
}

TEST_F(BatchRules, TaggingMarksTheBatchAsTagAllDoes) {
  batch(1, 10);
  batch(2, 20, "XYZ", 1);
  batch(3, 30, "XYZ", 0);
  TagList tags;

  // Single tagging of a free batch marks it (mended: it used to stay unmarked).
  EXPECT_EQ(toggleTag(ctx(), 1, tags).step, TagOutcome::Step::Tagged);
  EXPECT_EQ(tags, (TagList{1}));
  EXPECT_EQ(readBatch(ctx(), 1)->InUse.str(), "ABC");
  EXPECT_EQ(toggleTag(ctx(), 1, tags).step, TagOutcome::Step::Untagged);
  EXPECT_TRUE(tags.empty());
  EXPECT_TRUE(readBatch(ctx(), 1)->InUse.empty());

  EXPECT_EQ(toggleTag(ctx(), 2, tags).refusal.text, "This batch can only be tagged by user XYZ.");
  EXPECT_TRUE(tags.empty());

  // Another signed-on user's mark: asked, then taken over on Proceed.
  ASSERT_TRUE(setInUse(ctx(), 3, "XYZ").done);
  frame::Session xyz(data::Company::open(dir() / "company"), clock_, "XYZ");
  xyz.signOn();
  TagOutcome ask = toggleTag(ctx(), 3, tags);
  EXPECT_EQ(ask.step, TagOutcome::Step::Ask);
  EXPECT_EQ(ask.refusal.caption, "Batch In Use");
  EXPECT_TRUE(tags.empty());

  TagOutcome all = tagAll(ctx(), tags);
  EXPECT_EQ(all.step, TagOutcome::Step::Refused);
  EXPECT_EQ(all.refusal.caption, "Cannot Tag All");
  EXPECT_EQ(all.refusal.text, "At least one Usage Log Batch is currently in use by another user");

  EXPECT_EQ(toggleTag(ctx(), 3, tags, true).step, TagOutcome::Step::Tagged);
  EXPECT_EQ(readBatch(ctx(), 3)->InUse.str(), "ABC");

  // Tag All leaves the foreign protected batch out, unmarked.
  EXPECT_EQ(tagAll(ctx(), tags).step, TagOutcome::Step::Tagged);
  EXPECT_EQ(tags, (TagList{1, 3}));
  EXPECT_TRUE(readBatch(ctx(), 2)->InUse.empty());
  reverseTags(ctx(), tags);
  EXPECT_EQ(tags, (TagList{2}));
  EXPECT_EQ(readBatch(ctx(), 1)->InUse.str(), "ABC") << "reversing touches no mark";
  tags = {1, 3};
  EXPECT_TRUE(untagAll(ctx(), tags).done);
  EXPECT_TRUE(tags.empty());
  EXPECT_TRUE(readBatch(ctx(), 1)->InUse.empty() && readBatch(ctx(), 3)->InUse.empty());
}

}  // namespace
}  // namespace koreq::usagelog::test
