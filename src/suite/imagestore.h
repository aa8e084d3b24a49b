#pragma once

// The suite's image store: the bytes of a photograph or attachment, kept in the company
// database under the IMAGES record's number, so a file that was moved or deleted on disk can
// still be shown. Each call works on the IMAGES record in the context's buffer.

#include <filesystem>
#include <string>
#include <string_view>

#include "frame/context.h"

namespace koreq::suite {

// Stores the bytes of the file that IMG:FileName names. A blank name, a missing or unreadable
// file, or a record without a number stores nothing and is reported through the error object
// (" Storing Images"). Answers whether the bytes were stored.
bool STOREIMAGEFILE(frame::Context& ctx);

// Writes the stored bytes to a new file under the process's temporary folder, with the
// original file's name and extension, and puts its path in PDFFILENAME. PDFFILENAME is blank
// when nothing is stored for the record (that is not an error) or the file cannot be written
// (reported, " Extracting Images").
bool EXTRACTIMAGEFILE(frame::Context& ctx);

// Forgets the stored bytes of the record. Answers false (reported) only when the store fails.
bool REMOVEIMAGEFILE(frame::Context& ctx);
// The same for the IMAGES record of that number, throwing data::StoreError, for a removal that
// is all or nothing.
void removeStoredImage(data::Store& store, std::int64_t recordId);

// The last component of a stored file name, which may have been written with either separator.
std::string storedFileBaseName(std::string_view fileName);

}  // namespace koreq::suite
