#pragma once

// The print preview of a report and printing its pages: our own window over the page list
// (one QPicture file per page, read when its page is shown, so a long report costs no memory),
// with page navigation, zoom, a copy count, Print, and the report's three extra choices
// "Export This Report", "Generate PDF File" and "Email Report (pdf)".
//
// Keys: Page Down / Page Up the next and previous page, Home and End the first and last,
// Ctrl++ and Ctrl+- zoom, Ctrl+P print, Escape close.

#include <QDialog>
#include <QPicture>
#include <QString>
#include <memory>
#include <string>
#include <vector>

#include "ui/model/user_port.h"

class QComboBox;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace koreq::ui::qt {

class PreviewPage;

class ReportPreview : public QDialog {
  Q_OBJECT
 public:
  // `printer` is the one Print sets up (its dialog chooses the printer); it must outlive the
  // preview.
  ReportPreview(const PreviewRequest& request, QPrinter& printer, QWidget* parent = nullptr);
  ~ReportPreview() override;

  // How the user left the preview.
  const PreviewChoice& choice() const { return choice_; }

  int pageCount() const { return static_cast<int>(pages_.size()); }
  int currentPage() const { return current_; }  // from 1
  void showPage(int page);
  // The zoom as a factor of the page's real size.
  double zoomFactor() const;
  void setZoom(PreviewZoom zoom);

  // Leaves as Print does once its dialog chose the printer (a script's answer).
  void printChosen(int copies);

  // The extra buttons, for tests and scripts.
  QToolButton* exportButton() const { return exportButton_; }
  QToolButton* pdfButton() const { return pdfButton_; }
  QToolButton* emailButton() const { return emailButton_; }

 protected:
  void keyPressEvent(QKeyEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void print();
  void leave(bool PreviewChoice::*flag);
  void stepZoom(int direction);
  void layoutPage();

  std::vector<std::string> pages_;
  QPrinter& printer_;
  PreviewChoice choice_;
  int current_ = 0;
  QPicture picture_;  // of the page shown
  QScrollArea* scroll_ = nullptr;
  PreviewPage* page_ = nullptr;
  QLabel* pageLabel_ = nullptr;
  QSpinBox* pageBox_ = nullptr;
  QComboBox* zoomBox_ = nullptr;
  QSpinBox* copiesBox_ = nullptr;
  QToolButton* exportButton_ = nullptr;
  QToolButton* pdfButton_ = nullptr;
  QToolButton* emailButton_ = nullptr;
};

// Prints page images on `printer`, the whole report `copies` times, collated (the page list
// makes the copies, so every printer gives them alike), each page on paper of its own size.
// Answers why nothing was printed, empty when every page went to the printer.
std::string printPageImages(QPrinter& printer, const std::vector<std::string>& pages, int copies,
                            const std::string& jobName);

}  // namespace koreq::ui::qt
