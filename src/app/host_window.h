#pragma once

// The desktop program's main window: the company that is open, the user signed on, and the
// menus that run the module's procedures. Every menu call runs on a thread of its own (a new
// context and desktop on the session), so several lists and forms can be open side by side;
// the windows a procedure calls are modal over it.

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/host_menus.h"
#include "app/loaded_module.h"
#include "runtime/date.h"
#include "ui/qt/qt_user_port.h"

class QAction;
class QComboBox;
class QDialog;
class QLabel;
class QMenu;

namespace koreq::ui {
class Desktop;
}
namespace koreq::ui::qt {
class QtDesktop;
}

namespace koreq::cli {

class Invocation;

class HostWindow : public QMainWindow {
 public:
  // `company`: the folder to open at once (none: the last one used, if it still exists). The
  // module must outlive the window.
  HostWindow(const Invocation& inv, LoadedModule& module,
             std::optional<std::filesystem::path> company);
  ~HostWindow() override;

  // Signs on to the company in `folder`; false (and a message) when there is none.
  bool openCompany(const std::filesystem::path& folder);
  const frame::Session* session() const { return session_.get(); }
  // Makes the demo company in `folder` as `koreq init --demo` does and opens it; a folder that
  // holds a company already is opened when the user says so. False when nothing was opened.
  bool makeDemoCompanyIn(const std::filesystem::path& folder);
  // Makes an empty company named `name` in `folder` (File, New Company) and opens it. False,
  // with a message, when the folder holds a company already or the name is blank.
  bool makeCompanyIn(const std::filesystem::path& folder, const std::string& name);
  // The demo company's own folder ($XDG_DATA_HOME/koreq/demo).
  static std::filesystem::path defaultDemoFolder();
  // The dialogs the window shows (a test may have a script answer them).
  ui::qt::QtUserPort& port() { return port_; }
  // Asks for a password, the company server's or a user's sign-on one (nothing: the user
  // cancelled). A test
  // may answer in its place.
  using PasswordPrompt = std::function<std::optional<std::string>(const std::string& question)>;
  void setPasswordPrompt(PasswordPrompt prompt) { passwordPrompt_ = std::move(prompt); }
  // Runs a procedure as its menu entry does: on a new thread, GlobalRequest from the entry.
  void run(const MenuEntry& entry);
  // File, Check Company: the check of the open company in a window of its own (nothing without
  // a company).
  QDialog* checkCompany();
  // Procedure threads with a window open.
  std::size_t openThreads() const { return threads_.size(); }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  struct Thread;

  void buildMenus();
  // The Type-Ahead Completion switch: GLO:AutoEntry, then ToggleAutoEntryEQ.
  void setTypeAhead(bool on);
  void updateState();
  void chooseCompany();
  void newCompany();
  void openDemoCompany();
  void makeDemoCompany();
  void fillUsers();
  void userChosen(int index);
  // Who signs on when a company opens: the command line's user, or the one chosen last time.
  // Also notes whether the company signs on by role.
  std::string userToSignOn(frame::Session& session);
  // Sign-on passwords of the company's own users: true when `user` has none or gave it
  // (asked through the password prompt); false when cancelled or wrong (said in a message).
  bool signOnPasswordGiven(frame::Session& session, const std::string& user);
  void endThread(Thread* thread);
  bool closeAllThreads();

  const Invocation& inv_;
  LoadedModule& module_;
  ui::qt::QtUserPort port_;
  std::unique_ptr<frame::Session> session_;
  std::vector<std::unique_ptr<Thread>> threads_;
  std::vector<QMenu*> procedureMenus_;
  QComboBox* users_ = nullptr;
  std::string user_;             // who signs on to the next company opened
  bool signedOnByRole_ = false;  // the connection is the user's role: another user reconnects
  PasswordPrompt passwordPrompt_;
  QLabel* companyName_ = nullptr;
  QLabel* companyFolder_ = nullptr;
  QLabel* signedOn_ = nullptr;
  QLabel* hint_ = nullptr;
  QAction* autoEntryAction_ = nullptr;
  QAction* checkAction_ = nullptr;
  QString problem_;  // why the last company could not be opened, shown in the chooser
  QString refusal_;  // the same, in one sentence
  bool settingTypeAhead_ = false;
};

}  // namespace koreq::cli
