#include "data/records.h"

#include <gtest/gtest.h>

namespace koreq::data {
namespace {

TEST(FieldTable, ReachesTheSameFieldByMemberAndByName) {
  EqHeader h;
  const FileDef& def = EqHeader::def();
  const FieldDef* id = def.field("EQH:EquipmentID");
  ASSERT_NE(id, nullptr);
  std::string why;
  EXPECT_TRUE(id->set(&h, Value(std::string("TRK-01   ")), &why));
  EXPECT_EQ(h.EquipmentID, "TRK-01");
  EXPECT_FALSE(id->set(&h, Value(std::string("ELEVENCHARS")), &why));
  EXPECT_EQ(h.EquipmentID, "TRK-01");  // unchanged on a bad value
  h.PurchaseValue = *Decimal::parse("1234.56");
  EXPECT_EQ(std::get<Decimal>(def.field("PurchaseValue")->get(&h)).cents(), 123456);
  EXPECT_EQ(def.fieldIndex("eqh:equipmentid"), def.fieldIndex("EquipmentID"));
  EXPECT_EQ(eqHeaderAliasDef().field("EQH1:Active")->column, "Active");
  EXPECT_EQ(eqHeaderAliasDef().table, def.table);
}

TEST(FieldTable, RejectsValuesThatDoNotFit) {
  EqCode c;
  const FileDef& def = EqCode::def();
  std::string why;
  EXPECT_FALSE(def.field("EQD:Meter")->set(&c, Value(std::int64_t{-1}), &why));
  EXPECT_TRUE(def.field("EQD:Meter")->set(&c, Value(std::string("5000")), &why));
  EXPECT_EQ(c.Meter, 5000u);
  EXPECT_FALSE(def.field("EQD:Meter")->set(&c, Value(std::string("12.5")), &why));
  EXPECT_EQ(c.Meter, 5000u);
}

}  // namespace
}  // namespace koreq::data
