#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "cli_support.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"

namespace koreq::cli::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::ordered_json;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

void writeFile(const fs::path& p, const std::string& text) {
  std::ofstream f(p, std::ios::binary);
  f << text;
}

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    company_ = (tmp_ / "company").string();
    ASSERT_EQ(run({"--data", company_, "init"}).rc, 0);
  }
  void TearDown() override { setDemoMaker({}); }

  Result cmd(std::vector<std::string> args) {
    args.insert(args.begin(), {"--data", company_});
    return run(std::move(args));
  }
  Result load(const std::string& json) {
    fs::path p = tmp_ / ("load-" + std::to_string(++loads_) + ".json");
    writeFile(p, json);
    return cmd({"load", p.string()});
  }
  Json dump(std::vector<std::string> args) {
    args.insert(args.begin(), "dump");
    Result r = cmd(std::move(args));
    EXPECT_EQ(r.rc, 0) << r.err;
    EXPECT_EQ(r.err, "");
    return Json::parse(r.out);
  }
  static std::vector<std::string> column(const Json& records, const std::string& field) {
    std::vector<std::string> v;
    for (const auto& r : records) v.push_back(r.at(field).dump());
    return v;
  }

  TempDir tmp_;
  std::string company_;
  int loads_ = 0;
};

TEST_F(CliTest, InitRefusesAnExistingCompanyAndLeavesItAsItWas) {
  ASSERT_EQ(load(R"({"EQHEADER": [{"EquipmentID": "KEEP"}]})").rc, 0);
  Result again = cmd({"init"});
  EXPECT_EQ(again.rc, 1);
  EXPECT_THAT(again.err, HasSubstr("already exists"));
  EXPECT_EQ(again.out, "");
  Json records = dump({"EQHEADER"});
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["EQH:EquipmentID"], "KEEP");
  // No temporary sibling is left behind by either run.
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(tmp_.path)) names.push_back(e.path().filename());
  EXPECT_THAT(names, ::testing::Each(Not(StartsWith("."))));
}

