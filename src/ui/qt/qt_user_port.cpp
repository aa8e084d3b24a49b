#include "ui/qt/qt_user_port.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCalendarWidget>
#include <QClipboard>
#include <QCoreApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QProgressDialog>
#include <QPushButton>
#include <QTextBrowser>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>
#include <memory>

#include "runtime/expr.h"
#include "runtime/text.h"
#include "ui/qt/help_pages.h"
#include "ui/qt/qt_window.h"
#include "ui/qt/report_preview.h"

namespace koreq::ui::qt {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

QWidget* dialogParent() {
  if (QWidget* w = QApplication::activeModalWidget()) return w;
  return QApplication::activeWindow();
}

QMessageBox::Icon qtIcon(Icon icon) {
  switch (icon) {
    case Icon::Information:
      return QMessageBox::Information;
    case Icon::Exclamation:
      return QMessageBox::Warning;
    case Icon::Question:
      return QMessageBox::Question;
    default:
      return QMessageBox::NoIcon;
  }
}

QDate toQDate(Date d) {
  if (d.isEmpty() || !d.isValid()) return {};
  return QDate(d.year(), d.month(), d.dayOfMonth());
}

std::optional<Date> fromQDate(const QDate& d) {
  if (!d.isValid()) return std::nullopt;
  return Date::fromYmd(d.year(), d.month(), d.day());
}

}  // namespace

QMessageBox* makeMessageBox(const std::string& text, const std::string& caption, Icon icon,
                            const std::string& buttons, int defaultButton, QWidget* parent) {
  auto box = std::make_unique<QMessageBox>(parent);
  box->setWindowTitle(qs(caption));
  box->setIcon(qtIcon(icon));
  box->setText(qs(text).replace(QLatin1Char('|'), QLatin1Char('\n')));
  box->setTextFormat(Qt::PlainText);
  // One role for every button keeps them in the order the button set gives: the answer is a
  // button's position, so the platform must not rearrange them.
  std::vector<std::string> set = splitButtons(buttons);
  QAbstractButton* escape = nullptr;
  for (std::size_t i = 0; i < set.size(); ++i) {
    QPushButton* b = box->addButton(qs(set[i]), QMessageBox::ActionRole);
    b->setObjectName(QStringLiteral("button%1").arg(i + 1));
    std::string plain = upper(withoutAmpersand(set[i]));
    if (plain == "CANCEL" || (plain == "NO" && !escape)) escape = b;
    if (static_cast<int>(i) + 1 == defaultButton) box->setDefaultButton(b);
  }
  if (!escape && set.size() == 1) escape = box->buttons().front();
  if (escape) box->setEscapeButton(escape);
  return box.release();
}

int clickedButtonNumber(const QMessageBox& box, int defaultButton) {
  QAbstractButton* clicked = box.clickedButton();
  if (!clicked) clicked = box.escapeButton();
  const QList<QAbstractButton*> all = box.buttons();
  for (int i = 0; clicked && i < all.size(); ++i)
    if (clicked->objectName() == QStringLiteral("button%1").arg(i + 1)) return i + 1;
  return defaultButton >= 1 && defaultButton <= static_cast<int>(all.size()) ? defaultButton : 1;
}

QString qtFileFilter(const std::string& filter) {
  std::vector<std::string> parts = splitButtons(filter);
  QStringList out;
  for (std::size_t i = 0; i + 1 < parts.size(); i += 2) {
    QString patterns = qs(parts[i + 1]).replace(QLatin1Char(';'), QLatin1Char(' '));
    out << QStringLiteral("%1 (%2)").arg(qs(parts[i]).trimmed(), patterns.simplified());
  }
  if (parts.size() % 2 == 1 && !clipped(parts.back()).empty()) out << qs(parts.back());
  return out.join(QStringLiteral(";;"));
}

