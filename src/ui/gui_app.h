// The Qt application the library's widgets run in, and the host's windows
// as the C interface passes them (HWND).
//
// A Qt host creates its QApplication before it calls the library. For a host
// without one (a C program, a Qt Core service), EnsureGuiApplication creates
// one on the first call and ReleaseOwnedApplication destroys it when the
// library unloads. Creating a QApplication without a display would end the
// process (Qt aborts), so none is created when no platform is configured:
// $QT_QPA_PLATFORM, $DISPLAY and $WAYLAND_DISPLAY all unset or empty.
//
// Threads: widgets belong to the QApplication's thread. Every function here
// is called on the thread that calls the library; CanShowWidgets is false
// on any other thread.
#ifndef TAV_UI_GUI_APP_H_
#define TAV_UI_GUI_APP_H_

class QWidget;

namespace tav {

// True when the environment names a windowing platform Qt can start on.
bool GuiPlatformAvailable();

// Makes sure a QApplication exists: the host's, or one created here when
// there is no application object at all and a platform is available.
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
