#pragma once

// The module's life cycle. Constructing a Module is loading it: the module-wide objects are
// made and set up. init() and kill() are the host's KOREQ:INIT and KOREQ:KILL, each doing its
// work once; destroying the Module is unloading it. Procedures run between init() and kill().

#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "data/error.h"
#include "runtime/ini.h"

namespace koreq::frame {

class Session;

// A sibling module as the module sees it: its name and its INIT and KILL.
struct SiblingModule {
  using Init = std::function<void(data::ErrorObject* errors, IniFile* ini)>;
  using Kill = std::function<void()>;
  std::string name;
  Init init;
  Kill kill;
};

// What the module takes from its surroundings at load. Empty paths are found as the program
// finds them: the settings folder is INIPATH, $XDG_CONFIG_HOME/koreq by default.
struct ModuleSetup {
  std::filesystem::path settingsFolder;
  std::vector<std::string> commandLine;    // the program's arguments, for the trace switches
  std::filesystem::path workingDirectory;  // empty: the current directory
  std::filesystem::path programDirectory;  // empty: the folder of the running program
  // Where the spell checker's en_US dictionary is looked for, in this order.
  std::vector<std::filesystem::path> dictionaryFolders = {
      "/usr/share/hunspell", "/usr/share/myspell", "/usr/share/myspell/dicts"};
  // Trace lines are kept by the module and also written here (nullptr: kept only).
  std::ostream* traceStream = &std::cerr;
};

// $XDG_CONFIG_HOME/koreq, else ~/.config/koreq.
std::filesystem::path defaultSettingsFolder();
// Whether the arguments ask for the network trace: one of /netlog, /netlogerrors, /neterrors,
// /netall, and no /netnolog (any case).
bool netTraceRequested(const std::vector<std::string>& commandLine);

class Module {
 public:
  static constexpr const char* kSettingsFileName = "koreq.ini";
  static constexpr const char* kSpellCheckLanguage = "en_US";
  static constexpr const char* kSiblingOrder[] = {"KORDATA", "KORMISC", "KORGL", "KORJC", "KORPR"};

  explicit Module(ModuleSetup setup = {});
  ~Module();
  Module(const Module&) = delete;
  Module& operator=(const Module&) = delete;

  // KOREQ:INIT. Either argument may be null: the module then keeps its own object. The
  // siblings are initialised in kSiblingOrder with the arguments as received. Only the first
  // call does anything, and none after kill(), even a kill() without an init() before it.
  void init(data::ErrorObject* hostErrors, IniFile* hostIni);
  // KOREQ:KILL: the siblings shut down in the same order. Only the first call does anything.
  void kill();
  bool initialised() const { return initialised_; }
  bool killed() const { return killed_; }
  // Procedures may run: after init(), before kill().
  bool running() const { return initialised_ && !killed_; }

  // Replaces a sibling's INIT and KILL (a test's observer, or the real module when it comes).
  // False for a name that is not a sibling.
  bool setSibling(std::string_view name, SiblingModule::Init init, SiblingModule::Kill kill);

  // The error-object and settings-object references: the host's when init() got them.
  data::ErrorObject& errors() { return *errorRef_; }
  IniFile& settings() { return *settingsRef_; }
  data::ErrorObject& ownErrors() { return errors_; }
  IniFile& ownSettings() { return settings_; }
  // Points the session's file error reporting at the error-object reference; call it after
  // init(). The reference must outlive the session's contexts.
  void attach(Session& session);

  // Where the module's settings live: the folder given at load, else the default one.
  std::filesystem::path settingsFolder() const;
  const std::string& spellCheckIniPath() const { return spellCheckIni_; }
  const std::string& spellCheckLanguage() const { return spellCheckLanguage_; }
  // The en_US dictionary's .dic file, or empty when none is installed.
  const std::string& dictionaryPath() const { return dictionary_; }
  // Always ends in the path separator.
  const std::string& workingDirectory() const { return workingDirectory_; }
  const std::string& autoEntryDataFile() const { return autoEntryFile_; }
  bool netTrace() const { return netTrace_; }
  const std::vector<std::string>& traceLines() const { return trace_; }

 private:
  void traceLine(std::string line);

  ModuleSetup setup_;
  data::ErrorObject errors_;
  IniFile settings_;
  data::ErrorObject* errorRef_ = nullptr;
  IniFile* settingsRef_ = nullptr;
  std::vector<SiblingModule> siblings_;
  std::string spellCheckIni_, spellCheckLanguage_, dictionary_, workingDirectory_, autoEntryFile_;
  bool netTrace_ = false;
  std::vector<std::string> trace_;
  bool initialised_ = false;
  bool killed_ = false;
};

}  // namespace koreq::frame
