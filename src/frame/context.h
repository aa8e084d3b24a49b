#pragma once

#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/access.h"
#include "data/company.h"
#include "data/error.h"
#include "frame/globals.h"
#include "runtime/date.h"

namespace koreq::frame {

// The signed-on company and user: one per process. Owns the company database and the clock,
// and names the error object that every file access reports through: its own until the
// module's error-object reference is set on it.
class Session {
 public:
  Session(std::unique_ptr<data::Company> company, const Clock& clock, std::string userId);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Signs USERID on to the company as other workstations see it (presence.h): the user's
  // NETUSER record and a process lock held until signOff or the end of the session. A company
  // that cannot be written here is only read: nothing is written then.
  void signOn();
  void signOff();
  bool isSignedOn() const { return signedOn_; }

  data::Company& company() { return *company_; }
  data::Store& store() { return company_->store(); }
  const Clock& clock() const { return *clock_; }
  // Another clock from now on; answers the one it replaces, for the caller to put back. A run
  // that replays days gone by (the demo company's history) steps the session's today this way.
  const Clock& setClock(const Clock& clock) {
    const Clock& previous = *clock_;
    clock_ = &clock;
    return previous;
  }
  data::ErrorObject& errors() { return *errorRef_; }
  // Files of contexts made after this call report through `errors`, which must outlive them.
  void setErrorObject(data::ErrorObject& errors) { errorRef_ = &errors; }
  SessionGlobals g;

 private:
  std::unique_ptr<data::Company> company_;
  const Clock* clock_;
  bool signedOn_ = false;
  data::ErrorObject errors_;
  data::ErrorObject* errorRef_ = &errors_;
};

// What one top-level window and the procedures it calls share: a record buffer per file, the
// request and response codes and the other per-thread globals.
class Context {
 public:
  // The context keeps the error object the session names now, for all of its files.
  explicit Context(Session& session) : session_(session), errors_(session.errors()) {}
  Context(const Context&) = delete;
  Context& operator=(const Context&) = delete;

  Session& session() { return session_; }
  data::Store& store() { return session_.store(); }
  data::ErrorObject& errors() { return errors_; }
  const Clock& clock() const { return session_.clock(); }
  Date today() const { return session_.clock().today(); }
  const std::string& userId() const { return session_.g.USERID.str(); }

  // The access object (and so the record buffer) of a file, made on first use.
  data::FileAccess& file(const data::FileDef& def);
  data::FileAccess* file(std::string_view name);  // nullptr for an unknown file
  // The file's access object is made by its own record type, so it is always an Access<R>
  // of the file's record; asking for it under another type is a programming error.
  template <typename R>
  data::Access<R>& access(const data::FileDef& def = R::def()) {
    auto* typed = dynamic_cast<data::Access<R>*>(&file(def));
    if (!typed) throw std::logic_error("file " + def.name + " read under another record type");
    return *typed;
  }
  template <typename R>
  R& rec(const data::FileDef& def = R::def()) {
    return access<R>(def).rec();
  }

  ThreadGlobals g;
  // A global of either kind by name ("REPORTFILTER", "GLO:LogUserActivity", "USERID").
  data::Value global(std::string_view name) const;
  bool setGlobal(std::string_view name, const data::Value& v, std::string* why = nullptr);
  bool hasGlobal(std::string_view name) const;
  // A field of any file's buffer by its prefixed name ("EQH:EquipmentID").
  const data::FieldDef* fieldByName(std::string_view name, data::FileAccess** owner);

 private:
  Session& session_;
  data::ErrorObject& errors_;
  std::map<const data::FileDef*, std::unique_ptr<data::FileAccess>> files_;
};

}  // namespace koreq::frame
