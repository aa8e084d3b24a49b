#include "usagelog/log_form.h"

#include "usagelog/engine/cost_codes.h"

#include "equipment/categories.h"
#include "frame/activity_log.h"
#include "suite/casemode.h"
#include "ui/model/desktop.h"
#include "usagelog/batch_form.h"
#include "windows/BROWSEGLMASTER.h"
#include "windows/BROWSEJCCOST.h"
#include "windows/BROWSEJCHEADER.h"
#include "windows/BROWSEPREMP.h"
#include "windows/BrowseEQCost.h"
#include "windows/BrowseEQHeader.h"
#include "windows/SELECTJOBBYNAME.h"
#include "windows/UpdateEQLog.h"

namespace koreq::usagelog {

namespace win = windows::UpdateEQLog;

namespace {

std::string text(const data::FileAccess& f, std::string_view field) {
  return clipped(data::valueToText(f.get(field)));
}

constexpr const char* kCaseTexts[] = {"small text", "Capitalized Text", "ALL CAPS"};
constexpr CaseMode kCaseModes[] = {CaseMode::Def, CaseMode::Cap, CaseMode::Upr};

// The detail controls, each with its prompt and lookup button.
struct DetailControls {
  const char* controls[4];
  bool DetailLayout::*shown;
};
constexpr DetailControls kDetailControls[] = {
    {{win::JOBPROMPT, win::EQLB_JobID, win::LOOKUPJOB, nullptr}, &DetailLayout::job},
    {{win::COSTCODEPROMPT, win::EQLB_CostCode, win::LOOKUPCOSTCODE, nullptr},
     &DetailLayout::costCode},
    {{win::ACCOUNTPROMPT, win::EQLB_GLAccount, win::LOOKUPACCOUNT, nullptr},
     &DetailLayout::account},
    {{win::CHARGEDPROMPT, win::EQLB_EquipmentIDCharged, win::LOOKUPCHARGED, nullptr},
     &DetailLayout::chargedEquipment},
    {{win::USEDPROMPT, win::USEDEQUIPMENT, nullptr, nullptr}, &DetailLayout::usedEquipment},
    {{win::CATEGORYPROMPT, win::EQLB_Category, win::LOOKUPCATEGORY, nullptr},
     &DetailLayout::category},
};

constexpr const char* kCompleted[] = {
    win::EQLB_Category,           win::EQLB_Comments,  win::EQLB_CostCode, win::EQLB_EquipmentID,
    win::EQLB_EquipmentIDCharged, win::EQLB_GLAccount, win::EQLB_JobID,    win::EQLB_Location};

constexpr const char* kLookupButtons[] = {
    win::LOOKUPEQUIPMENT, win::LOOKUPJOB,      win::LOOKUPCOSTCODE, win::LOOKUPACCOUNT,
    win::LOOKUPCHARGED,   win::LOOKUPCATEGORY, win::LOOKUPEMPLOYEE, win::CALENDAR};

}  // namespace

LogForm::LogForm(frame::Context& ctx, equipment::EquipmentShared& shared, EntryMemory& memory)
    : ui::FormProcedure(ctx, win::kName, data::EqLogB::def()), shared_(shared), memory_(memory) {
  bindLocal("ChargeRate", chargeRate_);
  bindLocal("Adjustment", adjustment_);
  bindLocal("Description1", description1_);
  bindLocal("Description2", description2_);
  bindLocal("EmployeeName", employeeName_);
}

data::EqLogB& LogForm::entry() const {
  return ctx().rec<data::EqLogB>();
}

DetailType LogForm::detailType() const {
  return detailTypeFromText(entry().DetailType.str());
}

// ---- Opening ------------------------------------------------------------------------------------

void LogForm::prepare() {
  batchId_ = entry().BatchID;
  if (batchId_ == 0) batchId_ = ctx().rec<data::EqBatch>().BatchID;
  ui::FormProcedure::prepare();
  data::FileAccess& f = primary();
  if (request() == ui::Request::Insert)
    entry().BatchID = batchId_;
  else if (f.position() == 0)
    f.fetch("KeyLogID", {f.get("EQLB:LogID")});
}

bool LogForm::readBatch(data::EqBatch& batch) {
  data::Access<data::EqBatch> b(ctx().store(), ctx().errors());
  if (b.fetch("KeyBatchID", {data::Value(std::int64_t{entry().BatchID})}) != data::kNoError)
    return false;
  batch = b.rec();
  return true;
}

void LogForm::init() {
  setTitleByRequest("Adding a Usage Log", "Changing a Usage Log", window().title());
  for (const char* c : kCompleted) shared_.autoEntry.registerControl(name(), c);
  applyCaseModes();
  data::EqBatch batch;
  reInsert_ = request() == ui::Request::Insert && readBatch(batch) && batch.ReInsert;
  if (request() == ui::Request::View)
    for (const char* c : kLookupButtons) control(c).disable();
  if (request() == ui::Request::Insert)
    primeNewEntry();
  else
    openForChange();
}

void LogForm::primeNewEntry() {
  data::EqLogB& e = entry();
  e.ChargeType = "I";
  e.DetailType = "Job";
  e.Date = ctx().today();
  description1_ = "";
  description2_ = "";
  employeeName_ = "";
  adjustment_ = Decimal();
  e.EquipmentID = memory_.lastEquipmentId;
  e.StartMeter = memory_.lastEndMeter;
  ctx().rec<data::EqHeader>() = data::EqHeader{};
  used_ = data::EqHeader{};
  opened_ = e;
  showDetail();
  display();
  // The carried-over equipment is taken as if typed: its start meter and rates follow.
  if (!e.EquipmentID.empty()) equipmentAccepted(false);
}

void LogForm::openForChange() {
  data::EqLogB& e = entry();
  opened_ = e;
  adjustment_ = e.AdjustedAmount - e.GrossAmount;
  readUsedEquipment();
  if (!e.EndMeter.isZero()) e.StartMeter = e.EndMeter - e.Units;
  // Today's rate: an entry opened after the rate changed is charged anew, its adjustment kept.
  calculateCharges();
  if (e.EmployeeID != 0) {
    data::FileAccess& emp = ctx().file(data::PrEmp::def());
    if (emp.fetch("KeyEmployeeID", {data::Value(std::int64_t{e.EmployeeID})}) == data::kNoError)
      employeeName_ = text(emp, "PRE:FirstName") + " " + text(emp, "PRE:LastName");
  }
  showDetail();
  fillDescriptions();
  display();
}

void LogForm::readUsedEquipment() {
  data::FileAccess& eq = ctx().file(data::EqHeader::def());
  if (eq.fetch("KeyEquipmentID", {data::Value(entry().EquipmentID.str())}) != data::kNoError)
    eq.clear();
  used_ = ctx().rec<data::EqHeader>();
}

void LogForm::restoreUsedEquipment() {
  ctx().rec<data::EqHeader>() = used_;
}

void LogForm::calculateCharges() {
  data::EqLogB& e = entry();
  const Charges c = usagelog::calculateCharges(
      e.Units, e.ChargeType.str(), used_.InternalBillingRate, used_.RentalBillingRate, adjustment_);
  chargeRate_ = c.rate;
  e.GrossAmount = c.gross;
  e.AdjustedAmount = c.net;
  display();
}

void LogForm::showDetail() {
  const DetailLayout layout = detailLayout(detailType());
  for (const DetailControls& d : kDetailControls)
    for (const char* c : d.controls)
      if (c) control(c).setVisible(layout.*d.shown);
}

void LogForm::fillDescriptions() {
  data::EqLogB& e = entry();
  description1_ = "";
  description2_ = "";
  auto read = [this](const data::FileDef& def, std::string_view key, std::vector<data::Value> v,
                     std::string_view field) {
    data::FileAccess f(ctx().store(), def, ctx().errors());
    return f.fetch(key, v) == data::kNoError ? text(f, field) : std::string();
  };
  auto category = [&] {
    return read(data::EqCode::def(), "KeyCategoryID", {data::Value(e.Category.str())},
                "EQD:Description");
  };
  switch (detailType()) {
    case DetailType::Job:
      description1_ =
          read(data::JcHeader::def(), "KeyJobID", {data::Value(e.JobID.str())}, "JCH:Name");
      description2_ =
          read(data::JcCost::def(), "KeyEntryMask",
               {data::Value(e.JobID.str()), data::Value(e.CostCode.str())}, "JCC:Description");
      break;
    case DetailType::GLAccount:
      description1_ = read(data::GlMaster::def(), "KeyAccount", {data::Value(e.GLAccount.str())},
                           "GLM:Description");
      break;
    case DetailType::Equipment:
      description1_ = read(data::EqHeader::def(), "KeyEquipmentID",
                           {data::Value(e.EquipmentIDCharged.str())}, "EQH:Description");
      description2_ = category();
      break;
    case DetailType::Maintenance:
      readUsedEquipment();
      description1_ = used_.Description.str();
      description2_ = category();
      break;
    case DetailType::None:
      break;
  }
}

// ---- Case modes ---------------------------------------------------------------------------------

void LogForm::applyCaseModes() {
  commentCase_ = equipment::applyCaseMode(ctx(), control(win::EQLB_Comments), "EQLB:Comments");
  locationCase_ = equipment::applyCaseMode(ctx(), control(win::EQLB_Location), "EQLB:Location");
}

std::string LogForm::editMenuExtras(ui::Control& c) {
  CaseMode current;
  if (c.is(win::EQLB_Comments))
    current = commentCase_;
  else if (c.is(win::EQLB_Location))
    current = locationCase_;
  else
    return {};
  std::string items;
  for (int i = 0; i < 3; ++i) {
    if (i) items += "|";
    items += (kCaseModes[i] == current ? "\u2022  " : "   ");
    items += kCaseTexts[i];
  }
  return items;
}

void LogForm::editMenuChosen(ui::Control& c, int item) {
  if (item < 1 || item > 3) return;
  const bool comment = c.is(win::EQLB_Comments);
  const CaseMode mode = kCaseModes[item - 1];
  c.setCaseMode(mode);
  (comment ? commentCase_ : locationCase_) = mode;
  suite::GETCASE(ctx(), caseModeText(mode) + (comment ? "EQLB:Comments" : "EQLB:Location"));
}

// ---- Reactions ----------------------------------------------------------------------------------

void LogForm::accepted(ui::Control& c) {
  data::EqLogB& e = entry();
  const bool all = acceptingAll();
  if (c.is(win::EQLB_EndMeter)) {
    if (all) return;
    e.Units = e.EndMeter - e.StartMeter;
    calculateCharges();
  } else if (c.is(win::EQLB_StartMeter)) {
    // On OK an entry of hours only (no end meter) keeps its units.
    if (all && e.EndMeter.isZero()) return;
    e.Units = e.EndMeter - e.StartMeter;
    display();
  } else if (c.is(win::EQLB_Units)) {
    if (all) return;
    e.EndMeter = e.StartMeter + e.Units;
    calculateCharges();
  } else if (c.is(win::EQLB_ChargeType)) {
    if (!all) calculateCharges();
  } else if (c.is(win::Adjustment)) {
    if (all) return;
    e.AdjustedAmount = e.GrossAmount + adjustment_;
    display();
  } else if (c.is(win::EQLB_AdjustedAmount)) {
    adjustment_ = e.AdjustedAmount - e.GrossAmount;
    display();
  } else if (c.is(win::EQLB_EquipmentID)) {
    equipmentAccepted(false);
  } else if (c.is(win::EQLB_EquipmentIDCharged)) {
    equipmentAccepted(true);
  } else if (c.is(win::EQLB_DetailType)) {
    detailTypeChosen(detailType());
  } else if (c.is(win::EQLB_JobID)) {
    if (!all) jobAccepted();
  } else if (c.is(win::EQLB_CostCode)) {
    costCodeAccepted();
  } else if (c.is(win::EQLB_GLAccount)) {
    accountAccepted();
  } else if (c.is(win::EQLB_Category)) {
    categoryAccepted();
  } else if (c.is(win::EQLB_EmployeeID)) {
    employeeAccepted();
  } else if (c.name().rfind("?LOOKUP", 0) == 0) {
    lookup(c.name());
  }
}

void LogForm::newSelection(ui::Control& c) {
  if (c.is(win::EQLB_DetailType)) detailTypeChosen(detailType());
}

void LogForm::selected(ui::Control& c) {
  if (c.is(win::EQLB_StartMeter) || c.is(win::EQLB_Units)) calculateCharges();
}

void LogForm::alertKey(ui::Control& c, ui::Key key) {
  if (!c.is(win::EQLB_DetailType) || c.readonly()) return;
  char pressed = 0;
  switch (key) {
    case ui::Key::Keypad5:
      pressed = '5';
      break;
    case ui::Key::Keypad6:
      pressed = '6';
      break;
    case ui::Key::KeypadPoint:
      pressed = '.';
      break;
    case ui::Key::Keypad2:
      pressed = '2';
      break;
    default:
      return;
  }
  cycle();
  if (std::optional<DetailType> type = detailTypeForKeypad(pressed)) {
    entry().DetailType = detailTypeText(*type);
    detailTypeChosen(*type);
  }
}

void LogForm::detailTypeChosen(DetailType) {
  showDetail();
  fillDescriptions();
  display();
}

void LogForm::validate(const char* entryName, bool exists, std::function<void()> then) {
  if (exists) {
    if (then) then();
    return;
  }
  // The list opens on what was typed; a choice is accepted as if typed, a cancel stays here.
  lookup(std::string(entryName) + "!refocus");
}

// ---- Equipment
// ------------------------------------------------------------------------------------

bool LogForm::askInactiveEquipment(const std::string& id, bool active) {
  if (active || acceptingAll()) return true;
  port().beep();
  const int answer = message("Equipment " + id +
                                 " has been marked 'Inactive', are you sure you want to "
                                 "assign this log entry to this piece of equipment",
                             "Assign to Inactive Equipment?", ui::Icon::Question, "&Yes|&No");
  return answer == 1;
}

void LogForm::equipmentAccepted(bool charged) {
  data::EqLogB& e = entry();
  const char* entryName = charged ? win::EQLB_EquipmentIDCharged : win::EQLB_EquipmentID;
  const std::string id = charged ? e.EquipmentIDCharged.str() : e.EquipmentID.str();
  if (id.empty() && !control(entryName).required()) return;
  data::Access<data::EqHeader> eq(ctx().store(), ctx().errors());
  const bool exists = eq.fetch("KeyEquipmentID", {data::Value(id)}) == data::kNoError;
  validate(entryName, exists, [this, charged, entryName, record = eq.rec()] {
    if (!askInactiveEquipment(record.EquipmentID.str(), record.Active != 0)) {
      (charged ? entry().EquipmentIDCharged : entry().EquipmentID) = "";
      display();
      select(entryName);
      return;
    }
    if (charged) {
      ctx().g.EQUIPFIELD = record.EquipmentID.str();
      if (acceptingAll()) return;
      description1_ = record.Description.str();
      entry().Comments = cutToChars(record.Description.str(), 20);
      display();
      return;
    }
    ctx().rec<data::EqHeader>() = record;
    used_ = record;
    ctx().g.EQUIPFIELD = record.EquipmentID.str();
    // OK never takes back a start meter that was typed or that the entry carried.
    if (acceptingAll()) return;
    entry().StartMeter = startMeter(record.CurrentMeter, memory_.meters, record.EquipmentID.str());
    if (detailType() == DetailType::Maintenance) description1_ = record.Description.str();
    calculateCharges();
  });
}

// ---- Job and cost code
// ----------------------------------------------------------------------------

void LogForm::jobAccepted() {
  data::EqLogB& e = entry();
  data::FileAccess job(ctx().store(), data::JcHeader::def(), ctx().errors());
  const std::string typed = e.JobID.str();
  if (!typed.empty() && job.fetch("KeyJobID", {data::Value(typed)}) != data::kNoError) {
    // Not a job ID: the beginning of a job's name.
    std::vector<JobRow> rows;
    job.set(data::JcHeader::def().primaryKey());
    while (job.next() == data::kNoError) {
      const auto& j = static_cast<const data::JcHeader*>(job.buffer());
      rows.push_back({j->JobID.str(), j->Name.str(), j->Active, j->ExcludeFromSelection});
    }
    std::vector<std::string> lines = jobChoices(std::move(rows), typed);
    data::Access<data::Systems> systems(ctx().store(), ctx().errors());
    systems.set(data::Systems::def().primaryKey());
    const int idLength = systems.next() == data::kNoError ? systems.rec().JobIDLength : 0;
    if (lines.size() == 1) {
      e.JobID = jobIdOfChoice(lines.front(), idLength);
    } else if (lines.size() > 1) {
      ctx().g.RXQUEUE = lines;
      ctx().g.Increment = 0;
      call(windows::SELECTJOBBYNAME::kName, [this, idLength](ui::Response r) {
        if (r == ui::Response::Completed && !ctx().g.RXQUEUE.empty())
          entry().JobID = jobIdOfChoice(ctx().g.RXQUEUE.front(), idLength);
        display();
        if (entry().JobID.empty()) {
          select(win::EQLB_JobID);
          return;
        }
        jobAccepted();
      });
      return;
    }
    // Nothing begins so: the job list opens on it below.
  }
  if (e.JobID.empty()) {
    display();
    select(win::EQLB_JobID);
    return;
  }
  validate(win::EQLB_JobID, job.fetch("KeyJobID", {data::Value(e.JobID.str())}) == data::kNoError,
           [this] { jobChosen(); });
}

void LogForm::jobChosen() {
  data::EqLogB& e = entry();
  data::Access<data::JcHeader> job(ctx().store(), ctx().errors());
  if (job.fetch("KeyJobID", {data::Value(e.JobID.str())}) != data::kNoError) return;
  description1_ = job.rec().Name.str();
  if (e.Comments.empty()) e.Comments = cutToChars(job.rec().Name.str(), 20);
  if (e.Location.empty()) e.Location = cutToChars(e.JobID.str(), 5);
  ctx().rec<data::JcCost>().JobID = e.JobID;
  display();
}

void LogForm::costCodeAccepted() {
  data::EqLogB& e = entry();
  if (e.CostCode.empty()) return;
  e.CostCode = normaliseCostCode(e.CostCode.str(), costCodeLength(ctx()));
  display();
  data::Access<data::JcCost> code(ctx().store(), ctx().errors());
  const bool exists = code.fetch("KeyEntryMask", {data::Value(e.JobID.str()),
                                                  data::Value(e.CostCode.str())}) == data::kNoError;
  validate(win::EQLB_CostCode, exists, [this, found = code.rec()] {
    data::EqLogB& e = entry();
    data::Access<data::JcCost> code(ctx().store(), ctx().errors());
    data::JcCost cc = found;
    if (code.fetch("KeyEntryMask", {data::Value(e.JobID.str()), data::Value(e.CostCode.str())}) ==
        data::kNoError)
      cc = code.rec();
    if (cc.Inactive) {
      message("Cost Code " + e.CostCode.str() + " - " + cc.Description.str() + "|" +
                  "has been marked inactive.",
              "Cannot Select Inactive Cost Code", ui::Icon::Exclamation);
      e.CostCode = "";
      display();
      select(win::EQLB_CostCode);
      return;
    }
    if (detailType() == DetailType::Job) e.GLAccount = cc.GLAccount;
    description2_ = cc.Description.str();
    display();
  });
}

// ---- Account ------------------------------------------------------------------------------------

void LogForm::accountAccepted() {
  data::EqLogB& e = entry();
  if (e.GLAccount.empty()) return;
  data::FileAccess gl(ctx().store(), data::GlMaster::def(), ctx().errors());
  validate(win::EQLB_GLAccount,
           gl.fetch("KeyAccount", {data::Value(e.GLAccount.str())}) == data::kNoError,
           [this] { accountChosen(); });
}

void LogForm::accountChosen() {
  if (acceptingAll()) return;
  data::EqLogB& e = entry();
  data::Access<data::GlMaster> gl(ctx().store(), ctx().errors());
  if (gl.fetch("KeyAccount", {data::Value(e.GLAccount.str())}) != data::kNoError) return;
  description1_ = gl.rec().Description.str();
  description2_ = "";
  if (e.Comments.empty()) e.Comments = cutToChars(gl.rec().Description.str(), 20);
  display();
  data::Access<data::Systems> systems(ctx().store(), ctx().errors());
  systems.set(data::Systems::def().primaryKey());
  if (systems.next() != data::kNoError) return;
  if (std::optional<ControlAccountMatch> m = controlAccount(systems.rec(), e.GLAccount.str())) {
    port().beep();
    message(controlAccountWarning(*m), "Control Account Entered", ui::Icon::Exclamation);
  }
  if (isCurrentEarnings(systems.rec(), e.GLAccount.str())) {
    port().beep();
    message(kCurrentEarningsText, "Current Earnings Account Entered", ui::Icon::Exclamation);
    e.GLAccount = "";
    description1_ = "";
    display();
    select(win::EQLB_GLAccount);
  }
}

// ---- Cost category and employee
// -------------------------------------------------------------------

std::string LogForm::costCategoryOwner() const {
  return detailType() == DetailType::Equipment ? entry().EquipmentIDCharged.str()
                                               : entry().EquipmentID.str();
}

void LogForm::categoryAccepted() {
  data::EqLogB& e = entry();
  if (e.Category.empty() && !control(win::EQLB_Category).required()) return;
  const std::string owner = costCategoryOwner();
  data::FileAccess cost(ctx().store(), data::EqCost::def(), ctx().errors());
  const bool exists =
      cost.fetch("KeyRecordID", {data::Value(equipment::costRecordId(owner, e.Category.str()))}) ==
      data::kNoError;
  validate(win::EQLB_Category, exists, [this, owner] {
    data::EqLogB& e = entry();
    const DetailType type = detailType();
    if (type != DetailType::Maintenance && type != DetailType::Equipment) return;
    data::FileAccess cost(ctx().store(), data::EqCost::def(), ctx().errors());
    if (cost.fetch("KeyRecordID", {data::Value(equipment::costRecordId(
                                      owner, e.Category.str()))}) == data::kNoError)
      e.GLAccount = text(cost, "EQC:ControlDebit");
    data::FileAccess code(ctx().store(), data::EqCode::def(), ctx().errors());
    description2_ = code.fetch("KeyCategoryID", {data::Value(e.Category.str())}) == data::kNoError
                        ? text(code, "EQD:Description")
                        : std::string();
    if (type == DetailType::Maintenance && e.Comments.empty())
      e.Comments = cutToChars(description2_.str(), 20);
    display();
  });
}

void LogForm::employeeAccepted() {
  data::EqLogB& e = entry();
  if (e.EmployeeID == 0) {
    employeeName_ = "";
    display();
    return;
  }
  data::FileAccess emp(ctx().store(), data::PrEmp::def(), ctx().errors());
  const bool exists =
      emp.fetch("KeyEmployeeID", {data::Value(std::int64_t{e.EmployeeID})}) == data::kNoError;
  validate(win::EQLB_EmployeeID, exists, [this] {
    data::Access<data::PrEmp> emp(ctx().store(), ctx().errors());
    if (emp.fetch("KeyEmployeeID", {data::Value(std::int64_t{entry().EmployeeID})}) ==
        data::kNoError)
      employeeName_ = emp.rec().FirstName.str() + " " + emp.rec().LastName.str();
    display();
  });
}

// ---- Lookups
// --------------------------------------------------------------------------------------

// `what` is a lookup button, or an entry followed by "!refocus" when the code typed there is
// unknown (a cancel then puts the focus back in the entry).
void LogForm::lookup(const std::string& what) {
  const bool refocus = what.size() > 8 && what.substr(what.size() - 8) == "!refocus";
  const std::string name = refocus ? what.substr(0, what.size() - 8) : what;
  auto is = [&name](const char* entryName, const char* button) {
    return sameText(name, entryName) || sameText(name, button);
  };
  data::EqLogB& e = entry();
  std::string procedure, entryName;
  std::function<void()> copy;
  if (is(win::EQLB_EquipmentID, win::LOOKUPEQUIPMENT) ||
      is(win::EQLB_EquipmentIDCharged, win::LOOKUPCHARGED)) {
    const bool charged = is(win::EQLB_EquipmentIDCharged, win::LOOKUPCHARGED);
    entryName = charged ? win::EQLB_EquipmentIDCharged : win::EQLB_EquipmentID;
    procedure = windows::BrowseEQHeader::kName;
    ctx().rec<data::EqHeader>().EquipmentID = charged ? e.EquipmentIDCharged : e.EquipmentID;
    copy = [this, charged] {
      (charged ? entry().EquipmentIDCharged : entry().EquipmentID) =
          ctx().rec<data::EqHeader>().EquipmentID;
      restoreUsedEquipment();
      equipmentAccepted(charged);
    };
  } else if (is(win::EQLB_JobID, win::LOOKUPJOB)) {
    entryName = win::EQLB_JobID;
    procedure = windows::BROWSEJCHEADER::kName;
    ctx().rec<data::JcHeader>().JobID = e.JobID;
    copy = [this] {
      entry().JobID = ctx().rec<data::JcHeader>().JobID;
      jobAccepted();
    };
  } else if (is(win::EQLB_CostCode, win::LOOKUPCOSTCODE)) {
    entryName = win::EQLB_CostCode;
    procedure = windows::BROWSEJCCOST::kName;
    data::JcCost& cc = ctx().rec<data::JcCost>();
    cc = data::JcCost{};
    cc.JobID = e.JobID;
    // The list is in code and type order: the entry's mask (code and type together) is found
    // first, so the list opens on that very record.
    data::Access<data::JcCost> held(ctx().store(), ctx().errors());
    if (!e.CostCode.empty() &&
        held.fetch("KeyEntryMask", {data::Value(e.JobID.str()), data::Value(e.CostCode.str())}) ==
            data::kNoError) {
      cc.CostCode = held.rec().CostCode;
      cc.CostType = held.rec().CostType;
    } else {
      cc.CostCode = cutToChars(e.CostCode.str(), 10);
    }
    copy = [this] {
      entry().CostCode = ctx().rec<data::JcCost>().EntryMask;
      costCodeAccepted();
    };
  } else if (is(win::EQLB_GLAccount, win::LOOKUPACCOUNT)) {
    entryName = win::EQLB_GLAccount;
    procedure = windows::BROWSEGLMASTER::kName;
    ctx().rec<data::GlMaster>().Account = e.GLAccount;
    copy = [this] {
      entry().GLAccount = ctx().rec<data::GlMaster>().Account;
      accountAccepted();
    };
  } else if (is(win::EQLB_Category, win::LOOKUPCATEGORY)) {
    entryName = win::EQLB_Category;
    procedure = windows::BrowseEQCost::kName;
    ctx().g.EQUIPFIELD = costCategoryOwner();
    ctx().rec<data::EqCost>().CostCategory = e.Category;
    copy = [this] {
      entry().Category = ctx().rec<data::EqCost>().CostCategory;
      categoryAccepted();
    };
  } else if (is(win::EQLB_EmployeeID, win::LOOKUPEMPLOYEE)) {
    entryName = win::EQLB_EmployeeID;
    procedure = windows::BROWSEPREMP::kName;
    ctx().rec<data::PrEmp>().EmployeeID = e.EmployeeID;
    copy = [this] {
      entry().EmployeeID = static_cast<std::uint16_t>(ctx().rec<data::PrEmp>().EmployeeID);
      employeeAccepted();
    };
  } else {
    return;
  }
  call(procedure, ui::Request::Select, [this, copy, refocus, entryName](ui::Response r) {
    if (r == ui::Response::Completed) {
      copy();
      display();
    } else if (refocus) {
      select(entryName);
    }
  });
}

// ---- OK
// -------------------------------------------------------------------------------------------

void LogForm::completed() {
  data::EqLogB& e = entry();
  const char* missing = nullptr;
  switch (detailType()) {
    case DetailType::None:
      missing = win::EQLB_DetailType;
      break;
    case DetailType::Job:
      if (e.JobID.empty())
        missing = win::EQLB_JobID;
      else if (e.CostCode.empty())
        missing = win::EQLB_CostCode;
      break;
    case DetailType::GLAccount:
      if (e.GLAccount.empty()) missing = win::EQLB_GLAccount;
      break;
    case DetailType::Maintenance:
      if (e.Category.empty()) missing = win::EQLB_Category;
      break;
    case DetailType::Equipment:
      break;
  }
  if (missing) {
    cycle();
    message(control(missing).label() + " is Required", "Required Field", ui::Icon::Information);
    select(missing);
    return;
  }
  // The charges always follow the units that are stored.
  calculateCharges();
  if (meterRunsBackwards(e) &&
      message(backwardsMeterQuestion(e, used_.UsageUnit.str()), "End Meter Below Start",
              ui::Icon::Question, "&Yes|&No") != 1) {
    cycle();
    select(win::EQLB_EndMeter);
  }
}

void LogForm::kill() {
  if (insertedOne_) setResponse(ui::Response::Completed);
}

void LogForm::logEntry() {
  data::EqLogB& e = entry();
  const char* verb = "Added";
  if (request() == ui::Request::Change) {
    const data::FileDef& def = primary().def();
    bool changed = false;
    for (std::size_t i = 0; i < def.fields.size() && !changed; ++i)
      changed = def.fields[i].get(&opened_) != def.fields[i].get(&e);
    if (!changed) return;
    verb = "Changed";
  }
  frame::logActivity(
      ctx(), kLogArea,
      logEntryText(verb, e.EquipmentID.str(), e.Units, used_.UsageUnit.str(), e.Date));
}

bool LogForm::save() {
  if (request() != ui::Request::Insert && request() != ui::Request::Change)
    return ui::FormProcedure::save();
  // The entry and its activity-log line are written together or not at all.
  const bool saved = saveTogether(
      [this] {
        if (!ui::FormProcedure::save()) return false;
        logEntry();
        return true;
      },
      "Saving");
  if (!saved) return false;
  // Remembered only once the entry is written.
  data::EqLogB& e = entry();
  memory_.lastEquipmentId = e.EquipmentID.str();
  memory_.lastEndMeter = e.EndMeter;
  memory_.meters.record(e.EquipmentID.str(), e.EndMeter);
  return true;
}

void LogForm::standardEvent(const ui::Event& e) {
  if (e.kind != ui::EventKind::Completed || request() != ui::Request::Insert || !reInsert_) {
    ui::FormProcedure::standardEvent(e);
    return;
  }
  // Repetitive Insert: the form stays open on the next new entry of the batch.
  if (!checkRequired() || !save()) return;
  for (ui::Control* c : window().controls())
    if (c->def().history) desktop().remember(name(), c->name(), c->value());
  insertedOne_ = true;
  setResponse(ui::Response::Completed);
  if (leavingAfterSave()) {
    close();
    return;
  }
  data::FileAccess& f = primary();
  f.prime();
  entry().BatchID = batchId_;
  primeNewEntry();
  markUnchanged();
  select(win::EQLB_EquipmentID);
}

void registerUsageLogForms(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared,
                           EntryMemory& memory) {
  registerBatchForm(registry, shared);
  ui::registerWindow(registry, win::kName, [&shared, &memory](frame::Context& ctx) {
    return std::make_unique<LogForm>(ctx, shared, memory);
  });
}

}  // namespace koreq::usagelog
