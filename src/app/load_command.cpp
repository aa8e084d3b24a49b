// koreq load: adds the records of a JSON document in one transaction. Every record is checked
// and every fault reported before anything is kept; one fault and the whole load rolls back.
//
// The document is read as a stream of parser events and each record is stored as soon as its
// object closes, so memory stays flat however large the document. What the document as a whole
// must be (valid JSON, no name twice in one object, an object of files) is known only at its
// end: anything that stops the load is kept until then and told as if the document had been
// read whole before the first record, so a load says the same whatever is found where.

#include <exception>
#include <fstream>
#include <iostream>
#include <limits>
#include <set>
#include <unordered_map>

#include "app/commands.h"
#include "app/record_json.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::cli {

namespace {

constexpr std::size_t kMaxReported = 100;
// Field names remembered per file: a document repeats the same few in every record, and a
// document of endless made-up names must not grow the memory it takes.
constexpr std::size_t kMaxRememberedNames = 4096;

// An alias file (EQHEADERALIAS) is its base file's table under another prefix: records belong
// under the base file's name.
const data::FileDef* baseOfAlias(const data::FileDef& def) {
  if (def.table == lower(def.name)) return nullptr;
  for (const data::FileDef* f : data::allFiles())
    if (f != &def && f->table == def.table && f->table == lower(f->name)) return f;
  return nullptr;
}

// The records of one file after another, one field at a time, as the reader meets them.
class Loader {
 public:
  explicit Loader(frame::Session& session) : session_(session) {}

  // A file's name: false when its records are not to be loaded (the fault is reported).
  bool beginFile(const std::string& name) {
    file_.reset();
    const data::FileDef* def = data::findFile(name);
    if (!def) return fault(shortText(name) + ": unknown file"), false;
    if (!files_.insert(def).second)
      return fault(def->name + ": given more than once; give all its records in one array"), false;
    if (const data::FileDef* base = baseOfAlias(*def))
      return fault(def->name + ": an alias of " + base->name +
                   " is not loaded; give its records under " + base->name),
             false;
    file_ = std::make_unique<data::FileAccess>(session_.store(), *def, session_.errors());
    names_.clear();
    nameStamp_.clear();
    fieldStamp_.assign(def->fields.size(), 0);
    record_ = 0;
    return true;
  }
  void notAnArray() { fault(file_->def().name + ": expected an array of records"); }

  // After a failure of the store itself nothing more can be written: the rest is not tried.
  bool stopped() const { return session_.store().abandoned(); }

  void notAnObject() { fault(where(++record_) + ": expected an object of fields"); }
  void beginRecord() {
    ++record_;
    file_->clear();
    ok_ = true;
    numbered_ = false;
    uncachedNames_.clear();
  }

  // A field's name in the open record: false when the same name was given before in this
  // object (the document is refused for that, whatever the field).
  bool fieldName(const std::string& name) {
    const data::FileDef& def = file_->def();
    auto it = names_.find(name);
    if (it == names_.end() && names_.size() < kMaxRememberedNames) {
      it = names_.emplace(name, Name{def.fieldIndex(name), static_cast<int>(names_.size())}).first;
      nameStamp_.push_back(0);
    }
    int slot = -1;
    if (it != names_.end()) {
      current_ = it->second.field;
      slot = it->second.slot;
      std::uint64_t& stamp = nameStamp_[static_cast<std::size_t>(slot)];
      if (stamp == record_) return false;
      stamp = record_;
    } else {
      current_ = def.fieldIndex(name);
      if (!uncachedNames_.insert(name).second) return false;
    }
    if (current_ < 0) {
      fault(where(record_) + " field " + shortText(name) + ": unknown field");
      ok_ = false;
      return true;
    }
    const auto i = static_cast<std::size_t>(current_);
    if (fieldStamp_[i] == record_) {
      // The same field under another name (with and without its prefix).
      fault(where(record_) + " field " + def.fields[i].name + ": given more than once");
      ok_ = false;
      current_ = -1;
      return true;
    }
    fieldStamp_[i] = record_;
    return true;
  }

