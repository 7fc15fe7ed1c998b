#include "res/resources.h"

#include <QtCore/qglobal.h>

// Q_INIT_RESOURCE must be used outside any namespace.
static void InitTavResources() { Q_INIT_RESOURCE(tavsecurityui); }
static void CleanupTavResources() { Q_CLEANUP_RESOURCE(tavsecurityui); }

namespace tav {

namespace {
bool g_registered = false;
}  // namespace

void RegisterResources() {
  if (g_registered) return;
  InitTavResources();
  g_registered = true;
}

void UnregisterResources() {
  if (!g_registered) return;
  CleanupTavResources();
  g_registered = false;
}

}  // namespace tav
