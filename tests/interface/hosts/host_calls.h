/* The library's functions as the test hosts call them: linked directly, or
 * looked up after dlopen when TAV_HOST_DLOPEN is defined. Usable from C and
 * C++. */
#ifndef TAV_TESTS_INTERFACE_HOSTS_HOST_CALLS_H_
#define TAV_TESTS_INTERFACE_HOSTS_HOST_CALLS_H_

#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>

#include "TAVSecurityUI.h"

typedef struct HostCalls {
  void* handle; /* null when linked */
  int32_t (*is_user_allowed_access)(int32_t);
  int32_t (*do_login)(HWND, BOOL, UserInfo*, HANDLE*);
  int32_t (*get_login_user)(HANDLE*, UserInfo*);
} HostCalls;

#ifdef TAV_HOST_DLOPEN
static void* HostSymbol(void* handle, const char* name) {
  void* symbol = dlsym(handle, name);
  if (symbol == NULL) {
    fprintf(stderr, "host: no symbol %s\n", name);
    exit(3);
  }
  return symbol;
}
#endif

/* Exits with status 3 when the library cannot be loaded. */
static HostCalls LoadHostCalls(void) {
  HostCalls calls;
#ifdef TAV_HOST_DLOPEN
  calls.handle = dlopen(TAVSECURITYUI_PATH, RTLD_NOW | RTLD_LOCAL);
  if (calls.handle == NULL) {
    fprintf(stderr, "host: %s\n", dlerror());
    exit(3);
  }
  *(void**)&calls.is_user_allowed_access =
      HostSymbol(calls.handle, "TAVSecurityUI_IsUserAllowedAccess");
  *(void**)&calls.do_login = HostSymbol(calls.handle, "TAVSecurityUI_DoLogin");
  *(void**)&calls.get_login_user = HostSymbol(calls.handle, "TAVSecurityUI_GetLoginUser");
#else
  calls.handle = NULL;
  calls.is_user_allowed_access = TAVSecurityUI_IsUserAllowedAccess;
  calls.do_login = TAVSecurityUI_DoLogin;
  calls.get_login_user = TAVSecurityUI_GetLoginUser;
#endif
  return calls;
}

/* Unloads a library loaded with dlopen; 0 on success. */
static int UnloadHostCalls(HostCalls* calls) {
  if (calls->handle == NULL) return 0;
  int result = dlclose(calls->handle);
  calls->handle = NULL;
  return result;
}

#endif /* TAV_TESTS_INTERFACE_HOSTS_HOST_CALLS_H_ */
