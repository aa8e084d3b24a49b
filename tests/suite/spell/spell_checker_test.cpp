#include "suite/spell/spell_checker.h"

#include <fstream>

#include "ui/headless/scripted_user.h"
#include "ui/model/procedure.h"
#include "ui/ui_fixture.h"

namespace koreq::suite {
namespace {

namespace fs = std::filesystem;
using ui::test::TempFolder;

// The system's en_US dictionary, as the module finds it.
const fs::path kSystemDic = "/usr/share/hunspell/en_US.dic";

std::vector<std::string> lines(const fs::path& p) {
  std::ifstream in(p);
  std::vector<std::string> out;
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

bool contains(const std::vector<std::string>& v, const std::string& s) {
  return std::find(v.begin(), v.end(), s) != v.end();
}

class SpellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!fs::exists(kSystemDic)) GTEST_SKIP() << "no en_US dictionary installed";
  }
  SpellSetup setup(std::string language = "") const {
    return {folder.path / "ASpell", kSystemDic, std::move(language)};
  }
  TempFolder folder;
};

TEST_F(SpellTest, FindsMisspelledWordsWithPositionsAndSuggestions) {
  SpellChecker s(setup());
  ASSERT_TRUE(s.ready()) << s.error();
  EXPECT_EQ(s.language(), "en_US");  // blank language
  EXPECT_EQ(s.dictionaryFile(), kSystemDic);

  std::vector<Misspelling> m = s.check("Teh excavater is on the job.");
  ASSERT_EQ(m.size(), 2u);
  EXPECT_EQ(m[0].word, "Teh");
  EXPECT_EQ(m[0].position, 0u);
  EXPECT_EQ(m[0].suggestions.front(), "The") << ::testing::PrintToString(m[0].suggestions);
  EXPECT_EQ(m[1].word, "excavater");
  EXPECT_EQ(m[1].position, 4u);
  EXPECT_TRUE(contains(m[1].suggestions, "excavator"));
  EXPECT_LE(s.check("zzqxv", 3).front().suggestions.size(), 3u);

  // Correct text, punctuation, quotes, and words with digits (model numbers) pass.
  EXPECT_TRUE(s.check("The excavator's bucket, \"quoted\" and 'single'. D6T CAT320").empty());
  EXPECT_TRUE(s.check("").empty());
  EXPECT_TRUE(s.check("  ...  ").empty());
  // The last word of a text and a word before a line break are found.
  m = s.check("Dozer\nrepiar");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].position, 6u);
}

TEST_F(SpellTest, PersonalWordListRoundTrip) {
  {
    SpellChecker s(setup());
    ASSERT_TRUE(s.ready());
    EXPECT_FALSE(s.correct("Korvex"));
    EXPECT_FALSE(s.addWord("   "));
    EXPECT_FALSE(s.addWord("two words"));
    EXPECT_TRUE(s.addWord("Korvex"));
    EXPECT_TRUE(s.correct("Korvex"));  // at once
    EXPECT_TRUE(s.addWord("Backhoes2"));
    EXPECT_EQ(s.personalFile(), folder.path / "ASpell" / "koreq.en_US.pws");
  }
  EXPECT_EQ(lines(folder.path / "ASpell" / "koreq.en_US.pws"),
            (std::vector<std::string>{"Korvex", "Backhoes2"}));
  // A new checker loads the list; Ignore All lasts only as long as its checker.
  SpellChecker again(setup());
  EXPECT_TRUE(again.correct("Korvex"));
  EXPECT_TRUE(again.check("Korvex excavater").size() == 1u);
  again.ignoreAll("Zorblat");
  EXPECT_TRUE(again.correct("Zorblat"));
  EXPECT_FALSE(SpellChecker(setup()).correct("Zorblat"));
  EXPECT_EQ(lines(again.personalFile()).size(), 2u);
}

TEST_F(SpellTest, MissingDictionaryIsAnErrorNotACrash) {
  // No dictionary for the language anywhere.
  SpellChecker none(setup("xx_XX"));
  EXPECT_FALSE(none.ready());
  EXPECT_NE(none.error().find("xx_XX"), std::string::npos);
  EXPECT_TRUE(none.check("Teh").empty());
  EXPECT_FALSE(none.correct("the"));
  // No system dictionary at all.
  SpellChecker noSystem({folder.path / "ASpell", {}, "en_US"});
  EXPECT_FALSE(noSystem.ready());
  // A .dic without its .aff does not count.
  fs::create_directories(folder.path / "ASpell");
  std::ofstream(folder.path / "ASpell" / "xx_XX.dic") << "1\nfoo\n";
  EXPECT_FALSE(SpellChecker(setup("xx_XX")).ready());

  ui::ScriptedPort port;
  EXPECT_EQ(none.checkInteractively(port, "Teh"), std::nullopt);
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.shown()[0].caption, "Spell Check Error");
  EXPECT_EQ(port.shown()[0].icon, ui::Icon::Exclamation);
  EXPECT_EQ(port.shown()[0].text, none.error());
}

TEST_F(SpellTest, UserFolderDictionaryWinsOverTheSystems) {
  fs::create_directories(folder.path / "ASpell");
  std::ofstream(folder.path / "ASpell" / "xx_XX.aff") << "SET UTF-8\n";
  std::ofstream(folder.path / "ASpell" / "xx_XX.dic") << "2\nblorp\nflim\n";
  SpellChecker s(setup("xx_XX"));
  ASSERT_TRUE(s.ready()) << s.error();
  EXPECT_EQ(s.dictionaryFile(), folder.path / "ASpell" / "xx_XX.dic");
  std::vector<Misspelling> m = s.check("blorp the flim");
  ASSERT_EQ(m.size(), 1u);
  EXPECT_EQ(m[0].word, "the");
  EXPECT_EQ(s.personalFile().filename(), "koreq.xx_XX.pws");
}

