#include "form_fixture.h"

namespace koreq::equipment::test {
namespace {

TEST_F(FormTest, TheFormOpensOnDemoEquipmentAndCloses) {
  wizardOff();
  openForm(ui::Request::Change, "DT-201");
  EXPECT_EQ(form().window().title().rfind("Changing an Equipment Record  (", 0), 0u);
  user.press("?CANCEL");
  EXPECT_EQ(desktop.top(), nullptr);
}

}  // namespace
}  // namespace koreq::equipment::test
