#include "controls/sort_header.h"

#include <QPainter>
#include <QStyle>

namespace tav {

CSortHeaderCtrl::CSortHeaderCtrl(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
  setSectionsClickable(true);
  setHighlightSections(false);
  setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  // Qt's own indicator would map ascending to SortDown; the mark is ours.
  setSortIndicatorShown(false);
}

void CSortHeaderCtrl::SetSortMark(int column, bool ascending) {
  sort_column_ = column;
  ascending_ = ascending;
  viewport()->update();
}

QStyleOptionHeader::SortIndicator CSortHeaderCtrl::SortIndicatorFor(int section) const {
  if (section < 0 || section != sort_column_) return QStyleOptionHeader::None;
  return ascending_ ? QStyleOptionHeader::SortUp : QStyleOptionHeader::SortDown;
}

void CSortHeaderCtrl::paintSection(QPainter* painter, const QRect& rect,
                                   int logical_index) const {
  if (!rect.isValid()) return;
  QStyleOptionHeaderV2 opt;
  initStyleOption(&opt);
  initStyleOptionForIndex(&opt, logical_index);
  opt.rect = rect;
  opt.sortIndicator = SortIndicatorFor(logical_index);
  // CE_Header draws the section, the label (leaving room for the arrow) and
  // PE_IndicatorHeaderArrow at the style's place for it.
  style()->drawControl(QStyle::CE_Header, &opt, painter, this);
}

}  // namespace tav
