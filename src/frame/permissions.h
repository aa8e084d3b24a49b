#pragma once

// The signed-on user's rights, from the USERFILE record whose USR:UserID is USERID.

#include <string>

#include "frame/context.h"

namespace koreq::frame {

struct UserPermissions {
  bool found = false;  // false: no such user, and so no rights at all
  bool administrator = false;
  bool changeEquipment = false;
  bool changeCostCategories = false;
  bool postEquipmentLogs = false;
  bool backupBeforePosting = false;
  // Why the record could not be read: the file error code and its text (for the callers'
  // "<text> Getting User Record" message).
  int errorCode = 0;
  std::string errorText;
};

// Reads the user's record into the context's USERFILE buffer (the callers go on to use it).
UserPermissions readUserPermissions(Context& ctx);

}  // namespace koreq::frame
