#include "controls/report_list_model.h"

#include <QFont>

#include <algorithm>
#include <utility>

namespace tav {

QString FormatProgressText(const QString& format, int percent) {
  const QString spec = format.isEmpty() ? QStringLiteral("%d%%") : format;
  QString out;
  out.reserve(spec.size() + 3);
  for (qsizetype i = 0; i < spec.size(); ++i) {
    const QChar c = spec[i];
    if (c != u'%' || i + 1 == spec.size()) {
      out += c;
      continue;
    }
    const QChar next = spec[i + 1];
    if (next == u'%') {
      out += u'%';
      ++i;
    } else if (next == u'd' || next == u'i' || next == u'u') {
      out += QString::number(percent);
      ++i;
    } else {
      out += c;  // not ours to expand: shown as written
    }
  }
  return out;
}

ReportListModel::ReportListModel(QObject* parent) : QAbstractTableModel(parent) {}

ReportListModel::~ReportListModel() = default;

bool ReportListModel::Valid(int row, int column) const {
  return row >= 0 && row < rows_ && column >= 0 && column < ColumnCount();
}

void ReportListModel::CellChanged(int row, int column) {
  const QModelIndex i = index(row, column);
  emit dataChanged(i, i);
}

void ReportListModel::RowChanged(int row) {
  emit dataChanged(index(row, 0), index(row, ColumnCount() - 1));
}

int ReportListModel::InsertColumn(int column, const QString& heading, Qt::Alignment alignment) {
  if (column < 0) return -1;
  column = std::min(column, ColumnCount());
  const size_t old_width = columns_.size();
  beginInsertColumns(QModelIndex(), column, column);
  std::vector<Slot> cells;
  cells.reserve(static_cast<size_t>(rows_) * (old_width + 1));
  for (int r = 0; r < rows_; ++r) {
    for (size_t c = 0; c <= old_width; ++c) {
      if (static_cast<int>(c) == column) {
        Slot fresh;
        fresh.data.text_color = default_text_;
        fresh.data.background_color = default_background_;
        cells.push_back(std::move(fresh));
      } else {
        const size_t from = static_cast<int>(c) < column ? c : c - 1;
        cells.push_back(std::move(cells_[r * old_width + from]));
      }
    }
    if (column == 0) {
      // The row-level fields live in column 0's record.
      std::swap(cells[r * (old_width + 1)].data.enabled,
                cells[r * (old_width + 1) + 1].data.enabled);
      std::swap(cells[r * (old_width + 1)].data.item_data,
                cells[r * (old_width + 1) + 1].data.item_data);
    }
  }
  cells_ = std::move(cells);
  Column info;
  info.heading = heading;
  info.alignment = alignment;
  columns_.insert(columns_.begin() + column, std::move(info));
  endInsertColumns();
  return column;
}

bool ReportListModel::SetColumnHeading(int column, const QString& heading) {
  if (column < 0 || column >= ColumnCount()) return false;
  columns_[column].heading = heading;
  emit headerDataChanged(Qt::Horizontal, column, column);
  return true;
}

QString ReportListModel::GetColumnHeading(int column) const {
  if (column < 0 || column >= ColumnCount()) return {};
  return columns_[column].heading;
}

void ReportListModel::SetDefaultColors(QRgb text, QRgb background) {
  default_text_ = text;
  default_background_ = background;
}

int ReportListModel::InsertItem(int row, const QString& text) {
  return InsertItem(row, text, default_text_, default_background_);
}

int ReportListModel::InsertItem(int row, const QString& text, QRgb text_color,
                                QRgb background_color) {
  if (row < 0 || columns_.empty()) return -1;
  row = std::min(row, rows_);
  const size_t width = columns_.size();
  beginInsertRows(QModelIndex(), row, row);
  Slot fresh;
  fresh.data.text_color = text_color;
  fresh.data.background_color = background_color;
  const auto at = cells_.begin() + static_cast<std::ptrdiff_t>(row * width);
  cells_.insert(at, width, fresh);
  cells_[row * width].text = text;
  ++rows_;
  endInsertRows();
  return row;
}

bool ReportListModel::DeleteAllItems() {
  beginResetModel();
  cells_.clear();
  cells_.shrink_to_fit();
  rows_ = 0;
  for (Column& column : columns_) column.checked = 0;
  endResetModel();
  return true;
}

bool ReportListModel::SetItemText(int row, int column, const QString& text) {
  if (!Valid(row, column)) return false;
  At(row, column).text = text;
  CellChanged(row, column);
  return true;
}

QString ReportListModel::GetItemText(int row, int column) const {
  return Valid(row, column) ? At(row, column).text : QString();
}

void ReportListModel::StoreCheck(int row, int column, int state) {
  int& check = At(row, column).data.check;
  columns_[column].checked += (state == 1) - (check == 1);
  check = state;
}

bool ReportListModel::SetCheckbox(int row, int column, int state) {
  if (!Valid(row, column) || state < -1 || state > 1) return false;
  if (At(row, column).data.check == state) return true;
  StoreCheck(row, column, state);
  CellChanged(row, column);
  UpdateHeaderCheckbox(column);
  return true;
}

int ReportListModel::GetCheckbox(int row, int column) const {
  return Valid(row, column) ? At(row, column).data.check : -1;
}

int ReportListModel::CountCheckedItems(int column) const {
  if (column < 0 || column >= ColumnCount()) return -1;
  const size_t width = columns_.size();
  const Slot* cell = cells_.data() + column;
  int count = 0;
  for (int r = 0; r < rows_; ++r, cell += width) count += cell->data.check == 1;
  return count;
}

bool ReportListModel::SetEnabled(int row, bool enabled) {
  if (!Valid(row, 0)) return false;
  At(row, 0).data.enabled = enabled;
  RowChanged(row);
  return true;
}

bool ReportListModel::GetEnabled(int row) const {
  return Valid(row, 0) && At(row, 0).data.enabled;
}

bool ReportListModel::SetCheckboxEnabled(int row, int column, bool enabled) {
  if (!Valid(row, column)) return false;
  At(row, column).data.check_enabled = enabled;
  CellChanged(row, column);
  return true;
}

bool ReportListModel::GetCheckboxEnabled(int row, int column) const {
  return Valid(row, column) && At(row, column).data.check_enabled;
}

bool ReportListModel::SetBold(int row, int column, bool bold) {
  if (!Valid(row, column)) return false;
  At(row, column).data.bold = bold;
  CellChanged(row, column);
  return true;
}

bool ReportListModel::GetBold(int row, int column) const {
  return Valid(row, column) && At(row, column).data.bold;
}

bool ReportListModel::SetItemImage(int row, int column, int image) {
  if (!Valid(row, column)) return false;
  At(row, column).data.image = image < 0 ? -1 : image;
  CellChanged(row, column);
  return true;
}

int ReportListModel::GetItemImage(int row, int column) const {
  return Valid(row, column) ? At(row, column).data.image : -1;
}

bool ReportListModel::SetItemToolTipText(int row, int column, const QString& text) {
  if (!Valid(row, column)) return false;
  At(row, column).data.tooltip = text;
  return true;
}

QString ReportListModel::GetItemToolTipText(int row, int column) const {
  return Valid(row, column) ? At(row, column).data.tooltip : QString();
}

bool ReportListModel::SetItemColor(int row, int column, QRgb text, QRgb background) {
  if (!Valid(row, column)) return false;
  At(row, column).data.text_color = text;
  At(row, column).data.background_color = background;
  CellChanged(row, column);
  return true;
}

QRgb ReportListModel::GetItemTextColor(int row, int column) const {
  return Valid(row, column) ? At(row, column).data.text_color : 0;
}

QRgb ReportListModel::GetItemBackgroundColor(int row, int column) const {
  return Valid(row, column) ? At(row, column).data.background_color : 0;
}

bool ReportListModel::SetItemData(int row, quintptr data) {
  if (!Valid(row, 0)) return false;
  At(row, 0).data.item_data = data;
  return true;
}

quintptr ReportListModel::GetItemData(int row) const {
  return Valid(row, 0) ? At(row, 0).data.item_data : 0;
}

bool ReportListModel::SetComboBox(int row, int column, bool enable, const QStringList& choices,
                                  int dropdown_rows, int initial_choice) {
  if (!Valid(row, column)) return false;
  XListCellData& cell = At(row, column).data;
  cell.combo = enable;
  cell.combo_open = false;
  cell.choices = enable ? choices : QStringList();
  cell.dropdown_rows = std::max(dropdown_rows, 1);
  cell.initial_choice = initial_choice;
  CellChanged(row, column);
  return true;
}

bool ReportListModel::SetComboOpen(int row, int column, bool open) {
  if (!Valid(row, column)) return false;
  At(row, column).data.combo_open = open;
  CellChanged(row, column);
  return true;
}

bool ReportListModel::SetProgress(int row, int column, bool show_text, const QString& text) {
  if (!Valid(row, column)) return false;
  XListCellData& cell = At(row, column).data;
  cell.progress = true;
  cell.percent = 0;
  cell.show_progress_text = show_text;
  cell.progress_text = text;
  CellChanged(row, column);
  return true;
}

bool ReportListModel::UpdateProgress(int row, int column, int percent) {
  if (!Valid(row, column) || !At(row, column).data.progress) return false;
  At(row, column).data.percent = std::clamp(percent, 0, 100);
  CellChanged(row, column);
  return true;
}

bool ReportListModel::DeleteProgress(int row, int column) {
  if (!Valid(row, column)) return false;
  At(row, column).data.progress = false;
  CellChanged(row, column);
  return true;
}

const XListCellData* ReportListModel::Cell(int row, int column) const {
  return Valid(row, column) ? &At(row, column).data : nullptr;
}

int ReportListModel::GetHeaderCheckedState(int column) const {
  if (column < 0 || column >= ColumnCount()) return -1;
  return columns_[column].header_image;
}

bool ReportListModel::SetHeaderCheckedState(int column, int state) {
  if (column < 0 || column >= ColumnCount() || state < kHeaderNoCheckbox ||
      state > kHeaderChecked) {
    return false;
  }
  if (columns_[column].header_image != state) {
    columns_[column].header_image = state;
    emit headerDataChanged(Qt::Horizontal, column, column);
  }
  return true;
}

void ReportListModel::UpdateHeaderCheckbox(int column) {
  if (GetHeaderCheckedState(column) <= kHeaderNoCheckbox) return;
  SetHeaderCheckedState(column,
                        columns_[column].checked == rows_ ? kHeaderChecked : kHeaderUnchecked);
}

void ReportListModel::SetImageList(const QList<QIcon>& images) {
  images_ = images;
  if (rows_ > 0) emit dataChanged(index(0, 0), index(rows_ - 1, ColumnCount() - 1));
}

QIcon ReportListModel::Image(int index) const {
  return index >= 0 && index < images_.size() ? images_[index] : QIcon();
}

int ReportListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

int ReportListModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : ColumnCount();
}

