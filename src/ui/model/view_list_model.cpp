#include "ui/model/view_list_model.h"

#include <algorithm>

namespace koreq::ui {

ViewListModel::ViewListModel(data::Store& store, const data::FileDef& file,
                             data::ErrorObject& errors, std::vector<ColumnDef> columns,
                             const NameResolver* names)
    : buffer_(store, file, errors),
      view_(buffer_, file.primaryKey()),
      columnNames_(buffer_),
      key_(&file.primaryKey()),
      names_(names) {
  columnChain_.add(columnNames_);
  if (names_) columnChain_.add(*names_);
  for (ColumnDef& d : columns) {
    Column c;
    c.field = file.fieldIndex(d.use);
    if (c.field < 0) {
      Expression e = Expression::compile(d.use);
      if (!e.ok())
        throw UiError("list column \"" + d.use + "\" is no field of " + file.name +
                      " and no expression: " + e.error());
      columnNames_.add(e);
      c.expr = std::move(e);
    }
    c.def = std::move(d);
    columns_.push_back(std::move(c));
  }
}

void ViewListModel::setKey(const data::KeyDef& key) {
  key_ = &key;
  memorySorted_ = false;
  sortColumn_ = -1;
  sortAscending_ = true;
  view_.setBackward(false);
}

void ViewListModel::setRange(std::vector<data::Value> equal) {
  view_.setRange(std::move(equal));
}

bool ViewListModel::setFilter(std::string_view expression, std::string* error) {
  return view_.setFilter(expression, names_, error);
}

void ViewListModel::addReads(const std::optional<std::vector<std::string>>& names, bool* all,
                             std::vector<int>* fields) {
  fields->clear();
  *all = !names.has_value();
  if (!names) return;
  for (const std::string& n : *names) {
    const int i = buffer_.def().fieldIndex(n);
    if (i < 0) throw UiError("no field " + n + " in " + buffer_.def().name);
    fields->push_back(i);
  }
}

void ViewListModel::setRowStyle(std::function<RowStyle(const data::FileAccess& row)> style,
                                std::optional<std::vector<std::string>> reads) {
  style_ = std::move(style);
  addReads(reads, &styleReadsAll_, &styleReads_);
}

void ViewListModel::setIcons(std::function<std::string(const data::FileAccess&, int)> icons,
                             std::optional<std::vector<std::string>> reads) {
  icons_ = std::move(icons);
  addReads(reads, &iconsReadAll_, &iconReads_);
}

std::optional<std::vector<int>> ViewListModel::fieldsRead() const {
  if ((style_ && styleReadsAll_) || (icons_ && iconsReadAll_)) return std::nullopt;
  std::vector<int> fields;
  auto add = [&](int i) {
    if (i >= 0 && std::find(fields.begin(), fields.end(), i) == fields.end()) fields.push_back(i);
  };
  for (const Column& c : columns_) add(c.field);
  for (int i : columnNames_.fields()) add(i);
  for (int i : key_->fields) add(i);
  if (style_)
    for (int i : styleReads_) add(i);
  if (icons_)
    for (int i : iconReads_) add(i);
  return fields;
}

ViewListModel::Row ViewListModel::readRow() {
  Row r;
  r.id = buffer_.position();
  const data::FileDef& def = buffer_.def();
  r.cells.reserve(columns_.size());
  for (const Column& c : columns_) {
    if (c.field >= 0) {
      r.cells.push_back(def.fields[static_cast<std::size_t>(c.field)].get(buffer_.buffer()));
    } else if (std::optional<ExprValue> v = c.expr->evaluate(columnChain_)) {
      r.cells.push_back(v->isText ? data::Value(v->text) : data::Value(v->num));
    } else {
      r.cells.emplace_back();
    }
  }
  Row::Extra extra;
  bool plain = true;
  if (keyColumn_ < 0 && !key_->fields.empty()) {
    extra.sortValue =
        def.fields[static_cast<std::size_t>(key_->fields.front())].get(buffer_.buffer());
    plain = false;
  }
  if (style_) {
    extra.style = style_(buffer_);
    const RowStyle& st = extra.style;
    plain = plain && !st.foreground && !st.background && !st.selectedForeground &&
            !st.selectedBackground && st.fontStyle == kNormal;
  }
  if (icons_)
    for (std::size_t i = 0; i < columns_.size(); ++i) {
      extra.icons.push_back(columns_[i].def.icon ? icons_(buffer_, static_cast<int>(i))
                                                 : std::string());
      plain = plain && extra.icons.back().empty();
    }
  if (!plain) r.extra = std::make_unique<Row::Extra>(std::move(extra));
  return r;
}

const data::Value& ViewListModel::sortValue(const Row& r) const {
  if (memorySorted_) return r.cells[static_cast<std::size_t>(sortColumn_)];
  static const data::Value kNone;
  if (keyColumn_ >= 0) return r.cells[static_cast<std::size_t>(keyColumn_)];
  return r.extra ? r.extra->sortValue : kNone;
}

void ViewListModel::reset() {
  rows_.clear();
  // A column that shows the key's first field gives the locator its value; no copy is kept.
  keyColumn_ = -1;
  for (std::size_t i = 0; i < columns_.size() && !key_->fields.empty(); ++i)
    if (columns_[i].field == key_->fields.front() && keyColumn_ < 0)
      keyColumn_ = static_cast<int>(i);
  atEnd_ = false;
  view_.setKey(*key_);
  view_.reset();
  notifyReset();
  if (memorySorted_) {
    while (!atEnd_) fetchMore();
    auto col = static_cast<std::size_t>(sortColumn_);
    bool asc = sortAscending_;
    std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
      int c = compareValues(a.cells[col], b.cells[col]);
      return asc ? c < 0 : c > 0;
    });
    notifyReset();
  } else {
    fetchMore();
  }
  resetCurrent();
}

