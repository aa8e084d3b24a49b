#pragma once

// What a list control shows: rows of column texts, fetched in pages so that a list over a large
// file opens at once. rowCount() is the rows fetched so far; canFetchMore()/fetchMore() bring in
// the next page, as a scrolling user needs them (the Qt item model maps onto this one to one).

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ui/model/control.h"

namespace koreq::ui {

// Colours and font of one row; unset colours are the list's defaults.
struct RowStyle {
  std::optional<Colour> foreground, background;
  std::optional<Colour> selectedForeground, selectedBackground;
  int fontStyle = kNormal;
};

class ListObserver {
 public:
  virtual ~ListObserver() = default;
  virtual void reset() {}  // every row may have changed
  virtual void appended(std::int64_t first, std::int64_t last) { (void)first, (void)last; }
  virtual void currentChanged(std::int64_t row) { (void)row; }
};

// Orders two values as a list sorts a column: numbers and dates by size, texts without regard
// to case or trailing blanks.
int compareValues(const data::Value& a, const data::Value& b);

class ListModel {
 public:
  virtual ~ListModel() = default;

  virtual int columnCount() const = 0;
  // Rows fetched so far.
  virtual std::int64_t rowCount() const = 0;
  virtual bool canFetchMore() const { return false; }
  virtual void fetchMore() {}
  // Fetches every row (the list is about to be sent elsewhere).
  void loadCompletely();
  // Fetches until row `row` (from 0) is there; false when the list has fewer rows.
  bool ensureRow(std::int64_t row);

  // A cell's text through its column's picture.
  virtual std::string cell(std::int64_t row, int column) const = 0;
  // A cell's value (what sorting compares).
  virtual data::Value cellValue(std::int64_t row, int column) const = 0;
  // The icon of an icon column's cell ("" none).
  virtual std::string icon(std::int64_t, int) const { return {}; }
  virtual RowStyle style(std::int64_t) const { return {}; }

  // A click on a column header: sorts by that column, the second click on the same column
  // reverses the order. False when the list cannot sort by that column.
  virtual bool sortByColumn(int column, bool ascending) {
    (void)column, (void)ascending;
    return false;
  }
  int sortColumn() const { return sortColumn_; }
  bool sortAscending() const { return sortAscending_; }

  // The highlighted row, from 0; -1 when none.
  std::int64_t current() const { return current_; }
  void setCurrent(std::int64_t row);

  void setObserver(ListObserver* o) { observer_ = o; }

 protected:
  void notifyReset();
  void notifyAppended(std::int64_t first, std::int64_t last);
  // After a reset the model keeps the highlight on the first row, if any.
  void resetCurrent();

  int sortColumn_ = -1;
  bool sortAscending_ = true;

 private:
  std::int64_t current_ = -1;
  ListObserver* observer_ = nullptr;
};

// A list over rows held in memory (the runtime's queues): every row is there at once.
class QueueListModel : public ListModel {
 public:
  struct Row {
    std::vector<data::Value> cells;
    RowStyle style;
    std::vector<std::string> icons;  // per column, may be shorter
  };

  // Columns as the list control declares them (their pictures format the cells).
  explicit QueueListModel(std::vector<ColumnDef> columns) : columns_(std::move(columns)) {}

  int columnCount() const override { return static_cast<int>(columns_.size()); }
  std::int64_t rowCount() const override { return static_cast<std::int64_t>(rows_.size()); }
  std::string cell(std::int64_t row, int column) const override;
  data::Value cellValue(std::int64_t row, int column) const override;
  std::string icon(std::int64_t row, int column) const override;
  RowStyle style(std::int64_t row) const override;
  bool sortByColumn(int column, bool ascending) override;

  const Row& row(std::int64_t r) const { return rows_.at(static_cast<std::size_t>(r)); }
  void setRows(std::vector<Row> rows);
  // New columns (a layout that depends on data); the rows go.
  void setColumns(std::vector<ColumnDef> columns) {
    columns_ = std::move(columns);
    setRows({});
  }
  void append(Row row);
  void clear() { setRows({}); }

 private:
  std::vector<ColumnDef> columns_;
  std::vector<Row> rows_;
};

// A value written through a picture, as entries, strings and list cells show it.
std::string formatValue(std::string_view picture, const data::Value& v);

}  // namespace koreq::ui
