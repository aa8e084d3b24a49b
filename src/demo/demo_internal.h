#pragma once

// The demo company is planned in memory first (catalog, then what happened day by day), then
// written: the catalog as it stands, the history by replaying it through the program's own
// services (usage entered into weekly batches and posted, the other journals written as their
// modules write them), then the extras that refer to both. Only demo_company.cpp and
// demo_replay.cpp touch the database.

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/records.h"
#include "frame/context.h"
#include "runtime/date.h"
#include "runtime/decimal.h"
#include "runtime/text.h"

namespace koreq::demo::detail {

// A catalog text that does not fit its field is a mistake in this code, not something to cut.
template <std::size_t N>
void setText(Str<N>& field, std::string_view value) {
  if (charCount(clip(value)) > N)
    throw std::logic_error("demo company: \"" + std::string(value) + "\" is longer than " +
                           std::to_string(N) + " characters");
  field = value;
}

// splitmix64: a fixed, portable sequence (the standard distributions differ between
// libraries, so they are not used; the demo must come out the same everywhere).
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed) {}
  std::uint64_t next();
  // A whole number from lo to hi, both included.
  int range(int lo, int hi);
  bool chance(int percent) { return range(0, 99) < percent; }

 private:
  std::uint64_t s_;
};

Date ymd(int year, int month, int day);
Date firstOfMonth(Date d);
Date lastOfMonth(Date d);
// Saturdays and Sundays move on to the Monday.
Date workday(Date d);
std::string longMonth(int month);

// ---- Catalog -------------------------------------------------------------------------------

enum class Kind {
  Pickup,
  Dump,
  Excavator,
  Loader,
  Dozer,
  SkidSteer,
  Roller,
  Compressor,
  Generator,
  Trailer,
  ServiceTruck,
  WaterTruck,
  FuelTruck,
  Lift
};
enum class AssetGroup { Vehicle, Heavy, Small, Trailer };
enum class Life { Active, Sold, Retired, Idle };

struct EquipmentModel {
  const char* id;
  const char* description;
  const char* physical;
  const char* classCode;
  Kind kind;
  bool miles;  // meter in miles; otherwise hours
  bool tracked;
  const char* licenseCode;
  const char* plate;
  const char* vin;
  int internalRateCents;
  int rentalRateCents;
  int purchaseMonthsAgo;
  int purchaseValue;  // whole dollars
  int salvageValue;
  int lifeMonths;
  int method;
  const char* methodName;  // method 4 only
  const char* certifiedId;
  int startMeter;        // at the start of the history, when bought before it
  int unitsLo, unitsHi;  // units of one usage entry
  int everyDays;         // days between usage entries, on average
  int fuelCentsPerUnit;  // gallons per meter unit, in hundredths
  Life life;
  int lifeMonthsAgo;  // when sold or retired
  int saleValue;
  int operatorId;
  const char* ud1;
  const char* ud2;
  const char* ud3;
  const char* ud4;
  const char* destinationType;
  const char* destinationAccount;
  const char* destinationCategory;
  bool neglected;  // its preventive maintenance has fallen behind
};

struct CategorySpec {
  const char* id;
  const char* description;
  const char* expense;
  const char* contra;
  const char* unit;
  const char* scheduleType;
  const char* meterName;
  unsigned meter;
  const char* intervalName;
  unsigned interval;
};

struct Schedule {
  std::string type = "N";
  std::string meterName;
  unsigned meter = 0;
  std::string intervalName;
  unsigned interval = 0;
};

struct JobSpec {
  const char* id;
  const char* name;
  bool active;
  bool excluded;
  int fromMonthsAgo;  // the job takes equipment from then ...
  int toMonthsAgo;    // ... until then (0: still running)
};

struct CostCodeSpec {
  const char* code;
  const char* type;
  const char* description;
};

const std::vector<EquipmentModel>& equipmentSpecs();
const std::vector<CategorySpec>& categorySpecs();
const std::vector<JobSpec>& jobSpecs();
const std::vector<CostCodeSpec>& costCodeSpecs();
// The cost categories a piece of equipment carries, in code order.
std::vector<std::string> categoriesOf(const EquipmentModel& e);
// Its schedule for a category: the category's default unless this kind of equipment needs
// another (trucks measure in miles, annual inspections for road equipment).
Schedule scheduleOf(const EquipmentModel& e, const CategorySpec& c);
const CategorySpec& categorySpec(std::string_view id);
std::string usageUnit(const EquipmentModel& e);
std::string internalIncomeAccount(const EquipmentModel& e);
std::string assetAccount(const EquipmentModel& e);
std::string accumulatedDepreciationAccount(const EquipmentModel& e);
// The job cost code an entry of this equipment is charged to.
std::string costCodeFor(const EquipmentModel& e, Rng& rng);

