// One QApplication for the test run, offscreen, with the user's settings in a folder of its own.

#include "qt_fixture.h"

#include <sstream>

#include "app/cli.h"
#include "ui/qt/offscreen.h"

namespace koreq::ui::qt::test {

namespace {

class QtEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    config_ = std::make_unique<TempFolder>();
    ::setenv("XDG_CONFIG_HOME", config_->path.c_str(), 1);
    app_ = std::make_unique<GuiApplication>(true);
    cli::installDesktop();
  }
  void TearDown() override {
    app_.reset();
    config_.reset();
  }

 private:
  std::unique_ptr<TempFolder> config_;
  std::unique_ptr<GuiApplication> app_;
};

[[maybe_unused]] ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

}  // namespace

void settle() {
  for (int i = 0; i < 3; ++i) {
    QApplication::processEvents();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

CliRun cli(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CliRun r;
  r.rc = cli::runCli(args, out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

void putEquipment(frame::Context& ctx, const std::string& id, const std::string& description) {
  data::FileAccess& f = ctx.file(data::EqHeader::def());
  f.prime();
  f.put("EQH:EquipmentID", id);
  f.put("EQH:Description", description);
  f.put("EQH:Active", std::int64_t{1});
  ASSERT_EQ(f.insert(), data::kNoError) << id;
}

}  // namespace koreq::ui::qt::test
