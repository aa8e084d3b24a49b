#include "suite/warning.h"

#include <gtest/gtest.h>

#include "data/records.h"
#include "support/company_fixture.h"

namespace koreq::suite {
namespace {

class WarningTest : public fixture::CompanyTest {
 protected:
  // Leaves "Creates Duplicate Key Inserting UserFile" (40) as the saved error.
  void failAnInsert() {
    auto& users = ctx().access<data::UserFile>();
    for (int i = 0; i < 2; ++i) {
      users.prime();
      users.rec().UserID = "ABC";
      users.insert();
    }
    ASSERT_TRUE(ctx().errors().last());
  }
  ui::ScriptedPort port_;
};

TEST_F(WarningTest, RecordRetrievalMessageWordForWord) {
  failAnInsert();
  port_.queueAnswer(1);
  EXPECT_EQ(recordRetrievalWarning(ctx(), port_, "EQHeader   "), 1);
  ASSERT_EQ(port_.shown().size(), 1u);
  const auto& s = port_.shown()[0];
  EXPECT_EQ(s.text,
            "Error: (Creates Duplicate Key Inserting UserFile (40)) attempting to access a record "
            "from the EQHeader file.  Returning to previous window.");
  EXPECT_EQ(s.caption, "Record Retrieval Error");
  EXPECT_EQ(s.icon, ui::Icon::Exclamation);
  EXPECT_EQ(s.buttons, "&OK");
  EXPECT_FALSE(ctx().errors().last());  // the saved error is used up

  // Without a saved error the failed operation's own code and text serve.
  recordRetrievalWarning(ctx(), port_, "EQLog", RuntimeError{data::kRecordChanged, ""});
  EXPECT_EQ(port_.shown()[1].text,
            "Error: (Record Changed By Another Station (89)) attempting to access a record from "
            "the EQLog file.  Returning to previous window.");
  recordRetrievalWarning(ctx(), port_, "EQLog", RuntimeError{data::kDriverError, "disk I/O error"});
  EXPECT_EQ(port_.shown()[2].text,
            "Error: (disk I/O error (90)) attempting to access a record from the EQLog file.  "
            "Returning to previous window.");
}

TEST_F(WarningTest, ViewOpenMessageWordForWord) {
  failAnInsert();
  EXPECT_EQ(viewOpenWarning(ctx(), port_), 1);
  ASSERT_EQ(port_.shown().size(), 1u);
  const auto& s = port_.shown()[0];
  EXPECT_EQ(s.text,
            "Error: (Creates Duplicate Key Inserting UserFile (40)) attempting to open the current "
            "VIEW. Filter and Range Limits ignored.");
  EXPECT_EQ(s.caption, "View Open Error");
  EXPECT_EQ(s.icon, ui::Icon::Exclamation);
  EXPECT_EQ(s.buttons, "&OK");
  EXPECT_FALSE(ctx().errors().last());
  viewOpenWarning(ctx(), port_);
  EXPECT_EQ(port_.shown()[1].text,
            "Error: (No Error (0)) attempting to open the current VIEW. Filter and Range Limits "
            "ignored.");
}

}  // namespace
}  // namespace koreq::suite
