// For the crash tests: the changes that have no command of their own, run until they end or the
// process is killed. Exit 0 when every change landed (or changed nothing).
//
//   crash_helper reorder COMPANY-FOLDER COUNT   COUNT batch moves, one after another
//   crash_helper apply-to-all COMPANY-FOLDER    every category added to every piece of equipment
//   crash_helper hold-batch COMPANY-FOLDER USER BATCH
//                                               signs USER on, marks the batch in use as the
//                                               entry form does, prints "held" and keeps both
//                                               until standard input ends
//   crash_helper hold-posting COMPANY-FOLDER USER
//                                               claims the company's posting as USER, prints
//                                               "claimed" and holds it until standard input ends

#include <cstdlib>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "data/access.h"
#include "data/company.h"
#include "data/error.h"
#include "data/records.h"
#include "data/store.h"
#include "equipment/engine/cost_rules.h"
#include "frame/context.h"
#include "usagelog/engine/batch_marks.h"
#include "usagelog/engine/batch_rules.h"
#include "usagelog/engine/posting_flow.h"

using namespace koreq;

namespace {

int reorder(data::Store& store, int count) {
  std::mt19937 random(std::random_device{}());
  for (int i = 0; i < count; ++i) {
    std::vector<std::int32_t> sortIds;
    {
      data::ErrorObject errors;
      data::Access<data::EqBatch> batches(store, errors);
      batches.set(data::EqBatch::def().primaryKey());
      while (batches.next() == data::kNoError) sortIds.push_back(batches.rec().SortID);
    }
    if (sortIds.empty()) return 1;
    const std::int32_t sortId = sortIds[random() % sortIds.size()];
    const auto move = static_cast<usagelog::BatchMove>(1 + random() % 4);
    const usagelog::ReorderOutcome out = usagelog::reorderBatch(store, sortId, move);
    // Another process holding the company past the reorder's short wait is a refusal, not a
    // fault: that move is simply not made.
    if (out.failed && out.message.find(data::kCompanyBusyText) != std::string::npos) continue;
    if (out.failed) {
      std::cerr << out.message << "\n";
      return 1;
    }
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return 2;
  const std::string action = argv[1];
  if (action == "reorder" && argc == 4) {
    auto company = data::Company::open(argv[2]);
    return reorder(company->store(), std::atoi(argv[3]));
  }
  if (action == "apply-to-all" && argc == 3) {
    SystemClock clock;
    frame::Session session(data::Company::open(argv[2]), clock, "ADM");
    frame::Context ctx(session);
    const equipment::ApplyToAllResult r = equipment::applyCategoriesToAll(ctx);
    return r.refused || r.failed > 0 ? 1 : 0;
  }
  if (action == "hold-batch" && argc == 5) {
    SystemClock clock;
    frame::Session session(data::Company::open(argv[2]), clock, argv[3]);
    session.signOn();
    frame::Context ctx(session);
    const auto batch = static_cast<std::uint16_t>(std::stoi(argv[4]));
    if (!usagelog::setInUse(ctx, batch, session.g.USERID.str()).done) return 1;
    std::cout << "held" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    usagelog::setInUse(ctx, batch, "");
    return 0;
  }
  if (action == "hold-posting" && argc == 4) {
    SystemClock clock;
    frame::Session session(data::Company::open(argv[2]), clock, argv[3]);
    session.signOn();
    frame::Context ctx(session);
    const usagelog::PostingClaim claim = usagelog::claimPosting(ctx);
    if (!claim.claimed) {
      std::cout << claim.refusal->caption << ": " << claim.refusal->text << std::endl;
      return 1;
    }
    std::cout << "claimed" << std::endl;
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    usagelog::releasePosting(ctx, claim);
    return 0;
  }
  return 2;
}
