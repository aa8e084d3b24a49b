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
Ran runShell(const std::string& line) {
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

Ran runProgram(const std::string& args) {
  return runShell(std::string("'") + KOREQ_BINARY + "' " + args);
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

  // Output that cannot be written is a failure, said on standard error.
  r = runProgram(data + "dump EQCODE 2>&1 >/dev/full");
  EXPECT_EQ(r.status, 1);
  EXPECT_THAT(r.out, HasSubstr("the output could not be written"));
  r = runProgram(data + "list EQCODE 2>/dev/null >/dev/full");
  EXPECT_EQ(r.status, 1);
}

// A large load, cut off by a full disk or a killed process, keeps all of it or none, and the
// database stays sound.
TEST(KoreqProgram, AnInterruptedLoadKeepsAllOrNothing) {
  TempDir tmp;
  const std::string data = "--data " + quoted(tmp / "co") + " ";
  ASSERT_EQ(runProgram(data + "init").status, 0);
  constexpr int kRecords = 20000;
  {
    std::ofstream f(tmp / "big.json");
    f << R"({"EQCODE": [)";
    for (int i = 0; i < kRecords; ++i)
      f << (i ? "," : "") << R"({"CategoryID": "C)" << i << R"(", "Description": ")"
        << std::string(28, 'd') << "\"}";
    f << "]}";
  }
  auto count = [&] {
    Ran r = runProgram(data + "dump EQCODE 2>&1 | grep -c EQD:CategoryID");
    return std::stoi(r.out.empty() ? "0" : r.out);
  };
  auto sound = [&] {
    std::string line = "sqlite3 " + quoted(tmp / "co" / "company.db") + " 'PRAGMA integrity_check'";
    FILE* p = ::popen(line.c_str(), "r");
    char buf[64] = {};
    std::size_t n = p ? std::fread(buf, 1, sizeof buf - 1, p) : 0;
    if (p) ::pclose(p);
    return std::string(buf, n);
  };
  // A disk that fills up half-way (files may not grow past 2 MB).
  runShell("sh -c \"trap '' XFSZ; ulimit -f 2048; exec '" + std::string(KOREQ_BINARY) + "' " +
           data + "load " + quoted(tmp / "big.json") + "\" >/dev/null 2>&1");
  int n = count();
  EXPECT_TRUE(n == 0 || n == kRecords) << n;
  if (std::system("command -v sqlite3 >/dev/null") == 0) {
    EXPECT_EQ(sound(), "ok\n");
  }

  // A process killed at several points of the load.
  for (int delayMs : {30, 120, 400}) {
    std::string line = "'" + std::string(KOREQ_BINARY) + "' " + data + "load " +
                       quoted(tmp / "big.json") + " >/dev/null 2>&1 & pid=$!; sleep " +
                       std::to_string(delayMs / 1000.0) + "; kill -9 $pid 2>/dev/null; wait $pid";
    runShell("sh -c \"" + line + "\"");
    n = count();
    EXPECT_TRUE(n == 0 || n == kRecords) << "killed after " << delayMs << " ms: " << n;
    if (n == kRecords) break;
  }
}

}  // namespace
}  // namespace koreq::cli::test
