#include "ui/qt/qt_window.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QStringListModel>
#include <QStyle>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

#include "runtime/icon_name.h"
#include "runtime/picture.h"
#include "runtime/text.h"
#include "ui/model/desktop.h"
#include "ui/qt/list_table_model.h"
#include "ui/qt/qt_desktop.h"

namespace koreq::ui::qt {

namespace {

QString qs(const std::string& s) {
  return QString::fromStdString(s);
}

bool isTextKind(ControlKind k) {
  return k == ControlKind::Entry || k == ControlKind::Text || k == ControlKind::DropCombo;
}

// Controls that sit in a form row (a prompt beside them, or an empty label column).
bool isFieldKind(ControlKind k) {
  switch (k) {
    case ControlKind::Entry:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::Check:
    case ControlKind::Radio:
    case ControlKind::Progress:
    case ControlKind::String:
    case ControlKind::Text:
      return true;
    default:
      return false;
  }
}

// A static text long enough to be an explanation: it wraps, across the whole form.
bool isNote(const Control& c) {
  return c.kind() == ControlKind::String && c.def().use.empty() && c.text().size() > 60;
}

bool isDialogAction(StandardAction a) {
  return a == StandardAction::Ok || a == StandardAction::Cancel || a == StandardAction::Close ||
         a == StandardAction::Help;
}

// The buttons that act on the window as a whole, in the order they stand at the right of its
// button row on every window: Select, OK, Cancel, Close, Help. 0 for any other button.
int ownButtonRank(const Control& c) {
  if (c.kind() != ControlKind::Button) return 0;
  switch (c.def().action) {
    case StandardAction::Select:
      return 1;
    case StandardAction::Ok:
      return 2;
    case StandardAction::Cancel:
      return 3;
    case StandardAction::Close:
      return 4;
    case StandardAction::Help:
      return 5;
    default:
      break;
  }
  const std::string n = upper(c.name());
  if (n == "?SELECT") return 1;
  if (n == "?OK") return 2;
  if (n == "?CANCEL") return 3;
  if (n == "?CLOSE") return 4;
  if (n == "?HELP") return 5;
  return 0;
}

// The buttons that act on a list's records stand first in their row, in one order on every
// window: Insert, Change, Delete. 0 for any other button.
int recordButtonRank(const Control& c) {
  if (c.kind() != ControlKind::Button) return 0;
  switch (c.def().action) {
    case StandardAction::Insert:
      return 1;
    case StandardAction::Change:
      return 2;
    case StandardAction::Delete:
      return 3;
    default:
      break;
  }
  const std::string t = upper(plainCaption(c.text()));
  if (t == "INSERT" || t == "ADD") return 1;
  if (t == "CHANGE") return 2;
  if (t == "DELETE") return 3;
  return 0;
}

// The controls in window order, with each run of buttons that holds record buttons put in the
// one order: Insert, Change, Delete, then the others as they stand.
std::vector<Control*> inButtonOrder(const std::vector<Control*>& kids) {
  std::vector<Control*> out(kids);
  auto isButton = [](const Control* c) { return c->kind() == ControlKind::Button; };
  for (auto it = out.begin(); it != out.end();) {
    if (!isButton(*it)) {
      ++it;
      continue;
    }
    auto end = std::find_if_not(it, out.end(), isButton);
    if (std::count_if(it, end, [](const Control* c) { return recordButtonRank(*c) > 0; }) > 1)
      std::stable_sort(it, end, [](const Control* a, const Control* b) {
        auto rank = [](const Control* c) {
          int r = recordButtonRank(*c);
          return r > 0 ? r : 4;
        };
        return rank(a) < rank(b);
      });
    it = end;
  }
  return out;
}

bool sameName(const std::string& a, const std::string& b) {
  return !a.empty() && upper(a) == upper(b);
}

// Characters an entry shows: its own width, else its picture's, else a sensible default.
int charsShown(const Control& c) {
  if (c.def().width > 0) return c.def().width;
  PictureSpec pic = PictureSpec::parse(c.picture());
  if (pic.kind == PictureSpec::Kind::Date && pic.width == 0) return 18;  // "September 30, 2015"
  if (pic.width > 0) return pic.width;
  return c.kind() == ControlKind::Text ? 40 : 20;
}

int charWidth(const QWidget* w) {
  return w->fontMetrics().horizontalAdvance(QLatin1Char('0'));
}

bool numeric(const Control& c) {
  return PictureSpec::parse(c.picture()).kind == PictureSpec::Kind::Number;
}

// What an entry shows: numbers and dates without their padding, texts without trailing blanks.
QString shownText(const Control& c) {
  PictureSpec pic = PictureSpec::parse(c.picture());
  if (pic.kind == PictureSpec::Kind::Text || pic.kind == PictureSpec::Kind::Unknown)
    return qs(clipped(c.text()));
  return qs(clipped(trimLeft(c.text())));
}

Key keyOf(const QKeyEvent* e) {
  const bool ctrl = e->modifiers() & Qt::ControlModifier;
  const int k = e->key();
  if (k >= Qt::Key_F1 && k <= Qt::Key_F12 && !ctrl)
    return static_cast<Key>(static_cast<int>(Key::F1) + (k - Qt::Key_F1));
  if (ctrl && k == Qt::Key_H) return Key::CtrlH;
  if (ctrl && k == Qt::Key_K) return Key::CtrlK;
  if (ctrl) return Key::None;
  if (e->modifiers() & Qt::KeypadModifier) {
    switch (k) {
      case Qt::Key_2:
        return Key::Keypad2;
      case Qt::Key_5:
        return Key::Keypad5;
      case Qt::Key_6:
        return Key::Keypad6;
      case Qt::Key_Period:
      case Qt::Key_Comma:
        return Key::KeypadPoint;
      default:
        break;
    }
  }
  switch (k) {
    case Qt::Key_Insert:
      return Key::Insert;
    case Qt::Key_Delete:
      return Key::Delete;
    case Qt::Key_Space:
      return Key::Space;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return Key::Enter;
    case Qt::Key_Escape:
      return Key::Escape;
    case Qt::Key_Tab:
      return e->modifiers() & Qt::ShiftModifier ? Key::None : Key::Tab;
    default:
      return Key::None;
  }
}

// Qt counts positions in UTF-16 units; the model in bytes of the UTF-8 text.
std::size_t utf8Offset(const QString& text, int position) {
  return static_cast<std::size_t>(text.left(position).toUtf8().size());
}
int qtOffset(const std::string& text, std::size_t bytes) {
  return static_cast<int>(QString::fromUtf8(text.substr(0, std::min(bytes, text.size()))).size());
}

QColor qtColour(Colour c) {
  return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

// A check box without a caption of its own takes its prompt's.
std::string checkCaption(const Control& c) {
  if (c.text().empty() && c.prompt()) return c.prompt()->text();
  return c.text();
}

// Whether a control takes the height the window gains: lists, sheets, pictures, long texts, and
// the groups around them.
bool grows(const Control& c) {
  switch (c.kind()) {
    case ControlKind::List:
    case ControlKind::Sheet:
    case ControlKind::Image:
      return true;
    case ControlKind::Text:
      return c.def().lines == 0 || c.def().lines > 3;
    case ControlKind::Group:
    case ControlKind::Tab:
      for (const Control* k : c.children())
        if (grows(*k)) return true;
      return false;
    default:
      return false;
  }
}

bool anyGrows(const std::vector<Control*>& kids) {
  return std::any_of(kids.begin(), kids.end(), [](const Control* k) { return grows(*k); });
}

// The widgets a focus mark may be drawn in: the scrolling content of a window or tab page, and
// the window itself; the mark scrolls and clips with them.
const char* const kFocusHost = "koreqFocusHost";

// The most a window's content may ask for before it scrolls: small enough that every window
// fits a 1366x768 laptop and a 1080p screen at 150 % with its title bar and button row.
constexpr int kScrollMinWidth = 720;
constexpr int kScrollMinHeight = 400;

// A scroll area that asks for its content's whole size when there is room, and for little when
// there is not: the window opens as large as its content, and a small screen gets scroll bars
// instead of controls below its edge.
class FitScrollArea : public QScrollArea {
 public:
  explicit FitScrollArea(QWidget* content) {
    content->setProperty(kFocusHost, true);
    setWidget(content);
    setWidgetResizable(true);
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::NoFocus);
    viewport()->setAutoFillBackground(false);
    content->setAutoFillBackground(false);
  }
  QSize sizeHint() const override {
    QSize s = widget()->sizeHint().expandedTo(widget()->minimumSizeHint());
    return s + QSize(2 * frameWidth(), 2 * frameWidth());
  }
  QSize minimumSizeHint() const override {
    QSize s = widget()->minimumSizeHint();
    return QSize(std::min(s.width(), kScrollMinWidth) + verticalScrollBar()->sizeHint().width(),
                 std::min(s.height(), kScrollMinHeight));
  }
};

// Rows a list asks room for: the window opens as tall as the screen lets it, up to this; its
// least size stays small.
constexpr int kListRowsWanted = 16;

class ListView : public QTableView {
 public:
  QSize sizeHint() const override {
    const int h = horizontalHeader()->sizeHint().height() +
                  verticalHeader()->defaultSectionSize() * kListRowsWanted + 2 * frameWidth() +
                  horizontalScrollBar()->sizeHint().height();
    return QSize(QTableView::sizeHint().width(), h);
  }
};

// The column a list's spare width goes to: its description, else its widest text column; none
// when every column is a figure, a date or an icon (they stay beside each other).
int spareWidthColumn(const std::vector<ColumnDef>& cols) {
  int best = -1, bestChars = 0;
  for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
    const ColumnDef& col = cols[static_cast<std::size_t>(i)];
    const PictureSpec pic = PictureSpec::parse(col.picture);
    if (col.icon || col.right || pic.kind == PictureSpec::Kind::Number ||
        pic.kind == PictureSpec::Kind::Date)
      continue;
    if (upper(col.header).find("DESCRIPTION") != std::string::npos) return i;
    const int chars = col.width > 0 ? col.width : pic.width;
    if (best < 0 || chars > bestChars) {
      best = i;
      bestChars = chars;
    }
  }
  return best;
}

}  // namespace

