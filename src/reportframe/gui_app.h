#pragma once

// The Qt GUI application a report needs for its fonts and painter, where no program made one:
// always offscreen, since a report never shows a window, so it runs without a display.

#include <memory>

class QGuiApplication;

namespace koreq::reportframe {

class ReportApplication {
 public:
  ReportApplication();
  ~ReportApplication();
  ReportApplication(const ReportApplication&) = delete;
  ReportApplication& operator=(const ReportApplication&) = delete;

 private:
  int argc_ = 1;
  char name_[6] = "koreq";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> owned_;
};

}  // namespace koreq::reportframe
