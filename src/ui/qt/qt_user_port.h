#pragma once

// The user port of the desktop program: real dialogs (message boxes, file dialogs, the calendar,
// the calculator, pop-up menus, the printer dialog) and the desktop's services (beep, wait
// cursor, clipboard, opening a document with its program).
//
// With a script attached (`koreq play --gui`) the script decides every answer and logs every
// question, exactly as headless; message boxes are still built and shown, and answered by
// clicking the scripted button, so a script goes through the same boxes a person sees.

#include <QString>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "ui/model/user_port.h"

class QMessageBox;
class QPrinter;
class QProgressDialog;
class QWidget;

namespace koreq::ui::qt {

class QtUserPort : public UserPort {
 public:
  QtUserPort();
  ~QtUserPort() override;
  QtUserPort(const QtUserPort&) = delete;
  QtUserPort& operator=(const QtUserPort&) = delete;

  // Answers from `script` instead of a person (nullptr: a person answers). The script must
  // outlive its use here.
  void setScript(ScriptedPort* script) { script_ = script; }
  ScriptedPort* script() const { return script_; }

  int message(const std::string& text, const std::string& caption, Icon icon,
              const std::string& buttons, int defaultButton) override;
  void beep() override;
  std::vector<std::string> chooseFiles(const FileDialog& dialog) override;
  std::optional<Date> chooseDate(const std::string& caption, Date start) override;
  std::optional<std::string> calculate(const std::string& start) override;
  int popupMenu(const std::string& items) override;
  std::optional<std::string> choosePrinter() override;
  int openDocument(const std::string& path) override;
  void setWaitCursor(bool on) override;
  std::string clipboard() const override;
  void setClipboard(const std::string& text) override;
  void showHelp(const std::string& topic) override;
  // The preview window of report_preview.h; printing on the printer its Print chose, else on
  // the default printer; a mail dialog.
  PreviewChoice preview(const PreviewRequest& request) override;
  std::string printPages(const PrintJob& job) override;
  bool composeMail(MailDraft& draft) override;
  bool showProgress(const std::string& title, const std::string& message, const std::string& text,
                    int percent) override;
  void endProgress() override;

 private:
  ScriptedPort* script_ = nullptr;
  std::unique_ptr<QPrinter> chosen_;  // the printer the last preview's Print set up
  std::unique_ptr<QProgressDialog> progress_;
  int waitDepth_ = 0;
};

// A message box for the runtime's arguments: "|" in the text is a line break, the button set
// "&Yes|&No" gives the buttons in that order (the "&" marks the access key), `defaultButton`
// counts from 1. The caller owns the box.
QMessageBox* makeMessageBox(const std::string& text, const std::string& caption, Icon icon,
                            const std::string& buttons, int defaultButton, QWidget* parent);
// The number (from 1) of the box's button that was clicked; the escape button's or the default
// button's number when none was (the box was closed).
int clickedButtonNumber(const QMessageBox& box, int defaultButton);

// The runtime's file filter "Text files|*.txt|All files|*.*" as Qt writes it:
// "Text files (*.txt);;All files (*.*)". A pattern list "*.csv;*.txt" keeps its patterns.
QString qtFileFilter(const std::string& filter);

// The calculator's arithmetic: "12.5*4 + 3" → "53.00"; nothing for a text that is no sum.
std::optional<std::string> calculateText(const std::string& expression, std::string* error);

// The folder that holds the help pages: $KOREQ_HELP_DIR, else resources/help of the source tree
// the program was built from, else share/koreq/help beside the program. Empty when none exists.
QString helpFolder();

}  // namespace koreq::ui::qt