// A ring around the control that has the focus, drawn by the renderer rather than the style:
// every style shows it the same way, also on a window that is not active (the model's focus),
// and lists, check boxes and buttons get one as clearly as entries.
class FocusMark : public QWidget {
 public:
  explicit FocusMark(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
    setObjectName(QStringLiteral("focusMark"));
  }
  ~FocusMark() override { unwatch(); }
  FocusMark(const FocusMark&) = delete;
  FocusMark& operator=(const FocusMark&) = delete;

  QWidget* target() const { return target_; }

  void setTarget(QWidget* w) {
    if (w == target_) {
      place();
      return;
    }
    unwatch();
    target_ = w;
    if (!w) {
      hide();
      return;
    }
    QWidget* host = w->parentWidget();
    while (host && !host->property(kFocusHost).toBool()) host = host->parentWidget();
    if (!host) {
      target_ = nullptr;
      hide();
      return;
    }
    if (parentWidget() != host) setParent(host);
    // A move or resize of the control or of any box around it moves the ring.
    for (QWidget* p = w; p && p != host; p = p->parentWidget()) {
      p->installEventFilter(this);
      watched_.push_back(p);
    }
    place();
  }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::Move:
      case QEvent::Resize:
      case QEvent::Show:
      case QEvent::Hide:
      case QEvent::EnabledChange:
        place();
        break;
      default:
        break;
    }
    return QWidget::eventFilter(watched, event);
  }

  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette().color(QPalette::Active, QPalette::Highlight), kRing);
    p.setPen(pen);
    p.drawRoundedRect(QRectF(rect()).adjusted(kRing / 2.0, kRing / 2.0, -kRing / 2.0, -kRing / 2.0),
                      3, 3);
  }

 private:
  static constexpr int kRing = 2;
  static constexpr int kGap = 1;  // between the control and the ring

  void place() {
    QWidget* host = parentWidget();
    if (!target_ || !host || !target_->isVisibleTo(host) || !target_->isEnabled()) {
      hide();
      return;
    }
    const int out = kRing + kGap;
    QRect r(target_->mapTo(host, QPoint(0, 0)), target_->size());
    // Where the control touches the edge of its scrolling box, the ring stays inside the box.
    r = r.adjusted(-out, -out, out, out).intersected(host->rect());
    setGeometry(r);
    QRegion ring(rect());
    setMask(ring - QRegion(rect().adjusted(kRing, kRing, -kRing, -kRing)));
    raise();
    show();
  }

  void unwatch() {
    for (QWidget* p : watched_)
      if (p) p->removeEventFilter(this);
    watched_.clear();
  }

  QPointer<QWidget> target_;
  std::vector<QPointer<QWidget>> watched_;
};

QIcon iconByName(const std::string& name) {
  const std::string bare = builtInPictureName(name);
  if (bare.empty()) return {};
  QString path = QStringLiteral(":/koreq/icons/") + qs(bare) + QStringLiteral(".png");
  return QFile::exists(path) ? QIcon(path) : QIcon();
}

QtWindow::QtWindow(QtDesktop& desktop, Procedure& procedure, QWidget* parent)
    : QDialog(parent), desktop_(desktop), proc_(procedure) {
  setObjectName(qs(procedure.name()));
  setProperty(kFocusHost, true);
  setSizeGripEnabled(true);
  applyUserFont();
  auto* box = new QVBoxLayout(this);
  std::vector<Control*> top;
  for (Control* c : proc_.window().controls())
    if (!c->parent()) top.push_back(c);
  // The window's button row stays in view; everything above it scrolls when the screen is
  // too small for it.
  // The window's own buttons join it wherever the structure has them.
  auto firstButton = top.end();
  while (firstButton != top.begin() && (*(firstButton - 1))->kind() == ControlKind::Button)
    --firstButton;
  std::vector<Control*> body, buttonRow, own;
  for (auto it = top.begin(); it != top.end(); ++it) {
    if (ownButtonRank(**it) > 0)
      own.push_back(*it);
    else
      (it < firstButton ? body : buttonRow).push_back(*it);
  }
  std::stable_sort(own.begin(), own.end(), [](const Control* a, const Control* b) {
    return ownButtonRank(*a) < ownButtonRank(*b);
  });
  buttonRow.insert(buttonRow.end(), own.begin(), own.end());
  ++syncing_;
  if (!body.empty()) {
    auto* content = new QWidget;
    auto* inner = new QVBoxLayout(content);
    inner->setContentsMargins(0, 0, 0, 0);
    buildChildren(inner, body, true);
    if (!anyGrows(body)) inner->addStretch();
    box->addWidget(new FitScrollArea(content), 1);
  }
  buildChildren(box, buttonRow, true);
  --syncing_;
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] {
    if (desktop_.clockTimers()) timerTick();
  });
  // The ring follows the focus as the user moves it, to controls of the model or not (a tab bar).
  focusMark_ = new FocusMark(this);
  focusMark_->hide();
  focusFollow_ = connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && now->window() == this) markFocus(now);
  });
  refreshAll();
  proc_.window().setObserver(this);
}

QtWindow::~QtWindow() {
  if (attached_) detach();
  disconnect(focusFollow_);
  if (focusMark_) focusMark_->setTarget(nullptr);
  // Deleting the widgets moves the focus and hides them, which makes them send signals and
  // events: none may reach this object, half gone, any more.
  for (QObject* child : findChildren<QObject*>()) {
    child->disconnect(this);
    child->removeEventFilter(this);
  }
}

void QtWindow::detach() {
  if (!attached_) return;
  attached_ = false;
  if (proc_.window().observer() == this) proc_.window().setObserver(nullptr);
  for (auto& [c, item] : items_)
    if (item.model) item.model->release();
  timer_->stop();
  if (completer_) completer_->popup()->hide();
}

