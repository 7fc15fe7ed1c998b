// ConfigTrailPanel: the configuration audit trail tab of the System Audit
// viewer. A sortable list with one row per change of the compliance
// settings ("Date & Time", "User Login", "What Changed", "Reason for
// Change"; newest first) above the full description of the selected change:
// every entry with its old and new values. The filter bar above the list
// narrows it (audit/audit_filter_bar.h); "Mark Reviewed..." signs the review
// of the changes shown, as on the event log page.
//
// Only a user allowed to view audit trails (controlled activity 13) may
// open the tab: CanActivate asks, showing the refusal otherwise. The trail is
// read when the tab is first shown, so a refused user's viewer never reads
// it.
//
// Threads: the GUI thread. Ownership: a Qt widget.
#ifndef TAV_AUDIT_CONFIG_TRAIL_PANEL_H_
#define TAV_AUDIT_CONFIG_TRAIL_PANEL_H_

#include <QWidget>

#include <cstdint>
#include <memory>
#include <vector>

#include "audit/audit_filter.h"
#include "audit/audit_report.h"
#include "controls/tab_page_host.h"
#include "services/config/config_trail.h"
#include "services/filelib/audit_review.h"

namespace Ui {
class ConfigTrailPanel;
}

namespace tav {

class AuditFilterBar;
class CAuditListCtrl;

class ConfigTrailPanel : public QWidget, public ITabPage {
  Q_OBJECT

 public:
  explicit ConfigTrailPanel(QWidget* parent = nullptr);
  ~ConfigTrailPanel() override;

  CAuditListCtrl* List() const;
  AuditFilterBar* FilterBar() const { return filter_bar_; }
  // The report of what the list shows now, each change's entries under it.
  AuditReport Report() const;
  // The description pane's text.
  QString DetailText() const;
  // The reviews recorded in the system event log, which the viewer read
  // with it; those of the trail decide "Only unreviewed" and go on reports.
  void SetReviews(std::vector<RecordedReview> reviews);
  // "Mark Reviewed...": signs the review of the changes from the first to
  // the last the list shows (audit/review_flow.h).
  void MarkReviewed();
  bool IsLoaded() const { return loaded_; }

  // ITabPage.
  bool CanActivate() override;
  bool CanDeactivate() override { return true; }
  void Activate() override;
  void Deactivate() override {}

 private:
  void Load();
  void ShowSelectedChange();
  // Per change (by item data): its date and whether a review covers it.
  std::vector<AuditRowFacts> Facts() const;
  // The lowest and highest number of the changes the list shows; false
  // when it shows none.
  bool ShownRange(uint64_t* first, uint64_t* last) const;

  std::unique_ptr<Ui::ConfigTrailPanel> ui_;
  AuditFilterBar* filter_bar_;  // a child
  std::vector<ConfigTrailEvent> changes_;
  std::vector<RecordedReview> reviews_;
  bool loaded_ = false;
};

}  // namespace tav

#endif  // TAV_AUDIT_CONFIG_TRAIL_PANEL_H_
