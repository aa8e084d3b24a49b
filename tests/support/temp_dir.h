#pragma once

// A fresh folder under the system's temporary folder for one test (or one suite), removed with
// everything in it when the object goes.

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <system_error>

namespace koreq::test {

struct TempDir {
  std::filesystem::path path;

  TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "koreq-test-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
      throw std::filesystem::filesystem_error("mkdtemp",
                                              std::error_code(errno, std::generic_category()));
    path = tmpl;
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  std::filesystem::path operator/(const std::string& name) const { return path / name; }
};

}  // namespace koreq::test
