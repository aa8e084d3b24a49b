// koreq post BATCH...: posts the named batches as the batch manager's "&Post Tagged Batches"
// does for the signed-on user: the right to post, the batches tagged (ownership and in-use
// checks), nobody else of the company posting, the backup the user's record asks for, and the
// posting itself. A question the window would ask ("Batch In Use") is answered Cancel here.

#include <string>

#include "app/commands.h"
#include "data/store.h"
#include "frame/context.h"
#include "runtime/text.h"
#include "suite/backup.h"
#include "usagelog/engine/batch_marks.h"
#include "usagelog/engine/posting_flow.h"
#include "windows/BrowseEQLog.h"

namespace koreq::cli {

namespace {

// A message box's text on one line: its "|" breaks become blanks.
std::string oneLine(const std::string& text) {
  std::string s;
  for (char c : text) {
    if (c != '|')
      s += c;
    else if (!s.empty() && s.back() != ' ')
      s += ' ';
  }
  return s;
}

int refuse(Invocation& inv, const usagelog::Refusal& r) {
  inv.err() << "koreq: " << r.caption << ": " << oneLine(r.text) << "\n";
  return 1;
}

}  // namespace

int runPost(Invocation& inv, const ParsedArgs& args) {
  std::vector<std::uint16_t> wanted;
  for (const auto& a : args.positional) wanted.push_back(batchNumberArg(a, "post"));

  auto session = inv.openSession();
  frame::Context ctx(*session);
  ctx.errors().setProcedure(windows::BrowseEQLog::kName);
  usagelog::TagList& tags = ctx.g.TAGQUE;
  tags.clear();

  if (auto denied = usagelog::postingRightRefusal(ctx)) return refuse(inv, *denied);
  // Tagging as the window does it; whatever was tagged is untagged again when it stops.
  for (std::uint16_t id : wanted) {
    if (usagelog::isTagged(tags, id)) continue;
    usagelog::TagOutcome t = usagelog::toggleTag(ctx, id, tags);
    if (t.step == usagelog::TagOutcome::Step::Tagged) continue;
    usagelog::untagAll(ctx, tags);
    if (t.step == usagelog::TagOutcome::Step::Failed) throw CommandError(t.message);
    if (t.step == usagelog::TagOutcome::Step::Refused &&
        t.refusal.text.find("no longer exists") != std::string::npos)
      throw CommandError("there is no batch " + batchText(id));
    return refuse(inv, t.refusal);
  }

  // Entries whose units are below zero are named, as the window's question names them.
  const usagelog::PostingPreview preview = usagelog::previewPosting(ctx, tags);
  usagelog::PostingRun run = usagelog::postTaggedBatches(
      ctx, tags, [](frame::Context& c) { return !suite::PREPOSTBACKUP(c).empty(); });
  if (!run.posted()) {
    usagelog::untagAll(ctx, tags);
    if (run.refusal) {
      for (const auto& e : ctx.errors().history()) inv.err() << "koreq: " << e.message << "\n";
      return refuse(inv, *run.refusal);
    }
    for (const auto& line : run.result.failureLines()) inv.err() << line << "\n";
    return 1;
  }

  const usagelog::PostingResult& r = run.result;
  for (const auto& b : r.batches)
    inv.out() << "Batch " << batchText(b.batchId) << ": " << b.entries
              << (b.entries == 1 ? " entry" : " entries") << ", " << b.amount.toString()
              << (b.repeating ? " (repeating: its entries moved to their next dates)" : "") << "\n";
  for (const auto& line : preview.negativeUnits) inv.out() << "Units below zero: " << line << "\n";
  inv.out() << r.summary() << "\n";
  return 0;
}

}  // namespace koreq::cli
