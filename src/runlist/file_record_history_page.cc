#include "runlist/file_record_history_page.h"

#include "controls/sort_list_ctrl.h"

#include <algorithm>
#include <vector>
#include "logon/access.h"
#include "logon/user_record.h"
#include "records/file_record_comp.h"
#include "runlist/run_list_rows.h"
#include "services/config/system_ids.h"
#include "services/filelib/run_list_manager.h"
#include "ui_file_record_history_page.h"

namespace tav {

CFileRecordHistoryPage::CFileRecordHistoryPage(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::FileRecordHistoryPage>()) {
  ui_->setupUi(this);
  CSortListCtrl* list = List();
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->SetFullRowSelect(true);
  for (size_t i = 0; i < kHistoryColumns.size(); ++i) {
    list->InsertColumn(static_cast<int>(i), kHistoryColumns[i], Qt::AlignLeft, -1, "tav::RunList");
  }
  list->Sort(0, false);
  list->setFocus();
}

CFileRecordHistoryPage::~CFileRecordHistoryPage() = default;

CSortListCtrl* CFileRecordHistoryPage::List() const { return ui_->ctl1033; }

bool CFileRecordHistoryPage::CanActivate() {
  return IsActivityAllowedWithMessage(TheLogonState(), kActivityViewAuditTrails) !=
         0;
}

void CFileRecordHistoryPage::Activate() {
  if (!loaded_) Load();
  show();
  if (resort_pending_) {
    List()->Resort();
    resort_pending_ = false;
  }
  List()->setFocus();
}

void CFileRecordHistoryPage::AddRow(int row, const CFileRecordComp& record) {
  const RowTexts texts = HistoryRow(record);
  const std::array<std::string_view, 4> cells = {texts[0], texts[1], texts[2], texts[3]};
  List()->AddItem(row, cells);
}

void CFileRecordHistoryPage::Load() {
  loaded_ = true;
  CSortListCtrl* list = List();
  CRunListManager manager;
  if (CFileRecordListComp* history = manager.LoadFileRecordHistory()) {
    // Newest first before the sort as well, so that records of the same
    // second (the dates are shown to the second) stay newest first.
    std::vector<const CFileRecordComp*> records;
    records.reserve(history->GetChildCount());
    POSITION pos = history->GetLastChildPosition();
    while (pos != nullptr) {
      const auto* record = dynamic_cast<const CFileRecordComp*>(history->GetPrevChild(pos));
      if (record != nullptr) records.push_back(record);
    }
    HistoryRowBuilder rows;
    list->AddItems(records.size(), [&](size_t i, std::span<std::string_view> cells) {
      const RowViews row = rows.Cells(*records[i]);
      std::copy(row.begin(), row.end(), cells.begin());
    });
  }
  list->resizeColumnToContents(0);
  list->resizeColumnToContents(1);
  list->resizeColumnToContents(2);
  list->resizeColumnToContents(3);
  list->Sort(0, false);
  if (list->GetItemCount() > 0) list->SelectItem(0);
}

void CFileRecordHistoryPage::AddRecord(const CFileRecordComp& record) {
  if (!loaded_) return;
  AddRow(0, record);
  resort_pending_ = true;
}

}  // namespace tav