void ViewListModel::fetchMore() {
  if (atEnd_) return;
  auto first = static_cast<std::int64_t>(rows_.size());
  const std::optional<std::vector<int>> fields = fieldsRead();
  int read = 0;
  try {
    // One statement steps through the page, each row decoded straight into the buffer.
    atEnd_ = view_.read(fields ? &*fields : nullptr, [&] {
      rows_.push_back(readRow());
      return ++read < pageSize_;
    });
  } catch (const data::StoreError&) {
    atEnd_ = true;  // as at the end of the file: the rows read so far stay listed
  }
  notifyAppended(first, static_cast<std::int64_t>(rows_.size()) - 1);
}

std::string ViewListModel::cell(std::int64_t row, int column) const {
  return formatValue(columns_.at(static_cast<std::size_t>(column)).def.picture,
                     cellValue(row, column));
}

data::Value ViewListModel::cellValue(std::int64_t row, int column) const {
  return at(row).cells.at(static_cast<std::size_t>(column));
}

std::string ViewListModel::icon(std::int64_t row, int column) const {
  const Row& r = at(row);
  auto i = static_cast<std::size_t>(column);
  return r.extra && i < r.extra->icons.size() ? r.extra->icons[i] : std::string();
}

RowStyle ViewListModel::style(std::int64_t row) const {
  const Row& r = at(row);
  return r.extra ? r.extra->style : RowStyle();
}

bool ViewListModel::sortByColumn(int column, bool ascending) {
  if (column < 0 || column >= columnCount()) return false;
  const Column& c = columns_[static_cast<std::size_t>(column)];
  const data::KeyDef* byKey = nullptr;
  if (c.field >= 0)
    for (const data::KeyDef& k : buffer_.def().keys)
      if (!k.fields.empty() && k.fields.front() == c.field) {
        byKey = &k;
        break;
      }
  if (byKey) {
    key_ = byKey;
    memorySorted_ = false;
    view_.setBackward(!ascending);
  } else {
    memorySorted_ = true;
    view_.setBackward(false);
  }
  sortColumn_ = column;
  sortAscending_ = ascending;
  reset();
  return true;
}

std::int64_t ViewListModel::findRowId(std::int64_t id) {
  for (std::int64_t r = 0; ensureRow(r); ++r)
    if (at(r).id == id) return r;
  return -1;
}

std::int64_t ViewListModel::locate(std::string_view text) {
  if (!ensureRow(0)) return -1;
  std::string t = clipped(text);
  data::Value probe = t;
  if (!t.empty() && !std::holds_alternative<std::string>(sortValue(at(0))))
    if (auto d = Decimal::parse(t)) probe = *d;
  bool descending = sortColumn_ >= 0 && !sortAscending_;
  std::int64_t r = 0;
  for (; ensureRow(r); ++r) {
    int c = compareValues(sortValue(at(r)), probe);
    if (descending ? c <= 0 : c >= 0) return r;
  }
  return r - 1;
}

}  // namespace koreq::ui
