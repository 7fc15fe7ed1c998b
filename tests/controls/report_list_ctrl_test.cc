// The report list driven offscreen as a user drives it: clicks on checkbox
// cells, the header checkbox, the drop-down list with its keys, the
// empty-list text, the header font and the tooltips.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QImage>
#include <QListWidget>
#include <QSignalSpy>
#include <QTest>

#include "controls/combo_list.h"
#include "controls/report_header.h"
#include "controls/report_list_ctrl.h"
#include "ui/gui_app.h"

QT_BEGIN_NAMESPACE
// Failures show the text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << text.toStdString(); }
QT_END_NAMESPACE

namespace tav {
namespace {

using Calls = std::vector<std::pair<int, int>>;

Calls Recorded(const QSignalSpy& spy) {
  Calls calls;
  for (const QList<QVariant>& args : spy) calls.emplace_back(args[0].toInt(), args[1].toInt());
  return calls;
}

// Makes sure the application exists before the list is built.
struct GuiApplication {
  GuiApplication() { EXPECT_TRUE(EnsureGuiApplication()); }
};

class ReportListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    list_.resize(640, 320);
    list_.InsertColumn(0, "Group", Qt::AlignLeft, 140);
    list_.InsertColumn(1, "Read", Qt::AlignCenter, 70);
    list_.InsertColumn(2, "Write", Qt::AlignCenter, 70);
    list_.InsertColumn(3, "Delete", Qt::AlignCenter, 70);
    list_.InsertColumn(4, "Mode", Qt::AlignLeft, 140);
  }

  void FillRows(int rows) {
    for (int r = 0; r < rows; ++r) {
      list_.InsertItem(r, QString("Group %1").arg(r));
      for (int c = 1; c <= 3; ++c) list_.SetCheckbox(r, c, 0);
    }
  }

  void Show() {
    list_.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list_));
  }

  void Click(int row, int column, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, modifiers,
                      list_.CellRect(row, column).center());
  }

  GuiApplication app_;
  CXListCtrl list_;
};

TEST_F(ReportListCtrlTest, ClickFlipsOneRowAndTellsOnce) {
  FillRows(4);
  Show();
  QSignalSpy spy(&list_, &CXListCtrl::checkboxClicked);
  Click(1, 2);
  EXPECT_EQ(list_.GetCheckbox(1, 2), 1);
  EXPECT_EQ(Recorded(spy), (Calls{{1, 2}}));
  Click(1, 2);
  EXPECT_EQ(list_.GetCheckbox(1, 2), 0);
  EXPECT_EQ(spy.count(), 2);
  // A click on the box itself flips it once.
  const QRect cell = list_.CellRect(3, 1);
  for (int x : {cell.left() + 2, cell.left() + 11}) {
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(x, cell.center().y()));
  }
  EXPECT_EQ(list_.GetCheckbox(3, 1), 0);
  EXPECT_EQ(spy.count(), 4);
  // A drag from one cell to another only selects.
  QTest::mousePress(list_.viewport(), Qt::LeftButton, Qt::NoModifier, list_.CellRect(0, 1).center());
  QTest::mouseRelease(list_.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list_.CellRect(2, 1).center());
  EXPECT_EQ(spy.count(), 4);
  // A click on the label or on a plain cell changes no box.
  Click(1, 0);
  Click(1, 4);
  EXPECT_EQ(spy.count(), 4);
}

