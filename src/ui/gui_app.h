// The Qt application the library's widgets run in, and the host's windows
// as the C interface passes them (HWND).
//
// A Qt host creates its QApplication before it calls the library. For a host
// without one (a C program, a Qt Core service), EnsureGuiApplication creates
// one on the first call and ReleaseOwnedApplication destroys it when the
// library unloads with dlclose (at process exit it is left alone). Qt ends
// the process when its platform cannot start, so none is created unless a
// platform answers first (ui/platform_probe.h): without one the library
// behaves as on a machine without a display.
//
// Threads: widgets belong to the QApplication's thread. Every function here
// is called on the thread that calls the library; CanShowWidgets is false
// on any other thread.
#ifndef TAV_UI_GUI_APP_H_
#define TAV_UI_GUI_APP_H_

#include <string>

class QWidget;

namespace tav {

// The platform Qt can start on here, or an empty string; probed again when
// the environment variables that choose it change.
const std::string& GuiPlatform();

// Makes sure a QApplication exists: the host's, or one created here when
// there is no application object at all and a platform is available, and
// that the library's translations are installed in it (ui/translations.h).
// Returns CanShowWidgets().
bool EnsureGuiApplication();

// True when a QApplication exists and the calling thread is its thread.
bool CanShowWidgets();

// True when the QApplication was created by EnsureGuiApplication.
bool OwnsGuiApplication();

// Destroys the QApplication that EnsureGuiApplication created, if any. The
// host's own application is never touched.
void ReleaseOwnedGuiApplication();

// The widget behind an HWND: `hwnd` when it is a live widget of the
// application (compared by address, never dereferenced otherwise), else
// null. A child widget stands for its window, as a parent.
QWidget* WidgetFromHwnd(void* hwnd);

}  // namespace tav

#endif  // TAV_UI_GUI_APP_H_
