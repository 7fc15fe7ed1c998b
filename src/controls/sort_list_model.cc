#include "controls/sort_list_model.h"

#include <QFont>

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "controls/sort_key.h"

namespace tav {
namespace {

constexpr size_t kLengthSize = sizeof(uint32_t);

uint32_t ReadLength(const char* p) {
  uint32_t n;
  std::memcpy(&n, p, sizeof n);
  return n;
}

// The size of the block of `columns` cells, the text of cell i being
// text_of(i); 0 when every cell is empty (no block).
template <typename TextOf>
size_t PackedSize(size_t columns, TextOf text_of) {
  size_t size = 0;
  for (size_t i = 0; i < columns; ++i) size += kLengthSize + text_of(i).size();
  return size == columns * kLengthSize ? 0 : size;
}

template <typename TextOf>
void PackInto(char* p, size_t columns, TextOf text_of) {
  for (size_t i = 0; i < columns; ++i) {
    const std::string_view text = text_of(i);
    const uint32_t n = static_cast<uint32_t>(text.size());
    std::memcpy(p, &n, sizeof n);
    p += kLengthSize;
    if (n != 0) std::memcpy(p, text.data(), n);
    p += n;
  }
}

// A heap block for the cells; null when every cell is empty.
template <typename TextOf>
char* PackOnHeap(size_t columns, TextOf text_of) {
  const size_t size = PackedSize(columns, text_of);
  if (size == 0) return nullptr;
  char* bytes = new char[size];
  PackInto(bytes, columns, text_of);
  return bytes;
}

constexpr size_t kStoreRegionSize = size_t{64} << 20;

// Cell texts are limited to 4 GiB - 1 bytes by the packed length.
std::string_view Capped(std::string_view text) {
  return text.substr(0, std::min<size_t>(text.size(), std::numeric_limits<uint32_t>::max()));
}

}  // namespace

char* SortListModel::RowStore::Allocate(size_t size) {
  if (regions_.empty() || regions_.back().size - regions_.back().used < size) {
    // Regions grow from 1 MiB to 64 MiB, so that a short list stays small.
    const size_t grown =
        regions_.size() < 6 ? (size_t{1} << 20) << regions_.size() : kStoreRegionSize;
    const size_t bytes = std::max(size, grown);
    void* base = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE,
                        MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (base == MAP_FAILED) return nullptr;
    // A hint: failing it costs only speed.
    ::madvise(base, bytes, MADV_HUGEPAGE);
    regions_.push_back(Region{static_cast<char*>(base), bytes, 0});
  }
  Region& region = regions_.back();
  char* p = region.base + region.used;
  region.used += size;
  return p;
}

void SortListModel::RowStore::Clear() {
  for (const Region& region : regions_) ::munmap(region.base, region.size);
  regions_.clear();
}

SortListModel::PackedRow::PackedRow(std::span<const std::string_view> texts, size_t columns,
                                    RowStore* store) {
  auto text_of = [&](size_t i) {
    return i < texts.size() ? Capped(texts[i]) : std::string_view();
  };
  const size_t size = PackedSize(columns, text_of);
  if (size == 0) return;
  if (char* bytes = store != nullptr ? store->Allocate(size) : nullptr) {
    PackInto(bytes, columns, text_of);
    SetBlock(bytes, false);
  } else {
    SetBlock(PackOnHeap(columns, text_of), true);
  }
}

SortListModel::PackedRow& SortListModel::PackedRow::operator=(PackedRow&& other) noexcept {
  if (this != &other) {
    SetBlock(other.bytes_, other.owned_);
    item_data = other.item_data;
    style = other.style;
    shown = other.shown;
    other.bytes_ = nullptr;
    other.owned_ = false;
  }
  return *this;
}

void SortListModel::PackedRow::SetBlock(char* bytes, bool owned) {
  if (owned_) delete[] bytes_;
  bytes_ = bytes;
  owned_ = owned;
}

std::string_view SortListModel::PackedRow::Cell(size_t column) const {
  if (bytes_ == nullptr) return {};
  const char* p = bytes_;
  for (size_t i = 0; i < column; ++i) p += kLengthSize + ReadLength(p);
  return std::string_view(p + kLengthSize, ReadLength(p));
}

void SortListModel::PackedRow::Replace(size_t column, size_t columns, std::string_view text) {
  text = Capped(text);
  SetBlock(PackOnHeap(columns, [&](size_t i) { return i == column ? text : Cell(i); }), true);
}

void SortListModel::PackedRow::Insert(size_t column, size_t columns) {
  if (bytes_ == nullptr) return;  // still all empty
  SetBlock(PackOnHeap(columns,
                      [&](size_t i) {
                        if (i == column) return std::string_view();
                        return Cell(i < column ? i : i - 1);
                      }),
           true);
}

SortListModel::SortListModel(QObject* parent) : QAbstractTableModel(parent) {}

SortListModel::~SortListModel() = default;

int SortListModel::InsertColumn(int index, const QString& heading, Qt::Alignment alignment,
                                const QString& source) {
  if (index < 0) return -1;
  index = std::min(index, ColumnCount());
  beginInsertColumns(QModelIndex(), index, index);
  columns_.insert(columns_.begin() + index,
                  Column{heading, alignment, source.isEmpty() ? heading : source});
  const size_t count = columns_.size();
  for (PackedRow& row : rows_) row.Insert(static_cast<size_t>(index), count);
  endInsertColumns();
  return index;
}

int SortListModel::InsertRow(int row, std::span<const std::string_view> texts) {
  if (row < 0 || rows_.size() >= static_cast<size_t>(std::numeric_limits<int>::max())) return -1;
  row = std::min(row, RowCount());
  PackedRow packed(texts, columns_.size());
  if (!filtered_) {
    beginInsertRows(QModelIndex(), row, row);
    rows_.insert(rows_.begin() + row, std::move(packed));
    endInsertRows();
    return row;
  }
  // Before the shown row `row`, or after every row.
  const size_t pos = ValidRow(row) ? shown_[static_cast<size_t>(row)] : rows_.size();
  packed.shown = Keeps(packed);
  if (!packed.shown) {
    rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(packed));
    for (uint32_t& at : shown_) at += at >= pos ? 1 : 0;
    return -1;
  }
  beginInsertRows(QModelIndex(), row, row);
  rows_.insert(rows_.begin() + static_cast<std::ptrdiff_t>(pos), std::move(packed));
  for (uint32_t& at : shown_) at += at >= pos ? 1 : 0;
  shown_.insert(shown_.begin() + row, static_cast<uint32_t>(pos));
  endInsertRows();
  return row;
}

