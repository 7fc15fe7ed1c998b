#include "audit/event_log_page.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QTimer>

#include <ctime>

#include <algorithm>
#include <array>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "audit/audit_filter_bar.h"
#include "audit/audit_list_ctrl.h"
#include "audit/event_report.h"
#include "audit/event_rows.h"
#include "audit/review_flow.h"
#include "ui/message_prompter.h"
#include "util/ole_date.h"
#include "audit/listing.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/log_writers.h"
#include "services/filelib/system_event_manager.h"
#include "ui_event_log_page.h"

namespace tav {
namespace {

constexpr int kChainCheckFallbackMs = 500;

}  // namespace

EventLogPage::EventLogPage(QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::EventLogPage>()) {
  ui_->setupUi(this);
  filter_bar_ = new AuditFilterBar(this);
  ui_->pageLayout->insertWidget(0, filter_bar_);
  connect(filter_bar_, &AuditFilterBar::savePdfRequested, this,
          [this] { ui_->ctl1037->SaveReportAsk(Report()); });
  connect(filter_bar_, &AuditFilterBar::printRequested, this,
          [this] { ui_->ctl1037->PrintReportAsk(Report()); });
  connect(filter_bar_, &AuditFilterBar::markReviewedRequested, this,
          &EventLogPage::MarkReviewed);
  CAuditListCtrl* list = ui_->ctl1037;
  list->SetFullRowSelect(true);
  list->SetSignedLog(ExportedLog::kSystemEvents);
  for (int column = 0; column < static_cast<int>(kEventColumnHeadings.size()); ++column) {
    list->InsertColumn(column, kEventColumnHeadings[column], Qt::AlignLeft, -1, "tav::SystemAudit");
  }
  Fill();
  ui_->chainStatus->setText(QCoreApplication::translate("tav::SystemAudit", kChainCheckingText));
}

EventLogPage::~EventLogPage() = default;

CAuditListCtrl* EventLogPage::List() const { return ui_->ctl1037; }

void EventLogPage::Fill() {
  CAuditListCtrl* list = ui_->ctl1037;
  events_ = std::make_unique<CSystemEventManager>();
  // Null: the log cannot be read (the cause went to the log output); the
  // list stays empty and the chain line says why.
  const CAuditCollectionComp* collection = events_->LoadEventList();
  if (collection != nullptr) {
    // On the lab store each event names the workstation that stored it, in
    // a column of its own after the others; a store that keeps no writers
    // (or cannot tell them now) shows the three columns alone.
    std::vector<WriterRun> writers;
    if (!LoadLogWriters(ChainedLog::kSystemEvents, &writers).ok()) writers.clear();
    reviews_ = FindReviews(*collection);
    if (!writers.empty())
      list->InsertColumn(list->GetColumnCount(), kWorkstationHeading, Qt::AlignLeft, -1,
                         "tav::SystemAudit");
    // Newest first: the sort below is stable, so events of the same second
    // keep this order, the one logged last on top. A row's item data is its
    // place in rows_, which the filter bar's facts follow.
    uint64_t seq = collection->GetSequenceNumber() + collection->GetChildCount();
    std::vector<const CAuditEventComp*> events;
    events.reserve(collection->GetChildCount());
    POSITION pos = collection->GetLastChildPosition();
    while (pos != nullptr) {
      const auto* event = dynamic_cast<const CAuditEventComp*>(collection->GetPrevChild(pos));
      --seq;
      if (event == nullptr) continue;
      events.push_back(event);
      rows_.push_back(Row{seq, event->GetEvent().GetDate()});
    }
    EventRowBuilder builder;
    const bool with_writers = !writers.empty();
    list->AddItems(
        events.size(),
        [&](size_t i, std::span<std::string_view> cells) {
          const std::array<std::string_view, 3> texts = builder.Cells(*events[i]);
          std::copy(texts.begin(), texts.end(), cells.begin());
          if (with_writers) cells[3] = WriterOf(writers, rows_[i].seq);
        },
        [](size_t i) { return static_cast<uintptr_t>(i); });
  }
  FitColumns();
  list->Sort(kEventDateColumn, /*ascending=*/false);
  list->SelectItem(0);
  filter_bar_->Attach(list, AuditColumns{kEventDateColumn, kEventUserColumn, kEventNameColumn},
                      AuditFilterBar::Noun::kEvents, Facts());
}

std::vector<AuditRowFacts> EventLogPage::Facts() const {
  const ReviewIndex reviewed(reviews_, ReviewedLog::kSystemEvents);
  std::vector<AuditRowFacts> facts;
  facts.reserve(rows_.size());
  for (const Row& row : rows_) facts.push_back(AuditRowFacts{row.date, reviewed.Covers(row.seq)});
  return facts;
}

bool EventLogPage::ShownRange(uint64_t* first, uint64_t* last) const {
  const CAuditListCtrl* list = ui_->ctl1037;
  *first = UINT64_MAX;
  *last = 0;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    const uintptr_t at = list->GetItemData(row);
    if (at >= rows_.size()) continue;
    *first = std::min(*first, rows_[at].seq);
    *last = std::max(*last, rows_[at].seq);
  }
  return *last != 0;
}

