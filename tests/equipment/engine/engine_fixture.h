#pragma once

// The demo company in a temporary folder, dated 15 March 2024 and signed on as ADM, with ways to
// add equipment and cost categories, count records, and write to the database as another
// workstation would. No windows: the equipment rules' tests run on it, and the window tests'
// fixtures build on it.

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdint>
#include <initializer_list>
#include <map>
#include <sstream>
#include <string>
#include <utility>

#include "data/company.h"
#include "data/records.h"
#include "demo/demo_company.h"
#include "frame/context.h"
#include "support/backends.h"
#include "support/temp_dir.h"

namespace koreq::equipment::test {

using TempFolder = ::koreq::test::TempDir;

class DemoCompanyTest : public ::testing::Test {
 protected:
  DemoCompanyTest()
      : clock(*Date::fromYmd(2024, 3, 15)), session(where.create(), clock, "ADM"), ctx(session) {
    std::ostringstream quiet;
    demo::makeDemoCompany(session, quiet);
    session.g.INIPATH = (folder.path / "settings").string();
    session.g.LogUserActivity = 2;
  }

  // Two trailers whose cost records the file refuses: all of ZZ-100's, and ZZ-200's FUEL.
  // (On the server a refusing trigger would end the whole change: the row is left out instead,
  // which the store reports as a refused insert just the same.)
  void addRefusedTrailers() {
    addEquipment("ZZ-100", "Refused trailer");
    addEquipment("ZZ-200", "Half refused trailer");
    sql("CREATE TRIGGER refuse BEFORE INSERT ON EQCOST WHEN NEW.EquipmentID = 'ZZ-100' OR "
        "(NEW.EquipmentID = 'ZZ-200' AND NEW.CostCategory = 'FUEL') BEGIN SELECT RAISE(ABORT, "
        "'refused'); END",
        "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RETURN NULL; "
        "END$$; CREATE TRIGGER refuse BEFORE INSERT ON eqcost FOR EACH ROW WHEN "
        "(NEW.\"EquipmentID\" = 'ZZ-100' OR (NEW.\"EquipmentID\" = 'ZZ-200' AND "
        "NEW.\"CostCategory\" = 'FUEL')) EXECUTE FUNCTION refuse()");
  }

  // Runs SQL on the company database beside the program's own connection, as another
  // workstation would; on the server the statement in its dialect when it differs.
  void sql(const std::string& statement, const std::string& onServer = {}) {
    if (where.backend() == koreq::test::Backend::Postgres) {
      std::string why;
      ASSERT_TRUE(
          koreq::test::pgExec(where.conninfo(), onServer.empty() ? statement : onServer, &why))
          << why;
      return;
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(
        sqlite3_open((session.company().dataPath() / data::Company::kDatabaseName).string().c_str(),
                     &db),
        SQLITE_OK);
    char* why = nullptr;
    int rc = sqlite3_exec(db, statement.c_str(), nullptr, nullptr, &why);
    std::string error = why ? why : "";
    sqlite3_free(why);
    sqlite3_close(db);
    ASSERT_EQ(rc, SQLITE_OK) << error;
  }
  // Records of a file whose field holds the value.
  int count(const data::FileDef& file, const std::string& field, const data::Value& v) {
    data::FileAccess f(session.store(), file, session.errors());
    f.set(file.primaryKey());
    int n = 0;
    while (f.next() == data::kNoError)
      if (f.get(field) == v) ++n;
    return n;
  }
  int records(const data::FileDef& def) {
    data::FileAccess f(session.store(), def, session.errors());
    return static_cast<int>(f.records());
  }
  // EQCOST record IDs, each with how many records hold it.
  std::map<std::string, int> costKeys() {
    data::FileAccess f(session.store(), data::EqCost::def(), session.errors());
    f.set(data::EqCost::def().primaryKey());
    std::map<std::string, int> out;
    while (f.next() == data::kNoError) ++out[data::valueToText(f.get("EQC:RecordID"))];
    return out;
  }

  void addEquipment(const std::string& id, const std::string& description, bool active = true) {
    data::FileAccess f(session.store(), data::EqHeader::def(), session.errors());
    f.prime();
    f.put("EQH:EquipmentID", id);
    f.put("EQH:Description", description);
    f.put("EQH:Active", std::int64_t{active ? 1 : 0});
    ASSERT_EQ(f.insert(), data::kNoError) << id;
  }
  // A record of any file with the fields given, the rest as primed.
  void addRecord(const data::FileDef& file,
                 std::initializer_list<std::pair<const char*, data::Value>> fields) {
    data::FileAccess f(session.store(), file, session.errors());
    f.prime();
    for (const auto& [field, value] : fields) ASSERT_TRUE(f.put(field, value)) << field;
    ASSERT_EQ(f.insert(), data::kNoError) << file.name;
  }
  void addCategory(const std::string& id, const std::string& description,
                   const std::string& type = "N") {
    data::FileAccess f(session.store(), data::EqCode::def(), session.errors());
    f.prime();
    f.put("EQD:CategoryID", id);
    f.put("EQD:Description", description);
    f.put("EQD:DefaultUnit", std::string("Each"));
    f.put("EQD:DefaultExpenseControl", std::string("6130"));
    f.put("EQD:DefaultContraExpenseControl", std::string("2000"));
    f.put("EQD:ScheduleType", type);
    f.put("EQD:MeterName", std::string("Miles"));
    f.put("EQD:Meter", std::int64_t{5000});
    f.put("EQD:IntervalName", std::string("Months"));
    f.put("EQD:Interval", std::int64_t{6});
    ASSERT_EQ(f.insert(), data::kNoError) << id;
  }

  TempFolder folder;
  koreq::test::BackendCompany where{koreq::test::procedureBackend(), folder.path / "co"};
  FixedClock clock;
  frame::Session session;
  frame::Context ctx;
};

}  // namespace koreq::equipment::test
