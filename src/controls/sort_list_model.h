// The rows of the sortable list (CSortListCtrl) as a Qt table model.
//
// Each row is a record of its cell texts, one per column, and the caller's
// own item data. The texts of a row are packed into one allocation, so that a
// list of a million rows stays small; a cell is UTF-8.
//
// Automation and accessibility read the cells through the standard roles:
// Qt::DisplayRole (the text), Qt::TextAlignmentRole (the column's format),
// and kItemDataRole (the caller's item data, as qulonglong, on every column).
// A dimmed row (RowStyle) also answers Qt::FontRole (italic),
// Qt::ToolTipRole and Qt::AccessibleDescriptionRole (the caller's note on
// dimmed rows) and kRowStyleRole (the style as an int) on every column.
//
// Rows may be hidden by a row filter (SetRowFilter): the model then answers
// for the rows that pass only, in their sorted order, and every row index of
// its interface counts shown rows. Hidden rows keep their place in the sort,
// so that clearing the filter shows the whole list in its order again.
//
// Threads: the GUI thread only, like every Qt model. Ownership: the model
// owns its rows; views and callers hold indexes only.
#ifndef TAV_CONTROLS_SORT_LIST_MODEL_H_
#define TAV_CONTROLS_SORT_LIST_MODEL_H_

#include <QAbstractTableModel>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace tav {

// How a row is drawn. kDimmed: grey italic text, for a row whose subject
// is not available (what that means is the caller's note, shown as the
// row's tooltip). The texts stay as they are.
enum class RowStyle : uint8_t { kNormal = 0, kDimmed = 1 };

class SortListModel final : public QAbstractTableModel {
  Q_OBJECT

 public:
  static constexpr int kItemDataRole = Qt::UserRole;
  static constexpr int kRowStyleRole = Qt::UserRole + 1;
  // A heading as its column was inserted, before translation: what
  // listings and exports write, in every language.
  static constexpr int kSourceHeadingRole = Qt::UserRole + 2;

  // One row as a filter sees it. Valid only during the filter's call.
  class RowRef {
   public:
    std::string_view Cell(int column) const;
    uintptr_t ItemData() const;

   private:
    friend class SortListModel;
    RowRef(const void* row, int columns) : row_(row), columns_(columns) {}
    const void* row_;
    int columns_;
  };
  // True keeps the row. Called once per row a change of filter concerns, on
  // the GUI thread; it must not call back into the model.
  using RowFilter = std::function<bool(const RowRef& row)>;

  explicit SortListModel(QObject* parent = nullptr);
  ~SortListModel() override;

  SortListModel(const SortListModel&) = delete;
  SortListModel& operator=(const SortListModel&) = delete;

  // The shown rows (all of them when no filter is set).
  int RowCount() const {
    return static_cast<int>(filtered_ ? shown_.size() : rows_.size());
  }
  // Every row, shown or hidden.
  int TotalRowCount() const { return static_cast<int>(rows_.size()); }
  int ColumnCount() const { return static_cast<int>(columns_.size()); }

  // Inserts a column before `index` (at the end when `index` is past it) and
  // an empty cell into every row there. Returns its index, or -1 for a
  // negative index.
  // `source`: the heading before translation (empty: `heading` itself).
  int InsertColumn(int index, const QString& heading, Qt::Alignment alignment,
                   const QString& source = {});

  // Inserts a row before `row` (at the end when `row` is past it) with
  // `texts` in columns 0, 1, ... (missing texts are empty, extra ones are
  // dropped) and item data 0. Returns the new row's index, or -1 for a
  // negative `row`.
  int InsertRow(int row, std::span<const std::string_view> texts);

  // Fills the cells of one new row (`cells` has one entry per column, all
  // empty); the views may point into the source's own storage until it
  // returns.
  using RowSource = std::function<void(size_t index, std::span<std::string_view> cells)>;
  // The item data of new row i.
  using ItemDataSource = std::function<uintptr_t(size_t index)>;
  // Appends `count` rows at the end, row i filled by `source(i, ...)` with
  // item data `item_data(i)` (0 without one), as one insertion: a view
  // hears of them once. Returns the first new row's index.
  int AppendRows(size_t count, const RowSource& source,
                 const ItemDataSource& item_data = nullptr);

  // False for an invalid row or column.
  bool SetText(int row, int column, std::string_view text);
  // Empty for an invalid row or column.
  std::string_view Text(int row, int column) const;

  // Item data 0 for an invalid row; SetItemData is false for one.
  uintptr_t ItemData(int row) const;
  bool SetItemData(int row, uintptr_t data);

