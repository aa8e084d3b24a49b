#include "app/cli.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <sstream>
#include <stdexcept>

#include "app/commands.h"
#include "data/records.h"
#include "data/store.h"
#include "frame/context.h"
#include "frame/permissions.h"
#include "runtime/text.h"

#ifndef KOREQ_VERSION
#error "KOREQ_VERSION must come from the build (the project version)"
#endif

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

DemoMaker& demoMakerSlot() {
  static DemoMaker maker;
  return maker;
}

// Adding a command is one entry here (or in the desktop's table) and its function.
std::vector<Command>& commands() {
  static std::vector<Command> table = {
      {"init",
       "[--demo]",
       "make a company in the data folder (--demo: the demo company)",
       {},
       {"demo"},
       0,
       0,
       &runInit},
      {"dump",
       "FILE [--key KEY] [--where EXPR]",
       "the records of FILE as JSON, in KEY order, where EXPR holds",
       {"key", "where"},
       {},
       1,
       1,
       &runDump},
      {"list",
       "FILE [--fields F1,F2,...] [--key KEY] [--where EXPR]",
       "the records of FILE as a text table of the chosen fields",
       {"fields", "key", "where"},
       {},
       1,
       1,
       &runList},
      {"load",
       "JSON",
       "add records from a JSON file ('-': stdin), all or nothing",
       {},
       {},
       1,
       1,
       &runLoad},
      {"depreciation",
       "calculate EQUIPMENT-ID|--all  |  summary EQUIPMENT-ID",
       "compute and store a depreciation schedule (--all: every one, one change each), or print "
       "its year summary as JSON",
       {},
       {"all"},
       1,
       2,
       &runDepreciation},
      {"post",
       "BATCH...",
       "post the named usage-log batches as \"&Post Tagged Batches\" does for the user",
       {},
       {},
       1,
       65535,
       &runPost},
      {"export",
       "BATCH FILE",
       "write a usage-log batch to a text file as the batch manager's Export does",
       {},
       {},
       2,
       2,
       &runExport},
      {"import",
       "BATCH FILE [--source NAME] [--encoding NAME] [--header] [--equipment-only|--all-types] "
       "[--proceed] [--allow-duplicates]",
       "add the usage logs of a text file to a batch as the import window does, all or nothing",
       {"source", "encoding"},
       {"equipment-only", "all-types", "proceed", "header", "allow-duplicates"},
       2,
       2,
       &runImport},
      {"check",
       "",
       "check the company database and the rules across its files; exit 1 naming each fault",
       {},
       {},
       0,
       0,
       &runCheck},
      {"copy",
       "--to CONNECTION|sqlite NEWDIR",
       "copy the company to a PostgreSQL server (a libpq connection string) or back to an "
       "embedded database, making NEWDIR its folder; checked by counts and money totals",
       {"to"},
       {},
       1,
       1,
       &runCopy},
      {"password",
       "USER [--clear]",
       "set a user's sign-on password (read from stdin, or asked twice on a terminal); "
       "--clear removes it. An administrator may set anyone's, a user their own",
       {},
       {"clear"},
       1,
       1,
       &runPassword},
      {"roles",
       "",
       "on a server company that signs on by role: make every user's database role and give it "
       "the company's tables",
       {},
       {},
       0,
       0,
       &runRoles},
  };
  return table;
}

Desktop& desktopSlot() {
  static Desktop desktop;
  return desktop;
}

}  // namespace

void addCommands(const std::vector<Command>& more) {
  for (const Command& c : more)
    if (std::none_of(commands().begin(), commands().end(),
                     [&](const Command& have) { return have.name == c.name; }))
      commands().push_back(c);
}

void setDesktop(Desktop desktop) {
  desktopSlot() = desktop;
}

