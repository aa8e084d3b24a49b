#include "frame/context.h"

#include "frame/presence.h"

namespace koreq::frame {

Session::Session(std::unique_ptr<data::Company> company, const Clock& clock, std::string userId)
    : company_(std::move(company)), clock_(&clock) {
  g.USERID = userId;
  g.DATAPATH = company_->dataPath().string();
  g.COMPANYID = companyIdOf(*this);
  // Reports go to the preview unless a caller asks for the printer for one run.
  g.PrintPreview = 1;
}

Session::~Session() {
  signOff();
}

data::FileAccess& Context::file(const data::FileDef& def) {
  auto it = files_.find(&def);
  if (it == files_.end())
    it = files_
             .emplace(&def, def.makeAccess
                                ? def.makeAccess(store(), errors(), def)
                                : std::make_unique<data::FileAccess>(store(), def, errors()))
             .first;
  return *it->second;
}

data::FileAccess* Context::file(std::string_view name) {
  const data::FileDef* def = data::findFile(name);
  return def ? &file(*def) : nullptr;
}

data::Value Context::global(std::string_view name) const {
  if (auto d = findGlobal(ThreadGlobals::defs(), name)) return d->get(&g);
  if (auto d = findGlobal(SessionGlobals::defs(), name)) return d->get(&session_.g);
  return {};
}

bool Context::hasGlobal(std::string_view name) const {
  return findGlobal(ThreadGlobals::defs(), name) || findGlobal(SessionGlobals::defs(), name);
}

bool Context::setGlobal(std::string_view name, const data::Value& v, std::string* why) {
  if (auto d = findGlobal(ThreadGlobals::defs(), name)) return d->set(&g, v, why);
  if (auto d = findGlobal(SessionGlobals::defs(), name)) return d->set(&session_.g, v, why);
  if (why) *why = "no global " + std::string(name);
  return false;
}

const data::FieldDef* Context::fieldByName(std::string_view name, data::FileAccess** owner) {
  auto colon = name.find(':');
  if (colon == std::string_view::npos) return nullptr;
  std::string prefix = upper(name.substr(0, colon));
  for (const data::FileDef* def : data::allFiles()) {
    if (def->prefix != prefix) continue;
    const data::FieldDef* f = def->field(name);
    if (f && owner) *owner = &file(*def);
    return f;
  }
  return nullptr;
}

}  // namespace koreq::frame
