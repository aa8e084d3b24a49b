#include "suite/ui/notes_forms.h"

#include "equipment/form_fixture.h"
#include "runtime/picture.h"
#include "suite/filetime.h"
#include "suite/notes.h"

namespace koreq::equipment::test {
namespace {

namespace fs = std::filesystem;

TEST(AttachmentFileType, TheFirstTwoLettersOfTheLastExtensionDecide) {
  const std::pair<const char*, const char*> cases[] = {
      {"report.final.pdf", "PDF"},
      {"/home/ann/scan.PDF", "PDF"},
      {"notes", "Other"},
      {"photo.jpeg", "Bitmap"},
      {"photo.JPG", "Bitmap"},
      {"scan.tiff", "Bitmap"},
      {"a.bmp", "Bitmap"},
      {"b.gif", "Bitmap"},
      {"c.png", "Other"},  // "PN" is none of the picture types
      {"letter.docx", "DOC"},
      {"costs.xlsx", "XL"},
      {"deck.pptx", "PPT"},
      {"readme.txt", "TXT"},
      {"quote.html", "WebPage"},
      {"page.php", "Other"},
      {"file.", "Other"},
      {".pdf", "PDF"},
      // A dot in a folder is no extension, whichever separator wrote the name.
      {"/home/a.pdf/notes", "Other"},
      {"C:\\docs.pdf\\notes", "Other"},
      {"C:\\docs\\sheet.XLS", "XL"},
      // Only the first ten characters of the extension are read, and only two decide.
      {"x.pdfaaaaaaaaaaaaaaa", "PDF"},
      {"x.p", "Other"},
  };
  for (const auto& [name, type] : cases) EXPECT_EQ(suite::attachmentFileType(name), type) << name;
}

class NotesFormsTest : public FormTest {
 protected:
  NotesFormsTest() { fs::create_directories(folder.path / "files"); }

  void open(const std::string& procedure, ui::Request request) {
    ctx.g.GlobalRequest = static_cast<int>(request);
    ASSERT_TRUE(desktop.call(ctx, procedure));
  }
  std::string file(const std::string& name, const std::string& body) {
    fs::path p = folder.path / "files" / name;
    std::ofstream(p, std::ios::binary) << body;
    return p.string();
  }
  std::optional<data::Notes> note(std::int32_t id) {
    data::Access<data::Notes> a(session.store(), session.errors());
    if (a.fetch("KeyRecordID", {data::Value(std::int64_t{id})}) != data::kNoError)
      return std::nullopt;
    return a.rec();
  }
  std::optional<data::Images> image(std::int32_t id) {
    data::Access<data::Images> a(session.store(), session.errors());
    if (a.fetch("KeyRecordID", {data::Value(std::int64_t{id})}) != data::kNoError)
      return std::nullopt;
    return a.rec();
  }
  std::string storedText(std::int32_t id) {
    auto bytes = session.store().getBlob("IMAGES", id);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "(none)";
  }
  // Fetches a record into the context's buffer, as a list does before it calls the form.
  void load(const data::FileDef& def, std::int32_t id) {
    ASSERT_EQ(ctx.file(def).fetch("KeyRecordID", {data::Value(std::int64_t{id})}), data::kNoError);
  }
  // An attachment of DT-201 made through the form, its file stored.
  std::int32_t attach(const std::string& path) {
    data::Images& img = ctx.rec<data::Images>();
    img = {};
    img.Type = "EQHeader";
    img.OwnerID = "DT-201";
    open("UPDATEIMAGES", ui::Request::Insert);
    user.type("?IMG:FileName", path);
    user.press("?OK");
    return ctx.rec<data::Images>().RecordID;
  }
};

TEST_F(NotesFormsTest, ANewNoteKeepsItsOwnerAndTakesTodayNowAndTheUser) {
  clock.set(*Date::fromYmd(2024, 3, 15), Time::fromHms(9, 30));
  data::Notes& buf = ctx.rec<data::Notes>();
  buf = {};
  buf.EntityType = "EQHeader";
  buf.EquipmentID = "DT-201";
  buf.EntityID = "DT-201";
  buf.Heading = "left over from an earlier note";
  open("UPDATENOTES", ui::Request::Insert);
  EXPECT_EQ(user.title(), "Adding a Note");
  EXPECT_EQ(user.property("?NOTE:Heading", "value"), "");
  EXPECT_EQ(user.property("?NOTE:Date", "text"), "3/15/2024");
  EXPECT_EQ(user.property("?NOTE:Time", "text"), "09:30");
  EXPECT_EQ(user.property("?NOTE:UserID", "value"), "ADM");
  EXPECT_EQ(user.property("?NOTE:UserID", "readonly"), "1");
  user.type("?NOTE:Heading", "Brakes");
  user.type("?NOTE:Note", "Front brake chambers replaced.\nCheck adjustment in a week.");
  user.press("?OK");
  ASSERT_EQ(desktop.top(), nullptr);
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Completed));
  auto saved = note(ctx.rec<data::Notes>().RecordID);
  ASSERT_TRUE(saved);
  EXPECT_EQ(saved->EntityType.str(), "EQHeader");
  EXPECT_EQ(saved->EquipmentID.str(), "DT-201");
  EXPECT_EQ(saved->EntityID.str(), "DT-201");
  EXPECT_EQ(saved->Date, *Date::fromYmd(2024, 3, 15));
  EXPECT_EQ(saved->Time, Time::fromHms(9, 30));
  EXPECT_EQ(saved->Note.str(), "Front brake chambers replaced.\nCheck adjustment in a week.");

