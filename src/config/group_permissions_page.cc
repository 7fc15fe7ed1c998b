#include "config/group_permissions_page.h"

#include <QEvent>
#include <QHeaderView>
#include <algorithm>

#include "config/page_rules.h"
#include "controls/report_list_ctrl.h"
#include "services/config/system_configuration.h"
#include "ui/config_page_ids.h"
#include "ui_group_permissions_page.h"
#include "util/shown_text.h"

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
  grid->InsertColumn(0, tr("Activity"), Qt::AlignLeft);
  for (int g = 0; g < matrix_.group_count(); ++g) {
    grid->InsertColumn(g + 1, QString::fromStdString(matrix_.group_name(g)), Qt::AlignLeft);
  }
  grid->SetHeaderFont(100);
  // The group columns are headed by account group names: data that is
  // never translated (tav-host --check-texts reads this).
  QVariantList group_sections;
  for (int g = 0; g < matrix_.group_count(); ++g) group_sections << g + 1;
  grid->header()->setProperty("tavDataSections", group_sections);
  for (int a = 0; a < matrix_.activity_count(); ++a) {
    grid->InsertItem(
        a, QString::fromStdString(TranslateText("tav::Names", matrix_.activity_name(a).c_str())));
  }
  grid->KeepColumnsInView();
  ApplyColumnWidths();
  grid->viewport()->installEventFilter(this);
}

void CGroupPermissionsPage::ApplyColumnWidths() {
  CXListCtrl* grid = ui_->ctl1025;
  const int client = grid->viewport()->width();
  const int groups = matrix_.group_count();
  ColumnWidths widths = PermissionColumnWidths(client, groups);
  // A longer language must not cut an activity or a group: a column grows
  // to its texts, the group columns share what is left, and the list
  // scrolls sideways when the texts need more than its width.
  if (const int first = grid->ColumnTextWidth(0); first > widths.first) {
    widths.first = first;
    widths.check = groups > 0 ? std::max(0, (client - first) / groups) : 0;
  }
  grid->setColumnWidth(0, widths.first);
  std::vector<int> needed;
  for (int g = 0; g < groups; ++g) needed.push_back(grid->ColumnTextWidth(g + 1));
  const std::vector<int> shared = ShareColumns(client - widths.first, widths.check, needed);
  for (int g = 0; g < groups; ++g) grid->setColumnWidth(g + 1, shared[static_cast<size_t>(g)]);
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
