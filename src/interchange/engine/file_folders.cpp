#include "interchange/engine/file_folders.h"

#include <cstdlib>
#include <fstream>
#include <system_error>

#include "frame/context.h"
#include "frame/module.h"
#include "runtime/ini.h"
#include "runtime/text.h"

namespace koreq::interchange {

namespace fs = std::filesystem;

namespace {

fs::path home() {
  const char* h = std::getenv("HOME");
  return h && *h ? fs::path(h) : fs::current_path();
}

bool isFolder(const fs::path& p) {
  std::error_code ec;
  return !p.empty() && fs::is_directory(p, ec);
}

}  // namespace

fs::path documentsFolder() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  const fs::path dirs =
      (config && *config ? fs::path(config) : home() / ".config") / "user-dirs.dirs";
  std::ifstream in(dirs);
  for (std::string line; std::getline(in, line);) {
    const std::string key = "XDG_DOCUMENTS_DIR=";
    if (line.rfind(key, 0) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (value.rfind("$HOME", 0) == 0) value = home().string() + value.substr(5);
    if (isFolder(value)) return value;
  }
  if (isFolder(home() / "Documents")) return home() / "Documents";
  return home();
}

fs::path dialogFolder(const fs::path& ini) {
  const fs::path last = clipped(IniFile(ini).get(kFoldersSection, kFolderEntry));
  return isFolder(last) ? last : documentsFolder();
}

void rememberDialogFolder(const fs::path& ini, const fs::path& file) {
  std::error_code ec;
  const fs::path folder = fs::absolute(file, ec).parent_path();
  if (!ec && isFolder(folder)) IniFile(ini).set(kFoldersSection, kFolderEntry, folder.string());
}

fs::path wholeFileName(const fs::path& ini, const std::string& name) {
  const fs::path p(name);
  return p.is_absolute() ? p : dialogFolder(ini) / p;
}

fs::path settingsFile(frame::Context& ctx) {
  const std::string folder = clipped(ctx.session().g.INIPATH.str());
  return (folder.empty() ? frame::defaultSettingsFolder() : fs::path(folder)) /
         frame::Module::kSettingsFileName;
}

}  // namespace koreq::interchange