namespace {

const Command* findCommand(std::string_view name) {
  for (const auto& c : commands())
    if (c.name == name) return &c;
  return nullptr;
}

std::string commandLine(const Command& c) {
  std::string s = "koreq [options] " + std::string(c.name);
  if (!c.usage.empty()) s += " " + std::string(c.usage);
  return s;
}

std::string usageText() {
  std::ostringstream s;
  s << "Usage: koreq [--data DIR] [--user ID] [--today YYYY-MM-DD] COMMAND ...\n"
    << "       koreq --help | --version\n"
    << "Without a command, koreq opens the desktop program (it needs a display).\n\nCommands:\n";
  for (const auto& c : commands()) {
    std::string head = std::string(c.name) + " " + std::string(c.usage);
    s << "  " << head;
    if (head.size() < 34)
      s << std::string(34 - head.size(), ' ');
    else
      s << "\n" << std::string(36, ' ');
    s << c.summary << "\n";
  }
  s << "\nOptions:\n"
    << "  --data DIR          the company folder (default $XDG_DATA_HOME/koreq/demo)\n"
    << "  --user ID           the signed-on user, up to 3 characters (default ADM)\n"
    << "  --today YYYY-MM-DD  fix today's date instead of reading the system clock\n"
    << "  /netlog, /netlogerrors, /neterrors, /netall, /netnolog\n"
    << "                      switch the network trace on or off (written to standard error)\n"
    << "  --help              show this text; COMMAND --help shows the command's usage\n"
    << "  --version           show the program version\n";
  return s.str();
}

// Splits "--name=value" into its parts; value is nullopt without "=".
std::pair<std::string, std::optional<std::string>> splitOption(const std::string& arg) {
  auto eq = arg.find('=');
  if (eq == std::string::npos) return {arg.substr(2), std::nullopt};
  return {arg.substr(2, eq - 2), arg.substr(eq + 1)};
}

bool contains(const std::vector<std::string_view>& v, std::string_view s) {
  for (auto x : v)
    if (x == s) return true;
  return false;
}

}  // namespace

bool isModuleSwitch(const std::string& arg) {
  static const char* const known[] = {"/netnolog", "/netlog", "/netlogerrors", "/neterrors",
                                      "/netall"};
  for (const char* k : known)
    if (lower(arg) == k) return true;
  return false;
}

void setDemoMaker(DemoMaker maker) {
  demoMakerSlot() = std::move(maker);
}

Invocation::Invocation(GlobalOptions opts, std::ostream& out, std::ostream& err)
    : opts_(std::move(opts)), out_(out), err_(err) {
  if (opts_.today)
    clock_ = std::make_unique<FixedClock>(*opts_.today);
  else
    clock_ = std::make_unique<SystemClock>();
}

Invocation::~Invocation() = default;

fs::path Invocation::dataPath() const {
  if (opts_.data) return *opts_.data;
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return fs::path(xdg) / "koreq" / "demo";
  const char* home = std::getenv("HOME");
  if (home && *home) return fs::path(home) / ".local" / "share" / "koreq" / "demo";
  throw CommandError("no company folder: give --data DIR (neither XDG_DATA_HOME nor HOME is set)");
}

std::unique_ptr<frame::Session> Invocation::openSession(bool forReading) const {
  fs::path dir = dataPath();
  if (!data::Company::exists(dir))
    throw CommandError("no company in " + dir.string() + " (make one with: koreq --data " +
                       dir.string() + " init)");
  auto company = data::Company::open(dir, forReading, {}, opts_.user);
  // A command that writes says so at once, not "busy" at its first change.
  if (!forReading && !company->store().readOnlyReason().empty())
    throw CommandError(company->store().readOnlyReason());
  std::string user;
  {
    data::ErrorObject errors;
    data::Access<data::UserFile> users(company->store(), errors);
    users.set(*data::UserFile::def().key("KeyUserID"));
    const std::string wanted = upper(opts_.user);
    while (user.empty() && users.next() == data::kNoError)
      if (upper(users.rec().UserID.str()) == wanted) user = users.rec().UserID.str();
  }
  if (user.empty())
    throw CommandError("there is no user '" + shortText(opts_.user) + "' in the company in " +
                       dir.string());
  requireSignOnPassword(dir, company->store(), user, err_);
  auto session = std::make_unique<frame::Session>(std::move(company), *clock_, user);
  // A command that may write is a user at work in the company, as the desktop is.
  if (!forReading) session->signOn();
  return session;
}

