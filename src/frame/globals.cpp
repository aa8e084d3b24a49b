#include "frame/globals.h"

namespace koreq::frame {

#define KOREQ_GDEF(kind, member, len, name)               \
  GlobalDef{name, &data::detail::getField<&Self::member>, \
            &data::detail::setField<&Self::member, ((len) ? (len) : 15), 2, 0>},

const std::vector<GlobalDef>& SessionGlobals::defs() {
  using Self = SessionGlobals;
  static const std::vector<GlobalDef> d = {KOREQ_SESSION_GLOBALS(KOREQ_GDEF)};
  return d;
}

const std::vector<GlobalDef>& ThreadGlobals::defs() {
  using Self = ThreadGlobals;
  static const std::vector<GlobalDef> d = {KOREQ_THREAD_GLOBALS(KOREQ_GDEF)};
  return d;
}

// Looked up for every field of every report line: compared in place, nothing upper-cased.
const GlobalDef* findGlobal(const std::vector<GlobalDef>& defs, std::string_view name) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  for (const auto& g : defs) {
    const std::string_view have = g.name;
    if (have.size() != name.size()) continue;
    std::size_t i = 0;
    while (i < name.size() && fold(have[i]) == fold(name[i])) ++i;
    if (i == name.size()) return &g;
  }
  return nullptr;
}

}  // namespace koreq::frame