// The font the user chose for every window (AnyFont:FontName and the others), unless it is
// switched off (AnyFont:Disable). Size in points; colour 0xRRGGBB; style bold 1, italic 2,
// underline 4, as controls' font styles.
void QtWindow::applyUserFont() {
  const frame::SessionGlobals& g = proc_.ctx().session().g;
  std::string family = clipped(g.FontName.str());
  if (g.FontDisable || family.empty()) return;
  QFont f = font();
  f.setFamily(qs(family));
  if (g.FontSize > 0 && g.FontSize < 200) f.setPointSize(static_cast<int>(g.FontSize));
  f.setBold(g.FontStyle & kBold);
  f.setItalic(g.FontStyle & kItalic);
  f.setUnderline(g.FontStyle & kUnderline);
  setFont(f);
  if (g.FontColor > 0) {
    QPalette pal = palette();
    QColor colour = qtColour(static_cast<Colour>(g.FontColor));
    for (auto group : {QPalette::Active, QPalette::Inactive})
      for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        pal.setColor(group, role, colour);
    setPalette(pal);
  }
}

// ---- Building -----------------------------------------------------------------------------------

void QtWindow::buildChildren(QBoxLayout* box, const std::vector<Control*>& given, bool topLevel) {
  const std::vector<Control*> kids = inButtonOrder(given);
  QFormLayout* form = nullptr;
  QHBoxLayout* fieldRow = nullptr;  // the row of the field just placed (for a button beside it)
  Control* field = nullptr;
  QHBoxLayout* buttons = nullptr;
  QHBoxLayout* dialogButtons = nullptr;  // the right-hand part of a window's button row
  QWidget* leading = nullptr;            // a button that goes in front of the next field
  auto endForm = [&] {
    form = nullptr;
    fieldRow = nullptr;
    field = nullptr;
  };
  auto ensureForm = [&] {
    if (form) return;
    form = new QFormLayout;
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    box->addLayout(form);
  };

  for (std::size_t i = 0; i < kids.size(); ++i) {
    Control& c = *kids[i];
    const ControlKind kind = c.kind();
    if (kind == ControlKind::Prompt) {
      bool placedLater = false;
      for (std::size_t j = i + 1; j < kids.size() && !placedLater; ++j)
        placedLater = kids[j]->prompt() == &c && isFieldKind(kids[j]->kind());
      if (placedLater) continue;
      buttons = nullptr;
      ensureForm();
      auto* label = new QLabel(qs(c.text()));
      items_[&c] = Item{&c, label, nullptr, label};
      byWidget_[label] = &c;
      // A prompt before figures (strings that show a variable, or the headings over such
      // figures: static strings with the figures' picture) labels them all, on one row.
      std::size_t j = i + 1;
      while (j < kids.size() && kids[j]->kind() == ControlKind::String &&
             (!kids[j]->def().use.empty() || !kids[j]->def().picture.empty()) && !kids[j]->prompt())
        ++j;
      if (j > i + 1) {
        auto* row = new QWidget;
        auto* h = new QHBoxLayout(row);
        h->setContentsMargins(0, 0, 0, 0);
        for (std::size_t k = i + 1; k < j; ++k) {
          QWidget* w = makeWidget(*kids[k]);
          w->setMinimumWidth(charWidth(w) * 14);
          h->addWidget(w);
        }
        h->addStretch();
        form->addRow(label, row);
        i = j - 1;
        continue;
      }
      form->addRow(label);
      continue;
    }
    if (kind == ControlKind::Button) {
      const Control* next = i + 1 < kids.size() ? kids[i + 1] : nullptr;
      bool linked = field && (sameName(field->def().lookup, c.name()) ||
                              sameName(c.def().forControl, field->name()));
      bool alone = field && !isDialogAction(c.def().action) &&
                   (!next || next->kind() != ControlKind::Button) &&
                   (field->kind() == ControlKind::Entry || field->kind() == ControlKind::DropList ||
                    field->kind() == ControlKind::DropCombo);
      if (fieldRow && (linked || alone) && !buttons) {
        QWidget* b = makeButton(c);
        // A lookup or calendar button beside its entry is reached by F2 or the mouse: Tab goes
        // on to the next entry, so what is typed after one Tab lands there.
        if (linked || plainCaption(c.text()) == "..." || plainCaption(c.text()).empty())
          b->setFocusPolicy(Qt::NoFocus);
        fieldRow->insertWidget(fieldRow->count() - 1, b);
        continue;
      }
      // A lone button just before an entry (a search button before its locator) leads the
      // entry's row.
      const Control* prev = i > 0 ? kids[i - 1] : nullptr;
      if (!buttons && !isDialogAction(c.def().action) && next &&
          (next->kind() == ControlKind::Entry || next->kind() == ControlKind::DropCombo) &&
          (!prev || prev->kind() != ControlKind::Button)) {
        leading = makeButton(c);
        continue;
      }
      endForm();
      if (!buttons) {
        buttons = new QHBoxLayout;
        box->addLayout(buttons);
        bool trailing = true;
        for (std::size_t j = i; j < kids.size(); ++j)
          trailing = trailing && kids[j]->kind() == ControlKind::Button;
        // The buttons that end a window form its button row: the window's own actions (OK,
        // Cancel, Close, Help, Select) on the right, the others on the left.
        if (trailing && topLevel) {
          auto* left = new QHBoxLayout;
          dialogButtons = new QHBoxLayout;
          buttons->addLayout(left);
          buttons->addStretch();
          buttons->addLayout(dialogButtons);
          buttons = left;
        } else {
          dialogButtons = nullptr;
        }
      }
      const bool own = ownButtonRank(c) > 0;
      (dialogButtons && own ? dialogButtons : buttons)->addWidget(makeButton(c));
      continue;
    }
    if (buttons) buttons->addStretch();
    buttons = nullptr;

    // A drop list without a prompt right after an entry is that entry's unit ("Every [9]
    // [Miles]"): it shares the entry's row.
    if (fieldRow && field && field->kind() == ControlKind::Entry && !c.prompt() &&
        (kind == ControlKind::DropList || kind == ControlKind::DropCombo)) {
      fieldRow->insertWidget(fieldRow->count() - 1, makeWidget(c));
      continue;
    }
    // A short string without a prompt right after a field is its mark ("*"): it shares the row.
    if (fieldRow && field && kind == ControlKind::String && !c.prompt() && c.text().size() <= 3) {
      fieldRow->insertWidget(fieldRow->count() - 1, makeWidget(c));
      continue;
    }
    // A text or radio group without a prompt stands across the form, not under the prompts.
    const bool spansForm =
        (kind == ControlKind::Text || kind == ControlKind::Radio || isNote(c)) && !c.prompt();
    if (isFieldKind(kind) && !spansForm) {
      ensureForm();
      QWidget* w = makeWidget(c);
      auto* row = new QWidget;
      row->setObjectName(qs(c.name() + ":row"));
      auto* h = new QHBoxLayout(row);
      h->setContentsMargins(0, 0, 0, 0);
      if (leading) h->addWidget(std::exchange(leading, nullptr));
      h->addWidget(w);
      h->addStretch();
      items_[&c].row = row;
      if (Control* p = c.prompt(); p && kind == ControlKind::Check && c.text().empty()) {
        // A check box's prompt is its caption, on the same side as every other check box's.
        form->addRow(QString(), row);
      } else if (p && p->parent() == c.parent()) {
        auto* label = new QLabel(qs(p->text()));
        label->setBuddy(w);
        items_[p] = Item{p, label, nullptr, label};
        byWidget_[label] = p;
        form->addRow(label, row);
      } else {
        form->addRow(QString(), row);
      }
      // A text control grows with the window.
      if (kind == ControlKind::Text) h->setStretch(0, 1);
      if (kind == ControlKind::Entry && charsShown(c) >= 40) h->setStretch(0, 1);
      fieldRow = h;
      field = &c;
      continue;
    }
    if (spansForm) {
      ensureForm();
      form->addRow(makeWidget(c));
      field = nullptr;
      fieldRow = nullptr;
      continue;
    }
    endForm();
    QWidget* w = makeWidget(c);
    box->addWidget(w, grows(c) ? 1 : 0);
  }
  if (buttons && !dialogButtons) buttons->addStretch();
}

void QtWindow::watch(QWidget* w, Control& c) {
  w->setObjectName(qs(c.name()));
  byWidget_[w] = &c;
  w->installEventFilter(this);
}

