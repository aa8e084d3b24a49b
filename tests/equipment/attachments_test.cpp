#include "equipment/attachments_tabs.h"

#include <chrono>

#include "form_fixture.h"
#include "reportframe/gui_app.h"
#include "suite/filetime.h"
#include "suite/imagestore.h"
#include "suite/notes.h"

namespace koreq::equipment::test {
namespace {

namespace fs = std::filesystem;

// ---- The pure rules -----------------------------------------------------------------------------

TEST(PictureFit, PicturesShrinkToTheBoxAndCentreDocumentsKeepTheirSize) {
  const PictureRect box{8, 8, 320, 240};
  // Taller than the box: to its height, then fits across.
  EXPECT_EQ(fitPicture(box, {640, 480}, false), (PictureRect{8, 8, 320, 240}));
  // Taller and, scaled to the height, still wider: to the width as well.
  EXPECT_EQ(fitPicture(box, {2000, 600}, false), (PictureRect{8, 80, 320, 96}));
  // Only wider: to the width, centred down.
  EXPECT_EQ(fitPicture(box, {1000, 200}, false), (PictureRect{8, 96, 320, 64}));
  // Tall and narrow: to the height, centred across.
  EXPECT_EQ(fitPicture(box, {300, 960}, false), (PictureRect{130, 8, 75, 240}));
  // Smaller than the box: centred both ways, never enlarged.
  EXPECT_EQ(fitPicture(box, {100, 50}, false), (PictureRect{118, 103, 100, 50}));
  // Exactly the box.
  EXPECT_EQ(fitPicture(box, {320, 240}, false), box);
  // Documents keep their size, even larger than the box, placed at its edge.
  EXPECT_EQ(fitPicture(box, {1000, 1000}, true), (PictureRect{8, 8, 1000, 1000}));
  EXPECT_EQ(fitPicture(box, {32, 32}, true), (PictureRect{152, 112, 32, 32}));
  // Nothing to show sits in the middle.
  EXPECT_EQ(fitPicture(box, {0, 0}, false), (PictureRect{168, 128, 0, 0}));

  EXPECT_EQ(pictureBox(8, 8, 320, 240, 250), box);
  EXPECT_EQ(pictureBox(8, 8, 320, 240, 400), (PictureRect{8, 8, 320, 390}));
}

void writeBytes(const fs::path& p, const std::string& bytes) {
  std::ofstream out(p, std::ios::binary);
  out << bytes;
}

// A real 24-bit BMP of one colour (the desktop program can show it).
void writeBmp(const fs::path& p, int w, int h) {
  const int row = (w * 3 + 3) / 4 * 4;
  auto le = [](std::uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>(v >> (8 * i) & 0xFF);
    return s;
  };
  std::string b = "BM" + le(54 + row * h, 4) + le(0, 4) + le(54, 4) + le(40, 4) + le(w, 4) +
                  le(h, 4) + le(1, 2) + le(24, 2) + le(0, 4) + le(row * h, 4) + le(2835, 4) +
                  le(2835, 4) + le(0, 4) + le(0, 4);
  std::string line(static_cast<std::size_t>(row), '\0');
  for (int x = 0; x < w; ++x) line[static_cast<std::size_t>(x * 3 + 2)] = '\x40';
  for (int y = 0; y < h; ++y) b += line;
  writeBytes(p, b);
}

TEST(PictureFit, PictureSizesComeFromTheFilesHeaders) {
  TempFolder dir;
  const fs::path d = dir.path;
  writeBmp(d / "a.bmp", 640, 480);
  EXPECT_EQ(readPictureSize(d / "a.bmp"), (PictureSize{640, 480}));
  // A top-down BMP records a negative height.
  std::string topDown = "BM" + std::string(12, '\0') + std::string("\x28\0\0\0", 4) +
                        std::string("\x10\0\0\0", 4) + std::string("\xF8\xFF\xFF\xFF", 4);
  writeBytes(d / "b.bmp", topDown);
  EXPECT_EQ(readPictureSize(d / "b.bmp"), (PictureSize{16, 8}));
  writeBytes(d / "c.png", std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR", 16) +
                              std::string("\0\0\x02\x80\0\0\x01\xE0", 8));
  EXPECT_EQ(readPictureSize(d / "c.png"), (PictureSize{640, 480}));
  writeBytes(d / "d.gif", std::string("GIF89a\x40\x01\xF0\x00", 10));
  EXPECT_EQ(readPictureSize(d / "d.gif"), (PictureSize{320, 240}));
  // JPEG: an APP0 segment to step over, then the frame with height 600 and width 800.
  std::string jpeg = std::string("\xFF\xD8\xFF\xE0\x00\x10JFIF\0", 11) + std::string(9, '\0') +
                     std::string("\xFF\xFF\xC0\x00\x11\x08\x02\x58\x03\x20\x03", 11);
  writeBytes(d / "e.jpg", jpeg);
  EXPECT_EQ(readPictureSize(d / "e.jpg"), (PictureSize{800, 600}));
  // A JPEG whose image data starts before any frame, a cut PNG, a text, no file.
  writeBytes(d / "f.jpg", std::string("\xFF\xD8\xFF\xDA\x00\x02", 6));
  EXPECT_EQ(readPictureSize(d / "f.jpg"), std::nullopt);
  writeBytes(d / "g.png", std::string("\x89PNG\r\n\x1A\n\0\0", 10));
  EXPECT_EQ(readPictureSize(d / "g.png"), std::nullopt);
  writeBytes(d / "h.txt", "just some text, long enough to fill a header");
  EXPECT_EQ(readPictureSize(d / "h.txt"), std::nullopt);
  EXPECT_EQ(readPictureSize(d / "missing.bmp"), std::nullopt);
  // A header with a zero width makes no sense.
  writeBytes(d / "i.gif", std::string("GIF89a\0\0\xF0\0", 10));
  EXPECT_EQ(readPictureSize(d / "i.gif"), std::nullopt);
}

TEST(AttachmentRules, PreviewsOpenFailuresDescriptionsAndQuestions) {
  EXPECT_EQ(previewIcon("Bitmap"), "");
  EXPECT_FALSE(isDocumentType("Bitmap"));
  const std::pair<const char*, const char*> docs[] = {
      {"PDF", "~pdf.gif"},         {"DOC", "~worddoc.gif"},  {"XL", "~xldoc.gif"},
      {"PPT", "~ppdoc.gif"},       {"TXT", "~textfile.gif"}, {"WebPage", "~web.gif"},
      {"Other", "~OtherFile.gif"}, {"", "~OtherFile.gif"},
  };
  for (const auto& [type, icon] : docs) {
    EXPECT_EQ(previewIcon(type), icon) << type;
    EXPECT_TRUE(isDocumentType(type)) << type;
  }

  EXPECT_EQ(openFailureText(2), "File not found");
  EXPECT_EQ(openFailureText(3), "Path not found");
  EXPECT_EQ(openFailureText(11), "Invalid program file.  Non Windows or corrupt .exe file");
  EXPECT_EQ(openFailureText(16),
            "This program is already running and can only have one instance running");
  EXPECT_EQ(openFailureText(31), "No program associated with this file");
  // Opened, and codes the list does not know, say nothing.
  EXPECT_EQ(openFailureText(ui::kOpened), "");
  for (int code : {1, 4, 7, 9, 17, 18, 22, 30, 32, -1})
    EXPECT_EQ(openFailureText(code), "") << code;

  EXPECT_EQ(attachmentDescription("/home/ann/docs/report.final.pdf", "F", "DT-201", "Dump"),
            "report.final.pdf");
  EXPECT_EQ(attachmentDescription("C:\\docs\\notes", "F", "DT-201", "Dump"), "notes");
  EXPECT_EQ(attachmentDescription("/x/a.pdf", "T", "DT-201", "Dump truck  "),
            "Attachment for Equipment (DT-201) Dump truck");
  // Only "F" names the file: the setting is compared as written.
  EXPECT_EQ(attachmentDescription("/x/a.pdf", "f", "DT-201", "Dump"),
            "Attachment for Equipment (DT-201) Dump");

  EXPECT_EQ(attachQuestion(1), "Would you like to attach this file|to this piece of equipment?");
  EXPECT_EQ(attachQuestion(2), "Would you like to attach these files|to this piece of equipment?");
}

// ---- The tabs on the form -----------------------------------------------------------------------

class AttachmentsTest : public FormTest {
 protected:
  AttachmentsTest() : files(folder.path / "files") {
    fs::create_directories(files);
    wizardOff();
  }