std::string shortText(const std::string& s) {
  constexpr std::size_t kMax = 60;
  if (s.size() <= kMax) return s;
  std::size_t cut = kMax;
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;  // whole UTF-8
  return s.substr(0, cut) + "...";
}

std::uint16_t batchNumberArg(const std::string& arg, std::string_view command) {
  const std::string t = clipped(arg);
  std::size_t used = 0;
  unsigned long n = 0;
  try {
    n = std::stoul(t, &used);
  } catch (const std::exception&) {
    used = 0;
  }
  if (t.empty() || used != t.size() || n == 0 || n > 65535 || t[0] == '-' || t[0] == '+')
    throw UsageError(std::string(command) + ": '" + shortText(arg) +
                     "' is not a batch number (1 to 65535)");
  return static_cast<std::uint16_t>(n);
}

std::string batchText(unsigned batchId) {
  std::string s = std::to_string(batchId);
  return std::string(s.size() < 6 ? 6 - s.size() : 0, '0') + s;
}

bool isPostedFile(const data::FileDef& file) {
  for (const data::FileDef* posted :
       {&data::EqLog::def(), &data::GlTrans::def(), &data::EqPrior::def(), &data::EqPriorM::def(),
        &data::EqPriorC::def(), &data::EqPriorCM::def()})
    if (&file == posted) return true;
  return false;
}

void requireRightToWrite(frame::Session& session, const data::FileDef& file) {
  frame::Context ctx(session);
  const frame::UserPermissions p = frame::readUserPermissions(ctx);
  const std::string& who = session.g.USERID.str();
  if (&file == &data::UserFile::def() || &file == &data::Control::def()) {
    if (!p.administrator)
      throw CommandError("user " + who +
                         " is not an administrator: only an administrator may "
                         "change " +
                         file.name + "; nothing was changed");
  } else if (&file == &data::EqCode::def()) {
    if (!p.administrator && !p.changeCostCategories)
      throw CommandError("user " + who + " may not change cost categories; nothing was changed");
  } else if (isPostedFile(file)) {
    if (!p.administrator && !p.postEquipmentLogs)
      throw CommandError("user " + who + " may not post equipment usage logs, so may not change " +
                         file.name + "; nothing was changed");
  } else if (!p.administrator && !p.changeEquipment) {
    throw CommandError("user " + who + " may not change equipment; nothing was changed");
  }
}

const DemoMaker& Invocation::demoMaker() const {
  return demoMakerSlot();
}

std::optional<std::string> ParsedArgs::value(const std::string& name) const {
  auto it = values.find(name);
  if (it == values.end()) return std::nullopt;
  return it->second;
}

ParsedArgs parseArgs(const std::vector<std::string>& args,
                     const std::vector<std::string_view>& valueOptions,
                     const std::vector<std::string_view>& flagOptions) {
  ParsedArgs p;
  bool optionsEnded = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (optionsEnded || a.size() < 2 || a[0] != '-') {
      p.positional.push_back(a);
      continue;
    }
    if (a == "--") {
      optionsEnded = true;
      continue;
    }
    if (a[1] != '-') throw UsageError("unknown option " + a);
    auto [name, inlineValue] = splitOption(a);
    if (name == "help" && !inlineValue) {
      p.help = true;
    } else if (contains(valueOptions, name)) {
      if (inlineValue) {
        p.values[name] = *inlineValue;
      } else if (i + 1 < args.size()) {
        p.values[name] = args[++i];
      } else {
        throw UsageError("option --" + name + " needs a value");
      }
    } else if (contains(flagOptions, name) && !inlineValue) {
      p.flags.insert(name);
    } else {
      throw UsageError("unknown option --" + name);
    }
  }
  return p;
}

