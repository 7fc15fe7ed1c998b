// Who changed what through tavsec: account changes and failed checks as
// system events, changes under an authenticated administrator while the
// compliance features are on (its password checked by the compliance service
// when there is one, whatever the client loads), locks that hold across
// processes, and listings that a stored line break cannot forge.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "testing/public_copies.h"
#include "testing/run_command.h"
#include "testing/service_process.h"
#include "testing/system_user.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::CommandResult;

using testing::Has;

CommandResult Tavsec(const std::string& args, const std::string& input = "") {
  return testing::RunCommand(std::string(TAVSEC_PATH) + " " + args, input);
}

// An administrator (configuration right) and an analyst (none), locking on.
class TavsecAccountabilityTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_.AllowPlainPasswords();
    ASSERT_EQ(Tavsec("user add root-admin --group tav-admins", "Admin-Pass-1\n").exit_code, 0);
    ASSERT_EQ(Tavsec("user add ann --group tav-analysts", "Ann-Pass-1\n").exit_code, 0);
  }
  testing::TempDataDir dir_;
};

TEST_F(TavsecAccountabilityTest, AccountChangesAreSystemEventsOfTheirMaker) {
  ASSERT_EQ(Tavsec("user disable ann").exit_code, 0);
  ASSERT_EQ(Tavsec("user remove ann").exit_code, 0);
  CommandResult r = Tavsec("events list");
  EXPECT_TRUE(Has(r.out, ", root-admin (by "));
  EXPECT_TRUE(Has(r.out, "), Account Added\n")) << r.out;
  EXPECT_TRUE(Has(r.out, ", ann (by ")) << r.out;
  EXPECT_TRUE(Has(r.out, "), Account Changed\n")) << r.out;
  EXPECT_TRUE(Has(r.out, "), Account Removed\n")) << r.out;
}

