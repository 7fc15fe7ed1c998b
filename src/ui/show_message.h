// ShowMessage: the display library's formatted message.
//
// A format holds inserts "%1" to "%99", replaced by the inserts in order,
// and "%n", a line break; "%%" is a percent sign. An insert's own text is
// taken as it is: a "%1" or "%n" inside an insert is not expanded again, so
// text that came from a user or a file cannot rewrite the message. A "%"
// followed by anything else, and an insert number beyond the inserts given,
// stay in the text as written, so that a faulty format shows where it is
// faulty instead of losing words.
//
// The message goes through StealthMessageBox (ui/message_box.h): silent in
// stealth mode, answered by the handler in tests, on standard error without
// a display.
//
// Threads: FormatMessageText any; ShowMessage the GUI thread.
#ifndef TAV_UI_SHOW_MESSAGE_H_
#define TAV_UI_SHOW_MESSAGE_H_

#include <initializer_list>
#include <string>
#include <string_view>

namespace tav {

// How serious a message is: it chooses the icon and the caption.
enum MessageLevel : int {
  kMessageInformation = 0,
  kMessageWarning = 1,
  kMessageError = 2,
};

// The text of `format` with its inserts and line breaks expanded.
std::string FormatMessageText(std::string_view format,
                              std::initializer_list<std::string_view> inserts = {});

// The caption of a level's box: "Information", "Warning" or "Error" (an
// unknown level reads as information).
const char* MessageLevelCaption(int level);

// Shows the formatted message in a box with an OK button, owned by the
// active window. Returns the box's result (IDOK, or IDOK in stealth mode).
int ShowMessage(int level, std::string_view format,
                std::initializer_list<std::string_view> inserts = {});

}  // namespace tav

#endif  // TAV_UI_SHOW_MESSAGE_H_
