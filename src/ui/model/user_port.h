#pragma once

// How a procedure asks the user something. The desktop program answers with real dialogs; the
// headless runner answers from a script and logs every question asked.

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "runtime/date.h"

namespace koreq::ui {

enum class Icon { None, Information, Exclamation, Question };

const char* iconName(Icon icon);

// A file dialog's question. `filter` is the runtime's filter text ("Text files|*.txt|All|*.*").
struct FileDialog {
  std::string title;
  std::string filter;
  std::string start;  // folder or file name the dialog starts at
  bool save = false;
  bool multiple = false;  // open dialogs only
};

// The print preview of a report's pages.
enum class PreviewZoom { Normal, PageWidth, WholePage };

struct PreviewRequest {
  std::string title;               // the report's name
  std::vector<std::string> pages;  // the page image files, in order
  PreviewZoom zoom = PreviewZoom::Normal;
};

// How the user left the preview: asking to print, choosing one of its three extra buttons, or
// closing it (everything false).
struct PreviewChoice {
  bool print = false;
  int copies = 1;
  bool exportReport = false;  // "Export This Report"
  bool pdf = false;           // "Generate PDF File"
  bool email = false;         // "Email Report (pdf)"
};

struct PrintJob {
  std::string name;                // the print job's name
  std::vector<std::string> pages;  // page image files
  int copies = 1;                  // the whole report this many times, collated
};

// A report mailed as a PDF: the recipient, the subject and the message above the attachment.
struct MailDraft {
  std::string toAddress;
  std::string toName;
  std::string subject;
  std::string message;
};

// Result codes of opening a document with the desktop's program.
enum OpenResult : int {
  kOpened = 0,
  kOpenFileNotFound = 2,
  kOpenPathNotFound = 3,
  kOpenNoAssociation = 31,
};

// The runtime's text for an OpenResult code ("File not found"); empty for kOpened.
std::string openResultText(int code);

// The operations beyond the message box answer like a user who cancels every dialog, so a port
// that cannot show them (the command line) still behaves sensibly.
class UserPort {
 public:
  virtual ~UserPort() = default;
  // A message box. `buttons` is the button set ("&OK", "&Yes|&No"); a "|" in `text` is a line
  // break. Answers the number of the button pressed, counted from 1.
  virtual int message(const std::string& text, const std::string& caption, Icon icon,
                      const std::string& buttons = "&OK", int defaultButton = 1) = 0;
  virtual void beep() = 0;

  // The chosen paths; empty when the user cancelled.
  virtual std::vector<std::string> chooseFiles(const FileDialog&) { return {}; }
  // The calendar ("Select a Date") starting at `start`; nothing when no date was chosen.
  virtual std::optional<Date> chooseDate(const std::string&, Date) { return std::nullopt; }
  // The calculator started with `start`; its result text, nothing when cancelled.
  virtual std::optional<std::string> calculate(const std::string&) { return std::nullopt; }
  // A pop-up menu: items separated by "|", "-" a separator line, a leading "~" a disabled item,
  // then an icon in brackets ("[print.ico]Print"). Answers the chosen item's number (separators are
  // not counted), 0 when none was chosen.
  virtual int popupMenu(const std::string&) { return 0; }
  // The printer to print on; nothing when cancelled.
  virtual std::optional<std::string> choosePrinter() { return std::nullopt; }
  // Opens a document with the desktop's program for its type: an OpenResult code.
  virtual int openDocument(const std::string&) { return kOpenNoAssociation; }
  virtual void setWaitCursor(bool) {}
  virtual std::string clipboard() const { return {}; }
  virtual void setClipboard(const std::string&) {}
  // Shows a help topic ("html/EC_Equipment.htm").
  virtual void showHelp(const std::string&) {}

