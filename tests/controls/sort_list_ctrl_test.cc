// The sortable list driven as a user drives it: header clicks, the sort
// arrow, deleting with select-next, selecting with clamp, dimmed rows, and
// what automation reads through the model's roles.
#include "controls/sort_list_ctrl.h"

#include <gtest/gtest.h>

#include <QFont>
#include <QImage>
#include <QPainter>
#include <QStyle>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "ui/gui_app.h"

namespace tav {
namespace {

class SortListCtrlTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    list_ = std::make_unique<CSortListCtrl>();
    list_->resize(600, 300);
    ASSERT_EQ(list_->InsertColumn(0, "Date & Time", Qt::AlignLeft, 180), 0);
    ASSERT_EQ(list_->InsertColumn(1, "User Login", Qt::AlignLeft, 120), 1);
    ASSERT_EQ(list_->InsertColumn(2, "Count", Qt::AlignRight, 80), 2);
    list_->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(list_.get()));
  }

  void Add(std::string_view a, std::string_view b, std::string_view c, uintptr_t data = 0) {
    const int row = list_->AddItem(list_->GetItemCount(), a, {b, c});
    ASSERT_GE(row, 0);
    list_->SetItemData(row, data);
  }

  std::vector<std::string> Column(int column) const {
    std::vector<std::string> texts;
    for (int row = 0; row < list_->GetItemCount(); ++row) {
      texts.emplace_back(list_->GetItemText(row, column));
    }
    return texts;
  }

  // What a screen reader or test driver reads from the model.
  std::vector<std::string> DisplayColumn(int column) const {
    std::vector<std::string> texts;
    const QAbstractItemModel* model = list_->model();
    for (int row = 0; row < model->rowCount(); ++row) {
      texts.push_back(model->index(row, column).data(Qt::DisplayRole).toString().toStdString());
    }
    return texts;
  }

  void ClickHeading(int column) {
    QHeaderView* header = list_->header();
    const QPoint at(header->sectionViewportPosition(column) + 10, header->height() / 2);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, Qt::NoModifier, at);
  }

  std::unique_ptr<CSortListCtrl> list_;
};

using Texts = std::vector<std::string>;

TEST_F(SortListCtrlTest, AddItemsAppendsManyRowsAsOneInsertion) {
  Add("first", "x", "1");
  int insertions = 0;
  QObject::connect(list_->model(), &QAbstractItemModel::rowsInserted,
                   [&insertions](const QModelIndex&, int first, int last) {
                     ++insertions;
                     EXPECT_EQ(first, 1);
                     EXPECT_EQ(last, 3);
                   });
  std::string scratch;
  EXPECT_EQ(list_->AddItems(3, [&scratch](size_t i, std::span<std::string_view> cells) {
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_TRUE(cells[2].empty());
    scratch = "row" + std::to_string(i);  // views into the source's storage
    cells[0] = scratch;
    if (i == 1) cells[1] = "ann";
  }),
            1);
  EXPECT_EQ(insertions, 1);
  EXPECT_EQ(Column(0), (Texts{"first", "row0", "row1", "row2"}));
  EXPECT_EQ(Column(1), (Texts{"x", "", "ann", ""}));
  EXPECT_EQ(DisplayColumn(0).back(), "row2");
  EXPECT_EQ(list_->AddItems(0, nullptr), 4);
}

// Rows added in bulk keep their texts in the list's own store: changing a
// cell, adding a column, sorting, deleting and emptying the list must leave
// every other row whole (the sanitizer build checks the memory).
TEST_F(SortListCtrlTest, RowsAddedInBulkSurviveEditsSortsAndDeletions) {
  std::string text;
  list_->AddItems(3000, [&text](size_t i, std::span<std::string_view> cells) {
    text = std::to_string(3000 - i);
    cells[0] = text;
    cells[2] = "n";
  });
  ASSERT_TRUE(list_->SetItemText(0, 1, "changed"));
  ASSERT_EQ(list_->InsertColumn(1, "New"), 1);
  list_->Sort(0, true);
  EXPECT_EQ(list_->GetItemText(0, 0), "1");
  EXPECT_EQ(list_->GetItemText(2999, 0), "3000");
  EXPECT_EQ(list_->GetItemText(2999, 2), "changed");
  EXPECT_EQ(list_->GetItemText(2999, 3), "n");
  EXPECT_EQ(list_->GetItemText(5, 1), "");
  ASSERT_TRUE(list_->DeleteItem(2999));
  list_->DeleteAllItems();
  EXPECT_EQ(list_->GetItemCount(), 0);
  list_->AddItems(2, [](size_t, std::span<std::string_view> cells) { cells[3] = "again"; });
  EXPECT_EQ(Column(3), (Texts{"again", "again"}));
}