QVariant ReportListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || !Valid(index.row(), index.column())) return {};
  const Slot& slot = At(index.row(), index.column());
  const XListCellData& cell = slot.data;
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return slot.text;
    case Qt::CheckStateRole:
      if (cell.check < 0) return {};
      return cell.check == 1 ? Qt::Checked : Qt::Unchecked;
    case Qt::ToolTipRole:
      return cell.tooltip.isEmpty() ? QVariant() : QVariant(cell.tooltip);
    case Qt::ForegroundRole:
      return QColor::fromRgba(cell.text_color);
    case Qt::BackgroundRole:
      return QColor::fromRgba(cell.background_color);
    case Qt::FontRole: {
      if (!cell.bold) return {};
      QFont font;
      font.setWeight(QFont::Bold);
      return font;
    }
    case Qt::DecorationRole: {
      const QIcon icon = Image(cell.image);
      return icon.isNull() ? QVariant() : QVariant(icon);
    }
    case Qt::TextAlignmentRole:
      return static_cast<int>(columns_[index.column()].alignment | Qt::AlignVCenter);
    case kComboRole:
      return cell.combo;
    case kComboOpenRole:
      return cell.combo_open;
    case kProgressRole:
      return cell.progress;
    case kPercentRole:
      return cell.percent;
    case kProgressTextRole:
      return FormatProgressText(cell.progress_text, cell.percent);
    case kShowProgressTextRole:
      return cell.show_progress_text;
    case kRowEnabledRole:
      return At(index.row(), 0).data.enabled;
    case kImageRole:
      return cell.image;
    default:
      return {};
  }
}

