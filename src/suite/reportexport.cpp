#include "suite/reportexport.h"

#include "data/output_file.h"
#include "runtime/text.h"

namespace koreq::suite {

namespace fs = std::filesystem;

namespace {

bool setError(std::string* error, const std::string& text) {
  if (error) *error = text;
  return false;
}

}  // namespace

bool REPORTEXPORT(frame::Context& ctx, const fs::path& target, std::string* error) {
  if (target.empty()) return setError(error, "No export file name given");
  std::string text;
  for (const std::string& line : ctx.g.RXQUEUE) {
    text += clip(line);
    text += '\n';
  }

  return data::writeOutputFile(target, text, error);
}

fs::path REPORTEXPORT(frame::Context& ctx, ui::UserPort& user, const std::string& name,
                      std::string* error) {
  const fs::path start =
      fs::path(clipped(ctx.session().g.DATAPATH.str())) / (clipped(name) + ".txt");
  const std::vector<std::string> chosen = user.chooseFiles(
      {"Export File Name and Location", "Text Files|*.txt|All Files|*.*", start.string(), true});
  if (chosen.empty()) return {};
  std::string why;
  if (REPORTEXPORT(ctx, chosen.front(), &why)) return chosen.front();
  user.message(why, "Export This Report", ui::Icon::Exclamation, "&OK");
  if (error) *error = why;
  return {};
}

}  // namespace koreq::suite
