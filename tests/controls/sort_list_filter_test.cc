// The sortable list's row filter: the rows it hides, the order it keeps
// through sorts and changes of filter, and the views' selection across it.
#include <gtest/gtest.h>

#include <QItemSelectionModel>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "controls/sort_list_ctrl.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

using RowRef = SortListModel::RowRef;

class SortListFilterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    list_ = std::make_unique<CSortListCtrl>();
    list_->InsertColumn(0, "Name");
    list_->InsertColumn(1, "Count");
    uintptr_t data = 0;
    for (const char* name : {"bob", "alice", "carol", "abe", "dave", "anna"}) {
      const int row = list_->AddItem(list_->GetItemCount(), name, {std::to_string(data * 10)});
      list_->SetItemData(row, data++);
    }
  }

  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (int row = 0; row < list_->GetItemCount(); ++row) {
      names.emplace_back(list_->GetItemText(row, 0));
    }
    return names;
  }

  static SortListModel::RowFilter StartsWith(std::string prefix) {
    return [prefix](const RowRef& row) { return row.Cell(0).starts_with(prefix); };
  }

  SortListModel* Model() { return list_->GetModel(); }

  std::unique_ptr<CSortListCtrl> list_;  // made once the application is
};

TEST_F(SortListFilterTest, HidesRowsKeepsTheSortAndShowsAllAgainInOrder) {
  list_->Sort(0, /*ascending=*/true);
  Model()->SetRowFilter(StartsWith("a"));
  EXPECT_EQ(Names(), (std::vector<std::string>{"abe", "alice", "anna"}));
  EXPECT_EQ(Model()->rowCount(), 3);
  EXPECT_EQ(Model()->TotalRowCount(), 6);
  // Indexes count shown rows: texts, item data and roles follow them.
  EXPECT_EQ(list_->GetItemData(1), 1u);
  EXPECT_EQ(Model()->index(2, 1).data().toString(), QString("50"));

  // A sort while filtered orders the hidden rows too.
  list_->Sort(0, /*ascending=*/false);
  EXPECT_EQ(Names(), (std::vector<std::string>{"anna", "alice", "abe"}));
  Model()->SetRowFilter(nullptr);
  EXPECT_EQ(Names(), (std::vector<std::string>{"dave", "carol", "bob", "anna", "alice", "abe"}));
  EXPECT_FALSE(Model()->HasRowFilter());
}

TEST_F(SortListFilterTest, ANarrowingFilterAsksOnlyTheShownRows) {
  Model()->SetRowFilter(StartsWith("a"));
  int asked = 0;
  Model()->SetRowFilter(
      [&](const RowRef& row) {
        ++asked;
        return row.Cell(0).starts_with("al");
      },
      /*narrows=*/true);
  EXPECT_EQ(asked, 3);
  EXPECT_EQ(Names(), (std::vector<std::string>{"alice"}));
  // Widening again asks every row.
  asked = 0;
  Model()->SetRowFilter(
      [&](const RowRef& row) {
        ++asked;
        return row.Cell(0).starts_with("a");
      });
  EXPECT_EQ(asked, 6);
  EXPECT_EQ(Names(), (std::vector<std::string>{"alice", "abe", "anna"}));
}

TEST_F(SortListFilterTest, SelectionStaysOnItsRowOrGoesWhenTheRowIsHidden) {
  list_->SelectItem(5);  // anna
  Model()->SetRowFilter(StartsWith("a"));
  ASSERT_EQ(list_->GetSelectedRows(), (std::vector<int>{2}));
  EXPECT_EQ(list_->GetItemText(list_->currentIndex().row(), 0), "anna");
  list_->Sort(0, /*ascending=*/true);
  ASSERT_EQ(list_->GetSelectedRows(), (std::vector<int>{2}));
  EXPECT_EQ(list_->GetItemText(2, 0), "anna");
  Model()->SetRowFilter(StartsWith("b"));
  EXPECT_TRUE(list_->GetSelectedRows().empty());
  EXPECT_FALSE(list_->currentIndex().isValid());
}

TEST_F(SortListFilterTest, RowsAddedOrRemovedWhileFilteredKeepTheirPlaces) {
  Model()->SetRowFilter(StartsWith("a"));
  // Before the shown "anna": after "dave", which stays hidden.
  EXPECT_EQ(list_->AddItem(2, "amy"), 2);
  EXPECT_EQ(list_->AddItem(0, "zed"), -1);  // hidden, before "alice"
  const std::vector<std::string_view> cells[] = {{"al"}, {"bo"}};
  Model()->AppendRows(2, [&](size_t i, std::span<std::string_view> out) { out[0] = cells[i][0]; });
  EXPECT_EQ(Names(), (std::vector<std::string>{"alice", "abe", "amy", "anna", "al"}));
  EXPECT_TRUE(list_->DeleteItem(1));
  Model()->SetRowFilter(nullptr);
  EXPECT_EQ(Names(),
            (std::vector<std::string>{"bob", "zed", "alice", "carol", "dave", "amy", "anna", "al",
                                      "bo"}));
}

}  // namespace
}  // namespace tav
