#pragma once

// A store that passes every operation to another one: tests derive from it and override only
// the operations they watch or make fail.

#include "data/store.h"

namespace koreq::test {

class ForwardingStore : public data::Store {
 public:
  explicit ForwardingStore(data::Store& inner) : s_(inner) {}

  void ensureSchema(const std::vector<const data::FileDef*>& f) override { s_.ensureSchema(f); }
  bool schemaCurrent(const std::vector<const data::FileDef*>& f) override {
    return s_.schemaCurrent(f);
  }
  bool readOnly() const override { return s_.readOnly(); }
  std::int64_t insert(const data::FileDef& f, const std::vector<data::Value>& v) override {
    return s_.insert(f, v);
  }
  void update(const data::FileDef& f, std::int64_t row,
              const std::vector<data::Value>& v) override {
    s_.update(f, row, v);
  }
  void remove(const data::FileDef& f, std::int64_t row) override { s_.remove(f, row); }
  std::optional<data::StoredRow> get(const data::FileDef& f, std::int64_t row) override {
    return s_.get(f, row);
  }
  std::vector<data::StoredRow> scan(const data::FileDef& f, const data::ScanSpec& r) override {
    return s_.scan(f, r);
  }
  std::int64_t count(const data::FileDef& f, const data::ScanSpec* r) override {
    return s_.count(f, r);
  }
  void clearFile(const data::FileDef& f) override { s_.clearFile(f); }
  std::int64_t nextNumber(const data::FileDef& f, int field) override {
    return s_.nextNumber(f, field);
  }
  bool begin(std::chrono::milliseconds t) override { return s_.begin(t); }
  void commit() override { s_.commit(); }
  void rollback() override { s_.rollback(); }
  bool inTransaction() const override { return s_.inTransaction(); }
  void abandon(const std::string& why) override { s_.abandon(why); }
  bool abandoned() const override { return s_.abandoned(); }
  void putBlob(const std::string& k, std::int64_t id,
               const std::vector<unsigned char>& b) override {
    s_.putBlob(k, id, b);
  }
  std::optional<std::vector<unsigned char>> getBlob(const std::string& k,
                                                    std::int64_t id) override {
    return s_.getBlob(k, id);
  }
  void removeBlob(const std::string& k, std::int64_t id) override { s_.removeBlob(k, id); }
  void backupTo(const std::string& path) override { s_.backupTo(path); }
  std::vector<std::string> integrityCheck() override { return s_.integrityCheck(); }
  void findUnfitValues(const data::FileDef& f,
                       const std::function<void(const UnfitValue&)>& found) override {
    s_.findUnfitValues(f, found);
  }
  bool beginReadSnapshot() override { return s_.beginReadSnapshot(); }
  void endReadSnapshot() override { s_.endReadSnapshot(); }
  bool holdLock(const std::string& n, bool exclusive) override { return s_.holdLock(n, exclusive); }
  void releaseLock(const std::string& n) override { s_.releaseLock(n); }
  bool lockHeld(const std::string& n) override { return s_.lockHeld(n); }
  void readInRowOrder(const data::FileDef& f, data::RowSink& sink) override {
    s_.readInRowOrder(f, sink);
  }
  std::vector<std::pair<std::string, std::int64_t>> numberCounters() override {
    return s_.numberCounters();
  }
  void setNumberCounter(const std::string& name, std::int64_t next) override {
    s_.setNumberCounter(name, next);
  }
  std::vector<std::pair<std::string, std::int64_t>> blobIds() override { return s_.blobIds(); }

 protected:
  data::Store& s_;
};

}  // namespace koreq::test