std::optional<std::string> calculateText(const std::string& expression, std::string* error) {
  Expression e = Expression::compile(expression);
  if (!e.ok()) {
    if (error) *error = e.error();
    return std::nullopt;
  }
  MapResolver none;
  std::optional<ExprValue> v = e.evaluate(none, error);
  if (!v) return std::nullopt;
  if (v->isText) {
    if (error) *error = "not a sum";
    return std::nullopt;
  }
  return v->num.toString();
}

QString helpFolder() {
  QStringList candidates;
  QString env = qEnvironmentVariable("KOREQ_HELP_DIR");
  if (!env.isEmpty()) candidates << env;
#ifdef KOREQ_SOURCE_DIR
  candidates << QStringLiteral(KOREQ_SOURCE_DIR "/resources/help");
#endif
  candidates << QCoreApplication::applicationDirPath() + QStringLiteral("/../share/koreq/help");
  for (const QString& c : candidates)
    if (QFileInfo(c).isDir()) return QDir(c).absolutePath();
  return {};
}

QtUserPort::QtUserPort() = default;

QtUserPort::~QtUserPort() {
  while (waitDepth_ > 0) setWaitCursor(false);
}

int QtUserPort::message(const std::string& text, const std::string& caption, Icon icon,
                        const std::string& buttons, int defaultButton) {
  std::unique_ptr<QMessageBox> box(
      makeMessageBox(text, caption, icon, buttons, defaultButton, dialogParent()));
  if (script_) {
    // The script answers (and logs the question); the box is shown and its button clicked.
    int answer = script_->message(text, caption, icon, buttons, defaultButton);
    QMessageBox* b = box.get();
    QTimer::singleShot(0, b, [b, answer] {
      if (auto* button = b->findChild<QPushButton*>(QStringLiteral("button%1").arg(answer)))
        button->click();
      else
        b->reject();
    });
    box->exec();
    return answer;
  }
  box->exec();
  return clickedButtonNumber(*box, defaultButton);
}

void QtUserPort::beep() {
  if (script_) script_->beep();
  QApplication::beep();
}

std::vector<std::string> QtUserPort::chooseFiles(const FileDialog& d) {
  if (script_) return script_->chooseFiles(d);
  QString filter = qtFileFilter(d.filter);
  QString start = qs(d.start);
  std::vector<std::string> out;
  if (d.save) {
    QString f = QFileDialog::getSaveFileName(dialogParent(), qs(d.title), start, filter);
    if (!f.isEmpty()) out.push_back(f.toStdString());
  } else if (d.multiple) {
    for (const QString& f :
         QFileDialog::getOpenFileNames(dialogParent(), qs(d.title), start, filter))
      out.push_back(f.toStdString());
  } else {
    QString f = QFileDialog::getOpenFileName(dialogParent(), qs(d.title), start, filter);
    if (!f.isEmpty()) out.push_back(f.toStdString());
  }
  return out;
}

