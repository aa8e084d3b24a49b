#include "suite/backup.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
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
  // The name is claimed by creating the file exclusively, so two backups in the same second
  // (or two workstations) never write into one file; SQLite takes an empty file as new.
  fs::path target;
  for (int n = 1;; ++n) {
    target = dir / (base + (n == 1 ? "" : "-" + std::to_string(n)) + ".db");
    int fd = ::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0) {
      ::close(fd);
      break;
    }
    if (errno != EEXIST || n >= 1000) {
      fail(ctx, data::kDriverError,
           "Cannot create " + target.string() + ": " + std::strerror(errno));
      return {};
    }
  }
  try {
    ctx.store().backupTo(target.string());
  } catch (const data::StoreError& e) {
    fs::remove(target, ec);
    fail(ctx, e.code(), e.what());
    return {};
  }
  return target;
}

}  // namespace koreq::suite