QWidget* QtWindow::makeWidget(Control& c) {
  Item& item = items_[&c];
  item.control = &c;
  QWidget* w = nullptr;
  switch (c.kind()) {
    case ControlKind::Entry: {
      auto* le = new QLineEdit;
      le->setMinimumWidth(charWidth(le) * std::min(charsShown(c) + 2, 60));
      if (charsShown(c) < 40) le->setMaximumWidth(charWidth(le) * (charsShown(c) + 3));
      connect(le, &QLineEdit::editingFinished, this, [this, &c] {
        if (!syncing_) leave(c, false);
      });
      connect(le, &QLineEdit::textEdited, this, [this, le, &c](const QString& t) {
        if (!attached_) return;
        QString shown =
            c.caseMode() == CaseMode::Def ? t : qs(applyCase(t.toStdString(), c.caseMode()));
        if (shown != t) {
          int at = le->cursorPosition();
          le->setText(shown);
          le->setCursorPosition(at);
          le->setModified(true);
        }
        offerCompletions(c, *le);
        // An incremental locator follows every keystroke.
        if (c.incremental() && !syncing_) {
          const std::string typed = le->text().toStdString();
          le->setModified(false);
          act([&] { proc_.userEdit(c, typed); });
        }
      });
      w = le;
      break;
    }
    case ControlKind::Text: {
      auto* te = new QPlainTextEdit;
      int lines = c.def().lines > 0 ? c.def().lines : 4;
      te->setMinimumHeight(te->fontMetrics().lineSpacing() * lines + 12);
      // A text of a few lines keeps that height; longer ones grow with the window.
      if (c.def().lines > 0 && c.def().lines <= 3)
        te->setMaximumHeight(te->fontMetrics().lineSpacing() * lines + 12);
      te->setMinimumWidth(charWidth(te) * std::min(charsShown(c) + 2, 80));
      te->setTabChangesFocus(true);
      w = te;
      break;
    }
    case ControlKind::DropList:
    case ControlKind::DropCombo: {
      auto* cb = new QComboBox;
      cb->setEditable(c.kind() == ControlKind::DropCombo);
      cb->setSizeAdjustPolicy(QComboBox::AdjustToContents);
      item.combo = cb;
      fillCombo(item);
      connect(cb, &QComboBox::activated, this, [this, &c](int index) {
        if (!syncing_) chosen(c, index + 1);
      });
      if (QLineEdit* le = cb->lineEdit()) {
        le->installEventFilter(this);
        byWidget_[le] = &c;
        connect(le, &QLineEdit::editingFinished, this, [this, &c] {
          if (!syncing_) leave(c, false);
        });
      }
      w = cb;
      break;
    }
    case ControlKind::Check: {
      auto* cb = new QCheckBox(qs(checkCaption(c)));
      connect(cb, &QCheckBox::clicked, this, [this, &c](bool on) {
        if (!syncing_) checkClicked(c, on);
      });
      w = cb;
      break;
    }
    case ControlKind::Radio:
      w = makeRadio(c);
      break;
    case ControlKind::List:
      w = makeList(c);
      break;
    case ControlKind::Sheet:
      w = makeSheet(c);
      break;
    case ControlKind::Group:
      w = makeGroup(c);
      break;
    case ControlKind::Button:
      return makeButton(c);
    case ControlKind::Image: {
      auto* label = new QLabel;
      label->setFrameShape(QFrame::StyledPanel);
      label->setAlignment(Qt::AlignCenter);
      // The box takes the room the window gives it; the picture is fitted to the box.
      label->setMinimumSize(160, 120);
      label->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
      label->setAcceptDrops(true);
      // A named picture opens its file when clicked.
      if (!c.name().empty()) label->setCursor(Qt::PointingHandCursor);
      item.label = label;
      w = label;
      break;
    }
    case ControlKind::Progress: {
      auto* bar = new QProgressBar;
      bar->setRange(0, 100);
      // The window says how far it is in words of its own.
      bar->setTextVisible(false);
      bar->setMinimumWidth(charWidth(bar) * 30);
      w = bar;
      break;
    }
    case ControlKind::String:
    case ControlKind::Prompt: {
      auto* label = new QLabel;
      label->setWordWrap(c.def().use.empty() && c.text().size() > 60);
      if (isNote(c)) {
        // A wrapping label asks its layout for the height of too few lines: it keeps the lines
        // it needs at its narrowest instead.
        const int narrowest = charWidth(label) * 60;
        label->setMinimumWidth(narrowest);
        label->setMinimumHeight(
            label->fontMetrics()
                .boundingRect(QRect(0, 0, narrowest, 4000), Qt::TextWordWrap, qs(c.text()))
                .height());
      }
      // A looked-up text given a width keeps it: a long description is cut with "…" (and
      // shown whole as its tip) rather than widening the window as the form is filled in.
      if (c.kind() == ControlKind::String && !c.def().use.empty() && c.def().width > 0)
        label->setFixedWidth(charWidth(label) * c.def().width);
      // Figures line up on the right, as in an entry.
      if (!c.def().picture.empty() &&
          PictureSpec::parse(c.def().picture).kind == PictureSpec::Kind::Number)
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
      item.label = label;
      w = label;
      break;
    }
    case ControlKind::Tab:
      return nullptr;  // pages are made by their sheet
  }
  item.widget = w;
  watch(w, c);
  return w;
}

QWidget* QtWindow::makeButton(Control& c) {
  auto* b = new QPushButton(qs(c.text()));
  b->setAutoDefault(false);
  // A lookup button ("...") is as narrow as its caption.
  if (plainCaption(c.text()).size() <= 3)
    b->setFixedWidth(b->fontMetrics().horizontalAdvance(b->text()) + 24);
  b->setDefault(c.def().isDefault);
  connect(b, &QPushButton::clicked, this, [this, &c] {
    if (!syncing_) press(c);
  });
  Item& item = items_[&c];
  item.control = &c;
  item.widget = b;
  watch(b, c);
  return b;
}

QWidget* QtWindow::makeList(Control& c) {
  Item& item = items_[&c];
  auto* view = new ListView;
  auto* model = new ListTableModel(c, view);
  model->setIconLookup(&iconByName);
  view->setModel(model);
  view->setItemDelegate(new RowStyleDelegate(view));
  view->setSelectionBehavior(QAbstractItemView::SelectRows);
  view->setSelectionMode(QAbstractItemView::SingleSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Tab goes on to the next control instead of walking the cells.
  view->setTabKeyNavigation(false);
  view->setAlternatingRowColors(true);
  view->setWordWrap(false);
  view->verticalHeader()->hide();
  view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
  view->horizontalHeader()->setSectionsClickable(true);
  view->horizontalHeader()->setHighlightSections(false);
  item.view = view;
  item.model = model;
  sizeColumns(item, c);
  item.widget = view;
  watch(view, c);
  view->viewport()->installEventFilter(this);
  byWidget_[view->viewport()] = &c;
  if (!c.def().dragTo.empty()) {
    view->setDragEnabled(true);
    view->setDragDropMode(QAbstractItemView::DragOnly);
  }
  for (Control* other : proc_.window().controls())
    if (c.is(other->def().dragTo)) view->viewport()->setAcceptDrops(true);

  connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          [this, &c](const QModelIndex& now) {
            if (!syncing_ && now.isValid()) rowChosen(c, now.row());
          });
  connect(view, &QTableView::clicked, this, [this, &c](const QModelIndex& index) {
    if (!syncing_ && index.isValid())
      act([&] { proc_.userClickCell(c, index.row(), index.column()); });
  });
  connect(view, &QTableView::doubleClicked, this, [this, &c](const QModelIndex& index) {
    if (!syncing_ && index.isValid()) rowActivated(c, index.row());
  });
  connect(view->horizontalHeader(), &QHeaderView::sectionClicked, this, [this, &c](int column) {
    if (!syncing_) headerClicked(c, column);
  });
  connect(model, &ListTableModel::currentRowChanged, this,
          [this, &c](int) { syncCurrentRow(items_[&c]); });
  connect(model, &ListTableModel::rowsReset, this, [this, &c] {
    Item& it = items_[&c];
    if (!it.model || !it.model->list()) return;
    ListModel* list = it.model->list();
    QHeaderView* header = it.view->horizontalHeader();
    header->setSortIndicatorShown(list->sortColumn() >= 0);
    if (list->sortColumn() >= 0)
      header->setSortIndicator(list->sortColumn(),
                               list->sortAscending() ? Qt::AscendingOrder : Qt::DescendingOrder);
    syncCurrentRow(it);
  });
  return view;
}

