// The field list of an import source: rows, start positions, lengths and the map written back.

#include <gtest/gtest.h>

#include "data/records.h"
#include "interchange/engine/source_layout.h"

namespace koreq::interchange {
namespace {

std::vector<int> starts(const SourceLayout& l) {
  std::vector<int> out;
  for (const LayoutRow& r : l.rows()) out.push_back(r.start);
  return out;
}

TEST(SourceLayout, RowsGiveTheMapItemsAndTheirStartPositions) {
  SourceLayout l;
  ASSERT_TRUE(l.append(itemNamed("Equipment ID", 10)));
  ASSERT_TRUE(l.append(itemNamed("Date", 8)));
  ASSERT_TRUE(l.append(itemNamed("Total Units", 8)));
  EXPECT_EQ(l.map(), "Q10#08U08");
  EXPECT_EQ(starts(l), (std::vector<int>{1, 11, 19}));
  // The built-in source lists the fifteen fields in the order of the names.
  const auto builtIn = SourceLayout(kBuiltInMap).rows();
  ASSERT_EQ(builtIn.size(), 15u);
  for (std::size_t i = 0; i < builtIn.size(); ++i)
    EXPECT_EQ(builtIn[i].contents, fieldCodes()[i].contents) << i;
  const auto rows = SourceLayout("Q10#08U08").rows();
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[1].number, 2);
  EXPECT_EQ(rows[1].contents, "Date");
  EXPECT_EQ(rows[2].length, 8);

  // The positions belong to fixed-position files only; the map keeps the lengths whatever the
  // file format, so switching a fixed source to comma delimited loses none of them.
  EXPECT_TRUE(showsFieldPositions("F"));
  for (const char* other : {"C", "T", ""}) EXPECT_FALSE(showsFieldPositions(other)) << other;
  EXPECT_EQ(SourceLayout(l.map()).map(), "Q10#08U08");

  // Changing and deleting rows moves the starts of the rows after them.
  ASSERT_TRUE(l.replace(0, itemNamed("Equipment ID", 12)));
  EXPECT_EQ(starts(l), (std::vector<int>{1, 13, 21}));
  ASSERT_TRUE(l.remove(1));
  EXPECT_EQ(starts(l), (std::vector<int>{1, 13}));
  EXPECT_EQ(l.map(), "Q12U08");
  EXPECT_FALSE(l.remove(2));
  EXPECT_FALSE(l.replace(2, itemNamed("Date", 8)));
}

TEST(SourceLayout, KeepsLengthsWithinTwoDigitsAndStartsBeyondOneByte) {
  SourceLayout l;
  EXPECT_TRUE(fieldLengthFits(0));
  EXPECT_TRUE(fieldLengthFits(99));
  EXPECT_FALSE(fieldLengthFits(100));
  EXPECT_FALSE(fieldLengthFits(-1));
  EXPECT_TRUE(l.append(itemNamed("Comment", 99)));
  EXPECT_FALSE(l.append(itemNamed("Comment", 100)));
  EXPECT_FALSE(l.append(itemNamed("Comment", -1)));
  EXPECT_FALSE(l.replace(0, itemNamed("Comment", 150)));
  EXPECT_EQ(l.map(), "M99");

  // Thirty fields of nine: the last starts at 262, not at 262 - 256.
  SourceLayout wide;
  for (int i = 0; i < 30; ++i) ASSERT_TRUE(wide.append(itemNamed("Comment", 9)));
  EXPECT_EQ(wide.rows()[28].start, 253);
  EXPECT_EQ(wide.rows()[29].start, 262);
  // The widest layout the map holds: 166 fields of 99.
  SourceLayout widest;
  while (widest.append(itemNamed("Comment", 99))) {
  }
  EXPECT_EQ(widest.size(), kMaxMapItems);
  EXPECT_TRUE(widest.full());
  EXPECT_EQ(widest.rows().back().start, 1 + 165 * 99);
}

TEST(SourceLayout, UnknownCodesAreUnusedAndTheEndMarkIsKept) {
  SourceLayout odd("X05Q10");
  EXPECT_EQ(odd.rows()[0].contents, "Unused");
  EXPECT_EQ(odd.map(), "005Q10");
  EXPECT_EQ(contentsOfCode('#'), std::string("Date"));
  EXPECT_EQ(itemNamed("No such field", 3).code, '0');

  // The list shows what an import reads; what follows the end mark goes back as it was.
  SourceLayout marked("Q10###U08S01   ");
  ASSERT_EQ(marked.size(), 1u);
  EXPECT_EQ(marked.map(), "Q10###U08S01");
  ASSERT_TRUE(marked.append(itemNamed("Employee ID", 0)));
  EXPECT_EQ(marked.map(), "Q10E00###U08S01");
  // A partial item at the end is no row.
  EXPECT_EQ(SourceLayout("Q10#0").map(), "Q10");
}

TEST(SourceLayout, TheBuiltInSourceIsKnownByItsTitleAndNeverDeleted) {
  data::JcLimits s;
  s.ReportTitle = std::string(kBuiltInSource) + "  ";
  EXPECT_TRUE(isBuiltInSource(s));
  EXPECT_FALSE(mayDeleteSource(s));
  s.ReportTitle = "Usage Logs Exported from Tessaly";
  EXPECT_FALSE(isBuiltInSource(s));
  EXPECT_TRUE(mayDeleteSource(s));
}

}  // namespace
}  // namespace koreq::interchange
