#pragma once

// The desktop's "Check Company" window: a progress bar while the company check runs, then its
// report as text the user can read, select and copy.

class QDialog;
class QWidget;

namespace koreq::data {
class Store;
}

namespace koreq::cli {

// Opens the window over `parent`, runs the check on `store` and shows its report; the window
// deletes itself when closed.
QDialog* openCompanyCheck(QWidget* parent, data::Store& store);

}  // namespace koreq::cli