  std::string file(const std::string& name) const { return (files / name).string(); }
  std::string picture(const std::string& name, int w = 640, int h = 480) const {
    writeBmp(files / name, w, h);
    return file(name);
  }
  std::string text(const std::string& name, const std::string& body = "some text") const {
    writeBytes(files / name, body);
    return file(name);
  }

  std::vector<data::Images> images(const std::string& type, const std::string& owner) {
    data::Access<data::Images> a(session.store(), session.errors());
    a.set(data::Images::def().primaryKey());
    std::vector<data::Images> out;
    while (a.next() == data::kNoError)
      if (a.rec().Type.str() == type && a.rec().OwnerID.str() == owner) out.push_back(a.rec());
    std::sort(out.begin(), out.end(), [](auto& x, auto& y) { return x.RecordID < y.RecordID; });
    return out;
  }
  std::optional<std::vector<unsigned char>> stored(std::int32_t recordId) {
    return session.store().getBlob("IMAGES", recordId);
  }
  std::int64_t local(const std::string& name) {
    std::int64_t n = 0;
    data::detail::toInteger(form().locals().get(name), &n, nullptr);
    return n;
  }
  PictureRect placed(const std::string& prefix) {
    return {static_cast<int>(local(prefix + "X")), static_cast<int>(local(prefix + "Y")),
            static_cast<int>(local(prefix + "Width")), static_cast<int>(local(prefix + "Height"))};
  }
  std::string prop(const std::string& control, const std::string& property,
                   const std::string& arg = {}) {
    return user.property(control, property, arg);
  }
  const ui::ScriptedPort::Shown& lastMessage() { return port.shown().back(); }

