#include "data/error.h"

namespace koreq::data {

void ErrorObject::fileError(int code, const std::string& errorText, std::string_view action,
                            std::string_view fileLabel) {
  report(code, errorText + " " + std::string(action) + " " + std::string(fileLabel));
}

void ErrorObject::report(int code, std::string message) {
  Error e{code, std::move(message), procedure_};
  last_ = e;
  history_.push_back(e);
  if (handler_) handler_(e);
}

}  // namespace koreq::data
