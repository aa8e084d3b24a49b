// Outputs written for the user: never over a company's own files, a device or a folder, and
// never half-written over an earlier file.

#include "data/output_file.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <fstream>
#include <sstream>

#include "data/company.h"
#include "support/temp_dir.h"

namespace koreq::data {
namespace {

namespace fs = std::filesystem;

std::string read(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(OutputFile, RefusesTheCompanysOwnFilesDevicesAndFolders) {
  test::TempDir tmp;
  const fs::path co = tmp.path / "co";
  Company::create(co);
  for (const char* own :
       {"company.db", "company.db-wal", "company.db-shm", "company.db-journal", "company.ini"}) {
    EXPECT_NE(outputRefusal(co / own).find("is one of the company's own files"), std::string::npos)
        << own;
  }
  // Through a link, and through "..".
  fs::create_symlink(co / "company.db", tmp.path / "link.pdf");
  EXPECT_NE(outputRefusal(tmp.path / "link.pdf").find("own files"), std::string::npos);
  EXPECT_NE(outputRefusal(tmp.path / "co" / ".." / "co" / "company.db").find("own files"),
            std::string::npos);
  fs::create_directories(co / "backup");
  EXPECT_NE(outputRefusal(co / "backup" / "company-1.db").find("backup folder"), std::string::npos);
  fs::copy_file(co / "company.db", tmp.path / "elsewhere.db");
  EXPECT_NE(outputRefusal(tmp.path / "elsewhere.db").find("is a database"), std::string::npos);
  EXPECT_NE(outputRefusal("/dev/full").find("is a device"), std::string::npos);
  EXPECT_NE(outputRefusal(tmp.path).find("is a folder"), std::string::npos);
  EXPECT_NE(outputRefusal(tmp.path.string() + "/").find("is a folder"), std::string::npos);
  EXPECT_EQ(outputRefusal(co / "Fixed Asset Depreciation Schedule.pdf"), "");
  EXPECT_EQ(outputRefusal(tmp.path / "report.txt"), "");

  std::string why;
  EXPECT_FALSE(writeOutputFile(co / "company.db", "not a database", &why));
  EXPECT_NE(why.find((co / "company.db").string()), std::string::npos) << why;
  EXPECT_NO_THROW(Company::open(co));
}

TEST(OutputFile, IsRenamedOverTheTargetOnlyWhenWhole) {
  test::TempDir tmp;
  const fs::path target = tmp.path / "report.txt";
  std::string why;
  ASSERT_TRUE(writeOutputFile(target, "first\n", &why)) << why;
  EXPECT_EQ(read(target), "first\n");

  // A full disk (a file size limit stands in for it): one message, the earlier file whole and
  // nothing left beside it.
  auto* previous = std::signal(SIGXFSZ, SIG_IGN);
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  rlimit small = old;
  small.rlim_cur = 4096;
  ::setrlimit(RLIMIT_FSIZE, &small);
  const bool written = writeOutputFile(target, std::string(100000, 'x'), &why);
  ::setrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, previous);
  EXPECT_FALSE(written);
  EXPECT_NE(why.find("earlier file of that name was left as it was"), std::string::npos) << why;
  EXPECT_EQ(read(target), "first\n");
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path), fs::directory_iterator()), 1);

  // A missing folder: the name in the message.
  EXPECT_FALSE(writeOutputFile(tmp.path / "no" / "such.txt", "x", &why));
  EXPECT_NE(why.find("no/such.txt could not be written"), std::string::npos) << why;
}

}  // namespace
}  // namespace koreq::data
