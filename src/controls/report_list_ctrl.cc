#include "controls/report_list_ctrl.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHelpEvent>
#include <QItemSelection>
#include <QListWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <algorithm>

#include "controls/combo_choices.h"
#include "controls/combo_list.h"
#include "controls/list_look.h"
#include "controls/report_cell_delegate.h"
#include "controls/report_header.h"

namespace tav {

CXListCtrl::CXListCtrl(QWidget* parent)
    : QTreeView(parent), model_(new ReportListModel(this)), header_(new CXHeaderCtrl(this)) {
  setObjectName(QStringLiteral("CXListCtrl"));
  setHeader(header_);
  setModel(model_);
  setItemDelegate(new ReportCellDelegate(this));
  setRootIsDecorated(false);
  setIndentation(0);
  setItemsExpandable(false);
  setUniformRowHeights(true);
  setAllColumnsShowFocus(true);
  setSelectionBehavior(QAbstractItemView::SelectRows);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setDragEnabled(false);
  setMouseTracking(true);
  TakeDefaultColors();
}

CXListCtrl::~CXListCtrl() {
  if (combo_ != nullptr) combo_->disconnect(this);
}

void CXListCtrl::TakeDefaultColors() {
  model_->SetDefaultColors(palette().color(QPalette::Active, QPalette::Text).rgba(),
                           palette().color(QPalette::Active, QPalette::Base).rgba());
}

int CXListCtrl::InsertColumn(int column, const QString& heading, Qt::Alignment alignment,
                             int width) {
  const int at = model_->InsertColumn(column, heading, alignment);
  if (at >= 0) header_->resizeSection(at, std::max(width, 0));
  return at;
}

int CXListCtrl::InsertItem(int row, const QString& text) { return model_->InsertItem(row, text); }

int CXListCtrl::InsertItem(int row, const QString& text, QRgb text_color,
                           QRgb background_color) {
  return model_->InsertItem(row, text, text_color, background_color);
}

bool CXListCtrl::DeleteAllItems() {
  CloseDropDown();
  return model_->DeleteAllItems();
}

bool CXListCtrl::SetItemText(int row, int column, const QString& text) {
  return model_->SetItemText(row, column, text);
}

bool CXListCtrl::SetEnabled(int row, bool enabled) {
  if (!model_->SetEnabled(row, enabled)) return false;
  if (row == combo_row_ && !enabled) DropDownEscape();
  viewport()->repaint(visualRect(model_->index(row, 0)).united(
      visualRect(model_->index(row, model_->ColumnCount() - 1))));
  return true;
}

bool CXListCtrl::SetComboBox(int row, int column, bool enable, const QStringList& choices,
                             int dropdown_rows, int initial_choice) {
  if (row == combo_row_ && column == combo_column_) CloseDropDown();
  if (!model_->SetComboBox(row, column, enable, choices, dropdown_rows, initial_choice)) {
    return false;
  }
  if (enable && selectionModel()->isRowSelected(row, QModelIndex())) {
    FillDropDownTexts(QItemSelection(model_->index(row, 0),
                                     model_->index(row, model_->ColumnCount() - 1)));
  }
  return true;
}

int CXListCtrl::ColumnTextWidth(int column) const {
  // Every row counts, also before the view has laid its rows out (the tree
  // view's own hint knows only the rows laid out so far).
  return std::max(QAbstractItemView::sizeHintForColumn(column), header_->HeadingWidth(column));
}

void CXListCtrl::KeepColumnsInView() {
  int needed = 2 * frameWidth() + verticalScrollBar()->sizeHint().width();
  for (int column = 0; column < header_->count(); ++column) needed += ColumnTextWidth(column);
  setMinimumWidth(needed);
}

void CXListCtrl::SetHeaderFont(int tenths) {
  // The header's face is the application's default family: the list has no
  // face of its own to ask for.
  QFont font(QApplication::font().family());
  font.setPointSizeF(std::max(tenths, 1) / 10.0);
  header_->SetHeaderFont(font);
  updateGeometries();
  viewport()->update();
}

int CXListCtrl::ToolHitTest(const QPoint& pos, QString* text) const {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) return -1;
  if (text != nullptr) {
    *text = model_->GetItemToolTipText(index.row(), index.column());
    if (text->isEmpty()) {
      QStyleOptionViewItem option;
      initViewItemOption(&option);
      option.rect = visualRect(index);
      if (selectionModel()->isRowSelected(index.row(), QModelIndex())) {
        option.state |= QStyle::State_Selected;
      }
      const auto* delegate = static_cast<const ReportCellDelegate*>(itemDelegate());
      if (delegate->TextIsCut(option, index)) {
        *text = model_->GetItemText(index.row(), index.column());
      }
    }
  }
  return ReportToolId(index.row(), index.column());
}

