#include "ui/model/view_list_model.h"

#include <algorithm>

namespace koreq::ui {

ViewListModel::ViewListModel(data::Store& store, const data::FileDef& file,
                             data::ErrorObject& errors, std::vector<ColumnDef> columns,
                             const NameResolver* names)
    : buffer_(store, file, errors),
      view_(buffer_, file.primaryKey()),
      key_(&file.primaryKey()),
      names_(names) {
  for (ColumnDef& d : columns) {
    Column c;
    c.field = file.fieldIndex(d.use);
    if (c.field < 0) {
      Expression e = Expression::compile(d.use);
      if (!e.ok())
        throw UiError("list column \"" + d.use + "\" is no field of " + file.name +
                      " and no expression: " + e.error());
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

ViewListModel::Row ViewListModel::readRow() {
  Row r;
  r.id = buffer_.position();
  const data::FileDef& def = buffer_.def();
  data::BufferResolver own(buffer_);
  ChainResolver names;
  names.add(own);
  if (names_) names.add(*names_);
  for (const Column& c : columns_) {
    if (c.field >= 0) {
      r.cells.push_back(def.fields[static_cast<std::size_t>(c.field)].get(buffer_.buffer()));
    } else if (std::optional<ExprValue> v = c.expr->evaluate(names)) {
      r.cells.push_back(v->isText ? data::Value(v->text) : data::Value(v->num));
    } else {
      r.cells.emplace_back();
    }
  }
  if (!key_->fields.empty())
    r.sortValue = def.fields[static_cast<std::size_t>(key_->fields.front())].get(buffer_.buffer());
  if (style_) r.style = style_(buffer_);
  if (icons_)
    for (std::size_t i = 0; i < columns_.size(); ++i)
      r.icons.push_back(columns_[i].def.icon ? icons_(buffer_, static_cast<int>(i))
                                             : std::string());
  return r;
}

void ViewListModel::reset() {
  rows_.clear();
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
    for (Row& r : rows_) r.sortValue = r.cells[col];
    notifyReset();
  } else {
    fetchMore();
  }
  resetCurrent();
}

void ViewListModel::fetchMore() {
  if (atEnd_) return;
  auto first = static_cast<std::int64_t>(rows_.size());
  for (int i = 0; i < pageSize_; ++i) {
    if (view_.next() != data::kNoError) {
      atEnd_ = true;
      break;
    }
    rows_.push_back(readRow());
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
  return i < r.icons.size() ? r.icons[i] : std::string();
}

RowStyle ViewListModel::style(std::int64_t row) const {
  return at(row).style;
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
  if (!t.empty() && !std::holds_alternative<std::string>(at(0).sortValue))
    if (auto d = Decimal::parse(t)) probe = *d;
  bool descending = sortColumn_ >= 0 && !sortAscending_;
  std::int64_t r = 0;
  for (; ensureRow(r); ++r) {
    int c = compareValues(at(r).sortValue, probe);
    if (descending ? c <= 0 : c >= 0) return r;
  }
  return r - 1;
}

}  // namespace koreq::ui
