#include "check/company_check.h"

#include "check/record_walk.h"
#include "check/totals_check.h"

#include <map>
#include <set>

#include "data/access.h"
#include "data/error.h"
#include "data/records.h"
#include "data/store.h"

namespace koreq::check {

namespace {

// The journal the usage-log posting writes to GLTRANS.
constexpr const char* kModuleJournal = "E/Q";

class Checker {
 public:
  Checker(data::Store& store, const CheckProgress& progress)
      : store_(store),
        progress_(progress),
        walk_(
            store,
            [this](const std::string& file, std::string record, std::string problem) {
              found(file, std::move(record), std::move(problem));
            },
            report_.recordsRead) {}

  CheckReport run() {
    // One moment of the company for the whole check: another workstation writing meanwhile
    // cannot make a rule look broken between two files.
    struct Snapshot {
      data::Store& store;
      bool begun;
      ~Snapshot() {
        if (begun) store.endReadSnapshot();
      }
    } snapshot{store_, store_.beginReadSnapshot()};
    step("Checking the database");
    checkDatabase();
    step("Checking every value");
    checkValues();
    step("Checking EQCOST");
    const std::set<std::string> equipment = keys<data::EqHeader>(
        "EQHEADER", [](const data::EqHeader& r) { return r.EquipmentID.str(); });
    const std::set<std::string> categories =
        keys<data::EqCode>("EQCODE", [](const data::EqCode& r) { return r.CategoryID.str(); });
    checkCosts(equipment, categories);
    step("Checking EQLOGB");
    checkEntries(equipment);
    step("Checking EQBATCH");
    checkBatchOrder();
    step("Checking GLDEPR");
    checkSchedules(equipment);
    step("Checking GLTRANS");
    checkJournals();
    step("Checking the posted totals");
    checkTotals(walk_);
    return std::move(report_);
  }

 private:
  static constexpr int kSteps = 8;

  void step(const std::string& title) {
    ++report_.rules;
    if (progress_) progress_(report_.rules, kSteps, title);
  }

  void found(const std::string& file, std::string record, std::string problem) {
    ++report_.broken;
    if (report_.findings.size() < CheckReport::kMaxListed)
      report_.findings.push_back({file, std::move(record), std::move(problem)});
  }

  void checkDatabase() {
    try {
      for (std::string& line : store_.integrityCheck()) found("database", "", std::move(line));
    } catch (const data::StoreError& e) {
      found("database", "", e.what());
    }
  }

  // Every value of every record against its field, each fault on its own.
  void checkValues() {
    std::set<std::string> tables;
    for (const data::FileDef* f : data::allFiles()) {
      if (!tables.insert(f->table).second) continue;  // an alias reads its base file's table
      try {
        store_.findUnfitValues(*f, [&](const data::Store::UnfitValue& u) {
          walk_.markUnfit(f->name);
          found(f->name, "record " + std::to_string(u.rowId),
                u.field->name + " holds '" + u.value + "', which the field cannot hold (" + u.why +
                    ")");
        });
      } catch (const data::StoreError& e) {
        found(f->name, "", std::string("cannot be read: ") + e.what());
      }
    }
  }

  template <typename R, typename Each>
  void each(const char* file, Each visit) {
    walk_.each<R>(file, visit);
  }

  template <typename R, typename Key>
  std::set<std::string> keys(const char* file, Key key) {
    std::set<std::string> s;
    each<R>(file, [&](const R& r) { s.insert(key(r)); });
    return s;
  }

  void checkCosts(const std::set<std::string>& equipment, const std::set<std::string>& categories) {
    each<data::EqCost>("EQCOST", [&](const data::EqCost& r) {
      const std::string id = r.EquipmentID.str(), category = r.CostCategory.str();
      const std::string record = "EQC:PrimaryRecordID " + std::to_string(r.PrimaryRecordID) + " (" +
                                 id + " " + category + ")";
      if (!equipment.count(id)) found("EQCOST", record, "no equipment " + id + " in EQHEADER");
      if (!categories.count(category))
        found("EQCOST", record, "no cost category " + category + " in EQCODE");
    });
  }

