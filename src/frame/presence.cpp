#include "frame/presence.h"

#include <cctype>

#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::frame {

namespace {

std::optional<std::int64_t> netUserRow(data::Store& store, const std::string& user,
                                       const std::string& company) {
  data::ScanSpec s;
  s.key = data::NetUser::def().key("KeyUserCompany");
  s.equal = {data::Value(user), data::Value(company)};
  s.limit = 1;
  auto rows = store.scan(data::NetUser::def(), s);
  if (rows.empty()) return std::nullopt;
  return rows.front().rowId;
}

}  // namespace

std::string companyIdOf(Session& session) {
  data::FileAccess systems(session.store(), data::Systems::def(), session.errors());
  systems.set(data::Systems::def().primaryKey());
  std::string id;
  if (systems.next() == data::kNoError)
    for (char c : systems.text("CompanyName"))
      if (std::isalnum(static_cast<unsigned char>(c)) && id.size() < 5)
        id += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return id.empty() ? "KOREQ" : id;
}

std::string userLockName(std::string_view userId) {
  return "user:" + upper(clipped(userId));
}

bool userSignedOn(Session& session, const std::string& userId) {
  if (clipped(userId).empty()) return false;
  data::Store& store = session.store();
  return netUserRow(store, clipped(userId), session.g.COMPANYID.str()) &&
         store.lockHeld(userLockName(userId));
}

void Session::signOn() {
  if (signedOn_) return;
  data::Store& store = this->store();
  if (store.readOnly()) return;
  const std::string user = g.USERID.str(), company = g.COMPANYID.str();
  if (!store.holdLock(userLockName(user), false)) return;
  signedOn_ = true;
  // The record may be left over from a process that ended: it is this user's again.
  data::Transaction tx(store);
  if (!tx.begun()) return;
  try {
    if (!netUserRow(store, user, company)) {
      data::NetUser n;
      n.UserID = user;
      n.CompanyID = company;
      store.insertRecord(data::NetUser::def(), &n);
    }
    tx.commit();
  } catch (const data::StoreError&) {
    // The lock alone still tells the others this user is here; a record comes with the next
    // sign-on or posting.
  }
}

void Session::signOff() {
  if (!signedOn_) return;
  signedOn_ = false;
  data::Store& store = this->store();
  const std::string user = g.USERID.str(), company = g.COMPANYID.str();
  store.releaseLock(userLockName(user));
  // The record stays while another process of the user is signed on.
  if (store.lockHeld(userLockName(user))) return;
  data::Transaction tx(store);
  if (!tx.begun()) return;
  try {
    if (auto row = netUserRow(store, user, company)) store.remove(data::NetUser::def(), *row);
    tx.commit();
  } catch (const data::StoreError&) {
    // Left over, it counts for nothing once no process holds the user's lock.
  }
}

}  // namespace koreq::frame