  // The value of the field named last.
  void fieldValue(const data::Value& value) {
    if (current_ < 0) return;
    std::string why;
    const data::FieldDef& f = file_->def().fields[static_cast<std::size_t>(current_)];
    if (!f.set(file_->buffer(), value, &why)) fieldFault(f, why);
    checkNumber(f);
  }
  // A value that is no field value (an array, an object, a number beyond any field).
  void fieldRefused(const std::string& why) {
    if (current_ < 0) return;
    const data::FieldDef& f = file_->def().fields[static_cast<std::size_t>(current_)];
    fieldFault(f, why);
    checkNumber(f);
  }

  void endRecord() {
    if (!ok_) return;
    data::FileAccess& file = *file_;
    const data::FileDef& def = file.def();
    if (std::string blank = blankKey(file); !blank.empty())
      return fault(where(record_) + " field " + blank + ": a key must not be blank");

    // As prime() does, but only when the record does not bring its own number.
    if (def.autoField >= 0 && !numbered_) {
      const data::FieldDef& f = def.fields[static_cast<std::size_t>(def.autoField)];
      std::string why;
      try {
        std::int64_t next = session_.store().nextNumber(def, def.autoField);
        if (!f.set(file.buffer(), data::Value(next), &why))
          return fault(where(record_) + " field " + f.name + ": numbering exhausted: " + why);
      } catch (const data::StoreError& e) {
        return fault(where(record_) + " field " + f.name + ": " + e.what());
      }
    }

    int rc = file.tryInsert();
    if (rc == data::kNoError) {
      ++loaded_;
    } else if (rc == data::kDuplicateKey) {
      fault(where(record_) + duplicateField(file) + ": " + file.lastErrorText());
    } else {
      fault(where(record_) + ": " + file.lastErrorText());
    }
  }

  const std::vector<std::string>& faults() const { return faults_; }
  std::size_t faultCount() const { return faultCount_; }
  std::size_t loaded() const { return loaded_; }
  bool loadedFile(const data::FileDef& f) const { return files_.count(&f) > 0; }

 private:
  struct Name {
    int field;  // -1: no field of the file
    int slot;   // where the record last given it is kept
  };

  void fieldFault(const data::FieldDef& f, const std::string& why) {
    fault(where(record_) + " field " + f.name + ": " + why);
    ok_ = false;
  }
  // A record's own number must leave numbering room to go on.
  void checkNumber(const data::FieldDef& f) {
    if (current_ != file_->def().autoField) return;
    numbered_ = true;
    const std::int64_t n = std::get<std::int64_t>(f.get(file_->buffer()));
    if (ok_ && (n < 1 || n > maxLoadedNumber(f))) {
      fault(where(record_) + " field " + f.name + ": a record number from 1 to " +
            std::to_string(maxLoadedNumber(f)) + " is needed, not " + std::to_string(n));
      ok_ = false;
    }
  }

  void fault(std::string text) {
    ++faultCount_;
    if (faults_.size() < kMaxReported) faults_.push_back(std::move(text));
  }
  std::string where(std::uint64_t n) const {
    return file_->def().name + " record " + std::to_string(n);
  }

  // The fields of a unique key that is blank in every part, or "" when there is none. Numbered
  // keys are left out: prime() fills them.
  static std::string blankKey(data::FileAccess& file) {
    const data::FileDef& def = file.def();
    for (const auto& key : def.keys) {
      if (!key.unique) continue;
      if (key.fields.size() == 1 && key.fields[0] == def.autoField) continue;
      bool blank = true;
      for (int i : key.fields) {
        const data::Value v = def.fields[static_cast<std::size_t>(i)].get(file.buffer());
        if (auto s = std::get_if<std::string>(&v))
          blank = s->empty();
        else if (auto n = std::get_if<std::int64_t>(&v))
          blank = *n == 0;
        else
          blank = data::valueToText(v).empty();
        if (!blank) break;
      }
      if (!blank) continue;
      std::string names;
      for (int i : key.fields)
        names += (names.empty() ? "" : "+") + def.fields[static_cast<std::size_t>(i)].name;
      return names;
    }
    return {};
  }

