#pragma once

// The open windows of one desktop of the window model (one "thread" of the host), shown as real
// windows: each window the model opens gets a QtWindow, modal over the window that called it;
// each window the model closes goes away. Window geometry is remembered per procedure name in
// the user's settings.

#include <QMargins>
#include <QObject>
#include <QPointer>
#include <QRect>
#include <exception>
#include <functional>
#include <map>

#include "ui/model/desktop.h"

class QWidget;

namespace koreq::ui::qt {

class QtWindow;

// Where a window goes within the screen's available area: `frame` is its outer rectangle
// (title bar included), `margins` the frame around its content, `minimum` its content's least
// size. The size is cut down to the area (never below the minimum) and the window moved onto
// it; a window still larger than the area keeps its title bar on screen.
QRect fitWithin(const QRect& frame, const QMargins& margins, const QRect& available,
                const QSize& minimum);
// Brings a top-level window's size and place within its screen (fitWithin), as they stand after
// a restore from the settings.
void bringWithinScreen(QWidget& w);

class QtDesktop : public QObject, private DesktopObserver {
  Q_OBJECT
 public:
  // `owner`: the widget the desktop's first window belongs to (the host's main window); the
  // first window is not modal over it.
  explicit QtDesktop(Desktop& desktop, QWidget* owner = nullptr, QObject* parent = nullptr);
  ~QtDesktop() override;
  QtDesktop(const QtDesktop&) = delete;
  QtDesktop& operator=(const QtDesktop&) = delete;

  Desktop& desktop() const { return desktop_; }
  QtWindow* window(const Procedure& p) const;
  // The window of the model's topmost procedure.
  QtWindow* top() const;

  // Whether windows reopen where they were closed (off for scripted runs and pictures).
  void setRememberGeometry(bool on) { rememberGeometry_ = on; }
  // Whether procedures' timers run by the clock (off for scripted runs: the script ticks).
  void setClockTimers(bool on) { clockTimers_ = on; }
  bool clockTimers() const { return clockTimers_; }
  // Scripted runs keep what an action threw, for the script to report; otherwise the user
  // sees it in a message box.
  void setKeepErrors(bool on) { keepErrors_ = on; }
  // Rethrows, once, what the last action threw (when errors are kept).
  void rethrowError();

  // Runs one user action on procedure `p`: not while another action of this desktop runs (a
  // message box's event loop lets widgets send signals), not into a window that is not the
  // topmost one or no longer open. False when it did not run.
  bool act(Procedure& p, const std::function<void()>& action);
  bool acting() const { return acting_; }

 signals:
  void windowOpened(QtWindow* window);
  // The desktop has no window left (checked after every action).
  void emptied();

 private:
  void opened(Procedure& p) override;
  void closed(Procedure& p) override;
  void showWindows();
  void afterAction();
  void place(QtWindow& w);
  void saveGeometry(QtWindow& w);

  Desktop& desktop_;
  QPointer<QWidget> owner_;
  std::map<const Procedure*, QPointer<QtWindow>> windows_;
  bool rememberGeometry_ = true;
  bool clockTimers_ = true;
  bool keepErrors_ = false;
  bool acting_ = false;
  std::exception_ptr error_;
};

}  // namespace koreq::ui::qt
