#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace koreq::data {

// The error object every file-access object reports through. Each window procedure sets its
// name on it when it starts, so a file error names where it happened. The host (the desktop
// program or the command line) decides how an error is shown by setting a handler.
class ErrorObject {
 public:
  struct Error {
    int code = 0;
    std::string message;    // "Creates Duplicate Key Inserting EQLogB"
    std::string procedure;  // the procedure that was running
  };

  void setProcedure(std::string name) { procedure_ = std::move(name); }
  const std::string& procedure() const { return procedure_; }

  // A file operation failed: the file error text followed by the action and the file label.
  void fileError(int code, const std::string& errorText, std::string_view action,
                 std::string_view fileLabel);
  // Any other error with a ready message.
  void report(int code, std::string message);

  const std::optional<Error>& last() const { return last_; }
  void clearLast() { last_.reset(); }
  // Every error reported since the object was made (the command line prints them).
  const std::vector<Error>& history() const { return history_; }

  void setHandler(std::function<void(const Error&)> handler) { handler_ = std::move(handler); }

 private:
  std::string procedure_;
  std::optional<Error> last_;
  std::vector<Error> history_;
  std::function<void(const Error&)> handler_;
};

}  // namespace koreq::data