int SortListModel::AppendRows(size_t count, const RowSource& source,
                              const ItemDataSource& item_data) {
  const int first = RowCount();
  const size_t room = static_cast<size_t>(std::numeric_limits<int>::max()) - rows_.size();
  count = std::min(count, room);
  if (count == 0) return first;
  if (!filtered_) beginInsertRows(QModelIndex(), first, first + static_cast<int>(count) - 1);
  const size_t start = rows_.size();
  rows_.reserve(rows_.size() + count);
  std::vector<std::string_view> cells(columns_.size());
  for (size_t i = 0; i < count; ++i) {
    std::fill(cells.begin(), cells.end(), std::string_view());
    source(i, cells);
    rows_.emplace_back(cells, columns_.size(), &store_);
    if (item_data) rows_.back().item_data = item_data(i);
  }
  if (!filtered_) {
    endInsertRows();
    return first;
  }
  // The new rows are not counted until shown_ holds them.
  std::vector<uint32_t> kept;
  for (size_t i = start; i < rows_.size(); ++i) {
    rows_[i].shown = Keeps(rows_[i]);
    if (rows_[i].shown) kept.push_back(static_cast<uint32_t>(i));
  }
  if (!kept.empty()) {
    beginInsertRows(QModelIndex(), first, first + static_cast<int>(kept.size()) - 1);
    shown_.insert(shown_.end(), kept.begin(), kept.end());
    endInsertRows();
  }
  return first;
}