TEST_F(SpellTest, InteractiveCheckReplacesIgnoresAddsAndCompletes) {
  SpellChecker s(setup());
  ui::ScriptedPort port;
  port.queueMenu("The");                // Teh
  port.queueMenu("Ignore");             // excavater, once
  port.queueMenu("Ignore All");         // Zorblat
  port.queueMenu("Add to Dictionary");  // Korvex
  port.queueMenu("excavator");          // the second excavater
  std::optional<std::string> r =
      s.checkInteractively(port, "Teh excavater Zorblat Korvex Zorblat excavater");
  ASSERT_TRUE(r);
  EXPECT_EQ(*r, "The excavater Zorblat Korvex Zorblat excavator");
  EXPECT_TRUE(port.problems().empty()) << port.problems().front();
  EXPECT_EQ(port.pendingAnswers(), 0u);
  // The menu: the word (disabled), its suggestions, then the four commands.
  ASSERT_GE(port.log().size(), 1u);
  EXPECT_EQ(port.log()[0].rfind("menu \"~Teh|-|", 0), 0u) << port.log()[0];
  EXPECT_NE(port.log()[0].find("|-|Ignore|Ignore All|Add to Dictionary|Cancel\""),
            std::string::npos);
  ASSERT_EQ(port.shown().size(), 1u);
  EXPECT_EQ(port.shown()[0].text, "The spelling check is complete.");
  EXPECT_EQ(port.shown()[0].caption, "Spelling");
  EXPECT_EQ(port.shown()[0].icon, ui::Icon::Information);
  EXPECT_EQ(port.shown()[0].buttons, "&OK");
  EXPECT_EQ(lines(s.personalFile()), std::vector<std::string>{"Korvex"});

  // Nothing wrong: no menu, no change, still the completion message.
  ui::ScriptedPort clean;
  EXPECT_EQ(s.checkInteractively(clean, "The excavator"), std::nullopt);
  EXPECT_TRUE(clean.log().size() == 1u && clean.shown().size() == 1u);

  // Cancel (or a menu closed without a choice) stops: changes so far stay, no message.
  ui::ScriptedPort cancel;
  cancel.queueMenu("The");
  cancel.queueMenu("Cancel");
  EXPECT_EQ(s.checkInteractively(cancel, "Teh repiar Teh"), "The repiar Teh");
  EXPECT_TRUE(cancel.shown().empty());
  ui::ScriptedPort closed;  // unanswered menu
  EXPECT_EQ(s.checkInteractively(closed, "Teh"), std::nullopt);
  EXPECT_TRUE(closed.shown().empty());
}

const ui::WindowDef& notesDef() {
  static const ui::WindowDef d = ui::parseWindowDef(R"({
    "name": "Notes", "title": "Notes",
    "controls": [
      {"kind": "prompt", "text": "Note:"},
      {"kind": "entry", "name": "?NOTE", "use": "LOC:Note", "picture": "@s60"},
      {"kind": "prompt", "text": "Other:"},
      {"kind": "entry", "name": "?OTHER", "use": "LOC:Other", "picture": "@s60"},
      {"kind": "button", "name": "?SEVEN", "text": "Seven", "key": "F7"}
    ]})",
                                                    "Notes.json");
  return d;
}

class Notes : public ui::Procedure {
 public:
  explicit Notes(frame::Context& ctx) : Procedure(ctx, "Notes", notesDef()) {
    bindLocal("LOC:Note", note);
    bindLocal("LOC:Other", other);
  }
  void accepted(ui::Control& c) override {
    if (c.is("?SEVEN")) ++sevens;
  }
  Str<60> note, other;
  int sevens = 0;
};

class SpellWindowTest : public ui::test::UiTest {
 protected:
  void SetUp() override {
    if (!fs::exists(kSystemDic)) GTEST_SKIP() << "no en_US dictionary installed";
    session.g.CONTROLPATH = (folder.path / "ctl").string();
  }
};

TEST_F(SpellWindowTest, F7ChecksTheFocusedControl) {
  ui::headless::ScriptedUser user(desktop);
  auto& w = static_cast<Notes&>(desktop.open(std::make_unique<Notes>(ctx)));
  w.note = "Teh loader";
  w.other = "Teh dozer";
  w.display();

  // Without a spell checker on the desktop F7 is an ordinary key.
  user.key("Note:", "F7");
  EXPECT_EQ(w.sevens, 1);

  WindowSpellCheck checker(kSystemDic, "");
  EXPECT_EQ(checker.setupFor(ctx).userFolder, folder.path / "ctl" / "ASpell");
  desktop.setSpellChecker(&checker);
  port.queueMenu("The");
  user.key("Other:", "F7");
  EXPECT_EQ(w.other, "The dozer");  // written through to the variable
  EXPECT_EQ(w.note, "Teh loader");  // the other control is untouched
  EXPECT_EQ(w.sevens, 1);           // the checker took the key
  EXPECT_EQ(lastMessage(), "The spelling check is complete.");

  // A read-only control is checked but keeps its text.
  w.control("?NOTE").setReadonly(true);
  port.queueMenu("The");
  user.key("Note:", "F7");
  EXPECT_EQ(w.note, "Teh loader");

  // A missing dictionary: the error, and the window goes on.
  WindowSpellCheck missing(folder.path / "nowhere" / "en_US.dic", "en_US");
  desktop.setSpellChecker(&missing);
  user.key("Other:", "F7");
  EXPECT_EQ(port.shown().back().caption, "Spell Check Error");
  EXPECT_TRUE(port.problems().empty());
  desktop.setSpellChecker(nullptr);
}

}  // namespace
}  // namespace koreq::suite
