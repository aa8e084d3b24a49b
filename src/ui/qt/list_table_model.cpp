#include "ui/qt/list_table_model.h"

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QMimeData>
#include <limits>

#include "runtime/picture.h"
#include "runtime/text.h"

namespace koreq::ui::qt {

namespace {

// Qt counts rows in int; a list beyond that shows its first two thousand million rows.
int clampRows(std::int64_t n) {
  return static_cast<int>(std::min<std::int64_t>(n, std::numeric_limits<int>::max()));
}

QColor qtColour(Colour c) {
  return QColor((c >> 16) & 0xFF, (c >> 8) & 0xFF, c & 0xFF);
}

// Figures and dates stand on the right, so that their digits line up whatever their length
// (a date's month is blank-padded: " 3/05/2015" under "12/05/2015").
bool standsRight(const std::string& picture) {
  PictureSpec pic = PictureSpec::parse(picture);
  return pic.kind == PictureSpec::Kind::Number || pic.kind == PictureSpec::Kind::Date;
}

}  // namespace

ListTableModel::ListTableModel(const Control& control, QObject* parent)
    : QAbstractTableModel(parent), control_(&control) {
  setList(control.list());
}

ListTableModel::~ListTableModel() {
  if (list_) list_->setObserver(nullptr);
}

void ListTableModel::setList(ListModel* list) {
  beginResetModel();
  if (list_) list_->setObserver(nullptr);
  list_ = list;
  if (list_) list_->setObserver(this);
  rows_ = list_ ? clampRows(list_->rowCount()) : 0;
  endResetModel();
  emit rowsReset();
}

void ListTableModel::release() {
  beginResetModel();
  if (list_) list_->setObserver(nullptr);
  list_ = nullptr;
  control_ = nullptr;
  rows_ = 0;
  endResetModel();
}

void ListTableModel::columnsChanged() {
  beginResetModel();
  rows_ = list_ ? clampRows(list_->rowCount()) : 0;
  endResetModel();
}

void ListTableModel::headersChanged() {
  if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int ListTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ListTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() || !control_ ? 0 : control_->columnCount();
}

Qt::ItemFlags ListTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags f = QAbstractTableModel::flags(index);
  if (index.isValid() && control_ && !control_->def().dragTo.empty()) f |= Qt::ItemIsDragEnabled;
  return f;
}

QStringList ListTableModel::mimeTypes() const {
  return {QString::fromLatin1(kRowsMimeType)};
}

QMimeData* ListTableModel::mimeData(const QModelIndexList&) const {
  if (!control_ || control_->def().dragTo.empty()) return nullptr;
  auto* data = new QMimeData;  // owned by the drag
  data->setData(QString::fromLatin1(kRowsMimeType),
                QByteArray::number(reinterpret_cast<quintptr>(control_)));
  return data;
}

Qt::DropActions ListTableModel::supportedDragActions() const {
  return Qt::CopyAction | Qt::MoveAction;
}

QVariant ListTableModel::data(const QModelIndex& index, int role) const {
  if (!list_ || !control_ || !index.isValid() || index.row() >= rows_ ||
      index.column() >= list_->columnCount())
    return {};
  const std::int64_t row = index.row();
  const int column = index.column();
  const auto& columns = control_->columns();
  const ColumnDef* def = column < static_cast<int>(columns.size())
                             ? &columns[static_cast<std::size_t>(column)]
                             : nullptr;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      if (def && def->icon && role == Qt::DisplayRole) return {};
      return QString::fromStdString(clipped(trimLeft(list_->cell(row, column))));
    case Qt::DecorationRole: {
      if (!icons_) return {};
      std::string name = list_->icon(row, column);
      if (name.empty()) return {};
      QIcon icon = icons_(name);
      return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::TextAlignmentRole:
      if (def && (def->right || standsRight(def->picture)))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    case Qt::ForegroundRole: {
      RowStyle s = list_->style(row);
      return s.foreground ? QVariant(QBrush(qtColour(*s.foreground))) : QVariant();
    }
    case Qt::BackgroundRole: {
      RowStyle s = list_->style(row);
      return s.background ? QVariant(QBrush(qtColour(*s.background))) : QVariant();
    }
    case SelectedForegroundRole: {
      RowStyle s = list_->style(row);
      return s.selectedForeground ? QVariant(QBrush(qtColour(*s.selectedForeground))) : QVariant();
    }
    case SelectedBackgroundRole: {
      RowStyle s = list_->style(row);
      return s.selectedBackground ? QVariant(QBrush(qtColour(*s.selectedBackground))) : QVariant();
    }
    case Qt::FontRole: {
      RowStyle s = list_->style(row);
      if (s.fontStyle == kNormal) return {};
      QFont f;
      f.setBold(s.fontStyle & kBold);
      f.setItalic(s.fontStyle & kItalic);
      f.setUnderline(s.fontStyle & kUnderline);
      return f;
    }
    default:
      return {};
  }
}