void QtWindow::sizeColumns(Item& item, const Control& c) {
  QTableView* view = item.view;
  item.columnsVersion = c.columnsVersion();
  const std::vector<ColumnDef>& cols = c.columns();
  view->horizontalHeader()->setStretchLastSection(false);
  item.spareTo = spareWidthColumn(cols);
  item.widths.clear();
  int total = 0;
  const int cw = charWidth(view);
  for (int i = 0; i < static_cast<int>(cols.size()); ++i) {
    const ColumnDef& col = cols[static_cast<std::size_t>(i)];
    int chars = col.width > 0 ? col.width : std::max(PictureSpec::parse(col.picture).width, 8);
    int width = std::max(cw * std::min(chars, 50) + 12,
                         view->fontMetrics().horizontalAdvance(qs(col.header)) + 24);
    item.widths.push_back(width);
    total += width;
  }
  view->setMinimumWidth(std::min(total + 24, 960));
  fitColumns(item);
}

void QtWindow::fitColumns(Item& item) {
  QTableView* view = item.view;
  if (!view) return;
  int total = 0;
  for (int w : item.widths) total += w;
  const int spare = std::max(0, view->viewport()->width() - total);
  for (int i = 0; i < static_cast<int>(item.widths.size()); ++i)
    view->horizontalHeader()->resizeSection(
        i, item.widths[static_cast<std::size_t>(i)] + (i == item.spareTo ? spare : 0));
}

QWidget* QtWindow::makeSheet(Control& c) {
  Item& item = items_[&c];
  auto* tabs = new QTabWidget;
  item.tabs = tabs;
  item.widget = tabs;
  watch(tabs, c);
  for (Control* tab : c.children()) {
    auto* page = new QWidget;
    auto* box = new QVBoxLayout(page);
    std::vector<Control*> kids(tab->children().begin(), tab->children().end());
    buildChildren(box, kids, false);
    if (!anyGrows(kids)) box->addStretch();
    // Each page scrolls on its own, so the tabs stay in view.
    int index = tabs->addTab(new FitScrollArea(page), qs(tab->text()));
    Item& t = items_[tab];
    t.control = tab;
    t.widget = page;
    t.tabs = tabs;
    t.tabIndex = index;
    page->setObjectName(qs(tab->name()));
    page->setAcceptDrops(true);
    page->installEventFilter(this);
    byWidget_[page] = tab;
  }
  connect(tabs, &QTabWidget::currentChanged, this, [this, &c](int index) {
    if (!syncing_ && index >= 0) chosen(c, index + 1);
  });
  return tabs;
}

QWidget* QtWindow::makeGroup(Control& c) {
  Item& item = items_[&c];
  // A group without a caption that lays its controls across is no box, only an arrangement.
  QWidget* group = c.def().across && c.text().empty() ? new QWidget : new QGroupBox(qs(c.text()));
  std::vector<Control*> kids(c.children().begin(), c.children().end());
  if (!c.def().across) {
    buildChildren(new QVBoxLayout(group), kids, false);
  } else {
    // Each inner group starts a column, and the controls after it go below it; controls before
    // the first group make a column of their own.
    auto* across = new QHBoxLayout(group);
    if (c.text().empty()) across->setContentsMargins(0, 0, 0, 0);
    std::vector<Control*> column;
    auto flush = [&] {
      if (column.empty()) return;
      auto* col = new QVBoxLayout;
      buildChildren(col, column, false);
      if (!anyGrows(column)) col->addStretch();
      across->addLayout(col, 1);
      column.clear();
    };
    for (Control* k : kids) {
      if (k->kind() == ControlKind::Group) flush();
      column.push_back(k);
    }
    flush();
  }
  item.widget = group;
  watch(group, c);
  return group;
}

QWidget* QtWindow::makeRadio(Control& c) {
  Item& item = items_[&c];
  auto* group = new QGroupBox(qs(c.text()));
  item.radios = new QButtonGroup(group);
  item.widget = group;
  fillRadio(item);
  connect(item.radios, &QButtonGroup::idClicked, this, [this, &c](int id) {
    if (!syncing_) chosen(c, id);
  });
  watch(group, c);
  return group;
}

void QtWindow::fillCombo(Item& item) {
  QComboBox* cb = item.combo;
  QStringList texts;
  for (const ItemDef& i : item.control->items()) texts << qs(i.text);
  QStringList now;
  for (int i = 0; i < cb->count(); ++i) now << cb->itemText(i);
  if (now == texts) return;
  cb->clear();
  cb->addItems(texts);
}

void QtWindow::fillRadio(Item& item) {
  auto* group = static_cast<QGroupBox*>(item.widget);
  const auto& items = item.control->items();
  QList<QAbstractButton*> have = item.radios->buttons();
  bool same = have.size() == static_cast<int>(items.size());
  for (int i = 0; same && i < have.size(); ++i)
    same = have[i]->text() == qs(items[static_cast<std::size_t>(i)].text);
  if (same) return;
  for (QAbstractButton* b : have) {
    item.radios->removeButton(b);
    delete b;
  }
  delete group->layout();
  // Few short options read best side by side.
  std::size_t length = 0;
  for (const ItemDef& i : items) length += i.text.size();
  QBoxLayout* box = items.size() <= 4 && length <= 48
                        ? static_cast<QBoxLayout*>(new QHBoxLayout(group))
                        : static_cast<QBoxLayout*>(new QVBoxLayout(group));
  for (std::size_t i = 0; i < items.size(); ++i) {
    auto* b = new QRadioButton(qs(items[i].text));
    b->setObjectName(qs(item.control->name() + ":" + std::to_string(i + 1)));
    item.radios->addButton(b, static_cast<int>(i) + 1);
    b->installEventFilter(this);
    byWidget_[b] = item.control;
    box->addWidget(b);
  }
  if (box->direction() == QBoxLayout::LeftToRight) box->addStretch();
}

// Type-ahead: the values the desktop's completion service remembers for this entry, offered
// in a pop-up list under it as the user types.
void QtWindow::offerCompletions(Control& c, QLineEdit& edit) {
  AutoEntryService* service = attached_ ? proc_.desktop().autoEntry() : nullptr;
  std::vector<std::string> values;
  if (service && !edit.text().isEmpty()) {
    try {
      values = service->completions(proc_, c, edit.text().toStdString());
    } catch (const std::exception& e) {
      qWarning("koreq: completions of %s: %s", c.name().c_str(), e.what());
    }
  }
  if (values.empty()) {
    if (completer_ && completer_->widget() == &edit) completer_->popup()->hide();
    return;
  }
  if (!completer_) {
    completer_ = new QCompleter(this);
    completer_->setModel(new QStringListModel(completer_));
    completer_->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    completer_->setCaseSensitivity(Qt::CaseInsensitive);
    completer_->popup()->setObjectName(QStringLiteral("completions"));
  }
  completer_->disconnect(this);
  connect(completer_, qOverload<const QString&>(&QCompleter::activated), this,
          [&edit](const QString& text) {
            edit.setText(text);
            edit.setModified(true);
          });
  QStringList list;
  for (const std::string& v : values) list << qs(v);
  static_cast<QStringListModel*>(completer_->model())->setStringList(list);
  completer_->setWidget(&edit);
  completer_->complete();
}

// ---- Model to widgets ---------------------------------------------------------------------------

void QtWindow::refreshAll() {
  changed(nullptr);
  for (Control* c : proc_.window().controls()) changed(c);
  focusChanged(proc_.window().focus());
  syncTimer();
}

void QtWindow::syncTimer() {
  int ms = attached_ ? proc_.timerInterval() : 0;
  if (ms <= 0) {
    timer_->stop();
  } else if (!timer_->isActive() || timer_->interval() != ms) {
    timer_->start(ms);
  }
}

