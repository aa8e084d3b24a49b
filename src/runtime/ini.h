#pragma once

// Settings files in the usual ini layout:
//
//   ; comment
//   [Section Name]
//   Entry=value
//
// Every call reads the file afresh, so two windows (or two programs) sharing a file see each
// other's changes; the files are small. A change rewrites the file at once through a temporary
// file and a rename, so a crash or a full disk never leaves half a file behind. Lines the change
// does not touch (comments, blank lines, unknown lines, order, CRLF endings, a BOM) are kept.
//
// Section and entry names compare case-insensitively with surrounding blanks ignored; new names
// are written as given, blanks inside kept ("[Corvell Tessaly]"). A section that appears twice
// counts as one. A value is read with surrounding blanks removed and one pair of enclosing double
// quotes stripped; a value that needs them is written quoted, so every value reads back as set.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace koreq {

class IniFile {
 public:
  explicit IniFile(std::filesystem::path path) : path_(std::move(path)) {}

  const std::filesystem::path& path() const { return path_; }

  // The entry's value, or `defaultValue` when the file, the section or the entry is missing.
  // An unreadable file also gives the default and sets lastError().
  std::string get(std::string_view section, std::string_view entry,
                  std::string_view defaultValue = {}) const;
  // Creates the file (and its folder) or the section when missing. False with lastError() when
  // a name or value cannot be written in an ini file or the file cannot be read or written; the
  // file is then unchanged.
  bool set(std::string_view section, std::string_view entry, std::string_view value);
  // Removes every occurrence of the entry. False when there was none (lastError() empty) or on
  // failure (lastError() says why).
  bool remove(std::string_view section, std::string_view entry);
  // Removes the section's header and every line under it. Same results as remove().
  bool removeSection(std::string_view section);

  // Names as written in the file, in file order, each once.
  std::vector<std::string> sections() const;
  std::vector<std::string> entries(std::string_view section) const;

  // Why the last call failed; empty after a call that succeeded.
  const std::string& lastError() const { return error_; }

 private:
  struct Content;
  bool load(Content& c) const;
  bool save(const Content& c);
  bool validNames(std::string_view section, std::string_view entry);

  std::filesystem::path path_;
  mutable std::string error_;
};

}  // namespace koreq
