#include "suite/filetime.h"

#include <chrono>
#include <ctime>
#include <optional>

namespace koreq::suite {

namespace {

struct Stamp {
  std::tm tm{};
  int hundredths = 0;
};

std::optional<Stamp> localStamp(const std::filesystem::path& path) {
  std::error_code ec;
  auto ft = std::filesystem::last_write_time(path, ec);
  if (ec) return std::nullopt;
  auto sys = std::chrono::file_clock::to_sys(ft);
  auto secs = std::chrono::floor<std::chrono::seconds>(sys);
  std::time_t t = std::chrono::system_clock::to_time_t(secs);
  Stamp s;
  if (!::localtime_r(&t, &s.tm)) return std::nullopt;
  s.hundredths = static_cast<int>(
      std::chrono::duration_cast<std::chrono::milliseconds>(sys - secs).count() / 10);
  return s;
}

}  // namespace

Date GETFILEDATE(const std::filesystem::path& path) {
  auto s = localStamp(path);
  if (!s) return Date();
  return Date::fromYmd(s->tm.tm_year + 1900, s->tm.tm_mon + 1, s->tm.tm_mday).value_or(Date());
}

Time GETFILETIME(const std::filesystem::path& path) {
  auto s = localStamp(path);
  if (!s) return Time();
  // A leap second (tm_sec 60) is folded into the last second of the minute.
  int sec = s->tm.tm_sec > 59 ? 59 : s->tm.tm_sec;
  return Time::fromHms(s->tm.tm_hour, s->tm.tm_min, sec, s->hundredths);
}

}  // namespace koreq::suite
