#include "app/host_window.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "app/check_window.h"
#include "app/commands.h"
#include "data/access.h"
#include "data/company.h"
#include "data/postgres/pg_store.h"
#include "data/records.h"
#include "equipment/auto_entry.h"
#include "frame/signon.h"
#include "runtime/picture.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"
#include "ui/qt/qt_desktop.h"

namespace koreq::cli {

namespace fs = std::filesystem;

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

const char* kCompanyKey = "host/company";
const char* kUserKey = "host/user";
const char* kGeometryKey = "host/geometry";

}  // namespace

struct HostWindow::Thread {
  std::string procedure;
  bool calling = false;
  std::unique_ptr<frame::Context> ctx;
  std::unique_ptr<ui::Desktop> desktop;
  std::unique_ptr<ui::qt::QtDesktop> view;  // last: it goes before the desktop it shows
};

bool desktopDisplayAvailable() {
  auto set = [](const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
  };
  if (set("QT_QPA_PLATFORM")) {
    std::string p = std::getenv("QT_QPA_PLATFORM");
    return p.rfind("offscreen", 0) != 0 && p.rfind("minimal", 0) != 0;
  }
  return set("DISPLAY") || set("WAYLAND_DISPLAY");
}

HostWindow::HostWindow(const Invocation& inv, LoadedModule& module, std::optional<fs::path> company)
    : inv_(inv), module_(module), user_(inv.options().user) {
  passwordPrompt_ = [this](const std::string& question) -> std::optional<std::string> {
    bool ok = false;
    const QString password = QInputDialog::getText(this, QStringLiteral("Sign On"), qs(question),
                                                   QLineEdit::Password, {}, &ok);
    if (!ok) return std::nullopt;
    return password.toStdString();
  };
  setObjectName(QStringLiteral("KOREQ"));
  setWindowTitle(QStringLiteral("KOREQ"));
  module_.module().errors().setHandler([this](const data::ErrorObject::Error& e) {
    port_.message(e.message, "File Error", ui::Icon::Exclamation, "&OK", 1);
  });
  // Whenever the program waits for the user, no read of the company stays open: a list that
  // was scrolled keeps its statement only while it goes on reading.
  if (auto* events = QAbstractEventDispatcher::instance())
    connect(events, &QAbstractEventDispatcher::aboutToBlock, this, [this] {
      if (session_) session_->store().releaseReads();
    });

  QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("File"));
  auto fileItem = [&](const QString& text, const QString& tip, auto slot) {
    QAction* a = file->addAction(text, this, slot);
    a->setStatusTip(tip);
    return a;
  };
  fileItem(QStringLiteral("&New Company..."),
           QStringLiteral("Make an empty company in a folder of your choice"),
           [this] { newCompany(); });
  fileItem(QStringLiteral("&Open Company..."), QStringLiteral("Open a company from its folder"),
           [this] { chooseCompany(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  fileItem(QStringLiteral("Open the &Demo Company"),
           QStringLiteral("Open the demo company, making it first if need be"),
           [this] { openDemoCompany(); });
  fileItem(QStringLiteral("&Make a Demo Company..."),
           QStringLiteral("Make the demo company in a folder of your choice"),
           [this] { makeDemoCompany(); });
  file->addSeparator();
  checkAction_ =
      file->addAction(QStringLiteral("&Check Company..."), this, [this] { checkCompany(); });
  checkAction_->setObjectName(QStringLiteral("checkCompany"));
  checkAction_->setStatusTip(
      QStringLiteral("Check the company database and the records that belong together"));
  file->addSeparator();
  fileItem(QStringLiteral("E&xit"), QStringLiteral("Close every window and end the program"),
           [this] { close(); })
      ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
  buildMenus();
  QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("Help"));
  QAction* contents =
      help->addAction(QStringLiteral("&Contents"), this, [this] { port_.showHelp({}); });
  contents->setObjectName(QStringLiteral("helpContents"));
  contents->setShortcut(QKeySequence(Qt::Key_F1));
  contents->setStatusTip(QStringLiteral("Open the help pages at their index"));
  help->addAction(QStringLiteral("&About KOREQ"), this, [this] {
    QMessageBox::about(this, QStringLiteral("About KOREQ"),
                       QStringLiteral("KOREQ — equipment costing for contractors' job-cost "
                                      "accounting."));
  });

  QToolBar* bar = addToolBar(QStringLiteral("Sign-on"));
  bar->setObjectName(QStringLiteral("signOnBar"));
  bar->setMovable(false);
  bar->addWidget(new QLabel(QStringLiteral(" User: ")));
  users_ = new QComboBox;
  users_->setObjectName(QStringLiteral("users"));
  users_->setSizeAdjustPolicy(QComboBox::AdjustToContents);
  connect(users_, &QComboBox::activated, this, [this](int index) { userChosen(index); });
  bar->addWidget(users_);

  auto* central = new QWidget;
  auto* box = new QVBoxLayout(central);
  auto* title = new QLabel(QStringLiteral("Equipment Costing"));
  QFont big = title->font();
  big.setPointSizeF(big.pointSizeF() * 1.6);
  big.setBold(true);
  title->setFont(big);
  box->addWidget(title);
  auto* form = new QFormLayout;
  companyName_ = new QLabel;
  companyName_->setObjectName(QStringLiteral("companyName"));
  companyFolder_ = new QLabel;
  companyFolder_->setObjectName(QStringLiteral("companyFolder"));
  companyFolder_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  signedOn_ = new QLabel;
  signedOn_->setObjectName(QStringLiteral("signedOn"));
  form->addRow(QStringLiteral("Company:"), companyName_);
  form->addRow(QStringLiteral("Data folder:"), companyFolder_);
  form->addRow(QStringLiteral("Signed on:"), signedOn_);
  form->addRow(QStringLiteral("Today:"),
               new QLabel(qs(trimLeft(formatPicture("@d2", inv.clock().today())))));
  box->addLayout(form);
  hint_ = new QLabel;
  hint_->setWordWrap(true);
  box->addWidget(hint_);
  hint_->setObjectName(QStringLiteral("hint"));
  auto* buttons = new QHBoxLayout;
  auto* make = new QPushButton(QStringLiteral("&New Company..."));
  connect(make, &QPushButton::clicked, this, [this] { newCompany(); });
  auto* open = new QPushButton(QStringLiteral("&Open Company..."));
  connect(open, &QPushButton::clicked, this, [this] { chooseCompany(); });
  auto* demo = new QPushButton(QStringLiteral("Open the &Demo Company"));
  connect(demo, &QPushButton::clicked, this, [this] { openDemoCompany(); });
  buttons->addWidget(make);
  buttons->addWidget(open);
  buttons->addWidget(demo);
  buttons->addStretch();
  box->addLayout(buttons);
  box->addStretch();
  setCentralWidget(central);

  QSettings settings;
  if (!restoreGeometry(settings.value(kGeometryKey).toByteArray())) resize(640, 360);
  ui::qt::bringWithinScreen(*this);

  if (!company) {
    QString last = settings.value(kCompanyKey).toString();
    if (!last.isEmpty() && data::Company::exists(last.toStdString()))
      company = fs::path(last.toStdString());
    else if (fs::path d = inv.dataPath(); data::Company::exists(d))
      company = d;
  }
  if (company) openCompany(*company);
  updateState();
}

HostWindow::~HostWindow() {
  threads_.clear();
  module_.module().errors().setHandler({});
}

QDialog* HostWindow::checkCompany() {
  if (!session_) return nullptr;
  return openCompanyCheck(this, session_->store());
}

void HostWindow::buildMenus() {
  std::vector<MenuEntry> available = availableMenuEntries(module_.registry());
  for (const std::string& name : hostMenuNames()) {
    std::vector<const MenuEntry*> entries;
    for (const MenuEntry& e : available)
      if (e.menu == name) entries.push_back(&e);
    // A menu whose parts are not built yet is not shown at all.
    if (entries.empty()) continue;
    QMenu* menu = menuBar()->addMenu(qs(name == "Usage Logs" ? "&Usage Logs" : "&" + name));
    menu->setObjectName(qs(name));
    procedureMenus_.push_back(menu);
    std::map<std::string, QMenu*> submenus;
    std::map<QMenu*, int> lastGroup;
    for (const MenuEntry* e : entries) {
      QMenu* into = menu;
      if (!e->submenu.empty()) {
        QMenu*& sub = submenus[e->submenu];
        if (!sub) {
          if (lastGroup.count(menu) && lastGroup[menu] != e->group) menu->addSeparator();
          lastGroup[menu] = e->group;
          sub = menu->addMenu(qs(e->submenu));
        }
        into = sub;
      }
      if (lastGroup.count(into) && lastGroup[into] != e->group) into->addSeparator();
      lastGroup[into] = e->group;
      QAction* a = into->addAction(qs(e->text));
      a->setObjectName(qs(e->procedure));
      a->setStatusTip(qs(e->tip));
      if (e->procedure == equipment::kToggleAutoEntryEQ) {
        // A switch that shows its state; the company keeps it in its AutoEntry.dat.
        a->setCheckable(true);
        autoEntryAction_ = a;
        connect(a, &QAction::toggled, this, [this](bool on) { setTypeAhead(on); });
      } else {
        MenuEntry entry = *e;
        connect(a, &QAction::triggered, this, [this, entry] { run(entry); });
      }
    }
  }
}

void HostWindow::setTypeAhead(bool on) {
  if (!session_ || settingTypeAhead_) return;
  session_->g.AutoEntry = on ? 1 : 0;
  frame::Context ctx(*session_);
  try {
    module_.registry().call(ctx, equipment::kToggleAutoEntryEQ);
  } catch (const std::exception& e) {
    port_.message(e.what(), "Program Error", ui::Icon::Exclamation, "&OK", 1);
  }
  statusBar()->showMessage(on ? QStringLiteral("Type-ahead completion is on")
                              : QStringLiteral("Type-ahead completion is off"),
                           5000);
}

void HostWindow::updateState() {
  const bool open = session_ != nullptr;
  const bool busy = !threads_.empty();
  for (QMenu* m : procedureMenus_) m->setEnabled(open);
  checkAction_->setEnabled(open);
  users_->setEnabled(open && !busy);
  if (autoEntryAction_) {
    settingTypeAhead_ = true;
    autoEntryAction_->setChecked(open && session_->g.AutoEntry != 0);
    settingTypeAhead_ = false;
  }
  if (!open) {
    companyName_->setText(QStringLiteral("(no company open)"));
    companyFolder_->clear();
    signedOn_->clear();
    hint_->setText(problem_.isEmpty()
                       ? QStringLiteral("Make a new company, open a company folder, or open the "
                                        "demo company to try the program.")
                       : problem_);
    statusBar()->showMessage(QStringLiteral("No company open"));
    setWindowTitle(QStringLiteral("KOREQ"));
    return;
  }
  std::string name = clipped(session_->g.COMPANYNAME.str());
  companyName_->setText(name.empty() ? QStringLiteral("(unnamed company)") : qs(name));
  // A company on a server says which: its data is not in the folder.
  std::string server;
  try {
    server = data::Company::serverConnection(session_->company().dataPath());
  } catch (const data::StoreError&) {
    // the folder's settings changed since it was opened: the folder alone is still right
  }
  companyFolder_->setText(qs(session_->company().dataPath().string() +
                             (server.empty() ? "" : "  (data on the server: " + server + ")")));
  signedOn_->setText(users_->currentIndex() >= 0 ? users_->currentText()
                                                 : qs(session_->g.USERID.str()));
  hint_->setText(busy ? QStringLiteral("%1 window(s) open.").arg(threads_.size())
                      : QStringLiteral("Choose a list, a form or a report from the menus."));
  setWindowTitle(
      QStringLiteral("KOREQ — %1").arg(name.empty() ? companyFolder_->text() : qs(name)));
  statusBar()->showMessage(
      QStringLiteral("%1 — user %2").arg(companyName_->text(), qs(session_->g.USERID.str())));
}

bool HostWindow::openCompany(const fs::path& folder) {
  if (!threads_.empty()) {
    port_.message("Close the open windows before changing the company.", "Company",
                  ui::Icon::Information, "&OK", 1);
    return false;
  }
  // What went wrong is explained where the user chooses the company, not in a box of its own.
  auto refuse = [this](const QString& why) {
    refusal_ = why;
    problem_ = why + QStringLiteral(
                         "\n\nMake a new company, open another company folder, or "
                         "open the demo company.");
    if (session_) statusBar()->showMessage(why, 10000);
    updateState();
    return false;
  };
  if (!std::filesystem::is_directory(folder))
    return refuse(QStringLiteral("The folder %1 does not exist (it may have been moved, renamed "
                                 "or removed).")
                      .arg(qs(folder.string())));
  if (!data::Company::exists(folder))
    return refuse(QStringLiteral("The folder %1 holds no company.").arg(qs(folder.string())));
  std::unique_ptr<frame::Session> session;
  try {
    std::unique_ptr<data::Company> company;
    try {
      company = data::Company::open(folder, false, {}, user_);
    } catch (const data::PasswordNeeded&) {
      // A company on a server whose password is neither in PGPASSWORD nor in ~/.pgpass.
      const bool byRole = !data::Company::roleOf(folder, user_).empty();
      const std::optional<std::string> password = passwordPrompt_(
          "The server of the company in " + folder.string() + " asks for " +
          (byRole ? "the password of user " + user_ : std::string("your password")) + ":");
      if (!password)
        return refuse(QStringLiteral("The company in %1 was not opened: its server asks for a "
                                     "password.")
                          .arg(qs(folder.string())));
      company = data::Company::open(folder, false, *password, user_);
    }
    session = std::make_unique<frame::Session>(std::move(company), inv_.clock(), user_);
  } catch (const std::exception& e) {
    return refuse(QStringLiteral("The company in %1 cannot be opened: %2")
                      .arg(qs(folder.string()), qs(e.what())));
  }
  {
    const std::string who = userToSignOn(*session);
    if (!signOnPasswordGiven(*session, who)) {
      // A remembered user is only a convenience: the next try signs on as the command line's.
      if (who != user_) QSettings().remove(kUserKey);
      return refuse(QStringLiteral("The company in %1 was not opened: user %2 did not give "
                                   "their password.")
                        .arg(qs(folder.string()), qs(who)));
    }
  }
  problem_.clear();
  session_ = std::move(session);
  module_.attach(*session_);
  session_->signOn();
  {
    frame::Context ctx(*session_);
    data::FileAccess& sys = ctx.file(data::Systems::def());
    sys.set(sys.def().primaryKey());
    if (sys.next() == data::kNoError) session_->g.COMPANYNAME = sys.text("CompanyName");
  }
  QSettings().setValue(kCompanyKey, qs(fs::absolute(folder).string()));
  fillUsers();
  updateState();
  return true;
}

void HostWindow::fillUsers() {
  users_->clear();
  if (!session_) return;
  frame::Context ctx(*session_);
  data::FileAccess& f = ctx.file(data::UserFile::def());
  f.set(*f.def().key("KeyUserID"));
  while (f.next() == data::kNoError) {
    std::string id = f.text("UserID");
    std::string name = clipped(f.text("FirstName") + " " + f.text("LastName"));
    users_->addItem(qs(id + (name.empty() ? "" : "  " + name)), qs(id));
  }
  // On a company that signs on by role the connection is that user's own, the password checked
  // by the server: another user signs on anew (koreq --user ID), and the box only shows who.
  const std::string user = userToSignOn(*session_);
  int at = users_->findData(qs(user), Qt::UserRole, Qt::MatchFixedString);
  if (at < 0) {
    users_->addItem(qs(user + "  (not in the user file)"), qs(user));
    at = users_->count() - 1;
  }
  users_->setCurrentIndex(at);
  users_->setToolTip(signedOnByRole_ ? QStringLiteral("The company's server checks each user's "
                                                      "password: choosing another user signs on "
                                                      "anew")
                                     : QString());
  if (session_->g.USERID.str() != user) {
    session_->signOff();
    session_->g.USERID = user;
    session_->signOn();
  }
}

std::string HostWindow::userToSignOn(frame::Session& session) {
  // The user of the command line, unless it is only the default and a user was chosen before.
  signedOnByRole_ = !data::Company::roleOf(session.company().dataPath(), user_).empty();
  const QString remembered = QSettings().value(kUserKey).toString();
  if (user_ != GlobalOptions().user || signedOnByRole_ || remembered.isEmpty()) return user_;
  try {
    if (auto u = frame::findSignOnUser(session.store(), remembered.toStdString())) return u->id;
  } catch (const data::StoreError&) {
  }
  return user_;
}

bool HostWindow::signOnPasswordGiven(frame::Session& session, const std::string& user) {
  if (signedOnByRole_) return true;  // the server checked it as the connection was made
  try {
    const std::optional<frame::SignOnUser> who = frame::findSignOnUser(session.store(), user);
    if (!who || !frame::passwordRequired(session.store(), *who)) return true;
    const std::optional<std::string> password =
        passwordPrompt_("The password of user " + who->id + ":");
    if (!password) return false;
    if (frame::checkPassword(session.store(), *who, *password)) return true;
    port_.message("Wrong password for user " + who->id + ".", "Sign On", ui::Icon::Exclamation,
                  "&OK", 1);
  } catch (const data::StoreError& e) {
    port_.message(std::string("The password could not be checked: ") + e.what(), "Sign On",
                  ui::Icon::Exclamation, "&OK", 1);
  }
  return false;
}

void HostWindow::userChosen(int index) {
  if (!session_ || index < 0 || !threads_.empty()) return;
  std::string id = users_->itemData(index).toString().toStdString();
  if (signedOnByRole_ && upper(id) != upper(session_->g.USERID.str())) {
    // The connection is the user's own role: another user connects anew, with their password.
    const std::string previous = user_;
    user_ = id;
    // A copy: opening replaces the session the path belongs to.
    const fs::path folder = session_->company().dataPath();
    if (!openCompany(folder)) {
      user_ = previous;
      fillUsers();
      updateState();
      port_.message(refusal_.toStdString(), "Sign On", ui::Icon::Exclamation, "&OK", 1);
    }
    return;
  }
  if (upper(id) != upper(session_->g.USERID.str()) && !signOnPasswordGiven(*session_, id)) {
    // Cancelled or wrong: whoever was signed on stays, and the box says so.
    const int at =
        users_->findData(qs(session_->g.USERID.str()), Qt::UserRole, Qt::MatchFixedString);
    if (at >= 0) users_->setCurrentIndex(at);
    return;
  }
  session_->signOff();
  session_->g.USERID = id;
  session_->signOn();
  QSettings().setValue(kUserKey, qs(id));
  updateState();
}

void HostWindow::chooseCompany() {
  QString start = session_ ? qs(session_->company().dataPath().parent_path().string())
                           : qs(inv_.dataPath().parent_path().string());
  QString dir =
      QFileDialog::getExistingDirectory(this, QStringLiteral("Open a Company Folder"), start);
  if (!dir.isEmpty()) openCompany(dir.toStdString());
}

fs::path HostWindow::defaultDemoFolder() {
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg && *xdg) return fs::path(xdg) / "koreq" / "demo";
  const char* home = std::getenv("HOME");
  return fs::path(home && *home ? home : ".") / ".local" / "share" / "koreq" / "demo";
}

