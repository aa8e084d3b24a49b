#pragma once

// UPDATENOTES and UPDATEIMAGES: the forms of one note (NOTES) and of one attached file's record
// (IMAGES), run on the record in the context's buffer with the request in GlobalRequest.
//
// For an insert the caller fills the owner fields first (a note's EntityType, EquipmentID and
// EntityID; an attachment's Type, OwnerRecordID and OwnerID): priming the new record keeps them.
// A delete request shows the record read-only and deletes it on OK, so the form is the
// confirmation. UPDATEIMAGES keeps the image store in step: a new or changed file name is
// stored, a deleted record's stored copy is removed.

#include <string>
#include <string_view>

#include "frame/registry.h"
#include "ui/model/form_procedure.h"

namespace koreq::suite {

// The file type of an attachment by its file's extension (the text after the last "." of the
// name without its folder, at most 10 characters, upper-cased), by its first two letters:
// "PD" PDF; "TI", "BM", "JP", "GI" Bitmap; "DO" DOC; "PP" PPT; "TX" TXT; "XL" XL; "HT" WebPage;
// anything else, or no extension, "Other".
std::string attachmentFileType(std::string_view fileName);

class NotesForm final : public ui::FormProcedure {
 public:
  explicit NotesForm(frame::Context& ctx);
  void init() override;

 protected:
  void prepare() override;
  bool deleteAtOpen() const override { return false; }
};

class ImagesForm final : public ui::FormProcedure {
 public:
  explicit ImagesForm(frame::Context& ctx);
  void init() override;
  void accepted(ui::Control& c) override;

 protected:
  void prepare() override;
  bool deleteAtOpen() const override { return false; }
  bool save() override;

 private:
  void fileChosen();

  Date fileDate_;
  Time fileTime_;
  std::string openedFile_;
};

void registerNotesForms(frame::ProcedureRegistry& registry);

}  // namespace koreq::suite
