#include "controls/report_cell_delegate.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>
#include <QStyleOptionProgressBar>

#include <algorithm>

#include "controls/list_look.h"
#include "controls/report_header.h"
#include "controls/report_list_ctrl.h"
#include "controls/report_list_model.h"

namespace tav {

namespace {

// The image of a cell drawn in `rect`: at its left, vertically centred.
QRect ImageRect(const QRect& rect, const QIcon& icon) {
  const QSize size = icon.availableSizes().isEmpty()
                         ? QSize(16, 16)
                         : icon.availableSizes().first().boundedTo(rect.size());
  return QRect(rect.left(), rect.top() + (rect.height() - size.height()) / 2, size.width(),
               size.height());
}

}  // namespace

ReportCellDelegate::ReportCellDelegate(CXListCtrl* list) : QStyledItemDelegate(list), list_(list) {}

ReportCellDelegate::~ReportCellDelegate() = default;

QSize ReportCellDelegate::sizeHint(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  const int box = list_->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr, list_);
  size.setHeight(std::max({size.height(), box + 3, option.fontMetrics.height() + 4}));
  return size;
}

bool ReportCellDelegate::editorEvent(QEvent*, QAbstractItemModel*, const QStyleOptionViewItem&,
                                     const QModelIndex&) {
  return false;
}

ReportCellDelegate::Colors ReportCellDelegate::CellColors(const QStyleOptionViewItem& option,
                                                          const XListCellData& cell,
                                                          int column) const {
  const QPalette& palette = list_->palette();
  Colors colors{QColor::fromRgba(cell.text_color), QColor::fromRgba(cell.background_color)};
  const bool selected = option.state & QStyle::State_Selected;
  if (selected && (list_->FullRowSelect() || column == 0)) {
    if (list_->hasFocus()) {
      colors = {palette.color(QPalette::Active, QPalette::HighlightedText),
                palette.color(QPalette::Active, QPalette::Highlight)};
    } else if (list_->ShowSelectionAlways()) {
      colors = {palette.color(QPalette::Active, QPalette::Text),
                palette.color(QPalette::Active, QPalette::Button)};
    }
  }
  if (!list_->isEnabled()) colors.text = palette.color(QPalette::Disabled, QPalette::Text);
  return colors;
}

void ReportCellDelegate::DrawText(QPainter* painter, const QRect& rect, const QString& text,
                                  const QFont& font, int alignment, const QColor& color) const {
  if (text.isEmpty() || rect.width() <= 0) return;
  painter->setFont(font);
  painter->setPen(color);
  const int horizontal = alignment & Qt::AlignHorizontal_Mask;
  painter->drawText(rect, (horizontal != 0 ? horizontal : Qt::AlignLeft) | Qt::AlignVCenter |
                              Qt::TextSingleLine,
                    FitCellText(painter->fontMetrics(), text, rect.width()));
}

QRect ReportCellDelegate::PlainTextRoom(const QRect& rect, const XListCellData& cell,
                                        const QModelIndex& index) const {
  QRect room = rect.adjusted(2, 0, -2, 0);
  const auto* model = qobject_cast<const ReportListModel*>(index.model());
  const QIcon icon = model != nullptr ? model->Image(cell.image) : QIcon();
  if (!icon.isNull()) room.setLeft(ImageRect(rect, icon).right() + 1 + list_->GetHeaderCtrl()->GetSpacing());
  return room;
}

QRect ReportCellDelegate::CheckboxTextRoom(const QRect& rect) const {
  return rect.adjusted(CheckboxRect(rect, true).right() + 1 + 4 - rect.left(), 0, 0, 0);
}

QRect ReportCellDelegate::ComboTextRoom(const QRect& rect) const {
  // Left of the button square, which is as wide as the cell is high.
  return QRect(rect.left() + 2, rect.top(), rect.width() - rect.height() - 2, rect.height());
}

QRect ReportCellDelegate::TextRoom(const QRect& rect, const XListCellData& cell,
                                   const QModelIndex& index, bool selected) const {
  if (cell.progress) return {};
  if (cell.combo && selected) return ComboTextRoom(rect);
  if (cell.check == 0 || cell.check == 1) return CheckboxTextRoom(rect);
  return PlainTextRoom(rect, cell, index);
}

bool ReportCellDelegate::TextIsCut(const QStyleOptionViewItem& option,
                                   const QModelIndex& index) const {
  const auto* model = qobject_cast<const ReportListModel*>(index.model());
  const XListCellData* cell =
      model != nullptr ? model->Cell(index.row(), index.column()) : nullptr;
  if (cell == nullptr) return false;
  QFont font = option.font;
  if (cell->bold) font.setWeight(QFont::Bold);
  const QRect room =
      TextRoom(option.rect, *cell, index, option.state & QStyle::State_Selected);
  return room.isValid() &&
         CellTextIsCut(QFontMetrics(font), model->GetItemText(index.row(), index.column()),
                       room.width());
}

void ReportCellDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
  const auto* model = qobject_cast<const ReportListModel*>(index.model());
  const XListCellData* cell =
      model != nullptr ? model->Cell(index.row(), index.column()) : nullptr;
  if (cell == nullptr) {
    QStyledItemDelegate::paint(painter, option, index);
    return;
  }
  const bool row_enabled = model->GetEnabled(index.row());
  const Colors colors = CellColors(option, *cell, index.column());
  const QString text = model->GetItemText(index.row(), index.column());
  QFont font = option.font;
  if (cell->bold) font.setWeight(QFont::Bold);
  const QRect rect = option.rect;

  painter->save();
  painter->setClipRect(rect);
  painter->fillRect(rect, colors.background);
  const bool selected = option.state & QStyle::State_Selected;
  if (cell->progress) {
    DrawProgress(painter, rect, *cell, colors);
  } else if (cell->combo && selected) {
    DrawComboCell(painter, rect, text, font, *cell, row_enabled);
  } else if (cell->check == 0 || cell->check == 1) {
    // A fixed box is drawn as a disabled row's is.
    DrawCheckbox(painter, rect, text, font, cell->check, row_enabled && cell->check_enabled,
                 colors.text);
  } else {
    const QIcon icon = model->Image(cell->image);
    if (!icon.isNull()) icon.paint(painter, ImageRect(rect, icon));
    const QRect room = PlainTextRoom(rect, *cell, index);
    const int alignment = index.data(Qt::TextAlignmentRole).toInt();
    DrawText(painter, room, text, font, alignment, colors.text);
  }
  painter->restore();
}

QRect ReportCellDelegate::CheckboxRect(const QRect& rect, bool has_text) const {
  const int side = std::min(
      list_->style()->pixelMetric(QStyle::PM_IndicatorWidth, nullptr, list_),
      std::max(rect.height() - 1, 1));
  const int left =
      has_text ? rect.left() + kCheckboxIndent : rect.left() + (rect.width() - side) / 2;
  return QRect(left, rect.top() + (rect.height() - side) / 2, side, side);
}

void ReportCellDelegate::DrawCheckbox(QPainter* painter, const QRect& rect, const QString& text,
                                      const QFont& font, int check, bool row_enabled,
                                      const QColor& text_color) const {
  QStyleOptionButton box;
  box.initFrom(list_);
  box.rect = CheckboxRect(rect, !text.isEmpty());
  // A disabled row's tick is grey: the style draws it so for a box that is
  // not enabled.
  box.state = (check == 1 ? QStyle::State_On : QStyle::State_Off) |
              (row_enabled && list_->isEnabled() ? QStyle::State_Enabled : QStyle::State_None);
  if (!row_enabled) box.palette.setCurrentColorGroup(QPalette::Disabled);
  list_->style()->drawPrimitive(QStyle::PE_IndicatorCheckBox, &box, painter, list_);
  if (!text.isEmpty()) {
    DrawText(painter, CheckboxTextRoom(rect), text, font, Qt::AlignLeft, text_color);
  }
}

void ReportCellDelegate::DrawComboCell(QPainter* painter, const QRect& rect, const QString& text,
                                       const QFont& font, const XListCellData& cell,
                                       bool row_enabled) const {
  const QPalette& palette = list_->palette();
  const int side = rect.height();
  const QRect button(rect.right() - side + 1, rect.top(), side, side);
  const QRect text_rect = ComboTextRoom(rect);
  painter->fillRect(rect, palette.color(QPalette::Active, QPalette::Base));
  DrawText(painter, text_rect, text, font, Qt::AlignLeft,
           palette.color(row_enabled ? QPalette::Active : QPalette::Disabled, QPalette::Text));

  QStyleOptionButton face;
  face.initFrom(list_);
  face.rect = button;
  face.state = QStyle::State_Enabled |
               (cell.combo_open ? QStyle::State_Sunken : QStyle::State_Raised);
  list_->style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &face, painter, list_);
  QStyleOption arrow;
  arrow.initFrom(list_);
  arrow.state = QStyle::State_Enabled;
  const int inset = std::max(side / 4, 2);
  arrow.rect = button.adjusted(inset, inset, -inset, -inset);
  if (cell.combo_open) arrow.rect.translate(1, 1);  // the pressed arrow sits lower right
  list_->style()->drawPrimitive(QStyle::PE_IndicatorArrowDown, &arrow, painter, list_);
}

void ReportCellDelegate::DrawProgress(QPainter* painter, const QRect& cell_rect,
                                      const XListCellData& cell, const Colors& colors) const {
  const QRect rect = cell_rect.adjusted(1, 0, -2, -1);
  if (rect.width() <= 4 || rect.height() <= 4) return;
  QStyleOptionProgressBar bar;
  bar.initFrom(list_);
  bar.rect = rect;
  bar.minimum = 0;
  bar.maximum = 100;
  bar.progress = cell.percent;
  bar.textVisible = false;
  bar.state |= QStyle::State_Horizontal;
  list_->style()->drawControl(QStyle::CE_ProgressBar, &bar, painter, list_);
  if (!cell.show_progress_text) return;

  // The text in two colours: the cell's background over the filled part,
  // the cell's text colour over the rest.
  const QString text = FormatProgressText(cell.progress_text, cell.percent);
  const int fill_right = rect.left() + (rect.width() * cell.percent) / 100;
  const QRect filled(rect.left(), rect.top(), std::max(fill_right - rect.left(), 0),
                     rect.height());
  const QRect rest(filled.right() + 1, rect.top(), rect.right() - filled.right(), rect.height());
  painter->setFont(list_->font());
  for (const auto& [clip, color] :
       {std::pair{filled, colors.background}, std::pair{rest, colors.text}}) {
    if (clip.width() <= 0) continue;
    painter->save();
    painter->setClipRect(clip, Qt::IntersectClip);
    painter->setPen(color);
    painter->drawText(rect, Qt::AlignCenter | Qt::TextSingleLine, text);
    painter->restore();
  }
}

}  // namespace tav
