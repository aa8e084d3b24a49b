// Widgets and the window model in step, both ways: what the user does to a widget becomes the
// model's input and the procedure's events; what the procedure sets shows in the widgets.

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCompleter>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTabWidget>
#include <QTableView>
#include <QTest>

#include "qt_fixture.h"
#include "ui/qt/list_table_model.h"

namespace koreq::ui::qt::test {
namespace {

const WindowDef& syncDef() {
  static const WindowDef def = parseWindowDef(R"({
    "name": "SyncForm", "title": "Sync",
    "controls": [
      {"kind": "prompt", "text": "&Name:"},
      {"kind": "entry", "name": "?NAME", "use": "LOC:Name", "picture": "@s20", "case": "upper",
       "lookup": "?LOOKUP"},
      {"kind": "button", "name": "?LOOKUP", "text": "..."},
      {"kind": "prompt", "text": "&Amount:"},
      {"kind": "entry", "name": "?AMOUNT", "use": "LOC:Amount", "picture": "@n-12.2"},
      {"kind": "check", "name": "?ACTIVE", "text": "&Active", "use": "LOC:Active"},
      {"kind": "prompt", "text": "&Kind:"},
      {"kind": "droplist", "name": "?KIND", "use": "LOC:Kind",
       "items": ["Owned", "Rented", "Leased"]},
      {"kind": "radio", "name": "?METER", "text": "Meter", "use": "LOC:Meter",
       "items": [{"text": "Miles", "value": 1}, {"text": "Hours", "value": 2}]},
      {"kind": "sheet", "name": "?SHEET", "controls": [
        {"kind": "tab", "name": "?TAB1", "text": "General", "controls": [
          {"kind": "prompt", "text": "Note:"},
          {"kind": "text", "name": "?NOTE", "use": "LOC:Note", "lines": 3}]},
        {"kind": "tab", "name": "?TAB2", "text": "More", "controls": [
          {"kind": "string", "name": "?SHOWN", "use": "LOC:Amount", "picture": "@n-12.2"}]}]},
      {"kind": "list", "name": "?LIST", "columns": [
        {"header": "Item", "use": "ITEM", "picture": "@s10", "width": 10}]},
      {"kind": "button", "name": "?DISABLE", "text": "&Disable Name"},
      {"kind": "button", "name": "?CALL", "text": "Ca&ll"},
      {"kind": "button", "name": "?GO", "text": "&Go", "default": true},
      {"kind": "button", "name": "?CLOSE", "text": "&Close", "action": "close"}
    ]})",
                                              "SyncForm.json");
  return def;
}

class SyncForm : public Procedure {
 public:
  explicit SyncForm(frame::Context& ctx) : Procedure(ctx, "SyncForm", syncDef()) {}
  void init() override {
    bindLocal("LOC:Name", name);
    bindLocal("LOC:Amount", amount);
    bindLocal("LOC:Active", active);
    bindLocal("LOC:Kind", kind);
    bindLocal("LOC:Meter", meter);
    bindLocal("LOC:Note", note);
    std::vector<QueueListModel::Row> items;
    for (const char* t : {"Bolt", "Nut", "Washer", "Gasket"}) items.push_back({{std::string(t)}});
    rows.setRows(std::move(items));
    control("?LIST").setList(&rows);
  }
  void accepted(Control& c) override {
    log.push_back("accepted " + c.name() + (keyCode() == Key::DoubleClick ? " double" : ""));
    if (c.is("?LOOKUP")) {
      name = "LOOKED UP";
      display();
    }
    if (c.is("?DISABLE")) control("?NAME").disable();
    if (c.is("?CALL"))
      call("Child", [this](Response r) { log.push_back("child " + std::to_string(int(r))); });
  }
  void newSelection(Control& c) override { log.push_back("new selection " + c.name()); }
  void alertKey(Control& c, Key k) override {
    log.push_back(std::string("key ") + keyName(k) + " " + c.name());
  }

  std::string name, kind, note;
  Decimal amount;
  bool active = false;
  int meter = 1;
  QueueListModel rows{syncDef().controls[10].columns};
  std::vector<std::string> log;
};

