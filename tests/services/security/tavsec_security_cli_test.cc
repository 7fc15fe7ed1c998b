// tavsec user ... and tavsec stealth ..., run as a user would run them.
// Runs under the PAM and NSS wrappers (see CMakeLists.txt) for the pam check.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <fstream>
#include <sstream>

#include "security_test_support.h"

namespace tav {
namespace {

struct CliRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Slurp(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

class TavsecCliTest : public ::testing::Test {
 protected:
  // Runs tavsec with `args` and `input` on standard input; the data
  // directory comes from TAV_DATA_DIR, set by dir_.
  CliRun Tavsec(const std::string& args, const std::string& input = "") {
    const std::string in = dir_.path() + "/.in", out = dir_.path() + "/.out",
                      err = dir_.path() + "/.err";
    std::ofstream(in, std::ios::binary) << input;
    int status = std::system((std::string(TAVSEC_PATH) + " " + args + " <" + in + " >" + out +
                              " 2>" + err)
                                 .c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, Slurp(out), Slurp(err)};
  }

  testing::TempDataDir dir_;
};

// A policy that lets the short passwords of these tests through.
constexpr char kNoPasswordRules[] =
    "password_min_length = 1\npassword_quality = no\npassword_history = 0\n"
    "password_change_at_first_logon = no\n";

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

TEST_F(TavsecCliTest, LocalAccountLifecycle) {
  // Wrong passwords repeat here; locking is tested in lockout_test.cc, the
  // password policy below.
  dir_.WriteConfig("lockout_deny = 0\n" + std::string(kNoPasswordRules));
  CliRun run = Tavsec(
      "user add alice --full-name 'Alice Archer' --description QA --group Zeta "
      "--group alpha --admin",
      "first pass\n");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  ASSERT_EQ(Tavsec("user add bob", "bob pass\n").exit_code, 0);
  EXPECT_EQ(Tavsec("user add Alice", "x\n").exit_code, 1);
  EXPECT_EQ(Tavsec("user add carol", "").exit_code, 2) << "no password on stdin";
  EXPECT_EQ(Tavsec("user add carol", "\n").exit_code, 2) << "empty password";
  EXPECT_EQ(Tavsec("user add 'lab\\carol'", "pw\n").exit_code, 2);

  run = Tavsec("user list");
  EXPECT_EQ(run.out,
            "alice\tAlice Archer\tQA\tZeta, alpha\tadmin\t-\n"
            "bob\t\t\t\t-\t-\n");

  run = Tavsec("user check ALICE", "first pass\n");
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_TRUE(Has(run.out, "result: 0 "));
  EXPECT_TRUE(Has(run.out, "full name: Alice Archer\n"));
  EXPECT_TRUE(Has(run.out, "description: QA\n"));
  EXPECT_TRUE(Has(run.out, "groups: Zeta, alpha\n"));
  EXPECT_TRUE(Has(run.out, "administrator: yes\n"));
  run = Tavsec("user check alice", "First pass\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(Has(run.out, "result: 1326 "));
  EXPECT_FALSE(Has(run.out, "groups:"));
  EXPECT_EQ(Tavsec("user check alice --domain LAB", "first pass\n").exit_code, 1);

  ASSERT_EQ(Tavsec("user passwd alice", "second pass\n").exit_code, 0);
  EXPECT_EQ(Tavsec("user check alice", "first pass\n").exit_code, 1);
  EXPECT_EQ(Tavsec("user check alice", "second pass\r\n").exit_code, 0);

  ASSERT_EQ(Tavsec("user disable alice").exit_code, 0);
  EXPECT_TRUE(Has(Tavsec("user check alice", "second pass\n").out, "result: 1331 "));
  EXPECT_TRUE(Has(Tavsec("user list").out, "admin\tdisabled\n"));
  ASSERT_EQ(Tavsec("user enable alice").exit_code, 0);
  ASSERT_EQ(Tavsec("user remove alice").exit_code, 0);
  EXPECT_TRUE(Has(Tavsec("user check alice", "second pass\n").out, "result: 1326 "));
  run = Tavsec("user remove alice");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(Has(run.err, "alice was removed on ")) << run.err;
  EXPECT_EQ(Tavsec("user passwd nobody", "pw\n").exit_code, 1);

  // A password past the limit is refused with a clear error, never cut.
  const std::string longest(1024, 'q');
  ASSERT_EQ(Tavsec("user add carol", longest + "\n").exit_code, 0);
  run = Tavsec("user passwd carol", longest + "q\n");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(Has(run.err, "the password is longer than 1024 bytes")) << run.err;
  EXPECT_EQ(Tavsec("user check carol", longest + "\n").exit_code, 0);
  EXPECT_NE(Tavsec("user check carol", longest + "q\n").exit_code, 0);
  EXPECT_NE(Tavsec("user add dora", longest + "q\n").exit_code, 0);
  EXPECT_TRUE(Has(Tavsec("user check dora", "x\n").out, "result: 1326 "));
}

TEST_F(TavsecCliTest, TheDefaultPolicyHoldsForEveryPasswordAnAdministratorTypes) {
  dir_.WriteConfig("lockout_deny = 0\n");
  CliRun run = Tavsec("user add frank", "frank pass\n");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(Has(run.err, "the password is shorter than 12 characters")) << run.err;
  run = Tavsec("user add frank", "mississippi12\n");
  EXPECT_EQ(run.exit_code, 2);
  EXPECT_TRUE(Has(run.err, "dictionary")) << run.err;
  run = Tavsec("user add frank", "Velvet-Compass-Ridge-58\n");
  ASSERT_EQ(run.exit_code, 0) << run.err;

  // The administrator knows it: the user must change it first.
  run = Tavsec("user check frank", "Velvet-Compass-Ridge-58\n");
  EXPECT_TRUE(Has(run.out, "result: 1907 The user's password must be changed before signing in."))
      << run.out;
  EXPECT_EQ(run.exit_code, 1);
  run = Tavsec("user passwd frank", "Velvet-Compass-Ridge-58\n");
  EXPECT_EQ(run.exit_code, 2) << "the current password is in the history";
  EXPECT_TRUE(Has(run.err, "one of the last 5")) << run.err;

  // Retiring keeps the name: it is never given to another person.
  ASSERT_EQ(Tavsec("user remove frank").exit_code, 0);
  run = Tavsec("user add Frank --full-name 'Frank Two'", "Brisk-Harbor-Lantern-93\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(Has(run.err, " was removed on ")) << run.err;
  EXPECT_TRUE(Has(run.err, "; a user name is never given to another person")) << run.err;
  EXPECT_EQ(Tavsec("user list").out, "");
  run = Tavsec("user list --all");
  EXPECT_TRUE(Has(run.out, "frank\t\t\t\t-\t-\tremoved ")) << run.out;

  run = Tavsec("status");
  EXPECT_TRUE(Has(run.out, "password minimum length: 12\n")) << run.out;
  EXPECT_TRUE(Has(run.out, "password maximum age: 90 days\n")) << run.out;
}

TEST_F(TavsecCliTest, ExpireDemandsAChangeAtTheNextLogon) {
  dir_.WriteConfig("lockout_deny = 0\npassword_change_at_first_logon = no\n");
  ASSERT_EQ(Tavsec("user add gail", "Quiet-Meadow-Falcon-27\n").exit_code, 0);
  EXPECT_TRUE(Has(Tavsec("user check gail", "Quiet-Meadow-Falcon-27\n").out, "result: 0 "));
  EXPECT_TRUE(Has(Tavsec("user check gail", "Quiet-Meadow-Falcon-27\n").out,
                  "password expires: "));
  ASSERT_EQ(Tavsec("user expire GAIL").exit_code, 0);
  EXPECT_TRUE(Has(Tavsec("user check gail", "Quiet-Meadow-Falcon-27\n").out, "result: 1907 "));
  EXPECT_EQ(Tavsec("user expire nobody").exit_code, 1);
}

TEST_F(TavsecCliTest, CheckGoesThroughTheConfiguredBackend) {
  ASSERT_NE(std::getenv("PAM_WRAPPER"), nullptr) << "run through CTest (pam_wrapper)";
  dir_.WriteConfig("backend = pam\npam_service = tavsec_test\nadmin_group = labadmin\n");
  CliRun run = Tavsec("user check alice", "alice-secret\n");
  EXPECT_EQ(run.exit_code, 0) << run.out << run.err;
  EXPECT_TRUE(Has(run.out, "groups: alice, zeta, labadmin\n"));
  EXPECT_TRUE(Has(run.out, "administrator: yes\n"));

  dir_.WriteConfig("backend = pam\nbackend = local\n");
  run = Tavsec("user check alice", "alice-secret\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_TRUE(Has(run.out, "result: 1311 "));
  EXPECT_TRUE(Has(run.out, "detail: security.conf line 2: "));
}

// A system name seen before under another uid: refused, named by status,
// and let through once an administrator confirms it.
TEST_F(TavsecCliTest, ASystemNameWithAnotherUidWaitsForAnAdministrator) {
  ASSERT_NE(std::getenv("PAM_WRAPPER"), nullptr) << "run through CTest (pam_wrapper)";
  dir_.WriteConfig("backend = pam\npam_service = tavsec_test\nlockout_deny = 0\n");
  ASSERT_TRUE(Has(Tavsec("user check bob", "bob-secret\n").out, "result: 0 "));
  {
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(dir_.db_path(), AccountStore::Mode::kReadWrite, &store, &error),
              AccountStore::Status::kOk);
    ASSERT_EQ(store->ConfirmSystemUid("bob", 1999, 0, &error), AccountStore::Status::kOk);
  }
  CliRun run = Tavsec("user check bob", "bob-secret\n");
  EXPECT_TRUE(Has(run.out, "result: 1327 ")) << run.out;
  run = Tavsec("status");
  EXPECT_TRUE(Has(run.out, "warning: system user bob logged on with uid 2002, first seen with "
                           "uid 1999"))
      << run.out;
  ASSERT_EQ(Tavsec("user confirm-uid bob").exit_code, 0);
  EXPECT_TRUE(Has(Tavsec("user check bob", "bob-secret\n").out, "result: 0 "));
  EXPECT_FALSE(Has(Tavsec("status").out, "warning: system user bob"));
  EXPECT_EQ(Tavsec("user confirm-uid ghost").exit_code, 1) << "NSS knows no ghost";
}

TEST_F(TavsecCliTest, StealthSwitch) {
  // CTest gives this program a flag name of its own (TAV_STEALTH_NAME).
  ASSERT_NE(std::getenv("TAV_STEALTH_NAME"), nullptr);
  EXPECT_EQ(Tavsec("stealth on").out, "stealth mode on\n");
  EXPECT_EQ(Tavsec("stealth status").out, "stealth mode on\n");
  EXPECT_EQ(Tavsec("stealth off").out, "stealth mode off\n");
  EXPECT_EQ(Tavsec("stealth status").out, "stealth mode off\n");
  EXPECT_NE(Tavsec("stealth maybe").exit_code, 0);
}

}  // namespace
}  // namespace tav