// The fixed names of the demo.
inline constexpr const char* kCompanyName = "Demo Contracting Co.";
inline constexpr const char* kSystemPassword = "DEMO";
inline constexpr int kJobIdLength = 4;
inline constexpr int kCostCodeLength = 6;
inline constexpr const char* kApAccount = "2000";
inline constexpr const char* kPayrollAccount = "2100";
inline constexpr const char* kJobEquipmentAccount = "1340";
inline constexpr const char* kRentalIncomeAccount = "4500";

// ---- The company in memory -----------------------------------------------------------------

struct Period {
  int number = 0;  // running across the two years: 1-12 the older year, 13-24 the current one
  int year = 0;
  int month = 0;
  Date first, last;
};

// One journal of another module (A/P, P/R, G/J) before it is written: its lines balance.
struct Journal {
  std::string journalId;  // "A/P", "P/R", "G/J"
  Date date;              // its posting date
  int seq = 0;            // creation order, to keep the sort stable
  std::vector<data::GlTrans> lines;
  bool hasInvoice = false;  // an A/P journal posts one invoice
  data::ApInv invoice;
};

// A usage entry as the clerk types it: equipment, date, units, charge type and the detail.
// Meters and charges are left to the entry rules when it goes into its week's batch.
struct TypedEntry {
  enum class Charge { Full, Discount, None };  // None: shop time, the adjustment takes it to 0
  data::EqLogB entry;
  Charge charge = Charge::Full;
};

struct Company {
  Date today, historyStart, lastPosted;
  int olderYear = 0, currentYear = 0;
  std::vector<Period> periods;
  int currentPeriod = 0;

  // Catalog records.
  std::vector<data::GlMaster> accounts;
  data::Systems systems;
  data::Control control;
  std::vector<data::GlFiscal> fiscal;
  std::vector<data::EqCode> codes;
  std::vector<data::EqHeader> equipment;  // same order as equipmentSpecs()
  std::vector<data::EqCost> costs;
  std::vector<data::JcHeader> jobs;
  std::vector<data::JcCost> costCodes;
  std::vector<data::PrEmp> employees;
  std::vector<data::PrCert> certifications;
  std::vector<data::UserFile> users;
  std::vector<data::ApVendor> vendors;

  // History.
  std::vector<TypedEntry> usage;  // in date order
  std::vector<Journal> journals;  // in posting order, numbered
  std::vector<data::ApInv> invoices;
  std::vector<data::GlTrans> ledger;  // the journals' lines as written, with their record IDs
  // Depreciation charged per equipment and month (first of the month), from its schedule.
  std::map<std::string, std::map<Date, Decimal>> depreciation;

  // Extras.
  std::vector<data::EqBatch> batches;
  std::vector<data::EqLogB> batchEntries;
  std::vector<data::Notes> notes;
  std::vector<data::DropList> dropLists;
  std::vector<data::UserDef> userDefs;
  std::vector<data::EqLimits> formats;
  std::vector<data::MemLimit> favourites;
  std::vector<data::LimList> limitLists;

  const Period* periodOf(Date d) const;
  const EquipmentModel& model(std::string_view equipmentId) const;
  data::EqHeader& header(std::string_view equipmentId);
  data::EqCost* cost(std::string_view equipmentId, std::string_view category);
  const data::JcCost* costCode(std::string_view jobId, std::string_view entryMask) const;
  const data::GlMaster* account(std::string_view number) const;
};

// Fills the periods, chart of accounts, settings, categories, equipment with their cost
// categories, jobs, employees, users and vendors.
void buildCatalog(Company& c, Date today);
// What happened: the usage entries as typed, the other modules' journals and invoices, the
// last services, meters and locations of the equipment.
void buildHistory(Company& c);
// The depreciation posted to the ledger for the equipment in the month of `month`: none for a
// month not posted (not yet closed, before the history, outside the equipment's life).
std::optional<Decimal> postedDepreciation(const Company& c, const data::EqHeader& h, Date month);
// Usage is posted weekly, on the Friday, and never after the last posting.
Date usagePostingDate(Date entry, Date lastPosted);
// Writes the history into the company whose catalog is written, inside the caller's
// transaction: day by day the other journals, and each week's entries entered into a batch
// and posted by the posting service with the session's today on the posting day; then the
// category totals of the other journals and the fiscal periods' statuses. Throws
// std::runtime_error when anything is refused.
void replayHistory(Company& c, frame::Context& ctx);
// Unposted batches, notes, drop lists, prompts and saved report formats.
void buildExtras(Company& c);

}  // namespace koreq::demo::detail