TEST_F(SortListCtrlTest, HeaderClicksSortAscendingThenDescendingAndANewColumnAscending) {
  Add("1/2/2024 10:00:00 AM", "bob", "10");
  Add("1/2/2024 9:00:00 AM", "alice", "9");
  Add("1/2/2024 11:00:00 AM", "carol", "100");
  list_->Sort(0, false);
  EXPECT_EQ(Column(0), (Texts{"1/2/2024 11:00:00 AM", "1/2/2024 10:00:00 AM",
                              "1/2/2024 9:00:00 AM"}));

  ClickHeading(0);  // the sorted column, descending: turns ascending
  EXPECT_EQ(list_->GetSortColumn(), 0);
  EXPECT_TRUE(list_->IsAscending());
  EXPECT_EQ(DisplayColumn(0), (Texts{"1/2/2024 9:00:00 AM", "1/2/2024 10:00:00 AM",
                                     "1/2/2024 11:00:00 AM"}));
  ClickHeading(0);
  EXPECT_FALSE(list_->IsAscending());
  EXPECT_EQ(DisplayColumn(1), (Texts{"carol", "bob", "alice"}));

  ClickHeading(2);  // another column starts ascending, by number
  EXPECT_EQ(list_->GetSortColumn(), 2);
  EXPECT_TRUE(list_->IsAscending());
  EXPECT_EQ(DisplayColumn(2), (Texts{"9", "10", "100"}));
  ClickHeading(2);
  EXPECT_EQ(DisplayColumn(2), (Texts{"100", "10", "9"}));
  // The other cells travel with their row.
  EXPECT_EQ(list_->GetItemText(0, 1), "carol");
}

TEST_F(SortListCtrlTest, SortingKeepsTheSelectionOnItsRowsAndResortRepeats) {
  Add("b", "", "");
  Add("c", "", "");
  Add("a", "", "");
  ASSERT_TRUE(list_->SelectItem(1));  // "c"
  list_->Sort(0, true);
  EXPECT_EQ(list_->GetSelectedRows(), std::vector<int>{2});
  EXPECT_EQ(list_->currentIndex().row(), 2);
  list_->SetItemText(0, 0, "z");
  list_->Resort();
  EXPECT_EQ(Column(0), (Texts{"b", "c", "z"}));
  list_->Sort(3, true);  // no such column: ignored
  list_->Sort(-1, false);
  EXPECT_EQ(list_->GetSortColumn(), 0);
  EXPECT_TRUE(list_->IsAscending());
}

