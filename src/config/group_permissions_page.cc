#include "config/group_permissions_page.h"

#include <QEvent>
#include <QHeaderView>

#include "config/page_rules.h"
#include "controls/report_list_ctrl.h"
#include "services/config/system_configuration.h"
#include "ui/config_page_ids.h"
#include "ui_group_permissions_page.h"

namespace tav {

CGroupPermissionsPage::CGroupPermissionsPage(QWidget* parent)
    : CConfigPage(parent),
      ui_(std::make_unique<Ui::GroupPermissionsPage>()),
      matrix_(GetConfigPageIds().activities, GetConfigPageIds().groups) {
  ui_->setupUi(this);
}

CGroupPermissionsPage::~CGroupPermissionsPage() = default;

CXListCtrl* CGroupPermissionsPage::Grid() const { return ui_->ctl1025; }

void CGroupPermissionsPage::FillControls() {
  CXListCtrl* grid = ui_->ctl1025;
  grid->SetFullRowSelect(true);
  grid->SetShowSelectionAlways(true);
  grid->header()->setSectionsClickable(false);
  grid->InsertColumn(0, "Activity", Qt::AlignLeft);
  for (int g = 0; g < matrix_.group_count(); ++g) {
    grid->InsertColumn(g + 1, QString::fromStdString(matrix_.group_name(g)), Qt::AlignLeft);
  }
  grid->SetHeaderFont(100);
  for (int a = 0; a < matrix_.activity_count(); ++a) {
    grid->InsertItem(a, QString::fromStdString(matrix_.activity_name(a)));
  }
  ApplyColumnWidths();
  grid->viewport()->installEventFilter(this);
}

void CGroupPermissionsPage::ApplyColumnWidths() {
  CXListCtrl* grid = ui_->ctl1025;
  const ColumnWidths widths =
      PermissionColumnWidths(grid->viewport()->width(), matrix_.group_count());
  grid->setColumnWidth(0, widths.first);
  for (int g = 0; g < matrix_.group_count(); ++g) grid->setColumnWidth(g + 1, widths.check);
}

bool CGroupPermissionsPage::eventFilter(QObject* watched, QEvent* event) {
  // The columns share the list's client width, also when the dialog is
  // resized or scaled (the viewport has its new size by then).
  if (watched == ui_->ctl1025->viewport() && event->type() == QEvent::Resize) ApplyColumnWidths();
  return CConfigPage::eventFilter(watched, event);
}

void CGroupPermissionsPage::Load(CSystemConfiguration& config) {
  matrix_.Read(config);
  ShowMatrix();
}

void CGroupPermissionsPage::ShowMatrix() {
  CXListCtrl* grid = ui_->ctl1025;
  grid->setUpdatesEnabled(false);
  for (int a = 0; a < matrix_.activity_count(); ++a) {
    for (int g = 0; g < matrix_.group_count(); ++g) {
      grid->SetCheckbox(a, g + 1, matrix_.GetGrantAt(a, g) ? 1 : 0);
    }
  }
  grid->setUpdatesEnabled(true);
}

void CGroupPermissionsPage::CollectGrid() {
  CXListCtrl* grid = ui_->ctl1025;
  for (int a = 0; a < matrix_.activity_count(); ++a) {
    for (int g = 0; g < matrix_.group_count(); ++g) {
      matrix_.SetGrantAt(a, g, grid->GetCheckbox(a, g + 1) == 1);
    }
  }
}

int CGroupPermissionsPage::Save(CSystemConfiguration& config) {
  CollectGrid();
  return matrix_.Write(config);
}

}  // namespace tav
