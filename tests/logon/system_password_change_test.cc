// A system account whose password must be changed, on a machine where the
// compliance service runs under an account of its own (as the shipped
// service does, with read access to /etc/shadow only): the change goes to
// the system password helper, which runs as root, as systemd starts it for
// each connection. Real system users, the shipped PAM service file and the
// real /etc/shadow; root only.
#include <grp.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <thread>

#include "client/service_client.h"
#include "logon/auth_error.h"
#include "logon/login_flow.h"
#include "logon/user_login_dialog.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/password_helper_client.h"
#include "services/security/result_codes.h"
#include "testing/event_lines.h"
#include "testing/gui_test_support.h"
#include "testing/run_command.h"
#include "testing/service_process.h"
#include "testing/system_user.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

using testing::RunCommand;
using testing::SystemUser;

constexpr char kOld[] = "Granite-Otter-Meadow-47";
constexpr char kNew[] = "Copper-Falcon-Rivulet-82";

// The password field of `user`'s line in /etc/shadow.
std::string ShadowHash(const std::string& user) {
  std::ifstream shadow("/etc/shadow");
  std::string line;
  while (std::getline(shadow, line)) {
    if (line.rfind(user + ":", 0) == 0) {
      const size_t start = user.size() + 1;
      return line.substr(start, line.find(':', start) - start);
    }
  }
  return "";
}

// A PAM service file in /etc/pam.d with the shipped text, for this test only.
class PamServiceFile {
 public:
  PamServiceFile() {
    std::random_device random;
    name_ = "tavpwtest" + std::to_string(random() % 1000000);
    std::ifstream shipped(std::string(TAV_SOURCE_DIR) + "/packaging/tavsecurity.pam");
    std::ofstream(path()) << shipped.rdbuf();
  }
  ~PamServiceFile() { ::unlink(path().c_str()); }
  const std::string& name() const { return name_; }
  std::string path() const { return "/etc/pam.d/" + name_; }

 private:
  std::string name_;
};

// Listens as systemd does for tavsecurity-passwd.socket (Accept=yes): the
// socket belongs to the service's account alone, and each connection gets
// a helper process of its own with the connection as standard input and
// output.
class HelperSocket {
 public:
  HelperSocket(const std::string& path, const SystemUser& service, const std::string& pam_service)
      : path_(path) {
    fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::chown(path.c_str(), service.uid(), service.gid()) != 0 ||
        ::chmod(path.c_str(), 0600) != 0 || ::listen(fd_, 4) != 0) {
      return;
    }
    ok_ = true;
    thread_ = std::thread([this, user = service.name(), pam_service] {
      while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 50) <= 0) continue;
        const int connection = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0) continue;
        const pid_t pid = ::fork();
        if (pid == 0) {
          ::dup2(connection, 0);
          ::dup2(connection, 1);
          ::execl(TAV_PASSWD_HELPER_PATH, TAV_PASSWD_HELPER_PATH, "--allow-user", user.c_str(),
                  "--pam-service", pam_service.c_str(), static_cast<char*>(nullptr));
          ::_exit(127);
        }
        ::close(connection);
        if (pid > 0) ::waitpid(pid, nullptr, 0);  // one change at a time is plenty here
      }
    });
  }
  ~HelperSocket() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    ::close(fd_);
    ::unlink(path_.c_str());
  }
  bool ok() const { return ok_; }

 private:
  std::string path_;
  int fd_ = -1;
  bool ok_ = false;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

// Runs `body` in a child process as `user` and returns what it returns.
template <typename Body>
int RunAs(const SystemUser& user, Body body) {
  int pipe_fds[2];
  if (::pipe(pipe_fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(pipe_fds[0]);
    int result = -2;
    if (::setgroups(0, nullptr) == 0 && ::setgid(user.gid()) == 0 && ::setuid(user.uid()) == 0) {
      result = body();
    }
    (void)!::write(pipe_fds[1], &result, sizeof result);
    ::_exit(0);
  }
  ::close(pipe_fds[1]);
  int result = -3;
  (void)!::read(pipe_fds[0], &result, sizeof result);
  ::close(pipe_fds[0]);
  ::waitpid(pid, nullptr, 0);
  return result;
}

class SystemPasswordChangeTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to make system users and change /etc/shadow";
    if (testing::TestsUseService() || testing::TestsUseLabStore()) {
      GTEST_SKIP() << "starts a service of its own on the embedded store";
    }
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(service_user_.ok() && lab_user_.ok() && attacker_.ok());
    // The service's account reads the password hashes, as the shipped
    // unit lets it (SupplementaryGroups=shadow), and nothing more.
    ASSERT_EQ(RunCommand("usermod -a -G shadow " + service_user_.name()).exit_code, 0);
    ASSERT_EQ(RunCommand("chpasswd", lab_user_.name() + ":" + kOld + "\n").exit_code, 0);
    ASSERT_EQ(RunCommand("chage -d 0 " + lab_user_.name()).exit_code, 0);

    std::ofstream(data_dir_.File("security.conf"))
        << "backend = pam\npam_service = " << pam_.name()
        << "\npam_password_helper = " << helper_path_ << "\n";
    ASSERT_EQ(::chown(data_dir_.path().c_str(), service_user_.uid(), service_user_.gid()), 0);
    ASSERT_EQ(::chmod(data_dir_.path().c_str(), 0755), 0);
    service_ = std::make_unique<testing::ServiceProcess>(data_dir_.path(), "",
                                                         service_user_.name());
    ASSERT_TRUE(service_->ready()) << "tavsecd did not start as " << service_user_.name();
  }
  void TearDown() override { DisconnectFromService(); }

  // The logon of the lab user through the User Login dialog, typing the
  // old password; the Change Password dialog gets `first` and `second`.
  int LogOnAndChange(const char* first, const char* second) {
    testing::WhenModalShows("dlg130", [this](QWidget* dialog) {
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), lab_user_.name().c_str());
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), kOld);
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
      if (dialog->isVisible()) {
        QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
      }
    });
    testing::WhenModalShows("dlg135", [=](QWidget* dialog) {
      dialog->findChild<QLineEdit*>("ctl1005")->setText(first);
      dialog->findChild<QLineEdit*>("ctl1006")->setText(second);
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
      if (dialog->isVisible()) {
        QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
      }
    });
    return RunLogin(state_, backend_, nullptr, false, kUserLoginTitle);
  }

  SystemUser service_user_{"tavsvc"};
  SystemUser lab_user_{"tavlab"};
  SystemUser attacker_{"tavatk"};
  PamServiceFile pam_;
  testing::TempDataDir data_dir_;
  std::string helper_path_ = data_dir_.path() + "/passwd.sock";
  std::unique_ptr<testing::ServiceProcess> service_;
  LogonBackend backend_;
  LogonState state_;
};

