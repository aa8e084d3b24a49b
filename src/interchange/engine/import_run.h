#pragma once

// The import of usage-log entries: each line read along a source, checked against the
// equipment, job-cost and ledger files, and the accepted items added to a batch — all of them
// in one transaction, or none. Shared by the import window and the command line. No Qt.

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "interchange/engine/import_lines.h"

namespace koreq::frame {
class Context;
}
namespace koreq::data {
class FileDef;
}

namespace koreq::interchange {

struct ImportError {
  long line = 0;
  std::string text;
};

// The checks of an item against the company's files, in their order. Lookups are remembered
// for the run, so a large file costs one query per distinct code.
class ImportChecker {
 public:
  explicit ImportChecker(frame::Context& ctx);
  // Completes the item (today's date for an empty one, the detail type, units from the meters,
  // charge type 'I' for a blank one) and returns the reason it fails; empty when it passes.
  std::string check(ImportItem& item);
  // Whether the item is charged to a job cost code whose type is not equipment.
  bool chargedToOtherCostType(const ImportItem& item) const;

  struct Rates {
    Decimal internal;
    Decimal rental;
  };
  // The billing rates of an equipment; nothing when it does not exist.
  const Rates* rates(const std::string& equipmentId);

 private:
  bool exists(const data::FileDef& file, const char* key, std::vector<std::string> values);
  frame::Context& ctx_;
  Date today_;
  int costCodeLength_;
  std::map<std::string, std::optional<Rates>> equipment_;
  std::map<std::pair<const data::FileDef*, std::vector<std::string>>, bool> seen_;
};

// Adds items as entries of a batch: numbered, priced at the equipment's rental rate for charge
// type 'R' and its internal rate otherwise. Call inside the caller's transaction.
class EntryWriter {
 public:
  EntryWriter(frame::Context& ctx, ImportChecker& checker, std::uint16_t batchId);
  // False with `why` (a file error followed by its action) when the entry was not added.
  bool add(const ImportItem& item, std::string* why);
  long added() const { return added_; }

 private:
  frame::Context& ctx_;
  ImportChecker& checker_;
  std::uint16_t batchId_;
  long added_ = 0;
};

// Whether an item may repeat an entry: one of the same equipment, date, meter readings and
// units already in the target batch or already posted. A re-imported file is the usual cause.
class DuplicateCheck {
 public:
  DuplicateCheck(frame::Context& ctx, std::uint16_t batchId);
  // "already in batch 7" or "already posted"; empty when neither. Call after the item was
  // checked (its units completed from the meters).
  std::string duplicateOf(const ImportItem& item);

 private:
  struct Entry {
    Decimal start, end, units;
    bool posted = false;
  };
  frame::Context& ctx_;
  std::uint16_t batchId_;
  std::map<std::pair<std::string, std::int64_t>, std::vector<Entry>> seen_;
};

// The error text of a line that may be a duplicate, for the preview and the command line.
std::string duplicateText(const ImportItem& item, const std::string& where);

// What reading a file found beside its items.
struct ImportRead {
  std::string header;                          // the header line skipped, when the source has one
  TextEncoding encoding = TextEncoding::Auto;  // what the file was read as
};

// Copies `file` to the company's work file (DATAPATH/Import.txt), reads it line by line along
// the layout and checks each item: `accepted` gets each item that passes, `rejected` each line
// that fails. A quoted field may carry a delimited line over the next ones; the item keeps the
// number of its first line. The work file is removed afterwards. False with `why` when the file
// could not be copied or read.
bool readImportFile(frame::Context& ctx, ImportChecker& checker, const LineLayout& layout,
                    const std::string& file, const std::function<void(ImportItem&)>& accepted,
                    const std::function<void(const ImportError&)>& rejected, std::string* why,
                    ImportRead* read = nullptr);

// The preview's note that the file carries no amounts.
inline constexpr char kAmountsFromRatesNote[] =
    "Amounts are computed from the equipment rates: the file carries no adjustments.";

// "Batch 7 - " and the batch's description: how the export and import windows name the batch
// they work on. Just the number when the batch has no description or no longer exists.
std::string batchTitle(frame::Context& ctx, std::uint16_t batchId);

// The count text of the non-equipment question ("Out of the ...").
std::string otherCostTypesQuestion(long items, long charged);

}  // namespace koreq::interchange
