#include "ui/model/control.h"

#include "runtime/picture.h"
#include "ui/model/list_model.h"
#include "ui/model/user_port.h"
#include "ui/model/window.h"

namespace koreq::ui {

namespace {

bool captioned(ControlKind k) {
  switch (k) {
    case ControlKind::Button:
    case ControlKind::Check:
    case ControlKind::Radio:
    case ControlKind::Tab:
    case ControlKind::Group:
    case ControlKind::Prompt:
    case ControlKind::Sheet:
    case ControlKind::Image:
      return true;
    default:
      return false;
  }
}

bool isWholeNumberType(data::FieldType t) {
  using data::FieldType;
  return t == FieldType::Long || t == FieldType::ULong || t == FieldType::Short ||
         t == FieldType::UShort || t == FieldType::Byte;
}

std::string trimmed(std::string_view s) {
  return clipped(trimLeft(s));
}

}  // namespace

std::string plainCaption(std::string_view caption) {
  std::string t = trimmed(withoutAmpersand(std::string(caption)));
  while (!t.empty() && (t.back() == ':' || t.back() == '*' || t.back() == ' ')) t.pop_back();
  while (!t.empty() && (t.front() == '*' || t.front() == ' ')) t.erase(0, 1);
  return t;
}

Control::Control(Window& window, const ControlDef& def, Control* parent)
    : window_(window),
      def_(def),
      parent_(parent),
      visible_(!def.hidden),
      enabled_(!def.disabled),
      readonly_(def.readonly),
      required_(def.required),
      tip_(def.tip),
      icon_(def.icon),
      picture_(def.picture),
      caseMode_(def.caseMode),
      items_(def.items) {
  if (parent_) parent_->children_.push_back(this);
  setColumns(def.columns);
  columnsVersion_ = 0;
  switch (def.kind) {
    case ControlKind::Check:
      value_ = def.offValue;
      break;
    case ControlKind::Radio:
      value_ = def.items.front().value;
      break;
    case ControlKind::Sheet:
      value_ = std::int64_t{1};
      break;
    case ControlKind::Progress:
      value_ = std::int64_t{0};
      break;
    default:
      break;
  }
  if (captioned(def.kind) || (def.kind == ControlKind::String && def.use.empty()))
    text_ = def.text;
  else
    refreshText();
}

bool Control::is(std::string_view name) const {
  return upper(name) == upper(def_.name);
}

void Control::changed() {
  if (window_.observer()) window_.observer()->changed(this);
}

data::Value Control::value() const {
  if (def_.kind == ControlKind::List) return std::int64_t{list_ ? list_->current() + 1 : 0};
  return value_;
}

void Control::setValueOnly(const data::Value& v) {
  value_ = v;
  edited_ = false;
  refreshText();
  changed();
}

bool Control::setValue(const data::Value& v, std::string* why) {
  if (def_.kind == ControlKind::List) {
    std::int64_t row = 0;
    if (!data::detail::toInteger(v, &row, why)) return false;
    if (list_) list_->setCurrent(row - 1);
    changed();
    return true;
  }
  if (binding_) {
    data::Value put = v;
    // A text longer than the variable is cut, as an entry never takes more characters.
    if (binding_.type == data::FieldType::String && binding_.length > 0)
      if (auto s = std::get_if<std::string>(&v))
        put = cutToChars(*s, static_cast<std::size_t>(binding_.length));
    if (!binding_.set(put, why)) return false;
    setValueOnly(binding_.get());
    return true;
  }
  setValueOnly(v);
  return true;
}

bool Control::checked() const {
  return compareValues(value_, def_.onValue) == 0;
}

void Control::setText(std::string text) {
  text_ = std::move(text);
  changed();
}

void Control::setVisible(bool on) {
  if (visible_ == on) return;
  visible_ = on;
  changed();
}

bool Control::shown() const {
  for (const Control* c = this; c; c = c->parent_)
    if (!c->visible_) return false;
  return true;
}

void Control::setEnabled(bool on) {
  if (enabled_ == on) return;
  enabled_ = on;
  changed();
}

bool Control::usable() const {
  for (const Control* c = this; c; c = c->parent_)
    if (!c->enabled_) return false;
  return shown();
}

void Control::setReadonly(bool on) {
  readonly_ = on;
  changed();
}

void Control::setRequired(bool on) {
  required_ = on;
  changed();
}

void Control::setColour(std::optional<Colour> c) {
  colour_ = c;
  changed();
}

void Control::setFontStyle(int style) {
  fontStyle_ = style;
  changed();
}

void Control::setTip(std::string tip) {
  tip_ = std::move(tip);
  changed();
}

void Control::setSelection(std::size_t start, std::size_t length) {
  selStart_ = start;
  selLength_ = length;
}

std::size_t Control::selectionStart() const {
  return std::min(selStart_, text_.size());
}

std::size_t Control::selectionLength() const {
  const std::size_t start = selectionStart();
  return std::min(selLength_, text_.size() - start);
}

std::string Control::selectedText() const {
  return text_.substr(selectionStart(), selectionLength());
}

void Control::setTabsVisible(bool on) {
  tabsVisible_ = on;
  changed();
}

void Control::setIcon(std::string icon) {
  icon_ = std::move(icon);
  changed();
}

void Control::setCaseMode(CaseMode mode) {
  caseMode_ = mode;
  changed();
}

void Control::setPicture(std::string picture) {
  picture_ = std::move(picture);
  refreshText();
  changed();
}

void Control::setItems(std::vector<ItemDef> items) {
  items_ = std::move(items);
  refreshText();
  changed();
}

int Control::selectedItem() const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (compareValues(items_[i].value, value_) == 0) return static_cast<int>(i) + 1;
  return 0;
}

