#include "usagelog/batch_form.h"

#include "usagelog/engine/batch_rules.h"

#include "data/records.h"
#include "ui/model/desktop.h"
#include "windows/UpdateEQBatch.h"

namespace koreq::usagelog {

namespace win = windows::UpdateEQBatch;

std::string securityText(int secure) {
  return kSecurityTexts[secure >= 0 && secure <= 2 ? secure : 0];
}

int securityValue(std::string_view text) {
  for (int i = 0; i < 3; ++i)
    if (clipped(text) == kSecurityTexts[i]) return i;
  return 0;
}

bool systemPasswordMatches(std::string_view entered, std::string_view systemPassword) {
  return clipped(upper(cutToChars(entered, 20))) == clipped(upper(cutToChars(systemPassword, 20)));
}

BatchForm::BatchForm(frame::Context& ctx, equipment::EquipmentShared& shared)
    : ui::FormProcedure(ctx, win::kName, data::EqBatch::def()), shared_(shared) {
  bindLocal("LOC:Secure", secure_);
  bindLocal("EnteredPassword", enteredPassword_);
}

void BatchForm::prepare() {
  ui::FormProcedure::prepare();
  data::FileAccess& f = primary();
  if (request() != ui::Request::Insert && f.position() == 0)
    f.fetch("KeyBatchID", {f.get("EQB:BatchID")});
}

void BatchForm::init() {
  setTitleByRequest("Adding a Batch", "Changing a Batch", "View Record");
  data::EqBatch& b = ctx().rec<data::EqBatch>();
  for (const char* c : {win::EQB_Description, win::EQB_UserID})
    shared_.autoEntry.registerControl(name(), c);
  if (request() == ui::Request::Insert) {
    b.UserID = ctx().userId();
    b.ReInsert = 1;
  }
  secure_ = securityText(b.Secure);
  if (request() == ui::Request::View) {
    for (const char* c : {win::LOC_Secure, win::OVERRIDEBUTTON, win::GOBUTTON})
      control(c).disable();
  }
  // The lock is decided once, as the form opens.
  locked_ = clipped(b.UserID.str()) != clipped(ctx().userId()) && b.Secure != 0;
  if (locked_) {
    control(win::DISABLEGROUP).disable();
    control(win::OVERRIDEBUTTON).show();
  }
  if (request() == ui::Request::Change && hasEntries()) control(win::EQB_BatchID).disable();
}

bool BatchForm::hasEntries() {
  data::FileAccess log(ctx().store(), data::EqLogB::def(), ctx().errors());
  return log.fetch("KeyBatchID", {primary().get("EQB:BatchID")}) == data::kNoError;
}

void BatchForm::accepted(ui::Control& c) {
  if (c.is(win::LOC_Secure)) {
    newSelection(c);
  } else if (c.is(win::OVERRIDEBUTTON)) {
    override();
  } else if (c.is(win::EnteredPassword)) {
    press(control(win::GOBUTTON));
  } else if (c.is(win::GOBUTTON)) {
    if (!acceptingAll()) go();
  }
}

void BatchForm::newSelection(ui::Control& c) {
  if (c.is(win::LOC_Secure))
    ctx().rec<data::EqBatch>().Secure = static_cast<std::uint8_t>(securityValue(secure_.str()));
}

void BatchForm::override() {
  for (const char* c : {win::PASSWORDPROMPT, win::EnteredPassword, win::GOBUTTON})
    control(c).show();
  select(win::EnteredPassword);
}

void BatchForm::go() {
  // A user who may not read the password (a server role) has the server compare it.
  std::optional<bool> matches = ctx().store().systemPasswordIs(enteredPassword_.str());
  if (!matches) {
    std::string password;
    data::FileAccess control(ctx().store(), data::Control::def(), ctx().errors());
    control.set(data::Control::def().primaryKey());
    if (control.next() == data::kNoError)
      password = clipped(data::valueToText(control.get("CTRL:SystemPassword")));
    matches = systemPasswordMatches(enteredPassword_.str(), password);
  }
  if (!*matches) {
    message("Please enter the correct System Password.", "Incorrect Password",
            ui::Icon::Exclamation);
    select(win::EnteredPassword);
    return;
  }
  locked_ = false;
  this->control(win::DISABLEGROUP).enable();
  for (const char* c :
       {win::PASSWORDPROMPT, win::EnteredPassword, win::GOBUTTON, win::OVERRIDEBUTTON})
    this->control(c).hide();
  select(win::EQB_Description);
}

void BatchForm::completed() {
  const data::EqBatch& b = ctx().rec<data::EqBatch>();
  if (!b.Repeating || repeatsWithInterval(b)) return;
  // Without one the same entries would be posted again under the same dates.
  cycle();
  message("A repeating batch needs an interval: the number of " +
              std::string(b.FrequencyType == 1 ? "months" : "days") + " between its postings.",
          "Repeating Batch", ui::Icon::Exclamation);
  select(b.FrequencyType == 1 ? win::EQB_Frequency2 : win::EQB_Frequency);
}

bool BatchForm::save() {
  if (request() != ui::Request::Insert) return ui::FormProcedure::save();
  // A new batch goes to the end of the list: its place must differ from every other batch's
  // for the reorder to keep them apart. Reading the last place and writing the batch go
  // together so that two users adding batches at once do not share one.
  return saveTogether(
      [this] {
        data::EqBatch& b = ctx().rec<data::EqBatch>();
        if (b.SortID == 0) {
          data::Access<data::EqBatch> last(ctx().store(), ctx().errors());
          last.set(*data::EqBatch::def().key("KeySortID"));
          b.SortID = last.previous() == data::kNoError ? last.rec().SortID + 1 : 1;
        }
        return ui::FormProcedure::save();
      },
      "Inserting");
}

void registerBatchForm(frame::ProcedureRegistry& registry, equipment::EquipmentShared& shared) {
  ui::registerWindow(registry, win::kName, [&shared](frame::Context& ctx) {
    return std::make_unique<BatchForm>(ctx, shared);
  });
}

}  // namespace koreq::usagelog
