#pragma once

// "&Post Tagged Batches" below the window: the user's right to post, the one-poster-per-company
// rule through NETUSER, the backup before posting, the posting itself and the clean-up after
// it. The batch manager and `koreq post` both run it; the window only adds its questions (the
// tagging of the highlighted batch when nothing is tagged) and shows the answers.

#include <functional>
#include <optional>
#include <string>

#include "usagelog/engine/batch_marks.h"
#include "usagelog/engine/posting.h"

namespace koreq::frame {
class Context;
}

namespace koreq::usagelog {

inline constexpr const char* kPostingActivity = "Equipment Usage Logs";

// Step 1: "This user is not allowed to post Equipment Usage Logs." ("Access Denied"), or the
// file error followed by " Getting User Record"; nothing when the user may post.
std::optional<Refusal> postingRightRefusal(frame::Context& ctx);

// Steps 3 and 5 at once, in one transaction, so two users can never both pass the check: when
// another user of the company has an activity, "Right now Dana W. is posting Equipment Usage
// Logs.  You may post when their posting process is complete." ("Another Posting In Process");
// otherwise the user's own NETUSER record (made when the user was not signed on) gets the
// activity and its posting flag.
struct PostingClaim {
  bool claimed = false;
  bool signedOnHere = false;  // the record was made for this posting, and goes with it
  std::optional<Refusal> refusal;
};
PostingClaim claimPosting(frame::Context& ctx);
// Step 9: the activity and the posting flag cleared (the record removed when the claim made it).
void releasePosting(frame::Context& ctx, const PostingClaim& claim);

// What the whole run came to.
struct PostingRun {
  std::optional<Refusal> refusal;  // stopped before posting: no right, another posting, backup
  PostingResult result;            // the posting's own answer when it ran
  bool posted() const { return !refusal && result.posted; }
};

// Steps 1 and 3 to 9 for the batches of `tags`: the right, the claim, the "Posting Alert" of
// NetNotify.ini in CONTROLPATH, `backup` when the user's record asks for one (a failed backup
// stops the posting), POSTTYPE 5 and the posting, then, when it posted, POSTTYPE 0 and
// "&Untag All"; the claim is released whatever happened. Repeating batches are moved on by the
// posting itself, so the caller must not move them again.
PostingRun postTaggedBatches(frame::Context& ctx, TagList& tags,
                             const std::function<bool(frame::Context&)>& backup);

}  // namespace koreq::usagelog
