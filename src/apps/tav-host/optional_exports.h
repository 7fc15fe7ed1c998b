// The library's exports that later versions of the library add: looked up
// at run time, so that this program offers what the installed library
// has and builds against one that has less.
//
// Threads: any; the lookup runs once.
#ifndef TAV_APPS_TAV_HOST_OPTIONAL_EXPORTS_H_
#define TAV_APPS_TAV_HOST_OPTIONAL_EXPORTS_H_

#include "TAVSecurityUI.h"

namespace tav::host {

struct OptionalExports {
  decltype(&TAVSecurityUI_ResetESignatureGroups) reset_esig_groups = nullptr;
  decltype(&TAVSecurityUI_AddESignatureGroup) add_esig_group = nullptr;
  decltype(&TAVSecurityUI_ResetESignatureReasons) reset_esig_reasons = nullptr;
  decltype(&TAVSecurityUI_InitESignatureReasons) init_esig_reasons = nullptr;
  decltype(&TAVSecurityUI_AddESignatureReason) add_esig_reason = nullptr;
  decltype(&TAVSecurityUI_SetESignatureRootPath) set_esig_root_path = nullptr;
  decltype(&TAVSecurityUI_BeginESignature) begin_esignature = nullptr;
  decltype(&TAVSecurityUI_EndESignature) end_esignature = nullptr;
  decltype(&TAVSecurityUI_DoSysEventViewer) sys_event_viewer = nullptr;
  decltype(&TAVSecurityUI_DoSysAuditTrail) sys_audit_trail = nullptr;
  decltype(&TAVSecurityUI_DoRunListManager) run_list_manager = nullptr;
  decltype(&TAVSecurityUI_GetRunListFileMessage) run_list_file_message = nullptr;
  decltype(&TAVSecurityUI_showModal21CFR11Dialog) configuration_dialog = nullptr;
};

// The exports the loaded library has; missing ones are null.
const OptionalExports& Optional();

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_OPTIONAL_EXPORTS_H_
