#pragma once

// A list control's rows as a Qt table model. The window model's list fetches its rows a page at
// a time; this adapter passes canFetchMore()/fetchMore() through, so a view over a file of a
// million records asks only for the pages it shows.
//
// The adapter counts the rows it has announced itself: the list tells it about new rows after
// reading them, and Qt must hear of rows before it may ask for them.

#include <QAbstractTableModel>
#include <QIcon>
#include <QStyledItemDelegate>
#include <functional>

#include "ui/model/control.h"
#include "ui/model/list_model.h"

namespace koreq::ui::qt {

class ListTableModel : public QAbstractTableModel, private ListObserver {
  Q_OBJECT
 public:
  // A row's colours while it is highlighted (RowStyle's selected colours), as QBrush.
  static constexpr int SelectedForegroundRole = Qt::UserRole + 1;
  static constexpr int SelectedBackgroundRole = Qt::UserRole + 2;
  // What a list that drags its rows (ControlDef::dragTo) puts in a drag: the list control's
  // address, so that only its own window takes the drop.
  static constexpr const char* kRowsMimeType = "application/x-koreq-rows";

  // `control` is the list control (headers, column pictures); its list model may be null.
  explicit ListTableModel(const Control& control, QObject* parent = nullptr);
  ~ListTableModel() override;

  // Watches another list model (nullptr: none); the rows are reset.
  void setList(ListModel* list);
  // The window closed: the control and its list may go at any time now, and a view that still
  // draws (a window waiting to be deleted) must find nothing.
  void release();
  ListModel* list() const { return list_; }
  // Headers were renamed.
  void headersChanged();
  // The control's columns were laid out anew.
  void columnsChanged();
  // Icons by name for icon columns and images ("~checkon.ico").
  void setIconLookup(std::function<QIcon(const std::string&)> lookup) {
    icons_ = std::move(lookup);
  }

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override;
  bool canFetchMore(const QModelIndex& parent) const override;
  void fetchMore(const QModelIndex& parent) override;

 signals:
  // The list's highlighted row changed (-1: none), by the procedure or by a reset.
  void currentRowChanged(int row);
  // Every row may have changed (a new order, a new filter).
  void rowsReset();

 private:
  void reset() override;
  void appended(std::int64_t first, std::int64_t last) override;
  void currentChanged(std::int64_t row) override;

  const Control* control_;
  ListModel* list_ = nullptr;
  int rows_ = 0;
  bool changing_ = false;  // inside a begin/end pair: Qt must not ask for more rows now
  std::function<QIcon(const std::string&)> icons_;
};

// Draws a highlighted row in the row's own highlight colours (an inactive piece of equipment is
// lime when highlighted), which the standard delegate would paint in the style's.
class RowStyleDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace koreq::ui::qt
