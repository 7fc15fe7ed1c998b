// CSortHeaderCtrl: the header of the sortable list (CSortListCtrl). It keeps
// the sort column and direction and marks the sorted column with the style's
// own sort arrow (QStyle::PE_IndicatorHeaderArrow), pointing up for ascending
// and down for descending order; the list sets both when it sorts.
//
// Threads: the GUI thread only. Ownership: a child of its list.
#ifndef TAV_CONTROLS_SORT_HEADER_H_
#define TAV_CONTROLS_SORT_HEADER_H_

#include <QHeaderView>
#include <QStyleOptionHeader>

namespace tav {

class CSortHeaderCtrl final : public QHeaderView {
  Q_OBJECT

 public:
  explicit CSortHeaderCtrl(QWidget* parent = nullptr);

  // -1 when the list has not been sorted.
  int GetSortColumn() const { return sort_column_; }
  bool IsAscending() const { return ascending_; }

  // Records the sort column and direction and repaints the header.
  void SetSortMark(int column, bool ascending);

  // The arrow drawn on `section`: SortUp (ascending), SortDown or None.
  QStyleOptionHeader::SortIndicator SortIndicatorFor(int section) const;

 protected:
  void paintSection(QPainter* painter, const QRect& rect, int logical_index) const override;

 private:
  int sort_column_ = -1;
  bool ascending_ = true;
};

}  // namespace tav

#endif  // TAV_CONTROLS_SORT_HEADER_H_
