// The Qt side of the library's message boxes: how a box is built from a
// Win32 style, and the handler hook of tests. The styles, results and
// StealthMessageBox itself are in ui/message_prompter.h, which logic code
// includes without Qt.
//
// StealthMessageBox: every message box of the library goes through here.
//
// While stealth mode is on (util/stealth.h) no box is shown: the caller gets
// the default result it passed, as if the user had pressed that button.
// Otherwise the box is a QMessageBox built from the Win32 style flags below
// (buttons, icon, default button, modality), and the result is the Win32
// id of the button pressed (IDOK, IDCANCEL, IDYES, IDNO, ...).
//
// When no widgets can be shown (no display, or a call from a thread other
// than the QApplication's) the text goes to standard error and the default
// result is returned, so that a message is never lost silently and a
// thread never blocks on a box nobody can see.
//
// Tests and automation replace the showing of boxes with a handler
// (ScopedMessageBoxHandler); stealth mode still comes first, so a test sees
// exactly the boxes a user would.
//
// Threads: the GUI thread only (the handler hook is not synchronised).
#ifndef TAV_UI_MESSAGE_BOX_H_
#define TAV_UI_MESSAGE_BOX_H_

#include <QMessageBox>

#include "ui/message_prompter.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace tav {

// One button of a box, in the order the style lists them.
struct MessageBoxButton {
  int id;                               // the result when pressed
  QMessageBox::StandardButton button;  // the Qt button that shows it
  const char* text;                     // replaces Qt's text when not null
};

// The buttons of a style, in Win32 order. An unknown button type gives OK.
std::vector<MessageBoxButton> MessageBoxButtons(unsigned style);
// The index into MessageBoxButtons of the default button (MB_DEFBUTTONn;
// the first when n is beyond the last button).
int MessageBoxDefaultIndex(unsigned style);
QMessageBox::Icon MessageBoxIcon(unsigned style);
// The id that closing the box (Escape, the title bar) answers: IDCANCEL
// when the box has a Cancel button, IDOK for an OK-only box, else IDNO for
// a Yes/No box (Qt lets Escape answer No) and the last button otherwise.
int MessageBoxEscapeId(unsigned style);

// What a box shows.
struct MessageBoxRequest {
  QWidget* owner = nullptr;  // the window the box belongs to; null for none
  std::string text;
  std::string caption;
  unsigned style = MB_OK;
};

// Builds the Qt box for a request without showing it, with the buttons'
// ids recorded so that ResultOfMessageBox can map the pressed button back.
std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request);
// The Win32 id of the button that closed `box`, or the escape id when no
// button was pressed.
int ResultOfMessageBox(const QMessageBox& box, unsigned style);

// The library's string table, for the resource form: ids are chosen by the
// features that own the strings. Registering an id again replaces its text.
void RegisterStringResource(unsigned id, std::string text);
std::string LoadStringResource(unsigned id);

// Replaces the showing of message boxes while the object lives (tests,
// automation): the handler receives each box that would be shown and
// returns the result. Stealth mode still silences boxes before the handler.
// Handlers nest; the previous one is restored on destruction.
using MessageBoxHandler = std::function<int(const MessageBoxRequest&)>;
class ScopedMessageBoxHandler {
 public:
  explicit ScopedMessageBoxHandler(MessageBoxHandler handler);
  ~ScopedMessageBoxHandler();
  ScopedMessageBoxHandler(const ScopedMessageBoxHandler&) = delete;
  ScopedMessageBoxHandler& operator=(const ScopedMessageBoxHandler&) = delete;

 private:
  MessageBoxHandler previous_;
};

}  // namespace tav

#endif  // TAV_UI_MESSAGE_BOX_H_
