#pragma once

// An open window's controls and window-level state (title, help topic, icon, focus), built from
// its WindowDef. The renderer watches it through a WindowObserver.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "ui/model/control.h"

namespace koreq::ui {

class WindowObserver {
 public:
  virtual ~WindowObserver() = default;
  // A property of the control changed (nullptr: the title, icon or help topic).
  virtual void changed(Control*) {}
  virtual void focusChanged(Control*) {}
};

class Window {
 public:
  explicit Window(const WindowDef& def);
  Window(const Window&) = delete;
  Window& operator=(const Window&) = delete;

  const WindowDef& def() const { return def_; }
  const std::string& title() const { return title_; }
  void setTitle(std::string title);
  const std::string& helpTopic() const { return help_; }
  void setHelpTopic(std::string topic);
  const std::string& icon() const { return icon_; }
  void setIcon(std::string icon);

  // Every control in window order (depth first).
  const std::vector<Control*>& controls() const { return order_; }
  // By control name, case-insensitive; nullptr when there is none.
  Control* find(std::string_view name) const;
  // The same; throws UiError naming the window when there is none.
  Control& control(std::string_view name) const;

  Control* focus() const { return focus_; }
  void setFocus(Control* c);

  // The tab a control lies on (nullptr for none) and whether that tab is the one its sheet
  // shows.
  Control* tabOf(const Control& c) const;
  bool onShownTab(const Control& c) const;
  // The tab a sheet shows (nullptr when the sheet has none visible).
  Control* shownTab(const Control& sheet) const;

  void setObserver(WindowObserver* o) { observer_ = o; }
  WindowObserver* observer() const { return observer_; }

 private:
  void build(const std::vector<ControlDef>& defs, Control* parent);
  void linkPrompts();

  const WindowDef& def_;
  std::string title_, help_, icon_;
  std::vector<std::unique_ptr<Control>> owned_;
  std::vector<Control*> order_;
  Control* focus_ = nullptr;
  WindowObserver* observer_ = nullptr;
};

}  // namespace koreq::ui