bool SortListModel::SetText(int row, int column, std::string_view text) {
  if (!ValidRow(row) || column < 0 || column >= ColumnCount()) return false;
  RowAt(row).Replace(static_cast<size_t>(column), columns_.size(), text);
  const QModelIndex cell = index(row, column);
  emit dataChanged(cell, cell, {Qt::DisplayRole});
  return true;
}

std::string_view SortListModel::Text(int row, int column) const {
  if (!ValidRow(row) || column < 0 || column >= ColumnCount()) return {};
  return RowAt(row).Cell(static_cast<size_t>(column));
}

uintptr_t SortListModel::ItemData(int row) const {
  return ValidRow(row) ? RowAt(row).item_data : 0;
}

bool SortListModel::SetItemData(int row, uintptr_t data) {
  if (!ValidRow(row)) return false;
  RowAt(row).item_data = data;
  emit dataChanged(index(row, 0), index(row, std::max(ColumnCount() - 1, 0)), {kItemDataRole});
  return true;
}

RowStyle SortListModel::GetRowStyle(int row) const {
  return ValidRow(row) ? RowAt(row).style : RowStyle::kNormal;
}

bool SortListModel::SetRowStyle(int row, RowStyle style) {
  return SetRowStyles(row, std::span<const RowStyle>(&style, 1));
}

bool SortListModel::SetRowStyles(int first, std::span<const RowStyle> styles) {
  if (styles.empty()) return true;
  if (!ValidRow(first) || styles.size() > static_cast<size_t>(RowCount() - first)) return false;
  for (size_t i = 0; i < styles.size(); ++i) RowAt(first + static_cast<int>(i)).style = styles[i];
  const int last = first + static_cast<int>(styles.size()) - 1;
  emit dataChanged(index(first, 0), index(last, std::max(ColumnCount() - 1, 0)),
                   {kRowStyleRole, Qt::FontRole, Qt::ToolTipRole,
                    Qt::AccessibleDescriptionRole});
  return true;
}

bool SortListModel::RemoveRow(int row) {
  if (!ValidRow(row)) return false;
  beginRemoveRows(QModelIndex(), row, row);
  const size_t pos = At(row);
  rows_.erase(rows_.begin() + static_cast<std::ptrdiff_t>(pos));
  if (filtered_) {
    shown_.erase(shown_.begin() + row);
    for (uint32_t& at : shown_) at -= at > pos ? 1 : 0;
  }
  endRemoveRows();
  return true;
}

void SortListModel::RemoveAllRows() {
  beginResetModel();
  rows_.clear();
  rows_.shrink_to_fit();
  shown_.clear();
  shown_.shrink_to_fit();
  store_.Clear();
  endResetModel();
}

void SortListModel::SortRows(int column, bool ascending) {
  if (column < 0 || column >= ColumnCount()) return;
  std::vector<uint32_t> order;
  {
    std::vector<std::string_view> cells;
    cells.reserve(rows_.size());
    for (size_t i = 0; i < rows_.size(); ++i) {
      // After a sort the rows' blocks lie in no useful order: fetch ahead.
      if (i + 16 < rows_.size()) __builtin_prefetch(rows_[i + 16].Data());
      cells.push_back(rows_[i].Cell(static_cast<size_t>(column)));
    }
    order = StableSortOrder(cells, ascending);
  }

  emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  std::vector<PackedRow> sorted;
  sorted.reserve(rows_.size());
  for (uint32_t from : order) sorted.push_back(std::move(rows_[from]));
  rows_ = std::move(sorted);
  std::vector<uint32_t> position(order.size());
  for (size_t i = 0; i < order.size(); ++i) position[order[i]] = static_cast<uint32_t>(i);
  const std::vector<uint32_t> before = std::move(shown_);
  if (filtered_) CollectShown();
  // A shown row was at `before[row]` (at `row` without a filter) and is
  // now at position[] of that.
  RemapPersistent([&](int row) {
    const size_t old = filtered_ ? before[static_cast<size_t>(row)] : static_cast<size_t>(row);
    return position[old];
  });
  emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

bool SortListModel::Keeps(const PackedRow& row) const {
  return filter_(RowRef(&row, ColumnCount()));
}

std::string_view SortListModel::RowRef::Cell(int column) const {
  if (column < 0 || column >= columns_) return {};
  return static_cast<const PackedRow*>(row_)->Cell(static_cast<size_t>(column));
}

uintptr_t SortListModel::RowRef::ItemData() const {
  return static_cast<const PackedRow*>(row_)->item_data;
}

void SortListModel::CollectShown() {
  shown_.clear();
  for (size_t i = 0; i < rows_.size(); ++i) {
    if (rows_[i].shown) shown_.push_back(static_cast<uint32_t>(i));
  }
}

void SortListModel::RemapPersistent(const std::function<size_t(int row)>& position_of) {
  const QModelIndexList before = persistentIndexList();
  if (before.isEmpty()) return;
  // The shown row at each position of rows_, -1 for a hidden one.
  std::vector<int32_t> shown_at;
  if (filtered_) {
    shown_at.assign(rows_.size(), -1);
    for (size_t i = 0; i < shown_.size(); ++i) shown_at[shown_[i]] = static_cast<int32_t>(i);
  }
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& old : before) {
    const size_t pos = position_of(old.row());
    const int row = filtered_ ? shown_at[pos] : static_cast<int>(pos);
    after.push_back(row < 0 ? QModelIndex() : index(row, old.column()));
  }
  changePersistentIndexList(before, after);
}

