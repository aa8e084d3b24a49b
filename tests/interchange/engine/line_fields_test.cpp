// The field map of an import source and the built-in source.

#include <gtest/gtest.h>

#include "data/records.h"
#include "interchange/engine/line_fields.h"
#include "interchange/engine/source_layout.h"
#include "support/company_fixture.h"

namespace koreq::interchange {
namespace {

TEST(FieldMap, UnpacksPacksAndStopsTheWalkAtHashes) {
  auto items = unpackMap("Q10#08U08###S00   ");
  ASSERT_EQ(items.size(), 5u);
  EXPECT_EQ(items[0].code, 'Q');
  EXPECT_EQ(items[1].length, 8);
  EXPECT_EQ(items[3].code, '#');  // the form keeps the end mark
  EXPECT_EQ(walkedItems("Q10#08U08###S00").size(), 3u);
  EXPECT_EQ(packMap({{'Q', 10}, {'#', 8}, {'U', 123}, {'E', -1}}), "Q10#08U99E00");
  EXPECT_EQ(unpackMap(kBuiltInMap).size(), 15u);
  // The built-in map walks the export's fifteen fields in their order.
  const char order[] = "QSFUTDGJCPAM#LE";
  auto builtIn = walkedItems(kBuiltInMap);
  for (std::size_t i = 0; i < builtIn.size(); ++i) {
    EXPECT_EQ(builtIn[i].code, order[i]);
    EXPECT_EQ(static_cast<std::size_t>(fieldCode(builtIn[i].code)->field), i);
  }
  EXPECT_EQ(fieldCode('X'), nullptr);
  EXPECT_EQ(fieldCodeNamed("Equipment Charged")->code, 'P');
}

// Found by fuzzing: a stored map ending in part of an item ("U5") showed two fields in the source
// form while the import walked a third, 50 characters long.
TEST(FieldMap, APartItemAtTheEndIsNeitherShownNorWalked) {
  for (const char* map : {"Q10D08U5", "Q10D08U5   ", "Q10D08U"}) {
    EXPECT_EQ(unpackMap(map).size(), 2u) << map;
    EXPECT_EQ(walkedItems(map).size(), 2u) << map;
  }
  EXPECT_EQ(walkedItems("Q10D08U05   ").size(), 3u);
  // An item ending in a blank before a character that is not one.
  const std::string odd("Q10D08U0 \x01", 10);
  EXPECT_EQ(walkedItems(odd).size(), 3u);
  EXPECT_EQ(SourceLayout(odd).size(), 3u);
}

class BuiltInSource : public fixture::CompanyTest {};

TEST_F(BuiltInSource, IsAddedOnceWhenMissing) {
  ASSERT_TRUE(ensureBuiltInSource(ctx()));
  ASSERT_TRUE(ensureBuiltInSource(ctx()));
  data::Access<data::JcLimits> a(ctx().store(), ctx().errors());
  EXPECT_EQ(a.records(), 1);
  ASSERT_EQ(a.fetch("KeyReport", {std::string(kImportReport), std::string(kBuiltInSource)}),
            data::kNoError);
  EXPECT_EQ(a.text("JCL:FieldMap"), kBuiltInMap);
  EXPECT_EQ(a.text("JCL:JobTo"), "MM/DD/YYYY");
  EXPECT_EQ(a.text("JCL:PrintOrder"), "C");
  EXPECT_EQ(a.text("JCL:SourceFlag"), "P");
  EXPECT_GT(std::get<std::int64_t>(a.get("JCL:LimitID")), 0);
}

}  // namespace
}  // namespace koreq::interchange
