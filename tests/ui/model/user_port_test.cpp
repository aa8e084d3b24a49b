#include "ui/model/user_port.h"

#include <gtest/gtest.h>

namespace koreq::ui {
namespace {

TEST(UserPortTest, MessageAnswersByNumberOrButtonText) {
  ScriptedPort p;
  std::vector<std::string> sink;
  p.setLogSink([&](const std::string& l) { sink.push_back(l); });
  p.queueAnswer(2);
  p.queueAnswer("&Yes");
  p.queueAnswer("no");  // case and "&" do not matter
  EXPECT_EQ(p.message("Delete?", "Confirm Delete", Icon::Question, "&Yes|&No", 1), 2);
  EXPECT_EQ(p.message("Delete?", "Confirm Delete", Icon::Question, "&Yes|&No", 1), 1);
  EXPECT_EQ(p.message("Delete?", "Confirm Delete", Icon::Question, "&Yes|&No", 1), 2);
  // Nobody answered: the first button, and the log says so.
  EXPECT_EQ(p.message("Line one|line two", "", Icon::Information, "&OK|&Cancel", 2), 1);
  ASSERT_EQ(p.shown().size(), 4u);
  EXPECT_TRUE(p.shown()[0].answered);
  EXPECT_FALSE(p.shown()[3].answered);
  EXPECT_EQ(p.log()[0], "message question \"Confirm Delete\" \"Delete?\" [&Yes|&No] -> &No");
  EXPECT_EQ(p.log()[3],
            "message information \"\" \"Line one|line two\" [&OK|&Cancel] -> &OK "
            "(not answered: first button)");
  EXPECT_EQ(sink, p.log());
  EXPECT_TRUE(p.problems().empty());
}

TEST(UserPortTest, AnswersThatDoNotFitAreProblems) {
  ScriptedPort p;
  p.queueAnswer("&Maybe");
  p.queueAnswer(3);
  EXPECT_EQ(p.message("Sure?", "C", Icon::Question, "&Yes|&No", 1), 1);
  EXPECT_EQ(p.message("Sure?", "C", Icon::Question, "&Yes|&No", 1), 1);
  ASSERT_EQ(p.problems().size(), 2u);
  EXPECT_EQ(p.problems()[0], "answer &Maybe is not a button of the message \"Sure?\" (&Yes|&No)");
  EXPECT_FALSE(p.shown()[1].answered);
  p.queueMenu("Paste");
  EXPECT_EQ(p.pendingAnswers(), 1u);
}

TEST(UserPortTest, DialogsAnswerFromTheirQueuesOrCancel) {
  ScriptedPort p;
  FileDialog open{"Choose a File", "Text|*.txt", "", false, false};
  EXPECT_TRUE(p.chooseFiles(open).empty());  // not answered: cancelled
  p.queueFiles({"/tmp/a.txt"});
  p.queueNoFile();
  EXPECT_EQ(p.chooseFiles(open), std::vector<std::string>{"/tmp/a.txt"});
  EXPECT_TRUE(p.chooseFiles(open).empty());
  // Two files for a dialog that takes one: the first, and a problem.
  p.queueFiles({"/a", "/b"});
  EXPECT_EQ(p.chooseFiles(open), std::vector<std::string>{"/a"});
  EXPECT_EQ(p.problems().size(), 1u);
  FileDialog many{"Attach", "", "", false, true};
  p.queueFiles({"/a", "/b"});
  EXPECT_EQ(p.chooseFiles(many).size(), 2u);

  Date d = *Date::fromYmd(2015, 3, 5);
  EXPECT_FALSE(p.chooseDate("Select a Date", Date()));
  p.queueDate(d);
  p.queueDate(std::nullopt);
  EXPECT_EQ(p.chooseDate("Select a Date", Date()), d);
  EXPECT_FALSE(p.chooseDate("Select a Date", d));

  p.queueCalculation("12.5");
  EXPECT_EQ(p.calculate("10+2.5"), "12.5");
  EXPECT_FALSE(p.calculate("1"));

  p.queuePrinter("Office");
  EXPECT_EQ(p.choosePrinter(), "Office");
  EXPECT_FALSE(p.choosePrinter());

  EXPECT_EQ(p.openDocument("/x.pdf"), kOpened);
  p.queueOpenResult(kOpenNoAssociation);
  EXPECT_EQ(p.openDocument("/x.zzz"), kOpenNoAssociation);
  EXPECT_EQ(openResultText(kOpenFileNotFound), "File not found");
  EXPECT_EQ(openResultText(kOpenPathNotFound), "Path not found");
  EXPECT_EQ(openResultText(kOpenNoAssociation), "No program associated with this file");

  p.setClipboard("abc");
  EXPECT_EQ(p.clipboard(), "abc");
  p.setWaitCursor(true);
  EXPECT_TRUE(p.waitCursor());
  EXPECT_EQ(p.log()[0],
            "open file dialog \"Choose a File\" filter \"Text|*.txt\" -> none "
            "(not answered)");
  EXPECT_EQ(p.pendingAnswers(), 0u);
}

TEST(UserPortTest, PopupMenusCountItemsWithoutSeparators) {
  auto items = menuItems("~&Copy|Cu&t|&Paste|-|&Spell Check");
  ASSERT_EQ(items.size(), 4u);
  EXPECT_EQ(items[0].text, "Copy");
  EXPECT_FALSE(items[0].enabled);
  EXPECT_EQ(items[3].text, "Spell Check");
  // An icon in brackets after the "~", not part of the text a user reads or answers with.
  items = menuItems("[print.ico]&Print|~[cross.ico]Cancel|[x");
  ASSERT_EQ(items.size(), 3u);
  EXPECT_EQ(items[0].text, "Print");
  EXPECT_EQ(items[0].icon, "print.ico");
  EXPECT_EQ(items[1].text, "Cancel");
  EXPECT_EQ(items[1].icon, "cross.ico");
  EXPECT_FALSE(items[1].enabled);
  EXPECT_EQ(items[2].text, "[x");  // no closing bracket: plain text
  EXPECT_EQ(items[2].icon, "");

  ScriptedPort p;
  p.queueMenu("spell check");
  p.queueMenu(3);
  p.queueMenu("Copy");  // disabled: nothing chosen, a problem
  p.queueMenu("Nothing");
  p.queueMenu(0);
  const std::string menu = "~&Copy|Cu&t|&Paste|-|&Spell Check";
  EXPECT_EQ(p.popupMenu(menu), 4);
  EXPECT_EQ(p.popupMenu(menu), 3);
  EXPECT_EQ(p.popupMenu(menu), 0);
  EXPECT_EQ(p.popupMenu(menu), 0);
  EXPECT_EQ(p.popupMenu(menu), 0);
  EXPECT_EQ(p.problems().size(), 2u);
  // A bullet or indent in front of an item does not count when it is matched.
  p.queueMenu("ALL CAPS");
  EXPECT_EQ(p.popupMenu("\u2022small text|   Capitalized Text|   ALL CAPS"), 3);
  EXPECT_EQ(withoutAmpersand("Save && &Close"), "Save & Close");
}

}  // namespace
}  // namespace koreq::ui