QVariant ListTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (!control_ || orientation != Qt::Horizontal || section < 0 ||
      section >= control_->columnCount())
    return QAbstractTableModel::headerData(section, orientation, role);
  const auto& columns = control_->columns();
  const ColumnDef* def = section < static_cast<int>(columns.size())
                             ? &columns[static_cast<std::size_t>(section)]
                             : nullptr;
  switch (role) {
    case Qt::DisplayRole: {
      // A Qt header has one row: a group's name stands above the first of its columns, and
      // every column of a list with groups gets two lines so that they line up.
      const std::string& group = control_->groupHeader(section);
      bool anyGroup = false;
      for (int i = 0; i < control_->columnCount(); ++i)
        anyGroup = anyGroup || !control_->groupHeader(i).empty();
      std::string text = control_->header(section);
      if (anyGroup) text = (control_->startsGroup(section) ? group : std::string()) + "\n" + text;
      return QString::fromStdString(text);
    }
    case Qt::ToolTipRole:
      if (def && !control_->groupHeader(section).empty())
        return QString::fromStdString(control_->groupHeader(section) + ": " +
                                      control_->header(section));
      return QString::fromStdString(control_->header(section));
    case Qt::TextAlignmentRole:
      if (def && (def->right || standsRight(def->picture)))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
      return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
      return {};
  }
}

bool ListTableModel::canFetchMore(const QModelIndex& parent) const {
  return !parent.isValid() && !changing_ && list_ && list_->canFetchMore() &&
         rows_ < clampRows(INT64_MAX);
}

void ListTableModel::fetchMore(const QModelIndex& parent) {
  if (parent.isValid() || !list_ || changing_) return;
  list_->fetchMore();  // announces the new rows through appended()
}

void ListTableModel::reset() {
  changing_ = true;
  beginResetModel();
  rows_ = list_ ? clampRows(list_->rowCount()) : 0;
  endResetModel();
  changing_ = false;
  emit rowsReset();
}

void ListTableModel::appended(std::int64_t first, std::int64_t last) {
  if (!list_) return;
  int total = clampRows(list_->rowCount());
  // Rows are appended at the end; anything already announced is not announced twice.
  int from = std::max(rows_, clampRows(first));
  int to = std::min(clampRows(last), total - 1);
  if (from != rows_ || to < from) {
    if (total != rows_) reset();
    return;
  }
  changing_ = true;
  beginInsertRows({}, from, to);
  rows_ = to + 1;
  endInsertRows();
  changing_ = false;
}

void ListTableModel::currentChanged(std::int64_t row) {
  emit currentRowChanged(row < 0 ? -1 : clampRows(row));
}

void RowStyleDelegate::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
  QStyledItemDelegate::initStyleOption(option, index);
  if (!(option->state & QStyle::State_Selected)) return;
  QVariant fg = index.data(ListTableModel::SelectedForegroundRole);
  QVariant bg = index.data(ListTableModel::SelectedBackgroundRole);
  for (auto group : {QPalette::Active, QPalette::Inactive}) {
    if (fg.canConvert<QBrush>())
      option->palette.setBrush(group, QPalette::HighlightedText, fg.value<QBrush>());
    if (bg.canConvert<QBrush>())
      option->palette.setBrush(group, QPalette::Highlight, bg.value<QBrush>());
  }
}

}  // namespace koreq::ui::qt
