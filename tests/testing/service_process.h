// A real compliance service (tavsecd) for one test: started on a data
// directory with a socket of its own, named by $TAV_SOCKET while the object
// lives, stopped afterwards. The build passes the daemon's path in
// TAV_TAVSECD_PATH.
//
// The service runs as the test's own user unless `run_as` names another
// system user (the test must be root to drop to it).
#ifndef TAV_TESTS_TESTING_SERVICE_PROCESS_H_
#define TAV_TESTS_TESTING_SERVICE_PROCESS_H_

#include <signal.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "util/socket_io.h"

namespace tav::testing {

#ifdef TAV_TAVSECD_PATH
inline constexpr char kTavsecdPath[] = TAV_TAVSECD_PATH;
#else
inline constexpr char kTavsecdPath[] = "tavsecd";
#endif

class ServiceProcess {
 public:
  // Starts the service on `data_dir` (as $TAV_DATA_DIR), listening on
  // `socket` (default: `data_dir`/tavsecd.sock), and waits until it accepts
  // connections.
  explicit ServiceProcess(const std::string& data_dir, const std::string& socket = "",
                          const std::string& run_as = "")
      : data_dir_(data_dir),
        socket_(socket.empty() ? data_dir + "/tavsecd.sock" : socket),
        run_as_(run_as) {
    const char* old = std::getenv("TAV_SOCKET");
    had_old_ = old != nullptr;
    if (had_old_) old_ = old;
    Start();
    ::setenv("TAV_SOCKET", socket_.c_str(), 1);
  }
  ~ServiceProcess() {
    Stop();
    if (had_old_) {
      ::setenv("TAV_SOCKET", old_.c_str(), 1);
    } else {
      ::unsetenv("TAV_SOCKET");
    }
  }
  ServiceProcess(const ServiceProcess&) = delete;
  ServiceProcess& operator=(const ServiceProcess&) = delete;

  const std::string& socket() const { return socket_; }
  pid_t pid() const { return pid_; }
  bool running() const { return pid_ > 0; }

  // Starts it again (after Stop or Kill).
  void Start() {
    if (pid_ > 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
      // A test that dies leaves no service behind holding its output open.
      ::prctl(PR_SET_PDEATHSIG, SIGTERM);
      ::setenv("TAV_DATA_DIR", data_dir_.c_str(), 1);
      std::vector<const char*> args = {kTavsecdPath, "--socket", socket_.c_str()};
      if (!run_as_.empty()) {
        args.push_back("--user");
        args.push_back(run_as_.c_str());
      }
      args.push_back(nullptr);
      ::execv(kTavsecdPath, const_cast<char* const*>(args.data()));
      ::_exit(127);
    }
    ready_ = WaitUntilReady();
  }
  // Whether the last Start saw the service accept a connection.
  bool ready() const { return ready_; }

  // Ends it as systemd stops it (SIGTERM), or at once (SIGKILL).
  void Stop() { End(SIGTERM); }
  void Kill() { End(SIGKILL); }

 private:
  bool WaitUntilReady() {
    for (int i = 0; i < 500; ++i) {
      std::string error;
      int fd = ConnectUnixSocket(socket_, &error);
      if (fd >= 0) {
        ::close(fd);
        return true;
      }
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }

  void End(int signal) {
    if (pid_ <= 0) return;
    ::kill(pid_, signal);
    for (int i = 0; i < 500; ++i) {
      int status = 0;
      if (::waitpid(pid_, &status, WNOHANG) == pid_) {
        pid_ = 0;
        return;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

  std::string data_dir_;
  std::string socket_;
  std::string run_as_;
  std::string old_;
  bool had_old_ = false;
  pid_t pid_ = 0;
  bool ready_ = false;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_SERVICE_PROCESS_H_
