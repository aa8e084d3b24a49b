#pragma once

// The page list of a report run: one page image file per page, in a private temporary folder
// of the run, in page order. Pages are kept on disk, not in memory; the files and the folder
// are deleted when the list goes away, whatever became of the run.

#include <filesystem>
#include <vector>

namespace koreq::reportframe {

class PageList {
 public:
  // Makes the folder in the system's temporary folder; throws std::runtime_error when it cannot.
  PageList();
  ~PageList();
  PageList(const PageList&) = delete;
  PageList& operator=(const PageList&) = delete;

  const std::filesystem::path& folder() const { return folder_; }
  // The file the next page is to be written to.
  std::filesystem::path nextFile() const;
  // A page written to `file` joins the list.
  void add(const std::filesystem::path& file) { files_.push_back(file); }
  const std::vector<std::filesystem::path>& files() const { return files_; }
  int size() const { return static_cast<int>(files_.size()); }
  bool empty() const { return files_.empty(); }
  // Deletes every page (a run that ends without output discards them).
  void clear();

 private:
  std::filesystem::path folder_;
  std::vector<std::filesystem::path> files_;
};

}  // namespace koreq::reportframe
