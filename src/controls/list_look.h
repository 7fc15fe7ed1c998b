// What every list of the library shares in its look, as a report view on
// the desktop draws it: grid lines under each row and right of each column
// in the style's grid colour (the colour QTableView takes), and cell texts
// that are cut at the right with "..." when their column is too narrow, the
// whole text then being the cell's tooltip. Both lists (CSortListCtrl,
// CXListCtrl) draw through these functions so that they look alike.
//
// Threads: the GUI thread (they read styles and fonts).
#ifndef TAV_CONTROLS_LIST_LOOK_H_
#define TAV_CONTROLS_LIST_LOOK_H_

#include <QColor>
#include <QString>

class QFontMetrics;
class QHeaderView;
class QPainter;
class QRect;
class QWidget;

namespace tav {

// The style's grid colour for `view` (QStyle::SH_Table_GridLineColor); a
// style that names none gives the palette's mid colour.
QColor GridLineColor(const QWidget* view);

// Draws the grid lines of one row, `row_rect` in viewport coordinates: a line
// along its bottom and one on the right edge of each shown column of
// `header`.
void DrawRowGridLines(QPainter* painter, const QHeaderView& header, const QRect& row_rect,
                      const QColor& color);

// `text` as it fits in `width` pixels: whole, or cut at the right with
// "..." (Qt::ElideRight). One line; a text that does not fit at all gives
// as much of the ellipsis as fits.
QString FitCellText(const QFontMetrics& metrics, const QString& text, int width);

// Whether FitCellText would cut `text`.
bool CellTextIsCut(const QFontMetrics& metrics, const QString& text, int width);

}  // namespace tav

#endif  // TAV_CONTROLS_LIST_LOOK_H_
