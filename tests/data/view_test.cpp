#include "data/view.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <set>

#include "data/company.h"
#include "data/records.h"
#include "support/backend_params.h"
#include "support/temp_dir.h"

namespace koreq::data {
namespace {

class ViewTest : public ::testing::TestWithParam<test::Backend> {
 protected:
  void SetUp() override {
    KOREQ_NEED_BACKEND(GetParam());
    backend_ = std::make_unique<test::BackendCompany>(GetParam(), tmp_ / "company");
    company_ = backend_->create();
  }
  void TearDown() override {
    company_.reset();
    backend_.reset();
  }
  void add(Access<EqHeader>& a, const char* id, const char* desc, int active) {
    a.prime();
    a.rec().EquipmentID = id;
    a.rec().Description = desc;
    a.rec().Active = static_cast<std::uint8_t>(active);
    ASSERT_EQ(a.insert(), kNoError);
  }
  std::vector<std::string> ids(View& v, Access<EqHeader>& a) {
    std::vector<std::string> out;
    v.reset();
    while (v.next() == kNoError) out.push_back(a.rec().EquipmentID);
    return out;
  }

  test::TempDir tmp_;
  std::unique_ptr<test::BackendCompany> backend_;
  std::unique_ptr<Company> company_;
  ErrorObject errors_;
};

INSTANTIATE_TEST_SUITE_P(Backends, ViewTest, test::kBackends, test::backendName);

TEST_P(ViewTest, FiltersWithBoundNamesAndRefiltersWhenTheyChange) {
  Access<EqHeader> a(company_->store(), errors_);
  add(a, "TRK-02", "Dump truck", 1);
  add(a, "CAB-01", "Cab", 0);
  add(a, "EXC-01", "Excavator", 1);

  MapResolver bound;
  bound.set("ShowActive", ExprValue::number(Decimal(1)));
  bound.set("ShowInactive", ExprValue::number(Decimal(1)));
  View v(a, *EqHeader::def().key("KeyEquipmentID"));
  std::string err;
  ASSERT_TRUE(
      v.setFilter("((ShowActive AND EQH:Active) OR (ShowInactive AND ~EQH:Active))", &bound, &err))
      << err;
  EXPECT_EQ(ids(v, a), (std::vector<std::string>{"CAB-01", "EXC-01", "TRK-02"}));

  bound.set("ShowInactive", ExprValue::number(Decimal(0)));
  EXPECT_EQ(ids(v, a), (std::vector<std::string>{"EXC-01", "TRK-02"}));
  EXPECT_EQ(v.count(), 2);

  bound.set("ShowActive", ExprValue::number(Decimal(0)));
  EXPECT_TRUE(ids(v, a).empty());  // both off: the list is empty

  v.setBackward(true);
  bound.set("ShowActive", ExprValue::number(Decimal(1)));
  EXPECT_EQ(ids(v, a), (std::vector<std::string>{"TRK-02", "EXC-01"}));
}

TEST_P(ViewTest, BadFilterIsRefusedAndUnknownNamesExcludeRows) {
  Access<EqHeader> a(company_->store(), errors_);
  add(a, "A", "x", 1);
  View v(a, EqHeader::def().primaryKey());
  std::string err;
  EXPECT_FALSE(v.setFilter("EQH:Active = (", nullptr, &err));
  EXPECT_FALSE(err.empty());
  EXPECT_EQ(ids(v, a).size(), 1u);  // a refused filter leaves the view unfiltered

  ASSERT_TRUE(v.setFilter("NoSuchName = 1", nullptr, &err));
  EXPECT_TRUE(ids(v, a).empty());
  EXPECT_NE(v.filterError().find("NoSuchName"), std::string::npos);
}

TEST_P(ViewTest, RangeAndTextComparisonIgnoreTrailingBlanks) {
  Access<EqHeader> a(company_->store(), errors_);
  add(a, "A1", "Loader", 1);
  add(a, "A2", "Loader  ", 1);
  add(a, "B1", "Truck", 1);
  View v(a, EqHeader::def().primaryKey());
  ASSERT_TRUE(v.setFilter("EQH:Description = 'Loader   '"));
  EXPECT_EQ(ids(v, a), (std::vector<std::string>{"A1", "A2"}));
  v.setFilter("");
  v.setRange({std::string("B1")});
  EXPECT_EQ(ids(v, a), (std::vector<std::string>{"B1"}));
  EXPECT_EQ(v.count(), 1);
}

// A list read in pages keeps its statement on the row it stopped at, so that the next page
// steps on; that must never hold off a change nor hide one: anything else the connection does
// finishes it, and the next page seeks from the last row read.
TEST_P(ViewTest, AListStoppedHalfwayHoldsNoChangeOffAndMissesNone) {
  Access<EqHeader> a(company_->store(), errors_);
  char id[8];
  for (int i = 0; i < 300; ++i) {
    std::snprintf(id, sizeof id, "E%03d", i);
    add(a, id, "x", 1);
  }
  Access<EqHeader> list(company_->store(), errors_);
  View v(list, *EqHeader::def().key("KeyEquipmentID"));
  v.reset();
  const std::vector<int> fields = {EqHeader::def().fieldIndex("EquipmentID")};
  std::vector<std::string> seen;
  auto readUpTo = [&](std::size_t n) {
    return v.read(&fields, [&] {
      seen.push_back(list.rec().EquipmentID);
      return seen.size() < n;
    });
  };
  EXPECT_FALSE(readUpTo(100));

  // Another workstation adds a record, then this one begins a change of its own.
  {
    auto other = backend_->otherStation();
    ErrorObject errors;
    Access<EqHeader> b(*other, errors);
    b.clear();
    b.rec().RecordID = 900;
    b.rec().EquipmentID = "Z";
    ASSERT_EQ(b.insert(), kNoError);
  }
  {
    Transaction tx(company_->store(), std::chrono::milliseconds(100));
    ASSERT_TRUE(tx.begun()) << "the list's stopped read held the change off";
    add(a, "Y", "y", 1);
    tx.commit();
  }

  EXPECT_TRUE(readUpTo(1000));
  ASSERT_EQ(seen.size(), 302u);
  EXPECT_EQ(seen[99], "E099");
  EXPECT_EQ(seen[100], "E100");
  EXPECT_EQ(seen[300], "Y");
  EXPECT_EQ(seen[301], "Z");
  EXPECT_EQ(std::set<std::string>(seen.begin(), seen.end()).size(), seen.size());
}

}  // namespace
}  // namespace koreq::data