  // Runs a scenario of this folder with $DIR standing for the folder of test files.
  int runWithFiles(const std::string& name) {
    std::ifstream in(std::string(KOREQ_EQUIPMENT_TEST_DIR) + "/" + name);
    if (!in) {
      transcript << "scenario file " << name << " is missing\n";
      return ui::headless::kScenarioBadScript;
    }
    std::stringstream s;
    s << in.rdbuf();
    std::string script = s.str();
    for (std::size_t at; (at = script.find("$DIR")) != std::string::npos;)
      script.replace(at, 4, files.string());
    std::istringstream lines(script);
    return ui::headless::runScenario(session, registry, lines, transcript);
  }

  fs::path files;
};

TEST_F(AttachmentsTest, APhotographChosenIsStoredOnOkAndCancellingStoresNothing) {
  const std::string photo = picture("truck.bmp");
  openForm(ui::Request::Change, "DT-201");
  // No photograph yet: the built-in picture, in the middle of the box.
  EXPECT_EQ(prop("?IMAGE1", "icon"), kNoPhotoIcon);
  EXPECT_EQ(prop("?PhotoFile", "value"), "");
  EXPECT_EQ(prop("?IMAGE1", "tip"), kPhotoTip);
  EXPECT_EQ(placed("LOC:Photo"), (PictureRect{120, 80, 96, 96}));
  EXPECT_EQ(ctx.g.ImageWidth, 320);

  // Chosen and cancelled: nothing.
  user.choose("?SHEET", "5");
  port.queueFiles({photo});
  user.press("?LOOKUPFILE");
  EXPECT_EQ(prop("?IMAGE1", "icon"), photo);
  EXPECT_EQ(prop("?PhotoFile", "value"), photo);
  EXPECT_EQ(placed("LOC:Photo"), (PictureRect{8, 8, 320, 240}));
  const std::string asked = port.log().back();
  EXPECT_NE(asked.find("open file dialog \"Select an Equipment Photo Image\" filter "
                       "\"Image Files|*.bmp;*.gif;*.jpg|All Files|*.*\""),
            std::string::npos)
      << asked;
  user.press("?CANCEL");
  EXPECT_TRUE(images(kPhotoImageType, "DT-201").empty());

  // Chosen and OK: the record and its stored bytes.
  openForm(ui::Request::Change, "DT-201");
  port.queueFiles({photo});
  user.press("?LOOKUPFILE");
  user.press("?OK");
  ASSERT_EQ(desktop.top(), nullptr);
  auto rows = images(kPhotoImageType, "DT-201");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Description.str(), kPhotoDescription);
  EXPECT_EQ(rows[0].FileType.str(), "Bitmap");
  EXPECT_EQ(rows[0].FileName.str(), photo);
  ASSERT_TRUE(stored(rows[0].RecordID));
  EXPECT_EQ(stored(rows[0].RecordID)->size(), fs::file_size(photo));

