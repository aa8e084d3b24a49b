#include "ui/qt/gui_scenario.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "runtime/picture.h"
#include "ui/qt/list_table_model.h"
#include "ui/qt/qt_desktop.h"
#include "ui/qt/qt_window.h"

namespace koreq::ui::qt {

namespace {

using headless::seen::allDigits;
using headless::seen::flag;
using headless::seen::plain;

// Whether a widget is on screen as far as its window goes: a page of a tab widget that is not
// the current one still counts, as the model counts a control on a tab not shown.
bool shownInWindow(const QWidget* w) {
  for (; w && !w->isWindow(); w = w->parentWidget()) {
    if (!w->isHidden()) continue;
    if (qobject_cast<QStackedWidget*>(w->parentWidget())) continue;
    return false;
  }
  return true;
}

std::pair<Qt::Key, Qt::KeyboardModifiers> qtKey(Key k) {
  if (k >= Key::F1 && k <= Key::F12)
    return {static_cast<Qt::Key>(Qt::Key_F1 + (static_cast<int>(k) - static_cast<int>(Key::F1))),
            Qt::NoModifier};
  switch (k) {
    case Key::Insert:
      return {Qt::Key_Insert, Qt::NoModifier};
    case Key::Delete:
      return {Qt::Key_Delete, Qt::NoModifier};
    case Key::Space:
      return {Qt::Key_Space, Qt::NoModifier};
    case Key::Enter:
      return {Qt::Key_Return, Qt::NoModifier};
    case Key::Escape:
      return {Qt::Key_Escape, Qt::NoModifier};
    case Key::Tab:
      return {Qt::Key_Tab, Qt::NoModifier};
    case Key::CtrlH:
      return {Qt::Key_H, Qt::ControlModifier};
    case Key::CtrlK:
      return {Qt::Key_K, Qt::ControlModifier};
    case Key::Keypad2:
      return {Qt::Key_2, Qt::KeypadModifier};
    case Key::Keypad5:
      return {Qt::Key_5, Qt::KeypadModifier};
    case Key::Keypad6:
      return {Qt::Key_6, Qt::KeypadModifier};
    case Key::KeypadPoint:
      return {Qt::Key_Period, Qt::KeypadModifier};
    default:
      return {Qt::Key_unknown, Qt::NoModifier};
  }
}

}  // namespace

bool saveWindowImage(QWidget& window, const QString& file, std::string* error) {
  if (window.layout()) window.layout()->activate();
  QImage image = window.grab().toImage();
  if (image.isNull() || image.width() == 0 || image.height() == 0) {
    if (error) *error = "the window has no size to draw";
    return false;
  }
  if (!image.save(file)) {
    if (error) *error = "cannot write " + file.toStdString();
    return false;
  }
  return true;
}

class GuiUser : public headless::ScriptedUser {
 public:
  GuiUser(Desktop& desktop, GuiUser*& registered)
      : ScriptedUser(desktop), qt_(desktop), registered_(registered) {
    qt_.setRememberGeometry(false);
    qt_.setClockTimers(false);
    qt_.setKeepErrors(true);
    registered_ = this;
  }
  ~GuiUser() override {
    if (registered_ == this) registered_ = nullptr;
  }

  void snap(const std::string& file) {
    settle();
    QtWindow* w = qt_.top();
    if (!w) throw UiError("no window is open to draw");
    std::string why;
    if (!saveWindowImage(*w, QString::fromStdString(file), &why)) throw UiError(why);
  }

  void focus(std::string_view name) override {
    Control& c = find(name);
    QWidget* w = widgetOf(c);
    if (!w || !c.shown() || !c.usable()) return ScriptedUser::focus(name);
    w->setFocus(Qt::TabFocusReason);
    settle();
    if (top().window().focus() != &c) win().focusIn(c);
    done();
  }

