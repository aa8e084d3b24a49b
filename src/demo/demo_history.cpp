// The demo company's history as it happened: usage of every piece of equipment as typed, the
// services its schedules call for, fuel, repairs, insurance, licences and depreciation as the
// other modules journal them. demo_replay.cpp enters and posts it.

#include <algorithm>
#include <tuple>

#include "demo/demo_internal.h"
#include "depreciation/schedule.h"
#include "depreciation/store_schedule.h"

namespace koreq::demo::detail {

namespace {

const Decimal kMechanicRate = Decimal::fromCents(4675);
const Decimal kShopRate = Decimal::fromCents(11800);
const Decimal kOilPerQuart = Decimal::fromCents(640);

enum class Detail { Job, Account, Equipment, Maintenance };

// One piece of equipment while its history is made.
struct Run {
  const EquipmentModel* model = nullptr;
  std::size_t index = 0;
  Date from, to;  // the days it can be used (from > to: never in the history)
  Decimal meter;
  std::vector<std::pair<Date, Decimal>> timeline;  // meter after each usage entry
  Rng rng{0};

  bool alive(Date d) const { return d >= from && d <= to; }
  Decimal meterOn(Date d, Decimal initial) const {
    Decimal m = initial;
    for (const auto& [day, value] : timeline) {
      if (day > d) break;
      m = value;
    }
    return m;
  }
};

// 0 small, 1 medium, 2 large: what its services and repairs cost.
int sizeClass(const EquipmentModel& s) {
  switch (s.kind) {
    case Kind::Loader:
    case Kind::Dozer:
      return 2;
    case Kind::Excavator:
      return s.purchaseValue > 200000 ? 2 : 1;
    case Kind::Dump:
    case Kind::Roller:
    case Kind::ServiceTruck:
    case Kind::WaterTruck:
    case Kind::FuelTruck:
      return 1;
    default:
      return 0;
  }
}

Decimal dollars(int whole, int cents = 0) {
  return Decimal::fromCents(whole * 100LL + cents);
}
// Halves of a unit from lo to hi (hours are logged to the half hour).
Decimal halves(Rng& rng, int lo, int hi) {
  return Decimal::fromCents(rng.range(lo * 2, hi * 2) * 50LL);
}

std::string monthYear(Date d) {
  return longMonth(d.month()) + " " + std::to_string(d.year());
}

Journal& newJournal(Company& c, const char* id, Date date) {
  Journal j;
  j.journalId = id;
  j.date = date;
  j.seq = static_cast<int>(c.journals.size());
  c.journals.push_back(std::move(j));
  return c.journals.back();
}

data::GlTrans plainLine(std::string_view account, const char* creditDebit, Decimal amount,
                        Date date, std::string_view description) {
  data::GlTrans t;
  setText(t.AccountNumber, account);
  setText(t.CreditDebit, creditDebit);
  t.Amount = amount;
  t.TransDate = date;
  t.Description = cutToChars(description, 60);
  return t;
}

// A line on an equipment's cost category, always on its expense account (a credit there is a
// refund); its subsidiary code is the padded equipment ID followed by the category, as the
// reports read them.
data::GlTrans categoryLine(const data::EqCost& k, const char* creditDebit, Decimal quantity,
                           Decimal amount, Date date, std::string_view description) {
  data::GlTrans t = plainLine(k.ControlDebit.str(), creditDebit, amount, date, description);
  setText(t.DetailType, "Equipment");
  setText(t.SubsidiaryID, "E");
  t.SubsidiaryCode = k.EquipmentID.padded() + k.CostCategory.str();
  t.EquipmentID = k.EquipmentID;
  t.CostCategory = k.CostCategory;
  t.SubsidiaryQuantity = quantity;
  setText(t.SubsidiaryUnit, k.UnitName.str());
  return t;
}

data::EqCost& costOf(Company& c, std::string_view equipmentId, std::string_view category) {
  data::EqCost* k = c.cost(equipmentId, category);
  if (!k)
    throw std::logic_error("demo company: " + std::string(equipmentId) + " has no category " +
                           std::string(category));
  return *k;
}

// An invoice of one line for one category, posted against accounts payable.
void payable(Company& c, int vendorId, Date date, std::string_view equipmentId,
             std::string_view category, Decimal quantity, Decimal amount,
             const std::string& description) {
  data::EqCost& k = costOf(c, equipmentId, category);
  Journal& j = newJournal(c, "A/P", date);
  j.hasInvoice = true;
  j.invoice.VendorID = vendorId;
  j.invoice.InvoiceDate = date;
  j.invoice.Description = cutToChars(description, 40);
  j.invoice.Amount = amount;
  const bool credit = amount.isNegative();
  const Decimal a = credit ? -amount : amount;
  data::GlTrans cost = categoryLine(k, credit ? "C" : "D", quantity, a, date, description);
  cost.VendorID = vendorId;
  j.lines.push_back(cost);
  data::GlTrans ap = plainLine(kApAccount, credit ? "D" : "C", a, date, description);
  ap.VendorID = vendorId;
  j.lines.push_back(ap);
}

// Shop labour on a category, posted through payroll. One payroll journal per day.
void payroll(Company& c, unsigned employeeId, Date date, std::string_view equipmentId,
             std::string_view category, Decimal hours, const std::string& description) {
  data::EqCost& k = costOf(c, equipmentId, category);
  Journal* j = nullptr;
  for (auto& x : c.journals)
    if (x.journalId == "P/R" && x.date == date) j = &x;
  if (!j) j = &newJournal(c, "P/R", date);
  const Decimal amount = hours * kMechanicRate;
  data::GlTrans cost = categoryLine(k, "D", hours, amount, date, description);
  cost.EmployeeID = static_cast<std::int32_t>(employeeId);
  j->lines.push_back(cost);
  data::GlTrans wages = plainLine(kPayrollAccount, "C", amount, date, description);
  wages.EmployeeID = static_cast<std::int32_t>(employeeId);
  j->lines.push_back(wages);
}

void setRuns(Company& c, std::vector<Run>& runs) {
  const Date thisMonth = firstOfMonth(c.today);
  const auto& specs = equipmentSpecs();
  for (std::size_t i = 0; i < specs.size(); ++i) {
    const EquipmentModel& s = specs[i];
    const data::EqHeader& h = c.equipment[i];
    Run r;
    r.model = &s;
    r.index = i;
    r.rng = Rng(0xDE30C0FFEEULL + i * 7919);
    const bool boughtInside = h.PurchaseDate >= c.historyStart;
    r.from = boughtInside ? h.PurchaseDate.addDays(1) : c.historyStart;
    r.to = c.lastPosted;
    if (s.life == Life::Sold) r.to = std::min(r.to, h.SaleDate.addDays(-1));
    if (s.life == Life::Retired) {
      const Date m = thisMonth.addMonths(-s.lifeMonthsAgo);
      r.to = std::min(r.to, ymd(m.year(), m.month(), 20));
    }
    if (s.life == Life::Idle) r.to = r.from.addDays(-1);
    r.meter = boughtInside ? Decimal(s.miles ? 25 : 4) : Decimal(s.startMeter);
    // The meter it had when the history begins; posting moves it on.
    c.equipment[i].CurrentMeter = r.meter;
    runs.push_back(std::move(r));
  }
}

const JobSpec& pickJob(const Company& c, Date d, Rng& rng) {
  const Date thisMonth = firstOfMonth(c.today);
  std::vector<const JobSpec*> open;
  const JobSpec* warranty = nullptr;
  for (const auto& j : jobSpecs()) {
    const Date from = thisMonth.addMonths(-j.fromMonthsAgo);
    const Date to = j.toMonthsAgo == 0 ? c.today : lastOfMonth(thisMonth.addMonths(-j.toMonthsAgo));
    if (d < from || d > to) continue;
    if (j.excluded)
      warranty = &j;
    else
      open.push_back(&j);
  }
  if (warranty && (open.empty() || rng.chance(5))) return *warranty;
  if (open.empty()) throw std::logic_error("demo company: no job open on " + d.toIso());
  return *open[static_cast<std::size_t>(rng.range(0, static_cast<int>(open.size()) - 1))];
}

Detail pickDetail(const EquipmentModel& s, Rng& rng) {
  const int r = rng.range(0, 99);
  switch (s.kind) {
    case Kind::ServiceTruck:
      return r < 60 ? Detail::Equipment : r < 80 ? Detail::Account : Detail::Job;
    case Kind::FuelTruck:
      return r < 65 ? Detail::Equipment : Detail::Job;
    case Kind::Pickup:
      return r < 30 ? Detail::Account : Detail::Job;
    case Kind::Trailer:
    case Kind::WaterTruck:
      return r < 10 ? Detail::Account : Detail::Job;
    default:
      return r < 8 ? Detail::Maintenance : r < 15 ? Detail::Account : Detail::Job;
  }
}

std::string overheadAccount(const EquipmentModel& s, Date d, Rng& rng) {
  const bool winter = d.month() == 12 || d.month() <= 2;
  if (winter && (s.kind == Kind::Loader || s.kind == Kind::SkidSteer || s.kind == Kind::Pickup) &&
      rng.chance(60))
    return "7200";
  if (s.kind == Kind::Generator || s.kind == Kind::Lift ||
      (s.kind == Kind::Pickup && rng.chance(30)))
    return "7300";
  return "7100";
}

// One usage entry of a run on day d, charged as posting charges it.
void addEntry(Company& c, std::vector<Run>& runs, Run& r, Date d) {
  const EquipmentModel& s = *r.model;
  Rng& rng = r.rng;
  Detail detail = pickDetail(s, rng);
  TypedEntry typed;
  data::EqLogB& e = typed.entry;
  setText(e.EquipmentID, s.id);
  e.Date = d;
  e.EmployeeID = static_cast<std::uint16_t>(s.operatorId);

  // The equipment this entry is charged to, for the Equipment detail type.
  const Run* target = nullptr;
  std::string targetCategory;
  if (detail == Detail::Equipment) {
    targetCategory = s.kind == Kind::FuelTruck ? "PM-A" : "REPAIR";
    std::vector<const Run*> candidates;
    for (const auto& o : runs)
      if (&o != &r && o.alive(d) && c.cost(o.model->id, targetCategory) && !o.model->miles)
        candidates.push_back(&o);
    if (candidates.empty())
      detail = Detail::Job;
    else
      target = candidates[static_cast<std::size_t>(
          rng.range(0, static_cast<int>(candidates.size()) - 1))];
  }

  Decimal units;
  if (detail == Detail::Maintenance || detail == Detail::Equipment)
    units = halves(rng, 2, 8);
  else if (s.miles)
    units = Decimal(rng.range(s.unitsLo, s.unitsHi));
  else
    units = halves(rng, s.unitsLo, s.unitsHi);
  if (detail == Detail::Account)
    units = s.miles ? Decimal(units.toLong() / 2 + 1) : halves(rng, 2, s.unitsLo);

  const bool rental = detail == Detail::Job && s.rentalRateCents > 0 && rng.chance(22);
  setText(e.ChargeType, rental ? "R" : "I");
  e.Units = units;
  r.meter += units;
  r.timeline.emplace_back(d, r.meter);
  // Shop time is not charged: it is the non-productive use of the equipment.
  if (detail == Detail::Maintenance)
    typed.charge = TypedEntry::Charge::None;
  else if (rng.chance(6))
    typed.charge = TypedEntry::Charge::Discount;

  switch (detail) {
    case Detail::Job: {
      const JobSpec& job = pickJob(c, d, rng);
      std::string code = costCodeFor(s, rng);
      if (c.costCode(job.id, code + "E")->Inactive) code = "02-300";
      const data::JcCost* cc = c.costCode(job.id, code + "E");
      setText(e.DetailType, "Job");
      setText(e.JobID, job.id);
      // Typed without its cost type: the entry rules add the "E".
      setText(e.CostCode, code);
      e.GLAccount = cc->GLAccount;
      e.Comments = cutToChars(job.name, 20);
      e.Location = cutToChars(job.id, 5);
      break;
    }
    case Detail::Account: {
      const std::string account = overheadAccount(s, d, rng);
      setText(e.DetailType, "G/L Account");
      setText(e.GLAccount, account);
      e.Comments = cutToChars(c.account(account)->Description.str(), 20);
      setText(e.Location, "YARD");
      break;
    }
    case Detail::Equipment: {
      const data::EqCost& k = costOf(c, target->model->id, targetCategory);
      setText(e.DetailType, "Equipment");
      setText(e.EquipmentIDCharged, target->model->id);
      e.Category = k.CostCategory;
      e.GLAccount = k.ControlDebit;
      e.Comments = cutToChars(target->model->description, 20);
      setText(e.Location, "SHOP");
      if (s.kind == Kind::ServiceTruck)
        e.EmployeeID = static_cast<std::uint16_t>(rng.chance(50) ? 108 : 109);
      break;
    }
    case Detail::Maintenance: {
      const std::string category = c.cost(s.id, "PM-A") && rng.chance(50) ? "PM-A" : "REPAIR";
      const data::EqCost& k = costOf(c, s.id, category);
      setText(e.DetailType, "Maintenance");
      e.Category = k.CostCategory;
      e.GLAccount = k.ControlDebit;
      e.Comments = cutToChars(categorySpec(category).description, 20);
      setText(e.Location, "SHOP");
      e.EmployeeID = static_cast<std::uint16_t>(rng.chance(50) ? 108 : 109);
      break;
    }
  }
  c.usage.push_back(std::move(typed));
}

void addUsage(Company& c, std::vector<Run>& runs) {
  // Day by day across all equipment, so that an entry charged to another piece of equipment
  // only ever finds it in service.
  struct Next {
    Date day;
    std::size_t run;
  };
  std::vector<Next> due;
  for (auto& r : runs)
    if (r.from <= r.to)
      due.push_back({r.from.addDays(r.rng.range(0, r.model->everyDays - 1)), r.index});
  while (!due.empty()) {
    auto it = std::min_element(due.begin(), due.end(), [](const Next& a, const Next& b) {
      return std::tie(a.day, a.run) < std::tie(b.day, b.run);
    });
    Run& r = runs[it->run];
    const Date d = workday(it->day);
    if (d > r.to) {
      due.erase(it);
      continue;
    }
    addEntry(c, runs, r, d);
    const int every = r.model->everyDays;
    it->day = d.addDays(r.rng.range(std::max(1, every * 2 / 3), every * 4 / 3 + 1));
  }
}

struct Service {
  std::string category;
  Schedule schedule;
  unsigned lastMeter = 0;
  Date lastDate;
};

Date timeDue(const Service& s) {
  if (s.schedule.intervalName == "Days")
    return s.lastDate.addDays(static_cast<int>(s.schedule.interval));
  return s.lastDate.addMonths(static_cast<int>(s.schedule.interval));
}

// The cost of one service of a category, posted as the shop or its vendor would bill it.
void postService(Company& c, Run& r, const std::string& cat, Date d, Decimal meter,
                 std::map<int, std::vector<std::pair<std::size_t, Decimal>>>& oilByMonth) {
  const EquipmentModel& s = *r.model;
  Rng& rng = r.rng;
  const int sz = sizeClass(s);
  const std::string what = std::string(s.id) + " ";
  if (cat == "PM-A") {
    const Decimal hours = Decimal::fromCents((150 + sz * 100) + rng.range(0, 2) * 50LL);
    payroll(c, rng.chance(50) ? 108 : 109, d, s.id, cat, hours,
            what + "PM-A lube service at " + meter.toPlainString() + " " + usageUnit(s));
    const int quarts = (sz == 0 ? 7 : sz == 1 ? 16 : 38) + rng.range(0, 4);
    oilByMonth[d.year() * 12 + d.month()].push_back({r.index, Decimal(quarts)});
  } else if (cat == "PM-B") {
    const int base = sz == 0 ? 420 : sz == 1 ? 1150 : 2450;
    payable(c, 1003, d, s.id, cat, Decimal(1), dollars(base + rng.range(0, 300), rng.range(0, 99)),
            what + "PM-B major service");
  } else if (cat == "HYDR") {
    const int base = sz == 0 ? 850 : sz == 1 ? 1600 : 3200;
    payable(c, 1006, d, s.id, cat, Decimal(1), dollars(base + rng.range(0, 400), rng.range(0, 99)),
            what + "hydraulic service, filters and hoses");
  } else if (cat == "INSPECT") {
    const int fee = s.kind == Kind::Lift ? 275 : s.kind == Kind::Trailer ? 95 : 165;
    payable(c, 1007, d, s.id, cat, Decimal(1), dollars(fee),
            what + (s.kind == Kind::Lift ? "quarterly lift inspection" : "annual DOT inspection"));
  } else if (cat == "INSUR") {
    const int premium = std::max(250, s.purchaseValue * 16 / 1000);
    payable(c, 1004, d, s.id, cat, Decimal(1), dollars(premium),
            what + "insurance renewal " + std::to_string(d.year()));
  } else if (cat == "LICENSE") {
    int fee = 680;
    if (s.kind == Kind::Pickup)
      fee = 185;
    else if (s.kind == Kind::Dump)
      fee = 1450;
    else if (s.kind == Kind::Trailer)
      fee = s.purchaseValue > 50000 ? 340 : 75;
    payable(c, 1005, d, s.id, cat, Decimal(1), dollars(fee),
            what + "registration " + std::to_string(d.year()));
  } else if (cat == "TIRES") {
    int count = 6, price = 590;
    switch (s.kind) {
      case Kind::Pickup:
        count = 4;
        price = 235;
        break;
      case Kind::Dump:
        count = 6;
        price = 610;
        break;
      case Kind::Loader:
        count = 2;
        price = 2150;
        break;
      case Kind::SkidSteer:
        count = 4;
        price = 340;
        break;
      case Kind::Trailer:
        count = s.purchaseValue > 50000 ? 8 : 4;
        price = s.purchaseValue > 50000 ? 390 : 280;
        break;
      default:
        break;
    }
    payable(c, 1002, d, s.id, cat, Decimal(count), dollars(count * price),
            what + std::to_string(count) + " tires mounted");
  }
}

void addServices(Company& c, std::vector<Run>& runs) {
  std::map<int, std::vector<std::pair<std::size_t, Decimal>>> oilByMonth;
  for (auto& r : runs) {
    const EquipmentModel& s = *r.model;
    Rng& rng = r.rng;
    const data::EqHeader& h = c.equipment[r.index];
    const bool boughtInside = h.PurchaseDate >= c.historyStart;
    const Decimal initial = boughtInside ? Decimal(s.miles ? 25 : 4) : Decimal(s.startMeter);
    const Date start = boughtInside ? h.PurchaseDate : c.historyStart;

    std::vector<Service> services;
    for (auto& k : c.costs) {
      if (k.EquipmentID != s.id) continue;
      Service sv;
      sv.category = k.CostCategory.str();
      sv.schedule = scheduleOf(s, categorySpec(sv.category));
      if (sv.schedule.type == "N") continue;
      sv.lastMeter = static_cast<unsigned>(initial.toLong());
      sv.lastDate = start;
      if (!boughtInside) {
        if (sv.schedule.meter > 0)
          sv.lastMeter = static_cast<unsigned>(std::max<std::int64_t>(
              0, initial.toLong() -
                     static_cast<std::int64_t>(sv.schedule.meter) * rng.range(10, 90) / 100));
        if (sv.category == "INSUR" || sv.category == "LICENSE") {
          // Renewed on the anniversary of the purchase.
          Date d = h.PurchaseDate;
          for (int k2 = 1; h.PurchaseDate.addMonths(12 * k2) <= start; ++k2)
            d = h.PurchaseDate.addMonths(12 * k2);
          sv.lastDate = d;
        } else if (sv.schedule.intervalName == "Days") {
          sv.lastDate = start.addDays(-rng.range(5, static_cast<int>(sv.schedule.interval) - 5));
        } else if (sv.schedule.intervalName == "Months") {
          sv.lastDate = start.addDays(-rng.range(10, static_cast<int>(sv.schedule.interval) * 28));
        } else {
          sv.lastDate = start.addDays(-rng.range(10, 150));
        }
        // Still on the tyres (or the service) it was bought with.
        if (sv.schedule.meter > 0 && sv.lastMeter == 0) sv.lastDate = h.PurchaseDate;
      }
      services.push_back(sv);
    }

    auto skipped = [&](const Service& sv, Date d) {
      // Neglected equipment: its last services before today were never done.
      if (!s.neglected) return false;
      if (sv.category == "PM-A" || sv.category == "PM-B") return d > r.to.addDays(-270);
      if (sv.category == "INSPECT") return d > r.to.addDays(-100);
      return false;
    };

    if (r.from <= r.to) {
      // Meter-driven services: the working day after the usage that brought them due.
      for (const auto& [day, meter] : r.timeline) {
        for (auto& sv : services) {
          bool due = false;
          const bool byMeter = sv.schedule.type == "M" || sv.schedule.type == "B";
          if (byMeter &&
              meter.toLong() >= static_cast<std::int64_t>(sv.lastMeter) + sv.schedule.meter)
            due = true;
          if (sv.schedule.type == "B" && day >= timeDue(sv)) due = true;
          if (!due) continue;
          const Date d = workday(day.addDays(1));
          if (d > r.to || skipped(sv, d)) continue;
          postService(c, r, sv.category, d, meter, oilByMonth);
          sv.lastMeter = static_cast<unsigned>(meter.toLong());
          sv.lastDate = d;
        }
      }
      // Calendar-driven services: renewals and inspections on their day.
      for (auto& sv : services) {
        if (sv.schedule.type != "E" || sv.schedule.interval == 0) continue;
        for (Date next = timeDue(sv); next <= r.to; next = timeDue(sv)) {
          const Date d = workday(next);
          if (d > r.to || skipped(sv, d)) break;
          if (d < r.from) {
            sv.lastDate = d;
            continue;
          }
          const Decimal meter = r.meterOn(d, initial);
          postService(c, r, sv.category, d, meter, oilByMonth);
          sv.lastMeter = static_cast<unsigned>(meter.toLong());
          sv.lastDate = d;
        }
      }
    }
    for (const auto& sv : services) {
      data::EqCost& k = costOf(c, s.id, sv.category);
      k.LastServiceMeter = sv.lastMeter;
      k.LastServiceDate = sv.lastDate;
    }

    if (r.from > r.to) continue;
    // Unscheduled repairs, about one month in seven for machines, less for the rest; the
    // bigger the machine, the bigger the bill.
    const int sz = sizeClass(s);
    const int chance = s.kind == Kind::Trailer || s.kind == Kind::Pickup ? 7 : 14;
    for (Date m = firstOfMonth(r.from); m <= r.to; m = m.addMonths(1)) {
      if (!rng.chance(chance)) continue;
      const Date d = workday(m.addDays(rng.range(0, 27)));
      if (d < r.from || d > r.to) continue;
      const Decimal meter = r.meterOn(d, initial);
      if (rng.chance(50)) {
        const int hours = rng.range(1 + sz, 4 + sz * 4);
        const int parts = rng.range(60 + sz * 120, 600 + sz * 1450);
        payable(c, 1003, d, s.id, "REPAIR", Decimal(hours),
                kShopRate * hours + dollars(parts, rng.range(0, 99)),
                std::string(s.id) + " repair, " + std::to_string(hours) + " shop hours and parts");
      } else {
        payroll(c, rng.chance(50) ? 108 : 109, d, s.id, "REPAIR", halves(rng, 1 + sz, 4 + sz * 2),
                std::string(s.id) + " field repair");
      }
      data::EqCost& k = costOf(c, s.id, "REPAIR");
      k.LastServiceMeter = static_cast<unsigned>(meter.toLong());
      k.LastServiceDate = d;
    }
    // Tracks and rollers once in the history.
    const int span = r.to.day() - r.from.day();
    if (s.tracked && span > 120) {
      const Date d = workday(r.from.addDays(rng.range(60, span - 30)));
      if (d <= r.to) {
        const int price = s.kind == Kind::Dozer     ? 16800
                          : sizeClass(s) == 2       ? 12400
                          : s.purchaseValue > 90000 ? 4200
                                                    : 3600;
        payable(c, 1008, d, s.id, "UNDERCAR", Decimal(1), dollars(price + rng.range(0, 900)),
                std::string(s.id) + " track chains, rollers and idlers");
        data::EqCost& k = costOf(c, s.id, "UNDERCAR");
        k.LastServiceMeter = static_cast<unsigned>(r.meterOn(d, initial).toLong());
        k.LastServiceDate = d;
      }
    }
  }

  // A warranty credit from the repair shop, so that the reports show a cost credit.
  for (const auto& r : runs) {
    if (std::string_view(r.model->id) != "EX-302" || r.from > r.to) continue;
    const Date d = workday(r.from.addDays((r.to.day() - r.from.day()) / 2));
    payable(c, 1003, d, r.model->id, "REPAIR", Decimal(), -dollars(640),
            "EX-302 warranty credit, swing motor seals");
  }

  // Fuel and oil: one statement a month from the fuel supplier.
  for (Date m = firstOfMonth(c.historyStart); m <= c.lastPosted; m = m.addMonths(1)) {
    const Date date = std::min(lastOfMonth(m), c.lastPosted);
    const int key = m.year() * 12 + m.month();
    const Decimal price = Decimal::fromCents(359 + (key * 37) % 61 - 30);
    Journal j;
    j.journalId = "A/P";
    j.date = date;
    j.hasInvoice = true;
    j.invoice.VendorID = 1001;
    j.invoice.InvoiceDate = date;
    setText(j.invoice.Description, "Fuel and oil, " + monthYear(m));
    Decimal total;
    for (const auto& r : runs) {
      const EquipmentModel& s = *r.model;
      if (!c.cost(s.id, "FUEL")) continue;
      Decimal units;
      for (const auto& [e, charge] : c.usage)
        if (e.EquipmentID == s.id && e.Date >= m && e.Date <= date) units += e.Units;
      if (units.isZero()) continue;
      const Decimal gallons = units * Decimal::fromCents(s.fuelCentsPerUnit);
      const Decimal amount = gallons * price;
      data::GlTrans t =
          categoryLine(costOf(c, s.id, "FUEL"), "D", gallons, amount, date,
                       std::string(s.id) + " fuel " + monthYear(m) + " @ " + price.toString());
      t.VendorID = 1001;
      j.lines.push_back(t);
      total += amount;
    }
    for (const auto& [run, quarts] : oilByMonth[key]) {
      const EquipmentModel& s = *runs[run].model;
      const Decimal amount = quarts * kOilPerQuart;
      data::GlTrans t = categoryLine(costOf(c, s.id, "OIL"), "D", quarts, amount, date,
                                     std::string(s.id) + " engine oil at PM-A service");
      t.VendorID = 1001;
      j.lines.push_back(t);
      total += amount;
    }
    if (j.lines.empty()) continue;
    data::GlTrans ap = plainLine(kApAccount, "C", total, date, j.invoice.Description.str());
    ap.VendorID = 1001;
    j.lines.push_back(ap);
    j.invoice.Amount = total;
    j.seq = static_cast<int>(c.journals.size());
    c.journals.push_back(std::move(j));
  }
}

}  // namespace

Date usagePostingDate(Date entry, Date lastPosted) {
  const Date monday = entry.addDays(-((entry.dayOfWeek() + 6) % 7));
  return std::min(monday.addDays(4), lastPosted);
}

std::optional<Decimal> postedDepreciation(const Company& c, const data::EqHeader& h, Date month) {
  const auto eq = c.depreciation.find(h.EquipmentID.str());
  if (eq == c.depreciation.end()) return std::nullopt;
  const auto charge = eq->second.find(firstOfMonth(month));
  if (charge == eq->second.end()) return std::nullopt;
  return charge->second;
}

namespace {

// The month's charge of the method the equipment uses. Nobody has keyed in a custom schedule,
// so the custom method is charged on the straight line.
Decimal methodCharge(const data::EqHeader& h, const depreciation::MonthCharges& m) {
  switch (h.DepreciationMethod) {
    case 2:
      return m.sy.amount;
    case 3:
      return m.ddb.amount;
    default:
      return m.sl.amount;
  }
}

// Each asset's schedule, as its Calculate Schedule button computes it; the months closed
// inside the history are charged through the general journal, one journal a month.
void addDepreciation(Company& c) {
  for (const data::EqHeader& h : c.equipment) {
    if (h.PurchaseValue == Decimal() || h.DepreciationYears <= 0) continue;
    // Equipment retired without a sale is no longer depreciated.
    if (!h.Active && h.SaleDate.isEmpty()) continue;
    for (const auto& row : depreciation::calculateSchedule(depreciation::scheduleInput(h))) {
      const Date m = firstOfMonth(row.date);
      if (m < firstOfMonth(c.historyStart) || lastOfMonth(m) > c.lastPosted) continue;
      if (!h.SaleDate.isEmpty() && m >= firstOfMonth(h.SaleDate)) continue;
      const Decimal amount = methodCharge(h, row.charges);
      if (amount.isZero()) continue;
      c.depreciation[h.EquipmentID.str()][m] = amount;
    }
  }
  for (Date m = firstOfMonth(c.historyStart); lastOfMonth(m) <= c.lastPosted; m = m.addMonths(1)) {
    const Date date = lastOfMonth(m);
    Journal* j = nullptr;
    for (const data::EqHeader& h : c.equipment) {
      const std::optional<Decimal> posted = postedDepreciation(c, h, m);
      if (!posted) continue;
      const Decimal amount = *posted;
      const data::EqCost& k = costOf(c, h.EquipmentID.str(), "DEPREC");
      if (!j) j = &newJournal(c, "G/J", date);
      const std::string text = h.EquipmentID.str() + " depreciation " + monthYear(m);
      j->lines.push_back(categoryLine(k, "D", Decimal(1), amount, date, text));
      data::GlTrans credit = plainLine(k.ControlCredit.str(), "C", amount, date, text);
      credit.EquipmentID = h.EquipmentID;
      j->lines.push_back(credit);
    }
  }
}

// Orders the journals by date, numbers them per journal and their invoices per vendor, and
// fills in what their module writes on every line; the record and group numbers are the
// ledger's when they are written.
void numberJournals(Company& c) {
  std::stable_sort(c.journals.begin(), c.journals.end(), [](const Journal& a, const Journal& b) {
    return std::tie(a.date, a.seq) < std::tie(b.date, b.seq);
  });
  std::map<std::string, int> nextNumber = {{"A/P", 4001}, {"G/J", 1001}, {"P/R", 2001}};
  std::map<int, int> invoiceCount;
  static const std::map<int, std::string> prefix = {{1001, "TCF-"}, {1002, "ST"},  {1003, "VER-"},
                                                    {1004, "HIA-"}, {1005, ""},    {1006, "WH"},
                                                    {1007, "CLI-"}, {1008, "TRS-"}};
  for (auto& j : c.journals) {
    const int number = nextNumber[j.journalId]++;
    if (j.hasInvoice) {
      j.invoice.InvoiceID = static_cast<std::uint32_t>(c.invoices.size() + 1);
      const int v = j.invoice.VendorID;
      const int n = ++invoiceCount[v];
      // The registry's receipts carry no number.
      if (v != 1005) {
        const bool creditMemo = j.invoice.Amount.isNegative();
        setText(j.invoice.InvoiceNumber, (creditMemo ? "CM-" : prefix.at(v)) +
                                             std::to_string(10000 + v % 100 * 1000 + n * 7));
      }
      c.invoices.push_back(j.invoice);
    }
    short line = 0;
    for (auto& t : j.lines) {
      const Period* p = c.periodOf(t.TransDate);
      if (!p)
        throw std::logic_error("demo company: a posting outside the fiscal periods on " +
                               t.TransDate.toIso());
      t.FiscalPeriod = static_cast<std::uint16_t>(p->number);
      t.FiscalPeriodLabel = c.fiscal[static_cast<std::size_t>(p->number - 1)].Label;
      setText(t.JournalID, j.journalId);
      t.JournalNo = number;
      t.LineNo = ++line;
      t.Posted = 1;
      t.PostingDate = j.date;
      t.PostingTime = Time::fromHms(9, 15);
      setText(t.UserID, "ADM");
      if (j.hasInvoice) t.APInvoiceID = j.invoice.InvoiceID;
    }
  }
}

// Meter at the start of the history, location and average use of each piece of equipment.
// Posting moves the meter on and sums the totals.
void finishEquipment(Company& c, const std::vector<Run>& runs) {
  for (const auto& r : runs) {
    data::EqHeader& h = c.equipment[r.index];
    std::int64_t total = 0;
    Date first, last;
    std::string lastJob;
    Date lastJobDay;
    for (const auto& [e, charge] : c.usage) {
      if (e.EquipmentID != h.EquipmentID) continue;
      // Whole units, as the average's own recalculation counts them.
      total = (Decimal(total) + e.Units).toLong();
      if (first.isEmpty() || e.Date < first) first = e.Date;
      if (last.isEmpty() || e.Date > last) last = e.Date;
      if (e.DetailType == "Job") {
        lastJob = e.JobID.str();
        lastJobDay = e.Date;
      }
    }
    if (!first.isEmpty())
      h.UnitsPerDay =
          first == last ? Decimal(total) : Decimal(total) / Decimal(last.day() - first.day());
    if (r.model->life == Life::Sold)
      h.Location = "";
    else if (r.model->life == Life::Retired)
      setText(h.Location, "BONEYARD");
    else if (!lastJob.empty() && lastJobDay >= c.lastPosted.addDays(-30))
      setText(h.Location, lastJob);
    else
      setText(h.Location,
              r.model->kind == Kind::ServiceTruck || r.model->life == Life::Idle ? "SHOP" : "YARD");
  }
}

}  // namespace

void buildHistory(Company& c) {
  std::vector<Run> runs;
  setRuns(c, runs);
  addUsage(c, runs);
  std::stable_sort(c.usage.begin(), c.usage.end(), [](const TypedEntry& a, const TypedEntry& b) {
    return std::tie(a.entry.Date, a.entry.EquipmentID) <
           std::tie(b.entry.Date, b.entry.EquipmentID);
  });
  addServices(c, runs);
  addDepreciation(c);
  numberJournals(c);
  finishEquipment(c, runs);
}

}  // namespace koreq::demo::detail