  // Opened again: the file itself.
  openForm(ui::Request::Change, "DT-201");
  EXPECT_EQ(prop("?IMAGE1", "icon"), photo);
  EXPECT_EQ(prop("?PhotoFile", "value"), photo);
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, OkWithoutAChangeLeavesTheStoredPhotographAlone) {
  const std::string photo = picture("loader.bmp", 100, 50);
  openForm(ui::Request::Change, "WL-401");
  user.type("?PhotoFile", photo);  // a typed name is shown at once
  EXPECT_EQ(prop("?IMAGE1", "icon"), photo);
  EXPECT_EQ(placed("LOC:Photo"), (PictureRect{118, 103, 100, 50}));
  user.press("?OK");
  auto rows = images(kPhotoImageType, "WL-401");
  ASSERT_EQ(rows.size(), 1u);
  const auto firstBytes = stored(rows[0].RecordID)->size();

  // The file changes on disk; OK's accept-all of the unchanged name stores nothing again.
  picture("loader.bmp", 200, 50);
  openForm(ui::Request::Change, "WL-401");
  user.press("?OK");
  EXPECT_EQ(stored(rows[0].RecordID)->size(), firstBytes);
  EXPECT_EQ(images(kPhotoImageType, "WL-401").size(), 1u);

  // Another photograph replaces the first in the same record.
  const std::string other = picture("loader2.bmp", 30, 30);
  openForm(ui::Request::Change, "WL-401");
  user.drop("?TAB5", {other, photo});  // the first dropped file is the photograph
  EXPECT_EQ(prop("?PhotoFile", "value"), other);
  user.press("?OK");
  rows = images(kPhotoImageType, "WL-401");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].FileName.str(), other);
  EXPECT_EQ(stored(rows[0].RecordID)->size(), fs::file_size(other));

  // A name whose file is not there keeps no copy of the file before.
  openForm(ui::Request::Change, "WL-401");
  user.type("?PhotoFile", file("gone.bmp"));
  EXPECT_EQ(prop("?IMAGE1", "icon"), file("gone.bmp"));
  EXPECT_EQ(placed("LOC:Photo"), (PictureRect{8, 8, 320, 240}));  // not measurable: the box
  user.press("?OK");
  EXPECT_EQ(images(kPhotoImageType, "WL-401").at(0).FileName.str(), file("gone.bmp"));
  EXPECT_FALSE(stored(rows[0].RecordID));
  openForm(ui::Request::Change, "WL-401");
  EXPECT_EQ(prop("?IMAGE1", "icon"), kMissingPictureIcon);

  // Nor does a cleared name.
  user.type("?PhotoFile", other);
  user.press("?OK");
  ASSERT_TRUE(stored(rows[0].RecordID));
  openForm(ui::Request::Change, "WL-401");
  user.type("?PhotoFile", "");
  EXPECT_EQ(prop("?IMAGE1", "icon"), kNoPhotoIcon);
  user.press("?OK");
  EXPECT_EQ(images(kPhotoImageType, "WL-401").at(0).FileName.str(), "");
  EXPECT_FALSE(stored(rows[0].RecordID));
}

TEST_F(AttachmentsTest, AMissingPhotographFileIsShownFromTheStoreOrAsMissing) {
  const std::string photo = picture("dozer.bmp", 64, 48);
  openForm(ui::Request::Change, "DZ-501");
  port.queueFiles({photo});
  user.press("?LOOKUPFILE");
  user.press("?OK");
  const std::int32_t id = images(kPhotoImageType, "DZ-501").at(0).RecordID;
  fs::remove(photo);

  // The stored copy is written back to a temporary file, which becomes the file name.
  openForm(ui::Request::Change, "DZ-501");
  const std::string shown = prop("?IMAGE1", "icon");
  EXPECT_NE(shown, photo);
  EXPECT_EQ(fs::path(shown).filename(), "dozer.bmp");
  EXPECT_EQ(fs::file_size(shown), stored(id)->size());
  EXPECT_EQ(prop("?PhotoFile", "value"), shown);
  EXPECT_EQ(placed("LOC:Photo"), (PictureRect{136, 104, 64, 48}));
  user.press("?CANCEL");

  // Nothing stored either: the missing-picture image stands for both.
  session.store().removeBlob("IMAGES", id);
  openForm(ui::Request::Change, "DZ-501");
  EXPECT_EQ(prop("?IMAGE1", "icon"), kMissingPictureIcon);
  EXPECT_EQ(prop("?PhotoFile", "value"), kMissingPictureIcon);
  // A click on a built-in picture opens nothing.
  user.press("?IMAGE1");
  EXPECT_TRUE(port.opened().empty());
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, ThePhotographIsNotStoredWhenTheEquipmentSaveFails) {
  const std::string photo = picture("new.bmp");
  openForm(ui::Request::Insert);
  user.type("?EQH:EquipmentID", "DT-201");  // taken
  user.type("?EQH:Description", "Second dump truck");
  port.queueFiles({photo});
  user.press("?LOOKUPFILE");
  user.press("?OK");
  ASSERT_NE(desktop.top(), nullptr) << "a duplicate ID keeps the form open";
  EXPECT_TRUE(images(kPhotoImageType, "DT-201").empty());

  // Corrected, the same OK stores it with the new equipment.
  user.type("?EQH:EquipmentID", "DT-299");
  user.press("?OK");
  ASSERT_EQ(desktop.top(), nullptr);
  auto rows = images(kPhotoImageType, "DT-299");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_TRUE(stored(rows[0].RecordID));
  EXPECT_TRUE(images(kPhotoImageType, "DT-201").empty());
}