void CXListCtrl::SetFullRowSelect(bool on) {
  full_row_select_ = on;
  viewport()->update();
}

void CXListCtrl::SetShowSelectionAlways(bool on) {
  show_selection_always_ = on;
  viewport()->update();
}

void CXListCtrl::SetGridLines(bool on) {
  grid_lines_ = on;
  viewport()->update();
}

void CXListCtrl::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                         const QModelIndex& index) const {
  QTreeView::drawRow(painter, option, index);
  if (grid_lines_) DrawRowGridLines(painter, *header_, option.rect, GridLineColor(this));
}

std::vector<int> CXListCtrl::SelectedRows() const {
  std::vector<int> rows;
  for (const QItemSelectionRange& range : selectionModel()->selection()) {
    for (int r = range.top(); r <= range.bottom(); ++r) {
      // Rows the model no longer enables are not counted as selected.
      if (model_->flags(model_->index(r, 0)) & Qt::ItemIsEnabled) rows.push_back(r);
    }
  }
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

QRect CXListCtrl::CellRect(int row, int column) const {
  return visualRect(model_->index(row, column));
}

QRect CXListCtrl::DropDownButtonRect(int row, int column) const {
  const QRect cell = CellRect(row, column);
  if (cell.isEmpty()) return {};
  return QRect(cell.right() - cell.height() + 1, cell.top(), cell.height(), cell.height());
}

QRect CXListCtrl::EmptyTextRect() const {
  // The viewport starts under the header: 10 pixels further down.
  return viewport()->rect().adjusted(0, 10, 0, 0);
}

void CXListCtrl::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    selection_at_press_ = SelectedRows();
    pressed_cell_ = indexAt(event->position().toPoint());
  }
  QTreeView::mousePressEvent(event);
}

void CXListCtrl::mouseReleaseEvent(QMouseEvent* event) {
  QTreeView::mouseReleaseEvent(event);
  if (event->button() != Qt::LeftButton || !pressed_cell_.isValid()) return;
  const QPersistentModelIndex pressed = pressed_cell_;
  pressed_cell_ = QPersistentModelIndex();
  // A click is a press and a release on one cell; a drag from one cell to
  // another only selects.
  if (indexAt(event->position().toPoint()) == pressed) HandleClick(event->position().toPoint());
}

void CXListCtrl::HandleClick(const QPoint& pos) {
  const QModelIndex index = indexAt(pos);
  if (!index.isValid()) return;
  const int row = index.row();
  const int column = index.column();
  const CheckClickPlan plan =
      PlanCheckboxClick(*model_, row, column, selection_at_press_, SelectedRows());
  if (plan.restore_selection) RestoreSelection(selection_at_press_);
  if (!model_->GetEnabled(row)) return;
  const XListCellData* cell = model_->Cell(row, column);
  if (plan.new_state >= 0) {
    ApplyCheckboxClick(plan, column);
    return;
  }
  if (!cell->combo) {
    if (combo_ != nullptr) DropDownEscape();
    return;
  }
  CloseDropDown();
  if (DropDownButtonRect(row, column).contains(pos)) OpenDropDown(row, column);
}

void CXListCtrl::ApplyCheckboxClick(const CheckClickPlan& plan, int column) {
  for (int row : plan.rows) {
    // A slot connected to an earlier notification may have changed the
    // list: each row is checked again before it changes.
    const int state = model_->GetCheckbox(row, column);
    if (model_->Cell(row, column) == nullptr || state == plan.new_state) continue;
    model_->SetCheckbox(row, column, plan.new_state);
    emit checkboxClicked(row, column);
  }
  model_->UpdateHeaderCheckbox(column);
}

