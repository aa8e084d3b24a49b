#include "suite/warning.h"

#include "data/store.h"
#include "runtime/text.h"

namespace koreq::suite {

std::string takeLastErrorText(Context& ctx, const RuntimeError& fallback) {
  data::ErrorObject& errors = ctx.errors();
  int code = fallback.code;
  std::string text = fallback.text.empty() ? data::fileErrorText(code) : fallback.text;
  if (const auto& saved = errors.last()) {
    // A driver error (90) carries the driver's own message, so the saved text serves all codes.
    code = saved->code;
    text = saved->message;
  }
  errors.clearLast();
  return text + " (" + std::to_string(code) + ")";
}

int recordRetrievalWarning(Context& ctx, ui::UserPort& port, std::string_view fileName,
                           const RuntimeError& fallback) {
  std::string message = "Error: (" + takeLastErrorText(ctx, fallback) +
                        ") attempting to access a " + "record from the " + clipped(fileName) +
                        " file.  Returning to " + "previous window.";
  return port.message(message, "Record Retrieval Error", ui::Icon::Exclamation, "&OK", 1);
}

int viewOpenWarning(Context& ctx, ui::UserPort& port, const RuntimeError& fallback) {
  std::string message = "Error: (" + takeLastErrorText(ctx, fallback) +
                        ") attempting to open the " +
                        "current VIEW. Filter and Range Limits ignored.";
  return port.message(message, "View Open Error", ui::Icon::Exclamation, "&OK", 1);
}

}  // namespace koreq::suite
