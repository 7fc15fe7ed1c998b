// CXListCtrl: the report list of the configuration pages. A list of rows
// whose cells each carry their own text and background colours, a bold
// face, an image, a tooltip, a checkbox, a drop-down choice list or a
// progress bar; rows can be disabled. It shows a ReportListModel
// (controls/report_list_model.h) under a CXHeaderCtrl, and with no rows it
// shows "There are no items to show in this view." 10 pixels below the
// header.
//
// Clicks (a press and a release on one cell): a click on a checkbox cell of an enabled row flips it; when the
// clicked row was part of a multiple selection, every selected row follows
// the clicked cell and the selection stays. checkboxClicked(row, column)
// is emitted once for each row that changed, then the column's header
// checkbox is updated. A click on the button square at the right end of a
// drop-down cell opens its list (CXComboList) below the cell; a click left
// of it only selects. In the open list, keys and letters change the cell's
// text as the selection moves, Escape puts the old text back, Return or a
// click commits and emits comboSelection(row, column).
//
// Grid lines and texts cut with "..." look as in every list of the library
// (controls/list_look.h); a cut text is the cell's tooltip unless the cell
// has one of its own. The last column takes the rest of the width.
//
// The operations forward to the model and keep its index checks and
// results. Threads: the GUI thread. The control owns its model, header and
// drop-down list (Qt children).
#ifndef TAV_CONTROLS_REPORT_LIST_CTRL_H_
#define TAV_CONTROLS_REPORT_LIST_CTRL_H_

#include <QPersistentModelIndex>
#include <QPointer>
#include <QTreeView>
#include <vector>

#include "controls/combo_list.h"
#include "controls/report_list_model.h"
#include "util/shown_text.h"

namespace tav {

class CXHeaderCtrl;

// The text of a list without rows.
inline constexpr char kEmptyListText[] =
    TAV_TR_NOOP("tav::Lists", "There are no items to show in this view.");

class CXListCtrl : public QTreeView {
  Q_OBJECT

 public:
  explicit CXListCtrl(QWidget* parent = nullptr);
  ~CXListCtrl() override;

  ReportListModel* Model() const { return model_; }
  CXHeaderCtrl* GetHeaderCtrl() const { return header_; }
  // The width `column` needs to show its heading and its cells whole.
  int ColumnTextWidth(int column) const;
  // Keeps the list at least as wide as every column's texts need, so that
  // the window around it grows for a longer language instead of hiding
  // columns past its edge.
  void KeepColumnsInView();

  // Columns. `width` in pixels.
  int InsertColumn(int column, const QString& heading, Qt::Alignment alignment = Qt::AlignLeft,
                   int width = 100);
  int GetColumnCount() const { return model_->ColumnCount(); }
  int GetItemCount() const { return model_->RowCount(); }

  // The operations of the list (see ReportListModel for each).
  int InsertItem(int row, const QString& text);
  int InsertItem(int row, const QString& text, QRgb text_color, QRgb background_color);
  bool DeleteAllItems();
  bool SetItemText(int row, int column, const QString& text);
  QString GetItemText(int row, int column) const { return model_->GetItemText(row, column); }
  bool SetCheckbox(int row, int column, int state) { return model_->SetCheckbox(row, column, state); }
  int GetCheckbox(int row, int column) const { return model_->GetCheckbox(row, column); }
  // Also repaints the row at once.
  bool SetEnabled(int row, bool enabled);
  bool GetEnabled(int row) const { return model_->GetEnabled(row); }
  int GetHeaderCheckedState(int column) const { return model_->GetHeaderCheckedState(column); }
  bool SetHeaderCheckedState(int column, int state) {
    return model_->SetHeaderCheckedState(column, state);
  }
  int CountCheckedItems(int column) const { return model_->CountCheckedItems(column); }
  bool SetBold(int row, int column, bool bold) { return model_->SetBold(row, column, bold); }
  bool GetBold(int row, int column) const { return model_->GetBold(row, column); }
  bool SetItemImage(int row, int column, int image) {
    return model_->SetItemImage(row, column, image);
  }
  int GetItemImage(int row, int column) const { return model_->GetItemImage(row, column); }
  bool SetItemToolTipText(int row, int column, const QString& text) {
    return model_->SetItemToolTipText(row, column, text);
  }
  QString GetItemToolTipText(int row, int column) const {
    return model_->GetItemToolTipText(row, column);
  }
  bool SetItemColor(int row, int column, QRgb text, QRgb background) {
    return model_->SetItemColor(row, column, text, background);
  }
  bool SetItemData(int row, quintptr data) { return model_->SetItemData(row, data); }
  quintptr GetItemData(int row) const { return model_->GetItemData(row); }
  bool SetComboBox(int row, int column, bool enable, const QStringList& choices,
                   int dropdown_rows = 10, int initial_choice = 0);
  bool SetProgress(int row, int column, bool show_text = true, const QString& text = {}) {
    return model_->SetProgress(row, column, show_text, text);
  }
  bool UpdateProgress(int row, int column, int percent) {
    return model_->UpdateProgress(row, column, percent);
  }
  bool DeleteProgress(int row, int column) { return model_->DeleteProgress(row, column); }
  void SetImageList(const QList<QIcon>& images) { model_->SetImageList(images); }