std::optional<Date> QtUserPort::chooseDate(const std::string& caption, Date start) {
  if (script_) return script_->chooseDate(caption, start);
  QDialog dialog(dialogParent());
  dialog.setWindowTitle(qs(caption));
  auto* layout = new QVBoxLayout(&dialog);
  auto* calendar = new QCalendarWidget(&dialog);
  calendar->setObjectName(QStringLiteral("calendar"));
  calendar->setGridVisible(true);
  QDate from = toQDate(start);
  calendar->setSelectedDate(from.isValid() ? from : QDate::currentDate());
  layout->addWidget(calendar);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  layout->addWidget(box);
  QObject::connect(box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  QObject::connect(calendar, &QCalendarWidget::activated, &dialog, &QDialog::accept);
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  return fromQDate(calendar->selectedDate());
}

std::optional<std::string> QtUserPort::calculate(const std::string& start) {
  if (script_) return script_->calculate(start);
  QString text = qs(start);
  for (;;) {
    bool ok = false;
    text = QInputDialog::getText(dialogParent(), QStringLiteral("Calculator"),
                                 QStringLiteral("Sum (+ - * / and parentheses):"),
                                 QLineEdit::Normal, text, &ok);
    if (!ok) return std::nullopt;
    std::string why;
    if (auto result = calculateText(text.toStdString(), &why)) return result;
    QMessageBox::warning(dialogParent(), QStringLiteral("Calculator"),
                         QStringLiteral("%1 cannot be worked out: %2").arg(text, qs(why)));
  }
}

int QtUserPort::popupMenu(const std::string& items) {
  if (script_) return script_->popupMenu(items);
  QMenu menu(dialogParent());
  int number = 0;
  std::vector<QAction*> actions;
  for (const std::string& raw : splitButtons(items)) {
    if (raw == "-") {
      menu.addSeparator();
      continue;
    }
    const MenuItem item = parseMenuItem(raw);
    QAction* a = menu.addAction(qs(item.text));
    if (!item.icon.empty()) a->setIcon(iconByName(item.icon));
    a->setEnabled(item.enabled);
    a->setData(++number);
    actions.push_back(a);
  }
  QAction* chosen = menu.exec(QCursor::pos());
  return chosen ? chosen->data().toInt() : 0;
}

std::optional<std::string> QtUserPort::choosePrinter() {
  if (script_) return script_->choosePrinter();
  QPrinter printer;
  QPrintDialog dialog(&printer, dialogParent());
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  QString name = printer.printerName();
  if (name.isEmpty()) name = printer.outputFileName();
  return name.toStdString();
}

PreviewChoice QtUserPort::preview(const PreviewRequest& request) {
  auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  ReportPreview dialog(request, *printer, dialogParent());
  PreviewChoice choice;
  if (script_) {
    // The script answers; the preview is shown and left by the button the script chose.
    choice = script_->preview(request);
    QTimer::singleShot(0, &dialog, [&dialog, choice] {
      if (choice.print)
        dialog.printChosen(choice.copies);
      else if (choice.exportReport)
        dialog.exportButton()->click();
      else if (choice.pdf)
        dialog.pdfButton()->click();
      else if (choice.email)
        dialog.emailButton()->click();
      else
        dialog.reject();
    });
    dialog.exec();
    return choice;
  }
  dialog.exec();
  choice = dialog.choice();
  if (choice.print) chosen_ = std::move(printer);
  return choice;
}

std::string QtUserPort::printPages(const PrintJob& job) {
  if (script_) return script_->printPages(job);
  // The printer the preview's Print chose serves that one print; direct printing goes to the
  // default printer.
  std::unique_ptr<QPrinter> printer = std::move(chosen_);
  if (!printer) {
    if (QPrinterInfo::defaultPrinter().isNull() && QPrinterInfo::availablePrinters().isEmpty())
      return "No printer is set up on this computer: the report was not printed.";
    printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
  }
  setWaitCursor(true);
  std::string error = printPageImages(*printer, job.pages, job.copies, job.name);
  setWaitCursor(false);
  return error;
}

bool QtUserPort::composeMail(MailDraft& draft) {
  if (script_) return script_->composeMail(draft);
  QDialog dialog(dialogParent());
  dialog.setWindowTitle(QObject::tr("Email Report (pdf)"));
  auto* to = new QLineEdit(qs(draft.toAddress));
  auto* name = new QLineEdit(qs(draft.toName));
  auto* subject = new QLineEdit(qs(draft.subject));
  auto* message = new QPlainTextEdit(qs(draft.message));
  to->setObjectName("?MM:TOADDRESS");
  name->setObjectName("?MM:TONAME");
  subject->setObjectName("?MM:SUBJECT");
  auto* form = new QFormLayout;
  form->addRow(QObject::tr("To (address)"), to);
  form->addRow(QObject::tr("To (name)"), name);
  form->addRow(QObject::tr("Subject"), subject);
  form->addRow(QObject::tr("Message"), message);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
  buttons->button(QDialogButtonBox::Ok)->setText(QObject::tr("Send"));
  QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  auto* layout = new QVBoxLayout(&dialog);
  layout->addLayout(form);
  layout->addWidget(buttons);
  dialog.resize(520, 360);
  if (dialog.exec() != QDialog::Accepted) return false;
  draft.toAddress = to->text().trimmed().toStdString();
  draft.toName = name->text().trimmed().toStdString();
  draft.subject = subject->text().toStdString();
  draft.message = message->toPlainText().toStdString();
  return true;
}

bool QtUserPort::showProgress(const std::string& title, const std::string& message,
                              const std::string& text, int percent) {
  if (script_) return script_->showProgress(title, message, text, percent);
  // A Cancel the user has answered is forgotten: the window starts afresh.
  if (progress_ && progress_->wasCanceled()) progress_.reset();
  if (!progress_) {
    progress_ = std::make_unique<QProgressDialog>(dialogParent());
    progress_->setWindowModality(Qt::ApplicationModal);
    progress_->setRange(0, 100);
    progress_->setMinimumDuration(500);
    progress_->setAutoReset(false);
    progress_->setAutoClose(false);
  }
  progress_->setWindowTitle(qs(title));
  progress_->setLabelText(qs(message + "\n" + text));
  progress_->setValue(percent);  // lets the window take the user's clicks
  return !progress_->wasCanceled();
}

void QtUserPort::endProgress() {
  if (script_) script_->endProgress();
  progress_.reset();
}

int QtUserPort::openDocument(const std::string& path) {
  if (script_) return script_->openDocument(path);
  QFileInfo info(qs(path));
  if (!info.exists())
    return QFileInfo(info.absolutePath()).isDir() ? kOpenFileNotFound : kOpenPathNotFound;
  return QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath()))
             ? kOpened
             : kOpenNoAssociation;
}