void HostWindow::openDemoCompany() {
  fs::path demo = defaultDemoFolder();
  if (data::Company::exists(demo))
    openCompany(demo);
  else
    makeDemoCompanyIn(demo);
}

void HostWindow::newCompany() {
  if (!threads_.empty()) {
    port_.message("Close the open windows before changing the company.", "Company",
                  ui::Icon::Information, "&OK", 1);
    return;
  }
  QString dir = QFileDialog::getExistingDirectory(
      this, QStringLiteral("Folder for the New Company (choose or make an empty one)"),
      qs(inv_.dataPath().parent_path().string()));
  if (dir.isEmpty()) return;
  bool ok = false;
  QString name =
      QInputDialog::getText(this, QStringLiteral("New Company"), QStringLiteral("Company name:"),
                            QLineEdit::Normal, QString(), &ok);
  if (ok) makeCompanyIn(dir.toStdString(), name.trimmed().toStdString());
}

bool HostWindow::makeCompanyIn(const fs::path& folder, const std::string& name) {
  if (!threads_.empty()) return false;
  if (data::Company::exists(folder)) {
    port_.message(
        "That folder already holds a company.|Choose an empty folder, or open the "
        "company with File, Open Company.",
        "New Company", ui::Icon::Exclamation, "&OK", 1);
    return false;
  }
  if (clipped(name).empty()) {
    port_.message("A new company needs its name.", "New Company", ui::Icon::Exclamation, "&OK", 1);
    return false;
  }
  std::vector<std::string> args = {"--data", folder.string(), "--user", inv_.options().user,
                                   "init"};
  std::ostringstream out, err;
  if (runCli(args, out, err) != 0) {
    port_.message("The company could not be made:|" + clipped(err.str()), "New Company",
                  ui::Icon::Exclamation, "&OK", 1);
    return false;
  }
  // Its name, and the user who made it with every right, so the lists open without a word.
  try {
    frame::Session session(data::Company::open(folder), inv_.clock(), inv_.options().user);
    frame::Context ctx(session);
    data::Access<data::Systems> sys(session.store(), ctx.errors());
    sys.prime();
    sys.rec().CompanyName = name;
    data::Access<data::UserFile> user(session.store(), ctx.errors());
    user.prime();
    user.rec().UserID = inv_.options().user;
    user.rec().Administrator = 1;
    user.rec().ChangeEquipment = 1;
    user.rec().ChangeCostCategories = 1;
    user.rec().PostEquipmentLogs = 1;
    if (sys.insert() != data::kNoError || user.insert() != data::kNoError)
      throw std::runtime_error("the company record could not be written");
  } catch (const std::exception& e) {
    port_.message(std::string("The company was made, but not named:|") + e.what(), "New Company",
                  ui::Icon::Exclamation, "&OK", 1);
  }
  return openCompany(folder);
}

