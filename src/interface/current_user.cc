// TAVCurrentUser: the exported view of the current user.
#include "TAVSecurityUI.h"
#include "interface/module.h"
#include "logon/logon_backend.h"
#include "logon/user_record.h"

TAVCurrentUser::TAVCurrentUser() = default;

TAVCurrentUser* TAVCurrentUser::GetInstance() {
  tav::WatchProcessExit();
  // Never destroyed: hosts may ask for the user from their own static
  // destructors.
  static TAVCurrentUser* instance = new TAVCurrentUser();
  return instance;
}

TAVCurrentUser& TAVCurrentUser::operator=(const TAVCurrentUser&) { return *this; }

std::string TAVCurrentUser::GetUserID() { return tav::TheLogonState().current_user.user_name; }

std::string TAVCurrentUser::GetUserFullName() {
  return tav::TheLogonState().current_user.full_name;
}

std::string TAVCurrentUser::GetUserDomain() { return tav::TheLogonState().current_user.domain; }

void TAVCurrentUser::GetUserGroups(std::list<std::string>& groups) {
  groups = tav::TheLogonState().current_user.groups;
}

HANDLE TAVCurrentUser::GetUserToken() {
  const tav::LogonState& state = tav::TheLogonState();
  if (state.token == nullptr) return nullptr;
  return tav::LogonBackend::Default().DuplicateToken(state.token);
}

int32_t TAVCurrentUser::IsUserAdmin() {
  return tav::TheLogonState().current_user.is_admin != 0 ? 1 : 0;
}
