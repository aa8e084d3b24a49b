// The real program: exit statuses and streams as a shell script sees them.

#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <fstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_support.h"

namespace koreq::cli::test {
namespace {

using ::testing::HasSubstr;

struct Ran {
  int status = -1;
  std::string out;  // standard output only
};

// Runs a shell command line with the program's path in front; stderr is discarded unless the
// line redirects it itself.
Ran runProgram(const std::string& args) {
  std::string line = std::string("'") + KOREQ_BINARY + "' " + args;
  Ran r;
  FILE* p = ::popen(line.c_str(), "r");
  if (!p) return r;
  std::array<char, 4096> buf;
  std::size_t n;
  while ((n = std::fread(buf.data(), 1, buf.size(), p)) > 0) r.out.append(buf.data(), n);
  int st = ::pclose(p);
  r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
  return r;
}

std::string quoted(const std::filesystem::path& p) {
  return "'" + p.string() + "'";
}

TEST(KoreqProgram, ExitStatusesAndOutput) {
  Ran r = runProgram("--version");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "koreq 0.1.0\n");

  r = runProgram("2>&1");
  EXPECT_EQ(r.status, 2);
  EXPECT_THAT(r.out, HasSubstr("Usage: koreq"));

  TempDir tmp;
  const std::string data = "--data " + quoted(tmp / "co") + " ";
  r = runProgram(data + "dump EQHEADER 2>&1");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("no company in"));

  r = runProgram(data + "init");
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, HasSubstr("Made a new company in"));
  r = runProgram(data + "init 2>/dev/null");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, "");

  r = runProgram(data + "dump EQHEADER");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "[]\n");

  // load reads standard input for "-".
  {
    std::ofstream f(tmp / "in.json");
    f << R"({"EQCODE": [{"CategoryID": "FUEL", "Description": "Diesel"}]})";
  }
  r = runProgram(data + "load - < " + quoted(tmp / "in.json"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, "Loaded 1 records.\n");
  r = runProgram(data + "dump EQCODE");
  EXPECT_EQ(r.status, 0);
  EXPECT_THAT(r.out, HasSubstr("\"EQD:Description\": \"Diesel\""));
}

}  // namespace
}  // namespace koreq::cli::test
