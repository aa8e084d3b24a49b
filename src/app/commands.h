#pragma once

// What the commands share: the parsed global options, the streams, the errors that decide the
// exit status, and a small option parser. Each command is one function in the table of cli.cpp.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "app/cli.h"
#include "runtime/date.h"

namespace koreq::frame {
class Session;
}
namespace koreq::data {
class FileDef;
class Store;
struct KeyDef;
}  // namespace koreq::data

namespace koreq::cli {

// Bad command line: the message and the command's usage go to stderr, exit status 2.
class UsageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The command could not do its work: the message goes to stderr, exit status 1.
class CommandError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct GlobalOptions {
  std::optional<std::filesystem::path> data;  // unset: the default demo company folder
  std::string user = "ADM";
  std::optional<Date> today;  // unset: the system clock
  // The program's other switches, passed on to the module as they were given ("/netlog" and
  // the other network-trace switches).
  std::vector<std::string> switches;
};

// Whether `arg` is one of the switches the module reads at load (/netnolog, /netlog,
// /netlogerrors, /neterrors, /netall; any case).
bool isModuleSwitch(const std::string& arg);

class Invocation {
 public:
  Invocation(GlobalOptions opts, std::ostream& out, std::ostream& err);
  ~Invocation();

  const GlobalOptions& options() const { return opts_; }
  std::ostream& out() { return out_; }
  std::ostream& err() { return err_; }
  const Clock& clock() const { return *clock_; }
  // The company folder: --data, else $XDG_DATA_HOME/koreq/demo or ~/.local/share/koreq/demo.
  std::filesystem::path dataPath() const;
  // Signs on to the existing company of dataPath() as --user, which must name one of its users
  // (compared without regard to case; the session gets the ID as stored). Throws CommandError
  // when there is no company or no such user. `forReading` opens it without ever writing.
  std::unique_ptr<frame::Session> openSession(bool forReading = false) const;
  const DemoMaker& demoMaker() const;

 private:
  GlobalOptions opts_;
  std::ostream& out_;
  std::ostream& err_;
  std::unique_ptr<Clock> clock_;
};

// A text from the command line or a document, cut to a length that reads in a message.
std::string shortText(const std::string& s);

// A usage-log batch number given to `command` (1 to 65535); UsageError for anything else.
std::uint16_t batchNumberArg(const std::string& arg, std::string_view command);
// A batch number as the windows show it: six digits with leading zeros.
std::string batchText(unsigned batchId);

// The sign-on password check of the command line: a user who has a password gives it in
// KOREQ_PASSWORD or types it on the terminal (asked on `err`); throws CommandError otherwise or
// when it is wrong. Nothing to check where the server's role signs the user on.
void requireSignOnPassword(const std::filesystem::path& dir, data::Store& store,
                           const std::string& user, std::ostream& err);

// Throws CommandError unless the signed-on user may write records of `file` as the windows
// allow: the users and the company settings only an administrator; cost categories with the
// right to change them; the posted files (what posting writes) with the right to post;
// everything else with the right to change equipment.
void requireRightToWrite(frame::Session& session, const data::FileDef& file);
// The files only posting writes: the usage log, the ledger and the prior-period figures.
bool isPostedFile(const data::FileDef& file);

// A command's arguments split into positionals, options with a value ("--key K" or "--key=K")
// and flags. "--" ends the options; "-" alone is a positional. Throws UsageError on an option
// the command does not know or a value option without its value.
struct ParsedArgs {
  std::vector<std::string> positional;
  std::map<std::string, std::string> values;  // by option name without dashes
  std::set<std::string> flags;
  bool help = false;

  std::optional<std::string> value(const std::string& name) const;
  bool flag(const std::string& name) const { return flags.count(name) != 0; }
};
ParsedArgs parseArgs(const std::vector<std::string>& args,
                     const std::vector<std::string_view>& valueOptions,
                     const std::vector<std::string_view>& flagOptions);

// A command: its name, usage, options and function.
struct Command {
  std::string_view name;
  std::string_view usage;  // arguments after the command name
  std::string_view summary;
  std::vector<std::string_view> valueOptions;
  std::vector<std::string_view> flagOptions;
  std::size_t minArgs;
  std::size_t maxArgs;
  int (*run)(Invocation&, const ParsedArgs&);
};

// Adds commands after the built-in ones (the desktop library adds those that need Qt); a name
// already there is kept as it is.
void addCommands(const std::vector<Command>& more);

// What runs without a command: the desktop program, where there is a display to show it on.
struct Desktop {
  bool (*available)() = nullptr;
  int (*run)(Invocation&) = nullptr;
};
void setDesktop(Desktop desktop);

int runInit(Invocation& inv, const ParsedArgs& args);
int runDump(Invocation& inv, const ParsedArgs& args);
int runLoad(Invocation& inv, const ParsedArgs& args);
int runDepreciation(Invocation& inv, const ParsedArgs& args);
int runList(Invocation& inv, const ParsedArgs& args);
int runPlay(Invocation& inv, const ParsedArgs& args);
int runPost(Invocation& inv, const ParsedArgs& args);
int runExport(Invocation& inv, const ParsedArgs& args);
int runImport(Invocation& inv, const ParsedArgs& args);
int runCheck(Invocation& inv, const ParsedArgs& args);
int runCopy(Invocation& inv, const ParsedArgs& args);
int runRoles(Invocation& inv, const ParsedArgs& args);
int runPassword(Invocation& inv, const ParsedArgs& args);
int runScreenshot(Invocation& inv, const ParsedArgs& args);
int runWindows(Invocation& inv, const ParsedArgs& args);
// No command: the desktop program, where there is a display to show it on (X, Wayland, or a
// Qt platform chosen that draws on a screen).
int runHost(Invocation& inv);
bool desktopDisplayAvailable();

// Reads the records of the file named first on the command line, in the order of --key, that
// pass --where; throws CommandError on a bad file, key, filter or read.
void readRecords(Invocation& inv, const ParsedArgs& args,
                 const std::function<void(const data::FileDef&, const void* record)>& each);

// The key named on the command line (a key, or a field a key starts with), else the first key.
const data::KeyDef* resolveKey(const data::FileDef& def, const std::optional<std::string>& name);

}  // namespace koreq::cli
