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

const GlobalDef* findGlobal(const std::vector<GlobalDef>& defs, std::string_view name) {
  std::string want = upper(name);
  for (const auto& g : defs)
    if (upper(g.name) == want) return &g;
  return nullptr;
}

}  // namespace koreq::frame