void EventLogPage::MarkReviewed() {
  AuditReview review;
  review.log = ReviewedLog::kSystemEvents;
  if (!ShownRange(&review.first, &review.last)) {
    StealthMessageBox(IDOK, window(), tr("The list shows no events to review.").toStdString().c_str(),
                      tr("Mark Reviewed").toStdString().c_str(), MB_OK | MB_ICONINFORMATION);
    return;
  }
  std::optional<RecordedReview> recorded = SignReviewWithDialog(window(), std::move(review));
  if (!recorded) return;
  const QString range = QString::fromStdString(ReviewRangeText(recorded->review));
  const uint64_t count = recorded->review.count;
  reviews_.push_back(std::move(*recorded));
  filter_bar_->SetFacts(Facts());
  ui_->chainStatus->setText(ui_->chainStatus->text() + QLatin1Char('\n') +
                            tr("Review recorded: %1 (%2 events).").arg(range).arg(count));
}

AuditReport EventLogPage::Report() {
  CAuditListCtrl* list = ui_->ctl1037;
  ShowChainState();  // the chain as it is at printing
  ReportContext context = ViewerReportContext();
  context.filter = filter_bar_->Filter().Describe();
  std::vector<DATE> dates;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    const uintptr_t at = list->GetItemData(row);
    if (at < rows_.size()) dates.push_back(rows_[at].date);
  }
  context.time_range = TimeRangeText(dates);
  context.integrity = ui_->chainStatus->text().toStdString();
  AuditReport report;
  report.title = kEventReportTitle;
  report.header = ReportHeaderLines(context);
  report.table = list->View();
  report.column_weights = EventColumnWeights(static_cast<size_t>(list->GetColumnCount()));
  uint64_t first = 0;
  uint64_t last = 0;
  if (ShownRange(&first, &last)) {
    report.reviews = ReviewLinesMeeting(reviews_, ReviewedLog::kSystemEvents, first, last);
  }
  return report;
}

void EventLogPage::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (chain_check_posted_) return;
  chain_check_posted_ = true;
  // Once the list has painted the user reads it while the chain is checked;
  // a window that never paints (covered, minimised) is checked a little
  // later all the same.
  ui_->ctl1037->viewport()->installEventFilter(this);
  QTimer::singleShot(kChainCheckFallbackMs, this, &EventLogPage::ShowChainState);
}

bool EventLogPage::eventFilter(QObject* watched, QEvent* event) {
  if (watched == ui_->ctl1037->viewport() && event->type() == QEvent::Paint) {
    watched->removeEventFilter(this);
    QTimer::singleShot(0, this, &EventLogPage::ShowChainState);
  }
  return QWidget::eventFilter(watched, event);
}

void EventLogPage::ShowChainState() {
  if (chain_checked_) return;
  ChainReport report;
  std::string error;
  const std::string text = events_->VerifyEventLog(&report, &error) == kFileLibOk
                               ? ChainSummaryText(report)
                               : ChainUncheckedText(error);
  ui_->chainStatus->setText(QString::fromStdString(text));
  chain_checked_ = true;
}

void EventLogPage::FitColumns() {
  CAuditListCtrl* list = ui_->ctl1037;
  for (int column = 0; column < list->GetColumnCount(); ++column) {
    list->resizeColumnToContents(column);
  }
}

void EventLogPage::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The last column takes what its contents and heading need, the rest of
  // the width being left to the header's stretch.
  ui_->ctl1037->resizeColumnToContents(kEventNameColumn);
}

}  // namespace tav