TEST_F(TavsecAccountabilityTest, WhileTheFeaturesAreOnAnAdministratorMakesEveryChange) {
  ASSERT_EQ(Tavsec("config set part11 on").exit_code, 0);

  CommandResult r = Tavsec("config set idle-timeout 5");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_TRUE(Has(r.err, "--by")) << r.err;
  r = Tavsec("config set idle-timeout 5 --by ann", "Ann-Pass-1\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "may not change the configuration")) << r.err;
  r = Tavsec("config set idle-timeout 5 --by root-admin", "wrong\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(Tavsec("config show").out, "Idle timeout: 0 (never)"));

  // The administrator's password comes first, then the new account's.
  r = Tavsec("config set idle-timeout 5 --reason SOP-9 --by root-admin", "Admin-Pass-1\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Tavsec("user add bob --by root-admin", "Admin-Pass-1\nBob-Pass-1\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Tavsec("user check bob", "Bob-Pass-1\n").exit_code, 0);

  r = Tavsec("config trail");
  EXPECT_TRUE(Has(r.out, "  root-admin (system user ")) << r.out;
  EXPECT_TRUE(Has(r.out, ")  reason: SOP-9\n")) << r.out;
  r = Tavsec("events list");
  EXPECT_TRUE(Has(r.out, ", bob (by root-admin (system user ")) << r.out;
  EXPECT_TRUE(Has(r.out, ", root-admin, Failed Login\n")) << r.out;
}

// tavsec with a password check that accepts every password preloaded, as
// `as_user` when not empty (root only).
CommandResult PreloadedTavsec(const std::string& args, const std::string& input,
                              const std::string& as_user = "") {
  // Another user runs copies it can reach, wherever the build folder is.
  testing::PublicCopies copies;
  const std::string tavsec = as_user.empty() ? TAVSEC_PATH : copies.Add(TAVSEC_PATH);
  const std::string fake = as_user.empty() ? TAV_FAKE_SODIUM_PATH : copies.Add(TAV_FAKE_SODIUM_PATH);
  std::string command = std::string("env ASAN_OPTIONS=verify_asan_link_order=0:detect_leaks=0 ") +
                        "LD_PRELOAD=" + fake + " " + tavsec + " " + args;
  if (!as_user.empty()) {
    command = "setpriv --reuid=" + as_user + " --regid=" + as_user + " --clear-groups " + command;
  }
  return testing::RunCommand(command, input);
}

TEST_F(TavsecAccountabilityTest, WithAServiceOnlyTheServiceChecksTheAdministratorsPassword) {
  ASSERT_EQ(Tavsec("config set part11 on").exit_code, 0);
  testing::ServiceProcess service(dir_.path());
  ASSERT_TRUE(service.ready());

  // In this process the preload would pass any password; the service does not.
  CommandResult r = PreloadedTavsec("config set idle-timeout 5 --by root-admin", "wrong\n");
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_TRUE(Has(Tavsec("config show").out, "Idle timeout: 0 (never)"));
  EXPECT_TRUE(Has(Tavsec("events list").out, ", root-admin, Failed Login\n"));
  r = Tavsec("config set idle-timeout 5 --by ann", "Ann-Pass-1\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "may not change the configuration")) << r.err;

  r = Tavsec("config set idle-timeout 5 --reason SOP-9 --by root-admin", "Admin-Pass-1\n");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(Tavsec("config trail").out, "  root-admin (system user "));

  // No service, no check: never a fall-back to the hashes in the folder.
  service.Stop();
  r = Tavsec("config set idle-timeout 6 --reason SOP-9 --by root-admin", "Admin-Pass-1\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "compliance service is not running")) << r.err;
}

// A member of the store's group: he may write compliance.db and ask the
// service, and may not read the hashes.
TEST_F(TavsecAccountabilityTest, AMemberWithAPreloadGetsNoChangeWithoutThePassword) {
  TAV_SKIP_ON_LAB_STORE("shares the embedded store's files with the member");
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a system user";
  testing::SystemUser user("tavmbr");
  ASSERT_TRUE(user.ok());
  const std::string& member = user.name();
  ASSERT_EQ(Tavsec("config set part11 on").exit_code, 0);
  // The store as setup leaves it: the folder and compliance.db the group's,
  // the hashes root's alone.
  const std::string dir = dir_.path();
  ASSERT_EQ(testing::RunCommand("chgrp " + member + " " + dir + " " + dir +
                                "/compliance.db* && chmod 3770 " + dir + " && chmod 0660 " + dir +
                                "/compliance.db* && chmod 0600 " + dir + "/accounts.db")
                .exit_code,
            0);
  testing::ServiceProcess service(dir);
  ASSERT_TRUE(service.ready());
  ASSERT_EQ(chmod(service.socket().c_str(), 0666), 0);

  CommandResult r = PreloadedTavsec("config set idle-timeout 5 --by root-admin", "wrong\n", member);
  EXPECT_EQ(r.exit_code, 1) << r.err;
  EXPECT_TRUE(Has(Tavsec("config show").out, "Idle timeout: 0 (never)"));
  r = PreloadedTavsec("config set idle-timeout 5 --reason SOP-9 --by root-admin",
                      "Admin-Pass-1\n", member);
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(Tavsec("config trail").out, "  root-admin (system user " + member + ")"));
}

// The accounts as the service keeps them: a member of the service's group
// reaches them only through the service, which lets nobody but a system
// administrator, or an administrator's logon while the features are on,
// change or list them; every change is recorded under the member's name.
TEST_F(TavsecAccountabilityTest, AMemberManagesAccountsOnlyAsAnAdministratorThroughTheService) {
  TAV_SKIP_ON_LAB_STORE("keeps the embedded store's files from the member");
  if (geteuid() != 0) GTEST_SKIP() << "needs root to make a system user";
  testing::SystemUser member("tavmbr");
  ASSERT_TRUE(member.ok());
  EXPECT_EQ(Tavsec("user check ann", "bad\n").exit_code, 1);
  const std::string dir = dir_.path();
  ASSERT_EQ(chmod(dir.c_str(), 0700), 0);
  char socket_dir_template[] = "/tmp/tav_sock.XXXXXX";
  const std::string socket_dir = mkdtemp(socket_dir_template);
  ASSERT_EQ(chmod(socket_dir.c_str(), 0755), 0);
  testing::ServiceProcess service(dir, socket_dir + "/socket");
  ASSERT_TRUE(service.ready());
  ASSERT_EQ(chmod(service.socket().c_str(), 0666), 0);
  testing::PublicCopies copies;
  const std::string tavsec = copies.Add(TAVSEC_PATH);
  auto as_member = [&](const std::string& args, const std::string& input = "") {
    return testing::RunCommand(member.Runs() + "env TAV_SOCKET=" + service.socket() + " " +
                                   tavsec + " " + args,
                               input);
  };
  auto as_root = [&](const std::string& args, const std::string& input = "") {
    return testing::RunCommand("env TAV_SOCKET=" + service.socket() + " " + tavsec + " " + args,
                               input);
  };

  // Features off: only a system administrator; the member gets nothing.
  CommandResult r = as_member("user add eve --admin", "Eve-Pass-1\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "only a system administrator")) << r.err;
  EXPECT_EQ(as_member("user list").exit_code, 1);
  EXPECT_EQ(as_member("user unlock ann").exit_code, 1);
  EXPECT_EQ(as_member("user passwd ann", "Mine-Pass-1\n").exit_code, 1);
  r = as_root("user list");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_FALSE(Has(r.out, "eve")) << r.out;
  EXPECT_EQ(as_root("user check ann", "Ann-Pass-1\n").exit_code, 0);

  // Features on: the member acts with an administrator's password, and the
  // records name both; a user without the right changes nothing.
  ASSERT_EQ(as_root("config set part11 on").exit_code, 0);
  r = as_member("user add eve --by root-admin", "Admin-Pass-1\nEve-Pass-1\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  r = as_member("user remove root-admin --by ann", "Ann-Pass-1\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "may not change the configuration")) << r.err;
  r = as_member("user disable ann --by root-admin", "wrong\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_EQ(as_root("user check eve", "Eve-Pass-1\n").exit_code, 0);
  EXPECT_EQ(as_root("user check ann", "Ann-Pass-1\n").exit_code, 0);
  r = as_root("events list");
  EXPECT_TRUE(Has(r.out, ", eve (by root-admin (system user " + member.name() + ")), Account Added\n"))
      << r.out;
  EXPECT_TRUE(Has(r.out, ", root-admin, Failed Login\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "Account Removed")) << r.out;
  EXPECT_FALSE(Has(r.out, "Account Changed")) << r.out;
  testing::RunCommand("rm -rf '" + socket_dir + "'");
}

TEST_F(TavsecAccountabilityTest, LocksHoldAcrossProcessesUntilUnlocked) {
  for (int i = 0; i < 3; ++i) EXPECT_EQ(Tavsec("user check ann", "bad\n").exit_code, 1);
  CommandResult r = Tavsec("user check ann", "Ann-Pass-1\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.out, "result: 1909 The referenced account is currently locked out and may "
                         "not be logged on to."))
      << r.out;
  r = Tavsec("user unlock ann");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Tavsec("user check ann", "Ann-Pass-1\n").exit_code, 0);

  // Failed checks name the account, or nobody when the name is none.
  EXPECT_EQ(Tavsec("user check 'Pa55word!'", "x\n").exit_code, 1);
  r = Tavsec("events list");
  EXPECT_TRUE(Has(r.out, ", ann, Failed Login\n")) << r.out;
  EXPECT_TRUE(Has(r.out, ", ann, Account Locked\n")) << r.out;
  EXPECT_TRUE(Has(r.out, ", ann (by ")) << r.out;
  EXPECT_TRUE(Has(r.out, "), Account Unlocked\n")) << r.out;
  EXPECT_TRUE(Has(r.out, ", (unknown user), Failed Login\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "Pa55word")) << r.out;
}

TEST_F(TavsecAccountabilityTest, ControlCharactersAreRefusedInNamesAndEscapedInListings) {
  CommandResult r = Tavsec("user check \"$(printf 'ann\\n1  2026-01-01 00:00:00, eve')\"", "x\n");
  EXPECT_EQ(r.exit_code, 2);
  r = Tavsec("config set idle-timeout 7 --reason \"$(printf 'ok\\n#99  forged')\"");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  r = Tavsec("config trail");
  EXPECT_TRUE(Has(r.out, "reason: ok\\x0a#99  forged\n")) << r.out;
  EXPECT_FALSE(Has(r.out, "\n#99")) << r.out;
}

}  // namespace
}  // namespace tav
