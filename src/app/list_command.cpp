// koreq list: the records of one file as an aligned text table of chosen fields, for a person
// at a terminal (dump is for programs).

#include <algorithm>

#include "app/commands.h"
#include "data/access.h"
#include "frame/context.h"
#include "runtime/picture.h"

namespace koreq::cli {

namespace {

constexpr std::size_t kMaxCell = 40;

std::vector<int> chosenFields(const data::FileDef& def, const std::optional<std::string>& list) {
  std::vector<int> out;
  if (!list) {
    // Without a choice: the fields of the first key and those after them, up to four, leaving
    // out the auto number, which says nothing to a person.
    for (int i : def.primaryKey().fields)
      if (i != def.autoField) out.push_back(i);
    for (int i = 0; i < static_cast<int>(def.fields.size()) && out.size() < 4; ++i)
      if (i != def.autoField && std::find(out.begin(), out.end(), i) == out.end()) out.push_back(i);
    return out;
  }
  std::string name;
  auto add = [&] {
    if (name.empty()) return;
    int i = def.fieldIndex(name);
    if (i < 0) throw CommandError(def.name + " has no field " + name);
    out.push_back(i);
    name.clear();
  };
  for (char c : *list) {
    if (c == ',')
      add();
    else if (c != ' ')
      name += c;
  }
  add();
  if (out.empty()) throw UsageError("--fields names no field");
  return out;
}

std::string cell(const data::Value& v) {
  std::string s;
  if (auto d = std::get_if<Date>(&v))
    s = formatPicture("@d2b", *d);
  else
    s = data::valueToText(v);
  if (charCount(s) > kMaxCell) s = cutToChars(s, kMaxCell - 1) + "~";
  return s;
}

}  // namespace

int runList(Invocation& inv, const ParsedArgs& args) {
  const data::FileDef* def = data::findFile(args.positional.at(0));
  if (!def) throw CommandError("unknown file " + args.positional.at(0));
  std::vector<int> fields = chosenFields(*def, args.value("fields"));
  std::vector<std::vector<std::string>> rows;
  rows.emplace_back();
  for (int i : fields) rows.back().push_back(def->fields[static_cast<size_t>(i)].column);
  readRecords(inv, args, [&](const data::FileDef&, const void* record) {
    rows.emplace_back();
    for (int i : fields)
      rows.back().push_back(cell(def->fields[static_cast<size_t>(i)].get(record)));
  });
  std::vector<std::size_t> width(fields.size(), 0);
  for (const auto& r : rows)
    for (size_t c = 0; c < r.size(); ++c) width[c] = std::max(width[c], charCount(r[c]));
  for (size_t n = 0; n < rows.size(); ++n) {
    std::string line;
    for (size_t c = 0; c < fields.size(); ++c) {
      const auto& f = def->fields[static_cast<size_t>(fields[c])];
      bool right = n > 0 && f.type != data::FieldType::String && f.type != data::FieldType::Date;
      std::string pad(width[c] - charCount(rows[n][c]), ' ');
      line += (c ? "  " : "") + (right ? pad + rows[n][c] : rows[n][c] + pad);
    }
    inv.out() << clip(line) << '\n';
  }
  inv.out() << (rows.size() - 1) << " records\n";
  return 0;
}

}  // namespace koreq::cli
