#include "controls/sort_list_ctrl.h"

#include <QCoreApplication>
#include <QHelpEvent>
#include <QItemSelectionModel>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <algorithm>

#include "controls/list_look.h"

namespace tav {

// Draws the cells; without full-row selection only column 0 shows the
// selection. Dimmed rows take the grey of disabled text (the model gives
// them italics).
class CSortListCtrl::CellDelegate final : public QStyledItemDelegate {
 public:
  explicit CellDelegate(CSortListCtrl* list) : QStyledItemDelegate(list), list_(list) {}

 protected:
  void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
    QStyledItemDelegate::initStyleOption(option, index);
    if (!list_->IsFullRowSelect() && index.column() != 0) {
      option->state &= ~QStyle::State_Selected;
    }
    if (index.data(SortListModel::kRowStyleRole).toInt() == static_cast<int>(RowStyle::kDimmed)) {
      option->palette.setBrush(QPalette::Text,
                               option->palette.brush(QPalette::Disabled, QPalette::Text));
    }
  }

 private:
  const CSortListCtrl* list_;
};

CSortListCtrl::CSortListCtrl(QWidget* parent)
    : QTreeView(parent), model_(new SortListModel(this)), header_(new CSortHeaderCtrl(this)) {
  setHeader(header_);
  setModel(model_);
  setItemDelegate(new CellDelegate(this));
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setUniformRowHeights(true);
  setSortingEnabled(false);  // the header's click rule is ours...
  header_->setSectionsClickable(true);  // ...which needs the clicks
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setAllColumnsShowFocus(true);
  // The header is painted up to the right edge, and the last column's
  // texts have the room that is left.
  header_->setStretchLastSection(true);
  setTextElideMode(Qt::ElideRight);
  connect(header_, &QHeaderView::sectionClicked, this, &CSortListCtrl::OnColumnClick);
}

CSortListCtrl::~CSortListCtrl() = default;

int CSortListCtrl::InsertColumn(int index, std::string_view heading, Qt::Alignment format,
                                int width, const char* context) {
  const int sort_column = header_->GetSortColumn();
  const std::string source(heading);
  const QString shown = context != nullptr ? QCoreApplication::translate(context, source.c_str())
                                           : QString::fromStdString(source);
  const int column = model_->InsertColumn(index, shown, format & Qt::AlignHorizontal_Mask,
                                          QString::fromStdString(source));
  if (column < 0) return -1;
  if (width >= 0) header_->resizeSection(column, width);
  if (sort_column >= column) header_->SetSortMark(sort_column + 1, header_->IsAscending());
  return column;
}

int CSortListCtrl::AddItem(int row, std::string_view text0,
                           std::initializer_list<std::string_view> more) {
  std::string_view texts[16];
  if (more.size() < std::size(texts)) {
    texts[0] = text0;
    std::copy(more.begin(), more.end(), texts + 1);
    return AddItem(row, std::span<const std::string_view>(texts, more.size() + 1));
  }
  std::vector<std::string_view> all;
  all.reserve(more.size() + 1);
  all.push_back(text0);
  all.insert(all.end(), more.begin(), more.end());
  return AddItem(row, all);
}

int CSortListCtrl::AddItem(int row, std::span<const std::string_view> texts) {
  return model_->InsertRow(row, texts);
}

void CSortListCtrl::SetDimmedRowNote(std::string_view note) {
  model_->SetDimmedRowNote(
      QString::fromUtf8(note.data(), static_cast<qsizetype>(note.size())));
}

bool CSortListCtrl::SetItemText(int row, int column, std::string_view text) {
  return model_->SetText(row, column, text);
}

std::string_view CSortListCtrl::GetItemText(int row, int column) const {
  return model_->Text(row, column);
}

uintptr_t CSortListCtrl::GetItemData(int row) const { return model_->ItemData(row); }

bool CSortListCtrl::SetItemData(int row, uintptr_t data) {
  return model_->SetItemData(row, data);
}

bool CSortListCtrl::DeleteItem(int row, bool select_next, DeleteVeto veto, void* arg) {
  if (row < 0 || row >= GetItemCount()) return false;
  if (veto != nullptr && !veto(model_->ItemData(row), arg)) return false;
  if (!model_->RemoveRow(row)) return false;
  if (select_next && GetItemCount() > 0) SelectItem(std::min(row, GetItemCount() - 1));
  return true;
}

void CSortListCtrl::DeleteAllItems() { model_->RemoveAllRows(); }

bool CSortListCtrl::SelectItem(int row, bool clamp) {
  const int count = GetItemCount();
  if (clamp && count > 0) row = std::clamp(row, 0, count - 1);
  if (row < 0 || row >= count) return false;
  const QModelIndex index = model_->index(row, 0);
  auto flags = QItemSelectionModel::Select | QItemSelectionModel::Rows;
  if (selectionMode() == QAbstractItemView::SingleSelection) {
    flags |= QItemSelectionModel::Clear;
  }
  selectionModel()->select(index, flags);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
  return true;
}

std::vector<int> CSortListCtrl::GetSelectedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : selectionModel()->selectedRows()) rows.push_back(index.row());
  std::sort(rows.begin(), rows.end());
  return rows;
}

void CSortListCtrl::Sort(int column, bool ascending) {
  if (column < 0 || column >= GetColumnCount()) return;
  header_->SetSortMark(column, ascending);
  model_->SortRows(column, ascending);
}

void CSortListCtrl::Resort() { Sort(header_->GetSortColumn(), header_->IsAscending()); }

void CSortListCtrl::SetFullRowSelect(bool on) {
  full_row_select_ = on;
  setAllColumnsShowFocus(on);
  viewport()->update();
}

void CSortListCtrl::SetGridLines(bool on) {
  grid_lines_ = on;
  viewport()->update();
}

void CSortListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
  QTreeView::drawRow(painter, option, index);
  if (grid_lines_) DrawRowGridLines(painter, *header_, option.rect, GridLineColor(this));
}

QString CSortListCtrl::ToolTipAt(const QPoint& pos) const {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) return {};
  const QString note = index.data(Qt::ToolTipRole).toString();
  if (!note.isEmpty()) return note;
  // The delegate cuts the text when it needs more than the cell's width.
  QStyleOptionViewItem option;
  initViewItemOption(&option);
  option.rect = visualRect(index);
  const QAbstractItemDelegate* delegate = itemDelegateForIndex(index);
  if (delegate->sizeHint(option, index).width() <= option.rect.width()) return {};
  return index.data(Qt::DisplayRole).toString();
}

bool CSortListCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = ToolTipAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, viewport(), visualRect(indexAt(help->pos())));
    }
    return true;
  }
  return QTreeView::viewportEvent(event);
}

void CSortListCtrl::OnColumnClick(int column) {
  const bool ascending = column != header_->GetSortColumn() || !header_->IsAscending();
  Sort(column, ascending);
}

}  // namespace tav
