// Enter and Return on a push button that has the keyboard focus press that
// button, as on the desktop. Qt leaves the key to the button only when the
// button is a default one; the library's dialogs that have no default
// button (the System Audit viewer, the Run List Manager) keep their buttons'
// autoDefault off, so that no button becomes the default by taking the
// focus, and Qt would then pass Enter on to the dialog, where it presses
// nothing.
//
// Threads: the GUI thread.
#ifndef TAV_UI_BUTTON_KEYS_H_
#define TAV_UI_BUTTON_KEYS_H_

class QWidget;

namespace tav {

// Makes Enter (also the keypad's) and Return press whichever of the push
// buttons inside `dialog` has the focus; a disabled or hidden button does
// nothing. Covers the buttons that exist when it is called.
void PressFocusedButtonOnEnter(QWidget* dialog);

}  // namespace tav

#endif  // TAV_UI_BUTTON_KEYS_H_
