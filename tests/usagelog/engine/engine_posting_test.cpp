// The posting service: what a posting writes, what stops it, and two users of one company.

#include <gtest/gtest.h>

#include <map>

#include "check/record_walk.h"
#include "check/totals_check.h"
#include "engine_fixture.h"
#include "frame/registry.h"
#include "usagelog/engine/posting.h"
#include "usagelog/engine/posting_flow.h"

namespace koreq::usagelog::test {
namespace {

using detail::readWhere;

class Posting : public PostingCompany {
 protected:
  std::vector<data::GlTrans> ledger() {
    std::vector<data::GlTrans> out;
    for (auto& t : readWhere<data::GlTrans>(store(), "KeyRecordID", {})) out.push_back(t.rec);
    return out;
  }

  // Batch 1 holds one entry of every detail type; batch 2 repeats monthly.
  void everyDetailType() {
    batch(1, 10);
    data::EqBatch monthly = batch(2, 20);
    monthly.Repeating = 1;
    monthly.FrequencyType = 1;
    monthly.Frequency2 = 1;
    saveBatch(monthly);

    data::EqLogB job = entry(1, "EX-1", ymd(2024, 3, 18), "10.00", "Job");
    job.AdjustedAmount = money("950.00");  // an adjustment of -50.00
    job.JobID = "2144";
    job.CostCode = "02-200E";
    job.GLAccount = "5100";
    save(job);
    data::EqLogB account = entry(1, "DT-2", ymd(2024, 3, 19), "4.00", "G/L Account");
    account.GLAccount = "7100";
    save(account);
    data::EqLogB charged = entry(1, "EX-1", ymd(2024, 3, 19), "2.00", "Equipment", "R");
    charged.EquipmentIDCharged = "DT-2";
    charged.Category = "REPAIR";
    save(charged);
    data::EqLogB shop = entry(1, "DT-2", ymd(2024, 3, 20), "3.00", "Maintenance");
    shop.Category = "REPAIR";
    shop.AdjustedAmount = Decimal();  // shop time is not charged
    save(shop);
    data::EqLogB repeat = entry(2, "EX-1", ymd(2024, 3, 15), "1.00", "G/L Account");
    repeat.GLAccount = "7100";
    save(repeat);
  }
};

std::string lineText(const data::GlTrans& t) {
  return t.CreditDebit.str() + " " + t.AccountNumber.str() + " " + t.Amount.toString() + " " +
         t.DetailType.str() + " [" + t.SubsidiaryID.str() + "|" + t.SubsidiaryCode.str() + "|" +
         t.EquipmentID.str() + "|" + t.CostCategory.str() + "|" + t.JobID.str() + "|" +
         t.CostCode.str() + t.CostType.str() + "] " + t.SubsidiaryQuantity.toString() + " " +
         t.SubsidiaryUnit.str();
}

// What the totals check finds wrong with the company: nothing after any posting.
std::vector<std::string> totalsFaults(data::Store& store) {
  std::vector<std::string> faults;
  std::int64_t records = 0;
  check::checkTotals(check::RecordWalk(
      store,
      [&](const std::string& file, std::string record, std::string problem) {
        faults.push_back(file + " " + record + ": " + problem);
      },
      records));
  return faults;
}

TEST_F(Posting, EveryDetailTypeWritesItsLedgerLinesAndTotals) {
  everyDetailType();
  PostingResult r = postBatches(ctx(), {1, 2});
  ASSERT_TRUE(r.posted) << r.message;
  EXPECT_EQ(r.entries, 5);
  EXPECT_EQ(r.ledgerLines, 8);
  EXPECT_EQ(r.journals, (std::vector<std::int32_t>{1}));
  EXPECT_EQ(r.amount, money("1670.00"));

  std::vector<std::string> lines;
  for (const auto& t : ledger()) {
    lines.push_back(lineText(t));
    EXPECT_EQ(t.JournalID.str(), "E/Q");
    EXPECT_EQ(t.JournalNo, 1);
    EXPECT_EQ(t.LineNo, static_cast<int>(lines.size()));
    EXPECT_EQ(t.FiscalPeriod, 15);
    EXPECT_EQ(t.FiscalPeriodLabel.str(), "03/24");
    EXPECT_EQ(t.Posted, 1);
    EXPECT_EQ(t.PostingDate, ymd(2024, 3, 20));
    EXPECT_EQ(t.UserID.str(), "ABC");
  }
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "D 5100 950.00 Job [J|2144      02-200E|EX-1||2144|02-200E] 10.00 HRS",
                       "C 4110 950.00 Equipment [E|EX-1      .I|EX-1|.I||] 10.00 HRS",
                       "D 7100 320.00 G/L Account [||DT-2|||] 4.00 HRS",
                       "C 4100 320.00 Equipment [E|DT-2      .I|DT-2|.I||] 4.00 HRS",
                       "D 6100 300.00 Equipment [E|DT-2      REPAIR|DT-2|REPAIR||] 2.00 HRS",
                       "C 4200 300.00 Equipment [E|EX-1      .R|EX-1|.R||] 2.00 DAY",
                       "D 7100 100.00 G/L Account [||EX-1|||] 1.00 HRS",
                       "C 4110 100.00 Equipment [E|EX-1      .I|EX-1|.I||] 1.00 HRS",
                   }));
  EXPECT_EQ(ledger()[0].Description.str(), "Job use");

  const auto log = all<data::EqLog>(store());
  ASSERT_EQ(log.size(), 5u);
  for (const auto& l : log) {
    EXPECT_EQ(l.Posted, 1);
    EXPECT_EQ(l.JournalNumber, 1);
    EXPECT_EQ(l.Type, l.ChargeType);
  }

  const data::EqHeader ex = header("EX-1");
  EXPECT_EQ((std::vector<Decimal>{ex.CumulativeUnits, ex.YearUnits, ex.MonthUnits}),
            (std::vector<Decimal>{money("13"), money("13"), money("13")}));
  EXPECT_EQ(ex.CumulativeInternalUnits, money("11"));
  EXPECT_EQ(ex.MonthInternalIncome, money("1050"));
  EXPECT_EQ(ex.YearRentalUnits, money("2"));
  EXPECT_EQ(ex.CumulativeRentalIncome, money("300"));
  EXPECT_EQ(ex.InternalThisPosting, money("1050"));
  EXPECT_EQ(ex.RentalUnitsThisPosting, money("2"));
  EXPECT_EQ(ex.CurrentMeter, money("1010")) << "the highest end meter";
  EXPECT_EQ(ex.LastPostingFiscalPeriod, 15);
  const data::EqHeader dt = header("DT-2");
  EXPECT_EQ(dt.CumulativeUnits, money("7"));
  EXPECT_EQ(dt.MonthNonProductiveUnits, money("3"));
  EXPECT_EQ(dt.CumulativeInternalUnits, money("4"));
  EXPECT_EQ(dt.CumulativeInternalIncome, money("320"));
  EXPECT_EQ(dt.CurrentMeter, money("52000")) << "a lower end meter leaves the meter";

  const data::EqCost repair =
      readWhere<data::EqCost>(store(), "KeyEquipmentCategory", {"DT-2", "REPAIR"}).front().rec;
  EXPECT_EQ((std::vector<Decimal>{repair.CumulativeUnitUsed, repair.MonthUnitsUsed,
                                  repair.CumulativeAmount, repair.YearAmount}),
            (std::vector<Decimal>{money("2"), money("2"), money("300"), money("300")}));

  const auto prior = all<data::EqPrior>(store());
  ASSERT_EQ(prior.size(), 2u);
  const auto priorM = all<data::EqPriorM>(store());
  ASSERT_EQ(priorM.size(), 2u);
  for (const auto& p : priorM) {
    EXPECT_EQ(p.Year, 2024);
    EXPECT_EQ(p.FiscalPeriod, 15);
    if (p.EquipmentID == "EX-1") {
      EXPECT_EQ(p.InternalIncome, money("1050"));
      EXPECT_EQ(p.RentalUnits, money("2"));
    } else {
      EXPECT_EQ(p.NonProductiveUnits, money("3"));
    }
  }
  const auto priorCM = all<data::EqPriorCM>(store());
  ASSERT_EQ(priorCM.size(), 1u);
  EXPECT_EQ(priorCM[0].Amount, money("300"));
  ASSERT_EQ(all<data::EqPriorC>(store()).size(), 1u);

  // The plain batch is emptied, the repeating one keeps its entry a month on.
  const auto left = all<data::EqLogB>(store());
  ASSERT_EQ(left.size(), 1u);
  EXPECT_EQ(left[0].BatchID, 2);
  EXPECT_EQ(left[0].Date, ymd(2024, 4, 15));
  for (const auto& b : all<data::EqBatch>(store())) {
    EXPECT_EQ(b.DateLastPosting, ymd(2024, 3, 20));
    EXPECT_TRUE(b.InUse.empty());
  }

  // The next posting runs the journal numbers on; the prior records grow in place.
  clock_.set(ymd(2024, 4, 16), Time::fromHms(9, 0));
  PostingResult again = postBatches(ctx(), {2});
  ASSERT_TRUE(again.posted) << again.message;
  EXPECT_EQ(again.journals, (std::vector<std::int32_t>{2}));
  EXPECT_EQ(all<data::EqPrior>(store()).size(), 2u);
  EXPECT_EQ(all<data::EqPriorM>(store()).size(), 3u);
  EXPECT_EQ(header("EX-1").MonthUnits, money("1")) << "April's entry alone: a new month";
  EXPECT_EQ(header("EX-1").YearUnits, money("14"));
  EXPECT_EQ(totalsFaults(store()), std::vector<std::string>{});
}

