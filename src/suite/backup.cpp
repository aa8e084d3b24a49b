#include "suite/backup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace koreq::suite {

namespace fs = std::filesystem;

namespace {

void fail(frame::Context& ctx, int code, const std::string& text) {
  ctx.errors().fileError(code, text, "Backing up", "Company");
}

std::string stamp(const Date& d, const Time& t) {
  char buf[32];
  int h = t.isEmpty() ? 0 : t.hour(), m = t.isEmpty() ? 0 : t.minute(),
      s = t.isEmpty() ? 0 : t.second();
  std::snprintf(buf, sizeof buf, "%04d%02d%02d-%02d%02d%02d", d.year(), d.month(), d.dayOfMonth(),
                h, m, s);
  return buf;
}

}  // namespace

fs::path PREPOSTBACKUP(frame::Context& ctx) {
  fs::path dir = ctx.session().company().dataPath() / "backup";
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) {
    fail(ctx, data::kDriverError, "Cannot create folder " + dir.string() + ": " + ec.message());
    return {};
  }
  std::string base = "company-" + stamp(ctx.today(), ctx.clock().now());
  // Written under a hidden name of its own and linked to its final name only when whole: a
  // backup killed half-way leaves no company-*.db that is empty or short. The link claims the
  // name exclusively, so two backups in the same second (or two workstations) never share one.
  std::string work = (dir / ("." + base + ".XXXXXX")).string();
  const int fd = ::mkstemp(work.data());
  if (fd < 0) {
    fail(ctx, data::kDriverError,
         "Cannot create a backup in " + dir.string() + ": " + std::strerror(errno));
    return {};
  }
  ::close(fd);
  struct Work {
    std::string path;
    ~Work() { ::unlink(path.c_str()); }
  } made{work};
  try {
    ctx.store().backupTo(work);
  } catch (const data::StoreError& e) {
    fail(ctx, e.code(), e.what());
    return {};
  }
  fs::path target;
  for (int n = 1;; ++n) {
    target = dir / (base + (n == 1 ? "" : "-" + std::to_string(n)) + ".db");
    if (::link(work.c_str(), target.c_str()) == 0) break;
    if (errno != EEXIST || n >= 1000) {
      fail(ctx, data::kDriverError,
           "Cannot create " + target.string() + ": " + std::strerror(errno));
      return {};
    }
  }
  return target;
}

}  // namespace koreq::suite
