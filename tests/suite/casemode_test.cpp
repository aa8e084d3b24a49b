#include "suite/casemode.h"

#include <gtest/gtest.h>

#include "data/records.h"
#include "suite/droplist.h"
#include "support/company_fixture.h"

namespace koreq::suite {
namespace {

class SuiteTest : public fixture::CompanyTest {};

std::int64_t stored(frame::Context& ctx) {
  return ctx.access<data::CaseModeRecord>().records();
}

TEST_F(SuiteTest, GetCaseStoresReadsAndAnswersBlank) {
  EXPECT_EQ(GETCASE(ctx(), "000EQH:Description"), "");
  EXPECT_EQ(GETCASE(ctx(), "CAPEQH:Description"), "CAP");
  EXPECT_EQ(GETCASE(ctx(), "000EQH:Description"), "CAP");
  EXPECT_EQ(GETCASE(ctx(), "000EQH:VehicleLicense"), "");  // other fields keep no mode
  EXPECT_EQ(GETCASE(ctx(), "uprEQH:Description"), "UPR");  // letters in either case
  EXPECT_EQ(GETCASE(ctx(), "000EQH:Description"), "UPR");
  EXPECT_EQ(GETCASE(ctx(), "DEFEQH:Description"), "DEF");
  EXPECT_EQ(stored(ctx()), 1);                          // changed in place, not added again
  EXPECT_EQ(GETCASE(ctx(), "000eqh:description"), "");  // field names match exactly

  // Nothing to do: no field name, or not a mode.
  EXPECT_EQ(GETCASE(ctx(), ""), "");
  EXPECT_EQ(GETCASE(ctx(), "CA"), "");
  EXPECT_EQ(GETCASE(ctx(), "CAP"), "");
  EXPECT_EQ(GETCASE(ctx(), "000"), "");
  EXPECT_EQ(GETCASE(ctx(), "LOWReportTitle"), "");
  EXPECT_EQ(GETCASE(ctx(), "000ReportTitle"), "");
  EXPECT_EQ(stored(ctx()), 1);

  // Kept in the company: another context sees it.
  frame::Context other(session());
  EXPECT_EQ(GETCASE(other, "000EQH:Description"), "DEF");
  EXPECT_FALSE(ctx().errors().last());
}

TEST_F(SuiteTest, DropListValuesInOrderAndEdits) {
  const char* cls = "EQH Class Code";
  EXPECT_TRUE(dropListValues(ctx(), cls).empty());
  EXPECT_TRUE(addDropListValue(ctx(), cls, "Trucks"));
  EXPECT_TRUE(addDropListValue(ctx(), cls, "Loaders"));
  EXPECT_TRUE(addDropListValue(ctx(), cls, "Excavators"));
  EXPECT_TRUE(addDropListValue(ctx(), "EQH License Code", "CDL"));
  EXPECT_FALSE(addDropListValue(ctx(), cls, "Trucks  "));  // already there
  EXPECT_FALSE(addDropListValue(ctx(), cls, "   "));
  using V = std::vector<std::string>;
  EXPECT_EQ(dropListValues(ctx(), cls), (V{"Excavators", "Loaders", "Trucks"}));
  EXPECT_EQ(dropListValues(ctx(), "EQH License Code"), V{"CDL"});

  EXPECT_FALSE(renameDropListValue(ctx(), cls, "Trucks", "Loaders"));  // would duplicate
  EXPECT_FALSE(renameDropListValue(ctx(), cls, "Cranes", "Hoists"));   // not in the list
  EXPECT_FALSE(renameDropListValue(ctx(), cls, "Trucks", ""));
  EXPECT_TRUE(renameDropListValue(ctx(), cls, "Trucks", "Articulated trucks"));
  EXPECT_TRUE(removeDropListValue(ctx(), cls, "Loaders"));
  EXPECT_FALSE(removeDropListValue(ctx(), cls, "Loaders"));
  EXPECT_FALSE(removeDropListValue(ctx(), "EQH License Code", "Excavators"));
  EXPECT_EQ(dropListValues(ctx(), cls), (V{"Articulated trucks", "Excavators"}));

  // A value is cut to the field's 30 characters, and the cut value counts for duplicates.
  std::string longValue = std::string(30, 'Z') + "-extra";
  EXPECT_TRUE(addDropListValue(ctx(), cls, longValue));
  EXPECT_FALSE(addDropListValue(ctx(), cls, std::string(30, 'Z')));
  EXPECT_EQ(dropListValues(ctx(), cls).back(), std::string(30, 'Z'));
}

}  // namespace
}  // namespace koreq::suite