  // Numbers the loader accepts for a numbered field: the lower half of its range, so that a
  // loaded record never leaves numbering with nothing to hand out.
  static std::int64_t maxLoadedNumber(const data::FieldDef& f) {
    switch (f.type) {
      case data::FieldType::ULong:
        return std::numeric_limits<std::uint32_t>::max() / 2;
      case data::FieldType::Short:
        return std::numeric_limits<std::int16_t>::max() / 2;
      case data::FieldType::UShort:
        return std::numeric_limits<std::uint16_t>::max() / 2;
      case data::FieldType::Byte:
        return 127;
      default:
        return std::numeric_limits<std::int32_t>::max() / 2;
    }
  }

  // " field EQH:EquipmentID" for the unique key the record collides on, or "" when that cannot
  // be told. Several fields of one key are joined with "+".
  std::string duplicateField(data::FileAccess& file) {
    const data::FileDef& def = file.def();
    const std::vector<data::Value> values = file.values();
    for (const auto& key : def.keys) {
      if (!key.unique) continue;
      data::ScanSpec s;
      s.key = &key;
      s.limit = 1;
      for (int i : key.fields) s.equal.push_back(values[static_cast<std::size_t>(i)]);
      try {
        if (session_.store().scan(def, s).empty()) continue;
      } catch (const data::StoreError&) {
        continue;
      }
      std::string names;
      for (int i : key.fields) {
        if (!names.empty()) names += "+";
        names += def.fields[static_cast<std::size_t>(i)].name;
      }
      return " field " + names;
    }
    return {};
  }

  frame::Session& session_;
  std::set<const data::FileDef*> files_;
  std::vector<std::string> faults_;
  std::size_t faultCount_ = 0;
  std::size_t loaded_ = 0;

  // The file being loaded and its names as the document writes them, found once.
  std::unique_ptr<data::FileAccess> file_;
  std::unordered_map<std::string, Name> names_;
  // The record that last gave each remembered name, and each field; numbered from 1, so a
  // stamp equal to the open record's number means "given before in this record".
  std::vector<std::uint64_t> nameStamp_, fieldStamp_;
  std::set<std::string> uncachedNames_;
  std::uint64_t record_ = 0;
  int current_ = -1;  // the field named last, -1 when its value is not to be stored
  bool ok_ = true, numbered_ = false;
};

// The parser's events routed to the loader. Whatever stops the whole load (the document's
// shape, the company, the user's rights, a busy company) is kept until the end of the
// document and then told in the order the checks ran when the document was read whole first:
// the document, then the company, the rights, the transaction, then the records' faults.
class Reader final : public nlohmann::json_sax<Json> {
 public:
  explicit Reader(Invocation& inv) : inv_(inv) {}

