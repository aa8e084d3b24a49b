// koreq load: adds the records of a JSON document in one transaction. Every record is checked
// and every fault reported before anything is kept; one fault and the whole load rolls back.

#include <chrono>
#include <fstream>
#include <iostream>
#include <sstream>

#include "app/commands.h"
#include "app/record_json.h"
#include "data/access.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::cli {

namespace {

constexpr std::size_t kMaxReported = 100;

// An alias file (EQHEADERALIAS) is its base file's table under another prefix: records belong
// under the base file's name.
const data::FileDef* baseOfAlias(const data::FileDef& def) {
  if (def.table == lower(def.name)) return nullptr;
  for (const data::FileDef* f : data::allFiles())
    if (f != &def && f->table == def.table && f->table == lower(f->name)) return f;
  return nullptr;
}

class Loader {
 public:
  explicit Loader(frame::Session& session) : session_(session) {}

  void loadFile(const std::string& name, const Json& records) {
    const data::FileDef* def = data::findFile(name);
    if (!def) return fault(name + ": unknown file");
    if (const data::FileDef* base = baseOfAlias(*def))
      return fault(def->name + ": an alias of " + base->name +
                   " is not loaded; give its records under " + base->name);
    if (!records.is_array()) return fault(def->name + ": expected an array of records");
    data::FileAccess file(session_.store(), *def, session_.errors());
    std::size_t n = 0;
    for (const Json& rec : records) loadRecord(file, ++n, rec);
  }

  const std::vector<std::string>& faults() const { return faults_; }
  std::size_t faultCount() const { return faultCount_; }
  std::size_t loaded() const { return loaded_; }

 private:
  void fault(std::string text) {
    ++faultCount_;
    if (faults_.size() < kMaxReported) faults_.push_back(std::move(text));
  }

  void loadRecord(data::FileAccess& file, std::size_t n, const Json& rec) {
    const data::FileDef& def = file.def();
    const std::string where = def.name + " record " + std::to_string(n);
    if (!rec.is_object()) return fault(where + ": expected an object of fields");

    file.clear();
    bool ok = true;
    bool numbered = false;
    for (const auto& [name, value] : rec.items()) {
      int index = def.fieldIndex(name);
      if (index < 0) {
        fault(where + " field " + name + ": unknown field");
        ok = false;
        continue;
      }
      const data::FieldDef& f = def.fields[static_cast<std::size_t>(index)];
      data::Value v;
      std::string why;
      if (!jsonToValue(value, &v, &why) || !f.set(file.buffer(), v, &why)) {
        fault(where + " field " + f.name + ": " + why);
        ok = false;
      }
      if (index == def.autoField) numbered = true;
    }
    if (!ok) return;

    // As prime() does, but only when the record does not bring its own number.
    if (def.autoField >= 0 && !numbered) {
      const data::FieldDef& f = def.fields[static_cast<std::size_t>(def.autoField)];
      std::string why;
      try {
        std::int64_t next = session_.store().nextNumber(def, def.autoField);
        if (!f.set(file.buffer(), data::Value(next), &why))
          return fault(where + " field " + f.name + ": numbering exhausted: " + why);
      } catch (const data::StoreError& e) {
        return fault(where + " field " + f.name + ": " + e.what());
      }
    }

    int rc = file.tryInsert();
    if (rc == data::kNoError) {
      ++loaded_;
    } else if (rc == data::kDuplicateKey) {
      fault(where + duplicateField(file) + ": " + file.lastErrorText());
    } else {
      fault(where + ": " + file.lastErrorText());
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
  std::vector<std::string> faults_;
  std::size_t faultCount_ = 0;
  std::size_t loaded_ = 0;
};

Json readDocument(const std::string& source) {
  std::string text;
  if (source == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    text = s.str();
  } else {
    std::ifstream in(source, std::ios::binary);
    if (!in) throw CommandError("cannot read " + source);
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
  }
  try {
    return Json::parse(text);
  } catch (const Json::parse_error& e) {
    throw CommandError((source == "-" ? std::string("stdin") : source) +
                       ": not valid JSON: " + e.what());
  }
}

}  // namespace

int runLoad(Invocation& inv, const ParsedArgs& args) {
  const std::string& source = args.positional.at(0);
  Json doc = readDocument(source);
  if (!doc.is_object())
    throw CommandError(source +
                       ": expected an object of file names, each with an array of records");

  auto session = inv.openSession();
  data::Transaction tx(session->store(), std::chrono::seconds(5));
  if (!tx.begun())
    throw CommandError(
        "the company is busy: no transaction could begin within 5 seconds; "
        "nothing was loaded");

  Loader loader(*session);
  for (const auto& [name, records] : doc.items()) loader.loadFile(name, records);

  if (loader.faultCount() > 0) {
    tx.rollback();
    for (const auto& f : loader.faults()) inv.err() << f << "\n";
    if (loader.faultCount() > loader.faults().size())
      inv.err() << "... and " << loader.faultCount() - loader.faults().size() << " more faults\n";
    inv.err() << "Nothing was loaded.\n";
    return 1;
  }
  tx.commit();
  inv.out() << "Loaded " << loader.loaded() << " records.\n";
  return 0;
}

}  // namespace koreq::cli
