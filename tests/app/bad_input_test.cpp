// Bad input, one row each: every one is refused with a clear message and leaves the company's
// records exactly as they were (every record of every file compared before and after).

#include <sqlite3.h>
#include <sys/wait.h>

#include <fstream>
#include <map>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "cli_support.h"
#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"

namespace koreq::cli::test {
namespace {

using ::testing::HasSubstr;

// Every record of every file, as text, by file name.
using Records = std::map<std::string, std::string>;
Records records(const std::filesystem::path& dir) {
  auto company = data::Company::open(dir, true);
  Records all;
  for (const data::FileDef* f : data::allFiles()) {
    data::ScanSpec everything;
    everything.key = &f->primaryKey();
    std::string& text = all[f->name];
    for (const data::StoredRow& row : company->store().scan(*f, everything)) {
      for (const data::Value& v : row.values) text += data::valueToText(v) + "|";
      text += "\n";
    }
  }
  return all;
}

// The names of the files whose records differ.
std::string changed(const Records& before, const Records& after) {
  std::string names;
  for (const auto& [name, text] : after)
    if (before.count(name) == 0 || before.at(name) != text) names += name + " ";
  return names;
}

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(f), {});
}

const std::string kLine = "AC-801,0,0,8,R,Job,,2101,01-100E,,,ok,07/14/2025";

// A good import line with field `n` (from 0) replaced.
std::string lineWith(int n, const std::string& value) {
  std::vector<std::string> fields;
  std::stringstream s(kLine);
  for (std::string f; std::getline(s, f, ',');) fields.push_back(f);
  fields.resize(15);
  fields[static_cast<std::size_t>(n)] = value;
  std::string line;
  for (const auto& f : fields) line += (line.empty() ? "" : ",") + f;
  return line + "\n";
}

struct BadInput {
  const char* what;
  std::vector<std::string> args;  // "IN" stands for the input file, "FOLDER" for a folder
  std::string input;              // what the input file holds
  int status;
  const char* says;  // in the messages (standard output and error together)
};

class BadInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    pristine_ = std::make_unique<TempDir>();
    setDemoMaker(&demo::makeDemoCompany);
    ASSERT_EQ(run({"--data", (pristine_->path / "co").string(), "init", "--demo"}).rc, 0);
    setDemoMaker({});
    pristineRecords_ = records(pristine_->path / "co");
  }
  static void TearDownTestSuite() { pristine_.reset(); }

  std::filesystem::path company() {
    const auto dir = tmp_ / "co";
    if (!std::filesystem::exists(dir))
      std::filesystem::copy(pristine_->path / "co", dir, std::filesystem::copy_options::recursive);
    return dir;
  }
  Result koreq(const std::filesystem::path& dir, std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", dir.string(), "--today", "2025-07-16"});
    Result r = run(std::move(args));
    r.out += r.err;
    return r;
  }

  static inline std::unique_ptr<TempDir> pristine_;
  static inline Records pristineRecords_;
  TempDir tmp_;
};

