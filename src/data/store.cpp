#include "data/store.h"

namespace koreq::data {

std::string fileErrorText(int code) {
  switch (code) {
    case kNoError:
      return "No Error";
    case kRecordNotFound:
      return "Record Not Found";
    case kDuplicateKey:
      return "Creates Duplicate Key";
    case kRecordChanged:
      return "Record Changed By Another Station";
    case kBadValue:
      return "Invalid Field Value";
    case kNoTransaction:
      return "Transaction Could Not Begin";
    default:
      return "File System Error";
  }
}

Transaction::Transaction(Store& store, std::chrono::milliseconds timeout) : store_(store) {
  if (!store_.inTransaction()) begun_ = store_.begin(timeout);
}

Transaction::~Transaction() {
  if (begun_ && !done_) {
    try {
      store_.rollback();
    } catch (...) {
      // a destructor must not throw; the connection rolls back on close anyway
    }
  }
}

void Transaction::commit() {
  if (begun_ && !done_) store_.commit();
  done_ = true;
}

void Transaction::rollback() {
  if (begun_ && !done_) store_.rollback();
  done_ = true;
}

}  // namespace koreq::data
