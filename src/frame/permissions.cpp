#include "frame/permissions.h"

#include "data/records.h"

namespace koreq::frame {

UserPermissions readUserPermissions(Context& ctx) {
  UserPermissions p;
  auto& users = ctx.access<data::UserFile>();
  users.clear();
  int rc = users.fetch("KeyUserID", {data::Value(ctx.userId())});
  if (rc != data::kNoError) {
    users.clear();
    p.errorCode = rc;
    p.errorText = users.lastErrorText();
    return p;
  }
  const data::UserFile& u = users.rec();
  p.found = true;
  p.administrator = u.Administrator != 0;
  p.changeEquipment = u.ChangeEquipment != 0;
  p.changeCostCategories = u.ChangeCostCategories != 0;
  p.postEquipmentLogs = u.PostEquipmentLogs != 0;
  p.backupBeforePosting = u.BackupBeforePosting != 0;
  return p;
}

}  // namespace koreq::frame