  bool type(std::string_view name, const std::string& text) override {
    Control& c = find(name);
    QWidget* w = widgetOf(c);
    const ControlKind k = c.kind();
    if (!w || !c.shown() || !c.usable() || c.readonly() ||
        !(k == ControlKind::Entry || k == ControlKind::Text || k == ControlKind::DropCombo ||
          k == ControlKind::DropList))
      return ScriptedUser::type(name, text);
    if (k == ControlKind::DropList) {
      int found = -1;
      for (std::size_t i = 0; i < c.items().size() && found < 0; ++i)
        if (plain(c.items()[i].text) == plain(text)) found = static_cast<int>(i);
      if (found < 0) return ScriptedUser::type(name, text);  // says there is no such item
      chooseInCombo(static_cast<QComboBox*>(w), found);
      done();
      return true;
    }
    QWidget* input = w;
    if (auto* cb = qobject_cast<QComboBox*>(w)) input = cb->lineEdit();
    input->setFocus(Qt::TabFocusReason);
    settle();
    if (auto* te = qobject_cast<QPlainTextEdit*>(input)) {
      te->setPlainText(QString::fromStdString(text));
      te->document()->setModified(true);
    } else if (auto* le = qobject_cast<QLineEdit*>(input)) {
      le->selectAll();
      QTest::keyClicks(le, QString::fromStdString(text));
      le->setModified(true);  // typing nothing over nothing is still typing
    }
    bool ok = win().leave(c, true);
    done();
    return ok;
  }

  void keys(std::string_view name, const std::string& text) override {
    Control& c = find(name);
    auto* le = qobject_cast<QLineEdit*>(widgetOf(c));
    if (!le || !c.shown() || !c.usable() || c.readonly()) return ScriptedUser::keys(name, text);
    le->setFocus(Qt::TabFocusReason);
    settle();
    if (top().window().focus() != &c) win().focusIn(c);
    le->selectAll();
    QTest::keyClicks(le, QString::fromStdString(text));
    done();
  }

  bool accept(std::string_view name) override {
    Control& c = find(name);
    QWidget* w = widgetOf(c);
    if (!w || !c.shown() || !c.usable() || !c.takesInput()) return ScriptedUser::accept(name);
    bool ok = win().leave(c, true);
    done();
    return ok;
  }

  void press(std::string_view name) override {
    Control& c = find(name);
    auto* b = qobject_cast<QPushButton*>(widgetOf(c));
    if (!b || !c.shown() || !c.usable()) return ScriptedUser::press(name);
    b->click();
    done();
  }

  void check(std::string_view name, bool on) override {
    Control& c = find(name);
    auto* cb = qobject_cast<QCheckBox*>(widgetOf(c));
    if (!cb || !c.shown() || !c.usable() || c.readonly()) return ScriptedUser::check(name, on);
    if (cb->isChecked() != on)
      cb->click();
    else
      win().checkClicked(c, on);  // ticking a ticked box: the click changes nothing
    done();
  }

  void choose(std::string_view name, const std::string& item) override {
    Control& c = find(name);
    QWidget* w = widgetOf(c);
    int n = itemNumber(c, item);
    const int count = c.kind() == ControlKind::Sheet ? static_cast<int>(c.children().size())
                                                     : static_cast<int>(c.items().size());
    if (!w || n < 1 || n > count || !c.shown() || !c.usable())
      return ScriptedUser::choose(name, item);
    if (c.kind() == ControlKind::Sheet) {
      QTabWidget* tabs = win().tabs(c);
      if (!tabs || !c.children()[static_cast<std::size_t>(n - 1)]->visible())
        return ScriptedUser::choose(name, item);
      if (tabs->currentIndex() != n - 1)
        tabs->setCurrentIndex(n - 1);
      else
        win().chosen(c, n);
    } else if (c.readonly()) {
      return ScriptedUser::choose(name, item);
    } else if (auto* cb = qobject_cast<QComboBox*>(w)) {
      chooseInCombo(cb, n - 1);
    } else if (QButtonGroup* g = win().radioGroup(c); g && g->button(n)) {
      g->button(n)->click();
    } else {
      return ScriptedUser::choose(name, item);
    }
    done();
  }

  void select(std::string_view name, const std::string& row) override {
    Control& c = find(name);
    QTableView* view = listView(c);
    if (!view) return ScriptedUser::select(name, row);
    std::int64_t r = rowIndex(c, row);
    highlight(c, *view, r);
    done();
  }

