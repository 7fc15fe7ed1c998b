// The exported entry points of the System Audit viewer. Both run the viewer
// modally over the host's window and return 0 whatever happened; they
// differ only in the tab shown first.
//
// Each runs in the export barrier (interface/export_barrier.h).
#include "TAVSecurityUI.h"
#include "audit/system_audit_dialog.h"
#include "interface/export_barrier.h"
#include "interface/module.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

int32_t RunViewer(HWND parent, int initial_tab) {
  // Without a display there is nothing to show; the answer stays 0.
  if (EnterModule()) RunSystemAudit(WidgetFromHwnd(parent), initial_tab);
  return 0;
}

}  // namespace
}  // namespace tav

extern "C" {

int32_t TAVSecurityUI_DoSysEventViewer(HWND parent) {
  return tav::ExportBarrier<int32_t>(0, [&] { return tav::RunViewer(parent, tav::kEventLogTab); });
}

int32_t TAVSecurityUI_DoSysAuditTrail(HWND parent) {
  return tav::ExportBarrier<int32_t>(0,
                                     [&] { return tav::RunViewer(parent, tav::kConfigTrailTab); });
}

}  // extern "C"
