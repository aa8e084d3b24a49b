#pragma once

// How a procedure asks the user something. The desktop program answers with real dialogs; the
// headless runner answers from a script and logs every message shown.

#include <deque>
#include <string>
#include <vector>

namespace koreq::ui {

enum class Icon { None, Information, Exclamation, Question };

const char* iconName(Icon icon);

class UserPort {
 public:
  virtual ~UserPort() = default;
  // A message box. `buttons` is the button set ("&OK", "&Yes|&No"); a "|" in `text` is a line
  // break. Answers the number of the button pressed, counted from 1.
  virtual int message(const std::string& text, const std::string& caption, Icon icon,
                      const std::string& buttons = "&OK", int defaultButton = 1) = 0;
  virtual void beep() = 0;
};

// Splits a button set "&Yes|&No" into its buttons.
std::vector<std::string> splitButtons(const std::string& buttons);

// A user that answers from a queue (first button when the queue is empty) and remembers every
// message shown.
class ScriptedPort : public UserPort {
 public:
  struct Shown {
    std::string text, caption, buttons;
    Icon icon = Icon::None;
    int answer = 0;
    bool answered = false;  // false: nobody had queued an answer, the first button was taken
  };
  void queueAnswer(int button) { answers_.push_back(button); }
  int message(const std::string& text, const std::string& caption, Icon icon,
              const std::string& buttons, int defaultButton) override;
  void beep() override { ++beeps_; }
  const std::vector<Shown>& shown() const { return shown_; }
  int beeps() const { return beeps_; }

 private:
  std::deque<int> answers_;
  std::vector<Shown> shown_;
  int beeps_ = 0;
};

}  // namespace koreq::ui