void QtWindow::changed(Control* c) {
  if (!c) {
    const std::string& title = proc_.window().title();
    setWindowTitle(qs(title.empty() ? proc_.name() : title));
    QIcon i = iconByName(proc_.window().icon());
    if (!i.isNull()) setWindowIcon(i);
    return;
  }
  auto it = items_.find(c);
  if (it == items_.end()) return;
  Item& item = it->second;
  ++syncing_;
  struct Done {
    int& n;
    ~Done() { --n; }
  } done{syncing_};

  if (c->kind() == ControlKind::Tab) {
    if (item.tabs && item.tabIndex >= 0) {
      item.tabs->setTabText(item.tabIndex, qs(c->text()));
      item.tabs->setTabVisible(item.tabIndex, c->visible());
      item.tabs->setTabEnabled(item.tabIndex, c->enabled());
      item.tabs->setTabToolTip(item.tabIndex, qs(c->tip()));
    }
    return;
  }
  QWidget* w = item.widget;
  if (!w) return;
  (item.row ? item.row : w)->setVisible(c->visible());
  w->setVisible(c->visible());
  w->setEnabled(c->enabled());
  w->setToolTip(qs(c->tip()));
  // Fonts and colours are set only where the procedure asked for them, so everything else
  // keeps the style's (a disabled control still greys out).
  if (c->fontStyle() != kNormal || w->testAttribute(Qt::WA_SetFont)) {
    QFont f;
    f.setBold(c->fontStyle() & kBold);
    f.setItalic(c->fontStyle() & kItalic);
    f.setUnderline(c->fontStyle() & kUnderline);
    w->setFont(c->fontStyle() == kNormal ? QFont() : f);
  }
  if (c->colour()) {
    QPalette pal;
    for (auto group : {QPalette::Active, QPalette::Inactive})
      for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        pal.setColor(group, role, qtColour(*c->colour()));
    w->setPalette(pal);
  } else if (w->testAttribute(Qt::WA_SetPalette)) {
    w->setPalette(QPalette());
  }

  switch (c->kind()) {
    case ControlKind::Entry: {
      auto* le = static_cast<QLineEdit*>(w);
      le->setReadOnly(c->readonly());
      le->setAlignment(numeric(*c) ? Qt::AlignRight : Qt::AlignLeft);
      PictureSpec pic = PictureSpec::parse(c->picture());
      le->setMaxLength(pic.kind == PictureSpec::Kind::Text && pic.width > 0 ? pic.width : 32767);
      // Text being typed stays until the user leaves the entry.
      if (le->isModified() && le->hasFocus() && !c->holdsEditedText()) break;
      QString t = shownText(*c);
      // A locator being typed in keeps the blanks the user typed last.
      if (c->incremental() && le->hasFocus() && qs(clipped(le->text().toStdString())) == t) {
        le->setModified(false);
        break;
      }
      if (le->text() != t) {
        le->setText(t);
        // After the edit menu changed the text, the cursor stands after the change.
        if (c->holdsEditedText()) le->setCursorPosition(qtOffset(c->text(), c->selectionStart()));
      }
      le->setModified(false);
      break;
    }
    case ControlKind::Text: {
      auto* te = static_cast<QPlainTextEdit*>(w);
      te->setReadOnly(c->readonly());
      if (te->document()->isModified() && te->hasFocus()) break;
      QString t = qs(clipped(c->text()));
      if (te->toPlainText() != t) te->setPlainText(t);
      te->document()->setModified(false);
      break;
    }
    case ControlKind::DropList:
    case ControlKind::DropCombo: {
      fillCombo(item);
      item.combo->setCurrentIndex(c->selectedItem() - 1);
      if (c->kind() == ControlKind::DropCombo) {
        if (QLineEdit* le = item.combo->lineEdit()) {
          if (!(le->isModified() && le->hasFocus())) {
            le->setText(shownText(*c));
            le->setModified(false);
          }
          le->setReadOnly(c->readonly());
        }
      } else {
        // A read-only drop list shows its choice but takes none.
        item.combo->setAttribute(Qt::WA_TransparentForMouseEvents, c->readonly());
        item.combo->setFocusPolicy(c->readonly() ? Qt::NoFocus : Qt::StrongFocus);
      }
      break;
    }
    case ControlKind::Check: {
      auto* cb = static_cast<QCheckBox*>(w);
      cb->setText(qs(checkCaption(*c)));
      cb->setChecked(c->checked());
      cb->setAttribute(Qt::WA_TransparentForMouseEvents, c->readonly());
      cb->setFocusPolicy(c->readonly() ? Qt::NoFocus : Qt::StrongFocus);
      break;
    }
    case ControlKind::Radio: {
      auto* box = static_cast<QGroupBox*>(w);
      box->setTitle(qs(c->text()));
      // Without a caption of its own it stands in the box that names it: no second frame.
      box->setStyleSheet(c->text().empty() ? QStringLiteral("QGroupBox { border: 0; margin: 0; }")
                                           : QString());
      fillRadio(item);
      int chosen = c->selectedItem();
      if (QAbstractButton* b = item.radios->button(chosen)) {
        b->setChecked(true);
      } else if (QAbstractButton* on = item.radios->checkedButton()) {
        item.radios->setExclusive(false);
        on->setChecked(false);
        item.radios->setExclusive(true);
      }
      for (QAbstractButton* b : item.radios->buttons())
        b->setAttribute(Qt::WA_TransparentForMouseEvents, c->readonly());
      break;
    }
    case ControlKind::List:
      if (item.model->list() != c->list()) item.model->setList(c->list());
      if (item.columnsVersion != c->columnsVersion()) {
        item.model->columnsChanged();
        sizeColumns(item, *c);
      }
      item.model->headersChanged();
      for (int i = 0; i < c->columnCount(); ++i)
        if (item.view->isColumnHidden(i) == c->columnVisible(i))
          item.view->setColumnHidden(i, !c->columnVisible(i));
      syncCurrentRow(item);
      break;
    case ControlKind::Sheet: {
      std::int64_t n = 0;
      data::detail::toInteger(c->value(), &n, nullptr);
      if (n >= 1 && n <= item.tabs->count() && item.tabs->currentIndex() != n - 1)
        item.tabs->setCurrentIndex(static_cast<int>(n - 1));
      item.tabs->tabBar()->setVisible(c->tabsVisible());
      break;
    }
    case ControlKind::Group:
      if (auto* box = qobject_cast<QGroupBox*>(w)) box->setTitle(qs(c->text()));
      break;
    case ControlKind::Button: {
      auto* b = static_cast<QPushButton*>(w);
      b->setText(qs(c->text()));
      b->setIcon(iconByName(c->icon()));
      break;
    }
    case ControlKind::Image: {
      QIcon i = iconByName(c->icon());
      QPixmap file;
      if (i.isNull() && !c->icon().empty() && c->icon()[0] != '~') file.load(qs(c->icon()));
      item.picture = file;
      if (!file.isNull()) {
        fitPicture(item);
      } else if (i.isNull()) {
        item.label->setPixmap({});
        item.label->setText(c->icon().empty() ? QStringLiteral("No image")
                                              : QStringLiteral("(%1)").arg(qs(c->icon())));
      } else {
        item.label->setPixmap(i.pixmap(96, 96));
      }
      break;
    }
    case ControlKind::Progress: {
      std::int64_t n = 0;
      data::detail::toInteger(c->value(), &n, nullptr);
      static_cast<QProgressBar*>(w)->setValue(
          static_cast<int>(std::clamp<std::int64_t>(n, 0, 100)));
      break;
    }
    case ControlKind::String:
    case ControlKind::Prompt:
      if (c->kind() == ControlKind::String && !c->def().use.empty() && c->def().width > 0) {
        const QString full = shownText(*c);
        const QString shown =
            item.label->fontMetrics().elidedText(full, Qt::ElideRight, item.label->width());
        item.label->setText(shown);
        item.label->setToolTip(shown == full ? QString() : full);
        break;
      }
      item.label->setText(c->kind() == ControlKind::String && !c->def().use.empty()
                              ? shownText(*c)
                              : qs(c->text()));
      break;
    case ControlKind::Tab:
      break;
  }
}