const WindowDef& childDef() {
  static const WindowDef def = parseWindowDef(R"({
    "name": "Child", "title": "Child window", "controls": [
      {"kind": "button", "name": "?OK", "text": "&OK", "action": "ok"}]})",
                                              "Child.json");
  return def;
}

class Sync : public RendererTest {
 protected:
  Sync() {
    registerWindow(registry, "Child", [](frame::Context& c) {
      return std::make_unique<Procedure>(c, "Child", childDef());
    });
    form = static_cast<SyncForm*>(&desktop.open(std::make_unique<SyncForm>(ctx)));
    window = view.top();
    window->activateWindow();
    (void)::QTest::qWaitForWindowActive(window);
  }
  template <typename W>
  W* find(const char* name) {
    W* w = window->findChild<W*>(QString::fromLatin1(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  QtDesktop view{desktop};
  SyncForm* form = nullptr;
  QtWindow* window = nullptr;
};

TEST_F(Sync, TypingIntoAnEntryReachesTheModel) {
  ASSERT_NE(window, nullptr);
  auto* name = find<QLineEdit>("?NAME");
  name->setFocus();
  settle();
  ::QTest::keyClicks(name, "bolt set");
  EXPECT_EQ(name->text(), "BOLT SET");  // upper case as it is typed
  EXPECT_EQ(form->name, "");            // nothing committed yet
  // Enter commits the text, then presses the default button.
  ::QTest::keyClick(name, Qt::Key_Return);
  settle();
  EXPECT_EQ(form->name, "BOLT SET");
  EXPECT_EQ(form->control("?NAME").value(), data::Value(std::string("BOLT SET")));
  ASSERT_GE(form->log.size(), 2u);
  EXPECT_EQ(form->log[form->log.size() - 2], "accepted ?NAME");
  EXPECT_EQ(form->log.back(), "accepted ?GO");

  // A number the entry cannot read is refused: the message, the text stays, the value does not.
  auto* amount = find<QLineEdit>("?AMOUNT");
  amount->setFocus();
  settle();
  amount->selectAll();
  ::QTest::keyClicks(amount, "12x");
  name->setFocus();  // leaving the entry commits it
  settle();
  ASSERT_FALSE(port.shown().empty());
  EXPECT_EQ(port.shown().back().caption, "Invalid Entry");
  EXPECT_EQ(form->amount, Decimal());
  EXPECT_EQ(amount->text(), "12x");
  EXPECT_EQ(form->window().focus(), &form->control("?AMOUNT"));

  amount->selectAll();
  ::QTest::keyClicks(amount, "1234.5");
  ::QTest::keyClick(amount, Qt::Key_Tab);
  settle();
  EXPECT_EQ(form->amount, *Decimal::parse("1234.50"));
  EXPECT_EQ(amount->text(), "1,234.50");  // shown through its picture
  EXPECT_EQ(find<QLabel>("?SHOWN")->text(), "1,234.50");
}

// Tab goes from an entry past its lookup button to the next entry (F2 and the mouse reach the
// button), and Enter in an entry presses the window's default button.
TEST_F(Sync, TabSkipsTheLookupButtonAndEnterPressesTheDefault) {
  ASSERT_NE(window, nullptr);
  auto* name = find<QLineEdit>("?NAME");
  name->setFocus();
  settle();
  ::QTest::keyClick(name, Qt::Key_Tab);
  settle();
  EXPECT_EQ(QApplication::focusWidget(), find<QLineEdit>("?AMOUNT"));
  ::QTest::keyClicks(QApplication::focusWidget(), "12");
  ::QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  settle();
  EXPECT_EQ(form->amount, Decimal(std::int64_t{12}));
  ASSERT_FALSE(form->log.empty());
  EXPECT_EQ(form->log.back(), "accepted ?GO");
}

TEST_F(Sync, WhatTheProcedureSetsShowsInTheWidgets) {
  ASSERT_NE(window, nullptr);
  Control& name = form->control("?NAME");
  auto* edit = find<QLineEdit>("?NAME");
  name.setValue(std::string("FROM MODEL"));
  EXPECT_EQ(edit->text(), "FROM MODEL");
  name.disable();
  EXPECT_FALSE(edit->isEnabled());
  name.enable();
  EXPECT_TRUE(edit->isEnabled());
  name.setReadonly(true);
  EXPECT_TRUE(edit->isReadOnly());
  name.setColour(0x0000FF);
  EXPECT_EQ(edit->palette().color(QPalette::Active, QPalette::Text), QColor(0, 0, 255));
  name.setTip("Who it is");
  EXPECT_EQ(edit->toolTip(), "Who it is");
  name.hide();
  EXPECT_TRUE(edit->isHidden());
  name.show();
  EXPECT_FALSE(edit->isHidden());

  form->control("?ACTIVE").setChecked(true);
  EXPECT_TRUE(find<QCheckBox>("?ACTIVE")->isChecked());
  form->control("?KIND").setValue(std::string("Rented"));
  EXPECT_EQ(find<QComboBox>("?KIND")->currentIndex(), 1);
  form->control("?METER").setValue(std::int64_t{2});
  EXPECT_TRUE(window->radioGroup(form->control("?METER"))->button(2)->isChecked());
  form->control("?ACTIVE").setText("&Working");
  EXPECT_EQ(find<QCheckBox>("?ACTIVE")->text(), "&Working");
  form->control("?KIND").setItems({{"Owned", std::string("Owned")}, {"Sold", std::string("Sold")}});
  EXPECT_EQ(find<QComboBox>("?KIND")->count(), 2);

  form->control("?SHEET").setValue(std::int64_t{2});
  EXPECT_EQ(find<QTabWidget>("?SHEET")->currentIndex(), 1);
  form->control("?TAB1").hide();
  EXPECT_FALSE(find<QTabWidget>("?SHEET")->isTabVisible(0));

  form->rows.setCurrent(2);
  QTableView* table = find<QTableView>("?LIST");
  EXPECT_EQ(table->selectionModel()->currentIndex().row(), 2);
  form->rows.append({{std::string("Spring")}});
  EXPECT_EQ(table->model()->rowCount(), 5);
  form->control("?LIST").setHeader(0, "Part");
  EXPECT_EQ(table->model()->headerData(0, Qt::Horizontal).toString(), "Part");

  form->setTitle("A New Title");
  EXPECT_EQ(window->windowTitle(), "A New Title");
  // A procedure's own button press goes through the model too.
  find<QPushButton>("?DISABLE")->click();
  EXPECT_FALSE(edit->isEnabled());
  EXPECT_FALSE(form->control("?NAME").enabled());
}

TEST_F(Sync, ChoicesClicksAndRowsBecomeEvents) {
  ASSERT_NE(window, nullptr);
  find<QCheckBox>("?ACTIVE")->click();
  EXPECT_TRUE(form->active);
  EXPECT_EQ(form->log.back(), "accepted ?ACTIVE");

  auto* kind = find<QComboBox>("?KIND");
  kind->setCurrentIndex(2);
  emit kind->activated(2);
  EXPECT_EQ(form->kind, "Leased");
  EXPECT_EQ(form->log.back(), "accepted ?KIND");

  window->radioGroup(form->control("?METER"))->button(2)->click();
  EXPECT_EQ(form->meter, 2);

  find<QTabWidget>("?SHEET")->setCurrentIndex(1);
  EXPECT_EQ(form->control("?SHEET").value(), data::Value(std::int64_t{2}));
  EXPECT_EQ(form->log.back(), "new selection ?SHEET");

  QTableView* table = find<QTableView>("?LIST");
  QModelIndex third = table->model()->index(2, 0);
  ::QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(third).center());
  EXPECT_EQ(form->rows.current(), 2);
  // The row is chosen, then the click names its cell.
  ASSERT_GE(form->log.size(), 2u);
  EXPECT_EQ(form->log[form->log.size() - 2], "new selection ?LIST");
  EXPECT_EQ(form->log.back(), "key Click ?LIST");
  EXPECT_EQ(form->control("?LIST").clickedColumn(), 0);
  ::QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, table->visualRect(third).center());
  EXPECT_EQ(form->log.back(), "accepted ?LIST double");
  // Keys in a list go to the model: Insert, and Space for a tag column.
  ::QTest::keyClick(table, Qt::Key_Space);
  EXPECT_EQ(form->log.back(), "key Space ?LIST");

  // A text control commits when the user leaves it.
  find<QTabWidget>("?SHEET")->setCurrentIndex(0);
  auto* note = find<QPlainTextEdit>("?NOTE");
  note->setFocus();
  settle();
  ::QTest::keyClicks(note, "two");
  ::QTest::keyClick(note, Qt::Key_Return);  // a new line, not the default button
  ::QTest::keyClicks(note, "lines");
  find<QLineEdit>("?NAME")->setFocus();
  settle();
  EXPECT_EQ(form->note, "two\nlines");
}

TEST_F(Sync, AlertKeysGoToTheModelWithTheTextTypedSoFar) {
  ASSERT_NE(window, nullptr);
  auto* name = find<QLineEdit>("?NAME");
  ::QTest::keyClick(name, Qt::Key_F2);  // the entry's lookup button
  settle();
  EXPECT_EQ(form->name, "LOOKED UP");
  EXPECT_EQ(name->text(), "LOOKED UP");
  EXPECT_EQ(form->log.back(), "accepted ?LOOKUP");

  // The calculator starts from what is typed, even before the entry is left.
  auto* amount = find<QLineEdit>("?AMOUNT");
  amount->setFocus();
  settle();
  amount->selectAll();
  ::QTest::keyClicks(amount, "6");
  port.queueCalculation("42");
  ::QTest::keyClick(amount, Qt::Key_K, Qt::ControlModifier);
  settle();
  ASSERT_FALSE(port.log().empty());
  EXPECT_EQ(port.log().back(), "calculator \"6.00\" -> \"42\"");
  EXPECT_EQ(form->amount, Decimal(42));
  EXPECT_EQ(amount->text(), "42.00");

  // Delete in an entry edits its text; F7 and F1 are the window's.
  ::QTest::keyClick(amount, Qt::Key_Delete);
  EXPECT_NE(form->log.back(), "key Delete ?AMOUNT");
  ::QTest::keyClick(amount, Qt::Key_F7);
  EXPECT_EQ(form->log.back(), "key F7 ?AMOUNT");

  // The edit menu of an entry is the model's.
  port.setClipboard("pasted");
  port.queueMenu("Paste");
  QPoint at = name->rect().center();
  QContextMenuEvent menu(QContextMenuEvent::Mouse, at, name->mapToGlobal(at));
  QApplication::sendEvent(name, &menu);
  settle();
  EXPECT_EQ(name->text(), "LOOKED UPPASTED");
}

// Values remembered for the name entry only.
class Remembered : public AutoEntryService {
 public:
  void accepted(Procedure&, Control& entry) override { accepted_.push_back(entry.name()); }
  std::vector<std::string> completions(Procedure& window, const Control& entry,
                                       std::string_view prefix) override {
    asked.push_back(window.name() + " " + entry.name() + " " + std::string(prefix));
    if (!entry.is("?NAME")) return {};
    std::vector<std::string> out;
    for (const char* v : {"ALPHA", "ALPINE", "BETA"})
      if (upper(v).rfind(upper(prefix), 0) == 0) out.emplace_back(v);
    return out;
  }
  std::vector<std::string> asked, accepted_;
};

TEST_F(Sync, TypeAheadOffersTheRememberedValues) {
  ASSERT_NE(window, nullptr);
  Remembered remembered;
  desktop.setAutoEntry(&remembered);
  auto* name = find<QLineEdit>("?NAME");
  name->setFocus();
  settle();
  ::QTest::keyClicks(name, "al");
  ASSERT_FALSE(remembered.asked.empty());
  EXPECT_EQ(remembered.asked.back(), "SyncForm ?NAME AL");  // as typed, upper-cased
  auto* completer = window->findChild<QCompleter*>();
  ASSERT_NE(completer, nullptr);
  QAbstractItemView* popup = completer->popup();
  EXPECT_TRUE(popup->isVisible());
  ASSERT_EQ(popup->model()->rowCount(), 2);
  EXPECT_EQ(popup->model()->index(1, 0).data().toString(), "ALPINE");
  // Choosing one fills the entry; leaving it commits it.
  ::QTest::keyClick(popup, Qt::Key_Down);
  ::QTest::keyClick(popup, Qt::Key_Down);
  ::QTest::keyClick(popup, Qt::Key_Return);
  EXPECT_EQ(name->text(), "ALPINE");
  window->leave(form->control("?NAME"), false);
  EXPECT_EQ(form->name, "ALPINE");
  EXPECT_EQ(remembered.accepted_.back(), "?NAME");
  // An entry with nothing remembered offers nothing.
  auto* amount = find<QLineEdit>("?AMOUNT");
  amount->setFocus();
  ::QTest::keyClicks(amount, "1");
  EXPECT_FALSE(popup->isVisible());
  desktop.setAutoEntry(nullptr);
}

TEST_F(Sync, CalledWindowsAreModalAndCloseBackToTheirCaller) {
  ASSERT_NE(window, nullptr);
  find<QPushButton>("?CALL")->click();
  settle();
  QtWindow* child = view.top();
  ASSERT_NE(child, nullptr);
  ASSERT_NE(child, window);
  EXPECT_EQ(child->windowTitle(), "Child window");
  EXPECT_EQ(child->parentWidget(), window);
  EXPECT_EQ(child->windowModality(), Qt::WindowModal);
  EXPECT_EQ(window->windowModality(), Qt::NonModal);
  // The caller takes no input while the child is open.
  find<QCheckBox>("?ACTIVE")->click();
  EXPECT_FALSE(form->active);

  QPointer<QtWindow> gone = child;
  child->findChild<QPushButton*>("?OK")->click();
  settle();
  EXPECT_TRUE(gone.isNull());
  EXPECT_EQ(view.top(), window);
  EXPECT_EQ(form->log.back(), "child 1");

  // The close box asks the model, which closes the window.
  QPointer<QtWindow> self = window;
  window->close();
  settle();
  EXPECT_EQ(desktop.depth(), 0u);
  EXPECT_TRUE(self.isNull());
}

TEST_F(Sync, AProceduresTimerRunsByTheClock) {
  ASSERT_NE(window, nullptr);
  struct Ticking : Procedure {
    explicit Ticking(frame::Context& c) : Procedure(c, "Child", childDef()) {}
    void init() override { setTimer(5); }
    void timer() override {
      if (++ticks == 3) setTimer(0);
    }
    int ticks = 0;
  };
  auto& t = static_cast<Ticking&>(desktop.open(std::make_unique<Ticking>(ctx)));
  EXPECT_TRUE(::QTest::qWaitFor([&] { return t.ticks >= 3; }, 10000));
  settle();
  EXPECT_EQ(t.ticks, 3);  // stopped by the procedure
  // A scripted run ticks only when the script says so.
  view.setClockTimers(false);
  t.setTimer(5);
  view.top()->syncTimer();
  ::QTest::qWait(30);
  EXPECT_EQ(t.ticks, 3);
  view.top()->timerTick();
  EXPECT_EQ(t.ticks, 4);
}

TEST_F(Sync, TheSessionPlacesNewWindowsAndChoosesTheirFont) {
  ASSERT_NE(window, nullptr);
  view.setRememberGeometry(false);
  session.g.STARTX = 40;
  session.g.STARTY = 30;
  session.g.OPENMAX = 1;
  session.g.MAXHEIGHT = 480;
  session.g.FontName = "DejaVu Serif";
  session.g.FontSize = 12;
  session.g.FontStyle = kItalic;
  session.g.FontColor = 0x800000;
  find<QPushButton>("?CALL")->click();
  settle();
  QtWindow* child = view.top();
  ASSERT_NE(child, window);
  EXPECT_EQ(child->pos(), QPoint(40, 30));
  EXPECT_EQ(child->height(), 480);
  EXPECT_EQ(child->font().family(), "DejaVu Serif");
  EXPECT_EQ(child->font().pointSize(), 12);
  EXPECT_TRUE(child->font().italic());
  EXPECT_EQ(child->palette().color(QPalette::Active, QPalette::WindowText), QColor(0x80, 0, 0));
  EXPECT_TRUE(child->findChild<QPushButton*>("?OK")->font().italic());  // the window's controls
  child->findChild<QPushButton*>("?OK")->click();
  settle();

  // A start beyond the screen is brought back inside it; the font can be switched off.
  session.g.STARTX = 100000;
  session.g.FontDisable = 1;
  find<QPushButton>("?CALL")->click();
  settle();
  child = view.top();
  ASSERT_NE(child, window);
  QRect screen = child->screen()->availableGeometry();
  EXPECT_LE(child->frameGeometry().right(), screen.right());
  EXPECT_GE(child->x(), screen.left());
  EXPECT_NE(child->font().family(), "DejaVu Serif");
}

TEST_F(Sync, AWindowReopensAtTheSizeItWasClosedAt) {
  ASSERT_NE(window, nullptr);
  // Within the offscreen screen: a kept size larger than the screen is cut down to it.
  window->resize(700, 500);
  settle();
  find<QPushButton>("?CLOSE")->click();
  settle();
  EXPECT_TRUE(QSettings().contains("windows/SYNCFORM/geometry"));
  desktop.open(std::make_unique<SyncForm>(ctx));
  QtWindow* again = view.top();
  ASSERT_NE(again, nullptr);
  EXPECT_EQ(again->size(), QSize(700, 500));
}

// A size and place kept from a session at 100 % on a 1920x1080 screen, reopened at 150 % (an
// available area of 1280x693): the window is cut down to the area and moved onto it; one whose
// least size is larger than the area keeps its title bar on screen.
TEST(WindowPlacement, ARestoredGeometryIsBroughtWithinTheAvailableScreen) {
  const QMargins frame(1, 30, 1, 1);
  const QRect area(0, 0, 1280, 693);
  QRect r = fitWithin(QRect(41, 0, 1838, 1079), frame, area, QSize(720, 400));
  EXPECT_EQ(r, area);
  // A window that fits keeps its size and is only moved in, past the right and bottom edges...
  r = fitWithin(QRect(1100, 600, 400, 300), frame, area, QSize(200, 100));
  EXPECT_EQ(r, QRect(880, 393, 400, 300));
  // ...and with its title bar above the top or left of the area (a panel at the top).
  r = fitWithin(QRect(-50, 10, 400, 300), frame, QRect(0, 32, 1280, 661), QSize(200, 100));
  EXPECT_EQ(r, QRect(0, 32, 400, 300));
  // A least size beyond the area: the top left corner stays on screen.
  r = fitWithin(QRect(600, 400, 900, 800), frame, area, QSize(1400, 760));
  EXPECT_EQ(r, QRect(0, 0, 1402, 791));
  // On a second screen to the right, the area's own position counts.
  r = fitWithin(QRect(100, 100, 1838, 1079), frame, QRect(1920, 0, 1280, 693), QSize(720, 400));
  EXPECT_EQ(r, QRect(1920, 0, 1280, 693));
}

// A list asks for room for many rows, its description column takes the width the window has
// over, and what is typed in the list goes to the locator, where the user sees it.
TEST_F(RendererTest, ListsTakeTheRoomTheyAreGivenAndTypingGoesToTheLocator) {
  static const WindowDef def = parseWindowDef(R"({
    "name": "Located", "title": "Located", "controls": [
      {"kind": "prompt", "text": "&Locate:"},
      {"kind": "entry", "name": "?LOCATOR", "use": "LOC:Locate", "picture": "@s20"},
      {"kind": "list", "name": "?LIST", "columns": [
        {"header": "ID", "use": "ID", "picture": "@s10", "width": 10},
        {"header": "Description", "use": "DESC", "picture": "@s30", "width": 30},
        {"header": "Class", "use": "CLASS", "picture": "@s20", "width": 20},
        {"header": "Rate", "use": "RATE", "picture": "@n12.2", "width": 12}]},
      {"kind": "button", "name": "?CLOSE", "text": "Close", "action": "close"}]})",
                                              "Located.json");
  struct Located : Procedure {
    explicit Located(frame::Context& ctx) : Procedure(ctx, "Located", def) {}
    void init() override {
      bindLocal("LOC:Locate", typed);
      control("?LOCATOR").setIncremental(true);
      std::vector<QueueListModel::Row> one(1);
      one[0].cells = {std::string("AC-801"), std::string("Compressor"), std::string("Air"),
                      Decimal(10)};
      rows.setRows(std::move(one));
      control("?LIST").setList(&rows);
    }
    std::string typed;
    QueueListModel rows{def.controls[2].columns};
  };
  QtDesktop view(desktop);
  auto& p = static_cast<Located&>(desktop.open(std::make_unique<Located>(ctx)));
  QtWindow* w = view.top();
  ASSERT_NE(w, nullptr);
  auto* list = w->findChild<QTableView*>(QStringLiteral("?LIST"));
  ASSERT_NE(list, nullptr);
  EXPECT_GE(list->sizeHint().height(), 16 * list->verticalHeader()->defaultSectionSize());

  w->resize(600, 400);
  settle();
  QHeaderView* header = list->horizontalHeader();
  const int id = header->sectionSize(0), desc = header->sectionSize(1);
  const int cls = header->sectionSize(2), rate = header->sectionSize(3);
  w->resize(1000, 400);
  settle();
  EXPECT_GT(header->sectionSize(1), desc);
  EXPECT_EQ(header->sectionSize(0), id);
  EXPECT_EQ(header->sectionSize(2), cls);
  EXPECT_EQ(header->sectionSize(3), rate);
  EXPECT_EQ(header->sectionViewportPosition(3) + rate, list->viewport()->width());

  w->activateWindow();
  (void)::QTest::qWaitForWindowActive(w);
  list->setFocus();
  settle();
  auto* locator = w->findChild<QLineEdit*>(QStringLiteral("?LOCATOR"));
  ASSERT_NE(locator, nullptr);
  ::QTest::keyClicks(list, "a");
  settle();
  EXPECT_TRUE(locator->hasFocus());
  ::QTest::keyClicks(locator, "c");
  settle();
  EXPECT_EQ(locator->text(), "ac");
  EXPECT_EQ(p.typed, "ac");
}

