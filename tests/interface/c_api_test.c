/* A host written in C: proves that the public header is C, and runs the
 * record functions and the queries through the shared library. Runs without
 * a display, so no dialog can open and the library creates no application.
 * Exits 0 when every check holds. */
#define _GNU_SOURCE
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "TAVSecurityUI.h"

static int failures = 0;

#define CHECK(cond)                                                   \
  do {                                                                \
    if (!(cond)) {                                                    \
      fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
      ++failures;                                                     \
    }                                                                 \
  } while (0)

static uint32_t Length(BSTR s) {
  uint32_t length;
  memcpy(&length, s - sizeof length, sizeof length);
  return length;
}

static int IsEmpty(BSTR s) { return s != NULL && s[0] == '\0' && Length(s) == 0; }

int main(void) {
  char dir[] = "/tmp/tav_c_api_test.XXXXXX";
  if (mkdtemp(dir) == NULL) return 2;
  setenv("TAV_DATA_DIR", dir, 1);

  UserInfo info;
  TAVSecurityUI_initEmptyUserInfo(&info);
  CHECK(IsEmpty(info.userName) && IsEmpty(info.domain) && IsEmpty(info.logonServer));
  CHECK(IsEmpty(info.fullName) && IsEmpty(info.description) && IsEmpty(info.groups));
  CHECK(info.isAdmin == 0);

  /* Nobody is logged on: 0, a null token, an empty record. */
  HANDLE token = (HANDLE)&info;
  CHECK(TAVSecurityUI_GetLoginUser(&token, &info) == 0);
  CHECK(token == NULL);
  CHECK(IsEmpty(info.userName) && IsEmpty(info.groups));
  TAVSecurityUI_freeUserInfo(&info);
  CHECK(info.userName == NULL && info.groups == NULL && info.isAdmin == 0);

  /* A zeroed record may be filled. */
  UserInfo zeroed;
  memset(&zeroed, 0, sizeof zeroed);
  CHECK(TAVSecurityUI_GetLoginUser(NULL, &zeroed) == 0);
  CHECK(IsEmpty(zeroed.userName));
  TAVSecurityUI_freeUserInfo(&zeroed);

  ESigInfo sig;
  TAVSecurityUI_initEmptyESigInfo(&sig);
  CHECK(IsEmpty(sig.userName) && IsEmpty(sig.comment) && IsEmpty(sig.folder));
  CHECK(sig.reason == -1 && sig.signTime == 0.0 && sig.isAdmin == 0);
  TAVSecurityUI_freeESigInfo(&sig);
  CHECK(sig.comment == NULL && sig.folder == NULL && sig.reason == -1);

  /* A fresh data directory has the compliance features off. */
  CHECK(TAVSecurityUI_IsUserSecurityEnabled() == 0);
  CHECK(TAVSecurityUI_IsUserAllowed() == 1);
  CHECK(TAVSecurityUI_IsUserAllowedAccess(0) == 1);
  CHECK(TAVSecurityUI_IsUserAllowedAccessStealth(13) == 1);
  CHECK(TAVSecurityUI_IsAuditRecordingForDataType(0) == 0);
  CHECK(TAVSecurityUI_GetIdleTimeout() == 0);
  int32_t first = -1, second = -1;
  CHECK(TAVSecurityUI_GetAuditCommentSetting(0, &first, &second) == 0);
  CHECK(first == 0 && second == 0);
  CHECK(TAVSecurityUI_GetAuditCommentSetting(0, NULL, NULL) == 0);
  /* root is always an administrator. */
  if (getuid() == 0) CHECK(TAVSecurityUI_IsWindowsUserAdmin() != 0);

  /* Without a display the dialogs cannot open: cancelled, nothing written. */
  token = (HANDLE)&info;
  memset(&info, 0, sizeof info);
  CHECK(TAVSecurityUI_DoLogin(NULL, 0, &info, &token) == -1);
  CHECK(token == (HANDLE)&info && info.userName == NULL);
  CHECK(TAVSecurityUI_DoAuthCheck(NULL, 0, &info) == -1);

  CHECK(TAVSecurityUI_SetLoginUser(NULL, &info) == 0);
  CHECK(TAVSecurityUI_CloseToken(NULL) == 0);
  CHECK(TAVSecurityUI_DoLogout() == 0);
  TAVSecurityUI_Config21cfr11ArrayCleanup();
  TAVSecurityUI_Config21cfr11ArrayCleanup();

  char command[128];
  snprintf(command, sizeof command, "rm -rf '%s'", dir);
  if (system(command) != 0) fprintf(stderr, "could not remove %s\n", dir);
  if (failures == 0) printf("c_api_test: all checks passed\n");
  return failures == 0 ? 0 : 1;
}