TEST_F(SystemPasswordChangeTest, AnExpiredPasswordIsChangedThroughTheDialogByTheHelper) {
  const std::string old_hash = ShadowHash(lab_user_.name());
  ASSERT_FALSE(old_hash.empty());

  {
    // Without the helper the service, not being root, cannot make the
    // change: the logon stays refused and /etc/shadow is as it was.
    testing::BoxRecorder boxes;
    EXPECT_EQ(LogOnAndChange(kNew, kNew), kLoginCancelled);
    ASSERT_GE(boxes.boxes().size(), 2u);
    EXPECT_EQ(boxes.boxes()[0].text, AuthenticationErrorText(kSecPasswordMustChange));
    EXPECT_EQ(ShadowHash(lab_user_.name()), old_hash);
  }

  HelperSocket helper(helper_path_, service_user_, pam_.name());
  ASSERT_TRUE(helper.ok());
  testing::BoxRecorder boxes;
  ASSERT_EQ(LogOnAndChange(kNew, kNew), kLoginOk);
  EXPECT_EQ(state_.current_user.user_name, lab_user_.name());
  ASSERT_EQ(boxes.boxes().size(), 1u) << "only the refusal that asked for the change";
  EXPECT_EQ(boxes.boxes()[0].text, AuthenticationErrorText(kSecPasswordMustChange));
  Logout(state_, backend_);

  EXPECT_NE(ShadowHash(lab_user_.name()), old_hash);
  EXPECT_EQ(backend_.Authenticate(lab_user_.name().c_str(), "", kOld), kSecLogonFailure);
  EXPECT_EQ(backend_.Authenticate(lab_user_.name().c_str(), "", kNew), kSecOk)
      << "the new password is in force and no longer expired";
  const std::vector<std::string> events = testing::EventLines();
  EXPECT_NE(std::find(events.begin(), events.end(), lab_user_.name() + ", Password Changed"),
            events.end());
}

TEST_F(SystemPasswordChangeTest, TheHelperServesOnlyTheServiceAndOnlyForTheOldPassword) {
  HelperSocket helper(helper_path_, service_user_, pam_.name());
  ASSERT_TRUE(helper.ok());
  const std::string old_hash = ShadowHash(lab_user_.name());
  const std::string root_hash = ShadowHash("root");
  auto change = [&](const std::string& user, const char* old_password) {
    std::string detail;
    return ChangePasswordThroughHelper(helper_path_, user, old_password, kNew, &detail);
  };

  // Another user cannot reach the socket, and knowing the password does
  // not help once it can: the helper serves the service's account alone.
  EXPECT_EQ(RunAs(attacker_, [&] { return change(lab_user_.name(), kOld); }),
            kSecBackendUnavailable);
  ASSERT_EQ(::chmod(helper_path_.c_str(), 0666), 0);
  EXPECT_EQ(RunAs(attacker_, [&] { return change(lab_user_.name(), kOld); }),
            kSecBackendUnavailable);
  EXPECT_EQ(ShadowHash(lab_user_.name()), old_hash);

  // The service itself gets no further than the old password allows, and
  // root's password is never changed here.
  EXPECT_EQ(RunAs(service_user_, [&] { return change(lab_user_.name(), "Wrong-Password-19"); }),
            kSecLogonFailure);
  EXPECT_EQ(RunAs(service_user_, [&] { return change("root", kOld); }), kSecAccountRestriction);
  EXPECT_EQ(ShadowHash(lab_user_.name()), old_hash);
  EXPECT_EQ(ShadowHash("root"), root_hash);

  EXPECT_EQ(RunAs(service_user_, [&] { return change(lab_user_.name(), kOld); }), kSecOk);
  EXPECT_NE(ShadowHash(lab_user_.name()), old_hash);
}

}  // namespace
}  // namespace tav