TEST_F(CliTest, InitMakesTheCompanyInAnyUsableFolderAndRefusesTheRest) {
  // An empty folder that already exists.
  fs::create_directories(tmp_ / "empty");
  EXPECT_EQ(run({"--data", (tmp_ / "empty").string(), "init"}).rc, 0);
  EXPECT_TRUE(data::Company::exists(tmp_ / "empty"));

  // A folder with other files keeps them; a trailing separator names the same folder.
  fs::create_directories(tmp_ / "busy");
  writeFile(tmp_ / "busy" / "notes.txt", "mine");
  Result r = run({"--data", (tmp_ / "busy").string() + "/", "init"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_TRUE(data::Company::exists(tmp_ / "busy"));
  EXPECT_TRUE(fs::exists(tmp_ / "busy" / "notes.txt"));

  // Missing parents are made.
  EXPECT_EQ(run({"--data", (tmp_ / "a" / "b" / "c").string(), "init"}).rc, 0);
  EXPECT_TRUE(data::Company::exists(tmp_ / "a" / "b" / "c"));

  // A plain file is no company folder.
  writeFile(tmp_ / "plain", "x");
  r = run({"--data", (tmp_ / "plain").string(), "init"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("not a folder"));
}

TEST_F(CliTest, InitDemoNeedsAMakerAndLeavesNothingWhenItFails) {
  const fs::path demo = tmp_ / "demo";
  setDemoMaker({});
  Result r = run({"--data", demo.string(), "init", "--demo"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("demo company maker not available"));
  EXPECT_FALSE(fs::exists(demo));

  // A maker that fails halfway: the records it wrote go with the folder.
  setDemoMaker([](frame::Session& s, std::ostream&) {
    data::Access<data::EqHeader> eqh(s.store(), s.errors());
    eqh.prime();
    eqh.rec().EquipmentID = "HALF";
    eqh.insert();
    throw std::runtime_error("out of demo data");
  });
  r = run({"--data", demo.string(), "init", "--demo"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("out of demo data"));
  EXPECT_FALSE(fs::exists(demo));
  EXPECT_EQ(std::distance(fs::directory_iterator(tmp_.path), fs::directory_iterator()), 1)
      << "only the company of SetUp is left";

  // A working maker sees the signed-on user and the fixed date.
  setDemoMaker([](frame::Session& s, std::ostream& out) {
    data::Access<data::EqHeader> eqh(s.store(), s.errors());
    eqh.prime();
    eqh.rec().EquipmentID = s.g.USERID.str();
    eqh.rec().PurchaseDate = s.clock().today();
    eqh.insert();
    out << "demo records written\n";
  });
  r = run({"--data", demo.string(), "--user", "BOB", "--today", "2015-03-05", "init", "--demo"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_THAT(r.out, HasSubstr("demo records written"));
  // The one who made it is a user of it, even when the demo brings no users of its own.
  r = run({"--data", demo.string(), "--user", "bob", "dump", "EQHEADER"});
  ASSERT_EQ(r.rc, 0) << r.err;
  Json records = Json::parse(r.out);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0]["EQH:EquipmentID"], "BOB");
  EXPECT_EQ(records[0]["EQH:PurchaseDate"], "2015-03-05");
}

TEST_F(CliTest, LoadThenDumpGivesTheRecordsBack) {
  Result r = load(R"({
    "EQHEADER": [
      {"EQH:EquipmentID": "T-100", "Description": "Truck \"Big\" \\ Ünïcødé 日本",
       "PurchaseValue": "1234.5", "SalvageValue": 99.990, "SaleValue": -0.5,
       "CurrentMeter": 0.13, "PurchaseDate": "2015-03-05", "SaleDate": "",
       "Active": true, "DepreciationYears": 7, "UD1": "trailing blanks   "},
      {"EquipmentID": "T-050", "RecordID": 10, "PurchaseValue": 1e2, "Active": false},
      {"EquipmentID": "T-200", "PurchaseValue": "-9999999999999.99"}
    ],
    "EQLIMITS": [{"Report": "R", "FPFrom": "12", "JournalTo": 1234567}],
    "GLTRANS": [{"EquipmentID": "T-100", "PostingTime": "13:45:07"}, {"EquipmentID": "T-200"}]
  })");
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "Loaded 6 records.\n");

  Json eqh = dump({"eqheader"});  // the file name in any case
  ASSERT_EQ(eqh.size(), 3u);
  // Default order: the first key, by equipment ID.
  EXPECT_THAT(column(eqh, "EQH:EquipmentID"),
              ::testing::ElementsAre("\"T-050\"", "\"T-100\"", "\"T-200\""));
  // Auto numbers: given ones kept, missing ones numbered on from the highest.
  EXPECT_THAT(column(eqh, "EQH:RecordID"), ::testing::ElementsAre("10", "1", "11"));
  const Json& t100 = eqh[1];
  EXPECT_EQ(t100.begin().key(), "EQH:RecordID") << "fields in record order";
  EXPECT_EQ(t100["EQH:Description"], "Truck \"Big\" \\ Ünïcødé 日本");
  EXPECT_EQ(t100["EQH:PurchaseValue"], "1234.50");
  EXPECT_EQ(t100["EQH:SalvageValue"], "99.99");
  EXPECT_EQ(t100["EQH:SaleValue"], "-0.50");
  EXPECT_EQ(t100["EQH:CurrentMeter"], "0.13");
  EXPECT_EQ(t100["EQH:PurchaseDate"], "2015-03-05");
  EXPECT_EQ(t100["EQH:SaleDate"], "");
  EXPECT_EQ(t100["EQH:Active"], 1);
  EXPECT_EQ(t100["EQH:DepreciationYears"], 7);
  EXPECT_EQ(t100["EQH:UD1"], "trailing blanks");
  EXPECT_EQ(eqh[0]["EQH:PurchaseValue"], "100.00");
  EXPECT_EQ(eqh[0]["EQH:Active"], 0);
  EXPECT_EQ(eqh[2]["EQH:PurchaseValue"], "-9999999999999.99");

  Json lim = dump({"EQLIMITS"});
  ASSERT_EQ(lim.size(), 1u);
  EXPECT_EQ(lim[0]["EQLM:FPFrom"], "12") << "whole-number decimals without places";
  EXPECT_EQ(lim[0]["EQLM:JournalTo"], "1234567");
  EXPECT_EQ(lim[0]["EQLM:RefFrom"], "0.00");
  EXPECT_EQ(lim[0]["EQLM:ModifyDate"], "");

  Json glt = dump({"GLTRANS", "--key", "KeyRecordID"});
  ASSERT_EQ(glt.size(), 2u);
  EXPECT_EQ(glt[0]["GLT:PostingTime"], "13:45:07");
  EXPECT_EQ(glt[1]["GLT:PostingTime"], "");

  // What dump writes, load takes back unchanged into another company.
  const std::string other = (tmp_ / "other").string();
  ASSERT_EQ(run({"--data", other, "init"}).rc, 0);
  Json all = Json::object();
  all["EQHEADER"] = eqh;
  all["EQLIMITS"] = lim;
  all["GLTRANS"] = glt;
  writeFile(tmp_ / "all.json", all.dump());
  r = run({"--data", other, "load", (tmp_ / "all.json").string()});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "Loaded 6 records.\n");
  for (const char* file : {"EQHEADER", "EQLIMITS", "GLTRANS"}) {
    Result a = run({"--data", company_, "dump", file});
    Result b = run({"--data", other, "dump", file});
    EXPECT_EQ(a.out, b.out) << file;
  }
}

TEST_F(CliTest, ABadRecordLoadsNothingAndNamesFileRecordAndField) {
  ASSERT_EQ(load(R"({"EQHEADER": [{"EquipmentID": "OLD"}]})").rc, 0);
  Result r = load(R"({
    "EQCODE": [{"CategoryID": "FUEL"}, {"CategoryID": "LABOR"}],
    "EQHEADER": [{"EquipmentID": "A"}, {"EquipmentID": "B"},
                 {"EquipmentID": "C", "PurchaseValue": "12,50"},
                 {"EquipmentID": "D"}]
  })");
  EXPECT_EQ(r.rc, 1);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err,
            "EQHEADER record 3 field EQH:PurchaseValue: not a number: '12,50'\n"
            "Nothing was loaded.\n");
  EXPECT_EQ(dump({"EQCODE"}).size(), 0u);
  EXPECT_EQ(dump({"EQHEADER"}).size(), 1u);

  // The numbers handed out during the failed load were rolled back with it.
  ASSERT_EQ(load(R"({"EQCODE": [{"CategoryID": "FUEL"}], "EQHEADER": [{"EquipmentID": "A"}]})").rc,
            0);
  EXPECT_EQ(dump({"EQCODE"})[0]["EQD:RecordID"], 1);
  EXPECT_EQ(dump({"EQHEADER", "--key", "KeyRecordID"})[1]["EQH:RecordID"], 2);
}

