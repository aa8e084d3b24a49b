#include "suite/reportexport.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <random>

#include "runtime/text.h"

namespace koreq::suite {

namespace fs = std::filesystem;

namespace {

bool writeAll(int fd, const std::string& data) {
  const char* p = data.data();
  std::size_t left = data.size();
  while (left > 0) {
    ssize_t n = ::write(fd, p, left);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

bool setError(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool REPORTEXPORT(frame::Context& ctx, const fs::path& target, std::string* error) {
  if (target.empty() || !target.has_filename()) return setError(error, "No export file name given");
  std::string text;
  for (const std::string& line : ctx.g.RXQUEUE) {
    text += clip(line);
    text += '\n';
  }

  // A hidden file beside the target, made with the usual permissions (the umask applies).
  fs::path dir = target.parent_path();
  if (dir.empty()) dir = ".";
  std::string tmp;
  int fd = -1;
  std::random_device random;
  for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
    tmp = (dir / ("." + target.filename().string() + "." + std::to_string(::getpid()) + "." +
                  std::to_string(random())))
              .string();
    fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0)
    return setError(error, "Cannot write " + target.string() + ": " + std::strerror(errno));
  bool ok = writeAll(fd, text) && ::fsync(fd) == 0;
  int err = errno;
  if (::close(fd) != 0 && ok) {
    ok = false;
    err = errno;
  }
  if (ok && ::rename(tmp.c_str(), target.c_str()) != 0) {
    ok = false;
    err = errno;
  }
  if (!ok) {
    ::unlink(tmp.c_str());
    return setError(error, "Cannot write " + target.string() + ": " + std::strerror(err));
  }
  return true;
}

fs::path REPORTEXPORT(frame::Context& ctx, ui::UserPort& user, const std::string& name,
                      std::string* error) {
  const fs::path start =
      fs::path(clipped(ctx.session().g.DATAPATH.str())) / (clipped(name) + ".txt");
  const std::vector<std::string> chosen = user.chooseFiles(
      {"Export File Name and Location", "Text Files|*.txt|All Files|*.*", start.string(), true});
  if (chosen.empty()) return {};
  std::string why;
  if (REPORTEXPORT(ctx, chosen.front(), &why)) return chosen.front();
  user.message(why, "Export This Report", ui::Icon::Exclamation, "&OK");
  if (error) *error = why;
  return {};
}

}  // namespace koreq::suite