  // Shows a report's pages until the user prints them, chooses an extra button or closes.
  virtual PreviewChoice preview(const PreviewRequest&) { return {}; }
  // Prints page images on the printer the user chose in the preview, else the default one.
  // Answers why nothing was printed, empty when the pages went to the printer.
  virtual std::string printPages(const PrintJob&) { return "There is no printer here."; }
  // Asks for the recipient, subject and message of a mailed report, `draft` giving the
  // defaults; false when the user cancelled.
  virtual bool composeMail(MailDraft&) { return false; }
  // A status window over a long piece of work: its title, a message line, a text under the
  // bar and the bar's percentage, shown (or brought up to date) at each step. Answers false
  // once the user pressed its Cancel; the caller decides what that means. endProgress() takes
  // it away.
  virtual bool showProgress(const std::string&, const std::string&, const std::string&, int) {
    return true;
  }
  virtual void endProgress() {}
};

// Splits a button set "&Yes|&No" into its buttons.
std::vector<std::string> splitButtons(const std::string& buttons);

// The items of a pop-up menu as a user reads them: separators dropped, "~", the icon and "&"
// removed.
struct MenuItem {
  std::string text;
  bool enabled = true;
  std::string icon;
};
std::vector<MenuItem> menuItems(const std::string& items);
// One item as written, "~" and the icon taken off: its text still with its "&" marks.
MenuItem parseMenuItem(const std::string& raw);

// A button's or menu item's text as a user reads it: "&" marks removed ("&&" keeps one).
std::string withoutAmpersand(const std::string& text);

// A user that answers from queues and remembers every question. An unanswered message box takes
// its first button; every other unanswered dialog is cancelled. Queued answers that do not fit
// the question (a button the box does not have) are recorded in problems() and the first
// button taken, so a script with a wrong answer fails instead of going on silently.
class ScriptedPort : public UserPort {
 public:
  struct Shown {
    std::string text, caption, buttons;
    Icon icon = Icon::None;
    int answer = 0;
    bool answered = false;  // false: nobody had queued an answer, the first button was taken
  };

  // A message-box answer: a button number from 1, or a button's text ("&Yes" or "Yes").
  void queueAnswer(int button) { answers_.push_back({button, {}}); }
  void queueAnswer(const std::string& button) { answers_.push_back({0, button}); }
  void queueFiles(std::vector<std::string> paths) { files_.push_back(std::move(paths)); }
  void queueNoFile() { files_.push_back({}); }
  void queueDate(std::optional<Date> d) { dates_.push_back(d); }
  void queueCalculation(std::optional<std::string> result) { calcs_.push_back(result); }
  // A menu answer: an item number (0 = none chosen) or an item's text.
  void queueMenu(int item) { menus_.push_back({item, {}}); }
  void queueMenu(const std::string& item) { menus_.push_back({0, item}); }
  void queuePrinter(std::optional<std::string> name) { printers_.push_back(std::move(name)); }
  void queueOpenResult(int code) { openResults_.push_back(code); }
  void queuePreview(PreviewChoice choice) { previews_.push_back(choice); }
  // What the next print answers: empty when printed, else why not.
  void queuePrintResult(std::string error) { printResults_.push_back(std::move(error)); }
  void queueMail(std::optional<MailDraft> mail) { mails_.push_back(std::move(mail)); }

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
  std::string clipboard() const override { return clipboard_; }
  void setClipboard(const std::string& text) override { clipboard_ = text; }
  void showHelp(const std::string& topic) override;
  PreviewChoice preview(const PreviewRequest& request) override;
  std::string printPages(const PrintJob& job) override;
  bool composeMail(MailDraft& draft) override;

  const std::vector<Shown>& shown() const { return shown_; }
  // The jobs printed, and the pages each preview showed.
  const std::vector<PrintJob>& printed() const { return printed_; }
  const std::vector<PreviewRequest>& previewed() const { return previewed_; }
  int beeps() const { return beeps_; }
  bool waitCursor() const { return waitCursor_; }
  std::vector<std::string> opened() const { return opened_; }
  std::vector<std::string> helpShown() const { return help_; }
  // One line per question asked, in order ("message …", "file open …", "menu …").
  const std::vector<std::string>& log() const { return log_; }
  // Answers queued in the script that did not fit the question they met.
  const std::vector<std::string>& problems() const { return problems_; }
  // Answers still waiting for their question.
  std::size_t pendingAnswers() const;
  // Called with each log line as it is written (the scenario transcript).
  void setLogSink(std::function<void(const std::string&)> sink) { sink_ = std::move(sink); }

 private:
  struct Choice {
    int number = 0;
    std::string text;
  };
  void write(std::string line);

  std::deque<Choice> answers_;
  std::deque<std::vector<std::string>> files_;
  std::deque<std::optional<Date>> dates_;
  std::deque<std::optional<std::string>> calcs_;
  std::deque<Choice> menus_;
  std::deque<std::optional<std::string>> printers_;
  std::deque<int> openResults_;
  std::deque<PreviewChoice> previews_;
  std::deque<std::string> printResults_;
  std::deque<std::optional<MailDraft>> mails_;
  std::vector<PrintJob> printed_;
  std::vector<PreviewRequest> previewed_;
  std::vector<Shown> shown_;
  std::vector<std::string> log_, problems_, opened_, help_;
  std::string clipboard_;
  int beeps_ = 0;
  bool waitCursor_ = false;
  std::function<void(const std::string&)> sink_;
};

// A text written for a log line: in double quotes, with quotes and backslashes escaped.
std::string quoted(const std::string& text);

}  // namespace koreq::ui
