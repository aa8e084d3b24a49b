#include <gtest/gtest.h>

#include "data/records.h"
#include "frame/signon.h"
#include "support/company_fixture.h"

namespace koreq::frame {
namespace {

using namespace std::chrono_literals;

class SignOnTest : public fixture::CompanyTest {
 protected:
  void addUser(const std::string& id, bool administrator) {
    data::Access<data::UserFile> a(ctx().store(), ctx().errors());
    ASSERT_EQ(a.prime(), data::kNoError);
    a.rec().UserID = id;
    a.rec().Administrator = administrator ? 1 : 0;
    ASSERT_EQ(a.insert(), data::kNoError);
  }
  void removeUser(const std::string& id) {
    data::Access<data::UserFile> a(ctx().store(), ctx().errors());
    ASSERT_EQ(a.fetch("KeyUserID", {data::Value(id)}), data::kNoError);
    ASSERT_EQ(a.remove(), data::kNoError);
  }
  SignOnUser user(const std::string& typed) {
    auto u = findSignOnUser(ctx().store(), typed);
    EXPECT_TRUE(u) << typed;
    return u.value_or(SignOnUser{});
  }
};

TEST_F(SignOnTest, APasswordIsCheckedAgainstItsHashAndOnlyTheRightUsersSetIt) {
  addUser("ADM", true);
  addUser("NOP", false);
  data::Store& store = ctx().store();
  EXPECT_FALSE(findSignOnUser(store, "XYZ"));
  EXPECT_FALSE(findSignOnUser(store, ""));
  const SignOnUser adm = user("adm"), nop = user("Nop ");
  EXPECT_EQ(nop.id, "NOP");
  EXPECT_TRUE(adm.administrator);

  // Without a password anything signs on, as before passwords.
  EXPECT_FALSE(passwordRequired(store, nop));
  EXPECT_TRUE(checkPassword(store, nop, "", 0ms));

  setPassword(store, nop, "correct horse");
  EXPECT_TRUE(passwordRequired(store, nop));
  EXPECT_FALSE(passwordRequired(store, adm));
  EXPECT_TRUE(checkPassword(store, nop, "correct horse", 0ms));
  for (std::string_view wrong :
       {std::string_view(), std::string_view("correct hors"), std::string_view("correct horse "),
        std::string_view("CORRECT HORSE"), std::string_view("correct horse\0x", 15)})
    EXPECT_FALSE(checkPassword(store, nop, wrong, 0ms)) << wrong;
  // Only a salted memory-hard hash is kept, never the password.
  auto kept = store.getBlob("signon", nop.recordId);
  ASSERT_TRUE(kept);
  const std::string hash(kept->begin(), kept->end());
  EXPECT_EQ(hash.rfind("$argon2id$", 0), 0u) << hash;
  EXPECT_EQ(hash.find("correct"), std::string::npos);
  setPassword(store, nop, "correct horse");
  auto again = store.getBlob("signon", nop.recordId);
  EXPECT_NE(std::string(again->begin(), again->end()), hash);  // a fresh salt each time

  // Unusable passwords are refused and leave the old one.
  EXPECT_THROW(setPassword(store, nop, ""), PasswordError);
  EXPECT_THROW(setPassword(store, nop, std::string(kMaxPasswordBytes + 1, 'x')), PasswordError);
  EXPECT_THROW(setPassword(store, nop, std::string_view("a\0b", 3)), PasswordError);
  EXPECT_TRUE(checkPassword(store, nop, "correct horse", 0ms));

  EXPECT_TRUE(maySetPassword(adm, nop));
  EXPECT_TRUE(maySetPassword(nop, nop));
  EXPECT_FALSE(maySetPassword(nop, adm));

  clearPassword(store, nop);
  EXPECT_FALSE(passwordRequired(store, nop));
  EXPECT_TRUE(checkPassword(store, nop, "anything", 0ms));

  // A user made anew under an old ID does not inherit the old user's password.
  setPassword(store, nop, "old one");
  removeUser("NOP");
  addUser("NOP", false);
  EXPECT_FALSE(passwordRequired(store, user("NOP")));
}

TEST_F(SignOnTest, APasswordThatCannotBeStoredLeavesTheOldOne) {
  addUser("NOP", false);
  data::Store& store = ctx().store();
  const SignOnUser nop = user("NOP");
  setPassword(store, nop, "first");
  {
    // A change that cannot land (the transaction it joins failed) leaves the password.
    data::Transaction holder(store);
    ASSERT_TRUE(holder.owner());
    store.abandon("disk full");
    EXPECT_THROW(setPassword(store, nop, "second"), data::StoreError);
    EXPECT_THROW(clearPassword(store, nop), data::StoreError);
  }
  EXPECT_TRUE(checkPassword(store, nop, "first", 0ms));
}

}  // namespace
}  // namespace koreq::frame
