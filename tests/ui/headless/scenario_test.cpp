#include "ui/headless/scenario.h"

#include <fstream>
#include <sstream>

#include "equipment/search_equipment.h"
#include "ui/ui_fixture.h"

namespace koreq::ui::headless {
namespace {

using Words = std::vector<std::string>;

TEST(ScenarioParseTest, WordsSplitAtBlanksWithQuotedTexts) {
  EXPECT_EQ(splitScenarioWords("type ?EQH:Description \"Cab tractor\""),
            (Words{"type", "?EQH:Description", "Cab tractor"}));
  EXPECT_EQ(splitScenarioWords("  answer\t&Yes  "), (Words{"answer", "&Yes"}));
  EXPECT_EQ(splitScenarioWords("type ?X \"\""), (Words{"type", "?X", ""}));
  EXPECT_EQ(splitScenarioWords(R"(expect message "say \"hi\" to C:\\dir")"),
            (Words{"expect", "message", R"(say "hi" to C:\dir)"}));
  EXPECT_EQ(splitScenarioWords("press \"Send List\"Contents"),
            (Words{"press", "Send ListContents"}));
  EXPECT_EQ(splitScenarioWords("type ?X a\"b c\""), (Words{"type", "?X", "ab c"}));
  try {
    splitScenarioWords("type \"Cab tractor");
    FAIL();
  } catch (const std::invalid_argument& e) {
    EXPECT_STREQ(e.what(), "the quote at column 6 is not closed");
  }
}

TEST(ScenarioParseTest, CommentsAndBlankLinesAreSkippedAndLinesKeepTheirNumbers) {
  std::istringstream in(
      "# a comment\r\n\ncall SearchEquipment\r\n   # indented comment\n"
      "  type ?SEARCHTEXT \"a b\"   \n");
  std::vector<ScenarioLine> lines = parseScenario(in);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].number, 3);
  EXPECT_EQ(lines[0].words, (Words{"call", "SearchEquipment"}));
  EXPECT_EQ(lines[1].number, 5);
  EXPECT_EQ(lines[1].text, "type ?SEARCHTEXT \"a b\"");
  std::istringstream bad("call X\n\n\"unclosed\n");
  try {
    parseScenario(bad);
    FAIL();
  } catch (const ScenarioError& e) {
    EXPECT_EQ(e.line(), 3);
    EXPECT_STREQ(e.what(), "line 3: the quote at column 1 is not closed");
  }
}

const WindowDef& askerDef() {
  static const WindowDef d = parseWindowDef(R"({
    "name": "Asker", "title": "Asker",
    "controls": [
      {"kind": "prompt", "text": "Filter:"},
      {"kind": "entry", "name": "?FILTER", "use": "REPORTFILTER"},
      {"kind": "button", "name": "?ASK", "text": "&Ask"},
      {"kind": "button", "name": "?GO1", "text": "&Go"},
      {"kind": "button", "name": "?GO2", "text": "G&o"}
    ]})",
                                            "Asker.json");
  return d;
}

class Asker : public Procedure {
 public:
  explicit Asker(frame::Context& ctx) : Procedure(ctx, "Asker", askerDef()) {}
  void accepted(Control& c) override {
    if (!c.is("?ASK")) return;
    int b = message("Delete it?|For good?", "Confirm", Icon::Question, "&Yes|&No", 2);
    ctx().g.REPORTFILTER = b == 1 ? "yes" : "no";
  }
};

class ScenarioTest : public test::UiTest {
 protected:
  ScenarioTest() {
    registerWindow<Asker>(registry, "Asker");
    equipment::registerSearchEquipment(registry, search);
  }
  int play(const std::string& script) {
    std::istringstream in(script);
    transcript.str("");
    return runScenario(session, registry, in, transcript);
  }
  bool said(const std::string& text) const {
    return transcript.str().find(text) != std::string::npos;
  }
  equipment::SearchGlobals search;
  std::ostringstream transcript;
};

TEST_F(ScenarioTest, MessageBoxesAreAnsweredAndTranscribed) {
  EXPECT_EQ(play("call Asker\n"
                 "answer &No\n"
                 "press Ask\n"
                 "expect caption Confirm\n"
                 "expect message \"Delete it?\"\n"
                 "expect global REPORTFILTER no\n"
                 "expect Filter text no\n"
                 "press Ask   \n"
                 "expect global REPORTFILTER yes\n"
                 "expect messages 2\n"
                 "type Filter \"a b\"\n"
                 "expect global REPORTFILTER \"a b\"\n"
                 "close\n"
                 "expect top none\n"),
            kScenarioPassed)
      << transcript.str();
  EXPECT_TRUE(
      said("3: press Ask\n"
           "  message question \"Confirm\" \"Delete it?|For good?\" [&Yes|&No] -> &No\n"));
  EXPECT_TRUE(
      said("  message question \"Confirm\" \"Delete it?|For good?\" [&Yes|&No] -> &Yes "
           "(not answered: first button)\n"));
  EXPECT_TRUE(said("passed (14 commands)\n"));
}

