#include "ui/headless/scenario.h"

#include <fstream>
#include <optional>
#include <stdexcept>

#include "data/access.h"
#include "ui/headless/scripted_user.h"

namespace koreq::ui::headless {

namespace {

// A malformed command: the script itself is wrong.
class BadCommand : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

bool isBlank(char c) {
  return c == ' ' || c == '\t';
}

bool allDigits(const std::string& s) {
  if (s.empty()) return false;
  for (char c : s)
    if (c < '0' || c > '9') return false;
  return true;
}

void need(const ScenarioLine& l, std::size_t words, const char* usage) {
  if (l.words.size() != words) throw BadCommand(std::string("usage: ") + usage);
}

class Runner {
 public:
  Runner(frame::Session& session, const frame::ProcedureRegistry& registry, std::ostream& out,
         ScenarioDriver& driver)
      : out_(out),
        driver_(driver),
        ctx_(session),
        desktop_(driver.port(port_), registry),
        userOwned_(driver.user(desktop_)),
        user_(*userOwned_) {
    port_.setLogSink([this](const std::string& l) { out_ << "  " << l << "\n"; });
    // File errors reach the user as a message box, as they do on the desktop.
    ctx_.errors().setHandler([this](const data::ErrorObject::Error& e) {
      desktop_.port().message(e.message, "File Error", Icon::Exclamation, "&OK", 1);
    });
  }
  ~Runner() { ctx_.errors().setHandler({}); }

  int run(const std::vector<ScenarioLine>& lines) {
    for (const ScenarioLine& l : lines) {
      out_ << l.number << ": " << l.text << "\n";
      std::optional<std::string> failure;
      try {
        failure = execute(l);
        if (!failure && port_.problems().size() > problemsSeen_)
          failure = port_.problems()[problemsSeen_];
      } catch (const BadCommand& e) {
        out_ << "ERROR at line " << l.number << ": " << e.what() << "\n";
        finish();
        return kScenarioBadScript;
      } catch (const std::out_of_range&) {
        // What std::stoi and its kind throw, with a text ("stoi") that says nothing to a user.
        failure = "a number on this line is too large";
      } catch (const std::invalid_argument&) {
        failure = "a number on this line is not valid";
      } catch (const std::exception& e) {
        failure = e.what();
      }
      problemsSeen_ = port_.problems().size();
      if (failure) {
        out_ << "FAILED at line " << l.number << ": " << *failure << "\n";
        finish();
        return kScenarioFailed;
      }
    }
    std::optional<std::string> failure;
    try {
      finish();
    } catch (const std::exception& e) {
      failure = std::string("closing the windows: ") + e.what();
    }
    if (!failure && port_.problems().size() > problemsSeen_)
      failure = port_.problems()[problemsSeen_];
    if (!failure && port_.pendingAnswers() > 0)
      failure = std::to_string(port_.pendingAnswers()) + " answer(s) were never asked for";
    if (failure) {
      out_ << "FAILED at the end: " << *failure << "\n";
      return kScenarioFailed;
    }
    out_ << "passed (" << lines.size() << " commands)\n";
    return kScenarioPassed;
  }

 private:
  void finish() {
    if (desktop_.depth() == 0) return;
    out_ << "closing " << desktop_.depth() << " open window(s)\n";
    desktop_.closeAll(Desktop::Unsaved::Discard);
  }

  std::string lastMessageText() const {
    if (port_.shown().empty()) throw UiError("no message was shown");
    return port_.shown().back().text;
  }

  std::string valueOf(const std::string& name) {
    data::FileAccess* owner = nullptr;
    if (name.find(':') != std::string::npos)
      if (const data::FieldDef* f = ctx_.fieldByName(name, &owner))
        return clipped(data::valueToText(f->get(owner->buffer())));
    if (!ctx_.hasGlobal(name)) throw BadCommand("no global or field named " + name);
    return clipped(data::valueToText(ctx_.global(name)));
  }

