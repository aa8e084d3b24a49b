#include "usagelog/engine/entry_rules.h"

#include <algorithm>
#include <cstdio>

#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::usagelog {

// ---- Charges ----------------------------------------------------------------------------------

Decimal chargeRate(std::string_view chargeType, Decimal internalRate, Decimal rentalRate) {
  const std::string t = clipped(chargeType);
  if (t == "I") return internalRate;
  if (t == "R") return rentalRate;
  return Decimal();
}

Charges calculateCharges(Decimal units, std::string_view chargeType, Decimal internalRate,
                         Decimal rentalRate, Decimal adjustment) {
  Charges c;
  c.rate = chargeRate(chargeType, internalRate, rentalRate);
  // Decimal products are brought to two places, half away from zero.
  c.gross = units * c.rate;
  c.net = c.gross + adjustment;
  return c;
}

// ---- Meters -----------------------------------------------------------------------------------

void MeterList::record(std::string_view equipmentId, Decimal endMeter) {
  // An hours-only entry (no end meter) says nothing of where the meter stands.
  if (endMeter.isZero()) return;
  const std::string id = clipped(equipmentId);
  for (auto& row : rows_)
    if (row.first == id) {
      if (endMeter > row.second) row.second = endMeter;
      return;
    }
  rows_.emplace_back(id, endMeter);
}

void MeterList::rebuild(const std::vector<std::pair<std::string, Decimal>>& entries) {
  rows_.clear();
  for (const auto& [id, end] : entries) record(id, end);
}

std::optional<Decimal> MeterList::endMeter(std::string_view equipmentId) const {
  const std::string id = clipped(equipmentId);
  for (const auto& row : rows_)
    if (row.first == id) return row.second;
  return std::nullopt;
}

Decimal startMeter(Decimal currentMeter, const MeterList& meters, std::string_view equipmentId) {
  Decimal start = currentMeter;
  if (std::optional<Decimal> end = meters.endMeter(equipmentId); end && *end > start) start = *end;
  return start;
}

bool meterRunsBackwards(const data::EqLogB& e) {
  return !e.EndMeter.isZero() && e.EndMeter < e.StartMeter;
}

std::string backwardsMeterQuestion(const data::EqLogB& e, std::string_view usageUnit) {
  auto n = [](Decimal d) { return trimLeft(formatPicture("@n-21.2", d)); };
  std::string unit = clipped(usageUnit);
  return "The end meter " + n(e.EndMeter) + " is below the start meter " + n(e.StartMeter) +
         ":|this entry has " + n(e.Units) + (unit.empty() ? "" : " " + unit) + " and a charge of " +
         n(e.AdjustedAmount) + ".||Keep it as it is?";
}

// ---- Cost codes -------------------------------------------------------------------------------

std::string normaliseCostCode(std::string_view typed, int costCodeLength) {
  std::string code = clipped(typed);
  if (costCodeLength <= 0) return code;
  const auto length = static_cast<std::size_t>(costCodeLength);
  if (code.size() == length) return code + "E";
  if (code.size() != length + 1) return code;
  static constexpr std::pair<char, char> kTypes[] = {{'1', 'L'}, {'2', 'M'}, {'3', 'S'},
                                                     {'.', 'E'}, {'6', 'G'}, {'9', 'B'}};
  for (const auto& [key, type] : kTypes)
    if (code.back() == key) {
      code.back() = type;
      break;
    }
  return code;
}

// ---- Detail types -----------------------------------------------------------------------------

namespace {
constexpr std::pair<DetailType, const char*> kDetailTypes[] = {
    {DetailType::Job, "Job"},
    {DetailType::GLAccount, "G/L Account"},
    {DetailType::Equipment, "Equipment"},
    {DetailType::Maintenance, "Maintenance"},
};
}  // namespace

DetailType detailTypeFromText(std::string_view text) {
  const std::string t = clipped(text);
  for (const auto& [type, name] : kDetailTypes)
    if (t == name) return type;
  return DetailType::None;
}

const char* detailTypeText(DetailType type) {
  for (const auto& [t, name] : kDetailTypes)
    if (t == type) return name;
  return "";
}

std::optional<DetailType> detailTypeForKeypad(char key) {
  switch (key) {
    case '5':
      return DetailType::Job;
    case '6':
      return DetailType::GLAccount;
    case '.':
      return DetailType::Equipment;
    case '2':
      return DetailType::Maintenance;
    default:
      return std::nullopt;
  }
}