TEST_F(ScenarioTest, TheFirstFailureStopsTheRunAndNamesItsLine) {
  EXPECT_EQ(play("call Asker\n# comment\nexpect window title Wrong\npress Ask\n"), kScenarioFailed);
  EXPECT_TRUE(said("FAILED at line 3: expected window title \"Wrong\", got \"Asker\"\n"))
      << transcript.str();
  EXPECT_FALSE(said("4: press Ask"));
  EXPECT_TRUE(said("closing 1 open window(s)\n"));

  EXPECT_EQ(play("call Asker\npress Go\n"), kScenarioFailed);
  EXPECT_TRUE(said("FAILED at line 2: \"Go\" is ambiguous in window Asker: ?GO1, ?GO2\n"));

  EXPECT_EQ(play("call Asker\nexpect message Delete\n"), kScenarioFailed);
  EXPECT_TRUE(said("FAILED at line 2: expected a message containing \"Delete\", none was shown"));

  EXPECT_EQ(play("call Asker\nanswer &Maybe\npress Ask\n"), kScenarioFailed);
  EXPECT_TRUE(said("FAILED at line 3: answer &Maybe is not a button of the message"));

  EXPECT_EQ(play("call Asker\nanswer &Yes\nclose\n"), kScenarioFailed);
  EXPECT_TRUE(said("FAILED at the end: 1 answer(s) were never asked for\n"));

  EXPECT_EQ(play("expect ?FILTER text x\n"), kScenarioFailed);
  EXPECT_TRUE(said("FAILED at line 1: no window is open\n"));
}

TEST_F(ScenarioTest, AMalformedScriptIsABadScript) {
  EXPECT_EQ(play("call Asker\nfrobnicate now\n"), kScenarioBadScript);
  EXPECT_TRUE(said("ERROR at line 2: unknown command frobnicate\n"));
  EXPECT_EQ(play("call NoSuchProcedure\n"), kScenarioBadScript);
  EXPECT_TRUE(said("ERROR at line 1: no procedure named NoSuchProcedure\n"));
  EXPECT_EQ(play("call Asker\ntype ?FILTER\n"), kScenarioBadScript);
  EXPECT_TRUE(said("ERROR at line 2: usage: type CONTROL TEXT\n"));
  EXPECT_EQ(play("call Asker\ncheck ?FILTER yes\n"), kScenarioBadScript);
  EXPECT_EQ(play("date 2024-02-30\n"), kScenarioBadScript);
  EXPECT_EQ(play("call Asker\n\n\ntype ?FILTER \"open\n"), kScenarioBadScript);
  EXPECT_TRUE(said("ERROR at line 4: the quote at column 14 is not closed\n"));
  EXPECT_EQ(play("set NOSUCHGLOBAL 1\n"), kScenarioBadScript);
}

TEST_F(ScenarioTest, SetAndRequestReachTheCalledWindow) {
  addEquipment("CAB-01", "Cab tractor");
  EXPECT_EQ(play("set EQH:EquipmentID ZZZ\n"
                 "expect global EQH:EquipmentID ZZZ\n"
                 "set GlobalRequest 2\n"
                 "expect global GlobalRequest 2\n"
                 "request 4\n"
                 "call Asker\n"
                 "expect global GlobalRequest 0\n"
                 "set GLO:LogUserActivity 300\n"),
            kScenarioFailed);
  EXPECT_TRUE(said("FAILED at line 8: GLO:LogUserActivity: number out of range"))
      << transcript.str();
}

TEST_F(ScenarioTest, TheSearchEquipmentScenarioFile) {
  addEquipment("TRK-02", "Dump truck");
  addEquipment("CAB-01", "Cab tractor", false);
  addEquipment("EXC-01", "Excavator");
  addEquipment("SAW-01", "Slab saw");
  search.SearchMode = "Equipment";
  std::ifstream in(std::string(KOREQ_UI_TEST_DIR) + "/scenarios/search_equipment.scenario");
  ASSERT_TRUE(in) << "scenario file missing";
  EXPECT_EQ(runScenario(session, registry, in, transcript), kScenarioPassed) << transcript.str();
  EXPECT_EQ(search.SearchResult, "SAW-01");
  EXPECT_TRUE(said("  row 1: CAB-01|Cab tractor\n  row 2: SAW-01|Slab saw\n"));
}

}  // namespace
}  // namespace koreq::ui::headless