TEST_F(ReportListCtrlTest, ClickInASelectionOfThreeRowsChangesThemAll) {
  FillRows(5);
  list_.SetCheckbox(0, 1, 1);  // already in the new state: no message for it
  Show();
  Click(0, 0);
  Click(2, 0, Qt::ShiftModifier);
  ASSERT_EQ(list_.SelectedRows(), (std::vector<int>{0, 1, 2}));

  QSignalSpy spy(&list_, &CXListCtrl::checkboxClicked);
  Click(1, 1);
  EXPECT_EQ(Recorded(spy), (Calls{{1, 1}, {2, 1}}));
  for (int r = 0; r <= 2; ++r) EXPECT_EQ(list_.GetCheckbox(r, 1), 1) << r;
  EXPECT_EQ(list_.GetCheckbox(3, 1), 0);
  // The selection stays, so the next click acts on the same three rows.
  EXPECT_EQ(list_.SelectedRows(), (std::vector<int>{0, 1, 2}));
  spy.clear();
  Click(2, 1);
  EXPECT_EQ(Recorded(spy), (Calls{{0, 1}, {1, 1}, {2, 1}}));
  EXPECT_EQ(list_.CountCheckedItems(1), 0);

  // A click on a row outside the selection selects it alone.
  spy.clear();
  Click(4, 3);
  EXPECT_EQ(Recorded(spy), (Calls{{4, 3}}));
  EXPECT_EQ(list_.SelectedRows(), (std::vector<int>{4}));
}

TEST_F(ReportListCtrlTest, DisabledRowIgnoresClicksAndStaysOutOfSelections) {
  FillRows(4);
  list_.SetCheckbox(2, 1, 1);
  list_.SetEnabled(2, false);
  Show();
  QSignalSpy spy(&list_, &CXListCtrl::checkboxClicked);
  Click(2, 1);
  Click(2, 2);
  EXPECT_EQ(list_.GetCheckbox(2, 1), 1);
  EXPECT_EQ(list_.GetCheckbox(2, 2), 0);
  EXPECT_EQ(spy.count(), 0);

  // A selection across it leaves it as it is.
  Click(1, 0);
  Click(3, 0, Qt::ShiftModifier);
  Click(1, 1);
  EXPECT_EQ(list_.GetCheckbox(2, 1), 1);
  EXPECT_EQ(Recorded(spy), (Calls{{1, 1}, {3, 1}}));
}

TEST_F(ReportListCtrlTest, HeaderCheckboxTurnsToTwoAndBack) {
  FillRows(3);
  list_.SetHeaderCheckedState(1, kHeaderUnchecked);
  list_.SetCheckbox(0, 1, 1);
  list_.SetCheckbox(1, 1, 1);
  Show();
  EXPECT_FALSE(list_.GetHeaderCtrl()->CheckboxRect(1).isEmpty());
  EXPECT_TRUE(list_.GetHeaderCtrl()->CheckboxRect(2).isEmpty());
  Click(2, 1);
  EXPECT_EQ(list_.GetHeaderCheckedState(1), kHeaderChecked);
  Click(0, 1);
  EXPECT_EQ(list_.GetHeaderCheckedState(1), kHeaderUnchecked);
  for (int r = 0; r < 3; ++r) Click(r, 2);
  EXPECT_EQ(list_.GetHeaderCheckedState(2), kHeaderNoCheckbox);
}

class ReportDropDownTest : public ReportListCtrlTest {
 protected:
  void SetUp() override {
    ReportListCtrlTest::SetUp();
    FillRows(4);
    list_.SetComboBox(2, 4, true, {"Alpha", "", "Beta", "Bravo", "Charlie"}, 6, 3);
    Show();
  }

  // Opens the list of row 2's drop-down with a click on its button.
  CXComboList* Open() {
    Click(2, 0);
    QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list_.DropDownButtonRect(2, 4).center());
    return list_.ComboList();
  }

  void Key(CXComboList* combo, Qt::Key key) { QTest::keyClick(combo->listBox(), key); }
};

TEST_F(ReportDropDownTest, ClickLeftOfTheButtonOnlySelects) {
  const QRect cell = list_.CellRect(2, 4);
  QTest::mouseClick(list_.viewport(), Qt::LeftButton, Qt::NoModifier,
                    QPoint(list_.DropDownButtonRect(2, 4).left() - 3, cell.center().y()));
  EXPECT_EQ(list_.SelectedRows(), (std::vector<int>{2}));
  EXPECT_EQ(list_.ComboList(), nullptr);
  // Selecting the row shows its initial choice (index 3 of the choices).
  EXPECT_EQ(list_.GetItemText(2, 4), "Bravo");
}

