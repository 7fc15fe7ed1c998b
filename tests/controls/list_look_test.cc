// What both lists share in their look, seen on the screen: grid lines in the
// style's grid colour, texts cut with "..." and shown whole as the cell's
// tooltip, and a last column that reaches the list's right edge.
#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QHelpEvent>
#include <QImage>
#include <QStyle>
#include <QStyleOptionViewItem>
#include <QTest>
#include <QToolTip>

#include "controls/report_list_ctrl.h"
#include "controls/sort_list_ctrl.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

constexpr char kLongName[] = "Configure Compliance Settings";

struct GuiApplication {
  GuiApplication() { EXPECT_TRUE(EnsureGuiApplication()); }
};

// The colour QTableView draws its grid in.
QRgb TableGridColor(const QWidget* view) {
  QStyleOptionViewItem option;
  option.initFrom(view);
  return static_cast<QRgb>(view->style()->styleHint(QStyle::SH_Table_GridLineColor, &option, view));
}

// The tooltip that a pause of the mouse over `pos` shows.
QString ToolTipAt(QAbstractItemView* view, const QPoint& pos) {
  // A shown tooltip goes after a moment.
  QToolTip::hideText();
  EXPECT_TRUE(QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000));
  QHelpEvent event(QEvent::ToolTip, pos, view->viewport()->mapToGlobal(pos));
  QApplication::sendEvent(view->viewport(), &event);
  return QToolTip::isVisible() ? QToolTip::text() : QString();
}

void Show(QWidget* widget) {
  widget->resize(480, 200);
  widget->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(widget));
}

// A report list as the configuration pages fill it: a label column and
// checkbox columns.
class ReportListLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Fill(&list_, kLongName);
    Show(&list_);
  }
  static void Fill(CXListCtrl* list, const QString& first_text) {
    list->InsertColumn(0, "Activity", Qt::AlignLeft, 90);
    list->InsertColumn(1, "tav-admins", Qt::AlignLeft, 80);
    list->InsertColumn(2, "tav-users", Qt::AlignLeft, 80);
    list->InsertItem(0, first_text);
    list->InsertItem(1, "Print");
    for (int row = 0; row < 2; ++row) {
      list->SetCheckbox(row, 1, 1);
      list->SetCheckbox(row, 2, 0);
    }
  }

  GuiApplication app_;
  CXListCtrl list_;
};

TEST_F(ReportListLookTest, GridLinesRunUnderRowsAndRightOfColumnsInTheStylesGridColour) {
  const QImage image = list_.viewport()->grab().toImage();
  const QRect cell = list_.visualRect(list_.Model()->index(1, 0));
  const QRgb grid = TableGridColor(&list_);
  EXPECT_EQ(image.pixel(cell.right(), cell.center().y()), grid);  // right of "Activity"
  EXPECT_EQ(image.pixel(cell.left() + 3, cell.bottom()), grid);   // under the row
  const QRect check = list_.visualRect(list_.Model()->index(0, 1));
  EXPECT_EQ(image.pixel(check.right(), check.top() + 1), grid);
}

TEST_F(ReportListLookTest, ACutTextEndsInAnEllipsisAndIsTheCellsTooltip) {
  // The same list with the text already shortened as the ellipsis does:
  // both must look alike.
  CXListCtrl shortened;
  const QFontMetrics metrics(list_.font());
  const int room = list_.columnWidth(0) - 4;  // two pixels on each side
  Fill(&shortened, metrics.elidedText(kLongName, Qt::ElideRight, room));
  Show(&shortened);
  ASSERT_NE(metrics.elidedText(kLongName, Qt::ElideRight, room), QString(kLongName));
  EXPECT_EQ(list_.viewport()->grab().toImage(), shortened.viewport()->grab().toImage());

  const QRect cut = list_.visualRect(list_.Model()->index(0, 0));
  EXPECT_EQ(ToolTipAt(&list_, cut.center()), kLongName);
  const QRect whole = list_.visualRect(list_.Model()->index(1, 0));
  EXPECT_EQ(ToolTipAt(&list_, whole.center()), QString());
  // A cell's own tooltip comes first.
  list_.SetItemToolTipText(0, 0, "Set by the page");
  EXPECT_EQ(ToolTipAt(&list_, cut.center()), "Set by the page");
  // Wide enough, the text is whole and needs no tooltip.
  list_.SetItemToolTipText(0, 0, "");
  list_.setColumnWidth(0, metrics.horizontalAdvance(kLongName) + 8);
  EXPECT_EQ(ToolTipAt(&list_, cut.center()), QString());
}

TEST_F(ReportListLookTest, TheLastColumnReachesTheRightEdge) {
  const QHeaderView* header = list_.header();
  EXPECT_EQ(header->sectionViewportPosition(2) + header->sectionSize(2), list_.viewport()->width());
}

class SortListLookTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.InsertColumn(0, "Location", Qt::AlignLeft, 70);
    list_.InsertColumn(1, "Name", Qt::AlignLeft, 70);
    list_.InsertColumn(2, "Created By", Qt::AlignLeft, 70);
    list_.AddItem(0, "/srv/instrument/runs/2026", {"a.tav", "alice"});
    list_.AddItem(1, "/srv", {"b.tav", "bob"});
    Show(&list_);
  }

  GuiApplication app_;
  CSortListCtrl list_;
};

TEST_F(SortListLookTest, GridLinesRunUnderRowsAndRightOfColumnsInTheStylesGridColour) {
  const QImage image = list_.viewport()->grab().toImage();
  const QRect cell = list_.visualRect(list_.GetModel()->index(1, 1));
  const QRgb grid = TableGridColor(&list_);
  EXPECT_EQ(image.pixel(cell.right(), cell.center().y()), grid);
  EXPECT_EQ(image.pixel(cell.left() + 3, cell.bottom()), grid);
}

TEST_F(SortListLookTest, ACutTextIsTheCellsTooltipAndADimmedRowKeepsItsNote) {
  const QRect cut = list_.visualRect(list_.GetModel()->index(0, 0));
  EXPECT_EQ(ToolTipAt(&list_, cut.center()), "/srv/instrument/runs/2026");
  const QRect whole = list_.visualRect(list_.GetModel()->index(1, 0));
  EXPECT_EQ(ToolTipAt(&list_, whole.center()), QString());
  list_.SetDimmedRowNote("Missing");
  list_.SetRowStyle(0, RowStyle::kDimmed);
  EXPECT_EQ(ToolTipAt(&list_, cut.center()), "Missing");
}

TEST_F(SortListLookTest, TheLastColumnReachesTheRightEdge) {
  const QHeaderView* header = list_.header();
  EXPECT_EQ(header->sectionViewportPosition(2) + header->sectionSize(2), list_.viewport()->width());
}

}  // namespace
}  // namespace tav
