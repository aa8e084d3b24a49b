// koreq roles: on a server company that signs on by role (company.ini: SignOn=Role), makes the
// database role of every user of the company that has none and gives each the use of the
// company's tables. The server then checks each user's password at sign-on; passwords are set
// on the server (psql's \password, or ALTER ROLE … PASSWORD). An administrator's command, run
// as the connection string's own user, since the users' roles may not exist yet.

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
  std::string user;
  {
    data::ErrorObject errors;
    data::Access<data::UserFile> users(company->store(), errors);
    users.set(*data::UserFile::def().key("KeyUserID"));
    while (users.next() == data::kNoError) {
      ids.push_back(users.rec().UserID.str());
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

  std::vector<std::string> roles;
  for (const std::string& id : ids) roles.push_back(data::Company::roleOf(dir, id));
  const std::vector<std::string> made = server->grantCompany(roles);
  for (std::size_t i = 0; i < ids.size(); ++i) {
    const bool isNew = std::find(made.begin(), made.end(), roles[i]) != made.end();
    inv.out() << ids[i] << ": role " << roles[i] << (isNew ? " (made; give it a password)" : "")
              << "\n";
  }
  inv.out() << "Every user of the company may sign on as their role; the server checks their "
               "passwords.\n";
  return 0;
}

}  // namespace koreq::cli
