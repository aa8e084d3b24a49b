#pragma once

// The rules of a usage-log entry that do not depend on a window: the charges, the start meter
// and the meter list it reads, the cost-code normalisation, the detail types and what each
// shows, the control accounts, the job search by name and the activity-log texts. The entry
// form (UpdateEQLog) calls them; they read no files.

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/records.h"
#include "runtime/date.h"
#include "runtime/decimal.h"

namespace koreq::usagelog {

// ---- Charges ----------------------------------------------------------------------------------

struct Charges {
  Decimal rate;   // ChargeRate
  Decimal gross;  // EQLB:GrossAmount = units × rate
  Decimal net;    // EQLB:AdjustedAmount = gross + adjustment
};

// The rate of a charge type: "I" the internal rate, "R" the rental rate, anything else zero.
Decimal chargeRate(std::string_view chargeType, Decimal internalRate, Decimal rentalRate);
// CalculateCharges: the rate by charge type, then gross and net, each to two places.
Charges calculateCharges(Decimal units, std::string_view chargeType, Decimal internalRate,
                         Decimal rentalRate, Decimal adjustment);

// ---- Meters -----------------------------------------------------------------------------------

// The end meters of the unposted entries the form knows of: one row per piece of equipment.
class MeterList {
 public:
  // The row of the equipment keeps the highest end meter it was given, or a row is added; an
  // end meter of zero (an entry of hours only) is not a reading and leaves the list as it is.
  void record(std::string_view equipmentId, Decimal endMeter);
  void clear() { rows_.clear(); }
  // Rebuilt from entries (equipment ID, end meter): each equipment's row holds the highest
  // end meter of its entries, whatever order they were read in.
  void rebuild(const std::vector<std::pair<std::string, Decimal>>& entries);
  std::optional<Decimal> endMeter(std::string_view equipmentId) const;
  std::size_t size() const { return rows_.size(); }

 private:
  std::vector<std::pair<std::string, Decimal>> rows_;
};

// The start meter of a new use of the equipment: the highest of the posted current meter and
// the end meter the meter list holds for it.
Decimal startMeter(Decimal currentMeter, const MeterList& meters, std::string_view equipmentId);

// What the entry form remembers between entries while the module is loaded.
struct EntryMemory {
  std::string lastEquipmentId;  // the equipment of the last entry saved
  Decimal lastEndMeter;         // its end meter
  MeterList meters;
};

// An end meter below the start: the entry's units come out negative.
bool meterRunsBackwards(const data::EqLogB& entry);
// The question asked before such an entry is kept, naming its units and charge.
std::string backwardsMeterQuestion(const data::EqLogB& entry, std::string_view usageUnit);

// ---- Cost codes -------------------------------------------------------------------------------

// The cost code as typed, with L = the cost-code length: L characters get the cost type "E";
// L + 1 characters ending in a keypad digit or point have it replaced by its cost type ("1" L,
// "2" M, "3" S, "." E, "6" G, "9" B); anything else is left as typed.
std::string normaliseCostCode(std::string_view typed, int costCodeLength);

// ---- Detail types -----------------------------------------------------------------------------

enum class DetailType { None, Job, GLAccount, Equipment, Maintenance };

DetailType detailTypeFromText(std::string_view text);  // "Job", "G/L Account" …
const char* detailTypeText(DetailType type);           // "" for None

// The detail type a numeric-keypad key chooses on the drop list: 5 Job, 6 G/L Account,
// the decimal point Equipment, 2 Maintenance.
std::optional<DetailType> detailTypeForKeypad(char key);

// Which "Usage Detail" controls a detail type shows, and where its two descriptions come from.
struct DetailLayout {
  bool job = false;               // Job ID, its lookup and description
  bool costCode = false;          // Cost Code, its lookup and description
  bool account = false;           // Account and its lookup
  bool chargedEquipment = false;  // the charged Equipment ID and its lookup
  bool usedEquipment = false;     // the second display of the used equipment
  bool category = false;          // Cost Category and its lookup
};
DetailLayout detailLayout(DetailType type);

// ---- Accounts ---------------------------------------------------------------------------------

struct ControlAccountMatch {
  std::string name;    // "Accounts Payable"
  std::string ledger;  // "Accounts Payable Ledger"
};
// The first control account of the company the account is (trailing blanks ignored); nothing
// for a blank account or one that is none of them.
std::optional<ControlAccountMatch> controlAccount(const data::Systems& company,
                                                  std::string_view account);
std::string controlAccountWarning(const ControlAccountMatch& match);
bool isCurrentEarnings(const data::Systems& company, std::string_view account);

inline constexpr const char* kCurrentEarningsText =
    "You have entered the account number which is |currently set up as the Current Earnings "
    "account.  |This account CANNOT be posted to directly.";

// ---- Jobs by name -----------------------------------------------------------------------------

struct JobRow {
  std::string id, name;
  int active = 0, excluded = 0;  // JCH:Active, JCH:ExcludeFromSelection
};
// The lines offered for a typed beginning of a name: every job offered for selection (active
// and not excluded) whose name begins with it, case-insensitive, in name order, as job ID +
// " - " + name.
std::vector<std::string> jobChoices(std::vector<JobRow> jobs, std::string_view typed);
// The job ID of a chosen line: what stands before " - ", at most `jobIdLength` characters.
std::string jobIdOfChoice(std::string_view line, int jobIdLength);

// ---- Activity log -----------------------------------------------------------------------------

inline constexpr const char* kLogArea = "EQ Usage Logs";
// verb "Added", "Changed" or "Deleted" + " a log entry for equipment " + ID + ", " + units as a
// plain number + " " + unit + " on " + the date as mm/dd/yy.
std::string logEntryText(std::string_view verb, std::string_view equipmentId, Decimal units,
                         std::string_view usageUnit, Date date);

}  // namespace koreq::usagelog
