#include "usagelog/engine/posting_flow.h"

#include <filesystem>

#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/permissions.h"
#include "frame/presence.h"
#include "runtime/ini.h"
#include "runtime/text.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::usagelog {

using detail::readWhere;
using detail::rowOf;

std::optional<Refusal> postingRightRefusal(frame::Context& ctx) {
  frame::UserPermissions p = frame::readUserPermissions(ctx);
  if (!p.found)
    return Refusal{"Access Denied",
                   (p.errorText.empty() ? data::fileErrorText(p.errorCode) : p.errorText) +
                       " Getting User Record"};
  if (!p.postEquipmentLogs)
    return Refusal{"Access Denied", "This user is not allowed to post Equipment Usage Logs."};
  return std::nullopt;
}

namespace {

// "Right now Dana W. is posting Equipment Usage Logs.  You may post ..." for the posting that
// holds the company's posting lock.
Refusal anotherPosting(frame::Context& ctx) {
  data::Store& store = ctx.store();
  const std::string company = ctx.session().g.COMPANYID.str();
  std::string name = "another workstation", activity = kPostingActivity;
  // The poster is among the users whose record names an activity: one still signed on first,
  // as records left by processes that ended may name one too.
  std::optional<data::NetUser> poster;
  for (const auto& n : readWhere<data::NetUser>(store, "KeyUserCompany", {})) {
    if (n.rec.CompanyID.str() != company || n.rec.Activity.empty()) continue;
    if (frame::userSignedOn(ctx.session(), n.rec.UserID.str())) {
      poster = n.rec;
      break;
    }
    if (!poster) poster = n.rec;
  }
  if (poster) {
    name = poster->UserID.str();
    activity = poster->Activity.str();
    auto who = readWhere<data::UserFile>(store, "KeyUserID", {poster->UserID.str()}, 1);
    if (!who.empty()) {
      const std::string last = who.front().rec.LastName.str();
      name = who.front().rec.FirstName.str() + " " + cutToChars(last, 1) + ".";
    }
  }
  return Refusal{"Another Posting In Process",
                 "Right now " + name + " is posting " + activity +
                     ".  You may post when their posting process is complete."};
}

}  // namespace

PostingClaim claimPosting(frame::Context& ctx) {
  PostingClaim claim;
  data::Store& store = ctx.store();
  const std::string company = ctx.session().g.COMPANYID.str();
  const std::string& user = ctx.userId();
  // The lock is the claim: it goes with the process that holds it, however that ends.
  if (!store.holdLock(frame::kPostingLock, true)) {
    claim.refusal = anotherPosting(ctx);
    return claim;
  }
  data::Transaction tx(store);
  if (!tx.begun()) {
    store.releaseLock(frame::kPostingLock);
    claim.refusal = Refusal{"Another Posting In Process", data::refusedText(store)};
    return claim;
  }
  try {
    for (auto& n : readWhere<data::NetUser>(store, "KeyUserCompany", {})) {
      if (n.rec.CompanyID.str() != company || n.rec.UserID.str() == user ||
          (n.rec.Activity.empty() && !n.rec.Posting))
        continue;
      // Left by a posting whose process ended: nobody else holds the posting lock.
      n.rec.Activity = "";
      n.rec.Posting = 0;
      store.update(data::NetUser::def(), n.rowId, rowOf(n.rec));
    }
    auto own = readWhere<data::NetUser>(store, "KeyUserCompany", {user, company}, 1);
    data::NetUser rec;
    if (!own.empty()) rec = own.front().rec;
    rec.UserID = user;
    rec.CompanyID = company;
    rec.Activity = kPostingActivity;
    rec.Posting = 1;
    if (own.empty()) {
      store.insert(data::NetUser::def(), rowOf(rec));
      claim.signedOnHere = !ctx.session().isSignedOn();
    } else {
      store.update(data::NetUser::def(), own.front().rowId, rowOf(rec));
    }
    tx.commit();
  } catch (const data::StoreError& e) {
    tx.rollback();
    store.releaseLock(frame::kPostingLock);
    ctx.errors().fileError(e.code(), e.what(), "Saving", "NetUser");
    claim.refusal =
        Refusal{"Another Posting In Process", std::string(e.what()) + " Saving NetUser"};
    claim.signedOnHere = false;
    return claim;
  }
  claim.claimed = true;
  return claim;
}

void releasePosting(frame::Context& ctx, const PostingClaim& claim) {
  if (!claim.claimed) return;
  data::Store& store = ctx.store();
  const std::string company = ctx.session().g.COMPANYID.str();
  std::string why;
  bool ok = data::allOrNothing(
      store,
      [&](std::string*) {
        auto own = readWhere<data::NetUser>(store, "KeyUserCompany", {ctx.userId(), company}, 1);
        if (own.empty()) return true;
        if (claim.signedOnHere) {
          store.remove(data::NetUser::def(), own.front().rowId);
        } else {
          own.front().rec.Activity = "";
          own.front().rec.Posting = 0;
          store.update(data::NetUser::def(), own.front().rowId, rowOf(own.front().rec));
        }
        return true;
      },
      &why);
  store.releaseLock(frame::kPostingLock);
  if (!ok) ctx.errors().report(data::kDriverError, why + " Saving NetUser");
}

PostingRun postTaggedBatches(frame::Context& ctx, TagList& tags,
                             const std::function<bool(frame::Context&)>& backup) {
  PostingRun run;
  if ((run.refusal = postingRightRefusal(ctx))) return run;
  const bool wantsBackup = ctx.rec<data::UserFile>().BackupBeforePosting != 0;
  PostingClaim claim = claimPosting(ctx);
  if (!claim.claimed) {
    run.refusal = claim.refusal;
    return run;
  }

  // Other workstations learn of the posting through this entry.
  const std::string company = ctx.session().g.COMPANYID.str();
  const std::string folder = clipped(ctx.session().g.CONTROLPATH.str());
  if (!folder.empty() && !company.empty())
    IniFile(std::filesystem::path(folder) / "NetNotify.ini").set(company, "Posting Alert", "0");

  if (wantsBackup && backup && !backup(ctx)) {
    run.refusal = Refusal{"Backup Failed",
                          "The backup before posting could not be made; nothing was posted."};
    releasePosting(ctx, claim);
    return run;
  }
  ctx.g.POSTTYPE = kPostUsageLogs;
  run.result = postBatches(ctx, tags);
  if (run.result.posted) {
    ctx.g.POSTTYPE = 0;
    untagAll(ctx, tags);
  }
  releasePosting(ctx, claim);
  return run;
}

}  // namespace koreq::usagelog