int runCli(std::vector<std::string> args, std::ostream& out, std::ostream& err) {
  const Command* cmd = nullptr;
  try {
    GlobalOptions opts;
    std::size_t i = 0;
    // Global options come before the command.
    for (; i < args.size(); ++i) {
      const std::string& a = args[i];
      if (isModuleSwitch(a)) {
        opts.switches.push_back(a);
        continue;
      }
      if (a.size() < 2 || a[0] != '-') break;
      if (a[1] != '-') throw UsageError("unknown option " + a);
      auto [name, inlineValue] = splitOption(a);
      if (!inlineValue && (name == "help" || name == "version")) {
        if (name == "help")
          out << usageText();
        else
          out << "koreq " << KOREQ_VERSION << "\n";
        return 0;
      }
      if (name != "data" && name != "user" && name != "today")
        throw UsageError("unknown option " + a);
      std::string value;
      if (inlineValue)
        value = *inlineValue;
      else if (i + 1 < args.size())
        value = args[++i];
      else
        throw UsageError("option --" + name + " needs a value");
      if (name == "data") {
        if (value.empty()) throw UsageError("--data needs a folder");
        opts.data = fs::path(value);
      } else if (name == "user") {
        std::string id = clipped(value);
        if (id.empty() || charCount(id) > 3)
          throw UsageError("--user takes a user ID of 1 to 3 characters, not '" + shortText(value) +
                           "'");
        opts.user = id;
      } else {
        auto d = Date::fromIso(value);
        if (!d || d->isEmpty())
          throw UsageError("--today takes a date as YYYY-MM-DD, not '" + value + "'");
        opts.today = *d;
      }
    }
    if (i == args.size()) {
      const Desktop& desktop = desktopSlot();
      if (!desktop.run || !desktop.available())
        throw UsageError("no command given (and no display for the desktop program)");
      Invocation inv(std::move(opts), out, err);
      return desktop.run(inv);
    }
    cmd = findCommand(args[i]);
    if (!cmd) throw UsageError("unknown command '" + args[i] + "'");

    std::vector<std::string> rest(args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
    ParsedArgs parsed = parseArgs(rest, cmd->valueOptions, cmd->flagOptions);
    if (parsed.help) {
      out << "Usage: " << commandLine(*cmd) << "\n  " << cmd->summary << "\n";
      return 0;
    }
    if (parsed.positional.size() < cmd->minArgs)
      throw UsageError(std::string(cmd->name) + ": missing argument");
    if (parsed.positional.size() > cmd->maxArgs)
      throw UsageError(std::string(cmd->name) + ": unexpected argument '" +
                       parsed.positional[cmd->maxArgs] + "'");
    Invocation inv(std::move(opts), out, err);
    int status = cmd->run(inv, parsed);
    out.flush();
    if (!out) throw CommandError("the output could not be written (is the disk full?)");
    return status;
  } catch (const UsageError& e) {
    err << "koreq: " << e.what() << "\n";
    if (cmd)
      err << "Usage: " << commandLine(*cmd) << "\n";
    else
      err << usageText();
    return 2;
  } catch (const CommandError& e) {
    err << "koreq: " << e.what() << "\n";
  } catch (const data::StoreError& e) {
    err << "koreq: " << e.what() << "\n";
  } catch (const std::out_of_range&) {
    err << "koreq: a number given is too large\n";
  } catch (const std::invalid_argument&) {
    err << "koreq: a number given is not valid\n";
  } catch (const std::exception& e) {
    err << "koreq: error: " << e.what() << "\n";
  } catch (...) {
    err << "koreq: unexpected error\n";
  }
  return 1;
}

}  // namespace koreq::cli