  static std::optional<std::string> compare(const std::string& what, const std::string& got,
                                            const std::string& want) {
    if (got == want) return std::nullopt;
    return "expected " + what + " " + ui::quoted(want) + ", got " + ui::quoted(got);
  }

  std::optional<std::string> execute(const ScenarioLine& l) {
    const std::vector<std::string>& w = l.words;
    const std::string cmd = lower(w[0]);
    if (cmd == "call") {
      need(l, 2, "call PROCEDURE");
      if (!desktop_.call(ctx_, w[1])) throw BadCommand("no procedure named " + w[1]);
    } else if (cmd == "signon") {
      // Another workstation signs this user on: a connection of its own to the company holds
      // the user's sign-on until the scenario ends.
      need(l, 2, "signon USER");
      frame::Session& here = ctx_.session();
      auto other = std::make_unique<frame::Session>(data::Company::open(here.company().dataPath()),
                                                    here.clock(), w[1]);
      other->signOn();
      if (!other->isSignedOn()) return "user " + w[1] + " could not be signed on";
      others_.push_back(std::move(other));
    } else if (cmd == "request") {
      need(l, 2, "request N");
      if (!allDigits(w[1])) throw BadCommand("request needs a number");
      ctx_.g.GlobalRequest = std::stoi(w[1]);
    } else if (cmd == "set") {
      need(l, 3, "set NAME VALUE");
      std::string why;
      data::FileAccess* owner = nullptr;
      const data::FieldDef* f =
          w[1].find(':') != std::string::npos ? ctx_.fieldByName(w[1], &owner) : nullptr;
      if (f) {
        if (!f->set(owner->buffer(), w[2], &why)) return w[1] + ": " + why;
      } else if (!ctx_.hasGlobal(w[1])) {
        throw BadCommand("no global or field named " + w[1]);
      } else if (!ctx_.setGlobal(w[1], w[2], &why)) {
        return w[1] + ": " + why;
      }
    } else if (cmd == "type") {
      need(l, 3, "type CONTROL TEXT");
      if (!user_.type(w[1], w[2])) return "the entry " + w[1] + " refused " + ui::quoted(w[2]);
    } else if (cmd == "keys") {
      need(l, 3, "keys CONTROL TEXT");
      user_.keys(w[1], w[2]);
    } else if (cmd == "accept") {
      need(l, 2, "accept CONTROL");
      if (!user_.accept(w[1])) return "the entry " + w[1] + " refused its text";
    } else if (cmd == "press") {
      need(l, 2, "press CONTROL");
      user_.press(w[1]);
    } else if (cmd == "check") {
      need(l, 3, "check CONTROL 0|1");
      if (w[2] != "0" && w[2] != "1") throw BadCommand("check takes 0 or 1");
      user_.check(w[1], w[2] == "1");
    } else if (cmd == "choose") {
      need(l, 3, "choose CONTROL ITEM");
      user_.choose(w[1], w[2]);
    } else if (cmd == "select") {
      need(l, 3, "select CONTROL N|TEXT");
      user_.select(w[1], w[2]);
    } else if (cmd == "activate") {
      need(l, 3, "activate CONTROL N|TEXT");
      user_.activate(w[1], w[2]);
    } else if (cmd == "key") {
      need(l, 3, "key CONTROL KEY");
      if (keyFromName(w[2]) == Key::None) throw BadCommand("unknown key " + w[2]);
      user_.key(w[1], w[2]);
    } else if (cmd == "sort") {
      need(l, 3, "sort CONTROL COLUMN");
      user_.sort(w[1], w[2]);
    } else if (cmd == "click") {
      need(l, 4, "click CONTROL ROW COLUMN");
      user_.click(w[1], w[2], w[3]);
    } else if (cmd == "mark") {
      need(l, 4, "mark CONTROL FROM LENGTH");
      if (!allDigits(w[2]) || !allDigits(w[3]) || w[2] == "0")
        throw BadCommand("mark takes a position from 1 and a length");
      user_.mark(w[1], std::stoul(w[2]) - 1, std::stoul(w[3]));
    } else if (cmd == "drop") {
      if (w.size() < 3) throw BadCommand("usage: drop CONTROL FILE...");
      user_.drop(w[1], std::vector<std::string>(w.begin() + 2, w.end()));
    } else if (cmd == "drag") {
      if (w.size() < 4) throw BadCommand("usage: drag FROM TO ROW [shift] [ctrl]");
      int modifiers = kDragPlain;
      for (std::size_t i = 4; i < w.size(); ++i) {
        if (lower(w[i]) == "shift")
          modifiers |= kDragShift;
        else if (lower(w[i]) == "ctrl")
          modifiers |= kDragCtrl;
        else
          throw BadCommand("drag takes the keys shift and ctrl, not " + w[i]);
      }
      user_.drag(w[1], w[2], w[3], modifiers);
    } else if (cmd == "close") {
      need(l, 1, "close");
      user_.close();
    } else if (cmd == "tick") {
      if (l.words.size() > 2 || (l.words.size() == 2 && (!allDigits(w[1]) || w[1] == "0")))
        throw BadCommand("usage: tick [N]");
      // N timer events for the window that is topmost now, fewer when it closes before.
      const int times = l.words.size() == 2 ? std::stoi(w[1]) : 1;
      Procedure* ticked = user_.desktop().top();
      for (int i = 0; i < times && user_.desktop().top() == ticked; ++i) user_.tick();
    } else if (cmd == "preview") {
      if (l.words.size() < 2)
        throw BadCommand("usage: preview print [COPIES]|export|pdf|email|close");
      const std::string what = lower(w[1]);
      ui::PreviewChoice c;
      if (what == "print" && l.words.size() <= 3) {
        c.print = true;
        if (l.words.size() == 3) {
          if (!allDigits(w[2]) || w[2] == "0") throw BadCommand("preview print takes a copy count");
          c.copies = std::stoi(w[2]);
        }
      } else if (l.words.size() != 2) {
        throw BadCommand("usage: preview print [COPIES]|export|pdf|email|close");
      } else if (what == "export") {
        c.exportReport = true;
      } else if (what == "pdf") {
        c.pdf = true;
      } else if (what == "email") {
        c.email = true;
      } else if (what != "close") {
        throw BadCommand("usage: preview print [COPIES]|export|pdf|email|close");
      }
      port_.queuePreview(c);
    } else if (cmd == "mail") {
      if (l.words.size() == 2 && lower(w[1]) == "none") {
        port_.queueMail(std::nullopt);
      } else {
        if (l.words.size() < 3 || l.words.size() > 4)
          throw BadCommand("usage: mail ADDRESS SUBJECT [NAME] | mail none");
        port_.queueMail(ui::MailDraft{w[1], l.words.size() == 4 ? w[3] : "", w[2], ""});
      }
    } else if (cmd == "answer") {
      need(l, 2, "answer BUTTON");
      if (allDigits(w[1]))
        port_.queueAnswer(std::stoi(w[1]));
      else
        port_.queueAnswer(w[1]);
    } else if (cmd == "file") {
      if (w.size() < 2) throw BadCommand("usage: file PATH...");
      port_.queueFiles(std::vector<std::string>(w.begin() + 1, w.end()));
    } else if (cmd == "nofile") {
      need(l, 1, "nofile");
      port_.queueNoFile();
    } else if (cmd == "date") {
      need(l, 2, "date YYYY-MM-DD|none");
      if (lower(w[1]) == "none") {
        port_.queueDate(std::nullopt);
      } else {
        std::optional<Date> d = Date::fromIso(w[1]);
        if (!d || d->isEmpty()) throw BadCommand("not a date: " + w[1]);
        port_.queueDate(*d);
      }
    } else if (cmd == "menu") {
      need(l, 2, "menu ITEM|none");
      if (lower(w[1]) == "none")
        port_.queueMenu(0);
      else if (allDigits(w[1]))
        port_.queueMenu(std::stoi(w[1]));
      else
        port_.queueMenu(w[1]);
    } else if (cmd == "calc") {
      need(l, 2, "calc RESULT|none");
      port_.queueCalculation(lower(w[1]) == "none" ? std::nullopt
                                                   : std::optional<std::string>(w[1]));
    } else if (cmd == "printer") {
      need(l, 2, "printer NAME|none");
      port_.queuePrinter(lower(w[1]) == "none" ? std::nullopt : std::optional<std::string>(w[1]));
    } else if (cmd == "show") {
      need(l, 2, "show CONTROL");
      std::string d = user_.describe(w[1]);
      std::size_t start = 0;
      while (start < d.size()) {
        std::size_t end = d.find('\n', start);
        out_ << "  " << d.substr(start, end - start) << "\n";
        start = end == std::string::npos ? d.size() : end + 1;
      }
    } else if (cmd == "rows") {
      need(l, 2, "rows CONTROL");
      Control& c = user_.find(w[1]);
      if (c.kind() != ControlKind::List || !c.list()) throw UiError(c.label() + " is no list");
      ListModel& m = *c.list();
      for (std::int64_t r = 0; m.ensureRow(r); ++r)
        out_ << "  row " << r + 1 << ": " << c.rowText(r) << "\n";
    } else if (cmd == "snap") {
      need(l, 2, "snap FILE");
      driver_.snap(w[1]);
    } else if (cmd == "expect") {
      return expect(l);
    } else {
      throw BadCommand("unknown command " + w[0]);
    }
    return std::nullopt;
  }