void HostWindow::makeDemoCompany() {
  if (!threads_.empty()) {
    port_.message("Close the open windows before changing the company.", "Company",
                  ui::Icon::Information, "&OK", 1);
    return;
  }
  QString dir = QFileDialog::getExistingDirectory(
      this, QStringLiteral("Folder for the Demo Company (choose or make an empty one)"),
      qs(inv_.dataPath().parent_path().string()));
  if (!dir.isEmpty()) makeDemoCompanyIn(dir.toStdString());
}

bool HostWindow::makeDemoCompanyIn(const fs::path& folder) {
  if (!threads_.empty()) return false;
  if (data::Company::exists(folder)) {
    if (port_.message("That folder already holds a company.|Open it instead?", "Demo Company",
                      ui::Icon::Question, "&Yes|&No", 1) == 1)
      return openCompany(folder);
    return false;
  }
  // The same work as `koreq init --demo`: made aside and moved into place when complete.
  std::vector<std::string> args = {"--data", folder.string(), "--user", inv_.options().user};
  if (inv_.options().today) {
    args.push_back("--today");
    args.push_back(inv_.options().today->toIso());
  }
  args.push_back("init");
  args.push_back("--demo");
  std::ostringstream out, err;
  port_.setWaitCursor(true);
  int rc = runCli(args, out, err);
  port_.setWaitCursor(false);
  if (rc != 0) {
    port_.message("The demo company could not be made:|" + clipped(err.str()), "Demo Company",
                  ui::Icon::Exclamation, "&OK", 1);
    return false;
  }
  return openCompany(folder);
}

