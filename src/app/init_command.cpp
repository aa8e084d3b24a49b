// koreq init: a new company is made in a hidden sibling folder and moved into place only when
// it is complete, so a failure (or a missing demo maker) never leaves half a company behind.

#include <unistd.h>
#include <algorithm>
#include <random>
#include <system_error>

#include "app/commands.h"
#include "data/access.h"
#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

fs::path normalizedTarget(const fs::path& p) {
  fs::path t = fs::absolute(p).lexically_normal();
  if (t.filename().empty()) t = t.parent_path();
  if (t.filename().empty() || t == t.root_path())
    throw CommandError("cannot make a company in " + p.string() + ": choose a folder of its own");
  return t;
}

// Removes the folder, or what is left of it after the move, when it goes out of scope.
class TempFolder {
 public:
  explicit TempFolder(fs::path p) : path_(std::move(p)) {}
  ~TempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

fs::path makeTempSibling(const fs::path& target) {
  std::random_device rd;
  for (int attempt = 0; attempt < 100; ++attempt) {
    fs::path p =
        target.parent_path() / ("." + target.filename().string() + ".init-" +
                                std::to_string(::getpid()) + "-" + std::to_string(rd() % 1000000));
    std::error_code ec;
    if (fs::create_directory(p, ec)) return p;
    if (ec)
      throw CommandError("cannot make a folder next to " + target.string() + ": " + ec.message());
  }
  throw CommandError("cannot make a temporary folder next to " + target.string());
}

// Moves the finished company from `from` into `target`. A missing or empty target is replaced
// in one rename; into a folder that already holds other files the entries move one by one,
// the database last, so the folder holds a company only once everything is there.
void moveIntoPlace(const fs::path& from, const fs::path& target) {
  std::error_code ec;
  if (!fs::exists(target) || fs::is_empty(target)) {
    fs::rename(from, target, ec);
    if (ec)
      throw CommandError("cannot move the new company into " + target.string() + ": " +
                         ec.message());
    return;
  }
  std::vector<fs::path> entries;
  for (const auto& e : fs::directory_iterator(from)) {
    if (fs::exists(fs::symlink_status(target / e.path().filename())))
      throw CommandError("cannot make a company in " + target.string() + ": it already holds " +
                         e.path().filename().string());
    entries.push_back(e.path().filename());
  }
  std::stable_partition(entries.begin(), entries.end(),
                        [](const fs::path& n) { return n != data::Company::kDatabaseName; });
  std::vector<fs::path> moved;
  for (const auto& name : entries) {
    fs::rename(from / name, target / name, ec);
    if (ec) {
      for (const auto& back : moved) {
        std::error_code ignored;
        fs::rename(target / back, from / back, ignored);
      }
      throw CommandError("cannot move the new company into " + target.string() + ": " +
                         ec.message());
    }
    moved.push_back(name);
  }
}

// A new company's first user: the one who made it, with every right, so that the company can
// be signed on to at all.
// (A demo company brings its own users; the one who made it is added when it is not among them.)
void addAdministrator(frame::Session& session) {
  data::ErrorObject errors;
  data::Access<data::UserFile> users(session.store(), errors);
  if (users.fetch("KeyUserID", {data::Value(session.g.USERID.str())}) == data::kNoError) return;
  if (users.prime() != data::kNoError) throw CommandError(users.lastErrorText());
  data::UserFile& u = users.rec();
  u.UserID = session.g.USERID.str();
  u.FirstName = "Administrator";
  u.Administrator = u.ChangeEquipment = u.ChangeCostCategories = u.PostEquipmentLogs = 1;
  if (users.tryInsert() != data::kNoError)
    throw CommandError("cannot add the user " + u.UserID.str() + ": " + users.lastErrorText());
}

}  // namespace

int runInit(Invocation& inv, const ParsedArgs& args) {
  const bool demo = args.flag("demo");
  const fs::path target = normalizedTarget(inv.dataPath());
  if (data::Company::exists(target))
    throw CommandError("a company already exists in " + target.string() + "; nothing was changed");
  if (fs::exists(target) && !fs::is_directory(target))
    throw CommandError("cannot make a company in " + target.string() + ": it is not a folder");
  if (demo && !inv.demoMaker())
    throw CommandError("demo company maker not available; nothing was made");

  std::error_code ec;
  fs::create_directories(target.parent_path(), ec);
  if (ec) throw CommandError("cannot make " + target.parent_path().string() + ": " + ec.message());
  TempFolder temp(makeTempSibling(target));
  {
    frame::Session session(data::Company::create(temp.path()), inv.clock(), inv.options().user);
    if (demo) inv.demoMaker()(session, inv.out());
    addAdministrator(session);
  }  // the database is closed before its folder moves
  if (data::Company::exists(target))
    throw CommandError("a company was made in " + target.string() +
                       " meanwhile; nothing was changed");
  moveIntoPlace(temp.path(), target);
  inv.out() << (demo ? "Made the demo company in " : "Made a new company in ") << target.string()
            << "\n";
  return 0;
}

}  // namespace koreq::cli