  // What was stored, read afresh: the first record whose primary key starts with KEY (its parts
  // separated by "|"), and one field of it as text, or "none" for no such record.
  std::optional<std::string> expectRecord(const ScenarioLine& l) {
    const std::vector<std::string>& w = l.words;
    const char* usage = "expect record FILE KEY FIELD VALUE  |  expect record FILE KEY none";
    if (w.size() != 6 && !(w.size() == 5 && lower(w[4]) == "none")) throw BadCommand(usage);
    const data::FileDef* def = data::findFile(w[2]);
    if (!def) throw BadCommand("no file named " + w[2]);
    std::vector<data::Value> key;
    for (std::size_t from = 0;;) {
      std::size_t bar = w[3].find('|', from);
      key.emplace_back(w[3].substr(from, bar == std::string::npos ? bar : bar - from));
      if (bar == std::string::npos) break;
      from = bar + 1;
    }
    data::ErrorObject errors;
    data::FileAccess f(ctx_.store(), *def, errors);
    const bool found = f.fetch(def->primaryKey(), key) == data::kNoError;
    const std::string what = def->name + " " + ui::quoted(w[3]);
    if (w.size() == 5)
      return found ? std::optional<std::string>("expected no record " + what + ", there is one")
                   : std::nullopt;
    if (!found) return "expected a record " + what + ", there is none";
    if (def->fieldIndex(w[4]) < 0) throw BadCommand(def->name + " has no field " + w[4]);
    return compare(what + " " + w[4], f.text(w[4]), w[5]);
  }

