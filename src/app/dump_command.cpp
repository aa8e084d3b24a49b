// koreq dump: the records of one file as a JSON array, in the order of one of its keys, with an
// optional filter expression. Records are written as they are read, so a large file streams.

#include <sstream>

#include "app/commands.h"
#include "app/record_json.h"
#include "app/where_filter.h"
#include "data/access.h"
#include "frame/context.h"

namespace koreq::cli {

namespace {

std::string keyList(const data::FileDef& def) {
  std::string s;
  for (const auto& k : def.keys) s += (s.empty() ? "" : ", ") + k.name;
  return s.empty() ? "none" : s;
}

// Writes the array as Json::dump(2) wrote it, one record at a time, straight from the record
// buffer in field order: no JSON object is built.
class ArrayWriter {
 public:
  explicit ArrayWriter(std::ostream& out) : out_(out) {}
  void add(const data::FileDef& def, const void* record) {
    if (count_ == 0)
      for (const auto& f : def.fields) {
        std::string key = "\n    ";
        appendJsonString(key, f.name);
        keys_.push_back(key + ": ");
      }
    text_ = count_++ == 0 ? "[\n  {" : ",\n  {";
    for (std::size_t i = 0; i < keys_.size(); ++i) {
      if (i > 0) text_ += ',';
      text_ += keys_[i];
      appendFieldJson(text_, def.fields[i], record);
    }
    text_ += keys_.empty() ? "}" : "\n  }";
    out_.write(text_.data(), static_cast<std::streamsize>(text_.size()));
  }
  void finish() { out_ << (count_ == 0 ? "[]\n" : "\n]\n"); }

 private:
  std::ostream& out_;
  std::vector<std::string> keys_;  // "\n    \"EQH:RecordID\": " by field
  std::string text_;
  std::size_t count_ = 0;
};

}  // namespace

const data::KeyDef* resolveKey(const data::FileDef& def, const std::optional<std::string>& name) {
  if (!name) {
    if (def.keys.empty()) throw CommandError(def.name + " has no key to read it by");
    return &def.primaryKey();
  }
  const data::KeyDef* key = def.key(*name);
  // A field name stands for the first key that starts with that field.
  if (int field = def.fieldIndex(*name); !key && field >= 0) {
    for (const auto& candidate : def.keys)
      if (!candidate.fields.empty() && candidate.fields.front() == field) return &candidate;
  }
  if (!key)
    throw CommandError(def.name + " has no key " + *name + " (its keys: " + keyList(def) + ")");
  return key;
}

void readRecords(Invocation& inv, const ParsedArgs& args,
                 const std::function<void(const data::FileDef&, const void* record)>& each) {
  const std::string& fileName = args.positional.at(0);
  const data::FileDef* def = data::findFile(fileName);
  if (!def) throw CommandError("unknown file " + fileName);
  const data::KeyDef* key = resolveKey(*def, args.value("key"));
  std::optional<WhereFilter> filter;
  if (auto w = args.value("where")) {
    std::string why;
    filter = WhereFilter::compile(*def, *w, &why);
    if (!filter) throw CommandError("bad --where expression: " + why);
  }

  std::vector<const data::FieldDef*> secrets;
  for (const char* secret : {"CTRL:SystemPassword", "USR:Password"})
    if (const data::FieldDef* f = def->field(secret)) secrets.push_back(f);

  auto session = inv.openSession(true);
  data::FileAccess file(session->store(), *def, session->errors());
  file.set(*key);
  for (;;) {
    int rc = file.next();
    if (rc == data::kRecordNotFound) break;
    if (rc != data::kNoError)
      throw CommandError("reading " + def->name + ": " + file.lastErrorText());
    if (filter) {
      std::string why;
      auto keep = filter->matches(file.buffer(), &why);
      if (!keep) throw CommandError("--where: " + why);
      if (!*keep) continue;
    }
    // Passwords never leave the company through a listing.
    for (const data::FieldDef* f : secrets) f->set(file.buffer(), std::string(), nullptr);
    each(*def, file.buffer());
    if (!inv.out()) throw CommandError("the output could not be written");
  }
}

int runDump(Invocation& inv, const ParsedArgs& args) {
  // With a filter, a record that cannot be evaluated half-way through must not leave half an
  // array behind: the output is kept until every record was read.
  std::ostringstream held;
  const bool hold = args.value("where").has_value();
  ArrayWriter writer(hold ? held : inv.out());
  readRecords(inv, args,
              [&](const data::FileDef& def, const void* record) { writer.add(def, record); });
  writer.finish();
  if (hold) inv.out() << held.str();
  return 0;
}

}  // namespace koreq::cli