TEST_F(BadInputTest, EachIsRefusedClearlyAndChangesNothing) {
  const std::string longLine = lineWith(11, std::string(3000, 'x'));
  const std::vector<BadInput> table = {
      {"meter not a number",
       {"import", "1", "IN"},
       lineWith(1, "abc"),
       1,
       "Line 1: Meter Start \"abc\" is not a number"},
      {"meter with an exponent",
       {"import", "1", "IN"},
       lineWith(2, "1e5"),
       1,
       "Line 1: Meter End \"1e5\" is not a number"},
      {"units beyond 15 digits",
       {"import", "1", "IN"},
       lineWith(3, "99999999999999999999"),
       1,
       "Line 1: Total Units \"9999999999999999...\" is not a number"},
      {"units with two points",
       {"import", "1", "IN"},
       lineWith(3, "1.2.3"),
       1,
       "Line 1: Total Units \"1.2.3\" is not a number"},
      {"30 February",
       {"import", "1", "IN"},
       lineWith(12, "02/30/2025"),
       1,
       "Line 1: Date \"02/30/2025\" is not a valid date"},
      {"month 13",
       {"import", "1", "IN"},
       lineWith(12, "13/01/2025"),
       1,
       "Line 1: Date \"13/01/2025\" is not a valid date"},
      {"five-digit year",
       {"import", "1", "IN"},
       lineWith(12, "07/14/20255"),
       1,
       "Line 1: Date \"07/14/20255\" is not a valid date"},
      {"employee beyond 16 bits",
       {"import", "1", "IN"},
       lineWith(14, "70000"),
       1,
       "Line 1: Employee ID \"70000\" is out of range"},
      {"employee not a number",
       {"import", "1", "IN"},
       lineWith(14, "12a"),
       1,
       "Line 1: Employee ID \"12a\" is not a number"},
      {"equipment ID too long",
       {"import", "1", "IN"},
       lineWith(0, std::string(40, 'A')),
       1,
       "Line 1: Equipment: AAAAAAAAAA Not Found"},
      {"line too long",
       {"import", "1", "IN"},
       longLine,
       1,
       "Line 1: Line is longer than 1,024 characters"},
      {"unknown equipment",
       {"import", "1", "IN"},
       lineWith(0, "ZZ-1"),
       1,
       "Line 1: Equipment: ZZ-1 Not Found"},
      {"unknown job", {"import", "1", "IN"}, lineWith(7, "9999"), 1, "Line 1: Job: 9999 Not Found"},
      {"unknown GL account",
       {"import", "1", "IN"},
       "AC-801,0,0,8,R,G/L,9999-99,,,,,ok,07/14/2025\n",
       1,
       "Line 1: Account: 9999-99 Not Found"},
      {"unknown cost code",
       {"import", "1", "IN"},
       lineWith(8, "99-999X"),
       1,
       "Line 1: Cost Code 99-999X on Job 2101 Not Found"},
      {"import file that is not text",
       {"import", "1", "IN"},
       std::string("\x7f"
                   "ELF\0\0\x01",
                   7),
       1,
       "not text"},
      {"empty import file", {"import", "1", "IN"}, "", 1, "there was nothing to import"},
      {"missing import file", {"import", "1", "FOLDER/none.csv"}, "", 1, "none.csv"},
      {"import file that is a folder",
       {"import", "1", "FOLDER"},
       "",
       1,
       "is not a file that can be read"},
      {"unknown batch", {"import", "99", "IN"}, kLine, 1, "there is no batch 000099"},
      {"batch number beyond 16 bits", {"import", "70000", "IN"}, kLine, 2, "not a batch number"},
      {"unknown import source",
       {"import", "1", "IN", "--source", "Nope"},
       kLine,
       1,
       "there is no import source named \"Nope\""},
      {"load: not JSON", {"load", "IN"}, "{\"EQCODE\": [", 1, "not valid JSON"},
      {"load: a file that is not text",
       {"load", "IN"},
       std::string("\x89PNG\r\n\x1a\n\0", 9),
       1,
       "not valid JSON"},
      {"load: missing file", {"load", "FOLDER/none.json"}, "", 1, "cannot read"},
      {"load: number too large",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "X", "Meter": 1e30}]})",
       1,
       "EQD:Meter"},
      {"load: negative into an unsigned field",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "X", "Meter": -1}]})",
       1,
       "EQD:Meter"},
      {"load: text into a number field",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "X", "Meter": "abc"}]})",
       1,
       "EQD:Meter"},
      {"load: text too long",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}]})",
       1,
       "EQD:CategoryID"},
      {"load: a NUL in a text",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "X", "Description": "Fuel/\u0000y"}]})",
       1,
       "EQD:Description: a text cannot hold a NUL character"},
      {"load: 30 February",
       {"load", "IN"},
       R"({"EQHEADER": [{"EquipmentID": "NEW-1", "PurchaseDate": "2025-02-30"}]})",
       1,
       "PurchaseDate"},
      {"load: unknown file", {"load", "IN"}, R"({"NOFILE": []})", 1, "NOFILE: unknown file"},
      {"load: unknown field",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "X", "Nope": 1}]})",
       1,
       "Nope: unknown field"},
      {"load: a record that is a duplicate",
       {"load", "IN"},
       R"({"EQCODE": [{"CategoryID": "DUP"}, {"CategoryID": "DUP"}]})",
       1,
       "EQD:CategoryID"},
      {"post: unknown batch", {"post", "77"}, "", 1, "there is no batch 000077"},
      {"post: batch not a number", {"post", "x1"}, "", 2, "not a batch number"},
      {"schedule of unknown equipment",
       {"depreciation", "calculate", "NOPE"},
       "",
       1,
       "no equipment 'NOPE'"},
      {"equipment ID too long",
       {"depreciation", "calculate", std::string(30, 'E')},
       "",
       1,
       "is not an equipment ID"},
      {"export into a folder", {"export", "1", "FOLDER"}, "", 1, "was not exported"},
      {"dump of an unknown file", {"dump", "NOFILE"}, "", 1, "NOFILE"},
      {"filter that does not parse",
       {"dump", "EQHEADER", "--where", "EQH:Active = ("},
       "",
       1,
       "Syntax error"},
  };
  const auto dir = company();
  const auto folder = tmp_ / "folder";
  std::filesystem::create_directories(folder);
  for (const BadInput& row : table) {
    SCOPED_TRACE(row.what);
    std::ofstream(tmp_ / "in", std::ios::binary) << row.input;
    std::vector<std::string> args;
    for (std::string a : row.args) {
      if (a == "IN") a = (tmp_ / "in").string();
      if (a.rfind("FOLDER", 0) == 0) a = folder.string() + a.substr(6);
      args.push_back(a);
    }
    const Result r = koreq(dir, args);
    EXPECT_EQ(r.rc, row.status) << r.out;
    EXPECT_THAT(r.out, HasSubstr(row.says));
    EXPECT_EQ(changed(pristineRecords_, records(dir)), "");
  }
}

