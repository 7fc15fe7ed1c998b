#include "audit/config_trail_panel.h"

#include <QItemSelectionModel>

#include <string>

#include "audit/audit_filter_bar.h"
#include "audit/audit_list_ctrl.h"
#include "audit/event_report.h"
#include "audit/trail_rows.h"
#include "logon/access.h"
#include "logon/user_record.h"
#include "services/config/system_ids.h"
#include "ui_config_trail_panel.h"

namespace tav {

ConfigTrailPanel::ConfigTrailPanel(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ConfigTrailPanel>()) {
  ui_->setupUi(this);
  filter_bar_ = new AuditFilterBar(this);
  filter_bar_->SetReviewable(false);
  ui_->panelLayout->insertWidget(0, filter_bar_);
  connect(filter_bar_, &AuditFilterBar::savePdfRequested, this,
          [this] { ui_->lstConfigTrail->SaveReportAsk(Report()); });
  connect(filter_bar_, &AuditFilterBar::printRequested, this,
          [this] { ui_->lstConfigTrail->PrintReportAsk(Report()); });
  CAuditListCtrl* list = ui_->lstConfigTrail;
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->SetSignedLog(ExportedLog::kConfigTrail);
  for (int column = 0; column < static_cast<int>(kTrailColumnHeadings.size()); ++column) {
    list->InsertColumn(column, kTrailColumnHeadings[column], Qt::AlignLeft, -1, "tav::SystemAudit");
  }
  ui_->splitter->setStretchFactor(0, 3);
  ui_->splitter->setStretchFactor(1, 2);
  connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
          &ConfigTrailPanel::ShowSelectedChange);
  connect(list->GetModel(), &QAbstractItemModel::layoutChanged, this,
          &ConfigTrailPanel::ShowSelectedChange);
}

ConfigTrailPanel::~ConfigTrailPanel() = default;

CAuditListCtrl* ConfigTrailPanel::List() const { return ui_->lstConfigTrail; }

QString ConfigTrailPanel::DetailText() const { return ui_->txtChangeDetail->toPlainText(); }

bool ConfigTrailPanel::CanActivate() {
  return IsActivityAllowedWithMessage(TheLogonState(), kActivityViewAuditTrails) != 0;
}

void ConfigTrailPanel::Activate() {
  if (!loaded_) Load();
}

void ConfigTrailPanel::Load() {
  loaded_ = true;
  CAuditListCtrl* list = ui_->lstConfigTrail;
  if (!DescribeConfigTrail(theSystemConfig, &changes_)) {
    changes_.clear();
    ui_->txtChangeDetail->setPlainText(
        tr("The configuration audit trail could not be read: %1")
            .arg(QString::fromStdString(theSystemConfig.LastErrorMessage())));
    return;
  }
  // Newest first, also among changes of the same second (the sort is
  // stable).
  for (size_t i = changes_.size(); i-- > 0;) {
    const std::array<std::string, 4> cells = TrailRowTexts(changes_[i], TrailWording::kShown);
    const std::string_view texts[] = {cells[0], cells[1], cells[2], cells[3]};
    const int row = list->AddItem(list->GetItemCount(), texts);
    list->SetItemData(row, i);
  }
  for (int column = 0; column < list->GetColumnCount(); ++column) {
    list->resizeColumnToContents(column);
  }
  list->Sort(kTrailDateColumn, /*ascending=*/false);
  list->SelectItem(0);
  std::vector<AuditRowFacts> facts;
  facts.reserve(changes_.size());
  for (const ConfigTrailEvent& change : changes_) facts.push_back(AuditRowFacts{change.date, false});
  filter_bar_->Attach(list,
                      AuditColumns{kTrailDateColumn, kTrailUserColumn, kTrailWhatColumn,
                                   /*kind_in_entries=*/true},
                      AuditFilterBar::Noun::kChanges, std::move(facts), TrailEntryKinds());
  ShowSelectedChange();
}

AuditReport ConfigTrailPanel::Report() const {
  CAuditListCtrl* list = ui_->lstConfigTrail;
  ReportContext context = ViewerReportContext();
  context.filter = filter_bar_->Filter().Describe();
  std::vector<DATE> dates;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    const uintptr_t at = list->GetItemData(row);
    if (at < changes_.size()) dates.push_back(changes_[at].date);
  }
  context.time_range = TimeRangeText(dates);
  context.integrity = theSystemConfig.VerifySettings() == 0
                          ? std::string("the settings match their seal")
                          : "the settings do not match their seal: " +
                                CSystemConfiguration::LastErrorMessage();
  AuditReport report;
  report.title = kTrailReportTitle;
  report.header = ReportHeaderLines(context);
  report.table = list->View();
  report.detail = [this, list](size_t row) {
    const uintptr_t at = list->GetItemData(static_cast<int>(row));
    return at < changes_.size() ? TrailEntriesText(changes_[at], TrailWording::kShown)
                                : std::string();
  };
  report.column_weights = TrailColumnWeights();
  return report;
}

void ConfigTrailPanel::ShowSelectedChange() {
  CAuditListCtrl* list = ui_->lstConfigTrail;
  const QModelIndex current = list->currentIndex();
  if (!current.isValid() || changes_.empty()) {
    // No change, or the filter hid the one shown.
    if (loaded_) ui_->txtChangeDetail->clear();
    return;
  }
  const uintptr_t index = list->GetItemData(current.row());
  if (index >= changes_.size()) return;
  ui_->txtChangeDetail->setPlainText(QString::fromStdString(TrailChangeDetail(changes_[index], TrailWording::kShown)));
}

}  // namespace tav
