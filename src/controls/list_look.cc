#include "controls/list_look.h"

#include <QFontMetrics>
#include <QHeaderView>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>

#include <algorithm>

namespace tav {

QColor GridLineColor(const QWidget* view) {
  QStyleOption option;
  option.initFrom(view);
  const QColor color = QColor::fromRgba(
      static_cast<QRgb>(view->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, view)));
  // A hint of 0 or -1 is a style without a grid colour of its own.
  if (color.alpha() == 0 || color.rgba() == 0xffffffffu) {
    return option.palette.color(QPalette::Mid);
  }
  return color;
}

void DrawRowGridLines(QPainter* painter, const QHeaderView& header, const QRect& row_rect,
                      const QColor& color) {
  painter->save();
  painter->setPen(QPen(color, 0));
  int right_end = row_rect.left() - 1;
  for (int visual = 0; visual < header.count(); ++visual) {
    const int logical = header.logicalIndex(visual);
    if (header.isSectionHidden(logical)) continue;
    const int x = header.sectionViewportPosition(logical) + header.sectionSize(logical) - 1;
    right_end = std::max(right_end, x);
    if (x < row_rect.left() || x > row_rect.right()) continue;
    painter->drawLine(x, row_rect.top(), x, row_rect.bottom());
  }
  // The line under the row ends with the last column, as the cells do.
  right_end = std::min(right_end, row_rect.right());
  if (right_end >= row_rect.left()) {
    painter->drawLine(row_rect.left(), row_rect.bottom(), right_end, row_rect.bottom());
  }
  painter->restore();
}

QString FitCellText(const QFontMetrics& metrics, const QString& text, int width) {
  return metrics.elidedText(text, Qt::ElideRight, std::max(width, 0), Qt::TextSingleLine);
}

bool CellTextIsCut(const QFontMetrics& metrics, const QString& text, int width) {
  return !text.isEmpty() && FitCellText(metrics, text, width) != text;
}

}  // namespace tav
