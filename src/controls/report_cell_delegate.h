// ReportCellDelegate: draws the cells of a CXListCtrl from their records,
// one of four ways in this order: a progress bar, a drop-down cell (text and
// button, only in a selected row; plain text otherwise), a checkbox, or the
// image and the text. Boxes, buttons and bars are the style's own
// primitives, so the list looks native; what a user reads from them (the box
// 9 pixels in from the cell's left edge or centred in a cell without text,
// the grey tick of a disabled row, the two-colour text of a bar) is fixed
// here. A text that does not fit its room is cut with "..."
// (controls/list_look.h).
//
// Threads: the GUI thread. Owned by its list, which it never outlives.
#ifndef TAV_CONTROLS_REPORT_CELL_DELEGATE_H_
#define TAV_CONTROLS_REPORT_CELL_DELEGATE_H_

#include <QStyledItemDelegate>

namespace tav {

class CXListCtrl;
struct XListCellData;

// Pixels from a cell's left edge to its checkbox.
inline constexpr int kCheckboxIndent = 9;

class ReportCellDelegate : public QStyledItemDelegate {
  Q_OBJECT

 public:
  explicit ReportCellDelegate(CXListCtrl* list);
  ~ReportCellDelegate() override;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The list handles every click and key itself: a checkbox must not flip
  // twice.
  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

  // The checkbox of a cell of `rect` (with or without text).
  QRect CheckboxRect(const QRect& rect, bool has_text) const;

  // Whether the cell `index`, drawn in `option` (its rectangle, font and
  // state), shows its text cut.
  bool TextIsCut(const QStyleOptionViewItem& option, const QModelIndex& index) const;

 private:
  struct Colors {
    QColor text;
    QColor background;
  };
  Colors CellColors(const QStyleOptionViewItem& option, const XListCellData& cell,
                    int column) const;
  // Where the text of a cell drawn in `rect` goes, for each way of drawing
  // it; empty for a progress bar, which shows no cell text.
  QRect TextRoom(const QRect& rect, const XListCellData& cell, const QModelIndex& index,
                 bool selected) const;
  QRect PlainTextRoom(const QRect& rect, const XListCellData& cell,
                      const QModelIndex& index) const;
  QRect CheckboxTextRoom(const QRect& rect) const;
  QRect ComboTextRoom(const QRect& rect) const;
  void DrawText(QPainter* painter, const QRect& rect, const QString& text, const QFont& font,
                int alignment, const QColor& color) const;
  void DrawProgress(QPainter* painter, const QRect& cell_rect, const XListCellData& cell,
                    const Colors& colors) const;
  void DrawComboCell(QPainter* painter, const QRect& rect, const QString& text,
                     const QFont& font, const XListCellData& cell, bool row_enabled) const;
  void DrawCheckbox(QPainter* painter, const QRect& rect, const QString& text, const QFont& font,
                    int check, bool row_enabled, const QColor& text_color) const;

  CXListCtrl* list_;
};

}  // namespace tav

#endif  // TAV_CONTROLS_REPORT_CELL_DELEGATE_H_
