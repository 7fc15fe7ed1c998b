// An unknown name must cost what a wrong password costs, from the first
// attempt of a fresh process: otherwise the time of one try tells which names
// are accounts. Runs the probe program alternately for both and compares the
// medians of whole process runs. TAV_TIMING_TRIES sets the number of runs of
// each (default 75; 1000 for the figures in docs/security.md).
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "security_test_support.h"

extern char** environ;

namespace tav {
namespace {

// Seconds one run of the probe takes, start to exit.
double TimeOneRun(const char* name, const char* password) {
  const char* argv[] = {LOGON_TIMING_PROBE, name, password, nullptr};
  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  if (posix_spawn(&pid, LOGON_TIMING_PROBE, nullptr, nullptr, const_cast<char**>(argv),
                  environ) != 0) {
    ADD_FAILURE() << "cannot start " << LOGON_TIMING_PROBE;
    return 0;
  }
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

TEST(LogonTiming, UnknownNameCostsWhatAWrongPasswordCosts) {
  testing::TempDataDir dir;
  // Without locking, every try of the known name reaches its hash.
  dir.WriteConfig("backend = local\nlockout_deny = 0\n");
  dir.AddAccount({"alice", "", "", {}, false, false}, "alice-pass");
  int tries = 75;
  if (const char* text = std::getenv("TAV_TIMING_TRIES")) tries = std::max(5, std::atoi(text));

  std::vector<double> wrong_password, unknown_name;
  for (int i = 0; i < tries; ++i) {
    // Alternating, so that load from elsewhere falls on both alike.
    wrong_password.push_back(TimeOneRun("alice", "wrong-pass"));
    unknown_name.push_back(TimeOneRun("nobody", "wrong-pass"));
  }
  const double known = Median(wrong_password);
  const double unknown = Median(unknown_name);
  // The median of the paired differences: a burst of load from elsewhere
  // lands on one run of a pair and moves the median of its kind, but
  // hardly the median of the differences.
  std::vector<double> differences;
  for (int i = 0; i < tries; ++i) differences.push_back(unknown_name[i] - wrong_password[i]);
  const double difference = Median(differences);
  RecordProperty("wrong_password_median_ms", std::to_string(known * 1000));
  RecordProperty("unknown_name_median_ms", std::to_string(unknown * 1000));
  std::printf("medians over %d fresh processes each: wrong password %.1f ms, unknown name %.1f ms, "
              "paired difference %.1f ms\n",
              tries, known * 1000, unknown * 1000, difference * 1000);
  EXPECT_LT(std::abs(difference), 0.10 * std::max(known, unknown))
      << "wrong password " << known * 1000 << " ms, unknown name " << unknown * 1000
      << " ms, paired difference " << difference * 1000 << " ms";
}

}  // namespace
}  // namespace tav