TEST_F(Posting, MonthAndYearFiguresStartAfreshInALaterPeriodAndYear) {
  data::GlFiscal january;
  january.FiscalPeriod = 25;
  january.Description = "January 2025";
  january.PeriodDate = ymd(2025, 1, 31);
  january.FiscalYear = 2025;
  january.Label = "01/25";
  add(ctx(), january);
  batch(1, 10);
  auto use = [&](const char* units, Date d) {
    data::EqLogB e = entry(1, "EX-1", d, units, "Equipment");
    e.EquipmentIDCharged = "DT-2";
    e.Category = "REPAIR";
    save(e);
  };
  auto post = [&](Date today) {
    clock_.set(today, Time::fromHms(17, 0));
    PostingResult r = postBatches(ctx(), {1});
    ASSERT_TRUE(r.posted) << r.message;
    EXPECT_EQ(totalsFaults(store()), std::vector<std::string>{});
  };

  use("3.00", ymd(2024, 3, 18));
  post(ymd(2024, 3, 20));
  // April: a late March entry counts in March; the month holds April alone, the year both.
  use("2.00", ymd(2024, 4, 2));
  use("1.00", ymd(2024, 3, 29));
  post(ymd(2024, 4, 3));
  data::EqHeader h = header("EX-1");
  EXPECT_EQ((std::vector<Decimal>{h.CumulativeUnits, h.YearUnits, h.MonthUnits}),
            (std::vector<Decimal>{money("6"), money("6"), money("2")}));
  EXPECT_EQ(h.MonthInternalIncome, money("200"));
  EXPECT_EQ(h.InternalThisPosting, money("300")) << "this posting's figures only";
  EXPECT_EQ(h.LastPostingFiscalPeriod, 16);
  auto repair = [&] {
    return readWhere<data::EqCost>(store(), "KeyEquipmentCategory", {"DT-2", "REPAIR"}).front().rec;
  };
  EXPECT_EQ(
      (std::vector<Decimal>{repair().CumulativeAmount, repair().YearAmount, repair().MonthAmount}),
      (std::vector<Decimal>{money("600"), money("600"), money("200")}));
  // A new fiscal year starts the year figures afresh too.
  use("4.00", ymd(2025, 1, 9));
  post(ymd(2025, 1, 10));
  h = header("EX-1");
  EXPECT_EQ((std::vector<Decimal>{h.CumulativeUnits, h.YearUnits, h.MonthUnits}),
            (std::vector<Decimal>{money("10"), money("4"), money("4")}));
  EXPECT_EQ((std::vector<Decimal>{repair().CumulativeUnitUsed, repair().YearUnitsUsed,
                                  repair().MonthUnitsUsed}),
            (std::vector<Decimal>{money("10"), money("4"), money("4")}));

  // A total changed behind the program's back is found, naming the equipment and both figures.
  auto row = readWhere<data::EqHeader>(store(), "KeyEquipmentID", {std::string("EX-1")}).front();
  row.rec.CumulativeUnits = money("11");
  store().update(data::EqHeader::def(), row.rowId, detail::rowOf(row.rec));
  EXPECT_EQ(totalsFaults(store()),
            (std::vector<std::string>{"EQHEADER EQH:EquipmentID EX-1: EQH:CumulativeUnits is "
                                      "11.00, its posted usage (EQLOG) sums to 10.00"}));
}

