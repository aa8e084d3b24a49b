#include "runtime/ini.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "support/temp_dir.h"

namespace koreq {
namespace {

namespace fs = std::filesystem;

class IniTest : public ::testing::Test {
 protected:
  fs::path file(const std::string& name) const { return tmp_.path / name; }
  static void write(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
  }
  static std::string read(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
  }
  // Leftover temporary files would pile up in the settings folder.
  std::size_t filesIn(const fs::path& d) const {
    return static_cast<std::size_t>(std::distance(fs::directory_iterator(d), {}));
  }

  test::TempDir tmp_;
};

TEST_F(IniTest, CreatesFileAndFolderWithNamesAsGiven) {
  IniFile ini(file("sub/dir/koreq.ini"));
  EXPECT_EQ(ini.get("Corvell Tessaly", "Last Company", "none"), "none");
  EXPECT_TRUE(ini.lastError().empty());
  EXPECT_TRUE(ini.set("Corvell Tessaly", "Last Company", "Demo"));
  EXPECT_EQ(read(ini.path()), "[Corvell Tessaly]\nLast Company=Demo\n");
  EXPECT_EQ(ini.get("CORVELL TESSALY", "last company"), "Demo");
  EXPECT_EQ(ini.get(" corvell tessaly ", "Last Company "), "Demo");
  EXPECT_EQ(filesIn(tmp_.path / "sub/dir"), 1u);
}

TEST_F(IniTest, ChangesKeepEveryOtherLine) {
  fs::path p = file("k.ini");
  write(p,
        "; settings\n"
        "[General]\n"
        "Path = /data   \n"
        "; the next one matters\n"
        "Limit=10\n"
        "\n"
        "; about the window\n"
        "[Corvell Tessaly]\n"
        "Window=1,2\n"
        "# trailing comment");
  IniFile ini(p);
  EXPECT_EQ(ini.get("general", "PATH"), "/data");
  ASSERT_TRUE(ini.set("GENERAL", "limit", "20"));
  ASSERT_TRUE(ini.set("general", "New Entry", "x"));
  ASSERT_TRUE(ini.set("Other", "A", "b"));
  ASSERT_TRUE(ini.set("corvell tessaly", "Height", "300"));
  EXPECT_EQ(read(p),
            "; settings\n"
            "[General]\n"
            "Path = /data   \n"
            "; the next one matters\n"
            "Limit=20\n"  // the file's spelling of an existing name stays
            "New Entry=x\n"
            "\n"
            "; about the window\n"
            "[Corvell Tessaly]\n"
            "Window=1,2\n"
            "Height=300\n"
            "# trailing comment\n"
            "\n"
            "[Other]\n"
            "A=b\n");
  // Setting the value it already has leaves the file alone.
  auto before = fs::last_write_time(p);
  EXPECT_TRUE(ini.set("General", "Limit", "20"));
  EXPECT_EQ(fs::last_write_time(p), before);
}

TEST_F(IniTest, ReadingRules) {
  fs::path p = file("r.ini");
  write(p,
        "Orphan=1\n"
        "[A]\n"
        "Eq=b=c\n"
        "Quoted=\"  padded  \"\n"
        "Empty=\n"
        "NoEquals\n"
        "=nameless\n"
        "Dup=first\n"
        "Dup=second\n"
        "[B]\n"
        "X=1\n"
        "[a]\n"
        "Late=yes\n");
  IniFile ini(p);
  EXPECT_EQ(ini.get("", "Orphan", "d"), "d");  // lines before any section belong to none
  EXPECT_EQ(ini.get("A", "Eq"), "b=c");
  EXPECT_EQ(ini.get("A", "Quoted"), "  padded  ");
  EXPECT_EQ(ini.get("A", "Empty", "d"), "");
  EXPECT_EQ(ini.get("A", "NoEquals", "d"), "d");
  EXPECT_EQ(ini.get("A", "Dup"), "first");
  EXPECT_EQ(ini.get("A", "Late"), "yes");  // a section written twice counts as one
  EXPECT_EQ(ini.get("B", "Late", "no"), "no");
  EXPECT_EQ(ini.sections(), (std::vector<std::string>{"A", "B"}));
  EXPECT_EQ(ini.entries("a"), (std::vector<std::string>{"Eq", "Quoted", "Empty", "Dup", "Late"}));
  EXPECT_TRUE(ini.entries("Missing").empty());
}

TEST_F(IniTest, ValuesReadBackAsSet) {
  IniFile ini(file("v.ini"));
  for (const std::string v :
       {"  lead", "trail  ", "\"quoted\"", "a=b", "", "; not a comment", "Müller [x]"}) {
    ASSERT_TRUE(ini.set("S", "V", v)) << ini.lastError();
    EXPECT_EQ(ini.get("S", "V", "default"), v);
  }
}

TEST_F(IniTest, RemovingEntriesAndSections) {
  fs::path p = file("d.ini");
  write(p, "[A]\nX=1\nY=2\nx=3\n[B]\n; b's comment\nZ=9\n[C]\nW=0\n");
  IniFile ini(p);
  EXPECT_TRUE(ini.remove("a", "X"));  // every occurrence
  EXPECT_EQ(ini.get("A", "X", "gone"), "gone");
  EXPECT_FALSE(ini.remove("A", "X"));
  EXPECT_TRUE(ini.lastError().empty());
  EXPECT_FALSE(ini.remove("Nowhere", "Y"));
  EXPECT_TRUE(ini.removeSection("b"));
  EXPECT_FALSE(ini.removeSection("B"));
  EXPECT_EQ(read(p), "[A]\nY=2\n[C]\nW=0\n");
  EXPECT_FALSE(IniFile(file("missing.ini")).remove("A", "Y"));
  EXPECT_FALSE(fs::exists(file("missing.ini")));
}

TEST_F(IniTest, KeepsLineEndingsByteOrderMarkModeAndLinks) {
  fs::path p = file("w.ini");
  write(p, "\xEF\xBB\xBF[Win]\r\nA=1\r\n");
  fs::permissions(p, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  IniFile ini(p);
  EXPECT_EQ(ini.get("Win", "A"), "1");
  ASSERT_TRUE(ini.set("Win", "B", "2"));
  EXPECT_EQ(read(p), "\xEF\xBB\xBF[Win]\r\nA=1\r\nB=2\r\n");
  EXPECT_EQ(fs::status(p).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);

  fs::path link = file("link.ini");
  fs::create_symlink(p, link);
  ASSERT_TRUE(IniFile(link).set("Win", "C", "3"));
  EXPECT_TRUE(fs::is_symlink(link));
  EXPECT_EQ(IniFile(p).get("Win", "C"), "3");
}

TEST_F(IniTest, FailuresLeaveTheFileAloneAndSayWhy) {
  fs::path p = file("f.ini");
  write(p, "[A]\nX=1\n");
  IniFile ini(p);
  EXPECT_FALSE(ini.set("Bad]Name", "X", "1"));
  EXPECT_NE(ini.lastError().find("section"), std::string::npos);
  EXPECT_FALSE(ini.set("  ", "X", "1"));
  EXPECT_FALSE(ini.set("A", "X=Y", "1"));
  EXPECT_NE(ini.lastError().find("entry"), std::string::npos);
  EXPECT_FALSE(ini.set("A", "", "1"));
  EXPECT_FALSE(ini.set("A", ";X", "1"));
  EXPECT_FALSE(ini.set("A", "X", "two\nlines"));
  EXPECT_EQ(read(p), "[A]\nX=1\n");
  EXPECT_TRUE(ini.set("A", "X", "2"));
  EXPECT_TRUE(ini.lastError().empty());

  // A folder that cannot be made: its parent is a file.
  IniFile under(p / "k.ini");
  EXPECT_FALSE(under.set("A", "X", "1"));
  EXPECT_FALSE(under.lastError().empty());
  EXPECT_EQ(under.get("A", "X", "d"), "d");

  // A folder where the file should be: nothing replaces it.
  fs::create_directory(file("isdir.ini"));
  IniFile dirIni(file("isdir.ini"));
  EXPECT_FALSE(dirIni.set("A", "X", "1"));
  EXPECT_FALSE(dirIni.lastError().empty());
  EXPECT_TRUE(fs::is_directory(file("isdir.ini")));
  EXPECT_EQ(filesIn(tmp_.path), 2u);  // no temporary file left behind
}

}  // namespace
}  // namespace koreq