void HostWindow::run(const MenuEntry& entry) {
  if (!session_) return;
  auto t = std::make_unique<Thread>();
  t->procedure = entry.procedure;
  t->ctx = std::make_unique<frame::Context>(*session_);
  t->desktop = std::make_unique<ui::Desktop>(port_, module_.registry());
  module_.equip(*t->desktop);
  t->view = std::make_unique<ui::qt::QtDesktop>(*t->desktop, this);
  Thread* thread = t.get();
  connect(t->view.get(), &ui::qt::QtDesktop::emptied, this, [this, thread] { endThread(thread); });
  threads_.push_back(std::move(t));
  updateState();

  thread->ctx->g.GlobalRequest = entry.request;
  thread->calling = true;
  try {
    if (!thread->desktop->call(*thread->ctx, entry.procedure))
      port_.message("The procedure " + entry.procedure + " is not available.", "Missing Procedure",
                    ui::Icon::Exclamation, "&OK", 1);
  } catch (const std::exception& e) {
    port_.message(e.what(), "Program Error", ui::Icon::Exclamation, "&OK", 1);
  }
  thread->calling = false;
  if (thread->desktop->depth() == 0) {
    statusBar()->showMessage(QStringLiteral("%1 finished").arg(qs(entry.procedure)), 5000);
    endThread(thread);
  }
}

// A thread ends when its last window has closed, later: never inside a call of its own.
void HostWindow::endThread(Thread* thread) {
  QTimer::singleShot(0, this, [this, thread] {
    auto it = std::find_if(threads_.begin(), threads_.end(),
                           [thread](const auto& t) { return t.get() == thread; });
    if (it == threads_.end()) return;
    if (thread->calling || thread->view->acting()) {
      QTimer::singleShot(50, this, [this, thread] { endThread(thread); });
      return;
    }
    if (thread->desktop->depth() > 0) return;
    threads_.erase(it);
    updateState();
  });
}

bool HostWindow::closeAllThreads() {
  for (const auto& t : threads_)
    if (!t->calling && !t->view->acting()) t->desktop->closeAll();
  std::erase_if(threads_, [](const auto& t) {
    return !t->calling && !t->view->acting() && t->desktop->depth() == 0;
  });
  updateState();
  return threads_.empty();
}

void HostWindow::closeEvent(QCloseEvent* event) {
  if (!closeAllThreads()) {
    event->ignore();
    return;
  }
  QSettings().setValue(kGeometryKey, saveGeometry());
  event->accept();
}

}  // namespace koreq::cli
