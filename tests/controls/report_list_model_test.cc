// The report list's rows without a window: cell defaults, index checks, the
// header checkbox, the roles automation uses, the click rule and the
// drop-down's choice rules.
#include <gtest/gtest.h>

#include "controls/combo_choices.h"
#include "controls/report_list_model.h"

namespace tav {
namespace {

constexpr QRgb kInk = 0xFF102030;
constexpr QRgb kPaper = 0xFFF0E0D0;

// Columns "Group", "Read", "Write"; `rows` rows with unchecked boxes in
// columns 1 and 2.
void Fill(ReportListModel& model, int rows) {
  model.SetDefaultColors(kInk, kPaper);
  model.InsertColumn(0, "Group");
  model.InsertColumn(1, "Read");
  model.InsertColumn(2, "Write");
  for (int r = 0; r < rows; ++r) {
    ASSERT_EQ(model.InsertItem(r, QString("row %1").arg(r)), r);
    model.SetCheckbox(r, 1, 0);
    model.SetCheckbox(r, 2, 0);
  }
}

TEST(ReportListModel, NewRowHasEveryFieldAtItsDefault) {
  ReportListModel model;
  Fill(model, 1);
  const XListCellData* cell = model.Cell(0, 0);
  ASSERT_NE(cell, nullptr);
  EXPECT_TRUE(cell->enabled);
  EXPECT_FALSE(cell->bold);
  EXPECT_EQ(cell->image, -1);
  EXPECT_TRUE(cell->tooltip.isEmpty());
  EXPECT_FALSE(cell->combo);
  EXPECT_FALSE(cell->combo_open);
  EXPECT_TRUE(cell->choices.isEmpty());
  EXPECT_EQ(cell->dropdown_rows, 10);
  EXPECT_EQ(cell->initial_choice, 0);
  EXPECT_EQ(cell->text_color, kInk);
  EXPECT_EQ(cell->background_color, kPaper);
  EXPECT_FALSE(cell->progress);
  EXPECT_EQ(cell->percent, 0);
  EXPECT_TRUE(cell->progress_text.isEmpty());
  EXPECT_TRUE(cell->show_progress_text);
  EXPECT_EQ(cell->check, -1);
  EXPECT_EQ(cell->item_data, 0u);
  EXPECT_EQ(model.GetItemText(0, 0), "row 0");

  EXPECT_EQ(model.InsertItem(1, "red", 0xFFFF0000, 0xFF000000), 1);
  EXPECT_EQ(model.GetItemTextColor(1, 2), 0xFFFF0000);
  EXPECT_EQ(model.GetItemBackgroundColor(1, 2), 0xFF000000);
}

TEST(ReportListModel, BadIndicesChangeNothing) {
  ReportListModel model;
  EXPECT_EQ(model.InsertItem(0, "no columns yet"), -1);
  Fill(model, 2);
  EXPECT_EQ(model.InsertItem(-1, "x"), -1);
  for (auto [row, column] : {std::pair{-1, 0}, {2, 0}, {0, -1}, {0, 3}}) {
    SCOPED_TRACE(testing::Message() << row << "," << column);
    EXPECT_FALSE(model.SetItemText(row, column, "x"));
    EXPECT_FALSE(model.SetCheckbox(row, column, 1));
    EXPECT_EQ(model.GetCheckbox(row, column), -1);
    EXPECT_FALSE(model.SetBold(row, column, true));
    EXPECT_FALSE(model.SetItemColor(row, column, 1, 2));
    EXPECT_FALSE(model.SetComboBox(row, column, true, {"a"}));
    EXPECT_FALSE(model.SetProgress(row, column));
    EXPECT_EQ(model.GetItemImage(row, column), -1);
    EXPECT_EQ(model.Cell(row, column), nullptr);
  }
  EXPECT_FALSE(model.SetEnabled(2, false));
  EXPECT_FALSE(model.SetItemData(-1, 7));
  EXPECT_EQ(model.CountCheckedItems(3), -1);
  EXPECT_EQ(model.GetHeaderCheckedState(-1), -1);
  EXPECT_FALSE(model.SetHeaderCheckedState(0, 3));
  // Only -1, 0 and 1 are check states.
  EXPECT_FALSE(model.SetCheckbox(0, 1, 2));
  EXPECT_EQ(model.GetCheckbox(0, 1), 0);
  // Progress of a cell that is no progress cell is refused; percent is clamped.
  EXPECT_FALSE(model.UpdateProgress(0, 2, 50));
  ASSERT_TRUE(model.SetProgress(0, 2));
  EXPECT_TRUE(model.UpdateProgress(0, 2, 140));
  EXPECT_EQ(model.Cell(0, 2)->percent, 100);
}

TEST(ReportListModel, InsertingKeepsEachRowsRecords) {
  ReportListModel model;
  Fill(model, 3);
  model.SetItemData(0, 10);
  model.SetItemData(2, 12);
  model.SetCheckbox(2, 2, 1);
  model.SetEnabled(2, false);
  // A row past the end is appended; one in the middle pushes the rest down.
  EXPECT_EQ(model.InsertItem(99, "last"), 3);
  EXPECT_EQ(model.InsertItem(1, "middle"), 1);
  EXPECT_EQ(model.GetItemText(3, 0), "row 2");
  EXPECT_EQ(model.GetItemData(3), 12u);
  EXPECT_EQ(model.GetCheckbox(3, 2), 1);
  EXPECT_FALSE(model.GetEnabled(3));
  EXPECT_TRUE(model.GetEnabled(1));
  EXPECT_EQ(model.GetCheckbox(1, 2), -1);

  // A column inserted before column 0 leaves the row's own fields with the
  // row: they live in column 0's record.
  ASSERT_EQ(model.InsertColumn(0, "Icon"), 0);
  EXPECT_EQ(model.GetItemData(0), 10u);
  EXPECT_FALSE(model.GetEnabled(3));
  EXPECT_EQ(model.GetItemText(3, 1), "row 2");
  EXPECT_EQ(model.GetCheckbox(3, 3), 1);
  EXPECT_EQ(model.Cell(3, 0)->text_color, kInk);
  EXPECT_EQ(model.CountCheckedItems(3), 1);
}

TEST(ReportListModel, HeaderCheckboxFollowsTheColumn) {
  ReportListModel model;
  Fill(model, 3);
  ASSERT_TRUE(model.SetHeaderCheckedState(1, kHeaderUnchecked));
  model.SetCheckbox(0, 1, 1);
  model.SetCheckbox(1, 1, 1);
  EXPECT_EQ(model.GetHeaderCheckedState(1), kHeaderUnchecked);
  model.SetCheckbox(2, 1, 1);
  EXPECT_EQ(model.GetHeaderCheckedState(1), kHeaderChecked);
  EXPECT_EQ(model.CountCheckedItems(1), 3);
  model.SetCheckbox(1, 1, 0);
  EXPECT_EQ(model.GetHeaderCheckedState(1), kHeaderUnchecked);
  // A column without a header checkbox never gets one.
  for (int r = 0; r < 3; ++r) model.SetCheckbox(r, 2, 1);
  EXPECT_EQ(model.GetHeaderCheckedState(2), kHeaderNoCheckbox);

  // After DeleteAllItems the count starts again from nothing.
  model.DeleteAllItems();
  EXPECT_EQ(model.RowCount(), 0);
  EXPECT_EQ(model.CountCheckedItems(1), 0);
  model.InsertItem(0, "alone");
  model.SetCheckbox(0, 1, 1);
  EXPECT_EQ(model.GetHeaderCheckedState(1), kHeaderChecked);
  model.InsertItem(1, "second");
  model.SetCheckbox(1, 1, 0);
  EXPECT_EQ(model.GetHeaderCheckedState(1), kHeaderUnchecked);
}

TEST(ReportListModel, StandardRolesReadAndChangeCells) {
  ReportListModel model;
  Fill(model, 2);
  model.SetHeaderCheckedState(1, kHeaderUnchecked);
  model.SetItemToolTipText(0, 1, "May read");
  const QModelIndex check = model.index(0, 1);
  EXPECT_EQ(model.data(check, Qt::CheckStateRole), Qt::Unchecked);
  EXPECT_FALSE(model.data(model.index(0, 0), Qt::CheckStateRole).isValid());
  EXPECT_EQ(model.data(check, Qt::ToolTipRole).toString(), "May read");
  EXPECT_TRUE(model.flags(check) & Qt::ItemIsUserCheckable);

  // A screen reader ticking a box acts as SetCheckbox.
  EXPECT_TRUE(model.setData(check, Qt::Checked, Qt::CheckStateRole));
  EXPECT_TRUE(model.setData(model.index(1, 1), Qt::Checked, Qt::CheckStateRole));
  EXPECT_EQ(model.GetCheckbox(0, 1), 1);
  EXPECT_EQ(model.headerData(1, Qt::Horizontal, Qt::CheckStateRole), Qt::Checked);
  // ... but gives no box to a cell without one, and leaves disabled rows.
  EXPECT_FALSE(model.setData(model.index(0, 0), Qt::Checked, Qt::CheckStateRole));
  model.SetEnabled(1, false);
  EXPECT_FALSE(model.flags(model.index(1, 2)) & Qt::ItemIsEnabled);
  EXPECT_FALSE(model.setData(model.index(1, 1), Qt::Unchecked, Qt::CheckStateRole));
  EXPECT_EQ(model.GetCheckbox(1, 1), 1);
  EXPECT_TRUE(model.setData(model.index(0, 0), "renamed", Qt::EditRole));
  EXPECT_EQ(model.data(model.index(0, 0), Qt::DisplayRole).toString(), "renamed");
}

TEST(ReportListModel, ProgressTextIsNeverAPrintfFormat) {
  EXPECT_EQ(FormatProgressText("", 45), "45%");
  EXPECT_EQ(FormatProgressText("%d of 100 (%%)", 7), "7 of 100 (%)");
  // Sequences that would read missing arguments stay as written.
  EXPECT_EQ(FormatProgressText("%s %n %d%", 3), "%s %n 3%");
}

TEST(ReportClickRule, SelectedRowsFollowTheClickedCell) {
  ReportListModel model;
  Fill(model, 5);
  model.SetCheckbox(0, 2, 1);
  model.SetCheckbox(3, 2, -1);
  // The clicked row 1 was part of rows 0..3: they all take part, and those
  // already in the new state (row 0) are left out; row 3 without a box gets one.
  CheckClickPlan plan = PlanCheckboxClick(model, 1, 2, {0, 1, 2, 3}, {1});
  EXPECT_TRUE(plan.restore_selection);
  EXPECT_EQ(plan.new_state, 1);
  EXPECT_EQ(plan.rows, (std::vector<int>{1, 2, 3}));

  // A click on a row that was not selected: only the selection after it counts.
  plan = PlanCheckboxClick(model, 4, 1, {0, 1}, {4});
  EXPECT_FALSE(plan.restore_selection);
  EXPECT_EQ(plan.rows, (std::vector<int>{4}));

  // Column 0 never restores the earlier selection.
  model.SetCheckbox(2, 0, 1);
  plan = PlanCheckboxClick(model, 2, 0, {1, 2}, {2});
  EXPECT_FALSE(plan.restore_selection);
  EXPECT_EQ(plan.new_state, 0);
  EXPECT_EQ(plan.rows, (std::vector<int>{2}));
}

TEST(ReportClickRule, DisabledRowsAndPlainCellsChangeNothing) {
  ReportListModel model;
  Fill(model, 3);
  model.SetEnabled(1, false);
  CheckClickPlan plan = PlanCheckboxClick(model, 1, 1, {0, 1, 2}, {1});
  EXPECT_TRUE(plan.restore_selection);
  EXPECT_EQ(plan.new_state, -1);
  EXPECT_TRUE(plan.rows.empty());
  plan = PlanCheckboxClick(model, 0, 0, {}, {0});
  EXPECT_EQ(plan.new_state, -1);
  plan = PlanCheckboxClick(model, 7, 1, {}, {});
  EXPECT_EQ(plan.new_state, -1);
}

TEST(ComboChoices, OpeningAndMovingTheSelection) {
  const QStringList entries = ComboEntries({"Alpha", "", "Beta", "Bravo", "Charlie"});
  ASSERT_EQ(entries, (QStringList{"Alpha", "Beta", "Bravo", "Charlie"}));
  EXPECT_EQ(ComboInitialIndex(entries, ""), 0);
  EXPECT_EQ(ComboInitialIndex(entries, "bravo"), 2);
  EXPECT_EQ(ComboInitialIndex(entries, "Delta"), 0);
  EXPECT_EQ(ComboInitialIndex({}, "x"), -1);

  // Letters search onwards from the current entry and go round.
  EXPECT_EQ(ComboLetterIndex(entries, 0, 'b'), 1);
  EXPECT_EQ(ComboLetterIndex(entries, 1, 'B'), 2);
  EXPECT_EQ(ComboLetterIndex(entries, 2, 'b'), 1);
  EXPECT_EQ(ComboLetterIndex(entries, 3, 'c'), 3);
  EXPECT_EQ(ComboLetterIndex(entries, 0, 'z'), -1);

  EXPECT_EQ(ComboMoveIndex(4, 3, ComboMove::kDown, 10), 3);
  EXPECT_EQ(ComboMoveIndex(4, 0, ComboMove::kUp, 10), 0);
  EXPECT_EQ(ComboMoveIndex(40, 5, ComboMove::kPageDown, 10), 14);
  EXPECT_EQ(ComboMoveIndex(40, 5, ComboMove::kPageUp, 10), 0);
  EXPECT_EQ(ComboMoveIndex(4, -1, ComboMove::kEnd, 10), 3);
  EXPECT_EQ(ComboMoveIndex(0, 0, ComboMove::kHome, 10), -1);
}

}  // namespace
}  // namespace tav
