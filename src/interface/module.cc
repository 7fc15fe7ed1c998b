#include "interface/module.h"

#include <cstdlib>

#include "esig/esig_registry.h"
#include "logon/login_flow.h"
#include "res/resources.h"
#include "services/filelib/compliance_db.h"
#include "services/security/korwinsec.h"
#include "ui/config_page_ids.h"
#include "ui/gui_app.h"

namespace tav {

namespace {

// Set by an exit handler. Exit handlers run before the finalisers at
// process exit, but after them when the library is unloaded with dlclose,
// so the finaliser can tell the two apart.
bool g_exiting = false;

void MarkExiting() { g_exiting = true; }

__attribute__((constructor)) void LoadModule() {
  std::atexit(MarkExiting);
  BuildConfigPageIds();
  RegisterResources();
}

__attribute__((destructor)) void FinalizeModule() {
  if (!g_exiting) UnloadModule();
}

}  // namespace

bool EnterModule() {
  bool gui = EnsureGuiApplication();
  RegisterResources();
  return gui;
}

void UnloadModule() {
  Logout(TheLogonState(), LogonBackend::Default());
  ReleaseESigRegistry();
  ComplianceDb::ReleaseCache();
  ReleaseConfigPageIds();
  // The record format's tag registry is constant data: nothing to release.
  UnregisterResources();
  ReleaseOwnedGuiApplication();
  // Last: the per-thread storage of the security service would otherwise keep
  // the library from being unloaded.
  ReleaseSecurityThreadStates();
}

}  // namespace tav