TEST_F(Posting, TheQuestionBeforeAndTheSummaryAfter) {
  batch(1, 10);
  data::EqBatch repeating = batch(2, 20);
  repeating.Repeating = 1;  // but no interval
  saveBatch(repeating);
  data::EqLogB backwards = entry(1, "EX-1", ymd(2024, 3, 18), "-4076.00", "G/L Account");
  backwards.GLAccount = "7100";
  save(backwards);
  data::EqLogB plain = entry(1, "DT-2", ymd(2024, 3, 19), "5.00", "G/L Account");
  plain.GLAccount = "7100";
  save(plain);
  save(plain);
  plain.BatchID = 2;
  save(plain);

  // A batch named twice is one batch.
  const PostingPreview preview = previewPosting(ctx(), {1, 1});
  EXPECT_EQ(preview.question(),
            "Post 1 batch (000001): 3 entries, total charge -406,800.00?||1 entry has units "
            "below zero:|Batch 000001, entry 1 (EX-1, 03/18/24): -4,076.00 units, -407,600.00");

  PostingResult refused = postBatches(ctx(), {2});
  EXPECT_FALSE(refused.posted);
  EXPECT_EQ(refused.failureLines(),
            (std::vector<std::string>{"Batch 000002: the batch is repeating but has no interval"}));

  PostingResult r = postBatches(ctx(), {1, 1});
  ASSERT_TRUE(r.posted) << r.message;
  EXPECT_EQ(r.entries, 3);
  EXPECT_EQ(r.summary(),
            "Posted 3 entries in journal E/Q 1: 6 ledger lines, debits 408,400.00 = credits "
            "408,400.00, total charge -406,800.00");
  EXPECT_EQ(totalsFaults(store()), std::vector<std::string>{});
}