  void activate(std::string_view name, const std::string& row) override {
    Control& c = find(name);
    QTableView* view = listView(c);
    if (!view) return ScriptedUser::activate(name, row);
    std::int64_t r = rowIndex(c, row);
    highlight(c, *view, r);
    if (!stillTop(c)) return done();
    doubleClick(*view, static_cast<int>(r));
    done();
  }

  void click(std::string_view name, const std::string& row, const std::string& column) override {
    Control& c = find(name);
    QTableView* view = c.kind() == ControlKind::List ? win().table(c) : nullptr;
    if (!view || !c.shown() || !c.usable()) return ScriptedUser::click(name, row, column);
    const std::int64_t r = rowIndex(c, row);
    const int col = columnIndex(c, column);
    c.list()->ensureRow(r);
    QApplication::processEvents();
    view->scrollTo(view->model()->index(static_cast<int>(r), col));
    const QRect cell = view->visualRect(view->model()->index(static_cast<int>(r), col));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    done();
  }

  // What a mouse drag delivers to the list under the pointer: the dragged list's data, moved
  // over the row, then dropped there with the keys held.
  void drag(std::string_view from, std::string_view to, const std::string& row,
            int modifiers) override {
    Control& source = find(from);
    Control& target = find(to);
    QTableView* sourceView = listView(source);
    QTableView* view = listView(target);
    if (!sourceView || !view || source.list()->current() < 0)
      return ScriptedUser::drag(from, to, row, modifiers);
    const std::int64_t r = rowIndex(target, row);
    QModelIndex dragged = sourceView->model()->index(static_cast<int>(source.list()->current()), 0);
    std::unique_ptr<QMimeData> data(sourceView->model()->mimeData({dragged}));
    if (!data) return ScriptedUser::drag(from, to, row, modifiers);
    view->scrollTo(view->model()->index(static_cast<int>(r), 0));
    const QPointF at = view->visualRect(view->model()->index(static_cast<int>(r), 0)).center();
    Qt::KeyboardModifiers keys;
    if (modifiers & kDragShift) keys |= Qt::ShiftModifier;
    if (modifiers & kDragCtrl) keys |= Qt::ControlModifier;
    const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
    QDragEnterEvent enter(at.toPoint(), actions, data.get(), Qt::LeftButton, keys);
    QApplication::sendEvent(view->viewport(), &enter);
    QDragMoveEvent move(at.toPoint(), actions, data.get(), Qt::LeftButton, keys);
    QApplication::sendEvent(view->viewport(), &move);
    if (!move.isAccepted()) throw UiError(target.label() + " does not take the dragged rows");
    QDropEvent drop(at, actions, data.get(), Qt::LeftButton, keys);
    QApplication::sendEvent(view->viewport(), &drop);
    done();
  }

  void mark(std::string_view name, std::size_t from, std::size_t length) override {
    Control& c = find(name);
    QWidget* w = widgetOf(c);
    if (auto* cb = qobject_cast<QComboBox*>(w); cb && cb->lineEdit()) w = cb->lineEdit();
    auto* le = qobject_cast<QLineEdit*>(w);
    if (!le) return ScriptedUser::mark(name, from, length);
    // Byte positions of the model's text, as characters of the widget's.
    const std::string text = le->text().toStdString();
    auto chars = [&](std::size_t bytes) {
      return static_cast<int>(
          QString::fromStdString(text.substr(0, std::min(bytes, text.size()))).size());
    };
    if (length == 0)
      le->setCursorPosition(chars(from));
    else
      le->setSelection(chars(from), chars(from + length) - chars(from));
  }

