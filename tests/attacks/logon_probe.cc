// A client that logs a user on through the library's logon backend, as a
// host does, and prints what it got: "code=N event=ok|<message>". The
// attack tests run it as another user, with preloaded libraries, against
// a service or a store of their choosing.
//
//   logon_probe USER PASSWORD
#include <cstdio>
#include <string>

#include "logon/logon_backend.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: logon_probe USER PASSWORD\n");
    return 2;
  }
  tav::LogonBackend& backend = tav::LogonBackend::Default();
  const tav::RecordedAttempt attempt =
      backend.AuthenticateAndRecord(tav::AttemptPurpose::kLogin, argv[1], "", argv[2]);
  std::printf("code=%d event=%s\n", attempt.code,
              attempt.event.ok() ? "ok" : attempt.event.message().c_str());
  return 0;
}