  bool null() override { return scalar(data::Value()); }
  bool boolean(bool b) override { return scalar(data::Value(std::int64_t{b ? 1 : 0})); }
  bool number_integer(number_integer_t n) override { return scalar(data::Value(std::int64_t{n})); }
  bool number_unsigned(number_unsigned_t n) override {
    if (n > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
      return refused("number out of range");
    return scalar(data::Value(static_cast<std::int64_t>(n)));
  }
  bool number_float(number_float_t x, const string_t&) override {
    // The shortest text that reads back as the same double: "0.125" rounds as a decimal,
    // never through a binary fraction.
    return scalar(data::Value(Json(x).dump()));
  }
  bool string(string_t& s) override { return scalar(data::Value(s)); }
  bool binary(binary_t&) override { return refused("expected a text, number, true/false or null"); }

  bool start_object(std::size_t) override {
    switch (place()) {
      case Place::Document:
        stack_.push_back({Frame::Files, {}});
        return true;
      case Place::FileValue:
        if (fileOpen_) loader_->notAnArray();
        break;
      case Place::Record:
        if (recordsOpen()) {
          loader_->beginRecord();
          stack_.push_back({Frame::Record, {}});
          return true;
        }
        break;
      case Place::FieldValue:
        loader_->fieldRefused("expected a text, number, true/false or null, not object");
        break;
      case Place::Inside:
        break;
    }
    stack_.push_back({Frame::Object, {}});
    return true;
  }
  bool end_object() override {
    const Frame kind = stack_.back().kind;
    stack_.pop_back();
    if (kind == Frame::Record && loading()) loader_->endRecord();
    return true;
  }
  bool start_array(std::size_t) override {
    Frame kind = Frame::Array;
    switch (place()) {
      case Place::Document:
        notAnObject_ = true;
        break;
      case Place::FileValue:
        if (fileOpen_) kind = Frame::Records;
        break;
      case Place::Record:
        if (recordsOpen()) loader_->notAnObject();
        break;
      case Place::FieldValue:
        loader_->fieldRefused("expected a text, number, true/false or null, not array");
        break;
      case Place::Inside:
        break;
    }
    stack_.push_back({kind, {}});
    return true;
  }
  bool end_array() override {
    if (stack_.back().kind == Frame::Records) fileOpen_ = false;
    stack_.pop_back();
    return true;
  }
  bool key(string_t& name) override {
    Open& open = stack_.back();
    if (open.kind == Frame::Record) {
      if (!loader_->fieldName(name)) repeated(name);
      return true;
    }
    if (!open.names.insert(name).second) repeated(name);
    if (open.kind == Frame::Files) fileName(name);
    return true;
  }

  bool parse_error(std::size_t, const std::string&, const nlohmann::detail::exception& e) override {
    parseError_ = e.what();
    // Only the parser's own errors are a document that is no JSON; a number too large for a
    // double is told as any other error.
    syntax_ = dynamic_cast<const Json::parse_error*>(&e) != nullptr;
    return false;
  }

  // After the whole document: throws what stops the load, else answers the loader with every
  // record stored or refused, inside the open transaction.
  Loader& finish(const std::string& source, const std::string& name) {
    if (!parseError_.empty()) {
      if (!syntax_) throw std::runtime_error(parseError_);
      throw CommandError(name + ": not valid JSON: " + parseError_);
    }
    if (!repeated_.empty())
      throw CommandError(name + ": the name \"" + shortText(repeated_) +
                         "\" is given twice in one object; nothing was loaded");
    if (notAnObject_)
      throw CommandError(source +
                         ": expected an object of file names, each with an array of records");
    if (!openSession()) std::rethrow_exception(sessionError_);
    if (rightsError_) std::rethrow_exception(rightsError_);
    if (!tx_) begin();
    if (!tx_->begun()) throw CommandError(data::kCompanyBusyText);
    return *loader_;
  }
  data::Transaction& transaction() { return *tx_; }

 private:
  enum class Frame { Files, Records, Record, Object, Array };
  struct Open {
    Frame kind;
    std::set<std::string> names;  // of an object other than a record, to find one given twice
  };
  // Where the next value stands.
  enum class Place { Document, FileValue, Record, FieldValue, Inside };
  Place place() const {
    if (stack_.empty()) return Place::Document;
    switch (stack_.back().kind) {
      case Frame::Files:
        return Place::FileValue;
      case Frame::Records:
        return Place::Record;
      case Frame::Record:
        return Place::FieldValue;
      default:
        return Place::Inside;
    }
  }

  bool scalar(const data::Value& v) {
    switch (place()) {
      case Place::Document:
        notAnObject_ = true;
        break;
      case Place::FileValue:
        if (fileOpen_) loader_->notAnArray();
        fileOpen_ = false;
        break;
      case Place::Record:
        if (recordsOpen()) loader_->notAnObject();
        break;
      case Place::FieldValue:
        loader_->fieldValue(v);
        break;
      case Place::Inside:
        break;
    }
    return true;
  }
  bool refused(const std::string& why) {
    if (place() == Place::FieldValue) {
      loader_->fieldRefused(why);
      return true;
    }
    return scalar(data::Value());
  }

  bool loading() const {
    return tx_ && tx_->begun() && repeated_.empty() && !notAnObject_ && !rightsError_;
  }
  // Whether the records of the open file are read into it: not after the store failed.
  bool recordsOpen() {
    if (fileOpen_ && (!loading() || loader_->stopped())) fileOpen_ = false;
    return fileOpen_;
  }
  void repeated(const std::string& name) {
    if (repeated_.empty()) repeated_ = name;
    fileOpen_ = false;
  }

  void fileName(const std::string& name) {
    fileOpen_ = false;
    if (!repeated_.empty() || !openSession()) return;
    if (const data::FileDef* def = data::findFile(name); def && !rightsError_) {
      try {
        requireRightToWrite(*session_, *def);
      } catch (...) {
        rightsError_ = std::current_exception();
      }
    }
    if (rightsError_) return;
    if (!tx_) begin();
    if (loading()) fileOpen_ = loader_->beginFile(name);
  }
  // False when the company cannot be opened (the reason is kept).
  bool openSession() {
    if (session_ || sessionError_) return session_ != nullptr;
    try {
      session_ = inv_.openSession();
      loader_ = std::make_unique<Loader>(*session_);
    } catch (...) {
      sessionError_ = std::current_exception();
    }
    return session_ != nullptr;
  }
  void begin() { tx_ = std::make_unique<data::Transaction>(session_->store()); }

  Invocation& inv_;
  std::vector<Open> stack_;
  std::string parseError_;
  bool syntax_ = true;
  std::string repeated_;  // the first name given twice in one object
  bool notAnObject_ = false;
  std::unique_ptr<frame::Session> session_;
  std::exception_ptr sessionError_, rightsError_;
  std::unique_ptr<Loader> loader_;
  // Declared after the session: it ends (rolls back unless committed) before the session goes.
  std::unique_ptr<data::Transaction> tx_;
  bool fileOpen_ = false;  // the records of the file named last are loaded
};

}  // namespace

int runLoad(Invocation& inv, const ParsedArgs& args) {
  const std::string& source = args.positional.at(0);
  const std::string name = source == "-" ? std::string("stdin") : shortText(source);
  std::ifstream file;
  if (source != "-") {
    file.open(source, std::ios::binary);
    if (!file) throw CommandError("cannot read " + shortText(source));
  }
  Reader reader(inv);
  Json::sax_parse(source == "-" ? std::cin : file, &reader);
  Loader& loader = reader.finish(source, name);
  data::Transaction& tx = reader.transaction();

  if (loader.faultCount() > 0) {
    tx.rollback();
    for (const auto& f : loader.faults()) inv.err() << f << "\n";
    if (loader.faultCount() > loader.faults().size())
      inv.err() << "... and " << loader.faultCount() - loader.faults().size() << " more faults\n";
    inv.err() << "Nothing was loaded.\n";
    return 1;
  }
  try {
    tx.commit();
  } catch (const data::StoreError& e) {
    inv.err() << e.what() << "\nNothing was loaded.\n";
    return 1;
  }
  inv.out() << "Loaded " << loader.loaded() << " records.\n";
  // New users' roles follow their rights only once the roles are given again.
  if (loader.loadedFile(data::UserFile::def()) &&
      !data::Company::roleOf(inv.dataPath(), inv.options().user).empty())
    inv.out() << "The company signs on by role: run koreq roles to give the new users theirs.\n";
  return 0;
}

}  // namespace koreq::cli
