#include "reportframe/gui_app.h"

#include <sys/stat.h>
#include <unistd.h>

#include <QGuiApplication>
#include <cstdlib>
#include <string>

namespace koreq::reportframe {

ReportApplication::ReportApplication() {
  if (QCoreApplication::instance()) return;
  ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (const char* dir = std::getenv("XDG_RUNTIME_DIR"); !dir || !*dir) {
    // Qt warns without one; a private folder of the user's, as the desktop would give.
    std::string own = "/tmp/runtime-koreq-" + std::to_string(::getuid());
    ::mkdir(own.c_str(), 0700);
    ::setenv("XDG_RUNTIME_DIR", own.c_str(), 1);
  }
  owned_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

ReportApplication::~ReportApplication() = default;

}  // namespace koreq::reportframe
