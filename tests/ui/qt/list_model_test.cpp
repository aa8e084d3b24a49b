// The table model over a list control: lazy fetching passed through, rows announced before Qt
// reads them, resets and the highlight reported, styles and alignment.

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QSignalSpy>
#include <QTableView>

#include "qt_fixture.h"
#include "ui/model/view_list_model.h"
#include "ui/qt/list_table_model.h"

namespace koreq::ui::qt::test {
namespace {

// Rows made up on demand, a page at a time, like a file's view.
class PagedList : public ListModel {
 public:
  PagedList(std::int64_t total, int page) : total_(total), page_(page) { fetchMore(); }
  int columnCount() const override { return 2; }
  std::int64_t rowCount() const override { return loaded_; }
  bool canFetchMore() const override { return loaded_ < total_; }
  void fetchMore() override {
    std::int64_t first = loaded_;
    loaded_ = std::min(total_, loaded_ + page_);
    ++fetches;
    notifyAppended(first, loaded_ - 1);
  }
  std::string cell(std::int64_t row, int column) const override {
    return column == 0 ? "ROW-" + std::to_string(row + 1)
                       : formatValue("@n12.2", cellValue(row, 1));
  }
  data::Value cellValue(std::int64_t row, int column) const override {
    if (column == 0) return std::string("ROW-" + std::to_string(row + 1));
    return Decimal::fromCents(row * 150);
  }
  RowStyle style(std::int64_t row) const override {
    RowStyle s;
    if (row % 2) s.foreground = 0xFF0000;
    if (row == 0) s.fontStyle = kBold;
    return s;
  }
  void restart() {
    loaded_ = 0;
    notifyReset();
    fetchMore();
    resetCurrent();
  }
  int fetches = 0;

 private:
  std::int64_t total_;
  int page_;
  std::int64_t loaded_ = 0;
};

const WindowDef& listWindow() {
  static const WindowDef def = parseWindowDef(R"({
    "name": "ListWindow", "title": "Rows",
    "controls": [
      {"kind": "list", "name": "?LIST", "columns": [
        {"header": "Code", "use": "EQH:EquipmentID", "picture": "@s10", "width": 10},
        {"header": "Amount", "use": "EQH:Description", "picture": "@n12.2", "width": 12}]}
    ]})",
                                              "ListWindow.json");
  return def;
}

TEST(ListTableModel, PassesFetchingThroughAndAnnouncesRowsBeforeTheyAreRead) {
  Window window(listWindow());
  Control& list = window.control("?LIST");
  PagedList rows(1000000, 100);
  list.setList(&rows);
  ListTableModel model(list);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  tester.setUseFetchMore(false);  // from here on the test fetches, so the counts are its own

  // The tester fetched as a view would when it was made: whole pages, far from the million.
  const int first = model.rowCount();
  EXPECT_EQ(first % 100, 0);
  EXPECT_LT(first, 1000);
  EXPECT_EQ(model.columnCount(), 2);
  ASSERT_TRUE(model.canFetchMore({}));
  model.fetchMore({});
  EXPECT_EQ(model.rowCount(), first + 100);
  EXPECT_EQ(model.data(model.index(150, 0)).toString(), "ROW-151");
  // Numbers are shown without their padding, right-aligned, as the column's picture writes them.
  EXPECT_EQ(model.data(model.index(3, 1)).toString(), "4.50");
  EXPECT_EQ(
      model.data(model.index(3, 1), Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight,
      Qt::AlignRight);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "Amount");
  // Row styles: colour and font.
  EXPECT_EQ(model.data(model.index(1, 0), Qt::ForegroundRole).value<QBrush>().color(),
            QColor(255, 0, 0));
  EXPECT_FALSE(model.data(model.index(2, 0), Qt::ForegroundRole).isValid());
  EXPECT_TRUE(model.data(model.index(0, 0), Qt::FontRole).value<QFont>().bold());
  // Out of range asks get nothing.
  EXPECT_FALSE(model.data(model.index(999999, 0)).isValid());

  // A reset starts from the first page again; the highlight goes to the first row.
  QSignalSpy resets(&model, &ListTableModel::rowsReset);
  QSignalSpy current(&model, &ListTableModel::currentRowChanged);
  rows.restart();
  EXPECT_EQ(model.rowCount(), 100);
  EXPECT_EQ(resets.count(), 1);
  ASSERT_GE(current.count(), 1);
  EXPECT_EQ(current.last().at(0).toInt(), 0);

  // The list goes away (its window closed): no rows, nothing to fetch.
  model.setList(nullptr);
  EXPECT_EQ(model.rowCount(), 0);
  EXPECT_FALSE(model.canFetchMore({}));
}

