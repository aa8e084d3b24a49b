#include "data/output_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "data/company.h"

namespace koreq::data {

namespace fs = std::filesystem;

namespace {

// The files of a company folder that belong to the company itself.
bool companyOwnName(const std::string& name) {
  static const std::array<std::string, 7> kNames = {
      Company::kDatabaseName,
      std::string(Company::kDatabaseName) + "-wal",
      std::string(Company::kDatabaseName) + "-shm",
      std::string(Company::kDatabaseName) + "-journal",
      Company::kSettingsName,
      "AutoEntry.dat",
      "backup"};
  for (const std::string& n : kNames)
    if (name == n) return true;
  // The process locks beside the database ("company.db-lock-posting").
  return name.rfind(std::string(Company::kDatabaseName) + "-lock-", 0) == 0;
}

bool isSqliteDatabase(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  char head[16] = {};
  in.read(head, sizeof head);
  return in.gcount() == sizeof head && std::memcmp(head, "SQLite format 3", 16) == 0;
}

std::string errnoText(int err) {
  return std::strerror(err ? err : EIO);
}

}  // namespace

std::string outputRefusal(const fs::path& target) {
  const std::string shown = target.string();
  if (target.empty()) return "No file name was given";
  if (!target.has_filename() || target.filename() == "." || target.filename() == "..")
    return shown + " is a folder, not a file";
  struct stat st {};
  const bool exists = ::stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return shown + " is a folder, not a file";
  if (exists && !S_ISREG(st.st_mode)) return shown + " is a device or special file, not a file";
  // Through links and "..": the file the name would really replace.
  std::error_code ec;
  const fs::path full = fs::weakly_canonical(fs::absolute(target, ec), ec);
  if (!ec) {
    const fs::path dir = full.parent_path();
    if (Company::exists(dir) && companyOwnName(full.filename().string()))
      return shown + " is one of the company's own files; choose another name";
    if (dir.filename() == "backup" && Company::exists(dir.parent_path()))
      return shown + " is in the company's backup folder; choose another name";
  }
  // A company's database under another name or in another place (a copy, a hard link).
  if (exists && isSqliteDatabase(target))
    return shown + " is a database; a report or export is never written over one";
  return {};
}

OutputFile::OutputFile(fs::path target) : target_(std::move(target)) {}

OutputFile::~OutputFile() {
  discard();
}

void OutputFile::discard() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (!part_.empty()) ::unlink(part_.c_str());
  part_.clear();
}

bool OutputFile::open(std::string* error) {
  discard();
  failed_ = errno_ = 0;
  if (std::string why = outputRefusal(target_); !why.empty()) {
    if (error) *error = why + "; nothing was written";
    return false;
  }
  fs::path dir = target_.parent_path();
  if (dir.empty()) dir = ".";
  std::string pattern = (dir / ("." + target_.filename().string() + ".XXXXXX")).string();
  const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
  if (fd < 0) {
    errno_ = errno;
    if (error) *error = target_.string() + " could not be written: " + errnoText(errno);
    return false;
  }
  // mkstemp makes it 0600; an output gets the usual permissions (the umask applies).
  const mode_t mask = ::umask(0);
  ::umask(mask);
  ::fchmod(fd, 0666 & ~mask);
  part_ = pattern;
  file_ = ::fdopen(fd, "wb");
  if (!file_) {
    const int err = errno_ = errno;
    ::close(fd);
    discard();
    if (error) *error = target_.string() + " could not be written: " + errnoText(err);
    return false;
  }
  return true;
}

bool OutputFile::write(std::string_view bytes) {
  if (failed_) return false;
  if (!file_) {
    failed_ = EBADF;
    return false;
  }
  errno = 0;
  if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size())
    failed_ = errno ? errno : EIO;
  return failed_ == 0;
}

bool OutputFile::commit(std::string* error) {
  int err = failed_;
  if (part_.empty()) err = err ? err : EBADF;
  if (!err && file_) {
    errno = 0;
    if (std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0) err = errno ? errno : EIO;
    if (std::fclose(file_) != 0 && !err) err = errno ? errno : EIO;
    file_ = nullptr;
  } else if (!err) {
    // Written by another writer under partPath(): brought to the disk before it replaces.
    const int fd = ::open(part_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0 || ::fsync(fd) != 0) err = errno ? errno : EIO;
    if (fd >= 0) ::close(fd);
  }
  if (!err && ::rename(part_.c_str(), target_.c_str()) != 0) err = errno ? errno : EIO;
  if (err) {
    errno_ = err;
    discard();
    if (error)
      *error = target_.string() + " could not be written: " + errnoText(err) +
               "; an earlier file of that name was left as it was";
    return false;
  }
  part_.clear();
  return true;
}

bool writeOutputFile(const fs::path& target, std::string_view bytes, std::string* error) {
  OutputFile out(target);
  if (!out.open(error)) return false;
  out.write(bytes);
  return out.commit(error);
}

}  // namespace koreq::data