  std::optional<std::string> expect(const ScenarioLine& l) {
    const std::vector<std::string>& w = l.words;
    if (w.size() < 3) throw BadCommand("usage: expect WHAT … VALUE");
    const std::string what = lower(w[1]);
    if (what == "message") {
      need(l, 3, "expect message TEXT");
      if (port_.shown().empty())
        return "expected a message containing " + ui::quoted(w[2]) + ", none was shown";
      std::string text = lastMessageText();
      if (text.find(w[2]) == std::string::npos)
        return "expected the last message to contain " + ui::quoted(w[2]) + ", it reads " +
               ui::quoted(text);
      return std::nullopt;
    }
    if (what == "record") return expectRecord(l);
    if (what == "caption") {
      need(l, 3, "expect caption TEXT");
      if (port_.shown().empty())
        return "expected a message captioned " + ui::quoted(w[2]) + ", none was shown";
      return compare("the last message's caption", port_.shown().back().caption, w[2]);
    }
    if (what == "file") {
      need(l, 4, "expect file PATH LINES|none");
      std::ifstream in(w[2]);
      if (!in) return compare("file " + w[2], "none", w[3]);
      long lines = 0;
      for (std::string line; std::getline(in, line);) ++lines;
      return compare("lines of " + w[2], std::to_string(lines), w[3]);
    }
    if (what == "messages") {
      need(l, 3, "expect messages N");
      return compare("messages", std::to_string(port_.shown().size()), w[2]);
    }
    if (what == "window") {
      need(l, 4, "expect window title TEXT");
      if (lower(w[2]) != "title") throw BadCommand("usage: expect window title TEXT");
      return compare("window title", user_.title(), w[3]);
    }
    if (what == "top") {
      need(l, 3, "expect top PROCEDURE|none");
      Procedure* p = desktop_.top();
      std::string got = p ? p->name() : "none";
      if (upper(got) == upper(w[2])) return std::nullopt;
      return compare("top window", got, w[2]);
    }
    if (what == "global") {
      need(l, 4, "expect global NAME VALUE");
      return compare(w[2], valueOf(w[2]), w[3]);
    }
    if (propertyTakesArgument(w[2])) {
      need(l, 5, "expect CONTROL PROPERTY N VALUE");
      return compare(w[1] + " " + w[2] + " " + w[3], user_.property(w[1], w[2], w[3]), w[4]);
    }
    need(l, 4, "expect CONTROL PROPERTY VALUE");
    return compare(w[1] + " " + w[2], user_.property(w[1], w[2]), w[3]);
  }