void Control::setList(ListModel* model) {
  list_ = model;
  changed();
}

void Control::setColumns(std::vector<ColumnDef> columns) {
  columns_ = std::move(columns);
  headers_.clear();
  groups_.clear();
  for (const ColumnDef& c : columns_) {
    headers_.push_back(c.header);
    groups_.push_back(c.group);
  }
  columnHidden_.assign(columns_.size(), false);
  ++columnsVersion_;
  changed();
}

const std::string& Control::header(int column) const {
  return headers_.at(static_cast<std::size_t>(column));
}

const std::string& Control::groupHeader(int column) const {
  return groups_.at(static_cast<std::size_t>(column));
}

bool Control::startsGroup(int column) const {
  const auto i = static_cast<std::size_t>(column);
  const std::string& g = columns_.at(i).group;
  return !g.empty() && (i == 0 || columns_[i - 1].group != g);
}

void Control::setGroupHeader(int column, std::string text) {
  // Columns belong to a group by the name the window gave it, so renaming keeps them together.
  const std::string& designed = columns_.at(static_cast<std::size_t>(column)).group;
  if (designed.empty()) return;
  std::size_t i = static_cast<std::size_t>(column);
  while (i > 0 && columns_[i - 1].group == designed) --i;
  for (; i < columns_.size() && columns_[i].group == designed; ++i) groups_[i] = text;
  changed();
}

void Control::setHeader(int column, std::string text) {
  headers_.at(static_cast<std::size_t>(column)) = std::move(text);
  changed();
}

bool Control::columnVisible(int column) const {
  return !columnHidden_.at(static_cast<std::size_t>(column));
}

void Control::setColumnVisible(int column, bool on) {
  auto&& hidden = columnHidden_.at(static_cast<std::size_t>(column));
  if (hidden == !on) return;
  hidden = !on;
  changed();
}

std::string Control::rowText(std::int64_t row) const {
  if (!list_) return {};
  std::string out;
  bool first = true;
  for (int c = 0; c < list_->columnCount(); ++c) {
    if (c < columnCount() && !columnVisible(c)) continue;
    if (!first) out += '|';
    first = false;
    out += trimmed(list_->cell(row, c));
  }
  return out;
}

void Control::display() {
  if (!binding_ || edited_) return;
  data::Value v = binding_.get();
  value_ = v;
  refreshText();
  changed();
}

