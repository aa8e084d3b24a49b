#include <gtest/gtest.h>

#include "data/records.h"
#include "frame/activity_log.h"
#include "frame/permissions.h"
#include "support/company_fixture.h"

namespace koreq::frame {
namespace {

class ActivityTest : public fixture::CompanyTest {
 protected:
  std::vector<data::UserLog> entries() {
    data::Access<data::UserLog> a(ctx().store(), ctx().errors());
    a.set(a.def().primaryKey());
    std::vector<data::UserLog> out;
    while (a.next() == data::kNoError) out.push_back(a.rec());
    return out;
  }
};

TEST_F(ActivityTest, WrittenOnlyAtLevelTwo) {
  for (int level : {0, 1, 3, 255}) {
    session().g.LogUserActivity = static_cast<std::uint8_t>(level);
    EXPECT_FALSE(logActivity(ctx(), "EQ Equipment Setup", "Added equipment (T1) Truck"));
  }
  EXPECT_TRUE(entries().empty());

  session().g.LogUserActivity = 2;
  EXPECT_TRUE(logActivity(ctx(), "EQ Equipment Setup", "Added equipment (T1) Truck"));
  std::string longArea(45, 'a'), longText = std::string(98, 'x') + "yz!!";
  EXPECT_TRUE(logActivity(ctx(), longArea, longText));
  auto e = entries();
  ASSERT_EQ(e.size(), 2u);
  EXPECT_EQ(e[0].UserID, "ABC");
  EXPECT_EQ(e[0].Date, *Date::fromYmd(2024, 3, 5));
  EXPECT_EQ(e[0].Time, Time::fromHms(14, 30, 15));
  EXPECT_EQ(e[0].Area, "EQ Equipment Setup");
  EXPECT_EQ(e[0].Text, "Added equipment (T1) Truck");
  EXPECT_EQ(e[1].Area.str(), std::string(40, 'a'));
  EXPECT_EQ(e[1].Text.str(), std::string(98, 'x') + "yz");
  EXPECT_NE(e[0].RecordID, e[1].RecordID);
  EXPECT_FALSE(ctx().errors().last());
}

TEST_F(ActivityTest, GoesWithTheCallersTransaction) {
  session().g.LogUserActivity = 2;
  {
    data::Transaction t(ctx().store(), std::chrono::seconds(5));
    ASSERT_TRUE(t.begun());
    EXPECT_TRUE(logActivity(ctx(), "EQ Usage Logs", "Deleted log entry batch (7)"));
    EXPECT_EQ(entries().size(), 1u);
    // not committed: rolled back on leaving the scope
  }
  EXPECT_TRUE(entries().empty());
  {
    data::Transaction t(ctx().store(), std::chrono::seconds(5));
    EXPECT_TRUE(logActivity(ctx(), "EQ Usage Logs", "Deleted log entry batch (8)"));
    t.commit();
  }
  ASSERT_EQ(entries().size(), 1u);
  EXPECT_EQ(entries()[0].Text, "Deleted log entry batch (8)");
}

TEST_F(ActivityTest, PermissionsOfTheSignedOnUser) {
  UserPermissions none = readUserPermissions(ctx());
  EXPECT_FALSE(none.found);
  EXPECT_FALSE(none.changeEquipment || none.postEquipmentLogs || none.backupBeforePosting);
  EXPECT_EQ(none.errorCode, data::kRecordNotFound);
  EXPECT_EQ(none.errorText, "Record Not Found");

  auto& users = ctx().access<data::UserFile>();
  users.prime();
  users.rec().UserID = "ABD";  // a neighbour whose rights must not leak
  users.rec().ChangeEquipment = 1;
  users.rec().PostEquipmentLogs = 1;
  users.rec().BackupBeforePosting = 1;
  ASSERT_EQ(users.insert(), data::kNoError);
  users.prime();
  users.rec().UserID = "ABC";
  users.rec().PostEquipmentLogs = 1;
  ASSERT_EQ(users.insert(), data::kNoError);
  users.clear();

  UserPermissions p = readUserPermissions(ctx());
  EXPECT_TRUE(p.found);
  EXPECT_FALSE(p.changeEquipment);
  EXPECT_TRUE(p.postEquipmentLogs);
  EXPECT_FALSE(p.backupBeforePosting);
  EXPECT_EQ(ctx().rec<data::UserFile>().UserID, "ABC");  // left in the buffer for the caller

  session().g.USERID = "XYZ";
  EXPECT_FALSE(readUserPermissions(ctx()).found);
  EXPECT_FALSE(readUserPermissions(ctx()).postEquipmentLogs);
}

}  // namespace
}  // namespace koreq::frame
