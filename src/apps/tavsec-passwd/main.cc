// tavsec-passwd: changes a system account's expired password for the
// compliance service, which runs under its own account and so cannot write
// the system's password files. systemd starts it as root for each
// connection on /run/tavsecurity/passwd.sock with the connection as its
// standard input (tavsecurity-passwd@.service); it serves one request and
// ends.
//
//   tavsec-passwd --allow-user USER [--pam-service NAME]
#include <pwd.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "services/security/password_helper_server.h"
#include "services/security/result_codes.h"

namespace {

int Usage() {
  std::fprintf(stderr, "usage: tavsec-passwd --allow-user USER [--pam-service NAME]\n"
                       "(started by systemd with a connection as standard input)\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // Passwords pass through this process: no core dump, no ptrace by others.
  const rlimit no_core{0, 0};
  ::setrlimit(RLIMIT_CORE, &no_core);
  ::prctl(PR_SET_DUMPABLE, 0);

  tav::PasswordHelperOptions options;
  std::string allow_user;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--allow-user" && i + 1 < argc) {
      allow_user = argv[++i];
    } else if (arg == "--pam-service" && i + 1 < argc) {
      options.pam_service = argv[++i];
    } else {
      return Usage();
    }
  }
  if (allow_user.empty()) return Usage();
  const passwd* allowed = ::getpwnam(allow_user.c_str());
  if (allowed == nullptr) {
    std::fprintf(stderr, "tavsec-passwd: no such user: %s\n", allow_user.c_str());
    return 1;
  }
  options.allowed_uid = allowed->pw_uid;

  struct stat input;
  if (::fstat(STDIN_FILENO, &input) != 0 || !S_ISSOCK(input.st_mode)) {
    std::fprintf(stderr, "tavsec-passwd: standard input is not a connection "
                         "(systemd starts this program through tavsecurity-passwd.socket)\n");
    return 1;
  }
  const int code = tav::ServePasswordChange(STDIN_FILENO, options);
  return code == tav::kSecOk ? 0 : 1;
}
