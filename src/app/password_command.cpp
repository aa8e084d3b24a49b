// `koreq password USER [--clear]` and the password the command line signs on with.

#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <iostream>

#include "app/commands.h"
#include "data/company.h"
#include "frame/context.h"
#include "frame/signon.h"

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

// Restores the terminal's echo however the reading ends.
class EchoOff {
 public:
  EchoOff() : on_(tcgetattr(STDIN_FILENO, &saved_) == 0) {
    if (!on_) return;
    termios quiet = saved_;
    quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
  }
  ~EchoOff() {
    if (on_) tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved_);
  }
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

 private:
  termios saved_{};
  bool on_;
};

bool onTerminal() {
  return isatty(STDIN_FILENO) == 1;
}

// One line typed on the terminal without echo; nothing at end of input.
std::optional<std::string> askOnTerminal(std::ostream& err, const std::string& question) {
  err << question << std::flush;
  std::string line;
  bool got = false;
  {
    EchoOff quiet;
    got = static_cast<bool>(std::getline(std::cin, line));
  }
  err << '\n';
  if (!got) return std::nullopt;
  return line;
}

}  // namespace

void requireSignOnPassword(const fs::path& dir, data::Store& store, const std::string& user,
                           std::ostream& err) {
  // Where the connection is the user's own role, the server checked the password already.
  if (!data::Company::roleOf(dir, user).empty()) return;
  const std::optional<frame::SignOnUser> who = frame::findSignOnUser(store, user);
  if (!who || !frame::passwordRequired(store, *who)) return;
  std::optional<std::string> password;
  if (const char* given = std::getenv("KOREQ_PASSWORD"))
    password = given;
  else if (onTerminal())
    password = askOnTerminal(err, "Password for user " + who->id + ": ");
  if (!password)
    throw CommandError("user " + who->id +
                       " needs a password: give it in KOREQ_PASSWORD or run on a terminal");
  if (!frame::checkPassword(store, *who, *password))
    throw CommandError("wrong password for user " + who->id);
}

int runPassword(Invocation& inv, const ParsedArgs& args) {
  auto session = inv.openSession();
  data::Store& store = session->store();
  const fs::path& dir = session->company().dataPath();
  const std::string& typed = args.positional.at(0);
  const std::optional<frame::SignOnUser> of = frame::findSignOnUser(store, typed);
  if (!of)
    throw CommandError("there is no user '" + shortText(typed) + "' in the company in " +
                       dir.string());
  if (!data::Company::roleOf(dir, of->id).empty())
    throw CommandError("the company in " + dir.string() +
                       " signs on by role: its server keeps the passwords (change them there); "
                       "nothing was changed");
  const std::optional<frame::SignOnUser> by = frame::findSignOnUser(store, session->g.USERID.str());
  if (!by || !frame::maySetPassword(*by, *of))
    throw CommandError("user " + session->g.USERID.str() +
                       " is not an administrator: a user may change only their own password; "
                       "nothing was changed");
  if (args.flag("clear")) {
    if (!frame::passwordRequired(store, *of)) {
      inv.out() << "user " << of->id << " has no password\n";
      return 0;
    }
    frame::clearPassword(store, *of);
    inv.out() << "the password of user " << of->id << " was removed\n";
    return 0;
  }
  std::optional<std::string> password;
  if (onTerminal()) {
    password = askOnTerminal(inv.err(), "New password for user " + of->id + ": ");
    if (password && !frame::passwordProblem(*password)) {
      const std::optional<std::string> again = askOnTerminal(inv.err(), "The same again: ");
      if (again != password) throw CommandError("the two passwords differ; nothing was changed");
    }
  } else {
    std::string line;
    if (std::getline(std::cin, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      password = line;
    }
  }
  if (!password) throw CommandError("no password was given; nothing was changed");
  if (auto why = frame::passwordProblem(*password))
    throw CommandError(*why + "; nothing was changed");
  frame::setPassword(store, *of, *password);
  inv.out() << "the password of user " << of->id << " was set\n";
  return 0;
}

}  // namespace koreq::cli
