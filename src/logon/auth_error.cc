#include "logon/auth_error.h"

#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "ui/message_box.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

std::string AuthenticationErrorText(int code) {
  if (code == kBlankUserNameCode) return TranslateText("tav::Logon", kBlankUserNameText);
  // The system's texts are one sentence; each stands on its own line, as
  // the hint that may follow it does.
  const char* system_text = code > 0 ? SecurityMessageText(code) : nullptr;
  std::string body =
      system_text != nullptr
          ? TranslateText("tav::SecurityMessages", system_text) + "\n"
          : StrFormat(TranslateText("tav::Logon", "Authentication failure: Error code %ld").c_str(),
                      static_cast<long>(code));
  if (code == kLogonFailureCode) {
    if (system_text == nullptr) body += "\n";
    body += TranslateText("tav::Logon", kPasswordCaseHint);
  }
  if (code == kSecBackendUnavailable && !SecurityBackendErrorDetail().empty()) {
    body += SecurityBackendErrorDetail() + "\n";
  }
  return body;
}

void ShowAuthenticationError(QWidget* dialog, int code) {
  std::string text = AuthenticationErrorText(code);
  StealthMessageBox(IDOK, dialog, text.c_str(),
                    TranslateText("tav::Logon", kAuthErrorCaption).c_str(),
                    MB_ICONERROR | MB_OK | MB_TASKMODAL);
}

}  // namespace tav
