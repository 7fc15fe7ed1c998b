#include "ui/message_box.h"

#include <errno.h>

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>
#include <QVariant>
#include <algorithm>
#include <cstdio>
#include <map>
#include <utility>

#include "ui/gui_app.h"
#include "util/library_lifetime.h"
#include "util/shown_text.h"
#include "util/stealth.h"

namespace tav {

namespace {

// The dynamic property on each button of a box that holds its Win32 id.
constexpr char kResultIdProperty[] = "tavResultId";

MessageBoxHandler& Handler() {
  static MessageBoxHandler handler;
  return handler;
}

std::map<unsigned, std::string>& StringTable() {
  static std::map<unsigned, std::string> table;
  return table;
}

// Shows a request: through the test handler, as a real box, or on standard
// error when no box can be shown. Stealth mode was checked by the caller.
int Show(int default_result, const MessageBoxRequest& request) {
  if (MessageBoxHandler& handler = Handler()) return handler(request);
  if (!EnsureGuiApplication()) {
    std::fprintf(stderr, "%s: %s\n", request.caption.c_str(), request.text.c_str());
    return default_result;
  }
  std::unique_ptr<QMessageBox> box = MakeMessageBox(request);
  box->exec();
  return ResultOfMessageBox(*box, request.style);
}

}  // namespace

std::vector<MessageBoxButton> MessageBoxButtons(unsigned style) {
  using B = QMessageBox;
  switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return {{IDOK, B::Ok, nullptr}, {IDCANCEL, B::Cancel, nullptr}};
    case MB_ABORTRETRYIGNORE:
      return {{IDABORT, B::Abort, nullptr}, {IDRETRY, B::Retry, nullptr},
              {IDIGNORE, B::Ignore, nullptr}};
    case MB_YESNOCANCEL:
      return {{IDYES, B::Yes, nullptr}, {IDNO, B::No, nullptr}, {IDCANCEL, B::Cancel, nullptr}};
    case MB_YESNO:
      return {{IDYES, B::Yes, nullptr}, {IDNO, B::No, nullptr}};
    case MB_RETRYCANCEL:
      return {{IDRETRY, B::Retry, nullptr}, {IDCANCEL, B::Cancel, nullptr}};
    case MB_CANCELTRYCONTINUE:
      // Qt has no Try Again and Continue buttons: Retry and Ignore take
      // their roles and their texts.
      return {{IDCANCEL, B::Cancel, nullptr},
              {IDTRYAGAIN, B::Retry, TAV_TR_NOOP("tav::MessageBox", "&Try Again")},
              {IDCONTINUE, B::Ignore, TAV_TR_NOOP("tav::MessageBox", "&Continue")}};
    default:
      return {{IDOK, B::Ok, nullptr}};
  }
}

int MessageBoxDefaultIndex(unsigned style) {
  int index = static_cast<int>((style & MB_DEFMASK) >> 8);
  return index < static_cast<int>(MessageBoxButtons(style).size()) ? index : 0;
}