TEST_F(AttachmentsTest, AClickOnThePhotographOpensItOrSaysWhyNot) {
  const std::string photo = picture("roller.bmp", 10, 10);
  openForm(ui::Request::Change, "RL-701");
  user.type("?PhotoFile", photo);
  user.press("?IMAGE1");
  EXPECT_EQ(port.opened(), std::vector<std::string>{photo});
  EXPECT_TRUE(port.shown().empty());

  const std::pair<int, const char*> failures[] = {
      {ui::kOpenFileNotFound, "File not found"},
      {ui::kOpenPathNotFound, "Path not found"},
      {ui::kOpenNoAssociation, "No program associated with this file"},
  };
  for (const auto& [code, why] : failures) {
    port.queueOpenResult(code);
    user.press("?IMAGE1");
    ASSERT_FALSE(port.shown().empty());
    EXPECT_EQ(lastMessage().text, std::string(why) + "|" + photo);
    EXPECT_EQ(lastMessage().icon, ui::Icon::Exclamation);
  }
  // A code with no text shows nothing.
  const std::size_t before = port.shown().size();
  port.queueOpenResult(42);
  user.press("?IMAGE1");
  EXPECT_EQ(port.shown().size(), before);
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, DroppedFilesAreAttachedAtOnceWithTypesFromTheirExtensions) {
  const std::string pdf = text("report.final.pdf");
  const std::string plain = text("notes");
  const std::string pic = picture("side.jpg.bmp", 50, 40);
  fs::last_write_time(pdf, fs::file_time_type::clock::now() - std::chrono::hours(24 * 40));
  openForm(ui::Request::Change, "EX-302");
  EXPECT_EQ(prop("?IMAGE", "visible"), "0");
  EXPECT_EQ(prop("?CHANGEATTACHMENT", "enabled"), "0");
  user.choose("?SHEET", "7");

  // No: nothing.
  port.queueAnswer("&No");
  user.drop("?IMAGELIST", {pdf, plain});
  EXPECT_EQ(lastMessage().text, "Would you like to attach these files|to this piece of equipment?");
  EXPECT_EQ(lastMessage().caption, "Attach?");
  EXPECT_EQ(lastMessage().buttons, "&Yes|&No");
  EXPECT_EQ(lastMessage().icon, ui::Icon::Question);
  EXPECT_EQ(prop("?IMAGELIST", "rows"), "0");
  EXPECT_TRUE(images(kAttachmentImageType, "EX-302").empty());

  // Yes: both, in order, written before OK.
  port.queueAnswer("&Yes");
  user.drop("?TAB7", {pdf, plain});
  auto rows = images(kAttachmentImageType, "EX-302");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Description.str(), "report.final.pdf");
  EXPECT_EQ(rows[0].FileType.str(), "PDF");
  EXPECT_EQ(rows[0].OwnerRecordID, 0);
  EXPECT_EQ(rows[1].Description.str(), "notes");
  EXPECT_EQ(rows[1].FileType.str(), "Other");
  EXPECT_EQ(Date(rows[0].Date), suite::GETFILEDATE(pdf));
  EXPECT_EQ(Time(rows[0].Time), suite::GETFILETIME(pdf));
  EXPECT_NE(Date(rows[0].Date), clock.today());
  for (const auto& r : rows) EXPECT_TRUE(stored(r.RecordID));
  EXPECT_EQ(prop("?IMAGELIST", "row", "1"), "report.final.pdf|PDF");
  EXPECT_EQ(prop("?IMAGELIST", "current"), "2");
  EXPECT_EQ(prop("?IMAGE", "icon"), "~OtherFile.gif");
  EXPECT_EQ(prop("?IMAGE", "visible"), "1");
  // A document keeps its built-in picture's size, centred.
  EXPECT_EQ(placed("LOC:Preview"), (PictureRect{120, 80, 96, 96}));

  // One file is "this file"; a picture shows itself, fitted.
  port.queueAnswer("&Yes");
  user.drop("?IMAGE", {pic});
  EXPECT_EQ(lastMessage().text, "Would you like to attach this file|to this piece of equipment?");
  EXPECT_EQ(images(kAttachmentImageType, "EX-302").back().FileType.str(), "Bitmap");
  EXPECT_EQ(prop("?IMAGE", "icon"), pic);
  EXPECT_EQ(placed("LOC:Preview"), (PictureRect{143, 108, 50, 40}));
  EXPECT_FALSE(port.waitCursor());

  // The preview follows the highlight; cancelling the form keeps the attachments.
  user.select("?IMAGELIST", "1");
  EXPECT_EQ(prop("?IMAGE", "icon"), "~pdf.gif");
  user.press("?CANCEL");
  EXPECT_EQ(images(kAttachmentImageType, "EX-302").size(), 3u);

  // Drops elsewhere than the tab are not attachments.
  openForm(ui::Request::Change, "EX-302");
  const std::size_t asked = port.shown().size();
  user.drop("?EQH:Description", {pdf});
  EXPECT_EQ(port.shown().size(), asked);
  EXPECT_EQ(images(kAttachmentImageType, "EX-302").size(), 3u);
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, InsertAsksForSeveralFilesAndTheCaptionSettingNamesThem) {
  IniFile(folder.path / "settings" / kTsSetupFile)
      .set(kSettingsSection, kAttachmentCaptionEntry, "T");
  const std::string sheet = text("costs.xlsx");
  const std::string gone = file("lost/manual.doc");  // no such file
  openForm(ui::Request::Change, "DT-202");
  user.choose("?SHEET", "7");
  port.queueFiles({sheet, gone});
  user.press("?INSERTATTACHMENT");
  const std::string asked = port.log().front();
  EXPECT_NE(asked.find(std::string("open file dialog \"") + kAttachDialogTitle + "\" filter \"" +
                       kAttachDialogFilter + "\""),
            std::string::npos)
      << asked;
  auto rows = images(kAttachmentImageType, "DT-202");
  ASSERT_EQ(rows.size(), 2u);
  const std::string caption =
      "Attachment for Equipment (DT-202) " + clipped(form().record().Description.str());
  for (const auto& r : rows) EXPECT_EQ(r.Description.str(), cutToChars(caption, 50));
  EXPECT_EQ(rows[0].FileType.str(), "XL");
  EXPECT_EQ(rows[1].FileType.str(), "DOC");
  // The missing file: today and now, nothing stored (the store says why).
  EXPECT_EQ(Date(rows[1].Date), clock.today());
  EXPECT_EQ(Time(rows[1].Time), clock.now());
  EXPECT_FALSE(stored(rows[1].RecordID));
  ASSERT_TRUE(session.errors().last());
  EXPECT_NE(session.errors().last()->message.find("Storing Images"), std::string::npos);

  // A cancelled dialog attaches nothing.
  port.queueNoFile();
  user.press("?INSERTATTACHMENT");
  EXPECT_EQ(images(kAttachmentImageType, "DT-202").size(), 2u);
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, ChangeAndDeleteWorkOnTheHighlightedAttachment) {
  const std::string a = text("a.txt"), b = picture("b.gif.bmp", 20, 20);
  openForm(ui::Request::Change, "TR-901");
  port.queueFiles({a, b});
  user.press("?INSERTATTACHMENT");
  auto rows = images(kAttachmentImageType, "TR-901");
  ASSERT_EQ(rows.size(), 2u);

  // Change: the attachment form over the highlighted record.
  user.select("?IMAGELIST", "1");
  user.press("?CHANGEATTACHMENT");
  ASSERT_EQ(desktop.top()->name(), "UPDATEIMAGES");
  EXPECT_EQ(prop("?IMG:FileName", "value"), a);
  user.type("?IMG:Description", "Trailer inspection");
  user.press("?OK");
  EXPECT_EQ(prop("?IMAGELIST", "row", "1"), "Trailer inspection|TXT");
  EXPECT_EQ(prop("?IMAGELIST", "current"), "1");

  // Delete: No keeps it; Yes removes the record and its stored copy.
  user.select("?IMAGELIST", "2");
  EXPECT_EQ(prop("?IMAGE", "icon"), b);
  port.queueAnswer("&No");
  user.press("?DELETEATTACHMENT");
  EXPECT_EQ(lastMessage().text, kDeleteAttachmentQuestion);
  EXPECT_EQ(lastMessage().caption, "Confirm Delete");
  EXPECT_EQ(images(kAttachmentImageType, "TR-901").size(), 2u);
  port.queueAnswer("&Yes");
  user.press("?DELETEATTACHMENT");
  EXPECT_EQ(images(kAttachmentImageType, "TR-901").size(), 1u);
  EXPECT_FALSE(stored(rows[1].RecordID));
  EXPECT_EQ(prop("?IMAGELIST", "current"), "1");
  EXPECT_EQ(prop("?IMAGE", "icon"), "~textfile.gif");

  port.queueAnswer("&Yes");
  user.press("?DELETEATTACHMENT");
  EXPECT_TRUE(images(kAttachmentImageType, "TR-901").empty());
  EXPECT_EQ(prop("?IMAGE", "visible"), "0");
  EXPECT_EQ(prop("?DELETEATTACHMENT", "enabled"), "0");
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, APictureAttachmentWhoseFileIsGoneShowsItsStoredCopy) {
  const std::string pic = picture("plate.bmp", 40, 30);
  openForm(ui::Request::Change, "TR-902");
  port.queueFiles({pic});
  user.press("?INSERTATTACHMENT");
  user.press("?CANCEL");
  const std::int32_t id = images(kAttachmentImageType, "TR-902").at(0).RecordID;
  fs::remove(pic);

  openForm(ui::Request::Change, "TR-902");
  const std::string shown = prop("?IMAGE", "icon");
  EXPECT_NE(shown, pic);
  EXPECT_EQ(fs::path(shown).filename(), "plate.bmp");
  user.press("?CANCEL");

  session.store().removeBlob("IMAGES", id);
  openForm(ui::Request::Change, "TR-902");
  EXPECT_EQ(prop("?IMAGE", "icon"), kMissingPictureIcon);
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, NewEquipmentNeedsItsIdBeforeAttachmentsAndNotes) {
  openForm(ui::Request::Insert);
  port.queueAnswer("&Yes");
  user.drop("?TAB7", {text("early.txt")});
  EXPECT_EQ(lastMessage().text, kNeedEquipmentId);
  user.press("?INSERTNOTE");
  EXPECT_EQ(lastMessage().text, kNeedEquipmentId);
  EXPECT_EQ(desktop.top()->name(), "UpdateEQHeader");
  EXPECT_TRUE(images(kAttachmentImageType, "").empty());

  user.type("?EQH:EquipmentID", "NEW-1");
  port.queueAnswer("&Yes");
  user.drop("?TAB7", {file("early.txt")});
  EXPECT_EQ(images(kAttachmentImageType, "NEW-1").size(), 1u);
  user.press("?CANCEL");
}

