#include "ui/qt/qt_desktop.h"

#include <QApplication>
#include <QLayout>
#include <QScreen>
#include <QSettings>
#include <QTimer>

#include "frame/context.h"
#include "ui/qt/qt_window.h"

namespace koreq::ui::qt {

namespace {

QString geometryKey(const Procedure& p) {
  return QStringLiteral("windows/%1/geometry").arg(QString::fromStdString(upper(p.name())));
}

}  // namespace

QtDesktop::QtDesktop(Desktop& desktop, QWidget* owner, QObject* parent)
    : QObject(parent), desktop_(desktop), owner_(owner) {
  desktop_.setObserver(this);
  showWindows();  // windows already open when the renderer comes
}

QtDesktop::~QtDesktop() {
  desktop_.setObserver(nullptr);
  // Top down: a window owns the windows it called.
  std::vector<Procedure*> open = desktop_.windows();
  for (auto it = open.rbegin(); it != open.rend(); ++it) {
    auto w = windows_.find(*it);
    if (w != windows_.end() && w->second) {
      w->second->detach();
      delete w->second.data();
    }
  }
  for (auto& [p, w] : windows_)
    if (w) {
      w->detach();
      delete w.data();
    }
}

QtWindow* QtDesktop::window(const Procedure& p) const {
  auto it = windows_.find(&p);
  return it == windows_.end() ? nullptr : it->second.data();
}

QtWindow* QtDesktop::top() const {
  Procedure* p = desktop_.top();
  return p ? window(*p) : nullptr;
}

void QtDesktop::rethrowError() {
  if (std::exception_ptr e = std::exchange(error_, nullptr)) std::rethrow_exception(e);
}

bool QtDesktop::act(Procedure& p, const std::function<void()>& action) {
  if (acting_ || desktop_.top() != &p || !p.isOpen() || p.closing()) return false;
  acting_ = true;
  struct Done {
    bool& flag;
    ~Done() { flag = false; }
  } done{acting_};
  try {
    action();
  } catch (const std::exception& e) {
    if (keepErrors_) {
      if (!error_) error_ = std::current_exception();
    } else {
      desktop_.port().message(e.what(), "Program Error", Icon::Exclamation, "&OK", 1);
    }
  }
  afterAction();
  return true;
}

void QtDesktop::afterAction() {
  for (auto& [p, w] : windows_)
    if (w && w->attached()) w->syncTimer();
}

void QtDesktop::opened(Procedure&) {
  showWindows();
}

// Every open window gets its widgets, bottom up: a window that opens another from its init is
// reported after the one it opened.
void QtDesktop::showWindows() {
  QWidget* below = owner_;
  bool first = true;
  for (Procedure* p : desktop_.windows()) {
    QtWindow* w = window(*p);
    if (!w && p->isOpen() && !p->closing()) {
      w = new QtWindow(*this, *p, below);
      // The first window of a desktop stands beside the host's other windows; every window it
      // calls is modal over its caller.
      w->setWindowModality(first ? Qt::NonModal : Qt::WindowModal);
      windows_[p] = w;
      place(*w);
      w->show();
      // A size and place restored from another session (a larger screen, another scale) are
      // brought within this screen.
      bringWithinScreen(*w);
      if (QGuiApplication::platformName() != QStringLiteral("offscreen")) w->raise();
      w->activateWindow();
      w->refreshAll();
      emit windowOpened(w);
    }
    if (w) below = w;
    first = false;
  }
}

// A window reopens where it was closed; else at the session's start position (STARTX,
// STARTY), else over its caller. OPENMAX asks for the height MAXHEIGHT. Wherever it goes, it
// is kept inside the screen (bringWithinScreen).
void QtDesktop::place(QtWindow& w) {
  w.layout()->activate();
  // As large as the content asks, within the screen (less a title bar); what does not fit
  // scrolls.
  QScreen* screen = QApplication::primaryScreen();
  QSize room = screen ? screen->availableGeometry().size() - QSize(16, 48) : QSize(1350, 700);
  w.resize(w.sizeHint().boundedTo(room).expandedTo(w.minimumSizeHint()));
  const frame::SessionGlobals& g = w.procedure().ctx().session().g;
  bool restored = false;
  if (rememberGeometry_) {
    QSettings settings;
    QByteArray saved = settings.value(geometryKey(w.procedure())).toByteArray();
    restored = !saved.isEmpty() && w.restoreGeometry(saved);
  }
  if (!restored) {
    if (g.OPENMAX == 1 && g.MAXHEIGHT > 0)
      w.resize(w.width(), static_cast<int>(std::min<std::int64_t>(g.MAXHEIGHT, 4000)));
    if (g.STARTX > 0 || g.STARTY > 0) {
      w.move(static_cast<int>(g.STARTX), static_cast<int>(g.STARTY));
    } else {
      QWidget* over = w.parentWidget();
      QRect area = over     ? over->frameGeometry()
                   : screen ? screen->availableGeometry()
                            : QRect(0, 0, 1024, 768);
      QRect r(QPoint(0, 0), w.size());
      r.moveCenter(area.center());
      w.move(r.topLeft());
    }
  }
}

QRect fitWithin(const QRect& frame, const QMargins& margins, const QRect& available,
                const QSize& minimum) {
  const QSize extra(margins.left() + margins.right(), margins.top() + margins.bottom());
  QSize content = (frame.size() - extra).boundedTo(available.size() - extra).expandedTo(minimum);
  QRect r(frame.topLeft(), content + extra);
  if (r.right() > available.right()) r.moveRight(available.right());
  if (r.bottom() > available.bottom()) r.moveBottom(available.bottom());
  if (r.left() < available.left()) r.moveLeft(available.left());
  if (r.top() < available.top()) r.moveTop(available.top());
  return r;
}

void bringWithinScreen(QWidget& w) {
  QScreen* screen = w.screen();
  if (!screen) return;
  QMargins margins(w.geometry().left() - w.frameGeometry().left(),
                   w.geometry().top() - w.frameGeometry().top(),
                   w.frameGeometry().right() - w.geometry().right(),
                   w.frameGeometry().bottom() - w.geometry().bottom());
  // Until the window manager has framed the window, room is kept for a title bar.
  if (margins.isNull() && QGuiApplication::platformName() != QStringLiteral("offscreen"))
    margins = QMargins(8, 40, 8, 8);
  const QRect frame = w.geometry().marginsAdded(margins);
  const QRect fit = fitWithin(frame, margins, screen->availableGeometry(), w.minimumSizeHint());
  if (fit.size() != frame.size()) w.resize(fit.size().shrunkBy(margins));
  if (fit.topLeft() != frame.topLeft()) w.move(fit.topLeft());
}

void QtDesktop::saveGeometry(QtWindow& w) {
  if (!rememberGeometry_) return;
  QSettings settings;
  settings.setValue(geometryKey(w.procedure()), w.saveGeometry());
}

void QtDesktop::closed(Procedure& p) {
  auto it = windows_.find(&p);
  if (it != windows_.end()) {
    if (QtWindow* w = it->second.data()) {
      saveGeometry(*w);
      w->detach();
      w->hide();
      // Not at once: the close may come from a signal of one of the window's own widgets.
      w->deleteLater();
    }
    windows_.erase(it);
  }
  QTimer::singleShot(0, this, [this] {
    if (desktop_.depth() == 0) emit emptied();
  });
}

}  // namespace koreq::ui::qt
