#pragma once

// What the renderer's tests start from: one QApplication for the whole run (offscreen), user
// settings in a folder of their own, and a fresh company with a context and a desktop whose
// questions a script answers.

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <filesystem>
#include <memory>
#include <string>

#include "data/company.h"
#include "data/records.h"
#include "frame/context.h"
#include "frame/registry.h"
#include "ui/model/desktop.h"
#include "ui/model/window_def.h"
#include "ui/qt/qt_desktop.h"
#include "ui/qt/qt_window.h"
#include "ui/ui_fixture.h"

namespace koreq::ui::qt::test {

using koreq::ui::test::TempFolder;

// Processes pending events, deferred deletes included.
void settle();

// A command line run in this process, as the program would run it.
struct CliRun {
  int rc = -1;
  std::string out, err;
};
CliRun cli(const std::vector<std::string>& args);

// Equipment records straight into the file.
void putEquipment(frame::Context& ctx, const std::string& id, const std::string& description);

// A fresh company, a context on it and a desktop whose questions a script answers; the events
// the windows leave behind are handled before it goes.
class RendererTest : public koreq::ui::test::UiTest {
 protected:
  ~RendererTest() override { settle(); }
};

}  // namespace koreq::ui::qt::test