TEST(ListTableModel, AMillionRowsOpenWithTheFirstPagesOnly) {
  Window window(listWindow());
  Control& list = window.control("?LIST");
  PagedList rows(1000000, 100);
  list.setList(&rows);
  QTableView view;
  ListTableModel model(list);
  view.setModel(&model);
  view.resize(400, 300);
  view.show();
  settle();
  // The view asks for what it shows, not for the million rows.
  EXPECT_LT(model.rowCount(), 1000);
  EXPECT_LT(rows.fetches, 10);
  // Scrolling to the end of what is there brings the next page in.
  int before = model.rowCount();
  view.scrollToBottom();
  settle();
  EXPECT_GT(model.rowCount(), before);
  EXPECT_LT(model.rowCount(), 1000);
}

class ViewListTableModel : public RendererTest {};

TEST_F(ViewListTableModel, OverAFileOfThousandsOfRecordsWithSortingAndRanges) {
  {
    data::Transaction t(session.store(), std::chrono::seconds(5));
    for (int i = 0; i < 3000; ++i) {
      char id[16];
      std::snprintf(id, sizeof id, "EQ-%04d", i);
      putEquipment(ctx, id, "Unit " + std::to_string(2999 - i));
    }
    t.commit();
  }
  const WindowDef def = parseWindowDef(R"({
    "name": "Equipment", "controls": [
      {"kind": "list", "name": "?LIST", "columns": [
        {"header": "ID", "use": "EQH:EquipmentID", "picture": "@s10"},
        {"header": "Description", "use": "EQH:Description", "picture": "@s40"}]}]})",
                                       "Equipment.json");
  Window window(def);
  Control& list = window.control("?LIST");
  ViewListModel rows(session.store(), data::EqHeader::def(), session.errors(),
                     def.controls[0].columns);
  rows.setPageSize(100);
  rows.reset();
  list.setList(&rows);
  ListTableModel model(list);
  QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::Fatal);
  // The tester itself fetches as a view would; every page it brought in is a whole one.
  EXPECT_EQ(model.rowCount() % 100, 0);
  EXPECT_LT(model.rowCount(), 3000);
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "EQ-0000");

  while (model.canFetchMore({})) model.fetchMore({});
  EXPECT_EQ(model.rowCount(), 3000);
  EXPECT_EQ(model.data(model.index(2999, 0)).toString(), "EQ-2999");

  // Sorting by a column without a key reads every row and orders them in memory.
  ASSERT_TRUE(rows.sortByColumn(1, false));
  EXPECT_EQ(model.rowCount(), 3000);
  EXPECT_EQ(model.data(model.index(0, 1)).toString(), "Unit 999");  // text order, descending
  // Back to the key order, one page again.
  ASSERT_TRUE(rows.sortByColumn(0, true));
  EXPECT_LT(model.rowCount(), 3000);
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "EQ-0000");
  ASSERT_TRUE(rows.sortByColumn(0, false));
  EXPECT_EQ(model.data(model.index(0, 0)).toString(), "EQ-2999");
}

}  // namespace
}  // namespace koreq::ui::qt::test