TEST_F(ReportDropDownTest, KeysAndLettersMoveTheTextEscapePutsItBack) {
  QSignalSpy selections(&list_, &CXListCtrl::comboSelection);
  CXComboList* combo = Open();
  ASSERT_NE(combo, nullptr);
  EXPECT_TRUE(combo->isVisible());
  EXPECT_EQ(combo->Count(), 4);  // the empty choice is left out
  EXPECT_EQ(combo->CurrentText(), "Bravo");
  EXPECT_TRUE(list_.Model()->Cell(2, 4)->combo_open);
  const QRect cell = list_.CellRect(2, 4);
  EXPECT_EQ(combo->geometry().top(), list_.viewport()->mapToGlobal(cell.bottomLeft()).y());
  EXPECT_EQ(combo->height(), (cell.height() - 2) * 6);

  Key(combo, Qt::Key_Down);
  EXPECT_EQ(list_.GetItemText(2, 4), "Charlie");
  Key(combo, Qt::Key_Down);  // clamped at the end
  EXPECT_EQ(list_.GetItemText(2, 4), "Charlie");
  Key(combo, Qt::Key_Home);
  EXPECT_EQ(list_.GetItemText(2, 4), "Alpha");
  Key(combo, Qt::Key_B);
  EXPECT_EQ(list_.GetItemText(2, 4), "Beta");
  Key(combo, Qt::Key_B);
  EXPECT_EQ(list_.GetItemText(2, 4), "Bravo");
  Key(combo, Qt::Key_A);
  EXPECT_EQ(list_.GetItemText(2, 4), "Alpha");
  EXPECT_EQ(list_.ComboList(), combo);

  Key(combo, Qt::Key_Escape);
  EXPECT_EQ(list_.GetItemText(2, 4), "Bravo");
  EXPECT_EQ(list_.ComboList(), nullptr);
  EXPECT_FALSE(list_.Model()->Cell(2, 4)->combo_open);
  EXPECT_EQ(selections.count(), 0);
}

TEST_F(ReportDropDownTest, ReturnAndClickCommitAndTell) {
  QSignalSpy selections(&list_, &CXListCtrl::comboSelection);
  CXComboList* combo = Open();
  ASSERT_NE(combo, nullptr);
  Key(combo, Qt::Key_Down);
  Key(combo, Qt::Key_Return);
  EXPECT_EQ(list_.GetItemText(2, 4), "Charlie");
  EXPECT_EQ(Recorded(selections), (Calls{{2, 4}}));
  EXPECT_EQ(list_.ComboList(), nullptr);

  combo = Open();
  ASSERT_NE(combo, nullptr);
  EXPECT_EQ(combo->CurrentText(), "Charlie");
  QListWidget* box = combo->listBox();
  QTest::mouseClick(box->viewport(), Qt::LeftButton, Qt::NoModifier,
                    box->visualItemRect(box->item(1)).center());
  EXPECT_EQ(list_.GetItemText(2, 4), "Beta");
  EXPECT_EQ(selections.count(), 2);
  EXPECT_EQ(list_.ComboList(), nullptr);

  // Closed from outside (focus elsewhere): as Escape.
  combo = Open();
  ASSERT_NE(combo, nullptr);
  Key(combo, Qt::Key_End);
  combo->close();
  EXPECT_EQ(list_.GetItemText(2, 4), "Beta");
  EXPECT_EQ(selections.count(), 2);
  EXPECT_EQ(list_.ComboList(), nullptr);
}

// The first pixel row, from the top of `image`, that holds a pixel darker
// than `threshold` (0 black .. 255 white); -1 when none does. `darkest`
// receives the darkest pixel's lightness.
int FirstInkRow(const QImage& image, int threshold, int* darkest) {
  int first = -1;
  *darkest = 255;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const int l = QColor(image.pixel(x, y)).lightness();
      *darkest = std::min(*darkest, l);
      if (l < threshold && first < 0) first = y;
    }
  }
  return first;
}