  // Cancelled: nothing written.
  const auto before = suite::equipmentNotes(ctx, "DT-201").size();
  open("UPDATENOTES", ui::Request::Insert);
  user.type("?NOTE:Heading", "Not kept");
  user.press("?CANCEL");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Cancelled));
  EXPECT_EQ(suite::equipmentNotes(ctx, "DT-201").size(), before);
}

TEST_F(NotesFormsTest, ChangeDeleteAndViewWorkOnTheNoteInTheBuffer) {
  const auto notes = suite::equipmentNotes(ctx, "EX-301");
  ASSERT_EQ(notes.size(), 2u);
  const std::int32_t id = notes[1].RecordID;

  load(data::Notes::def(), id);
  open("UPDATENOTES", ui::Request::Change);
  EXPECT_EQ(user.title(), "Changing a Note");
  EXPECT_EQ(user.property("?NOTE:Heading", "value"), "Track tension");
  user.type("?NOTE:Heading", "Track tension adjusted");
  user.press("?OK");
  EXPECT_EQ(note(id)->Heading.str(), "Track tension adjusted");
  EXPECT_EQ(note(id)->UserID.str(), notes[1].UserID.str());

  // View: read-only, OK closes without writing.
  load(data::Notes::def(), id);
  open("UPDATENOTES", ui::Request::View);
  EXPECT_EQ(user.property("?NOTE:Heading", "readonly"), "1");
  user.press("?OK");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Cancelled));

  // Delete shows the note; Cancel keeps it, the Delete button removes it.
  load(data::Notes::def(), id);
  open("UPDATENOTES", ui::Request::Delete);
  EXPECT_EQ(user.title(), "Deleting a Note");
  EXPECT_EQ(user.property("?NOTE:Note", "readonly"), "1");
  EXPECT_EQ(user.property("?OK", "text"), "&Delete");
  user.press("?CANCEL");
  EXPECT_TRUE(note(id));
  load(data::Notes::def(), id);
  open("UPDATENOTES", ui::Request::Delete);
  user.press("?OK");
  EXPECT_EQ(ctx.g.GlobalResponse, static_cast<int>(ui::Response::Completed));
  EXPECT_FALSE(note(id));
  EXPECT_TRUE(note(notes[0].RecordID));
}