void Control::refreshText() {
  switch (def_.kind) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::DropCombo:
      text_ = format(value_);
      break;
    case ControlKind::DropList: {
      int i = selectedItem();
      text_ = i ? items_[static_cast<std::size_t>(i - 1)].text : format(value_);
      break;
    }
    case ControlKind::String:
      if (!def_.use.empty() || !picture_.empty()) text_ = format(value_);
      break;
    default:
      break;
  }
}

std::string Control::label() const {
  if (prompt_) return plainCaption(prompt_->text());
  if (captioned(def_.kind) || (def_.kind == ControlKind::String && def_.use.empty())) {
    std::string t = plainCaption(text_);
    if (!t.empty()) return t;
  }
  return def_.name;
}

bool Control::takesInput() const {
  switch (def_.kind) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::Check:
    case ControlKind::Radio:
      return true;
    default:
      return false;
  }
}

bool Control::blank() const {
  struct V {
    bool operator()(std::monostate) const { return true; }
    bool operator()(std::int64_t n) const { return n == 0; }
    bool operator()(const Decimal& d) const { return d == Decimal(); }
    bool operator()(const std::string& s) const { return clip(s).empty(); }
    bool operator()(const Date& d) const { return d.isEmpty(); }
    bool operator()(const Time& t) const { return t.isEmpty(); }
  };
  return std::visit(V{}, value_);
}

std::string Control::format(const data::Value& v) const {
  if (picture_.empty()) {
    // A date or time without a picture shows as the short date and hh:mm.
    if (std::holds_alternative<Date>(v) || (binding_ && binding_.type == data::FieldType::Date))
      return formatValue("@d17b", v);
    if (std::holds_alternative<Time>(v) || (binding_ && binding_.type == data::FieldType::Time))
      return formatValue("@t7b", v);
  }
  return formatValue(picture_, v);
}

std::optional<data::Value> Control::parse(const std::string& raw, std::string* why) const {
  std::string text = applyCase(raw, caseMode_);
  PictureSpec pic = PictureSpec::parse(picture_);
  data::FieldType type = binding_ ? binding_.type : data::FieldType::String;
  auto bad = [&](const char* what) -> std::optional<data::Value> {
    if (why) *why = "\"" + trimmed(raw) + "\" is not a valid " + what;
    return std::nullopt;
  };
  auto number = [&]() -> std::optional<data::Value> {
    std::optional<Decimal> d = pic.kind == PictureSpec::Kind::Number
                                   ? parseNumberPicture(picture_, text)
                                   : (trimmed(text).empty() ? std::optional<Decimal>(Decimal())
                                                            : Decimal::parse(trimmed(text), true));
    if (!d) return bad("number");
    if (isWholeNumberType(type) && d->cents() % Decimal::kScale != 0) return bad("whole number");
    return *d;
  };
  auto date = [&]() -> std::optional<data::Value> {
    auto d = parseDatePicture(pic.kind == PictureSpec::Kind::Date ? picture_ : "@d17", text);
    if (!d) return bad("date");
    return *d;
  };
  auto time = [&]() -> std::optional<data::Value> {
    auto t = parseTimePicture(pic.kind == PictureSpec::Kind::Time ? picture_ : "@t7", text);
    if (!t) return bad("time");
    return *t;
  };
  switch (pic.kind) {
    case PictureSpec::Kind::Number:
      return number();
    case PictureSpec::Kind::Date:
      return date();
    case PictureSpec::Kind::Time:
      return time();
    case PictureSpec::Kind::Text:
      if (type == data::FieldType::String) {
        std::string t = clipped(text);
        if (pic.width > 0) t = cutToChars(t, static_cast<std::size_t>(pic.width));
        return t;
      }
      break;
    default:
      break;
  }
  switch (type) {
    case data::FieldType::String:
      return clipped(text);
    case data::FieldType::Date:
      return date();
    case data::FieldType::Time:
      return time();
    default:
      return number();
  }
}

bool Control::takesFocus() const {
  switch (kind()) {
    case ControlKind::Entry:
    case ControlKind::Text:
    case ControlKind::DropList:
    case ControlKind::DropCombo:
    case ControlKind::Check:
    case ControlKind::Radio:
    case ControlKind::List:
    case ControlKind::Button:
      return shown() && usable() && window().onShownTab(*this);
    default:
      return false;
  }
}

}  // namespace koreq::ui
