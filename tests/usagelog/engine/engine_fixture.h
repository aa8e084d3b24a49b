#pragma once

// A small company to post in: two years of monthly periods (2023 locked, February 2024
// closed), income, expense and job accounts, two pieces of equipment with categories, a job
// with an active and an inactive cost code, three users. Today is 20 March 2024, signed on
// as ABC.

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>
#include <vector>

#include "data/records.h"
#include "support/company_fixture.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::usagelog::test {

inline Date ymd(int y, int m, int d) {
  return *Date::fromYmd(y, m, d);
}
inline Decimal money(const char* text) {
  return *Decimal::parse(text);
}

template <typename R>
std::vector<R> all(data::Store& store) {
  std::vector<R> out;
  for (auto& s : detail::readWhere<R>(store, R::def().primaryKey().name.c_str(), {}))
    out.push_back(s.rec);
  return out;
}

template <typename R>
void add(frame::Context& ctx, R rec) {
  auto& a = ctx.access<R>();
  ASSERT_EQ(a.prime(), data::kNoError);
  // A record number the test chose is kept; otherwise the primed one is used.
  const auto& def = R::def();
  if (def.autoField >= 0) {
    const auto& f = def.fields[static_cast<std::size_t>(def.autoField)];
    if (std::get<std::int64_t>(f.get(&rec)) == 0) f.set(&rec, a.get(f.name), nullptr);
  }
  a.rec() = rec;
  ASSERT_EQ(a.insert(), data::kNoError);
}

class PostingCompany : public fixture::CompanyTest {
 protected:
  void SetUp() override {
    clock_.set(ymd(2024, 3, 20), Time::fromHms(16, 45));
    CompanyTest::SetUp();
    frame::Context& c = ctx();
    static const char* const kMonths[] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    for (int i = 0; i < 24; ++i) {
      const int year = 2023 + i / 12, month = i % 12 + 1;
      data::GlFiscal f;
      f.FiscalPeriod = static_cast<std::uint16_t>(i + 1);
      f.Description = std::string(kMonths[month - 1]) + " " + std::to_string(year);
      f.Status = year == 2023 ? "L" : (month == 2 ? "C" : "");
      f.PeriodDate = ymd(year, month, Date::daysInMonth(year, month));
      f.FiscalYear = static_cast<std::uint16_t>(year);
      char label[8];
      std::snprintf(label, sizeof label, "%02d/%02d", month, year % 100);
      f.Label = label;
      add(c, f);
    }
    for (auto [acct, text, inactive] :
         std::vector<std::tuple<const char*, const char*, int>>{{"4100", "Internal income", 0},
                                                                {"4110", "EX-1 income", 0},
                                                                {"4200", "Rental income", 0},
                                                                {"5100", "Job equipment cost", 0},
                                                                {"6100", "Repairs", 0},
                                                                {"6200", "Preventive maint.", 0},
                                                                {"7100", "Yard overhead", 0},
                                                                {"3900", "Current earnings", 0},
                                                                {"7999", "Old overhead", 1}}) {
      data::GlMaster a;
      a.Account = acct;
      a.Description = text;
      a.Inactive = static_cast<std::uint8_t>(inactive);
      add(c, a);
    }
    data::Systems sys;
    sys.RecordID = 1;
    sys.CostCodeLength = 6;
    sys.CurrentEarnings = "3900";
    sys.DefaultExpenseAccount = "7100";
    sys.DefaultInternalIncomeAccount = "4100";
    sys.DefaultRentalIncomeAccount = "4200";
    add(c, sys);
    data::Control control;
    control.RecordID = 1;
    control.CurrentFiscalPeriod = 15;
    add(c, control);

    equipment("EX-1", "Excavator", "100.00", "150.00", "1000.00", "4110");
    equipment("DT-2", "Dump truck", "80.00", "0.00", "52000.00", "");
    category("EX-1", "PM-A", "6200", "HRS");
    category("DT-2", "REPAIR", "6100", "HRS");
    data::EqCode code;
    code.CategoryID = "REPAIR";
    code.DefaultExpenseControl = "6100";
    add(c, code);

    data::JcHeader job;
    job.JobID = "2144";
    job.Name = "Treatment Plant";
    job.Active = 1;
    add(c, job);
    costCode("02-200", "Excavation", "5100", false);
    costCode("02-900", "Old phase", "5100", true);

    user("ABC", "Ann", "Baker", true);
    user("XYZ", "Xavier", "Young", true);
    user("NOP", "Nora", "Pike", false);
  }