TEST_F(SortListCtrlTest, TheArrowPointsUpForAscendingAndDownForDescending) {
  Add("1", "", "");
  CSortHeaderCtrl* header = list_->GetHeaderCtrl();
  EXPECT_EQ(header->SortIndicatorFor(0), QStyleOptionHeader::None);
  list_->Sort(1, true);
  EXPECT_EQ(header->SortIndicatorFor(1), QStyleOptionHeader::SortUp);
  EXPECT_EQ(header->SortIndicatorFor(0), QStyleOptionHeader::None);
  list_->Sort(1, false);
  EXPECT_EQ(header->SortIndicatorFor(1), QStyleOptionHeader::SortDown);

  // The style draws SortUp as an arrow with its point at the top: its top
  // painted row is narrower than its bottom one.
  QImage image(40, 40, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  {
    QPainter painter(&image);
    QStyleOptionHeader opt;
    opt.initFrom(header);
    opt.rect = QRect(0, 0, 40, 40);
    opt.sortIndicator = QStyleOptionHeader::SortUp;
    header->style()->drawPrimitive(QStyle::PE_IndicatorHeaderArrow, &opt, &painter, header);
  }
  std::vector<int> widths;
  for (int y = 0; y < image.height(); ++y) {
    int n = 0;
    for (int x = 0; x < image.width(); ++x) n += qAlpha(image.pixel(x, y)) > 64;
    if (n > 0) widths.push_back(n);
  }
  ASSERT_GE(widths.size(), 2u);
  EXPECT_LT(widths.front(), widths.back());
}

TEST_F(SortListCtrlTest, InsertColumnGivesEveryRowAnEmptyCellAndMovesTheArrowAlong) {
  Add("a1", "b1", "c1");
  Add("a2", "b2", "c2");
  list_->Sort(1, false);
  ASSERT_EQ(list_->InsertColumn(1, "New"), 1);
  EXPECT_EQ(list_->GetColumnCount(), 4);
  EXPECT_EQ(Column(0), (Texts{"a2", "a1"}));
  EXPECT_EQ(Column(1), (Texts{"", ""}));
  EXPECT_EQ(Column(2), (Texts{"b2", "b1"}));
  EXPECT_EQ(Column(3), (Texts{"c2", "c1"}));
  EXPECT_EQ(list_->GetSortColumn(), 2);
  EXPECT_EQ(list_->InsertColumn(99, "Last"), 4);
  EXPECT_EQ(list_->InsertColumn(-1, "Bad"), -1);
  EXPECT_TRUE(list_->SetItemText(1, 4, "x"));
  EXPECT_FALSE(list_->SetItemText(1, 5, "x"));
  EXPECT_FALSE(list_->SetItemText(2, 0, "x"));
  EXPECT_EQ(list_->model()->headerData(4, Qt::Horizontal).toString(), "Last");
}

TEST_F(SortListCtrlTest, AddItemPlacesRowsAndFillsMissingTexts) {
  EXPECT_EQ(list_->AddItem(5, "first"), 0);  // past the end: appended
  EXPECT_EQ(list_->AddItem(0, "before", {"x", "y", "dropped"}), 0);
  EXPECT_EQ(list_->AddItem(-1, "bad"), -1);
  EXPECT_EQ(Column(0), (Texts{"before", "first"}));
  EXPECT_EQ(Column(2), (Texts{"y", ""}));
  EXPECT_EQ(list_->GetItemData(1), 0u);
  EXPECT_EQ(list_->GetItemData(7), 0u);
  EXPECT_EQ(list_->model()->index(1, 0).data(Qt::DisplayRole).toString(), "first");
  EXPECT_EQ(list_->model()->index(1, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>(),
            Qt::AlignRight | Qt::AlignVCenter);
}

bool RefuseOdd(uintptr_t data, void* arg) {
  ++*static_cast<int*>(arg);
  return data % 2 == 0;
}

TEST_F(SortListCtrlTest, DeleteItemSelectsTheRowThatTakesItsPlace) {
  for (uintptr_t i = 0; i < 4; ++i) Add("row" + std::to_string(i), "", "", i * 2);
  ASSERT_TRUE(list_->DeleteItem(1, true));
  EXPECT_EQ(Column(0), (Texts{"row0", "row2", "row3"}));
  EXPECT_EQ(list_->GetSelectedRows(), std::vector<int>{1});
  EXPECT_EQ(list_->GetItemData(1), 4u);

  list_->clearSelection();
  ASSERT_TRUE(list_->DeleteItem(2, true));  // the last row: the new last one
  EXPECT_EQ(list_->GetSelectedRows(), std::vector<int>{1});

  list_->clearSelection();
  ASSERT_TRUE(list_->DeleteItem(0, false));
  EXPECT_TRUE(list_->GetSelectedRows().empty());
  ASSERT_EQ(list_->GetItemCount(), 1);
  ASSERT_TRUE(list_->DeleteItem(0, true));  // one row: nothing left to select
  EXPECT_TRUE(list_->GetSelectedRows().empty());
  EXPECT_FALSE(list_->DeleteItem(0, true));
  EXPECT_FALSE(list_->DeleteItem(-1, true));
}

TEST_F(SortListCtrlTest, TheVetoCallbackKeepsTheRow) {
  Add("even", "", "", 2);
  Add("odd", "", "", 3);
  int calls = 0;
  EXPECT_FALSE(list_->DeleteItem(1, true, &RefuseOdd, &calls));
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(list_->GetItemCount(), 2);
  EXPECT_TRUE(list_->GetSelectedRows().empty());
  EXPECT_TRUE(list_->DeleteItem(0, true, &RefuseOdd, &calls));
  EXPECT_EQ(calls, 2);
  EXPECT_EQ(Column(0), Texts{"odd"});
}

TEST_F(SortListCtrlTest, SelectItemClampsOnlyWhenAsked) {
  EXPECT_FALSE(list_->SelectItem(0, true));  // empty list
  Add("a", "", "");
  Add("b", "", "");
  Add("c", "", "");
  EXPECT_FALSE(list_->SelectItem(3));
  EXPECT_FALSE(list_->SelectItem(-1));
  EXPECT_TRUE(list_->GetSelectedRows().empty());
  EXPECT_TRUE(list_->SelectItem(-5, true));
  EXPECT_TRUE(list_->SelectItem(3, true));
  EXPECT_EQ(list_->GetSelectedRows(), (std::vector<int>{0, 2}));  // several rows may be selected
  list_->setSelectionMode(QAbstractItemView::SingleSelection);
  EXPECT_TRUE(list_->SelectItem(1));
  EXPECT_EQ(list_->GetSelectedRows(), std::vector<int>{1});
}

TEST_F(SortListCtrlTest, DimmedRowsKeepTheirTextsAndStyleThroughASort) {
  Add("b", "", "");
  Add("c", "", "");
  Add("a", "", "");
  list_->SetDimmedRowNote("gone");
  int notices = 0;
  const QMetaObject::Connection watch =
      QObject::connect(list_->model(), &QAbstractItemModel::dataChanged,
                       [&notices](const QModelIndex& from, const QModelIndex& to) {
                         ++notices;
                         EXPECT_EQ(from.row(), 1);
                         EXPECT_EQ(to.row(), 2);
                         EXPECT_EQ(to.column(), 2);
                       });
  const RowStyle styles[] = {RowStyle::kDimmed, RowStyle::kDimmed};
  EXPECT_TRUE(list_->SetRowStyles(1, styles));
  EXPECT_EQ(notices, 1);
  EXPECT_FALSE(list_->SetRowStyles(2, styles));  // runs past the end: nothing changes
  EXPECT_FALSE(list_->SetRowStyle(3, RowStyle::kNormal));
  EXPECT_EQ(notices, 1);
  QObject::disconnect(watch);
  list_->Sort(0, true);  // a, b, c: "a" and "c" stay dimmed
  EXPECT_EQ(Column(0), (Texts{"a", "b", "c"}));
  EXPECT_EQ(list_->GetRowStyle(0), RowStyle::kDimmed);
  EXPECT_EQ(list_->GetRowStyle(1), RowStyle::kNormal);
  EXPECT_EQ(list_->GetRowStyle(2), RowStyle::kDimmed);
  EXPECT_EQ(list_->GetRowStyle(7), RowStyle::kNormal);

  // What automation and the view read, on every column of a dimmed row only.
  const QModelIndex dimmed = list_->model()->index(0, 2);
  const QModelIndex plain = list_->model()->index(1, 2);
  EXPECT_EQ(dimmed.data(Qt::DisplayRole).toString(), "");
  EXPECT_EQ(list_->model()->index(0, 0).data(Qt::DisplayRole).toString(), "a");
  EXPECT_TRUE(dimmed.data(Qt::FontRole).value<QFont>().italic());
  EXPECT_EQ(dimmed.data(Qt::ToolTipRole).toString(), "gone");
  EXPECT_EQ(dimmed.data(Qt::AccessibleDescriptionRole).toString(), "gone");
  EXPECT_FALSE(plain.data(Qt::FontRole).isValid());
  EXPECT_FALSE(plain.data(Qt::ToolTipRole).isValid());
  EXPECT_TRUE(list_->SetRowStyle(0, RowStyle::kNormal));
  EXPECT_FALSE(dimmed.data(Qt::ToolTipRole).isValid());
  // A new row is never dimmed, whatever row it is inserted before.
  list_->AddItem(0, "new");
  EXPECT_EQ(list_->GetRowStyle(0), RowStyle::kNormal);
  EXPECT_EQ(list_->GetRowStyle(3), RowStyle::kDimmed);
}

}  // namespace
}  // namespace tav
