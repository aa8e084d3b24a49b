#include "interchange/engine/export_lines.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>
#include <system_error>
#include <utility>
#include <vector>

#include "data/access.h"
#include "data/output_file.h"
#include "data/store.h"
#include "frame/context.h"
#include "runtime/text.h"

namespace koreq::interchange {

namespace fs = std::filesystem;

std::string exportNumber(Decimal d) {
  return d.toPlainString();
}

std::string exportDate(Date d) {
  if (d.isEmpty()) return {};
  auto two = [](int n) {
    std::string s = std::to_string(n);
    return s.size() < 2 ? " " + s : s;
  };
  return two(d.month()) + "/" + two(d.dayOfMonth()) + "/" + std::to_string(d.year());
}

std::string exportText(std::string_view text) {
  std::string s = clipped(text);
  for (char& c : s)
    if (c == '\r' || c == '\n') c = ' ';
  if (s.find_first_of(",\"") == std::string::npos) return s;
  std::string quoted = "\"";
  for (char c : s) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + '"';
}

std::string exportLine(const data::EqLogB& e) {
  const std::string fields[] = {
      exportText(e.EquipmentID.str()),
      exportNumber(e.StartMeter),
      exportNumber(e.EndMeter),
      exportNumber(e.Units),
      e.ChargeType.empty() ? std::string(" ") : exportText(e.ChargeType.str()),
      exportText(e.DetailType.str()),
      exportText(e.GLAccount.str()),
      exportText(e.JobID.str()),
      exportText(e.CostCode.str()),
      exportText(e.EquipmentIDCharged.str()),
      exportText(e.Category.str()),
      exportText(e.Comments.str()),
      exportDate(e.Date),
      exportText(e.Location.str()),
      std::to_string(e.EmployeeID)};
  std::string line = fields[0];
  for (std::size_t i = 1; i < std::size(fields); ++i) line += ',' + fields[i];
  return line;
}

fs::path exportWorkFile(frame::Context& ctx) {
  return fs::path(clipped(ctx.session().g.DATAPATH.str())) / kExportWorkFileName;
}

namespace {

// The runtime's text for a failed operation on `path`, as its file errors read.
std::pair<int, std::string> fileSystemError(std::error_code ec, const fs::path& path) {
  const int e = ec.value();
  if (ec.category() == std::generic_category() || ec.category() == std::system_category()) {
    if (e == ENOENT || e == ENOTDIR) {
      std::error_code ignored;
      const fs::path folder = path.has_parent_path() ? path.parent_path() : fs::path(".");
      if (!fs::is_directory(folder, ignored)) return {3, "Path Not Found"};
      return {2, "File Not Found"};
    }
    if (e == EACCES || e == EPERM || e == EROFS || e == EISDIR) return {5, "Access Denied"};
    if (e == ENOSPC) return {data::kDriverError, "Disk Full"};
  }
  return {data::kDriverError, ec.message()};
}

struct CloseFile {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

bool sameFile(const fs::path& a, const fs::path& b) {
  std::error_code ec1, ec2;
  const fs::path x = fs::weakly_canonical(fs::absolute(a, ec1), ec1);
  const fs::path y = fs::weakly_canonical(fs::absolute(b, ec2), ec2);
  return !ec1 && !ec2 && x == y;
}

class ExportRun {
 public:
  ExportRun(frame::Context& ctx, const fs::path& work) : ctx_(ctx), work_(work) {}

  void fail(std::error_code ec, const fs::path& path, const char* operation) {
    auto [code, text] = fileSystemError(ec, path);
    out.errors.push_back(text + operation);
    ctx_.errors().report(code, out.errors.back());
  }

  // A new, empty work file of this export's own (made afresh, so another workstation exporting
  // meanwhile under the same name gets a file of its own); false when it cannot be made.
  bool create() {
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 3; ++attempt) {
      if (::unlink(work_.c_str()) != 0 && errno != ENOENT) break;  // a folder, no right
      fd = ::open(work_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
      if (fd < 0 && errno != EEXIST) break;
    }
    std::FILE* f = fd >= 0 ? ::fdopen(fd, "w+b") : nullptr;
    if (!f) {
      const int err = errno ? errno : EIO;
      if (fd >= 0) ::close(fd);
      fail(std::error_code(err, std::generic_category()), work_, kCreatingFile);
      return false;
    }
    file_.reset(f);
    struct stat st {};
    if (::fstat(fd, &st) == 0) mine_ = {st.st_dev, st.st_ino};
    return true;
  }

