#include "equipment/attachments_tabs.h"

#include <algorithm>
#include <array>
#include <fstream>

#include "equipment/equipment_form.h"
#include "frame/registry.h"
#include "runtime/ini.h"
#include "suite/filetime.h"
#include "suite/imagestore.h"
#include "suite/notes.h"
#include "suite/ui/list_tools.h"
#include "suite/ui/notes_forms.h"
#include "ui/model/desktop.h"
#include "windows/UPDATEIMAGES.h"
#include "windows/UPDATENOTES.h"
#include "windows/UpdateEQHeader.h"

namespace koreq::equipment {

namespace win = windows::UpdateEQHeader;

namespace fs = std::filesystem;

// ---- The pure rules -----------------------------------------------------------------------------

namespace {

constexpr int kDesignedWindowHeight = 250;

// Built-in pictures have no file to measure; the renderer draws them at this size.
constexpr PictureSize kBuiltInSize{96, 96};

int scaled(int value, int numerator, int denominator) {
  return static_cast<int>(static_cast<std::int64_t>(value) * numerator / denominator);
}

std::uint32_t le(const unsigned char* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | p[i];
  return v;
}

std::uint32_t be(const unsigned char* p, int bytes) {
  std::uint32_t v = 0;
  for (int i = 0; i < bytes; ++i) v = v << 8 | p[i];
  return v;
}

std::optional<PictureSize> sensible(std::int64_t w, std::int64_t h) {
  if (w <= 0 || h <= 0 || w > 100000 || h > 100000) return std::nullopt;
  return PictureSize{static_cast<int>(w), static_cast<int>(h)};
}

// Walks a JPEG's segments to the first start-of-frame marker, which holds the size.
std::optional<PictureSize> jpegSize(std::ifstream& in) {
  in.seekg(2);
  unsigned char m[2], seg[7];
  while (in.read(reinterpret_cast<char*>(m), 2)) {
    if (m[0] != 0xFF) return std::nullopt;
    while (m[1] == 0xFF)  // fill bytes before a marker
      if (!in.read(reinterpret_cast<char*>(&m[1]), 1)) return std::nullopt;
    const unsigned char marker = m[1];
    if (marker == 0xD9 || marker == 0xDA) return std::nullopt;  // image data before any frame
    if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (!in.read(reinterpret_cast<char*>(seg), 2)) return std::nullopt;
    const std::uint32_t length = be(seg, 2);
    if (length < 2) return std::nullopt;
    const bool frame =
        marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
    if (frame) {
      if (length < 7 || !in.read(reinterpret_cast<char*>(seg), 5)) return std::nullopt;
      return sensible(be(seg + 3, 2), be(seg + 1, 2));
    }
    in.seekg(length - 2, std::ios::cur);
  }
  return std::nullopt;
}

}  // namespace

PictureRect pictureBox(int imageX, int imageY, int imageWidth, int imageHeight, int windowHeight) {
  return {imageX, imageY, imageWidth, windowHeight - kDesignedWindowHeight + imageHeight};
}

PictureRect fitPicture(const PictureRect& box, PictureSize size, bool document) {
  int w = std::max(size.width, 0), h = std::max(size.height, 0);
  if (!document) {
    if (h > box.height && h > 0) {
      w = scaled(w, box.height, h);
      h = box.height;
    }
    if (w > box.width && w > 0) {
      h = scaled(h, box.width, w);
      w = box.width;
    }
  }
  PictureRect r{box.x, box.y, w, h};
  if (w < box.width) r.x = box.x + (box.width - w) / 2;
  if (h < box.height) r.y = box.y + (box.height - h) / 2;
  return r;
}

std::optional<PictureSize> readPictureSize(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  std::array<unsigned char, 32> h{};
  in.read(reinterpret_cast<char*>(h.data()), h.size());
  const std::streamsize got = in.gcount();
  in.clear();
  const unsigned char* p = h.data();
  static constexpr unsigned char kPng[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (got >= 24 && std::equal(std::begin(kPng), std::end(kPng), p))
    return sensible(be(p + 16, 4), be(p + 20, 4));
  if (got >= 10 && std::string_view(reinterpret_cast<const char*>(p), 3) == "GIF")
    return sensible(le(p + 6, 2), le(p + 8, 2));
  if (got >= 26 && p[0] == 'B' && p[1] == 'M') {
    if (le(p + 14, 4) == 12) return sensible(le(p + 18, 2), le(p + 20, 2));
    // A negative height is a picture stored top-down.
    const auto height = static_cast<std::int32_t>(le(p + 22, 4));
    return sensible(static_cast<std::int32_t>(le(p + 18, 4)), std::abs(std::int64_t{height}));
  }
  if (got >= 4 && p[0] == 0xFF && p[1] == 0xD8) return jpegSize(in);
  return std::nullopt;
}

bool isDocumentType(std::string_view fileType) {
  return !previewIcon(fileType).empty();
}

std::string previewIcon(std::string_view fileType) {
  const std::string t = clipped(fileType);
  if (t == "Bitmap") return {};
  if (t == "PDF") return "~pdf.gif";
  if (t == "DOC") return "~worddoc.gif";
  if (t == "XL") return "~xldoc.gif";
  if (t == "PPT") return "~ppdoc.gif";
  if (t == "TXT") return "~textfile.gif";
  if (t == "WebPage") return "~web.gif";
  return "~OtherFile.gif";
}

std::string openFailureText(int code) {
  switch (code) {
    case 2:
      return "File not found";
    case 3:
      return "Path not found";
    case 5:
      return "Sharing violation";
    case 6:
      return "Data segment error";
    case 8:
      return "Not enough memory to run program";
    case 10:
      return "Incorrect Windows version";
    case 11:
      return "Invalid program file.  Non Windows or corrupt .exe file";
    case 12:
      return "Not a Windows program";
    case 13:
      return "MS-DOS 4.0 program";
    case 14:
      return "Unknown program type";
    case 15:
      return "Can not run a real mode program";
    case 16:
      return "This program is already running and can only have one instance running";
    case 19:
      return "This is a compressed program file";
    case 20:
      return "One or more run time libraries are missing or corrupt";
    case 21:
      return "This program requires 32bit extension for Windows";
    case 31:
      return "No program associated with this file";
    default:
      // 0 is "opened" here (the desktop reports no out-of-memory code).
      return {};
  }
}

std::string attachmentDescription(std::string_view fileName, std::string_view captionSetting,
                                  std::string_view equipmentId, std::string_view description) {
  if (clipped(captionSetting) == "F") return suite::storedFileBaseName(fileName);
  return "Attachment for Equipment (" + clipped(equipmentId) + ") " + clipped(description);
}

std::string attachQuestion(std::size_t files) {
  return std::string("Would you like to attach ") + (files > 1 ? "these files" : "this file") +
         "|to this piece of equipment?";
}

// ---- What the three parts share
// ------------------------------------------------------------------

namespace {

constexpr int kPhotoTab = 5;
constexpr int kAttachmentsTab = 7;
// The entity type of an equipment note; notes of other entities leave EquipmentID blank.
constexpr const char* kNoteEntityType = "EQHeader";

// The designed place of the photograph's picture, as GLO:ImageX … hold it from form open. The
// window model lays controls out without sizes, so the window keeps its designed height.
constexpr PictureRect kDesignedPicture{8, 8, 320, 240};

// The tab (from 1) a control lies on; 0 when it is on none.
int tabOf(const ui::Control& c) {
  const ui::Control* tab = &c;
  while (tab && tab->kind() != ui::ControlKind::Tab) tab = tab->parent();
  if (!tab || !tab->parent()) return 0;
  const auto& tabs = tab->parent()->children();
  auto at = std::find(tabs.begin(), tabs.end(), tab);
  return at == tabs.end() ? 0 : static_cast<int>(at - tabs.begin()) + 1;
}

bool isFile(const std::string& name) {
  std::error_code ec;
  return !name.empty() && fs::is_regular_file(name, ec);
}

// The rows of a list over records: each row carries its record's number in a cell after the
// shown columns, so a user's sort by a column header does not lose which record is which.
template <typename R>
void showRecords(ui::QueueListModel& model, const std::vector<R>& records,
                 std::vector<ui::QueueListModel::Row> rows, std::int32_t keep) {
  const std::int64_t was = model.current();
  for (std::size_t i = 0; i < rows.size(); ++i)
    rows[i].cells.push_back(data::Value(std::int64_t{records[i].RecordID}));
  model.setRows(std::move(rows));
  const std::int64_t n = model.rowCount();
  if (n == 0) return;
  // The kept record, else the row that was highlighted (the last, when the list got shorter).
  std::int64_t at = std::clamp<std::int64_t>(was, 0, n - 1);
  for (std::int64_t r = 0; r < n && keep != 0; ++r)
    if (model.row(r).cells.back() == data::Value(std::int64_t{keep})) at = r;
  model.setCurrent(at);
}

template <typename R>
const R* highlightedRecord(const ui::QueueListModel& model, const std::vector<R>& records) {
  const std::int64_t at = model.current();
  if (at < 0 || at >= model.rowCount()) return nullptr;
  const data::Value id = model.row(at).cells.back();
  for (const R& r : records)
    if (data::Value(std::int64_t{r.RecordID}) == id) return &r;
  return nullptr;
}

// Attachments and notes hang on the equipment ID and are written at once: without an ID they
// would belong to nothing.
bool haveEquipmentId(EquipmentForm& form) {
  if (!form.equipmentId().empty()) return true;
  form.message(kNeedEquipmentId, "Equipment ID is Required", ui::Icon::Information);
  return false;
}

// Fetches an IMAGES record into the context's buffer (where the image store works) by number.
bool fetchImage(frame::Context& ctx, std::int32_t recordId) {
  return ctx.file(data::Images::def())
             .fetch("KeyRecordID", {data::Value(std::int64_t{recordId})}) == data::kNoError;
}

// Places a picture in the photograph's box and reports where it went.
struct PlacedPicture {
  std::int32_t x = 0, y = 0, width = 0, height = 0;

  void bind(EquipmentForm& form, const std::string& prefix) {
    form.bindLocal(prefix + "X", x);
    form.bindLocal(prefix + "Y", y);
    form.bindLocal(prefix + "Width", width);
    form.bindLocal(prefix + "Height", height);
  }
  void place(frame::Context& ctx, const std::string& icon, bool document) {
    const frame::ThreadGlobals& g = ctx.g;
    PictureRect box =
        pictureBox(g.ImageX, g.ImageY, g.ImageWidth, g.ImageHeight, kDesignedWindowHeight);
    PictureSize size = kBuiltInSize;
    if (!icon.empty() && icon[0] != '~') {
      // A file that cannot be measured fills the box.
      size = readPictureSize(icon).value_or(PictureSize{box.width, box.height});
    }
    PictureRect r = fitPicture(box, size, document);
    x = r.x, y = r.y, width = r.width, height = r.height;
  }
};

// ---- The "&Photograph" tab
// -----------------------------------------------------------------------

class PhotographTab final : public FormPart {
 public:
  explicit PhotographTab(EquipmentForm& form) : FormPart(form) {
    form.bindLocal("LOC:PhotoFile", photoFile_);
    placed_.bind(form, "LOC:Photo");
  }

  void init() override {
    frame::Context& ctx = form().ctx();
    ctx.g.ImageX = kDesignedPicture.x;
    ctx.g.ImageY = kDesignedPicture.y;
    ctx.g.ImageWidth = kDesignedPicture.width;
    ctx.g.ImageHeight = kDesignedPicture.height;
    form().control(win::IMAGE1).setTip(kPhotoTip);
    if (form().request() == ui::Request::View) form().control(win::LOOKUPFILE).disable();

    std::optional<data::Images> photo = findPhoto();
    if (!photo) {
      // A photograph chosen now is stored on OK.
      photoFile_ = "";
      store_ = true;
      show(kNoPhotoIcon);
    } else if (isFile(photo->FileName.str())) {
      photoFile_ = photo->FileName.str();
      show(photoFile_.str());
    } else {
      ctx.rec<data::Images>() = *photo;
      suite::EXTRACTIMAGEFILE(ctx);
      const std::string extracted = clipped(ctx.g.PDFFILENAME.str());
      photoFile_ = extracted.empty() ? std::string(kMissingPictureIcon) : extracted;
      show(photoFile_.str());
    }
    committed_ = photoFile_.str();
  }

  bool accepted(ui::Control& c) override {
    if (c.is(win::LOOKUPFILE)) {
      ui::FileDialog d;
      d.title = kPhotoDialogTitle;
      d.filter = kPhotoDialogFilter;
      d.start = photoFile_.str();
      std::vector<std::string> chosen = form().port().chooseFiles(d);
      if (!chosen.empty()) choose(chosen.front());
      return true;
    }
    if (c.is(win::PhotoFile)) {
      // OK's accept-all passes here too: only a changed name is a new photograph.
      if (photoFile_.str() != committed_) choose(photoFile_.str());
      return true;
    }
    if (c.is(win::IMAGE1)) {
      openPicture();
      return true;
    }
    return false;
  }

  bool filesDropped(ui::Control& c, const std::vector<std::string>& files) override {
    if (tabOf(c) != kPhotoTab) return false;
    if (!files.empty() && !form().control(win::PhotoFile).readonly()) choose(files.front());
    return true;
  }

  bool saving() override {
    if (!store_) return true;
    frame::Context& ctx = form().ctx();
    data::FileAccess& images = ctx.file(data::Images::def());
    const std::string name = clipped(photoFile_.str());
    int rc = data::kNoError;
    if (std::optional<data::Images> photo = findPhoto()) {
      if (!fetchImage(ctx, photo->RecordID)) return true;
      data::Images& img = ctx.rec<data::Images>();
      img.Description = kPhotoDescription;
      img.FileName = name;
      rc = images.update();
    } else {
      if (name.empty()) return true;
      if (images.prime() != data::kNoError) return true;
      data::Images& img = ctx.rec<data::Images>();
      img.Type = kPhotoImageType;
      img.OwnerID = form().equipmentId();
      img.Description = kPhotoDescription;
      img.FileType = "Bitmap";
      img.FileName = name;
      rc = images.insert();
    }
    // The file errors are reported as they happen; none of them keeps the equipment unsaved.
    if (rc != data::kNoError) return true;
    // A photograph whose name was cleared, or whose new file cannot be stored, keeps no copy of
    // the file it had before.
    if (name.empty() || !suite::STOREIMAGEFILE(ctx)) suite::REMOVEIMAGEFILE(ctx);
    return true;
  }

 private:
  std::optional<data::Images> findPhoto() {
    const std::string id = form().equipmentId();
    if (id.empty()) return std::nullopt;
    frame::Context& ctx = form().ctx();
    data::Access<data::Images> a(ctx.store(), ctx.errors());
    if (a.fetch("KeyTypeStringID", {data::Value(std::string(kPhotoImageType)), data::Value(id)}) !=
        data::kNoError)
      return std::nullopt;
    if (a.rec().Type.str() != kPhotoImageType || a.rec().OwnerID.str() != id) return std::nullopt;
    return a.rec();
  }

  void choose(const std::string& file) {
    photoFile_ = file;
    committed_ = photoFile_.str();
    store_ = true;
    show(committed_.empty() ? std::string(kNoPhotoIcon) : committed_);
    form().display();
  }

  void show(const std::string& picture) {
    form().control(win::IMAGE1).setIcon(picture);
    placed_.place(form().ctx(), picture, false);
  }

  void openPicture() {
    const std::string file = form().control(win::IMAGE1).icon();
    // A built-in picture stands for a photograph that is not there: nothing to open.
    if (file.empty() || file[0] == '~') return;
    const std::string why = openFailureText(form().port().openDocument(file));
    if (!why.empty())
      form().message(why + "|" + file, "Unable to Open the Photograph", ui::Icon::Exclamation);
  }

  Str<250> photoFile_;
  std::string committed_;  // the name last shown, to tell a typed change from accept-all
  bool store_ = false;
  PlacedPicture placed_;
};

// ---- The notes group of "&Notes / User Defined" -------------------------------------------------

class NotesGroup final : public FormPart {
 public:
  explicit NotesGroup(EquipmentForm& form) : FormPart(form) {}

  void init() override {
    tags().clear();
    model_ = std::make_unique<ui::QueueListModel>(form().control(win::LIST).def().columns);
    form().control(win::LIST).setList(model_.get());
    if (form().request() == ui::Request::View)
      for (const char* b : {win::INSERTNOTE, win::CHANGENOTE, win::DELETENOTE})
        form().control(b).disable();
    load(0);
  }

  void kill() override { tags().clear(); }

  bool accepted(ui::Control& c) override {
    if (c.is(win::INSERTNOTE)) {
      run(ui::Request::Insert);
    } else if (c.is(win::CHANGENOTE)) {
      run(ui::Request::Change);
    } else if (c.is(win::DELETENOTE)) {
      run(ui::Request::Delete);
    } else if (c.is(win::TAGNOTE)) {
      toggleTag();
    } else if (c.is(win::TAGALL)) {
      tagAll();
    } else if (c.is(win::PRINTNOTES)) {
      print();
    } else if (c.is(win::SENDNOTES)) {
      if (model_->rowCount() > 0)
        suite::sendListContents(form().port(), form().control(win::LIST), sendTitle());
    } else {
      return false;
    }
    return true;
  }

  bool alertKey(ui::Control& c, ui::Key key) override {
    if (!c.is(win::LIST)) return false;
    if (key == ui::Key::Space || (key == ui::Key::CellClick && c.clickedColumn() == 0)) {
      form().cycle();
      toggleTag();
      return true;
    }
    return false;
  }

  bool rowActivated(ui::Control& c) override {
    if (!c.is(win::LIST)) return false;
    run(form().request() == ui::Request::View ? ui::Request::View : ui::Request::Change);
    return true;
  }

 private:
  std::vector<std::int32_t>& tags() { return form().ctx().g.TAGQUE2; }
  bool tagged(std::int32_t id) {
    return std::find(tags().begin(), tags().end(), id) != tags().end();
  }

  std::string sendTitle() const {
    return "Notes for Equipment (" + form().equipmentId() + ") " +
           clipped(form().record().Description.str());
  }

  ui::QueueListModel::Row row(const data::Notes& n) {
    const bool on = tagged(n.RecordID);
    ui::QueueListModel::Row r;
    r.cells = {data::Value(std::string(on ? "*" : "")), data::Value(n.Date),
               data::Value(n.Heading.str()), data::Value(n.Note.str())};
    r.icons = {on ? "~Checkon.ico" : "~Checkoff.ico"};
    return r;
  }

  // Reloads the rows, highlighting note `keep` when it is there.
  void load(std::int32_t keep) {
    notes_ = suite::equipmentNotes(form().ctx(), form().equipmentId());
    std::vector<ui::QueueListModel::Row> rows;
    for (const data::Notes& n : notes_) rows.push_back(row(n));
    showRecords(*model_, notes_, std::move(rows), keep);
    const bool any = !notes_.empty();
    for (const char* b : {win::TAGNOTE, win::TAGALL, win::SENDNOTES, win::PRINTNOTES})
      form().control(b).setEnabled(any);
    if (form().request() != ui::Request::View)
      for (const char* b : {win::CHANGENOTE, win::DELETENOTE}) form().control(b).setEnabled(any);
  }

  const data::Notes* highlighted() const { return highlightedRecord(*model_, notes_); }

  void toggleTag() {
    const data::Notes* n = highlighted();
    if (!n) return;
    auto it = std::find(tags().begin(), tags().end(), n->RecordID);
    if (it == tags().end())
      tags().push_back(n->RecordID);
    else
      tags().erase(it);
    load(n->RecordID);
  }

  void tagAll() {
    tags().clear();
    for (const data::Notes& n : notes_) tags().push_back(n.RecordID);
    load(0);
  }

  // The tagged notes (all when none is tagged) through the report frame.
  void print() {
    frame::Context& ctx = form().ctx();
    ctx.g.KORFIELD = "Equipment";
    ctx.g.REPORTFILTER = form().equipmentId();
    form().call(frame::kLIMITPRINTNOTES, [this](ui::Response) { form().display(); });
  }

  void run(ui::Request request) {
    frame::Context& ctx = form().ctx();
    data::FileAccess& file = ctx.file(data::Notes::def());
    if (request == ui::Request::Insert) {
      if (!haveEquipmentId(form())) return;
      ctx.g.KORFIELD = "";
      file.clear();
      data::Notes& n = ctx.rec<data::Notes>();
      n.EntityType = kNoteEntityType;
      n.EquipmentID = form().equipmentId();
      n.EntityID = form().equipmentId();
    } else {
      const data::Notes* n = highlighted();
      if (!n) return;
      if (file.fetch("KeyRecordID", {data::Value(std::int64_t{n->RecordID})}) != data::kNoError) {
        load(0);  // gone meanwhile
        return;
      }
    }
    form().call(windows::UPDATENOTES::kName, request, [this, request](ui::Response r) {
      const std::int32_t id = form().ctx().rec<data::Notes>().RecordID;
      if (r == ui::Response::Completed && request == ui::Request::Delete) std::erase(tags(), id);
      load(r == ui::Response::Completed && request != ui::Request::Delete ? id : 0);
      form().display();
    });
  }

  std::unique_ptr<ui::QueueListModel> model_;
  std::vector<data::Notes> notes_;
};

// ---- The "Attachments" tab
// -----------------------------------------------------------------------

class AttachmentsTab final : public FormPart {
 public:
  explicit AttachmentsTab(EquipmentForm& form) : FormPart(form) {
    placed_.bind(form, "LOC:Preview");
  }

  void init() override {
    model_ = std::make_unique<ui::QueueListModel>(form().control(win::IMAGELIST).def().columns);
    form().control(win::IMAGELIST).setList(model_.get());
    if (form().request() == ui::Request::View)
      for (const char* b : {win::INSERTATTACHMENT, win::CHANGEATTACHMENT, win::DELETEATTACHMENT})
        form().control(b).disable();
    load(0);
    preview();
  }

  bool accepted(ui::Control& c) override {
    if (c.is(win::INSERTATTACHMENT)) {
      ui::FileDialog d;
      d.title = kAttachDialogTitle;
      d.filter = kAttachDialogFilter;
      d.multiple = true;
      std::vector<std::string> chosen = form().port().chooseFiles(d);
      if (!chosen.empty()) attach(chosen);
    } else if (c.is(win::CHANGEATTACHMENT)) {
      change();
    } else if (c.is(win::DELETEATTACHMENT)) {
      remove();
    } else {
      return false;
    }
    return true;
  }

  bool newSelection(ui::Control& c) override {
    if (!c.is(win::IMAGELIST)) return false;
    preview();
    return true;
  }

  bool rowActivated(ui::Control& c) override {
    if (!c.is(win::IMAGELIST)) return false;
    change();
    return true;
  }

  bool filesDropped(ui::Control& c, const std::vector<std::string>& files) override {
    if (tabOf(c) != kAttachmentsTab) return false;
    if (files.empty() || !form().control(win::INSERTATTACHMENT).enabled()) return true;
    if (form().message(attachQuestion(files.size()), "Attach?", ui::Icon::Question, "&Yes|&No") ==
        1)
      attach(files);
    return true;
  }

  void tabShown(int tab) override {
    if (tab == kAttachmentsTab) fit();
  }

 private:
  void load(std::int32_t keep) {
    frame::Context& ctx = form().ctx();
    data::Access<data::Images> a(ctx.store(), ctx.errors());
    a.setRange(*data::Images::def().key("KeyTypeStringID"),
               {data::Value(std::string(kAttachmentImageType)), data::Value(form().equipmentId())});
    records_.clear();
    if (!form().equipmentId().empty())
      while (a.next() == data::kNoError) records_.push_back(a.rec());
    // In the order they were attached, so the newest is the last row.
    std::sort(records_.begin(), records_.end(),
              [](const data::Images& x, const data::Images& y) { return x.RecordID < y.RecordID; });
    std::vector<ui::QueueListModel::Row> rows;
    for (const data::Images& img : records_) {
      ui::QueueListModel::Row r;
      r.cells = {data::Value(img.Description.str()), data::Value(img.FileType.str())};
      rows.push_back(std::move(r));
    }
    showRecords(*model_, records_, std::move(rows), keep);
    if (form().request() != ui::Request::View)
      for (const char* b : {win::CHANGEATTACHMENT, win::DELETEATTACHMENT})
        form().control(b).setEnabled(!records_.empty());
  }

  const data::Images* highlighted() const { return highlightedRecord(*model_, records_); }

  void preview() {
    ui::Control& image = form().control(win::IMAGE);
    const data::Images* rec = highlighted();
    if (!rec) {
      image.hide();
      image.setIcon("");
      return;
    }
    std::string picture = previewIcon(rec->FileType.str());
    if (picture.empty()) {
      picture = rec->FileName.str();
      if (!isFile(picture)) {
        frame::Context& ctx = form().ctx();
        ctx.rec<data::Images>() = *rec;
        suite::EXTRACTIMAGEFILE(ctx);
        picture = clipped(ctx.g.PDFFILENAME.str());
        if (picture.empty()) picture = kMissingPictureIcon;
      }
    }
    image.setIcon(picture);
    image.show();
    document_ = isDocumentType(rec->FileType.str());
    if (form().currentTab() == kAttachmentsTab) fit();
  }

  void fit() {
    ui::Control& image = form().control(win::IMAGE);
    if (image.visible()) placed_.place(form().ctx(), image.icon(), document_);
  }

  void attach(const std::vector<std::string>& files) {
    if (!haveEquipmentId(form())) return;
    frame::Context& ctx = form().ctx();
    IniFile ini(settingsFolder(ctx) / kTsSetupFile);
    const std::string caption = ini.get(kSettingsSection, kAttachmentCaptionEntry, "F");
    const std::string id = form().equipmentId();
    const std::string description = form().record().Description.str();
    data::FileAccess& images = ctx.file(data::Images::def());
    std::int32_t newest = 0;
    form().port().setWaitCursor(true);
    for (const std::string& file : files) {
      if (images.prime() != data::kNoError) continue;
      data::Images& img = ctx.rec<data::Images>();
      img.Type = kAttachmentImageType;
      img.OwnerRecordID = 0;
      img.OwnerID = id;
      img.FileName = file;
      img.Description = attachmentDescription(file, caption, id, description);
      img.FileType = suite::attachmentFileType(file);
      Date d = suite::GETFILEDATE(file);
      Time t = suite::GETFILETIME(file);
      img.Date = d.isEmpty() ? ctx.today().day() : d.day();
      img.Time = t.isEmpty() ? ctx.clock().now().value() : t.value();
      if (images.tryInsert() != data::kNoError) {
        form().message("Error Inserting Images", "Error", ui::Icon::Exclamation);
        continue;
      }
      newest = img.RecordID;
      suite::STOREIMAGEFILE(ctx);
    }
    form().port().setWaitCursor(false);
    // The last one attached: the last row, unless the user sorted the list.
    load(newest);
    preview();
    form().display();
  }

  void change() {
    const data::Images* rec = highlighted();
    if (!rec || !form().control(win::CHANGEATTACHMENT).usable()) return;
    const std::int32_t id = rec->RecordID;
    if (!fetchImage(form().ctx(), id)) {
      load(0);
      preview();
      return;
    }
    form().call(windows::UPDATEIMAGES::kName, ui::Request::Change, [this, id](ui::Response) {
      load(id);
      preview();
      form().display();
    });
  }

  void remove() {
    const data::Images* rec = highlighted();
    if (!rec) return;
    if (form().message(kDeleteAttachmentQuestion, "Confirm Delete", ui::Icon::Question,
                       "&Yes|&No") != 1)
      return;
    frame::Context& ctx = form().ctx();
    if (fetchImage(ctx, rec->RecordID)) {
      suite::REMOVEIMAGEFILE(ctx);
      ctx.file(data::Images::def()).remove();
    }
    load(0);
    preview();
    form().display();
  }

  std::unique_ptr<ui::QueueListModel> model_;
  std::vector<data::Images> records_;
  bool document_ = false;
  PlacedPicture placed_;
};

}  // namespace

std::unique_ptr<FormPart> makePhotographTab(EquipmentForm& form) {
  return std::make_unique<PhotographTab>(form);
}

std::unique_ptr<FormPart> makeNotesGroup(EquipmentForm& form) {
  return std::make_unique<NotesGroup>(form);
}

std::unique_ptr<FormPart> makeAttachmentsTab(EquipmentForm& form) {
  return std::make_unique<AttachmentsTab>(form);
}

}  // namespace koreq::equipment