TEST_F(AttachmentsTest, ViewingChangesNothing) {
  openForm(ui::Request::View, "EX-301");
  for (const char* b :
       {"?LOOKUPFILE", "?INSERTATTACHMENT", "?INSERTNOTE", "?CHANGENOTE", "?DELETENOTE"})
    EXPECT_EQ(prop(b, "enabled"), "0") << b;
  EXPECT_EQ(prop("?TAGALL", "enabled"), "1");
  user.drop("?TAB7", {text("x.txt")});
  EXPECT_TRUE(port.shown().empty());
  EXPECT_TRUE(images(kAttachmentImageType, "EX-301").empty());
  user.press("?OK");
}

// ---- Notes --------------------------------------------------------------------------------------

class NotesTest : public AttachmentsTest {
 protected:
  std::vector<data::Notes> notes(const std::string& id) { return suite::equipmentNotes(ctx, id); }
};

TEST_F(NotesTest, TagAllThenTagOneLeavesTheOthersTagged) {
  ctx.g.TAGQUE2 = {12345};
  openForm(ui::Request::Change, "EX-301");
  EXPECT_TRUE(ctx.g.TAGQUE2.empty()) << "emptied at open";
  const auto n = notes("EX-301");
  ASSERT_EQ(n.size(), 2u);
  // Oldest first, untagged: no mark, the date, the heading, the note.
  const std::string first = prop("?LIST", "row", "1");
  EXPECT_EQ(first.substr(0, 1), "|");
  EXPECT_NE(first.find("|Extended powertrain warranty|Purchased with"), std::string::npos);
  EXPECT_EQ(prop("?PRINTNOTES", "enabled"), "1");

  user.choose("?SHEET", "6");
  user.press("?TAGALL");
  EXPECT_EQ(ctx.g.TAGQUE2, (std::vector<std::int32_t>{n[0].RecordID, n[1].RecordID}));
  EXPECT_EQ(prop("?LIST", "row", "1").substr(0, 2), "*|");
  EXPECT_EQ(prop("?LIST", "row", "2").substr(0, 2), "*|");

  user.select("?LIST", "1");
  user.press("?TAGNOTE");
  EXPECT_EQ(ctx.g.TAGQUE2, std::vector<std::int32_t>{n[1].RecordID});
  EXPECT_EQ(prop("?LIST", "row", "1").substr(0, 1), "|");
  EXPECT_EQ(prop("?LIST", "row", "2").substr(0, 2), "*|");
  EXPECT_EQ(prop("?LIST", "current"), "1");

  // Space in the list toggles the highlighted note too.
  user.select("?LIST", "2");
  user.key("?LIST", "Space");
  EXPECT_TRUE(ctx.g.TAGQUE2.empty());
  user.key("?LIST", "Space");
  EXPECT_EQ(ctx.g.TAGQUE2, std::vector<std::int32_t>{n[1].RecordID});

  // Sorted by the heading, newest heading first, the rows still name their own notes.
  user.sort("?LIST", "Heading");
  user.sort("?LIST", "Heading");
  EXPECT_NE(prop("?LIST", "row", "1").find("Track tension"), std::string::npos);
  user.select("?LIST", "1");
  user.press("?TAGNOTE");
  EXPECT_TRUE(ctx.g.TAGQUE2.empty());
  user.press("?CHANGENOTE");
  EXPECT_EQ(prop("?NOTE:Heading", "value"), "Track tension");
  user.press("?CANCEL");

  user.press("?CANCEL");
  EXPECT_TRUE(ctx.g.TAGQUE2.empty()) << "emptied at close";
}

