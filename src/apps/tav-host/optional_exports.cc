#include "apps/tav-host/optional_exports.h"

#include <dlfcn.h>

namespace tav::host {

namespace {

template <typename F>
void Find(F* target, const char* name) {
  // The library is linked, so its exports are in the global scope.
  *target = reinterpret_cast<F>(dlsym(RTLD_DEFAULT, name));
}

}  // namespace

const OptionalExports& Optional() {
  static const OptionalExports exports = [] {
    OptionalExports e;
    Find(&e.reset_esig_groups, "TAVSecurityUI_ResetESignatureGroups");
    Find(&e.add_esig_group, "TAVSecurityUI_AddESignatureGroup");
    Find(&e.reset_esig_reasons, "TAVSecurityUI_ResetESignatureReasons");
    Find(&e.init_esig_reasons, "TAVSecurityUI_InitESignatureReasons");
    Find(&e.add_esig_reason, "TAVSecurityUI_AddESignatureReason");
    Find(&e.set_esig_root_path, "TAVSecurityUI_SetESignatureRootPath");
    Find(&e.begin_esignature, "TAVSecurityUI_BeginESignature");
    Find(&e.end_esignature, "TAVSecurityUI_EndESignature");
    Find(&e.sys_event_viewer, "TAVSecurityUI_DoSysEventViewer");
    Find(&e.sys_audit_trail, "TAVSecurityUI_DoSysAuditTrail");
    Find(&e.run_list_manager, "TAVSecurityUI_DoRunListManager");
    Find(&e.run_list_file_message, "TAVSecurityUI_GetRunListFileMessage");
    Find(&e.configuration_dialog, "TAVSecurityUI_showModal21CFR11Dialog");
    return e;
  }();
  return exports;
}

}  // namespace tav::host
