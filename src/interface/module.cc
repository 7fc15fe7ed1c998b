#include "util/library_lifetime.h"
#include "interface/module.h"

#include <atomic>
#include <cstdlib>

#include "client/security_proxy.h"
#include "client/service_client.h"
#include "client/store_routes.h"
#include "esig/esig_registry.h"
#include "logon/login_flow.h"
#include "res/resources.h"
#include "services/filelib/compliance_db.h"
#include "services/security/korwinsec.h"
#include "ui/config_page_ids.h"
#include "ui/gui_app.h"

namespace tav {

namespace {

// How the finaliser tells process exit from dlclose. exit() runs the exit
// handlers last registered first; the dynamic linker's own finaliser, which
// runs the finalisers of the libraries a program was started with, is
// registered just before main. A handler registered while such a library
// loads therefore runs after its finaliser, too late. So the handler is
// registered again on the first use of the library, from main's time: it
// then runs before any finaliser. dlclose runs the library's finaliser
// before the handlers the library registered, so there the flag is still
// false.
std::atomic<bool> g_exiting{false};
std::atomic<bool> g_watching{false};

void MarkExiting() { g_exiting.store(true, std::memory_order_relaxed); }

__attribute__((constructor)) void LoadModule() {
  // Enough for a library loaded with dlopen from main's time.
  std::atexit(MarkExiting);
  BuildConfigPageIds();
  RegisterResources();
  client::RouteStoreToService();
}

__attribute__((destructor)) void FinalizeModule() {
  if (!ProcessExiting()) UnloadModule();
}

}  // namespace

void WatchProcessExit() {
  if (g_watching.load(std::memory_order_relaxed)) return;
  if (!g_watching.exchange(true)) std::atexit(MarkExiting);
}

bool ProcessExiting() { return g_exiting.load(std::memory_order_relaxed); }

bool EnterModule() {
  WatchProcessExit();
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
  // The per-thread storage of the security service would otherwise keep
  // the library from being unloaded.
  ReleaseSecurityThreadStates();
  client::ReleaseClientThreadStates();
  DisconnectFromService();
  // Last: what lives as long as the library is loaded.
  ReleaseLibraryObjects();
}

}  // namespace tav