TEST_F(NotesTest, InsertChangeAndDeleteRunTheNoteForm) {
  openForm(ui::Request::Change, "DT-203");
  ASSERT_TRUE(notes("DT-203").empty());
  for (const char* b : {"?CHANGENOTE", "?DELETENOTE", "?TAGNOTE", "?TAGALL", "?SENDNOTES"})
    EXPECT_EQ(prop(b, "enabled"), "0") << b;

  ctx.g.KORFIELD = "Equipment";
  user.press("?INSERTNOTE");
  ASSERT_EQ(desktop.top()->name(), "UPDATENOTES");
  EXPECT_EQ(ctx.g.KORFIELD.str(), "");
  EXPECT_EQ(user.title(), "Adding a Note");
  EXPECT_EQ(prop("?NOTE:Date", "value"), clock.today().toIso());
  user.type("?NOTE:Heading", "Tyres");
  user.type("?NOTE:Note", "All six steer and drive tyres replaced.");
  user.press("?OK");
  auto n = notes("DT-203");
  ASSERT_EQ(n.size(), 1u);
  EXPECT_EQ(n[0].EntityType.str(), "EQHeader");
  EXPECT_EQ(n[0].EntityID.str(), "DT-203");
  EXPECT_EQ(n[0].UserID.str(), "ADM");
  EXPECT_EQ(prop("?LIST", "current"), "1");
  EXPECT_EQ(prop("?SENDNOTES", "enabled"), "1");

  // Send List Contents goes out under the equipment's title.
  port.queueMenu(1);
  user.press("?SENDNOTES");
  const std::string title =
      "Notes for Equipment (DT-203) " + clipped(form().record().Description.str());
  EXPECT_EQ(port.clipboard().substr(0, title.size() + 1), title + "\n");
  EXPECT_NE(port.clipboard().find("Tyres"), std::string::npos);

  // A cancelled insert adds nothing.
  user.press("?INSERTNOTE");
  user.press("?CANCEL");
  EXPECT_EQ(notes("DT-203").size(), 1u);

  user.activate("?LIST", "1");
  ASSERT_EQ(desktop.top()->name(), "UPDATENOTES");
  EXPECT_EQ(user.title(), "Changing a Note");
  user.type("?NOTE:Heading", "Tyres replaced");
  user.press("?OK");
  EXPECT_EQ(notes("DT-203").at(0).Heading.str(), "Tyres replaced");
  EXPECT_NE(prop("?LIST", "row", "1").find("Tyres replaced"), std::string::npos);

  // Deleting a tagged note takes its tag with it.
  user.press("?TAGNOTE");
  ASSERT_EQ(ctx.g.TAGQUE2.size(), 1u);
  user.press("?DELETENOTE");
  ASSERT_EQ(desktop.top()->name(), "UPDATENOTES");
  EXPECT_EQ(user.title(), "Deleting a Note");
  user.press("?OK");
  EXPECT_TRUE(notes("DT-203").empty());
  EXPECT_TRUE(ctx.g.TAGQUE2.empty());
  EXPECT_EQ(prop("?LIST", "rows"), "0");
  EXPECT_EQ(prop("?DELETENOTE", "enabled"), "0");
  user.press("?CANCEL");
}

