#include "interface/user_info.h"

#include "util/bstr.h"

namespace tav {

namespace {

// The six strings every record starts with, freed in one order for both
// kinds of record.
template <typename Record>
void FreeUserFields(Record* info) {
  ClearBstr(&info->userName);
  ClearBstr(&info->fullName);
  ClearBstr(&info->description);
  ClearBstr(&info->domain);
  ClearBstr(&info->logonServer);
  ClearBstr(&info->groups);
  info->isAdmin = 0;
}

template <typename Record>
void InitUserFields(Record* info) {
  info->userName = SysAllocString("");
  info->domain = SysAllocString("");
  info->logonServer = SysAllocString("");
  info->fullName = SysAllocString("");
  info->description = SysAllocString("");
  info->groups = SysAllocString("");
  info->isAdmin = 0;
}

}  // namespace

void FillUserInfo(const UserRecord& user, UserInfo* info) {
  FreeUserFields(info);
  info->userName = SysAllocString(user.user_name);
  info->fullName = SysAllocString(user.full_name);
  info->description = SysAllocString(user.description);
  info->domain = SysAllocString(user.domain);
  info->logonServer = SysAllocString(user.logon_server);
  info->isAdmin = user.is_admin != 0 ? 1 : 0;
  info->groups = SysAllocString(JoinGroups(user.groups));
}

}  // namespace tav

using tav::FreeUserFields;
using tav::InitUserFields;

extern "C" {

// The record functions cannot fail (an allocation failure leaves a field
// null), so they need no exception barrier.

void TAVSecurityUI_initEmptyUserInfo(UserInfo* info) { InitUserFields(info); }

void TAVSecurityUI_freeUserInfo(UserInfo* info) { FreeUserFields(info); }

void TAVSecurityUI_initEmptyESigInfo(ESigInfo* info) {
  InitUserFields(info);
  info->reason = -1;
  info->comment = tav::SysAllocString("");
  info->signTime = 0.0;
  info->folder = tav::SysAllocString("");
}

void TAVSecurityUI_freeESigInfo(ESigInfo* info) {
  FreeUserFields(info);
  tav::ClearBstr(&info->comment);
  tav::ClearBstr(&info->folder);
  info->reason = -1;
  info->signTime = 0.0;
}

}  // extern "C"
