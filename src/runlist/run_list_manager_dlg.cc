#include "runlist/run_list_manager_dlg.h"

#include <QPushButton>
#include <QSignalBlocker>

#include "logon/access.h"
#include "logon/user_record.h"
#include "runlist/file_record_history_page.h"
#include "runlist/host_messages.h"
#include "runlist/run_list_operations.h"
#include "runlist/run_list_page.h"
#include "services/config/system_ids.h"
#include "ui/button_keys.h"
#include "ui/screen_fit.h"
#include "ui_run_list_manager_dlg.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

CRunListManagerDlg::CRunListManagerDlg(QWidget* parent)
    : QDialog(parent), CTabPageHost(this), ui_(std::make_unique<Ui::RunListManagerDlg>()) {
  ui_->setupUi(this);
  setWindowTitle(QCoreApplication::translate("tav::RunList", kRunListManagerTitle));
  run_list_ = new CRunListPage(this, ui_->ctl1030);
  history_ = new CFileRecordHistoryPage(ui_->ctl1030);
  {
    const QSignalBlocker quiet(ui_->ctl1030);
    ui_->ctl1030->addTab(run_list_, QCoreApplication::translate("tav::RunList", kRunListTabTitle));
    ui_->ctl1030->addTab(history_, QCoreApplication::translate("tav::RunList", kHistoryTabTitle));
  }
  ConnectTabControl(ui_->ctl1030);
  connect(ui_->ctl1034, &QPushButton::clicked, this, &CRunListManagerDlg::OnOpen);
  connect(ui_->ctl3, &QPushButton::clicked, this, [this] { run_list_->Move(); });
  connect(ui_->ctl5, &QPushButton::clicked, this, &CRunListManagerDlg::OnDelete);
  connect(ui_->ctl6, &QPushButton::clicked, this, [this] { run_list_->Import(); });
  connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
  PressFocusedButtonOnEnter(this);
  ui_->ctl1030->setFocus();
  SelectPage(0);
}

CRunListManagerDlg::~CRunListManagerDlg() = default;

void CRunListManagerDlg::UpdateHistory(const CFileRecordComp& record) {
  history_->AddRecord(record);
}

void CRunListManagerDlg::SelectPage(int index) {
  const int before = GetCurrentIndex();
  CTabPageHost::SelectPage(index);
  if (GetCurrentIndex() != before) UpdateButtons(GetCurrentIndex());
}

ITabPage* CRunListManagerDlg::GetPage(int index) {
  switch (index) {
    case 0: return run_list_;
    case 1: return history_;
    default: return nullptr;
  }
}

int CRunListManagerDlg::GetCurSel() const { return ui_->ctl1030->currentIndex(); }

void CRunListManagerDlg::SetCurSel(int index) {
  {
    const QSignalBlocker quiet(ui_->ctl1030);
    ui_->ctl1030->setCurrentIndex(index);
  }
  UpdateButtons(index);
}

void CRunListManagerDlg::UpdateButtons(int index) {
  if (index != 0 && index != 1) return;
  const bool on_list = index == 0;
  for (QPushButton* button : {ui_->ctl1034, ui_->ctl3, ui_->ctl5, ui_->ctl6}) {
    button->setEnabled(on_list);
  }
}

void CRunListManagerDlg::OnOpen() {
  const std::string path = run_list_->GetSelectedPath();
  if (path.empty()) {
    RunListOperations(this).Tell(TranslateText("tav::RunList", kNoSelectionText));
    return;
  }
  if (!HasRunListHost(parentWidget())) return;
  PostOpenFile(parentWidget(), path);
  accept();
}

void CRunListManagerDlg::OnDelete() {
  if (IsActivityAllowedWithMessage(TheLogonState(), kActivityManageRunList) == 0) {
    return;
  }
  const std::string path = run_list_->GetSelectedPath();
  if (path.empty()) {
    RunListOperations(this).Tell(TranslateText("tav::RunList", kNoSelectionText));
    return;
  }
  if (!HasRunListHost(parentWidget())) return;
  if (!HostAllowsDeletion(parentWidget(), path)) {
    RunListOperations(this).Tell(
        StrFormat(TranslateText("tav::RunList", kFileOpenFormat).c_str(), path.c_str()));
    return;
  }
  run_list_->Delete();
}

void ShowRunListManager(QWidget* parent) {
  {
    CRunListManagerDlg dialog(parent);
    KeepOnScreen(&dialog);
    dialog.exec();
  }
  // A host told through its callback opens the file now that the dialog is
  // gone, as a host told by the posted event does.
  DeliverPostedOpenFile();
}

}  // namespace tav
