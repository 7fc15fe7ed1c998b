// The exported functions of run list management: the Run List Manager and
// the host messages' helpers.
//
// They run in the export barrier (interface/export_barrier.h); the dialog
// enters the module first (interface/module.h).
#include <QEvent>

#include "TAVSecurityUI.h"
#include "interface/export_barrier.h"
#include "interface/module.h"
#include "runlist/host_messages.h"
#include "runlist/run_list_manager_dlg.h"
#include "ui/gui_app.h"

extern "C" {

int32_t TAVSecurityUI_DoRunListManager(HWND parent) {
  return tav::ExportBarrier<int32_t>(0, [parent] {
    if (!tav::EnterModule()) return 0;
    tav::ShowRunListManager(tav::WidgetFromHwnd(parent));
    return 0;
  });
}

TAVRunListFileMessage* TAVSecurityUI_GetRunListFileMessage(void* event) {
  return tav::ExportBarrier<TAVRunListFileMessage*>(nullptr, [event] {
    return tav::RunListFileEvent::MessageOf(static_cast<QEvent*>(event));
  });
}

void TAVSecurityUI_SetRunListHostCallback(TAVRunListHostCallback callback, void* context) {
  tav::ExportBarrier<int>(0, [callback, context] {
    tav::SetRunListHostCallback(callback, context);
    return 0;
  });
}

}  // extern "C"