  void key(std::string_view name, std::string_view keyName) override {
    Control& c = find(name);
    Key k = keyFromName(keyName);
    QWidget* w = widgetOf(c);
    if (!w || k == Key::None || !c.shown() || !c.usable()) return ScriptedUser::key(name, keyName);
    if (k == Key::DoubleClick && c.kind() == ControlKind::List) {
      QTableView* view = win().table(c);
      if (!view || !c.list() || c.list()->current() < 0) return ScriptedUser::key(name, keyName);
      doubleClick(*view, static_cast<int>(c.list()->current()));
      return done();
    }
    QWidget* target = w;
    if (auto* cb = qobject_cast<QComboBox*>(w); cb && cb->lineEdit()) target = cb->lineEdit();
    if (QButtonGroup* g = win().radioGroup(c); g && !g->buttons().isEmpty())
      target = g->checkedButton() ? g->checkedButton() : g->buttons().front();
    if (k == Key::RightClick) {
      QPoint at = target->rect().center();
      QContextMenuEvent menu(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
      QApplication::sendEvent(target, &menu);
    } else if (k == Key::CtrlClick) {
      QPoint at = target->rect().center();
      if (auto* view = qobject_cast<QTableView*>(w)) {
        target = view->viewport();
        if (c.list() && c.list()->current() >= 0)
          at = view->visualRect(view->model()->index(static_cast<int>(c.list()->current()), 0))
                   .center();
      }
      QTest::mouseClick(target, Qt::LeftButton, Qt::ControlModifier, at);
    } else if (auto [qk, mods] = qtKey(k); qk != Qt::Key_unknown && win().takesKey(c, k)) {
      QTest::keyClick(target, qk, mods);
    } else {
      win().key(c, k);  // a key the widget keeps for itself (Delete in an entry): the model's
    }
    done();
  }

  void sort(std::string_view name, const std::string& column) override {
    Control& c = find(name);
    QTableView* view = listView(c);
    int found = -1;
    for (int i = 0; i < c.columnCount() && found < 0; ++i)
      if (plain(c.header(i)) == plain(column)) found = i;
    if (found < 0 && allDigits(column)) found = std::stoi(column) - 1;
    if (!view || found < 0 || found >= c.columnCount()) return ScriptedUser::sort(name, column);
    QHeaderView* header = view->horizontalHeader();
    if (shownInWindow(header) && header->isVisible()) {
      int x = header->sectionViewportPosition(found) + header->sectionSize(found) / 2;
      QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier,
                        QPoint(x, header->height() / 2));
    } else {
      emit header->sectionClicked(found);
    }
    done();
  }

  void close() override {
    top();  // "no window is open"
    win().close();
    done();
  }

  void tick() override {
    top();
    win().timerTick();
    done();
  }

  std::string property(std::string_view name, std::string_view property,
                       const std::string& argument) const override {
    std::string value = ScriptedUser::property(name, property, argument);
    Control& c = find(name);
    QtWindow* w = qt_.top();
    QWidget* widget = w ? w->widget(c) : nullptr;
    if (!widget) return value;
    std::string p = lower(property);
    std::optional<std::string> shown;
    if (p == "visible" && c.kind() != ControlKind::Tab) {
      shown = flag(shownInWindow(widget));
    } else if (p == "enabled" && c.kind() != ControlKind::Tab) {
      shown = flag(widget->isEnabled());
    } else if (p == "checked" && c.kind() == ControlKind::Check) {
      shown = flag(static_cast<QCheckBox*>(widget)->isChecked());
    } else if (p == "readonly" && c.kind() == ControlKind::Entry) {
      shown = flag(static_cast<QLineEdit*>(widget)->isReadOnly());
    } else if (p == "text") {
      if (auto* le = qobject_cast<QLineEdit*>(widget))
        shown = clipped(trimLeft(le->text().toStdString()));
      else if (auto* b = qobject_cast<QAbstractButton*>(widget))
        shown = clipped(trimLeft(b->text().toStdString()));
      else if (auto* l = qobject_cast<QLabel*>(widget); l && c.kind() != ControlKind::Image)
        shown = clipped(trimLeft(l->text().toStdString()));
      else if (auto* cb = qobject_cast<QComboBox*>(widget); cb && c.selectedItem() > 0)
        shown = clipped(trimLeft(cb->currentText().toStdString()));
    } else if ((p == "current" || p == "loaded" || p == "rows") && w->table(c)) {
      QTableView* view = w->table(c);
      if (p == "current") {
        QModelIndex i = view->selectionModel()->currentIndex();
        shown = std::to_string(i.isValid() ? i.row() + 1 : 0);
      } else {
        shown = std::to_string(view->model()->rowCount());
      }
    } else if (p == "columns" && w->table(c)) {
      QTableView* view = w->table(c);
      std::string out;
      for (int i = 0; i < view->model()->columnCount(); ++i) {
        if (view->isColumnHidden(i)) continue;
        std::string text = view->model()->headerData(i, Qt::Horizontal).toString().toStdString();
        if (std::size_t nl = text.find('\n'); nl != std::string::npos) text = text.substr(nl + 1);
        out += (out.empty() ? "" : "|") + text;
      }
      shown = out;
    } else if ((p == "header" || p == "group") && w->table(c) && allDigits(argument)) {
      // A header with column groups reads "group\ncolumn"; the group stands over its first column.
      const int column = std::stoi(argument) - 1;
      std::string text =
          w->table(c)->model()->headerData(column, Qt::Horizontal).toString().toStdString();
      std::size_t nl = text.find('\n');
      if (p == "header")
        shown = nl == std::string::npos ? text : text.substr(nl + 1);
      else if (c.startsGroup(column))
        shown = nl == std::string::npos ? std::string() : text.substr(0, nl);
    }
    if (shown && *shown != value)
      throw UiError("the window shows " + ui::quoted(*shown) + " for " + std::string(name) + " " +
                    std::string(property) + ", the model holds " + ui::quoted(value));
    return value;
  }

