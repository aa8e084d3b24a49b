#pragma once

// The Qt application of a command that draws windows. Without a display (no X, no Wayland, no
// platform chosen) it draws offscreen, so commands and tests run on a machine without a screen.

#include <memory>

class QApplication;

namespace koreq::ui::qt {

// Chooses the offscreen platform when there is no display, or always when `offscreen`; gives
// XDG_RUNTIME_DIR a private folder when it is unset. Before the QApplication is made. Answers
// whether windows are drawn offscreen.
bool prepareQtPlatform(bool offscreen = false);

// A QApplication for as long as it lives, or the one the process has already. The settings
// (window places, the last company and user) are the user's "koreq" settings.
class GuiApplication {
 public:
  explicit GuiApplication(bool offscreen = false);
  ~GuiApplication();
  GuiApplication(const GuiApplication&) = delete;
  GuiApplication& operator=(const GuiApplication&) = delete;

  QApplication& app() const { return *app_; }
  bool offscreen() const { return offscreen_; }

 private:
  int argc_ = 1;
  char name_[6] = "koreq";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QApplication> owned_;
  QApplication* app_ = nullptr;
  bool offscreen_ = false;
};

}  // namespace koreq::ui::qt
