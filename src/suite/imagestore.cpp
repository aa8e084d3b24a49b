#include "suite/imagestore.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "data/records.h"
#include "frame/tempfolder.h"

namespace koreq::suite {

namespace fs = std::filesystem;

namespace {

constexpr const char* kBlobKind = "IMAGES";
// The operating system's codes, as the shell-open failures name them.
constexpr int kFileNotFound = 2;
constexpr int kAccessDenied = 5;

void fail(frame::Context& ctx, int code, const std::string& text, std::string_view action) {
  ctx.errors().fileError(code, text, action, "Images");
}

}  // namespace

std::string storedFileBaseName(std::string_view fileName) {
  std::string_view name = clip(fileName);
  auto cut = name.find_last_of("/\\");
  if (cut != std::string_view::npos) name = name.substr(cut + 1);
  return std::string(name);
}

bool STOREIMAGEFILE(frame::Context& ctx) {
  const data::Images& img = ctx.rec<data::Images>();
  const std::string& name = img.FileName.str();
  if (img.RecordID == 0) {
    fail(ctx, data::kRecordNotFound, "Record has no number (" + name + ")", "Storing");
    return false;
  }
  if (name.empty()) {
    fail(ctx, kFileNotFound, "File not found (no file named)", "Storing");
    return false;
  }
  std::error_code ec;
  if (!fs::is_regular_file(name, ec)) {
    fail(ctx, kFileNotFound, "File not found (" + name + ")", "Storing");
    return false;
  }
  std::ifstream in(name, std::ios::binary);
  std::vector<unsigned char> bytes;
  if (in) bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in && !in.eof()) {
    fail(ctx, kAccessDenied, "Cannot read file (" + name + "): " + std::strerror(errno), "Storing");
    return false;
  }
  try {
    ctx.store().putBlob(kBlobKind, img.RecordID, bytes);
  } catch (const data::StoreError& e) {
    fail(ctx, e.code(), e.what(), "Storing");
    return false;
  }
  return true;
}

bool EXTRACTIMAGEFILE(frame::Context& ctx) {
  ctx.g.PDFFILENAME = "";
  const data::Images& img = ctx.rec<data::Images>();
  std::optional<std::vector<unsigned char>> bytes;
  try {
    if (img.RecordID != 0) bytes = ctx.store().getBlob(kBlobKind, img.RecordID);
  } catch (const data::StoreError& e) {
    fail(ctx, e.code(), e.what(), "Extracting");
    return false;
  }
  if (!bytes) return false;

  std::string base = storedFileBaseName(img.FileName.str());
  if (base.empty() || base == "." || base == "..") base = "attachment";
  // One folder per record, so two attachments of the same name do not overwrite each other.
  fs::path dir = frame::processTempFolder() / "images" / std::to_string(img.RecordID);
  fs::path target = dir / base;
  std::error_code ec;
  fs::create_directories(dir, ec);
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (out)
    out.write(reinterpret_cast<const char*>(bytes->data()),
              static_cast<std::streamsize>(bytes->size()));
  out.close();
  if (!out) {
    fail(ctx, kAccessDenied, "Cannot write file (" + target.string() + ")", "Extracting");
    fs::remove(target, ec);
    return false;
  }
  std::string path = target.string();
  if (charCount(path) > decltype(ctx.g.PDFFILENAME)::kLength) {
    fail(ctx, kAccessDenied, "Temporary file name too long (" + path + ")", "Extracting");
    fs::remove(target, ec);
    return false;
  }
  ctx.g.PDFFILENAME = path;
  return true;
}

void removeStoredImage(data::Store& store, std::int64_t recordId) {
  store.removeBlob(kBlobKind, recordId);
}

bool REMOVEIMAGEFILE(frame::Context& ctx) {
  const data::Images& img = ctx.rec<data::Images>();
  if (img.RecordID == 0) return true;
  try {
    ctx.store().removeBlob(kBlobKind, img.RecordID);
  } catch (const data::StoreError& e) {
    fail(ctx, e.code(), e.what(), "Removing");
    return false;
  }
  return true;
}

}  // namespace koreq::suite