TEST_F(CliTest, LoadReportsEveryKindOfFault) {
  ASSERT_EQ(load(R"({"EQHEADER": [{"EquipmentID": "OLD"}]})").rc, 0);
  struct Case {
    const char* json;
    const char* message;
  } cases[] = {
      {R"({"NOSUCHFILE": []})", "NOSUCHFILE: unknown file"},
      {R"({"EQHEADERALIAS": [{"EquipmentID": "X"}]})", "EQHEADERALIAS: an alias of EQHEADER"},
      {R"({"EQLOGALIAS": []})", "EQLOGALIAS: an alias of EQLOG"},
      {R"({"EQHEADER": [{"Colour": "red"}]})", "EQHEADER record 1 field Colour: unknown field"},
      {R"({"EQHEADER": [{"EQD:CategoryID": "X"}]})",
       "EQHEADER record 1 field EQD:CategoryID: unknown field"},
      {R"({"EQHEADER": [{"EquipmentID": "ELEVENCHARS"}]})",
       "EQHEADER record 1 field EQH:EquipmentID: text longer than 10 characters"},
      {R"({"EQHEADER": [{"EquipmentID": "X", "PurchaseDate": "2015-02-30"}]})",
       "EQHEADER record 1 field EQH:PurchaseDate: not a date"},
      {R"({"EQHEADER": [{"EquipmentID": "X", "PurchaseValue": "10000000000000"}]})",
       "EQHEADER record 1 field EQH:PurchaseValue:"},
      {R"({"EQHEADER": [{"EquipmentID": "X", "DepreciationYears": 70000}]})",
       "EQHEADER record 1 field EQH:DepreciationYears: number out of range"},
      {R"({"EQHEADER": [{"EquipmentID": "X", "DepreciationYears": 1.5}]})",
       "EQHEADER record 1 field EQH:DepreciationYears: not a whole number"},
      {R"({"EQHEADER": [{"EquipmentID": "X", "UD1": [1]}]})",
       "EQHEADER record 1 field EQH:UD1: expected a text"},
      {R"({"EQHEADER": [{"EquipmentID": "OLD"}]})",
       "EQHEADER record 1 field EQH:EquipmentID: Creates Duplicate Key"},
      {R"({"EQHEADER": [{"EquipmentID": "N1"}, {"EquipmentID": "N1"}]})",
       "EQHEADER record 2 field EQH:EquipmentID: Creates Duplicate Key"},
      {R"({"EQHEADER": [{"EquipmentID": "N2", "RecordID": 1}]})",
       "EQHEADER record 1 field EQH:RecordID: Creates Duplicate Key"},
      {R"({"EQHEADER": {"EquipmentID": "X"}})", "EQHEADER: expected an array of records"},
      {R"({"EQHEADER": [{"EquipmentID": "X"}, "Y"]})",
       "EQHEADER record 2: expected an object of fields"},
      {R"([{"EquipmentID": "X"}])", "expected an object of file names"},
      {R"({"EQHEADER": [)", "not valid JSON"},
  };
  for (const auto& c : cases) {
    Result r = load(c.json);
    EXPECT_EQ(r.rc, 1) << c.json;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.json;
    EXPECT_EQ(r.out, "") << c.json;
  }
  EXPECT_EQ(dump({"EQHEADER"}).size(), 1u) << "none of them added anything";

  // Several faults at once are all reported.
  Result r = load(R"({"EQHEADER": [{"A1": 1}, {"EquipmentID": "OK"}, {"A3": 1}], "ZZ": []})");
  EXPECT_EQ(r.err,
            "EQHEADER record 1 field A1: unknown field\n"
            "EQHEADER record 3 field A3: unknown field\n"
            "ZZ: unknown file\n"
            "Nothing was loaded.\n");

  r = cmd({"load", (tmp_ / "missing.json").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot read"));
  r = run({"--data", (tmp_ / "nocompany").string(), "load", (tmp_ / "load-1.json").string()});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("no company in"));
  EXPECT_FALSE(fs::exists(tmp_ / "nocompany")) << "load never makes a company";
}

TEST_F(CliTest, DumpFollowsTheKeyItIsGiven) {
  ASSERT_EQ(load(R"({"GLFISCAL": [
      {"FiscalPeriod": 2, "Label": "FEB"}, {"FiscalPeriod": 12, "Label": "DEC"},
      {"FiscalPeriod": 1, "Label": "JAN"}],
    "EQHEADER": [{"EquipmentID": "B"}, {"EquipmentID": "C"}, {"EquipmentID": "A"}]})")
                .rc,
            0);
  using ::testing::ElementsAre;
  EXPECT_THAT(column(dump({"GLFISCAL"}), "GLF:FiscalPeriod"), ElementsAre("1", "2", "12"));
  EXPECT_THAT(column(dump({"GLFISCAL", "--key", "KeyFiscalPeriodDown"}), "GLF:FiscalPeriod"),
              ElementsAre("12", "2", "1"));
  EXPECT_THAT(column(dump({"GLFISCAL", "--key=GLF:KeyFiscalPeriodDown"}), "GLF:FiscalPeriod"),
              ElementsAre("12", "2", "1"));
  EXPECT_THAT(column(dump({"EQHEADER"}), "EQH:EquipmentID"),
              ElementsAre("\"A\"", "\"B\"", "\"C\""));
  EXPECT_THAT(column(dump({"EQHEADER", "--key", "keyrecordid"}), "EQH:EquipmentID"),
              ElementsAre("\"B\"", "\"C\"", "\"A\""));
  // A field name picks the key that starts with it.
  EXPECT_THAT(column(dump({"EQHEADER", "--key", "RecordID"}), "EQH:EquipmentID"),
              ElementsAre("\"B\"", "\"C\"", "\"A\""));
  // An alias reads the same records under its own prefix.
  EXPECT_THAT(column(dump({"EQHEADERALIAS"}), "EQH1:EquipmentID"),
              ElementsAre("\"A\"", "\"B\"", "\"C\""));

  Result r = cmd({"dump", "EQHEADER", "--key", "KeyColour"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("EQH:KeyEquipmentID, EQH:KeyRecordID"));
  r = cmd({"dump", "NOSUCHFILE"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("unknown file NOSUCHFILE"));
  r = cmd({"dump", "EQCODE"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "[]\n");
  r = run({"--data", (tmp_ / "nocompany").string(), "dump", "EQHEADER"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("no company in"));
}

TEST_F(CliTest, WhereKeepsTheRecordsItHoldsFor) {
  ASSERT_EQ(load(R"({"EQHEADER": [
      {"EquipmentID": "C", "Active": 1, "PurchaseValue": "0", "Description": "Truck trailer"},
      {"EquipmentID": "A", "Active": 1, "PurchaseValue": "100", "PurchaseDate": "2015-03-05",
       "Description": "Truck"},
      {"EquipmentID": "B", "Active": 0, "PurchaseValue": "2500.50", "PurchaseDate": "2016-01-01"}
    ]})")
                .rc,
            0);
  using ::testing::ElementsAre;
  auto ids = [&](std::vector<std::string> args) {
    args.insert(args.begin(), "EQHEADER");
    return column(dump(std::move(args)), "EQH:EquipmentID");
  };
  EXPECT_THAT(ids({"--where", "EQH:Active = 1"}), ElementsAre("\"A\"", "\"C\""));
  EXPECT_THAT(ids({"--where", "active = 1", "--key", "KeyRecordID"}),
              ElementsAre("\"C\"", "\"A\""));
  EXPECT_THAT(ids({"--where", "PurchaseValue > 2500.49 AND NOT Active"}), ElementsAre("\"B\""));
  EXPECT_THAT(ids({"--where", "Description = 'Truck'"}), ElementsAre("\"A\""));
  // A date is its day number; the empty date is 0.
  const std::string jan2016 = std::to_string(Date::fromYmd(2016, 1, 1)->day());
  EXPECT_THAT(ids({"--where", "PurchaseDate > 0 AND PurchaseDate < " + jan2016}),
              ElementsAre("\"A\""));
  EXPECT_THAT(ids({"--where", "PurchaseDate = " + jan2016}), ElementsAre("\"B\""));
  EXPECT_THAT(ids({"--where", "PurchaseValue > 1000000"}), ElementsAre());

  struct Case {
    const char* where;
    const char* message;
  } bad[] = {
      {"Active =", "bad --where expression: Syntax error"},
      {"", "bad --where expression"},
      {"Colour = 'red'", "Unknown name: Colour (not a field of EQHEADER)"},
      {"EQD:CategoryID = 'X'", "Unknown name: EQD:CategoryID"},
      {"PurchaseValue * 1000000000000 > 1", "--where: Number too large"},
  };
  for (const auto& c : bad) {
    Result r = cmd({"dump", "EQHEADER", "--where", c.where});
    EXPECT_EQ(r.rc, 1) << c.where;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.where;
  }
}

TEST(CliUsage, BadUsageExitsTwoWithTheUsage) {
  struct Case {
    std::vector<std::string> args;
    const char* message;
  } cases[] = {
      {{}, "no command given"},
      {{"frobnicate"}, "unknown command 'frobnicate'"},
      {{"--colour", "red", "dump", "EQHEADER"}, "unknown option --colour"},
      {{"-x", "dump"}, "unknown option -x"},
      {{"--data"}, "--data needs a value"},
      {{"--user", "ABCD", "init"}, "--user takes a user ID of 1 to 3 characters"},
      {{"--user", "", "init"}, "--user takes a user ID"},
      {{"--today", "2015-02-30", "init"}, "--today takes a date"},
      {{"--today", "05/03/2015", "init"}, "--today takes a date"},
      {{"dump"}, "dump: missing argument"},
      {{"dump", "EQHEADER", "EQCODE"}, "unexpected argument 'EQCODE'"},
      {{"dump", "EQHEADER", "--key"}, "--key needs a value"},
      {{"dump", "EQHEADER", "--demo"}, "unknown option --demo"},
      {{"init", "--demo=yes"}, "unknown option --demo"},
      {{"load"}, "load: missing argument"},
  };
  for (const auto& c : cases) {
    Result r = run(c.args);
    EXPECT_EQ(r.rc, 2) << c.message;
    EXPECT_THAT(r.err, HasSubstr(c.message));
    EXPECT_THAT(r.err, HasSubstr("Usage: koreq"));
    EXPECT_EQ(r.out, "");
  }
}

TEST(CliUsage, HelpAndVersionGoToStandardOutput) {
  Result r = run({"--version"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "koreq 0.1.0\n");
  r = run({"--help"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.err, "");
  for (const char* text : {"Usage: koreq [--data DIR] [--user ID] [--today YYYY-MM-DD] COMMAND",
                           "init [--demo]", "dump FILE [--key KEY] [--where EXPR]", "load JSON"})
    EXPECT_THAT(r.out, HasSubstr(text));
  r = run({"--data", "/nonexistent", "dump", "--help"});
  EXPECT_EQ(r.rc, 0);
  EXPECT_THAT(r.out, HasSubstr("Usage: koreq [options] dump FILE [--key KEY] [--where EXPR]"));
}

TEST_F(CliTest, ListPrintsAnAlignedTableOfTheChosenFields) {
  ASSERT_EQ(load(R"({"EQHEADER": [
      {"EquipmentID": "B-2", "Description": "Loader", "PurchaseValue": "1234.5",
       "PurchaseDate": "2015-03-05", "Active": 1},
      {"EquipmentID": "A-1", "Description": "Truck", "PurchaseValue": "-7", "Active": 0}]})")
                .rc,
            0);
  Result r = cmd({"list", "EQHEADER", "--fields", "EquipmentID, PurchaseValue,PurchaseDate"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out,
            "EquipmentID  PurchaseValue  PurchaseDate\n"
            "A-1                  -7.00\n"
            "B-2                1234.50   3/05/2015\n"
            "2 records\n");
  r = cmd({"list", "EQHEADER", "--fields", "EquipmentID", "--where", "EQH:Active = 1"});
  EXPECT_EQ(r.out, "EquipmentID\nB-2\n1 records\n");
  r = cmd({"list", "EQHEADER", "--fields", "Nope"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_NE(r.err.find("no field Nope"), std::string::npos);
  // Without --fields: the key's fields first, the auto number left out.
  r = cmd({"list", "EQHEADER"});
  EXPECT_EQ(r.out.substr(0, r.out.find('\n')),
            "EquipmentID  Description  PhysicalDescription  VehicleLicense");
}

TEST_F(CliTest, LoadRefusesWhatItCannotKeepExactly) {
  auto refused = [&](const std::string& json, const std::string& text) {
    Result r = load(json);
    EXPECT_EQ(r.rc, 1) << json;
    EXPECT_THAT(r.err, HasSubstr(text)) << json;
    EXPECT_THAT(r.err, HasSubstr("othing was loaded"));
  };
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "PurchaseValue": "12.345"}]})",
          "EQH:PurchaseValue: more than 2 decimal places: '12.345'");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "PurchaseValue": 12.345}]})",
          "more than 2 decimal places");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "PurchaseValue": "99999999999999999"}]})",
          "number out of range (-9999999999999.99 to 9999999999999.99)");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "PurchaseDate": 4294967300}]})",
          "out of range (4 to");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "PurchaseDate": "2023-+1-05"}]})",
          "not a date (YYYY-MM-DD)");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "Active": 2}]})", "a flag holds 0 or 1");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "RecordID": 99999999999}]})",
          "number out of range (-2147483648 to 2147483647)");
  refused(R"({"EQHEADER": [{"EquipmentID": ""}]})", "EQH:EquipmentID: a key must not be blank");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "RecordID": 0}]})",
          "a record number from 1 to 1073741823 is needed, not 0");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "RecordID": 2147483647}]})",
          "a record number from 1 to");
  refused(R"({"EQHEADER": [{"EquipmentID": "A"}], "EQHEADER": [{"EquipmentID": "B"}]})",
          "the name \"EQHEADER\" is given twice");
  refused(R"({"EQHEADER": [{"EquipmentID": "A", "EQH:EquipmentID": "B"}]})",
          "EQH:EquipmentID: given more than once");
  refused(R"({"EQHEADER": [{"EquipmentID": "A"}], "eqheader": [{"EquipmentID": "B"}]})",
          "EQHEADER: given more than once");
  // Messages are in words and never repeat a long argument whole.
  Result r = cmd({"load", std::string(5000, 'x') + ".json"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_LT(r.err.size(), 200u);
  EXPECT_EQ(dump({"EQHEADER"}).size(), 0u);
}

// Load reads its document as a stream and stores records as it goes: what is wrong with the
// document as a whole, found after records were stored, still loads nothing and is told alone.
TEST_F(CliTest, AFaultFoundLateInTheDocumentLoadsNothing) {
  ASSERT_EQ(load(R"({"USERFILE": [{"UserID": "CLK", "ChangeEquipment": 1}]})").rc, 0);
  const std::string records = R"("EQHEADER": [{"EquipmentID": "A"}, {"Colour": 1}])";
  struct Case {
    std::string json;
    const char* message;
  } cases[] = {
      {"{" + records + ", \"EQCODE\": [{\"CategoryID\": \"X\"}]", "not valid JSON"},
      {"{" + records + ", \"EQCODE\": [{\"CategoryID\": \"X\", \"CategoryID\": \"Y\"}]}",
       "the name \"CategoryID\" is given twice in one object"},
      {"{" + records + ", \"USERFILE\": []}", "only an administrator may change USERFILE"},
  };
  for (const auto& c : cases) {
    writeFile(tmp_ / "late.json", c.json);
    Result r = cmd({"--user", "CLK", "load", (tmp_ / "late.json").string()});
    EXPECT_EQ(r.rc, 1) << c.json;
    EXPECT_THAT(r.err, HasSubstr(c.message)) << c.json;
    EXPECT_THAT(r.err, Not(HasSubstr("Colour"))) << "the document's fault alone";
  }
  EXPECT_EQ(dump({"EQHEADER"}).size(), 0u);
  EXPECT_EQ(dump({"EQCODE"}).size(), 0u);
}

// Dump writes each record straight from its buffer; the text is what the JSON library writes.
TEST_F(CliTest, DumpWritesTheArrayAsTheJsonLibraryDoes) {
  ASSERT_EQ(load(R"({"EQHEADER": [
      {"EquipmentID": "A", "Description": "tab\there \"quoted\" back\\slash", "UD1": "\u0001\u001f\u007f",
       "UD2": "Ünïcødé 日本 /", "PurchaseValue": "-0.5", "PurchaseDate": "2015-03-05"},
      {"EquipmentID": "B", "UD1": "line\nbreak"}]})")
                .rc,
            0);
  Result r = cmd({"dump", "EQHEADER"});
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, Json::parse(r.out).dump(2) + "\n");
  EXPECT_THAT(r.out, HasSubstr(R"("EQH:Description": "tab\there \"quoted\" back\\slash",)"));
  EXPECT_THAT(r.out, HasSubstr(R"("EQH:UD1": "\u0001\u001f)"));
}

TEST_F(CliTest, TheUserMustBeOneOfTheCompanyWithTheRightToWrite) {
  ASSERT_EQ(load(R"({"USERFILE": [
      {"UserID": "CLK", "ChangeEquipment": 0},
      {"UserID": "MGR", "ChangeEquipment": 1}],
    "CONTROL": [{"SystemPassword": "SECRET"}]})")
                .rc,
            0);
  auto as = [&](const std::string& user, std::vector<std::string> args) {
    args.insert(args.begin(), {"--user", user});
    return cmd(std::move(args));
  };
  const std::string json = (tmp_ / "eq.json").string();
  writeFile(json, R"({"EQHEADER": [{"EquipmentID": "T1"}]})");
  Result r = as("ZZZ", {"dump", "EQHEADER"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("there is no user 'ZZZ'"));
  r = as("clk", {"load", json});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("user CLK may not change equipment"));
  r = as("mgr", {"load", json});  // the ID is matched without regard to case
  EXPECT_EQ(r.rc, 0) << r.err;
  // What posting writes needs the right to post.
  writeFile(json, R"({"GLTRANS": [{"Amount": "-3280"}]})");
  r = as("MGR", {"load", json});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("user MGR may not post equipment usage logs"));
  writeFile(json, R"({"USERFILE": [{"UserID": "NEW", "Administrator": 1}]})");
  r = as("MGR", {"load", json});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("only an administrator may change USERFILE"));
  EXPECT_EQ(as("ADM", {"load", json}).rc, 0);
  // The system password never leaves through dump.
  Json control = dump({"CONTROL"});
  ASSERT_EQ(control.size(), 1u);
  EXPECT_EQ(control[0]["CTRL:SystemPassword"], "");
}

