#pragma once

// `koreq play --gui`: a scenario played through the real widgets. Each action is done to the
// widget a person would use (typing into the line edit, clicking the button or check box,
// choosing in the combo box, the table view's rows and header, key presses), so it travels
// through the renderer into the model; message boxes are shown and clicked. The transcript is
// the headless one. Reading a property also checks that the widget shows what the model holds.

#include <QString>
#include <memory>
#include <string>

#include "ui/headless/scenario.h"
#include "ui/qt/qt_user_port.h"

class QWidget;

namespace koreq::ui::qt {

class GuiUser;

class GuiScenarioDriver : public headless::ScenarioDriver {
 public:
  GuiScenarioDriver();
  ~GuiScenarioDriver() override;

  UserPort& port(ScriptedPort& script) override;
  std::unique_ptr<headless::ScriptedUser> user(Desktop& desktop) override;
  void snap(const std::string& file) override;

 private:
  QtUserPort port_;
  GuiUser* user_ = nullptr;  // owned by the scenario run
};

// Writes an image of a window as it is laid out now (no need to show it). False, with the
// reason, when the file cannot be written.
bool saveWindowImage(QWidget& window, const QString& file, std::string* error);

}  // namespace koreq::ui::qt
