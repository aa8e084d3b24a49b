#include "frame/signon.h"

#include <sodium.h>

#include <thread>
#include <vector>

#include "data/access.h"
#include "data/records.h"
#include "runtime/text.h"

namespace koreq::frame {

namespace {

// The byte-store kind the hashes are kept under, numbered by USR:RecordID: a user made anew
// under an old ID starts without the old user's password.
constexpr const char* kBlobKind = "signon";

void initSodium() {
  static const bool ready = sodium_init() >= 0;
  if (!ready) throw PasswordError("the password library could not be started");
}

std::optional<std::string> storedHash(data::Store& store, const SignOnUser& user) {
  auto bytes = store.getBlob(kBlobKind, user.recordId);
  if (!bytes || bytes->empty()) return std::nullopt;
  return std::string(bytes->begin(), bytes->end());
}

void changeBlob(data::Store& store, const std::function<void()>& change) {
  std::string why;
  if (!data::allOrNothing(
          store,
          [&](std::string*) {
            change();
            return true;
          },
          &why))
    throw data::StoreError(data::kDriverError, why);
}

}  // namespace

std::optional<SignOnUser> findSignOnUser(data::Store& store, std::string_view typed) {
  const std::string wanted = upper(clipped(std::string(typed)));
  if (wanted.empty()) return std::nullopt;
  data::ErrorObject errors;
  data::Access<data::UserFile> users(store, errors);
  users.set(*data::UserFile::def().key("KeyUserID"));
  for (;;) {
    const int rc = users.next();
    if (rc == data::kRecordNotFound) return std::nullopt;
    if (rc != data::kNoError) throw data::StoreError(rc, users.lastErrorText() + " Getting User");
    const data::UserFile& u = users.rec();
    if (upper(u.UserID.str()) == wanted)
      return SignOnUser{u.UserID.str(), u.RecordID, u.Administrator != 0};
  }
}

bool passwordRequired(data::Store& store, const SignOnUser& user) {
  return storedHash(store, user).has_value();
}

bool checkPassword(data::Store& store, const SignOnUser& user, std::string_view password,
                   std::chrono::milliseconds delay) {
  const std::optional<std::string> hash = storedHash(store, user);
  if (!hash) return true;
  initSodium();
  // A NUL would end the password early for the library: such a password never matches. An
  // empty view may have no data at all: the library is given a string that has.
  const std::string given(password);
  const bool ok = password.find('\0') == std::string_view::npos &&
                  crypto_pwhash_str_verify(hash->c_str(), given.c_str(), given.size()) == 0;
  if (!ok) std::this_thread::sleep_for(delay);
  return ok;
}

std::optional<std::string> passwordProblem(std::string_view password) {
  if (password.empty()) return "a password cannot be empty (--clear removes one)";
  if (password.size() > kMaxPasswordBytes)
    return "a password can be at most " + std::to_string(kMaxPasswordBytes) + " bytes long";
  if (password.find('\0') != std::string_view::npos)
    return "a password cannot hold a NUL character";
  return std::nullopt;
}

void setPassword(data::Store& store, const SignOnUser& user, std::string_view password) {
  if (auto why = passwordProblem(password)) throw PasswordError(*why);
  initSodium();
  char hash[crypto_pwhash_STRBYTES];
  // The interactive limits: a fraction of a second and 64 MiB a check on this kind of machine.
  if (crypto_pwhash_str(hash, password.data(), password.size(), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
    throw PasswordError("the password could not be hashed (out of memory)");
  const std::string text(hash);
  sodium_memzero(hash, sizeof hash);
  changeBlob(store, [&] {
    store.putBlob(kBlobKind, user.recordId, std::vector<unsigned char>(text.begin(), text.end()));
  });
}

void clearPassword(data::Store& store, const SignOnUser& user) {
  changeBlob(store, [&] { store.removeBlob(kBlobKind, user.recordId); });
}

bool maySetPassword(const SignOnUser& by, const SignOnUser& of) {
  return by.administrator || by.recordId == of.recordId;
}

}  // namespace koreq::frame
