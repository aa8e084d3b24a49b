#include "data/store.h"

#include <algorithm>
#include <cstdio>
#include <set>

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

namespace {
std::vector<Value> valuesOf(const FileDef& f, const void* rec) {
  std::vector<Value> v;
  v.reserve(f.fields.size());
  for (const auto& fd : f.fields) v.push_back(fd.get(rec));
  return v;
}
}  // namespace

std::int64_t Store::insertRecord(const FileDef& f, const void* rec) {
  return insert(f, valuesOf(f, rec));
}

void Store::insertRecords(const FileDef& f, const std::vector<const void*>& recs) {
  for (const void* rec : recs) insertRecord(f, rec);
}

std::int64_t Store::removeRange(const FileDef& f, const ScanSpec& range) {
  ScanSpec all = range;
  all.limit = 0;
  std::int64_t n = 0;
  for (const StoredRow& row : scan(f, all)) {
    remove(f, row.rowId);
    ++n;
  }
  return n;
}

void Store::updateRecord(const FileDef& f, std::int64_t rowId, const void* rec) {
  update(f, rowId, valuesOf(f, rec));
}

void Store::read(const FileDef& f, const ScanSpec& range, const std::vector<int>* fields,
                 RowSink& sink) {
  constexpr int kPage = 256;
  const KeyDef& key = range.key ? *range.key : f.primaryKey();
  ScanSpec page = range;
  int left = range.limit;  // 0: no limit
  for (;;) {
    page.limit = left > 0 ? std::min(left, kPage) : kPage;
    const std::vector<StoredRow> rows = scan(f, page);
    for (const StoredRow& row : rows) {
      void* rec = sink.buffer();
      auto put = [&](std::size_t i) { f.fields[i].set(rec, row.values[i], nullptr); };
      if (fields)
        for (int i : *fields) put(static_cast<std::size_t>(i));
      else
        for (std::size_t i = 0; i < f.fields.size(); ++i) put(i);
      if (!sink.take(row.rowId)) return;
    }
    if (left > 0 && (left -= static_cast<int>(rows.size())) <= 0) return;
    if (static_cast<int>(rows.size()) < page.limit) return;
    std::vector<Value> last;
    for (int i : key.fields) last.push_back(rows.back().values[static_cast<std::size_t>(i)]);
    page.after = std::make_pair(std::move(last), rows.back().rowId);
  }
}

std::string schemaFingerprint(const std::vector<const FileDef*>& files) {
  std::string text;
  std::set<std::string> done;
  for (const FileDef* f : files) {
    if (!done.insert(f->table).second) continue;
    text += f->table + "(";
    for (const auto& fd : f->fields) text += fd.column + ":" + (fd.isNumeric() ? "i," : "t,");
    for (const auto& k : f->keys) {
      text += k.name + (k.unique ? "!" : "") + "[";
      for (int i : k.fields) text += std::to_string(i) + ",";
      text += "]";
    }
    text += ")";
  }
  std::uint64_t h = 1469598103934665603ull;  // FNV-1a
  for (unsigned char c : text) h = (h ^ c) * 1099511628211ull;
  char out[17];
  snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(h));
  return out;
}

const char* const kCompanyBusyText =
    "The company is busy: another workstation is saving changes. Nothing was changed; try "
    "again in a moment.";

std::string refusedText(const Store& store) {
  const std::string why = store.readOnlyReason();
  return why.empty() ? std::string(kCompanyBusyText) : why;
}

Transaction::Transaction(Store& store, std::chrono::milliseconds wait) : store_(store) {
  if (store_.inTransaction())
    state_ = State::Joined;
  else
    state_ = store_.begin(wait) ? State::Owner : State::Refused;
}

Transaction::~Transaction() {
  if (done_ || state_ == State::Refused) return;
  try {
    if (state_ == State::Owner)
      store_.rollback();
    else
      store_.abandon("a part of the change was not completed");
  } catch (...) {
    // a destructor must not throw; the connection rolls back on close anyway
  }
}

void Transaction::commit() {
  if (done_) return;
  done_ = true;
  if (state_ == State::Refused) throw StoreError(kNoTransaction, refusedText(store_));
  if (state_ == State::Owner) store_.commit();
}

void Transaction::rollback() {
  if (done_) return;
  done_ = true;
  if (state_ == State::Owner)
    store_.rollback();
  else if (state_ == State::Joined)
    store_.abandon("a part of the change was not completed");
}

bool allOrNothing(Store& store, const std::function<bool(std::string* why)>& work, std::string* why,
                  std::chrono::milliseconds wait) {
  std::string reason;
  Transaction tx(store, wait);
  if (!tx.begun()) {
    if (why) *why = refusedText(store);
    return false;
  }
  try {
    if (!work(&reason)) {
      tx.rollback();
      if (why) *why = reason.empty() ? "The change was not completed; nothing was saved." : reason;
      return false;
    }
    tx.commit();
    return true;
  } catch (const StoreError& e) {
    tx.rollback();
    if (why) *why = e.what();
    return false;
  }
}

}  // namespace koreq::data