TEST_F(ReportListCtrlTest, EmptyListSaysSoBelowTheHeaderGreyWhenDisabled) {
  Show();
  QImage image = list_.viewport()->grab().toImage();
  int darkest = 0;
  const int top = FirstInkRow(image, 160, &darkest);
  ASSERT_GE(top, 10);
  EXPECT_LT(top, 10 + list_.fontMetrics().height());
  EXPECT_LT(darkest, 100);

  list_.setEnabled(false);
  image = list_.viewport()->grab().toImage();
  const int grey = list_.palette().color(QPalette::Disabled, QPalette::Text).lightness();
  FirstInkRow(image, 250, &darkest);
  EXPECT_GE(darkest, grey - 10);
  EXPECT_LT(darkest, 250);  // still written

  list_.setEnabled(true);
  list_.InsertItem(0, "now one row");
  image = list_.viewport()->grab().toImage();
  EXPECT_EQ(FirstInkRow(image.copy(0, list_.CellRect(0, 0).bottom() + 1, image.width(), 40), 160,
                        &darkest),
            -1);
}

TEST_F(ReportListCtrlTest, CheckboxSitsNineInOrCentred) {
  FillRows(2);
  list_.SetItemText(0, 1, "yes");
  list_.SetItemText(0, 0, "");
  list_.SetCheckbox(0, 0, 0);
  Show();
  const QImage image = list_.viewport()->grab().toImage();
  // The box's left edge: the first column in the cell that differs from
  // the cell's background.
  auto box_left = [&](int row, int column) {
    const QRect cell = list_.CellRect(row, column);
    const QRgb paper = image.pixel(cell.left() + 1, cell.center().y());
    for (int x = cell.left(); x <= cell.right(); ++x) {
      if (image.pixel(x, cell.center().y()) != paper) return x - cell.left();
    }
    return -1;
  };
  EXPECT_EQ(box_left(0, 1), 9);
  const int side = list_.style()->pixelMetric(QStyle::PM_IndicatorWidth);
  EXPECT_NEAR(box_left(1, 2), (list_.CellRect(1, 2).width() - side) / 2, 1);
}

TEST_F(ReportListCtrlTest, HeaderFontGrowsTheHeader) {
  FillRows(1);
  Show();
  list_.SetHeaderFont(100);
  const int normal = list_.GetHeaderCtrl()->sizeHint().height();
  list_.SetHeaderFont(180);
  const int large = list_.GetHeaderCtrl()->sizeHint().height();
  EXPECT_GT(large, normal);
  EXPECT_TRUE(list_.GetHeaderCtrl()->IsOwnerDraw());
  // Two-line headings get the room for both lines.
  list_.SetHeaderFont(100);
  list_.Model()->SetColumnHeading(1, "Enable\nAuditing");
  const int two_lines = QFontMetrics(list_.GetHeaderCtrl()->OwnerDrawFont()).lineSpacing() * 2;
  EXPECT_GE(list_.GetHeaderCtrl()->sizeHint().height(), two_lines);
  QTest::qWait(1);
  list_.SetHeaderFont(180);
  EXPECT_GE(list_.viewport()->geometry().top(), large);
}

TEST_F(ReportListCtrlTest, TooltipIdAndText) {
  FillRows(3);
  list_.SetItemToolTipText(2, 3, "Delete records");
  Show();
  QString text;
  EXPECT_EQ(list_.ToolHitTest(list_.CellRect(2, 3).center(), &text), 2004);
  EXPECT_EQ(text, "Delete records");
  EXPECT_EQ(list_.ToolHitTest(list_.CellRect(0, 0).center()), 1);
  EXPECT_EQ(list_.ToolHitTest(QPoint(5, list_.viewport()->height() - 2)), -1);
}

}  // namespace
}  // namespace tav
