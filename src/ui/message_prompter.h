// Message boxes as logic code asks for them, without Qt: the Win32 styles
// and results, StealthMessageBox, and the prompter interface through which a
// class that asks questions can be handed another way of asking (tests,
// automation). How boxes look and behave is in ui/message_box.h.
//
// Threads: the GUI thread only.
#ifndef TAV_UI_MESSAGE_PROMPTER_H_
#define TAV_UI_MESSAGE_PROMPTER_H_

#include <string>

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

// A way of asking the user: the default shows the box through
// StealthMessageBox (window form).
class MessagePrompter {
 public:
  virtual ~MessagePrompter() = default;
  // The Win32 id of the answer; `default_result` in stealth mode.
  virtual int Ask(int default_result, HWND owner, const std::string& text,
                  const std::string& caption, unsigned style);

  // The prompter that shows real boxes.
  static MessagePrompter& Default();
};

}  // namespace tav

#endif  // TAV_UI_MESSAGE_PROMPTER_H_