// ---- Scenarios ----------------------------------------------------------------------------------

TEST_F(AttachmentsTest, ScenarioPhotoOnOkNothingOnCancel) {
  picture("pump.bmp", 120, 90);
  EXPECT_EQ(runWithFiles("attach_photo.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
  EXPECT_EQ(images(kPhotoImageType, "GN-851").size(), 1u);
  EXPECT_TRUE(images(kPhotoImageType, "GN-852").empty());
}

TEST_F(AttachmentsTest, ScenarioPhotoOfAFailedInsert) {
  picture("pump.bmp", 120, 90);
  EXPECT_EQ(runWithFiles("attach_insert_fails.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
  EXPECT_TRUE(images(kPhotoImageType, "GN-851").empty());
  EXPECT_EQ(images(kPhotoImageType, "GN-853").size(), 1u);
}

TEST_F(AttachmentsTest, ScenarioDroppedFilesAndTheirTypes) {
  text("report.final.pdf");
  text("notes");
  text("quote.htm");
  EXPECT_EQ(runWithFiles("attach_drop.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
  EXPECT_EQ(images(kAttachmentImageType, "SS-601").size(), 3u);
}

TEST_F(AttachmentsTest, ScenarioCaptionSetting) {
  IniFile(folder.path / "settings" / kTsSetupFile)
      .set(kSettingsSection, kAttachmentCaptionEntry, "Y");
  text("service.doc");
  EXPECT_EQ(runWithFiles("attach_caption.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
}

TEST_F(AttachmentsTest, ScenarioTagAllThenTagOne) {
  reportframe::ReportApplication app;  // Print draws the notes
  EXPECT_EQ(runWithFiles("attach_notes_tags.scenario"), ui::headless::kScenarioPassed)
      << transcript.str();
}

}  // namespace
}  // namespace koreq::equipment::test
