// The demo company's settings and master files: periods, chart of accounts, company records,
// categories, equipment, jobs, employees, users and vendors.

#include <algorithm>

#include "demo/demo_internal.h"

namespace koreq::demo::detail {

std::uint64_t Rng::next() {
  s_ += 0x9E3779B97F4A7C15ULL;
  std::uint64_t z = s_;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

int Rng::range(int lo, int hi) {
  if (hi <= lo) return lo;
  return lo + static_cast<int>(next() % static_cast<std::uint64_t>(hi - lo + 1));
}

Date ymd(int year, int month, int day) {
  auto d = Date::fromYmd(year, month, day);
  if (!d)
    throw std::logic_error("demo company: no date " + std::to_string(year) + "-" +
                           std::to_string(month) + "-" + std::to_string(day));
  return *d;
}

Date firstOfMonth(Date d) {
  return ymd(d.year(), d.month(), 1);
}
Date lastOfMonth(Date d) {
  return ymd(d.year(), d.month(), Date::daysInMonth(d.year(), d.month()));
}

Date workday(Date d) {
  switch (d.dayOfWeek()) {
    case 6:
      return d.addDays(2);
    case 0:
      return d.addDays(1);
    default:
      return d;
  }
}

std::string longMonth(int month) {
  static const char* names[] = {"January",   "February", "March",    "April",
                                "May",       "June",     "July",     "August",
                                "September", "October",  "November", "December"};
  return names[month - 1];
}

const Period* Company::periodOf(Date d) const {
  for (const auto& p : periods)
    if (d >= p.first && d <= p.last) return &p;
  return nullptr;
}

const EquipmentModel& Company::model(std::string_view equipmentId) const {
  for (const auto& s : equipmentSpecs())
    if (equipmentId == s.id) return s;
  throw std::logic_error("demo company: no equipment " + std::string(equipmentId));
}

data::EqHeader& Company::header(std::string_view equipmentId) {
  for (auto& h : equipment)
    if (h.EquipmentID == equipmentId) return h;
  throw std::logic_error("demo company: no equipment " + std::string(equipmentId));
}

data::EqCost* Company::cost(std::string_view equipmentId, std::string_view category) {
  for (auto& c : costs)
    if (c.EquipmentID == equipmentId && c.CostCategory == category) return &c;
  return nullptr;
}

const data::JcCost* Company::costCode(std::string_view jobId, std::string_view entryMask) const {
  for (const auto& c : costCodes)
    if (c.JobID == jobId && c.EntryMask == entryMask) return &c;
  return nullptr;
}

const data::GlMaster* Company::account(std::string_view number) const {
  for (const auto& a : accounts)
    if (a.Account == number) return &a;
  return nullptr;
}

namespace {

void addPeriods(Company& c) {
  c.olderYear = c.today.year() - 1;
  c.currentYear = c.today.year();
  for (int y : {c.olderYear, c.currentYear}) {
    for (int m = 1; m <= 12; ++m) {
      Period p;
      p.number = (y - c.olderYear) * 12 + m;
      p.year = y;
      p.month = m;
      p.first = ymd(y, m, 1);
      p.last = lastOfMonth(p.first);
      c.periods.push_back(p);
    }
  }
  c.currentPeriod = c.periodOf(c.today)->number;
  for (const auto& p : c.periods) {
    data::GlFiscal f;
    f.FiscalPeriod = static_cast<std::uint16_t>(p.number);
    setText(f.Description, longMonth(p.month) + " " + std::to_string(p.year));
    // The older year is locked; the month before the current one has been closed.
    if (p.number == c.currentPeriod - 1)
      f.Status = "C";
    else if (p.year == c.olderYear)
      f.Status = "L";
    f.PeriodDate = p.last;
    f.FiscalYear = static_cast<std::uint16_t>(p.year);
    char label[8];
    std::snprintf(label, sizeof label, "%02d/%02d", p.month, p.year % 100);
    setText(f.Label, label);
    c.fiscal.push_back(f);
  }
}

void addAccounts(Company& c) {
  struct A {
    const char* number;
    const char* description;
    const char* type;
    const char* normal;
  };
  static const A accounts[] = {
      {"1000", "Cash - Operating", "A", "D"},
      {"1010", "Cash - Payroll", "A", "D"},
      {"1100", "Accounts Receivable", "A", "D"},
      {"1150", "Retention Receivable", "A", "D"},
      {"1310", "Labor Costs on Open Jobs", "A", "D"},
      {"1320", "Material Costs on Open Jobs", "A", "D"},
      {"1330", "Subcontract Costs on Open Jobs", "A", "D"},
      {"1340", "Equipment Costs on Open Jobs", "A", "D"},
      {"1350", "General Costs on Open Jobs", "A", "D"},
      {"1360", "Burden Costs on Open Jobs", "A", "D"},
      {"1390", "Job Income on Open Jobs", "A", "C"},
      {"1400", "Prepaid Insurance", "A", "D"},
      {"1510", "Vehicles & Trucks", "A", "D"},
      {"1520", "Heavy Equipment", "A", "D"},
      {"1530", "Small Equipment & Tools", "A", "D"},
      {"1540", "Trailers", "A", "D"},
      {"1610", "Accum. Depreciation - Vehicles", "A", "C"},
      {"1620", "Accum. Depreciation - Heavy Equipment", "A", "C"},
      {"1630", "Accum. Depreciation - Small Equipment", "A", "C"},
      {"1640", "Accum. Depreciation - Trailers", "A", "C"},
      {"2000", "Accounts Payable", "L", "C"},
      {"2010", "Subcontracts Payable", "L", "C"},
      {"2020", "Retention Payable", "L", "C"},
      {"2100", "Accrued Payroll", "L", "C"},
      {"2200", "Notes Payable - Equipment", "L", "C"},
      {"3000", "Common Stock", "C", "C"},
      {"3100", "Retained Earnings", "C", "C"},
      {"3900", "Current Earnings", "C", "C"},
      {"4000", "Contract Revenue", "I", "C"},
      {"4500", "Equipment Rental Income", "I", "C"},
      {"4600", "Internal Equipment Income", "I", "C"},
      {"4610", "Internal Equipment Income - Trucks", "I", "C"},
      {"4700", "Gain on Sale of Equipment", "I", "C"},
      {"6100", "Equipment Fuel", "E", "D"},
      {"6110", "Equipment Oil & Lubricants", "E", "D"},
      {"6120", "Equipment Tires", "E", "D"},
      {"6130", "Equipment Repairs", "E", "D"},
      {"6140", "Equipment Insurance", "E", "D"},
      {"6150", "Equipment Licenses & Permits", "E", "D"},
      {"6160", "Preventive Maintenance", "E", "D"},
      {"6170", "Depreciation Expense", "E", "D"},
      {"6180", "Hydraulic Repairs", "E", "D"},
      {"6190", "Equipment Inspections", "E", "D"},
      {"6195", "Undercarriage Repairs", "E", "D"},
      {"7100", "Shop & Yard Expense", "E", "D"},
      {"7200", "Snow Removal", "E", "D"},
      {"7300", "Building & Grounds Maintenance", "E", "D"},
      {"7400", "Office Expense", "E", "D"},
      {"7900", "Miscellaneous Expense (old)", "E", "D"},
  };
  for (const auto& a : accounts) {
    data::GlMaster m;
    setText(m.Account, a.number);
    setText(m.Description, a.description);
    setText(m.Type, a.type);
    setText(m.NormalBalance, a.normal);
    m.Inactive = std::string_view(a.number) == "7900" ? 1 : 0;
    c.accounts.push_back(m);
  }
}

void addSettings(Company& c) {
  data::Systems& s = c.systems;
  setText(s.CompanyName, kCompanyName);
  s.JobIDLength = kJobIdLength;
  s.CostCodeLength = kCostCodeLength;
  s.AccountsPayable = kApAccount;
  s.SubcontractsPayable = "2010";
  s.RetentionPayable = "2020";
  s.AccountsReceivable = "1100";
  s.RetentionReceivable = "1150";
  s.LaborCostsOnOpenJobs = "1310";
  s.MaterialCostsOnOpenJobs = "1320";
  s.SubcontractCostsOnOpenJobs = "1330";
  s.EquipmentCostsOnOpenJobs = kJobEquipmentAccount;
  s.GeneralCostsOnOpenJobs = "1350";
  s.BurdenCostsOnOpenJobs = "1360";
  s.JobIncomeOnOpenJobs = "1390";
  s.CurrentEarnings = "3900";
  s.DefaultExpenseAccount = "6130";
  s.DefaultInternalIncomeAccount = "4600";
  s.DefaultRentalIncomeAccount = kRentalIncomeAccount;

  setText(c.control.SystemPassword, kSystemPassword);
  c.control.CurrentFiscalPeriod = static_cast<std::uint16_t>(c.currentPeriod);
  c.control.LogUserActivity = 2;
}

void addCategories(Company& c) {
  for (const auto& s : categorySpecs()) {
    data::EqCode d;
    setText(d.CategoryID, s.id);
    setText(d.Description, s.description);
    setText(d.DefaultExpenseControl, s.expense);
    setText(d.DefaultContraExpenseControl, s.contra);
    setText(d.DefaultUnit, s.unit);
    setText(d.ScheduleType, s.scheduleType);
    setText(d.MeterName, s.meterName);
    d.Meter = s.meter;
    setText(d.IntervalName, s.intervalName);
    d.Interval = s.interval;
    c.codes.push_back(d);
  }
}

void addEquipment(Company& c) {
  const Date thisMonth = firstOfMonth(c.today);
  for (const auto& s : equipmentSpecs()) {
    data::EqHeader h;
    setText(h.EquipmentID, s.id);
    setText(h.Description, s.description);
    setText(h.PhysicalDescription, s.physical);
    setText(h.VehicleLicense, s.plate ? s.plate : "");
    setText(h.ClassCode, s.classCode);
    setText(h.LicenseCode, s.licenseCode);
    setText(h.VIN, s.vin);
    setText(h.UsageUnit, usageUnit(s));
    setText(h.BillingUnit, usageUnit(s));
    h.Active = s.life == Life::Active ? 1 : 0;
    const Date bought = thisMonth.addMonths(-s.purchaseMonthsAgo);
    h.PurchaseDate = ymd(bought.year(), bought.month(), 3 + s.purchaseValue % 23);
    h.PurchaseValue = Decimal(s.purchaseValue);
    h.SalvageValue = Decimal(s.salvageValue);
    if (s.life == Life::Sold) {
      const Date sold = thisMonth.addMonths(-s.lifeMonthsAgo);
      h.SaleDate = workday(ymd(sold.year(), sold.month(), 14));
      h.SaleValue = Decimal(s.saleValue);
    }
    h.DepreciationYears = static_cast<std::uint16_t>(s.lifeMonths);
    h.DepreciationMethod = static_cast<std::uint8_t>(s.method);
    if (s.method == 4) setText(h.UD1DepreciationDesc, s.methodName);
    setText(h.DestinationType, s.destinationType ? s.destinationType : "None");
    setText(h.DestinationAccount, s.destinationAccount ? s.destinationAccount : "");
    setText(h.DestinationCategory, s.destinationCategory ? s.destinationCategory : "");
    setText(h.AssetAccount, assetAccount(s));
    setText(h.CertifiedID, s.certifiedId ? s.certifiedId : "");
    h.InternalBillingRate = Decimal::fromCents(s.internalRateCents);
    setText(h.InternalIncomeControl, internalIncomeAccount(s));
    h.RentalBillingRate = Decimal::fromCents(s.rentalRateCents);
    setText(h.RentalIncomeControl, kRentalIncomeAccount);
    setText(h.UD1, s.ud1 ? s.ud1 : "");
    setText(h.UD2, s.ud2 ? s.ud2 : "");
    setText(h.UD3, s.ud3 ? s.ud3 : "");
    setText(h.UD4, s.ud4 ? s.ud4 : "");
    c.equipment.push_back(h);

    for (const auto& id : categoriesOf(s)) {
      const CategorySpec& cs = categorySpec(id);
      const Schedule sch = scheduleOf(s, cs);
      data::EqCost k;
      k.RecordID = h.EquipmentID.padded() + id;
      k.EquipmentID = h.EquipmentID;
      setText(k.CostCategory, id);
      setText(k.UnitName, cs.unit);
      setText(k.ControlDebit, cs.expense);
      setText(k.ControlCredit, id == "DEPREC" ? accumulatedDepreciationAccount(s) : cs.contra);
      setText(k.ScheduleType, sch.type);
      setText(k.MeterName, sch.meterName);
      k.Meter = sch.meter;
      setText(k.IntervalName, sch.intervalName);
      k.Interval = sch.interval;
      c.costs.push_back(k);
    }
  }
}

void addJobs(Company& c) {
  static const std::map<std::string, std::string> accountOfType = {
      {"L", "1310"}, {"M", "1320"}, {"S", "1330"}, {"E", kJobEquipmentAccount},
      {"G", "1350"}, {"B", "1360"}};
  for (const auto& j : jobSpecs()) {
    data::JcHeader h;
    setText(h.JobID, j.id);
    setText(h.Name, j.name);
    h.Active = j.active ? 1 : 0;
    h.ExcludeFromSelection = j.excluded ? 1 : 0;
    c.jobs.push_back(h);
    for (const auto& k : costCodeSpecs()) {
      data::JcCost cc;
      cc.JobID = h.JobID;
      setText(cc.CostCode, k.code);
      setText(cc.CostType, k.type);
      setText(cc.EntryMask, std::string(k.code) + k.type);
      setText(cc.Description, k.description);
      setText(cc.GLAccount, accountOfType.at(k.type));
      // The treatment plant's compaction went to a subcontractor.
      cc.Inactive = (h.JobID == "2144" && cc.CostCode == "02-500") ? 1 : 0;
      c.costCodes.push_back(cc);
    }
  }
}

void addPeople(Company& c) {
  struct Cert {
    const char* id;
    const char* description;
  };
  static const Cert certs[] = {
      {"OE1", "Operating Engineer Group 1"},     {"OE2", "Operating Engineer Group 2"},
      {"OE3", "Operating Engineer Group 3"},     {"TD1", "Truck Driver - Dump, Tri-Axle"},
      {"TD2", "Truck Driver - Water & Service"}, {"LAB1", "Laborer Group 1"},
      {"MECH", "Heavy Equipment Mechanic"},
  };
  for (const auto& x : certs) {
    data::PrCert p;
    setText(p.CertifiedID, x.id);
    setText(p.Description, x.description);
    c.certifications.push_back(p);
  }
  struct Emp {
    unsigned id;
    const char* first;
    const char* last;
    bool active;
  };
  static const Emp emps[] = {
      {101, "Javier", "Ortiz", true}, {102, "Mark", "Kowalski", true},
      {103, "Linh", "Nguyen", true},  {104, "Tanya", "Brooks", true},
      {105, "Sami", "Haddad", true},  {106, "Sean", "Murphy", true},
      {107, "Rosa", "Delgado", true}, {108, "Karl", "Fischer", true},
      {109, "Chidi", "Okafor", true}, {110, "Erik", "Larsen", true},
      {111, "Paul", "Bennett", true}, {112, "James", "Tate", false},
      {113, "Ana", "Reyes", true},
  };
  for (const auto& x : emps) {
    data::PrEmp e;
    e.EmployeeID = x.id;
    setText(e.FirstName, x.first);
    setText(e.LastName, x.last);
    e.Active = x.active ? 1 : 0;
    c.employees.push_back(e);
  }

  struct User {
    const char* id;
    const char* first;
    const char* last;
    bool admin, changeEquipment, post;
  };
  static const User users[] = {
      {"ADM", "Dana", "Whitfield", true, true, true},
      {"EQV", "Victor", "Eames", false, false, true},
      {"NOP", "Nora", "Pike", false, true, false},
  };
  for (const auto& x : users) {
    data::UserFile u;
    setText(u.UserID, x.id);
    setText(u.FirstName, x.first);
    setText(u.LastName, x.last);
    u.Administrator = x.admin ? 1 : 0;
    u.ChangeEquipment = x.changeEquipment ? 1 : 0;
    u.ChangeCostCategories = 1;
    u.PostEquipmentLogs = x.post ? 1 : 0;
    setText(u.EmailAddress, lower(std::string(x.first)) + "@demo-contracting.example");
    c.users.push_back(u);
  }

  struct Vendor {
    int id;
    const char* name;
  };
  static const Vendor vendors[] = {
      {1001, "Tri-County Fuel & Oil"},         {1002, "Summit Tire Service"},
      {1003, "Valley Equipment Repair"},       {1004, "Heartland Insurance Agency"},
      {1005, "State Dept. of Motor Vehicles"}, {1006, "Western Hydraulics Inc."},
      {1007, "Crane & Lift Inspections LLC"},  {1008, "Track & Roller Supply"},
  };
  for (const auto& x : vendors) {
    data::ApVendor v;
    v.VendorID = x.id;
    setText(v.Name, x.name);
    c.vendors.push_back(v);
  }
}

}  // namespace

void buildCatalog(Company& c, Date today) {
  if (today.isEmpty() || !today.isValid())
    throw std::runtime_error("demo company: the session's clock gives no valid date");
  // The oldest equipment was bought more than twelve years before today.
  if (today.year() < 1816)
    throw std::runtime_error("demo company: today (" + today.toIso() +
                             ") is too early; the demo needs a date after 1815");
  c.today = today;
  addPeriods(c);
  // The history covers at most 18 months and never starts before the older fiscal year.
  c.historyStart = std::max(firstOfMonth(today).addMonths(-18), ymd(c.olderYear, 1, 1));
  c.lastPosted = today.addDays(-7);
  addAccounts(c);
  addSettings(c);
  addCategories(c);
  addEquipment(c);
  addJobs(c);
  addPeople(c);
}

}  // namespace koreq::demo::detail