// A picture file is shown whole, as large as its box allows.
void QtWindow::fitPicture(Item& item) {
  if (item.picture.isNull() || !item.label) return;
  QSize box = item.label->contentsRect().size() - QSize(4, 4);
  if (box.width() < 16 || box.height() < 16) box = QSize(320, 240);
  QPixmap fitted = item.picture.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation);
  if (item.label->pixmap().size() != fitted.size()) item.label->setPixmap(fitted);
}

void QtWindow::syncCurrentRow(Item& item) {
  if (!item.view || !item.model) return;
  ListModel* list = item.model->list();
  std::int64_t row = list ? list->current() : -1;
  ++syncing_;
  QItemSelectionModel* sel = item.view->selectionModel();
  if (row < 0 || row >= item.model->rowCount()) {
    sel->clear();
  } else if (sel->currentIndex().row() != row || !sel->isRowSelected(static_cast<int>(row))) {
    QModelIndex index = item.model->index(static_cast<int>(row), 0);
    sel->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    item.view->scrollTo(index);
  }
  --syncing_;
}

// The ring goes around the control's own widget (a drop combo, not its line; a list, not its
// viewport), or around a radio button or any other widget that takes the focus by itself.
void QtWindow::markFocus(QWidget* w) {
  if (!focusMark_) return;
  QWidget* target = w;
  if (Control* c = control(w); c && !qobject_cast<QRadioButton*>(w)) {
    auto it = items_.find(c);
    if (it != items_.end() && it->second.widget) target = it->second.widget;
  }
  focusMark_->setTarget(target);
}

void QtWindow::focusChanged(Control* c) {
  if (!c) return;
  auto it = items_.find(c);
  if (it == items_.end() || !it->second.widget) return;
  QWidget* w = it->second.widget;
  if (c->kind() == ControlKind::Radio && it->second.radios) {
    if (QAbstractButton* b = it->second.radios->checkedButton()) w = b;
  }
  markFocus(w);
  ++syncing_;
  if (!w->hasFocus()) w->setFocus(Qt::OtherFocusReason);
  if (auto* le = qobject_cast<QLineEdit*>(w)) le->selectAll();
  --syncing_;
}

// ---- Widgets to model ---------------------------------------------------------------------------

QWidget* QtWindow::widget(const Control& c) const {
  auto it = items_.find(&c);
  return it == items_.end() ? nullptr : it->second.widget;
}

Control* QtWindow::control(const QObject* w) const {
  for (const QObject* o = w; o && o != this; o = o->parent()) {
    auto it = byWidget_.find(o);
    if (it != byWidget_.end()) return it->second;
  }
  return nullptr;
}

QTableView* QtWindow::table(const Control& list) const {
  auto it = items_.find(&list);
  return it == items_.end() ? nullptr : it->second.view;
}

ListTableModel* QtWindow::tableModel(const Control& list) const {
  auto it = items_.find(&list);
  return it == items_.end() ? nullptr : it->second.model;
}

QTabWidget* QtWindow::tabs(const Control& sheet) const {
  auto it = items_.find(&sheet);
  return it == items_.end() ? nullptr : it->second.tabs;
}

QButtonGroup* QtWindow::radioGroup(const Control& radio) const {
  auto it = items_.find(&radio);
  return it == items_.end() ? nullptr : it->second.radios;
}

template <typename F>
bool QtWindow::act(F&& f) {
  if (!attached_) return false;
  return desktop_.act(proc_, std::forward<F>(f));
}

void QtWindow::takeSelection(Control& c, QObject* widget) {
  if (auto* le = qobject_cast<QLineEdit*>(widget)) {
    // The edit menu works on the text as it stands on screen, typed or not.
    const QString t = le->text();
    if (le->hasSelectedText())
      c.setSelection(utf8Offset(t, le->selectionStart()),
                     static_cast<std::size_t>(le->selectedText().toUtf8().size()));
    else
      c.setSelection(utf8Offset(t, le->cursorPosition()), 0);
  } else if (auto* te = qobject_cast<QPlainTextEdit*>(widget)) {
    const QTextCursor cur = te->textCursor();
    const QString t = te->toPlainText();
    c.setSelection(utf8Offset(t, cur.selectionStart()),
                   utf8Offset(t, cur.selectionEnd()) - utf8Offset(t, cur.selectionStart()));
  } else if (auto* cb = qobject_cast<QComboBox*>(widget); cb && cb->lineEdit()) {
    takeSelection(c, cb->lineEdit());
  }
}

QString QtWindow::widgetText(const Item& item) const {
  if (auto* le = qobject_cast<QLineEdit*>(item.widget)) return le->text();
  if (auto* te = qobject_cast<QPlainTextEdit*>(item.widget)) return te->toPlainText();
  if (item.combo) return item.combo->currentText();
  return {};
}

bool QtWindow::textModified(const Item& item) const {
  if (auto* le = qobject_cast<QLineEdit*>(item.widget)) return le->isModified();
  if (auto* te = qobject_cast<QPlainTextEdit*>(item.widget)) return te->document()->isModified();
  if (item.combo && item.combo->lineEdit()) return item.combo->lineEdit()->isModified();
  return false;
}

void QtWindow::setTextModified(const Item& item, bool on) {
  if (auto* le = qobject_cast<QLineEdit*>(item.widget)) le->setModified(on);
  if (auto* te = qobject_cast<QPlainTextEdit*>(item.widget)) te->document()->setModified(on);
  if (item.combo && item.combo->lineEdit()) item.combo->lineEdit()->setModified(on);
}

// Text typed into an entry that the user has not left yet (a button pressed by its access key
// takes no focus) is committed first, as leaving the entry would.
bool QtWindow::flushEdits(const Control* except) {
  Control* c = control(QApplication::focusWidget());
  if (!c || c == except || !isTextKind(c->kind())) return true;
  auto it = items_.find(c);
  if (it == items_.end() || !textModified(it->second)) return true;
  return leave(*c, false) && attached_ && proc_.desktop().top() == &proc_;
}

bool QtWindow::leave(Control& c, bool always) {
  auto it = items_.find(&c);
  if (it == items_.end()) return false;
  Item& item = it->second;
  bool ok = false;
  bool ran = true;
  if (textModified(item)) {
    std::string text = widgetText(item).toStdString();
    setTextModified(item, false);
    ran = act([&] { ok = proc_.userType(c, text); });
  } else if (always) {
    ran = act([&] { ok = proc_.userAccept(c); });
  } else {
    ok = true;
  }
  if (ran && !ok && attached_ && proc_.window().focus() == &c) {
    // Refused: the focus stays in the entry, even when the user was moving it elsewhere.
    holdFocus_ = &c;
    QTimer::singleShot(0, this, [this] {
      Control* c = std::exchange(holdFocus_, nullptr);
      if (c && attached_) focusChanged(c);
    });
  }
  return ok;
}

void QtWindow::focusIn(Control& c) {
  if (holdFocus_ || proc_.window().focus() == &c || !c.usable()) return;
  act([&] { proc_.userFocus(c); });
}

void QtWindow::press(Control& button) {
  if (!flushEdits(&button)) return;
  act([&] { proc_.userPress(button); });
}

void QtWindow::checkClicked(Control& check, bool on) {
  if (flushEdits(&check)) act([&] { proc_.userCheck(check, on); });
  // The box ticked itself; it shows what the model holds (a refused or ignored click).
  changed(&check);
}

void QtWindow::chosen(Control& c, int item) {
  if (flushEdits(&c)) act([&] { proc_.userChoose(c, item); });
  // The model may have refused the choice: show what it holds.
  changed(&c);
}

void QtWindow::rowChosen(Control& list, int row) {
  act([&] { proc_.userSelectRow(list, row); });
  syncCurrentRow(items_[&list]);
}

void QtWindow::rowActivated(Control& list, int row) {
  act([&] { proc_.userActivateRow(list, row); });
}

void QtWindow::headerClicked(Control& list, int column) {
  act([&] { proc_.userClickHeader(list, column); });
}