// Standard input for one command run in-process.
class StdinFrom {
 public:
  explicit StdinFrom(const std::string& text) : in_(text), saved_(std::cin.rdbuf(in_.rdbuf())) {}
  ~StdinFrom() { std::cin.rdbuf(saved_); }

 private:
  std::istringstream in_;
  std::streambuf* saved_;
};

TEST_F(CliTest, APasswordIsAskedOfItsUserAndSetOnlyByThemOrAnAdministrator) {
  ASSERT_EQ(load(R"({"USERFILE": [{"UserID": "NOP", "Administrator": 0}]})").rc, 0);
  auto as = [&](const std::string& user, std::vector<std::string> args) {
    args.insert(args.begin(), {"--user", user});
    return cmd(std::move(args));
  };
  ::unsetenv("KOREQ_PASSWORD");
  Result r;
  {
    StdinFrom in("s3cret pass\r\n");
    r = as("ADM", {"password", "nop"});
  }
  ASSERT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "the password of user NOP was set\n");
  // Without the password (and no terminal to ask on) NOP cannot sign on at all.
  r = as("NOP", {"list", "EQHEADER"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("user NOP needs a password"));
  ::setenv("KOREQ_PASSWORD", "s3cret", 1);
  r = as("NOP", {"list", "EQHEADER"});
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("wrong password for user NOP"));
  ::setenv("KOREQ_PASSWORD", "s3cret pass", 1);
  EXPECT_EQ(as("NOP", {"list", "EQHEADER"}).rc, 0);
  // NOP may not set the administrator's password; ADM, without one, still signs on as before.
  {
    StdinFrom in("mine\n");
    r = as("NOP", {"password", "ADM"});
  }
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("may change only their own password"));
  ::unsetenv("KOREQ_PASSWORD");
  EXPECT_EQ(as("ADM", {"list", "EQHEADER"}).rc, 0);
  // The password is nowhere in the user file.
  EXPECT_THAT(cmd({"dump", "USERFILE"}).out, Not(HasSubstr("argon2")));
  {
    StdinFrom in("");
    r = as("ADM", {"password", "NOP"});
  }
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("no password was given"));
  {
    StdinFrom in("\n");
    r = as("ADM", {"password", "NOP"});
  }
  EXPECT_EQ(r.rc, 1);
  EXPECT_THAT(r.err, HasSubstr("cannot be empty"));
  EXPECT_EQ(as("ADM", {"password", "ZZZ"}).rc, 1);
  // The user clears their own password and signs on without one again.
  ::setenv("KOREQ_PASSWORD", "s3cret pass", 1);
  r = as("NOP", {"password", "NOP", "--clear"});
  EXPECT_EQ(r.rc, 0) << r.err;
  EXPECT_EQ(r.out, "the password of user NOP was removed\n");
  ::unsetenv("KOREQ_PASSWORD");
  EXPECT_EQ(as("NOP", {"list", "EQHEADER"}).rc, 0);
}

}  // namespace
}  // namespace koreq::cli::test
