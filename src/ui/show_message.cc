#include "ui/show_message.h"

#include <QApplication>
#include <vector>

#include "ui/gui_app.h"
#include "ui/message_box.h"
#include "util/shown_text.h"

namespace tav {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

std::string FormatMessageText(std::string_view format,
                              std::initializer_list<std::string_view> inserts) {
  const std::vector<std::string_view> args(inserts);
  std::string out;
  out.reserve(format.size());
  size_t i = 0;
  while (i < format.size()) {
    const char c = format[i];
    if (c != '%' || i + 1 == format.size()) {
      out += c;
      ++i;
      continue;
    }
    const char next = format[i + 1];
    if (next == 'n') {
      out += '\n';
      i += 2;
    } else if (next == '%') {
      out += '%';
      i += 2;
    } else if (IsDigit(next) && next != '0') {
      // One or two digits, as the system's message formatter reads them.
      size_t end = i + 2;
      size_t number = static_cast<size_t>(next - '0');
      if (end < format.size() && IsDigit(format[end])) {
        number = number * 10 + static_cast<size_t>(format[end] - '0');
        ++end;
      }
      if (number <= args.size()) {
        out += args[number - 1];
      } else {
        out.append(format.substr(i, end - i));
      }
      i = end;
    } else {
      out += c;
      ++i;
    }
  }
  return out;
}

const char* MessageLevelCaption(int level) {
  switch (level) {
    case kMessageWarning:
      return TAV_TR_NOOP("tav::MessageBox", "Warning");
    case kMessageError:
      return TAV_TR_NOOP("tav::MessageBox", "Error");
    default:
      return TAV_TR_NOOP("tav::MessageBox", "Information");
  }
}

int ShowMessage(int level, std::string_view format,
                std::initializer_list<std::string_view> inserts) {
  const std::string text = FormatMessageText(format, inserts);
  unsigned icon = MB_ICONINFORMATION;
  if (level == kMessageWarning) icon = MB_ICONWARNING;
  if (level == kMessageError) icon = MB_ICONERROR;
  QWidget* owner = CanShowWidgets() ? QApplication::activeWindow() : nullptr;
  return StealthMessageBox(IDOK, owner, text.c_str(),
                           TranslateText("tav::MessageBox", MessageLevelCaption(level)).c_str(),
                           MB_OK | icon);
}

}  // namespace tav