void QtWindow::key(Control& c, Key k) {
  auto it = items_.find(&c);
  if (it != items_.end() && isTextKind(c.kind()) && textModified(it->second) && !c.readonly()) {
    std::string text = widgetText(it->second).toStdString();
    setTextModified(it->second, false);
    act([&] { proc_.userEdit(c, text); });
  }
  act([&] { proc_.userKey(c, k); });
}

void QtWindow::timerTick() {
  act([&] { proc_.userTimer(); });
}

// The list of this window whose rows are being dragged onto `target`, if any.
Control* QtWindow::draggedFrom(const Control& target, const QMimeData* data) const {
  if (!data || !target.usable() || target.kind() != ControlKind::List) return nullptr;
  const QByteArray id = data->data(QString::fromLatin1(ListTableModel::kRowsMimeType));
  if (id.isEmpty()) return nullptr;
  for (Control* c : proc_.window().controls())
    if (reinterpret_cast<quintptr>(c) == id.toULongLong() && target.is(c->def().dragTo) &&
        c->usable())
      return c;
  return nullptr;
}

bool QtWindow::takesKey(const Control& c, Key k) const {
  if (k == Key::None || !c.usable()) return false;
  switch (k) {
    case Key::Enter:
      return c.kind() != ControlKind::Text;  // a new line there
    case Key::Space:
      return c.kind() == ControlKind::List;  // tags a row; elsewhere it types or ticks
    case Key::Tab:
      return c.kind() == ControlKind::List;  // elsewhere Qt's own focus chain moves on
    case Key::Keypad2:
    case Key::Keypad5:
    case Key::Keypad6:
    case Key::KeypadPoint:
      return c.kind() == ControlKind::DropList;  // elsewhere they type their digit
    case Key::Insert:
    case Key::Delete: {
      // Lists act on Insert and Delete; elsewhere they edit text unless a button takes them.
      if (c.kind() == ControlKind::List) return true;
      for (Control* b : proc_.window().controls())
        if (b->kind() == ControlKind::Button && b->def().key == k && b->usable()) return true;
      return false;
    }
    default:
      return true;
  }
}

bool QtWindow::handleKey(Control& c, QKeyEvent* e) {
  Key k = keyOf(e);
  // Typing in a list goes to the window's locator: the user sees what is typed, and the
  // highlight follows it.
  if (c.kind() == ControlKind::List && k == Key::None && !e->text().isEmpty() &&
      e->text().at(0).isPrint() &&
      !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
    if (QLineEdit* le = locator()) {
      le->setFocus(Qt::ShortcutFocusReason);
      le->selectAll();  // a new search
      QKeyEvent typed(QEvent::KeyPress, e->key(), e->modifiers(), e->text());
      QApplication::sendEvent(le, &typed);
      return true;
    }
  }
  if (!takesKey(c, k)) return false;
  if (k == Key::Enter) {
    if (c.kind() == ControlKind::Button) {
      press(c);
      return true;
    }
    if (isTextKind(c.kind()) && textModified(items_[&c])) {
      // Enter commits the text, then presses the window's default button.
      if (!leave(c, false) || !attached_ || proc_.desktop().top() != &proc_) return true;
      pressDefault();
      return true;
    }
  }
  key(c, k);
  return true;
}

QLineEdit* QtWindow::locator() {
  for (Control* c : proc_.window().controls()) {
    if (c->kind() != ControlKind::Entry || !c->incremental() || !c->shown() || !c->usable() ||
        c->readonly())
      continue;
    auto it = items_.find(c);
    if (it != items_.end()) return qobject_cast<QLineEdit*>(it->second.widget);
  }
  return nullptr;
}

bool QtWindow::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize) {
    if (Control* c = control(watched); c && c->kind() == ControlKind::Image) {
      auto it = items_.find(c);
      if (it != items_.end() && it->second.widget == watched) fitPicture(it->second);
    }
    if (Control* c = control(watched); c && c->kind() == ControlKind::List) {
      auto it = items_.find(c);
      if (it != items_.end() && it->second.view && it->second.view->viewport() == watched)
        fitColumns(it->second);
    }
  }
  if (!attached_ || syncing_) return QDialog::eventFilter(watched, event);
  Control* c = control(watched);
  if (!c) return QDialog::eventFilter(watched, event);
  switch (event->type()) {
    case QEvent::KeyPress:
      if (handleKey(*c, static_cast<QKeyEvent*>(event))) return true;
      break;
    case QEvent::FocusIn: {
      auto reason = static_cast<QFocusEvent*>(event)->reason();
      if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) focusIn(*c);
      break;
    }
    case QEvent::FocusOut:
      if (c->kind() == ControlKind::Text &&
          static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason &&
          static_cast<QFocusEvent*>(event)->reason() != Qt::ActiveWindowFocusReason)
        leave(*c, false);
      break;
    case QEvent::ContextMenu:
      if (c->usable()) {
        takeSelection(*c, watched);
        key(*c, Key::RightClick);
        return true;
      }
      break;
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* de = static_cast<QDropEvent*>(event);
      if ((event->type() == QEvent::DragEnter && de->mimeData()->hasUrls() && c->usable()) ||
          draggedFrom(*c, de->mimeData())) {
        de->acceptProposedAction();
        return true;
      }
      break;
    }
    case QEvent::Drop: {
      auto* de = static_cast<QDropEvent*>(event);
      if (Control* from = draggedFrom(*c, de->mimeData())) {
        QTableView* view = table(*c);
        const QModelIndex at = view ? view->indexAt(de->position().toPoint()) : QModelIndex();
        if (!at.isValid()) break;
        de->acceptProposedAction();
        int modifiers = kDragPlain;
        if (de->modifiers() & Qt::ShiftModifier) modifiers |= kDragShift;
        if (de->modifiers() & Qt::ControlModifier) modifiers |= kDragCtrl;
        Control& target = *c;
        const int row = at.row();
        act([&] { proc_.userDragRows(*from, target, row, modifiers); });
        return true;
      }
      std::vector<std::string> files;
      for (const QUrl& u : de->mimeData()->urls())
        if (u.isLocalFile()) files.push_back(u.toLocalFile().toStdString());
      if (files.empty() || !c->usable()) break;
      de->acceptProposedAction();
      Control& target = *c;
      act([&] { proc_.userDrop(target, files); });
      return true;
    }
    case QEvent::MouseButtonPress: {
      auto* me = static_cast<QMouseEvent*>(event);
      if (c->kind() == ControlKind::Image && !c->name().empty() && me->button() == Qt::LeftButton &&
          !(me->modifiers() & Qt::ControlModifier) && c->usable()) {
        Control& target = *c;
        act([&] { proc_.userPress(target); });
        return true;
      }
      if (me->button() != Qt::LeftButton || !(me->modifiers() & Qt::ControlModifier) ||
          !c->usable())
        break;
      if (c->kind() == ControlKind::List) {
        QTableView* view = table(*c);
        QModelIndex at = view ? view->indexAt(view->viewport()->mapFrom(
                                    static_cast<QWidget*>(watched), me->position().toPoint()))
                              : QModelIndex();
        if (at.isValid() && (!c->list() || c->list()->current() != at.row()))
          rowChosen(*c, at.row());
      }
      key(*c, Key::CtrlClick);
      return true;
    }
    default:
      break;
  }
  return QDialog::eventFilter(watched, event);
}

void QtWindow::keyPressEvent(QKeyEvent* e) {
  Key k = keyOf(e);
  if (k == Key::Escape) {
    reject();
    return;
  }
  if (k == Key::Enter) {
    pressDefault();
    return;
  }
  QDialog::keyPressEvent(e);
}

void QtWindow::pressDefault() {
  for (Control* b : proc_.window().controls())
    if (b->kind() == ControlKind::Button && b->def().isDefault && b->usable()) {
      press(*b);
      return;
    }
}

void QtWindow::reject() {
  // Escape and the close box ask the model; the window goes when the model closes it.
  if (!flushEdits(nullptr)) return;
  act([&] { proc_.userClose(); });
}

void QtWindow::closeEvent(QCloseEvent* event) {
  event->ignore();
  if (attached_) reject();
}

}  // namespace koreq::ui::qt
