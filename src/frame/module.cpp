#include "frame/module.h"

#include <cstdlib>

#include <sqlite3.h>

#include "frame/context.h"
#include "frame/tempfolder.h"
#include "runtime/text.h"

#ifndef KOREQ_VERSION
#define KOREQ_VERSION "0"
#endif

namespace koreq::frame {

namespace fs = std::filesystem;

namespace {

fs::path settingsFolderOf(const ModuleSetup& setup) {
  return setup.settingsFolder.empty() ? defaultSettingsFolder() : setup.settingsFolder;
}

fs::path programDirectory() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) return exe.parent_path();
  fs::path cwd = fs::current_path(ec);
  return ec ? fs::path(".") : cwd;
}

std::string withTrailingSeparator(std::string dir) {
  if (dir.empty() || dir.back() != fs::path::preferred_separator)
    dir += fs::path::preferred_separator;
  return dir;
}

}  // namespace

fs::path defaultSettingsFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg && *xdg && fs::path(xdg).is_absolute()) return fs::path(xdg) / "koreq";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".config" / "koreq";
}

bool netTraceRequested(const std::vector<std::string>& commandLine) {
  bool on = false;
  for (const std::string& arg : commandLine) {
    std::string a = lower(arg);
    if (a == "/netnolog") return false;
    if (a == "/netlog" || a == "/netlogerrors" || a == "/neterrors" || a == "/netall") on = true;
  }
  return on;
}

Module::Module(ModuleSetup setup)
    : setup_(std::move(setup)), settings_(settingsFolderOf(setup_) / kSettingsFileName) {
  for (const char* name : kSiblingOrder) siblings_.push_back({name, nullptr, nullptr});

  settingsRef_ = &settings_;
  if (!errorRef_) errorRef_ = &errors_;

  // The spell checker keeps its settings beside the program.
  fs::path programDir =
      setup_.programDirectory.empty() ? programDirectory() : setup_.programDirectory;
  spellCheckIni_ = (fs::absolute(programDir) / "sol.ini").lexically_normal().string();
  spellCheckLanguage_ = kSpellCheckLanguage;
  for (const fs::path& folder : setup_.dictionaryFolders) {
    std::error_code ec;
    fs::path dic = folder / (std::string(kSpellCheckLanguage) + ".dic");
    if (fs::is_regular_file(dic, ec)) {
      dictionary_ = dic.string();
      break;
    }
  }

  netTrace_ = netTraceRequested(setup_.commandLine);
  if (netTrace_) {
    traceLine(std::string("koreq ") + KOREQ_VERSION + ": network trace started");
    traceLine(std::string("koreq: storage library SQLite ") + sqlite3_libversion());
  }

  std::error_code ec;
  fs::path cwd = setup_.workingDirectory.empty() ? fs::current_path(ec) : setup_.workingDirectory;
  workingDirectory_ = withTrailingSeparator(cwd.string());
  autoEntryFile_ = workingDirectory_ + "AutoEntry.dat";
}

Module::~Module() {
  if (netTrace_) traceLine("koreq: network trace closed");
  errorRef_ = nullptr;
  settingsRef_ = nullptr;
  removeProcessTempFolder();
}

void Module::init(data::ErrorObject* hostErrors, IniFile* hostIni) {
  // Killed is final: the siblings were shut down and are not brought back.
  if (initialised_ || killed_) return;
  initialised_ = true;
  if (hostErrors) errorRef_ = hostErrors;
  if (hostIni) settingsRef_ = hostIni;
  for (const SiblingModule& s : siblings_)
    if (s.init) s.init(hostErrors, hostIni);
}

void Module::kill() {
  if (killed_) return;
  killed_ = true;
  for (const SiblingModule& s : siblings_)
    if (s.kill) s.kill();
}

bool Module::setSibling(std::string_view name, SiblingModule::Init init, SiblingModule::Kill kill) {
  for (SiblingModule& s : siblings_) {
    if (upper(s.name) != upper(name)) continue;
    s.init = std::move(init);
    s.kill = std::move(kill);
    return true;
  }
  return false;
}

void Module::attach(Session& session) {
  session.setErrorObject(*errorRef_);
}

fs::path Module::settingsFolder() const {
  return settingsFolderOf(setup_);
}

void Module::traceLine(std::string line) {
  if (setup_.traceStream) *setup_.traceStream << line << '\n' << std::flush;
  trace_.push_back(std::move(line));
}

}  // namespace koreq::frame
