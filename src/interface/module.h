// The library's module state: what every export makes sure of first, and
// what loading and unloading the library do.
//
// Load: the configuration pages' identifier arrays are built, the
// resources registered; the logon state starts empty. Unload (dlclose):
// log off, release the identifier arrays, unregister the resources and
// destroy the QApplication the library created, in that order. It works
// whether or not a window was ever shown.
//
// At process exit none of this runs: the host's and Qt's static objects are
// destroyed before the library's finaliser runs, and an exiting process has
// nobody left to log off from. A QApplication the library created is left
// to the process's end, as Qt's own statics may already be gone.
//
// Threads: the thread that calls the library.
#ifndef TAV_INTERFACE_MODULE_H_
#define TAV_INTERFACE_MODULE_H_

namespace tav {

// At the top of each export that may show a window: makes sure a
// QApplication exists (creating one when the host has none and a display is
// available) and the resources are registered. Returns whether widgets can
// be shown on this thread.
bool EnterModule();

// Called by every export before it does anything: the first call arms the
// handler through which the library learns that the process is exiting.
// Cheap after the first call.
void WatchProcessExit();

// True once the process has begun to exit (exit() or a return from main).
bool ProcessExiting();

// The unload steps, in order. Called by the library's finaliser when it is
// unloaded with dlclose; tests call it directly.
void UnloadModule();

}  // namespace tav

#endif  // TAV_INTERFACE_MODULE_H_
