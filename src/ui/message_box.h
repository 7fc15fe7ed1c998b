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

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QWidget;

namespace tav {

using HWND = void*;

// Win32 message-box styles. The low four bits choose the buttons, the next
// four the icon, then the default button and the modality.
inline constexpr unsigned MB_OK = 0x00000000;
inline constexpr unsigned MB_OKCANCEL = 0x00000001;
inline constexpr unsigned MB_ABORTRETRYIGNORE = 0x00000002;
inline constexpr unsigned MB_YESNOCANCEL = 0x00000003;
inline constexpr unsigned MB_YESNO = 0x00000004;
inline constexpr unsigned MB_RETRYCANCEL = 0x00000005;
inline constexpr unsigned MB_CANCELTRYCONTINUE = 0x00000006;
inline constexpr unsigned MB_TYPEMASK = 0x0000000F;

inline constexpr unsigned MB_ICONERROR = 0x00000010;  // also MB_ICONHAND, MB_ICONSTOP
inline constexpr unsigned MB_ICONQUESTION = 0x00000020;
inline constexpr unsigned MB_ICONWARNING = 0x00000030;  // also MB_ICONEXCLAMATION
inline constexpr unsigned MB_ICONINFORMATION = 0x00000040;  // also MB_ICONASTERISK
inline constexpr unsigned MB_ICONMASK = 0x000000F0;

inline constexpr unsigned MB_DEFBUTTON1 = 0x00000000;
inline constexpr unsigned MB_DEFBUTTON2 = 0x00000100;
inline constexpr unsigned MB_DEFBUTTON3 = 0x00000200;
inline constexpr unsigned MB_DEFBUTTON4 = 0x00000300;
inline constexpr unsigned MB_DEFMASK = 0x00000F00;

inline constexpr unsigned MB_APPLMODAL = 0x00000000;
inline constexpr unsigned MB_SYSTEMMODAL = 0x00001000;
inline constexpr unsigned MB_TASKMODAL = 0x00002000;
inline constexpr unsigned MB_MODEMASK = 0x00003000;

// Results: the id of the button pressed.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDABORT = 3;
inline constexpr int IDRETRY = 4;
inline constexpr int IDIGNORE = 5;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;
inline constexpr int IDTRYAGAIN = 10;
inline constexpr int IDCONTINUE = 11;

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

// The three forms. `text` and `caption` may be null (empty).
//
// The window form: owned by `owner` (a QWidget* or null; anything that is
// not a live widget counts as null).
int StealthMessageBox(int default_result, HWND owner, const char* text, const char* caption,
                      unsigned style);
// The framework forms: captioned with the application's name and owned by
// the active window. The help context id is accepted for compatibility; the
// boxes offer no help.
int StealthMessageBox(int default_result, const char* text, unsigned style,
                      unsigned help_id = 0);
// Text from the library's string table (RegisterStringResource); an unknown
// id shows an empty text.
int StealthMessageBox(int default_result, unsigned string_id, unsigned style,
                      unsigned help_id = 0);

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
