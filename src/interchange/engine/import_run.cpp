#include "interchange/engine/import_run.h"

#include <filesystem>
#include <system_error>

#include "data/records.h"
#include "frame/context.h"
#include "runtime/picture.h"
#include "usagelog/engine/cost_codes.h"
#include "usagelog/engine/entry_rules.h"
#include "usagelog/engine/record_rows.h"

namespace koreq::interchange {

namespace {
constexpr int kAmountDigits = 11;  // EQLB:Units, EQLB:GrossAmount
}  // namespace

ImportChecker::ImportChecker(frame::Context& ctx)
    : ctx_(ctx), today_(ctx.today()), costCodeLength_(usagelog::costCodeLength(ctx)) {}

const ImportChecker::Rates* ImportChecker::rates(const std::string& equipmentId) {
  auto [it, fresh] = equipment_.try_emplace(equipmentId);
  if (fresh) {
    data::Access<data::EqHeader> eq(ctx_.store(), ctx_.errors());
    if (eq.fetch("KeyEquipmentID", {data::Value(equipmentId)}) == data::kNoError)
      it->second = Rates{eq.rec().InternalBillingRate, eq.rec().RentalBillingRate};
  }
  return it->second ? &*it->second : nullptr;
}

bool ImportChecker::exists(const data::FileDef& file, const char* key,
                           std::vector<std::string> values) {
  auto [it, fresh] = seen_.try_emplace({&file, values}, false);
  if (fresh) {
    data::FileAccess a(ctx_.store(), file, ctx_.errors());
    std::vector<data::Value> v(values.begin(), values.end());
    it->second = a.fetch(key, v) == data::kNoError;
  }
  return it->second;
}

std::string ImportChecker::check(ImportItem& item) {
  if (item.date.isEmpty()) item.date = today_;
  const std::string& equipment = item.equipmentId.str();
  if (!rates(equipment)) return "Equipment: " + equipment + " Not Found";

  char kind = item.detailType.empty() ? ' ' : item.detailType.str()[0];
  if (kind != 'G' && kind != 'J' && kind != 'E' && kind != 'M') {
    if (!item.jobId.empty())
      kind = 'J';
    else if (!item.glAccount.empty())
      kind = 'G';
    else if (!item.equipmentCharged.empty())
      kind = 'E';
    else if (!item.category.empty())
      kind = 'M';
    else
      return "Invalid Record";
  }
  auto categoryOf = [&](const std::string& eq) -> std::string {
    if (item.category.empty()) return "No Cost Category";
    if (!exists(data::EqCost::def(), "KeyEquipmentCategory", {eq, item.category.str()}))
      return "Category " + item.category.str() + " on Equipment " + eq + " Not Found";
    return {};
  };
  std::string failure;
  switch (kind) {
    case 'J':
      if (item.jobId.empty()) return "Missing Job ID";
      if (!exists(data::JcHeader::def(), "KeyJobID", {item.jobId.str()}))
        return "Job: " + item.jobId.str() + " Not Found";
      if (item.costCode.empty()) return "No Cost Code";
      if (!exists(data::JcCost::def(), "KeyEntryMask", {item.jobId.str(), item.costCode.str()}))
        return "Cost Code " + item.costCode.str() + " on Job " + item.jobId.str() + " Not Found";
      item.detailType = "Job";
      break;
    case 'G':
      if (item.glAccount.empty()) return "Missing GL Account";
      if (!exists(data::GlMaster::def(), "KeyAccount", {item.glAccount.str()}))
        return "Account: " + item.glAccount.str() + " Not Found";
      item.detailType = "G/L Account";
      break;
    case 'E':
      if (item.equipmentCharged.empty()) return "Missing Equipment ID";
      failure = categoryOf(item.equipmentCharged.str());
      if (!failure.empty()) return failure;
      item.detailType = "Equipment";
      break;
    default:  // 'M'
      failure = categoryOf(equipment);
      if (!failure.empty()) return failure;
      item.detailType = "Maintenance";
      break;
  }
  if (item.units.isZero()) item.units = item.endMeter - item.startMeter;
  if (item.units.isZero()) return "No Units";
  if (item.chargeType.empty()) item.chargeType = "I";
  // The entry's amounts hold 11 digits: checked here, before anything is written.
  if (!item.units.fitsDigits(kAmountDigits))
    return "Total Units " + item.units.toPlainString() + " is too large for its field";
  const Rates* r = rates(equipment);
  const usagelog::Charges c = usagelog::calculateCharges(
      item.units, item.chargeType.str().substr(0, 1), r->internal, r->rental, Decimal{});
  if (!c.gross.fitsDigits(kAmountDigits))
    return "Gross Amount " + c.gross.toPlainString() + " (" + item.units.toPlainString() +
           " units at " + c.rate.toPlainString() + ") is too large for its field";
  return {};
}

bool ImportChecker::chargedToOtherCostType(const ImportItem& item) const {
  const char type = usagelog::costTypeOf(item.costCode.str(), costCodeLength_);
  return type == 'M' || type == 'S' || type == 'L' || type == 'G' || type == 'B';
}

EntryWriter::EntryWriter(frame::Context& ctx, ImportChecker& checker, std::uint16_t batchId)
    : ctx_(ctx), checker_(checker), batchId_(batchId) {}

bool EntryWriter::add(const ImportItem& item, std::string* why) {
  auto& log = ctx_.access<data::EqLogB>();
  if (log.prime() != data::kNoError) {
    if (why) *why = log.lastErrorText() + " Autoincrementing EQLogB";
    return false;
  }
  data::EqLogB& e = log.rec();
  e.BatchID = batchId_;
  e.EquipmentID = item.equipmentId.str();
  e.StartMeter = item.startMeter;
  e.EndMeter = item.endMeter;
  e.Units = item.units;
  e.ChargeType = item.chargeType.str().substr(0, 1);
  e.DetailType = item.detailType.str();
  e.GLAccount = item.glAccount.str();
  e.JobID = item.jobId.str();
  e.CostCode = item.costCode.str();
  e.EquipmentIDCharged = item.equipmentCharged.str();
  e.Category = item.category.str();
  e.Comments = item.comment.str();
  e.Date = item.date;
  e.Location = item.location.str();
  e.EmployeeID = item.employeeId;
  // Charged as the entry form charges: the rate by charge type, no adjustment.
  const ImportChecker::Rates* r = checker_.rates(item.equipmentId.str());
  const usagelog::Charges c =
      usagelog::calculateCharges(e.Units, e.ChargeType.str(), r ? r->internal : Decimal{},
                                 r ? r->rental : Decimal{}, Decimal{});
  e.GrossAmount = c.gross;
  e.AdjustedAmount = c.net;
  if (log.insert() != data::kNoError) {
    if (why) *why = log.lastErrorText() + " Inserting EQLogB";
    return false;
  }
  ++added_;
  return true;
}

DuplicateCheck::DuplicateCheck(frame::Context& ctx, std::uint16_t batchId)
    : ctx_(ctx), batchId_(batchId) {}

std::string DuplicateCheck::duplicateOf(const ImportItem& item) {
  const std::string& equipment = item.equipmentId.str();
  auto [it, fresh] = seen_.try_emplace({equipment, item.date.day()});
  if (fresh) {
    const std::vector<data::Value> key{data::Value(equipment), data::Value(item.date)};
    for (const auto& e :
         usagelog::detail::readWhere<data::EqLogB>(ctx_.store(), "KeyEquipmentID", key))
      if (e.rec.BatchID == batchId_)
        it->second.push_back({e.rec.StartMeter, e.rec.EndMeter, e.rec.Units, false});
    for (const auto& e :
         usagelog::detail::readWhere<data::EqLog>(ctx_.store(), "KeyEquipmentID", key))
      it->second.push_back({e.rec.StartMeter, e.rec.EndMeter, e.rec.Units, true});
  }
  for (const Entry& e : it->second)
    if (e.start == item.startMeter && e.end == item.endMeter && e.units == item.units)
      return e.posted ? "already posted" : "already in batch " + std::to_string(batchId_);
  return {};
}

std::string duplicateText(const ImportItem& item, const std::string& where) {
  return "Possible duplicate: " + item.equipmentId.str() + " " +
         trimLeft(formatPicture("@d2", item.date)) + " " + item.units.toPlainString() +
         " units is " + where;
}

bool readImportFile(frame::Context& ctx, ImportChecker& checker, const LineLayout& layout,
                    const std::string& file, const std::function<void(ImportItem&)>& accepted,
                    const std::function<void(const ImportError&)>& rejected, std::string* why,
                    ImportRead* read) {
  namespace fs = std::filesystem;
  const fs::path work = fs::path(clipped(ctx.session().g.DATAPATH.str())) / "Import.txt";
  std::error_code ec;
  if (!fs::is_regular_file(file, ec)) {
    if (why) *why = "The import file " + file + " is not a file that can be read.";
    return false;
  }
  auto reader = LineReader::throughWorkFile(file, work.string(), why, layout.encoding);
  if (!reader) return false;
  if (read) read->encoding = reader->encoding();
  auto statusText = [](LineReader::Status s) -> const char* {
    switch (s) {
      case LineReader::Status::TooLong:
        return "Line is longer than 1,024 characters";
      case LineReader::Status::NotText:
        return "Line is not text";
      case LineReader::Status::NotUtf8:
        return "Line is not UTF-8 text (choose the file's encoding)";
      default:
        return "";
    }
  };
  std::string line, more;
  std::vector<std::string> fields;
  long number = 0, moreNumber = 0;
  bool first = true;
  for (;;) {
    const LineReader::Status status = reader->next(line, number);
    if (status == LineReader::Status::End) break;
    if (status == LineReader::Status::Failed) {
      if (why) *why = "The import file could not be read to its end.";
      return false;
    }
    const bool header = first && layout.header;
    first = false;
    if (status != LineReader::Status::Line) {
      if (!header) rejected({number, statusText(status)});
      continue;
    }
    // A quoted field holding line breaks goes on over the next lines.
    bool tooLong = false;
    long last = number;
    while (!tooLong && endsInsideQuotes(layout, line)) {
      const LineReader::Status s = reader->next(more, moreNumber);
      if (s == LineReader::Status::End) break;
      if (s == LineReader::Status::Failed) {
        if (why) *why = "The import file could not be read to its end.";
        return false;
      }
      if (s != LineReader::Status::Line) {
        rejected({moreNumber, statusText(s)});
        break;
      }
      line += '\n';
      line += more;
      last = moreNumber;
      tooLong = charCount(line) > LineReader::kMaxLine;
    }
    // A quote never closed takes the lines after it: the error says which it took.
    const std::string taken = last > number ? " (lines " + std::to_string(number) + " to " +
                                                  std::to_string(last) + " read as one)"
                                            : std::string();
    if (header) {
      if (read) read->header = line;
      continue;
    }
    if (tooLong) {
      rejected({number, "A quoted field is not closed within 1,024 characters" + taken});
      continue;
    }
    if (clip(line).empty()) continue;
    std::string failure = splitFields(layout, line, fields);
    if (failure.empty() && blankFields(fields)) continue;
    ImportItem item;
    item.lineNumber = number;
    if (failure.empty()) failure = readFields(layout, fields, item);
    if (failure.empty()) failure = checker.check(item);
    if (failure.empty())
      accepted(item);
    else
      rejected({number, failure + taken});
  }
  return true;
}

std::string batchTitle(frame::Context& ctx, std::uint16_t batchId) {
  std::string title = "Batch " + std::to_string(batchId);
  data::Access<data::EqBatch> batch(ctx.store(), ctx.errors());
  if (batch.fetch("KeyBatchID", {data::Value(std::int64_t{batchId})}) == data::kNoError &&
      !batch.rec().Description.empty())
    title += " - " + batch.rec().Description.str();
  return title;
}

std::string otherCostTypesQuestion(long items, long charged) {
  return "Out of the " + std::to_string(items) + " usage log records to be imported,|" +
         std::to_string(charged) +
         " have been charged to cost types other than Equipment.|Would you like to import just "
         "items charged to Equipment, |cost codes, or All usage log records, regardless of the "
         "|cost type they are charged to?";
}

}  // namespace koreq::interchange
