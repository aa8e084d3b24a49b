// koreq export on the demo company: the batch's lines in the file, and what it refuses or
// reports as a failure (never as done).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "cli_support.h"
#include "demo/demo_company.h"

namespace koreq::cli::test {
namespace {

using ::testing::HasSubstr;

std::vector<std::string> lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::vector<std::string> out;
  for (std::string l; std::getline(in, l);) out.push_back(l);
  return out;
}

TEST(ExportCommand, WritesTheBatchAndRefusesWhatTheWindowWouldNot) {
  TempDir dir;
  setDemoMaker(&demo::makeDemoCompany);
  auto koreq = [&](std::vector<std::string> args, const char* user = "ADM") {
    args.insert(args.begin(),
                {"--data", (dir / "demo").string(), "--today", "2024-03-15", "--user", user});
    return run(std::move(args));
  };
  ASSERT_EQ(koreq({"init", "--demo"}).rc, 0);
  setDemoMaker({});
  const std::filesystem::path work = dir / "demo" / "Export.txt";

  Result done = koreq({"export", "1", (dir / "batch1.txt").string()});
  EXPECT_EQ(done.rc, 0) << done.err;
  EXPECT_EQ(done.out, "Batch 000001: 8 entries written to " + (dir / "batch1.txt").string() + "\n");
  const auto batch = lines(dir / "batch1.txt");
  ASSERT_EQ(batch.size(), 8u);
  EXPECT_EQ(
      batch[2],
      "ST-950,3653,3656.5,3.5,I,Equipment,6130,,,EX-302,REPAIR,2020 Komatsu PC210LC, 3/ 8/2024,"
      "SHOP,108");
  EXPECT_FALSE(std::filesystem::exists(work));

  // Another user's protected batch, a batch that is not there, a bad number.
  Result foreign = koreq({"export", "2", (dir / "batch2.txt").string()});
  EXPECT_EQ(foreign.rc, 1);
  EXPECT_EQ(foreign.err, "koreq: batch 000002 is protected by user EQV; nothing was written\n");
  EXPECT_EQ(koreq({"export", "2", (dir / "batch2.txt").string()}, "EQV").rc, 0);
  EXPECT_EQ(koreq({"export", "77", (dir / "x.txt").string()}).err,
            "koreq: there is no batch 000077; nothing was written\n");
  EXPECT_FALSE(std::filesystem::exists(dir / "x.txt"));
  EXPECT_EQ(koreq({"export", "x1", (dir / "x.txt").string()}).rc, 2);

  // A file that cannot be written is a failure with the file error, and the work file goes.
  Result failed = koreq({"export", "1", (dir / "missing" / "batch1.txt").string()});
  EXPECT_EQ(failed.rc, 1);
  EXPECT_THAT(failed.err, HasSubstr("koreq: Path Not FoundCopying File\n"));
  EXPECT_EQ(failed.out, "");
  EXPECT_FALSE(std::filesystem::exists(work));
}

}  // namespace
}  // namespace koreq::cli::test
