#pragma once

// Splits a fuzzer's bytes into the parts a target needs: a few choice bytes, then texts cut at
// a separator, so that every input reaches the code under test instead of being refused whole.

#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace koreq::fuzz {

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size)
      : rest_(reinterpret_cast<const char*>(data), size) {}

  // The next byte, or 0 when there is none.
  std::uint8_t byte() {
    if (rest_.empty()) return 0;
    const auto b = static_cast<std::uint8_t>(rest_.front());
    rest_.remove_prefix(1);
    return b;
  }
  // The text up to the next `separator` (which is dropped), or everything left.
  std::string_view part(char separator = '\n') {
    const std::size_t at = rest_.find(separator);
    std::string_view p = rest_.substr(0, at);
    rest_.remove_prefix(at == std::string_view::npos ? rest_.size() : at + 1);
    return p;
  }
  std::string_view rest() const { return rest_; }
  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// A folder of the run's own for the files a target writes: in memory where the system has
// /dev/shm, since a fuzzer writes them many thousand times a second.
inline std::filesystem::path scratchFolder() {
  static const std::filesystem::path folder = [] {
    std::string name = std::filesystem::is_directory("/dev/shm") ? "/dev/shm" : "/tmp";
    name += "/koreq-fuzz-XXXXXX";
    if (!::mkdtemp(name.data())) std::abort();
    return std::filesystem::path(name);
  }();
  return folder;
}

}  // namespace koreq::fuzz
