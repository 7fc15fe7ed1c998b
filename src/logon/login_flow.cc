#include "logon/login_flow.h"

#include <cstdio>

#include "logon/user_login_dialog.h"
#include "records/audit_code.h"
#include "ui/gui_app.h"
#include "ui/screen_fit.h"

namespace tav {

namespace {

bool CanRunDialog() {
  if (CanShowWidgets()) return true;
  std::fprintf(stderr, "TAVSecurityUI: the User Login dialog cannot be shown "
                       "(no display, or not the GUI thread); treated as cancelled\n");
  return false;
}

}  // namespace

int RunLogin(LogonState& state, LogonBackend& backend, QWidget* parent, bool use_previous,
             const char* title) {
  if (!CanRunDialog()) return kLoginCancelled;
  std::string user_name;
  std::string domain;
  if (use_previous) {
    user_name = state.current_user.user_name;
    domain = state.current_user.domain;
  }
  UserLoginDialog dialog(parent, backend, user_name, domain, title);
  KeepOnScreen(&dialog);
  if (dialog.exec() != QDialog::Accepted) return kLoginCancelled;

  UserRecord user = dialog.authenticated_user();
  SecretString password = dialog.TakePassword();

  HANDLE previous = state.token;
  backend.RevertToSelf();
  HANDLE token = nullptr;
  if (user.user_name.empty() ||
      backend.ImpersonateUser(user.user_name.c_str(), user.domain.c_str(), password.c_str(),
                              &token) != 0 ||
      token == nullptr) {
    // Back to the logon that was in force: its token impersonated again and
    // the current user refreshed from it.
    state.token = previous;
    backend.RevertToSelf();
    SetLoginUser(state, backend, previous);
    return kLoginFailed;
  }
  if (previous != nullptr) backend.CloseToken(previous);
  state.token = token;
  state.current_user = std::move(user);
  state.current_user.logon_server.clear();
  return kLoginOk;
}

int RunAuthCheck(LogonState& state, LogonBackend& backend, QWidget* parent, bool use_previous) {
  if (!CanRunDialog()) return kLoginCancelled;
  std::string user_name;
  std::string domain;
  if (use_previous) {
    user_name = state.check_record.user_name;
    domain = state.check_record.domain;
  }
  UserLoginDialog dialog(parent, backend, user_name, domain, kUserLoginTitle,
                         RecordedWork::kIdentityCheck);
  KeepOnScreen(&dialog);
  if (dialog.exec() != QDialog::Accepted) return kLoginCancelled;
  // The check needs no password after the dialog: let the dialog's copy go.
  dialog.TakePassword();
  state.check_record = dialog.authenticated_user();
  state.check_record.logon_server.clear();
  return kLoginOk;
}

int SetLoginUser(LogonState& state, LogonBackend& backend, HANDLE token) {
  if (token == nullptr) return 0;
  const bool same = token == state.token;
  HANDLE previous = state.token;
  backend.RevertToSelf();
  if (backend.ImpersonateFromToken(token) != 0) {
    backend.RevertToSelf();
    if (previous != nullptr) backend.ImpersonateFromToken(previous);
    return 0;
  }
  if (previous != nullptr && !same) backend.CloseToken(previous);
  state.token = token;
  state.current_user = backend.ImpersonatedUser();
  return 1;
}

int Logout(LogonState& state, LogonBackend& backend) {
  if (state.token == nullptr) return 0;
  const std::string user_name = state.current_user.user_name;
  // Logging off happens whether or not its record can be stored; the event
  // manager reports a failure to store it in the log output. The record
  // comes first, while the token still names whom it concerns.
  if (!user_name.empty()) backend.RecordLogoff(state.token, user_name);
  backend.EndImpersonation(&state.token);
  state.token = nullptr;
  state.current_user.Clear();
  return 0;
}

}  // namespace tav
