// CSortListCtrl: a read-only report list that sorts its rows when the user
// clicks a column heading. A click on a new column sorts it ascending, a
// second click on the same column reverses the order; the heading of the
// sorted column carries the sort arrow (CSortHeaderCtrl). How cells compare
// (numbers, dates, texts, and columns that mix them) is described in
// controls/sort_key.h; the sort is stable.
//
// The view is a flat QTreeView with uniform row heights over a
// SortListModel, so that a list of a million rows fills, shows and sorts in
// well under a second. Rows are selected whole; several rows may be selected
// unless the caller sets another selection mode. Grid lines, cut texts and
// their tooltips look as in every list of the library (controls/list_look.h);
// the last column takes the rest of the width.
//
// Threads: the GUI thread only. Ownership: the control owns its model and
// header; the caller owns what its item data stands for.
#ifndef TAV_CONTROLS_SORT_LIST_CTRL_H_
#define TAV_CONTROLS_SORT_LIST_CTRL_H_

#include <QTreeView>

#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <vector>

#include "controls/sort_header.h"
#include "controls/sort_list_model.h"

namespace tav {

class CSortListCtrl : public QTreeView {
  Q_OBJECT

 public:
  // Asked before a row is deleted with the row's item data and the caller's
  // argument; false keeps the row.
  using DeleteVeto = bool (*)(uintptr_t item_data, void* arg);

  explicit CSortListCtrl(QWidget* parent = nullptr);
  ~CSortListCtrl() override;

  // Inserts a column before `index` (at the end when past it) with its
  // heading, alignment and width in pixels (-1: the header's default); every
  // row gets an empty cell there, and the sort arrow stays on its column.
  // Returns the column's index, or -1 for a negative index. With a
  // `context` the heading is an English source text shown translated in
  // that context; exports keep the source (SortListModel::kSourceHeadingRole).
  int InsertColumn(int index, std::string_view heading, Qt::Alignment format = Qt::AlignLeft,
                   int width = -1, const char* context = nullptr);

  // Inserts a row before `row` (at the end when past it) with `text0` in
  // column 0 and `more` in columns 1, 2, ...; missing texts are empty, texts
  // beyond the last column are dropped, the item data is 0. Returns the new
  // row's index, or -1 for a negative `row`. The list is not re-sorted.
  int AddItem(int row, std::string_view text0, std::initializer_list<std::string_view> more = {});
  // The same with every column's text in `texts` (texts[0] is column 0).
  int AddItem(int row, std::span<const std::string_view> texts);

  // Appends `count` rows at once (a large list fills much faster than row
  // by row); see SortListModel::AppendRows. The list is not re-sorted.
  int AddItems(size_t count, const SortListModel::RowSource& source,
               const SortListModel::ItemDataSource& item_data = nullptr) {
    return model_->AppendRows(count, source, item_data);
  }
  // False for an invalid row or column. The list is not re-sorted.
  bool SetItemText(int row, int column, std::string_view text);
  // Empty for an invalid row or column.
  std::string_view GetItemText(int row, int column) const;

  // The caller's value kept with the row; 0 for an invalid row.
  uintptr_t GetItemData(int row) const;
  bool SetItemData(int row, uintptr_t data);

  // A dimmed row is drawn in grey italics and shows the dimmed-row note as
  // its tooltip; its texts and sorting are unchanged. See SortListModel.
  RowStyle GetRowStyle(int row) const { return model_->GetRowStyle(row); }
  bool SetRowStyle(int row, RowStyle style) { return model_->SetRowStyle(row, style); }
  bool SetRowStyles(int first, std::span<const RowStyle> styles) {
    return model_->SetRowStyles(first, styles);
  }
  void SetDimmedRowNote(std::string_view note);

  int GetItemCount() const { return model_->RowCount(); }
  int GetColumnCount() const { return model_->ColumnCount(); }

  // Deletes `row` unless it is invalid or `veto` (when given) answers false
  // for (its item data, `arg`): then false. With `select_next` the row now
  // at the same index is selected, or the last row when the deleted one was
  // last; nothing when the list is empty.
  bool DeleteItem(int row, bool select_next = false, DeleteVeto veto = nullptr,
                  void* arg = nullptr);
  void DeleteAllItems();

  // Selects `row` (in single-selection mode it becomes the only selected
  // row) and makes it current. With `clamp` an index below 0 selects row 0
  // and one past the end the last row; otherwise an invalid index does
  // nothing. Returns whether a row was selected.
  bool SelectItem(int row, bool clamp = false);
  // The selected rows in ascending order.
  std::vector<int> GetSelectedRows() const;

  // Sorts by `column` (0 <= column < GetColumnCount(), else nothing
  // happens) and marks its heading. Resort repeats the last sort.
  void Sort(int column, bool ascending);
  void Resort();
  int GetSortColumn() const { return header_->GetSortColumn(); }
  bool IsAscending() const { return header_->IsAscending(); }

  // On: the whole row is highlighted when selected (the default). Off: only
  // column 0's cell is.
  void SetFullRowSelect(bool on);
  bool IsFullRowSelect() const { return full_row_select_; }

  // On (the default): grid lines between rows and columns.
  void SetGridLines(bool on);
  bool HasGridLines() const { return grid_lines_; }

  CSortHeaderCtrl* GetHeaderCtrl() const { return header_; }
  SortListModel* GetModel() const { return model_; }

  // The tooltip of the cell under `pos` (viewport coordinates): the row's
  // own note (a dimmed row), else the whole text when the cell shows it cut,
  // else nothing.
  QString ToolTipAt(const QPoint& pos) const;

 protected:
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
  bool viewportEvent(QEvent* event) override;

 private:
  class CellDelegate;

  // The header's click rule.
  void OnColumnClick(int column);

  SortListModel* model_;
  CSortHeaderCtrl* header_;
  bool full_row_select_ = true;
  bool grid_lines_ = true;
};

}  // namespace tav

#endif  // TAV_CONTROLS_SORT_LIST_CTRL_H_