  void walk(std::uint16_t batchId) {
    data::Access<data::EqLogB> log(ctx_.store(), ctx_.errors());
    log.setRange(*data::EqLogB::def().key("KeyBatchID"), {std::int64_t{batchId}});
    for (;;) {
      const int rc = log.next();
      if (rc == data::kRecordNotFound) break;
      if (rc != data::kNoError) {
        // The rest of the batch cannot be read: the file would be short.
        out.errors.push_back(log.lastErrorText() + kAddingExport);
        ctx_.errors().report(rc, out.errors.back());
        break;
      }
      const std::string line = exportLine(log.rec()) + "\n";
      errno = 0;
      if (std::fputs(line.c_str(), file_.get()) < 0) {
        // One message: every later line would fail the same way.
        fail(std::error_code(errno ? errno : EIO, std::generic_category()), work_, kAddingExport);
        break;
      }
      ++out.lines;
    }
  }

  // Buffered lines reach the disk here: a failure then means lines are missing.
  void close() {
    errno = 0;
    if (std::fflush(file_.get()) != 0)
      fail(std::error_code(errno ? errno : EIO, std::generic_category()), work_, kAddingExport);
  }

  // Copied from the work file this export holds open, never from whatever the name holds now;
  // made beside the target and renamed over it when whole, so a failure leaves an earlier
  // export as it was.
  void copyTo(const fs::path& target) {
    std::rewind(file_.get());
    data::OutputFile to(target);
    std::string why;
    auto failed = [&] {
      if (to.lastErrno() == 0) return refuse(why);
      fail(std::error_code(to.lastErrno(), std::generic_category()), target, kCopyingFile);
    };
    if (!to.open(&why)) return failed();
    std::vector<char> buf(1 << 16);
    for (std::size_t n; (n = std::fread(buf.data(), 1, buf.size(), file_.get())) > 0;)
      if (!to.write(std::string_view(buf.data(), n))) break;
    if (std::ferror(file_.get()))
      return fail(std::error_code(EIO, std::generic_category()), work_, kCopyingFile);
    if (!to.commit(&why)) failed();
  }

  void refuse(const std::string& why) {
    out.errors.push_back(why);
    ctx_.errors().report(data::kDriverError, why);
  }

  // Only while the name is still this export's: another export may have made it afresh.
  void removeWorkFile() {
    struct stat st {};
    if (file_ && ::stat(work_.c_str(), &st) == 0 && st.st_dev == mine_.first &&
        st.st_ino == mine_.second)
      ::unlink(work_.c_str());
    file_.reset();
  }

  ExportOutcome out;

 private:
  frame::Context& ctx_;
  fs::path work_;
  std::unique_ptr<std::FILE, CloseFile> file_;
  std::pair<dev_t, ino_t> mine_{};
};

}  // namespace

ExportOutcome exportBatch(frame::Context& ctx, std::uint16_t batchId, const fs::path& target) {
  return exportBatch(ctx, batchId, target, exportWorkFile(ctx));
}

ExportOutcome exportBatch(frame::Context& ctx, std::uint16_t batchId, const fs::path& target,
                          const fs::path& workFile) {
  ExportRun run(ctx, workFile);
  const bool inPlace = sameFile(target, workFile);
  if (!inPlace) {
    if (std::string why = data::outputRefusal(target); !why.empty()) {
      run.refuse(why + "; nothing was written");
      return run.out;
    }
  }
  if (run.create()) {
    run.walk(batchId);
    run.close();
    // An export that went wrong never replaces the target: an earlier one stays whole.
    if (!inPlace && run.out.errors.empty()) run.copyTo(target);
  }
  if (!inPlace) run.removeWorkFile();
  return run.out;
}

}  // namespace koreq::interchange
