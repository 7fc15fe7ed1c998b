// tavsecd: the compliance service. The only process that opens the store;
// the library and tavsec ask it over a Unix socket whose peer credentials
// say who asks (docs/service-protocol.md).
//
//   tavsecd [--socket PATH] [--root DIR] [--user NAME]
//
// Without --socket it takes the socket systemd passes (socket activation),
// else binds /run/tavsecurity/socket under the machine root. Run as root
// with --user, it hands its socket to that user's group and then runs as
// that user. SIGTERM and SIGINT stop it cleanly.
#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string>
#include <vector>

#include "service/event_sink.h"
#include "service/head_stamper.h"
#include "service/interval_sealer.h"
#include "service/listen_socket.h"
#include "service/listener.h"
#include "services/security/unix_accounts.h"
#include "util/data_dir.h"

namespace {

constexpr int kExitUsage = 2;
constexpr int kExitFailure = 1;

struct Options {
  std::string socket_path;
  std::string root;
  std::string user;
  bool has_root = false;
};

void PrintUsage() {
  std::cerr << "usage: tavsecd [--socket PATH] [--root DIR] [--user NAME]\n"
               "  --socket PATH  listen on PATH (default: the socket systemd passes,\n"
               "                 else /run/tavsecurity/socket)\n"
               "  --root DIR     the machine root (a test machine under DIR)\n"
               "  --user NAME    when started as root, run as NAME\n";
}

bool ParseOptions(int argc, char** argv, Options* options) {
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    std::string* value = nullptr;
    if (arg == "--socket") {
      value = &options->socket_path;
    } else if (arg == "--root") {
      value = &options->root;
      options->has_root = true;
    } else if (arg == "--user") {
      value = &options->user;
    } else {
      std::cerr << "tavsecd: unknown argument \"" << arg << "\"\n";
      return false;
    }
    if (i + 1 >= argc || argv[i + 1][0] == '\0') {
      std::cerr << "tavsecd: " << arg << " needs a value\n";
      return false;
    }
    *value = argv[++i];
  }
  return true;
}

// Gives the socket to root and the service user's group, then becomes that
// user. Any step that fails stops the service: it must not go on as root.
bool DropPrivileges(const std::string& socket_path, const tav::UnixUser& user) {
  if (!socket_path.empty() && lchown(socket_path.c_str(), 0, user.gid) != 0) {
    std::cerr << "tavsecd: cannot give " << socket_path << " to group " << user.gid << ": "
              << std::strerror(errno) << "\n";
    return false;
  }
  if (initgroups(user.name.c_str(), user.gid) != 0 || setgid(user.gid) != 0 ||
      setuid(user.uid) != 0) {
    std::cerr << "tavsecd: cannot become " << user.name << ": " << std::strerror(errno) << "\n";
    return false;
  }
  // The way back must be closed.
  if (user.uid != 0 && (setuid(0) == 0 || geteuid() != user.uid || getegid() != user.gid)) {
    std::cerr << "tavsecd: still privileged after becoming " << user.name << "\n";
    return false;
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!ParseOptions(argc, argv, &options)) {
    PrintUsage();
    return kExitUsage;
  }
  if (options.has_root) tav::SetMachineRootForTesting(options.root);

  tav::UnixUser service_user;
  const bool switch_user = !options.user.empty();
  if (switch_user) {
    if (!tav::LookUpUnixUser(options.user, &service_user)) {
      std::cerr << "tavsecd: no such user \"" << options.user << "\"\n";
      return kExitFailure;
    }
    if (geteuid() != 0 && geteuid() != service_user.uid) {
      std::cerr << "tavsecd: only root can run the service as " << options.user << "\n";
      return kExitFailure;
    }
  }

  // Signals are taken by sigwait below; every thread started from here on
  // inherits the mask.
  sigset_t stop_signals;
  sigemptyset(&stop_signals);
  sigaddset(&stop_signals, SIGTERM);
  sigaddset(&stop_signals, SIGINT);
  pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
  signal(SIGPIPE, SIG_IGN);

  int listen_fd = -1;
  bool activated = false;
  std::string bound_path;
  if (options.socket_path.empty()) {
    tav::StoreStatus status = tav::service::ActivatedSocket(&listen_fd, &activated);
    if (!status.ok()) {
      std::cerr << "tavsecd: " << status.message() << "\n";
      return kExitFailure;
    }
    if (!activated) options.socket_path = tav::MachinePath(tav::service::kDefaultSocketPath);
  }
  if (!activated) {
    tav::StoreStatus status = tav::service::ListenOnPath(options.socket_path, &listen_fd);
    if (!status.ok()) {
      std::cerr << "tavsecd: " << status.message() << "\n";
      return kExitFailure;
    }
    bound_path = options.socket_path;
  }
  if (switch_user && geteuid() == 0 && service_user.uid != 0 &&
      !DropPrivileges(bound_path, service_user)) {
    return kExitFailure;
  }

  // Without a usable store the service still answers, and refuses every
  // logon (1311) until an administrator sets the store up.
  tav::DataDirChoice choice;
  tav::StoreStatus store = tav::LocateDataDir(&choice);
  if (store.ok()) store = tav::MayOpenStoreFiles(choice);
  if (!store.ok()) std::cerr << "tavsecd: warning: " << store.message() << "\n";

  tav::service::StoreEventSink events;
  tav::service::Listener listener(listen_fd, events);
  tav::StoreStatus started = listener.Start();
  if (!started.ok()) {
    std::cerr << "tavsecd: " << started.message() << "\n";
    return kExitFailure;
  }
  // Each interval of the sealing key is sealed as it ends.
  tav::service::IntervalSealer sealer;
  sealer.Start();
  // The heads are checkpointed with trusted time when store.conf says so.
  tav::service::HeadStamper stamper;
  stamper.Start();
  std::cerr << "tavsecd: listening on "
            << (activated ? std::string("the socket systemd passed") : bound_path) << std::endl;

  int signal_number = 0;
  while (sigwait(&stop_signals, &signal_number) != 0) {
  }
  stamper.Stop();
  sealer.Stop();
  listener.Stop();
  return 0;
}
