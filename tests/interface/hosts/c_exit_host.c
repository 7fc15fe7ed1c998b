/* A host written in C that asks one access question and ends, the way
 * most hosts end: the library unloads at dlclose or at process exit.
 *
 *   c_exit_host return|exit|dlclose
 *
 * Prints "host done" with buffered output just before it ends, so that a
 * crash during the library's unload shows as lost output as well as a bad
 * exit status. */
#include <stdio.h>
#include <string.h>

#include "host_calls.h"

int main(int argc, char** argv) {
  const char* how = argc > 1 ? argv[1] : "return";
  HostCalls calls = LoadHostCalls();
  printf("allowed %d\n", (int)calls.is_user_allowed_access(3));
  if (strcmp(how, "dlclose") == 0 && UnloadHostCalls(&calls) != 0) return 4;
  printf("host done\n");
  if (strcmp(how, "exit") == 0) exit(0);
  return 0;
}
