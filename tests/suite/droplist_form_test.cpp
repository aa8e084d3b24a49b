#include "../equipment/form_fixture.h"

namespace koreq::equipment::test {
namespace {

TEST_F(FormTest, TheSuiteFormsAreRegistered) {
  EXPECT_TRUE(registry.has("UpdateEQHeader"));
}

}  // namespace
}  // namespace koreq::equipment::test
