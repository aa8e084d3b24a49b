#pragma once

// The one generic renderer: a real window (a QDialog) for any window of the model, built from
// its WindowDef with standard layouts. Sheets become tab widgets, groups group boxes, prompts
// and their controls form rows, lists table views over the lazily fetched rows, and a run of
// buttons a row of push buttons.
//
// The window and the model are kept in step both ways. Every change of a control in the model
// (value, text, visibility, enabled, read-only, colour, focus, rows) is copied to its widget;
// what the user does to a widget becomes the model's user input (typing and leaving an entry,
// pressing, ticking, choosing, selecting and activating rows, alert keys), which the model turns
// into the procedure's events. No business rule lives here.

#include <QDialog>
#include <QIcon>
#include <QPixmap>
#include <QPointer>
#include <map>
#include <string>
#include <vector>

#include "ui/model/procedure.h"
#include "ui/model/window.h"

class QBoxLayout;
class QButtonGroup;
class QComboBox;
class QCompleter;
class QLineEdit;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QTableView;
class QTabWidget;
class QTimer;
class QMimeData;

namespace koreq::ui::qt {

class FocusMark;
class ListTableModel;
class QtDesktop;

class QtWindow : public QDialog, private WindowObserver {
  Q_OBJECT
 public:
  QtWindow(QtDesktop& desktop, Procedure& procedure, QWidget* parent);
  ~QtWindow() override;

  Procedure& procedure() const { return proc_; }
  // False once the model has closed the window: nothing is passed on any more.
  bool attached() const { return attached_; }
  // The model closed the window.
  void detach();

  // The widget that shows a control (a tab: its page); nullptr for none.
  QWidget* widget(const Control& c) const;
  // The control a widget, or a widget inside it, shows; nullptr for none.
  Control* control(const QObject* widget) const;
  QTableView* table(const Control& list) const;
  ListTableModel* tableModel(const Control& list) const;
  QTabWidget* tabs(const Control& sheet) const;
  QButtonGroup* radioGroup(const Control& radio) const;

  // Copies every control's state into its widget and the model's focus to the widget.
  void refreshAll();
  // Starts or stops the window's timer as the procedure asks.
  void syncTimer();

  // ---- What the widgets' signals do (the scenario driver calls the same) -------------------
  // The user leaves a control whose text may have changed: a changed text is typed into the
  // model and accepted; an unchanged one is accepted only when `always`. False when the entry
  // refused the text.
  bool leave(Control& c, bool always);
  void focusIn(Control& c);
  void press(Control& button);
  void checkClicked(Control& check, bool on);
  void chosen(Control& c, int item);  // from 1: a drop list's item, a radio option, a tab
  void rowChosen(Control& list, int row);
  void rowActivated(Control& list, int row);
  void headerClicked(Control& list, int column);
  // An alert key in a control; the text typed into it so far is given to the model first.
  void key(Control& c, Key key);
  void timerTick();
  // Whether a key pressed in the control goes to the model (F-keys, Ctrl+H, Ctrl+K, Enter,
  // Escape, Space and Insert/Delete in lists) or stays with the widget (Delete in an entry,
  // unless a button of the window is pressed by it).
  bool takesKey(const Control& c, Key key) const;
  // The list of this window whose rows a drag carries onto `target`; nullptr for anything else.
  Control* draggedFrom(const Control& target, const QMimeData* data) const;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;
  // Tells the control what part of its widget's text is selected (before the edit menu).
  void takeSelection(Control& c, QObject* widget);

 private:
  struct Item {
    Control* control = nullptr;
    QWidget* widget = nullptr;  // the control's own widget
    QWidget* row = nullptr;     // the row around it that hides with it, if any
    QLabel* label = nullptr;
    QComboBox* combo = nullptr;
    QButtonGroup* radios = nullptr;
    QTableView* view = nullptr;
    ListTableModel* model = nullptr;
    QTabWidget* tabs = nullptr;  // sheets, and tabs (their sheet's)
    int tabIndex = -1;           // tabs
    int columnsVersion = 0;      // lists: the control's column layout the view shows
    std::vector<int> widths;     // lists: each column's own width
    int spareTo = -1;            // lists: the column that takes the width the list has over
    QPixmap picture;             // images: the picture file as loaded, fitted to the box
  };

  // WindowObserver
  void changed(Control* c) override;
  void focusChanged(Control* c) override;

  // Building.
  void applyUserFont();
  void buildChildren(QBoxLayout* box, const std::vector<Control*>& kids, bool topLevel);
  QWidget* makeWidget(Control& c);
  QWidget* makeButton(Control& c);
  QWidget* makeList(Control& c);
  void sizeColumns(Item& item, const Control& c);
  void fitColumns(Item& item);
  // The entry that locates rows as they are typed (a browse's locator), if the window has one.
  QLineEdit* locator();
  QWidget* makeSheet(Control& c);
  QWidget* makeGroup(Control& c);
  QWidget* makeRadio(Control& c);
  void watch(QWidget* w, Control& c);
  void fillCombo(Item& item);
  void fillRadio(Item& item);

  // Passing input on.
  template <typename F>
  bool act(F&& f);
  bool flushEdits(const Control* except);
  QString widgetText(const Item& item) const;
  bool textModified(const Item& item) const;
  void setTextModified(const Item& item, bool on);
  bool handleKey(Control& c, QKeyEvent* event);
  void pressDefault();
  void syncCurrentRow(Item& item);
  void offerCompletions(Control& c, QLineEdit& edit);
  void fitPicture(Item& item);
  void markFocus(QWidget* w);

  QtDesktop& desktop_;
  Procedure& proc_;
  std::map<const Control*, Item> items_;
  std::map<const QObject*, Control*> byWidget_;
  QTimer* timer_ = nullptr;
  QCompleter* completer_ = nullptr;  // one for the window, moved to the entry being typed in
  bool attached_ = true;
  // An entry that refused its text keeps the focus: where the focus was going is ignored.
  Control* holdFocus_ = nullptr;
  int syncing_ = 0;                // model-driven updates of widgets are not user input
  QPointer<FocusMark> focusMark_;  // the ring around the control with the focus
  QMetaObject::Connection focusFollow_;
};

// An icon by the runtime's name ("~checkon.ico"): a compiled-in resource under that name, else
// a standard icon for a few known names; null when there is none.
QIcon iconByName(const std::string& name);

}  // namespace koreq::ui::qt