 private:
  QtWindow& win() const {
    QtWindow* w = qt_.top();
    if (!w)
      throw UiError(desktop().top() ? "the topmost window is not drawn" : "no window is open");
    return *w;
  }

  QWidget* widgetOf(const Control& c) const { return win().widget(c); }

  QTableView* listView(Control& c) const {
    if (c.kind() != ControlKind::List || !c.list() || !c.shown() || !c.usable()) return nullptr;
    return win().table(c);
  }

  int itemNumber(const Control& c, const std::string& item) const {
    std::string want = plain(item);
    if (c.kind() == ControlKind::Sheet) {
      for (std::size_t i = 0; i < c.children().size(); ++i)
        if (plain(c.children()[i]->text()) == want) return static_cast<int>(i) + 1;
    } else {
      for (std::size_t i = 0; i < c.items().size(); ++i)
        if (plain(c.items()[i].text) == want) return static_cast<int>(i) + 1;
    }
    return allDigits(item) ? std::stoi(item) : 0;
  }

  void chooseInCombo(QComboBox* cb, int index) {
    cb->setFocus(Qt::TabFocusReason);
    settle();
    // What picking an entry of the opened list does.
    cb->setCurrentIndex(index);
    emit cb->activated(index);
  }

  void highlight(Control& c, QTableView& view, std::int64_t row) {
    QModelIndex index = view.model()->index(static_cast<int>(row), 0);
    view.scrollTo(index);
    if (view.selectionModel()->currentIndex().row() != row)
      view.selectionModel()->setCurrentIndex(
          index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    else
      win().rowChosen(c, static_cast<int>(row));  // the same row again: no signal
    settle();
  }

  void doubleClick(QTableView& view, int row) {
    QModelIndex index = view.model()->index(row, 0);
    if (shownInWindow(&view) && view.isVisible()) {
      view.scrollTo(index);
      // A double click is a click and then the second press and its release.
      QPoint at = view.visualRect(index).center();
      QTest::mouseClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
      QTest::mouseDClick(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
      QTest::mouseRelease(view.viewport(), Qt::LeftButton, Qt::NoModifier, at);
    } else {
      emit view.doubleClicked(index);
    }
  }

  bool stillTop(const Control& c) const {
    Procedure* p = desktop().top();
    return p && &p->window() == &c.window();
  }

  static void settle() {
    for (int i = 0; i < 3; ++i) {
      QApplication::processEvents();
      QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
  }

  void done() {
    settle();
    qt_.rethrowError();
  }

  QtDesktop qt_;
  GuiUser*& registered_;
};

GuiScenarioDriver::GuiScenarioDriver() = default;
GuiScenarioDriver::~GuiScenarioDriver() = default;

UserPort& GuiScenarioDriver::port(ScriptedPort& script) {
  port_.setScript(&script);
  return port_;
}

std::unique_ptr<headless::ScriptedUser> GuiScenarioDriver::user(Desktop& desktop) {
  return std::make_unique<GuiUser>(desktop, user_);
}

void GuiScenarioDriver::snap(const std::string& file) {
  if (!user_) throw UiError("no window is open to draw");
  user_->snap(file);
}

}  // namespace koreq::ui::qt
