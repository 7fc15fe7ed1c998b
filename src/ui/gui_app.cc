#include "ui/gui_app.h"

#include <errno.h>

#include <QApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QThread>
#include <QWidget>
#include <cstdlib>
#include <cstring>

#include "ui/platform_probe.h"
#include "ui/translations.h"

namespace tav {

namespace {

// QApplication keeps references to argc and argv: they must outlive it.
int g_argc = 3;
char g_program_name[256];
char g_platform_option[] = "-platform";
char g_platform_name[256];
char* g_argv[] = {g_program_name, g_platform_option, g_platform_name, nullptr};

QApplication* g_owned_app = nullptr;

// The folders Qt loads platform plugins from.
QStringList PlatformPluginFolders() {
  QStringList folders;
  const QString own = qEnvironmentVariable("QT_QPA_PLATFORM_PLUGIN_PATH");
  if (!own.isEmpty()) folders << own;
  for (const QString& path : qEnvironmentVariable("QT_PLUGIN_PATH").split(':', Qt::SkipEmptyParts)) {
    folders << path + "/platforms";
  }
  folders << QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms";
  return folders;
}

bool HasPlatformPlugin(const std::string& name) {
  // The Wayland plugins come in several builds (generic, EGL): any will do.
  const QString pattern = name == "wayland" ? QStringLiteral("libqwayland*.so")
                                            : "libq" + QString::fromStdString(name) + ".so";
  for (const QString& folder : PlatformPluginFolders()) {
    if (!QDir(folder).entryList({pattern}, QDir::Files).isEmpty()) return true;
  }
  return false;
}

}  // namespace

const std::string& GuiPlatform() {
  // Probed again only when the environment that decides it changes: a probe
  // of an X server may take a round trip.
  static std::string probed_for = "\x01";
  static std::string platform;
  std::string key;
  for (const char* name :
       {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY", "XDG_RUNTIME_DIR", "XDG_SESSION_TYPE"}) {
    const char* value = std::getenv(name);
    key += value != nullptr ? value : "";
    key += '\n';
  }
  if (key != probed_for) {
    platform = ChooseGuiPlatform(SystemPlatformEnvironment(HasPlatformPlugin));
    probed_for = key;
  }
  return platform;
}

bool CanShowWidgets() {
  auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
  return app != nullptr && QThread::currentThread() == app->thread();
}

bool EnsureGuiApplication() {
  if (QCoreApplication::instance() == nullptr && !GuiPlatform().empty() &&
      GuiPlatform().size() < sizeof g_platform_name) {
    // Name the application after the host program, so that boxes captioned
    // with the application's name name the host, as users expect.
    const char* name = program_invocation_short_name;
    std::snprintf(g_program_name, sizeof g_program_name, "%s",
                  name != nullptr && name[0] != '\0' ? name : "TAVSecurityUI");
    std::memcpy(g_platform_name, GuiPlatform().c_str(), GuiPlatform().size() + 1);
    g_argc = 3;
    g_owned_app = new QApplication(g_argc, g_argv);
  }
  // Qt holds its own connection now (or none is needed).
  ReleaseProbeConnection();
  if (!CanShowWidgets()) return false;
  // The host's application or ours: the dialogs speak the user's language.
  InstallTranslations();
  return true;
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
