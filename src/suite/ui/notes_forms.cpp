#include "suite/ui/notes_forms.h"

#include <filesystem>

#include "data/records.h"
#include "suite/filetime.h"
#include "suite/imagestore.h"
#include "ui/model/desktop.h"
#include "windows/UPDATEIMAGES.h"
#include "windows/UPDATENOTES.h"

namespace koreq::suite {

namespace imagesWin = windows::UPDATEIMAGES;

namespace {

// Read-only inputs and an OK that says what it does: the delete form is the confirmation.
void showForDelete(ui::FormProcedure& form) {
  for (ui::Control* c : form.window().controls()) {
    if (c->takesInput()) c->setReadonly(true);
    if (c->kind() == ui::ControlKind::Button && c->def().action == ui::StandardAction::Ok)
      c->setText("&Delete");
  }
}

}  // namespace

std::string attachmentFileType(std::string_view fileName) {
  const std::string base = storedFileBaseName(fileName);
  const std::size_t dot = base.rfind('.');
  if (dot == std::string::npos) return "Other";
  const std::string ext = upper(cutToChars(base.substr(dot + 1), 10));
  const std::string two = ext.substr(0, 2);
  if (two == "PD") return "PDF";
  if (two == "TI" || two == "BM" || two == "JP" || two == "GI") return "Bitmap";
  if (two == "DO") return "DOC";
  if (two == "PP") return "PPT";
  if (two == "TX") return "TXT";
  if (two == "XL") return "XL";
  if (two == "HT") return "WebPage";
  return "Other";
}

// ---- UPDATENOTES ------------------------------------------------------------------------------

NotesForm::NotesForm(frame::Context& ctx)
    : ui::FormProcedure(ctx, windows::UPDATENOTES::kName, data::Notes::def()) {}

void NotesForm::prepare() {
  const data::Notes owner = ctx().rec<data::Notes>();
  ui::FormProcedure::prepare();
  if (request() != ui::Request::Insert) return;
  data::Notes& n = ctx().rec<data::Notes>();
  n.EntityType = owner.EntityType;
  n.EquipmentID = owner.EquipmentID;
  n.EntityID = owner.EntityID;
  n.Date = ctx().today();
  n.Time = ctx().clock().now();
  n.UserID = ctx().userId();
}

void NotesForm::init() {
  setTitleByRequest("Adding a Note", "Changing a Note", "Viewing a Note", "Deleting a Note");
  if (request() == ui::Request::Delete) showForDelete(*this);
}

// ---- UPDATEIMAGES -----------------------------------------------------------------------------

ImagesForm::ImagesForm(frame::Context& ctx)
    : ui::FormProcedure(ctx, imagesWin::kName, data::Images::def()) {
  bindLocal("LOC:FileDate", fileDate_);
  bindLocal("LOC:FileTime", fileTime_);
}

void ImagesForm::prepare() {
  const data::Images owner = ctx().rec<data::Images>();
  ui::FormProcedure::prepare();
  if (request() != ui::Request::Insert) return;
  data::Images& img = ctx().rec<data::Images>();
  img.Type = owner.Type;
  img.OwnerRecordID = owner.OwnerRecordID;
  img.OwnerID = owner.OwnerID;
}

void ImagesForm::init() {
  setTitleByRequest("Adding an Attachment", "Changing an Attachment", "Viewing an Attachment",
                    "Deleting an Attachment");
  const data::Images& img = ctx().rec<data::Images>();
  openedFile_ = request() == ui::Request::Insert ? std::string() : img.FileName.str();
  fileDate_ = Date(img.Date);
  fileTime_ = Time(img.Time);
  if (request() == ui::Request::Delete) showForDelete(*this);
  if (request() == ui::Request::View || request() == ui::Request::Delete)
    control(imagesWin::LOOKUPIMAGEFILE).disable();
}

void ImagesForm::accepted(ui::Control& c) {
  if (c.is(imagesWin::LOOKUPIMAGEFILE)) {
    ui::FileDialog d;
    d.title = "Select the File to Attach";
    d.filter = "All Files|*.*";
    d.start = ctx().rec<data::Images>().FileName.str();
    std::vector<std::string> chosen = port().chooseFiles(d);
    if (chosen.empty()) return;
    ctx().rec<data::Images>().FileName = chosen.front();
    fileChosen();
  } else if (c.is(imagesWin::IMG_FileName)) {
    if (ctx().rec<data::Images>().FileName.str() != openedFile_) fileChosen();
  }
}

// A new file brings its own type, date and time.
void ImagesForm::fileChosen() {
  data::Images& img = ctx().rec<data::Images>();
  img.FileType = attachmentFileType(img.FileName.str());
  fileDate_ = GETFILEDATE(img.FileName.str());
  fileTime_ = GETFILETIME(img.FileName.str());
  if (fileDate_.isEmpty()) fileDate_ = ctx().today();
  if (fileTime_.isEmpty()) fileTime_ = ctx().clock().now();
  display();
}

bool ImagesForm::save() {
  data::Images& img = ctx().rec<data::Images>();
  img.Date = fileDate_.day();
  img.Time = fileTime_.value();
  if (request() == ui::Request::Delete) {
    // A copy that cannot be removed stays orphaned in the store; the record still goes.
    REMOVEIMAGEFILE(ctx());
    return ui::FormProcedure::save();
  }
  if (!ui::FormProcedure::save()) return false;
  // The stored copy follows the file the record names; an unchanged name keeps the copy it
  // has, which may be all that is left of a file since moved or deleted. A new name whose file
  // cannot be stored drops the old copy: it is another file's.
  if (request() == ui::Request::Insert || img.FileName.str() != openedFile_)
    if (!STOREIMAGEFILE(ctx())) REMOVEIMAGEFILE(ctx());
  return true;
}

void registerNotesForms(frame::ProcedureRegistry& registry) {
  ui::registerWindow<NotesForm>(registry, windows::UPDATENOTES::kName);
  ui::registerWindow<ImagesForm>(registry, imagesWin::kName);
}

}  // namespace koreq::suite
