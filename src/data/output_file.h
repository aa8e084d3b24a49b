#pragma once

// Files the program writes for the user (exports, PDFs, report exports, lists, copies): never
// over a company's own files, never onto a device or a folder, and never half-written over an
// earlier file — each is made beside its target and renamed over it only when whole.

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace koreq::data {

// Why `target` may not take an output, naming it; empty when it may. Refused: a folder (or a
// name ending in a separator), a device or other special file, a company's database with its
// journal, WAL and shared-memory files, its settings and work files and its backups in any
// folder that holds a company, and any existing SQLite database wherever it lies.
std::string outputRefusal(const std::filesystem::path& target);

// An output being written: a hidden file beside the target that becomes the target at commit().
// Dropped without commit(), it is removed and the target is left as it was.
class OutputFile {
 public:
  explicit OutputFile(std::filesystem::path target);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // Refuses the target (outputRefusal) or makes the hidden file; false with the reason.
  bool open(std::string* error);
  std::FILE* file() { return file_; }
  const std::filesystem::path& partPath() const { return part_; }
  // Appends bytes; false once anything failed (the first failure is kept for commit()).
  bool write(std::string_view bytes);
  // Flushes it to the disk and renames it over the target; false with one message naming the
  // target when anything failed since open(), and the target is then left as it was.
  bool commit(std::string* error);
  // The system's error number of the last failure (0 for a refused target).
  int lastErrno() const { return errno_; }

 private:
  void discard();

  std::filesystem::path target_;
  std::filesystem::path part_;
  std::FILE* file_ = nullptr;
  int failed_ = 0;  // errno of the first failed write
  int errno_ = 0;
};

// The whole of `bytes` as the output `target`.
bool writeOutputFile(const std::filesystem::path& target, std::string_view bytes,
                     std::string* error);

}  // namespace koreq::data
