#pragma once

// The open windows of one thread, topmost last, and the services they share: the user port, the
// procedure registry, the field history of the forms.
//
// The procedure registry runs a procedure with nothing but its context, so a window procedure
// finds the place to open in as the desktop of its thread: a Desktop makes itself this thread's
// desktop for its lifetime (each thread owns its windows). Nothing else is reached that
// way.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "frame/registry.h"
#include "ui/model/procedure.h"

namespace koreq::ui {

class DesktopObserver {
 public:
  virtual ~DesktopObserver() = default;
  // A window opened (after its init and first display) and is now the topmost one.
  virtual void opened(Procedure&) {}
  // A window closed; the object lives on until the next user action.
  virtual void closed(Procedure&) {}
};

// Services every window gets from outside the window model; the desktop carries them.

// F7: checks a text with the user. The corrected text, or nothing when nothing changed.
class SpellCheckService {
 public:
  virtual ~SpellCheckService() = default;
  virtual std::optional<std::string> checkText(Procedure& window, const std::string& text) = 0;
};

// Type-ahead completion: told of every entry a window accepted, asked for the values that
// complete a prefix.
class AutoEntryService {
 public:
  virtual ~AutoEntryService() = default;
  virtual void accepted(Procedure& window, Control& entry) = 0;
  virtual std::vector<std::string> completions(Procedure& window, const Control& entry,
                                               std::string_view prefix) = 0;
};

class Desktop {
 public:
  Desktop(UserPort& port, const frame::ProcedureRegistry& registry);
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  // This thread's desktop: the one whose call() is running (a host may keep one desktop per
  // top-level window on one thread), else the one made last and not yet destroyed; nullptr
  // when there is none.
  static Desktop* current();

  UserPort& port() const { return port_; }
  const frame::ProcedureRegistry& registry() const { return registry_; }

  // Opens a window procedure; it becomes the topmost window.
  Procedure& open(std::unique_ptr<Procedure> p);
  // Runs a registered procedure; `then` runs when the window it opened closes, or at once when
  // it opened none. False when no procedure has that name.
  bool call(frame::Context& ctx, std::string_view name, std::function<void()> then = {});

  Procedure* top() const { return stack_.empty() ? nullptr : stack_.back().get(); }
  std::size_t depth() const { return stack_.size(); }
  std::vector<Procedure*> windows() const;
  // Closes every open window from the top, each as the user would close it: a form with
  // changes asks whether to save them, and stays open when told so. A scripted run that ends
  // discards them without a question.
  enum class Unsaved { Ask, Discard };
  void closeAll(Unsaved unsaved = Unsaved::Ask);
  // Whether windows are being closed without asking about their changes.
  bool discarding() const { return discarding_; }

  void setObserver(DesktopObserver* o) { observer_ = o; }
  // Not owned; nullptr switches the service off.
  void setSpellChecker(SpellCheckService* s) { spellChecker_ = s; }
  SpellCheckService* spellChecker() const { return spellChecker_; }
  void setAutoEntry(AutoEntryService* a) { autoEntry_ = a; }
  AutoEntryService* autoEntry() const { return autoEntry_; }

  // Field history: the value a form's control had in the record that form saved last.
  std::optional<data::Value> history(std::string_view form, std::string_view control) const;
  void remember(std::string_view form, std::string_view control, const data::Value& v);

 private:
  friend class Procedure;
  // Marks user actions and calls; when the outermost one ends, closed windows are taken off
  // and their callers' continuations run.
  class Busy {
   public:
    explicit Busy(Desktop& d);
    ~Busy();
    Busy(const Busy&) = delete;
    Busy& operator=(const Busy&) = delete;

   private:
    Desktop& d_;
  };
  void settle();

  UserPort& port_;
  const frame::ProcedureRegistry& registry_;
  std::vector<std::unique_ptr<Procedure>> stack_;
  std::vector<std::unique_ptr<Procedure>> closed_;  // kept until the next user action
  std::function<void()> pendingThen_;
  bool pending_ = false;
  std::size_t pendingDepth_ = 0;
  int busy_ = 0;
  bool settling_ = false;
  bool discarding_ = false;
  std::map<std::string, data::Value> history_;
  DesktopObserver* observer_ = nullptr;
  SpellCheckService* spellChecker_ = nullptr;
  AutoEntryService* autoEntry_ = nullptr;
};

using WindowFactory = std::function<std::unique_ptr<Procedure>(frame::Context&)>;

// Registers a window procedure under `name`: running it opens a new window from `make` on this
// thread's desktop (a UiError when the thread has none).
void registerWindow(frame::ProcedureRegistry& registry, std::string name, WindowFactory make);

template <typename P>
void registerWindow(frame::ProcedureRegistry& registry, std::string name) {
  registerWindow(registry, std::move(name),
                 [](frame::Context& ctx) { return std::make_unique<P>(ctx); });
}

}  // namespace koreq::ui
