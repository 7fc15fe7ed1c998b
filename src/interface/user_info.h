// Filling and freeing the records that cross the C interface.
//
// Threads: any; the records are the caller's.
#ifndef TAV_INTERFACE_USER_INFO_H_
#define TAV_INTERFACE_USER_INFO_H_

#include "TAVSecurityUI.h"
#include "logon/user_record.h"

namespace tav {

// Frees what `info` holds, then stores copies of the user's strings, the
// joined group list and the administrator flag. A string that cannot be
// allocated is left null.
void FillUserInfo(const UserRecord& user, UserInfo* info);

}  // namespace tav

#endif  // TAV_INTERFACE_USER_INFO_H_
