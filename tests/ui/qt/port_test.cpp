// The real dialogs of the user port and what the renderer asked of the window model: the
// calling desktop as the current one, text typed but not committed.

#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "qt_fixture.h"
#include "ui/qt/qt_user_port.h"

namespace koreq::ui::qt::test {
namespace {

TEST(QtUserPortDialogs, MessageBoxesKeepTheButtonOrderAndAnswerItsPosition) {
  std::unique_ptr<QMessageBox> box(makeMessageBox("First line|second line", "Confirm Delete",
                                                  Icon::Question, "&Yes|&No|&Cancel", 2, nullptr));
  EXPECT_EQ(box->windowTitle(), "Confirm Delete");
  EXPECT_EQ(box->text(), "First line\nsecond line");
  EXPECT_EQ(box->icon(), QMessageBox::Question);
  QList<QAbstractButton*> buttons = box->buttons();
  ASSERT_EQ(buttons.size(), 3);
  EXPECT_EQ(buttons[0]->text(), "&Yes");
  EXPECT_EQ(buttons[2]->text(), "&Cancel");
  EXPECT_EQ(box->defaultButton(), buttons[1]);
  EXPECT_EQ(box->escapeButton(), buttons[2]);  // Cancel, not No

  // The answer is the clicked button's position; closed without a click, the escape button's.
  QTimer::singleShot(0, box.get(), [&] { buttons[2]->click(); });
  box->exec();
  EXPECT_EQ(clickedButtonNumber(*box, 2), 3);

  std::unique_ptr<QMessageBox> ok(
      makeMessageBox("Saved.", "Done", Icon::Information, "&OK", 1, nullptr));
  EXPECT_EQ(ok->icon(), QMessageBox::Information);
  EXPECT_EQ(ok->escapeButton(), ok->buttons().front());
  EXPECT_EQ(clickedButtonNumber(*ok, 1), 1);
  std::unique_ptr<QMessageBox> plain(
      makeMessageBox("?", "", Icon::Exclamation, "&Retry|&Ignore", 5, nullptr));
  EXPECT_EQ(plain->icon(), QMessageBox::Warning);
  EXPECT_EQ(plain->escapeButton(), nullptr);
  EXPECT_EQ(clickedButtonNumber(*plain, 5), 1);  // a default beyond the buttons: the first
}

TEST(QtUserPortDialogs, ScriptedAnswersGoThroughTheRealBox) {
  ScriptedPort script;
  QtUserPort port;
  port.setScript(&script);
  script.queueAnswer("No");
  EXPECT_EQ(port.message("Delete it?", "Confirm", Icon::Question, "&Yes|&No", 1), 2);
  ASSERT_EQ(script.log().size(), 1u);
  EXPECT_EQ(script.log()[0], "message question \"Confirm\" \"Delete it?\" [&Yes|&No] -> &No");
  // Every other question is the script's.
  script.queueDate(Date::fromYmd(2024, 2, 29));
  EXPECT_EQ(port.chooseDate("Select a Date", Date()), Date::fromYmd(2024, 2, 29));
  script.queueMenu(2);
  EXPECT_EQ(port.popupMenu("&Copy|-|&Paste"), 2);
  port.setClipboard("abc");
  EXPECT_EQ(port.clipboard(), "abc");
  EXPECT_EQ(script.clipboard(), "abc");
  port.beep();
  EXPECT_EQ(script.beeps(), 1);
  EXPECT_EQ(port.openDocument("/nowhere/x.pdf"), kOpened);  // the script's default answer
}

TEST(QtUserPortDialogs, FiltersCalculationsAndDocuments) {
  EXPECT_EQ(qtFileFilter("Text files|*.txt|All files|*.*"), "Text files (*.txt);;All files (*.*)");
  EXPECT_EQ(qtFileFilter("Data|*.csv;*.txt"), "Data (*.csv *.txt)");
  EXPECT_EQ(qtFileFilter(""), "");
  EXPECT_EQ(qtFileFilter("*.pdf"), "*.pdf");

  std::string why;
  EXPECT_EQ(calculateText("12.5*4 + 3", &why), "53.00");
  EXPECT_EQ(calculateText("(1+2)/4", &why), "0.75");
  EXPECT_EQ(calculateText("10/0", &why), "0.00");  // the runtime's division by zero
  EXPECT_FALSE(calculateText("12 +", &why));
  EXPECT_FALSE(why.empty());
  EXPECT_FALSE(calculateText("'text'", &why));
  EXPECT_FALSE(calculateText("", &why));

  TempFolder dir;
  QtUserPort port;
  EXPECT_EQ(port.openDocument((dir.path / "missing.pdf").string()), kOpenFileNotFound);
  EXPECT_EQ(port.openDocument((dir.path / "no" / "such" / "x.pdf").string()), kOpenPathNotFound);
}

// The model hooks the renderer needs.
class ModelHooks : public RendererTest {};

TEST_F(ModelHooks, ACallOpensOnTheDesktopThatMakesItWhateverWasMadeLast) {
  static const WindowDef def =
      parseWindowDef(R"({"name": "Plain", "controls": [{"kind": "entry", "name": "?E",
                         "use": "LOC:E", "picture": "@n5"}]})",
                     "Plain.json");
  struct Plain : Procedure {
    explicit Plain(frame::Context& c) : Procedure(c, "Plain", def) { bindLocal("LOC:E", e); }
    int e = 0;
  };
  registerWindow<Plain>(registry, "Plain");
  ScriptedPort otherPort;
  auto second = std::make_unique<Desktop>(otherPort, registry);
  // The first desktop calls after a second one was made: the window opens on the first.
  ASSERT_TRUE(desktop.call(ctx, "Plain"));
  EXPECT_EQ(desktop.depth(), 1u);
  EXPECT_EQ(second->depth(), 0u);
  EXPECT_EQ(Desktop::current(), second.get());
  // Desktops may go in any order.
  auto third = std::make_unique<Desktop>(otherPort, registry);
  second.reset();
  EXPECT_EQ(Desktop::current(), third.get());
  third.reset();
  EXPECT_EQ(Desktop::current(), &desktop);

  // Typed but not committed: no event, the value unchanged, the text held until committed.
  Procedure& p = *desktop.top();
  Control& e = p.control("?E");
  p.userEdit(e, "12");
  EXPECT_TRUE(e.holdsEditedText());
  EXPECT_EQ(e.text(), "12");
  EXPECT_EQ(static_cast<Plain&>(p).e, 0);
  p.display();
  EXPECT_EQ(e.text(), "12");
  ASSERT_TRUE(p.userAccept(e));
  EXPECT_EQ(static_cast<Plain&>(p).e, 12);
  EXPECT_FALSE(e.holdsEditedText());
  e.setReadonly(true);
  EXPECT_THROW(p.userEdit(e, "3"), UiError);
}

}  // namespace
}  // namespace koreq::ui::qt::test
