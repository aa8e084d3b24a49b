#include "ui/model/user_port.h"

namespace koreq::ui {

const char* iconName(Icon icon) {
  switch (icon) {
    case Icon::Information:
      return "information";
    case Icon::Exclamation:
      return "exclamation";
    case Icon::Question:
      return "question";
    default:
      return "none";
  }
}

std::vector<std::string> splitButtons(const std::string& buttons) {
  std::vector<std::string> out;
  std::string cur;
  for (char c : buttons) {
    if (c == '|') {
      out.push_back(cur);
      cur.clear();
    } else {
      cur += c;
    }
  }
  out.push_back(cur);
  return out;
}

int ScriptedPort::message(const std::string& text, const std::string& caption, Icon icon,
                          const std::string& buttons, int) {
  Shown s{text, caption, buttons, icon, 1, false};
  if (!answers_.empty()) {
    s.answer = answers_.front();
    s.answered = true;
    answers_.pop_front();
  }
  shown_.push_back(s);
  return s.answer;
}

}  // namespace koreq::ui
