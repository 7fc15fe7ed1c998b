// The rows of the report list (CXListCtrl): per row one cell record for each
// column, and per column its heading, alignment and header checkbox.
//
// ReportListModel is a table model with no widget behind it: the control
// (controls/report_list_ctrl.h) shows it, and tests, screen readers and
// automation read and change it through the standard roles (display text,
// Qt::CheckStateRole for checkbox cells, tooltips, Qt::ItemIsEnabled off for
// disabled rows). Every operation checks its indices: a row outside
// 0..RowCount()-1 or a column outside 0..ColumnCount()-1 changes nothing and
// returns false, or -1 (an empty text, 0 for item data) for reads.
//
// Storage: the cells lie in one row-major array, so appending a row is
// amortised O(columns) and a column scan (CountCheckedItems) walks memory
// in order. Inserting before the last row moves the rows after it.
//
// Threads: the GUI thread only, as every Qt model. The model owns its cells;
// the choices of a drop-down cell are copied in.
#ifndef TAV_CONTROLS_REPORT_LIST_MODEL_H_
#define TAV_CONTROLS_REPORT_LIST_MODEL_H_

#include <QAbstractTableModel>
#include <QColor>
#include <QIcon>
#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace tav {

// One cell of a row: the eighteen fields with their defaults. The row-level
// fields (enabled, item data) are those of the row's column 0 record.
struct XListCellData {
  bool enabled = true;           // column 0: the row takes clicks
  bool bold = false;             // text in a bold copy of the font
  int image = -1;                // index into the image list; -1 none
  QString tooltip;               // this cell's tooltip text
  bool combo = false;            // a drop-down choice cell
  bool combo_open = false;       // its button is pressed or its list shown
  QStringList choices;           // offered by the drop-down (a copy)
  int dropdown_rows = 10;        // height of the drop-down list, in rows
  int initial_choice = 0;        // choice shown when the cell has no text
  QRgb text_color = 0xFF000000;  // InsertItem sets the control's default
  QRgb background_color = 0xFFFFFFFF;
  bool progress = false;         // a progress bar instead of text
  int percent = 0;               // 0 to 100
  QString progress_text;         // format of the bar's text; "%d%%" if empty
  bool show_progress_text = true;
  int check = -1;                // -1 no checkbox, 0 unchecked, 1 checked
  bool check_enabled = true;     // the checkbox takes clicks (its row may still)
  quintptr item_data = 0;        // the caller's value for the row
};

// The header checkbox image of a column.
enum HeaderCheck : int {
  kHeaderNoCheckbox = 0,
  kHeaderUnchecked = 1,
  kHeaderChecked = 2,
};

// The tool id of a cell's tooltip: column + 1000 x row + 1.
constexpr int ReportToolId(int row, int column) { return column + 1000 * row + 1; }

// The text on a progress bar: `format` with "%d" (also "%i", "%u") replaced
// by the percent and "%%" by "%"; an empty format reads as "%d%%". Any other
// "%" sequence stays as written: the format is the caller's text, never a
// printf format.
QString FormatProgressText(const QString& format, int percent);

class ReportListModel : public QAbstractTableModel {
  Q_OBJECT

 public:
  // Roles beyond Qt's own, for the control's delegate and for tests.
  enum Role : int {
    kHeaderImageRole = Qt::UserRole + 1,  // header: 0, 1 or 2
    kComboRole,                           // bool: a drop-down cell
    kComboOpenRole,                       // bool
    kProgressRole,                        // bool: a progress cell
    kPercentRole,                         // int
    kProgressTextRole,                    // QString: the bar's text, formatted
    kShowProgressTextRole,                // bool
    kRowEnabledRole,                      // bool
    kImageRole,                           // int: the image index
  };

  explicit ReportListModel(QObject* parent = nullptr);
  ~ReportListModel() override;
  ReportListModel(const ReportListModel&) = delete;
  ReportListModel& operator=(const ReportListModel&) = delete;