  std::ostream& out_;
  std::vector<std::unique_ptr<frame::Session>> others_;  // other workstations signed on
  ScenarioDriver& driver_;
  ScriptedPort port_;
  frame::Context ctx_;  // before the desktop: its windows use it until they are gone
  Desktop desktop_;
  std::unique_ptr<ScriptedUser> userOwned_;
  ScriptedUser& user_;
  std::size_t problemsSeen_ = 0;
};

}  // namespace

std::vector<std::string> splitScenarioWords(std::string_view line) {
  std::vector<std::string> words;
  std::size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && isBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string word;
    while (i < line.size() && !isBlank(line[i])) {
      if (line[i] != '"') {
        word += line[i++];
        continue;
      }
      std::size_t open = i++;
      bool closed = false;
      while (i < line.size()) {
        char c = line[i++];
        if (c == '"') {
          closed = true;
          break;
        }
        if (c == '\\' && i < line.size() && (line[i] == '"' || line[i] == '\\')) c = line[i++];
        word += c;
      }
      if (!closed)
        throw std::invalid_argument("the quote at column " + std::to_string(open + 1) +
                                    " is not closed");
    }
    words.push_back(std::move(word));
  }
  return words;
}

std::vector<ScenarioLine> parseScenario(std::istream& in) {
  std::vector<ScenarioLine> out;
  std::string line;
  int number = 0;
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t first = line.find_first_not_of(" \t");
    if (first == std::string::npos || line[first] == '#') continue;
    ScenarioLine l;
    l.number = number;
    l.text = clipped(line.substr(first));
    try {
      l.words = splitScenarioWords(line);
    } catch (const std::invalid_argument& e) {
      throw ScenarioError(number, e.what());
    }
    out.push_back(std::move(l));
  }
  return out;
}

int runScenario(frame::Session& session, const frame::ProcedureRegistry& registry,
                std::istream& script, std::ostream& transcript, ScenarioDriver* driver) {
  std::vector<ScenarioLine> lines;
  try {
    lines = parseScenario(script);
  } catch (const ScenarioError& e) {
    transcript << "ERROR at " << e.what() << "\n";
    return kScenarioBadScript;
  }
  ScenarioDriver headless;
  Runner runner(session, registry, transcript, driver ? *driver : headless);
  return runner.run(lines);
}

}  // namespace koreq::ui::headless
