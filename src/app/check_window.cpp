#include "app/check_window.h"

#include <QApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QVBoxLayout>

#include "check/company_check.h"

namespace koreq::cli {

QDialog* openCompanyCheck(QWidget* parent, data::Store& store) {
  auto* dialog = new QDialog(parent);
  dialog->setObjectName(QStringLiteral("checkCompany"));
  dialog->setWindowTitle(QStringLiteral("Check Company"));
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  auto* layout = new QVBoxLayout(dialog);
  auto* step = new QLabel(dialog);
  step->setObjectName(QStringLiteral("step"));
  layout->addWidget(step);
  auto* bar = new QProgressBar(dialog);
  bar->setObjectName(QStringLiteral("progress"));
  layout->addWidget(bar);
  auto* report = new QPlainTextEdit(dialog);
  report->setObjectName(QStringLiteral("report"));
  report->setReadOnly(true);
  report->setLineWrapMode(QPlainTextEdit::NoWrap);
  report->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(report);
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
  QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
  layout->addWidget(buttons);
  dialog->resize(640, 400);
  dialog->show();

  buttons->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);
  const check::CheckReport result =
      check::checkCompany(store, [&](int number, int steps, const std::string& title) {
        bar->setRange(0, steps);
        bar->setValue(number - 1);
        step->setText(QString::fromStdString(title));
        // Draw the progress; the user's clicks wait until the check ends.
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
      });
  QApplication::restoreOverrideCursor();
  bar->setValue(bar->maximum());
  step->setText(result.sound() ? QStringLiteral("Every check held.")
                               : QStringLiteral("Faults were found: the report names each one."));
  report->setPlainText(QString::fromStdString(result.text()));
  buttons->setEnabled(true);
  return dialog;
}

}  // namespace koreq::cli