  // Gives the header a font of `tenths` tenths of a point (the
  // application's default family) and draws its headings owner-draw; the
  // header grows with the font.
  void SetHeaderFont(int tenths);

  // The tooltip under `pos` (viewport coordinates): its tool id, column +
  // 1000 x row + 1, and text (the cell's own tooltip, or its whole text when
  // the cell shows it cut); -1 when the point is over no cell.
  int ToolHitTest(const QPoint& pos, QString* text = nullptr) const;

  // Selection colours: full-row selection highlights every cell of a
  // selected row, else only column 0; with show-selection-always, a list
  // without the keyboard focus keeps its selection visible in 3-D face.
  void SetFullRowSelect(bool on);
  bool FullRowSelect() const { return full_row_select_; }
  void SetShowSelectionAlways(bool on);
  bool ShowSelectionAlways() const { return show_selection_always_; }
  // On (the default): grid lines between rows and columns.
  void SetGridLines(bool on);
  bool HasGridLines() const { return grid_lines_; }

  // Selected rows, ascending.
  std::vector<int> SelectedRows() const;
  // The cell rectangle of (row, column) and its drop-down button square,
  // in viewport coordinates.
  QRect CellRect(int row, int column) const;
  QRect DropDownButtonRect(int row, int column) const;
  // The open drop-down list, or null.
  CXComboList* ComboList() const { return combo_; }
  // Where the empty-list text goes, in viewport coordinates.
  QRect EmptyTextRect() const;

 signals:
  void checkboxClicked(int row, int column);
  void comboSelection(int row, int column);

 protected:
  void mousePressEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void paintEvent(QPaintEvent* event) override;
  void changeEvent(QEvent* event) override;
  void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
  bool viewportEvent(QEvent* event) override;
  void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

 private:
  void TakeDefaultColors();
  void HandleClick(const QPoint& pos);
  void ApplyCheckboxClick(const CheckClickPlan& plan, int column);
  void RestoreSelection(const std::vector<int>& rows);
  void FillDropDownTexts(const QItemSelection& selected);
  void OpenDropDown(int row, int column);
  void CloseDropDown();
  void DropDownEscape();
  void DropDownCommit();
  void DropDownMoved();

  ReportListModel* model_;
  CXHeaderCtrl* header_;
  bool full_row_select_ = false;
  bool show_selection_always_ = false;
  bool grid_lines_ = true;
  // Rows selected when the left button went down.
  std::vector<int> selection_at_press_;
  QPersistentModelIndex pressed_cell_;  // where the left button went down
  // The open drop-down list and its cell.
  QPointer<CXComboList> combo_;
  int combo_row_ = -1;
  int combo_column_ = -1;
  QString combo_old_text_;
};

}  // namespace tav

#endif  // TAV_CONTROLS_REPORT_LIST_CTRL_H_