QMessageBox::Icon MessageBoxIcon(unsigned style) {
  switch (style & MB_ICONMASK) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONQUESTION:
      return QMessageBox::Question;
    case MB_ICONWARNING:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int MessageBoxEscapeId(unsigned style) {
  std::vector<MessageBoxButton> buttons = MessageBoxButtons(style);
  for (const MessageBoxButton& b : buttons) {
    if (b.id == IDCANCEL) return IDCANCEL;
  }
  if (buttons.size() == 1) return buttons.front().id;
  for (const MessageBoxButton& b : buttons) {
    if (b.id == IDNO) return IDNO;
  }
  return buttons.back().id;
}

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageBoxRequest& request) {
  QWidget* owner = request.owner != nullptr ? request.owner->window() : nullptr;
  auto box = std::make_unique<QMessageBox>(owner);
  box->setObjectName(QStringLiteral("StealthMessageBox"));
  box->setWindowTitle(QString::fromStdString(request.caption));
  box->setText(QString::fromStdString(request.text));
  box->setTextFormat(Qt::PlainText);
  box->setIcon(MessageBoxIcon(request.style));
  // The texts break their own lines; a box wide enough for the longest one
  // keeps Qt from wrapping them a second time into ragged lines.
  int longest = 0;
  for (const QString& line : box->text().split('\n')) {
    longest = std::max(longest, box->fontMetrics().horizontalAdvance(line));
  }
  constexpr int kMaxTextWidth = 760;
  box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: %1px; }")
                         .arg(std::min(longest + 8, kMaxTextWidth)));

  std::vector<MessageBoxButton> buttons = MessageBoxButtons(request.style);
  QAbstractButton* escape = nullptr;
  const int escape_id = MessageBoxEscapeId(request.style);
  for (size_t i = 0; i < buttons.size(); ++i) {
    QPushButton* button = box->addButton(buttons[i].button);
    if (buttons[i].text != nullptr) {
      button->setText(QCoreApplication::translate("tav::MessageBox", buttons[i].text));
    }
    button->setProperty(kResultIdProperty, buttons[i].id);
    if (static_cast<int>(i) == MessageBoxDefaultIndex(request.style)) box->setDefaultButton(button);
    if (buttons[i].id == escape_id) escape = button;
  }
  box->setEscapeButton(escape);

  // Task- and system-modal boxes block every window of the application, as
  // do boxes without an owner; an owned box blocks its owner's window.
  const unsigned mode = request.style & MB_MODEMASK;
  box->setWindowModality(owner == nullptr || mode != MB_APPLMODAL ? Qt::ApplicationModal
                                                                  : Qt::WindowModal);
  if (mode == MB_SYSTEMMODAL) box->setWindowFlag(Qt::WindowStaysOnTopHint);
  return box;
}

int ResultOfMessageBox(const QMessageBox& box, unsigned style) {
  const QAbstractButton* clicked = box.clickedButton();
  if (clicked != nullptr) {
    QVariant id = clicked->property(kResultIdProperty);
    if (id.isValid()) return id.toInt();
  }
  return MessageBoxEscapeId(style);
}

int StealthMessageBox(int default_result, HWND owner, const char* text, const char* caption,
                      unsigned style) {
  if (IsStealthMode()) return default_result;
  MessageBoxRequest request;
  request.owner = WidgetFromHwnd(owner);
  request.text = text != nullptr ? text : "";
  request.caption = caption != nullptr ? caption : "";
  request.style = style;
  return Show(default_result, request);
}

int StealthMessageBox(int default_result, const char* text, unsigned style, unsigned help_id) {
  (void)help_id;
  if (IsStealthMode()) return default_result;
  MessageBoxRequest request;
  if (CanShowWidgets()) {
    request.owner = QApplication::activeWindow();
    request.caption = QGuiApplication::applicationDisplayName().toStdString();
  } else {
    request.caption = program_invocation_short_name;
  }
  request.text = text != nullptr ? text : "";
  request.style = style;
  return Show(default_result, request);
}

int StealthMessageBox(int default_result, unsigned string_id, unsigned style, unsigned help_id) {
  if (IsStealthMode()) return default_result;
  std::string text = LoadStringResource(string_id);
  return StealthMessageBox(default_result, text.c_str(), style, help_id);
}

void RegisterStringResource(unsigned id, std::string text) {
  StringTable()[id] = std::move(text);
}

std::string LoadStringResource(unsigned id) {
  auto it = StringTable().find(id);
  return it != StringTable().end() ? it->second : std::string();
}

ScopedMessageBoxHandler::ScopedMessageBoxHandler(MessageBoxHandler handler)
    : previous_(std::exchange(Handler(), std::move(handler))) {}

ScopedMessageBoxHandler::~ScopedMessageBoxHandler() { Handler() = std::move(previous_); }

int MessagePrompter::Ask(int default_result, HWND owner, const std::string& text,
                         const std::string& caption, unsigned style) {
  return StealthMessageBox(default_result, owner, text.c_str(), caption.c_str(), style);
}

MessagePrompter& MessagePrompter::Default() {
  static UntilUnload<MessagePrompter> prompter;
  return prompter.Get();
}

}  // namespace tav