// The buttons that act on a list's records stand first, Insert, Change, Delete, on every
// window; the control with the focus has a ring around it, whatever the style, also while the
// window is not active.
TEST_F(RendererTest, RecordButtonsInOneOrderAndTheFocusRingFollowsTheFocus) {
  static const WindowDef def = parseWindowDef(R"({
    "name": "Rows", "title": "Rows", "controls": [
      {"kind": "list", "name": "?LIST", "columns": [{"header": "Item", "use": "ITEM"}]},
      {"kind": "button", "name": "?SENDTO", "text": "Send List Contents To..."},
      {"kind": "button", "name": "?DELETEROW", "text": "&Delete"},
      {"kind": "button", "name": "?ADDROW", "text": "&Insert"},
      {"kind": "button", "name": "?CHANGEROW", "text": "&Change"},
      {"kind": "check", "name": "?ALL", "text": "&All"},
      {"kind": "button", "name": "?CLOSE", "text": "Close", "action": "close"}]})",
                                              "Rows.json");
  QtDesktop view(desktop);
  Procedure& p = desktop.open(std::make_unique<Procedure>(ctx, "Rows", def));
  QtWindow* w = view.top();
  ASSERT_NE(w, nullptr);
  w->resize(500, 300);
  w->layout()->activate();
  auto x = [&](const char* name) {
    auto* b = w->findChild<QPushButton*>(QString::fromLatin1(name));
    return b ? b->mapTo(w, QPoint(0, 0)).x() : -1;
  };
  EXPECT_LT(x("?ADDROW"), x("?CHANGEROW"));
  EXPECT_LT(x("?CHANGEROW"), x("?DELETEROW"));
  EXPECT_LT(x("?DELETEROW"), x("?SENDTO"));

  auto* ring = w->findChild<QWidget*>(QStringLiteral("focusMark"));
  ASSERT_NE(ring, nullptr);
  auto around = [&](const char* name) {
    QWidget* target = w->findChild<QWidget*>(QString::fromLatin1(name));
    QRect r(target->mapTo(w, QPoint(0, 0)), target->size());
    QRect mark(ring->mapTo(w, QPoint(0, 0)), ring->size());
    return ring->isVisible() && mark.contains(r.adjusted(2, 2, -2, -2)) &&
           r.contains(mark.adjusted(4, 4, -4, -4));
  };
  p.userFocus(p.control("?ALL"));
  settle();
  EXPECT_TRUE(around("?ALL"));
  p.userFocus(p.control("?LIST"));
  settle();
  EXPECT_TRUE(around("?LIST"));
  desktop.closeAll();
}

}  // namespace
}  // namespace koreq::ui::qt::test