  void checkEntries(const std::set<std::string>& equipment) {
    std::set<unsigned> batches;
    each<data::EqBatch>("EQBATCH", [&](const data::EqBatch& r) { batches.insert(r.BatchID); });
    each<data::EqLogB>("EQLOGB", [&](const data::EqLogB& r) {
      const std::string id = r.EquipmentID.str();
      const std::string record = "EQLB:LogID " + std::to_string(r.LogID) + " (batch " +
                                 std::to_string(r.BatchID) + ", " + id + ")";
      if (!batches.count(r.BatchID))
        found("EQLOGB", record, "no batch " + std::to_string(r.BatchID) + " in EQBATCH");
      if (!equipment.count(id)) found("EQLOGB", record, "no equipment " + id + " in EQHEADER");
    });
  }

  void checkBatchOrder() {
    std::map<std::int32_t, unsigned> firstWith;  // SortID -> the first batch that has it
    each<data::EqBatch>("EQBATCH", [&](const data::EqBatch& r) {
      auto [at, added] = firstWith.emplace(r.SortID, r.BatchID);
      if (!added)
        found("EQBATCH", "EQB:BatchID " + std::to_string(r.BatchID),
              "EQB:SortID " + std::to_string(r.SortID) + " is also batch " +
                  std::to_string(at->second) + "'s");
    });
  }

  void checkSchedules(const std::set<std::string>& equipment) {
    each<data::GlDepr>("GLDEPR", [&](const data::GlDepr& r) {
      const std::string id = r.EquipmentID.str();
      if (!equipment.count(id))
        found("GLDEPR", "GLDP:RecordID " + std::to_string(r.RecordID) + " (" + id + ")",
              "no equipment " + id + " in EQHEADER");
    });
  }

  void checkJournals() {
    struct Sides {
      __int128 debits = 0, credits = 0;  // cents; no sum of 15-digit amounts overflows
      std::int32_t firstRecord = 0;
    };
    std::map<std::int32_t, Sides> journals;
    each<data::GlTrans>("GLTRANS", [&](const data::GlTrans& r) {
      if (r.JournalID.str() != kModuleJournal) return;
      Sides& s = journals[r.JournalNo];
      if (s.firstRecord == 0) s.firstRecord = r.RecordID;
      const std::string side = r.CreditDebit.str();
      if (side == "D")
        s.debits += r.Amount.cents();
      else if (side == "C")
        s.credits += r.Amount.cents();
      else
        found("GLTRANS", "GLT:RecordID " + std::to_string(r.RecordID),
              "GLT:CreditDebit is '" + side + "', neither D nor C");
    });
    for (const auto& [number, s] : journals)
      if (s.debits != s.credits)
        found("GLTRANS",
              "journal E/Q " + std::to_string(number) + " (from GLT:RecordID " +
                  std::to_string(s.firstRecord) + ")",
              "debits " + money(s.debits) + " and credits " + money(s.credits) + " do not balance");
  }

  static std::string money(__int128 cents) {
    const bool negative = cents < 0;
    unsigned __int128 v = negative ? -static_cast<unsigned __int128>(cents) : cents;
    std::string digits;
    do {
      digits.insert(digits.begin(), static_cast<char>('0' + v % 10));
      v /= 10;
    } while (v > 0);
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    digits.insert(digits.size() - 2, ".");
    return (negative ? "-" : "") + digits;
  }

  data::Store& store_;
  const CheckProgress& progress_;
  CheckReport report_;
  RecordWalk walk_;
};

}  // namespace

std::string Finding::line() const {
  return file + (record.empty() ? "" : " " + record) + ": " + problem;
}

std::string CheckReport::summary() const {
  if (sound())
    return "The company is sound: " + std::to_string(rules) + " checks held over " +
           std::to_string(recordsRead) + " records.";
  return std::to_string(broken) + (broken == 1 ? " fault" : " faults") + " found in " +
         std::to_string(recordsRead) + " records.";
}

std::string CheckReport::text() const {
  std::string t = summary() + "\n";
  for (const Finding& f : findings) t += f.line() + "\n";
  if (broken > findings.size())
    t += "... and " + std::to_string(broken - findings.size()) + " more faults\n";
  return t;
}

CheckReport checkCompany(data::Store& store, const CheckProgress& progress) {
  return Checker(store, progress).run();
}

}  // namespace koreq::check
