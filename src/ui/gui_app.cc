#include "ui/gui_app.h"

#include <errno.h>

#include <QApplication>
#include <QThread>
#include <QWidget>

#include <cstdlib>

namespace tav {

namespace {

// QApplication keeps references to argc and argv: they must outlive it.
int g_argc = 1;
char g_program_name[256];
char* g_argv[] = {g_program_name, nullptr};

QApplication* g_owned_app = nullptr;

bool EnvSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

}  // namespace

bool GuiPlatformAvailable() {
  return EnvSet("QT_QPA_PLATFORM") || EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

bool CanShowWidgets() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && QThread::currentThread() == app->thread();
}

bool EnsureGuiApplication() {
  if (QCoreApplication::instance() == nullptr && GuiPlatformAvailable()) {
    // Name the application after the host program, so that boxes captioned
    // with the application's name name the host, as users expect.
    const char* name = program_invocation_short_name;
    std::snprintf(g_program_name, sizeof g_program_name, "%s",
                  name != nullptr && name[0] != '\0' ? name : "TAVSecurityUI");
    g_argc = 1;
    g_owned_app = new QApplication(g_argc, g_argv);
  }
  return CanShowWidgets();
}

bool OwnsGuiApplication() { return g_owned_app != nullptr; }

void ReleaseOwnedGuiApplication() {
  delete g_owned_app;
  g_owned_app = nullptr;
}

QWidget* WidgetFromHwnd(void* hwnd) {
  if (hwnd == nullptr || !CanShowWidgets()) return nullptr;
  // A host may pass anything; only an address that is one of our live
  // widgets is ever used as a widget.
  for (QWidget* widget : QApplication::allWidgets()) {
    if (static_cast<void*>(widget) == hwnd) return widget;
  }
  return nullptr;
}

}  // namespace tav