  int RowCount() const { return rows_; }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }

  // Inserts a column before `column` (clamped to the end); every row gets a
  // fresh record in it. Returns its index, or -1 when `column` is negative.
  int InsertColumn(int column, const QString& heading,
                   Qt::Alignment alignment = Qt::AlignLeft);
  bool SetColumnHeading(int column, const QString& heading);
  QString GetColumnHeading(int column) const;

  // The colours that InsertItem gives a row's cells.
  void SetDefaultColors(QRgb text, QRgb background);
  QRgb DefaultTextColor() const { return default_text_; }
  QRgb DefaultBackgroundColor() const { return default_background_; }

  // Inserts a row before `row` (a row past the end is appended) with `text`
  // in column 0 and fresh cell records. Returns the new row's index, or -1
  // when `row` is negative or the list has no column.
  int InsertItem(int row, const QString& text);
  int InsertItem(int row, const QString& text, QRgb text_color, QRgb background_color);
  // Removes every row. Returns true.
  bool DeleteAllItems();

  bool SetItemText(int row, int column, const QString& text);
  QString GetItemText(int row, int column) const;

  // `state` is -1 (no checkbox), 0 or 1; anything else is refused. An
  // unchanged state returns true at once; a change updates the column's
  // header checkbox.
  bool SetCheckbox(int row, int column, int state);
  int GetCheckbox(int row, int column) const;
  // Rows checked (state 1) in `column`, or -1 for a bad column.
  int CountCheckedItems(int column) const;

  bool SetEnabled(int row, bool enabled);
  bool GetEnabled(int row) const;  // false for a bad row
  // A fixed checkbox: drawn disabled and never flipped by a click or
  // setData, while its row stays enabled and selectable. SetCheckbox still
  // sets it.
  bool SetCheckboxEnabled(int row, int column, bool enabled);
  bool GetCheckboxEnabled(int row, int column) const;  // false for bad indices
  bool SetBold(int row, int column, bool bold);
  bool GetBold(int row, int column) const;
  bool SetItemImage(int row, int column, int image);
  int GetItemImage(int row, int column) const;
  bool SetItemToolTipText(int row, int column, const QString& text);
  QString GetItemToolTipText(int row, int column) const;
  bool SetItemColor(int row, int column, QRgb text, QRgb background);
  QRgb GetItemTextColor(int row, int column) const;        // 0 for bad indices
  QRgb GetItemBackgroundColor(int row, int column) const;  // 0 for bad indices
  bool SetItemData(int row, quintptr data);
  quintptr GetItemData(int row) const;

  // Makes the cell a drop-down cell (or a plain one, with `enable` false).
  // `dropdown_rows` below 1 counts as 1.
  bool SetComboBox(int row, int column, bool enable, const QStringList& choices,
                   int dropdown_rows = 10, int initial_choice = 0);
  bool SetComboOpen(int row, int column, bool open);

  // Makes the cell a progress cell at 0 percent; `text` is the format of
  // its text (see FormatProgressText).
  bool SetProgress(int row, int column, bool show_text = true, const QString& text = {});
  // `percent` is clamped to 0..100.
  bool UpdateProgress(int row, int column, int percent);
  bool DeleteProgress(int row, int column);

  // The whole record of a cell, or null for bad indices; valid until the
  // next change of the model.
  const XListCellData* Cell(int row, int column) const;

  // The header item's image: 0 no header checkbox, 1 unchecked, 2 checked.
  int GetHeaderCheckedState(int column) const;  // -1 for a bad column
  bool SetHeaderCheckedState(int column, int state);
  // A column with a header checkbox shows 2 when every row is checked in
  // it, else 1; one without stays without.
  void UpdateHeaderCheckbox(int column);

  // The small images that cells name by index.
  void SetImageList(const QList<QIcon>& images);
  QIcon Image(int index) const;  // null for -1 or out of range

  // QAbstractItemModel.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  // Qt::CheckStateRole on a checkbox cell of an enabled row acts as
  // SetCheckbox; Qt::EditRole / Qt::DisplayRole as SetItemText.
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

 private:
  struct Slot {
    QString text;
    XListCellData data;
  };
  struct Column {
    QString heading;
    Qt::Alignment alignment;
    int header_image = kHeaderNoCheckbox;
    int checked = 0;  // rows with state 1, kept for the header checkbox
  };

  bool Valid(int row, int column) const;
  Slot& At(int row, int column) { return cells_[static_cast<size_t>(row) * columns_.size() + column]; }
  const Slot& At(int row, int column) const {
    return cells_[static_cast<size_t>(row) * columns_.size() + column];
  }
  void CellChanged(int row, int column);
  void RowChanged(int row);
  // Sets the check state and keeps the column's checked count.
  void StoreCheck(int row, int column, int state);

  std::vector<Column> columns_;
  std::vector<Slot> cells_;
  int rows_ = 0;
  QRgb default_text_ = 0xFF000000;
  QRgb default_background_ = 0xFFFFFFFF;
  QList<QIcon> images_;
};

// A checkbox click as the list carries it out.
struct CheckClickPlan {
  bool restore_selection = false;  // put the rows selected at the press back
  int new_state = -1;              // -1: the click changes no checkbox
  std::vector<int> rows;           // rows whose cell takes new_state, ascending
};

// The click rule of the report list, without a window. `row`/`column` is
// the clicked cell; `selected_before` the rows selected when the button went
// down, `selected_after` those selected now (both ascending). When the
// clicked row was selected before and the column is 1 or more, the earlier
// selection counts (a click on a checkbox keeps a multiple selection). A
// checkbox cell of an enabled row flips unless it is fixed: every counted
// row, and the clicked one, whose cell is not fixed and differs from the new
// state takes it.
CheckClickPlan PlanCheckboxClick(const ReportListModel& model, int row, int column,
                                 const std::vector<int>& selected_before,
                                 const std::vector<int>& selected_after);

}  // namespace tav

#endif  // TAV_CONTROLS_REPORT_LIST_MODEL_H_
