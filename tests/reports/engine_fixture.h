#pragma once

// A fresh company with ways to add the records the report engine reads.

#include <gtest/gtest.h>

#include <string>

#include "data/access.h"
#include "data/records.h"
#include "support/company_fixture.h"

namespace koreq::reports::test {

class ReportEngineTest : public fixture::CompanyTest {
 protected:
  template <typename R>
  void add(const R& r) {
    data::Access<R> a(ctx().store(), ctx().errors());
    a.rec() = r;
    ASSERT_EQ(a.insert(), data::kNoError) << a.lastErrorText();
  }

  void equipment(const char* id, const char* cls = "", bool active = true, const char* ud1 = "") {
    data::EqHeader e;
    e.RecordID = ++ids_;
    e.EquipmentID = id;
    e.ClassCode = cls;
    e.Active = active ? 1 : 0;
    e.UD1 = ud1;
    add(e);
  }

  data::EqCost category(const char* id, const char* category) {
    data::EqCost c;
    c.PrimaryRecordID = ++ids_;
    c.EquipmentID = id;
    c.CostCategory = category;
    c.RecordID = c.EquipmentID.padded() + category;
    return c;
  }

  int ids_ = 0;
};

}  // namespace koreq::reports::test
