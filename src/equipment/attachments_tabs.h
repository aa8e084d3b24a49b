#pragma once

// The photograph, attachments and notes of a piece of equipment: the equipment form's
// "&Photograph" tab, its "Attachments" tab and the notes group of "&Notes / User Defined"
// (the parts come from makePhotographTab, makeAttachmentsTab and makeNotesGroup). The files
// are kept in IMAGES records (type "Equipment" for the one photograph, "EQHeader" for
// attachments) with their bytes in the suite's image store. The photograph is written with
// the equipment record on OK; attachments and notes are written as soon as they are made.
//
// The pure rules the tabs follow are here, for their tests.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "equipment/engine/equipment_records.h"

namespace koreq::equipment {

inline constexpr const char* kPhotoDescription = "Equipment Photograph";
inline constexpr const char* kAttachmentCaptionEntry = "AttachmentCaption";
// No photograph at all; a picture whose file and stored copy are both gone.
inline constexpr const char* kNoPhotoIcon = "~NoPhoto.BMP";
inline constexpr const char* kMissingPictureIcon = "~nophoto.gif";
inline constexpr const char* kPhotoTip = "Open?Image1 using default viewer";

inline constexpr const char* kPhotoDialogTitle = "Select an Equipment Photo Image";
inline constexpr const char* kPhotoDialogFilter = "Image Files|*.bmp;*.gif;*.jpg|All Files|*.*";
inline constexpr const char* kAttachDialogTitle = "Select one or more files to Attach";
inline constexpr const char* kAttachDialogFilter =
    "All Files|*.*|Images|*.tif;*.bmp;*.jpg;*.gif|PDF Files|*.pdf|Document Files|*.doc|"
    "Spreadsheets|*.xl*|Web Pages|*.htm*;*.php";
inline constexpr const char* kDeleteAttachmentQuestion =
    "Are you sure you want to delete the highlighted attachment?";

inline constexpr const char* kNeedEquipmentId =
    "Enter the Equipment ID first: attachments and notes are kept under it.";

struct PictureSize {
  int width = 0, height = 0;
  bool operator==(const PictureSize&) const = default;
};

struct PictureRect {
  int x = 0, y = 0, width = 0, height = 0;
  bool operator==(const PictureRect&) const = default;
};

// The box a picture is fitted into: the picture control's designed place and size, its height
// growing with the window beyond the window's designed height of 250.
PictureRect pictureBox(int imageX, int imageY, int imageWidth, int imageHeight, int windowHeight);

// Where a picture of `size` goes in `box`. A document's built-in picture keeps its size; a
// picture taller than the box is scaled to its height, then one still wider to its width, both
// keeping their proportions. Narrower than the box it is centred across, else put at the left;
// lower than the box it is centred down, else put at the top.
PictureRect fitPicture(const PictureRect& box, PictureSize size, bool document);

// The pixel size recorded in a BMP, GIF, PNG or JPEG file's header; nothing for other files,
// unreadable ones and headers that make no sense.
std::optional<PictureSize> readPictureSize(const std::filesystem::path& file);

// Whether an attachment of this file type is shown by a built-in picture rather than itself.
bool isDocumentType(std::string_view fileType);
// The built-in picture of a document type ("~pdf.gif"); "" for a picture ("Bitmap"), which
// shows itself.
std::string previewIcon(std::string_view fileType);

// Why the desktop could not open a file, for an OpenResult code; "" when it opened or the code
// is none of the known ones.
std::string openFailureText(int code);

// A new attachment's description: its file's name without the folder when the caption setting
// is "F", else "Attachment for Equipment (<ID>) <description>".
std::string attachmentDescription(std::string_view fileName, std::string_view captionSetting,
                                  std::string_view equipmentId, std::string_view description);

// The attach question for files dropped onto the Attachments tab.
std::string attachQuestion(std::size_t files);

}  // namespace koreq::equipment
