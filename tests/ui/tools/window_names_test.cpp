#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "support/temp_dir.h"
#include "ui/model/window_def.h"
#include "windows/index.h"

namespace koreq {
namespace {

using ui::ControlDef;
using ui::ControlKind;

// The generator reads the resources on its own (it builds before the window loader): its names
// must be the loader's, control for control and in window order, includes and nesting too.
TEST(WindowNamesTest, TheGeneratedNamesAreTheLoadersControls) {
  std::set<std::string> generated;
  for (const windows::WindowNames& w : windows::kAllWindows) {
    generated.insert(w.name);
    std::vector<std::string> loaded;
    for (const ControlDef* c : ui::flatten(ui::windowDef(w.name)))
      if (!c->name.empty()) loaded.push_back(c->name);
    EXPECT_EQ(std::vector<std::string>(w.controls.begin(), w.controls.end()), loaded) << w.name;
  }
  const std::vector<std::string> names = ui::windowDefNames();
  EXPECT_EQ(generated, std::set<std::string>(names.begin(), names.end()));

  namespace eqh = windows::UpdateEQHeader;
  const ui::WindowDef& form = ui::windowDef(eqh::kName);
  const ControlDef* sheet = nullptr;
  for (const ControlDef* c : ui::flatten(form))
    if (c->name == eqh::SHEET) sheet = c;
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(eqh::SHEET_TabCount, static_cast<int>(sheet->children.size()));
  EXPECT_EQ(std::string(eqh::kHelp), form.help);
}

// Runs the generator on `files` in a folder of their own; its exit code and what it said.
std::pair<int, std::string> generate(
    const test::TempDir& dir, const std::vector<std::pair<std::string, std::string>>& files) {
  std::string command = std::string(KOREQ_WINDOW_NAMES_TOOL) + " " + (dir / "out").string();
  for (const auto& [name, text] : files) {
    std::ofstream(dir / name) << text;
    command += " " + (dir / name).string();
  }
  command += " 2>&1";
  std::string said;
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::array<char, 256> buf;
  while (fgets(buf.data(), buf.size(), pipe.get())) said += buf.data();
  const int status = pclose(pipe.release());
  return {WEXITSTATUS(status), said};
}

TEST(WindowNamesTest, TheGeneratorRefusesWhatCannotBecomeOneName) {
  test::TempDir dir;
  const auto [clash, clashSaid] = generate(dir, {{"Clash.json", R"({"name": "Clash", "controls": [
               {"kind": "button", "name": "?A:B"},
               {"kind": "group", "controls": [{"kind": "button", "name": "?A_B"}]}]})"}});
  EXPECT_EQ(clash, 1);
  EXPECT_NE(clashSaid.find("Clash.json: control ?A_B and ?A:B both become the C++ name A_B"),
            std::string::npos)
      << clashSaid;

  const auto [bad, badSaid] = generate(dir, {{"Broken.json", R"({"name": "Broken", )"}});
  EXPECT_EQ(bad, 1);
  EXPECT_NE(badSaid.find("Broken.json: not valid JSON"), std::string::npos) << badSaid;

  const auto [dash, dashSaid] = generate(
      dir,
      {{"Dash.json", R"({"name": "Dash", "controls": [{"kind": "button", "name": "?A-B"}]})"}});
  EXPECT_EQ(dash, 1);
  EXPECT_NE(dashSaid.find("Dash.json: control ?A-B"), std::string::npos) << dashSaid;

  // A good run writes the header, and a second run leaves it untouched.
  const std::vector<std::pair<std::string, std::string>> good = {
      {"Good.json", R"({"name": "Good", "controls": [{"kind": "button", "name": "?OK"}]})"}};
  ASSERT_EQ(generate(dir, good).first, 0);
  const auto header = dir / "out" / "Good.h";
  const auto written = std::filesystem::last_write_time(header);
  std::filesystem::last_write_time(header, written - std::chrono::hours(1));
  ASSERT_EQ(generate(dir, good).first, 0);
  EXPECT_EQ(std::filesystem::last_write_time(header), written - std::chrono::hours(1));
  std::ifstream in(header);
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find(R"(inline constexpr char OK[] = "?OK";)"), std::string::npos) << text;
}

}  // namespace
}  // namespace koreq