void SortListModel::SetRowFilter(RowFilter filter, bool narrows) {
  emit layoutAboutToBeChanged();
  const bool was_filtered = filtered_;
  std::vector<uint32_t> before = std::move(shown_);
  shown_.clear();
  filter_ = std::move(filter);
  filtered_ = static_cast<bool>(filter_);
  if (!filtered_) {
    for (PackedRow& row : rows_) row.shown = true;
  } else if (narrows && was_filtered) {
    // Only the rows shown so far can pass.
    shown_.reserve(before.size());
    for (uint32_t at : before) {
      PackedRow& row = rows_[at];
      row.shown = Keeps(row);
      if (row.shown) shown_.push_back(at);
    }
  } else {
    for (size_t i = 0; i < rows_.size(); ++i) {
      // Rows added in bulk lie in order: fetch ahead as the sort does.
      if (i + 16 < rows_.size()) __builtin_prefetch(rows_[i + 16].Data());
      rows_[i].shown = Keeps(rows_[i]);
    }
    CollectShown();
  }
  RemapPersistent([&](int row) {
    return was_filtered ? before[static_cast<size_t>(row)] : static_cast<size_t>(row);
  });
  emit layoutChanged();
}

int SortListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : RowCount();
}

int SortListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount();
}

QVariant SortListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !ValidRow(index.row()) || index.column() >= ColumnCount()) {
    return QVariant();
  }
  switch (role) {
    case Qt::DisplayRole: {
      const std::string_view text = Text(index.row(), index.column());
      return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    }
    case Qt::TextAlignmentRole:
      return QVariant::fromValue(
          Qt::Alignment(columns_[static_cast<size_t>(index.column())].alignment |
                        Qt::AlignVCenter));
    case kItemDataRole:
      return QVariant::fromValue(static_cast<qulonglong>(RowAt(index.row()).item_data));
    default:
      return StyleData(RowAt(index.row()).style, role);
  }
}

QVariant SortListModel::StyleData(RowStyle style, int role) const {
  if (role == kRowStyleRole) return static_cast<int>(style);
  if (style != RowStyle::kDimmed) return QVariant();
  switch (role) {
    case Qt::FontRole: {
      QFont font;
      font.setItalic(true);
      return font;
    }
    case Qt::ToolTipRole:
    case Qt::AccessibleDescriptionRole:
      return dimmed_note_.isEmpty() ? QVariant() : QVariant(dimmed_note_);
    default:
      return QVariant();
  }
}

QVariant SortListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const Column& column = columns_[static_cast<size_t>(section)];
  if (role == Qt::DisplayRole) return column.heading;
  if (role == kSourceHeadingRole) return column.source;
  if (role == Qt::TextAlignmentRole) {
    return QVariant::fromValue(Qt::Alignment(column.alignment | Qt::AlignVCenter));
  }
  return QVariant();
}

Qt::ItemFlags SortListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

}  // namespace tav
