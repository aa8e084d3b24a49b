// For the crash tests: moves the batches of a company about, one reorder after another, until
// it has made COUNT moves or is killed. Exit 0 when every move landed or changed nothing.
//
//   reorder_helper COMPANY-FOLDER COUNT

#include <cstdlib>
#include <iostream>
#include <random>
#include <vector>

#include "data/access.h"
#include "data/company.h"
#include "data/error.h"
#include "data/records.h"
#include "usagelog/engine/batch_rules.h"

using namespace koreq;

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  auto company = data::Company::open(argv[1]);
  data::Store& store = company->store();
  std::mt19937 random(std::random_device{}());
  const int count = std::atoi(argv[2]);
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
    if (out.failed) {
      std::cerr << out.message << "\n";
      return 1;
    }
  }
  return 0;
}
