// CXHeaderCtrl: the flat header of the report list. Each heading is drawn
// on the style's own header-section face, with the column's header checkbox
// (its image: 0 none, 1 unchecked, 2 checked, read from the model's
// ReportListModel::kHeaderImageRole) at the left and the text centred in the
// room beside it, the spacing (6 pixels) apart.
//
// Once the list gives it a font through SetHeaderFont, every heading is
// drawn "owner-draw": the text centred in the application's 8-point font on
// as many lines as it has "\n"-separated parts, while the height of the
// header follows the given font. A larger font therefore gives a taller
// header, the room that two-line headings need.
//
// Threads: the GUI thread. Owned by its list (a Qt child).
#ifndef TAV_CONTROLS_REPORT_HEADER_H_
#define TAV_CONTROLS_REPORT_HEADER_H_

#include <QFont>
#include <QHeaderView>

namespace tav {

class CXHeaderCtrl : public QHeaderView {
  Q_OBJECT
  // The font and side spacing the heading texts are drawn with, for tools
  // that measure whether a heading shows whole (tav-host --check-texts).
  Q_PROPERTY(QFont textFont READ TextFont)
  Q_PROPERTY(int textSpacing READ GetSpacing)

 public:
  explicit CXHeaderCtrl(QWidget* parent = nullptr);
  ~CXHeaderCtrl() override;

  // Pixels between a heading's image, text and the item's edges.
  int GetSpacing() const { return spacing_; }
  void SetSpacing(int spacing);

  // Lays the header out with `font` and draws every heading owner-draw.
  void SetHeaderFont(const QFont& font);
  bool IsOwnerDraw() const { return owner_draw_; }
  // The font that owner-draw headings are drawn in.
  QFont OwnerDrawFont() const;
  // The font of the heading texts: the owner-draw font or the header's.
  QFont TextFont() const { return owner_draw_ ? OwnerDrawFont() : font(); }
  // The width a section needs to show its heading whole: text, spacing and
  // header checkbox.
  int HeadingWidth(int logical_index) const;

  // Where the header checkbox of a section is drawn, in header coordinates;
  // empty when the column has none.
  QRect CheckboxRect(int logical_index) const;

  QSize sizeHint() const override;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical_index) const override;
  QSize sectionSizeFromContents(int logical_index) const override;

 private:
  QRect CheckboxRectIn(const QRect& section) const;
  QSize TextSize(const QString& text) const;

  int spacing_ = 6;
  bool owner_draw_ = false;
};

}  // namespace tav

#endif  // TAV_CONTROLS_REPORT_HEADER_H_
