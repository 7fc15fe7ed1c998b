// Attacks on logging on, made as an ordinary user would make them: a client
// process with a preloaded library that accepts every password, and, when
// the test runs as root, a real system user that the test makes, who tries
// the store's files directly. What counts is what the attacker gets.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <random>
#include <string>

#include "testing/gui_test_support.h"
#include "testing/public_copies.h"
#include "testing/run_command.h"
#include "testing/service_process.h"
#include "testing/system_user.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::RunCommand;

// Runs the logon probe `probe` (optionally as `user`, with `env` before it)
// and returns what it printed.
std::string Probe(const std::string& env, const std::string& password,
                  const std::string& as_user = "", const std::string& probe = TAV_LOGON_PROBE_PATH) {
  // A sanitizer build checks that its runtime comes first; the preload is
  // the point here.
  // Only what `env` names: a service the suite runs for every data
  // directory is not the attacker's.
  std::string command = "env -u TAV_SOCKET ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 " +
                        env + " " +
                        probe + " alice '" + password + "'";
  if (!as_user.empty()) {
    command = "setpriv --reuid=" + as_user + " --regid=" + as_user + " --clear-groups " + command;
  }
  testing::CommandResult r = RunCommand(command);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  return r.out;
}

class LogonAttackTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_ON_LAB_STORE("the attacks read and replace the embedded store's files");
    testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-analysts"}, "Alice Liddell");
  }
  testing::TempDataDir data_dir_;
};

TEST_F(LogonAttackTest, APreloadedPasswordCheckAuthenticatesNobodyThroughTheService) {
  const std::string preload = std::string("LD_PRELOAD=") + TAV_FAKE_SODIUM_PATH;
  // In a store of its own, a process that checks passwords itself is
  // fooled: the preload works.
  EXPECT_EQ(Probe(preload + " TAV_DATA_DIR=" + data_dir_.path(), "wrong"),
            "code=0 event=ok\n");

  testing::ServiceProcess service(data_dir_.path());
  ASSERT_TRUE(service.ready());
  // Through the service the client checks nothing, and the preload
  // changes nothing: the wrong password is refused, and recorded.
  EXPECT_EQ(Probe(preload + " TAV_SOCKET=" + service.socket(), "wrong"), "code=1326 event=ok\n");
  EXPECT_EQ(Probe(preload + " TAV_SOCKET=" + service.socket(), "Alice-Pass1"),
            "code=0 event=ok\n");
}


TEST_F(LogonAttackTest, AnotherUserReadsNoHashesAndLogsOnOnlyThroughTheService) {
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a system user";
  testing::SystemUser attacker("tavatk");
  ASSERT_TRUE(attacker.ok());
  // The store as the service keeps it: its own, readable by nobody else.
  ASSERT_EQ(chmod(data_dir_.path().c_str(), 0700), 0);
  char socket_dir_template[] = "/tmp/tav_sock.XXXXXX";
  const std::string socket_dir = mkdtemp(socket_dir_template);
  ASSERT_EQ(chmod(socket_dir.c_str(), 0755), 0);
  testing::ServiceProcess service(data_dir_.path(), socket_dir + "/socket");
  ASSERT_TRUE(service.ready());
  // What membership of the service's group grants: the right to ask.
  ASSERT_EQ(chmod(service.socket().c_str(), 0666), 0);

  // What the attacker runs, where the attacker can reach it.
  testing::PublicCopies copies;
  const std::string probe = copies.Add(TAV_LOGON_PROBE_PATH);
  const std::string fake_sodium = copies.Add(TAV_FAKE_SODIUM_PATH);

  // The hashes: no offline guessing.
  testing::CommandResult read = RunCommand("setpriv --reuid=" + attacker.name() + " --regid=" +
                                           attacker.name() + " --clear-groups cat " +
                                           data_dir_.File("accounts.db"));
  EXPECT_NE(read.exit_code, 0);
  EXPECT_EQ(read.out, "");
  // Logging on in process over the service's store: refused by the system.
  const std::string preload = "LD_PRELOAD=" + fake_sodium;
  EXPECT_NE(Probe(preload + " TAV_DATA_DIR=" + data_dir_.path(), "wrong", attacker.name(), probe)
                .rfind("code=0 ", 0),
            0u);
  // Through the service: the password decides, whoever asks.
  EXPECT_EQ(Probe(preload + " TAV_SOCKET=" + service.socket(), "wrong", attacker.name(), probe),
            "code=1326 event=ok\n");
  EXPECT_EQ(Probe("TAV_SOCKET=" + service.socket(), "Alice-Pass1", attacker.name(), probe),
            "code=0 event=ok\n");
  RunCommand("rm -rf '" + socket_dir + "'");
}

// The attacker makes a world of his own: a user namespace with a tmpfs over
// /var/lib, where no machine store exists, and a private store of his own
// (no account locks, no events anybody sees). The library there names no
// store but the machine's and asks the machine's service, which is not in
// his world: the logon fails closed.
TEST_F(LogonAttackTest, APrivateNamespaceGivesNoStoreOfItsOwnOnlyTheRefusal) {
  if (RunCommand("unshare -rm sh -c 'mount -t tmpfs none /var/lib && mount -t tmpfs none /run'")
          .exit_code != 0) {
    GTEST_SKIP() << "user namespaces with mounts of their own are not available here";
  }
  const std::string preload = std::string("LD_PRELOAD=") + TAV_FAKE_SODIUM_PATH;
  const std::string mine = preload + " TAV_DATA_DIR=" + data_dir_.path();
  // Outside, on a machine without a store, a store of one's own is allowed
  // (tests and demos), and a process that checks passwords itself is fooled.
  if (access("/var/lib/tavsecurity", F_OK) != 0) {
    EXPECT_EQ(Probe(mine, "wrong"), "code=0 event=ok\n");
  }
  testing::CommandResult run = RunCommand(
      "unshare -rm sh -c 'mount -t tmpfs none /var/lib && mount -t tmpfs none /run && "
      "env -u TAV_SOCKET ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 " +
      mine + " TAV_SOCKET=" + data_dir_.path() + "/fake.sock " + TAV_LOGON_PROBE_PATH +
      " alice wrong'");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  // 1311: no store and no service to ask; the private store was not used.
  EXPECT_EQ(run.out.rfind("code=1311 ", 0), 0u) << run.out;
}

}  // namespace
}  // namespace tav