TEST_F(BadInputTest, CompaniesThatCannotBeUsedAreLeftAsTheyWere) {
  const auto file = tmp_ / "in.csv";
  std::ofstream(file) << kLine << "\n";

  // An unknown date or user on the command line.
  const auto dir = company();
  EXPECT_EQ(run({"--data", dir.string(), "--today", "2025-02-30", "import", "1", file}).rc, 2);
  Result r = run({"--data", dir.string(), "--user", "ZZZ", "import", "1", file});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("there is no user 'ZZZ'"));

  // A folder that is not a company, and a database file that is not a database.
  const auto notCompany = tmp_ / "photos";
  std::filesystem::create_directories(notCompany);
  std::ofstream(notCompany / "holiday.jpg") << "\xff\xd8\xff";
  r = koreq(notCompany, {"import", "1", file});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.out, HasSubstr("no company in"));
  EXPECT_EQ(koreq(notCompany, {"check"}).rc, 1);
  EXPECT_FALSE(std::filesystem::exists(notCompany / data::Company::kDatabaseName));
  const auto garbage = tmp_ / "garbage";
  std::filesystem::create_directories(garbage);
  std::ofstream(garbage / data::Company::kDatabaseName) << std::string(5000, 'g');
  const auto json = tmp_ / "in.json";
  std::ofstream(json) << R"({"EQCODE": [{"CategoryID": "X"}]})";
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"import", "1", file}, {"check"}, {"load", json}}) {
    r = koreq(garbage, args);
    EXPECT_EQ(r.rc, 1) << args[0];
    EXPECT_THAT(r.out, HasSubstr("not a company database")) << args[0];
  }
  EXPECT_EQ(fileBytes(garbage / data::Company::kDatabaseName), std::string(5000, 'g'));
}

// Another workstation holds the company for writing the whole time: the import is refused
// after the writer wait.
TEST_F(BadInputTest, ALockedCompanyRefusesTheChange) {
  const auto dir = company();
  const auto file = tmp_ / "in.csv";
  std::ofstream(file) << kLine << "\n";
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open((dir / data::Company::kDatabaseName).c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const Result r = koreq(dir, {"import", "1", file});
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.out, HasSubstr(data::kCompanyBusyText));
  EXPECT_EQ(changed(pristineRecords_, records(dir)), "");
}

// The disk fills up half-way through a large import (no file may grow beyond the database's size
// and 256 KiB).
TEST_F(BadInputTest, AFullDiskRefusesTheImportAndKeepsTheCompany) {
  const auto dir = company();
  const auto file = tmp_ / "big.csv";
  const auto size = std::filesystem::file_size(dir / data::Company::kDatabaseName);
  {
    // Lines of some 66 characters: the file fits within the limit, but each entry takes well
    // over 100 bytes of the change's log, more than the limit in all.
    std::ofstream f(file);
    for (std::uintmax_t i = 0; i < (size + 256 * 1024) / 80; ++i)
      f << lineWith(11, "full disk " + std::to_string(i));
  }
  const std::string line = "sh -c \"trap '' XFSZ; ulimit -f " +
                           std::to_string((size + 256 * 1024) / 512) + "; exec '" + KOREQ_BINARY +
                           "' --data '" + dir.string() + "' --today 2025-07-16 import 1 '" +
                           file.string() + "'\" 2>&1";
  FILE* p = ::popen(line.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string out;
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
  const int status = ::pclose(p);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << out;
  EXPECT_THAT(out, HasSubstr("could not be read or written (a disk error)); nothing was saved"));
  EXPECT_EQ(changed(pristineRecords_, records(dir)), "");
}

}  // namespace
}  // namespace koreq::cli::test
