#pragma once

// Where the usage-log export's and import's file dialogs start: the folder the user last chose
// a file in, kept in koreq.ini of the settings folder, else the user's documents folder, never
// the folder the program happened to be started from. No Qt, no windows.

#include <filesystem>
#include <string>

namespace koreq::frame {
class Context;
}

namespace koreq::interchange {

inline constexpr char kFoldersSection[] = "Usage Log Files";
inline constexpr char kFolderEntry[] = "Folder";

// The documents folder of the desktop (XDG_DOCUMENTS_DIR of user-dirs.dirs), else ~/Documents
// when it exists, else the home folder.
std::filesystem::path documentsFolder();

// The folder a dialog starts in, by the settings file `ini`: the one last remembered while it
// still exists, else the documents folder.
std::filesystem::path dialogFolder(const std::filesystem::path& ini);
// Remembers the folder of a chosen file.
void rememberDialogFolder(const std::filesystem::path& ini, const std::filesystem::path& file);
// A typed name made whole: a relative one is taken in the dialog folder, not the program's.
std::filesystem::path wholeFileName(const std::filesystem::path& ini, const std::string& name);

// koreq.ini of the session's settings folder.
std::filesystem::path settingsFile(frame::Context& ctx);

}  // namespace koreq::interchange
