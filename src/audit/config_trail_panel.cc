#include "audit/config_trail_panel.h"

#include <QItemSelectionModel>

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "audit/audit_filter_bar.h"
#include "audit/audit_list_ctrl.h"
#include "audit/event_report.h"
#include "audit/review_flow.h"
#include "audit/trail_rows.h"
#include "logon/access.h"
#include "logon/user_record.h"
#include "services/config/system_ids.h"
#include "ui/message_prompter.h"
#include "ui_config_trail_panel.h"

namespace tav {

ConfigTrailPanel::ConfigTrailPanel(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::ConfigTrailPanel>()) {
  ui_->setupUi(this);
  filter_bar_ = new AuditFilterBar(this);
  ui_->panelLayout->insertWidget(0, filter_bar_);
  connect(filter_bar_, &AuditFilterBar::markReviewedRequested, this,
          &ConfigTrailPanel::MarkReviewed);
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
  filter_bar_->Attach(list,
                      AuditColumns{kTrailDateColumn, kTrailUserColumn, kTrailWhatColumn,
                                   /*kind_in_entries=*/true},
                      AuditFilterBar::Noun::kChanges, Facts(), TrailEntryKinds());
  ShowSelectedChange();
}

void ConfigTrailPanel::SetReviews(std::vector<RecordedReview> reviews) {
  reviews_ = std::move(reviews);
  if (loaded_) filter_bar_->SetFacts(Facts());
}

std::vector<AuditRowFacts> ConfigTrailPanel::Facts() const {
  const ReviewIndex reviewed(reviews_, ReviewedLog::kConfigTrail);
  std::vector<AuditRowFacts> facts;
  facts.reserve(changes_.size());
  for (const ConfigTrailEvent& change : changes_) {
    facts.push_back(AuditRowFacts{change.date, reviewed.Covers(change.number)});
  }
  return facts;
}

bool ConfigTrailPanel::ShownRange(uint64_t* first, uint64_t* last) const {
  const CAuditListCtrl* list = ui_->lstConfigTrail;
  *first = UINT64_MAX;
  *last = 0;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    const uintptr_t at = list->GetItemData(row);
    if (at >= changes_.size()) continue;
    *first = std::min(*first, changes_[at].number);
    *last = std::max(*last, changes_[at].number);
  }
  return *last != 0;
}

void ConfigTrailPanel::MarkReviewed() {
  AuditReview review;
  review.log = ReviewedLog::kConfigTrail;
  if (!ShownRange(&review.first, &review.last)) {
    StealthMessageBox(IDOK, window(),
                      tr("The list shows no changes to review.").toStdString().c_str(),
                      tr("Mark Reviewed").toStdString().c_str(), MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::optional<RecordedReview> recorded = SignReviewWithDialog(window(), std::move(review));
  if (!recorded) return;
  const std::string text = tr("Review recorded: %1 (%2 changes).")
                               .arg(QString::fromStdString(ReviewRangeText(recorded->review)))
                               .arg(recorded->review.count)
                               .toStdString();
  reviews_.push_back(std::move(*recorded));
  filter_bar_->SetFacts(Facts());
  StealthMessageBox(IDOK, window(), text.c_str(), tr("Mark Reviewed").toStdString().c_str(),
                    MB_OK | MB_ICONINFORMATION);
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
  uint64_t first = 0;
  uint64_t last = 0;
  if (ShownRange(&first, &last)) {
    report.reviews = ReviewLinesMeeting(reviews_, ReviewedLog::kConfigTrail, first, last);
  }
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
