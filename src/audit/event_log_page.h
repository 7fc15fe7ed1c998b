// EventLogPage: the "Event Log" page of the System Audit viewer (dlg1011).
// It reads the system event log once, when it is created, into its sortable
// list ctl1037 (columns "Date & Time", "User Login", "Event"; newest first,
// the top row selected) and says under the list whether the log's hash chain
// holds. The chain is checked just after the list has first painted (a log
// of a million events takes most of a second more), the line saying
// "Checking the chain of the event log..." until then. The list is
// read-only and is not refreshed while the page lives. The filter bar above
// the list narrows it (audit/audit_filter_bar.h).
//
// Threads: the GUI thread. Ownership: a Qt widget; it owns its event
// manager, which keeps the loaded list until the page goes.
#ifndef TAV_AUDIT_EVENT_LOG_PAGE_H_
#define TAV_AUDIT_EVENT_LOG_PAGE_H_

#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "audit/audit_filter.h"
#include "audit/audit_report.h"
#include "services/filelib/audit_review.h"
#include "controls/tab_page_host.h"

namespace Ui {
class EventLogPage;
}

namespace tav {

class AuditFilterBar;
class CAuditListCtrl;
class CSystemEventManager;

class EventLogPage : public QWidget, public ITabPage {
  Q_OBJECT

 public:
  explicit EventLogPage(QWidget* parent = nullptr);
  ~EventLogPage() override;

  CAuditListCtrl* List() const;
  AuditFilterBar* FilterBar() const { return filter_bar_; }
  // The report of what the list shows now, in its order (the chain is
  // checked first if it was not yet).
  AuditReport Report();
  // "Mark Reviewed...": signs the review of the events from the first to
  // the last the list shows (esig/review_signature.h); the reviewed events
  // then count as reviewed for "Only unreviewed".
  void MarkReviewed();
  // The reviews recorded in the log as read, and those made here since.
  const std::vector<RecordedReview>& Reviews() const { return reviews_; }
  // Whether the chain line tells the result yet.
  bool ChainChecked() const { return chain_checked_; }

  // ITabPage: always willing; the tab widget shows and hides the page.
  bool CanActivate() override { return true; }
  bool CanDeactivate() override { return true; }
  void Activate() override {}
  void Deactivate() override {}

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Fill();
  // Checks the chain once and puts the result under the list.
  void ShowChainState();
  void FitColumns();
  // Per row (by item data): its date and whether a review covers it.
  std::vector<AuditRowFacts> Facts() const;
  // The lowest and highest number of the events the list shows; false
  // when it shows none.
  bool ShownRange(uint64_t* first, uint64_t* last) const;

  // What a row stands for, by its item data.
  struct Row {
    uint64_t seq;  // its number in the log
    double date;
  };

  std::unique_ptr<Ui::EventLogPage> ui_;
  AuditFilterBar* filter_bar_;  // a child
  std::vector<Row> rows_;
  std::vector<RecordedReview> reviews_;  // found in the log, and made here
  std::unique_ptr<CSystemEventManager> events_;
  bool chain_check_posted_ = false;
  bool chain_checked_ = false;
};

}  // namespace tav

#endif  // TAV_AUDIT_EVENT_LOG_PAGE_H_