DetailLayout detailLayout(DetailType type) {
  DetailLayout l;
  switch (type) {
    case DetailType::Job:
      l.job = l.costCode = true;
      break;
    case DetailType::GLAccount:
      l.account = true;
      break;
    case DetailType::Equipment:
      l.chargedEquipment = l.category = true;
      break;
    case DetailType::Maintenance:
      l.usedEquipment = l.category = true;
      break;
    case DetailType::None:
      break;
  }
  return l;
}

// ---- Accounts ---------------------------------------------------------------------------------

std::optional<ControlAccountMatch> controlAccount(const data::Systems& s,
                                                  std::string_view account) {
  const std::string a = clipped(account);
  if (a.empty()) return std::nullopt;
  const std::string ap = "Accounts Payable Ledger", ar = "Accounts Receivable Ledger",
                    jc = "Job Cost Ledger";
  const std::pair<const Str<12>*, ControlAccountMatch> table[] = {
      {&s.AccountsPayable, {"Accounts Payable", ap}},
      {&s.SubcontractsPayable, {"Subcontracts Payable", ap}},
      {&s.RetentionPayable, {"Retention Payable", ap}},
      {&s.AccountsReceivable, {"Accounts Receivable", ar}},
      {&s.RetentionReceivable, {"Retention Receivable", ar}},
      {&s.LaborCostsOnOpenJobs, {"Labor Costs on Open Jobs", jc}},
      {&s.MaterialCostsOnOpenJobs, {"Material Costs on Open Jobs", jc}},
      {&s.SubcontractCostsOnOpenJobs, {"Subcontract Costs on Open Jobs", jc}},
      {&s.EquipmentCostsOnOpenJobs, {"Equipment Costs on Open Jobs", jc}},
      {&s.GeneralCostsOnOpenJobs, {"General Costs on Open Jobs", jc}},
      {&s.BurdenCostsOnOpenJobs, {"Burden Costs on Open Jobs", jc}},
      {&s.JobIncomeOnOpenJobs, {"Job Income on Open Jobs", jc}},
  };
  for (const auto& [field, match] : table)
    if (clipped(field->str()) == a) return match;
  return std::nullopt;
}

std::string controlAccountWarning(const ControlAccountMatch& m) {
  return "You have entered an account number which|is currently set up as a Control Account|for " +
         m.name + ".||" + "If you post directly to this account, by-|" + "passing the " + m.ledger +
         ", |" + "you run the risk of losing the balance |" +
         "between the General Ledger and the |" + m.ledger + "!";
}

bool isCurrentEarnings(const data::Systems& s, std::string_view account) {
  const std::string a = clipped(account);
  return !a.empty() && clipped(s.CurrentEarnings.str()) == a;
}

// ---- Jobs by name -----------------------------------------------------------------------------

std::vector<std::string> jobChoices(std::vector<JobRow> jobs, std::string_view typed) {
  const std::string want = upper(clipped(typed));
  std::stable_sort(jobs.begin(), jobs.end(), [](const JobRow& a, const JobRow& b) {
    const std::string na = upper(a.name), nb = upper(b.name);
    return na != nb ? na < nb : a.id < b.id;
  });
  std::vector<std::string> lines;
  for (const JobRow& j : jobs) {
    if (!j.active || j.excluded == 1) continue;
    if (upper(j.name).rfind(want, 0) != 0) continue;
    lines.push_back(j.id + " - " + j.name);
  }
  return lines;
}

std::string jobIdOfChoice(std::string_view line, int jobIdLength) {
  // An ID shorter than the suite's length ends at the separator all the same.
  std::string id = clipped(line.substr(0, line.find(" - ")));
  return jobIdLength > 0 ? clipped(cutToChars(id, static_cast<std::size_t>(jobIdLength))) : id;
}

// ---- Activity log -----------------------------------------------------------------------------

std::string logEntryText(std::string_view verb, std::string_view equipmentId, Decimal units,
                         std::string_view usageUnit, Date date) {
  char when[16] = "";
  if (!date.isEmpty())
    std::snprintf(when, sizeof when, "%02d/%02d/%02d", date.month(), date.dayOfMonth(),
                  date.year() % 100);
  return std::string(verb) + " a log entry for equipment " + clipped(equipmentId) + ", " +
         units.toPlainString() + " " + clipped(usageUnit) + " on " + when;
}

}  // namespace koreq::usagelog
