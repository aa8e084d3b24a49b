#include "data/access.h"

namespace koreq::data {

namespace {
constexpr std::size_t kPageSize = 64;
}

FileAccess::FileAccess(Store& store, const FileDef& def, ErrorObject& errors)
    : store_(store),
      def_(def),
      errors_(errors),
      buf_(def.create()),
      blank_(def.create()),
      scratch_(def.create()) {}

void FileAccess::clear() {
  def_.copy(buf_.get(), blank_.get());
  pos_ = 0;
}

int FileAccess::fail(int code, const std::string& text, std::string_view action, bool report) {
  lastErrorText_ = text;
  if (report) errors_.fileError(code, text, action, def_.label);
  return code;
}

int FileAccess::prime() {
  clear();
  if (def_.autoField < 0) return kNoError;
  try {
    std::int64_t n = store_.nextNumber(def_, def_.autoField);
    std::string why;
    if (!def_.fields[def_.autoField].set(buf_.get(), Value(n), &why))
      return fail(kBadValue, "Numbering exhausted: " + why, "Autoincrementing", true);
    return kNoError;
  } catch (const StoreError& e) {
    return fail(e.code(), e.what(), "Autoincrementing", true);
  }
}

std::vector<Value> FileAccess::values() const {
  std::vector<Value> v;
  v.reserve(def_.fields.size());
  for (const auto& f : def_.fields) v.push_back(f.get(buf_.get()));
  return v;
}

bool FileAccess::assign(const std::vector<Value>& vals, std::string* why) {
  // A full row sets every field, so the old contents need not be copied first.
  if (vals.size() < def_.fields.size()) def_.copy(scratch_.get(), buf_.get());
  for (size_t i = 0; i < def_.fields.size() && i < vals.size(); ++i) {
    std::string w;
    if (!def_.fields[i].set(scratch_.get(), vals[i], &w)) {
      if (why) *why = def_.fields[i].name + ": " + w;
      return false;
    }
  }
  def_.copy(buf_.get(), scratch_.get());
  return true;
}

Value FileAccess::get(std::string_view field) const {
  const FieldDef* f = def_.field(field);
  return f ? f->get(buf_.get()) : Value();
}

std::string FileAccess::text(std::string_view field) const {
  return clipped(valueToText(get(field)));
}

bool FileAccess::put(std::string_view field, const Value& v, std::string* why) {
  const FieldDef* f = def_.field(field);
  if (!f) {
    if (why) *why = "no field " + std::string(field) + " in " + def_.name;
    return false;
  }
  return f->set(buf_.get(), v, why);
}

int FileAccess::tryInsert() {
  try {
    pos_ = store_.insertRecord(def_, buf_.get());
    leavePage();
    return kNoError;
  } catch (const StoreError& e) {
    lastErrorText_ = e.what();
    return e.code();
  }
}

int FileAccess::tryUpdate() {
  if (pos_ == 0) {
    lastErrorText_ = fileErrorText(kRecordNotFound);
    return kRecordNotFound;
  }
  try {
    store_.updateRecord(def_, pos_, buf_.get());
    leavePage();
    return kNoError;
  } catch (const StoreError& e) {
    lastErrorText_ = e.what();
    return e.code();
  }
}

int FileAccess::tryRemove() {
  if (pos_ == 0) {
    lastErrorText_ = fileErrorText(kRecordNotFound);
    return kRecordNotFound;
  }
  try {
    store_.remove(def_, pos_);
    pos_ = 0;
    leavePage();
    return kNoError;
  } catch (const StoreError& e) {
    lastErrorText_ = e.what();
    return e.code();
  }
}

int FileAccess::insert() {
  int rc = tryInsert();
  return rc ? fail(rc, lastErrorText_, "Inserting", true) : rc;
}
int FileAccess::update() {
  int rc = tryUpdate();
  return rc ? fail(rc, lastErrorText_, "Saving", true) : rc;
}
int FileAccess::remove() {
  int rc = tryRemove();
  return rc ? fail(rc, lastErrorText_, "Deleting", true) : rc;
}

int FileAccess::fetch(const KeyDef& key, const std::vector<Value>& vals) {
  ScanSpec s;
  s.key = &key;
  s.equal = vals;
  s.limit = 1;
  try {
    auto rows = store_.scan(def_, s);
    if (rows.empty()) return fail(kRecordNotFound, fileErrorText(kRecordNotFound), "", false);
    // A stored value the buffer cannot take is an error, never the previous record.
    std::string why;
    if (!assign(rows.front().values, &why))
      return fail(kBadValue,
                  def_.label + " record " + std::to_string(rows.front().rowId) + ": " + why, "",
                  false);
    pos_ = rows.front().rowId;
    return kNoError;
  } catch (const StoreError& e) {
    return fail(e.code(), e.what(), "", false);
  }
}

int FileAccess::fetch(std::string_view keyName, const std::vector<Value>& vals) {
  const KeyDef* k = def_.key(keyName);
  if (!k) return fail(kDriverError, "no key " + std::string(keyName), "", false);
  return fetch(*k, vals);
}

int FileAccess::reget() {
  try {
    auto row = store_.get(def_, pos_);
    if (!row) return fail(kRecordNotFound, fileErrorText(kRecordNotFound), "", false);
    std::string why;
    if (!assign(row->values, &why))
      return fail(kBadValue, def_.label + " record " + std::to_string(pos_) + ": " + why, "",
                  false);
    return kNoError;
  } catch (const StoreError& e) {
    return fail(e.code(), e.what(), "", false);
  }
}

void FileAccess::set(const KeyDef& key, const std::vector<Value>& start) {
  setRange(key, {}, start);
}

void FileAccess::setRange(const KeyDef& key, const std::vector<Value>& equal,
                          const std::vector<Value>& start) {
  // The page's records are kept for the next reading.
  Cursor fresh;
  fresh.records = std::move(cur_.records);
  fresh.ids = std::move(cur_.ids);
  cur_ = std::move(fresh);
  cur_.key = &key;
  cur_.equal = equal;
  cur_.start = start;
}

void FileAccess::leavePage() {
  if (cur_.at > 0 && cur_.at <= cur_.size) {
    const void* last = cur_.records[cur_.at - 1].get();
    cur_.lastKey.clear();
    for (int i : cur_.key->fields)
      cur_.lastKey.push_back(def_.fields[static_cast<size_t>(i)].get(last));
    cur_.lastRow = cur_.ids[cur_.at - 1];
  }
  cur_.size = cur_.at = 0;
}

int FileAccess::readOn(bool backward) {
  if (!cur_.key) cur_.key = &def_.primaryKey();
  if (cur_.at >= cur_.size || cur_.lastBackward != backward) {
    leavePage();
    ScanSpec s;
    s.key = cur_.key;
    s.backward = backward;
    s.equal = cur_.equal;
    if (cur_.started)
      s.after = std::make_pair(cur_.lastKey, cur_.lastRow);
    else
      s.start = cur_.start;
    struct Page final : RowSink {
      FileAccess& a;
      explicit Page(FileAccess& access) : a(access) {}
      void* buffer() override {
        Cursor& c = a.cur_;
        if (c.records.size() <= c.size) {
          c.records.push_back(a.def_.create());
          c.ids.push_back(0);
        }
        return c.records[c.size].get();
      }
      // A page ends by stopping the read, not by a limit: the store may then go on with the
      // same statement for the next page.
      bool take(std::int64_t rowId) override {
        a.cur_.ids[a.cur_.size++] = rowId;
        return a.cur_.size < kPageSize;
      }
    } page(*this);
    if (cur_.pending) {
      // The row the last page stopped at cannot be read: reading on fails there again.
      cur_.size = 0;
      return fail(cur_.pending, cur_.pendingText, "", false);
    }
    try {
      store_.read(def_, s, nullptr, page);
    } catch (const StoreError& e) {
      // The rows read before the failure are handed out first.
      if (cur_.size == 0) return fail(e.code(), e.what(), "", false);
      cur_.pending = e.code();
      cur_.pendingText = e.what();
    }
    cur_.lastBackward = backward;
    if (cur_.size == 0) return fail(kRecordNotFound, fileErrorText(kRecordNotFound), "", false);
  }
  def_.copy(buf_.get(), cur_.records[cur_.at].get());
  pos_ = cur_.ids[cur_.at++];
  cur_.started = true;
  return kNoError;
}

int FileAccess::next() {
  return readOn(false);
}
int FileAccess::previous() {
  return readOn(true);
}

std::int64_t FileAccess::records() {
  try {
    return store_.count(def_);
  } catch (const StoreError& e) {
    fail(e.code(), e.what(), "", false);
    return 0;
  }
}

}  // namespace koreq::data
