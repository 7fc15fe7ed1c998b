// SystemAuditDialog: the "System Audit" viewer (dlg1012). Two tabs in the
// tab control ctl1039: "Event Log" (EventLogPage) and "Configuration Audit
// Trail" (ConfigTrailPanel, shown only to a user allowed activity 13; a
// refused tab leaves the viewer on "Event Log"). "Close" (ctl2) or the
// window's close box ends it; Escape does not. The OK button (ctl1) is
// hidden and disabled, and no button is the default: Enter presses the
// button that has the focus.
//
// Threads: the GUI thread. Ownership: an ordinary QDialog; it owns its
// pages.
#ifndef TAV_AUDIT_SYSTEM_AUDIT_DIALOG_H_
#define TAV_AUDIT_SYSTEM_AUDIT_DIALOG_H_

#include <QDialog>
#include <memory>

#include "controls/tab_page_host.h"
#include "util/shown_text.h"

namespace Ui {
class SystemAuditDialog;
}

namespace tav {

class ConfigTrailPanel;
class EventLogPage;

inline constexpr char kSystemAuditTitle[] = TAV_TR_NOOP("tav::SystemAudit", "System Audit");
inline constexpr char kEventLogTabText[] = TAV_TR_NOOP("tav::SystemAudit", "Event Log");
inline constexpr char kConfigTrailTabText[] =
    TAV_TR_NOOP("tav::SystemAudit", "Configuration Audit Trail");

inline constexpr int kEventLogTab = 0;
inline constexpr int kConfigTrailTab = 1;

class SystemAuditDialog : public QDialog, public CTabPageHost {
  Q_OBJECT

 public:
  // `initial_tab` other than 0 or 1 opens on 0.
  SystemAuditDialog(QWidget* parent, int initial_tab);
  ~SystemAuditDialog() override;

  EventLogPage* EventLog() const { return event_log_; }
  ConfigTrailPanel* ConfigTrail() const { return config_trail_; }

 protected:
  ITabPage* GetPage(int index) override;
  int GetCurSel() const override;
  void SetCurSel(int index) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  std::unique_ptr<Ui::SystemAuditDialog> ui_;
  EventLogPage* event_log_;          // owned by the tab control
  ConfigTrailPanel* config_trail_;   // owned by the tab control
};

// Runs the viewer modally over `parent` (may be null), opening on
// `initial_tab`.
void RunSystemAudit(QWidget* parent, int initial_tab);

}  // namespace tav

#endif  // TAV_AUDIT_SYSTEM_AUDIT_DIALOG_H_