void CXListCtrl::RestoreSelection(const std::vector<int>& rows) {
  QItemSelection selection;
  const int last_column = model_->ColumnCount() - 1;
  for (size_t i = 0; i < rows.size();) {
    size_t j = i;
    while (j + 1 < rows.size() && rows[j + 1] == rows[j] + 1) ++j;
    if (rows[j] < model_->RowCount()) {
      selection.select(model_->index(rows[i], 0), model_->index(rows[j], last_column));
    }
    i = j + 1;
  }
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void CXListCtrl::selectionChanged(const QItemSelection& selected,
                                  const QItemSelection& deselected) {
  QTreeView::selectionChanged(selected, deselected);
  FillDropDownTexts(selected);
}

void CXListCtrl::FillDropDownTexts(const QItemSelection& selected) {
  // A drop-down cell of a selected row shows its initial choice until it
  // has a text of its own.
  for (const QModelIndex& index : selected.indexes()) {
    const XListCellData* cell = model_->Cell(index.row(), index.column());
    if (cell == nullptr || !cell->combo) continue;
    if (!model_->GetItemText(index.row(), index.column()).isEmpty()) continue;
    if (cell->initial_choice >= 0 && cell->initial_choice < cell->choices.size()) {
      model_->SetItemText(index.row(), index.column(), cell->choices[cell->initial_choice]);
    }
  }
}

void CXListCtrl::OpenDropDown(int row, int column) {
  const XListCellData* cell = model_->Cell(row, column);
  if (cell == nullptr || !cell->combo) return;
  const QStringList entries = ComboEntries(cell->choices);
  const int rows_shown = cell->dropdown_rows;
  if (model_->GetItemText(row, column).isEmpty() && !entries.isEmpty()) {
    model_->SetItemText(row, column, entries.first());
  }
  const int selected = ComboInitialIndex(entries, model_->GetItemText(row, column));
  combo_row_ = row;
  combo_column_ = column;
  // Escape gives the cell back the text it had when the list opened.
  combo_old_text_ = model_->GetItemText(row, column);
  model_->SetComboOpen(row, column, true);

  auto* list = new CXComboList(this);
  combo_ = list;
  list->SetEntries(entries);
  list->SetCurrent(selected);
  list->SetPageRows(rows_shown);
  connect(list, &CXComboList::escapePressed, this, &CXListCtrl::DropDownEscape);
  connect(list, &CXComboList::returnPressed, this, &CXListCtrl::DropDownCommit);
  connect(list, &CXComboList::clicked, this, &CXListCtrl::DropDownCommit);
  connect(list, &CXComboList::keyMoved, this, &CXListCtrl::DropDownMoved);
  // Just below the cell, one pixel narrower, (height - 2) x rows high.
  const QRect rect = CellRect(row, column);
  const QPoint top_left = viewport()->mapToGlobal(QPoint(rect.left(), rect.bottom()));
  list->setGeometry(top_left.x(), top_left.y(), std::max(rect.width() - 1, 1),
                    std::max((rect.height() - 2) * rows_shown, 1));
  list->show();
  list->listBox()->setFocus();
}

void CXListCtrl::CloseDropDown() {
  if (combo_ != nullptr) {
    combo_->disconnect(this);
    combo_->Dismiss();
    combo_ = nullptr;
  }
  if (combo_row_ >= 0) model_->SetComboOpen(combo_row_, combo_column_, false);
  combo_row_ = -1;
  combo_column_ = -1;
  combo_old_text_.clear();
}

void CXListCtrl::DropDownEscape() {
  if (combo_row_ >= 0) model_->SetItemText(combo_row_, combo_column_, combo_old_text_);
  CloseDropDown();
}

void CXListCtrl::DropDownCommit() {
  const int row = combo_row_;
  const int column = combo_column_;
  const bool chosen = combo_ != nullptr && combo_->Current() >= 0;
  const QString text = chosen ? combo_->CurrentText() : QString();
  CloseDropDown();
  if (chosen && model_->SetItemText(row, column, text)) emit comboSelection(row, column);
}

void CXListCtrl::DropDownMoved() {
  if (combo_ == nullptr || combo_->Current() < 0) return;
  model_->SetItemText(combo_row_, combo_column_, combo_->CurrentText());
}

void CXListCtrl::paintEvent(QPaintEvent* event) {
  QTreeView::paintEvent(event);
  if (model_->RowCount() > 0) return;
  QPainter painter(viewport());
  const QRect rect = EmptyTextRect();
  painter.fillRect(rect, palette().color(QPalette::Active, QPalette::Base));
  // The application's default font stands for the stock proportional one.
  painter.setFont(QApplication::font());
  painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                 QPalette::Text));
  painter.drawText(rect, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap,
                   QCoreApplication::translate("tav::Lists", kEmptyListText));
}

void CXListCtrl::changeEvent(QEvent* event) {
  QTreeView::changeEvent(event);
  if (event->type() == QEvent::PaletteChange) TakeDefaultColors();
  if (event->type() == QEvent::EnabledChange && !isEnabled() && combo_ != nullptr) {
    DropDownEscape();
  }
}

bool CXListCtrl::viewportEvent(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    QString text;
    if (ToolHitTest(help->pos(), &text) >= 0 && !text.isEmpty()) {
      QToolTip::showText(help->globalPos(), text, viewport(), CellRect(indexAt(help->pos()).row(),
                                                                     indexAt(help->pos()).column()));
    } else {
      QToolTip::hideText();
      event->ignore();
    }
    return true;
  }
  return QTreeView::viewportEvent(event);
}

}  // namespace tav
