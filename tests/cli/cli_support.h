#pragma once

#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <system_error>
#include <vector>

#include <unistd.h>

#include "app/cli.h"

namespace koreq::cli::test {

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("koreq-cli-" + std::to_string(::getpid()) + "-" + std::to_string(rd()));
    std::filesystem::create_directories(path_);
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

struct Result {
  int rc = -1;
  std::string out;
  std::string err;
};

inline Result run(std::vector<std::string> args) {
  std::ostringstream out, err;
  Result r;
  r.rc = runCli(std::move(args), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

}  // namespace koreq::cli::test