TEST_F(NotesFormsTest, AnAttachmentsStoredCopyFollowsItsFileName) {
  clock.set(*Date::fromYmd(2024, 3, 15), Time::fromHms(14, 5));
  const std::string first = file("first.txt", "first version");
  const std::int32_t id = attach(first);
  ASSERT_NE(id, 0);
  auto rec = image(id);
  ASSERT_TRUE(rec);
  EXPECT_EQ(rec->Type.str(), "EQHeader");
  EXPECT_EQ(rec->OwnerID.str(), "DT-201");
  EXPECT_EQ(rec->FileType.str(), "TXT");
  EXPECT_EQ(Date(rec->Date), suite::GETFILEDATE(first));
  EXPECT_EQ(storedText(id), "first version");

  // An unchanged name keeps the stored copy, which may be all that is left of the file.
  fs::remove(first);
  load(data::Images::def(), id);
  open("UPDATEIMAGES", ui::Request::Change);
  EXPECT_EQ(user.title(), "Changing an Attachment");
  EXPECT_EQ(user.property("?LOC:FileDate", "text"),
            clipped(trimLeft(ui::formatValue("@d2b", data::Value(Date(rec->Date))))));
  user.type("?IMG:Description", "Operator manual");
  user.press("?OK");
  EXPECT_EQ(image(id)->Description.str(), "Operator manual");
  EXPECT_EQ(storedText(id), "first version");

  // Another file (from the dialog): its type, date and time, and its bytes.
  const std::string second = file("second.pdf", "second version");
  load(data::Images::def(), id);
  open("UPDATEIMAGES", ui::Request::Change);
  port.queueFiles({second});
  user.press("?LOOKUPIMAGEFILE");
  EXPECT_EQ(user.property("?IMG:FileType", "value"), "PDF");
  user.press("?OK");
  rec = image(id);
  EXPECT_EQ(rec->FileName.str(), second);
  EXPECT_EQ(rec->FileType.str(), "PDF");
  EXPECT_EQ(Time(rec->Time), suite::GETFILETIME(second));
  EXPECT_EQ(storedText(id), "second version");

  // A typed name of a file that is not there: today and now; the other file's copy goes.
  load(data::Images::def(), id);
  open("UPDATEIMAGES", ui::Request::Change);
  user.type("?IMG:FileName", (folder.path / "files" / "gone.doc").string());
  EXPECT_EQ(user.property("?IMG:FileType", "value"), "DOC");
  user.press("?OK");
  rec = image(id);
  EXPECT_EQ(Date(rec->Date), *Date::fromYmd(2024, 3, 15));
  EXPECT_EQ(Time(rec->Time), Time::fromHms(14, 5));
  ASSERT_TRUE(session.errors().last());
  EXPECT_NE(session.errors().last()->message.find("Storing Images"), std::string::npos);
  EXPECT_EQ(storedText(id), "(none)");

  // Cancel changes nothing.
  load(data::Images::def(), id);
  open("UPDATEIMAGES", ui::Request::Change);
  user.type("?IMG:Description", "Not kept");
  user.press("?CANCEL");
  EXPECT_EQ(image(id)->Description.str(), "Operator manual");
}

TEST_F(NotesFormsTest, DeletingAnAttachmentRemovesItsStoredCopy) {
  const std::int32_t keep = attach(file("keep.txt", "kept"));
  const std::int32_t id = attach(file("drop.txt", "dropped"));
  load(data::Images::def(), id);
  open("UPDATEIMAGES", ui::Request::Delete);
  EXPECT_EQ(user.title(), "Deleting an Attachment");
  EXPECT_EQ(user.property("?LOOKUPIMAGEFILE", "enabled"), "0");
  EXPECT_EQ(user.property("?IMG:Description", "readonly"), "1");
  user.press("?CANCEL");
  EXPECT_EQ(storedText(id), "dropped");

  load(data::Images::def(), id);
  open("UPDATEIMAGES", ui::Request::Delete);
  user.press("?OK");
  EXPECT_FALSE(image(id));
  EXPECT_EQ(storedText(id), "(none)");
  EXPECT_EQ(storedText(keep), "kept");
}

}  // namespace
}  // namespace koreq::equipment::test
