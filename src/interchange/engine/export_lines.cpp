#include "interchange/engine/export_lines.h"

#include <cerrno>
#include <cstdio>
#include <iterator>
#include <memory>
#include <system_error>
#include <utility>

#include "data/access.h"
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

  // A new, empty work file; false when it cannot be made.
  bool create() {
    std::error_code ec;
    fs::remove(work_, ec);
    errno = 0;
    file_.reset(std::fopen(work_.c_str(), "wb"));
    if (!file_) {
      fail(std::error_code(errno ? errno : EIO, std::generic_category()), work_, kCreatingFile);
      return false;
    }
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
      if (std::fputs(line.c_str(), file_.get()) < 0)
        fail(std::error_code(errno ? errno : EIO, std::generic_category()), work_, kAddingExport);
      else
        ++out.lines;
    }
  }

  // Buffered lines reach the disk here: a failure then means lines are missing.
  void close() {
    errno = 0;
    const bool flushed = std::fflush(file_.get()) == 0;
    const int err = errno;
    const bool closed = std::fclose(file_.release()) == 0;
    if (!flushed || !closed)
      fail(std::error_code(err ? err : (errno ? errno : EIO), std::generic_category()), work_,
           kAddingExport);
  }

  void copyTo(const fs::path& target) {
    std::error_code ec;
    fs::copy_file(work_, target, fs::copy_options::overwrite_existing, ec);
    if (ec) fail(ec, target, kCopyingFile);
  }

  void removeWorkFile() {
    file_.reset();
    std::error_code ec;
    fs::remove(work_, ec);  // a work file left behind is made afresh by the next export
  }

  ExportOutcome out;

 private:
  frame::Context& ctx_;
  fs::path work_;
  std::unique_ptr<std::FILE, CloseFile> file_;
};

}  // namespace

ExportOutcome exportBatch(frame::Context& ctx, std::uint16_t batchId, const fs::path& target) {
  return exportBatch(ctx, batchId, target, exportWorkFile(ctx));
}

ExportOutcome exportBatch(frame::Context& ctx, std::uint16_t batchId, const fs::path& target,
                          const fs::path& workFile) {
  ExportRun run(ctx, workFile);
  const bool inPlace = sameFile(target, workFile);
  if (run.create()) {
    run.walk(batchId);
    run.close();
    if (!inPlace) run.copyTo(target);
  }
  if (!inPlace) run.removeWorkFile();
  return run.out;
}

}  // namespace koreq::interchange