TEST_F(Posting, AnyFailingEntryPostsNothingAndEveryFailureIsListed) {
  batch(1, 10);
  data::EqBatch taken = batch(2, 20, "XYZ", 0);
  taken.InUse = "XYZ";
  saveBatch(taken);
  frame::Session xyz(data::Company::open(dir() / "company"), clock_, "XYZ");
  xyz.signOn();

  save(entry(1, "EX-1", ymd(2024, 3, 18), "1.00", "G/L Account"));  // no account
  data::EqLogB closed = entry(1, "EX-1", ymd(2024, 2, 20), "1.00", "G/L Account");
  closed.GLAccount = "3900";
  save(closed);
  data::EqLogB locked = entry(1, "NOPE", ymd(2023, 12, 1), "1.00", "G/L Account");
  locked.GLAccount = "7999";
  save(locked);
  data::EqLogB future = entry(1, "DT-2", ymd(2026, 1, 5), "1.00", "Job");
  future.JobID = "2144";
  future.CostCode = "02-900E";
  future.GLAccount = "5100";
  save(future);
  data::EqLogB category = entry(1, "EX-1", ymd(2024, 3, 18), "1.00", "Equipment");
  category.EquipmentIDCharged = "DT-2";
  category.Category = "PM-A";
  save(category);
  data::EqLogB good = entry(1, "EX-1", ymd(2024, 3, 18), "1.00", "G/L Account");
  good.GLAccount = "7100";
  save(good);
  data::EqLogB other = good;
  other.BatchID = 2;
  save(other);

  PostingResult r = postBatches(ctx(), {1, 2});
  EXPECT_FALSE(r.posted);
  EXPECT_EQ(r.failureLines(),
            (std::vector<std::string>{
                "Batch 000001, entry 1 (EX-1, 03/18/24): no account",
                "Batch 000001, entry 2 (EX-1, 02/20/24): fiscal period 14 (February 2024) is "
                "closed; account 3900 is the current earnings account, which cannot be posted to "
                "directly",
                "Batch 000001, entry 3 (NOPE, 12/01/23): equipment NOPE does not exist; fiscal "
                "period 12 (December 2023) is locked; account 7999 is inactive",
                "Batch 000001, entry 4 (DT-2, 01/05/26): no fiscal period holds 01/05/26; cost "
                "code 02-900E of job 2144 is inactive",
                "Batch 000001, entry 5 (EX-1, 03/18/24): equipment DT-2 has no cost category PM-A",
                "Batch 000002: in use by user XYZ",
            }));
  EXPECT_TRUE(all<data::EqLog>(store()).empty());
  EXPECT_TRUE(ledger().empty());
  EXPECT_EQ(all<data::EqLogB>(store()).size(), 7u);
  EXPECT_TRUE(header("EX-1").CumulativeUnits.isZero());

  // The same through POSTINGCONTROL, as the batch manager calls it.
  frame::ProcedureRegistry registry;
  registerPostingControl(registry);
  ctx().g.TAGQUE = {1};
  ctx().g.POSTTYPE = kPostUsageLogs;
  ASSERT_TRUE(registry.call(ctx(), "POSTINGCONTROL"));
  EXPECT_EQ(ctx().g.POSTTYPE, kPostUsageLogs) << "not 99: nothing was posted";
  EXPECT_EQ(ctx().g.RXQUEUE.size(), 5u);
  ASSERT_TRUE(ctx().errors().last());
  EXPECT_EQ(ctx().errors().last()->message.rfind("Nothing was posted.|Batch 000001, entry 1", 0),
            0u);
}

