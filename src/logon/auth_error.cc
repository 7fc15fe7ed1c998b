#include "logon/auth_error.h"

#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "ui/message_box.h"
#include "util/strings.h"

namespace tav {

std::string AuthenticationErrorText(int code) {
  if (code == kBlankUserNameCode) return kBlankUserNameText;
  // The system's texts are one sentence; each stands on its own line, as
  // the hint that may follow it does.
  const char* system_text = code > 0 ? SecurityMessageText(code) : nullptr;
  std::string body = system_text != nullptr
                         ? std::string(system_text) + "\n"
                         : StrFormat("Authentication failure: Error code %ld", static_cast<long>(code));
  if (code == kLogonFailureCode) {
    if (system_text == nullptr) body += "\n";
    body += kPasswordCaseHint;
  }
  if (code == kSecBackendUnavailable && !SecurityBackendErrorDetail().empty()) {
    body += SecurityBackendErrorDetail() + "\n";
  }
  return body;
}

void ShowAuthenticationError(QWidget* dialog, int code) {
  std::string text = AuthenticationErrorText(code);
  StealthMessageBox(IDOK, dialog, text.c_str(), kAuthErrorCaption,
                    MB_ICONERROR | MB_OK | MB_TASKMODAL);
}

}  // namespace tav
