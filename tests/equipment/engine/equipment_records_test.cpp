#include "equipment/engine/equipment_records.h"

#include "equipment/engine/cost_rules.h"
#include "equipment/engine/engine_fixture.h"

namespace koreq::equipment::test {
namespace {

using RecordsTest = DemoCompanyTest;

Date day(int m, int d) {
  return *Date::fromYmd(2024, m, d);
}

TEST_F(RecordsTest, AverageUnitsPerDaySpansTheFirstToTheLastPostedEntry) {
  auto posted = [&](const std::string& id, const Date& d, const char* units) {
    addRecord(data::EqLog::def(),
              {{"EQL:EquipmentID", id}, {"EQL:Date", d}, {"EQL:Units", *Decimal::parse(units)}});
  };
  // Entered out of date order; 15.75 over 10 days, kept to 1.575 and rounded half away.
  // (A whole-number total would give 1.50.)
  posted("RC-1", day(2, 11), "8.25");
  posted("RC-1", day(2, 1), "7.5");
  posted("RC-10", day(1, 1), "100");  // a longer ID that starts alike
  EXPECT_EQ(averageUnitsPerDay(ctx, "RC-1"), Decimal::fromCents(158));
  EXPECT_EQ(averageUnitsPerDay(ctx, "RC-1   "), Decimal::fromCents(158));
  // One day: the total itself.
  posted("RC-2", day(2, 5), "6");
  posted("RC-2", day(2, 5), "3.5");
  EXPECT_EQ(averageUnitsPerDay(ctx, "RC-2"), Decimal::fromCents(950));
  // A correction in between counts in the total; the span is the outer dates.
  posted("RC-4", day(3, 1), "10");
  posted("RC-4", day(3, 2), "-4");
  posted("RC-4", day(3, 4), "0");
  EXPECT_EQ(averageUnitsPerDay(ctx, "RC-4"), Decimal::fromCents(200));
  // Unposted entries are not the usage log's yet; no entries, no average (not zero).
  addRecord(data::EqLogB::def(), {{"EQLB:EquipmentID", std::string("RC-3")},
                                  {"EQLB:Date", day(2, 1)},
                                  {"EQLB:Units", Decimal(5)}});
  EXPECT_EQ(averageUnitsPerDay(ctx, "RC-3"), std::nullopt);
  EXPECT_EQ(averageUnitsPerDay(ctx, ""), std::nullopt);
}

class RemoveTest : public DemoCompanyTest {
 protected:
  // Everything that can hang on an equipment ID, and its posted history.
  void addEverything(const std::string& id) {
    addEquipment(id, "Scrap " + id);
    const data::Value v(id);
    addRecord(data::Notes::def(), {{"NOTE:EquipmentID", v}, {"NOTE:EntityType", "EQHeader"}});
    addRecord(data::EqCost::def(), {{"EQC:EquipmentID", v},
                                    {"EQC:CostCategory", "FUEL"},
                                    {"EQC:RecordID", costRecordId(id, "FUEL")}});
    addRecord(data::GlDepr::def(), {{"GLDP:EquipmentID", v}});
    addRecord(data::GlDepr::def(), {{"GLDP:EquipmentID", v}});
    addRecord(data::EqPrior::def(), {{"EQP:EquipmentID", v}});
    addRecord(data::EqLog::def(), {{"EQL:EquipmentID", v}, {"EQL:Date", day(1, 5)}});
    for (const char* type : {kPhotoImageType, kAttachmentImageType, "Employee"}) {
      data::FileAccess f(session.store(), data::Images::def(), session.errors());
      f.prime();
      f.put("IMG:Type", std::string(type));
      f.put("IMG:OwnerID", id);
      ASSERT_EQ(f.insert(), data::kNoError);
      images_.push_back(std::get<std::int64_t>(f.get("IMG:RecordID")));
      session.store().putBlob("IMAGES", images_.back(), {1, 2, 3});
    }
  }
  // Notes, categories, schedule rows, images, the stored bytes of every image added, prior
  // totals, posted log entries.
  std::vector<int> recordsOf(const std::string& id) {
    const data::Value v(id);
    int bytes = 0;
    for (std::int64_t image : images_) bytes += session.store().getBlob("IMAGES", image) ? 1 : 0;
    return {count(data::Notes::def(), "NOTE:EquipmentID", v),
            count(data::EqCost::def(), "EQC:EquipmentID", v),
            count(data::GlDepr::def(), "GLDP:EquipmentID", v),
            count(data::Images::def(), "IMG:OwnerID", v),
            bytes,
            count(data::EqPrior::def(), "EQP:EquipmentID", v),
            count(data::EqLog::def(), "EQL:EquipmentID", v)};
  }
  std::vector<std::int64_t> images_;
};

// Deleted equipment used to leave its categories, schedule rows, photograph and attachments
// behind for the next record of its ID.
TEST_F(RemoveTest, TheEquipmentsRecordsGoButNotItsHistoryNorAnotherOwnersImages) {
  addEverything("ZZ-100");
  addEverything("ZZ-200");
  const std::vector<int> whole{1, 1, 2, 3, 6, 1, 1};
  ASSERT_EQ(recordsOf("ZZ-100"), whole);

  RemovedRecords r;
  {
    data::Transaction t(session.store());
    r = removeRecordsUnder(ctx, "ZZ-100  ");
    t.commit();
  }
  EXPECT_EQ(r.costCategories, 1);
  EXPECT_EQ(r.scheduleRows, 2);
  EXPECT_EQ(r.images, 2);
  EXPECT_EQ(r.notes, 1);
  EXPECT_EQ(r.total(), 6);
  // The equipment record itself is the caller's; an image of another kind of owner stays.
  EXPECT_TRUE(equipmentExists(ctx, "ZZ-100"));
  EXPECT_EQ(recordsOf("ZZ-100"), (std::vector<int>{0, 0, 0, 1, 4, 1, 1}));
  EXPECT_EQ(recordsOf("ZZ-200"), (std::vector<int>{1, 1, 2, 3, 4, 1, 1}));

  // Nothing is left to remove; a blank ID owns nothing (other owners' records carry one).
  EXPECT_EQ(removeRecordsUnder(ctx, "ZZ-100").total(), 0);
  addRecord(data::Notes::def(), {{"NOTE:EntityType", "Employee"}});
  const int blankNotes = count(data::Notes::def(), "NOTE:EquipmentID", data::Value(std::string()));
  EXPECT_EQ(removeRecordsUnder(ctx, "   ").total(), 0);
  EXPECT_EQ(count(data::Notes::def(), "NOTE:EquipmentID", data::Value(std::string())), blankNotes);
}

TEST_F(RemoveTest, AFailureThrowsAndTheTransactionKeepsEverything) {
  addEverything("ZZ-200");
  // The notes go after the categories and schedule rows.
  sql("CREATE TRIGGER refuse BEFORE DELETE ON NOTES BEGIN SELECT RAISE(ABORT, 'refused'); END",
      "CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS $$BEGIN RAISE EXCEPTION "
      "'refused'; END$$; CREATE TRIGGER refuse BEFORE DELETE ON notes FOR EACH ROW EXECUTE "
      "FUNCTION refuse()");
  {
    data::Transaction t(session.store());
    EXPECT_THROW(removeRecordsUnder(ctx, "ZZ-200"), data::StoreError);
    t.rollback();
  }
  EXPECT_FALSE(session.store().inTransaction());
  EXPECT_EQ(recordsOf("ZZ-200"), (std::vector<int>{1, 1, 2, 3, 3, 1, 1}));
}

TEST_F(RecordsTest, ACategoryIsInUseWhileAnyEquipmentCarriesIt) {
  const int fuel = count(data::EqCost::def(), "EQC:CostCategory", data::Value(std::string("FUEL")));
  ASSERT_GT(fuel, 1);
  EXPECT_EQ(equipmentCarrying(ctx, "FUEL"), fuel);
  EXPECT_EQ(equipmentCarrying(ctx, "FUEL  "), fuel);
  EXPECT_TRUE(categoryInUse(ctx, "FUEL"));
  EXPECT_EQ(categoryCodeInUseMessage("FUEL  ", fuel),
            "The code of cost category FUEL cannot be changed: " + std::to_string(fuel) +
                " pieces of equipment carry it.");

  addCategory("ZZCAT", "Not carried yet");
  EXPECT_EQ(equipmentCarrying(ctx, "ZZCAT"), 0);
  EXPECT_FALSE(categoryInUse(ctx, "ZZCAT"));
  EXPECT_FALSE(categoryInUse(ctx, "FUE"));  // a code, not a prefix
  EXPECT_FALSE(categoryInUse(ctx, ""));

  addEquipment("ZZ-100", "Scrap trailer");
  addRecord(data::EqCost::def(), {{"EQC:EquipmentID", std::string("ZZ-100")},
                                  {"EQC:CostCategory", std::string("ZZCAT")},
                                  {"EQC:RecordID", costRecordId("ZZ-100", "ZZCAT")}});
  EXPECT_EQ(equipmentCarrying(ctx, "ZZCAT"), 1);
  EXPECT_TRUE(categoryInUse(ctx, "ZZCAT"));
  EXPECT_EQ(categoryCodeInUseMessage("ZZCAT", 1),
            "The code of cost category ZZCAT cannot be changed: one piece of equipment carries "
            "it.");
}

}  // namespace
}  // namespace koreq::equipment::test
