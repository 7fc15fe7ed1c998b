// ConfigTrailPanel: the configuration audit trail tab of the System Audit
// viewer. A sortable list with one row per change of the compliance
// settings ("Date & Time", "User Login", "What Changed", "Reason for
// Change"; newest first) above the full description of the selected change:
// every entry with its old and new values. The filter bar above the list
// narrows it (audit/audit_filter_bar.h).
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

#include <memory>
#include <vector>

#include "audit/audit_report.h"
#include "controls/tab_page_host.h"
#include "services/config/config_trail.h"

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
  bool IsLoaded() const { return loaded_; }

  // ITabPage.
  bool CanActivate() override;
  bool CanDeactivate() override { return true; }
  void Activate() override;
  void Deactivate() override {}

 private:
  void Load();
  void ShowSelectedChange();

  std::unique_ptr<Ui::ConfigTrailPanel> ui_;
  AuditFilterBar* filter_bar_;  // a child
  std::vector<ConfigTrailEvent> changes_;
  bool loaded_ = false;
};

}  // namespace tav

#endif  // TAV_AUDIT_CONFIG_TRAIL_PANEL_H_