  void equipment(const char* id, const char* description, const char* internal, const char* rental,
                 const char* meter, const char* income) {
    data::EqHeader h;
    h.EquipmentID = id;
    h.Description = description;
    h.Active = 1;
    h.UsageUnit = "HRS";
    h.BillingUnit = "DAY";
    h.InternalBillingRate = money(internal);
    h.RentalBillingRate = money(rental);
    h.CurrentMeter = money(meter);
    h.InternalIncomeControl = income;
    add(ctx(), h);
  }
  void category(const char* id, const char* cat, const char* expense, const char* unit) {
    data::EqCost k;
    k.EquipmentID = id;
    k.CostCategory = cat;
    k.RecordID = padRight(id, 10) + cat;
    k.ControlDebit = expense;
    k.UnitName = unit;
    add(ctx(), k);
  }
  void costCode(const char* code, const char* description, const char* account, bool inactive) {
    data::JcCost cc;
    cc.JobID = "2144";
    cc.CostCode = code;
    cc.CostType = "E";
    cc.EntryMask = std::string(code) + "E";
    cc.Description = description;
    cc.GLAccount = account;
    cc.Inactive = inactive ? 1 : 0;
    add(ctx(), cc);
  }
  void user(const char* id, const char* first, const char* last, bool post) {
    data::UserFile u;
    u.UserID = id;
    u.FirstName = first;
    u.LastName = last;
    u.PostEquipmentLogs = post ? 1 : 0;
    add(ctx(), u);
  }

  data::EqBatch batch(std::uint16_t id, std::int32_t sortId, const char* owner = "ABC",
                      std::uint8_t secure = 0) {
    data::EqBatch b;
    b.BatchID = id;
    b.SortID = sortId;
    b.UserID = owner;
    b.Description = "Batch " + std::to_string(id);
    b.Secure = secure;
    add(ctx(), b);
    return b;
  }
  void saveBatch(const data::EqBatch& b) {
    auto rows = detail::readWhere<data::EqBatch>(store(), "KeyBatchID", {std::int64_t{b.BatchID}});
    ASSERT_EQ(rows.size(), 1u);
    store().update(data::EqBatch::def(), rows.front().rowId, detail::rowOf(b));
  }

  // An entry of `units` at the equipment's rate for its charge type, meters from `start`.
  data::EqLogB entry(std::uint16_t batchId, const char* equipment, Date date, const char* units,
                     const char* detail, const char* charge = "I") {
    data::EqLogB e;
    e.BatchID = batchId;
    e.EquipmentID = equipment;
    e.Date = date;
    e.Units = money(units);
    e.StartMeter = money("1000.00");
    e.EndMeter = e.StartMeter + e.Units;
    e.ChargeType = charge;
    const Decimal rate = std::string(equipment) == "EX-1"
                             ? money(std::string(charge) == "R" ? "150.00" : "100.00")
                             : money("80.00");
    e.GrossAmount = e.Units * rate;
    e.AdjustedAmount = e.GrossAmount;
    e.DetailType = detail;
    e.Comments = std::string(detail) + " use";
    e.EmployeeID = 7;
    return e;
  }
  std::int32_t save(data::EqLogB e) {
    auto& a = ctx().access<data::EqLogB>();
    EXPECT_EQ(a.prime(), data::kNoError);
    e.LogID = a.rec().LogID;
    a.rec() = e;
    EXPECT_EQ(a.insert(), data::kNoError);
    return e.LogID;
  }

  data::Store& store() { return session().store(); }
  data::EqHeader header(const char* id) {
    return detail::readWhere<data::EqHeader>(store(), "KeyEquipmentID", {std::string(id)}, 1)
        .front()
        .rec;
  }
};

}  // namespace koreq::usagelog::test
