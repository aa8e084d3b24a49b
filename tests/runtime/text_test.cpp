#include "runtime/text.h"

#include <gtest/gtest.h>

namespace koreq {
namespace {

TEST(Text, ClipPadAndCompare) {
  EXPECT_EQ(clip("abc   "), "abc");
  EXPECT_EQ(clip("  abc"), "  abc");  // leading blanks count
  EXPECT_EQ(clip("   "), "");
  EXPECT_EQ(clipped(""), "");
  EXPECT_EQ(padRight("ab", 4), "ab  ");
  EXPECT_EQ(padRight("abcdef", 4), "abcd");
  EXPECT_EQ(padRight("Mü", 3), "Mü ");  // pads by characters, not bytes
  EXPECT_EQ(padRight("", 0), "");
  EXPECT_TRUE(sameText("abc", "abc   "));
  EXPECT_FALSE(sameText("abc", " abc"));
  EXPECT_FALSE(sameText("abc", "ABC"));
}

TEST(Text, Utf8Characters) {
  EXPECT_EQ(charCount("Müller"), 6u);
  EXPECT_EQ(cutToChars("Müller", 2), "Mü");
  EXPECT_EQ(cutToChars("Müller", 1), "M");
  EXPECT_EQ(cutToChars("€uro", 1), "€");
  EXPECT_EQ(cutToChars("abc", 10), "abc");
  // A cut-off lead byte at the end neither crashes nor reads past the text.
  EXPECT_EQ(cutToChars("a\xC3", 5), "a\xC3");
}

TEST(Text, UpperAndLowerCoverLatin1) {
  EXPECT_EQ(upper("abc xyz 123"), "ABC XYZ 123");
  EXPECT_EQ(upper("élan çà"), "ÉLAN ÇÀ");
  EXPECT_EQ(lower("ÉLAN ÇÀ ABC"), "élan çà abc");
  EXPECT_EQ(upper("×÷"), "×÷");  // not letters
  EXPECT_EQ(lower("×÷"), "×÷");
  EXPECT_EQ(upper("ß"), "ß");  // no Latin-1 capital
  EXPECT_EQ(upper("ÿ"), "ÿ");
}

TEST(Text, FixedLengthFields) {
  Str<5> s = "abcdefg";
  EXPECT_EQ(s.str(), "abcde");
  s = "ab   ";
  EXPECT_EQ(s.str(), "ab");
  EXPECT_EQ(s, "ab  ");
  EXPECT_EQ(s.padded(), "ab   ");
  EXPECT_EQ(s.size(), 2u);
  Str<3> name = std::string("Müller");
  EXPECT_EQ(name.str(), "Mül");
  EXPECT_LT(Str<5>("abc"), Str<5>("abd"));
  EXPECT_TRUE(Str<5>("   ").empty());
}

TEST(Text, CaseModes) {
  EXPECT_EQ(caseModeFromText("DEF"), CaseMode::Def);
  EXPECT_EQ(caseModeFromText("cap "), CaseMode::Cap);
  EXPECT_EQ(caseModeFromText(" Upr"), CaseMode::Upr);
  EXPECT_FALSE(caseModeFromText(""));
  EXPECT_FALSE(caseModeFromText("CAPS"));
  EXPECT_FALSE(caseModeFromText("UP"));
  for (CaseMode m : {CaseMode::Def, CaseMode::Cap, CaseMode::Upr})
    EXPECT_EQ(caseModeFromText(caseModeText(m)), m);

  EXPECT_EQ(applyCase("hello wORLD", CaseMode::Def), "hello wORLD");
  EXPECT_EQ(applyCase("hello wORLD", CaseMode::Upr), "HELLO WORLD");
  EXPECT_EQ(applyCase("hello wORLD", CaseMode::Cap), "Hello WORLD");  // the rest as typed
  EXPECT_EQ(applyCase("mcDonald", CaseMode::Cap), "McDonald");
  EXPECT_EQ(applyCase("o'neil 3rd st", CaseMode::Cap), "O'neil 3rd St");
  EXPECT_EQ(applyCase("  two  blanks ", CaseMode::Cap), "  Two  Blanks ");
  EXPECT_EQ(applyCase("a-b/c.d(e)", CaseMode::Cap), "A-B/C.D(E)");
  EXPECT_EQ(applyCase("élan vital", CaseMode::Cap), "Élan Vital");
  EXPECT_EQ(applyCase("aéb", CaseMode::Cap), "Aéb");
  EXPECT_EQ(applyCase("", CaseMode::Cap), "");
  EXPECT_EQ(applyCase("x\xC3", CaseMode::Cap), "X\xC3");
}

}  // namespace
}  // namespace koreq
