// What a new user finds besides the history: two unposted batches, notes, drop lists, the
// user-defined prompts and saved report formats for every report.

#include <algorithm>
#include <set>

#include "demo/demo_internal.h"
#include "usagelog/engine/entry_rules.h"

namespace koreq::demo::detail {

namespace {

struct BatchLine {
  const char* equipment;
  int daysAgo;
  const char* detail;  // "Job", "G/L Account", "Equipment", "Maintenance"
  const char* charge;  // "I" or "R"
  int unitsTimes2;     // in halves
  const char* job;
  const char* code;      // entry mask
  const char* account;   // G/L Account detail
  const char* charged;   // Equipment detail
  const char* category;  // Equipment and Maintenance details
  unsigned employee;
};

void addBatch(Company& c, std::uint16_t id, const char* owner, const char* description,
              std::uint8_t secure, bool repeating, const std::vector<BatchLine>& lines) {
  data::EqBatch b;
  b.BatchID = id;
  setText(b.UserID, owner);
  setText(b.Description, description);
  b.Secure = secure;
  b.SortID = id;
  b.ReInsert = 1;
  if (repeating) {
    b.Repeating = 1;
    b.FrequencyType = 0;
    b.Frequency = 7;
    b.DateLastPosting = c.lastPosted;
  } else {
    b.RememberLastJob = 1;
  }
  c.batches.push_back(b);

  for (const auto& l : lines) {
    data::EqHeader& h = c.header(l.equipment);
    data::EqLogB e;
    e.EquipmentID = h.EquipmentID;
    e.BatchID = id;
    // This week's working days, never after today.
    e.Date = c.today.addDays(-l.daysAgo);
    if (e.Date.dayOfWeek() == 6) e.Date = e.Date.addDays(-1);
    if (e.Date.dayOfWeek() == 0) e.Date = e.Date.addDays(-2);
    // Each entry takes up the meter where the posted history or the last unposted entry of
    // the equipment left it, as the entry form carries it.
    usagelog::MeterList meters;
    for (const auto& other : c.batchEntries) meters.record(other.EquipmentID.str(), other.EndMeter);
    e.Units = Decimal::fromCents(l.unitsTimes2 * 50LL);
    e.StartMeter = usagelog::startMeter(h.CurrentMeter, meters, h.EquipmentID.str());
    e.EndMeter = e.StartMeter + e.Units;
    setText(e.ChargeType, l.charge);
    const usagelog::Charges full = usagelog::calculateCharges(
        e.Units, e.ChargeType.str(), h.InternalBillingRate, h.RentalBillingRate, Decimal());
    e.GrossAmount = full.gross;
    e.AdjustedAmount = full.net;
    setText(e.DetailType, l.detail);
    e.EmployeeID = static_cast<std::uint16_t>(l.employee);
    const std::string detail = l.detail;
    if (detail == "Job") {
      const data::JcCost* cc = c.costCode(l.job, l.code);
      if (!cc)
        throw std::logic_error(std::string("demo company: no cost code ") + l.job + " " + l.code);
      setText(e.JobID, l.job);
      e.CostCode = cc->EntryMask;
      e.GLAccount = cc->GLAccount;
      for (const auto& j : c.jobs)
        if (j.JobID == l.job) e.Comments = cutToChars(j.Name.str(), 20);
      e.Location = cutToChars(l.job, 5);
    } else if (detail == "G/L Account") {
      setText(e.GLAccount, l.account);
      e.Comments = cutToChars(c.account(l.account)->Description.str(), 20);
      setText(e.Location, "YARD");
    } else {
      const char* owner2 = detail == "Equipment" ? l.charged : l.equipment;
      const data::EqCost* k = c.cost(owner2, l.category);
      if (!k)
        throw std::logic_error(std::string("demo company: ") + owner2 + " has no " + l.category);
      if (detail == "Equipment") {
        setText(e.EquipmentIDCharged, l.charged);
        e.Comments = cutToChars(c.header(l.charged).Description.str(), 20);
      } else {
        e.Comments = cutToChars(categorySpec(l.category).description, 20);
        e.AdjustedAmount = Decimal();  // shop time is not charged
      }
      e.Category = k->CostCategory;
      e.GLAccount = k->ControlDebit;
      setText(e.Location, "SHOP");
    }
    c.batchEntries.push_back(e);
  }
}

void addBatches(Company& c) {
  addBatch(
      c, 1, "ADM", "Weekly Yard & Shop", 0, true,
      {
          {"WL-402", 6, "G/L Account", "I", 12, nullptr, nullptr, "7100"},
          {"PU-101", 6, "G/L Account", "I", 212, nullptr, nullptr, "7100"},
          {"ST-950", 5, "Equipment", "I", 7, nullptr, nullptr, nullptr, "EX-302", "REPAIR", 108},
          {"FT-970", 4, "Equipment", "I", 4, nullptr, nullptr, nullptr, "DT-201", "PM-A", 107},
          {"GN-851", 4, "Job", "R", 96, "2137", "01-200E", nullptr, nullptr, nullptr, 110},
          {"SS-602", 3, "Maintenance", "I", 5, nullptr, nullptr, nullptr, nullptr, "PM-A", 109},
          {"ST-950", 2, "G/L Account", "I", 6, nullptr, nullptr, "7100", nullptr, nullptr, 108},
          {"WL-402", 1, "G/L Account", "I", 9, nullptr, nullptr, "7100", nullptr, nullptr, 103},
      });
  addBatch(c, 2, "EQV", "Treatment Plant site", 1, false,
           {
               {"EX-301", 5, "Job", "I", 68, "2144", "02-200E", nullptr, nullptr, nullptr, 101},
               {"DT-201", 5, "Job", "I", 72, "2144", "02-400E", nullptr, nullptr, nullptr, 105},
               {"DT-202", 4, "Job", "R", 66, "2144", "02-400E", nullptr, nullptr, nullptr, 106},
               {"WL-401", 4, "Job", "I", 50, "2144", "02-200E", nullptr, nullptr, nullptr, 103},
               {"DZ-501", 3, "Job", "I", 61, "2144", "02-300E", nullptr, nullptr, nullptr, 101},
               {"RL-701", 2, "Job", "R", 38, "2144", "02-300E", nullptr, nullptr, nullptr, 104},
               {"EX-301", 1, "Job", "I", 70, "2144", "02-210E", nullptr, nullptr, nullptr, 101},
           });
  // Operators and employees are those of the equipment where an entry names none.
  for (auto& e : c.batchEntries)
    if (e.EmployeeID == 0)
      e.EmployeeID = static_cast<std::uint16_t>(c.model(e.EquipmentID.str()).operatorId);
}

void addNotes(Company& c) {
  struct N {
    const char* equipment;
    int daysAgo;
    const char* heading;
    const char* note;
  };
  static const N notes[] = {
      {"EX-301", 400, "Extended powertrain warranty",
       "Purchased with a 5-year / 7,500-hour powertrain warranty. Dealer: Mid-State Machinery, "
       "contract no. W-336-11872."},
      {"EX-301", 35, "Track tension",
       "Operator reports the left track throws on side slopes. Adjusted tension; check again at "
       "the next PM-A."},
      {"DT-204", 120, "Frame rail repair",
       "Welded a crack on the rear frame rail and added fish plates. Re-inspect at every PM-B."},
      {"PU-099", 240, "Sold",
       "Sold to James Tate when he left the company. Title signed over; plates returned to the "
       "registry."},
      {"AC-802", 300, "Retired from service",
       "Air end worn beyond repair. Kept in the boneyard for parts (hoses, tyres, controller)."},
      {"LT-980", 20, "Inspection due",
       "Quarterly inspection is overdue. Do not send to a job until the inspector has signed it "
       "off."},
  };
  for (const auto& n : notes) {
    data::Notes r;
    setText(r.EntityType, "EQHeader");
    setText(r.EquipmentID, n.equipment);
    setText(r.EntityID, n.equipment);
    r.Date = c.today.addDays(-n.daysAgo);
    r.Time = Time::fromHms(10, 5 + n.daysAgo % 50);
    setText(r.Heading, n.heading);
    setText(r.Note, n.note);
    setText(r.UserID, "ADM");
    c.notes.push_back(r);
  }
  // A note on a ledger transaction, for the detail report's "Print Transaction Notes".
  for (const auto& t : c.ledger) {
    if (t.CostCategory == "REPAIR" && t.CreditDebit == "C" && t.EquipmentID == "EX-302") {
      data::Notes r;
      setText(r.EntityType, "GLTrans");
      setText(r.EntityID, std::to_string(t.RecordID));
      r.Date = t.TransDate;
      r.Time = Time::fromHms(14, 20);
      setText(r.Heading, "Warranty credit");
      setText(r.Note, "Swing motor seals replaced under warranty; the shop credited the parts.");
      setText(r.UserID, "ADM");
      c.notes.push_back(r);
      break;
    }
  }
}

void addLists(Company& c) {
  std::set<std::string> classes = {"Crane"};
  for (const auto& h : c.equipment) classes.insert(h.ClassCode.str());
  for (const auto& v : classes) {
    data::DropList d;
    setText(d.FieldName, "EQH Class Code");
    setText(d.StringVal, v);
    c.dropLists.push_back(d);
  }
  for (const char* v : {"APP", "CMV", "EXM", "PAS", "TRL"}) {
    data::DropList d;
    setText(d.FieldName, "EQH License Code");
    setText(d.StringVal, v);
    c.dropLists.push_back(d);
  }
  data::UserDef u;
  setText(u.File, "EQHeader");
  setText(u.U1, "Fuel Card #");
  setText(u.U2, "Tire Size");
  setText(u.U3, "Insurance Policy");
  setText(u.U4, "GPS Unit");
  c.userDefs.push_back(u);
}

data::EqLimits format(Company& c, const char* report, const char* title, const char* owner,
                      int daysAgo) {
  data::EqLimits f;
  f.LimitID = static_cast<std::uint32_t>(c.formats.size() + 1);
  setText(f.Report, report);
  setText(f.ReportTitle, title);
  setText(f.UserID, owner);
  f.ModifyDate = c.today.addDays(-daysAgo);
  setText(f.Orientation, "P");
  return f;
}

void addFormats(Company& c) {
  const Date yearStart = ymd(c.currentYear, 1, 1);
  const Date yearEnd = ymd(c.currentYear, 12, 31);
  {
    auto f = format(c, "Analysis", "Usage / Cost Analysis - All Equipment", "ADM", 40);
    setText(f.ReportType, "A");
    setText(f.QuantityAnalysis, "D");
    setText(f.Orientation, "L");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Analysis", "Fuel Use per Hour - Last 90 Days", "ADM", 12);
    setText(f.ReportType, "A");
    setText(f.QuantityAnalysis, "U");
    f.SelectedCategory = 1;
    setText(f.CategoryFrom, "FUEL");
    setText(f.CategoryTo, "FUEL");
    f.SelectedDates = 1;
    f.SkipEquipment = 1;  // floating range: today minus 90 days to today
    setText(f.JournalType, "Minus");
    f.RefFrom = Decimal(90);
    setText(f.Orientation, "L");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Analysis", "Cost Summary - Dozers & Excavators", "ADM", 30);
    setText(f.ReportType, "S");
    setText(f.QuantityAnalysis, "D");
    f.SelectedClass = 1;
    setText(f.ClassFrom, "Dozer");
    setText(f.ClassTo, "Excavator");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Analysis", "Cost Summary - As of Last Closed Month", "EQV", 9);
    setText(f.ReportType, "S");
    setText(f.QuantityAnalysis, "D");
    f.SelectedDates = 2;
    f.FPTo = Decimal(c.currentPeriod - 1);
    f.IncludeInactive = 1;
    f.Locked = 1;
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Analysis", "Maintenance Due - Next 60 Days", "ADM", 5);
    setText(f.ReportType, "M");
    setText(f.QuantityAnalysis, "D");
    f.SelectedDates = 1;
    f.SkipEquipment = 1;  // floating range: a year back (overdue) to 60 days ahead
    setText(f.JournalType, "Minus");
    f.RefFrom = Decimal(365);
    setText(f.GLAccount, "Plus");
    f.RefTo = Decimal(60);
    f.PrintTransactionDetail = 1;
    setText(f.Orientation, "L");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Detail", "Equipment Detail - Current Year", "ADM", 20);
    f.SelectedDates = 1;
    f.DateFrom = yearStart;
    f.DateTo = yearEnd;
    f.SkipEquipment = 1;
    f.PrintTransactionDetail = 1;
    setText(f.ReportFormat, "1");
    setText(f.Orientation, "L");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Detail", "Repair Costs Only - Excavators", "NOP", 15);
    f.SelectedEquipment = 1;
    setText(f.EquipmentFrom, "EX-301");
    setText(f.EquipmentTo, "EX-304");
    f.SelectedCategory = 1;
    setText(f.CategoryFrom, "REPAIR");
    setText(f.CategoryTo, "REPAIR");
    f.SelectedFP = 1;
    f.FPFrom = Decimal(13);
    f.FPTo = Decimal(24);
    f.SelectedRef = 1;       // exclude internal income
    f.RefFrom = Decimal(1);  // exclude rental income
    f.SkipEquipment = 1;
    f.PrintTransactionDetail = 1;
    setText(f.ReportFormat, "0");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Detail", "Vendor Invoices (A/P) This Year", "ADM", 3);
    f.SelectedJournals = 1;
    setText(f.JournalType, "A/P");
    f.JournalFrom = Decimal(4001);
    f.JournalTo = Decimal(9999);
    f.SelectedFP = 1;
    f.FPFrom = Decimal(13);
    f.FPTo = Decimal(24);
    f.SkipEquipment = 1;
    f.PrintTransactionDetail = 1;
    setText(f.ReportFormat, "0");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Equipment List", "Equipment Master Listing", "ADM", 60);
    setText(f.ReportFormat, "M");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Equipment List", "Data Sheets - Trucks", "ADM", 25);
    setText(f.ReportFormat, "D");
    f.SelectedClass = 1;
    setText(f.ClassFrom, "Dump Truck");
    setText(f.ClassTo, "Dump Truck");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Equipment List", "Complete Listing incl. Inactive", "EQV", 18);
    setText(f.ReportFormat, "C");
    f.IncludeInactive = 1;
    setText(f.Orientation, "L");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Equipment List", "Summary - Insured on Policy CIM-448812", "ADM", 8);
    setText(f.ReportFormat, "S");
    c.formats.push_back(f);
    data::LimList l;
    setText(l.Tag, "EQLimits");
    l.LimitID = f.LimitID;
    setText(l.FileName, "EQHeaderUD");
    l.FieldNumber = 3;
    setText(l.Value, "CIM-448812");
    c.limitLists.push_back(l);
  }
  {
    auto f = format(c, "Category List", "Cost Categories by ID", "ADM", 90);
    setText(f.ReportFormat, "C");
    setText(f.DetailSummary, "S");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Category List", "Categories - Complete by Description", "ADM", 45);
    setText(f.ReportFormat, "D");
    setText(f.DetailSummary, "D");
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Log Proof Listing", "All Tagged Batches", "ADM", 50);
    c.formats.push_back(f);
  }
  {
    auto f = format(c, "Log Proof Listing", "This Week - Excavators Only", "EQV", 2);
    f.SelectedDates = 1;
    f.DateFrom = c.today.addDays(-7);
    f.DateTo = c.today;
    f.SelectedEquipment = 1;
    setText(f.EquipmentFrom, "EX-301");
    setText(f.EquipmentTo, "EX-304");
    c.formats.push_back(f);
  }

  data::MemLimit m;
  m.EntryID = 1;
  m.LimitID = 1;
  setText(m.UserID, "ADM");
  setText(m.Source, "EQLimits");
  setText(m.ReportName, "E/Q Analysis Report");
  m.ReportTitle = c.formats.front().ReportTitle;
  c.favourites.push_back(m);
}

}  // namespace

void buildExtras(Company& c) {
  addBatches(c);
  addNotes(c);
  addLists(c);
  addFormats(c);
}

}  // namespace koreq::demo::detail
