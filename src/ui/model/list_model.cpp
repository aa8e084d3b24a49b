#include "ui/model/list_model.h"

#include <algorithm>

#include "runtime/picture.h"

namespace koreq::ui {

namespace {

// Numbers, dates and times as one comparable figure; nothing for texts.
std::optional<Decimal> asNumber(const data::Value& v) {
  if (auto n = std::get_if<std::int64_t>(&v)) return Decimal(*n);
  if (auto d = std::get_if<Decimal>(&v)) return *d;
  if (auto dt = std::get_if<Date>(&v)) return Decimal(dt->day());
  if (auto t = std::get_if<Time>(&v)) return Decimal(t->value());
  if (std::holds_alternative<std::monostate>(v)) return Decimal();
  return std::nullopt;
}

}  // namespace

int compareValues(const data::Value& a, const data::Value& b) {
  auto na = asNumber(a), nb = asNumber(b);
  if (na && nb) return *na < *nb ? -1 : (*nb < *na ? 1 : 0);
  std::string ta = upper(clip(data::valueToText(a)));
  std::string tb = upper(clip(data::valueToText(b)));
  return ta < tb ? -1 : (tb < ta ? 1 : 0);
}

std::string formatValue(std::string_view picture, const data::Value& v) {
  PictureSpec pic = PictureSpec::parse(picture);
  switch (pic.kind) {
    case PictureSpec::Kind::Number:
      if (auto d = std::get_if<Decimal>(&v)) return formatPicture(picture, *d);
      if (auto n = std::get_if<std::int64_t>(&v)) return formatPicture(picture, *n);
      if (auto s = std::get_if<std::string>(&v))
        return formatPicture(picture, std::string_view(*s));
      if (auto dt = std::get_if<Date>(&v)) return formatPicture(picture, std::int64_t{dt->day()});
      if (auto t = std::get_if<Time>(&v)) return formatPicture(picture, std::int64_t{t->value()});
      return formatPicture(picture, Decimal());
    case PictureSpec::Kind::Date:
      if (auto dt = std::get_if<Date>(&v)) return formatPicture(picture, *dt);
      if (auto n = std::get_if<std::int64_t>(&v))
        return formatPicture(picture, Date(static_cast<std::int32_t>(*n)));
      if (std::holds_alternative<std::monostate>(v)) return formatPicture(picture, Date());
      return data::valueToText(v);
    case PictureSpec::Kind::Time:
      if (auto t = std::get_if<Time>(&v)) return formatPicture(picture, *t);
      if (auto n = std::get_if<std::int64_t>(&v))
        return formatPicture(picture, Time(static_cast<std::int32_t>(*n)));
      if (std::holds_alternative<std::monostate>(v)) return formatPicture(picture, Time());
      return data::valueToText(v);
    case PictureSpec::Kind::Text:
      if (auto s = std::get_if<std::string>(&v))
        return formatPicture(picture, std::string_view(*s));
      return formatPicture(picture, std::string_view(data::valueToText(v)));
    default:
      return data::valueToText(v);
  }
}

void ListModel::loadCompletely() {
  while (canFetchMore()) fetchMore();
}

bool ListModel::ensureRow(std::int64_t row) {
  if (row < 0) return false;
  while (rowCount() <= row && canFetchMore()) fetchMore();
  return row < rowCount();
}

void ListModel::setCurrent(std::int64_t row) {
  if (row >= 0) ensureRow(row);
  if (row >= rowCount()) row = rowCount() - 1;
  if (row < -1) row = -1;
  if (row == current_) return;
  current_ = row;
  if (observer_) observer_->currentChanged(row);
}

void ListModel::notifyReset() {
  if (observer_) observer_->reset();
}

void ListModel::notifyAppended(std::int64_t first, std::int64_t last) {
  if (observer_ && last >= first) observer_->appended(first, last);
}

void ListModel::resetCurrent() {
  current_ = rowCount() > 0 ? 0 : -1;
  if (observer_) observer_->currentChanged(current_);
}

std::string QueueListModel::cell(std::int64_t r, int column) const {
  const ColumnDef& c = columns_.at(static_cast<std::size_t>(column));
  return formatValue(c.picture, cellValue(r, column));
}

data::Value QueueListModel::cellValue(std::int64_t r, int column) const {
  const Row& x = row(r);
  auto i = static_cast<std::size_t>(column);
  return i < x.cells.size() ? x.cells[i] : data::Value();
}

std::string QueueListModel::icon(std::int64_t r, int column) const {
  const Row& x = row(r);
  auto i = static_cast<std::size_t>(column);
  return i < x.icons.size() ? x.icons[i] : std::string();
}

RowStyle QueueListModel::style(std::int64_t r) const {
  return row(r).style;
}

void QueueListModel::setRows(std::vector<Row> rows) {
  rows_ = std::move(rows);
  if (sortColumn_ >= 0) {
    int col = sortColumn_;
    bool asc = sortAscending_;
    sortColumn_ = -1;
    sortByColumn(col, asc);
  }
  notifyReset();
  resetCurrent();
}

void QueueListModel::append(Row row) {
  rows_.push_back(std::move(row));
  notifyAppended(rowCount() - 1, rowCount() - 1);
}

bool QueueListModel::sortByColumn(int column, bool ascending) {
  if (column < 0 || column >= columnCount()) return false;
  auto i = static_cast<std::size_t>(column);
  auto get = [i](const Row& r) { return i < r.cells.size() ? r.cells[i] : data::Value(); };
  std::stable_sort(rows_.begin(), rows_.end(), [&](const Row& a, const Row& b) {
    int c = compareValues(get(a), get(b));
    return ascending ? c < 0 : c > 0;
  });
  sortColumn_ = column;
  sortAscending_ = ascending;
  notifyReset();
  resetCurrent();
  return true;
}

}  // namespace koreq::ui
