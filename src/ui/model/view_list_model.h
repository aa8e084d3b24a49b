#pragma once

// A list over a file's ordered, ranged, filtered view, read a page at a time: opening it reads
// one page however large the file, and the rows behind come in as the user scrolls
// (fetchMore). It reads through a record buffer of its own, so the list never disturbs the
// buffer a procedure works on; the highlighted record is copied into that buffer when the
// procedure asks for it.
//
// Sorting by a column header uses a key that starts with the column's field when the file has
// one (still read page by page, backward for a descending order); any other column is sorted
// in memory, which first reads every row.

#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "data/view.h"
#include "runtime/expr.h"
#include "ui/model/list_model.h"

namespace koreq::ui {

class ViewListModel : public ListModel {
 public:
  // Columns as the list control declares them: `use` is a field of the file (with or without
  // its prefix) or an expression over the file's fields and the bound names. Throws UiError
  // for a column that is neither.
  ViewListModel(data::Store& store, const data::FileDef& file, data::ErrorObject& errors,
                std::vector<ColumnDef> columns, const NameResolver* names = nullptr);

  // The order, range and filter; each takes effect at the next reset().
  void setKey(const data::KeyDef& key);
  const data::KeyDef& key() const { return *key_; }
  void setRange(std::vector<data::Value> equal);
  // Names other than the file's fields are asked of the resolver given at construction. False
  // (with the reason) for an expression that does not compile.
  bool setFilter(std::string_view expression, std::string* error = nullptr);
  // The list reads only the fields it shows, orders by and filters on: a style or icons that
  // look at other fields name them (with or without prefix), else every field is read.
  void setRowStyle(std::function<RowStyle(const data::FileAccess& row)> style,
                   std::optional<std::vector<std::string>> reads = std::nullopt);
  // Icon names for icon columns.
  void setIcons(std::function<std::string(const data::FileAccess& row, int column)> icons,
                std::optional<std::vector<std::string>> reads = std::nullopt);
  void setPageSize(int rows) { pageSize_ = rows > 0 ? rows : 1; }

  // Reads from the start again: the first page only. The highlight goes to the first row.
  void reset();
  // The reason a record could not be filtered (an unknown name), from the last reading.
  const std::string& filterError() const { return view_.filterError(); }

  int columnCount() const override { return static_cast<int>(columns_.size()); }
  std::int64_t rowCount() const override { return static_cast<std::int64_t>(rows_.size()); }
  bool canFetchMore() const override { return !atEnd_; }
  void fetchMore() override;
  std::string cell(std::int64_t row, int column) const override;
  data::Value cellValue(std::int64_t row, int column) const override;
  std::string icon(std::int64_t row, int column) const override;
  RowStyle style(std::int64_t row) const override;
  bool sortByColumn(int column, bool ascending) override;

  // The stored identity of a row's record.
  std::int64_t rowId(std::int64_t row) const { return at(row).id; }
  // The row holding that record, fetching further rows until it is found; -1 when it is not
  // listed.
  std::int64_t findRowId(std::int64_t id);
  // Incremental locator: the first row whose sort value reads at or after `text`, both
  // upper-cased and clipped (fetching as needed); the last row when none does, -1 when the
  // list is empty.
  std::int64_t locate(std::string_view text);

 private:
  struct Column {
    ColumnDef def;
    int field = -1;                  // index in the file's fields, or -1
    std::optional<Expression> expr;  // when not a field
  };
  struct Row {
    std::int64_t id = 0;
    std::vector<data::Value> cells;
    // What few rows have, kept apart so that a million plain rows stay small.
    struct Extra {
      data::Value sortValue;  // what the locator compares, when no column shows it
      RowStyle style;
      std::vector<std::string> icons;
    };
    std::unique_ptr<Extra> extra;
  };
  const Row& at(std::int64_t row) const { return rows_.at(static_cast<std::size_t>(row)); }
  Row readRow();
  const data::Value& sortValue(const Row& r) const;
  // The fields a row is read with: nullopt for all of them.
  std::optional<std::vector<int>> fieldsRead() const;
  void addReads(const std::optional<std::vector<std::string>>& names, bool* all,
                std::vector<int>* fields);

  data::FileAccess buffer_;
  data::View view_;
  data::FieldResolver columnNames_;  // the names of the expression columns
  ChainResolver columnChain_;        // those, then the caller's names
  const data::KeyDef* key_;
  const NameResolver* names_;
  std::vector<Column> columns_;
  std::deque<Row> rows_;  // a deque: a million rows grow without being moved
  bool atEnd_ = true;
  bool memorySorted_ = false;
  int keyColumn_ = -1;  // the column showing the key's first field, or -1
  int pageSize_ = 100;
  std::function<RowStyle(const data::FileAccess&)> style_;
  std::function<std::string(const data::FileAccess&, int)> icons_;
  // What the style and icons read: every field, or these.
  bool styleReadsAll_ = false, iconsReadAll_ = false;
  std::vector<int> styleReads_, iconReads_;
};

}  // namespace koreq::ui
