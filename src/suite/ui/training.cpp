#include "suite/ui/training.h"

#include "frame/context.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"

namespace koreq::suite {

std::filesystem::path defaultHelpFolder() {
  return KOREQ_HELP_DIR;
}

std::filesystem::path trainingPage(const std::filesystem::path& helpFolder,
                                   std::string_view video) {
  return helpFolder / "training" / (clipped(video) + ".htm");
}

bool playTraining(ui::UserPort& port, const std::filesystem::path& helpFolder,
                  std::string_view video) {
  std::string name = clipped(video);
  if (name.empty()) return false;
  std::filesystem::path page = trainingPage(helpFolder, name);
  std::error_code ec;
  int rc = std::filesystem::is_regular_file(page, ec) ? port.openDocument(page.string())
                                                      : static_cast<int>(ui::kOpenFileNotFound);
  if (rc == ui::kOpened) return true;
  port.message("The training video \"" + name + "\" could not be shown: " + ui::openResultText(rc) +
                   ".|" + page.string(),
               "Training Video", ui::Icon::Exclamation);
  return false;
}

void registerPlayTraining(frame::ProcedureRegistry& registry, std::filesystem::path helpFolder) {
  registry.add(kPLAYTRAINING, [helpFolder](frame::Context& ctx) {
    ui::Desktop* d = ui::Desktop::current();
    if (!d) throw ui::UiError("no desktop on this thread to play a training video on");
    playTraining(d->port(), helpFolder, ctx.g.REPORTFILTER.str());
  });
}

}  // namespace koreq::suite
