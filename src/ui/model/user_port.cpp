#include "ui/model/user_port.h"

#include "runtime/text.h"

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

std::string openResultText(int code) {
  switch (code) {
    case kOpened:
      return {};
    case kOpenFileNotFound:
      return "File not found";
    case kOpenPathNotFound:
      return "Path not found";
    case kOpenNoAssociation:
      return "No program associated with this file";
    default:
      return "Error " + std::to_string(code);
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

std::string withoutAmpersand(const std::string& text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&') {
      if (i + 1 < text.size() && text[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += text[i];
  }
  return out;
}

MenuItem parseMenuItem(const std::string& raw) {
  MenuItem m;
  std::string t = raw;
  if (!t.empty() && t[0] == '~') {
    m.enabled = false;
    t.erase(0, 1);
  }
  if (!t.empty() && t[0] == '[') {
    if (std::size_t end = t.find(']'); end != std::string::npos) {
      m.icon = t.substr(1, end - 1);
      t.erase(0, end + 1);
    }
  }
  m.text = t;
  return m;
}

std::vector<MenuItem> menuItems(const std::string& items) {
  std::vector<MenuItem> out;
  for (const std::string& raw : splitButtons(items)) {
    if (raw == "-") continue;
    MenuItem m = parseMenuItem(raw);
    m.text = withoutAmpersand(m.text);
    out.push_back(m);
  }
  return out;
}

std::string quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

namespace {

// A label as a user reads it, for matching script answers: no "&", no blanks around it, and the
// bullet or indent a menu may put in front of an item.
std::string plainLabel(const std::string& text) {
  std::string t = withoutAmpersand(text);
  std::size_t b = t.find_first_not_of(' ');
  if (b == std::string::npos) return {};
  t = t.substr(b);
  const std::string bullet = "\u2022";
  if (t.rfind(bullet, 0) == 0) t = t.substr(bullet.size());
  b = t.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : upper(clip(t.substr(b)));
}

}  // namespace

void ScriptedPort::write(std::string line) {
  if (sink_) sink_(line);
  log_.push_back(std::move(line));
}

std::size_t ScriptedPort::pendingAnswers() const {
  return answers_.size() + files_.size() + dates_.size() + calcs_.size() + menus_.size() +
         printers_.size() + openResults_.size() + previews_.size() + printResults_.size() +
         mails_.size();
}

int ScriptedPort::message(const std::string& text, const std::string& caption, Icon icon,
                          const std::string& buttons, int) {
  std::vector<std::string> set = splitButtons(buttons);
  Shown s{text, caption, buttons, icon, 1, false};
  std::string note;
  if (!answers_.empty()) {
    Choice c = answers_.front();
    answers_.pop_front();
    int found = 0;
    if (c.text.empty()) {
      if (c.number >= 1 && c.number <= static_cast<int>(set.size())) found = c.number;
    } else {
      for (std::size_t i = 0; i < set.size(); ++i)
        if (plainLabel(set[i]) == plainLabel(c.text)) found = static_cast<int>(i) + 1;
    }
    if (found) {
      s.answer = found;
      s.answered = true;
    } else {
      std::string given = c.text.empty() ? std::to_string(c.number) : c.text;
      problems_.push_back("answer " + given + " is not a button of the message " + quoted(text) +
                          " (" + buttons + ")");
      note = " (answer " + given + " does not fit: first button)";
    }
  } else {
    note = " (not answered: first button)";
  }
  shown_.push_back(s);
  write("message " + std::string(iconName(icon)) + " " + quoted(caption) + " " + quoted(text) +
        " [" + buttons + "] -> " + set[static_cast<std::size_t>(s.answer - 1)] + note);
  return s.answer;
}

void ScriptedPort::beep() {
  ++beeps_;
  write("beep");
}

std::vector<std::string> ScriptedPort::chooseFiles(const FileDialog& d) {
  std::string line = std::string(d.save ? "save" : "open") + " file dialog " + quoted(d.title);
  if (!d.filter.empty()) line += " filter " + quoted(d.filter);
  if (files_.empty()) {
    write(line + " -> none (not answered)");
    return {};
  }
  std::vector<std::string> paths = files_.front();
  files_.pop_front();
  if (paths.size() > 1 && (d.save || !d.multiple)) {
    problems_.push_back("several files answered to a dialog that takes one: " + d.title);
    paths.resize(1);
  }
  if (paths.empty()) {
    write(line + " -> none");
  } else {
    std::string got;
    for (const auto& p : paths) got += (got.empty() ? "" : " ") + quoted(p);
    write(line + " -> " + got);
  }
  return paths;
}

std::optional<Date> ScriptedPort::chooseDate(const std::string& caption, Date start) {
  std::string line = "calendar " + quoted(caption) + " from " +
                     (start.isEmpty() ? std::string("(no date)") : start.toIso());
  if (dates_.empty()) {
    write(line + " -> none (not answered)");
    return std::nullopt;
  }
  std::optional<Date> d = dates_.front();
  dates_.pop_front();
  write(line + " -> " + (d ? d->toIso() : std::string("none")));
  return d;
}

std::optional<std::string> ScriptedPort::calculate(const std::string& start) {
  std::string line = "calculator " + quoted(start);
  if (calcs_.empty()) {
    write(line + " -> none (not answered)");
    return std::nullopt;
  }
  std::optional<std::string> r = calcs_.front();
  calcs_.pop_front();
  write(line + " -> " + (r ? quoted(*r) : std::string("none")));
  return r;
}

int ScriptedPort::popupMenu(const std::string& items) {
  std::vector<MenuItem> list = menuItems(items);
  std::string line = "menu " + quoted(items);
  if (menus_.empty()) {
    write(line + " -> none (not answered)");
    return 0;
  }
  Choice c = menus_.front();
  menus_.pop_front();
  int found = 0;
  if (c.text.empty()) {
    found = c.number;
    if (found < 0 || found > static_cast<int>(list.size())) {
      problems_.push_back("menu item " + std::to_string(found) + " is not in " + quoted(items));
      found = 0;
    }
  } else {
    for (std::size_t i = 0; i < list.size() && !found; ++i)
      if (plainLabel(list[i].text) == plainLabel(c.text)) found = static_cast<int>(i) + 1;
    if (!found) problems_.push_back("menu item " + quoted(c.text) + " is not in " + quoted(items));
  }
  if (found && !list[static_cast<std::size_t>(found - 1)].enabled) {
    problems_.push_back("menu item " + quoted(list[static_cast<std::size_t>(found - 1)].text) +
                        " is disabled");
    found = 0;
  }
  write(line + " -> " +
        (found ? quoted(list[static_cast<std::size_t>(found - 1)].text) : std::string("none")));
  return found;
}

std::optional<std::string> ScriptedPort::choosePrinter() {
  if (printers_.empty()) {
    write("printer dialog -> none (not answered)");
    return std::nullopt;
  }
  std::optional<std::string> p = printers_.front();
  printers_.pop_front();
  write("printer dialog -> " + (p ? quoted(*p) : std::string("none")));
  return p;
}

int ScriptedPort::openDocument(const std::string& path) {
  int code = kOpened;
  if (!openResults_.empty()) {
    code = openResults_.front();
    openResults_.pop_front();
  }
  opened_.push_back(path);
  write("open document " + quoted(path) + " -> " +
        (code == kOpened ? std::string("opened") : openResultText(code)));
  return code;
}

PreviewChoice ScriptedPort::preview(const PreviewRequest& request) {
  previewed_.push_back(request);
  std::string line =
      "preview " + quoted(request.title) + " " + std::to_string(request.pages.size()) + " page(s)";
  if (previews_.empty()) {
    write(line + " -> closed (not answered)");
    return {};
  }
  PreviewChoice c = previews_.front();
  previews_.pop_front();
  std::string chosen;
  if (c.print)
    chosen = "print " + std::to_string(c.copies) + " cop" + (c.copies == 1 ? "y" : "ies");
  for (auto [on, name] : {std::pair{c.exportReport, "export"}, {c.pdf, "pdf"}, {c.email, "email"}})
    if (on) chosen += (chosen.empty() ? "" : " ") + std::string(name);
  write(line + " -> " + (chosen.empty() ? std::string("closed") : chosen));
  return c;
}

std::string ScriptedPort::printPages(const PrintJob& job) {
  printed_.push_back(job);
  std::string error;
  if (!printResults_.empty()) {
    error = printResults_.front();
    printResults_.pop_front();
  }
  write("print " + quoted(job.name) + " " + std::to_string(job.pages.size()) + " page(s), " +
        std::to_string(job.copies) + " cop" + (job.copies == 1 ? "y" : "ies") +
        (error.empty() ? std::string() : " -> " + quoted(error)));
  return error;
}

bool ScriptedPort::composeMail(MailDraft& draft) {
  if (mails_.empty()) {
    write("mail dialog -> none (not answered)");
    return false;
  }
  std::optional<MailDraft> m = mails_.front();
  mails_.pop_front();
  if (!m) {
    write("mail dialog -> none");
    return false;
  }
  // A script names the recipient and subject; the message stays the one offered.
  draft.toAddress = m->toAddress;
  draft.toName = m->toName;
  draft.subject = m->subject;
  if (!m->message.empty()) draft.message = m->message;
  write("mail dialog -> " + quoted(draft.toAddress) + " " + quoted(draft.subject));
  return true;
}

void ScriptedPort::setWaitCursor(bool on) {
  waitCursor_ = on;
}

void ScriptedPort::showHelp(const std::string& topic) {
  help_.push_back(topic);
  write("help " + quoted(topic));
}

}  // namespace koreq::ui
