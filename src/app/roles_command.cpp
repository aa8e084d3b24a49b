// koreq roles: on a server company that signs on by role (company.ini: SignOn=Role), makes the
// database role of every user of the company that has none and gives each the privileges its
// user's rights allow, so that the server holds a user to them even outside this program. The
// server then checks each user's password at sign-on; passwords are set on the server (psql's
// \password, or ALTER ROLE … PASSWORD). An administrator's command, run as the connection
// string's own user, since the users' roles may not exist yet. Run again after rights change.

#include <algorithm>

#include "app/commands.h"
#include "data/access.h"
#include "data/company.h"
#include "data/postgres/pg_store.h"
#include "data/records.h"
#include "frame/context.h"
#include "frame/permissions.h"
#include "runtime/text.h"

namespace koreq::cli {

namespace {

// The columns of the posted totals: what posting adds up on an equipment and a cost category.
bool isPostedTotal(const data::FileDef& f, const std::string& column) {
  if (&f == &data::EqHeader::def())
    return column.starts_with("Cumulative") || column.starts_with("Year") ||
           column.starts_with("Month") || column.ends_with("ThisPosting") ||
           column == "LastPostingFiscalPeriod" || column == "CurrentMeter";
  if (&f == &data::EqCost::def())
    return column.starts_with("Cumulative") || column.starts_with("Year") ||
           column.starts_with("Month");
  return false;
}

// What a user's role may do: what the program's own checks let the user do, and what the
// program writes for every user (sign-on, the activity log, batches and their entries, report
// formats and the remembered choices of the windows).
std::vector<data::PgStore::TableGrant> grantsOf(const data::UserFile& u) {
  const bool admin = u.Administrator != 0, post = u.PostEquipmentLogs != 0,
             equipment = u.ChangeEquipment != 0, categories = u.ChangeCostCategories != 0;
  std::vector<data::PgStore::TableGrant> out;
  for (const data::FileDef* f : data::allFiles()) {
    if (f->table != lower(f->name)) continue;  // an alias: its file's grant is its own
    data::PgStore::TableGrant g;
    g.file = f;
    bool write = admin;
    if (f == &data::UserFile::def() || f == &data::Control::def()) {
      if (!admin)
        g.hiddenColumns.push_back(f == &data::Control::def() ? "SystemPassword" : "Password");
    } else if (f == &data::EqCode::def()) {
      write = write || categories;
    } else if (isPostedFile(*f)) {
      write = write || post;
    } else if (f == &data::EqHeader::def() || f == &data::EqCost::def()) {
      write = admin || (equipment && post);
      if (!write) {
        g.insertDelete = equipment;
        for (const data::FieldDef& fd : f->fields)
          if (isPostedTotal(*f, fd.column) ? post || (fd.column == "CurrentMeter" && equipment)
                                           : equipment)
            g.updateColumns.push_back(fd.column);
      }
    } else if (f == &data::EqBatch::def() || f == &data::EqLogB::def() ||
               f == &data::NetUser::def() || f == &data::UserLog::def() ||
               f == &data::EqLimits::def() || f == &data::MemLimit::def() ||
               f == &data::JcLimits::def() || f == &data::LimList::def() ||
               f == &data::DropList::def() || f == &data::CaseModeRecord::def() ||
               f == &data::AutoEntryRecord::def()) {
      write = true;
    } else {
      write = write || equipment;
    }
    g.insertDelete = g.insertDelete || write;
    g.updateAll = write;
    out.push_back(std::move(g));
  }
  return out;
}

}  // namespace

int runRoles(Invocation& inv, const ParsedArgs&) {
  const std::filesystem::path dir = inv.dataPath();
  if (!data::Company::exists(dir)) throw CommandError("no company in " + dir.string());
  if (data::Company::roleOf(dir, inv.options().user).empty())
    throw CommandError("the company in " + dir.string() +
                       " does not sign on by role (company.ini: SignOn=Role)");
  auto company = data::Company::open(dir);
  auto* server = dynamic_cast<data::PgStore*>(&company->store());
  if (!server) throw CommandError("the company in " + dir.string() + " is not on a server");

  std::vector<std::string> ids;
  std::vector<data::PgStore::RoleGrant> roles;
  std::string user;
  {
    data::ErrorObject errors;
    data::Access<data::UserFile> users(company->store(), errors);
    users.set(*data::UserFile::def().key("KeyUserID"));
    while (users.next() == data::kNoError) {
      ids.push_back(users.rec().UserID.str());
      roles.push_back({data::Company::roleOf(dir, ids.back()), grantsOf(users.rec())});
      if (upper(ids.back()) == upper(inv.options().user)) user = ids.back();
    }
  }
  if (user.empty())
    throw CommandError("there is no user '" + shortText(inv.options().user) +
                       "' in the company in " + dir.string());
  frame::Session session(std::move(company), inv.clock(), user);
  frame::Context ctx(session);
  if (!frame::readUserPermissions(ctx).administrator)
    throw CommandError("Access Denied: only an administrator may give users their roles");

  const std::vector<std::string> made = server->grantCompany(roles);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const bool isNew = std::find(made.begin(), made.end(), roles[i].role) != made.end();
    inv.out() << ids[i] << ": role " << roles[i].role
              << (isNew ? " (made; give it a password)" : "") << "\n";
  }
  inv.out() << "Every user of the company may sign on as their role; the server checks their "
               "passwords and holds each role to its user's rights.\n";
  return 0;
}

}  // namespace koreq::cli
