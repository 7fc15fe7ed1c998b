// The exported C functions of the logon and the access queries.
//
// Each one runs in the export barrier (interface/export_barrier.h). The
// exports that may show a window enter the module first (interface/module.h).
#include <exception>

#include "TAVSecurityUI.h"
#include "interface/export_barrier.h"
#include "interface/module.h"
#include "interface/user_info.h"
#include "logon/access.h"
#include "logon/login_flow.h"
#include "logon/user_login_dialog.h"
#include "services/config/system_ids.h"
#include "ui/config_page_ids.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

LogonBackend& Backend() { return LogonBackend::Default(); }

int32_t Login(HWND parent, BOOL use_previous, UserInfo* info, HANDLE* token, const char* title) {
  EnterModule();
  LogonState& state = TheLogonState();
  int result = RunLogin(state, Backend(), WidgetFromHwnd(parent), use_previous != 0, title);
  if (result != kLoginOk) return result;
  if (info != nullptr) FillUserInfo(state.current_user, info);
  if (token != nullptr) *token = Backend().DuplicateToken(state.token);
  return result;
}

}  // namespace
}  // namespace tav

using tav::ExportBarrier;

extern "C" {

int32_t TAVSecurityUI_DoLogin(HWND parent, BOOL usePrevious, UserInfo* info, HANDLE* token) {
  return ExportBarrier<int32_t>(tav::kLoginCancelled, [&] {
    return tav::Login(parent, usePrevious, info, token, tav::kUserLoginTitle);
  });
}

int32_t TAVSecurityUI_DoIdleLogin(HWND parent, BOOL usePrevious, UserInfo* info,
                                  HANDLE* token) {
  return ExportBarrier<int32_t>(tav::kLoginCancelled, [&] {
    return tav::Login(parent, usePrevious, info, token, tav::kIdleLoginTitle);
  });
}

int32_t TAVSecurityUI_DoAuthCheck(HWND parent, BOOL usePrevious, UserInfo* info) {
  return ExportBarrier<int32_t>(tav::kLoginCancelled, [&] {
    tav::EnterModule();
    tav::LogonState& state = tav::TheLogonState();
    int result = tav::RunAuthCheck(state, tav::Backend(), tav::WidgetFromHwnd(parent),
                                   usePrevious != 0);
    if (result == tav::kLoginOk && info != nullptr) tav::FillUserInfo(state.check_record, info);
    return result;
  });
}

int32_t TAVSecurityUI_DoLogout(void) {
  return ExportBarrier<int32_t>(0, [] { return tav::Logout(tav::TheLogonState(), tav::Backend()); });
}

int32_t TAVSecurityUI_GetLoginUser(HANDLE* token, UserInfo* info) {
  return ExportBarrier<int32_t>(0, [&] {
    const tav::LogonState& state = tav::TheLogonState();
    if (info != nullptr) tav::FillUserInfo(state.current_user, info);
    if (token != nullptr) *token = state.token;
    return state.token != nullptr ? 1 : 0;
  });
}

int32_t TAVSecurityUI_SetLoginUser(HANDLE token, UserInfo* info) {
  return ExportBarrier<int32_t>(0, [&] {
    tav::LogonState& state = tav::TheLogonState();
    int result = tav::SetLoginUser(state, tav::Backend(), token);
    if (result == 1 && info != nullptr) tav::FillUserInfo(state.current_user, info);
    return result;
  });
}

BOOL TAVSecurityUI_CloseToken(HANDLE token) {
  return ExportBarrier<BOOL>(0, [&] {
    // The library's own token is not the caller's to close: closing it
    // would leave the logon without a token it could impersonate again.
    if (token == nullptr || token == tav::TheLogonState().token) return 0;
    return tav::Backend().CloseToken(token) ? 1 : 0;
  });
}

int32_t TAVSecurityUI_IsUserSecurityEnabled(void) {
  return ExportBarrier<int32_t>(0, [] { return tav::IsUserSecurityEnabled(); });
}

int32_t TAVSecurityUI_GetAuditCommentSetting(int32_t dataType, int32_t* first,
                                             int32_t* second) {
  return ExportBarrier<int32_t>(tav::kConfigStorageError, [&] {
    return tav::GetAuditCommentSetting(dataType, first, second);
  });
}

int32_t TAVSecurityUI_GetIdleTimeout(void) {
  return ExportBarrier<int32_t>(0, [] { return tav::GetIdleTimeout(); });
}

int32_t TAVSecurityUI_IsUserAllowedAccess(int32_t activity) {
  return ExportBarrier<int32_t>(0, [&] {
    tav::EnterModule();
    return tav::IsActivityAllowedWithMessage(tav::TheLogonState(), activity);
  });
}

int32_t TAVSecurityUI_IsUserAllowedAccessStealth(int32_t activity) {
  return ExportBarrier<int32_t>(0, [&] {
    return tav::IsActivityAllowed(tav::TheLogonState(), activity);
  });
}

int32_t TAVSecurityUI_IsUserAllowed(void) {
  return ExportBarrier<int32_t>(0, [] {
    tav::EnterModule();
    return tav::IsUserAllowed(tav::TheLogonState().current_user);
  });
}

int32_t TAVSecurityUI_IsAuditRecordingForDataType(int32_t dataType) {
  return ExportBarrier<int32_t>(0, [&] { return tav::IsAuditRecordingForDataType(dataType); });
}

int32_t TAVSecurityUI_IsWindowsUserAdmin(void) {
  return ExportBarrier<int32_t>(0, [] { return tav::Backend().IsWindowsUserAdmin(); });
}

void TAVSecurityUI_Config21cfr11ArrayCleanup(void) {
  ExportBarrier<int>(0, [] {
    tav::ReleaseConfigPageIds();
    return 0;
  });
}

}  // extern "C"
