#include "suite/droplist.h"

#include "data/records.h"

namespace koreq::suite {

namespace {

using data::Value;
using Access = data::Access<data::DropList>;

// The lists use an access object of their own so the caller's DROPLIST buffer stays as it was.
Access open(frame::Context& ctx) {
  return Access(ctx.store(), ctx.errors());
}

bool find(Access& a, const Str<20>& list, const Str<30>& value) {
  return a.fetch("KeyFieldName", {Value(list.str()), Value(value.str())}) == data::kNoError;
}

}  // namespace

std::vector<std::string> dropListValues(frame::Context& ctx, std::string_view listName) {
  Access a = open(ctx);
  a.setRange(*a.def().key("KeyFieldName"), {Value(Str<20>(listName).str())});
  std::vector<std::string> out;
  while (a.next() == data::kNoError) out.push_back(a.rec().StringVal.str());
  return out;
}

bool addDropListValue(frame::Context& ctx, std::string_view listName, std::string_view value) {
  Str<20> list(listName);
  Str<30> v(value);
  if (v.empty()) return false;
  Access a = open(ctx);
  if (find(a, list, v)) return false;
  if (a.prime() != data::kNoError) return false;
  a.rec().FieldName = list;
  a.rec().StringVal = v;
  return a.insert() == data::kNoError;
}

bool removeDropListValue(frame::Context& ctx, std::string_view listName, std::string_view value) {
  Access a = open(ctx);
  if (!find(a, Str<20>(listName), Str<30>(value))) return false;
  return a.remove() == data::kNoError;
}

bool renameDropListValue(frame::Context& ctx, std::string_view listName, std::string_view from,
                         std::string_view to) {
  Str<20> list(listName);
  Str<30> newValue(to);
  if (newValue.empty()) return false;
  Access a = open(ctx);
  if (find(a, list, newValue)) return false;
  if (!find(a, list, Str<30>(from))) return false;
  a.rec().StringVal = newValue;
  return a.update() == data::kNoError;
}

}  // namespace koreq::suite