void QtUserPort::setWaitCursor(bool on) {
  if (script_) script_->setWaitCursor(on);
  if (on) {
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++waitDepth_;
  } else if (waitDepth_ > 0) {
    QApplication::restoreOverrideCursor();
    --waitDepth_;
  }
}

std::string QtUserPort::clipboard() const {
  if (script_) return script_->clipboard();
  return QApplication::clipboard()->text().toStdString();
}

void QtUserPort::setClipboard(const std::string& text) {
  if (script_) {
    script_->setClipboard(text);
    return;
  }
  QApplication::clipboard()->setText(qs(text));
}

void QtUserPort::showHelp(const std::string& topic) {
  if (script_) {
    script_->showHelp(topic);
    return;
  }
  const QString folder = helpFolder();
  std::optional<HelpPlace> place;
  if (!folder.isEmpty()) {
    place = resolveHelpTopic(folder.toStdString(), topic);
    // A topic no page has yet still gets the user somewhere useful: the contents.
    if (!place) place = resolveHelpTopic(folder.toStdString(), "");
  }
  if (!place) {
    QMessageBox::information(dialogParent(), QStringLiteral("Help"),
                             QStringLiteral("The help page %1 is not installed.").arg(qs(topic)));
    return;
  }
  QDialog dialog(dialogParent());
  dialog.setWindowTitle(QStringLiteral("KOREQ Help"));
  auto* layout = new QVBoxLayout(&dialog);
  auto* browser = new QTextBrowser(&dialog);
  browser->setObjectName(QStringLiteral("help"));
  browser->setSearchPaths({folder});
  QUrl url = QUrl::fromLocalFile(QString::fromStdString(place->page.string()));
  if (!place->anchor.empty()) url.setFragment(QString::fromStdString(place->anchor));
  browser->setSource(url);
  layout->addWidget(browser);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Close, &dialog);
  QObject::connect(box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  layout->addWidget(box);
  dialog.resize(720, 540);
  dialog.exec();
}

}  // namespace koreq::ui::qt