bool ReportListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid()) return false;
  const int row = index.row();
  const int column = index.column();
  if (role == Qt::CheckStateRole) {
    // A disabled row takes no clicks, and a cell without a checkbox is not
    // given one from outside.
    if (!GetEnabled(row) || GetCheckbox(row, column) < 0 || !GetCheckboxEnabled(row, column)) {
      return false;
    }
    const int state = value.toInt() == Qt::Unchecked ? 0 : 1;
    return SetCheckbox(row, column, state);
  }
  if (role == Qt::EditRole || role == Qt::DisplayRole) {
    return SetItemText(row, column, value.toString());
  }
  return false;
}

Qt::ItemFlags ReportListModel::flags(const QModelIndex& index) const {
  if (!index.isValid() || !Valid(index.row(), index.column())) return Qt::NoItemFlags;
  Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
  if (At(index.row(), 0).data.enabled) {
    flags |= Qt::ItemIsEnabled;
    const XListCellData& cell = At(index.row(), index.column()).data;
    if (cell.check >= 0 && cell.check_enabled) flags |= Qt::ItemIsUserCheckable;
  }
  return flags;
}

QVariant ReportListModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount()) {
    return QAbstractTableModel::headerData(section, orientation, role);
  }
  const Column& column = columns_[section];
  switch (role) {
    case Qt::DisplayRole:
      return column.heading;
    case Qt::TextAlignmentRole:
      return static_cast<int>(Qt::AlignCenter);
    case Qt::CheckStateRole:
      if (column.header_image == kHeaderNoCheckbox) return {};
      return column.header_image == kHeaderChecked ? Qt::Checked : Qt::Unchecked;
    case kHeaderImageRole:
      return column.header_image;
    default:
      return {};
  }
}

CheckClickPlan PlanCheckboxClick(const ReportListModel& model, int row, int column,
                                 const std::vector<int>& selected_before,
                                 const std::vector<int>& selected_after) {
  CheckClickPlan plan;
  if (model.Cell(row, column) == nullptr) return plan;
  plan.restore_selection =
      column >= 1 && std::binary_search(selected_before.begin(), selected_before.end(), row);
  if (!model.GetEnabled(row) || !model.GetCheckboxEnabled(row, column)) return plan;
  const int state = model.GetCheckbox(row, column);
  if (state < 0) return plan;
  plan.new_state = state == 1 ? 0 : 1;
  std::vector<int> rows = plan.restore_selection ? selected_before : selected_after;
  rows.insert(std::upper_bound(rows.begin(), rows.end(), row), row);
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  for (int r : rows) {
    if (model.GetCheckboxEnabled(r, column) && model.GetCheckbox(r, column) != plan.new_state) {
      plan.rows.push_back(r);
    }
  }
  return plan;
}

}  // namespace tav
