#include "ui/qt/offscreen.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <cstdlib>
#include <string>

namespace koreq::ui::qt {

namespace {

bool hasEnv(const char* name) {
  const char* v = std::getenv(name);
  return v && *v;
}

}  // namespace

bool prepareQtPlatform(bool offscreen) {
  // An offscreen platform given with its options (a screen of a chosen size through
  // "offscreen:configfile=…") is kept.
  const char* given = std::getenv("QT_QPA_PLATFORM");
  const bool givenOffscreen = given && std::string(given).rfind("offscreen", 0) == 0;
  if ((offscreen && !givenOffscreen) ||
      (!hasEnv("QT_QPA_PLATFORM") && !hasEnv("DISPLAY") && !hasEnv("WAYLAND_DISPLAY")))
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (!hasEnv("XDG_RUNTIME_DIR")) {
    std::string dir = "/tmp/runtime-koreq-" + std::to_string(::getuid());
    ::mkdir(dir.c_str(), 0700);
    ::chmod(dir.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
  }
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  return platform && std::string(platform).rfind("offscreen", 0) == 0;
}

namespace {

QtMessageHandler previousHandler = nullptr;

// The offscreen platform says what it cannot do (raise a window, size hints) on every window
// it shows; nothing is wrong, so those lines are dropped.
void quietOffscreen(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (type == QtWarningMsg && text.startsWith(QStringLiteral("This plugin does not support")))
    return;
  if (previousHandler) previousHandler(type, context, text);
}

}  // namespace

GuiApplication::GuiApplication(bool offscreen) {
  if (auto* existing = qobject_cast<QApplication*>(QCoreApplication::instance())) {
    app_ = existing;
    offscreen_ = QGuiApplication::platformName() == QStringLiteral("offscreen");
    return;
  }
  offscreen_ = prepareQtPlatform(offscreen);
  if (QCoreApplication::organizationName().isEmpty())
    QCoreApplication::setOrganizationName(QStringLiteral("koreq"));
  if (QCoreApplication::applicationName().isEmpty())
    QCoreApplication::setApplicationName(QStringLiteral("koreq"));
  if (offscreen_) {
    QtMessageHandler previous = qInstallMessageHandler(quietOffscreen);
    if (previous != quietOffscreen) previousHandler = previous;
  }
  owned_ = std::make_unique<QApplication>(argc_, argv_);
  app_ = owned_.get();
}

GuiApplication::~GuiApplication() = default;

}  // namespace koreq::ui::qt
