#include "reportframe/format_rules.h"

#include <algorithm>

#include "data/access.h"
#include "frame/registry.h"
#include "runtime/text.h"
#include "windows/BrowseEQAnalysisLimits.h"
#include "windows/BrowseEQCategoryListLimits.h"
#include "windows/BrowseEQDetailLimits.h"
#include "windows/BrowseEQListingLimits.h"
#include "windows/BrowseEQProofLimits.h"
#include "windows/UpdateEQAnalysisLimits.h"
#include "windows/UpdateEQCategoryListLimits.h"
#include "windows/UpdateEQDetailLimits.h"
#include "windows/UpdateEQListingLimits.h"
#include "windows/UpdateEQProofLimits.h"

namespace koreq::reportframe {

namespace {

const FormatKind kKinds[] = {
    {FormatReport::Analysis, "Analysis", windows::BrowseEQAnalysisLimits::kName,
     windows::UpdateEQAnalysisLimits::kName, frame::kPrintEQAnalysisServer, "E/Q Analysis Report",
     "Adding an Equipment Analysis Report", "Changing an Equipment Analysis Report", true},
    {FormatReport::Detail, "Detail", windows::BrowseEQDetailLimits::kName,
     windows::UpdateEQDetailLimits::kName, frame::kPrintEQDetail, "E/Q Detail Report",
     "Adding an Equipment Detail Report", "Changing an Equipment Detail Report", true},
    {FormatReport::Listing, "Equipment List", windows::BrowseEQListingLimits::kName,
     windows::UpdateEQListingLimits::kName, frame::kPrintEQListingServer, "E/Q Equipment Listing",
     "Adding an Equipment Listing", "Changing an Equipment Listing", true},
    {FormatReport::CategoryList, "Category List", windows::BrowseEQCategoryListLimits::kName,
     windows::UpdateEQCategoryListLimits::kName, frame::kPrintEQCategoryListServer,
     "E/Q Cost Category Listing", "Adding an Equipment Cost Category List",
     "Changing an Equipment Cost Category List", false},
    {FormatReport::ProofListing, "Log Proof Listing", windows::BrowseEQProofLimits::kName,
     windows::UpdateEQProofLimits::kName, frame::kPrintEQLogBProof, "",
     "Adding an Equipment Log Proof Listing", "Changing an Equipment Log Proof Listing", false},
};

}  // namespace

const FormatKind& formatKind(FormatReport report) {
  return kKinds[static_cast<int>(report)];
}

std::string copyTitle(std::string_view title) {
  return clipped(cutToChars("Copy of " + clipped(title), data::EqLimits{}.ReportTitle.kLength));
}

std::string lockingOwner(const data::EqLimits& f, std::string_view user) {
  const std::string owner = clipped(f.UserID.str());
  if (f.Locked != 1 || owner.empty() || owner == clipped(user)) return {};
  return owner;
}

std::string lockedMessage(std::string_view owner) {
  return "This report is locked and can only be modified or deleted by user " + clipped(owner) +
         ".";
}

void primeFormat(data::EqLimits& f, FormatReport report, std::string_view user) {
  f.Report = formatKind(report).value;
  f.UserID = user;
  switch (report) {
    case FormatReport::Analysis:
      f.QuantityAnalysis = "D";
      f.ReportType = "A";
      break;
    case FormatReport::Detail:
      f.SkipEquipment = 1;
      f.PrintTransactionDetail = 1;
      break;
    case FormatReport::Listing:
      f.ReportFormat = "M";
      break;
    case FormatReport::CategoryList:
      f.ReportFormat = "C";
      f.DetailSummary = "S";
      break;
    case FormatReport::ProofListing:
      break;
  }
}

void openFormat(data::EqLimits& f, FormatReport report, std::string_view user) {
  if (f.UserID.empty()) f.UserID = user;
  if (report == FormatReport::ProofListing) return;
  if (f.Orientation.empty()) f.Orientation = "P";
  if (report == FormatReport::CategoryList && f.ReportFormat != "D") f.ReportFormat = "C";
}

void loadDefaults(data::EqLimits& f, FormatReport report, std::string_view user) {
  const std::uint32_t number = f.LimitID;
  const std::string title = f.ReportTitle;
  f = data::EqLimits{};
  f.LimitID = number;
  f.ReportTitle = title;
  primeFormat(f, report, user);
  openFormat(f, report, user);
}

bool hasFloatingRange(const data::EqLimits& f) {
  return f.Report == formatKind(FormatReport::Analysis).value && f.SelectedDates == 1 &&
         f.SkipEquipment == 1;
}

Date floatingDate(std::string_view sign, const Decimal& days, Date today, Date stored) {
  const std::string s = clipped(sign);
  std::int64_t n = days.toLong();
  if (s == "Minus")
    n = -n;
  else if (s.empty())
    n = 0;
  else if (s != "Plus")
    return stored;
  const std::int64_t day = std::clamp<std::int64_t>(std::int64_t{today.day()} + n, Date::kFirstDay,
                                                    Date::lastValid().day());
  return Date(static_cast<std::int32_t>(day));
}

void resolveFloatingRange(data::EqLimits& f, Date today) {
  if (!hasFloatingRange(f)) return;
  f.DateFrom = floatingDate(f.JournalType.str(), f.RefFrom, today, f.DateFrom);
  f.DateTo = floatingDate(f.GLAccount.str(), f.RefTo, today, f.DateTo);
}

std::string periodDescription(std::string_view description, std::string_view status) {
  std::string out = clipped(description);
  const std::string s = clipped(status);
  if (s == "L")
    out += " (LOCKED)";
  else if (s == "C")
    out += " (CLOSED)";
  return out;
}

// ---- Writing formats ------------------------------------------------------------------------

bool duplicateFormat(frame::Context& ctx) {
  data::FileAccess& f = ctx.file(data::EqLimits::def());
  const std::vector<data::Value> original = f.values();
  const std::uint32_t from = ctx.rec<data::EqLimits>().LimitID;
  // The copy and its user-defined-field limits land together or not at all.
  data::Transaction t(ctx.store());
  if (!t.begun()) {
    ctx.errors().report(data::kDriverError, data::refusedText(ctx.store()) + " Inserting EQLimits");
    return false;
  }
  if (f.prime() != data::kNoError) {
    f.assign(original);
    return false;
  }
  const data::Value number = f.get("EQLM:LimitID");
  f.assign(original);
  f.put("EQLM:LimitID", number);
  data::EqLimits& copy = ctx.rec<data::EqLimits>();
  copy.ReportTitle = copyTitle(copy.ReportTitle.str());
  copy.UserID = ctx.userId();
  copy.ModifyDate = ctx.today();
  copy.Locked = 0;
  if (f.insert() != data::kNoError) return false;
  if (from != 0) {
    data::Access<data::LimList> l(ctx.store(), ctx.errors());
    l.setRange(*l.def().key("KeyLimit"),
               {data::Value(std::string(kLimitTag)), data::Value(std::int64_t{from})});
    std::vector<data::LimList> rows;
    while (l.next() == data::kNoError) rows.push_back(l.rec());
    for (const data::LimList& row : rows) {
      if (l.prime() != data::kNoError) return false;
      const auto id = l.rec().RecordID;
      l.rec() = row;
      l.rec().RecordID = id;
      l.rec().LimitID = copy.LimitID;
      if (l.insert() != data::kNoError) return false;
    }
  }
  try {
    t.commit();
  } catch (const data::StoreError& e) {
    ctx.errors().report(e.code(), std::string(e.what()) + " Inserting EQLimits");
    return false;
  }
  return true;
}

bool numberFormat(frame::Context& ctx) {
  data::FileAccess& f = ctx.file(data::EqLimits::def());
  if (ctx.rec<data::EqLimits>().LimitID != 0) return true;
  const std::vector<data::Value> format = f.values();
  const std::int64_t at = f.position();
  if (f.prime() != data::kNoError) {
    f.assign(format);
    f.setPosition(at);
    return false;
  }
  const data::Value number = f.get("EQLM:LimitID");
  f.assign(format);
  f.put("EQLM:LimitID", number);
  f.setPosition(at);
  return f.update() == data::kNoError;
}

bool isFavourite(frame::Context& ctx, std::uint32_t limitId, std::string_view user) {
  data::Access<data::MemLimit> m(ctx.store(), ctx.errors());
  return m.fetch("KeyUserLimit", {data::Value(clipped(user)), data::Value(std::string(kLimitTag)),
                                  data::Value(std::int64_t{limitId})}) == data::kNoError;
}

FavouriteResult addFavourite(frame::Context& ctx, const FormatKind& kind) {
  const data::EqLimits& f = ctx.rec<data::EqLimits>();
  if (isFavourite(ctx, f.LimitID, ctx.userId())) return FavouriteResult::AlreadyAdded;
  data::Access<data::MemLimit> m(ctx.store(), ctx.errors());
  if (m.prime() != data::kNoError) return FavouriteResult::Failed;
  data::MemLimit& e = m.rec();
  e.LimitID = f.LimitID;
  e.UserID = ctx.userId();
  e.Source = kLimitTag;
  e.ReportName = kind.favourite;
  e.ReportTitle = f.ReportTitle.str();
  return m.insert() == data::kNoError ? FavouriteResult::Added : FavouriteResult::Failed;
}

bool deleteUdLimits(frame::Context& ctx, std::uint32_t limitId) {
  data::Access<data::LimList> l(ctx.store(), ctx.errors());
  // Every file name of the format's tag and number: the rows are the format's whatever they
  // limit.
  l.setRange(*l.def().key("KeyLimit"),
             {data::Value(std::string(kLimitTag)), data::Value(std::int64_t{limitId})});
  std::vector<std::int64_t> rows;
  while (l.next() == data::kNoError) rows.push_back(l.rec().RecordID);
  for (std::int64_t id : rows) {
    if (l.fetch("KeyRecordID", {data::Value(id)}) != data::kNoError || l.remove() != data::kNoError)
      return false;
  }
  return true;
}

bool deleteFormatCompanions(frame::Context& ctx, std::uint32_t limitId) {
  if (!deleteUdLimits(ctx, limitId)) return false;
  data::Access<data::MemLimit> m(ctx.store(), ctx.errors());
  m.set(*m.def().key("KeyEntryID"));
  std::vector<std::int64_t> entries;
  while (m.next() == data::kNoError)
    if (m.rec().LimitID == limitId && m.rec().Source == kLimitTag)
      entries.push_back(m.rec().EntryID);
  for (std::int64_t id : entries) {
    if (m.fetch("KeyEntryID", {data::Value(id)}) != data::kNoError || m.remove() != data::kNoError)
      return false;
  }
  return true;
}

}  // namespace koreq::reportframe
