#pragma once

// The report procedures' standard warning: a failed read or a view that would not open is
// shown with the last error, and the report goes on.

#include <string>
#include <string_view>

#include "frame/context.h"
#include "ui/model/user_port.h"

namespace koreq::suite {

using frame::Context;

// The failure the runtime saw last, for when the error object holds no saved error (reads
// that fail are not reported through it): the code and text of the failed operation.
struct RuntimeError {
  int code = 0;
  std::string text;  // empty: the standard text of the code
};

// "<text> (<code>)" of the saved error, else of `fallback`; the saved error is cleared.
std::string takeLastErrorText(Context& ctx, const RuntimeError& fallback = {});

// Reading a record of `fileName` failed with anything but end of file. Returns the button.
int recordRetrievalWarning(Context& ctx, ui::UserPort& port, std::string_view fileName,
                           const RuntimeError& fallback = {});
// Setting up or opening a report's view failed. Returns the button.
int viewOpenWarning(Context& ctx, ui::UserPort& port, const RuntimeError& fallback = {});

}  // namespace koreq::suite
