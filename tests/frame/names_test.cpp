#include "frame/names.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "data/records.h"
#include "support/temp_dir.h"

namespace koreq::frame {
namespace {

TEST(ContextNames, BoundValuesFieldsAndGlobalsInThatOrder) {
  test::TempDir tmp;
  const std::filesystem::path dir = tmp / "company";
  FixedClock clock(*Date::fromYmd(2026, 12, 7));
  Session session(data::Company::create(dir), clock, "ADM");
  Context ctx(session);
  ctx.rec<data::EqHeader>().EquipmentID = "TRK-01";
  ctx.rec<data::EqHeader>().Active = 1;
  ctx.g.REPORTFILTER = "Log Entry";

  ContextNames names(ctx);
  int showActive = 1;
  names.bind("ShowActive", [&] { return ExprValue::number(Decimal(showActive)); });

  auto eval = [&](const char* text) {
    std::string err;
    auto v = Expression::compile(text).evaluate(names, &err);
    EXPECT_TRUE(v) << text << ": " << err;
    return v ? v->truthy() : false;
  };
  EXPECT_TRUE(eval("ShowActive AND EQH:Active"));
  showActive = 0;  // a bound value is read when evaluated, so a changed check box refilters
  EXPECT_FALSE(eval("ShowActive AND EQH:Active"));
  EXPECT_TRUE(eval("eqh:equipmentid = 'TRK-01   '"));
  EXPECT_TRUE(eval("REPORTFILTER = 'Log Entry' AND USERID = 'ADM'"));
  EXPECT_TRUE(eval("EQH1:Active = 0"));  // the alias has its own, still clear, buffer
  names.unbind("ShowActive");
  std::string err;
  EXPECT_FALSE(Expression::compile("ShowActive").evaluate(names, &err));
  EXPECT_FALSE(names.lookup("NOPE:Field"));
}

}  // namespace
}  // namespace koreq::frame
