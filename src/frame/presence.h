#pragma once

// Who is signed on to a company, as every workstation sees it. Each signed-on user has a
// NETUSER record for the company (COMPANYID) and each of that user's processes holds the
// user's process lock for as long as it runs. A record whose user holds no lock any more is
// left over from a process that ended without signing off (killed, crashed, a connection that
// dropped): that user counts as not signed on, at once, with no time-out to wait out.

#include <string>
#include <string_view>

namespace koreq::frame {

class Session;

// The company's ID (COMPANYID, 5 characters): the first letters and digits of its name, upper
// case, the same on every workstation of the company ("KOREQ" for a company without a name).
std::string companyIdOf(Session& session);

// The process lock of a signed-on user (user IDs compare without case).
std::string userLockName(std::string_view userId);
// The process lock held while a posting runs: one posting of a company at a time.
inline constexpr const char* kPostingLock = "posting";

// Whether `userId` is signed on to the session's company in a process that still runs.
bool userSignedOn(Session& session, const std::string& userId);

}  // namespace koreq::frame
