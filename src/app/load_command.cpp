// koreq load: adds the records of a JSON document in one transaction. Every record is checked
// and every fault reported before anything is kept; one fault and the whole load rolls back.

#include <fstream>
#include <iostream>
#include <limits>
#include <set>
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
    if (!def) return fault(shortText(name) + ": unknown file");
    if (!files_.insert(def).second)
      return fault(def->name + ": given more than once; give all its records in one array");
    if (const data::FileDef* base = baseOfAlias(*def))
      return fault(def->name + ": an alias of " + base->name +
                   " is not loaded; give its records under " + base->name);
    if (!records.is_array()) return fault(def->name + ": expected an array of records");
    data::FileAccess file(session_.store(), *def, session_.errors());
    std::size_t n = 0;
    for (const Json& rec : records) {
      if (stopped()) return;
      loadRecord(file, ++n, rec);
    }
  }

  // After a failure of the store itself nothing more can be written: the rest is not tried.
  bool stopped() const { return session_.store().abandoned(); }

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
    std::set<int> given;
    for (const auto& [name, value] : rec.items()) {
      int index = def.fieldIndex(name);
      if (index < 0) {
        fault(where + " field " + shortText(name) + ": unknown field");
        ok = false;
        continue;
      }
      const data::FieldDef& f = def.fields[static_cast<std::size_t>(index)];
      if (!given.insert(index).second) {
        fault(where + " field " + f.name + ": given more than once");
        ok = false;
        continue;
      }
      data::Value v;
      std::string why;
      if (!jsonToValue(value, &v, &why) || !f.set(file.buffer(), v, &why)) {
        fault(where + " field " + f.name + ": " + why);
        ok = false;
      }
      if (index == def.autoField) {
        numbered = true;
        const std::int64_t n = std::get<std::int64_t>(f.get(file.buffer()));
        if (ok && (n < 1 || n > maxLoadedNumber(f))) {
          fault(where + " field " + f.name + ": a record number from 1 to " +
                std::to_string(maxLoadedNumber(f)) + " is needed, not " + std::to_string(n));
          ok = false;
        }
      }
    }
    if (!ok) return;
    if (std::string blank = blankKey(file); !blank.empty())
      return fault(where + " field " + blank + ": a key must not be blank");

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

  // The fields of a unique key that is blank in every part, or "" when there is none. Numbered
  // keys are left out: prime() fills them.
  static std::string blankKey(data::FileAccess& file) {
    const data::FileDef& def = file.def();
    for (const auto& key : def.keys) {
      if (!key.unique) continue;
      if (key.fields.size() == 1 && key.fields[0] == def.autoField) continue;
      bool blank = true;
      std::string names;
      for (int i : key.fields) {
        const data::FieldDef& f = def.fields[static_cast<std::size_t>(i)];
        const data::Value v = f.get(file.buffer());
        if (auto s = std::get_if<std::string>(&v))
          blank = blank && s->empty();
        else if (auto n = std::get_if<std::int64_t>(&v))
          blank = blank && *n == 0;
        else
          blank = blank && data::valueToText(v).empty();
        names += (names.empty() ? "" : "+") + f.name;
      }
      if (blank) return names;
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
};

Json readDocument(const std::string& source) {
  std::string text;
  if (source == "-") {
    std::ostringstream s;
    s << std::cin.rdbuf();
    text = s.str();
  } else {
    std::ifstream in(source, std::ios::binary);
    if (!in) throw CommandError("cannot read " + shortText(source));
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
  }
  const std::string name = source == "-" ? std::string("stdin") : shortText(source);
  // JSON keeps only the last of two equal names in an object: refuse them instead, so that
  // nothing given is silently dropped.
  std::vector<std::set<std::string>> names;
  std::string repeated;
  auto check = [&](int, Json::parse_event_t event, Json& parsed) {
    if (event == Json::parse_event_t::object_start) {
      names.emplace_back();
    } else if (event == Json::parse_event_t::object_end) {
      names.pop_back();
    } else if (event == Json::parse_event_t::key && !names.empty()) {
      if (!names.back().insert(parsed.get<std::string>()).second && repeated.empty())
        repeated = parsed.get<std::string>();
    }
    return true;
  };
  Json doc;
  try {
    doc = Json::parse(text, check);
  } catch (const Json::parse_error& e) {
    throw CommandError(name + ": not valid JSON: " + e.what());
  }
  if (!repeated.empty())
    throw CommandError(name + ": the name \"" + shortText(repeated) +
                       "\" is given twice in one object; nothing was loaded");
  return doc;
}

}  // namespace

int runLoad(Invocation& inv, const ParsedArgs& args) {
  const std::string& source = args.positional.at(0);
  Json doc = readDocument(source);
  if (!doc.is_object())
    throw CommandError(source +
                       ": expected an object of file names, each with an array of records");

  auto session = inv.openSession();
  for (const auto& [name, records] : doc.items()) {
    (void)records;
    if (const data::FileDef* def = data::findFile(name)) requireRightToWrite(*session, *def);
  }
  data::Transaction tx(session->store());
  if (!tx.begun()) throw CommandError(data::kCompanyBusyText);

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
  try {
    tx.commit();
  } catch (const data::StoreError& e) {
    inv.err() << e.what() << "\nNothing was loaded.\n";
    return 1;
  }
  inv.out() << "Loaded " << loader.loaded() << " records.\n";
  return 0;
}

}  // namespace koreq::cli
