#pragma once

// Sign-on passwords of a company whose own users are checked here (an embedded company, or a
// server company that does not sign on by role; where the server's role checks the password,
// it is the one that counts). A password is kept only as an Argon2id hash string, in the
// company's byte store under the user's record number, never in the user file itself, so no
// listing of USERFILE can show it.
//
// The command line, the desktop and a later web server all check through checkPassword().

#include <chrono>
#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "data/store.h"

namespace koreq::frame {

// A user of the company as the sign-on sees it.
struct SignOnUser {
  std::string id;  // as stored (the typed ID is compared without regard to case)
  std::int64_t recordId = 0;
  bool administrator = false;
};

// The user whose ID is `typed` (any case), or nothing. Throws data::StoreError on a read error.
std::optional<SignOnUser> findSignOnUser(data::Store& store, std::string_view typed);

// Whether the user must give a password to sign on.
bool passwordRequired(data::Store& store, const SignOnUser& user);

// How long a wrong password keeps the caller waiting, so guessing is slow.
inline constexpr std::chrono::milliseconds kRefusalDelay{1500};

// Whether `password` signs the user on: true for a user without a password (whatever was
// given), else when it matches the stored hash. A refusal returns only after `delay`.
bool checkPassword(data::Store& store, const SignOnUser& user, std::string_view password,
                   std::chrono::milliseconds delay = kRefusalDelay);

// A password that cannot be set: empty, too long, holding a NUL, or the hashing failed.
class PasswordError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

inline constexpr std::size_t kMaxPasswordBytes = 1024;

// Why `password` cannot be a password, or nothing when it can.
std::optional<std::string> passwordProblem(std::string_view password);

// Stores the hash of `password` as the user's (replacing one there), or removes it. Each is one
// change that waits for other writers; throws PasswordError for a password passwordProblem()
// refuses and data::StoreError when the change cannot land.
void setPassword(data::Store& store, const SignOnUser& user, std::string_view password);
void clearPassword(data::Store& store, const SignOnUser& user);

// Whether `by` may set or clear the password of `of`: an administrator anyone's, a user their own.
bool maySetPassword(const SignOnUser& by, const SignOnUser& of);

}  // namespace koreq::frame