TEST_F(Posting, ANegativeChargeReversesTheSides) {
  batch(1, 10);
  data::EqLogB credit = entry(1, "EX-1", ymd(2024, 3, 18), "-2.00", "G/L Account");
  credit.GLAccount = "7100";
  save(credit);
  ctx().g.TAGQUE = {1};
  ctx().g.POSTTYPE = kPostUsageLogs;
  POSTINGCONTROL(ctx());
  EXPECT_EQ(ctx().g.POSTTYPE, kPostingDone);
  std::vector<std::string> lines;
  for (const auto& t : ledger()) lines.push_back(lineText(t));
  EXPECT_EQ(lines, (std::vector<std::string>{
                       "C 7100 200.00 G/L Account [||EX-1|||] 2.00 HRS",
                       "D 4110 200.00 Equipment [E|EX-1      .I|EX-1|.I||] 2.00 HRS"}));
  EXPECT_EQ(header("EX-1").CumulativeInternalIncome, money("-200"));
}

// Two workstations in one company: each session is a connection of its own.
TEST_F(Posting, TwoUsersInUseMarksAndOnePosterAtATime) {
  everyDetailType();
  frame::Session xyzSession(data::Company::open(dir() / "company"), clock_, "XYZ");
  frame::Context xyz(xyzSession);
  TagList mine, theirs;
  const std::string company = session().g.COMPANYID.str();

  // ABC and XYZ are signed on; ABC tags batch 1, XYZ is asked before taking it over.
  session().signOn();
  xyzSession.signOn();
  ASSERT_EQ(readWhere<data::NetUser>(store(), "KeyUserCompany", {"XYZ", company}).size(), 1u);
  ASSERT_EQ(toggleTag(ctx(), 1, mine).step, TagOutcome::Step::Tagged);
  TagOutcome ask = toggleTag(xyz, 1, theirs);
  EXPECT_EQ(ask.step, TagOutcome::Step::Ask);
  EXPECT_NE(ask.refusal.text.find("by user ABC."), std::string::npos);
  ASSERT_EQ(toggleTag(xyz, 1, theirs, true).step, TagOutcome::Step::Tagged);

  // ABC's posting now finds the batch taken over and posts nothing.
  PostingRun taken = postTaggedBatches(ctx(), mine, nullptr);
  EXPECT_FALSE(taken.posted());
  EXPECT_EQ(taken.result.failureLines(),
            (std::vector<std::string>{"Batch 000001: in use by user XYZ"}));
  EXPECT_TRUE(all<data::EqLog>(store()).empty());

  // While XYZ posts, ABC is told who is posting, and may post once XYZ is done.
  PostingClaim claim = claimPosting(xyz);
  ASSERT_TRUE(claim.claimed);
  PostingRun waiting = postTaggedBatches(ctx(), mine, nullptr);
  ASSERT_TRUE(waiting.refusal);
  EXPECT_EQ(waiting.refusal->caption, "Another Posting In Process");
  EXPECT_EQ(waiting.refusal->text,
            "Right now Xavier Y. is posting Equipment Usage Logs.  You may post when their "
            "posting process is complete.");
  EXPECT_FALSE(claimPosting(ctx()).claimed);
  ctx().g.TAGQUE = theirs;
  PostingResult posted = postBatches(xyz, theirs);
  ASSERT_TRUE(posted.posted) << posted.message;
  releasePosting(xyz, claim);
  const auto idle = readWhere<data::NetUser>(store(), "KeyUserCompany", {"XYZ", company});
  ASSERT_EQ(idle.size(), 1u) << "XYZ stays signed on";
  EXPECT_TRUE(idle.front().rec.Activity.empty() && !idle.front().rec.Posting);
  EXPECT_EQ(all<data::EqLog>(store()).size(), 4u);

  // Now ABC may post the repeating batch; the right to post is the user's.
  ASSERT_EQ(toggleTag(ctx(), 2, mine).step, TagOutcome::Step::Tagged);
  PostingRun run = postTaggedBatches(ctx(), mine, nullptr);
  ASSERT_TRUE(run.posted()) << (run.refusal ? run.refusal->text : run.result.message);
  EXPECT_TRUE(mine.empty()) << "untagged after posting";
  EXPECT_EQ(ctx().g.POSTTYPE, 0);
  const auto net = readWhere<data::NetUser>(store(), "KeyUserCompany", {"ABC", company});
  ASSERT_EQ(net.size(), 1u);
  EXPECT_TRUE(net.front().rec.Activity.empty() && !net.front().rec.Posting);

  frame::Session nopSession(data::Company::open(dir() / "company"), clock_, "NOP");
  frame::Context nop(nopSession);
  TagList nopTags{2};
  PostingRun denied = postTaggedBatches(nop, nopTags, nullptr);
  ASSERT_TRUE(denied.refusal);
  EXPECT_EQ(denied.refusal->caption, "Access Denied");
  EXPECT_EQ(denied.refusal->text, "This user is not allowed to post Equipment Usage Logs.");

  // Signing off takes the record away; one left by a process that ended counts for nothing.
  xyzSession.signOff();
  EXPECT_TRUE(readWhere<data::NetUser>(store(), "KeyUserCompany", {"XYZ", company}).empty());
  EXPECT_FALSE(signedOn(ctx(), "XYZ"));
  data::NetUser leftOver;
  leftOver.UserID = "XYZ";
  leftOver.CompanyID = company;
  leftOver.Activity = kPostingActivity;
  leftOver.Posting = 1;
  add(ctx(), leftOver);
  EXPECT_FALSE(signedOn(ctx(), "XYZ"));
  PostingClaim after = claimPosting(ctx());
  EXPECT_TRUE(after.claimed) << "a posting whose process ended blocks nobody";
  releasePosting(ctx(), after);
}

TEST_F(Posting, TheBackupComesFirstWhenTheUserAsksForIt) {
  everyDetailType();
  auto users = readWhere<data::UserFile>(store(), "KeyUserID", {"ABC"});
  users.front().rec.BackupBeforePosting = 1;
  store().update(data::UserFile::def(), users.front().rowId, detail::rowOf(users.front().rec));
  TagList tags{1};
  int backups = 0;
  PostingRun failed = postTaggedBatches(ctx(), tags, [&](frame::Context&) {
    ++backups;
    return false;
  });
  EXPECT_EQ(backups, 1);
  ASSERT_TRUE(failed.refusal);
  EXPECT_TRUE(all<data::EqLog>(store()).empty());
  PostingRun done = postTaggedBatches(ctx(), tags, [&](frame::Context& c) {
    ++backups;
    EXPECT_TRUE(all<data::EqLog>(c.store()).empty()) << "before anything is posted";
    return true;
  });
  EXPECT_TRUE(done.posted());
  EXPECT_EQ(backups, 2);
}

}  // namespace
}  // namespace koreq::usagelog::test