  // kNormal for an invalid row; SetRowStyle is false for one. A new row is
  // kNormal, and a row keeps its style when the rows are sorted.
  RowStyle GetRowStyle(int row) const;
  bool SetRowStyle(int row, RowStyle style);
  // Styles the rows first, first + 1, ... with one change notice (a large
  // list tells its views once). False, changing nothing, when a row is
  // invalid.
  bool SetRowStyles(int first, std::span<const RowStyle> styles);
  // The tooltip (and accessible description) of every dimmed row.
  void SetDimmedRowNote(const QString& note) { dimmed_note_ = note; }

  // False for an invalid row.
  bool RemoveRow(int row);
  void RemoveAllRows();

  // Shows the rows that `filter` keeps; a null filter shows every row.
  // With `narrows` the caller promises that the new filter keeps no row the
  // one in force hides (the user typed one more character), so only the
  // shown rows are asked. The views hear of it as a change of layout:
  // selection and current row stay on their rows while those are shown.
  // Rows inserted later are asked as they come.
  void SetRowFilter(RowFilter filter, bool narrows = false);
  bool HasRowFilter() const { return filtered_; }

  // Reorders the rows by `column` (see controls/sort_key.h), telling the
  // views with a layout change so that selection and current row follow
  // their rows. Nothing happens for an invalid column.
  void SortRows(int column, bool ascending);

  // QAbstractItemModel.
  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  int columnCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
  QVariant headerData(int section, Qt::Orientation orientation,
                      int role = Qt::DisplayRole) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 private:
  // Memory for the blocks of rows added in bulk (AppendRows): large regions
  // with huge pages where the kernel offers them, so that a million rows
  // cost a few page faults instead of one per 4 KiB. Blocks are never freed
  // one by one (a deleted row's block stays until the store goes): the
  // store is emptied with the rows, by RemoveAllRows or the model's end.
  class RowStore {
   public:
    RowStore() = default;
    ~RowStore() { Clear(); }
    RowStore(const RowStore&) = delete;
    RowStore& operator=(const RowStore&) = delete;
    // Null when no memory can be mapped (the caller uses the heap).
    char* Allocate(size_t size);
    void Clear();

   private:
    struct Region {
      char* base;
      size_t size;
      size_t used;
    };
    std::vector<Region> regions_;
  };

  // The cell texts of one row in one block: per cell a 32-bit length, then
  // the bytes. Null when every cell is empty.
  class PackedRow {
   public:
    PackedRow() = default;
    // The block is placed in `store` when one is given and has room, else
    // on the heap.
    PackedRow(std::span<const std::string_view> texts, size_t columns,
              RowStore* store = nullptr);
    ~PackedRow() { SetBlock(nullptr, false); }
    PackedRow(PackedRow&& other) noexcept { *this = std::move(other); }
    PackedRow& operator=(PackedRow&& other) noexcept;

    std::string_view Cell(size_t column) const;
    const void* Data() const { return bytes_; }
    // Rebuilds the block (on the heap) with `text` in `column` (replace) or
    // inserted before it (insert).
    void Replace(size_t column, size_t columns, std::string_view text);
    void Insert(size_t column, size_t columns);

    uintptr_t item_data = 0;
    RowStyle style = RowStyle::kNormal;
    bool shown = true;  // kept by the row filter

   private:
    void SetBlock(char* bytes, bool owned);

    char* bytes_ = nullptr;
    bool owned_ = false;  // bytes_ is this row's own heap block
  };

  struct Column {
    QString heading;
    Qt::Alignment alignment;
    QString source;  // the untranslated heading
  };

  bool ValidRow(int row) const { return row >= 0 && row < RowCount(); }
  // The position in rows_ of shown row `row`. REQUIRES: ValidRow(row).
  size_t At(int row) const {
    return filtered_ ? shown_[static_cast<size_t>(row)] : static_cast<size_t>(row);
  }
  PackedRow& RowAt(int row) { return rows_[At(row)]; }
  const PackedRow& RowAt(int row) const { return rows_[At(row)]; }
  // Rebuilds shown_ from the rows' flags.
  void CollectShown();
  // Moves the persistent indexes after a change of order or filter: the row
  // a view knew as `row` is now at position_of(row) in rows_; an index
  // whose row is hidden now becomes invalid.
  void RemapPersistent(const std::function<size_t(int row)>& position_of);
  bool Keeps(const PackedRow& row) const;
  // The roles a row's style answers (see the top of this file).
  QVariant StyleData(RowStyle style, int role) const;

  RowStore store_;  // before rows_: the rows go first
  std::vector<PackedRow> rows_;
  std::vector<Column> columns_;
  RowFilter filter_;
  bool filtered_ = false;
  // With a filter: the positions in rows_ of the shown rows, in order.
  std::vector<uint32_t> shown_;
  QString dimmed_note_;
};

}  // namespace tav

#endif  // TAV_CONTROLS_SORT_LIST_MODEL_H_
